#pragma once

// Tests of the main window and the dialogs it opens: the Qt environment, a
// TForm1 whose message boxes are recorded, and its list filled by a scan.

#include <gtest/gtest.h>

#include <QFile>
#include <QItemSelectionModel>
#include <QProcess>
#include <QStandardPaths>
#include <QTreeView>
#include <memory>
#include <string>
#include <vector>

#include "picker/DirTreeCombo.h"
#include "scan/FileRow.h"
#include "support/Cli.h"
#include "support/Mp3Builder.h"
#include "support/TempDir.h"
#include "support/ui/QtEnvironment.h"
#include "ui/FileChooser.h"
#include "ui/FileListModel.h"
#include "ui/MessageBox.h"
#include "ui/Unit1.h"

// Registers the Qt environment of a window test program.
inline ::testing::Environment* AddWindowTestEnvironment(const char* name) {
    return ::testing::AddGlobalTestEnvironment(new QtEnvironment(name, [] {
        // Closing a window writes the settings file; keep that away from the user's.
        QStandardPaths::setTestModeEnabled(true);
        InstallTagMessageHandler();
    }));
}

// Undoes the CLI's escaping of tabs, line ends and backslashes.
inline QString UnescapeCliCell(const QString& cell) {
    QString out;
    for (qsizetype i = 0; i < cell.size(); ++i) {
        if (cell[i] == u'\\' && i + 1 < cell.size()) {
            const QChar next = cell[++i];
            out += next == u't'   ? QChar(u'\t')
                   : next == u'n' ? QChar(u'\n')
                   : next == u'r' ? QChar(u'\r')
                                  : next;
        } else {
            out += cell[i];
        }
    }
    return out;
}

class FormTest : public ::testing::Test {
  protected:
    void SetUp() override {
        previousHook_ =
            SetMessageBoxHook([this](const QString& text) { messages_.push_back(text); });
        form_ = std::make_unique<TForm1>();
        form_->FormCreate();
    }
    void TearDown() override {
        form_.reset();
        SetMessageBoxHook(previousHook_);
    }

    // A scan of folder started with the scan button.
    void ScanFolder(const std::string& folder) {
        form_->DirCombo()->SetSelectedPath(QFile::decodeName(folder.c_str()));
        form_->ScannenButtonClick();
    }
    // Selects exactly these rows.
    void SelectRows(const std::vector<int>& rows) {
        QItemSelectionModel* selection = form_->ListView()->selectionModel();
        selection->clearSelection();
        for (int r : rows)
            selection->select(form_->Model()->index(r, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    // The list's rows and the two status texts are what tonzettel-cli scan
    // prints for folder at the level.
    void ExpectListAsCliScan(int level, const QString& folder) {
        QProcess process;
        process.start(
            QFile::decodeName(CliPath().c_str()),
            {QStringLiteral("scan"), QStringLiteral("--level"), QString::number(level), folder});
        ASSERT_TRUE(process.waitForFinished(30000));
        const QStringList lines =
            QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        const QStringList status =
            QString::fromUtf8(process.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts);

        const FileListModel& model = *form_->Model();
        ASSERT_EQ(model.RowCount(), lines.size());
        for (int r = 0; r < model.RowCount(); ++r) {
            const QStringList fields = lines[r].split(u'\t');
            ASSERT_EQ(fields.size(), 1 + ColumnCount) << lines[r].toStdString();
            EXPECT_EQ(QString::number(model.Row(r).ImageIndex), fields[0]);
            for (int c = 0; c < ColumnCount; ++c)
                EXPECT_EQ(model.Cell(r, c), UnescapeCliCell(fields[c + 1]))
                    << "row " << r << " col " << c;
        }
        ASSERT_GE(status.size(), 2);
        EXPECT_EQ(form_->StatusText(0), status[status.size() - 2]);
        EXPECT_EQ(form_->StatusText(1), status.back());
    }

    std::unique_ptr<TForm1> form_;
    std::vector<QString> messages_;
    MessageBoxHook previousHook_;
};

// The window on MP3 files made in a folder of the test.
class FolderFormTest : public FormTest {
  protected:
    void TearDown() override {
        if (choosing_) SetFileChooser(previousChooser_);
        FormTest::TearDown();
    }
    // The window opens this dialog of the test's: a new Dialog in the slot.
    template <typename Dialog>
    Dialog* UseDialog(QDialog* TForm1Dialogs::*slot) {
        auto* dialog = new Dialog(form_.get());
        TForm1Dialogs dialogs;
        dialogs.*slot = dialog;
        form_->SetDialogs(dialogs);
        return dialog;
    }
    // Every file a dialog asks for is path, until the test ends.
    void ChooseFile(const std::string& path) {
        chosen_ = path;
        if (choosing_) return;
        choosing_ = true;
        previousChooser_ = SetFileChooser(
            [this](bool, const QString&) { return QString::fromStdString(chosen_); });
    }
    // Writes half a second of audio between the tags; returns the path.
    std::string Make(const std::string& name, const std::string& id3v1,
                     const std::string& id3v2 = "") {
        const std::string path = dir_.File(name);
        WriteMp3(path, id3v2, MakeCbrAudio(9, 0.5), id3v1);
        return path;
    }
    // Scans the folder, at level 2 when asked.
    void Scan(int level) {
        if (level == 2) form_->ScannenID3Level21Click();
        ScanFolder(dir_.Path().string());
    }
    int RowOf(const std::string& name) const {
        for (int r = 0; r < form_->Model()->RowCount(); ++r)
            if (form_->Model()->Cell(r, ColDatei) == QString::fromStdString(name)) return r;
        ADD_FAILURE() << name << " not in the list";
        return -1;
    }
    // Selects exactly the rows of these file names.
    void SelectFiles(const std::vector<std::string>& names) {
        std::vector<int> rows;
        for (const auto& n : names) rows.push_back(RowOf(n));
        SelectRows(rows);
    }
    const ListRow& Row(const std::string& name) const { return form_->Model()->Row(RowOf(name)); }

    TempDir dir_;

  private:
    bool choosing_ = false;
    std::string chosen_;
    FileChooser previousChooser_;
};
