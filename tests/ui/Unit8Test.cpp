// "Konvertieren": artist and title from the file names of the selected rows.

#include "ops/Reasons.h"
#include "ui/Unit8.h"

#include <gtest/gtest.h>
#include <sys/file.h>

#include <fcntl.h>
#include <unistd.h>
#include <QApplication>
#include <QTimer>
#include <filesystem>

#include "ops/TagAccess.h"
#include "support/HeldFile.h"
#include "support/ui/FormTest.h"
#include "tags/ID3v2.h"

namespace {

[[maybe_unused]] auto* const kEnvironment = AddWindowTestEnvironment("test_ui_Unit8Test");

class Unit8Test : public FolderFormTest {
  protected:
    void SetUp() override {
        FolderFormTest::SetUp();
        dialog_ = new TKonvertieren(form_.get());
    }

    QString Cell(const std::string& name, int column) const {
        return form_->Model()->Cell(RowOf(name), column);
    }

    TKonvertieren* dialog_ = nullptr;  // owned by the window
};

TEST_F(Unit8Test, Level1WritesArtistAndTitleOfTheSelectedRowsOnly) {
    const std::string full =
        Make("Artist - Title.mp3", MakeId3v1Tag("Alt", "Alt", "Album", "1999", "Kommentar", 7, 17));
    const std::string leading = Make("-Nur Titel.mp3", "");
    const std::string trailing = Make("Nur Interpret-.mp3", MakeId3v1Tag("", "", "", "", "", 0, 3));
    const std::string none = Make("Ohne Trenner.mp3", MakeId3v1Tag("T", "A", "", "", "", 0, 3));
    const std::string longName = std::string(40, 'L') + " - Kurz.mp3";
    const std::string longPart = Make(longName, "");
    const std::string other =
        Make("Nicht - Markiert.mp3", MakeId3v1Tag("T", "A", "", "", "", 0, 3));
    const std::string noneBefore = ReadFileBytes(none);
    const std::string otherBefore = ReadFileBytes(other);
    Scan(1);
    const ListRow noneRow = Row("Ohne Trenner.mp3");
    const ListRow otherRow = Row("Nicht - Markiert.mp3");
    SelectFiles({"Artist - Title.mp3", "-Nur Titel.mp3", "Nur Interpret-.mp3", "Ohne Trenner.mp3",
                 longName});

    dialog_->open();
    dialog_->SpeedButton1Click();

    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(dialog_->result(), QDialog::Accepted);
    EXPECT_TRUE(messages_.empty());
    struct Expect {
        std::string name, path;
        const char* artist;
        const char* title;
        std::string block;
    };
    const Expect expects[] = {
        {"Artist - Title.mp3", full, "Artist", "Title",
         MakeId3v1Tag("Title", "Artist", "Album", "1999", "Kommentar", 7, 17)},
        {"-Nur Titel.mp3", leading, "", "Nur Titel",
         MakeId3v1Tag("Nur Titel", "", "", "", "", 0, 255)},
        {"Nur Interpret-.mp3", trailing, "Nur Interpret", "",
         MakeId3v1Tag("", "Nur Interpret", "", "", "", 0, 3)},
    };
    for (const auto& e : expects) {
        SCOPED_TRACE(e.name);
        EXPECT_EQ(Cell(e.name, ColInterpret), QString::fromUtf8(e.artist));
        EXPECT_EQ(Cell(e.name, ColTitel), QString::fromUtf8(e.title));
        EXPECT_EQ(LastBlock(e.path), e.block);
    }
    // The cell shows the whole part, the ID3v1 field its first 30 characters.
    EXPECT_EQ(Cell(longName, ColInterpret), QString(40, QLatin1Char('L')));
    EXPECT_EQ(LastBlock(longPart), MakeId3v1Tag("Kurz", std::string(30, 'L'), "", "", "", 0, 255));
    // Without the separator, and unselected: file and row as they were.
    EXPECT_EQ(ReadFileBytes(none), noneBefore);
    EXPECT_EQ(Row("Ohne Trenner.mp3").Cells, noneRow.Cells);
    EXPECT_EQ(ReadFileBytes(other), otherBefore);
    EXPECT_EQ(Row("Nicht - Markiert.mp3").Cells, otherRow.Cells);
}

TEST_F(Unit8Test, Level2WithOtherFilterAndOrderKeepsTheChoices) {
    const std::string v1 = MakeId3v1Tag("v1", "v1", "", "", "", 0, 1);
    const std::string path =
        Make("Titel_-_Band.mp3", v1,
             MakeId3v2Tag({{"TALB", TextFrameData("Platte")}, {"TRCK", TextFrameData("5")}}));
    Scan(2);
    SelectFiles({"Titel_-_Band.mp3"});
    dialog_->SetRadioGroup1ItemIndex(2);  // "_-_"
    dialog_->SetRadioGroup2ItemIndex(1);  // title first
    dialog_->SpeedButton1Click();

    EXPECT_EQ(Cell("Titel_-_Band.mp3", ColInterpret), QStringLiteral("Band"));
    EXPECT_EQ(Cell("Titel_-_Band.mp3", ColTitel), QStringLiteral("Titel"));
    EXPECT_EQ(Cell("Titel_-_Band.mp3", ColAlbum), QStringLiteral("Platte"));
    TID3v2 tag;
    ASSERT_TRUE(tag.ReadFromFile(path));
    EXPECT_EQ(tag.Artist(), "Band");
    EXPECT_EQ(tag.Title(), "Titel");
    EXPECT_EQ(tag.Album(), "Platte");
    EXPECT_EQ(tag.Track(), 5);
    EXPECT_EQ(LastBlock(path), v1);  // only the level's tag is written
    // The dialog lives on: the next opening shows the same choices.
    EXPECT_EQ(dialog_->RadioGroup1ItemIndex(), 2);
    EXPECT_EQ(dialog_->RadioGroup2ItemIndex(), 1);
}

TEST_F(Unit8Test, UnreadableFileIsSkippedWithOneMessage) {
    const std::string a = Make("A - Eins.mp3", "");
    const std::string b = Make("B - Zwei.mp3", "");
    const std::string c = Make("C - Drei.mp3", "");
    Scan(1);
    const ListRow bRow = Row("B - Zwei.mp3");
    std::filesystem::remove(b);
    SelectFiles({"A - Eins.mp3", "B - Zwei.mp3", "C - Drei.mp3"});
    // A second press and "Schließen" while the run lets events through change nothing.
    int pressed = 0;
    QTimer::singleShot(0, dialog_, [&] {
        ++pressed;
        dialog_->SpeedButton1Click();
        dialog_->SpeedButton2Click();
    });
    dialog_->open();
    dialog_->SpeedButton1Click();

    EXPECT_EQ(pressed, 1);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].toStdString(), std::string(kBrokenFilesHeading) + "\n" + b);
    EXPECT_EQ(Row("B - Zwei.mp3").Cells, bRow.Cells);
    EXPECT_EQ(Cell("A - Eins.mp3", ColInterpret), QStringLiteral("A"));
    EXPECT_EQ(Cell("C - Drei.mp3", ColTitel), QStringLiteral("Drei"));
    EXPECT_EQ(LastBlock(c), MakeId3v1Tag("Drei", "C", "", "", "", 0, 255));
    EXPECT_EQ(dialog_->result(), QDialog::Accepted);
}

