// The single-file tag editor: opening from the row, copy and paste across
// openings, the save into the tag the rows show, and saves that fail.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

#include <filesystem>
#include <functional>

#include "support/Mutagen.h"
#include "support/ui/FormTest.h"
#include "tags/ID3v2.h"
#include "ui/Unit2.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

[[maybe_unused]] auto* const kEnvironment = AddWindowTestEnvironment("test_ui_Unit2Test");

const std::string kAudio = MakeCbrAudio(9, 0.3);
const std::string kPicture = "\0image/jpeg\0\x03\0"s + std::string(500, '\xD8');
const std::string kOldId3v2 = MakeId3v2Tag({{"TIT2", TextFrameData("Alt")},
                                            {"TRCK", TextFrameData("4")},
                                            {"APIC", kPicture},
                                            {"TXXX", TextFrameData("mehr")}},
                                           3, 32);

class Unit2Test : public FolderFormTest {
  protected:
    void SetUp() override {
        TForm2::ClearFieldClipboard();
        FolderFormTest::SetUp();
        form2_ = UseDialog<TForm2>(&TForm1Dialogs::Form2);

        // Three files with ID3v1.1 tags (track numbers) and an ID3v2 tag.
        for (int i = 1; i <= 3; ++i) {
            const std::string name = std::to_string(i) + ".mp3";
            WriteMp3(dir_.File(name), kOldId3v2, kAudio,
                     MakeId3v1Tag("Titel " + std::to_string(i), "Band", "Album", "1999", "alt",
                                  static_cast<uint8_t>(i), 17));
        }
        Scan(1);
        ASSERT_EQ(form_->Model()->RowCount(), 3);
    }

    QLineEdit* Edit(int n) const {
        return form2_->findChild<QLineEdit*>(QStringLiteral("Edit%1").arg(n));
    }
    QComboBox* Genre() const {
        return form2_->findChild<QComboBox*>(QStringLiteral("ComboBoxGenre"));
    }
    QToolButton* Button(int n) const {
        return form2_->findChild<QToolButton*>(QStringLiteral("SpeedButton%1").arg(n));
    }
    // Opens the editor by a double click on the list and runs body inside it;
    // returns whether the dialog was still open when body ended.
    bool OpenAndRun(const std::function<void()>& body) {
        bool open = false;
        QTimer::singleShot(0, form2_, [&] {
            body();
            open = form2_->isVisible();
            form2_->close();
        });
        form_->ListView1DblClick();
        return open;
    }
    std::array<QString, 6> TagCells(int row) const {
        std::array<QString, 6> cells;
        for (int c = 0; c < 6; ++c) cells[c] = form_->Model()->Cell(row, ColInterpret + c);
        return cells;
    }
    void Type(const std::array<QString, 6>& texts) {
        for (int f = 0; f < 6; ++f) {
            if (f == 4) {
                Genre()->setEditText(texts[f]);
            } else {
                Edit(f + 1)->setText(texts[f]);
            }
        }
    }

    TForm2* form2_ = nullptr;  // owned by form_
};

