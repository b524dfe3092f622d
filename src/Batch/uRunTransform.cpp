#include "Batch/uRunTransform.h"

#include <vector>

#include "Shared/Common/uFormat.h"
#include "Shared/Tasks/uDispatcher.h"

namespace tess::batch {

using transform::TTransformStatus;

namespace {

struct TStatusLook {
  const char16_t* Caption;
  int32_t ImageIndex;
};

// Indexed by TTransformStatus.
constexpr TStatusLook StatusLooks[] = {
    {u"", -1}, {u"Applied", 0}, {u"No changes", 2}, {u"Skipped", 2}, {u"Error", 1}, {u"In progress...", -1},
};

const TStatusLook* LookOf(TTransformStatus AStatus) {
  const auto index = static_cast<size_t>(AStatus);
  return index < std::size(StatusLooks) ? &StatusLooks[index] : nullptr;
}

// Runs AProc on the user-interface thread and waits for it; its exception comes back here.
template <class TFunc>
void OnUIThread(TFunc AProc) {
  tasks::UIDispatcher().Synchronize(AProc);
}

}  // namespace

std::u16string StatusCaption(TTransformStatus AStatus) {
  const TStatusLook* look = LookOf(AStatus);
  return look == nullptr ? std::u16string() : std::u16string(look->Caption);
}

int32_t StatusImageIndex(TTransformStatus AStatus) {
  const TStatusLook* look = LookOf(AStatus);
  return look == nullptr ? -1 : look->ImageIndex;
}

TRunTransform::TRunTransform(transform::TTransform* ATransform, TFilesC* AFiles, IRunView* AForm,
                             TFileStack* AFileStack, TDFMBackup& APlacement)
    : FTrans(ATransform), FFiles(AFiles), FForm(AForm), FFileStack(AFileStack), FPlacement(APlacement) {}

void TRunTransform::SetStatusCell(int32_t AIndex, TTransformStatus AStatus) {
  common::TDGUIItem& cell = FForm->Files()->Rows().Items(AIndex).Items(ColStatus);
  cell.SetCaption(StatusCaption(AStatus));
  cell.SetImageIndex(StatusImageIndex(AStatus));
}

void TRunTransform::Work(tasks::TTask& ATask) {
  FTask = &ATask;
  int32_t count = 0;
  std::vector<std::u16string> files;
  OnUIThread([&] {
    count = FFiles->Count();
    FForm->Progress()->SetMax(count - 1);
    for (int32_t index = 0; index < count; ++index) files.push_back(FFiles->FileName(index));
  });
  FPlacement.BeginRun(files);
  // Two hand-offs to the window a file, each doing in order what the window is to show then: every
  // hand-off waits for the user-interface thread, and costs more than a small file's conversion.
  for (int32_t index = 0; index < count; ++index) {
    if (FTask->Terminated()) break;
    std::u16string file, root;
    OnUIThread([&] {
      FForm->Progress()->SetPosition(index);
      file = FFiles->FileName(index);
      FForm->Log()->Add(common::Format(u"*** Processing file %s ***", {file}));
      FForm->Status()->SetText(common::Format(u"Transformation in progress, %d of %d file(s) processed.",
                                              {index + 1, FFiles->Count()}));
      SetStatusCell(index, TTransformStatus::tsProgress);
      root = FFiles->Root(index);
    });
    FPlacement.Execute(*FTrans, file, root);
    OnUIThread([&] {
      SetStatusCell(index, FTrans->Status());
      FFileStack->Add(&FForm->Files()->Rows().Items(index), FFiles->FileName(index));
    });
  }
  OnUIThread([&] { FForm->Status()->SetText(u"Transformation complete."); });
}

}  // namespace tess::batch
