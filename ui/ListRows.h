#pragma once

// What the dialogs see of the main window: the list's rows (their cells and
// files), the selection, the tag level the rows show, and the history of what
// the tools wrote. The main window implements it; nothing else of it reaches
// the dialogs.

#include <QString>
#include <string>
#include <vector>

class FileListModel;
class QWidget;
class RowCells;
class TagHistory;

class ListRows {
  public:
    virtual ~ListRows() = default;

    // The window the dialogs open over.
    virtual QWidget* Window() = 0;
    // The rows and their cells.
    virtual FileListModel* Model() const = 0;
    // Selected rows in list order; the current row is the first of them (-1: none).
    virtual std::vector<int> SelectedRows() const = 0;
    virtual int CurrentRow() const = 0;
    // A row's file as the file system's exact bytes.
    virtual std::string RowPath(int row) const = 0;
    // 1 = ID3v1, 2 = ID3v2: the tag the rows were read with, which the tools write.
    virtual int RowsLevel() const = 0;
    // A column's width in the list; 0 for a hidden one.
    virtual int ColumnWidth(int column) const = 0;
    virtual void SetStatusText(int field, const QString& text) = 0;
    // "Rückgängig": the history, and the rows' tag cells by file path for its steps.
    virtual TagHistory& History() = 0;
    virtual RowCells& ListCells() = 0;
};