TEST_F(Unit2Test, ControlsAsCreated) {
    EXPECT_EQ(form2_->windowTitle(), QStringLiteral("ID3Tag Editieren"));
    EXPECT_TRUE(form2_->isModal());
    EXPECT_EQ(form2_->parentWidget(), form_.get());
    EXPECT_EQ(form2_->findChild<QLabel*>(QStringLiteral("Label1"))->text(),
              QStringLiteral("Datei :"));
    for (int field = 0; field < 6; ++field) {
        SCOPED_TRACE(field);
        EXPECT_EQ(Button(2 * field + 1)->toolTip(), QStringLiteral("Kopieren"));
        EXPECT_EQ(Button(2 * field + 2)->toolTip(), QStringLiteral("Einfügen"));
        EXPECT_FALSE(Button(2 * field + 2)->isEnabled());
        EXPECT_TRUE(Button(2 * field + 1)->autoRaise());
        // The text fields have no length limit of their own.
        if (field != 4) {
            const QString longText(40000, QLatin1Char('x'));
            Edit(field + 1)->setText(longText);
            EXPECT_EQ(Edit(field + 1)->text(), longText);
            Edit(field + 1)->clear();
        }
    }
    const char* captions[] = {"Löschen", "Speichern", "Schließen"};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Button(13 + i)->text(), QString::fromUtf8(captions[i]));
    QComboBox* genre = Genre();
    ASSERT_EQ(genre->count(), 148);
    EXPECT_EQ(genre->itemText(0), QStringLiteral("Blues"));
    EXPECT_EQ(genre->itemText(147), QStringLiteral("Synthpop"));
    EXPECT_EQ(genre->currentText(), QStringLiteral("Blues"));
    EXPECT_TRUE(genre->isEditable());
    EXPECT_EQ(genre->insertPolicy(), QComboBox::NoInsert);
    EXPECT_EQ(form2_->minimumSize(), form2_->maximumSize());

    // Tab order: the five text fields, then the genre box.
    QWidget* expected[] = {Edit(1), Edit(2), Edit(3), Edit(4), Edit(6), genre};
    for (int i = 0; i + 1 < 6; ++i) {
        QWidget* next = expected[i]->nextInFocusChain();
        while (next->focusPolicy() == Qt::NoFocus || !next->isEnabled() ||
               next->focusProxy() != nullptr)
            next = next->nextInFocusChain();
        EXPECT_EQ(next, expected[i + 1]) << i;
    }
}

TEST_F(Unit2Test, OpeningShowsTheTopmostSelectedRowTrimmed) {
    form_->Model()->SetCell(1, ColInterpret, QStringLiteral("Band \t "));
    form_->Model()->SetCell(1, ColGenre, QStringLiteral("Eigenes"));
    SelectRows({2, 1});
    bool escapeKept = false;
    OpenAndRun([&] {
        EXPECT_EQ(form2_->findChild<QLabel*>(QStringLiteral("Label1"))->text(),
                  QStringLiteral("Datei : 2.mp3"));
        EXPECT_EQ(Edit(1)->text(), QStringLiteral("Band"));
        EXPECT_EQ(Edit(2)->text(), QStringLiteral("Album"));
        EXPECT_EQ(Edit(3)->text(), QStringLiteral("Titel 2"));
        EXPECT_EQ(Edit(4)->text(), QStringLiteral("1999"));
        EXPECT_EQ(Genre()->currentText(), QStringLiteral("Eigenes"));
        EXPECT_EQ(Edit(6)->text(), QStringLiteral("alt"));
        // Neither Escape nor Enter is bound to a button.
        for (int key : {Qt::Key_Escape, Qt::Key_Return}) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(Edit(1), &press);
        }
        escapeKept = form2_->isVisible();
    });
    EXPECT_TRUE(escapeKept);
    EXPECT_EQ(ReadFileBytes(dir_.File("2.mp3")).substr(0, kOldId3v2.size()), kOldId3v2);
}

TEST_F(Unit2Test, SaveAtLevelOneKeepsTheTrackAndTheRowShowsWhatWasTyped) {
    struct Case {
        std::array<QString, 6> typed;
        std::string tag;  // the file's new last 128 bytes
    };
    const QString longTitle(40, QLatin1Char('T'));
    const Case cases[] = {
        {{"Neu", "Platte", longTitle, "20045", "Eigenes Genre", "Kommentar "},
         MakeId3v1Tag(std::string(30, 'T'), "Neu", "Platte", "2004", "Kommentar", 1, 255)},
        {{"Neu", "", "x", "2004", "Techno", "K"}, MakeId3v1Tag("x", "Neu", "", "2004", "K", 1, 18)},
        {{"Gr\u00FC\u00DFe", "", "", "", "techno", ""},
         MakeId3v1Tag("",
                      "Gr\xFC\xDF"
                      "e",
                      "", "", "", 1, 255)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed[0].toStdString() + c.typed[4].toStdString());
        SelectRows({0});
        const std::string path = dir_.File("1.mp3");
        const std::string before = ReadFileBytes(path);
        const auto otherCells = form_->Model()->Row(0).Cells;
        const bool open = OpenAndRun([&] {
            Type(c.typed);
            form2_->SpeedButton14Click();
        });
        EXPECT_FALSE(open);
        const std::string after = ReadFileBytes(path);
        EXPECT_EQ(Tail128(after), c.tag);
        EXPECT_EQ(after.substr(0, after.size() - 128), before.substr(0, before.size() - 128));
        EXPECT_EQ(TagCells(0), c.typed);
        EXPECT_EQ(form_->Model()->Cell(0, ColBitrate), otherCells[ColBitrate]);
        EXPECT_TRUE(messages_.empty());
    }
}

