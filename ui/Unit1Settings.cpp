#include <QCheckBox>
#include <QTreeView>

#include "scan/Columns.h"
#include "ui/ListColumns.h"
#include "ui/MessageBox.h"
#include "ui/ProfileFile.h"
#include "ui/Unit1.h"
#include "ui/Unit6.h"

namespace {

QString Key(const char* name) {
    return QString::fromLatin1(name);
}
QString Key(std::string_view key) {
    return QString::fromLatin1(key.data(), static_cast<qsizetype>(key.size()));
}

}  // namespace

void TForm1::RestoreSettings() {
    const TProfileFile settings(SettingsFilePath());
    const QString section = QLatin1String(SettingsSection);

    move(settings.GetInt(section, Key("HorizontalPos"), 200),
         settings.GetInt(section, Key("VertikalPos"), 200));
    SetGridLines(settings.GetBool(section, Key("Linien"), false));

    // A stored 0 keeps a column hidden that was hidden at the last close;
    // "Datei" cannot be hidden, so there it means the default.
    for (int c = 0; c < ColumnCount; ++c) {
        const ColumnInfo& column = Columns[static_cast<size_t>(c)];
        if (column.WidthKey.empty()) continue;
        int width = settings.GetInt(section, Key(column.WidthKey), column.DesignWidth);
        if (width < 0 || (c == ColDatei && width == 0)) width = column.DesignWidth;
        SetListColumnWidth(ListView(), c, width);
    }

    const int state = settings.GetInt(section, Key("Fenster"), 1);
    if (state == 1 || state == 2) {
        // The size first, so that it is the one the window returns to from maximized.
        setWindowState(windowState() &
                       ~(Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen));
        resize(settings.GetInt(section, Key("Breite"), 783),
               settings.GetInt(section, Key("Hoehe"), 540));
        if (state == 2) setWindowState(windowState() | Qt::WindowMaximized);
    }
}

void TForm1::SaveSettings() {
    TProfileFile settings(SettingsFilePath());
    const QString section = QLatin1String(SettingsSection);
    const auto* optionen = qobject_cast<const TOptionen*>(Dialogs().Optionen);

    // Stops at the first value that cannot be written; the window closes anyway.
    const auto write = [&](const QString& key, int value) {
        if (settings.WriteInt(section, key, value)) return true;
        ShowMessageBox(ProfileWriteErrorText(settings.Path()), this);
        return false;
    };

    if (!write(Key("HorizontalPos"), x()) || !write(Key("VertikalPos"), y())) return;
    if (!write(Key("Linien"), GridLines() ? 1 : 0)) return;
    if (optionen) {
        for (int c = 0; c < ColumnCount; ++c) {
            const std::string_view key = Columns[static_cast<size_t>(c)].ShownKey;
            if (!key.empty() && !write(Key(key), optionen->ColumnShown(c) ? 1 : 0)) return;
        }
    }
    for (int c = 0; c < ColumnCount; ++c) {
        const std::string_view key = Columns[static_cast<size_t>(c)].WidthKey;
        if (!key.empty() && !write(Key(key), ListColumnWidth(ListView(), c))) return;
    }

    const Qt::WindowStates state = windowState();
    if (state & Qt::WindowMinimized) return;
    if (!write(Key("Fenster"), (state & Qt::WindowMaximized) ? 2 : 1)) return;
    if (!write(Key("Breite"), width())) return;
    write(Key("Hoehe"), height());
}
