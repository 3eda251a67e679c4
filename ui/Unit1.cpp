#include "ui/Unit1.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>
#include <algorithm>
#include <array>
#include <utility>

#include "app/Version.h"
#include "ops/History.h"
#include "ops/Reasons.h"
#include "picker/DirTreeCombo.h"
#include "scan/FileRow.h"
#include "scan/Scan.h"
#include "tags/MPEGaudio.h"
#include "ui/FileChooser.h"
#include "ui/FileListModel.h"
#include "ui/Images.h"
#include "ui/ListColumns.h"
#include "ui/MessageBox.h"
#include "ui/Unit13.h"

// Everything that belongs to one running scan; lives on the stack of
// ScannenButtonClick.
struct TScanState {
    std::vector<ListRow> Rows;
    QString Folder;  // as the picker gave it when the scan began
    int Level = 1;   // fixed for the whole scan, so all rows show the same tag
};

namespace {

const QString kLevel1 = QStringLiteral("Scannen (ID3 Level 1)");
const QString kLevel2 = QStringLiteral("Scannen (ID3 Level 2)");
// The folder picker's root names no folder.
const QString kPickerRoot = QStringLiteral("Drives");

const QString kWizardMessage = QStringLiteral(
    "Für den Wizard müssen mehrere MP3-Dateien markiert werden. Wenn Sie MP3-Dateien einzeln "
    "bearbeiten wollen, doppelklicken Sie bitte auf die gewünschte MP3-Datei.");
const QString kNoPlayerMessage =
    QStringLiteral("Für MP3-Dateien ist kein Abspielprogramm eingerichtet.");
const QString kSuchenMessage = QStringLiteral(
    "Es sind keine Einträge vorhanden. Entweder wurde noch kein Laufwerk bzw. Verzeichnis "
    "gescannt oder es wurden keine MP3-Dateien gefunden. Die Suche ist nur möglich, wenn "
    "MP3-Dateien vorhanden sind.");

// QTreeView draws no grid; this delegate adds the right and bottom edge of
// every cell while the grid is switched on.
class GridDelegate : public QStyledItemDelegate {
  public:
    GridDelegate(const bool* on, QObject* parent) : QStyledItemDelegate(parent), on_(on) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        if (!*on_) return;
        painter->save();
        painter->setPen(QColor(0xc8, 0xc8, 0xc8));
        const QRect r = option.rect;
        painter->drawLine(r.topRight(), r.bottomRight());
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        painter->restore();
    }

  private:
    const bool* on_;
};

// The band has to fit the first-run window width of 783 pixels.
void Tighten(QToolBar* bar) {
    bar->setContentsMargins(0, 0, 0, 0);
    bar->layout()->setContentsMargins(0, 0, 0, 0);
    bar->layout()->setSpacing(0);
}

QToolButton* MakeToolButton(QToolBar* bar, const char* name, const QString& text, ToolImage image) {
    auto* button = new QToolButton(bar);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(text);
    button->setIcon(ToolIcon(image));
    button->setIconSize(QSize(20, 20));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    bar->addWidget(button);
    return button;
}

QAction* MakeAction(QMenu* menu, const char* name, const QString& text) {
    QAction* action = menu->addAction(text);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

void Show(QDialog* dialog) {
    const FocusReturn focusReturn;
    if (dialog) dialog->exec();
}

// Selected rows as sorted, disjoint [first, last] intervals. Works on the
// selection's ranges, so a selection of all 100,000 rows costs one interval.
std::vector<std::pair<int, int>> SelectedIntervals(const QItemSelectionModel* selection) {
    std::vector<std::pair<int, int>> spans;
    if (!selection) return spans;
    for (const QItemSelectionRange& range : selection->selection()) {
        if (range.isValid()) spans.emplace_back(range.top(), range.bottom());
    }
    std::sort(spans.begin(), spans.end());
    std::vector<std::pair<int, int>> merged;
    for (const auto& span : spans) {
        if (!merged.empty() && span.first <= merged.back().second + 1) {
            merged.back().second = std::max(merged.back().second, span.second);
        } else {
            merged.push_back(span);
        }
    }
    return merged;
}

}  // namespace

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Tonzettel V ") + QLatin1String(ProgramVersion));
    setWindowIcon(AppIcon());
    resize(941, 540);
    BuildControlBar();
    BuildList();
    QMenu* popup1 = BuildPopupMenu();
    BuildStatusBar();
    SetUpHistory(popup1);
}

