#include "Cli/uCliCommands.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <span>

#include "Batch/uDFMBackup.h"
#include "Cli/uCliInputs.h"
#include "Cli/uCliPlacement.h"
#include "Cli/uCliReport.h"
#include "Cli/uCliRunner.h"
#include "Cli/uCliStop.h"
#include "Cli/uCliTransforms.h"
#include "FormStream/uBinaryToText.h"
#include "FormStream/uStreams.h"
#include "FormText/uDFMHelper.h"
#include "Shared/Common/uDDirectory.h"
#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uException.h"
#include "Shared/Common/uFileIO.h"
#include "Shared/Common/uFormat.h"
#include "Shared/Parser/uParser.h"

namespace tess::cli {

using common::DDirectory;
using common::TStringList;
using stream::FormFileFormat;
using transform::TTransform;
using transform::TTransformStatus;

namespace {

std::string Utf8(std::u16string_view AText) { return common::Utf16ToUtf8(AText); }

bool IsText(const std::optional<FormFileFormat>& AFormat) {
  return AFormat == FormFileFormat::fmtText || AFormat == FormFileFormat::fmtUTF8Text;
}

// A folder of its own for the results before they are placed, removed with everything in it.
class TPrivateFolder {
public:
  TPrivateFolder() {
    const char* variable = std::getenv("TMPDIR");
    const bool fromVariable = variable != nullptr && *variable != '\0';
    const std::string base = fromVariable ? variable : "/tmp";
    std::string pattern = base + "/tessarine-cli-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
      throw common::EFileError(common::Format(
          u"Cannot create a temporary folder in \"%s\"%s: %s",
          {common::Utf8ToUtf16(base), fromVariable ? u" (TMPDIR)" : u"", common::Utf8ToUtf16(std::strerror(errno))}));
    FPath = common::TFilePath(pattern);
  }
  ~TPrivateFolder() {
    std::error_code error;
    std::filesystem::remove_all(FPath.Native(), error);
  }
  TPrivateFolder(const TPrivateFolder&) = delete;
  TPrivateFolder& operator=(const TPrivateFolder&) = delete;
  const common::TFilePath& Path() const { return FPath; }

private:
  common::TFilePath FPath;
};

// Copies a prepared result into the temporary file the placement made for it, beside the result's
// final name, for a private folder on another file system than the tree. Raises EFileError with
// the reason.
void CopyResult(const common::TFilePath& AFrom, const common::TFilePath& ATo) {
  stream::WriteWholeFile(ATo, DDirectory::ReadBytes(AFrom));
  DDirectory::RemoveFile(AFrom);
}

// Stands in for the transformation when the output placement runs: it delivers the result that
// was prepared ahead, so that the placement (temporary name, backup, replacement, numbering)
// happens exactly as in a run on one thread, one file after another.
class TPreparedTransform : public TTransform {
public:
  explicit TPreparedTransform(TPrepared& APrepared) : FPrepared(APrepared) {}

  void Execute() override {
    if (FPrepared.Raised) {
      FStatus = TTransformStatus::tsError;
      // The reason is already in the log; raising makes the placement treat the file as failed.
      throw common::Exception(u"prepared result failed");
    }
    FStatus = FPrepared.Status;
    if (FPrepared.Result.IsEmpty()) return;
    // Here only when the result could not be renamed in (MoveOutputTo): a copy is new data, which
    // the placement still has to flush.
    try {
      CopyResult(FPrepared.Result, FOutFile);
    } catch (const common::Exception& error) {
      FStatus = TTransformStatus::tsError;
      DoMessage(u"Error: " + error.Message());
      throw;
    }
    FPrepared.Result = {};
  }
  bool OutputFlushed() const override { return FFlushed; }

