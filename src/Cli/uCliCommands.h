// The commands of tessarine-cli over the core: detect, convert, apply, check and transforms.
#pragma once

#include "Cli/uCliOptions.h"

namespace tess::cli {

// Runs the parsed command. Returns the exit status: 0 when no file ended with "Error", 1 when
// one did. Raises EUsageError for a command line that names what cannot be used.
int RunCommand(const TCliOptions& AOptions);

}  // namespace tess::cli
