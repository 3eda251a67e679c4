#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QWidget;

class QMessageBox;

// Every message box of the program goes through here: caption "Tonzettel",
// the text, one OK button; it blocks until the user closes it. A message
// that lists many files (a heading line, then a line per file) shows a few
// of each list and puts the whole text behind "Details", so it always fits
// on the screen.
void ShowMessageBox(const QString& text, QWidget* parent = nullptr);
std::unique_ptr<QMessageBox> MakeMessageBox(const QString& text, QWidget* parent = nullptr);

// The text as the box shows it: each list cut to its first lines plus
// "… und N weitere", at most about maxLines file lines in all, and lines too
// long for a screen shortened in the middle. Details is the whole text, or
// empty when nothing had to be left out.
struct ShortMessage {
    QString Shown, Details;
};
ShortMessage ShortenMessage(const QString& text, int maxLines = 10);

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
