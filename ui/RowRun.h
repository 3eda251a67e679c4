#pragma once

// The frame of a tool's run over the selected rows, the same for the wizard,
// the file-name conversion and both transfers.

#include <functional>

class ListRows;
class QProgressBar;
class QWidget;
class RunReport;
class SaveRun;

// Runs each over the selected rows in list order, as one step of the history
// named stepName: the events are let through before and after every row
// (so the dialog stays responsive; progress, when given, counts the rows),
// every save goes into one run whose groups the journal writes, and the files
// left as they were are named in one end message over dialog. sourceLevel is
// the tag a transfer copies from (1 or 2), 0 for the other tools. Returns the
// number of rows; with none selected nothing happens.
using RowWork = std::function<void(SaveRun& run, RunReport& report, int row)>;
int RunOverSelectedRows(ListRows& rows, QWidget* dialog, const char* stepName, int sourceLevel,
                        const RowWork& each, QProgressBar* progress = nullptr);
