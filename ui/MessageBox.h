#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

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

// When it ends, gives activation and keyboard focus back to the window that
// was active when it began (should that be gone or hidden, to the nearest
// visible window it belonged to), so that window's keys work at once: not
// every window manager does so when a message box or dialog closes.
class FocusReturn {
  public:
    FocusReturn();
    ~FocusReturn();
    FocusReturn(const FocusReturn&) = delete;
    FocusReturn& operator=(const FocusReturn&) = delete;

  private:
    QPointer<QWidget> window_, focus_;
    std::vector<QPointer<QWidget>> owners_;  // the window's parents, nearest first
};
