// TSuchen: the search dialog "Suchen".
#pragma once

#include <QDialog>
#include <QString>
#include <vector>

#include "ui/FileListModel.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QShowEvent;
class QTableView;
class HitListModel;
class QToolButton;
class ListRows;

// Upper-cases the letters a to z only; umlauts and the sharp s stay.
QString UpperAsciiLetters(const QString& text);

// Whether a cell is a hit for the term in the search column (item 0..7 of
// "Suche in ..."): in exact mode the whole cell against the term plus the
// column's suffix, otherwise the term anywhere in the cell (never an empty one).
bool SearchHit(const QString& cell, const QString& term, int item, bool exact);

// The file-list column that "Suche in ..." item 0..7 searches.
int SearchColumnOfItem(int item);

// "Suchen": finds rows of the main list by one column and can narrow the list
// to the hits.
class TSuchen : public QDialog {
    Q_OBJECT
  public:
    explicit TSuchen(ListRows* rows, QWidget* parent = nullptr);

    int RadioGroup1ItemIndex() const;
    void SetRadioGroup1ItemIndex(int index);
    const std::vector<ListRow>& Hits() const { return hits_; }

  public slots:
    void FormCreate();         // the hit list's columns from the main list
    void FormShow();           // each opening starts empty
    void SpeedButton1Click();  // "Suchen"
    void SpeedButton2Click();  // "Ergebnisse übertragen"

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    ListRows* rows_;
    QLabel* label1_ = nullptr;
    QLineEdit* edit1_ = nullptr;
    QCheckBox* checkBox1_ = nullptr;
    QToolButton* speedButton1_ = nullptr;
    QToolButton* speedButton2_ = nullptr;
    QLabel* label2_ = nullptr;
    QGroupBox* radioGroup1_ = nullptr;
    QButtonGroup* searchIn_ = nullptr;
    QTableView* listView1_ = nullptr;
    HitListModel* hitModel_ = nullptr;
    std::vector<ListRow> hits_;
};
