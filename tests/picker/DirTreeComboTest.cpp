#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QApplication>
#include <QFocusEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QTreeWidgetItemIterator>
#include <filesystem>

#include "picker/DirTreeCombo.h"
#include "support/TempDir.h"
#include "support/ui/QtEnvironment.h"

namespace fs = std::filesystem;

namespace {

const auto* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment("test_picker_DirTreeCombo"));

QString Q(const fs::path& path) {
    return QString::fromStdString(path.string());
}

QStringList ChildTexts(const QTreeWidgetItem* node) {
    QStringList texts;
    for (int i = 0; i < node->childCount(); ++i) texts << node->child(i)->text(0);
    return texts;
}

QTreeWidgetItem* Child(QTreeWidgetItem* node, const QString& text) {
    for (int i = 0; i < node->childCount(); ++i)
        if (node->child(i)->text(0) == text) return node->child(i);
    return nullptr;
}

// Every node with its expansion, and the selected node: what a key could change.
QStringList TreeState(QTreeWidget* tree) {
    QStringList state;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        state << (*it)->text(0) + ((*it)->isExpanded() ? " +" : "");
    state << "current: " + tree->currentItem()->text(0);
    return state;
}

// A folder tree under a temporary folder, offered as the only volume.
class DirTreeComboTest : public ::testing::Test {
  protected:
    void SetUp() override {
        previousTable_ = TDirTreeCombo::SetMountTable([this] { return volumes_; });
        previousProbe_ = TDirTreeCombo::SetReadyProbe([](const QString&) { return true; });
        root_ = tmp_.Path();
        // Created against the expected order, so a tree that kept the
        // listing or creation order would show.
        for (const char* name : {"Zeta", "c", "b", "A", ".hidden"})
            fs::create_directories(root_ / "music" / name);
        fs::create_directories(root_ / "music" / "A" / "deep");
        fs::create_directories(root_ / "onlyhidden" / ".secret");
        fs::create_directories(root_ / "empty");
        fs::create_directories(root_ / "gone" / "sub");
        UseVolumes({{Q(root_), "Test", "ext4"}}, QString());
    }
    void TearDown() override {
        TDirTreeCombo::SetMountTable(previousTable_);
        TDirTreeCombo::SetReadyProbe(previousProbe_);
    }

    void UseVolumes(const QList<TDirVolume>& volumes, const QString& home) {
        volumes_ = volumes;
        combo_.SetHomePath(home);
    }

    QTreeWidgetItem* Volume() { return combo_.Tree()->Root()->child(0); }
    QTreeWidgetItem* Open(const fs::path& folder) { return combo_.Tree()->OpenDownTo(Q(folder)); }

    TempDir tmp_;
    fs::path root_;
    QList<TDirVolume> volumes_;
    TDirTreeCombo::MountTable previousTable_;
    TDirTreeCombo::ReadyProbe previousProbe_;
    TDirTreeCombo combo_;
};

