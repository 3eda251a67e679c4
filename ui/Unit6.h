// TOptionen: the column options "Optionen".
#pragma once

#include <QDialog>
#include <array>

#include "scan/Columns.h"
#include "ui/ProfileFile.h"

class QCheckBox;
class QToolButton;
class QTreeView;
class QWidget;

// "Optionen": switches the columns of the file list on and off.
class TOptionen : public QDialog {
    Q_OBJECT
  public:
    // list: the file list whose columns it switches.
    explicit TOptionen(QTreeView* list, QWidget* parent = nullptr);

    // Whether the check box of the column is ticked; true for a column
    // without one.
    bool ColumnShown(int column) const;

  public slots:
    void FormCreate();          // the boxes from the "AnzeigenCol" flags
    void SpeedButton14Click();  // "Speichern": the boxes to the list's widths
    void SpeedButton2Click();   // "Schließen"

  private:
    QTreeView* list_;
    TProfileFile settings_;
    std::array<QCheckBox*, ColumnCount> checkBoxes_{};  // by column; null where none
    QToolButton* speedButton14_ = nullptr;
    QToolButton* speedButton2_ = nullptr;
};
