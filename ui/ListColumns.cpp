#include "ui/ListColumns.h"

#include <QHeaderView>
#include <QTreeView>

int ListColumnWidth(const QTreeView* view, int column) {
    const QHeaderView* header = view->header();
    return header->isSectionHidden(column) ? 0 : header->sectionSize(column);
}

void SetListColumnWidth(QTreeView* view, int column, int width) {
    QHeaderView* header = view->header();
    // A zero-width section would still take clicks and drags at its edge;
    // hiding it is what a width of 0 means.
    if (width <= 0) {
        header->setSectionHidden(column, true);
        return;
    }
    header->setSectionHidden(column, false);
    header->resizeSection(column, width);
}