TEST_F(DirTreeComboTest, StartsAtTheRootWithNothingChosen) {
    EXPECT_EQ(combo_.SelectedPath(), QString());
    EXPECT_EQ(combo_.text(), "Computer");
    QTreeWidgetItem* root = combo_.Tree()->Root();
    EXPECT_TRUE(root->isExpanded());
    EXPECT_EQ(combo_.Tree()->NodePath(root), "Drives");
    ASSERT_EQ(root->childCount(), 1);
    EXPECT_EQ(Volume()->text(0), " (" + Q(root_) + ")  Test");
    // The volume is marked but not listed until it is expanded.
    EXPECT_EQ(Volume()->childCount(), 0);
    EXPECT_EQ(Volume()->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
}

TEST_F(DirTreeComboTest, ListsFoldersLazilyWithTheirMarks) {
    // Only folders and links to folders are nodes.
    const fs::path special = root_ / "special";
    fs::create_directories(special);
    ASSERT_EQ(mkfifo((special / "fifo").c_str(), 0600), 0);
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string sockPath = (special / "socket").string();
    ASSERT_LT(sockPath.size(), sizeof address.sun_path);
    sockPath.copy(address.sun_path, sockPath.size());
    ASSERT_EQ(bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    close(sock);
    fs::create_directory_symlink(root_ / "nowhere", special / "dead");
    fs::create_directory_symlink(root_ / "music", special / "to music");
    fs::create_directories(root_ / "onlydead");
    fs::create_directory_symlink(root_ / "nowhere", root_ / "onlydead" / "dead");

    Volume()->setExpanded(true);
    EXPECT_EQ(ChildTexts(Volume()),
              QStringList({"empty", "gone", "music", "onlydead", "onlyhidden", "special"}));
    // Children of children are not listed yet, only marked.
    const struct {
        const char* name;
        QTreeWidgetItem::ChildIndicatorPolicy mark;
    } cases[] = {
        {"music", QTreeWidgetItem::ShowIndicator},
        {"onlyhidden", QTreeWidgetItem::ShowIndicator},  // its only subfolder is hidden
        {"empty", QTreeWidgetItem::DontShowIndicator},
        {"onlydead", QTreeWidgetItem::DontShowIndicator},  // a dead link is no folder
        {"special", QTreeWidgetItem::ShowIndicator},       // the link to a folder is one
    };
    for (const auto& c : cases) {
        QTreeWidgetItem* node = Child(Volume(), c.name);
        ASSERT_NE(node, nullptr) << c.name;
        EXPECT_EQ(node->childIndicatorPolicy(), c.mark) << c.name;
        EXPECT_EQ(node->childCount(), 0) << c.name;
    }
    QTreeWidgetItem* onlyHidden = Child(Volume(), "onlyhidden");
    onlyHidden->setExpanded(true);
    EXPECT_EQ(ChildTexts(onlyHidden), QStringList({".secret"}));
    QTreeWidgetItem* specialNode = Child(Volume(), "special");
    specialNode->setExpanded(true);
    EXPECT_EQ(ChildTexts(specialNode), QStringList({"to music"}));
}

TEST_F(DirTreeComboTest, SortsChildrenAsAGermanReaderExpects) {
    const QString composed = QString::fromUtf8("\xC3\x84rzte");     // Ä as one character
    const QString decomposed = QString::fromUtf8("A\xCC\x88rzte");  // A and the diaeresis
    for (const QString& name :
         {QStringLiteral("Zeta"), QString::fromUtf8("\xC3\x96l"), QStringLiteral("Ost"), composed,
          decomposed, QStringLiteral("Arzt")})
        fs::create_directories(root_ / "deutsch" / name.toStdString());
    const struct {
        const char* folder;
        QStringList order;
    } cases[] = {
        {"music", {".hidden", "A", "b", "c", "Zeta"}},
        // The two spellings of "Ärzte" collate alike; the exact text orders them.
        {"deutsch", {"Arzt", decomposed, composed, QString::fromUtf8("\xC3\x96l"), "Ost", "Zeta"}},
    };
    for (const auto& c : cases) EXPECT_EQ(ChildTexts(Open(root_ / c.folder)), c.order) << c.folder;
}

TEST_F(DirTreeComboTest, ListsAFolderAfreshAtEachExpansion) {
    QTreeWidgetItem* music = Open(root_ / "music");
    music->setExpanded(false);
    fs::create_directories(root_ / "music" / "Neu");
    fs::remove_all(root_ / "music" / "c");
    music->setExpanded(true);
    EXPECT_EQ(ChildTexts(music), QStringList({".hidden", "A", "b", "Neu", "Zeta"}));
}

TEST_F(DirTreeComboTest, BuildsThePathOfANodeAtEachLevel) {
    TDirTreeView* tree = combo_.Tree();
    Open(root_ / "music" / "A" / "deep");
    QTreeWidgetItem* music = Child(Volume(), "music");
    QTreeWidgetItem* a = Child(music, "A");
    const struct {
        QTreeWidgetItem* node;
        fs::path path;
    } cases[] = {
        {Volume(), root_},
        {music, root_ / "music"},
        {a, root_ / "music" / "A"},
        {Child(a, "deep"), root_ / "music" / "A" / "deep"},
    };
    for (const auto& c : cases) {
        ASSERT_NE(c.node, nullptr) << c.path;
        EXPECT_EQ(tree->NodePath(c.node), Q(c.path));
    }
    EXPECT_EQ(tree->NodePath(tree->Root()), "Drives");
}

TEST_F(DirTreeComboTest, JoinsFoldersBelowTheSystemRootWithOneSeparator) {
    UseVolumes({{"/", "system", "ext4"}}, QString());
    QTreeWidgetItem* node = Open(root_ / "music" / "A");
    EXPECT_EQ(node->text(0), "A");
    EXPECT_EQ(combo_.Tree()->NodePath(node), Q(root_ / "music" / "A"));
    EXPECT_EQ(combo_.Tree()->NodePath(combo_.Tree()->Root()->child(0)), "/");
}

TEST_F(DirTreeComboTest, OpensAFolderBelowTheHomeNodeThroughIt) {
    UseVolumes({{"/", "system", "ext4"}}, Q(root_ / "music"));
    TDirTreeView* tree = combo_.Tree();
    QTreeWidgetItem* home = tree->Root()->child(0);
    EXPECT_EQ(home->text(0), "Persönlicher Ordner");
    EXPECT_EQ(tree->Root()->child(1)->text(0), " (/)  system");
    QTreeWidgetItem* deep = Open(root_ / "music" / "A" / "deep");
    EXPECT_EQ(deep->parent()->parent(), home);
    EXPECT_EQ(tree->NodePath(deep), Q(root_ / "music" / "A" / "deep"));
}

TEST_F(DirTreeComboTest, InitialDirOpensTheTreeAndChoosesTheFolder) {
    QSignalSpy spy(&combo_, &TDirTreeCombo::OnPathChange);
    const QString target = Q(root_ / "music" / "A");
    combo_.SetInitialDir(target + "/");
    EXPECT_EQ(combo_.InitialDir(), target + "/");
    EXPECT_EQ(combo_.SelectedPath(), target);
    EXPECT_EQ(combo_.text(), "A");
    EXPECT_EQ(combo_.Tree()->currentItem()->text(0), "A");
    EXPECT_TRUE(combo_.Tree()->currentItem()->isExpanded());
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).value<QObject*>(), &combo_);
    EXPECT_EQ(spy.at(0).at(1).toString(), target);

    // The same folder again, and folders that do not exist, change nothing.
    for (const QString& ignored : {target, Q(root_ / "missing"), QString()}) {
        combo_.SetInitialDir(ignored);
        EXPECT_EQ(spy.count(), 1) << ignored.toStdString();
        EXPECT_EQ(combo_.SelectedPath(), target);
    }
}

