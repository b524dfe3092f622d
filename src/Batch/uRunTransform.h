// The batch run: one transformation applied to every listed file, in list order, on a worker thread.
#pragma once

#include <cstdint>
#include <string>

#include "Batch/uBatchViews.h"
#include "Batch/uDFMBackup.h"
#include "Batch/uFilesC.h"
#include "Shared/Tasks/uTask.h"
#include "Transformations/uTransform.h"

namespace tess::batch {

// The image of the Status cell beside an outcome's caption: 0 for "Applied", 2 for "No changes"
// and "Skipped", 1 for "Error", none (-1) otherwise.
int32_t StatusImageIndex(transform::TTransformStatus AStatus);

// Every call it makes to the view or the rows is carried to the user-interface thread by the
// dispatcher's Synchronize, one call after another, so the window sees them in the order they
// were made and each has taken effect before the worker goes on. Only the transformation and
// the output placement run on the worker thread itself.
class TRunTransform : public tasks::TAlgorithm {
public:
  // None of the objects is owned.
  TRunTransform(transform::TTransform* ATransform, TFilesC* AFiles, IRunView* AForm, TFileStack* AFileStack,
                TDFMBackup& APlacement);

  // A file in progress is always finished: the stop flag is looked at before each file only.
  // An exception raised outside the transformation (the view, the rows) ends the run there.
  void Work(tasks::TTask& ATask) override;

private:
  // Only on the user-interface thread.
  void SetStatusCell(int32_t AIndex, transform::TTransformStatus AStatus);

  transform::TTransform* FTrans;
  tasks::TTask* FTask = nullptr;
  TFilesC* FFiles;
  IRunView* FForm;
  TFileStack* FFileStack;
  TDFMBackup& FPlacement;
};

}  // namespace tess::batch
