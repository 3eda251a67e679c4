#include "ui/Unit15.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

#include "ops/History.h"
#include "ops/Reasons.h"
#include "ops/VersionOps.h"
#include "tags/ID3v2.h"
#include "ui/DialogHelpers.h"
#include "ui/Images.h"
#include "ui/ListRows.h"
#include "ui/RowRun.h"

TVersion::TVersion(ListRows* rows, QWidget* parent)
    : QDialog(parent ? parent : rows->Window()), rows_(rows) {
    setObjectName(QStringLiteral("Version"));
    setWindowTitle(QStringLiteral("ID3v2-Version"));
    setModal(true);
    QGroupBox* group = MakeRadioGroup(
        this, "RadioGroup1", QStringLiteral("Version"),
        {QStringLiteral("ID3v2.3 (ältere Geräte, Windows)"), QStringLiteral("ID3v2.4")}, version_);
    latin1_ = new QCheckBox(QStringLiteral("nur ISO-8859-1, wo möglich"), this);
    latin1_->setObjectName(QStringLiteral("CheckBox1"));
    label1_ = new QLabel(this);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->setWordWrap(true);
    label1_->setMinimumWidth(420);
    QToolButton* convert = NewFlatButton(this, "SpeedButton1", QStringLiteral("Umwandeln"));
    QToolButton* close = NewCloseButton(this);
    connect(convert, &QToolButton::clicked, this, &TVersion::SpeedButton1Click);
    connect(close, &QToolButton::clicked, this, &TVersion::SpeedButton2Click);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(convert);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(latin1_);
    layout->addWidget(label1_);
    layout->addLayout(buttons);
}

int TVersion::RadioGroup1ItemIndex() const {
    return version_->checkedId();
}
void TVersion::SetRadioGroup1ItemIndex(int index) {
    SetItemIndex(version_, index);
}
QString TVersion::Info() const {
    return label1_->text();
}

void TVersion::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TVersion::FormShow() {
    const auto n = static_cast<qsizetype>(rows_->SelectedRows().size());
    const QString files = QString::fromStdString(FileCountText(static_cast<int>(n)));
    label1_->setText(QStringLiteral("Das ID3v2-Tag von %1 wird umgewandelt; jeder Frame bleibt. "
                                    "\"Rückgängig\" nimmt es zurück.")
                         .arg(files));
}

void TVersion::SpeedButton1Click() {
    if (running_) return;
    running_ = true;
    id3v2::ConvertOptions options;
    options.Target = RadioGroup1ItemIndex() == 1 ? 4 : 3;
    options.Latin1 = latin1_->isChecked();
    VersionReport versions(options.Target);
    RowCells& cells = rows_->ListCells();
    const bool level2 = rows_->RowsLevel() == 2;
    RunOverSelectedRows(*rows_, this, "ID3v2-Version", 0,
                        [&](SaveRun& run, RunReport& report, int row) {
                            const std::string path = rows_->RowPath(row);
                            ConvertVersion(run, path, options, [&, path](const VersionOutcome& o) {
                                versions.Add(report, path, o);
                                report.SetSummary(versions.Summary());
                                // The rows show the tag as it now reads (a
                                // date in other frames, genres joined).
                                TID3v2 tag;
                                if (level2 && o.Save.Outcome == FileOutcome::Written &&
                                    o.Skip == VersionSkip::None && tag.ReadFromFile(path))
                                    cells.Set(path, tag.Texts());
                            });
                        });
    running_ = false;
    accept();
}

void TVersion::SpeedButton2Click() {
    reject();
}

void TVersion::reject() {
    if (running_) return;
    QDialog::reject();
}
