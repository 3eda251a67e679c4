#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <array>
#include <vector>

#include "scan/FileRow.h"

// One row of the main list as the window holds it.
struct ListRow {
    int ImageIndex = 0;
    std::array<QString, ColumnCount> Cells;
};

ListRow ToListRow(const FileRow& row);  // UTF-8 cells to QString

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
    const ListRow& Row(int row) const;                       // row must be in range
    QString Cell(int row, int column) const;                 // empty when out of range
    void SetCell(int row, int column, const QString& text);  // emits dataChanged
    const std::vector<ListRow>& Rows() const { return rows_; }
    void ReplaceRows(std::vector<ListRow> rows);  // one model reset
    void Clear();

  private:
    std::vector<ListRow> rows_;
};
