#include "Cli/uCliOptions.h"

#include <CLI/CLI.hpp>

namespace tess::cli {

namespace {

constexpr const char* kVersion = "tessarine-cli 0.1.0";

void AddScanOptions(CLI::App& ACommand, TCliOptions& AOptions) {
  ACommand.add_flag("-r,--recursive", AOptions.Recursive,
                    "Scan each folder PATH for form files, subfolders and hidden entries included");
  ACommand.add_option("--mask", AOptions.Mask, "Semicolon-separated file name patterns a folder scan takes")
      ->type_name("PATTERNS")
      ->default_str("*.dfm");
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
  ACommand.add_flag("--overwrite-backup", placement.OverwriteBackup,
                    "Replace each input; an old backup of the same name is overwritten, not numbered")
      ->group(group);
  ACommand.add_flag("--new", placement.New, "Write each result to a new file beside its input")->group(group);
  ACommand.add_option("--output-dir", placement.OutputDir, "Write each result to a new file in DIR")
      ->type_name("DIR")
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
  if (AOptions.Mask.find_first_not_of("; ") == std::string::npos) throw EUsageError("--mask needs at least one pattern");
}

}  // namespace

void PrintUsageError(std::ostream& AErr, const std::string& AMessage) {
  AErr << "tessarine-cli: " << AMessage << "\n"
       << "Run 'tessarine-cli --help' for usage.\n";
}

int ParseCommandLine(int AArgc, char** AArgv, TCliOptions& AOptions, std::ostream& AOut, std::ostream& AErr) {
  CLI::App app("Converts Delphi form files between binary and text and runs transformations over them.",
               "tessarine-cli");
  // Handled here rather than by CLI11, whose version text ends without a line break.
  bool version = false;
  app.add_flag("--version", version, "Print the version and exit");
  app.require_subcommand(0, 1);
  app.fallthrough(false);

  CLI::App* detect = app.add_subcommand("detect", "Print how each form file is stored");
  AddScanOptions(*detect, AOptions);
  detect->add_option("PATH", AOptions.Paths, "Form files, or folders with -r")->required();

  CLI::App* convert = app.add_subcommand("convert", "Convert form files to text or to binary");
  convert->add_option("--to", AOptions.To, "The representation to convert to")
      ->required()
      ->check(CLI::IsMember({"text", "binary"}));
  convert->add_option("--eol", AOptions.Eol, "Line breaks of the text written by --to text (default crlf)")
      ->check(CLI::IsMember({"crlf", "lf"}));
  AddRunOptions(*convert, AOptions);
  convert->add_option("PATH", AOptions.Paths, "Form files, or folders with -r")->required();

  CLI::App* apply = app.add_subcommand("apply", "Run a transformation over form files");
  apply->add_option("TRANSFORM", AOptions.Transform,
                    "A transformation file, or the caption or file name of one in the Transforms folder")
      ->required();
  AddRunOptions(*apply, AOptions);
  apply->add_option("PATH", AOptions.Paths, "Form files, or folders with -r")->required();

  CLI::App* check = app.add_subcommand("check", "Check that form files read as form text");
  AddScanOptions(*check, AOptions);
  check->add_option("PATH", AOptions.Paths, "Form files, or folders with -r")->required();

  CLI::App* transforms = app.add_subcommand("transforms", "List the transformations");

  try {
    app.parse(AArgc, AArgv);
    if (version) {
      AOut << kVersion << "\n";
      return 0;
    }
    if (detect->parsed()) AOptions.Command = TCommand::cmDetect;
    else if (convert->parsed()) AOptions.Command = TCommand::cmConvert;
    else if (apply->parsed()) AOptions.Command = TCommand::cmApply;
    else if (check->parsed()) AOptions.Command = TCommand::cmCheck;
    else if (transforms->parsed()) AOptions.Command = TCommand::cmTransforms;
    else throw EUsageError("a command is required: detect, convert, apply, check or transforms");
    CheckCombinations(AOptions);
    if (!AOptions.Eol.empty() && AOptions.To != "text") throw EUsageError("--eol applies to convert --to text only");
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return app.exit(error, AOut, AErr);
    PrintUsageError(AErr, error.what());
    return 2;
  } catch (const EUsageError& error) {
    PrintUsageError(AErr, error.what());
    return 2;
  }
  return -1;
}

}  // namespace tess::cli
