// Restore and save of the main window's settings, and the options dialog's
// part in them, on a settings file in a temporary config folder.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QHeaderView>
#include <QTreeView>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/TempDir.h"
#include "support/ui/SettingsWindow.h"
#include "ui/ListColumns.h"
#include "ui/MessageBox.h"
#include "ui/ProfileFile.h"
#include "ui/Unit1.h"
#include "ui/Unit6.h"

namespace fs = std::filesystem;

namespace {

// The program's start and end as Project1 runs them.
using Program = SettingsWindow;

class SettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::remove_all(IniPath());
        SetMessageBoxHook([this](const QString& text) { messages.push_back(text); });
    }
    void TearDown() override { SetMessageBoxHook({}); }

    static int Stored(const char* key, int fallback = -999) {
        return TProfileFile(SettingsFilePath())
            .GetInt(QLatin1String(SettingsSection), QLatin1String(key), fallback);
    }
    static void Store(const std::string& lines) { StoreSettings(lines); }

    std::vector<QString> messages;
};

TEST_F(SettingsTest, FirstRunDefaults) {
    Program p;
    EXPECT_EQ(p.form->pos(), QPoint(200, 200));
    EXPECT_EQ(p.form->size(), QSize(783, 540));
    EXPECT_EQ(p.form->windowState(), Qt::WindowNoState);
    EXPECT_FALSE(p.form->GridLines());
    for (int c = 0; c <= 11; ++c)
        EXPECT_EQ(p.Width(c), Columns[static_cast<size_t>(c)].DesignWidth) << c;
    EXPECT_EQ(p.Width(12), 200);
    for (int c = 1; c <= 11; ++c) EXPECT_TRUE(p.Box(c)->isChecked()) << c;
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(fs::exists(IniPath())) << "starting writes nothing";
}

TEST_F(SettingsTest, RoundTripOfGeometryGridLinesAndWidths) {
    {
        Program p;
        p.form->move(321, 123);
        p.form->resize(900, 610);
        p.form->SetGridLines(true);
        SetListColumnWidth(p.form->ListView(), 0, 260);
        SetListColumnWidth(p.form->ListView(), 3, 300);
        SetListColumnWidth(p.form->ListView(), 12, 333);
        p.Box(7)->setChecked(false);  // ticked off without "Speichern"
        ASSERT_TRUE(p.Close());
    }
    EXPECT_EQ(Stored("HorizontalPos"), 321);
    EXPECT_EQ(Stored("VertikalPos"), 123);
    EXPECT_EQ(Stored("Linien"), 1);
    EXPECT_EQ(Stored("Column0Pos"), 260);
    EXPECT_EQ(Stored("Column3Pos"), 300);
    EXPECT_EQ(Stored("Column7Pos"), 70) << "the box alone does not change the width";
    EXPECT_EQ(Stored("Column12Pos"), -999) << "Pfad is never stored";
    EXPECT_EQ(Stored("AnzeigenCol7"), 0);
    EXPECT_EQ(Stored("AnzeigenCol6"), 1);
    EXPECT_EQ(Stored("Fenster"), 1);
    EXPECT_EQ(Stored("Breite"), 900);
    EXPECT_EQ(Stored("Hoehe"), 610);

    Program p;
    EXPECT_EQ(p.form->pos(), QPoint(321, 123));
    EXPECT_EQ(p.form->size(), QSize(900, 610));
    EXPECT_TRUE(p.form->GridLines());
    EXPECT_EQ(p.Width(0), 260);
    EXPECT_EQ(p.Width(3), 300);
    EXPECT_EQ(p.Width(7), 70);
    EXPECT_EQ(p.Width(12), 200) << "Pfad starts at its design width";
    EXPECT_FALSE(p.Box(7)->isChecked());
    EXPECT_TRUE(messages.empty());
}

TEST_F(SettingsTest, HiddenColumnStaysHiddenAndComesBackAtItsDefault) {
    {
        Program p;
        p.Box(5)->setChecked(false);
        p.optionen->SpeedButton14Click();
        EXPECT_EQ(p.Width(5), 0) << "hidden at once";
        EXPECT_TRUE(p.form->ListView()->header()->isSectionHidden(5));
        ASSERT_TRUE(p.Close());
    }
    EXPECT_EQ(Stored("Column5Pos"), 0);
    {
        Program p;
        EXPECT_EQ(p.Width(5), 0);
        EXPECT_FALSE(p.Box(5)->isChecked());
        p.Box(5)->setChecked(true);
        p.optionen->SpeedButton14Click();
        EXPECT_EQ(p.Width(5), 60);
        ASSERT_TRUE(p.Close());
    }
    EXPECT_EQ(Stored("Column5Pos"), 60);
    EXPECT_EQ(Stored("AnzeigenCol5"), 1);
}

TEST_F(SettingsTest, StoredValuesAtStart) {
    struct Case {
        const char* line;
        int column;
        int width;
    };
    const Case cases[] = {
        {"Column3Pos=0x96", 3, 150}, {"Column4Pos=abc", 4, 52},    {"Column7Pos=0", 7, 0},
        {"Column1Pos=-5", 1, 150},   {"Column11Pos=  90", 11, 90}, {"Column0Pos=500", 0, 500},
        {"Column9Pos=0X30", 9, 48},  {"Column0Pos=0", 0, 200},
    };
    for (const Case& c : cases) {
        Store(std::string(c.line) + "\n");
        Program p;
        EXPECT_EQ(p.Width(c.column), c.width) << c.line;
    }
}

