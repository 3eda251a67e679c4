// TImportieren: the tags from a spreadsheet, "Importieren".
#pragma once

#include <QDialog>
#include <QString>
#include <vector>

#include "ops/SheetOps.h"

class QLabel;
class QShowEvent;
class QTreeWidget;
class ListRows;

// "Importieren": loads a CSV, previews per file the fields that would
// change (old -> new), the files not found and the ones that stay, and
// writes the changes into the tags of the rows' level, one step of the
// history.
class TImportieren : public QDialog {
    Q_OBJECT
  public:
    explicit TImportieren(ListRows* rows, QWidget* parent = nullptr);

    // Reads the sheet and builds the preview; false when it names no path.
    bool LoadSheet(const QString& file);
    QTreeWidget* Preview() const { return listView1_; }
    const std::vector<ImportPlanItem>& Plan() const { return plan_; }

  public slots:
    void ButtonLadenClick();        // "Tabelle laden …"
    void ButtonImportierenClick();  // "Importieren"
    void ButtonSchliessenClick();   // "Schließen"
    void reject() override;

  private:
    ListRows* rows_;
    QLabel* label1_ = nullptr;
    QLabel* label2_ = nullptr;
    QTreeWidget* listView1_ = nullptr;
    std::vector<ImportPlanItem> plan_;
    bool running_ = false;
};

// "Exportieren …" of the window: the rows as CSV or, for a name ending in
// ".m3u8", as a playlist, written to file; false (after a message) when it
// cannot be written.
bool ExportRows(ListRows& rows, const std::vector<int>& which, const QString& file,
                QWidget* parent);
