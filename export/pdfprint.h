#pragma once

#include "pdfreport.h"

class QPrinter;

namespace pdfreport {

// The document on a printer as the print dialog set it up. Printed to a file, it is written as
// writePdf() writes: whole, atomically, readable by the user alone. On failure `error` says why.
Result print(QPrinter &printer, const ReportSnapshot &snapshot, const Options &options,
             const Progress &progress = {}, QString *error = nullptr);

} // namespace pdfreport
