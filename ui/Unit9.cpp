#include "ui/Unit9.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <vector>

#include "ops/SaveRun.h"
#include "ops/TagAccess.h"
#include "scan/FileRow.h"
#include "tags/MPEGaudio.h"
#include "ui/FileListModel.h"
#include "ui/ListRows.h"
#include "ui/MessageBox.h"
#include "ui/RowRun.h"

TLevelTransfer::TLevelTransfer(ListRows* rows, QWidget* parent, int sourceLevel,
                               const QString& caption, const QString& label)
    : QDialog(parent ? parent : rows->Window()), rows_(rows), sourceLevel_(sourceLevel) {
    setWindowTitle(caption);
    setModal(true);

    label1_ = new QLabel(label, this);
    label1_->setObjectName(QStringLiteral("Label1"));
    progressBar1_ = new QProgressBar(this);
    progressBar1_->setObjectName(QStringLiteral("ProgressBar1"));
    progressBar1_->setRange(0, 100);
    progressBar1_->setValue(0);
    progressBar1_->setTextVisible(false);
    progressBar1_->setMinimumWidth(320);

    speedButton1_ = new QToolButton(this);
    speedButton1_->setObjectName(QStringLiteral("SpeedButton1"));
    speedButton1_->setText(QStringLiteral("OK"));
    speedButton2_ = new QToolButton(this);
    speedButton2_->setObjectName(QStringLiteral("SpeedButton2"));
    speedButton2_->setText(QStringLiteral("Abbrechen"));
    for (QToolButton* button : {speedButton1_, speedButton2_}) {
        button->setAutoRaise(true);
        button->setMinimumWidth(80);
    }
    connect(speedButton1_, &QToolButton::clicked, this, &TLevelTransfer::SpeedButton1Click);
    connect(speedButton2_, &QToolButton::clicked, this, &TLevelTransfer::SpeedButton2Click);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(speedButton1_);
    buttons->addStretch();
    buttons->addWidget(speedButton2_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label1_);
    layout->addWidget(progressBar1_);
    layout->addLayout(buttons);
}

void TLevelTransfer::SpeedButton1Click() {
    // The run lets events through, so a second press must not start another.
    if (running_) return;
    running_ = true;
    FileListModel* model = rows_->Model();
    TMPEGaudio audio;
    const auto each = [&](SaveRun& run, RunReport& report, int row) {
        const std::string path = rows_->RowPath(row);
        const auto done = [model, row, path, &report](const TransferResult& r) {
            if (r.Status == FileOutcome::Written) model->SetTagCells(row, r.Cells);
            report.Add(path, SaveOutcome{r.Status, r.Why});
            report.AddKept(path, r.Kept);
        };
        if (sourceLevel_ == 1) {
            TransferLevel1To2(run, audio, path, done);
        } else {
            TransferLevel2To1(run, audio, path, done);
        }
    };
    RunOverSelectedRows(*rows_, this,
                        sourceLevel_ == 1 ? "ID3Tags Level 1 -> ID3Tags Level 2"
                                          : "ID3Tags Level 2 -> ID3Tags Level 1",
                        sourceLevel_, each, progressBar1_);
    running_ = false;
    accept();
}

void TLevelTransfer::SpeedButton2Click() {
    reject();
}

void TLevelTransfer::reject() {
    // "Abbrechen" and the close box wait for a run to end; it closes the dialog anyway.
    if (running_) return;
    QDialog::reject();
}

TL1nachL2::TL1nachL2(ListRows* rows, QWidget* parent)
    : TLevelTransfer(rows, parent, 1, QStringLiteral("Transfer Level 1 -> Level 2"),
                     QStringLiteral("Transferiere ID3Tags Level 1 nach ID3Tag Level 2...")) {
    setObjectName(QStringLiteral("L1nachL2"));
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}
