#include "picker/DirTreeCombo.h"

#include "ops/Reasons.h"
#include "picker/MountTable.h"

#include <QApplication>
#include <QCollator>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFocusEvent>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QSet>
#include <QStorageInfo>
#include <QStyleOptionFrame>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QString kRootPath = QStringLiteral("Drives");
const QString kRootText = QString::fromUtf8(kComputerName);
const QString kHomeText = QString::fromUtf8(kHomeFolderName);
constexpr int kPathRole = Qt::UserRole;
constexpr int kTypeRole = Qt::UserRole + 1;  // a volume's file system type
constexpr int kIconSize = 16;
constexpr int kButtonWidth = 17;
constexpr int kButtonInset = 4;  // from the right edge

// Folders and links to folders. Without QDir::System: that would add FIFOs,
// sockets, device files and dead links.
const QDir::Filters kFolderFilter = QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot;

QString JoinPath(const QString& folder, const QString& name) {
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

bool HasSubfolder(const QString& folder) {
    QDirIterator it(folder, kFolderFilter);
    return it.hasNext();
}

const QCollator& GermanCollator() {
    static const QCollator collator(QLocale(QLocale::German, QLocale::Germany));
    return collator;
}

// Folders sort as a German reader expects ("Ärzte" beside "Arzt"), ties
// (such as composed and decomposed umlauts) broken by the exact text so that
// the order is the same whatever the listing order was.
class TDirNode : public QTreeWidgetItem {
  public:
    explicit TDirNode(TDirTreeView::NodeKind kind) : QTreeWidgetItem(int(UserType) + int(kind)) {}
    bool operator<(const QTreeWidgetItem& other) const override {
        const QString a = text(0);
        const QString b = other.text(0);
        const int collated = GermanCollator().compare(a, b);
        return collated != 0 ? collated < 0 : a < b;
    }
};

// Restores the cursor however the listing ends.
class TWaitCursor {
  public:
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

TDirTreeCombo::MessageHook& MessageHookSlot() {
    static TDirTreeCombo::MessageHook hook;
    return hook;
}

void ShowPickerMessage(const QString& text, QWidget* parent) {
    if (MessageHookSlot()) {
        MessageHookSlot()(text);
        return;
    }
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Tonzettel"), text, QMessageBox::Ok,
                    parent);
    box.exec();
}

QList<TDirVolume> SystemMountTable() {
    return ReadMountTable();
}

TDirTreeCombo::MountTable& MountTableSlot() {
    static TDirTreeCombo::MountTable table = SystemMountTable;
    return table;
}

TDirTreeCombo::ReadyProbe& ReadyProbeSlot() {
    static TDirTreeCombo::ReadyProbe probe = VolumeReady;
    return probe;
}

}  // namespace

QRect DropDownRect(const QRect& fieldGlobal, int height, const QRect& screen) {
    QRect rect(fieldGlobal.left(), fieldGlobal.bottom() + 1, fieldGlobal.width(), height);
    if (rect.bottom() > screen.bottom()) rect.moveBottom(fieldGlobal.top() - 1);
    return rect;
}

// ---------------------------------------------------------------------------

TDirTreeView::TDirTreeView(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    header()->setStretchLastSection(false);
    setUniformRowHeights(true);
    setIconSize(QSize(kIconSize, kIconSize));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setMouseTracking(true);
    setAllColumnsShowFocus(true);

    const QFileIconProvider provider;
    computerIcon_ = provider.icon(QAbstractFileIconProvider::Computer);
    driveIcon_ = provider.icon(QAbstractFileIconProvider::Drive);
    // The folder icon's On state is the open folder; show it on the selected node.
    const QIcon folder = provider.icon(QAbstractFileIconProvider::Folder);
    folderIcon_.addPixmap(folder.pixmap(kIconSize, QIcon::Normal, QIcon::Off), QIcon::Normal);
    folderIcon_.addPixmap(folder.pixmap(kIconSize, QIcon::Normal, QIcon::On), QIcon::Selected);
    SetHideSelection(true);

    connect(this, &QTreeWidget::itemExpanded, this, &TDirTreeView::NodeExpanded);
    connect(this, &QTreeWidget::itemCollapsed, this, &TDirTreeView::FitColumn);
}