// The editor writes the tag the rows were read with, whatever the drop-down
// says now, and keeps all the tag holds but the six fields.
TEST_F(Unit2Test, SaveWritesTheTagTheRowsShowAndKeepsTheRest) {
    for (int scanned : {1, 2}) {
        SCOPED_TRACE(scanned);
        Scan(scanned);
        if (scanned == 1) form_->ScannenID3Level21Click();  // no rescan
        SelectRows({2});
        const std::string path = dir_.File("3.mp3");
        const std::string before = ReadFileBytes(path);
        OpenAndRun([&] {
            Edit(3)->setText(QStringLiteral("Neu"));
            form2_->SpeedButton14Click();
        });
        const std::string after = ReadFileBytes(path);
        if (scanned == 1) {
            EXPECT_EQ(after.substr(0, kOldId3v2.size()), kOldId3v2);
            EXPECT_EQ(Tail128(after), MakeId3v1Tag("Neu", "Band", "Album", "1999", "alt", 3, 17));
        } else {
            EXPECT_EQ(Tail128(after), Tail128(before));
            TID3v2 tag;
            ASSERT_TRUE(tag.ReadFromFile(path));
            EXPECT_EQ(tag.Title(), "Neu");
            EXPECT_EQ(tag.Track(), 4);
            EXPECT_EQ(tag.OtherFrameIDs(), (std::vector<std::string>{"APIC", "TXXX"}));
            EXPECT_NE(after.find(kPicture), std::string::npos);
        }
        EXPECT_EQ(form_->Model()->Cell(2, ColTitel), QStringLiteral("Neu"));
        form_->ScannenID3Level11Click();
    }
}

// Another program changed title and artist after the scan; the user then
// edits the comment. Only the comment is written, into the file as it is:
// what the other program wrote stays, and so do the rows' other cells.
TEST_F(Unit2Test, SavesOnlyTheFieldsTheUserChanged) {
    if (!MutagenAvailable()) GTEST_SKIP() << "python3-mutagen is not installed";
    struct Case {
        int level;
        QString comment;  // typed; the text it had: nothing is written
    };
    for (const Case& c : {Case{1, "Neu"}, Case{2, "Neu"}, Case{2, ""}}) {
        SCOPED_TRACE(c.level);
        const std::string path = dir_.File("1.mp3");
        Scan(c.level);
        const auto cellsBefore = TagCells(0);
        ASSERT_TRUE(MutagenWrite(path, 3,
                                 {{.Id = "TIT2", .Encoding = 1, .Texts = {"Кино"}},
                                  {.Id = "TPE1", .Encoding = 1, .Texts = {"Виктор Цой"}},
                                  {.Id = "TRCK", .Texts = {"4"}},
                                  {.Id = "APIC", .Data = std::string(500, '\xD8')}}));
        std::string bytes = ReadFileBytes(path);
        PutBytes(bytes, bytes.size() - 128 + 3, std::string("Kino") + std::string(26, '\0'));
        WriteFileBytes(path, bytes);
        const auto seenBefore = MutagenRead(path);
        ASSERT_TRUE(seenBefore.has_value());

        SelectRows({0});
        OpenAndRun([&] {
            if (!c.comment.isEmpty()) Edit(6)->setText(c.comment);
            form2_->SpeedButton14Click();
        });
        auto cells = cellsBefore;
        if (c.comment.isEmpty()) {
            EXPECT_EQ(ReadFileBytes(path), bytes);
        } else if (c.level == 1) {
            cells[5] = c.comment;
            EXPECT_EQ(Tail128(ReadFileBytes(path)),
                      MakeId3v1Tag("Kino", "Band", "Album", "1999", "Neu", 1, 17));
        } else {
            cells[5] = c.comment;
            const auto seen = MutagenRead(path);
            ASSERT_TRUE(seen.has_value());
            EXPECT_EQ(seen->Text("COMM"), "Neu");
            std::vector<MutagenFrame> others;
            for (const auto& f : seen->Frames)
                if (f.Id != "COMM") others.push_back(f);
            ASSERT_EQ(others.size(), seenBefore->Frames.size());
            for (size_t i = 0; i < others.size(); ++i)
                EXPECT_EQ(others[i].Content, seenBefore->Frames[i].Content) << others[i].Id;
        }
        EXPECT_EQ(TagCells(0), cells);
        EXPECT_TRUE(messages_.empty());
        WriteFileBytes(path, bytes);
    }
}

