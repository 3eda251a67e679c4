#pragma once

#include <QIcon>

// The list's row icons by image index (0..2): red arrow down-right for low bit
// rates, orange arrow right for middle ones, green arrow up-right for high ones.
// 16 x 16. An index out of range gives an empty icon.
const QIcon& RowIcon(int index);

// The tool buttons' images, 20 x 20.
enum class ToolImage { Scannen, Wizard, Suchen, Optionen, Webupdate, Info };
const QIcon& ToolIcon(ToolImage image);

// The program's icon (window and desktop entry).
const QIcon& AppIcon();

// The small pictures of the dialogs' flat buttons, 16 x 16.
const QIcon& CloseButtonIcon();
const QIcon& SaveButtonIcon();

// The status bar's "Rückgängig" button, 20 x 20.
const QIcon& UndoButtonIcon();
