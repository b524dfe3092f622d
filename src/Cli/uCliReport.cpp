#include "Cli/uCliReport.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <dtl/dtl.hpp>
#include <nlohmann/json.hpp>
#include <sstream>
#include <vector>

#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uFormat.h"

namespace tess::cli {

using transform::TTransformStatus;

namespace {

std::string Utf8(std::u16string_view AText) { return common::Utf16ToUtf8(AText); }

std::vector<std::string> LinesOf(const std::string& ABytes) {
  std::string text;
  if (ABytes.starts_with("\xEF\xBB\xBF"))
    text = ABytes.substr(3);
  else
    text = Utf8(common::Cp1252ToUtf16(ABytes));
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

}  // namespace

namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

bool IsHighSurrogate(char32_t ACode) { return ACode >= 0xD800 && ACode <= 0xDBFF; }
bool IsLowSurrogate(char32_t ACode) { return ACode >= 0xDC00 && ACode <= 0xDFFF; }

bool NeedsEscape(char32_t ACode, bool AKeepTabs) {
  if (ACode == u'\t') return !AKeepTabs;
  return ACode < 0x20 || (ACode >= 0x7F && ACode <= 0x9F) || (ACode >= 0xD800 && ACode <= 0xDFFF);
}

void AppendByte(std::string& AOut, unsigned AByte) {
  AOut += "\\x";
  AOut += kDigits[(AByte >> 4) & 0xF];
  AOut += kDigits[AByte & 0xF];
}

void AppendEscape(std::string& AOut, char32_t ACode) {
  if (ACode < 0x80 || (ACode >= 0xDC80 && ACode <= 0xDCFF)) return AppendByte(AOut, unsigned(ACode & 0xFF));
  AOut += "\\u{";
  for (int shift = 12; shift >= 0; shift -= 4) AOut += kDigits[(ACode >> shift) & 0xF];
  AOut += '}';
}

// The length of the well-formed UTF-8 sequence at the start of ABytes and its code point; 0 when
// its first byte starts none.
size_t DecodeUtf8(std::string_view ABytes, char32_t& ACode) {
  const auto byte = [&](size_t AIndex) { return static_cast<unsigned char>(ABytes[AIndex]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return ACode = lead, 1;
  size_t length;
  unsigned char low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, ACode = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, ACode = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, ACode = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (ABytes.size() < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    const unsigned char next = byte(i);
    if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF)) return 0;
    ACode = (ACode << 6) | (next & 0x3F);
  }
  return length;
}

std::string PrintableUtf8(std::string_view AUtf8, bool AKeepTabs) {
  std::string result;
  result.reserve(AUtf8.size());
  while (!AUtf8.empty()) {
    char32_t code = 0;
    const size_t length = DecodeUtf8(AUtf8, code);
    if (length == 0)
      AppendByte(result, static_cast<unsigned char>(AUtf8[0]));
    else if (NeedsEscape(code, AKeepTabs))
      AppendEscape(result, code);
    else
      result.append(AUtf8.substr(0, length));
    AUtf8.remove_prefix(length == 0 ? 1 : length);
  }
  return result;
}

}  // namespace

std::string Printable(std::string_view AUtf8) { return PrintableUtf8(AUtf8, false); }

std::string Printable(std::u16string_view AText) {
  std::string result;
  result.reserve(AText.size());
  size_t start = 0;
  for (size_t i = 0; i < AText.size(); ++i) {
    const char16_t c = AText[i];
    if (IsHighSurrogate(c) && i + 1 < AText.size() && IsLowSurrogate(AText[i + 1])) {
      ++i;
      continue;
    }
    if (!NeedsEscape(c, false)) continue;
    result += Utf8(AText.substr(start, i - start));
    AppendEscape(result, c);
    start = i + 1;
  }
  result += Utf8(AText.substr(start));
  return result;
}

EOutputError::EOutputError(int AError, const std::string& AContext)
    : std::runtime_error("cannot write to standard output: " + std::string(std::strerror(AError)) +
                         (AContext.empty() ? std::string() : "; " + AContext)),
      FError(AError) {}

bool EOutputError::ReaderGone() const { return FError == EPIPE; }

std::string EOutputError::Reason() const { return std::strerror(FError); }

void Print(TChannel AChannel, std::string_view ABytes) {
  const int fd = AChannel == TChannel::chOut ? STDOUT_FILENO : STDERR_FILENO;
  while (!ABytes.empty()) {
    const ssize_t written = ::write(fd, ABytes.data(), ABytes.size());
    if (written < 0 && errno == EINTR) continue;
    // A stream the caller left non-blocking is full for a moment, not failed.
    if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd ready{fd, POLLOUT, 0};
      ::poll(&ready, 1, -1);
      continue;
    }
    if (written <= 0) {
      if (AChannel == TChannel::chOut) throw EOutputError(written < 0 ? errno : EIO);
      return;
    }
    ABytes.remove_prefix(size_t(written));
  }
}

void PrintLine(TChannel AChannel, std::string_view AText) {
  std::string line;
  line.reserve(AText.size() + 1);
  line.append(AText).push_back('\n');
  Print(AChannel, line);
}

void PrintDiagnostic(std::string_view AUtf8) { PrintLine(TChannel::chErr, "tessarine-cli: " + Printable(AUtf8)); }

void PrintDiagnostic(std::u16string_view AText) { PrintLine(TChannel::chErr, "tessarine-cli: " + Printable(AText)); }

