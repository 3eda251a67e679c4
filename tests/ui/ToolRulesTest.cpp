// What every tool of the list shares: the tag version the rows show, files
// named with any bytes, and the end message that lists the files left alone.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "ops/Reasons.h"
#include "support/ui/FormTest.h"
#include "tags/ID3v1.h"
#include "tags/ID3v2.h"
#include "ui/Unit10.h"
#include "ui/Unit2.h"
#include "ui/Unit4.h"
#include "ui/Unit8.h"
#include "ui/Unit9.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

[[maybe_unused]] auto* const kEnvironment = AddWindowTestEnvironment("test_ui_ToolRulesTest");

const std::string kId3v2 = MakeId3v2Tag({{"TIT2", TextFrameData("Zwei")},
                                         {"TRCK", TextFrameData("3")},
                                         {"APIC", std::string(400, 'p')}});
const std::string kId3v1 = MakeId3v1Tag("Eins", "Band", "Album", "1999", "alt", 5, 17);

class ToolRulesTest : public FolderFormTest {
  protected:
    void SetUp() override {
        FolderFormTest::SetUp();
        dialogs_.Form2 = form2_ = new TForm2(form_.get());
        dialogs_.Wizard = wizard_ = new TWizard(form_.get());
        dialogs_.Konvertieren = konvertieren_ = new TKonvertieren(form_.get());
        dialogs_.L1nachL2 = l1nachL2_ = new TL1nachL2(form_.get());
        dialogs_.L2nachL1 = l2nachL1_ = new TL2nachL1(form_.get());
        form_->SetDialogs(dialogs_);
    }

    // Runs body inside the dialog that command opens.
    void InDialog(QDialog* dialog, const std::function<void()>& command,
                  const std::function<void()>& body) {
        QTimer::singleShot(0, dialog, [&] {
            body();
            if (dialog->isVisible()) dialog->close();
        });
        command();
    }
    void RunEditor(const QString& title) {
        InDialog(
            form2_, [this] { form_->ListView1DblClick(); },
            [&] {
                form2_->findChild<QLineEdit*>(QStringLiteral("Edit3"))->setText(title);
                form2_->SpeedButton14Click();
            });
    }
    void RunWizardYear(const QString& year) {
        InDialog(
            wizard_, [this] { form_->ButtonWizardClick(); },
            [&] {
                wizard_->findChild<QCheckBox*>(QStringLiteral("CheckBoxJahr"))->setChecked(true);
                wizard_->findChild<QLineEdit*>(QStringLiteral("EditJahr"))->setText(year);
                wizard_->SpeedButton1Click();
            });
    }
    void RunConversion() {
        InDialog(
            konvertieren_, [this] { form_->DateinameID3Tags1Click(); },
            [&] { konvertieren_->SpeedButton1Click(); });
    }
    void RunTransfer(TLevelTransfer* dialog, void (TForm1::*command)()) {
        InDialog(
            dialog, [&] { (form_.get()->*command)(); }, [&] { dialog->SpeedButton1Click(); });
    }

    TForm1Dialogs dialogs_;
    TForm2* form2_ = nullptr;  // all owned by the window
    TWizard* wizard_ = nullptr;
    TKonvertieren* konvertieren_ = nullptr;
    TL1nachL2* l1nachL2_ = nullptr;
    TL2nachL1* l2nachL1_ = nullptr;
};

// After the drop-down is switched without a rescan, the tools go on writing
// the tag the list shows; the drop-down only sets the next scan.
TEST_F(ToolRulesTest, TheToolsWriteTheTagTheRowsShow) {
    const std::string a = Make("A - Eins.mp3", kId3v1, kId3v2);
    const std::string b = Make("B - Zwei.mp3", kId3v1, kId3v2);
    Scan(1);
    form_->ScannenID3Level21Click();
    EXPECT_EQ(form_->RowsLevel(), 1);
    SelectFiles({"A - Eins.mp3", "B - Zwei.mp3"});
    EXPECT_TRUE(form_->findChild<QAction*>(QStringLiteral("Level2Level11"))->isEnabled());
    EXPECT_FALSE(form_->findChild<QAction*>(QStringLiteral("Level1Level21"))->isEnabled());

    RunWizardYear(QStringLiteral("2020"));
    RunConversion();
    for (const auto& path : {a, b}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(ReadFileBytes(path).substr(0, kId3v2.size()), kId3v2);
        TID3v1 tag;
        ASSERT_TRUE(tag.ReadFromFile(path));
        EXPECT_EQ(tag.Year(), "2020");
        EXPECT_EQ(tag.Title(), path == a ? "Eins" : "Zwei");
        EXPECT_EQ(tag.Artist(), path == a ? "A" : "B");
        EXPECT_EQ(tag.Track(), 5);
    }
    EXPECT_TRUE(messages_.empty());
}