void TDirTreeView::FitColumn() {
    // As wide as the widest shown node (deep trees scroll sideways), and at
    // least as wide as the tree, so that a selected node is marked across it.
    header()->resizeSection(0, std::max(sizeHintForColumn(0), viewport()->width()));
}

void TDirTreeView::resizeEvent(QResizeEvent* event) {
    QTreeWidget::resizeEvent(event);
    FitColumn();
}

QTreeWidgetItem* TDirTreeView::NewNode(QTreeWidgetItem* parent, NodeKind kind, const QString& text,
                                       const QIcon& icon, const QString& path,
                                       const QString& fileSystemType) {
    auto* node = new TDirNode(kind);
    node->setText(0, text);
    node->setIcon(0, icon);
    if (!path.isEmpty()) node->setData(0, kPathRole, path);
    if (!fileSystemType.isEmpty()) node->setData(0, kTypeRole, fileSystemType);
    if (parent) parent->addChild(node);
    return node;
}

void TDirTreeView::SetVolumes(const QList<TDirVolume>& volumes, const QString& homePath) {
    QTreeWidgetItem* root = Root();
    if (!root) {
        root = NewNode(nullptr, RootNode, kRootText, computerIcon_, {});
        root->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        addTopLevelItem(root);
        setCurrentItem(root);
    }
    struct Wanted {
        NodeKind kind;
        QString text;
        QString path;
        QString type;
    };
    QList<Wanted> wanted;
    if (!homePath.isEmpty()) wanted.append({HomeNode, kHomeText, homePath, {}});
    for (const TDirVolume& volume : volumes)
        wanted.append(
            {VolumeNode,
             QStringLiteral(" (") + volume.MountPath + QStringLiteral(")  ") + volume.Name,
             volume.MountPath, volume.FileSystemType});
    const auto same = [](const QTreeWidgetItem* node, const Wanted& w) {
        return KindOf(node) == w.kind && node->text(0) == w.text &&
               node->data(0, kPathRole).toString() == w.path &&
               node->data(0, kTypeRole).toString() == w.type;
    };
    // Both lists are in the same order, so one pass keeps what is still
    // mounted, drops what is gone and inserts what is new.
    int at = 0;
    for (const Wanted& w : wanted) {
        while (at < root->childCount() && !same(root->child(at), w) &&
               std::none_of(wanted.begin(), wanted.end(),
                            [&](const Wanted& o) { return same(root->child(at), o); }))
            delete root->takeChild(at);
        if (at < root->childCount() && same(root->child(at), w)) {
            ++at;
            continue;
        }
        // The home icon comes from the theme: asking the file system could
        // block on a home folder on a network share.
        const QIcon icon = w.kind == HomeNode
                               ? QIcon::fromTheme(QStringLiteral("user-home"), folderIcon_)
                               : driveIcon_;
        QTreeWidgetItem* node = NewNode(nullptr, w.kind, w.text, icon, w.path, w.type);
        node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        root->insertChild(at++, node);
    }
    while (root->childCount() > at) delete root->takeChild(at);
    if (!currentItem()) setCurrentItem(root);
    FitColumn();
}

TDirTreeView::NodeKind TDirTreeView::KindOf(const QTreeWidgetItem* node) {
    return static_cast<NodeKind>(node->type() - QTreeWidgetItem::UserType);
}

QString TDirTreeView::NodePath(const QTreeWidgetItem* node) const {
    if (!node) return {};
    QStringList names;
    for (; node; node = node->parent()) {
        switch (KindOf(node)) {
            case RootNode:
                return kRootPath;
            case HomeNode:
            case VolumeNode: {
                QString path = node->data(0, kPathRole).toString();
                for (auto it = names.crbegin(); it != names.crend(); ++it)
                    path = JoinPath(path, *it);
                return path;
            }
            case FolderNode:
                names.append(node->text(0));
                break;
        }
    }
    return {};
}

void TDirTreeView::ListChildren(QTreeWidgetItem* node) {
    const QString path = NodePath(node);
    // An unreadable folder lists as empty: it simply gets no children.
    const QStringList names = QDir(path).entryList(kFolderFilter, QDir::Unsorted);
    for (const QString& name : names) {
        QTreeWidgetItem* child = NewNode(node, FolderNode, name, folderIcon_, {});
        child->setChildIndicatorPolicy(HasSubfolder(JoinPath(path, name))
                                           ? QTreeWidgetItem::ShowIndicator
                                           : QTreeWidgetItem::DontShowIndicator);
    }
    if (names.isEmpty()) node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
}

