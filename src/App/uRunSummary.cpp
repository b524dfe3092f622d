#include "App/uRunSummary.h"

#include "Batch/uFormatInspector.h"
#include "Shared/Common/uDDirectory.h"
#include "Shared/Common/uDString.h"
#include "Shared/Common/uException.h"
#include "Shared/Common/uFormat.h"
#include "Transformations/uTransform.h"

namespace tess::app {

using transform::TTransformStatus;

namespace {

std::u16string StatusOf(const batch::TFilesC& AFiles, int32_t AIndex) {
  return batch::CellCaption(AFiles.Table()->Rows().Items(AIndex), batch::ColStatus);
}

bool Processed(const std::u16string& AStatus) {
  return !AStatus.empty() && AStatus != transform::StatusCaption(TTransformStatus::tsProgress);
}

}  // namespace

TRunCounts CountOutcomes(const batch::TFilesC& AFiles) {
  TRunCounts counts;
  for (int32_t i = 0; i < AFiles.Count(); ++i) {
    const std::u16string status = StatusOf(AFiles, i);
    if (status == transform::StatusCaption(TTransformStatus::tsApplied))
      ++counts.Applied;
    else if (status == transform::StatusCaption(TTransformStatus::tsNoChanges))
      ++counts.NoChanges;
    else if (status == transform::StatusCaption(TTransformStatus::tsSkipped))
      ++counts.Skipped;
    else if (status == transform::StatusCaption(TTransformStatus::tsError))
      ++counts.Errors;
    else
      ++counts.NotProcessed;
  }
  return counts;
}

std::u16string OutcomeLine(const TRunCounts& ACounts) {
  using common::IntToStr;
  const int32_t processed = ACounts.Applied + ACounts.NoChanges + ACounts.Skipped + ACounts.Errors;
  return IntToStr(processed) + u" of " + IntToStr(processed + ACounts.NotProcessed) + u" files processed: " +
         IntToStr(ACounts.Applied) + u" applied, " + IntToStr(ACounts.NoChanges) + u" no changes, " +
         IntToStr(ACounts.Skipped) + u" skipped, " + IntToStr(ACounts.Errors) + u" errors.";
}

void RefreshProcessedRows(batch::TFilesC& AFiles) {
  common::TDGUIRows& rows = AFiles.Table()->Rows();
  for (int32_t i = 0; i < AFiles.Count(); ++i) {
    if (!Processed(StatusOf(AFiles, i))) continue;
    const common::TFilePath fileName = AFiles.FileName(i);
    try {
      const std::u16string format = batch::FileFormatName(fileName);
      rows.Items(i)
          .Items(batch::ColSize)
          .SetCaption(common::DString::FormatBytes(common::DDirectory::FileSize(fileName)));
      rows.Items(i).Items(batch::ColFormat).SetCaption(format);
    } catch (const common::Exception&) {
      // The inspection reports a file it cannot read; the cells keep what they showed.
    }
  }
}

}  // namespace tess::app
