#include "Cli/uCliCommands.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "Batch/uDFMBackup.h"
#include "Cli/uCliInputs.h"
#include "Cli/uCliPlacement.h"
#include "Cli/uCliReport.h"
#include "Cli/uCliRunner.h"
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

volatile std::sig_atomic_t GStopRequested = 0;

void RequestStop(int) { GStopRequested = 1; }

std::string Utf8(std::u16string_view AText) { return common::Utf16ToUtf8(AText); }

void PrintLine(std::FILE* AOut, const std::string& AText) {
  std::fwrite(AText.data(), 1, AText.size(), AOut);
  std::fputc('\n', AOut);
}

bool IsText(const std::optional<FormFileFormat>& AFormat) {
  return AFormat == FormFileFormat::fmtText || AFormat == FormFileFormat::fmtUTF8Text;
}

// A folder of its own for the results before they are placed, removed with everything in it.
class TPrivateFolder {
public:
  TPrivateFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/tessarine-cli-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
      throw common::EFileError(u"Cannot create a temporary folder: " + common::Utf8ToUtf16(std::strerror(errno)));
    FPath = pattern;
  }
  ~TPrivateFolder() {
    std::error_code error;
    std::filesystem::remove_all(FPath, error);
  }
  TPrivateFolder(const TPrivateFolder&) = delete;
  TPrivateFolder& operator=(const TPrivateFolder&) = delete;
  std::u16string Path() const { return common::Utf8ToUtf16(FPath); }

private:
  std::string FPath;
};

