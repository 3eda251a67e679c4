#include "ui/FileListModel.h"

#include <utility>

#include "ops/Reasons.h"
#include "tags/Text.h"
#include "ui/Images.h"

ListRow ToListRow(const FileRow& row) {
    ListRow out;
    out.ImageIndex = row.ImageIndex;
    out.Track = static_cast<uint8_t>(row.Track);
    out.Seconds = static_cast<float>(row.Seconds);
    // The tag cells are UTF-8 already; the folder and the name are the file
    // system's bytes.
    for (size_t c = 0; c < out.Cells.size(); ++c) {
        const bool path = c == ColPfad || c == ColDatei;
        out.Cells[c] = QString::fromStdString(path ? ReadableName(row.Cells[c]) : row.Cells[c]);
    }
    const std::string& folder = row.Cells[ColPfad];
    const std::string& name = row.Cells[ColDatei];
    if (out.Cells[ColPfad].toStdString() != folder || out.Cells[ColDatei].toStdString() != name)
        out.Raw = std::make_shared<const RawPath>(RawPath{folder, name});
    return out;
}

FileListModel::FileListModel(QObject* parent) : QAbstractTableModel(parent) {}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : RowCount();
}

int FileListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

namespace {
QVariant Alignment(int column) {
    return QVariant::fromValue(
        Qt::AlignVCenter |
        (InfoOf(static_cast<Column>(column)).RightAligned ? Qt::AlignRight : Qt::AlignLeft));
}
}  // namespace

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.parent().isValid() || index.row() >= RowCount() ||
        index.column() >= ColumnCount)
        return {};
    const ListRow& row = rows_[static_cast<size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            return row.Cells[static_cast<size_t>(index.column())];
        case Qt::DecorationRole:
            if (index.column() == ColDatei) return RowIcon(row.ImageIndex);
            return {};
        case Qt::TextAlignmentRole:
            return Alignment(index.column());
        default:
            return {};
    }
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount) return {};
    if (role == Qt::DisplayRole) {
        const std::string_view header = ColumnHeader(static_cast<Column>(section));
        return QString::fromUtf8(header);
    }
    if (role == Qt::TextAlignmentRole) return Alignment(section);
    return {};
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

const ListRow& FileListModel::Row(int row) const {
    return rows_.at(static_cast<size_t>(row));
}

QString FileListModel::Cell(int row, int column) const {
    if (row < 0 || row >= RowCount() || column < 0 || column >= ColumnCount) return {};
    return rows_[static_cast<size_t>(row)].Cells[static_cast<size_t>(column)];
}

void FileListModel::SetCell(int row, int column, const QString& text) {
    if (row < 0 || row >= RowCount() || column < 0 || column >= ColumnCount) return;
    QString& cell = rows_[static_cast<size_t>(row)].Cells[static_cast<size_t>(column)];
    if (cell == text) return;
    cell = text;
    const QModelIndex changed = index(row, column);
    emit dataChanged(changed, changed, {Qt::DisplayRole, Qt::ToolTipRole});
}

TagTexts FileListModel::TagCells(int row) const {
    TagTexts texts;
    for (const TagField field : AllTagFields)
        texts[field] = Cell(row, ColumnOf(field)).toStdString();
    return texts;
}

void FileListModel::SetTagCells(int row, const TagTexts& texts) {
    for (const TagField field : AllTagFields)
        SetCell(row, ColumnOf(field), QString::fromStdString(texts[field]));
}

std::string FileListModel::FolderBytes(int row) const {
    if (row < 0 || row >= RowCount()) return {};
    const ListRow& r = rows_[static_cast<size_t>(row)];
    return r.Raw ? r.Raw->Folder : r.Cells[ColPfad].toStdString();
}

std::string FileListModel::NameBytes(int row) const {
    if (row < 0 || row >= RowCount()) return {};
    const ListRow& r = rows_[static_cast<size_t>(row)];
    return r.Raw ? r.Raw->Name : r.Cells[ColDatei].toStdString();
}

void FileListModel::SetName(int row, const std::string& name) {
    if (row < 0 || row >= RowCount()) return;
    ListRow& r = rows_[static_cast<size_t>(row)];
    const std::string folder = FolderBytes(row);
    r.Cells[ColDatei] = QString::fromStdString(ReadableName(name));
    const bool readable = ReadableName(folder) == folder && ReadableName(name) == name;
    r.Raw = readable ? nullptr : std::make_shared<const RawPath>(RawPath{folder, name});
    const QModelIndex changed = index(row, ColDatei);
    emit dataChanged(changed, changed, {Qt::DisplayRole, Qt::ToolTipRole});
}

void FileListModel::ReplaceRows(std::vector<ListRow> rows) {
    // Neighbouring rows mostly repeat the folder, bit rate, sample rate, codec
    // and often the album: let them share one string so 100,000 rows stay small.
    for (size_t r = 1; r < rows.size(); ++r) {
        for (size_t c = 0; c < rows[r].Cells.size(); ++c) {
            QString& cell = rows[r].Cells[c];
            const QString& above = rows[r - 1].Cells[c];
            if (!cell.isEmpty() && cell.isDetached() && cell == above) cell = above;
        }
    }
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

void FileListModel::Clear() {
    ReplaceRows({});
}
