// "Exportieren …" and "Importieren": the rows as a sheet, and the tags back
// from it with a preview, one step of the history.

#include "ui/Unit13.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTreeWidget>

#include "ops/Reasons.h"
#include "support/ui/FormTest.h"

namespace {

[[maybe_unused]] auto* const kEnvironment = AddWindowTestEnvironment("test_ui_Unit13Test");

class Unit13Test : public FolderFormTest {
  protected:
    void SetUp() override {
        FolderFormTest::SetUp();
        dialog_ = UseDialog<TImportieren>(&TForm1Dialogs::Importieren);
        Make("a.mp3", MakeId3v1Tag("Eins", "Band", "Alt", "2000", "", 1, 17));
        Make("b.mp3", MakeId3v1Tag("Zwei", "Band", "Alt", "2000", "", 2, 17));
        sheet_ = dir_.File("liste.csv");
        ChooseFile(sheet_);
        Scan(1);
    }
    TImportieren* dialog_ = nullptr;
    std::string sheet_;
};

// All rows go out when none is selected; the sheet edited; the preview
// shows old -> new; the import writes it, the rows follow, and undo and
// redo take it back and forth byte for byte.
TEST_F(Unit13Test, ExportEditImportAndTakeItBack) {
    SelectRows({});
    form_->Exportieren1Click();
    std::string text = ReadFileBytes(sheet_);
    ASSERT_TRUE(text.starts_with("\xEF\xBB\xBFPfad;Datei;ID3 Interpret;"));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
    // The spreadsheet: b.mp3's album and year changed.
    const size_t b = text.find("b.mp3;Band;Alt;Zwei;2000");
    ASSERT_NE(b, std::string::npos);
    text.replace(b, 24, "b.mp3;Band;Neu;Zwei;1999");
    WriteFileBytes(sheet_, text);

    const std::string before = ReadFileBytes(dir_.File("b.mp3"));
    dialog_->ButtonLadenClick();
    // a.mp3 stays; b.mp3's two fields change.
    ASSERT_EQ(dialog_->Preview()->topLevelItemCount(), 3);
    EXPECT_EQ(dialog_->Preview()->topLevelItem(0)->text(3), QStringLiteral("unverändert"));
    EXPECT_EQ(dialog_->Preview()->topLevelItem(1)->text(1), QStringLiteral("Album"));
    EXPECT_EQ(dialog_->Preview()->topLevelItem(1)->text(3), QStringLiteral("Neu"));
    EXPECT_EQ(dialog_->Preview()->topLevelItem(2)->text(2), QStringLiteral("2000"));
    dialog_->ButtonImportierenClick();
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(LastBlock(dir_.File("b.mp3")),
              MakeId3v1Tag("Zwei", "Band", "Neu", "1999", "", 2, 17));
    EXPECT_EQ(Row("b.mp3").Cells[ColJahr], QStringLiteral("1999"));
    const std::string after = ReadFileBytes(dir_.File("b.mp3"));

    form_->Rueckgaengig1Click();
    EXPECT_TRUE(ReadFileBytes(dir_.File("b.mp3")) == before);
    EXPECT_EQ(Row("b.mp3").Cells[ColJahr], QStringLiteral("2000"));
    form_->Wiederherstellen1Click();
    EXPECT_TRUE(ReadFileBytes(dir_.File("b.mp3")) == after);
}

// An export the disk refuses is said, and leaves no file behind.
TEST_F(Unit13Test, AnExportThatCannotBeWrittenIsSaid) {
    const std::string nowhere = dir_.File("fehlt/liste.csv");
    ChooseFile(nowhere);
    form_->Exportieren1Click();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].toStdString(), CannotWriteText(nowhere));
    EXPECT_FALSE(std::filesystem::exists(nowhere));
}

TEST_F(Unit13Test, Screenshot) {
    const QString out = qEnvironmentVariable("TZ_SCREENSHOT_DIR");
    if (out.isEmpty()) GTEST_SKIP() << "set TZ_SCREENSHOT_DIR to write a screenshot";
    SelectRows({});
    form_->Exportieren1Click();
    std::string text = ReadFileBytes(sheet_);
    text.replace(text.find("b.mp3;Band;Alt;Zwei;2000"), 24, "b.mp3;Band;Neu;Zwei;1999");
    text += "/nirgends/;weg.mp3;Band;;;;;;;;;;;;\r\n";
    WriteFileBytes(sheet_, text);
    dialog_->ButtonLadenClick();
    dialog_->show();
    QApplication::processEvents();
    ASSERT_TRUE(dialog_->grab().save(out + QStringLiteral("/importieren.png")));
    dialog_->hide();
}

}  // namespace
