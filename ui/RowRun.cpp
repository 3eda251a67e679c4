#include "ui/RowRun.h"

#include <QCoreApplication>
#include <QProgressBar>
#include <vector>

#include "ops/History.h"
#include "ops/Outcome.h"
#include "ops/SaveRun.h"
#include "ui/ListRows.h"
#include "ui/MessageBox.h"

int RunOverSelectedRows(ListRows& rows, QWidget* dialog, const char* stepName, int sourceLevel,
                        const RowWork& each, QProgressBar* progress) {
    const std::vector<int> selected = rows.SelectedRows();
    if (selected.empty()) return 0;
    if (progress) {
        progress->setRange(0, static_cast<int>(selected.size()));
        progress->setValue(0);
    }
    RunReport report(sourceLevel);
    {
        // One step of the history: "Rückgängig" takes the whole run back.
        StepRecorder step(&rows.History(), stepName, &rows.ListCells());
        SaveRun run;
        for (const int row : selected) {
            QCoreApplication::processEvents();
            each(run, report, row);
            QCoreApplication::processEvents();
            if (progress) progress->setValue(progress->value() + 1);
        }
        run.Commit();
    }
    if (progress) progress->setValue(0);
    if (!report.Empty()) ShowMessageBox(QString::fromStdString(report.Text()), dialog);
    return static_cast<int>(selected.size());
}