void TForm1::BuildControlBar() {
    // Tool bar band: folder field and scan button (Panel1), tool buttons (Panel3).
    auto* controlBar = new QToolBar(this);
    controlBar->setObjectName(QStringLiteral("ControlBar1"));
    controlBar->setMovable(false);
    controlBar->setFloatable(false);
    controlBar->setContextMenuPolicy(Qt::PreventContextMenu);
    Tighten(controlBar);
    addToolBar(Qt::TopToolBarArea, controlBar);

    auto* panel1 = new QWidget(controlBar);
    panel1->setObjectName(QStringLiteral("Panel1"));
    auto* panel1Layout = new QHBoxLayout(panel1);
    panel1Layout->setContentsMargins(2, 0, 0, 0);
    panel1Layout->setSpacing(4);
    dirCombo_ = new TDirTreeCombo(panel1);
    dirCombo_->setObjectName(QStringLiteral("DirCombo1"));
    dirCombo_->setFixedSize(265, 22);
    panel1Layout->addWidget(dirCombo_, 0, Qt::AlignVCenter);

    auto* toolBar1 = new QToolBar(panel1);
    toolBar1->setObjectName(QStringLiteral("ToolBar1"));
    toolBar1->setMovable(false);
    Tighten(toolBar1);
    toolBar1->setIconSize(QSize(20, 20));
    auto* popupScannen = new QMenu(this);
    popupScannen->setObjectName(QStringLiteral("PopupMenuScannen"));
    QAction* level11 = MakeAction(popupScannen, "ScannenID3Level11", kLevel1);
    QAction* level21 = MakeAction(popupScannen, "ScannenID3Level21", kLevel2);
    scannenButton_ = new QToolButton(toolBar1);
    scannenButton_->setObjectName(QStringLiteral("ScannenButton"));
    scannenButton_->setText(kLevel1);
    scannenButton_->setIcon(ToolIcon(ToolImage::Scannen));
    scannenButton_->setIconSize(QSize(20, 20));
    scannenButton_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    scannenButton_->setPopupMode(QToolButton::MenuButtonPopup);
    scannenButton_->setMenu(popupScannen);
    scannenButton_->setAutoRaise(true);
    toolBar1->addWidget(scannenButton_);
    panel1Layout->addWidget(toolBar1, 0, Qt::AlignVCenter);
    controlBar->addWidget(panel1);
    controlBar->addSeparator();

    auto* panel3 = new QWidget(controlBar);
    panel3->setObjectName(QStringLiteral("Panel3"));
    auto* panel3Layout = new QHBoxLayout(panel3);
    panel3Layout->setContentsMargins(0, 0, 0, 0);
    auto* toolBar2 = new QToolBar(panel3);
    toolBar2->setObjectName(QStringLiteral("ToolBar2"));
    toolBar2->setMovable(false);
    Tighten(toolBar2);
    toolBar2->setIconSize(QSize(20, 20));
    QToolButton* wizard =
        MakeToolButton(toolBar2, "ButtonWizard", QStringLiteral("Wizard"), ToolImage::Wizard);
    QToolButton* suchen =
        MakeToolButton(toolBar2, "ButtonSuchen", QStringLiteral("Suchen"), ToolImage::Suchen);
    QToolButton* optionen =
        MakeToolButton(toolBar2, "ButtonOptionen", QStringLiteral("Optionen"), ToolImage::Optionen);
    toolBar2->addSeparator()->setObjectName(QStringLiteral("ToolButton6"));
    QToolButton* update =
        MakeToolButton(toolBar2, "ButtonUpdate", QStringLiteral("Webupdate"), ToolImage::Webupdate);
    QToolButton* info =
        MakeToolButton(toolBar2, "ButtonInfo", QStringLiteral("Info"), ToolImage::Info);
    panel3Layout->addWidget(toolBar2);
    panel3->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    controlBar->addWidget(panel3);
    // The bands pack to the left; the rest of the row stays empty.
    auto* rest = new QWidget(controlBar);
    rest->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    controlBar->addWidget(rest);

    connect(scannenButton_, &QToolButton::clicked, this, &TForm1::ScannenButtonClick);
    connect(level11, &QAction::triggered, this, &TForm1::ScannenID3Level11Click);
    connect(level21, &QAction::triggered, this, &TForm1::ScannenID3Level21Click);
    connect(wizard, &QToolButton::clicked, this, &TForm1::ButtonWizardClick);
    connect(suchen, &QToolButton::clicked, this, &TForm1::ButtonSuchenClick);
    connect(optionen, &QToolButton::clicked, this, &TForm1::ButtonOptionenClick);
    connect(update, &QToolButton::clicked, this, &TForm1::ButtonUpdateClick);
    connect(info, &QToolButton::clicked, this, &TForm1::ButtonInfoClick);
}

