// The form files a command works on: named files as they are, folders scanned as "Add Directory" does.
#pragma once

#include <string>
#include <vector>

#include "Shared/Common/uDString.h"

namespace tess::cli {

// The paths of a --files-from list: one a line (a CR before the line break dropped, empty lines
// skipped), or NUL-separated with ANull; "-" reads standard input. Raises EUsageError when the
// list cannot be read.
std::vector<std::string> ReadPathList(const std::string& AFile, bool ANull);

// Standard input, whole, in a file of its own inside AFolder, for a run whose one input is "-".
// Raises common::EFileError when it cannot be read or kept.
std::u16string CaptureStandardInput(const std::u16string& AFolder);

// The patterns of a --mask text, split at semicolons, blanks around them dropped.
common::TStringList SplitMask(const std::string& AMask);

// Every file, in the order given; each folder (only with ARecursive) adds the files below it
// whose names match one of the patterns, hidden ones included, each folder's own entries first
// and sorted. A path that does not exist stays in the list, so that the run reports it. Raises
// EUsageError for a folder without ARecursive. ARoots, when given, receives for each file the
// folder it was found under, or an empty text for a file named as it is.
common::TStringList CollectFiles(const std::vector<std::string>& APaths, bool ARecursive, const std::string& AMask,
                                 common::TStringList* ARoots = nullptr);

}  // namespace tess::cli
