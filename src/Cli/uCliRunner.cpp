#include "Cli/uCliRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "Cli/uCliStop.h"
#include "FormStream/uFormFormat.h"
#include "FormStream/uStreams.h"
#include "Shared/Common/uDDirectory.h"
#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uException.h"
#include "Shared/Common/uFileIO.h"
#include "Shared/Common/uFormat.h"

namespace tess::cli {

using transform::TTransform;
using transform::TTransformStatus;

namespace {

TFingerprint FingerprintFrom(const struct stat& AInfo) {
  TFingerprint result;
  result.Exists = true;
  result.Device = AInfo.st_dev;
  result.Inode = AInfo.st_ino;
  result.Size = AInfo.st_size;
  result.Modified = int64_t(AInfo.st_mtim.tv_sec) * 1000000000 + AInfo.st_mtim.tv_nsec;
  result.Changed = int64_t(AInfo.st_ctim.tv_sec) * 1000000000 + AInfo.st_ctim.tv_nsec;
  return result;
}

// The input read once, for the fingerprint, the format and the transformation alike: the bytes go
// to ATransform. A file that cannot be read is left to the transformation, which says why.
void LoadInput(const common::TFilePath& APath, TOpenedInput AOpened, TPrepared& APrepared, TTransform& ATransform) {
  struct stat info = AOpened.Info;
  common::TFileDescriptor file = std::move(AOpened.File);
  try {
    if (!file.IsOpen()) file = common::TFileDescriptor(common::DDirectory::OpenRegular(APath, false, &info));
  } catch (const common::Exception&) {
    // Missing, a folder, a pipe: the fingerprint still tells whether the name holds something.
    APrepared.Before = FingerprintOf(APath);
    return;
  }
  APrepared.Before = FingerprintFrom(info);
  std::string bytes;
  bytes.reserve(size_t(std::max<off_t>(info.st_size, 0)) + 1);
  if (common::ReadToEnd(file.Get(), bytes) != 0) return;
  stream::TMemoryStream head(bytes.substr(0, 4));
  APrepared.FormatBefore = stream::DetectFormFormat(head);
  ATransform.SetInBytes(std::move(bytes));
}

}  // namespace

TFingerprint FingerprintOf(const common::TFilePath& APath) {
  struct stat info;
  if (::stat(APath.CStr(), &info) != 0) return {};
  return FingerprintFrom(info);
}

std::optional<stream::FormFileFormat> FormatOf(const common::TFilePath& APath) {
  try {
    return stream::DetectFileFormat(APath);
  } catch (const common::Exception&) {
    return std::nullopt;
  }
}

namespace {

// The format of a result in the private folder, where nothing but the run puts files, so that it
// needs none of the care a user's file gets; nothing when no result was written.
std::optional<stream::FormFileFormat> ResultFormat(const common::TFilePath& AResult) {
  const common::TFileDescriptor file(::open(AResult.CStr(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  if (!file.IsOpen()) return std::nullopt;
  return stream::DetectFormatOf(file.Get());
}

// A failure on the private result names the program's own file. The user needs the input it was
// made for, and the folder (TMPDIR) to make room in; the reason after the name is kept.
void NameTheInput(common::TStringList& ALog, const common::TFilePath& AResult, const common::TFilePath& AInput) {
  const std::u16string quoted = u"\"" + AResult.Text() + u"\"";
  // The result lies in the private folder, which lies in the temporary folder.
  const std::u16string folder = AResult.Folder().Folder().Text();
  for (std::u16string& line : ALog) {
    const size_t at = line.find(quoted);
    if (at == std::u16string::npos) continue;
    std::u16string_view reason = std::u16string_view(line).substr(at + quoted.size());
    while (!reason.empty() && (reason.front() == u'.' || reason.front() == u':' || reason.front() == u' '))
      reason.remove_prefix(1);
    line = std::u16string(line.starts_with(u"Error: ") ? u"Error: " : u"") +
           common::Format(u"Cannot write the result of \"%s\" to the temporary folder \"%s\". %s",
                          {AInput.Text(), folder, reason});
  }
}

}  // namespace

TPreparer::TPreparer(std::unique_ptr<TTransform> ATransform, common::TFilePath ATempDir)
    : FTransform(std::move(ATransform)), FTempDir(std::move(ATempDir)) {}

TPrepared TPreparer::Prepare(const common::TFilePath& AInput, const std::string& AResultName, TOpenedInput AOpened) {
  TPrepared prepared;
  prepared.Input = AInput;
  TTransform& transform = *FTransform;
  transform.SetInFile(AInput);
  LoadInput(AInput, std::move(AOpened), prepared, transform);
  // A stop that ended a wait for the input: the result is not going to be placed.
  if (StopRequested()) return prepared;
  const common::TFilePath result = FTempDir / AResultName;
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
  if (prepared.Raised) {
    NameTheInput(prepared.Log, result, AInput);
    common::DDirectory::RemoveFile(result);
  } else if (const std::optional<stream::FormFileFormat> format = ResultFormat(result)) {
    // Only a file that is there has a format.
    prepared.Result = result;
    prepared.FormatAfter = format;
  }
  return prepared;
}

namespace {

// The frames between the workers and the consumer: numbers as 8 bytes, texts with their length.
class TFrameWriter {
public:
  void Number(int64_t AValue) { FBytes.append(reinterpret_cast<const char*>(&AValue), sizeof AValue); }
  void Text(std::u16string_view AText) {
    Number(int64_t(AText.size()));
    FBytes.append(reinterpret_cast<const char*>(AText.data()), AText.size() * sizeof(char16_t));
  }
  void Path(const common::TFilePath& APath) {
    Number(int64_t(APath.Native().size()));
    FBytes.append(APath.Native());
  }
  // The frame with its length in front.
  std::string Take() {
    std::string frame(sizeof(int64_t), '\0');
    const int64_t size = int64_t(FBytes.size());
    std::memcpy(frame.data(), &size, sizeof size);
    return frame + FBytes;
  }

private:
  std::string FBytes;
};

class TFrameReader {
public:
  explicit TFrameReader(std::string_view ABytes) : FBytes(ABytes) {}
  int64_t Number() {
    int64_t value = 0;
    if (FBytes.size() - FPosition < sizeof value) throw common::Exception(u"damaged frame from a worker");
    std::memcpy(&value, FBytes.data() + FPosition, sizeof value);
    FPosition += sizeof value;
    return value;
  }
  std::u16string Text() {
    const int64_t length = Number();
    if (length < 0 || uint64_t(length) > (FBytes.size() - FPosition) / sizeof(char16_t))
      throw common::Exception(u"damaged frame from a worker");
    std::u16string text(size_t(length), u'\0');
    std::memcpy(text.data(), FBytes.data() + FPosition, text.size() * sizeof(char16_t));
    FPosition += text.size() * sizeof(char16_t);
    return text;
  }
  common::TFilePath Path() {
    const int64_t length = Number();
    if (length < 0 || uint64_t(length) > FBytes.size() - FPosition)
      throw common::Exception(u"damaged frame from a worker");
    common::TFilePath path(std::string(FBytes.substr(FPosition, size_t(length))));
    FPosition += size_t(length);
    return path;
  }

private:
  std::string_view FBytes;
  size_t FPosition = 0;
};

std::string Encode(size_t AIndex, const TPrepared& APrepared) {
  TFrameWriter frame;
  frame.Number(int64_t(AIndex));
  const TFingerprint& before = APrepared.Before;
  frame.Number(before.Exists);
  frame.Number(int64_t(before.Device));
  frame.Number(int64_t(before.Inode));
  frame.Number(before.Size);
  frame.Number(before.Modified);
  frame.Number(before.Changed);
  frame.Number(APrepared.FormatBefore ? int64_t(*APrepared.FormatBefore) : -1);
  frame.Number(APrepared.FormatAfter ? int64_t(*APrepared.FormatAfter) : -1);
  frame.Number(int64_t(APrepared.Status));
  frame.Number(APrepared.Raised);
  frame.Number(int64_t(APrepared.Log.size()));
  for (const std::u16string& line : APrepared.Log) frame.Text(line);
  frame.Path(APrepared.Result);
  return frame.Take();
}

TPrepared Decode(std::string_view APayload, size_t& AIndex) {
  TFrameReader frame(APayload);
  TPrepared prepared;
  AIndex = size_t(frame.Number());
  TFingerprint& before = prepared.Before;
  before.Exists = frame.Number() != 0;
  before.Device = dev_t(frame.Number());
  before.Inode = ino_t(frame.Number());
  before.Size = frame.Number();
  before.Modified = frame.Number();
  before.Changed = frame.Number();
  if (const int64_t format = frame.Number(); format >= 0) prepared.FormatBefore = stream::FormFileFormat(format);
  if (const int64_t format = frame.Number(); format >= 0) prepared.FormatAfter = stream::FormFileFormat(format);
  prepared.Status = TTransformStatus(frame.Number());
  prepared.Raised = frame.Number() != 0;
  const int64_t lines = frame.Number();
  for (int64_t i = 0; i < lines; ++i) prepared.Log.push_back(frame.Text());
  prepared.Result = frame.Path();
  return prepared;
}

// Exactly ACount bytes, or false at an error or an early end (the other side went away).
bool ReadExactly(int AFd, void* ABuffer, size_t ACount) {
  return common::ReadFull(AFd, static_cast<char*>(ABuffer), ACount) == static_cast<ssize_t>(ACount);
}

}  // namespace

TRunner::TRunner(const TTransform& AProto, const std::vector<common::TFilePath>& AFiles, int AJobs,
                 common::TFilePath ATempDir, size_t AGroup)
    : FFiles(AFiles), FTempDir(std::move(ATempDir)), FResults(AFiles.size()) {
  FHere = std::make_unique<TPreparer>(AProto.Clone(), FTempDir);
  if (AJobs <= 1 || AFiles.size() <= 1) return;
  // Enough results in reserve to keep every worker busy while the consumer places a group, few
  // enough that the temporary folder never holds much more than the files being worked on.
  FWindow = std::max<size_t>(AGroup, 1) + size_t(AJobs) * 4;
  // Output still buffered here would otherwise be written once more by a worker's exit path.
  std::fflush(nullptr);
  for (int i = 0; i < AJobs; ++i) {
    int tasks[2], results[2];
    if (::pipe(tasks) != 0) break;
    if (::pipe(results) != 0) {
      ::close(tasks[0]);
      ::close(tasks[1]);
      break;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
      // The consumer decides when a run stops; a worker ends when its task pipe closes.
      IgnoreStopSignals();
      ::close(tasks[1]);
      ::close(results[0]);
      for (const TWorker& earlier : FWorkers) {
        ::close(earlier.Tasks);
        ::close(earlier.Results);
      }
      TPreparer preparer(AProto.Clone(), FTempDir);
      Serve(preparer, FFiles, tasks[0], results[1]);
    }
    ::close(tasks[0]);
    ::close(results[1]);
    if (pid < 0) {
      ::close(tasks[1]);
      ::close(results[0]);
      break;
    }
    TWorker worker;
    worker.Pid = pid;
    worker.Tasks = tasks[1];
    worker.Results = results[0];
    FWorkers.push_back(std::move(worker));
  }
}

TRunner::~TRunner() {
  const bool stopped = StopRequested();
  for (TWorker& worker : FWorkers) {
    if (worker.Pid < 0) continue;
    // Closing both pipes ends the worker after the file it has, if any. After a stop it is not
    // waited for: it writes only into the private folder, which goes with everything in it.
    if (stopped) ::kill(worker.Pid, SIGKILL);
    ::close(worker.Tasks);
    ::close(worker.Results);
    ::waitpid(worker.Pid, nullptr, 0);
  }
  // Results prepared but never taken (the run stopped early) leave no file behind.
  for (auto& result : FResults)
    if (result && !result->Result.IsEmpty()) common::DDirectory::RemoveFile(result->Result);
}

void TRunner::Serve(TPreparer& APreparer, const std::vector<common::TFilePath>& AFiles, int ATasks, int AResults) {
  for (;;) {
    int64_t index = 0;
    if (!ReadExactly(ATasks, &index, sizeof index) || index < 0 || size_t(index) >= AFiles.size()) break;
    const TPrepared prepared = APreparer.Prepare(AFiles[size_t(index)], ResultName(size_t(index), ".out"));
    if (common::WriteAll(AResults, Encode(size_t(index), prepared)) != 0) break;
  }
  // No destructors and no exit handlers: they belong to the consumer, which still runs them.
  ::_exit(0);
}

std::string TRunner::ResultName(size_t AIndex, const char* AKind) { return std::to_string(AIndex) + AKind; }

bool TRunner::AnyAlive() const {
  for (const TWorker& worker : FWorkers)
    if (worker.Pid >= 0) return true;
  return false;
}

void TRunner::Lose(TWorker& AWorker, const std::u16string& AReason) {
  ::close(AWorker.Tasks);
  ::close(AWorker.Results);
  int status = 0;
  ::waitpid(AWorker.Pid, &status, 0);
  AWorker.Pid = -1;
  if (AWorker.Pending.empty()) return;
  const size_t index = AWorker.Pending.front();
  // The files waiting behind it were not begun: the consumer prepares them when their turn comes.
  AWorker.Pending.clear();
  // The file it had is failed, not run again here: whatever ended the worker would end this run.
  TPrepared failed;
  failed.Input = FFiles[index];
  failed.Before = FingerprintOf(failed.Input);
  failed.FormatBefore = FormatOf(failed.Input);
  failed.Status = TTransformStatus::tsError;
  failed.Raised = true;
  std::u16string how = AReason;
  if (WIFSIGNALED(status)) how += u" (signal " + common::IntToStr(WTERMSIG(status)) + u")";
  failed.Log.push_back(u"Error: " + how);
  common::DDirectory::RemoveFile(FTempDir / ResultName(index, ".out"));
  FResults[index] = std::move(failed);
}

void TRunner::Dispatch() {
  while (FNext < FFiles.size() && FNext < FConsumed + FWindow) {
    TWorker* least = nullptr;
    for (TWorker& worker : FWorkers)
      if (worker.Pid >= 0 && (least == nullptr || worker.Pending.size() < least->Pending.size())) least = &worker;
    if (least == nullptr) return;
    const int64_t index = int64_t(FNext);
    least->Pending.push_back(FNext++);
    if (common::WriteAll(least->Tasks, std::string_view(reinterpret_cast<const char*>(&index), sizeof index)) != 0)
      Lose(*least, u"the worker process ended unexpectedly");
  }
}

bool TRunner::InFlight(size_t AIndex) const {
  for (const TWorker& worker : FWorkers)
    if (worker.Pid >= 0 && std::find(worker.Pending.begin(), worker.Pending.end(), AIndex) != worker.Pending.end())
      return true;
  return false;
}

void TRunner::Receive(int ATimeout) {
  std::vector<pollfd> fds;
  std::vector<TWorker*> owners;
  for (TWorker& worker : FWorkers)
    if (worker.Pid >= 0 && !worker.Pending.empty()) {
      fds.push_back({worker.Results, POLLIN, 0});
      owners.push_back(&worker);
    }
  if (fds.empty()) return;
  const size_t workers = fds.size();
  if (StopDescriptor() >= 0) fds.push_back({StopDescriptor(), POLLIN, 0});
  if (::poll(fds.data(), fds.size(), ATimeout) < 0 || StopRequested()) return;
  for (size_t i = 0; i < workers; ++i) {
    if (fds[i].revents == 0) continue;
    TWorker& worker = *owners[i];
    char buffer[65536];
    const ssize_t count = ::read(worker.Results, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) {
      Lose(worker, u"the worker process ended unexpectedly");
      continue;
    }
    worker.Received.append(buffer, size_t(count));
    TakeFrames(worker);
  }
}

void TRunner::TakeFrames(TWorker& AWorker) {
  size_t used = 0;
  for (int64_t size = 0; AWorker.Received.size() - used >= sizeof size; used += sizeof size + size_t(size)) {
    std::memcpy(&size, AWorker.Received.data() + used, sizeof size);
    if (size >= 0 && AWorker.Received.size() - used - sizeof size < size_t(size)) break;
    size_t index = 0;
    try {
      if (size < 0) throw common::Exception(u"damaged frame from a worker");
      TPrepared prepared = Decode(std::string_view(AWorker.Received).substr(used + sizeof size, size_t(size)), index);
      if (AWorker.Pending.empty() || index != AWorker.Pending.front())
        throw common::Exception(u"damaged frame from a worker");
      prepared.Input = FFiles[index];
      FResults[index] = std::move(prepared);
      AWorker.Pending.pop_front();
    } catch (const common::Exception& error) {
      Lose(AWorker, error.Message());
      return;
    }
  }
  AWorker.Received.erase(0, used);
}

TPrepared TRunner::Take(size_t AIndex) { return Take(AIndex, {}); }

TPrepared TRunner::Take(size_t AIndex, TOpenedInput AOpened) {
  for (;;) {
    if (StopRequested()) return {};
    if (FResults[AIndex]) break;
    Dispatch();
    if (FResults[AIndex]) break;
    if (!InFlight(AIndex) && (AIndex < FNext || !AnyAlive())) {
      // No worker has it (none was started, none is left, or the one it waited for ended): this
      // process does the file itself.
      FNext = std::max(FNext, AIndex + 1);
      FConsumed = AIndex + 1;
      return FHere->Prepare(FFiles[AIndex], ResultName(AIndex, ".out"), std::move(AOpened));
    }
    Receive();
  }
  TPrepared prepared = std::move(*FResults[AIndex]);
  FResults[AIndex].reset();
  FConsumed = AIndex + 1;
  // Workers that finished while this file waited get their next files now, not after it is placed.
  Dispatch();
  return prepared;
}

std::optional<TPrepared> TRunner::TakeIfReady(size_t AIndex, std::chrono::steady_clock::time_point ADeadline) {
  using namespace std::chrono;
  for (;;) {
    Dispatch();
    if (FResults[AIndex] || !InFlight(AIndex) || StopRequested()) break;
    const int64_t left = duration_cast<milliseconds>(ADeadline - steady_clock::now()).count();
    Receive(int(std::max<int64_t>(left, 0)));
    if (left <= 0) break;
  }
  if (FResults[AIndex]) return Take(AIndex);
  const bool here = !InFlight(AIndex) && (AIndex < FNext || !AnyAlive());
  if (!here || steady_clock::now() >= ADeadline) return std::nullopt;
  // This process prepares the file itself, unless its open would wait on a lease.
  TOpenedInput input;
  try {
    input.File = common::TFileDescriptor(common::DDirectory::OpenRegularAtOnce(FFiles[AIndex], &input.Info));
    if (!input.File.IsOpen()) return std::nullopt;
  } catch (const common::Exception&) {
    // The preparation tries again and says why the file cannot be read.
  }
  return Take(AIndex, std::move(input));
}

TPrepared TRunner::PrepareAgain(size_t AIndex) { return FHere->Prepare(FFiles[AIndex], ResultName(AIndex, ".again")); }

}  // namespace tess::cli