void TDirTreeView::NodeExpanded(QTreeWidgetItem* node) {
    // The root keeps its order: home folder, "/", then the other volumes.
    if (KindOf(node) != RootNode) {
        // Thousands of folders, or a slow share, take a while.
        const TWaitCursor wait;
        // Listed afresh, so that folders made or removed meanwhile show.
        qDeleteAll(node->takeChildren());
        ListChildren(node);
        node->sortChildren(0, Qt::AscendingOrder);
    }
    FitColumn();
}

QTreeWidgetItem* TDirTreeView::OpenDownTo(const QString& folder) {
    QTreeWidgetItem* root = Root();
    if (!root) return nullptr;
    root->setExpanded(true);

    // Start from the deepest first-level node holding the folder.
    QTreeWidgetItem* node = nullptr;
    qsizetype startLength = -1;
    for (int i = 0; i < root->childCount(); ++i) {
        const QString path = NodePath(root->child(i));
        if (path.size() > startLength && PathHolds(path, folder)) {
            node = root->child(i);
            startLength = path.size();
        }
    }
    if (!node) {
        setCurrentItem(root);
        return root;
    }
    node->setExpanded(true);
    const QStringList pieces = folder.mid(startLength).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& piece : pieces) {
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < node->childCount() && !next; ++i)
            if (SamePath(node->child(i)->text(0), piece)) next = node->child(i);
        if (!next) break;
        node = next;
        node->setExpanded(true);
    }
    setCurrentItem(node);
    return node;
}

void TDirTreeView::SetHideSelection(bool value) {
    hideSelection_ = value;
    // Hidden selection: an unfocused tree draws its selected node like any other.
    QPalette pal = palette();
    const QPalette defaults = QApplication::palette(this);
    pal.setColor(QPalette::Inactive, QPalette::Highlight,
                 value ? pal.color(QPalette::Inactive, QPalette::Base)
                       : defaults.color(QPalette::Inactive, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 value ? pal.color(QPalette::Inactive, QPalette::Text)
                       : defaults.color(QPalette::Inactive, QPalette::HighlightedText));
    setPalette(pal);
}

QTreeWidgetItem* TDirTreeView::NodeUnder(const QPoint& pos) const {
    QTreeWidgetItem* node = itemAt(pos);
    if (!node) return nullptr;
    // The node is its whole row, as its highlight shows, but for the expand
    // mark just left of its icon.
    const int iconLeft = visualItemRect(node).left();
    const bool onMark = pos.x() < iconLeft && pos.x() >= iconLeft - indentation();
    return onMark ? nullptr : node;
}

void TDirTreeView::mouseMoveEvent(QMouseEvent* event) {
    QTreeWidget::mouseMoveEvent(event);
    if (event->buttons() != Qt::NoButton) return;
    QTreeWidgetItem* node = NodeUnder(event->position().toPoint());
    if (!node || node == currentItem()) return;
    // Hot tracking must not scroll: the tree would move under the pointer,
    // and the click aimed at a node would land beside it or on another one.
    const bool scrolls = hasAutoScroll();
    setAutoScroll(false);
    setCurrentItem(node);
    setAutoScroll(scrolls);
}

void TDirTreeView::mouseReleaseEvent(QMouseEvent* event) {
    QTreeWidget::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton) return;
    if (QTreeWidgetItem* node = NodeUnder(event->position().toPoint())) emit NodeClicked(node);
}

// ---------------------------------------------------------------------------

TDirTreePopup::TDirTreePopup(QWidget* owner) : QFrame(owner, Qt::Popup) {
    // A click outside closes the tree and goes nowhere else: replayed, a
    // click on the scan button would start a scan, one on the arrow button
    // would drop the tree down again.
    setAttribute(Qt::WA_NoMouseReplay);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
}

// ---------------------------------------------------------------------------