std::string UnifiedDiff(const std::string& ABefore, const std::string& AAfter, const std::string& ABeforeLabel,
                        const std::string& AAfterLabel) {
  using TLines = std::vector<std::string>;
  const TLines before = LinesOf(ABefore), after = LinesOf(AAfter);
  dtl::Diff<std::string, TLines> diff(before, after);
  // Forms of tens of thousands of lines: the slower, lean variant keeps memory linear.
  if (before.size() + after.size() > 200000) diff.onHuge();
  diff.compose();
  if (diff.getEditDistance() == 0) return {};
  diff.composeUnifiedHunks();
  std::ostringstream out;
  out << "--- " << Printable(ABeforeLabel) << "\n+++ " << Printable(AAfterLabel) << "\n";
  auto print = [&](const auto& AElements) {
    for (const auto& element : AElements) {
      switch (element.second.type) {
        case dtl::SES_ADD: out << '+'; break;
        case dtl::SES_DELETE: out << '-'; break;
        default: out << ' '; break;
      }
      // A tab is part of a line's text; any other control character would act on the terminal.
      out << PrintableUtf8(element.first, true) << '\n';
    }
  };
  for (const auto& hunk : diff.getUniHunks()) {
    out << "@@ -" << hunk.a << ',' << hunk.b << " +" << hunk.c << ',' << hunk.d << " @@\n";
    print(hunk.common[0]);
    print(hunk.change);
    print(hunk.common[1]);
  }
  return out.str();
}

TProgress::TProgress(bool AEnabled) : FEnabled(AEnabled && ::isatty(STDERR_FILENO) == 1) {}

void TProgress::Show(size_t ADone, size_t ATotal) {
  if (!FEnabled || ATotal == 0) return;
  constexpr size_t kWidth = 40;
  const size_t filled = ADone * kWidth / ATotal;
  Print(TChannel::chErr, "\r[" + std::string(filled, '#') + std::string(kWidth - filled, ' ') + "] " +
                             std::to_string(ADone) + "/" + std::to_string(ATotal));
  FShown = true;
}

void TProgress::Clear() {
  if (!FShown) return;
  Print(TChannel::chErr, "\r\033[K");
  FShown = false;
}

TReport::TReport(TChannel AOut, bool AJson, bool AQuiet, size_t ATotal)
    : FOut(AOut), FJson(AJson), FQuiet(AQuiet), FTotal(ATotal), FProgress(!AQuiet) {
  FProgress.Show(0, FTotal);
}

void TReport::Line(const std::string& AText) {
  FProgress.Clear();
  PrintLine(FOut, AText);
}

void TReport::Placement(const std::u16string& ADescription) {
  if (FQuiet) return;
  FProgress.Clear();
  // JSON output holds nothing but the files' objects, so that every line of it parses.
  PrintLine(FJson ? TChannel::chErr : FOut, Printable(ADescription));
}

void TReport::Warning(const std::u16string& AMessage) {
  FProgress.Clear();
  PrintDiagnostic(u"warning: " + AMessage);
}

void TReport::File(const TFileResult& AResult) {
  ++FDone;
  switch (AResult.Status) {
    case TTransformStatus::tsApplied: ++FApplied; break;
    case TTransformStatus::tsNoChanges: ++FNoChanges; break;
    case TTransformStatus::tsSkipped: ++FSkipped; break;
    case TTransformStatus::tsError: ++FErrors; break;
    default: break;
  }
  if (!FQuiet || AResult.Status == TTransformStatus::tsError) {
    if (FJson) {
      nlohmann::json object;
      auto textOrNull = [](const std::u16string& AText) {
        return AText.empty() ? nlohmann::json(nullptr) : nlohmann::json(Utf8(AText));
      };
      auto formatOrNull = [](const std::optional<stream::FormFileFormat>& AFormat) {
        return AFormat ? nlohmann::json(Utf8(stream::FormatName(*AFormat))) : nlohmann::json(nullptr);
      };
      object["path"] = Utf8(AResult.Path);
      object["status"] = Utf8(transform::StatusCaption(AResult.Status));
      object["format_before"] = formatOrNull(AResult.FormatBefore);
      object["format_after"] = formatOrNull(AResult.FormatAfter);
      object["log"] = nlohmann::json::array();
      for (const std::u16string& line : AResult.Log) object["log"].push_back(Utf8(line));
      object["output"] = textOrNull(AResult.OutputPath);
      object["backup"] = textOrNull(AResult.BackupPath);
      if (!AResult.Diff.empty()) object["diff"] = AResult.Diff;
      Line(object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
    } else {
      Line(Utf8(transform::StatusCaption(AResult.Status)) + "\t" + Printable(AResult.Path));
      for (const std::u16string& line : AResult.Log) Line("  " + Printable(line));
      if (!AResult.Diff.empty()) Line(AResult.Diff.substr(0, AResult.Diff.size() - 1));
    }
  }
  FProgress.Show(FDone, FTotal);
}

void TReport::ScanError(const std::u16string& APath, const std::u16string& AReason) {
  ++FScanErrors;
  if (!FJson) return Line("Error\t" + Printable(APath) + ": " + Printable(AReason));
  nlohmann::json object;
  object["path"] = Utf8(APath);
  object["status"] = "Error";
  object["format_before"] = object["format_after"] = object["output"] = object["backup"] = nullptr;
  object["log"] = nlohmann::json::array({Utf8(u"Error: " + AReason)});
  Line(object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

void TReport::Summary() {
  FProgress.Clear();
  if (FQuiet) return;
  const std::u16string text =
      common::Format(u"%d files: %d applied, %d no changes, %d skipped, %d errors",
                     {int64_t(FDone), int64_t(FApplied), int64_t(FNoChanges), int64_t(FSkipped), int64_t(FErrors)});
  PrintLine(FJson ? TChannel::chErr : FOut, Utf8(text));
}

}  // namespace tess::cli
