#include "Cli/uCliOptions.h"

#include <algorithm>

#include <CLI/CLI.hpp>
#include <sstream>

#include "Cli/uCliReport.h"

#include "Cli/uCliInputs.h"

namespace tess::cli {

namespace {

constexpr const char* kVersion = "tessarine-cli 0.1.0";

void AddScanOptions(CLI::App& ACommand, TCliOptions& AOptions) {
  ACommand.add_flag("-r,--recursive", AOptions.Recursive,
                    "Scan each folder PATH for form files, subfolders and hidden entries included");
  ACommand.add_option("--mask", AOptions.Mask, "Semicolon-separated file name patterns a folder scan takes")
      ->type_name("PATTERNS")
      ->default_str("*.dfm");
  ACommand
      .add_option("--files-from", AOptions.FilesFrom,
                  "Read more paths from FILE, one a line ('-': standard input), after those given")
      ->type_name("FILE");
  ACommand.add_flag("--null", AOptions.Null, "Paths in the --files-from list end with NUL, not a line break");
}

// Every PATH argument: "-" stands for standard input where a command can read it.
void AddPaths(CLI::App& ACommand, TCliOptions& AOptions) {
  ACommand.add_option("PATH", AOptions.Paths, "Form files, or folders with -r ('-': standard input, with --stdout)");
}

void AddRunOptions(CLI::App& ACommand, TCliOptions& AOptions) {
  TPlacementOptions& placement = AOptions.Placement;
  const char* group = "Placement (default: the desktop program's saved preferences)";
  ACommand.add_flag("--stdout", placement.Stdout, "Write the result of the one input to standard output")->group(group);
  ACommand.add_flag("--replace", placement.Replace, "Replace each input, keeping a backup beside it")->group(group);
  ACommand.add_option("--backup-dir", placement.BackupDir, "Replace each input, keeping its backup in DIR")
      ->type_name("DIR")
      ->group(group);
  ACommand.add_flag("--no-backup", placement.NoBackup, "Replace each input without a backup")->group(group);
  ACommand
      .add_flag("--overwrite-backup", placement.OverwriteBackup,
                "Replace each input; an old backup of the same name is overwritten, not numbered")
      ->group(group);
  ACommand.add_flag("--new", placement.New, "Write each result to a new file beside its input")->group(group);
  ACommand.add_option("--output-dir", placement.OutputDir, "Write each result to a new file in DIR")
      ->type_name("DIR")
      ->group(group);
  ACommand
      .add_flag("--flat", placement.Flat,
                "With -r and --backup-dir or --output-dir: put every file straight into DIR instead of "
                "keeping its path below the scanned folder")
      ->group(group);
  ACommand.add_flag("--dry-run", placement.DryRun, "Run into a temporary file, report the status, change nothing")
      ->group(group);
  ACommand.add_option("-j,--jobs", AOptions.Jobs, "Process N files at a time")
      ->type_name("N")
      ->check(CLI::Range(1, 256))
      ->default_str("1");
  ACommand.add_flag("-q,--quiet", AOptions.Quiet, "Print only the files that end with Error");
  ACommand.add_flag("--diff", AOptions.Diff, "Print a unified diff of each text input against its text result");
  ACommand.add_flag("--json", AOptions.Json, "Print one JSON object per file instead of the status lines");
  AddScanOptions(ACommand, AOptions);
}

// CLI11 leaves the combinations to the program; these are refused before anything is read.
void CheckCombinations(const TCliOptions& AOptions) {
  const TPlacementOptions& placement = AOptions.Placement;
  if (placement.Any() && AOptions.Command != TCommand::cmConvert && AOptions.Command != TCommand::cmApply)
    throw EUsageError("placement options belong to convert and apply");
  const bool replaceFamily =
      placement.Replace || placement.NoBackup || placement.OverwriteBackup || !placement.BackupDir.empty();
  const bool newFamily = placement.New || !placement.OutputDir.empty();
  const int families = int(placement.Stdout) + int(placement.DryRun) + int(replaceFamily) + int(newFamily);
  if (families > 1)
    throw EUsageError(
        "choose one placement: --stdout, --dry-run, replacing (--replace, --backup-dir, --no-backup, "
        "--overwrite-backup) or new files (--new, --output-dir)");
  if (placement.NoBackup && (placement.OverwriteBackup || !placement.BackupDir.empty()))
    throw EUsageError("--no-backup cannot be combined with --backup-dir or --overwrite-backup");
  if (placement.New && !placement.OutputDir.empty())
    throw EUsageError("--new writes beside the input; --output-dir writes into a folder: choose one");
  if (AOptions.Mask.find_first_not_of("; ") == std::string::npos)
    throw EUsageError("--mask needs at least one pattern");
  if (AOptions.Null && AOptions.FilesFrom.empty()) throw EUsageError("--null describes the --files-from list");
}

// The paths of the --files-from list after those given as arguments; "-" is standard input, which
// a path "-" then cannot be too. A command needs at least one path either way.
void CollectPaths(TCliOptions& AOptions) {
  const bool stdinPath = std::find(AOptions.Paths.begin(), AOptions.Paths.end(), "-") != AOptions.Paths.end();
  if (!AOptions.FilesFrom.empty()) {
    if (AOptions.FilesFrom == "-" && stdinPath)
      throw EUsageError("standard input cannot be both the --files-from list and a form file");
    const std::vector<std::string> listed = ReadPathList(AOptions.FilesFrom, AOptions.Null);
    AOptions.Paths.insert(AOptions.Paths.end(), listed.begin(), listed.end());
  }
  // An empty list is a run over no files: a hook over staged forms may find none.
  if (AOptions.Paths.empty() && AOptions.FilesFrom.empty())
    throw EUsageError("no form file given: name a PATH or a --files-from list");
  if (stdinPath && (!AOptions.Placement.Stdout || AOptions.Paths.size() != 1))
    throw EUsageError("'-' (standard input) is the one input of a --stdout run");
}

}  // namespace

void PrintUsageError(const std::string& AMessage) {
  PrintDiagnostic(AMessage);
  PrintLine(TChannel::chErr, "Run 'tessarine-cli --help' for usage.");
}

int ParseCommandLine(int AArgc, char** AArgv, TCliOptions& AOptions) {
  CLI::App app("Converts Delphi form files between binary and text and runs transformations over them.",
               "tessarine-cli");
  // Handled here rather than by CLI11, whose version text ends without a line break.
  bool version = false;
  app.add_flag("--version", version, "Print the version and exit");
  app.require_subcommand(0, 1);
  app.fallthrough(false);

  CLI::App* detect = app.add_subcommand("detect", "Print how each form file is stored");
  AddScanOptions(*detect, AOptions);
  AddPaths(*detect, AOptions);

  CLI::App* convert = app.add_subcommand("convert", "Convert form files to text or to binary");
  convert->add_option("--to", AOptions.To, "The representation to convert to")
      ->required()
      ->check(CLI::IsMember({"text", "binary"}));
  convert->add_option("--eol", AOptions.Eol, "Line breaks of the text written by --to text (default crlf)")
      ->check(CLI::IsMember({"crlf", "lf"}));
  AddRunOptions(*convert, AOptions);
  AddPaths(*convert, AOptions);

  CLI::App* apply = app.add_subcommand("apply", "Run a transformation over form files");
  apply
      ->add_option("TRANSFORM", AOptions.Transform,
                   "A transformation file, or the caption or file name of one in the Transforms folder")
      ->required();
  AddRunOptions(*apply, AOptions);
  AddPaths(*apply, AOptions);

  CLI::App* check = app.add_subcommand("check", "Check that form files read as form text");
  AddScanOptions(*check, AOptions);
  AddPaths(*check, AOptions);

  CLI::App* transforms = app.add_subcommand("transforms", "List the transformations");

  detect->footer("Example:\n  git ls-files -z '*.dfm' | tessarine-cli detect --files-from - --null");
  convert->footer("Example:\n  tessarine-cli convert --to text --backup-dir ../forms-binary -r src");
  apply->footer("Example:\n  tessarine-cli apply \"Remove Explicit\" --dry-run --diff -r MyProject");
  check->footer("Example:\n  tessarine-cli check -r --mask \"*.dfm;*.fmx\" src || exit 1");
  transforms->footer("Example:\n  tessarine-cli transforms");

  try {
    app.parse(AArgc, AArgv);
    if (version) {
      PrintLine(TChannel::chOut, kVersion);
      return 0;
    }
    if (detect->parsed())
      AOptions.Command = TCommand::cmDetect;
    else if (convert->parsed())
      AOptions.Command = TCommand::cmConvert;
    else if (apply->parsed())
      AOptions.Command = TCommand::cmApply;
    else if (check->parsed())
      AOptions.Command = TCommand::cmCheck;
    else if (transforms->parsed())
      AOptions.Command = TCommand::cmTransforms;
    else
      throw EUsageError("a command is required: detect, convert, apply, check or transforms");
    CheckCombinations(AOptions);
    if (!AOptions.Eol.empty() && AOptions.To != "text") throw EUsageError("--eol applies to convert --to text only");
    if (AOptions.Command != TCommand::cmTransforms) CollectPaths(AOptions);
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
      std::ostringstream help, err;
      const int status = app.exit(error, help, err);
      Print(TChannel::chOut, help.str());
      Print(TChannel::chErr, err.str());
      return status;
    }
    PrintUsageError(error.what());
    return 2;
  } catch (const EUsageError& error) {
    PrintUsageError(error.what());
    return 2;
  }
  return -1;
}

}  // namespace tess::cli
