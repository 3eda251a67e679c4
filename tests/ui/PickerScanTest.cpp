// A scan started from a folder chosen in the drop-down tree, by keys and by
// mouse, against tonzettel-cli scan of the same folder.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QToolButton>
#include <filesystem>
#include <memory>

#include "picker/DirTreeCombo.h"
#include "scan/FileRow.h"
#include "support/Mp3Builder.h"
#include "support/TempDir.h"
#include "ui/FileListModel.h"
#include "ui/MessageBox.h"
#include "ui/Unit1.h"

namespace fs = std::filesystem;

namespace {

class QtEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "test_ui_PickerScanTest";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
        // Closing the window writes the settings file; keep that away from the user's.
        QStandardPaths::setTestModeEnabled(true);
        InstallTagMessageHandler();
    }
    void TearDown() override { app_.reset(); }

  private:
    std::unique_ptr<QApplication> app_;
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

QString Q(const fs::path& path) {
    return QFile::decodeName(path.string().c_str());
}

QString CliPath() {
    const QString fromEnv = qEnvironmentVariable("TZ_CLI");
    return fromEnv.isEmpty() ? QStringLiteral(TZ_BINARY_DIR "/bin/tonzettel-cli") : fromEnv;
}

// Undoes the CLI's escaping of tabs, line ends and backslashes.
QString Unescape(const QString& cell) {
    QString out;
    for (qsizetype i = 0; i < cell.size(); ++i) {
        if (cell[i] == u'\\' && i + 1 < cell.size()) {
            const QChar next = cell[++i];
            out += next == u't' ? QChar(u'\t') : next == u'n' ? QChar(u'\n') : next;
        } else {
            out += cell[i];
        }
    }
    return out;
}

std::string V1(const std::string& title) {
    return MakeId3v1Tag(title, "Interpret", "Album", "2004", "Kommentar", 1, 17);
}
std::string V2(const std::string& title) {
    return MakeId3v2Tag({{"TIT2", TextFrameData(title)}, {"TPE1", TextFrameData("K\xFCnstler")}});
}

// Music in two folders; only the chosen one may turn up in the list.
void MakeTree(const fs::path& root) {
    fs::create_directories(root / "Musik" / "Rock");
    fs::create_directories(root / "Musik" / "Jazz");
    fs::create_directories(root / "Andere");
    WriteMp3((root / "Musik" / "eins.mp3").string(), V2("Eins"), MakeCbrAudio(9, 1.0), V1("Eins"));
    WriteMp3((root / "Musik" / "Rock" / "zwei.MP3").string(), "", MakeCbrAudio(11, 1.5),
             V1("Zwei"));
    WriteMp3((root / "Musik" / "Jazz" / "drei.mp3").string(), V2("Drei"), MakeCbrAudio(13, 1.0),
             "");
    WriteMp3((root / "Musik" / "kaputt.mp3").string(), "", std::string(2000, '\0'), V1("K"));
    WriteMp3((root / "Andere" / "fremd.mp3").string(), "", MakeCbrAudio(9, 1.0), V1("Fremd"));
}

QTreeWidgetItem* Child(QTreeWidgetItem* node, const QString& text) {
    for (int i = 0; i < node->childCount(); ++i)
        if (node->child(i)->text(0) == text) return node->child(i);
    return nullptr;
}

class PickerScanTest : public ::testing::Test {
  protected:
    void SetUp() override {
        previousHook_ = SetMessageBoxHook([this](const QString& t) { messages_.push_back(t); });
        MakeTree(tmp_.Path());
        form_ = std::make_unique<TForm1>();
        form_->FormCreate();
        form_->show();
        combo_ = form_->findChild<TDirTreeCombo*>(QStringLiteral("DirCombo1"));
        ASSERT_NE(combo_, nullptr);
        // The generated tree is the only volume, whatever is mounted here.
        combo_->RebuildTree({{Q(tmp_.Path()), "Test", "ext4"}}, QString());
        combo_->SetReadyProbe([](const QString&) { return true; });
    }
    void TearDown() override {
        form_.reset();
        SetMessageBoxHook(previousHook_);
    }

