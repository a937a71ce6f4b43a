#pragma once
// The selection as a spreadsheet file (.xlsx): a header row and one row per pick in
// staging order, every cell formatted as text so "0012" or "2-3" stay as typed.

#include <QString>
#include <vector>

#include "output/staging.h"

namespace output {

// Writes the workbook to path through a temporary file beside it. False with a reason.
bool WriteSelectionWorkbook(const std::vector<StagedRow>& rows, const QString& path,
                            QString* reason);

// Stages the selection with full paths and writes it to path. Returns the number of rows;
// -1 with a reason when the file could not be written (before anything is staged when no
// file can be made there at all). Throws data::VerimondError when the staging fails.
int ExportSpreadsheet(const OutputCustomer& customer, const QString& path, QString* reason);

}  // namespace output
