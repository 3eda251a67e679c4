// The level transfers "Transfer Level 1 -> Level 2" and "Transfer Level 2 -> Level 1".

#include <gtest/gtest.h>
#include <sys/file.h>

#include <fcntl.h>
#include <unistd.h>
#include <QApplication>
#include <QProgressBar>
#include <QTimer>
#include <filesystem>

#include "ops/Reasons.h"
#include "ops/TagAccess.h"
#include "support/HeldFile.h"
#include "support/TransferCases.h"
#include "support/ui/FormTest.h"
#include "tags/ID3v2.h"
#include "ui/Unit10.h"
#include "ui/Unit9.h"

namespace {

[[maybe_unused]] auto* const kEnvironment = AddWindowTestEnvironment("test_ui_Unit9Unit10Test");

std::string Name(int i) {
    return "Datei " + std::to_string(i) + ".mp3";
}

class TransferTest : public FolderFormTest {
  protected:
    void SetUp() override {
        FolderFormTest::SetUp();
        l1nachL2_ = new TL1nachL2(form_.get());
        l2nachL1_ = new TL2nachL1(form_.get());
    }

    std::vector<QString> TagCells(const std::string& name) const {
        const ListRow& row = Row(name);
        return {row.Cells[ColInterpret], row.Cells[ColAlbum], row.Cells[ColTitel],
                row.Cells[ColJahr],      row.Cells[ColGenre], row.Cells[ColKommentar]};
    }
    static QProgressBar* Progress(QDialog* dialog) {
        return dialog->findChild<QProgressBar*>(QStringLiteral("ProgressBar1"));
    }
    // Every value the progress bar takes from now on.
    std::vector<int>& RecordProgress(QDialog* dialog) {
        QObject::connect(Progress(dialog), &QProgressBar::valueChanged, dialog,
                         [this](int v) { progress_.push_back(v); });
        return progress_;
    }

    TL1nachL2* l1nachL2_ = nullptr;  // owned by the window
    TL2nachL1* l2nachL1_ = nullptr;
    std::vector<int> progress_;
};

TEST_F(TransferTest, Level1To2WritesRows2_5_7Only) {
    std::vector<std::string> paths;
    for (int i = 0; i < 9; ++i) {
        std::string v1 = MakeId3v1Tag("Titel", "Band", "Album", "2001", "", 0, 8);
        if (i == 2) v1.clear();  // no ID3v1 tag at all
        if (i == 5) v1 = MakeId3v1Tag("Ohne Genre", "Band", "", "", "", 0, 255);
        if (i == 7) v1 = MakeId3v1Tag("Sieben", "K\xFCnstler", "Platte", "1999", "Notiz", 7, 147);
        paths.push_back(Make(Name(i), v1,
                             MakeId3v2Tag({{"TIT2", TextFrameData("Alt")},
                                           {"TCON", TextFrameData("Rock")},
                                           {"TRCK", TextFrameData("4")}})));
    }
    Scan(2);
    std::vector<std::string> before;
    std::vector<ListRow> rowsBefore;
    for (int i = 0; i < 9; ++i) {
        before.push_back(ReadFileBytes(paths[i]));
        rowsBefore.push_back(Row(Name(i)));
    }
    SelectFiles({Name(2), Name(5), Name(7)});
    auto& progress = RecordProgress(l1nachL2_);
    l1nachL2_->open();
    l1nachL2_->SpeedButton1Click();

    EXPECT_FALSE(l1nachL2_->isVisible());
    EXPECT_EQ(Progress(l1nachL2_)->maximum(), 3);
    EXPECT_EQ(Progress(l1nachL2_)->value(), 0);
    EXPECT_EQ(progress, (std::vector<int>{1, 2, 3, 0}));
    // The file without an ID3v1 tag is left as it is, and said so; the one
    // without an ID3v1 genre keeps its ID3v2 genre.
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].toStdString(), std::string(NoSourceTagHeading(1)) + "\n" + paths[2] +
                                              "\n\n" + std::string(KeptFieldsHeading(1)) + "\n" +
                                              paths[5] + ": Genre");
    EXPECT_EQ(TagCells(Name(5)), (std::vector<QString>{"Band", "", "Ohne Genre", "", "Rock", ""}));
    EXPECT_EQ(TagCells(Name(7)), (std::vector<QString>{QStringLiteral("Künstler"), "Platte",
                                                       "Sieben", "1999", "Synthpop", "Notiz"}));
    struct FileExpect {
        int index;
        const char* title;
        const char* genre;
    };
    for (const FileExpect& e :
         {FileExpect{5, "Ohne Genre", "Rock"}, FileExpect{7, "Sieben", "Synthpop"}}) {
        SCOPED_TRACE(e.index);
        TID3v2 tag;
        ASSERT_TRUE(tag.ReadFromFile(paths[e.index]));
        EXPECT_EQ(tag.Title(), e.title);
        EXPECT_EQ(tag.Genre(), e.genre);
        EXPECT_EQ(tag.Track(), 4);  // the ID3v2 track number stays
    }
    for (int i : {0, 1, 2, 3, 4, 6, 8}) {
        EXPECT_EQ(ReadFileBytes(paths[i]), before[i]) << i;
        EXPECT_EQ(Row(Name(i)).Cells, rowsBefore[i].Cells) << i;
    }
}

