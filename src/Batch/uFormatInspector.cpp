#include "Batch/uFormatInspector.h"

#include <chrono>
#include <thread>

#include "FormStream/uStreams.h"
#include "Shared/Common/uDString.h"
#include "Shared/Common/uException.h"
#include "Shared/Tasks/uDispatcher.h"

namespace tess::batch {

std::u16string FileFormatName(const common::TFilePath& AFileName) {
  return stream::FormatName(stream::DetectFileFormat(AFileName));
}

void TFormatInspector::Work(tasks::TTask& ATask) {
  FTask = &ATask;
  while (!FTask->Terminated()) {
    if (FFiles->Empty())
      std::this_thread::sleep_for(std::chrono::milliseconds(PollMilliseconds));
    else
      ProcessFiles();
  }
}

void TFormatInspector::ProcessFiles() {
  while (IFileRecPtr record = FFiles->Extract()) {
    const std::u16string format = DetectFormat(record->FileName());
    Process(std::move(record), format);
  }
}

std::u16string TFormatInspector::DetectFormat(const common::TFilePath& AFileName) {
  try {
    return FileFormatName(AFileName);
  } catch (const common::Exception& error) {
    // The log is a widget: the line travels to the user-interface thread like the Format cells,
    // and so keeps its place among them.
    common::IDLog* log = FLog;
    const std::u16string message = error.Message();
    if (log != nullptr) tasks::UIDispatcher().Queue([log, message] { log->Add(message); });
    return {};
  }
}

void TFormatInspector::Process(IFileRecPtr ARecord, const std::u16string& AFormat) {
  common::IDTable* table = FTable;
  tasks::UIDispatcher().Queue([table, record = std::move(ARecord), AFormat] {
    common::TDGUIRows& rows = table->Rows();
    const int32_t index = rows.IndexOf(record->Row());
    if (index < 0) return;
    // A removed row's memory may have gone to a row added since; that row is another file, or
    // the same file queued on its own, and either way it is not this record's to write.
    common::TDGUIRow& row = rows.Items(index);
    if (common::TFilePath(RowFileName(row)) != record->FileName()) return;
    row.Items(ColFormat).SetCaption(AFormat);
  });
}

}  // namespace tess::batch