TEST_F(DirTreeComboTest, ArrowKeysMoveWithoutChoosingAndEnterChooses) {
    QSignalSpy spy(&combo_, &TDirTreeCombo::OnPathChange);
    combo_.SetSelectedPath(QString());
    TDirTreeView* tree = combo_.Tree();
    QTreeWidgetItem* music = Open(root_ / "music");
    spy.clear();

    const struct {
        Qt::Key key;
        QString current;  // text of the selected node afterwards
        bool expanded;    // whether music is expanded afterwards
    } steps[] = {
        {Qt::Key_Down, ".hidden", true}, {Qt::Key_Down, "A", true},
        {Qt::Key_Up, ".hidden", true},   {Qt::Key_Up, "music", true},
        {Qt::Key_Left, "gone", false},  // collapses music, then moves up
        {Qt::Key_Down, "music", false},  {Qt::Key_Right, "music", true},
        {Qt::Key_Up, "gone", true},
    };
    for (const auto& step : steps) {
        QTest::keyClick(&combo_, step.key);
        ASSERT_NE(tree->currentItem(), nullptr);
        EXPECT_EQ(tree->currentItem()->text(0), step.current) << step.key;
        EXPECT_EQ(music->isExpanded(), step.expanded) << step.key;
    }
    EXPECT_EQ(spy.count(), 0);
    EXPECT_EQ(combo_.SelectedPath(), QString());

    QTest::keyClick(&combo_, Qt::Key_Return);
    EXPECT_EQ(combo_.SelectedPath(), Q(root_ / "gone"));
    EXPECT_EQ(combo_.text(), "gone");
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(1).toString(), Q(root_ / "gone"));
}

