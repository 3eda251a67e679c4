// "Tags entfernen": the warning, the removal, the rows, and the undo.

#include "ui/Unit14.h"

#include <gtest/gtest.h>

#include <QApplication>

#include "support/ui/FormTest.h"

namespace {

[[maybe_unused]] auto* const kEnvironment = AddWindowTestEnvironment("test_ui_Unit14Test");

class Unit14Test : public FolderFormTest {
  protected:
    void SetUp() override {
        FolderFormTest::SetUp();
        dialog_ = UseDialog<TEntfernen>(&TForm1Dialogs::Entfernen);
        for (const char* name : {"a.mp3", "b.mp3"})
            Make(name, MakeId3v1Tag("Eins", "Band", "", "", "", 1, 17),
                 MakeId3v2Tag({{"TIT2", TextFrameData("Zwei")}}, 3, 512));
        Scan(1);
        SelectFiles({"a.mp3", "b.mp3"});
    }
    TEntfernen* dialog_ = nullptr;
};

TEST_F(Unit14Test, RemoveBothTagsFromTheSelectionAndTakeItBack) {
    dialog_->SetRadioGroup1ItemIndex(2);
    EXPECT_EQ(dialog_->Warning(),
              QStringLiteral(
                  "Aus 2 Dateien werden beide Tags entfernt. \"Rückgängig\" nimmt es zurück."));
    const std::string before = ReadFileBytes(dir_.File("a.mp3"));
    dialog_->SpeedButton1Click();
    EXPECT_TRUE(messages_.empty());
    EXPECT_TRUE(ReadFileBytes(dir_.File("a.mp3")) == MakeCbrAudio(9, 0.5));
    EXPECT_EQ(Row("a.mp3").Cells[ColTitel], QString());
    form_->Rueckgaengig1Click();
    EXPECT_TRUE(ReadFileBytes(dir_.File("a.mp3")) == before);
    EXPECT_EQ(Row("a.mp3").Cells[ColTitel], QStringLiteral("Eins"));
}

TEST_F(Unit14Test, Screenshot) {
    const QString out = qEnvironmentVariable("TZ_SCREENSHOT_DIR");
    if (out.isEmpty()) GTEST_SKIP() << "set TZ_SCREENSHOT_DIR to write a screenshot";
    dialog_->show();
    QApplication::processEvents();
    ASSERT_TRUE(dialog_->grab().save(out + QStringLiteral("/tags-entfernen.png")));
    dialog_->hide();
}

}  // namespace
