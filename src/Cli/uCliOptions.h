// The command line of tessarine-cli: its commands and options, and the usage errors it refuses.
#pragma once

#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace tess::cli {

// The command line asks for something the program cannot do; the program ends with status 2.
class EUsageError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

enum class TCommand { cmNone, cmDetect, cmConvert, cmApply, cmCheck, cmTransforms };

// The placement options as typed; which one wins is decided when the run starts.
struct TPlacementOptions {
  bool Stdout = false;
  bool DryRun = false;
  bool Replace = false;
  bool NoBackup = false;
  bool OverwriteBackup = false;
  bool New = false;
  std::string BackupDir;  // empty: not given
  std::string OutputDir;  // empty: not given

  bool Any() const {
    return Stdout || DryRun || Replace || NoBackup || OverwriteBackup || New || !BackupDir.empty() ||
           !OutputDir.empty();
  }
};

struct TCliOptions {
  TCommand Command = TCommand::cmNone;
  std::vector<std::string> Paths;
  bool Recursive = false;
  std::string Mask = "*.dfm";
  std::string To;         // convert: "text" or "binary"
  std::string Eol;        // convert --to text: "crlf" (also when not given) or "lf"
  std::string Transform;  // apply: a file, a caption or a file name in the Transforms folder
  TPlacementOptions Placement;
  int Jobs = 1;
  bool Quiet = false;
  bool Diff = false;
  bool Json = false;
};

// Parses the arguments into AOptions. Returns -1 when a command is to run; otherwise the exit
// status, after help or the version went to AOut or a usage error with its hint to AErr.
int ParseCommandLine(int AArgc, char** AArgv, TCliOptions& AOptions, std::ostream& AOut, std::ostream& AErr);

// The message and the one-line hint that end every refused command line.
void PrintUsageError(std::ostream& AErr, const std::string& AMessage);

}  // namespace tess::cli