void TForm1::BuildList() {
    // The file list.
    model_ = new FileListModel(this);
    listView_ = new QTreeView(this);
    listView_->setObjectName(QStringLiteral("ListView1"));
    listView_->setModel(model_);
    listView_->setRootIsDecorated(false);
    listView_->setItemsExpandable(false);
    listView_->setUniformRowHeights(true);
    listView_->setAllColumnsShowFocus(true);
    listView_->setSortingEnabled(false);
    listView_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    listView_->setSelectionBehavior(QAbstractItemView::SelectRows);
    listView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    listView_->setIconSize(QSize(16, 16));
    listView_->setItemDelegate(new GridDelegate(&gridLines_, listView_));
    QHeaderView* header = listView_->header();
    header->setSectionsMovable(false);
    header->setSectionsClickable(false);
    header->setStretchLastSection(false);
    header->setSortIndicatorShown(false);
    for (int c = 0; c < ColumnCount; ++c)
        listView_->setColumnWidth(c, Columns[static_cast<size_t>(c)].DesignWidth);
    setCentralWidget(listView_);

    connect(listView_, &QAbstractItemView::doubleClicked, this, &TForm1::ListView1DblClick);

    // Every change of a row (selection, focus, text, the rows themselves)
    // recomputes the menu states.
    QItemSelectionModel* selection = listView_->selectionModel();
    connect(selection, &QItemSelectionModel::selectionChanged, this, &TForm1::ListView1Change);
    connect(selection, &QItemSelectionModel::currentChanged, this, &TForm1::ListView1Change);
    connect(model_, &QAbstractItemModel::dataChanged, this, &TForm1::ListView1Change);
    connect(model_, &QAbstractItemModel::modelReset, this, &TForm1::ListView1Change);
    connect(model_, &QAbstractItemModel::rowsInserted, this, &TForm1::ListView1Change);
    connect(model_, &QAbstractItemModel::rowsRemoved, this, &TForm1::ListView1Change);
    connect(model_, &QAbstractItemModel::layoutChanged, this, &TForm1::ListView1Change);
}

