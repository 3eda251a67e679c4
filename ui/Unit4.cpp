#include "ui/Unit4.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <limits>
#include <string>
#include <vector>

#include "ops/EditOps.h"
#include "ops/History.h"
#include "ops/TagAccess.h"
#include "scan/FileRow.h"
#include "ui/DialogHelpers.h"
#include "ui/FileListModel.h"
#include "ui/ListRows.h"
#include "ui/MessageBox.h"

namespace {

constexpr int kGenreField = 4;
struct FieldControls {
    const char* label;
    const char* name;  // CheckBox<name>, Edit<name>
    int column;
};
constexpr std::array<FieldControls, 6> kFields{{
    {"Interpret :", "Interpret", ColInterpret},
    {"Album :", "Album", ColAlbum},
    {"Titel :", "Titel", ColTitel},
    {"Jahr :", "Jahr", ColJahr},
    {"Genre :", "Genre", ColGenre},
    {"Kommentar :", "Kommentar", ColKommentar},
}};

QToolButton* NewSpeedButton(QWidget* parent, const char* name, const QString& caption,
                            const QIcon& icon) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(caption);
    button->setIcon(icon);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setMinimumWidth(110);
    return button;
}

using TickHandler = void (TWizard::*)();
constexpr std::array<TickHandler, 6> kTickHandlers{
    &TWizard::CheckBoxInterpretClick, &TWizard::CheckBoxAlbumClick,
    &TWizard::CheckBoxTitelClick,     &TWizard::CheckBoxJahrClick,
    &TWizard::CheckBoxGenreClick,     &TWizard::CheckBoxKommentarClick};

}  // namespace

TWizard::TWizard(ListRows* rows, QWidget* parent)
    : QDialog(parent ? parent : rows->Window()), rows_(rows) {
    setObjectName(QStringLiteral("Wizard"));
    setWindowTitle(QStringLiteral("Wizard"));
    setModal(true);

    auto* outer = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setColumnMinimumWidth(2, 320);
    for (int field = 0; field < 6; ++field) {
        const FieldControls& f = kFields[field];
        auto* label = new QLabel(QString::fromUtf8(f.label), this);
        auto* check = new QCheckBox(this);
        check->setObjectName(QStringLiteral("CheckBox") + QString::fromLatin1(f.name));
        check->setAccessibleName(label->text());
        label->setBuddy(check);
        QWidget* input = nullptr;
        if (field == kGenreField) {
            comboBoxGenre_ = NewGenreBox(this);
            input = comboBoxGenre_;
        } else {
            auto* edit = new QLineEdit(this);
            edit->setObjectName(QStringLiteral("Edit") + QString::fromLatin1(f.name));
            // No length limit of its own: the tag code cuts what the tag cannot hold.
            edit->setMaxLength(std::numeric_limits<int>::max());
            edits_[field] = edit;
            input = edit;
        }
        checkBoxes_[field] = check;
        inputs_[field] = input;
        grid->addWidget(label, field, 0);
        grid->addWidget(check, field, 1);
        grid->addWidget(input, field, 2);
        // toggled, not clicked: a tick set by program follows the same rule.
        connect(check, &QCheckBox::toggled, this, kTickHandlers[field]);
        ShowTickState(field);
    }
    outer->addLayout(grid);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    speedButton1_ = NewSpeedButton(this, "SpeedButton1", QStringLiteral("Alles Speichern"),
                                   style()->standardIcon(QStyle::SP_DialogSaveButton));
    speedButton2_ = NewSpeedButton(this, "SpeedButton2", QStringLiteral("Schließen"),
                                   style()->standardIcon(QStyle::SP_DialogCloseButton));
    connect(speedButton1_, &QToolButton::clicked, this, &TWizard::SpeedButton1Click);
    connect(speedButton2_, &QToolButton::clicked, this, &TWizard::SpeedButton2Click);
    buttons->addWidget(speedButton1_);
    buttons->addWidget(speedButton2_);
    outer->addLayout(buttons);

    // Keyboard order: the text inputs, the ticks top to bottom, the genre box;
    // disabled inputs drop out by themselves.
    QWidget* const order[] = {edits_[0],      edits_[1],      edits_[2],      edits_[3],
                              edits_[5],      checkBoxes_[0], checkBoxes_[1], checkBoxes_[2],
                              checkBoxes_[3], checkBoxes_[4], checkBoxes_[5], comboBoxGenre_};
    for (size_t i = 0; i + 1 < std::size(order); ++i) {
        setTabOrder(order[i], order[i + 1]);
    }
    setFixedSize(sizeHint());
}

