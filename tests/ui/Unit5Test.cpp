// "Suchen": the search over the main list's cells and the transfer of the hits.

#include "ui/Unit5.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTableView>
#include <QToolButton>
#include <QTreeView>

#include "support/ui/FormTest.h"

namespace {

[[maybe_unused]] auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(
    new QtEnvironment("test_ui_Unit5Test", [] { QStandardPaths::setTestModeEnabled(true); }));

TEST(SearchHit, PartAndExactModeByColumn) {
    enum { Datei = 0, Interpret = 1, Jahr = 4, Genre = 5, Bitrate = 7 };
    struct Case {
        int item;
        bool exact;
        const char* term;
        const char* cell;
        bool hit;
    };
    const Case cases[] = {
        // Part mode folds a to z only.
        {Interpret, false, "beat", "The Beatles", true},
        {Interpret, false, "beat", "BEAT CLUB", true},
        {Interpret, false, "beat", "Upbeat", true},
        {Interpret, false, "beat", "Bea t", false},
        {Interpret, false, "BEAT", "beat", true},
        {Interpret, false, "ärzte", "Die Ärzte", false},
        {Interpret, false, "ärzte", "die ärzte", true},
        {Interpret, false, "straße", "STRASSE", false},
        {Interpret, false, "straße", "Straße", true},
        {Interpret, false, "", "", false},  // an empty term finds nothing
        {Interpret, false, "", "Band", false},
        // Exact mode: the whole cell, with the column's suffix added to the term.
        {Datei, true, "song", "Song.mp3", true},
        {Datei, true, "song", "SONG.MP3", true},
        {Datei, true, "song", "Song2.mp3", false},
        {Datei, true, "song.mp3", "Song.mp3", false},
        {Datei, true, "song ", "Song.mp3", false},  // no trimming
        {Datei, false, "song.mp3", "Song.mp3", true},
        {Bitrate, true, "128", "128 KBit/s", true},
        {Bitrate, true, "128", "1128 KBit/s", false},
        {Bitrate, false, "128", "128 KBit/s", true},
        {Bitrate, false, "12", "128 KBit/s", true},
        {Bitrate, false, "12", "112 KBit/s", true},
        {Bitrate, false, "12", "320 KBit/s", false},
        {Jahr, true, "", "", true},
        {Jahr, true, "", "1999", false},
        {Genre, true, "rock", "Rock", true},
        {Genre, true, "rock", "Hard Rock", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.term) + " in " + c.cell);
        EXPECT_EQ(SearchHit(QString::fromUtf8(c.cell), QString::fromUtf8(c.term), c.item, c.exact),
                  c.hit);
    }
    // Each item searches its own column.
    const int columns[] = {ColDatei, ColInterpret, ColAlbum,     ColTitel,
                           ColJahr,  ColGenre,     ColKommentar, ColBitrate};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(SearchColumnOfItem(i), columns[i]) << i;
}

ListRow MakeRow(int i) {
    ListRow row;
    row.ImageIndex = i % 3;
    row.Cells[ColDatei] = QStringLiteral("Lied %1.mp3").arg(i);
    row.Cells[ColInterpret] = QStringLiteral("Band %1").arg(i);
    row.Cells[ColGenre] =
        (i == 4 || i == 17 || i == 42) ? QStringLiteral("Rock") : QStringLiteral("Hard Rock");
    row.Cells[ColJahr] = i % 2 ? QStringLiteral("1999") : QString();
    row.Cells[ColBitrate] = i % 5 ? QStringLiteral("128 KBit/s") : QStringLiteral("112 KBit/s");
    row.Cells[ColPfad] = QStringLiteral("/musik/");
    return row;
}

