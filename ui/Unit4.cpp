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
#include "ops/Reasons.h"
#include "ops/SaveRun.h"
#include "ops/TagAccess.h"
#include "scan/FileRow.h"
#include "ui/DialogHelpers.h"
#include "ui/FileListModel.h"
#include "ui/ListRows.h"
#include "ui/MessageBox.h"
#include "ui/RowRun.h"

namespace {

// CheckBox<name>, Edit<name>: the field's name.
QString ControlName(const char* kind, TagField field) {
    const std::string_view name = FieldName(field);
    return QString::fromLatin1(kind) + QString::fromUtf8(name);
}

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
constexpr std::array<TickHandler, TagFieldCount> kTickHandlers{
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
    fields_ = std::make_unique<FieldInputs>(
        this, [](TagField field) { return ControlName("Edit", field); });
    for (int field = 0; field < static_cast<int>(TagFieldCount); ++field) {
        const TagField f = AllTagFields[field];
        auto* label = new QLabel(FieldInputs::Label(f), this);
        auto* check = new QCheckBox(this);
        check->setObjectName(ControlName("CheckBox", f));
        check->setAccessibleName(label->text());
        label->setBuddy(check);
        QWidget* input = fields_->Input(f);
        checkBoxes_[field] = check;
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
    std::vector<QWidget*> order;
    for (const TagField f : AllTagFields)
        if (f != TagField::Genre) order.push_back(fields_->Input(f));
    order.insert(order.end(), checkBoxes_.begin(), checkBoxes_.end());
    order.push_back(fields_->GenreBox());
    for (size_t i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);
    setFixedSize(sizeHint());
}

TWizard::~TWizard() = default;

void TWizard::ShowTickState(int field) {
    const bool ticked = checkBoxes_[field]->isChecked();
    QWidget* input = fields_->Input(AllTagFields[field]);
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
    return fields_->Text(AllTagFields[field]);
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
    RunOverSelectedRows(*rows_, this, "Wizard", 0, [&](SaveRun& run, RunReport& report, int row) {
        // Ticks and inputs are read per file: a change made during the run
        // applies to what is still to come. Each file is saved once, with all
        // ticked fields.
        std::vector<FieldText> fields;
        for (int field = 0; field < static_cast<int>(TagFieldCount); ++field) {
            if (checkBoxes_[field]->isChecked())
                fields.emplace_back(AllTagFields[field], InputText(field).toStdString());
        }
        if (fields.empty()) return;
        const std::string path = rows_->RowPath(row);
        WriteTagFields(run, path, level, fields,
                       [model, row, fields, path, &report](const SaveOutcome& outcome) {
                           if (outcome.Outcome != FileOutcome::Written) {
                               report.Add(path, outcome);
                               return;
                           }
                           for (const auto& [field, text] : fields)
                               model->SetCell(row, ColumnOf(field), QString::fromStdString(text));
                       });
    });
    speedButton1_->setEnabled(true);
    running_ = false;
    close();
}

void TWizard::SpeedButton2Click() {
    close();
}