  int MoveOutputTo(const common::TFilePath& APath) override {
    if (FPrepared.Raised || FPrepared.Result.IsEmpty()) return -1;
    const int error = common::RenameNoReplace(FPrepared.Result, APath);
    // On another file system Execute copies the result into a file the placement makes.
    if (error == EXDEV) return -1;
    if (error == 0) {
      FPrepared.Result = {};
      FFlushed = FPrepared.Flushed;
    }
    return error;
  }

private:
  TPrepared& FPrepared;
  bool FFlushed = false;
};

// What every file of a run shares.
struct TRun {
  const TCliOptions& Options;
  const TInputs& Inputs;
  // The files as read: "-" is replaced by the private copy of standard input.
  const std::vector<common::TFilePath>& Sources;
  TPlacement& Placement;
  batch::TDFMBackup& Backup;
  TRunner& Runner;
  TReport& Report;
  bool ToStdout() const { return Placement.Mode == TPlacementMode::pmStdout; }
};

// The results a run takes before it places them, so that they share one flush to the disk. The
// input sizes bound the bytes waiting in the temporary folder, and the time bounds how long a
// finished file waits to be placed.
constexpr size_t kGroupFiles = 256;
constexpr int64_t kGroupBytes = 32 << 20;
constexpr std::chrono::milliseconds kGroupTime{50};

// Puts the results that are to be placed on disk, all at once.
void FlushResults(const TRun& ARun, std::span<TPrepared> AResults) {
  if (ARun.Placement.Mode != TPlacementMode::pmPlace) return;
  std::vector<const char*> paths;
  std::vector<TPrepared*> owners;
  for (TPrepared& prepared : AResults)
    if (!prepared.Result.IsEmpty()) {
      paths.push_back(prepared.Result.CStr());
      owners.push_back(&prepared);
    }
  const std::vector<bool> flushed = common::FlushTogether(paths);
  for (size_t i = 0; i < owners.size(); ++i) owners[i]->Flushed = flushed[i];
}

// The prepared results of the files from AFirst on: that file's, and those after it that are ready
// within the group's time, up to a group's worth. A file that keeps the run waiting never holds
// back the placement of those before it.
std::vector<TPrepared> TakeGroup(TRun& ARun, size_t AFirst) {
  std::vector<TPrepared> group{ARun.Runner.Take(AFirst)};
  const auto deadline = std::chrono::steady_clock::now() + kGroupTime;
  int64_t bytes = group.back().Before.Size;
  for (size_t index = AFirst + 1;
       index < ARun.Sources.size() && group.size() < kGroupFiles && bytes < kGroupBytes && !StopRequested(); ++index) {
    std::optional<TPrepared> ready = ARun.Runner.TakeIfReady(index, deadline);
    if (!ready) break;
    bytes += ready->Before.Size;
    group.push_back(std::move(*ready));
  }
  FlushResults(ARun, group);
  return group;
}

// The prepared result of file AIndex as it is to be placed now. An earlier file's placement may have
// changed this one (the same file named twice, a link to it, a backup written over it): it is then
// run again now, as a run on one thread would see it.
TPrepared CurrentResult(TRun& ARun, size_t AIndex, TPrepared&& ATaken) {
  if (StopRequested() || ARun.Placement.Mode != TPlacementMode::pmPlace) return std::move(ATaken);
  if (FingerprintOf(ARun.Sources[AIndex]) == ATaken.Before) return std::move(ATaken);
  if (!ATaken.Result.IsEmpty()) DDirectory::RemoveFile(ATaken.Result);
  TPrepared again = ARun.Runner.PrepareAgain(AIndex);
  FlushResults(ARun, std::span(&again, 1));
  return again;
}

// The two sides of the diff, read before the placement moves the result; empty when no diff is
// asked for or either side is not text.
void ReadDiffSides(const TRun& ARun, const TPrepared& APrepared, const common::TFilePath& AInput,
                   const std::optional<FormFileFormat>& AResultFormat, std::string& ABefore, std::string& AAfter) {
  if (!ARun.Options.Diff || !IsText(APrepared.FormatBefore) || !IsText(AResultFormat)) return;
  try {
    ABefore = DDirectory::ReadBytes(AInput);
    AAfter = DDirectory::ReadBytes(APrepared.Result);
  } catch (const common::Exception&) {
    ABefore.clear();
    AAfter.clear();
  }
}

// Puts the result where the placement says; false when nothing is to be shown as a diff.
bool PlaceResult(TRun& ARun, size_t AIndex, TPrepared& APrepared, const std::optional<FormFileFormat>& AResultFormat,
                 TFileResult& AResult, std::u16string& AAfterLabel) {
  const bool hadResult = !APrepared.Result.IsEmpty();
  TPreparedTransform delivery(APrepared);
  delivery.SetOnMessage([&](const std::u16string& AMessage) { AResult.Log.push_back(AMessage); });
  const batch::TPlaced placed = ARun.Backup.Execute(delivery, ARun.Sources[AIndex], ARun.Inputs.Roots[AIndex]);
  AResult.Status = delivery.Status();
  if (hadResult && !placed.Output.IsEmpty()) {
    AResult.OutputPath = placed.Output.Text();
    AResult.BackupPath = placed.Backup.Text();
    if (!ARun.Placement.Settings->Replace()) AAfterLabel = AResult.OutputPath;
    // The placed file is the prepared result under its final name.
    AResult.FormatAfter = AResultFormat;
  }
  return AResult.Status != TTransformStatus::tsError && !placed.Identical;
}

// A dry run or standard output: nothing on disk changes. Standard output gets the whole form, also
// for a file left as it is (already in the asked representation), so that a pipe or a
// version-control filter always has it.
void DeliverResult(const TRun& ARun, size_t AIndex, const TPrepared& APrepared,
                   const std::optional<FormFileFormat>& AResultFormat, TFileResult& AResult) {
  if (AResultFormat) AResult.FormatAfter = AResultFormat;
  const bool asItIs = APrepared.Result.IsEmpty() && APrepared.Status != TTransformStatus::tsError;
  if (!ARun.ToStdout() || (APrepared.Result.IsEmpty() && !asItIs)) return;
  try {
    Print(TChannel::chOut, DDirectory::ReadBytes(asItIs ? ARun.Sources[AIndex] : APrepared.Result));
  } catch (const EOutputError& error) {
    if (error.ReaderGone()) throw;
    // What went out is a truncated result: the file fails, and the report on standard error says why.
    AResult.Status = TTransformStatus::tsError;
    AResult.Log.push_back(u"Error: Cannot write to standard output. " + common::Utf8ToUtf16(error.Reason()));
  } catch (const common::Exception& error) {
    AResult.Status = TTransformStatus::tsError;
    AResult.Log.push_back(u"Error: " + error.Message());
  }
}

void ReportFile(TRun& ARun, size_t AIndex, const TFileResult& AResult) {
  const std::vector<common::TFilePath>& files = ARun.Inputs.Files;
  try {
    ARun.Report.File(AResult);
  } catch (const EOutputError& error) {
    // This file is placed; no further file is started, so the user knows where the run ended.
    throw EOutputError(error.Error(), "stopped after " + std::to_string(AIndex + 1) + " of " +
                                          std::to_string(files.size()) + " files, the last " +
                                          Printable(files[AIndex].Text()));
  }
}

// One file from its prepared result to its line in the report; false when a stop came first.
bool FinishFile(TRun& ARun, size_t AIndex, TPrepared&& ATaken) {
  TPrepared prepared = CurrentResult(ARun, AIndex, std::move(ATaken));
  if (StopRequested()) return false;
  const std::u16string name = ARun.Inputs.Files[AIndex].Text();
  TFileResult result;
  result.Path = name;
  result.Status = prepared.Status;
  result.Log = prepared.Log;
  result.FormatBefore = prepared.FormatBefore;
  result.FormatAfter = prepared.FormatBefore;
  const std::optional<FormFileFormat> resultFormat = prepared.FormatAfter;
  std::string before, after;
  if (!prepared.Result.IsEmpty()) ReadDiffSides(ARun, prepared, ARun.Sources[AIndex], resultFormat, before, after);
  std::u16string afterLabel = name;
  if (ARun.Placement.Mode == TPlacementMode::pmPlace) {
    if (!PlaceResult(ARun, AIndex, prepared, resultFormat, result, afterLabel)) before.clear(), after.clear();
  } else {
    DeliverResult(ARun, AIndex, prepared, resultFormat, result);
  }
  if (!prepared.Result.IsEmpty()) DDirectory::RemoveFile(prepared.Result);
  if (!after.empty() || !before.empty()) result.Diff = UnifiedDiff(before, after, Utf8(name), Utf8(afterLabel));
  ReportFile(ARun, AIndex, result);
  return true;
}

int RunTransformation(const TCliOptions& AOptions, const TTransform& ATransform) {
  // Ctrl-C stops the run between two files, as "Stop" does in the main window, so that no file
  // is left half placed.
  InstallStopHandlers();
  const TInputs inputs = CollectFiles(AOptions.Paths, AOptions.Recursive, AOptions.Mask);
  const std::vector<common::TFilePath>& files = inputs.Files;
  TPlacement placement = ResolvePlacement(AOptions.Placement);
  const bool toStdout = placement.Mode == TPlacementMode::pmStdout;
  if (toStdout && files.size() != 1)
    throw EUsageError("--stdout takes exactly one form file, not " + std::to_string(files.size()));
  PrepareFolders(placement, AOptions.Placement);

  TReport report(toStdout ? TChannel::chErr : TChannel::chOut, AOptions.Json, AOptions.Quiet, files.size());
  if (!placement.Warning.empty()) report.Warning(placement.Warning);
  report.Placement(placement.Description);
  for (const TScanProblem& problem : inputs.Problems) report.ScanError(problem.Path.Text(), problem.Reason);

  batch::TDFMBackup backup(*placement.Settings);
  backup.BeginRun(files);
  TPrivateFolder folder;
  // "-" is standard input, kept in the private folder for the run; the report still says "-".
  const std::vector<common::TFilePath> sources =
      toStdout && files.front().Native() == "-" ? std::vector{CaptureStandardInput(folder.Path())} : files;
  TRunner runner(ATransform, sources, AOptions.Jobs, folder.Path(), kGroupFiles);
  TRun run{AOptions, inputs, sources, placement, backup, runner, report};
  size_t index = 0;
  // Results left over at a stop go with the private folder.
  while (index < files.size() && !StopRequested())
    for (TPrepared& prepared : TakeGroup(run, index))
      if (!StopRequested() && FinishFile(run, index, std::move(prepared))) ++index;
  report.Summary();
  if (index < files.size() || inputs.Stopped) {
    report.Warning(common::Format(u"stopped; %d of %d files were not processed",
                                  {int64_t(files.size() - index), int64_t(files.size())}));
    return 130;
  }
  return report.AnyError() ? 1 : 0;
}

// The scan's problems as error lines, before the files; true when there was one.
bool PrintScanProblems(const TInputs& AInputs) {
  for (const TScanProblem& problem : AInputs.Problems)
    PrintLine(TChannel::chOut, "Error\t" + Printable(problem.Path.Text()) + ": " + Printable(problem.Reason));
  return !AInputs.Problems.empty();
}

int Detect(const TCliOptions& AOptions) {
  const TInputs inputs = CollectFiles(AOptions.Paths, AOptions.Recursive, AOptions.Mask);
  bool failed = PrintScanProblems(inputs);
  for (const common::TFilePath& path : inputs.Files) {
    const std::u16string file = path.Text();
    try {
      PrintLine(TChannel::chOut, Utf8(stream::FormatName(stream::DetectFileFormat(path))) + "\t" + Printable(file));
    } catch (const common::Exception& error) {
      failed = true;
      PrintLine(TChannel::chOut, "Error\t" + Printable(file) + ": " + Printable(error.Message()));
    }
  }
  return failed ? 1 : 0;
}

int Check(const TCliOptions& AOptions) {
  const TInputs inputs = CollectFiles(AOptions.Paths, AOptions.Recursive, AOptions.Mask);
  const std::vector<common::TFilePath>& files = inputs.Files;
  const bool scanFailed = PrintScanProblems(inputs);
  formtext::TDFMHelper& helper = formtext::DFMHelper();
  size_t errors = 0;
  for (const common::TFilePath& path : files) {
    const std::u16string file = path.Text();
    std::string line;
    try {
      // A file too large to load is refused before a byte of it is read.
      helper.CheckTextSize(static_cast<uint64_t>(DDirectory::FileSize(path)));
      std::string bytes = DDirectory::ReadBytes(path);
      stream::TMemoryStream probe(bytes);
      if (stream::DetectFormFormat(probe) == FormFileFormat::fmtBinary) {
        // Binary files are read as the text they convert to; positions then refer to that text.
        stream::TMemoryStream text;
        stream::ResourceToFormText(probe, text);
        bytes = text.TakeBytes();
      }
      helper.LoadObjectFromBytes(bytes);
      line = "OK\t" + Printable(file);
    } catch (const parser::EGrammarError& error) {
      line = "Error\t" + Printable(file) + ":" + std::to_string(error.Line()) + ":" + std::to_string(error.Column()) +
             ": " + Printable(error.Message()) + " near '" + Printable(formtext::QuotedToken(error.TokenText())) + "'";
    } catch (const common::Exception& error) {
      line = "Error\t" + Printable(file) + ": " + Printable(error.Message());
    }
    if (line.starts_with("Error")) ++errors;
    PrintLine(TChannel::chOut, line);
  }
  PrintLine(TChannel::chOut,
            Utf8(common::Format(u"%d files: %d OK, %d errors",
                                {int64_t(files.size()), int64_t(files.size() - errors), int64_t(errors)})));
  return errors > 0 || scanFailed ? 1 : 0;
}

}  // namespace

int RunCommand(const TCliOptions& AOptions) {
  switch (AOptions.Command) {
    case TCommand::cmDetect: return Detect(AOptions);
    case TCommand::cmCheck: return Check(AOptions);
    case TCommand::cmConvert:
      return RunTransformation(AOptions, *CreateConversion(AOptions.To == "text", AOptions.Eol == "lf"));
    case TCommand::cmApply: {
      const std::unique_ptr<TTransform> transform = FindTransform(AOptions.Transform);
      return RunTransformation(AOptions, *transform);
    }
    case TCommand::cmTransforms: return ListTransforms();
    case TCommand::cmNone: break;
  }
  throw EUsageError("no command given");
}

}  // namespace tess::cli
