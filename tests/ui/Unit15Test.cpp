// "ID3v2-Version": the conversion of the selection, the rows, the end
// message, and the undo.

#include "ui/Unit15.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>

#include "ops/Reasons.h"
#include "ops/VersionOps.h"
#include "support/ui/FormTest.h"

namespace {

using namespace std::string_literals;

[[maybe_unused]] auto* const kEnvironment = AddWindowTestEnvironment("test_ui_Unit15Test");

class Unit15Test : public FolderFormTest {
  protected:
    void SetUp() override {
        FolderFormTest::SetUp();
        dialog_ = UseDialog<TVersion>(&TForm1Dialogs::Version);
        Make("a.mp3", "",
             MakeId3v2Tag({{"TIT2",
                            "\x03"
                            "Zwei"s},
                           {"TCON", TextFrameData("17\0Jazz"s)},
                           {"TDRC", TextFrameData("1989-05-17T10:11:12")}},
                          4, 512));
        Make("b.mp3", "", MakeId3v2Tag({{"TIT2", TextFrameData("Drei")}}, 3, 512));
        Scan(2);
        SelectFiles({"a.mp3", "b.mp3"});
    }
    TVersion* dialog_ = nullptr;
};

TEST_F(Unit15Test, ConvertTheSelectionNameWhatStaysAndTakeItBack) {
    EXPECT_EQ(Row("a.mp3").Cells[ColGenre], QStringLiteral("Rock / Jazz"));
    dialog_->SetRadioGroup1ItemIndex(0);
    dialog_->FormShow();
    EXPECT_EQ(dialog_->Info(), QStringLiteral("Das ID3v2-Tag von 2 Dateien wird umgewandelt; "
                                              "jeder Frame bleibt. \"Rückgängig\" nimmt es "
                                              "zurück."));
    const std::string before = ReadFileBytes(dir_.File("a.mp3"));
    dialog_->SpeedButton1Click();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].toStdString(),
              ConvertedText(1, 3) + "\n\n" + std::string(kUnchangedHeading) + "\n" +
                  dir_.File("b.mp3") + ": " + VersionSkipText(VersionSkip::Already, 3) + "\n\n" +
                  std::string(kLostFramesHeading) + "\n" + dir_.File("a.mp3") + ": " +
                  LossesText({{"TDRC", id3v2::LossKind::Precision}}));
    EXPECT_EQ(ReadFileBytes(dir_.File("a.mp3"))[3], 3);
    EXPECT_EQ(Row("a.mp3").Cells[ColGenre], QStringLiteral("Rock/Jazz"));
    form_->Rueckgaengig1Click();
    EXPECT_TRUE(ReadFileBytes(dir_.File("a.mp3")) == before);
}

TEST_F(Unit15Test, Screenshot) {
    const QString out = qEnvironmentVariable("TZ_SCREENSHOT_DIR");
    if (out.isEmpty()) GTEST_SKIP() << "set TZ_SCREENSHOT_DIR to write a screenshot";
    dialog_->CheckBox1()->setChecked(true);
    dialog_->show();
    QApplication::processEvents();
    ASSERT_TRUE(dialog_->grab().save(out + QStringLiteral("/id3v2-version.png")));
    dialog_->hide();
}

}  // namespace