QMenu* TForm1::BuildPopupMenu() {
    // Context menu of the list.
    auto* popup1 = new QMenu(this);
    popup1->setObjectName(QStringLiteral("PopupMenu1"));
    linienanzeigen1_ = MakeAction(popup1, "Linienanzeigen1", QStringLiteral("Linien anzeigen"));
    linienanzeigen1_->setCheckable(true);
    trackabspielen1_ = MakeAction(popup1, "Trackabspielen1", QStringLiteral("Track abspielen"));
    popup1->addSeparator()->setObjectName(QStringLiteral("N1"));
    wizard1_ = MakeAction(popup1, "Wizard1", QStringLiteral("Wizard"));
    dateinameID3Tags1_ =
        MakeAction(popup1, "DateinameID3Tags1", QStringLiteral("Dateiname -> ID3Tags"));
    id3TagsDateiname1_ =
        MakeAction(popup1, "ID3TagsDateiname1", QStringLiteral("ID3Tags -> Dateiname"));
    popup1->addSeparator()->setObjectName(QStringLiteral("N2"));
    level1Level21_ =
        MakeAction(popup1, "Level1Level21", QStringLiteral("ID3Tags Level 1 -> ID3Tags Level 2"));
    level2Level11_ =
        MakeAction(popup1, "Level2Level11", QStringLiteral("ID3Tags Level 2 -> ID3Tags Level 1"));
    popup1->addSeparator()->setObjectName(QStringLiteral("N3"));
    cover1_ = MakeAction(popup1, "Cover1", QStringLiteral("Cover …"));
    version1_ = MakeAction(popup1, "Version1", QStringLiteral("ID3v2-Version …"));
    entfernen1_ = MakeAction(popup1, "Entfernen1", QStringLiteral("Tags entfernen …"));
    popup1->addSeparator()->setObjectName(QStringLiteral("N4"));
    exportieren1_ = MakeAction(popup1, "Exportieren1", QStringLiteral("Exportieren …"));
    importieren1_ = MakeAction(popup1, "Importieren1", QStringLiteral("Importieren …"));
    for (QAction* action : {trackabspielen1_, wizard1_, dateinameID3Tags1_, id3TagsDateiname1_,
                            level1Level21_, level2Level11_, cover1_, version1_, entfernen1_})
        action->setEnabled(false);
    listView_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(listView_, &QWidget::customContextMenuRequested, this,
            [this, popup1](QPoint pos) { popup1->popup(listView_->viewport()->mapToGlobal(pos)); });

    connect(linienanzeigen1_, &QAction::triggered, this, &TForm1::Linienanzeigen1Click);
    connect(trackabspielen1_, &QAction::triggered, this, &TForm1::Trackabspielen1Click);
    connect(wizard1_, &QAction::triggered, this, &TForm1::Wizard1Click);
    connect(dateinameID3Tags1_, &QAction::triggered, this, &TForm1::DateinameID3Tags1Click);
    connect(id3TagsDateiname1_, &QAction::triggered, this, &TForm1::ID3TagsDateiname1Click);
    connect(level1Level21_, &QAction::triggered, this, &TForm1::Level1Level21Click);
    connect(level2Level11_, &QAction::triggered, this, &TForm1::Level2Level11Click);
    connect(cover1_, &QAction::triggered, this, &TForm1::Cover1Click);
    connect(version1_, &QAction::triggered, this, &TForm1::Version1Click);
    connect(entfernen1_, &QAction::triggered, this, &TForm1::Entfernen1Click);
    connect(exportieren1_, &QAction::triggered, this, &TForm1::Exportieren1Click);
    connect(importieren1_, &QAction::triggered, this, &TForm1::Importieren1Click);
    return popup1;
}

void TForm1::BuildStatusBar() {
    // Status bar: field 0 is 500 pixels wide, field 1 takes the rest.
    QStatusBar* status = statusBar();
    status->setObjectName(QStringLiteral("StatusBar1"));
    statusField0_ = new QLabel(status);
    statusField0_->setObjectName(QStringLiteral("StatusField0"));
    statusField0_->setFixedWidth(500);
    statusField1_ = new QLabel(status);
    statusField1_->setObjectName(QStringLiteral("StatusField1"));
    for (QLabel* field : {statusField0_, statusField1_}) {
        field->setFrameShape(QFrame::StyledPanel);
        field->setFrameShadow(QFrame::Sunken);
        field->setTextFormat(Qt::PlainText);
    }
    status->addWidget(statusField0_);
    status->addWidget(statusField1_, 1);

    timer1_ = new QTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(250);

    connect(timer1_, &QTimer::timeout, this, &TForm1::Timer1Timer);
}

TForm1::~TForm1() = default;

std::vector<int> TForm1::SelectedRows() const {
    std::vector<int> rows;
    for (const auto& [first, last] : SelectedIntervals(listView_->selectionModel()))
        for (int r = first; r <= last; ++r) rows.push_back(r);
    return rows;
}

int TForm1::CurrentRow() const {
    const auto spans = SelectedIntervals(listView_->selectionModel());
    return spans.empty() ? -1 : spans.front().first;
}

