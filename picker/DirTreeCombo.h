#pragma once

#include <QFrame>
#include <QIcon>
#include <QLineEdit>
#include <QList>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <QTreeWidget>
#include <functional>

#include "picker/MountTable.h"

class QToolButton;
class TDirTreeCombo;

// Where the tree drops down: below the field and as wide as it, or above it
// when it would reach past the bottom of the screen.
QRect DropDownRect(const QRect& fieldGlobal, int height, const QRect& screen);

// The tree of volumes and folders. A node's folders are listed when it is
// expanded, afresh each time; a node's path is built by walking up to the root.
class TDirTreeView : public QTreeWidget {
    Q_OBJECT
  public:
    enum NodeKind { RootNode, HomeNode, VolumeNode, FolderNode };

    explicit TDirTreeView(QWidget* parent = nullptr);

    // Brings the root's children up to date: the home folder (when not empty)
    // and one node per volume. Nodes of volumes still mounted stay as they are,
    // expanded or not; nothing is read from the volumes.
    void SetVolumes(const QList<TDirVolume>& volumes, const QString& homePath);

    QTreeWidgetItem* Root() const { return topLevelItem(0); }
    static NodeKind KindOf(const QTreeWidgetItem* node);
    // "Drives" for the root; a volume's mount path; a folder without trailing separator.
    QString NodePath(const QTreeWidgetItem* node) const;
    // Expands node after node along folder (an absolute path); returns the
    // last node reached (the root when no volume holds the folder).
    QTreeWidgetItem* OpenDownTo(const QString& folder);

    bool HideSelection() const { return hideSelection_; }
    void SetHideSelection(bool value);

    // Typed text (from an input method too) selects nothing: the field takes no typing.
    void keyboardSearch(const QString&) override {}

  signals:
    void NodeClicked(QTreeWidgetItem* node);

  protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void FitColumn();
    void NodeExpanded(QTreeWidgetItem* node);
    void ListChildren(QTreeWidgetItem* node);
    QTreeWidgetItem* NewNode(QTreeWidgetItem* parent, NodeKind kind, const QString& text,
                             const QIcon& icon, const QString& path,
                             const QString& fileSystemType = {});
    QTreeWidgetItem* NodeUnder(const QPoint& pos) const;

    QIcon computerIcon_;
    QIcon driveIcon_;
    QIcon folderIcon_;  // the open folder as its Selected mode
    bool hideSelection_ = true;
};

// The frameless top-level window the tree drops down in.
class TDirTreePopup : public QFrame {
  public:
    explicit TDirTreePopup(QWidget* owner);
};

// The folder field of the main window's tool bar: a read-only line showing
// the chosen node's icon and text, with an arrow button that drops down the
// tree. SelectedPath is all the main window reads.
class TDirTreeCombo : public QLineEdit {
    Q_OBJECT
  public:
    explicit TDirTreeCombo(QWidget* parent = nullptr);
    ~TDirTreeCombo() override;

    // Empty until the user first chooses a node; "Drives" for the root.
    QString SelectedPath() const { return selectedPath_; }
    void SetSelectedPath(const QString& path);

    // Opens the tree down to an existing folder and chooses it.
    QString InitialDir() const { return initialDir_; }
    void SetInitialDir(const QString& dir);

    int TreeHeight() const { return treeHeight_; }
    void SetTreeHeight(int value) { treeHeight_ = value; }
    bool ExpandRoot() const { return expandRoot_; }
    void SetExpandRoot(bool value);
    bool HideSelection() const { return tree_->HideSelection(); }
    void SetHideSelection(bool value) { tree_->SetHideSelection(value); }
    QPixmap Glyph() const { return glyph_; }
    void SetGlyph(const QPixmap& glyph);
    static QString About() { return QStringLiteral("TDirTreeCombo 1.0"); }

    TDirTreeView* Tree() const { return tree_; }
    QToolButton* Button() const { return button_; }
    bool TreeShown() const;

    // Reads the mount table again and brings the volume nodes up to date;
    // done at every drop-down, so a volume mounted since shows.
    void RefreshVolumes();
    // The folder of the home node; none when empty.
    void SetHomePath(const QString& path);

    // The two places where the picker meets the volumes, process-wide so that
    // tests can replace them before a window is built. Each returns the
    // previous one; an empty function restores the real one.
    // What is mounted: read at start and at every drop-down.
    using MountTable = std::function<QList<TDirVolume>()>;
    static MountTable SetMountTable(MountTable table);
    // Whether a chosen local volume is still mounted and ready; the one
    // question put to a volume, never to a network or FUSE one.
    using ReadyProbe = std::function<bool(const QString& mountPath)>;
    static ReadyProbe SetReadyProbe(ReadyProbe probe);
    // Shows the picker's messages; tests install a recorder. Returns the previous one.
    using MessageHook = std::function<void(const QString& text)>;
    static MessageHook SetMessageHook(MessageHook hook);

  public slots:
    void ToggleDropDown();
    void HideTree();
    void ChooseNode(QTreeWidgetItem* node);

  signals:
    void OnPathChange(QObject* sender, const QString& selectedPath);

  protected:
    QSize sizeHint() const override { return {216, 21}; }
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    bool HandleKey(QKeyEvent* event);
    void ShowNode(const QTreeWidgetItem* node);
    void CheckVolumeReady(const QString& mountPath);
    void PlaceButton();

    TDirTreePopup* popup_ = nullptr;
    TDirTreeView* tree_ = nullptr;
    QToolButton* button_ = nullptr;
    QString selectedPath_;
    QString initialDir_;
    QIcon nodeIcon_;  // null: no icon in the field
    QPixmap glyph_;
    QString homePath_;
    int treeHeight_ = 240;
    bool expandRoot_ = true;
};
