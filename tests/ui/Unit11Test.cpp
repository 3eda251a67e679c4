// "Umbenennen": file names from the tags, with a preview, and the undo.

#include "ui/Unit11.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QTreeWidget>
#include <filesystem>

#include "support/ui/FormTest.h"

namespace {

[[maybe_unused]] auto* const kEnvironment = AddWindowTestEnvironment("test_ui_Unit11Test");

namespace fs = std::filesystem;

class Unit11Test : public FolderFormTest {
  protected:
    void SetUp() override {
        FolderFormTest::SetUp();
        dialog_ = UseDialog<TUmbenennen>(&TForm1Dialogs::Umbenennen);
        Make("a.mp3", MakeId3v1Tag("Eins", "Band", "", "", "", 1, 17));
        Make("b.mp3", MakeId3v1Tag("", "Band", "", "", "", 2, 17));
        Make("Band - Drei.mp3", MakeId3v1Tag("Drei", "Band", "", "", "", 3, 17));
        Scan(1);
        SelectFiles({"a.mp3", "b.mp3", "Band - Drei.mp3"});
    }
    // The preview's rows: old name, new name, reason.
    std::vector<QStringList> Preview() const {
        std::vector<QStringList> rows;
        QTreeWidget* view = dialog_->Preview();
        for (int i = 0; i < view->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = view->topLevelItem(i);
            rows.push_back({item->text(0), item->text(1), item->text(2)});
        }
        return rows;
    }

    TUmbenennen* dialog_ = nullptr;  // owned by the window
};

TEST_F(Unit11Test, ThePreviewFollowsThePatternAndNamesWhyAFileStays) {
    auto* entry = form_->findChild<QAction*>(QStringLiteral("ID3TagsDateiname1"));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->text(), QStringLiteral("ID3Tags -> Dateiname"));
    EXPECT_TRUE(entry->isEnabled());
    const QList<QAction*> menu = form_->findChild<QMenu*>(QStringLiteral("PopupMenu1"))->actions();
    EXPECT_EQ(menu.indexOf(entry),
              menu.indexOf(form_->findChild<QAction*>(QStringLiteral("DateinameID3Tags1"))) + 1);

    dialog_->FormShow();
    EXPECT_EQ(dialog_->Pattern(), QStringLiteral("%Interpret% - %Titel%"));
    EXPECT_EQ(Preview(), (std::vector<QStringList>{
                             {"a.mp3", "Band - Eins.mp3", ""},
                             {"b.mp3", "", "Ein benötigtes Feld ist leer (Titel)"},
                             {"Band - Drei.mp3", "Band - Drei.mp3", "Der Name bliebe gleich"},
                         }));
    dialog_->SetRadioGroup1ItemIndex(1);
    dialog_->SetRadioGroup2ItemIndex(1);
    EXPECT_EQ(dialog_->Pattern(), QStringLiteral("%Titel%_%Interpret%"));
    dialog_->SetPattern(QStringLiteral("%Track% %Interpret%"));
    EXPECT_EQ(Preview()[1], (QStringList{"b.mp3", "02 Band.mp3", ""}));
}

// The run renames, the rows follow, the end message names who stayed; undo
// and redo rename back and forth, and the rows follow them too.
TEST_F(Unit11Test, RenameUndoRedoAndTheRowsFollow) {
    dialog_->FormShow();
    dialog_->SpeedButton1Click();
    EXPECT_TRUE(fs::exists(dir_.File("Band - Eins.mp3")));
    EXPECT_FALSE(fs::exists(dir_.File("a.mp3")));
    EXPECT_EQ(form_->Model()->Cell(0, ColDatei), QStringLiteral("Band - Eins.mp3"));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_TRUE(messages_[0].contains(QStringLiteral(
        "Folgende Dateien wurden nicht umbenannt (Ein benötigtes Feld ist leer (Titel)):\n")));
    EXPECT_TRUE(messages_[0].contains(QString::fromStdString(dir_.File("b.mp3"))));

    form_->Rueckgaengig1Click();
    EXPECT_TRUE(fs::exists(dir_.File("a.mp3")));
    EXPECT_EQ(form_->Model()->Cell(0, ColDatei), QStringLiteral("a.mp3"));
    EXPECT_EQ(form_->RowPath(0), dir_.File("a.mp3"));
    form_->Wiederherstellen1Click();
    EXPECT_TRUE(fs::exists(dir_.File("Band - Eins.mp3")));
    EXPECT_EQ(form_->Model()->Cell(0, ColDatei), QStringLiteral("Band - Eins.mp3"));
}

// Not a check: writes the dialog with its preview and the list's context
// menu as PNGs into TZ_SCREENSHOT_DIR (run under Xvfb for the real look).
TEST_F(Unit11Test, Screenshot) {
    const QString out = qEnvironmentVariable("TZ_SCREENSHOT_DIR");
    if (out.isEmpty()) GTEST_SKIP() << "set TZ_SCREENSHOT_DIR to write a screenshot";
    dialog_->show();
    QApplication::processEvents();
    ASSERT_TRUE(dialog_->grab().save(out + QStringLiteral("/umbenennen.png")));
    dialog_->hide();
    auto* menu = form_->findChild<QMenu*>(QStringLiteral("PopupMenu1"));
    form_->show();
    menu->popup(form_->mapToGlobal(QPoint(40, 80)));
    QApplication::processEvents();
    ASSERT_TRUE(menu->grab().save(out + QStringLiteral("/context-menu.png")));
    menu->hide();
}

}  // namespace
