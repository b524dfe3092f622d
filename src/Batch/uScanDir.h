// The folder scan: a worker that walks a folder tree and adds every form file below it to the file list.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "Batch/uBatchViews.h"
#include "Batch/uFilesC.h"
#include "Shared/Common/uDDirectory.h"
#include "Shared/Tasks/uTask.h"

namespace tess::batch {

// Every view change, the added rows included, is queued to the user-interface thread in the
// order the scanner reported it; the worker thread itself touches neither the view nor the rows.
class TScanDir : public tasks::TAlgorithm {
public:
  TScanDir(const common::TFilePath& APath, TFilesC* AFiles, IScanView* AForm);
  ~TScanDir() override;

  void Work(tasks::TTask& ATask) override;

  const common::TDFileScanner& Scanner() const { return *FScanner; }

private:
  void FileFound(const common::TFilePath& AFileName);
  void PathChanged(const common::TFilePath& APath);
  void ScanComplete();
  // A folder it could not read or an entry that is not a regular file: a log line, so that the
  // user knows which forms were not added.
  void ScanError(const common::TFilePath& APath, const std::u16string& AReason);
  void CheckTerminated();

  tasks::TTask* FTask = nullptr;
  std::unique_ptr<common::TDFileScanner> FScanner;
  TFilesC* FFiles;
  IScanView* FForm;
  int64_t FStartTime = 0;
};

// Milliseconds of a steady clock, for elapsed times.
int64_t TickCount64();

}  // namespace tess::batch
