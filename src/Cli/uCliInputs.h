// The form files a command works on: named files as they are, folders scanned as "Add Directory" does.
#pragma once

#include <string>
#include <vector>

#include "Shared/Common/uDString.h"
#include "Shared/Common/uFilePath.h"

namespace tess::cli {

// The paths of a --files-from list: one a line (a CR before the line break dropped, empty lines
// skipped), or NUL-separated with ANull; "-" reads standard input. Raises EUsageError when the
// list cannot be read.
std::vector<std::string> ReadPathList(const std::string& AFile, bool ANull);

// Standard input, whole, in a file of its own inside AFolder, for a run whose one input is "-".
// Raises common::EFileError when it cannot be read or kept.
common::TFilePath CaptureStandardInput(const common::TFilePath& AFolder);

// The patterns of a --mask text, split at semicolons, blanks around them dropped.
common::TStringList SplitMask(const std::string& AMask);

// What a scan could not take: a folder it could not read, or an entry named like a form that is
// not a regular file. Reported as an error of the run, so that nothing is left out unseen.
struct TScanProblem {
  common::TFilePath Path;
  std::u16string Reason;
};

struct TInputs {
  std::vector<common::TFilePath> Files;
  // For each file, the folder a scan found it under; empty for a file named as it is.
  std::vector<common::TFilePath> Roots;
  std::vector<TScanProblem> Problems;
  bool Stopped = false;  // a stop was requested while the folders were scanned
};

// Every file, in the order given; each folder (only with ARecursive) adds the regular files below
// it whose names match one of the patterns, hidden ones included, each folder's own entries first
// and sorted. A path that is not a folder stays in the list as it is (missing, or not a regular
// file), so that the run reports it. Names keep their bytes. A scan gives up when a
// stop is requested (StopRequested). Raises EUsageError for a folder without ARecursive.
TInputs CollectFiles(const std::vector<std::string>& APaths, bool ARecursive, const std::string& AMask);

}  // namespace tess::cli
