// The options dialog: its controls, the boxes read from the settings file,
// "Speichern" applying them to the list, "Schließen".

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QToolButton>
#include <QTreeView>
#include <filesystem>
#include <memory>
#include <string>

#include "ops/Reasons.h"
#include "support/TempDir.h"
#include "support/ui/SettingsWindow.h"
#include "ui/ListColumns.h"
#include "ui/ProfileFile.h"
#include "ui/Unit1.h"
#include "ui/Unit6.h"

namespace {

class Unit6Test : public ::testing::Test {
  protected:
    void SetUp() override { std::filesystem::remove(IniPath()); }

    // The main window without settings, then the dialog, as at program start.
    void Start(const std::string& settings = {}) {
        std::filesystem::remove(IniPath());
        if (!settings.empty()) StoreSettings(settings);
        window = std::make_unique<SettingsWindow>(false);
        form = window->form.get();
        optionen = window->optionen;
    }
    QCheckBox* Box(int column) const { return window->Box(column); }
    int Width(int column) const { return window->Width(column); }

    std::unique_ptr<SettingsWindow> window;
    TForm1* form = nullptr;
    TOptionen* optionen = nullptr;
};

TEST_F(Unit6Test, Controls) {
    Start();
    EXPECT_EQ(optionen->windowTitle(), QStringLiteral("Optionen"));
    EXPECT_EQ(optionen->parent(), form);
    EXPECT_TRUE(optionen->isModal());
    auto* group = optionen->findChild<QGroupBox*>();
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->title(), QStringLiteral("Anzeige An/Aus"));
    for (int c = 1; c <= 11; ++c) {
        ASSERT_NE(Box(c), nullptr) << c;
        EXPECT_EQ(Box(c)->text().toStdString(), ColumnCaption(Column(c))) << c;
        EXPECT_EQ(Box(c)->parent(), group) << c;
    }
    EXPECT_EQ(optionen->findChildren<QCheckBox*>().size(), 11);
    struct Button {
        const char* name;
        const char* text;
    };
    for (const Button& b :
         {Button{"SpeedButton14", "Speichern"}, Button{"SpeedButton2", "Schließen"}}) {
        auto* button = optionen->findChild<QToolButton*>(QLatin1String(b.name));
        ASSERT_NE(button, nullptr) << b.name;
        EXPECT_EQ(button->text(), QString::fromUtf8(b.text));
        EXPECT_TRUE(button->autoRaise()) << b.name << " is flat";
    }
    optionen->show();
    QApplication::processEvents();
    EXPECT_EQ(optionen->minimumSize(), optionen->maximumSize()) << "fixed size";
    optionen->close();
}

TEST_F(Unit6Test, BoxesFollowTheFlags) {
    Start(
        "AnzeigenCol1=0\nAnzeigenCol2=1\nAnzeigenCol3=0x0\nAnzeigenCol4=nein\n"
        "AnzeigenCol5=-1\nAnzeigenCol11=0\n");
    const bool expected[] = {false, true, false, true, true, true, true, true, true, true, false};
    for (int c = 1; c <= 11; ++c) EXPECT_EQ(Box(c)->isChecked(), expected[c - 1]) << c;
    for (int c = 1; c <= 11; ++c) EXPECT_EQ(optionen->ColumnShown(c), expected[c - 1]) << c;
    // The boxes keep their state between showings; the flags are read at creation only.
    Box(2)->setChecked(false);
    optionen->show();
    optionen->SpeedButton2Click();
    optionen->show();
    EXPECT_FALSE(Box(2)->isChecked());
    optionen->close();
}

TEST_F(Unit6Test, SpeichernAppliesTheBoxes) {
    struct Case {
        const char* name;
        std::string settings;
        int column;
        bool ticked;
        int dragged;  // width set in this run before "Speichern", 0: none
        int width;
    };
    const Case cases[] = {
        {"unticked hides", "", 5, false, 0, 0},
        {"ticked without a stored width: default", "", 6, true, 0, 180},
        {"stored 0: default", "Column5Pos=0\n", 5, true, 0, 60},
        {"stored width", "Column4Pos=99\n", 4, true, 0, 99},
        {"stored hex width", "Column3Pos=0x96\n", 3, true, 0, 150},
        {"stored garbage: default", "Column8Pos=breit\n", 8, true, 0, 70},
        {"stored negative: default", "Column2Pos=-3\n", 2, true, 0, 150},
        {"a dragged column goes back to its stored width", "Column1Pos=120\n", 1, true, 300, 120},
        {"a dragged column that is unticked hides", "", 11, false, 300, 0},
    };
    for (const Case& c : cases) {
        Start(c.settings);
        if (c.dragged) SetListColumnWidth(form->ListView(), c.column, c.dragged);
        Box(c.column)->setChecked(c.ticked);
        const std::string before =
            std::filesystem::exists(IniPath()) ? ReadFileBytes(IniPath()) : "";
        optionen->SpeedButton14Click();
        EXPECT_EQ(Width(c.column), c.width) << c.name;
        EXPECT_EQ(form->ListView()->header()->isSectionHidden(c.column), c.width == 0) << c.name;
        EXPECT_EQ(std::filesystem::exists(IniPath()) ? ReadFileBytes(IniPath()) : "", before)
            << c.name << ": nothing is written";
        EXPECT_EQ(Width(0), 200) << c.name;
        EXPECT_EQ(Width(12), 200) << c.name;
    }
}

TEST_F(Unit6Test, SpeichernReadsTheFileAgain) {
    Start();
    Box(9)->setChecked(true);
    // Written by someone else after the dialog was created: no cached copy.
    TProfileFile(SettingsFilePath())
        .WriteInt(QLatin1String(SettingsSection), QStringLiteral("Column9Pos"), 77);
    optionen->SpeedButton14Click();
    EXPECT_EQ(Width(9), 77);
}

TEST_F(Unit6Test, SchliessenChangesNothing) {
    Start();
    Box(4)->setChecked(false);
    optionen->show();
    optionen->findChild<QToolButton*>(QStringLiteral("SpeedButton2"))->click();
    EXPECT_FALSE(optionen->isVisible());
    EXPECT_EQ(Width(4), 52);
    EXPECT_FALSE(Box(4)->isChecked());
}

TEST_F(Unit6Test, HiddenColumnShowsAgain) {
    Start();
    SetListColumnWidth(form->ListView(), 2, 0);
    EXPECT_EQ(Width(2), 0);
    SetListColumnWidth(form->ListView(), 2, 210);
    EXPECT_EQ(Width(2), 210) << "a hidden column shows again at the new width";
}

// Not a check: writes the dialog as a PNG when TZ_SCREENSHOT names the file
// (run under Xvfb for the real look).
TEST_F(Unit6Test, Screenshot) {
    const QString out = qEnvironmentVariable("TZ_SCREENSHOT");
    if (out.isEmpty()) GTEST_SKIP() << "set TZ_SCREENSHOT to write a screenshot";
    Start("AnzeigenCol7=0\n");
    optionen->show();
    QApplication::processEvents();
    ASSERT_TRUE(optionen->grab().save(out));
}

}  // namespace

int main(int argc, char** argv) {
    return RunTestsWithTemporaryConfig(argc, argv);
}
