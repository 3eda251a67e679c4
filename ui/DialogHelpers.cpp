#include "ui/DialogHelpers.h"

#include <QComboBox>
#include <QCompleter>
#include <QKeyEvent>

#include "tags/ID3v1.h"

QComboBox* NewGenreBox(QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QStringLiteral("ComboBoxGenre"));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);  // the list stays the 148 names
    box->setMaxVisibleItems(16);
    for (const auto name : GenreNames) {
        box->addItem(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
    }
    // Completion must not change the case of what the user types: a name
    // counts as picked only when it matches exactly.
    box->completer()->setCaseSensitivity(Qt::CaseSensitive);
    box->setCurrentIndex(0);
    return box;
}

bool SwallowDialogKey(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            event->accept();
            return true;
        default:
            return false;
    }
}
