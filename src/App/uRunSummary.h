// What a batch run left in the file list: the count of each outcome, and cells brought up to date.
#pragma once

#include <cstdint>
#include <string>

#include "Batch/uFilesC.h"

namespace tess::app {

struct TRunCounts {
  int32_t Applied = 0;
  int32_t NoChanges = 0;
  int32_t Skipped = 0;
  int32_t Errors = 0;
  // Rows a stopped run never reached (their Status cell is empty).
  int32_t NotProcessed = 0;
};

// Counts the rows by the caption of their Status cell.
TRunCounts CountOutcomes(const batch::TFilesC& AFiles);
// "2 of 9 files processed: 1 applied, 0 no changes, 0 skipped, 1 errors."
std::u16string OutcomeLine(const TRunCounts& ACounts);
// The Size and Format cells of every processed row, read again from the disk, since the run may
// have rewritten the file after its row was filled. A file that cannot be read keeps its cells.
void RefreshProcessedRows(batch::TFilesC& AFiles);

}  // namespace tess::app
