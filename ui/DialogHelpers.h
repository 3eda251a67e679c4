#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <functional>

#include "tags/Fields.h"

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QIcon;
class QToolButton;
class QKeyEvent;
class QLineEdit;
class QWidget;

// Pieces the tag dialogs share.

// The editable genre box: the 148 names in table order, "Blues" shown at
// first. Typing never adds entries to the list.
QComboBox* NewGenreBox(QWidget* parent);

// The inputs of the six fields in the editor and the wizard: a line edit for
// each text field, with no length limit of its own (the tag code cuts what a
// tag cannot hold), and the genre box for the genre.
class FieldInputs {
  public:
    // editName gives each line edit its object name.
    FieldInputs(QWidget* parent, const std::function<QString(TagField)>& editName);

    // "Interpret :"
    static QString Label(TagField field);
    QWidget* Input(TagField field) const { return inputs_[IndexOf(field)]; }
    QComboBox* GenreBox() const { return genre_; }
    QString Text(TagField field) const;
    void SetText(TagField field, const QString& text);

  private:
    std::array<QWidget*, TagFieldCount> inputs_{};
    std::array<QLineEdit*, TagFieldCount> edits_{};  // none for the genre
    QComboBox* genre_ = nullptr;
};

// A flat button named name, its text beside its icon (none when icon is null).
QToolButton* NewFlatButton(QWidget* parent, const char* name, const QString& text,
                           const QIcon* icon = nullptr);

// "Schließen" with its icon, named SpeedButton2 as in every tool dialog.
QToolButton* NewCloseButton(QWidget* parent);

// A titled group of radio buttons named <name>Item<i>, the first checked.
QGroupBox* MakeRadioGroup(QWidget* parent, const char* name, const QString& caption,
                          const QStringList& items, QButtonGroup*& group);
// The name tools' "Filter" (RadioGroup1): what stands between artist and
// title, '-', '_', '_-_' or ' '.
QGroupBox* MakeFilterGroup(QWidget* parent, QButtonGroup*& group);
// Checks the group's button of that index, when there is one.
void SetItemIndex(QButtonGroup* group, int index);

// The tag dialogs bind no key to a button: true (and the event accepted) for
// Enter and Escape, which the dialog must then not pass on.
bool SwallowDialogKey(QKeyEvent* event);