TEST_F(Unit2Test, LoeschenThenSchliessenOrSpeichern) {
    SelectRows({0});
    const std::string path = dir_.File("1.mp3");
    const std::string before = ReadFileBytes(path);
    const auto cellsBefore = TagCells(0);
    EXPECT_FALSE(OpenAndRun([&] {
        form2_->SpeedButton13Click();
        for (int n : {1, 2, 3, 4, 6}) EXPECT_TRUE(Edit(n)->text().isEmpty());
        EXPECT_TRUE(Genre()->currentText().isEmpty());
        form2_->SpeedButton15Click();
    }));
    EXPECT_EQ(ReadFileBytes(path), before);
    EXPECT_EQ(TagCells(0), cellsBefore);

    EXPECT_FALSE(OpenAndRun([&] {
        form2_->SpeedButton13Click();
        form2_->SpeedButton14Click();
    }));
    EXPECT_EQ(Tail128(ReadFileBytes(path)), MakeId3v1Tag("", "", "", "", "", 1, 255));
    EXPECT_EQ(TagCells(0), (std::array<QString, 6>{}));
}

TEST_F(Unit2Test, FieldClipboardOutlivesOpeningsAndDialogs) {
    SelectRows({0});
    OpenAndRun([&] {
        form2_->SpeedButton1Click();  // artist "Band"
        form2_->SpeedButton9Click();  // genre "Rock"
        Edit(3)->clear();
        form2_->SpeedButton5Click();  // an empty title clears its value
        form2_->SpeedButton15Click();
    });
    EXPECT_EQ(TForm2::FieldClipboard()[0], QStringLiteral("Band"));
    EXPECT_EQ(TForm2::FieldClipboard()[4], QStringLiteral("Rock"));

    form_->Model()->SetCell(1, ColInterpret, QStringLiteral("Anderer"));
    form_->Model()->SetCell(1, ColGenre, QStringLiteral("Pop"));
    SelectRows({1});
    OpenAndRun([&] {
        EXPECT_EQ(Edit(1)->text(), QStringLiteral("Anderer"));
        EXPECT_TRUE(Button(2)->isEnabled());
        EXPECT_EQ(Button(2)->toolTip(), QStringLiteral("Einfügen(Band)"));
        EXPECT_EQ(Button(10)->toolTip(), QStringLiteral("Einfügen(Rock)"));
        EXPECT_FALSE(Button(6)->isEnabled());
        form2_->SpeedButton2Click();
        form2_->SpeedButton10Click();
        EXPECT_EQ(Edit(1)->text(), QStringLiteral("Band"));
        EXPECT_EQ(Genre()->currentText(), QStringLiteral("Rock"));

        // Copying an empty field takes a held value away.
        Edit(1)->clear();
        form2_->SpeedButton1Click();
        EXPECT_FALSE(Button(2)->isEnabled());
        EXPECT_EQ(Button(2)->toolTip(), QStringLiteral("Einfügen"));
        form2_->SpeedButton15Click();
    });

    // A dialog created later shows the program-wide values on creation.
    TForm2 later(form_.get());
    auto* paste = later.findChild<QToolButton*>(QStringLiteral("SpeedButton10"));
    EXPECT_TRUE(paste->isEnabled());
    EXPECT_EQ(paste->toolTip(), QStringLiteral("Einfügen(Rock)"));
    EXPECT_FALSE(later.findChild<QToolButton*>(QStringLiteral("SpeedButton2"))->isEnabled());
}

