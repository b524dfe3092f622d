// Runs a transformation over many files, N at a time, and hands the results back in input order.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FormStream/uFormFormat.h"
#include "Shared/Common/uDString.h"
#include "Shared/Common/uFileIO.h"
#include "Transformations/uTransform.h"

namespace tess::cli {

// What identifies one state of a file: a file replaced, rewritten or touched no longer matches.
struct TFingerprint {
  bool Exists = false;
  dev_t Device = 0;
  ino_t Inode = 0;
  int64_t Size = 0;
  int64_t Modified = 0;  // nanoseconds
  int64_t Changed = 0;   // nanoseconds
  bool operator==(const TFingerprint&) const = default;
};
TFingerprint FingerprintOf(const common::TFilePath& APath);

std::optional<stream::FormFileFormat> FormatOf(const common::TFilePath& APath);

// One file run through the transformation into a private temporary file, before placement.
struct TPrepared {
  common::TFilePath Input;
  TFingerprint Before;
  std::optional<stream::FormFileFormat> FormatBefore;
  transform::TTransformStatus Status = transform::TTransformStatus::tsNone;
  // Execute raised: the file failed, and the placement must treat it as failed.
  bool Raised = false;
  common::TStringList Log;
  // The private file holding the result; empty when the transformation wrote none.
  common::TFilePath Result;
  std::optional<stream::FormFileFormat> FormatAfter;  // the result's
  // The result is on disk (flushed with its group), so that placing it needs no flush of its own.
  bool Flushed = false;
};

// An input opened already, and what it was when opened.
struct TOpenedInput {
  common::TFileDescriptor File;
  struct stat Info {};
};

// Runs one copy of the transformation.
class TPreparer {
public:
  TPreparer(std::unique_ptr<transform::TTransform> ATransform, common::TFilePath ATempDir);
  // Never raises. A failure ends with tsError and a log line "Error: " with its reason, also
  // when the transformation itself gave none. AOpened, when open, is AInput.
  TPrepared Prepare(const common::TFilePath& AInput, const std::string& AResultName, TOpenedInput AOpened = {});

private:
  std::unique_ptr<transform::TTransform> FTransform;
  common::TFilePath FTempDir;
};

// Prepares the files in AJobs worker processes, a bounded distance ahead of the consumer, so that
// the consumer can place the results one after another in input order, as a run with one worker
// does. Processes rather than threads: the form file facade is one per process and not for two
// threads at once, so each worker gets its own facade and its own copy of the transformation.
// A worker that dies (a fault in the core on some input) fails only the file it had.
class TRunner {
public:
  // With AJobs > 1 the workers are forked here, so no other thread may run at this point. The
  // consumer takes up to AGroup results before it places them, and the workers keep going meanwhile.
  TRunner(const transform::TTransform& AProto, const std::vector<common::TFilePath>& AFiles, int AJobs,
          common::TFilePath ATempDir, size_t AGroup);
  ~TRunner();
  TRunner(const TRunner&) = delete;
  TRunner& operator=(const TRunner&) = delete;

  // The result of file AIndex; called with 0, 1, 2, ... in turn. Once a stop is requested
  // (StopRequested) it returns at once, with an empty result that is not to be placed.
  TPrepared Take(size_t AIndex);
  // The same, but only when it is there by ADeadline: a worker has sent it by then, or (with no
  // workers) the deadline has not passed and its input opens at once, not held by another program.
  std::optional<TPrepared> TakeIfReady(size_t AIndex, std::chrono::steady_clock::time_point ADeadline);
  // The file AIndex prepared again in this process, for a file that an earlier placement changed
  // after it was prepared.
  TPrepared PrepareAgain(size_t AIndex);

private:
  // Take, with the input opened already when this process is to prepare it.
  TPrepared Take(size_t AIndex, TOpenedInput AOpened);

  struct TWorker {
    pid_t Pid = -1;
    int Tasks = -1;    // indexes to the worker
    int Results = -1;  // prepared files from it
    // The files sent to it and not answered yet, in the order it works on them: the first is the one
    // it has in hand.
    std::deque<size_t> Pending;
    std::string Received;
  };

  // Hands out the files of the window, each to the worker with the fewest waiting, so that the
  // workers keep going while the consumer places what it took.
  void Dispatch();
  // File AIndex is with a worker that is still there.
  bool InFlight(size_t AIndex) const;
  // Waits up to ATimeout milliseconds (-1: until a result or a stop comes) for the workers' results.
  void Receive(int ATimeout = -1);
  // The whole frames received from AWorker, each the answer for its first waiting file.
  void TakeFrames(TWorker& AWorker);
  void Lose(TWorker& AWorker, const std::u16string& AReason);
  bool AnyAlive() const;
  [[noreturn]] static void Serve(TPreparer& APreparer, const std::vector<common::TFilePath>& AFiles, int ATasks,
                                 int AResults);
  static std::string ResultName(size_t AIndex, const char* AKind);

  const std::vector<common::TFilePath>& FFiles;
  common::TFilePath FTempDir;
  std::unique_ptr<TPreparer> FHere;
  std::vector<TWorker> FWorkers;
  std::vector<std::optional<TPrepared>> FResults;
  size_t FNext = 0;      // the next file to hand to a worker
  size_t FConsumed = 0;  // the files handed out by Take
  size_t FWindow = 1;    // how far the workers may run ahead
};

}  // namespace tess::cli
