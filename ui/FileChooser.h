#pragma once

// Where a dialog asks for a file to open (save false) or to write (save
// true); empty: cancelled. Tests put their own in.

#include <QString>
#include <functional>
#include <string_view>

class QWidget;

using FileChooser = std::function<QString(bool save, const QString& suggested)>;
FileChooser SetFileChooser(FileChooser chooser);

QString ChooseFile(QWidget* parent, bool save, const QString& title, const QString& suggested,
                   const QString& filter);

// Writes bytes to the chosen file whole or not at all; false, and the user
// told so, when that fails.
bool WriteChosenFile(QWidget* parent, const QString& file, std::string_view bytes);