// Moves a prepared result to the name the placement chose. Raises EFileError with the reason.
void MoveResult(const std::u16string& AFrom, const std::u16string& ATo) {
  if (::rename(Utf8(AFrom).c_str(), Utf8(ATo).c_str()) == 0) return;
  const int error = errno;
  if (error != EXDEV)
    throw common::EFileError(common::Format(u"Cannot create file \"%s\". %s",
                                            {ATo, common::Utf8ToUtf16(std::strerror(error))}));
  // The private folder lies on another file system than most trees: the result is copied there.
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

// The backup the placement just made of AInput: a second name of the replaced file, or a copy with
// its size and modification time where the backup lies on another file system.
std::u16string FindBackup(const app::TDFMSettings& ASettings, const std::u16string& AInput, const TFingerprint& AOld) {
  if (!ASettings.Replace() || !ASettings.Backup() || !AOld.Exists) return {};
  const std::u16string base =
      ASettings.BackupSameFolder()
          ? AInput + u".bak"
          : common::DString::MakePath(ASettings.BackupFolder(), common::DString::ExtractFileName(AInput));
  std::u16string copy;
  int64_t copyChanged = -1;
  for (int64_t k = 0;; ++k) {
    const std::u16string candidate = k == 0 ? base : base + common::IntToStr(k);
    const TFingerprint found = FingerprintOf(candidate);
    if (!found.Exists) break;
    if (found.Device == AOld.Device && found.Inode == AOld.Inode) return candidate;
    if (found.Size == AOld.Size && found.Modified == AOld.Modified && found.Changed > copyChanged) {
      copy = candidate;
      copyChanged = found.Changed;
    }
  }
  return copy;
}

int RunTransformation(const TCliOptions& AOptions, const TTransform& ATransform) {
  const TStringList files = CollectFiles(AOptions.Paths, AOptions.Recursive, AOptions.Mask);
  TPlacement placement = ResolvePlacement(AOptions.Placement);
  const bool toStdout = placement.Mode == TPlacementMode::pmStdout;
  if (toStdout && files.size() != 1)
    throw EUsageError("--stdout takes exactly one form file, not " + std::to_string(files.size()));
  PrepareFolders(placement, AOptions.Placement);

  TReport report(toStdout ? stderr : stdout, stderr, AOptions.Json, AOptions.Quiet, files.size());
  if (!placement.Warning.empty()) report.Warning(placement.Warning);
  report.Placement(placement.Description);

  batch::TDFMBackup backup(*placement.Settings);
  TPrivateFolder folder;
  // Ctrl-C stops the run between two files, as "Stop" does in the main window, so that no file
  // is left half placed.
  std::signal(SIGINT, RequestStop);
  std::signal(SIGTERM, RequestStop);
  TRunner runner(ATransform, files, AOptions.Jobs, folder.Path());
  size_t index = 0;
  for (; index < files.size() && GStopRequested == 0; ++index) {
    TPrepared prepared = runner.Take(index);
    const std::u16string& input = files[index];
    // An earlier file's placement may have changed this one (the same file named twice, a link
    // to it, a backup written over it): it is run again now, as a run on one thread would see it.
    if (placement.Mode == TPlacementMode::pmPlace && FingerprintOf(input) != prepared.Before) {
      if (!prepared.Result.empty()) DDirectory::RemoveFile(prepared.Result);
      prepared = runner.PrepareAgain(index);
    }

    TFileResult result;
    result.Path = input;
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
    std::u16string afterLabel = input;

    if (placement.Mode == TPlacementMode::pmPlace) {
      const TFingerprint old = FingerprintOf(input);
      const bool hadResult = !prepared.Result.empty();
      TPreparedTransform delivery(prepared);
      delivery.SetOnMessage([&](const std::u16string& AMessage) { result.Log.push_back(AMessage); });
      backup.Execute(delivery, input);
      result.Status = delivery.Status();
      if (hadResult && result.Status != TTransformStatus::tsError) {
        if (placement.Settings->Replace()) {
          result.OutputPath = input;
          result.BackupPath = FindBackup(*placement.Settings, input, old);
        } else {
          result.OutputPath = delivery.OutFile();
          afterLabel = result.OutputPath;
        }
        result.FormatAfter = FormatOf(result.OutputPath);
      }
      if (result.Status == TTransformStatus::tsError) before.clear(), after.clear();
      if (!prepared.Result.empty()) DDirectory::RemoveFile(prepared.Result);
    } else {
      if (resultFormat) result.FormatAfter = resultFormat;
      if (toStdout && !prepared.Result.empty()) {
        try {
          const std::string bytes = DDirectory::ReadBytes(prepared.Result);
          std::fwrite(bytes.data(), 1, bytes.size(), stdout);
          if (std::fflush(stdout) != 0) throw common::EFileError(u"Cannot write to standard output");
        } catch (const common::Exception& error) {
          result.Status = TTransformStatus::tsError;
          result.Log.push_back(u"Error: " + error.Message());
        }
      }
      if (!prepared.Result.empty()) DDirectory::RemoveFile(prepared.Result);
    }
    if (!after.empty() || !before.empty()) result.Diff = UnifiedDiff(before, after, Utf8(input), Utf8(afterLabel));
    report.File(result);
  }
  report.Summary();
  if (index < files.size()) {
    report.Warning(common::Format(u"stopped; %d of %d files were not processed",
                                  {int64_t(files.size() - index), int64_t(files.size())}));
    return 130;
  }
  return report.AnyError() ? 1 : 0;
}

int Detect(const TCliOptions& AOptions) {
  const TStringList files = CollectFiles(AOptions.Paths, AOptions.Recursive, AOptions.Mask);
  bool failed = false;
  for (const std::u16string& file : files) {
    try {
      stream::TFileStream stream(file, stream::TFileMode::fmOpenRead);
      PrintLine(stdout, Utf8(FormatCaption(stream::DetectFormFormat(stream))) + "\t" + Printable(file));
    } catch (const common::Exception& error) {
      failed = true;
      PrintLine(stdout, "Error\t" + Printable(file) + ": " + Printable(error.Message()));
    }
  }
  return failed ? 1 : 0;
}

int Check(const TCliOptions& AOptions) {
  const TStringList files = CollectFiles(AOptions.Paths, AOptions.Recursive, AOptions.Mask);
  formtext::TDFMHelper& helper = formtext::DFMHelper();
  size_t errors = 0;
  for (const std::u16string& file : files) {
    std::string line;
    try {
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
             ": " + Printable(error.Message()) + " near '" + Printable(error.TokenText()) + "'";
    } catch (const common::Exception& error) {
      line = "Error\t" + Printable(file) + ": " + Printable(error.Message());
    }
    if (line.starts_with("Error")) ++errors;
    PrintLine(stdout, line);
  }
  PrintLine(stdout, Utf8(common::Format(u"%d files: %d OK, %d errors",
                                        {int64_t(files.size()), int64_t(files.size() - errors), int64_t(errors)})));
  return errors > 0 ? 1 : 0;
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
    case TCommand::cmTransforms: return ListTransforms(stdout, stderr);
    case TCommand::cmNone: break;
  }
  throw EUsageError("no command given");
}

}  // namespace tess::cli
