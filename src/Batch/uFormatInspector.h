// The format inspection: a worker that drains the inspection queue and names each file's storage format.
#pragma once

#include <string>

#include "Batch/uFilesC.h"
#include "FormStream/uFormFormat.h"
#include "Shared/Common/uControls.h"
#include "Shared/Tasks/uTask.h"

namespace tess::batch {

// The format name of the file as it is on disk. Raises common::Exception when it cannot be read.
std::u16string FileFormatName(const common::TFilePath& AFileName);

// Runs until its task is terminated, polling the queue every 50 ms while it is empty. The table
// and the log are touched only on the user-interface thread, through the dispatcher's queue.
class TFormatInspector : public tasks::TAlgorithm {
public:
  static constexpr int PollMilliseconds = 50;

  TFormatInspector(common::IDTable* ATable, TFileStack* AFiles, common::IDLog* ALog)
      : FTable(ATable), FFiles(AFiles), FLog(ALog) {}

  void Work(tasks::TTask& ATask) override;

  common::IDTable* Table() const { return FTable; }
  TFileStack* Files() const { return FFiles; }

  // The format name of the file, or empty when it cannot be read; the reason then goes to the
  // log. Called on the worker thread.
  std::u16string DetectFormat(const common::TFilePath& AFileName);

private:
  // Drains the queue without looking at the termination flag, so a stop waits for it.
  void ProcessFiles();
  // Hands the result to the user-interface thread, which writes it only into a row that is still
  // in the table and still shows the same file.
  void Process(IFileRecPtr ARecord, const std::u16string& AFormat);

  common::IDTable* FTable;
  tasks::TTask* FTask = nullptr;
  TFileStack* FFiles;
  common::IDLog* FLog;
};

}  // namespace tess::batch
