#include "ui/FileChooser.h"

#include <QFileDialog>
#include <utility>

namespace {

FileChooser& Chooser() {
    static FileChooser chooser;
    return chooser;
}

}  // namespace

FileChooser SetFileChooser(FileChooser chooser) {
    return std::exchange(Chooser(), std::move(chooser));
}

QString ChooseFile(QWidget* parent, bool save, const QString& title, const QString& suggested,
                   const QString& filter) {
    if (Chooser()) return Chooser()(save, suggested);
    return save ? QFileDialog::getSaveFileName(parent, title, suggested, filter)
                : QFileDialog::getOpenFileName(parent, title, suggested, filter);
}
