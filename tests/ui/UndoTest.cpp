// "Rückgängig" and "Wiederherstellen" in the main window: the entries, the
// keys, the rows' cells, a rescan in between, and the end message.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <filesystem>
#include <functional>
#include <map>

#include "ops/Reasons.h"
#include "support/ui/FormTest.h"
#include "tags/ID3v1.h"
#include "ui/Unit10.h"
#include "ui/Unit2.h"
#include "ui/Unit4.h"
#include "ui/Unit8.h"
#include "ui/Unit9.h"

namespace fs = std::filesystem;

namespace {

[[maybe_unused]] auto* const kEnvironment = AddWindowTestEnvironment("test_ui_UndoTest");

class UndoTest : public FolderFormTest {
  protected:
    void SetUp() override {
        FolderFormTest::SetUp();
        wizard_ = new TWizard(form_.get());
        form2_ = new TForm2(form_.get());
        TForm1Dialogs dialogs;
        dialogs.Wizard = wizard_;
        dialogs.Form2 = form2_;
        form_->SetDialogs(dialogs);
        fs::create_directories(dir_.Path() / "Sub");
        for (const char* name : {"a-1.mp3", "b-2.mp3", "Sub/c-3.mp3"}) {
            const std::string path = dir_.File(name);
            WriteMp3(path,
                     MakeId3v2Tag({{"TIT2", TextFrameData("Zwei")},
                                   {"TPE1", TextFrameData("Band")},
                                   {"APIC", std::string(3000, 'p')}},
                                  3, 200),
                     MakeCbrAudio(9, 0.3), MakeId3v1Tag("Alt", "Band", "", "1999", "", 3, 8));
            paths_.push_back(path);
        }
        Scan(2);
        ASSERT_EQ(form_->Model()->RowCount(), 3);
    }
    std::map<std::string, std::string> Files() const {
        std::map<std::string, std::string> bytes;
        for (const auto& p : paths_) bytes[p] = ReadFileBytes(p);
        return bytes;
    }
    QStringList Cells(const std::string& name) const {
        QStringList cells;
        for (int c = ColInterpret; c <= ColKommentar; ++c) cells << Row(name).Cells[c];
        return cells;
    }
    QAction* Entry(const char* name) const {
        return form_->findChild<QAction*>(QString::fromLatin1(name));
    }
    // The wizard sets the album of every row.
    void RunWizard(const QString& album) {
        form_->ListView()->selectAll();
        wizard_->findChild<QCheckBox*>(QStringLiteral("CheckBoxAlbum"))->setChecked(true);
        wizard_->findChild<QLineEdit*>(QStringLiteral("EditAlbum"))->setText(album);
        wizard_->SpeedButton1Click();
    }
    void Key(int key) {
        QTest::keyClick(form_->ListView(), static_cast<Qt::Key>(key), Qt::ControlModifier);
    }

