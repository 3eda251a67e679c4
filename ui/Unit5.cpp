#include "ui/Unit5.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QShowEvent>
#include <QTableView>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <array>

#include "ops/Reasons.h"
#include "scan/FileRow.h"
#include "ui/Images.h"
#include "ui/ListRows.h"

// The hit list: rows like the main list's, under the captions the main list
// had when the dialog was created.
class HitListModel : public FileListModel {
  public:
    using FileListModel::FileListModel;
    std::array<QString, ColumnCount> Captions;

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
            section < ColumnCount) {
            return Captions[static_cast<size_t>(section)];
        }
        return FileListModel::headerData(section, orientation, role);
    }
};

namespace {

// What can be searched: the file name, the six tag fields, the bit rate;
// each captioned by its column's header.
struct SearchItem {
    int Column;
    const char* ExactSuffix;
};

constexpr std::array<SearchItem, TagFieldCount + 2> kSearchItems = [] {
    std::array<SearchItem, TagFieldCount + 2> items{};
    items.front() = {ColDatei, ".mp3"};
    for (size_t i = 0; i < TagFieldCount; ++i) items[i + 1] = {ColumnOf(AllTagFields[i]), ""};
    items.back() = {ColBitrate, " KBit/s"};
    return items;
}();

QString CaptionOf(const SearchItem& item) {
    const std::string_view header = ColumnHeader(static_cast<Column>(item.Column));
    return QString::fromUtf8(header);
}

const SearchItem& ItemAt(int item) {
    if (item < 0 || item >= static_cast<int>(kSearchItems.size())) return kSearchItems[0];
    return kSearchItems[static_cast<size_t>(item)];
}

// A page of a list with an arrow: the hits go into the main list.
const QIcon& TransferIcon() {
    static const QIcon icon = [] {
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(90, 90, 90), 1));
        painter.setBrush(Qt::white);
        painter.drawRect(QRectF(6.5, 1.5, 8, 13));
        painter.setPen(QPen(QColor(120, 120, 120), 1));
        for (int y = 4; y <= 12; y += 3)
            painter.drawLine(QPointF(8.5, y + 0.5), QPointF(12.5, y + 0.5));
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(30, 130, 40));
        const QPointF arrow[] = {{0.5, 6.5}, {4.5, 6.5}, {4.5, 4},  {8.5, 8},
                                 {4.5, 12},  {4.5, 9.5}, {0.5, 9.5}};
        painter.drawPolygon(arrow, 7);
        return QIcon(pixmap);
    }();
    return icon;
}

}  // namespace

QString UpperAsciiLetters(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) c = QChar(c.unicode() - ('a' - 'A'));
    }
    return out;
}

int SearchColumnOfItem(int item) {
    return ItemAt(item).Column;
}

bool SearchHit(const QString& cell, const QString& term, int item, bool exact) {
    if (exact) {
        const QString wanted = term + QString::fromLatin1(ItemAt(item).ExactSuffix);
        return UpperAsciiLetters(cell) == UpperAsciiLetters(wanted);
    }
    // An empty term is found nowhere.
    if (term.isEmpty()) return false;
    return UpperAsciiLetters(cell).contains(UpperAsciiLetters(term), Qt::CaseSensitive);
}

