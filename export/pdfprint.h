#pragma once

#include "pdfreport.h"

class QPrinter;

namespace pdfreport {

// The document on a printer as the print dialog set it up.
Result print(QPrinter &printer, const ReportSnapshot &snapshot, const Options &options,
             const Progress &progress = {});

} // namespace pdfreport
