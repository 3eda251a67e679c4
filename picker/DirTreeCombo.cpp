#include "picker/DirTreeCombo.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>

// Interim folder field: a read-only line and a button that opens a folder chooser.
TDirTreeCombo::TDirTreeCombo(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* edit = new QLineEdit(this);
    edit->setObjectName("DirComboEdit");
    edit->setReadOnly(true);
    auto* button = new QToolButton(this);
    button->setObjectName("DirComboButton");
    button->setText(QStringLiteral("…"));
    button->setFixedSize(22, 22);
    layout->addWidget(edit);
    layout->addWidget(button);
    setFixedSize(265, 22);
    connect(button, &QToolButton::clicked, this, [this, edit] {
        const QString dir = QFileDialog::getExistingDirectory(this, QString(), selectedPath_);
        if (dir.isEmpty()) return;
        SetSelectedPath(dir);
        edit->setText(dir);
        emit OnPathChange(this, selectedPath_);
    });
}

TDirTreeCombo::~TDirTreeCombo() = default;

void TDirTreeCombo::SetSelectedPath(const QString& path) {
    if (path.compare(selectedPath_, Qt::CaseInsensitive) != 0) selectedPath_ = path;
}