TEST_F(SettingsTest, WindowStateAtStart) {
    struct Case {
        const char* lines;
        Qt::WindowStates state;
        QSize size;
    };
    const Case cases[] = {
        {"Fenster=1\nBreite=640\nHoehe=480\n", Qt::WindowNoState, {640, 480}},
        {"Fenster=2\nBreite=700\nHoehe=500\n", Qt::WindowMaximized, {700, 500}},
        {"Fenster=2\n", Qt::WindowMaximized, {783, 540}},
        // Anything else leaves the design state and size alone.
        {"Fenster=3\nBreite=640\nHoehe=480\n", Qt::WindowNoState, {941, 540}},
        {"Fenster=0\n", Qt::WindowNoState, {941, 540}},
    };
    for (const Case& c : cases) {
        Store(c.lines);
        Program p;
        EXPECT_EQ(p.form->windowState(), c.state) << c.lines;
        EXPECT_EQ(p.form->size(), c.size) << c.lines << ": before showing, the restored size";
    }
}

TEST_F(SettingsTest, MaximizedWindowIsStoredAsFenster2) {
    Program p;
    p.form->show();
    p.form->setWindowState(Qt::WindowMaximized);
    QApplication::processEvents();
    const QSize size = p.form->size();
    ASSERT_TRUE(p.form->close());
    EXPECT_EQ(Stored("Fenster"), 2);
    EXPECT_EQ(Stored("Breite"), size.width());
    EXPECT_EQ(Stored("Hoehe"), size.height());
}

TEST_F(SettingsTest, MinimizedCloseLeavesStateAndSizeAlone) {
    Store("Fenster=2\nBreite=800\nHoehe=600\n");
    Program p;
    p.form->show();
    p.form->move(50, 60);
    p.form->setWindowState(Qt::WindowMinimized);
    QApplication::processEvents();
    ASSERT_TRUE(p.form->close());
    EXPECT_EQ(Stored("Fenster"), 2);
    EXPECT_EQ(Stored("Breite"), 800);
    EXPECT_EQ(Stored("Hoehe"), 600);
    EXPECT_EQ(Stored("Column1Pos"), 150) << "the rest is written";
}

TEST_F(SettingsTest, OtherSectionsAndKeysArePreserved) {
    WriteFileBytes(IniPath(),
                   "[Andere]\r\nFoo=bar\r\n\r\n[Einstellungen]\r\nUnbekannt=x\r\nFenster=1\r\n"
                   "[Zuletzt]\r\nA=1\r\n");
    Program p;
    ASSERT_TRUE(p.Close());
    const std::string bytes = ReadFileBytes(IniPath());
    EXPECT_EQ(bytes.rfind(
                  "[Andere]\r\nFoo=bar\r\n\r\n[Einstellungen]\r\nUnbekannt=x\r\nFenster=1\r\n", 0),
              0u)
        << bytes;
    EXPECT_NE(bytes.find("HorizontalPos=200\r\n"), std::string::npos) << "the file's line ends";
    EXPECT_NE(bytes.find("[Zuletzt]\r\nA=1\r\n"), std::string::npos);
    EXPECT_EQ(bytes.find('\n', bytes.find("[Zuletzt]")) - bytes.find("[Zuletzt]"), 10u)
        << "no key of ours in the last section";
}

TEST_F(SettingsTest, UnwritableSettingsFileShowsOneMessageAndTheWindowCloses) {
    std::vector<std::string> unwritable = {"file in place of the folder",
                                           "folder in place of the file"};
    if (geteuid() != 0) unwritable.push_back("folder without write permission");
    for (const std::string& how : unwritable) {
        TempDir place;
        std::string config = place.Path().string();
        if (how == "file in place of the folder") {
            config = place.File("config");
            WriteFileBytes(config, "x");
        } else if (how == "folder in place of the file") {
            fs::create_directory(place.File("Tonzettel.ini"));
        } else {
            WriteFileBytes(place.File("Tonzettel.ini"), "[Einstellungen]\nBreite=800\n");
            fs::permissions(place.Path(), fs::perms::owner_read | fs::perms::owner_exec);
            fs::permissions(place.File("Tonzettel.ini"), fs::perms::owner_read);
        }
        const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(QString::fromStdString(config)));
        messages.clear();
        {
            Program p;
            EXPECT_TRUE(p.Close()) << how;
            EXPECT_FALSE(p.form->isVisible()) << how;
        }
        qputenv("XDG_CONFIG_HOME", saved);
        ASSERT_EQ(messages.size(), 1u) << how << ": the writes stop at the first failure";
        EXPECT_EQ(messages[0], QStringLiteral("nach %1/Tonzettel.ini kann nicht geschrieben werden")
                                   .arg(QString::fromStdString(config)))
            << how;
    }
}

}  // namespace

int main(int argc, char** argv) {
    return RunTestsWithTemporaryConfig(argc, argv);
}
