#include "ui/Unit2.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <limits>

#include "ops/EditOps.h"
#include "ops/History.h"
#include "ops/Reasons.h"
#include "scan/FileRow.h"
#include "tags/Text.h"
#include "ui/DialogHelpers.h"
#include "ui/FileListModel.h"
#include "ui/ListRows.h"
#include "ui/MessageBox.h"

namespace {

std::array<QString, TagFieldCount>& Clipboard() {
    static std::array<QString, TagFieldCount> values;
    return values;
}

// Trailing blanks and control characters, as the tag code cuts them.
QString WithoutTrailingBlanks(const QString& text) {
    return QString::fromStdString(TrimBlanks(text.toStdString()));
}

// Small drawn images so the buttons look the same with any icon theme.
QIcon CopyIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QColor(60, 60, 60));
    p.setBrush(Qt::white);
    p.drawRect(1, 1, 9, 11);
    p.drawRect(5, 4, 9, 11);
    p.setPen(QColor(40, 80, 160));
    for (int y = 7; y <= 12; y += 2) p.drawLine(7, y, 12, y);
    return QIcon(pixmap);
}

QIcon PasteIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QColor(90, 60, 20));
    p.setBrush(QColor(190, 140, 70));
    p.drawRect(1, 2, 11, 13);
    p.setBrush(QColor(150, 150, 150));
    p.drawRect(4, 0, 5, 3);
    p.setPen(QColor(60, 60, 60));
    p.setBrush(Qt::white);
    p.drawRect(6, 6, 9, 9);
    p.setPen(QColor(40, 80, 160));
    for (int y = 9; y <= 13; y += 2) p.drawLine(8, y, 13, y);
    return QIcon(pixmap);
}

QToolButton* NewSpeedButton(QWidget* parent, int number) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QStringLiteral("SpeedButton%1").arg(number));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);  // flat buttons take no keyboard focus
    return button;
}

}  // namespace

TForm2::TForm2(ListRows* rows, QWidget* parent)
    : QDialog(parent ? parent : rows->Window()), rows_(rows) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("ID3Tag Editieren"));
    setModal(true);

    auto* outer = new QVBoxLayout(this);
    label1_ = new QLabel(QStringLiteral("Datei :"), this);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->setTextFormat(Qt::PlainText);
    outer->addWidget(label1_);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(4);
    grid->setColumnMinimumWidth(1, 320);
    const QIcon copyIcon = CopyIcon();
    const QIcon pasteIcon = PasteIcon();
    fields_ = std::make_unique<FieldInputs>(
        this, [](TagField field) { return QStringLiteral("Edit%1").arg(IndexOf(field) + 1); });
    for (int field = 0; field < static_cast<int>(TagFieldCount); ++field) {
        auto* label = new QLabel(FieldInputs::Label(AllTagFields[field]), this);
        grid->addWidget(label, field, 0);
        QWidget* input = fields_->Input(AllTagFields[field]);
        label->setBuddy(input);
        grid->addWidget(input, field, 1);

        QToolButton* copy = NewSpeedButton(this, 2 * field + 1);
        copy->setIcon(copyIcon);
        copy->setToolTip(QStringLiteral("Kopieren"));
        QToolButton* paste = NewSpeedButton(this, 2 * field + 2);
        paste->setIcon(pasteIcon);
        speedButtons_[2 * field] = copy;
        speedButtons_[2 * field + 1] = paste;
        grid->addWidget(copy, field, 2);
        grid->addWidget(paste, field, 3);
        connect(copy, &QToolButton::clicked, this, [this, field] { Copy(field); });
        connect(paste, &QToolButton::clicked, this, [this, field] { Paste(field); });
    }
    outer->addLayout(grid);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    const struct {
        int number;
        const char* caption;
        QStyle::StandardPixmap icon;
        void (TForm2::*handler)();
    } kCommands[] = {
        {13, "Löschen", QStyle::SP_DialogResetButton, &TForm2::SpeedButton13Click},
        {14, "Speichern", QStyle::SP_DialogSaveButton, &TForm2::SpeedButton14Click},
        {15, "Schließen", QStyle::SP_DialogCloseButton, &TForm2::SpeedButton15Click},
    };
    for (const auto& command : kCommands) {
        QToolButton* button = NewSpeedButton(this, command.number);
        button->setText(QString::fromUtf8(command.caption));
        button->setIcon(style()->standardIcon(command.icon));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setMinimumWidth(96);
        speedButtons_[command.number - 1] = button;
        connect(button, &QToolButton::clicked, this, command.handler);
        buttons->addWidget(button);
    }
    outer->addLayout(buttons);

    // Keyboard order: the five text fields, then the genre box.
    QWidget* previous = nullptr;
    for (const TagField field : {TagField::Artist, TagField::Album, TagField::Title, TagField::Year,
                                 TagField::Comment, TagField::Genre}) {
        if (previous) setTabOrder(previous, fields_->Input(field));
        previous = fields_->Input(field);
    }

    FormCreate();
    setFixedSize(sizeHint());
}

