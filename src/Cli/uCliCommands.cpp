#include "Cli/uCliCommands.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

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
std::string NativePath(std::u16string_view APath) { return common::Utf16ToPath(APath); }

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
      throw common::EFileError(common::Format(u"Cannot create a temporary folder in \"%s\"%s: %s",
                                              {common::Utf8ToUtf16(base), fromVariable ? u" (TMPDIR)" : u"",
                                               common::Utf8ToUtf16(std::strerror(errno))}));
    FPath = pattern;
  }
  ~TPrivateFolder() {
    std::error_code error;
    std::filesystem::remove_all(FPath, error);
  }
  TPrivateFolder(const TPrivateFolder&) = delete;
  TPrivateFolder& operator=(const TPrivateFolder&) = delete;
  std::u16string Path() const { return common::PathToUtf16(FPath); }

private:
  std::string FPath;
};

// Moves a prepared result into the temporary file the placement made for it, beside the result's
// final name. Raises EFileError with the reason.
void MoveResult(const std::u16string& AFrom, const std::u16string& ATo) {
  if (::rename(NativePath(AFrom).c_str(), NativePath(ATo).c_str()) == 0) return;
  const int error = errno;
  if (error != EXDEV)
    throw common::EFileError(common::Format(u"Cannot create file \"%s\". %s",
                                            {ATo, common::Utf8ToUtf16(std::strerror(error))}));
  // The private folder lies on another file system than most trees: the result is copied into the
  // temporary file, which the placement flushes and renames into place.
  stream::TFileStream target(ATo, stream::TFileMode::fmCreate);
  target.Write(DDirectory::ReadBytes(AFrom));
  target.Close();
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
    if (FPrepared.Result.empty()) return;
    try {
      MoveResult(FPrepared.Result, FOutFile);
    } catch (const common::Exception& error) {
      FStatus = TTransformStatus::tsError;
      DoMessage(u"Error: " + error.Message());
      throw;
    }
    FPrepared.Result.clear();
  }

private:
  TPrepared& FPrepared;
};

