#include "ui/FileChooser.h"

#include <QFileDialog>
#include <QSaveFile>
#include <utility>

#include "ops/Reasons.h"
#include "ui/MessageBox.h"

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

bool WriteChosenFile(QWidget* parent, const QString& file, std::string_view bytes) {
    QSaveFile out(file);
    const auto size = static_cast<qint64>(bytes.size());
    if (out.open(QIODevice::WriteOnly) && out.write(bytes.data(), size) == size && out.commit())
        return true;
    ShowMessageBox(QString::fromStdString(CannotWriteText(file.toStdString())), parent);
    return false;
}