TForm2::~TForm2() = default;

const std::array<QString, TagFieldCount>& TForm2::FieldClipboard() {
    return Clipboard();
}

void TForm2::ClearFieldClipboard() {
    for (auto& value : Clipboard()) value.clear();
}

void TForm2::FormCreate() {
    for (int field = 0; field < static_cast<int>(TagFieldCount); ++field) ShowPasteState(field);
}

void TForm2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TForm2::keyPressEvent(QKeyEvent* event) {
    // Enter does not save, Escape does not close.
    if (!SwallowDialogKey(event)) QDialog::keyPressEvent(event);
}

void TForm2::FormShow() {
    if (!rows_) return;
    const int row = rows_->CurrentRow();
    if (row < 0) return;
    const FileListModel* model = rows_->Model();
    label1_->setText(QStringLiteral("Datei : ") + model->Cell(row, ColDatei));
    for (const TagField field : AllTagFields) {
        opened_[IndexOf(field)] = WithoutTrailingBlanks(model->Cell(row, ColumnOf(field)));
        fields_->SetText(field, opened_[IndexOf(field)]);
    }
}

QString TForm2::FieldText(int field) const {
    return fields_->Text(AllTagFields[field]);
}

void TForm2::SetFieldText(int field, const QString& text) {
    fields_->SetText(AllTagFields[field], text);
}

void TForm2::ShowPasteState(int field) {
    QToolButton* paste = speedButtons_[2 * field + 1];
    const QString& value = Clipboard()[field];
    paste->setEnabled(!value.isEmpty());
    paste->setToolTip(value.isEmpty() ? QStringLiteral("Einfügen")
                                      : QStringLiteral("Einfügen(") + value + QLatin1Char(')'));
}

void TForm2::Copy(int field) {
    Clipboard()[field] = FieldText(field);
    ShowPasteState(field);
}

void TForm2::Paste(int field) {
    SetFieldText(field, Clipboard()[field]);
}

void TForm2::SpeedButton1Click() {
    Copy(0);
}
void TForm2::SpeedButton2Click() {
    Paste(0);
}
void TForm2::SpeedButton3Click() {
    Copy(1);
}
void TForm2::SpeedButton4Click() {
    Paste(1);
}
void TForm2::SpeedButton5Click() {
    Copy(2);
}
void TForm2::SpeedButton6Click() {
    Paste(2);
}
void TForm2::SpeedButton7Click() {
    Copy(3);
}
void TForm2::SpeedButton8Click() {
    Paste(3);
}
void TForm2::SpeedButton9Click() {
    Copy(4);
}
void TForm2::SpeedButton10Click() {
    Paste(4);
}
void TForm2::SpeedButton11Click() {
    Copy(5);
}
void TForm2::SpeedButton12Click() {
    Paste(5);
}

void TForm2::SpeedButton13Click() {
    for (const TagField field : AllTagFields) fields_->SetText(field, QString());
}

void TForm2::SpeedButton14Click() {
    const int row = rows_ ? rows_->CurrentRow() : -1;
    if (row < 0) {
        close();
        return;
    }
    // Only what the user changed is written, into the file as it is now: a
    // field left alone keeps whatever another program put there since the scan.
    std::vector<::FieldText> fields;
    for (const TagField field : AllTagFields) {
        const QString text = fields_->Text(field);
        if (text != opened_[IndexOf(field)]) fields.emplace_back(field, text.toStdString());
    }
    if (fields.empty()) {
        close();
        return;
    }
    const std::string path = rows_->RowPath(row);
    SaveOutcome outcome;
    {
        StepRecorder step(&rows_->History(), "ID3Tag Editieren", &rows_->ListCells());
        outcome = SaveTagFields(path, rows_->RowsLevel(), fields);
    }
    switch (outcome.Outcome) {
        case FileOutcome::Written:
            break;
        case FileOutcome::Unreadable:
            ShowMessageBox(QString::fromStdString(UnreadableFileText(path)), this);
            return;
        case FileOutcome::NoFrame:
        case FileOutcome::NoSourceTag:
        case FileOutcome::SaveFailed:
            // The row keeps what the file still holds, and the dialog stays
            // open so the typed values are not lost.
            ShowMessageBox(QString::fromStdString(SaveFailedText(path, outcome.Why)), this);
            return;
    }
    FileListModel* model = rows_->Model();
    for (const auto& [field, text] : fields)
        model->SetCell(row, ColumnOf(field), QString::fromStdString(text));
    close();
}

void TForm2::SpeedButton15Click() {
    close();
}