void TWizard::ShowTickState(int field) {
    const bool ticked = checkBoxes_[field]->isChecked();
    QWidget* input = inputs_[field];
    input->setEnabled(ticked);
    // Untouched inputs look like the dialog's face, ticked ones like a field.
    QPalette pal = input->palette();
    const QColor background = ticked ? palette().color(QPalette::Active, QPalette::Base)
                                     : palette().color(QPalette::Active, QPalette::Button);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(group, QPalette::Base, background);
    }
    input->setPalette(pal);
}

void TWizard::CheckBoxInterpretClick() {
    ShowTickState(0);
}
void TWizard::CheckBoxAlbumClick() {
    ShowTickState(1);
}
void TWizard::CheckBoxTitelClick() {
    ShowTickState(2);
}
void TWizard::CheckBoxJahrClick() {
    ShowTickState(3);
}
void TWizard::CheckBoxGenreClick() {
    ShowTickState(4);
}
void TWizard::CheckBoxKommentarClick() {
    ShowTickState(5);
}

QString TWizard::InputText(int field) const {
    return field == kGenreField ? comboBoxGenre_->currentText() : edits_[field]->text();
}

void TWizard::keyPressEvent(QKeyEvent* event) {
    // Enter does not start a run, Escape does not close.
    if (!SwallowDialogKey(event)) QDialog::keyPressEvent(event);
}

void TWizard::closeEvent(QCloseEvent* event) {
    // A run is not stopped by closing; it closes the dialog itself when done.
    if (running_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TWizard::SpeedButton1Click() {
    if (running_ || !rows_) return;
    running_ = true;
    const int level = rows_->RowsLevel();
    speedButton1_->setEnabled(false);

    FileListModel* model = rows_->Model();
    RunReport report;
    {
        // One step of the history: "Rückgängig" takes the whole run back.
        StepRecorder step(&rows_->History(), "Wizard", &rows_->ListCells());
        SaveRun run;
        for (const int row : rows_->SelectedRows()) {
            QCoreApplication::processEvents();
            // Ticks and inputs are read per file: a change made during the run
            // applies to what is still to come. Each file is saved once, with
            // all ticked fields.
            std::vector<FieldText> fields;
            std::vector<std::pair<int, QString>> cells;
            for (int field = 0; field < 6; ++field) {
                if (!checkBoxes_[field]->isChecked()) continue;
                const QString text = InputText(field);
                fields.emplace_back(AllTagFields[field], text.toStdString());
                cells.emplace_back(kFields[field].column, text);
            }
            if (fields.empty()) continue;
            const std::string path = rows_->RowPath(row);
            WriteTagFields(run, path, level, fields,
                           [model, row, cells, path, &report](const SaveOutcome& outcome) {
                               if (outcome.Outcome != FileOutcome::Written) {
                                   report.Add(path, outcome);
                                   return;
                               }
                               for (const auto& [column, text] : cells)
                                   model->SetCell(row, column, text);
                           });
        }
        run.Commit();
    }

    speedButton1_->setEnabled(true);
    running_ = false;
    if (!report.Empty()) ShowMessageBox(QString::fromStdString(report.Text()), this);
    close();
}

void TWizard::SpeedButton2Click() {
    close();
}
