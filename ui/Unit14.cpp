#include "ui/Unit14.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

#include "ops/History.h"
#include "ops/Reasons.h"
#include "ops/StripOps.h"
#include "ui/DialogHelpers.h"
#include "ui/Images.h"
#include "ui/ListRows.h"
#include "ui/RowRun.h"

TEntfernen::TEntfernen(ListRows* rows, QWidget* parent)
    : QDialog(parent ? parent : rows->Window()), rows_(rows) {
    setObjectName(QStringLiteral("Entfernen"));
    setWindowTitle(QStringLiteral("Tags entfernen"));
    setModal(true);
    QGroupBox* group = MakeRadioGroup(
        this, "RadioGroup1", QStringLiteral("Entfernen"),
        {QStringLiteral("ID3v1"), QStringLiteral("ID3v2"), QStringLiteral("beide")}, which_);
    connect(which_, &QButtonGroup::idClicked, this, &TEntfernen::FormShow);
    label1_ = new QLabel(this);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->setWordWrap(true);
    label1_->setMinimumWidth(420);
    QToolButton* remove = NewFlatButton(this, "SpeedButton1", QStringLiteral("Entfernen"));
    QToolButton* close = NewCloseButton(this);
    connect(remove, &QToolButton::clicked, this, &TEntfernen::SpeedButton1Click);
    connect(close, &QToolButton::clicked, this, &TEntfernen::SpeedButton2Click);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(remove);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(label1_);
    layout->addLayout(buttons);
}

int TEntfernen::RadioGroup1ItemIndex() const {
    return which_->checkedId();
}
void TEntfernen::SetRadioGroup1ItemIndex(int index) {
    SetItemIndex(which_, index);
    FormShow();
}
QString TEntfernen::Warning() const {
    return label1_->text();
}

void TEntfernen::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TEntfernen::FormShow() {
    const auto n = static_cast<qsizetype>(rows_->SelectedRows().size());
    const int index = RadioGroup1ItemIndex();
    const QString what = index == 0   ? QStringLiteral("wird das ID3v1-Tag")
                         : index == 1 ? QStringLiteral("wird das ID3v2-Tag")
                                      : QStringLiteral("werden beide Tags");
    const QString files = QString::fromStdString(FileCountText(static_cast<int>(n)));
    label1_->setText(
        QStringLiteral("Aus %1 %2 entfernt. \"Rückgängig\" nimmt es zurück.").arg(files, what));
}

void TEntfernen::SpeedButton1Click() {
    if (running_) return;
    running_ = true;
    const int index = RadioGroup1ItemIndex();
    const StripWhich which = index == 0   ? StripWhich::Id3v1
                             : index == 1 ? StripWhich::Id3v2
                                          : StripWhich::Both;
    // The rows show the tags as they now are: the level's cells go empty
    // where its tag went.
    const bool rowsLose = which == StripWhich::Both || (index == 0) == (rows_->RowsLevel() == 1);
    RowCells& cells = rows_->ListCells();
    RunOverSelectedRows(
        *rows_, this, "Tags entfernen", 0, [&](SaveRun& run, RunReport& report, int row) {
            const std::string path = rows_->RowPath(row);
            StripFile(run, path, which,
                      [&report, &cells, path, rowsLose](const SaveOutcome& o, bool) {
                          report.Add(path, o);
                          if (o.Outcome == FileOutcome::Written && rowsLose)
                              cells.Set(path, TagTexts{});
                      });
        });
    running_ = false;
    accept();
}

void TEntfernen::SpeedButton2Click() {
    reject();
}

void TEntfernen::reject() {
    if (running_) return;
    QDialog::reject();
}