    TempDir tmp_;
    std::unique_ptr<TForm1> form_;
    TDirTreeCombo* combo_ = nullptr;
    std::vector<QString> messages_;
    MessageBoxHook previousHook_;
};

TEST_F(PickerScanTest, ScanOfAFolderChosenInTheTreeMatchesTheCommandLineTool) {
    const QString cli = CliPath();
    if (!QFile::exists(cli)) GTEST_SKIP() << "tonzettel-cli not built";
    TDirTreeView* tree = combo_->Tree();

    // By keys: Computer, the volume, expand it, Andere, Musik, Enter.
    const auto chooseMusikByKeys = [&] {
        QTest::mouseClick(combo_->Button(), Qt::LeftButton);
        EXPECT_TRUE(combo_->TreeShown());
        for (Qt::Key key :
             {Qt::Key_Down, Qt::Key_Right, Qt::Key_Down, Qt::Key_Down, Qt::Key_Return})
            QTest::keyClick(tree, key);
    };
    // By mouse: expand Musik with Right, then click Rock.
    const auto chooseRockByClick = [&] {
        QTest::mouseClick(combo_->Button(), Qt::LeftButton);
        QTreeWidgetItem* musik = Child(tree->Root()->child(0), "Musik");
        ASSERT_NE(musik, nullptr);
        tree->setCurrentItem(musik);
        QTest::keyClick(tree, Qt::Key_Right);
        QTreeWidgetItem* rock = Child(musik, "Rock");
        ASSERT_NE(rock, nullptr);
        tree->scrollToItem(rock);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                          tree->visualItemRect(rock).center());
    };
    const struct {
        const char* how;
        std::function<void()> choose;
        fs::path folder;
        int rows;
    } cases[] = {
        {"keys", chooseMusikByKeys, tmp_.Path() / "Musik", 3},
        {"click", chooseRockByClick, tmp_.Path() / "Musik" / "Rock", 1},
    };

    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        c.choose();
        EXPECT_FALSE(combo_->TreeShown());
        ASSERT_EQ(combo_->SelectedPath(), Q(c.folder));
        for (const int level : {1, 2}) {
            SCOPED_TRACE(level);
            level == 1 ? form_->ScannenID3Level11Click() : form_->ScannenID3Level21Click();
            form_->ScannenButtonClick();

            QProcess process;
            process.start(cli, {QStringLiteral("scan"), QStringLiteral("--level"),
                                QString::number(level), Q(c.folder)});
            ASSERT_TRUE(process.waitForFinished(30000));
            const QStringList lines =
                QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
            const QStringList status =
                QString::fromUtf8(process.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts);

            const FileListModel& model = *form_->Model();
            ASSERT_EQ(model.RowCount(), c.rows);
            ASSERT_EQ(model.RowCount(), lines.size());
            for (int r = 0; r < model.RowCount(); ++r) {
                const QStringList fields = lines[r].split(u'\t');
                ASSERT_EQ(fields.size(), 1 + ColumnCount) << lines[r].toStdString();
                EXPECT_EQ(QString::number(model.Row(r).ImageIndex), fields[0]);
                for (int col = 0; col < ColumnCount; ++col)
                    EXPECT_EQ(model.Cell(r, col), Unescape(fields[col + 1]))
                        << "row " << r << " col " << col;
            }
            ASSERT_GE(status.size(), 2);
            EXPECT_EQ(form_->StatusText(0), status[status.size() - 2]);
            EXPECT_EQ(form_->StatusText(1), status.back());
        }
    }
    EXPECT_TRUE(messages_.empty());
}

TEST_F(PickerScanTest, ScanOfTheChosenRootListsNothing) {
    TDirTreeView* tree = combo_->Tree();
    combo_->ToggleDropDown();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                      tree->visualItemRect(tree->Root()).center());
    ASSERT_EQ(combo_->SelectedPath(), QStringLiteral("Drives"));
    form_->ScannenButtonClick();
    EXPECT_EQ(form_->Model()->RowCount(), 0);
    EXPECT_EQ(form_->StatusText(1), QStringLiteral("0 MP3-Dateien gefunden"));
}

}  // namespace