TEST_F(DirTreeComboTest, LeftAndUpStopBelowTheRoot) {
    TDirTreeView* tree = combo_.Tree();
    tree->setCurrentItem(Volume());
    Volume()->setExpanded(true);
    QTest::keyClick(&combo_, Qt::Key_Left);
    EXPECT_FALSE(Volume()->isExpanded());
    EXPECT_EQ(tree->currentItem(), Volume());
    // Up may reach the root, and nothing goes above it.
    QTest::keyClick(&combo_, Qt::Key_Up);
    EXPECT_EQ(tree->currentItem(), tree->Root());
    QTest::keyClick(&combo_, Qt::Key_Up);
    EXPECT_EQ(tree->currentItem(), tree->Root());
    QTest::keyClick(&combo_, Qt::Key_Return);
    EXPECT_EQ(combo_.SelectedPath(), "Drives");
    EXPECT_EQ(combo_.text(), "Computer");
}

TEST_F(DirTreeComboTest, EachClickOnANodeChoosesItAndClosesTheTree) {
    QSignalSpy spy(&combo_, &TDirTreeCombo::OnPathChange);
    TDirTreeView* tree = combo_.Tree();
    // Deep and long names: the tree is wider than its window and scrolls sideways.
    const fs::path deep =
        root_ / "music" / "A" / "deep" / "Ein recht langer Ordnername" / "Noch ein Ordnername";
    fs::create_directories(deep);
    combo_.resize(265, 22);
    combo_.show();
    combo_.SetInitialDir(Q(deep));
    spy.clear();
    // Where on the row the user clicks, aimed at what the dropped-down tree
    // shows; the pointer comes to rest there first, as a hand's does.
    const struct {
        const char* where;
        std::function<int(const QRect& node)> x;
    } clicks[] = {
        {"on the name", [](const QRect& node) { return node.left() + 30; }},
        {"left of the marks", [](const QRect&) { return 2; }},
        {"at the right end", [&](const QRect&) { return tree->viewport()->width() - 3; }},
    };
    for (const auto& c : clicks) {
        SCOPED_TRACE(c.where);
        combo_.ToggleDropDown();
        ASSERT_TRUE(combo_.TreeShown());
        QTreeWidgetItem* node = tree->itemAbove(tree->currentItem());
        ASSERT_NE(node, nullptr);
        const QRect rect = tree->visualItemRect(node);
        const QPoint at(c.x(rect), rect.center().y());
        QTest::mouseMove(tree->viewport(), at);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
        EXPECT_FALSE(combo_.TreeShown());
        EXPECT_EQ(combo_.SelectedPath(), tree->NodePath(node));
        EXPECT_EQ(combo_.text(), node->text(0));
        combo_.HideTree();
    }
    ASSERT_EQ(spy.count(), 3);
    EXPECT_EQ(spy.at(2).at(1).toString(), Q(root_ / "music" / "A"));
}

TEST_F(DirTreeComboTest, KeysOutsideTheTableChangeNothing) {
    // Links back up: expanding everything below here would never end.
    fs::create_directory_symlink(".", root_ / "music" / "A" / "here");
    fs::create_directory_symlink("..", root_ / "music" / "A" / "up");
    TDirTreeView* tree = combo_.Tree();
    combo_.show();
    const struct {
        int key;
        Qt::KeyboardModifiers modifiers;
    } keys[] = {
        {Qt::Key_Asterisk, Qt::ShiftModifier},   // Shift and "+" on a German keyboard
        {Qt::Key_Asterisk, Qt::KeypadModifier},  // the number pad's
        {Qt::Key_Plus, Qt::NoModifier},
        {Qt::Key_Minus, Qt::NoModifier},
        {Qt::Key_M, Qt::NoModifier},  // would search "music"
        {Qt::Key_End, Qt::NoModifier},
        {Qt::Key_Space, Qt::NoModifier},
    };
    const std::function<void()> starts[] = {
        [] {},  // the root, right after dropping down
        [&] { tree->setCurrentItem(Open(root_ / "music" / "A")); },
    };
    for (const auto& start : starts) {
        combo_.ToggleDropDown();
        start();
        for (const auto& k : keys) {
            const QStringList before = TreeState(tree);
            QTest::keyClick(tree, Qt::Key(k.key), k.modifiers);
            EXPECT_EQ(TreeState(tree), before) << k.key;
            EXPECT_TRUE(combo_.TreeShown()) << k.key;
        }
        combo_.HideTree();
    }
}

