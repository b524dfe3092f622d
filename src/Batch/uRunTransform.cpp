#include "Batch/uRunTransform.h"

#include <optional>
#include <vector>

#include "Shared/Common/uFormat.h"
#include "Shared/Tasks/uDispatcher.h"

namespace tess::batch {

using transform::TTransformStatus;

namespace {

// Runs AProc on the user-interface thread and waits for it; its exception comes back here.
template <class TFunc>
void OnUIThread(TFunc AProc) {
  tasks::UIDispatcher().Synchronize(AProc);
}

}  // namespace

int32_t StatusImageIndex(TTransformStatus AStatus) {
  switch (AStatus) {
    case TTransformStatus::tsApplied: return 0;
    case TTransformStatus::tsNoChanges:
    case TTransformStatus::tsSkipped: return 2;
    case TTransformStatus::tsError: return 1;
    case TTransformStatus::tsProgress:
    case TTransformStatus::tsNone: break;
  }
  return -1;
}

TRunTransform::TRunTransform(transform::TTransform* ATransform, TFilesC* AFiles, IRunView* AForm,
                             TFileStack* AFileStack, TDFMBackup& APlacement)
    : FTrans(ATransform), FFiles(AFiles), FForm(AForm), FFileStack(AFileStack), FPlacement(APlacement) {}

void TRunTransform::SetStatusCell(int32_t AIndex, TTransformStatus AStatus) {
  common::TDGUIItem& cell = FForm->Files()->Rows().Items(AIndex).Items(ColStatus);
  cell.SetCaption(transform::StatusCaption(AStatus));
  cell.SetImageIndex(StatusImageIndex(AStatus));
}

void TRunTransform::Work(tasks::TTask& ATask) {
  FTask = &ATask;
  int32_t count = 0;
  std::vector<common::TFilePath> files;
  OnUIThread([&] {
    count = FFiles->Count();
    FForm->Progress()->SetMax(count - 1);
    for (int32_t index = 0; index < count; ++index) files.push_back(FFiles->FileName(index));
  });
  FPlacement.BeginRun(files);
  // One hand-off to the window a file: it shows the outcome of the file before, then the start of
  // this one, in the order the window is to show them. A hand-off waits for the user-interface
  // thread, and costs more than a small file's conversion.
  std::optional<int32_t> done;  // the file whose outcome the window has yet to show
  TTransformStatus doneStatus = TTransformStatus::tsNone;
  auto showDone = [&] {
    if (!done) return;
    SetStatusCell(*done, doneStatus);
    FFileStack->Add(&FForm->Files()->Rows().Items(*done), FFiles->FileName(*done));
    done.reset();
  };
  for (int32_t index = 0; index < count; ++index) {
    if (FTask->Terminated()) break;
    common::TFilePath file, root;
    OnUIThread([&] {
      showDone();
      FForm->Progress()->SetPosition(index);
      file = FFiles->FileName(index);
      FForm->Log()->Add(common::Format(u"*** Processing file %s ***", {file.Text()}));
      FForm->Status()->SetText(
          common::Format(u"Transformation in progress, %d of %d file(s) processed.", {index + 1, FFiles->Count()}));
      SetStatusCell(index, TTransformStatus::tsProgress);
      root = FFiles->Root(index);
    });
    FPlacement.Execute(*FTrans, file, root);
    done = index;
    doneStatus = FTrans->Status();
  }
  OnUIThread([&] {
    showDone();
    FForm->Status()->SetText(u"Transformation complete.");
  });
}

}  // namespace tess::batch