TEST_F(TransferTest, Level2To1MapsGenresCutsTextsAndKeepsTheTrack) {
    const std::string title40 = "Ein Titel, der vierzig Zeichen lang ist.";
    ASSERT_EQ(title40.size(), 40u);
    const std::string comment30 = "Kommentar mit dreissig Zeichen";
    ASSERT_EQ(comment30.size(), 30u);
    const std::string synth =
        Make("synth.mp3", "",
             MakeId3v2Tag({{"TIT2", TextFrameData(title40)}, {"TCON", TextFrameData("Synthpop")}}));
    const std::string blues =
        Make("blues.mp3", MakeId3v1Tag("alt", "alt", "alt", "1970", "alt", 0, 17),
             MakeId3v2Tag({{"TPE1", TextFrameData("Band")}, {"TCON", TextFrameData("Blues")}}));
    const std::string track = Make("track.mp3", MakeId3v1Tag("alt", "", "", "", "", 7, 1),
                                   MakeId3v2Tag({{"COMM", std::string("\0eng\0", 5) + comment30},
                                                 {"TCON", TextFrameData("Elektropop")},
                                                 {"TRCK", TextFrameData("3")}}));
    Scan(1);
    SelectFiles({"synth.mp3", "blues.mp3", "track.mp3"});
    l2nachL1_->SpeedButton1Click();

    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].toStdString(), std::string(KeptFieldsHeading(2)) + "\n" + blues +
                                              ": Album, Titel, Jahr, Kommentar\n" + track +
                                              ": Titel, Genre");
    EXPECT_EQ(TagCells("synth.mp3"),
              (std::vector<QString>{"", "", QString::fromStdString(title40.substr(0, 30)), "",
                                    "Synthpop", ""}));
    EXPECT_EQ(LastBlock(synth), MakeId3v1Tag(title40.substr(0, 30), "", "", "", "", 0, 147));
    EXPECT_EQ(TagCells("blues.mp3"),
              (std::vector<QString>{"Band", "alt", "alt", "1970", "Blues", "alt"}));
    EXPECT_EQ(LastBlock(blues), MakeId3v1Tag("alt", "Band", "alt", "1970", "alt", 0, 0));
    // The cell shows the 30 characters the object holds; the file keeps 28 and track 7.
    EXPECT_EQ(TagCells("track.mp3"), (std::vector<QString>{"", "", "alt", "", "Classic Rock",
                                                           QString::fromStdString(comment30)}));
    EXPECT_EQ(LastBlock(track), MakeId3v1Tag("alt", "", "", "", comment30.substr(0, 28), 7, 1));
}

// Each transfer rule on files with both tags: the rows show what the target
// tag holds afterwards, and the end message names the fields it kept.
TEST_F(TransferTest, TheTargetGetsTheSourceButNeverLessThanItHeld) {
    for (const TransferCase& c : TransferCases()) Make(c.name, c.id3v1, c.id3v2);
    for (const int from : {1, 2}) {
        SCOPED_TRACE(from);
        Scan(3 - from);  // the list shows the level written
        std::vector<std::string> names;
        QString kept;
        for (int r = 0; r < form_->Model()->RowCount(); ++r) {
            for (const TransferCase& c : TransferCases()) {
                if (c.from != from || form_->Model()->Cell(r, ColDatei) != c.name) continue;
                names.push_back(c.name);
                if (!c.kept.empty())
                    kept += QString::fromStdString("\n" + dir_.File(c.name) + ": " +
                                                   JoinedFields(c.kept));
            }
        }
        SelectFiles(names);
        messages_.clear();
        (from == 1 ? static_cast<TLevelTransfer*>(l1nachL2_) : l2nachL1_)->SpeedButton1Click();

        for (const TransferCase& c : TransferCases()) {
            if (c.from != from) continue;
            std::vector<QString> after;
            for (const auto& text : c.after) after.push_back(QString::fromStdString(text));
            EXPECT_EQ(TagCells(c.name), after) << c.name;
            EXPECT_EQ(TargetFields(c, dir_.File(c.name)), c.after) << c.name;
        }
        ASSERT_EQ(messages_.size(), 1u);
        EXPECT_EQ(messages_[0].toStdString(),
                  std::string(KeptFieldsHeading(from)) + kept.toStdString());
    }
}