TEST_F(Unit8Test, FailedSaveKeepsTheRowAndIsListedAtTheEnd) {
    Make("A - Eins.mp3", "");
    const std::string locked = Make("B - Zwei.mp3", "");
    Scan(2);
    const ListRow lockedRow = Row("B - Zwei.mp3");
    SelectFiles({"A - Eins.mp3", "B - Zwei.mp3"});
    const std::string before = ReadFileBytes(locked);
    {
        const HeldFile held(locked);
        ASSERT_TRUE(held.Held());
        dialog_->SpeedButton1Click();
    }

    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].toStdString(), std::string(kNotSavedHeading) + "\n" +
                                              PathWithReason(locked, writepath::Failure::Locked));
    EXPECT_EQ(Row("B - Zwei.mp3").Cells, lockedRow.Cells);
    EXPECT_EQ(ReadFileBytes(locked), before);
    EXPECT_EQ(Cell("A - Eins.mp3", ColInterpret), QStringLiteral("A"));
}

TEST_F(Unit8Test, SchliessenTouchesNothing) {
    const std::string path = Make("A - B.mp3", "");
    const std::string before = ReadFileBytes(path);
    Scan(1);
    SelectFiles({"A - B.mp3"});
    dialog_->open();
    dialog_->SpeedButton2Click();
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(dialog_->result(), QDialog::Rejected);
    EXPECT_EQ(ReadFileBytes(path), before);
    EXPECT_EQ(Cell("A - B.mp3", ColInterpret), QString());
}

// Not a check: writes the dialog as a PNG into TZ_SCREENSHOT_DIR (run under
// Xvfb for the real look).
TEST_F(Unit8Test, Screenshot) {
    const QString out = qEnvironmentVariable("TZ_SCREENSHOT_DIR");
    if (out.isEmpty()) GTEST_SKIP() << "set TZ_SCREENSHOT_DIR to write a screenshot";
    dialog_->show();
    QApplication::processEvents();
    ASSERT_TRUE(dialog_->grab().save(out + QStringLiteral("/konvertieren.png")));
}

}  // namespace
