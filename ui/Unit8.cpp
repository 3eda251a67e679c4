#include "ui/Unit8.h"

#include <QApplication>
#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <string>
#include <vector>

#include "ops/ConvertOps.h"
#include "ops/SaveRun.h"
#include "ops/TagAccess.h"
#include "scan/FileRow.h"
#include "tags/MPEGaudio.h"
#include "ui/DialogHelpers.h"
#include "ui/FileListModel.h"
#include "ui/Images.h"
#include "ui/ListRows.h"
#include "ui/MessageBox.h"
#include "ui/RowRun.h"

TKonvertieren::TKonvertieren(ListRows* rows, QWidget* parent)
    : QDialog(parent ? parent : rows->Window()), rows_(rows) {
    setObjectName(QStringLiteral("Konvertieren"));
    setWindowTitle(QStringLiteral("Konvertieren"));
    setModal(true);

    radioGroup2_ = MakeRadioGroup(this, "RadioGroup2", QStringLiteral("Reihenfolge"),
                                  {QStringLiteral("Dateiname -> ID3 Interpret + ID3 Titel"),
                                   QStringLiteral("Dateiname -> ID3 Titel + ID3 Interpret")},
                                  order_);
    radioGroup1_ = MakeFilterGroup(this, filter_);

    speedButton1_ = NewFlatButton(this, "SpeedButton1", QStringLiteral("Konvertieren"));
    speedButton2_ = NewCloseButton(this);
    connect(speedButton1_, &QToolButton::clicked, this, &TKonvertieren::SpeedButton1Click);
    connect(speedButton2_, &QToolButton::clicked, this, &TKonvertieren::SpeedButton2Click);

    auto* groups = new QHBoxLayout;
    groups->addWidget(radioGroup2_);
    groups->addWidget(radioGroup1_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(speedButton1_);
    buttons->addWidget(speedButton2_);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

int TKonvertieren::RadioGroup1ItemIndex() const {
    return filter_->checkedId();
}
void TKonvertieren::SetRadioGroup1ItemIndex(int index) {
    SetItemIndex(filter_, index);
}
int TKonvertieren::RadioGroup2ItemIndex() const {
    return order_->checkedId();
}
void TKonvertieren::SetRadioGroup2ItemIndex(int index) {
    SetItemIndex(order_, index);
}

void TKonvertieren::SpeedButton1Click() {
    // The run lets events through, so a second press must not start another.
    if (running_) return;
    running_ = true;
    FileListModel* model = rows_->Model();
    TMPEGaudio audio;
    RunOverSelectedRows(
        *rows_, this, "Dateiname -> ID3Tags", 0, [&](SaveRun& run, RunReport& report, int row) {
            // Choices and level are read per row: a change during the run applies from here on.
            const NameFields fields = FieldsFromFileName(
                model->NameBytes(row), SeparatorOfItem(RadioGroup1ItemIndex()),
                RadioGroup2ItemIndex() == 1 ? NameOrder::TitleArtist : NameOrder::ArtistTitle);
            // A name without the separator gives nothing to write: the row stays.
            if (!fields.Found) return;
            const std::string path = rows_->RowPath(row);
            WriteArtistTitle(
                run, audio, path, rows_->RowsLevel(), fields.Artist, fields.Title,
                [model, row, fields, path, &report](const SaveOutcome& outcome) {
                    if (outcome.Outcome == FileOutcome::Written) {
                        model->SetCell(row, ColInterpret, QString::fromStdString(fields.Artist));
                        model->SetCell(row, ColTitel, QString::fromStdString(fields.Title));
                    }
                    report.Add(path, outcome);
                });
        });
    running_ = false;
    accept();
}

void TKonvertieren::SpeedButton2Click() {
    reject();
}

void TKonvertieren::reject() {
    if (running_) return;  // the run closes the dialog itself when it ends
    QDialog::reject();
}
