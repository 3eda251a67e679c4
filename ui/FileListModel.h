#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "scan/FileRow.h"
#include "tags/Fields.h"

// The exact bytes of a row's folder and file name, for a path that is not
// UTF-8: its cells show each malformed byte as U+FFFD and cannot give the
// bytes back.
struct RawPath {
    std::string Folder, Name;
};

// One row of the main list as the window holds it.
struct ListRow {
    int ImageIndex = 0;
    std::array<QString, ColumnCount> Cells;
    std::shared_ptr<const RawPath> Raw;  // only for a path that is not UTF-8
    uint8_t Track = 0;                   // for an export
    float Seconds = 0;
};

// UTF-8 cells to QString; a folder or name that is not UTF-8 is shown
// readably and kept as bytes.
ListRow ToListRow(const FileRow& row);

// The main list's rows: the one owner of them. Cells are addressed by column
// position (ColDatei ... ColPfad). Never sorted; read-only for the view.
class FileListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit FileListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    int RowCount() const { return static_cast<int>(rows_.size()); }
    const ListRow& Row(int row) const;        // row must be in range
    QString Cell(int row, int column) const;  // empty when out of range
    void SetCell(int row, int column, const QString& text);
    // The six tag cells of a row, UTF-8.
    TagTexts TagCells(int row) const;
    void SetTagCells(int row, const TagTexts& texts);  // emits dataChanged
    // The row's folder and file name as the file system names them.
    std::string FolderBytes(int row) const;
    std::string NameBytes(int row) const;
    // The row's file has a new name (the file system's bytes) in its folder.
    void SetName(int row, const std::string& name);
    const std::vector<ListRow>& Rows() const { return rows_; }
    void ReplaceRows(std::vector<ListRow> rows);  // one model reset
    void Clear();

  private:
    std::vector<ListRow> rows_;
};
