#pragma once

#include <QString>
#include <functional>

class QWidget;

// Every message box of the program goes through here: caption "Tonzettel",
// the text, one OK button; it blocks until the user closes it.
void ShowMessageBox(const QString& text, QWidget* parent = nullptr);

// Tests replace the box by a recorder. Returns the previous hook; an empty
// hook brings the real box back.
using MessageBoxHook = std::function<void(const QString& text)>;
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

// Routes the tag code's messages (UTF-8) into ShowMessageBox.
void InstallTagMessageHandler();
