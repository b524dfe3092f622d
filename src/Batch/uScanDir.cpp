#include "Batch/uScanDir.h"

#include <chrono>

#include "Shared/Common/uFormat.h"
#include "Shared/Tasks/uDispatcher.h"

namespace tess::batch {

int64_t TickCount64() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

TScanDir::TScanDir(const common::TFilePath& APath, TFilesC* AFiles, IScanView* AForm)
    : FScanner(std::make_unique<common::TDFileScanner>()), FFiles(AFiles), FForm(AForm) {
  FScanner->SetPath(APath);
  FScanner->SetMask(u"*.dfm");
  FScanner->SetRecursive(true);
  FScanner->SetFileType(common::TDSearchAttribute::saFiles);
  FScanner->SetFullPath(true);
  FScanner->OnFind = [this](const common::TFilePath& AFileName) { FileFound(AFileName); };
  FScanner->OnPathChanged = [this](const common::TFilePath& APath) { PathChanged(APath); };
  FScanner->OnComplete = [this] { ScanComplete(); };
  FScanner->OnError = [this](const common::TFilePath& APath, const std::u16string& AReason) {
    ScanError(APath, AReason);
  };
}

TScanDir::~TScanDir() = default;

void TScanDir::Work(tasks::TTask& ATask) {
  FStartTime = TickCount64();
  FTask = &ATask;
  IScanView* form = FForm;
  const std::u16string line = common::Format(u"Start scanning folder %s.", {FScanner->Path().Text()});
  tasks::UIDispatcher().Queue([form, line] { form->Log()->Add(line); });
  FScanner->Execute();
}

void TScanDir::CheckTerminated() {
  if (FTask != nullptr && FTask->Terminated()) FScanner->Terminate();
}

void TScanDir::FileFound(const common::TFilePath& AFileName) {
  TFilesC* files = FFiles;
  tasks::UIDispatcher().Queue([files, AFileName, root = FScanner->Path()] { files->AddFile(AFileName, root); });
  CheckTerminated();
}

void TScanDir::PathChanged(const common::TFilePath& APath) {
  IScanView* form = FForm;
  const std::u16string text = u"Scanning: " + APath.Text();
  tasks::UIDispatcher().Queue([form, text] { form->Status()->SetText(text); });
  CheckTerminated();
}

void TScanDir::ScanError(const common::TFilePath& APath, const std::u16string& AReason) {
  IScanView* form = FForm;
  const std::u16string line = common::Format(u"Skipped %s: %s", {APath.Text(), AReason});
  tasks::UIDispatcher().Queue([form, line] { form->Log()->Add(line); });
  CheckTerminated();
}

void TScanDir::ScanComplete() {
  IScanView* form = FForm;
  // Counted here, on the worker thread that owns the scanner, so the user-interface thread never
  // reads the scanner's list.
  const auto found = static_cast<int64_t>(FScanner->Result().size());
  const int64_t startTime = FStartTime;
  tasks::UIDispatcher().Queue([form, found, startTime] {
    form->Status()->SetText(u"Scan complete");
    form->Log()->Add(common::Format(u"Scan complete %d file(s) found.", {found}));
    form->Log()->Add(common::Format(u"Time: %d sec.", {(TickCount64() - startTime) / 1000}));
  });
}

}  // namespace tess::batch