int RunTransformation(const TCliOptions& AOptions, const TTransform& ATransform) {
  // Ctrl-C stops the run between two files, as "Stop" does in the main window, so that no file
  // is left half placed.
  InstallStopHandlers();
  const TInputs inputs = CollectFiles(AOptions.Paths, AOptions.Recursive, AOptions.Mask);
  const TStringList& files = inputs.Files;
  TPlacement placement = ResolvePlacement(AOptions.Placement);
  const bool toStdout = placement.Mode == TPlacementMode::pmStdout;
  if (toStdout && files.size() != 1)
    throw EUsageError("--stdout takes exactly one form file, not " + std::to_string(files.size()));
  PrepareFolders(placement, AOptions.Placement);

  TReport report(toStdout ? TChannel::chErr : TChannel::chOut, AOptions.Json, AOptions.Quiet, files.size());
  if (!placement.Warning.empty()) report.Warning(placement.Warning);
  report.Placement(placement.Description);
  for (const TScanProblem& problem : inputs.Problems) report.ScanError(problem.Path, problem.Reason);

  batch::TDFMBackup backup(*placement.Settings);
  backup.BeginRun(files);
  TPrivateFolder folder;
  // "-" is standard input, kept in the private folder for the run; the report still says "-".
  const TStringList sources =
      toStdout && files.front() == u"-" ? TStringList{CaptureStandardInput(folder.Path())} : files;
  TRunner runner(ATransform, sources, AOptions.Jobs, folder.Path());
  size_t index = 0;
  for (; index < files.size() && !StopRequested(); ++index) {
    TPrepared prepared = runner.Take(index);
    if (StopRequested()) break;
    const std::u16string& input = sources[index];
    // An earlier file's placement may have changed this one (the same file named twice, a link
    // to it, a backup written over it): it is run again now, as a run on one thread would see it.
    if (placement.Mode == TPlacementMode::pmPlace && FingerprintOf(input) != prepared.Before) {
      if (!prepared.Result.empty()) DDirectory::RemoveFile(prepared.Result);
      prepared = runner.PrepareAgain(index);
    }

    TFileResult result;
    result.Path = files[index];
    result.Status = prepared.Status;
    result.Log = prepared.Log;
    result.FormatBefore = prepared.FormatBefore;
    result.FormatAfter = prepared.FormatBefore;
    std::optional<FormFileFormat> resultFormat;
    std::string before, after;
    if (!prepared.Result.empty()) {
      resultFormat = FormatOf(prepared.Result);
      if (AOptions.Diff && IsText(prepared.FormatBefore) && IsText(resultFormat)) {
        try {
          before = DDirectory::ReadBytes(input);
          after = DDirectory::ReadBytes(prepared.Result);
        } catch (const common::Exception&) {
          before.clear(), after.clear();
        }
      }
    }
    std::u16string afterLabel = files[index];

    if (placement.Mode == TPlacementMode::pmPlace) {
      const bool hadResult = !prepared.Result.empty();
      TPreparedTransform delivery(prepared);
      delivery.SetOnMessage([&](const std::u16string& AMessage) { result.Log.push_back(AMessage); });
      const batch::TPlaced placed = backup.Execute(delivery, input, inputs.Roots[index]);
      result.Status = delivery.Status();
      if (hadResult && !placed.Output.empty()) {
        result.OutputPath = placed.Output;
        result.BackupPath = placed.Backup;
        if (!placement.Settings->Replace()) afterLabel = result.OutputPath;
        result.FormatAfter = FormatOf(result.OutputPath);
      }
      if (result.Status == TTransformStatus::tsError || placed.Identical) {
        before.clear();
        after.clear();
      }
      if (!prepared.Result.empty()) DDirectory::RemoveFile(prepared.Result);
    } else {
      if (resultFormat) result.FormatAfter = resultFormat;
      // A file left as it is (already in the asked representation) is its own result, so that a
      // pipe or a version-control filter always gets the whole form.
      const bool asItIs = prepared.Result.empty() && prepared.Status != TTransformStatus::tsError;
      if (toStdout && (!prepared.Result.empty() || asItIs)) {
        try {
          Print(TChannel::chOut, DDirectory::ReadBytes(asItIs ? input : prepared.Result));
        } catch (const EOutputError& error) {
          if (error.ReaderGone()) throw;
          // What went out is a truncated result: the file fails, and the report on standard error says why.
          result.Status = TTransformStatus::tsError;
          result.Log.push_back(u"Error: Cannot write to standard output. " + common::Utf8ToUtf16(error.Reason()));
        } catch (const common::Exception& error) {
          result.Status = TTransformStatus::tsError;
          result.Log.push_back(u"Error: " + error.Message());
        }
      }
      if (!prepared.Result.empty()) DDirectory::RemoveFile(prepared.Result);
    }
    if (!after.empty() || !before.empty())
      result.Diff = UnifiedDiff(before, after, Utf8(files[index]), Utf8(afterLabel));
    try {
      report.File(result);
    } catch (const EOutputError& error) {
      // This file is placed; no further file is started, so the user knows where the run ended.
      throw EOutputError(error.Error(), "stopped after " + std::to_string(index + 1) + " of " +
                                            std::to_string(files.size()) + " files, the last " +
                                            Printable(files[index]));
    }
  }
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
    PrintLine(TChannel::chOut, "Error\t" + Printable(problem.Path) + ": " + Printable(problem.Reason));
  return !AInputs.Problems.empty();
}

int Detect(const TCliOptions& AOptions) {
  const TInputs inputs = CollectFiles(AOptions.Paths, AOptions.Recursive, AOptions.Mask);
  const TStringList& files = inputs.Files;
  bool failed = PrintScanProblems(inputs);
  for (const std::u16string& file : files) {
    try {
      stream::TFileStream stream(file, stream::TFileMode::fmOpenRead);
      PrintLine(TChannel::chOut, Utf8(stream::FormatName(stream::DetectFormFormat(stream))) + "\t" + Printable(file));
    } catch (const common::Exception& error) {
      failed = true;
      PrintLine(TChannel::chOut, "Error\t" + Printable(file) + ": " + Printable(error.Message()));
    }
  }
  return failed ? 1 : 0;
}

int Check(const TCliOptions& AOptions) {
  const TInputs inputs = CollectFiles(AOptions.Paths, AOptions.Recursive, AOptions.Mask);
  const TStringList& files = inputs.Files;
  const bool scanFailed = PrintScanProblems(inputs);
  formtext::TDFMHelper& helper = formtext::DFMHelper();
  size_t errors = 0;
  for (const std::u16string& file : files) {
    std::string line;
    try {
      // A file too large to load is refused before a byte of it is read.
      helper.CheckTextSize(static_cast<uint64_t>(DDirectory::FileSize(file)));
      std::string bytes = DDirectory::ReadBytes(file);
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
  PrintLine(TChannel::chOut, Utf8(common::Format(u"%d files: %d OK, %d errors",
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