// A failed save leaves the row as it was and the dialog open; the user hears
// of it once, from the tag code or from the editor.
TEST_F(Unit2Test, AFailedSaveKeepsTheRowAndSaysSo) {
    enum class Damage { Folder, Locked, NoAudio };
    struct Case {
        const char* name;
        int level;
        Damage damage;
        bool editorMessage;  // else the tag code's
        const char* reason;  // behind the editor's message
    };
    const Case cases[] = {
        {"replaced by a folder", 1, Damage::Folder, false, ""},
        {"held by another program", 2, Damage::Locked, true,
         ": die Datei wird von einem anderen Programm benutzt"},
        {"no audio any more", 2, Damage::NoAudio, true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Scan(c.level);
        messages_.clear();
        SelectRows({1});
        const std::string path = dir_.File("2.mp3");
        int fd = -1;
        if (c.damage == Damage::Folder) {
            fs::remove(path);
            fs::create_directory(path);
        } else if (c.damage == Damage::Locked) {
            fd = ::open(path.c_str(), O_RDONLY);
            ASSERT_EQ(::flock(fd, LOCK_EX), 0);
        } else {
            WriteMp3(path, kOldId3v2, std::string(3000, '\0'), "");
        }
        const auto cellsBefore = TagCells(1);
        const bool open = OpenAndRun([&] {
            Edit(1)->setText(QStringLiteral("Neu"));
            form2_->SpeedButton14Click();
        });
        if (fd >= 0) ::close(fd);
        EXPECT_TRUE(open);
        EXPECT_EQ(TagCells(1), cellsBefore);
        ASSERT_EQ(messages_.size(), 1u);
        const QString qpath = QFile::decodeName(path.c_str());
        if (c.editorMessage) {
            EXPECT_EQ(messages_[0], QStringLiteral("Die Datei \"") + qpath +
                                        QStringLiteral("\" konnte nicht gespeichert werden") +
                                        QString::fromUtf8(c.reason) + QStringLiteral("."));
        } else {
            EXPECT_TRUE(messages_[0].startsWith(QStringLiteral("Die Datei \"") + qpath))
                << messages_[0].toStdString();
            EXPECT_TRUE(messages_[0].contains(QStringLiteral("beschädigt")));
        }
        fs::remove_all(path);
        WriteMp3(path, kOldId3v2, kAudio, "");
    }
}

}  // namespace

namespace {

// Not a check: writes the dialog as a PNG when TZ_SCREENSHOT names the file
// (run under Xvfb for the real look).
TEST_F(Unit2Test, Screenshot) {
    const QString out = qEnvironmentVariable("TZ_SCREENSHOT");
    if (out.isEmpty()) GTEST_SKIP() << "set TZ_SCREENSHOT to write a screenshot";
    form_->Model()->SetCell(0, ColInterpret, QStringLiteral("Die Tonzettler"));
    form_->Model()->SetCell(0, ColAlbum, QStringLiteral("Sommerabend"));
    form_->Model()->SetCell(0, ColTitel, QStringLiteral("Morgenrot"));
    form_->Model()->SetCell(0, ColKommentar, QString::fromUtf8("Live in München"));
    SelectRows({0});
    form_->show();
    form2_->show();
    form2_->SpeedButton1Click();
    form2_->SpeedButton3Click();
    Edit(1)->setFocus();
    QCursor::setPos(0, 0);  // no hover highlight in the picture
    QApplication::processEvents();
    ASSERT_TRUE(form2_->grab().save(out));
    form2_->close();
}

}  // namespace
