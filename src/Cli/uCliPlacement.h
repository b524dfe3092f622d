// Where the results of a run go: the settings the output placement reads, and what to tell the user.
#pragma once

#include <memory>
#include <string>

#include "App/uDFMSettings.h"
#include "Cli/uCliOptions.h"

namespace tess::cli {

enum class TPlacementMode {
  pmPlace,   // the output placement puts each result in place, as the desktop program does
  pmDryRun,  // results are made and thrown away
  pmStdout,  // the one result goes to standard output
};

struct TPlacement {
  TPlacementMode Mode = TPlacementMode::pmPlace;
  std::unique_ptr<app::TDFMSettings> Settings;
  // "Placement: ..." for the first line of output.
  std::u16string Description;
  // What could not be read from the saved preferences; empty when nothing.
  std::u16string Warning;
};

// The placement options win; a run without any takes the desktop program's saved preferences
// (its defaults when none are saved). Options start from the defaults, never from saved
// preferences, so that a script does the same on every machine.
TPlacement ResolvePlacement(const TPlacementOptions& AOptions);

// Makes the backup or output folder named on the command line when it is missing. Raises
// EFileError with the folder and the reason when it cannot be made or is no folder: the
// command line is right, the disk is not.
void PrepareFolders(const TPlacement& APlacement, const TPlacementOptions& AOptions);

}  // namespace tess::cli