TEST_F(DirTreeComboTest, AVolumeMountedSinceAppearsAtTheNextDropDown) {
    combo_.show();
    QTreeWidgetItem* first = Volume();
    first->setExpanded(true);
    const TDirVolume stick{Q(root_ / "stick"), "STICK", "vfat"};
    volumes_.append(stick);
    EXPECT_EQ(combo_.Tree()->Root()->childCount(), 1);

    combo_.ToggleDropDown();
    ASSERT_EQ(ChildTexts(combo_.Tree()->Root()),
              QStringList({" (" + Q(root_) + ")  Test", " (" + stick.MountPath + ")  STICK"}));
    // The volume that stayed is the same node, still open.
    EXPECT_EQ(Volume(), first);
    EXPECT_TRUE(first->isExpanded());
    combo_.HideTree();

    volumes_.removeFirst();
    combo_.ToggleDropDown();
    EXPECT_EQ(ChildTexts(combo_.Tree()->Root()),
              QStringList({" (" + stick.MountPath + ")  STICK"}));
    combo_.HideTree();
}

TEST_F(DirTreeComboTest, AClickOnTheExpandMarkOnlyExpands) {
    TDirTreeView* tree = combo_.Tree();
    combo_.show();
    Volume()->setExpanded(true);
    combo_.ToggleDropDown();
    QTreeWidgetItem* music = Child(Volume(), "music");
    const QRect rect = tree->visualItemRect(music);
    const QPoint mark(rect.left() - tree->indentation() / 2, rect.center().y());
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, mark);
    EXPECT_TRUE(music->isExpanded());
    EXPECT_TRUE(combo_.TreeShown());
    EXPECT_EQ(combo_.SelectedPath(), QString());
    combo_.HideTree();
}

TEST_F(DirTreeComboTest, HotTrackingSelectsWithoutChoosing) {
    TDirTreeView* tree = combo_.Tree();
    combo_.show();
    QTreeWidgetItem* music = Open(root_ / "music");
    combo_.ToggleDropDown();
    QTreeWidgetItem* b = Child(music, "b");
    QTest::mouseMove(tree->viewport(), tree->visualItemRect(b).center());
    EXPECT_EQ(tree->currentItem(), b);
    EXPECT_TRUE(combo_.TreeShown());
    EXPECT_EQ(combo_.SelectedPath(), QString());
    combo_.HideTree();
}

TEST_F(DirTreeComboTest, DropsDownBelowTheFieldAsWideAsIt) {
    combo_.resize(265, 22);
    combo_.show();
    QTest::keyClick(&combo_, Qt::Key_F4);
    ASSERT_TRUE(combo_.TreeShown());
    const QWidget* popup = combo_.Tree()->window();
    EXPECT_NE(popup, combo_.window());
    EXPECT_EQ(popup->geometry(),
              DropDownRect(QRect(combo_.mapToGlobal(QPoint(0, 0)), combo_.size()), 240,
                           combo_.screen()->availableGeometry()));
    EXPECT_EQ(popup->width(), 265);
    EXPECT_EQ(popup->height(), combo_.TreeHeight());

    // Keys reach the shown tree: F4 and Escape close it.
    QTest::keyClick(combo_.Tree(), Qt::Key_F4);
    EXPECT_FALSE(combo_.TreeShown());
    combo_.ToggleDropDown();
    QTest::keyClick(combo_.Tree(), Qt::Key_Escape);
    EXPECT_FALSE(combo_.TreeShown());
    EXPECT_EQ(combo_.SelectedPath(), QString());
}

