// "Cover": the pictures of the selected rows, each run one step of the history.

#include "ui/Unit12.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QMenu>

#include "ops/Reasons.h"
#include "support/TestImages.h"
#include "support/ui/FormTest.h"
#include "tags/Pictures.h"

namespace {

[[maybe_unused]] auto* const kEnvironment = AddWindowTestEnvironment("test_ui_Unit12Test");

class Unit12Test : public FolderFormTest {
  protected:
    void SetUp() override {
        FolderFormTest::SetUp();
        dialog_ = UseDialog<TCover>(&TForm1Dialogs::Cover);
        const std::string back = std::string("\0image/png\0\x04", 12) +
                                 "R\xFC"
                                 "ckseite" +
                                 '\0' + MakeImage(40, 30, "PNG");
        Make("a.mp3", "", MakeId3v2Tag({{"TIT2", TextFrameData("Eins")}, {"APIC", back}}, 3, 64));
        Make("b.mp3", MakeId3v1Tag("Zwei", "Band", "", "", "", 2, 17));
        image_ = dir_.File("neu.jpg");
        WriteFileBytes(image_, MakeImage(120, 90));
        ChooseFile(image_);
        Scan(1);
        SelectFiles({"a.mp3", "b.mp3"});
    }
    std::vector<int> Types(const std::string& name) {
        std::vector<int> types;
        const auto pictures = id3v2::ReadPictures(dir_.File(name), false);
        for (const auto& p : pictures.value_or(std::vector<id3v2::Picture>{}))
            types.push_back(p.Type);
        return types;
    }

    TCover* dialog_ = nullptr;  // owned by the window
    std::string image_;
};

// The entry opens on a selection; the thumbnails show the current row's
// pictures; a load puts the front cover into every selected file, and undo
// and redo take the run back and forth byte for byte.
TEST_F(Unit12Test, LoadAFrontCoverIntoTheSelectionAndTakeItBack) {
    auto* entry = form_->findChild<QAction*>(QStringLiteral("Cover1"));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->text(), QStringLiteral("Cover …"));
    EXPECT_TRUE(entry->isEnabled());

    dialog_->FormShow();
    ASSERT_EQ(dialog_->Thumbnails()->count(), 1);
    EXPECT_TRUE(dialog_->Thumbnails()->item(0)->text().startsWith(
        QStringLiteral("Rückseite\nimage/png\n40 × 30 Pixel")));
    EXPECT_FALSE(dialog_->Thumbnails()->item(0)->icon().isNull());

    const std::string a = ReadFileBytes(dir_.File("a.mp3")), b = ReadFileBytes(dir_.File("b.mp3"));
    dialog_->ButtonLadenClick();
    EXPECT_EQ(Types("a.mp3"), (std::vector<int>{4, 3}));
    EXPECT_EQ(Types("b.mp3"), (std::vector<int>{3}));
    EXPECT_EQ(dialog_->Thumbnails()->count(), 2);
    EXPECT_TRUE(messages_.empty());
    const std::string a2 = ReadFileBytes(dir_.File("a.mp3")),
                      b2 = ReadFileBytes(dir_.File("b.mp3"));

    form_->Rueckgaengig1Click();
    EXPECT_TRUE(ReadFileBytes(dir_.File("a.mp3")) == a);
    EXPECT_TRUE(ReadFileBytes(dir_.File("b.mp3")) == b);
    form_->Wiederherstellen1Click();
    EXPECT_TRUE(ReadFileBytes(dir_.File("a.mp3")) == a2);
    EXPECT_TRUE(ReadFileBytes(dir_.File("b.mp3")) == b2);
}

// Removing one type leaves a file without it alone and says so once.
TEST_F(Unit12Test, RemoveNamesTheFilesLeftAsTheyWere) {
    dialog_->FormShow();
    dialog_->SetTypeIndex(4);
    dialog_->ButtonEntfernenClick();
    EXPECT_TRUE(Types("a.mp3").empty());
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].toStdString(), std::string(kUnchangedHeading) + "\n" +
                                              dir_.File("b.mp3") + ": " +
                                              CoverSkipText(CoverSkip::NoPicture));
}

TEST_F(Unit12Test, Screenshot) {
    const QString out = qEnvironmentVariable("TZ_SCREENSHOT_DIR");
    if (out.isEmpty()) GTEST_SKIP() << "set TZ_SCREENSHOT_DIR to write a screenshot";
    dialog_->ButtonLadenClick();
    dialog_->show();
    QApplication::processEvents();
    ASSERT_TRUE(dialog_->grab().save(out + QStringLiteral("/cover.png")));
    dialog_->hide();
}

}  // namespace
