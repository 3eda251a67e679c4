#include "ui/DialogHelpers.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QCompleter>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <limits>

#include "ops/Reasons.h"
#include "tags/ID3v1.h"
#include "ui/Images.h"

QComboBox* NewGenreBox(QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QStringLiteral("ComboBoxGenre"));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);  // the list stays the 148 names
    box->setMaxVisibleItems(16);
    for (const auto name : GenreNames) {
        box->addItem(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
    }
    // Completion must not change the case of what the user types: a name
    // counts as picked only when it matches exactly.
    box->completer()->setCaseSensitivity(Qt::CaseSensitive);
    box->setCurrentIndex(0);
    return box;
}

FieldInputs::FieldInputs(QWidget* parent, const std::function<QString(TagField)>& editName) {
    for (const TagField field : AllTagFields) {
        if (field == TagField::Genre) {
            inputs_[IndexOf(field)] = genre_ = NewGenreBox(parent);
            continue;
        }
        auto* edit = new QLineEdit(parent);
        edit->setObjectName(editName(field));
        edit->setMaxLength(std::numeric_limits<int>::max());
        inputs_[IndexOf(field)] = edits_[IndexOf(field)] = edit;
    }
}

QString FieldInputs::Label(TagField field) {
    const std::string_view name = FieldName(field);
    return QString::fromUtf8(name) + QStringLiteral(" :");
}

QString FieldInputs::Text(TagField field) const {
    return field == TagField::Genre ? genre_->currentText() : edits_[IndexOf(field)]->text();
}

void FieldInputs::SetText(TagField field, const QString& text) {
    if (field == TagField::Genre) {
        genre_->setEditText(text);
    } else {
        edits_[IndexOf(field)]->setText(text);
    }
}

QToolButton* NewFlatButton(QWidget* parent, const char* name, const QString& text,
                           const QIcon* icon) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(text);
    if (icon) button->setIcon(*icon);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    return button;
}

QToolButton* NewCloseButton(QWidget* parent) {
    return NewFlatButton(parent, "SpeedButton2", QStringLiteral("Schließen"), &CloseButtonIcon());
}

QGroupBox* MakeFilterGroup(QWidget* parent, QButtonGroup*& group) {
    return MakeRadioGroup(parent, "RadioGroup1", QStringLiteral("Filter"),
                          {QStringLiteral("'-'"), QStringLiteral("'_'"), QStringLiteral("'_-_'"),
                           QStringLiteral("' '")},
                          group);
}

QGroupBox* MakeRadioGroup(QWidget* parent, const char* name, const QString& caption,
                          const QStringList& items, QButtonGroup*& group) {
    auto* box = new QGroupBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    group = new QButtonGroup(box);
    auto* layout = new QVBoxLayout(box);
    for (int i = 0; i < items.size(); ++i) {
        auto* radio = new QRadioButton(items[i], box);
        radio->setObjectName(QStringLiteral("%1Item%2").arg(QString::fromLatin1(name)).arg(i));
        group->addButton(radio, i);
        layout->addWidget(radio);
    }
    layout->addStretch();
    group->button(0)->setChecked(true);
    return box;
}

void SetItemIndex(QButtonGroup* group, int index) {
    if (QAbstractButton* button = group->button(index)) button->setChecked(true);
}

bool SwallowDialogKey(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            event->accept();
            return true;
        default:
            return false;
    }
}