class Unit5Test : public FormTest {
  protected:
    void SetUp() override {
        FormTest::SetUp();
        std::vector<ListRow> rows;
        for (int i = 0; i < 50; ++i) rows.push_back(MakeRow(i));
        form_->Model()->ReplaceRows(rows);
        dialog_ = new TSuchen(form_.get());
    }
    template <typename T>
    T* Child(const char* name) const {
        auto* child = dialog_->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    void Search(int item, bool exact, const QString& term) {
        dialog_->SetRadioGroup1ItemIndex(item);
        Child<QCheckBox>("CheckBox1")->setChecked(exact);
        Child<QLineEdit>("Edit1")->setText(term);
        dialog_->SpeedButton1Click();
    }
    QString Label2() const { return Child<QLabel>("Label2")->text(); }
    bool TransferEnabled() const { return Child<QToolButton>("SpeedButton2")->isEnabled(); }

    TSuchen* dialog_ = nullptr;  // owned by the window
};

TEST_F(Unit5Test, SearchFillsTheHitListAndTheStatusLine) {
    dialog_->show();
    Search(5, true, QStringLiteral("rock"));
    EXPECT_EQ(Label2(), QStringLiteral("Die Suche nach \"rock\" ergab 3 Treffer."));
    EXPECT_TRUE(TransferEnabled());
    ASSERT_EQ(dialog_->Hits().size(), 3u);
    const int expected[] = {4, 17, 42};
    auto* list = Child<QTableView>("ListView1");
    ASSERT_EQ(list->model()->rowCount(), 3);
    for (int h = 0; h < 3; ++h) {
        const ListRow& source = form_->Model()->Row(expected[h]);
        EXPECT_EQ(dialog_->Hits()[h].Cells, source.Cells);
        EXPECT_EQ(dialog_->Hits()[h].ImageIndex, source.ImageIndex);
        for (int c = 0; c < ColumnCount; ++c)
            EXPECT_EQ(list->model()->index(h, c).data().toString(), source.Cells[c]);
        // The main list's row icon in the first column.
        EXPECT_FALSE(list->model()->index(h, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
    }

    // A repeated search starts from an empty hit list; no hit disables the transfer.
    Search(1, false, QStringLiteral("%1 gibt es nicht"));
    EXPECT_EQ(Label2(), QStringLiteral("Die Suche nach \"%1 gibt es nicht\" ergab 0 Treffer."));
    EXPECT_EQ(list->model()->rowCount(), 0);
    EXPECT_FALSE(TransferEnabled());

    Search(4, true, QString());  // empty year cells: the even rows
    EXPECT_EQ(dialog_->Hits().size(), 25u);
    Search(4, false, QString());
    EXPECT_EQ(dialog_->Hits().size(), 0u);
    Search(7, false, QStringLiteral("12"));
    EXPECT_EQ(dialog_->Hits().size(), 50u);
    Search(7, true, QStringLiteral("112"));
    EXPECT_EQ(dialog_->Hits().size(), 10u);
    Search(0, true, QStringLiteral("LIED 7"));
    EXPECT_EQ(dialog_->Hits().size(), 1u);
}

TEST_F(Unit5Test, TransferReplacesTheMainListAndWritesBothStatusFields) {
    form_->SetStatusText(0, QStringLiteral("/musik/"));
    dialog_->open();
    Search(5, true, QStringLiteral("rock"));
    // The texts come from the field and the choice as they are at the transfer.
    Child<QLineEdit>("Edit1")->setText(QStringLiteral("Rock"));
    dialog_->SpeedButton2Click();

    EXPECT_FALSE(dialog_->isVisible());
    ASSERT_EQ(form_->Model()->RowCount(), 3);
    for (int r = 0; r < 3; ++r) EXPECT_EQ(form_->Model()->Row(r).Cells, dialog_->Hits()[r].Cells);
    EXPECT_EQ(form_->Model()->Row(1).ImageIndex, 17 % 3);
    EXPECT_EQ(form_->StatusText(0), QStringLiteral("Gesucht wurde \"Rock\" in \"ID3 Genre\"."));
    EXPECT_EQ(form_->StatusText(1), QStringLiteral("Suche ergab 3 Treffer."));
    EXPECT_TRUE(messages_.empty());
}

TEST_F(Unit5Test, ReopeningResetsTermHitsAndLabelButKeepsTheChoices) {
    dialog_->show();
    Search(7, true, QStringLiteral("128"));
    ASSERT_TRUE(TransferEnabled());
    dialog_->hide();
    dialog_->show();
    EXPECT_EQ(Child<QLineEdit>("Edit1")->text(), QString());
    EXPECT_EQ(Label2(), QString());
    EXPECT_FALSE(TransferEnabled());
    EXPECT_EQ(Child<QTableView>("ListView1")->model()->rowCount(), 0);
    EXPECT_EQ(dialog_->RadioGroup1ItemIndex(), 7);
    EXPECT_TRUE(Child<QCheckBox>("CheckBox1")->isChecked());
    // Nothing to transfer now: the main list stays whole.
    dialog_->SpeedButton2Click();
    EXPECT_EQ(form_->Model()->RowCount(), 50);
}

TEST_F(Unit5Test, ColumnsAreCopiedFromTheMainListAtCreation) {
    QTreeView* main = form_->ListView();
    main->setColumnWidth(ColInterpret, 77);
    main->setColumnWidth(ColGenre, 123);
    main->setColumnHidden(ColKommentar, true);
    auto* fresh = new TSuchen(form_.get());
    main->setColumnWidth(ColInterpret, 300);  // later changes are not followed

    auto* list = fresh->findChild<QTableView*>(QStringLiteral("ListView1"));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->columnWidth(ColInterpret), 77);
    EXPECT_EQ(list->columnWidth(ColGenre), 123);
    EXPECT_TRUE(list->isColumnHidden(ColKommentar));
    EXPECT_FALSE(list->isColumnHidden(ColPfad));
    for (int c = 0; c < ColumnCount; ++c) {
        EXPECT_EQ(list->model()->headerData(c, Qt::Horizontal).toString(),
                  form_->Model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString());
    }
}

// Not a check: writes the dialog after a search as a PNG into
// TZ_SCREENSHOT_DIR (run under Xvfb for the real look).
TEST_F(Unit5Test, Screenshot) {
    const QString out = qEnvironmentVariable("TZ_SCREENSHOT_DIR");
    if (out.isEmpty()) GTEST_SKIP() << "set TZ_SCREENSHOT_DIR to write a screenshot";
    dialog_->show();
    Search(5, true, QStringLiteral("rock"));
    QApplication::processEvents();
    ASSERT_TRUE(dialog_->grab().save(out + QStringLiteral("/suchen.png")));
}

}  // namespace