// A name copied from an older Windows system: Latin-1 bytes in the folder
// and the file name.
TEST_F(ToolRulesTest, AFileNamedInLatin1WorksWithEveryTool) {
    const std::string folder = (dir_.Path() /
                                "Gr\xFC\xDF"
                                "e")
                                   .string() +
                               "/";
    fs::create_directory(folder);
    const std::string odd = folder +
                            "M\xE4"
                            "dchen - Lied.mp3";
    WriteMp3(odd, kId3v2, MakeCbrAudio(9, 0.5), kId3v1);
    Make("Zweite - Datei.mp3", kId3v1, kId3v2);
    Scan(1);
    ASSERT_EQ(form_->Model()->RowCount(), 2);
    const int row = RowOf("Zweite - Datei.mp3") == 0 ? 1 : 0;
    EXPECT_EQ(form_->Model()->Cell(row, ColDatei), QStringLiteral("Mädchen - Lied.mp3"));
    EXPECT_TRUE(form_->Model()->Cell(row, ColPfad).endsWith(QStringLiteral("Grüße/")));
    EXPECT_EQ(form_->RowPath(row), odd);

    SelectRows({row});
    RunEditor(QStringLiteral("Neu"));
    TID3v1 tag1;
    ASSERT_TRUE(tag1.ReadFromFile(odd));
    EXPECT_EQ(tag1.Title(), "Neu");
    SelectRows({0, 1});
    RunWizardYear(QStringLiteral("2021"));
    SelectRows({row});
    RunConversion();
    ASSERT_TRUE(tag1.ReadFromFile(odd));
    EXPECT_EQ(tag1.Year(), "2021");
    EXPECT_EQ(tag1.Artist(), "Mädchen");  // the name's bytes taken as Windows-1252
    EXPECT_EQ(tag1.Title(), "Lied");
    EXPECT_EQ(tag1.Album(), "Album");

    RunTransfer(l1nachL2_, &TForm1::Level1Level21Click);
    TID3v2 tag2;
    ASSERT_TRUE(tag2.ReadFromFile(odd));
    EXPECT_EQ(tag2.Title(), "Lied");
    EXPECT_EQ(tag2.Year(), "2021");
    EXPECT_EQ(tag2.Track(), 3);
    Scan(2);
    SelectRows({RowOf("Zweite - Datei.mp3") == 0 ? 1 : 0});
    RunTransfer(l2nachL1_, &TForm1::Level2Level11Click);
    ASSERT_TRUE(tag1.ReadFromFile(odd));
    EXPECT_EQ(tag1.Artist(), "Mädchen");
    EXPECT_EQ(tag1.Genre(), "Rock");
    EXPECT_TRUE(messages_.empty());
}

// After the end message of a run and its dialog close, the main window has
// the keys again: Ctrl+Z takes the run back at once.
TEST_F(ToolRulesTest, AfterTheEndMessageTheKeysWorkAtOnce) {
    const std::string path = Make("A - Eins.mp3", kId3v1, kId3v2);
    Scan(1);
    const std::string before = ReadFileBytes(path);
    form_->show();
    form_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
    form_->ListView()->setFocus();
    SelectFiles({"A - Eins.mp3"});

    SetMessageBoxHook({});  // the real box, closed as a user would
    QString shown;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->text();
            box->accept();
        }
    });
    closer.start(10);
    RunTransfer(l2nachL1_, &TForm1::Level2Level11Click);
    closer.stop();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Folgende Dateien behalten")))
        << shown.toStdString();
    ASSERT_NE(ReadFileBytes(path), before);

    EXPECT_TRUE(QTest::qWaitForWindowActive(form_.get(), 1000));
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(ReadFileBytes(path), before);
}