TEST_F(DirTreeComboTest, ArrowButtonSitsFourPixelsInsideTheRightEdge) {
    combo_.show();
    for (const QSize size : {QSize(265, 22), QSize(216, 21), QSize(300, 30)}) {
        combo_.resize(size);
        const QToolButton* button = combo_.Button();
        EXPECT_EQ(button->width(), 17) << size.width();
        EXPECT_EQ(button->x() + button->width(), size.width() - 4) << size.width();
        EXPECT_EQ(button->height(), size.height() - 4) << size.width();
    }
}

TEST_F(DirTreeComboTest, LosingTheFocusHidesTheTree) {
    combo_.show();
    combo_.ToggleDropDown();
    // The tree taking the focus as a popup keeps it open.
    QFocusEvent toPopup(QEvent::FocusOut, Qt::PopupFocusReason);
    QApplication::sendEvent(&combo_, &toPopup);
    EXPECT_TRUE(combo_.TreeShown());
    QFocusEvent away(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(&combo_, &away);
    EXPECT_FALSE(combo_.TreeShown());
}

TEST_F(DirTreeComboTest, AFolderThatCannotBeListedGetsNoChildren) {
    std::vector<QString> messages;
    const auto previous =
        TDirTreeCombo::SetMessageHook([&](const QString& text) { messages.push_back(text); });
    Volume()->setExpanded(true);
    QTreeWidgetItem* gone = Child(Volume(), "gone");
    ASSERT_EQ(gone->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    fs::remove_all(root_ / "gone");
    gone->setExpanded(true);
    EXPECT_EQ(gone->childCount(), 0);
    EXPECT_EQ(gone->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
    EXPECT_TRUE(messages.empty());
    TDirTreeCombo::SetMessageHook(previous);
}

TEST_F(DirTreeComboTest, AFolderWithoutReadPermissionGetsNoChildren) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every folder";
    fs::create_directories(root_ / "locked" / "inner");
    fs::permissions(root_ / "locked", fs::perms::owner_exec);
    QTreeWidgetItem* locked = Open(root_ / "locked");
    const int count = locked->childCount();
    fs::permissions(root_ / "locked", fs::perms::owner_all);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(locked->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
}

TEST_F(DirTreeComboTest, AVolumeThatIsNotReadyWarnsAndTheChoiceStands) {
    std::vector<QString> messages;
    const auto previous =
        TDirTreeCombo::SetMessageHook([&](const QString& text) { messages.push_back(text); });
    std::vector<QString> probed;
    bool ready = false;
    TDirTreeCombo::SetReadyProbe([&](const QString& path) {
        probed.push_back(path);
        return ready;
    });
    const QString mount = Q(root_);

    combo_.ChooseNode(Volume());
    EXPECT_EQ(combo_.SelectedPath(), mount);
    EXPECT_EQ(combo_.text(), Volume()->text(0));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0],
              "There is no disk in Drive " + mount + "\nor Drive " + mount + ": is not ready");

    // A ready volume passes silently; folders are not probed at all.
    ready = true;
    combo_.ChooseNode(Volume());
    combo_.ChooseNode(Open(root_ / "music"));
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(probed, std::vector<QString>({mount, mount}));

    // A volume without an absolute mount path names no drive at all.
    UseVolumes({{"kein-pfad", "X", "ext4"}}, QString());
    combo_.ChooseNode(Volume());
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1], "Not a valid Drive ID");
    EXPECT_EQ(combo_.SelectedPath(), "kein-pfad");
    TDirTreeCombo::SetMessageHook(previous);
}

TEST_F(DirTreeComboTest, SelectedPathKeepsTheCaseTheFileSystemSees) {
    combo_.SetSelectedPath("/daten/Musik");
    combo_.SetSelectedPath("/daten/musik");
    // Two different folders here; the second one must win.
    EXPECT_EQ(combo_.SelectedPath(), "/daten/musik");
}

