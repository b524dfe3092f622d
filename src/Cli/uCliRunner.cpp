#include "Cli/uCliRunner.h"

#include <sys/stat.h>

#include "FormStream/uStreams.h"
#include "Shared/Common/uDDirectory.h"
#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uException.h"
#include "Shared/Common/uFormat.h"

namespace tess::cli {

using transform::TTransform;
using transform::TTransformStatus;

TFingerprint FingerprintOf(const std::u16string& APath) {
  struct stat info;
  TFingerprint result;
  if (::stat(common::Utf16ToUtf8(APath).c_str(), &info) != 0) return result;
  result.Exists = true;
  result.Device = info.st_dev;
  result.Inode = info.st_ino;
  result.Size = info.st_size;
  result.Modified = int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
  result.Changed = int64_t(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
  return result;
}

std::optional<stream::FormFileFormat> FormatOf(const std::u16string& APath) {
  try {
    stream::TFileStream file(APath, stream::TFileMode::fmOpenRead);
    return stream::DetectFormFormat(file);
  } catch (const common::Exception&) {
    return std::nullopt;
  }
}

TPreparer::TPreparer(std::unique_ptr<TTransform> ATransform, std::u16string ATempDir)
    : FTransform(std::move(ATransform)), FTempDir(std::move(ATempDir)) {}

TPrepared TPreparer::Prepare(const std::u16string& AInput, const std::u16string& AResultName) {
  TPrepared prepared;
  prepared.Input = AInput;
  prepared.Before = FingerprintOf(AInput);
  prepared.FormatBefore = FormatOf(AInput);
  const std::u16string result = common::DString::MakePath(FTempDir, AResultName);
  TTransform& transform = *FTransform;
  transform.SetInFile(AInput);
  transform.SetOutFile(result);
  transform.SetOnMessage([&](const std::u16string& AMessage) { prepared.Log.push_back(AMessage); });
  auto fail = [&](const std::u16string& AReason) {
    prepared.Raised = true;
    prepared.Status = TTransformStatus::tsError;
    // The built-in conversions raise without a word; a user transformation has already said why.
    for (const std::u16string& line : prepared.Log)
      if (line.starts_with(u"Error: ")) return;
    prepared.Log.push_back(u"Error: " + AReason);
  };
  try {
    transform.Execute();
    prepared.Status = transform.Status();
    if (prepared.Status == TTransformStatus::tsError) fail(u"the transformation failed without giving a reason");
  } catch (const common::Exception& error) {
    fail(error.Message());
  } catch (const std::exception& error) {
    fail(common::Utf8ToUtf16(error.what()));
  } catch (...) {
    fail(u"unexpected failure");
  }
  transform.SetOnMessage(nullptr);
  if (prepared.Raised)
    common::DDirectory::RemoveFile(result);
  else if (common::DDirectory::FileExists(result))
    prepared.Result = result;
  return prepared;
}

TRunner::TRunner(const TTransform& AProto, const common::TStringList& AFiles, int AJobs, std::u16string ATempDir)
    : FFiles(AFiles), FTempDir(std::move(ATempDir)), FResults(AFiles.size()) {
  FHere = std::make_unique<TPreparer>(AProto.Clone(), FTempDir);
  if (AJobs <= 1 || AFiles.size() <= 1) return;
  // Enough results in reserve to keep every thread busy while the consumer places one, few
  // enough that the temporary folder never holds much more than the files being worked on.
  FWindow = size_t(AJobs) * 4;
  for (int i = 0; i < AJobs; ++i) FPreparers.push_back(std::make_unique<TPreparer>(AProto.Clone(), FTempDir));
  for (auto& preparer : FPreparers) FThreads.emplace_back([this, &preparer] { Work(*preparer); });
}

TRunner::~TRunner() {
  {
    std::lock_guard<std::mutex> guard(FLock);
    FStop = true;
  }
  FChanged.notify_all();
  for (std::thread& thread : FThreads) thread.join();
  // Results prepared but never taken (the consumer stopped early) leave no file behind.
  for (auto& result : FResults)
    if (result && !result->Result.empty()) common::DDirectory::RemoveFile(result->Result);
}

std::u16string TRunner::ResultName(size_t AIndex, const char16_t* AKind) const {
  return common::IntToStr(int64_t(AIndex)) + AKind;
}

void TRunner::Work(TPreparer& APreparer) {
  for (;;) {
    size_t index;
    {
      std::unique_lock<std::mutex> guard(FLock);
      FChanged.wait(guard, [&] { return FStop || FNext >= FFiles.size() || FNext < FConsumed + FWindow; });
      if (FStop || FNext >= FFiles.size()) return;
      index = FNext++;
    }
    TPrepared prepared = APreparer.Prepare(FFiles[index], ResultName(index, u".out"));
    {
      std::lock_guard<std::mutex> guard(FLock);
      FResults[index] = std::move(prepared);
    }
    FChanged.notify_all();
  }
}

TPrepared TRunner::Take(size_t AIndex) {
  if (FThreads.empty()) {
    FConsumed = AIndex + 1;
    return FHere->Prepare(FFiles[AIndex], ResultName(AIndex, u".out"));
  }
  std::unique_lock<std::mutex> guard(FLock);
  FChanged.wait(guard, [&] { return FResults[AIndex].has_value(); });
  TPrepared prepared = std::move(*FResults[AIndex]);
  FResults[AIndex].reset();
  FConsumed = AIndex + 1;
  guard.unlock();
  FChanged.notify_all();
  return prepared;
}

TPrepared TRunner::PrepareAgain(size_t AIndex) { return FHere->Prepare(FFiles[AIndex], ResultName(AIndex, u".again")); }

}  // namespace tess::cli
