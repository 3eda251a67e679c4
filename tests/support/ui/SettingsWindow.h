#pragma once

// Tests of the settings file: the program's main window with "Optionen", on a
// settings file in a temporary config folder (RunTestsWithTemporaryConfig).

#include <QApplication>
#include <QCheckBox>
#include <filesystem>
#include <memory>
#include <string>

#include "support/TempDir.h"
#include "support/ui/TemporaryConfigMain.h"
#include "ui/ListColumns.h"
#include "ui/Unit1.h"
#include "ui/Unit6.h"

// The settings file the window reads and writes.
inline std::string IniPath() {
    return (TemporaryConfigFolder()->Path() / "Tonzettel.ini").string();
}

// Writes lines as the settings file's only section.
inline void StoreSettings(const std::string& lines) {
    WriteFileBytes(IniPath(), "[Einstellungen]\n" + lines);
}

// The main window and "Optionen" as the program start makes them; with
// created, FormCreate has restored the settings.
struct SettingsWindow {
    std::unique_ptr<TForm1> form;
    TOptionen* optionen = nullptr;

    explicit SettingsWindow(bool created = true) {
        form = std::make_unique<TForm1>();
        if (created) form->FormCreate();
        optionen = new TOptionen(form->ListView(), form.get());
        TForm1Dialogs dialogs;
        dialogs.Optionen = optionen;
        form->SetDialogs(dialogs);
    }
    int Width(int column) const { return ListColumnWidth(form->ListView(), column); }
    QCheckBox* Box(int column) const {
        return optionen->findChild<QCheckBox*>(QStringLiteral("CheckBox%1").arg(column));
    }
    // Closes the window as the user would, which saves the settings.
    bool Close() {
        form->show();
        QApplication::processEvents();
        return form->close();
    }
};
