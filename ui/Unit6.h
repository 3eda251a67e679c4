// TOptionen: the column options "Optionen".
#pragma once

#include <QDialog>
#include <array>

#include "ui/ProfileFile.h"

class QCheckBox;
class QToolButton;
class QTreeView;
class QWidget;
class TForm1;

// The width a column of the file list gets when it is switched on and the
// settings file holds no usable width: columns 1 to 11. Others (0, 12) 200.
int DefaultColumnWidth(int column);

// Column widths of the main list, 0 meaning a hidden column.
int ListColumnWidth(const QTreeView* view, int column);
void SetListColumnWidth(QTreeView* view, int column, int width);

// "Optionen": switches columns 1 to 11 of the file list on and off.
class TOptionen : public QDialog {
    Q_OBJECT
  public:
    explicit TOptionen(TForm1* form1, QWidget* parent = nullptr);

    // Whether check box column (1..11) is ticked.
    bool ColumnShown(int column) const;

  public slots:
    void FormCreate();          // the boxes from the "AnzeigenCol" flags
    void SpeedButton14Click();  // "Speichern": the boxes to the list's widths
    void SpeedButton2Click();   // "Schließen"

  private:
    TForm1* form1_;
    TProfileFile settings_;
    std::array<QCheckBox*, 11> checkBoxes_{};
    QToolButton* speedButton14_ = nullptr;
    QToolButton* speedButton2_ = nullptr;
};
