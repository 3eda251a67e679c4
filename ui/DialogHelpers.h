#pragma once

class QComboBox;
class QKeyEvent;
class QWidget;

// Pieces the tag dialogs share.

// The editable genre box: the 148 names in table order, "Blues" shown at
// first. Typing never adds entries to the list.
QComboBox* NewGenreBox(QWidget* parent);

// The tag dialogs bind no key to a button: true (and the event accepted) for
// Enter and Escape, which the dialog must then not pass on.
bool SwallowDialogKey(QKeyEvent* event);