TDirTreeCombo::TDirTreeCombo(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
    setContextMenuPolicy(Qt::NoContextMenu);
    resize(sizeHint());

    button_ = new QToolButton(this);
    button_->setObjectName(QStringLiteral("DirComboButton"));
    button_->setArrowType(Qt::DownArrow);
    button_->setFocusPolicy(Qt::NoFocus);
    button_->setContextMenuPolicy(Qt::NoContextMenu);
    button_->setCursor(Qt::ArrowCursor);
    connect(button_, &QToolButton::clicked, this, &TDirTreeCombo::ToggleDropDown);

    popup_ = new TDirTreePopup(this);
    tree_ = new TDirTreeView(popup_);
    tree_->setObjectName(QStringLiteral("DirTree"));
    tree_->setFrameShape(QFrame::NoFrame);
    popup_->layout()->addWidget(tree_);
    tree_->installEventFilter(this);
    connect(tree_, &TDirTreeView::NodeClicked, this, &TDirTreeCombo::ChooseNode);

    homePath_ = QDir::homePath();
    RefreshVolumes();
    tree_->Root()->setExpanded(expandRoot_);
    ShowNode(tree_->Root());
}

TDirTreeCombo::~TDirTreeCombo() = default;

void TDirTreeCombo::RefreshVolumes() {
    const MountTable& table = MountTableSlot();
    tree_->SetVolumes(FilterVolumes(table ? table() : SystemMountTable()), homePath_);
}

void TDirTreeCombo::SetHomePath(const QString& path) {
    homePath_ = path;
    RefreshVolumes();
}

TDirTreeCombo::MountTable TDirTreeCombo::SetMountTable(MountTable table) {
    MountTable previous = std::move(MountTableSlot());
    MountTableSlot() = std::move(table);
    return previous;
}

TDirTreeCombo::ReadyProbe TDirTreeCombo::SetReadyProbe(ReadyProbe probe) {
    ReadyProbe previous = std::move(ReadyProbeSlot());
    ReadyProbeSlot() = std::move(probe);
    return previous;
}

void TDirTreeCombo::SetSelectedPath(const QString& path) {
    if (!SamePath(path, selectedPath_)) selectedPath_ = path;
}

void TDirTreeCombo::SetInitialDir(const QString& dir) {
    if (dir.isEmpty()) return;
    const QFileInfo info(dir);
    if (!info.isDir()) return;
    const QString folder = QDir::cleanPath(info.absoluteFilePath());
    const QString stored = JoinPath(folder, QString());
    if (SamePath(stored, initialDir_)) return;
    initialDir_ = stored;
    ShowNode(tree_->OpenDownTo(folder));
    SetSelectedPath(folder);
    emit OnPathChange(this, selectedPath_);
}

void TDirTreeCombo::SetExpandRoot(bool value) {
    expandRoot_ = value;
    tree_->Root()->setExpanded(value);
}

void TDirTreeCombo::SetGlyph(const QPixmap& glyph) {
    glyph_ = glyph;
    button_->setArrowType(glyph.isNull() ? Qt::DownArrow : Qt::NoArrow);
    button_->setIcon(glyph.isNull() ? QIcon() : QIcon(glyph));
}

bool TDirTreeCombo::TreeShown() const {
    return popup_->isVisible();
}

TDirTreeCombo::MessageHook TDirTreeCombo::SetMessageHook(MessageHook hook) {
    MessageHook previous = std::move(MessageHookSlot());
    MessageHookSlot() = std::move(hook);
    return previous;
}

void TDirTreeCombo::ToggleDropDown() {
    if (popup_->isVisible()) {
        HideTree();
        return;
    }
    const QRect field(mapToGlobal(QPoint(0, 0)), size());
    const QScreen* where = screen();
    const QRect available = where ? where->availableGeometry() : QRect(0, 0, 1 << 16, 1 << 16);
    RefreshVolumes();
    popup_->setGeometry(DropDownRect(field, treeHeight_, available));
    // A popup window stays in front and takes the mouse while shown.
    popup_->show();
    tree_->setFocus(Qt::PopupFocusReason);
    if (QTreeWidgetItem* current = tree_->currentItem()) {
        tree_->scrollToItem(current, QAbstractItemView::PositionAtCenter);
        // Centred up and down only: names start at the left edge.
        tree_->horizontalScrollBar()->setValue(0);
    }
}

void TDirTreeCombo::HideTree() {
    if (popup_->isVisible()) popup_->hide();
}

