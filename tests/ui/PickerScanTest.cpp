// A scan started from a folder chosen in the drop-down tree, by keys and by
// mouse, against tonzettel-cli scan of the same folder.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <QTest>
#include <QToolButton>
#include <filesystem>
#include <functional>

#include "ops/Reasons.h"
#include "support/ui/FormTest.h"

namespace fs = std::filesystem;

namespace {

const auto* const kEnvironment = AddWindowTestEnvironment("test_ui_PickerScanTest");

QString Q(const fs::path& path) {
    return QFile::decodeName(path.string().c_str());
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

class PickerScanTest : public FormTest {
  protected:
    void SetUp() override {
        MakeTree(tmp_.Path());
        // The generated tree is the only volume, whatever is mounted here;
        // in place before the window is built.
        volumes_ = {{Q(tmp_.Path()), "Test", "ext4"}};
        previousTable_ = TDirTreeCombo::SetMountTable([this] { return volumes_; });
        previousProbe_ = TDirTreeCombo::SetReadyProbe([this](const QString& path) {
            probed_ << path;
            return true;
        });
        FormTest::SetUp();
        form_->show();
        combo_ = form_->findChild<TDirTreeCombo*>(QStringLiteral("DirCombo1"));
        ASSERT_NE(combo_, nullptr);
        combo_->SetHomePath(QString());
    }
    void TearDown() override {
        FormTest::TearDown();
        TDirTreeCombo::SetMountTable(previousTable_);
        TDirTreeCombo::SetReadyProbe(previousProbe_);
    }

    TempDir tmp_;
    QList<TDirVolume> volumes_;
    QStringList probed_;
    TDirTreeCombo::MountTable previousTable_;
    TDirTreeCombo::ReadyProbe previousProbe_;
    TDirTreeCombo* combo_ = nullptr;
};

TEST_F(PickerScanTest, ScanOfAFolderChosenInTheTreeMatchesTheCommandLineTool) {
    if (!QFile::exists(QFile::decodeName(CliPath().c_str())))
        GTEST_SKIP() << "tonzettel-cli not built";
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

            ASSERT_EQ(form_->Model()->RowCount(), c.rows);
            ASSERT_NO_FATAL_FAILURE(ExpectListAsCliScan(level, Q(c.folder)));
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
    EXPECT_EQ(form_->StatusText(1), QString::fromStdString(FoundCountText(0)));
}

TEST_F(PickerScanTest, NetworkVolumesAreNeverAskedAnything) {
    // Their servers are gone: any question to them would block.
    volumes_ = {{"/mnt/nas", "musik", "nfs4"},
                {"/mnt/share", "share", "cifs"},
                {"/mnt/fern", "u@host:", "fuse.sshfs"},
                {Q(tmp_.Path()), "Test", "ext4"}};
    probed_.clear();
    TForm1 form;
    form.FormCreate();
    form.show();
    TDirTreeCombo* combo = form.DirCombo();
    combo->SetHomePath(QString());
    EXPECT_TRUE(probed_.isEmpty());

    TDirTreeView* tree = combo->Tree();
    for (const TDirVolume& volume : volumes_) {
        combo->ToggleDropDown();
        QTreeWidgetItem* node = Child(tree->Root(), " (" + volume.MountPath + ")  " + volume.Name);
        ASSERT_NE(node, nullptr) << volume.MountPath.toStdString();
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                          tree->visualItemRect(node).center());
        EXPECT_EQ(combo->SelectedPath(), volume.MountPath);
    }
    // Only the local volume was asked whether it is ready.
    EXPECT_EQ(probed_, QStringList({Q(tmp_.Path())}));
    EXPECT_TRUE(messages_.empty());
}

TEST_F(PickerScanTest, AClickOutsideTheTreeOnTheScanButtonOnlyClosesIt) {
    combo_->SetSelectedPath(Q(tmp_.Path() / "Musik"));
    const auto* scan = form_->findChild<QToolButton*>(QStringLiteral("ScannenButton"));
    ASSERT_NE(scan, nullptr);
    const QPoint at = scan->mapTo(form_.get(), QPoint(20, scan->height() / 2));
    // Through the window system's road, where a press that closes a popup can
    // be passed on to the widget below it.
    const auto click = [&] {
        QTest::mousePress(form_->windowHandle(), Qt::LeftButton, {}, at);
        QApplication::processEvents();
        QTest::mouseRelease(form_->windowHandle(), Qt::LeftButton, {}, at);
        QApplication::processEvents();
    };
    combo_->ToggleDropDown();
    click();
    EXPECT_FALSE(combo_->TreeShown());
    EXPECT_EQ(form_->Model()->RowCount(), 0);
    // The same click with the tree closed scans: it did aim at the button.
    click();
    EXPECT_EQ(form_->Model()->RowCount(), 3);
}

// Not a check: writes the window with the tree dropped down, once as it
// opens and once opened into folders with umlauts, as a PNG when
// TZ_SCREENSHOT names the file (run under Xvfb for the real look).
TEST_F(PickerScanTest, Screenshot) {
    const QString out = qEnvironmentVariable("TZ_SCREENSHOT");
    if (out.isEmpty()) GTEST_SKIP() << "set TZ_SCREENSHOT to write a screenshot";
    const fs::path home = tmp_.Path() / "home";
    for (const char* name : {"Arzt", "\xC3\x84rzte", "H\xC3\xB6rspiele", "\xC3\x96l", "Ost",
                             "Stra\xC3\x9F"
                             "enmusik",
                             "\xC3\x9C"
                             "bungen",
                             "Zeta"})
        fs::create_directories(home / "Musik" / name);
    fs::create_directories(home / "Musik" / "H\xC3\xB6rspiele" / "M\xC3\xA4rchen");
    for (const char* name : {"Bilder", "Dokumente", "Downloads"})
        fs::create_directories(home / name);
    volumes_ = {{"/", "vda", "ext4"},
                {"/media/tonzettel/MUSIKSTICK", "MUSIKSTICK", "vfat"},
                {"/mnt/nas", "musik", "nfs4"}};
    combo_->SetHomePath(Q(home));
    form_->resize(900, 560);
    QApplication::processEvents();

    const auto shot = [&] {
        combo_->ToggleDropDown();
        QApplication::processEvents();
        QPixmap pixmap = form_->grab();
        QPainter painter(&pixmap);
        QWidget* popup = combo_->Tree()->window();
        painter.drawPixmap(popup->pos() - form_->mapToGlobal(QPoint(0, 0)), popup->grab());
        combo_->HideTree();
        return pixmap;
    };
    const QPixmap first = shot();
    TDirTreeView* tree = combo_->Tree();
    QTreeWidgetItem* musik = tree->OpenDownTo(Q(home / "Musik" / "H\xC3\xB6rspiele"));
    combo_->ChooseNode(musik);
    tree->setCurrentItem(Child(musik->parent(), QString::fromUtf8("\xC3\x84rzte")));
    const QPixmap second = shot();

    QPixmap both(first.width() + second.width(), std::max(first.height(), second.height()));
    both.fill(Qt::white);
    QPainter painter(&both);
    painter.drawPixmap(0, 0, first);
    painter.drawPixmap(first.width(), 0, second);
    painter.end();
    ASSERT_TRUE(both.save(out));
}

}  // namespace