int TForm1::SelectionCount() const {
    int count = 0;
    for (const auto& [first, last] : SelectedIntervals(listView_->selectionModel()))
        count += last - first + 1;
    return count;
}

std::string TForm1::RowPath(int row) const {
    return model_->FolderBytes(row) + model_->NameBytes(row);
}

void TForm1::SetGridLines(bool on) {
    gridLines_ = on;
    linienanzeigen1_->setChecked(on);
    listView_->viewport()->update();
}

int TForm1::ColumnWidth(int column) const {
    return ListColumnWidth(listView_, column);
}

QString TForm1::StatusText(int field) const {
    if (field == 0) return statusField0_->text();
    if (field == 1) return statusField1_->text();
    return {};
}

void TForm1::SetStatusText(int field, const QString& text) {
    if (field == 0) statusField0_->setText(text);
    if (field == 1) statusField1_->setText(text);
}

void TForm1::FormCreate() {
    scanLevel_ = 1;
    scannenButton_->setText(kLevel1);
    RestoreSettings();
}

void TForm1::FormClose() {
    SaveSettings();
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (scanning_) {
        // The scan sees the request after its current file, stops and closes.
        closeRequested_ = true;
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TForm1::ScannenButtonClick() {
    if (scanning_) return;
    const QString folder = dirCombo_->SelectedPath();
    if (folder.isEmpty()) return;

    TScanState state;
    state.Folder = folder;
    state.Level = scanLevel_;
    scanState_ = &state;
    scanning_ = true;
    foundCount_ = 0;
    timer1_->start();
    rowsLevel_ = state.Level;
    model_->Clear();

    // Files and folders that cannot be read are named once, at the end: a
    // box per file would hold up a folder of thousands of broken files.
    std::vector<std::string> broken;
    ScanReport report;
    if (folder != kPickerRoot) {
        ScanCallbacks callbacks;
        callbacks.Before = [this](const std::string&, const DirEntry&) { return CountFile(); };
        callbacks.Unreadable = [&broken](const std::string& path) { broken.push_back(path); };
        callbacks.Row = [this](const FileRow* row, const std::string&, const DirEntry&) {
            if (row) scanState_->Rows.push_back(ToListRow(*row));
            return true;
        };
        report = ScanFolder(QFile::encodeName(folder).toStdString(), state.Level, callbacks);
    }

    SetStatusText(0, folder);
    SetStatusText(1, QString::fromStdString(FoundCountText(foundCount_)));
    foundCount_ = 0;
    model_->ReplaceRows(std::move(state.Rows));
    timer1_->stop();
    scanState_ = nullptr;
    scanning_ = false;

    if (closeRequested_) {
        closeRequested_ = false;
        close();
        return;
    }
    std::string unread;
    AppendPathSection(unread, kBrokenFilesHeading, broken);
    AppendPathSection(unread, kUnreadableFoldersHeading, report.Unreadable);
    if (!unread.empty()) ShowMessageBox(QString::fromStdString(unread), this);
}

bool TForm1::CountFile() {
    ++foundCount_;
    QCoreApplication::processEvents();
    return !closeRequested_;
}

void TForm1::Timer1Timer() {
    if (!scanState_) return;
    SetStatusText(0, QString::fromStdString(ScanningText(scanState_->Folder.toStdString())));
    SetStatusText(1, QString::fromStdString(FoundSoFarText(foundCount_)));
}

void TForm1::ScannenID3Level11Click() {
    if (scanning_) return;
    scannenButton_->setText(kLevel1);
    scanLevel_ = 1;
}

void TForm1::ScannenID3Level21Click() {
    if (scanning_) return;
    scannenButton_->setText(kLevel2);
    scanLevel_ = 2;
}

void TForm1::ListView1Change() {
    const int count = SelectionCount();
    const bool hasRow = CurrentRow() >= 0;
    trackabspielen1_->setEnabled(count == 1);
    wizard1_->setEnabled(count != 1 && hasRow);
    dateinameID3Tags1_->setEnabled(hasRow);
    id3TagsDateiname1_->setEnabled(hasRow);
    cover1_->setEnabled(count >= 1);
    version1_->setEnabled(count >= 1);
    entfernen1_->setEnabled(count >= 1);
    const bool level1 = hasRow && RowsLevel() == 1;
    level2Level11_->setEnabled(level1);
    level1Level21_->setEnabled(!level1);
}

void TForm1::ListView1DblClick() {
    if (scanning_ || CurrentRow() < 0) return;
    Show(dialogs_.Form2);
}

void TForm1::Linienanzeigen1Click() {
    SetGridLines(!gridLines_);
}

namespace {

// Qt hands a file to xdg-open in the background and reports success even
// when xdg-open then finds no program, so the desktop is asked first. Where
// it cannot be asked, opening is tried as it is.
bool DesktopHasMp3Player() {
#ifdef Q_OS_LINUX
    const QString query = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (query.isEmpty()) return true;
    QProcess process;
    process.start(
        query, {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("audio/mpeg")});
    if (!process.waitForFinished(3000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        return true;
    }
    return !process.readAllStandardOutput().trimmed().isEmpty();
#else
    return true;
#endif
}

}  // namespace

void TForm1::Trackabspielen1Click() {
    if (scanning_) return;
    const int row = CurrentRow();
    if (row < 0) return;
    // Percent-encoded from the bytes, so a name that is not UTF-8 reaches the
    // player as it is.
    const QByteArray path = QByteArray::fromStdString(RowPath(row));
    // Without a program for the file type Qt only prints a line on standard error.
    if (!DesktopHasMp3Player() ||
        !QDesktopServices::openUrl(QUrl::fromEncoded("file://" + path.toPercentEncoding("/"))))
        ShowMessageBox(kNoPlayerMessage, this);
}

void TForm1::Wizard1Click() {
    ButtonWizardClick();
}

void TForm1::ButtonWizardClick() {
    if (scanning_) return;
    if (CurrentRow() >= 0 && SelectionCount() != 1) {
        Show(dialogs_.Wizard);
    } else {
        ShowMessageBox(kWizardMessage, this);
    }
}

void TForm1::DateinameID3Tags1Click() {
    if (scanning_ || CurrentRow() < 0) return;
    Show(dialogs_.Konvertieren);
}

void TForm1::ID3TagsDateiname1Click() {
    if (scanning_ || CurrentRow() < 0) return;
    Show(dialogs_.Umbenennen);
}

void TForm1::Cover1Click() {
    if (scanning_ || SelectionCount() < 1) return;
    Show(dialogs_.Cover);
}

void TForm1::Exportieren1Click() {
    if (scanning_ || model_->RowCount() == 0) return;
    // The selected rows, all when none is selected.
    std::vector<int> rows = SelectedRows();
    if (rows.empty())
        for (int r = 0; r < model_->RowCount(); ++r) rows.push_back(r);
    const QString file =
        ChooseFile(this, true, QStringLiteral("Exportieren"), QString(),
                   QStringLiteral("CSV-Tabelle (*.csv);;Wiedergabeliste (*.m3u8)"));
    if (!file.isEmpty()) ExportRows(*this, rows, file, this);
}

void TForm1::Entfernen1Click() {
    if (scanning_ || SelectionCount() < 1) return;
    Show(dialogs_.Entfernen);
}

void TForm1::Version1Click() {
    if (scanning_ || SelectionCount() < 1) return;
    Show(dialogs_.Version);
}

void TForm1::Importieren1Click() {
    if (scanning_) return;
    Show(dialogs_.Importieren);
}

void TForm1::Level1Level21Click() {
    if (scanning_ || CurrentRow() < 0) return;
    Show(dialogs_.L1nachL2);
}

void TForm1::Level2Level11Click() {
    if (scanning_ || CurrentRow() < 0) return;
    Show(dialogs_.L2nachL1);
}

void TForm1::ButtonSuchenClick() {
    if (scanning_) return;
    if (model_->RowCount() > 0) {
        Show(dialogs_.Suchen);
    } else {
        ShowMessageBox(kSuchenMessage, this);
    }
}

void TForm1::ButtonOptionenClick() {
    if (scanning_) return;
    Show(dialogs_.Optionen);
}

void TForm1::ButtonInfoClick() {
    if (scanning_) return;
    Show(dialogs_.Info);
}