    TWizard* wizard_ = nullptr;
    TForm2* form2_ = nullptr;
    std::vector<std::string> paths_;
};

TEST_F(UndoTest, TheEntriesNameTheStepAndTheKeysTakeItBackAndRedoIt) {
    form_->show();
    form_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
    const auto* menu = form_->findChild<QMenu*>(QStringLiteral("PopupMenu1"));
    QAction* undo = Entry("Rueckgaengig1");
    QAction* redo = Entry("Wiederherstellen1");
    auto* button = form_->findChild<QToolButton*>(QStringLiteral("ButtonRueckgaengig"));
    ASSERT_TRUE(undo && redo && button);
    EXPECT_EQ(menu->actions().value(0), undo);
    EXPECT_EQ(menu->actions().value(1), redo);
    EXPECT_EQ(undo->text(), QStringLiteral("Rückgängig"));
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(redo->isEnabled());
    EXPECT_FALSE(button->isEnabled());
    // At the first-run width the button is seen whole, beside both status fields.
    ASSERT_EQ(form_->width(), 783);
    QApplication::processEvents();
    EXPECT_LE(button->geometry().right(), form_->statusBar()->width());
    EXPECT_GE(button->x(),
              form_->findChild<QWidget*>(QStringLiteral("StatusField1"))->geometry().right());
    EXPECT_EQ(button->width(), button->sizeHint().width());

    const auto before = Files();
    const QStringList cellsBefore = Cells("a-1.mp3");
    RunWizard(QStringLiteral("Neues Album"));
    form_->ListView()->clearSelection();
    SelectFiles({"b-2.mp3"});
    form2_->FormShow();
    form2_->findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(QStringLiteral("Solo"));
    form2_->SpeedButton14Click();
    const auto after = Files();
    const QStringList cellsAfter = Cells("b-2.mp3");
    EXPECT_EQ(undo->text(), QStringLiteral("Rückgängig: ID3Tag Editieren (1 Datei)"));
    EXPECT_TRUE(button->isEnabled());

    Key(Qt::Key_Z);
    EXPECT_EQ(undo->text(), QStringLiteral("Rückgängig: Wizard (3 Dateien)"));
    EXPECT_EQ(redo->text(), QStringLiteral("Wiederherstellen: ID3Tag Editieren (1 Datei)"));
    button->click();
    EXPECT_EQ(Files(), before);
    EXPECT_EQ(Cells("a-1.mp3"), cellsBefore);
    EXPECT_FALSE(undo->isEnabled());

    Key(Qt::Key_Y);
    Key(Qt::Key_Y);
    EXPECT_EQ(Files(), after);
    EXPECT_EQ(Cells("b-2.mp3"), cellsAfter);
    EXPECT_FALSE(redo->isEnabled());
    EXPECT_TRUE(messages_.empty());
}

// Every tool's run is one step under its name, and taken back, the files and
// rows are as before.
TEST_F(UndoTest, EachToolsRunIsOneStepTakenBackWhole) {
    TKonvertieren konvertieren(form_.get());
    TL1nachL2 l1nachL2(form_.get());
    TL2nachL1 l2nachL1(form_.get());
    struct Case {
        const char* label;
        std::function<void()> run;
    };
    const Case cases[] = {
        {"Wizard (3 Dateien)", [&] { RunWizard(QStringLiteral("Neu")); }},
        {"ID3Tag Editieren (1 Datei)",
         [&] {
             SelectFiles({"a-1.mp3"});
             form2_->FormShow();
             form2_->findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText("Solo");
             form2_->SpeedButton14Click();
         }},
        {"Dateiname -> ID3Tags (3 Dateien)",
         [&] {
             form_->ListView()->selectAll();
             konvertieren.SetRadioGroup1ItemIndex(0);
             konvertieren.SpeedButton1Click();
         }},
        {"ID3Tags Level 1 -> ID3Tags Level 2 (3 Dateien)",
         [&] {
             form_->ListView()->selectAll();
             l1nachL2.SpeedButton1Click();
         }},
        {"ID3Tags Level 2 -> ID3Tags Level 1 (3 Dateien)",
         [&] {
             form_->ListView()->selectAll();
             l2nachL1.SpeedButton1Click();
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const auto before = Files();
        const QStringList cells = Cells("a-1.mp3");
        c.run();
        // No file failed; a transfer names the fields its target kept.
        for (const QString& m : messages_)
            EXPECT_TRUE(m.startsWith(QStringLiteral("Folgende Dateien behalten")))
                << m.toStdString();
        messages_.clear();
        ASSERT_NE(Files(), before);
        EXPECT_EQ(Entry("Rueckgaengig1")->text(), QStringLiteral("Rückgängig: ") + c.label);
        form_->Rueckgaengig1Click();
        EXPECT_EQ(Files(), before);
        EXPECT_EQ(Cells("a-1.mp3"), cells);
    }
    EXPECT_TRUE(messages_.empty());
}

// A scan in between keeps the history; rows no longer listed are not
// touched, their files go back all the same.
TEST_F(UndoTest, UndoAfterARescanPutsBackFilesAndTheRowsStillListed) {
    const auto before = Files();
    const QStringList cellsBefore = Cells("c-3.mp3");
    RunWizard(QStringLiteral("Neues Album"));
    ScanFolder((dir_.Path() / "Sub").string());
    ASSERT_EQ(form_->Model()->RowCount(), 1);
    ASSERT_NE(Cells("c-3.mp3"), cellsBefore);

    form_->Rueckgaengig1Click();
    EXPECT_EQ(Files(), before);
    EXPECT_EQ(Cells("c-3.mp3"), cellsBefore);
    EXPECT_EQ(form_->Model()->RowCount(), 1);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(UndoTest, AFileChangedSinceIsNamedInTheEndMessage) {
    RunWizard(QStringLiteral("Neues Album"));
    TID3v1 other;
    other.SetTitle("Fremd");
    ASSERT_TRUE(other.SaveToFile(paths_[1]));
    form_->Rueckgaengig1Click();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].toStdString(),
              std::string(ChangedSinceHeading(false)) + "\n" + paths_[1]);
}

// Not a check: with TZ_UNDO_SHOTS naming a folder, writes the open context
// menu with the entry and the end message as PNG files (run under Xvfb).
TEST_F(UndoTest, Screenshots) {
    const QString out = qEnvironmentVariable("TZ_UNDO_SHOTS");
    if (out.isEmpty()) GTEST_SKIP() << "set TZ_UNDO_SHOTS to a folder to write the screenshots";
    SetMessageBoxHook({});
    form_->resize(783, 360);
    form_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
    RunWizard(QStringLiteral("Neues Album"));
    SelectFiles({"a-1.mp3"});
    auto* menu = form_->findChild<QMenu*>(QStringLiteral("PopupMenu1"));
    menu->popup(form_->mapToGlobal(QPoint(160, 120)));
    QTest::qWait(200);
    QPixmap shot = form_->screen()->grabWindow(
        0, form_->x(), form_->y(), form_->frameGeometry().width(), form_->frameGeometry().height());
    ASSERT_TRUE(shot.save(out + QStringLiteral("/undo-menu.png")));
    menu->hide();

    TID3v1 other;
    other.SetTitle("Fremd");
    ASSERT_TRUE(other.SaveToFile(paths_[1]));
    QTimer::singleShot(300, [out] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        box->grab().save(out + QStringLiteral("/undo-message.png"));
        box->close();
    });
    form_->Rueckgaengig1Click();
}

}  // namespace