// A listed file that has lost its audio is not written, and the run says so.
TEST_F(ToolRulesTest, AFileWithoutAudioIsNamedInTheEndMessage) {
    const std::string gone = Make("A - Eins.mp3", kId3v1, kId3v2);
    Make("B - Zwei.mp3", kId3v1, kId3v2);
    Scan(1);
    WriteMp3(gone, kId3v2, std::string(3000, '\0'), kId3v1);
    const std::string before = ReadFileBytes(gone);
    const QString expected = QString::fromStdString(std::string(kNotSavedHeading) + "\n" + gone);
    const std::function<void()> runs[] = {
        [this] { RunConversion(); },
        [this] { RunTransfer(l2nachL1_, &TForm1::Level2Level11Click); },
        [this] { RunTransfer(l1nachL2_, &TForm1::Level1Level21Click); },
    };
    for (const auto& run : runs) {
        SelectFiles({"A - Eins.mp3", "B - Zwei.mp3"});
        messages_.clear();
        run();
        ASSERT_EQ(messages_.size(), 1u);
        // A transfer names the fields B kept in a section of its own behind.
        EXPECT_EQ(messages_[0].section(QStringLiteral("\n\n"), 0, 0), expected);
        EXPECT_EQ(ReadFileBytes(gone), before);
    }
}

}  // namespace

namespace {

// Not a check: writes the list with names and tags in several scripts, and an
// end message, as PNGs when TZ_SCREENSHOT names the list's file (the message
// goes beside it with "-message" added). Run under Xvfb for the real look.
TEST_F(ToolRulesTest, Screenshot) {
    const QString out = qEnvironmentVariable("TZ_SCREENSHOT");
    if (out.isEmpty()) GTEST_SKIP() << "set TZ_SCREENSHOT to write a screenshot";
    const auto utf16 = [](std::u16string_view text) {
        std::string out = "\x01\xFF\xFE";
        for (char16_t u : text) out += {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
        return out;
    };
    Make("Кино - Звезда по имени Солнце.mp3", "",
         MakeId3v2Tag({{"TPE1", utf16(u"Кино")},
                       {"TIT2", utf16(u"Звезда по имени Солнце")},
                       {"TALB", utf16(u"Звезда по имени Солнце")},
                       {"TYER", TextFrameData("1989")}}));
    Make("東京事変 - 群青日和.mp3", "",
         MakeId3v2Tag({{"TPE1", "\x03東京事変"},
                       {"TIT2", "\x03群青日和"},
                       {"TDRC",
                        "\x03"
                        "2004"}},
                      4));
    WriteMp3(dir_.File("M\xE4"
                       "dchen - Lied.mp3"),
             MakeId3v2Tag({{"TPE1", TextFrameData("M\xE4"
                                                  "dchen")},
                           {"TIT2", TextFrameData("Lied")},
                           {"COMM", "\0deu\0F\xFCr Elise"s}}),
             MakeCbrAudio(11, 0.5), "");
    Scan(2);
    form_->resize(1100, 300);
    form_->show();
    SelectRows({1});
    QCursor::setPos(0, 0);
    QApplication::processEvents();
    ASSERT_TRUE(form_->grab().save(out));

    // The real message box of a transfer that met a file without an ID3v2 tag,
    // one that has lost its audio and one whose ID3v1 tag holds more.
    Make("Ohne - Tag.mp3", MakeId3v1Tag("T", "A", "", "", "", 0, 1));
    const std::string broken = Make("Kaputt - Datei.mp3", "", kId3v2);
    Make("Beide - Tags.mp3", MakeId3v1Tag("Titel", "Band", "Album", "1999", "Notiz", 0, 17),
         MakeId3v2Tag({{"TIT2", TextFrameData("Titel")}, {"TCON", TextFrameData("Krautrock")}}));
    Scan(1);
    WriteMp3(broken, kId3v2, std::string(3000, '\0'), "");
    SelectRows({0, 1, 2, 3, 4, 5});
    const MessageBoxHook previous = SetMessageBoxHook({});
    bool grabbed = false;
    QTimer::singleShot(300, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                QString name = out;
                name.insert(name.lastIndexOf(QLatin1Char('.')), QStringLiteral("-message"));
                grabbed = box->grab().save(name);
                box->accept();
            }
        }
    });
    RunTransfer(l2nachL1_, &TForm1::Level2Level11Click);
    SetMessageBoxHook(previous);
    EXPECT_TRUE(grabbed);
}

}  // namespace
