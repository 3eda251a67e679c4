#pragma once

// The widths of the file list's columns, 0 meaning a hidden column.

class QTreeView;

int ListColumnWidth(const QTreeView* view, int column);
void SetListColumnWidth(QTreeView* view, int column, int width);