void TDirTreeCombo::ChooseNode(QTreeWidgetItem* node) {
    if (!node) return;
    SetSelectedPath(tree_->NodePath(node));
    // The field always names what SelectedPath holds, even for a volume that is not ready.
    ShowNode(node);
    emit OnPathChange(this, selectedPath_);
    HideTree();
    if (TDirTreeView::KindOf(node) == TDirTreeView::VolumeNode &&
        !IsNetworkVolume(node->data(0, kTypeRole).toString()))
        CheckVolumeReady(selectedPath_);
}

void TDirTreeCombo::CheckVolumeReady(const QString& mountPath) {
    if (mountPath.isEmpty() || !QDir::isAbsolutePath(mountPath)) {
        ShowPickerMessage(QStringLiteral("Not a valid Drive ID"), window());
        return;
    }
    const ReadyProbe& probe = ReadyProbeSlot();
    if (probe ? probe(mountPath) : VolumeReady(mountPath)) return;
    QApplication::beep();
    ShowPickerMessage(QStringLiteral("There is no disk in Drive ") + mountPath +
                          QStringLiteral("\nor Drive ") + mountPath +
                          QStringLiteral(": is not ready"),
                      window());
}

void TDirTreeCombo::ShowNode(const QTreeWidgetItem* node) {
    if (!node) return;
    nodeIcon_ = node->icon(0);
    setText(node->text(0));
    setCursorPosition(0);
    PlaceButton();
    update();
}

bool TDirTreeCombo::HandleKey(QKeyEvent* event) {
    QTreeWidgetItem* current = tree_->currentItem();
    QTreeWidgetItem* root = tree_->Root();
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            ChooseNode(current);
            return true;
        case Qt::Key_Escape:
            if (!TreeShown()) return false;
            HideTree();
            return true;
        case Qt::Key_Left:
            if (!current) return true;
            if (current->isExpanded()) current->setExpanded(false);
            if (current != root) {
                QTreeWidgetItem* above = tree_->itemAbove(current);
                if (above && above != root) tree_->setCurrentItem(above);
            }
            return true;
        case Qt::Key_Up:
            if (current && current != root)
                if (QTreeWidgetItem* above = tree_->itemAbove(current))
                    tree_->setCurrentItem(above);
            return true;
        case Qt::Key_Right:
            if (current) current->setExpanded(true);
            return true;
        case Qt::Key_Down:
            if (current)
                if (QTreeWidgetItem* below = tree_->itemBelow(current))
                    tree_->setCurrentItem(below);
            return true;
        case Qt::Key_F4:
            ToggleDropDown();
            return true;
        default:
            return false;
    }
}

bool TDirTreeCombo::eventFilter(QObject* watched, QEvent* event) {
    // Keys outside the picker's own do nothing in the tree: the tree view's
    // "*" alone would list the whole file system below the root, following
    // folder links round loops such as /proc/self/root without end.
    if (watched == tree_ && event->type() == QEvent::KeyPress) {
        HandleKey(static_cast<QKeyEvent*>(event));
        return true;
    }
    return QLineEdit::eventFilter(watched, event);
}

void TDirTreeCombo::keyPressEvent(QKeyEvent* event) {
    if (HandleKey(event)) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TDirTreeCombo::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // The tree taking the focus as a popup is not a loss of focus.
    if (event->reason() != Qt::PopupFocusReason) HideTree();
}

void TDirTreeCombo::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    PlaceButton();
}

void TDirTreeCombo::PlaceButton() {
    // Measured from the widget's own edges, like the icon and the text start.
    button_->setGeometry(width() - kButtonWidth - kButtonInset, 2, kButtonWidth,
                         std::max(0, height() - 4));
    // The line edit keeps a frame and a 2-pixel gap of its own before the text.
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    constexpr int kEditGap = 2;
    constexpr int kTextStart = 23;
    const int left = nodeIcon_.isNull() ? 0 : std::max(0, kTextStart - contents.left() - kEditGap);
    const int right = std::max(0, contents.right() + 1 - button_->x());
    setTextMargins(left, 0, right, 0);
}

void TDirTreeCombo::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    if (nodeIcon_.isNull()) return;
    QPainter painter(this);
    const QRect where(5, (height() - kIconSize) / 2, kIconSize, kIconSize);
    nodeIcon_.paint(&painter, where, Qt::AlignCenter,
                    isEnabled() ? QIcon::Normal : QIcon::Disabled);
}
