// The command line of tessarine-cli: its commands and options, and the usage errors it refuses.
#pragma once

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
  // Under -r, results and backups in a folder go side by side instead of keeping each file's path
  // below the scanned folder. It shapes a placement rather than choosing one.
  bool Flat = false;

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
  // A file of paths (one a line, or NUL-separated with Null), "-" for standard input; its paths
  // follow those given as arguments.
  std::string FilesFrom;
  bool Null = false;
  bool Quiet = false;
  bool Diff = false;
  bool Json = false;
};

// Parses the arguments into AOptions. Returns -1 when a command is to run; otherwise the exit
// status, after help or the version went to standard output or a usage error with its hint to
// standard error. Raises EOutputError when help or the version cannot be written.
int ParseCommandLine(int AArgc, char** AArgv, TCliOptions& AOptions);

// The message and the one-line hint that end every refused command line, on standard error.
void PrintUsageError(const std::string& AMessage);

}  // namespace tess::cli