TEST_F(TransferTest, UnreadableFileIsSkippedWhileTheProgressGoesOn) {
    for (int i = 0; i < 3; ++i) Make(Name(i), MakeId3v1Tag("T", "A", "", "", "", 0, 1));
    Scan(2);
    SelectFiles({Name(0), Name(1), Name(2)});
    const ListRow missingRow = Row(Name(1));
    std::filesystem::remove(dir_.File(Name(1)));

    for (TLevelTransfer* dialog :
         {static_cast<TLevelTransfer*>(l1nachL2_), static_cast<TLevelTransfer*>(l2nachL1_)}) {
        SCOPED_TRACE(dialog->objectName().toStdString());
        messages_.clear();
        progress_.clear();
        auto& progress = RecordProgress(dialog);
        // "OK" again and "Abbrechen" while the run lets events through: ignored.
        int pressed = 0;
        QTimer::singleShot(0, dialog, [&] {
            ++pressed;
            dialog->SpeedButton1Click();
            dialog->SpeedButton2Click();
        });
        dialog->open();
        dialog->SpeedButton1Click();
        QObject::disconnect(Progress(dialog), nullptr, dialog, nullptr);

        EXPECT_EQ(pressed, 1);
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
        ASSERT_EQ(messages_.size(), 1u);
        EXPECT_EQ(messages_[0].toStdString(),
                  std::string(kBrokenFilesHeading) + "\n" + dir_.File(Name(1)));
        EXPECT_EQ(progress, (std::vector<int>{1, 2, 3, 0}));
        EXPECT_EQ(Row(Name(1)).Cells, missingRow.Cells);
        EXPECT_EQ(Row(Name(2)).Cells[ColInterpret], QStringLiteral("A"));
    }
}

TEST_F(TransferTest, AbbrechenBeforeOkTouchesNothing) {
    const std::string path = Make(Name(0), MakeId3v1Tag("T", "A", "", "", "", 0, 1));
    const std::string before = ReadFileBytes(path);
    Scan(1);
    SelectFiles({Name(0)});
    for (TLevelTransfer* dialog :
         {static_cast<TLevelTransfer*>(l1nachL2_), static_cast<TLevelTransfer*>(l2nachL1_)}) {
        dialog->open();
        dialog->SpeedButton2Click();
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(dialog->result(), QDialog::Rejected);
        EXPECT_EQ(Progress(dialog)->value(), 0);
    }
    EXPECT_EQ(ReadFileBytes(path), before);
}

TEST_F(TransferTest, FailedSaveKeepsTheRowAndIsListedAtTheEnd) {
    Make(Name(0), MakeId3v1Tag("Null", "A", "", "", "", 0, 1));
    const std::string locked = Make(Name(1), MakeId3v1Tag("Eins", "A", "", "", "", 0, 1));
    Scan(2);
    SelectFiles({Name(0), Name(1)});
    const ListRow lockedRow = Row(Name(1));
    {
        const HeldFile held(locked);
        ASSERT_TRUE(held.Held());
        l1nachL2_->SpeedButton1Click();
    }

    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].toStdString(), std::string(kNotSavedHeading) + "\n" +
                                              PathWithReason(locked, writepath::Failure::Locked));
    EXPECT_EQ(Row(Name(1)).Cells, lockedRow.Cells);
    EXPECT_EQ(Row(Name(0)).Cells[ColTitel], QStringLiteral("Null"));
}

// Not a check: writes both dialogs as PNGs into TZ_SCREENSHOT_DIR (run under
// Xvfb for the real look).
TEST_F(TransferTest, Screenshot) {
    const QString out = qEnvironmentVariable("TZ_SCREENSHOT_DIR");
    if (out.isEmpty()) GTEST_SKIP() << "set TZ_SCREENSHOT_DIR to write a screenshot";
    for (auto [dialog, file] : {std::pair<QDialog*, const char*>{l1nachL2_, "/l1nachl2.png"},
                                std::pair<QDialog*, const char*>{l2nachL1_, "/l2nachl1.png"}}) {
        dialog->show();
        Progress(dialog)->setValue(40);
        QApplication::processEvents();
        ASSERT_TRUE(dialog->grab().save(out + QString::fromLatin1(file)));
        Progress(dialog)->setValue(0);
        dialog->hide();
    }
}

}  // namespace