TSuchen::TSuchen(ListRows* rows, QWidget* parent)
    : QDialog(parent ? parent : rows->Window()), rows_(rows) {
    setObjectName(QStringLiteral("Suchen"));
    setWindowTitle(QStringLiteral("Suchen"));
    setModal(true);

    label1_ = new QLabel(QStringLiteral("Suchbegriff :"), this);
    label1_->setObjectName(QStringLiteral("Label1"));
    edit1_ = new QLineEdit(this);
    edit1_->setObjectName(QStringLiteral("Edit1"));
    label1_->setBuddy(edit1_);
    checkBox1_ = new QCheckBox(QStringLiteral("Exakte Übereinstimmung"), this);
    checkBox1_->setObjectName(QStringLiteral("CheckBox1"));

    speedButton1_ = new QToolButton(this);
    speedButton1_->setObjectName(QStringLiteral("SpeedButton1"));
    speedButton1_->setText(QStringLiteral("Suchen"));
    speedButton1_->setIcon(ToolIcon(ToolImage::Suchen));
    speedButton2_ = new QToolButton(this);
    speedButton2_->setObjectName(QStringLiteral("SpeedButton2"));
    speedButton2_->setText(QStringLiteral("Ergebnisse übertragen"));
    speedButton2_->setIcon(TransferIcon());
    speedButton2_->setEnabled(false);
    for (QToolButton* button : {speedButton1_, speedButton2_}) {
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setAutoRaise(true);
        button->setIconSize(QSize(16, 16));
    }
    connect(speedButton1_, &QToolButton::clicked, this, &TSuchen::SpeedButton1Click);
    connect(speedButton2_, &QToolButton::clicked, this, &TSuchen::SpeedButton2Click);
    // Return in the term field searches.
    connect(edit1_, &QLineEdit::returnPressed, this, &TSuchen::SpeedButton1Click);

    label2_ = new QLabel(this);
    label2_->setObjectName(QStringLiteral("Label2"));
    label2_->setMinimumWidth(360);

    radioGroup1_ = new QGroupBox(QStringLiteral("Suche in ..."), this);
    radioGroup1_->setObjectName(QStringLiteral("RadioGroup1"));
    searchIn_ = new QButtonGroup(radioGroup1_);
    auto* radioLayout = new QGridLayout(radioGroup1_);
    for (int i = 0; i < static_cast<int>(kSearchItems.size()); ++i) {
        auto* radio =
            new QRadioButton(CaptionOf(kSearchItems[static_cast<size_t>(i)]), radioGroup1_);
        radio->setObjectName(QStringLiteral("RadioGroup1Item%1").arg(i));
        searchIn_->addButton(radio, i);
        radioLayout->addWidget(radio, i % 4, i / 4);
    }
    searchIn_->button(0)->setChecked(true);

    hitModel_ = new HitListModel(this);
    listView1_ = new QTableView(this);
    listView1_->setObjectName(QStringLiteral("ListView1"));
    listView1_->setModel(hitModel_);
    listView1_->setShowGrid(true);
    listView1_->setSelectionBehavior(QAbstractItemView::SelectRows);
    listView1_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    listView1_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    listView1_->setSortingEnabled(false);
    listView1_->setWordWrap(false);
    listView1_->setIconSize(QSize(16, 16));
    listView1_->verticalHeader()->hide();
    listView1_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    listView1_->horizontalHeader()->setSectionsClickable(false);
    listView1_->horizontalHeader()->setHighlightSections(false);
    listView1_->setMinimumSize(760, 280);

    auto* termRow = new QHBoxLayout;
    termRow->addWidget(label1_);
    termRow->addWidget(edit1_, 1);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(speedButton1_);
    buttonRow->addWidget(speedButton2_);
    buttonRow->addStretch();
    auto* left = new QVBoxLayout;
    left->addLayout(termRow);
    left->addWidget(checkBox1_);
    left->addLayout(buttonRow);
    left->addWidget(label2_);
    left->addStretch();
    auto* top = new QHBoxLayout;
    top->addLayout(left, 1);
    top->addWidget(radioGroup1_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(listView1_, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    FormCreate();
}

int TSuchen::RadioGroup1ItemIndex() const {
    return searchIn_->checkedId();
}

void TSuchen::SetRadioGroup1ItemIndex(int index) {
    if (QAbstractButton* button = searchIn_->button(index)) button->setChecked(true);
}

void TSuchen::FormCreate() {
    // Captions and widths as the main list has them now, stored widths applied.
    const QAbstractItemModel* main = rows_->Model();
    for (int c = 0; c < ColumnCount; ++c) {
        hitModel_->Captions[static_cast<size_t>(c)] =
            main->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        const int width = rows_->ColumnWidth(c);
        listView1_->setColumnHidden(c, width == 0);
        if (width > 0) listView1_->setColumnWidth(c, width);
    }
    emit hitModel_->headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

void TSuchen::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) FormShow();
    QDialog::showEvent(event);
}

void TSuchen::FormShow() {
    hits_.clear();
    hitModel_->Clear();
    speedButton2_->setEnabled(false);
    label2_->clear();
    edit1_->clear();
    edit1_->setFocus();
}

void TSuchen::SpeedButton1Click() {
    const QString term = edit1_->text();
    hits_.clear();
    hitModel_->Clear();
    label2_->setText(QStringLiteral("Suche nach ") + term);

    const int item = RadioGroup1ItemIndex();
    const int column = SearchColumnOfItem(item);
    const bool exact = checkBox1_->isChecked();
    for (const ListRow& row : rows_->Model()->Rows()) {
        if (SearchHit(row.Cells[static_cast<size_t>(column)], term, item, exact)) {
            hits_.push_back(row);
        }
    }
    hitModel_->ReplaceRows(hits_);

    // Joined, not formatted: the term may itself hold "%1".
    label2_->setText(QStringLiteral("Die Suche nach \"") + term + QStringLiteral("\" ergab ") +
                     QString::number(hits_.size()) + QStringLiteral(" Treffer."));
    speedButton2_->setEnabled(!hits_.empty());
}

void TSuchen::SpeedButton2Click() {
    // A transfer with no hits would empty the main list; the button is off then.
    if (hits_.empty()) return;
    const QString caption = CaptionOf(ItemAt(RadioGroup1ItemIndex()));
    const size_t count = hits_.size();
    rows_->Model()->ReplaceRows(hits_);
    rows_->SetStatusText(0, QStringLiteral("Gesucht wurde \"") + edit1_->text() +
                                QStringLiteral("\" in \"") + caption + QStringLiteral("\"."));
    rows_->SetStatusText(
        1, QStringLiteral("Suche ergab ") + QString::number(count) + QStringLiteral(" Treffer."));
    accept();
}
