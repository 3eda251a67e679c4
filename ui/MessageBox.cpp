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
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Tonzettel"), text, QMessageBox::Ok,
                    parent);
    box.exec();
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
    return std::exchange(Hook(), std::move(hook));
}

void InstallTagMessageHandler() {
    SetMessageHandler(
        [](const std::string& text) { ShowMessageBox(QString::fromStdString(text)); });
}
