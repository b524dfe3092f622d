// What a run prints: status lines with the log, or JSON objects, diffs, the progress bar and the summary.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "FormStream/uFormFormat.h"
#include "Shared/Common/uDString.h"
#include "Transformations/uTransform.h"

namespace tess::cli {

// The text as UTF-8 for a line of output: control characters (line breaks and tabs in a damaged
// file's names, say) are shown as \xHH, so that every file keeps to its one line, and nothing
// printed can steer the terminal. A name's byte that is not UTF-8, held as U+DC80..U+DCFF, is
// shown as that byte (\xHH); C1 controls and any other lone surrogate as \u{XXXX}.
std::string Printable(std::u16string_view AText);
// The same for UTF-8 text (command-line arguments, messages of libraries); a byte that does not
// belong to a well-formed sequence is shown as \xHH.
std::string Printable(std::string_view AUtf8);

// Every byte the program prints goes through Print. Standard output is written at once and
// checked: a write that fails raises EOutputError. A failure on standard error is ignored, as
// nobody is left to tell.
enum class TChannel { chOut, chErr };

class EOutputError : public std::runtime_error {
public:
  // AError: the errno of the failed write; AContext: what the run had done, for the message.
  explicit EOutputError(int AError, const std::string& AContext = {});
  int Error() const { return FError; }
  // The reader went away (a pipe into head): the caller wanted no more, and is told nothing.
  bool ReaderGone() const;
  // The system's text for the failure ("No space left on device").
  std::string Reason() const;

private:
  int FError;
};

void Print(TChannel AChannel, std::string_view ABytes);
// AText and a line break.
void PrintLine(TChannel AChannel, std::string_view AText);
// "tessarine-cli: " and the text, escaped, as a line on standard error.
void PrintDiagnostic(std::string_view AUtf8);
void PrintDiagnostic(std::u16string_view AText);

// Both texts as lines (CR LF, LF or CR end a line; a UTF-8 byte-order mark marks UTF-8, anything
// else is Windows-1252) and the unified diff between them with three lines of context, headed
// "--- ABeforeLabel" and "+++ AAfterLabel"; empty when the lines are the same.
std::string UnifiedDiff(const std::string& ABefore, const std::string& AAfter, const std::string& ABeforeLabel,
                        const std::string& AAfterLabel);

struct TFileResult {
  std::u16string Path;
  transform::TTransformStatus Status = transform::TTransformStatus::tsNone;
  common::TStringList Log;
  std::optional<stream::FormFileFormat> FormatBefore;
  std::optional<stream::FormFileFormat> FormatAfter;
  std::u16string OutputPath;  // empty: no file was written
  std::u16string BackupPath;  // empty: no backup was made
  std::string Diff;
};

// A bar on standard error, drawn only when that is a terminal.
class TProgress {
public:
  explicit TProgress(bool AEnabled);
  void Show(size_t ADone, size_t ATotal);
  // Takes the bar off the screen before a line is printed.
  void Clear();

private:
  bool FEnabled;
  bool FShown = false;
};

class TReport {
public:
  // AOut receives the per-file output, warnings go to standard error; with --stdout both are
  // standard error. Raises EOutputError when standard output cannot be written.
  TReport(TChannel AOut, bool AJson, bool AQuiet, size_t ATotal);

  void Placement(const std::u16string& ADescription);
  void Warning(const std::u16string& AMessage);
  void File(const TFileResult& AResult);
  // A folder the scan could not read, or an entry it could not take: "Error<TAB>PATH: reason", or
  // in JSON an object of status "Error" with the reason in its log. It makes the run fail.
  void ScanError(const std::u16string& APath, const std::u16string& AReason);
  void Summary();
  bool AnyError() const { return FErrors > 0 || FScanErrors > 0; }

private:
  void Line(const std::string& AText);

  TChannel FOut;
  bool FJson;
  bool FQuiet;
  size_t FTotal;
  size_t FDone = 0;
  size_t FApplied = 0, FNoChanges = 0, FSkipped = 0, FErrors = 0;
  size_t FScanErrors = 0;
  TProgress FProgress;
};

}  // namespace tess::cli
