#pragma once

#include "reportsnapshot.h"
#include "selection.h"

// One report run without its windows: an input of the store's path, the unit, the dates, the
// view and the settings goes in; what the windows show and what the statistics and documents are
// made from comes out.
struct ReportResult
{
    ReportOutcome outcome;
    ReportSnapshot snapshot;
};

namespace report {

// The `setting` keys a run needs, read from a fresh instance every run: the settings window may
// have changed the file since the last.
ReportSettings readSettings(const QString &iniPath);

// Reads the store at input.storePath, or the history when one is given, and runs the report on it.
ReportResult run(const ReportInput &input);

} // namespace report
