#include "ui/Unit11.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QShowEvent>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <map>

#include "ops/ConvertOps.h"
#include "ops/History.h"
#include "ops/Outcome.h"
#include "ops/Reasons.h"
#include "tags/Text.h"
#include "ui/DialogHelpers.h"
#include "ui/Images.h"
#include "ui/ListRows.h"
#include "ui/MessageBox.h"

namespace {

QString Readable(std::string_view bytes) {
    return QString::fromStdString(ReadableName(bytes));
}

std::string NameOfPath(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

// "Platzhalter: %Interpret%  %Album%  ...  %Track% (zweistellig, "07"); %% für ein %"
std::string PlaceholderList() {
    std::string text = "Platzhalter: ";
    for (const TagField f : AllTagFields) text += "%" + std::string(FieldName(f)) + "%  ";
    return text + "%" + std::string(kTrackName) + "% (zweistellig, \"07\"); %% für ein %";
}

}  // namespace

TUmbenennen::TUmbenennen(ListRows* rows, QWidget* parent)
    : QDialog(parent ? parent : rows->Window()), rows_(rows) {
    setObjectName(QStringLiteral("Umbenennen"));
    setWindowTitle(QStringLiteral("Umbenennen"));
    setModal(true);

    radioGroup2_ = MakeRadioGroup(this, "RadioGroup2", QStringLiteral("Reihenfolge"),
                                  {QStringLiteral("ID3 Interpret + ID3 Titel -> Dateiname"),
                                   QStringLiteral("ID3 Titel + ID3 Interpret -> Dateiname")},
                                  order_);
    radioGroup1_ = MakeFilterGroup(this, filter_);
    connect(order_, &QButtonGroup::idClicked, this, &TUmbenennen::RadioGroupClick);
    connect(filter_, &QButtonGroup::idClicked, this, &TUmbenennen::RadioGroupClick);

    auto* patternLabel = new QLabel(QStringLiteral("Muster :"), this);
    edit1_ = new QLineEdit(this);
    edit1_->setObjectName(QStringLiteral("Edit1"));
    patternLabel->setBuddy(edit1_);
    auto* placeholders = new QLabel(QString::fromStdString(PlaceholderList()), this);
    placeholders->setObjectName(QStringLiteral("Label2"));
    placeholders->setTextFormat(Qt::PlainText);
    placeholders->setWordWrap(true);
    connect(edit1_, &QLineEdit::textChanged, this, &TUmbenennen::Edit1Change);

    listView1_ = new QTreeWidget(this);
    listView1_->setObjectName(QStringLiteral("ListView1"));
    listView1_->setHeaderLabels(
        {QStringLiteral("Alter Name"), QStringLiteral("Neuer Name"), QStringLiteral("Grund")});
    listView1_->setRootIsDecorated(false);
    listView1_->setSelectionMode(QAbstractItemView::NoSelection);
    listView1_->setUniformRowHeights(true);
    listView1_->header()->setStretchLastSection(true);
    listView1_->setColumnWidth(0, 220);
    listView1_->setColumnWidth(1, 260);
    listView1_->setMinimumSize(760, 220);

    speedButton1_ = NewFlatButton(this, "SpeedButton1", QStringLiteral("Umbenennen"));
    speedButton2_ = NewCloseButton(this);
    connect(speedButton1_, &QToolButton::clicked, this, &TUmbenennen::SpeedButton1Click);
    connect(speedButton2_, &QToolButton::clicked, this, &TUmbenennen::SpeedButton2Click);

    auto* groups = new QHBoxLayout;
    groups->addWidget(radioGroup2_);
    groups->addWidget(radioGroup1_);
    groups->addStretch();
    auto* pattern = new QHBoxLayout;
    pattern->addWidget(patternLabel);
    pattern->addWidget(edit1_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(speedButton1_);
    buttons->addWidget(speedButton2_);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addLayout(pattern);
    layout->addWidget(placeholders);
    layout->addWidget(listView1_, 1);
    layout->addLayout(buttons);

    RadioGroupClick();
}

int TUmbenennen::RadioGroup1ItemIndex() const {
    return filter_->checkedId();
}
void TUmbenennen::SetRadioGroup1ItemIndex(int index) {
    SetItemIndex(filter_, index);
    RadioGroupClick();
}
int TUmbenennen::RadioGroup2ItemIndex() const {
    return order_->checkedId();
}
void TUmbenennen::SetRadioGroup2ItemIndex(int index) {
    SetItemIndex(order_, index);
    RadioGroupClick();
}

QString TUmbenennen::Pattern() const {
    return edit1_->text();
}
void TUmbenennen::SetPattern(const QString& pattern) {
    edit1_->setText(pattern);
}

void TUmbenennen::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TUmbenennen::FormShow() {
    paths_.clear();
    values_.clear();
    const int level = rows_->RowsLevel();
    for (const int row : rows_->SelectedRows()) {
        paths_.push_back(rows_->RowPath(row));
        values_.push_back(ReadRenameValues(paths_.back(), level));
    }
    Edit1Change();
}

void TUmbenennen::RadioGroupClick() {
    SetPattern(QString::fromStdString(
        PatternOf(RadioGroup2ItemIndex() == 1, SeparatorOfItem(RadioGroup1ItemIndex()))));
}

void TUmbenennen::Edit1Change() {
    const std::vector<RenamePlanItem> plan = PlanRenames(paths_, values_, Pattern().toStdString());
    listView1_->clear();
    QList<QTreeWidgetItem*> items;
    for (const RenamePlanItem& p : plan) {
        auto* item = new QTreeWidgetItem;
        item->setText(0, Readable(NameOfPath(p.Path)));
        item->setText(1, Readable(p.NewName));
        item->setText(2, QString::fromStdString(RenameSkipText(p.Skip, p.Missing)));
        // A file that would stay is marked: its row greyed, the reason in red.
        if (p.Skip != RenameSkip::None) {
            item->setForeground(0, palette().color(QPalette::Disabled, QPalette::Text));
            item->setForeground(1, palette().color(QPalette::Disabled, QPalette::Text));
            item->setForeground(2, QColor(170, 30, 30));
        }
        items.append(item);
    }
    listView1_->addTopLevelItems(items);
}

void TUmbenennen::SpeedButton1Click() {
    // The plan is made again: a file may have come or gone since the preview.
    std::vector<RenamePlanItem> plan = PlanRenames(paths_, values_, Pattern().toStdString());
    std::vector<RenameRecord> done = CarryOut(plan);
    for (const RenameRecord& r : done) rows_->ListCells().Renamed(r.From, r.To);
    rows_->History().AddRenames("ID3Tags -> Dateiname", std::move(done));

    std::map<std::string, std::vector<std::string>> stayed;  // by reason
    for (const RenamePlanItem& p : plan) {
        if (p.Skip != RenameSkip::None) stayed[RenameSkipText(p.Skip, p.Missing)].push_back(p.Path);
    }
    std::string text;
    for (const auto& [reason, files] : stayed)
        AppendPathSection(text, "Folgende Dateien wurden nicht umbenannt (" + reason + "):", files);
    if (!text.empty()) ShowMessageBox(QString::fromStdString(text), this);
    accept();
}

void TUmbenennen::SpeedButton2Click() {
    reject();
}
