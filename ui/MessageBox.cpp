#include "ui/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <utility>

#include "tags/Messages.h"

namespace {
MessageBoxHook& Hook() {
    static MessageBoxHook hook;
    return hook;
}
}  // namespace

void ShowMessageBox(const QString& text, QWidget* parent) {
    if (const MessageBoxHook hook = Hook()) {
        hook(text);
        return;
    }
    if (!parent) parent = QApplication::activeWindow();
    const FocusReturn focusReturn;
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Tonzettel"), text, QMessageBox::Ok,
                    parent);
    box.exec();
}

FocusReturn::FocusReturn()
    : window_(QApplication::activeWindow()), focus_(QApplication::focusWidget()) {
    for (QWidget* w = window_ ? window_->parentWidget() : nullptr; w; w = w->parentWidget())
        if (w->isWindow()) owners_.emplace_back(w);
}

FocusReturn::~FocusReturn() {
    QWidget* target = window_ && window_->isVisible() ? window_.data() : nullptr;
    for (size_t i = 0; !target && i < owners_.size(); ++i)
        if (owners_[i] && owners_[i]->isVisible()) target = owners_[i];
    if (!target) return;
    target->activateWindow();
    if (focus_ && focus_->window() == target && focus_->isVisible()) focus_->setFocus();
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
    return std::exchange(Hook(), std::move(hook));
}

void InstallTagMessageHandler() {
    SetMessageHandler(
        [](const std::string& text) { ShowMessageBox(QString::fromStdString(text)); });
}