TEST(DropDownRect, OpensBelowOrAboveTheField) {
    const QRect screen(0, 0, 1280, 800);
    const struct {
        QRect field;
        QRect expected;
    } cases[] = {
        {{100, 100, 265, 22}, {100, 122, 265, 240}},
        {{10, 538, 265, 22}, {10, 560, 265, 240}},  // touches the bottom: still below
        {{10, 539, 265, 22}, {10, 299, 265, 240}},  // one pixel too far: above
        {{900, 770, 216, 21}, {900, 530, 216, 240}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DropDownRect(c.field, 240, screen), c.expected) << c.field.y();
}

TEST(FilterVolumes, KeepsRealVolumesWithTheSystemRootFirst) {
    const QList<TDirVolume> mounted = {
        {"/proc", "proc", "proc"},
        {"/sys", "sysfs", "sysfs"},
        {"/dev", "udev", "devtmpfs"},
        {"/run", "tmpfs", "tmpfs"},
        {"/media/stick", "STICK", "vfat"},
        {"/snap/core/1", "loop0", "squashfs"},
        {"/sys/fs/cgroup", "cgroup", "cgroup2"},
        {"/var/lib/docker/overlay2/x/merged", "overlay", "overlay"},
        {"/", "overlay", "overlay"},
        {"/home", "sda3", "ext4"},
        {"/boot/efi", "sda1", "vfat"},
        {"/dev/hugepages", "hugetlbfs", "hugetlbfs"},
        {"/mnt/host-sys", "sysfs", "sysfs"},  // outside /sys, known by its type
        {"/home", "sdb1", "btrfs"},           // mounted over the first /home
    };
    QStringList kept;
    for (const TDirVolume& v : FilterVolumes(mounted)) kept << v.MountPath + " " + v.Name;
    EXPECT_EQ(kept,
              QStringList({"/ overlay", "/boot/efi sda1", "/home sdb1", "/media/stick STICK"}));

    const QList<TDirVolume> liveSystem = {{"/tmp", "tmpfs", "tmpfs"}, {"/", "tmpfs", "tmpfs"}};
    ASSERT_EQ(FilterVolumes(liveSystem).size(), 1);
    EXPECT_EQ(FilterVolumes(liveSystem)[0].MountPath, "/");
}

TEST(ReadMountTable, ReadsPathsNamesAndTypesOnly) {
    TempDir tmp;
    const std::string table = tmp.File("mounts");
    WriteFileBytes(table,
                   "/dev/nosuchdisk1 /media/u/USB\\040STICK vfat rw 0 0\n"
                   "nas:/export/musik /mnt/nas nfs4 rw 0 0\n"
                   "//server/share /mnt/share cifs rw 0 0\n"
                   "u@host: /home/u/fern fuse.sshfs rw 0 0\n"
                   "proc /proc proc rw 0 0\n");
    QStringList read;
    for (const TDirVolume& v : ReadMountTable(QString::fromStdString(table)))
        read << v.MountPath + "|" + v.Name + "|" + v.FileSystemType;
    EXPECT_EQ(read, QStringList({"/media/u/USB STICK|nosuchdisk1|vfat", "/mnt/nas|musik|nfs4",
                                 "/mnt/share|share|cifs", "/home/u/fern|u@host:|fuse.sshfs",
                                 "/proc|proc|proc"}));
    EXPECT_TRUE(ReadMountTable(QString::fromStdString(tmp.File("missing"))).isEmpty());

    const struct {
        const char* type;
        bool network;
    } types[] = {{"nfs", true},        {"nfs4", true},        {"cifs", true},    {"smb3", true},
                 {"fuse.sshfs", true}, {"fuse.rclone", true}, {"fuseblk", true}, {"ext4", false},
                 {"vfat", false},      {"btrfs", false},      {"iso9660", false}};
    for (const auto& t : types) EXPECT_EQ(IsNetworkVolume(t.type), t.network) << t.type;
}

}  // namespace
