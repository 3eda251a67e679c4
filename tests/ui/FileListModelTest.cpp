// The list model: structure checked by QAbstractItemModelTester, cells by
// position, range guards, change signals, display roles.

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QIcon>
#include <QSignalSpy>

#include "ops/Reasons.h"
#include "scan/FileRow.h"
#include "support/ui/QtEnvironment.h"
#include "ui/FileListModel.h"

namespace {

[[maybe_unused]] auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment("test_ui_FileListModelTest"));

std::vector<ListRow> Rows(int count) {
    std::vector<ListRow> rows;
    for (int r = 0; r < count; ++r) {
        ListRow row;
        row.ImageIndex = r % 3;
        for (int c = 0; c < ColumnCount; ++c) row.Cells[c] = QStringLiteral("r%1c%2").arg(r).arg(c);
        row.Cells[ColPfad] = QStringLiteral("/musik/");  // shared between rows
        rows.push_back(row);
    }
    return rows;
}

class FileListModelTest : public ::testing::Test {
  protected:
    FileListModel model_;
    QAbstractItemModelTester tester_{&model_,
                                     QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST_F(FileListModelTest, ReplaceClearAndSetCellKeepTheModelConsistent) {
    QSignalSpy resets(&model_, &QAbstractItemModel::modelReset);
    model_.ReplaceRows(Rows(5));
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(model_.rowCount(), 5);
    EXPECT_EQ(model_.columnCount(), ColumnCount);
    // A table: no children below any cell.
    EXPECT_EQ(model_.rowCount(model_.index(0, 0)), 0);
    EXPECT_EQ(model_.columnCount(model_.index(0, 0)), 0);
    model_.SetCell(4, ColTitel, QStringLiteral("neu"));
    model_.ReplaceRows(Rows(2));
    EXPECT_EQ(model_.RowCount(), 2);
    model_.Clear();
    EXPECT_EQ(model_.RowCount(), 0);
    EXPECT_EQ(resets.count(), 3);
}

TEST_F(FileListModelTest, CellsByPositionWithRangeGuards) {
    model_.ReplaceRows(Rows(3));
    EXPECT_EQ(model_.Cell(1, ColDatei), QStringLiteral("r1c0"));
    EXPECT_EQ(model_.Cell(2, ColCodec), QStringLiteral("r2c11"));
    EXPECT_EQ(model_.Cell(2, ColPfad), QStringLiteral("/musik/"));

    struct Outside {
        int row, column;
    };
    for (const Outside o :
         {Outside{-1, 0}, Outside{3, 0}, Outside{0, -1}, Outside{0, ColumnCount}}) {
        SCOPED_TRACE(::testing::Message() << o.row << "," << o.column);
        EXPECT_TRUE(model_.Cell(o.row, o.column).isEmpty());
        QSignalSpy changes(&model_, &QAbstractItemModel::dataChanged);
        model_.SetCell(o.row, o.column, QStringLiteral("x"));
        EXPECT_EQ(changes.count(), 0);
        EXPECT_FALSE(model_.data(model_.index(o.row, o.column), Qt::DisplayRole).isValid());
    }
    EXPECT_THROW(model_.Row(3), std::out_of_range);
}

TEST_F(FileListModelTest, SetCellChangesOneCellAndSignalsIt) {
    model_.ReplaceRows(Rows(3));
    QSignalSpy changes(&model_, &QAbstractItemModel::dataChanged);
    model_.SetCell(1, ColPfad, QStringLiteral("/anders/"));
    ASSERT_EQ(changes.count(), 1);
    const auto args = changes.takeFirst();
    EXPECT_EQ(args[0].value<QModelIndex>(), model_.index(1, ColPfad));
    EXPECT_EQ(args[1].value<QModelIndex>(), model_.index(1, ColPfad));
    EXPECT_EQ(model_.Cell(1, ColPfad), QStringLiteral("/anders/"));
    // Rows that shared the old folder text keep it.
    EXPECT_EQ(model_.Cell(0, ColPfad), QStringLiteral("/musik/"));
    EXPECT_EQ(model_.Cell(2, ColPfad), QStringLiteral("/musik/"));
    EXPECT_EQ(model_.data(model_.index(1, ColPfad), Qt::DisplayRole).toString(),
              QStringLiteral("/anders/"));
}

TEST_F(FileListModelTest, HeadersAlignmentIconsAndFlags) {
    model_.ReplaceRows(Rows(3));
    for (int c = 0; c < ColumnCount; ++c) {
        SCOPED_TRACE(c);
        EXPECT_EQ(model_.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(),
                  QString::fromUtf8(ColumnHeader(Column(c))));
        const bool right = c == ColLaenge || c == ColDateigroesse;
        const auto align = model_.data(model_.index(0, c), Qt::TextAlignmentRole).toInt();
        EXPECT_EQ((align & Qt::AlignRight) != 0, right);
        EXPECT_EQ(
            model_.headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).toInt() & Qt::AlignRight,
            right ? Qt::AlignRight : 0);
        // Only the file name carries the bit-rate icon.
        EXPECT_EQ(model_.data(model_.index(0, c), Qt::DecorationRole).isValid(), c == ColDatei);
        const Qt::ItemFlags flags = model_.flags(model_.index(0, c));
        EXPECT_TRUE(flags & Qt::ItemIsSelectable);
        EXPECT_FALSE(flags & Qt::ItemIsEditable);
    }
    EXPECT_EQ(model_.headerData(ColumnCount, Qt::Horizontal, Qt::DisplayRole), QVariant());
    for (int r = 0; r < 3; ++r)
        EXPECT_FALSE(
            model_.data(model_.index(r, ColDatei), Qt::DecorationRole).value<QIcon>().isNull());
}

TEST(ToListRow, ConvertsUtf8CellsAndKeepsTheImage) {
    FileRow row;
    row.ImageIndex = 2;
    row.Cells[ColDatei] =
        "F\xC3\xBC"
        "nf.mp3";
    row.Cells[ColDateigroesse] = "4,77 MB";
    row.Cells[ColPfad] = "/m\xC3\xBCsik/";
    const ListRow out = ToListRow(row);
    EXPECT_EQ(out.ImageIndex, 2);
    EXPECT_EQ(out.Cells[ColDatei], QStringLiteral("Fünf.mp3"));
    EXPECT_EQ(out.Cells[ColDateigroesse], QStringLiteral("4,77 MB"));
    EXPECT_EQ(out.Cells[ColPfad], QStringLiteral("/müsik/"));
    EXPECT_TRUE(out.Cells[ColTitel].isEmpty());
}

}  // namespace
