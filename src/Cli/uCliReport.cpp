#include "Cli/uCliReport.h"

#include <unistd.h>

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

std::string Printable(std::u16string_view AText) {
  std::string text = Utf8(AText), result;
  result.reserve(text.size());
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) {
      result += c;
      continue;
    }
    static constexpr char kDigits[] = "0123456789ABCDEF";
    result += "\\x";
    result += kDigits[(c >> 4) & 0xF];
    result += kDigits[c & 0xF];
  }
  return result;
}

std::u16string FormatCaption(stream::FormFileFormat AFormat) {
  switch (AFormat) {
    case stream::FormFileFormat::fmtBinary: return u"Binary";
    case stream::FormFileFormat::fmtText: return u"Text";
    case stream::FormFileFormat::fmtUTF8Text: return u"UTF8 Text";
    case stream::FormFileFormat::fmtUnknown: break;
  }
  return u"Unknown";
}

std::u16string StatusCaption(TTransformStatus AStatus) {
  switch (AStatus) {
    case TTransformStatus::tsApplied: return u"Applied";
    case TTransformStatus::tsNoChanges: return u"No changes";
    case TTransformStatus::tsSkipped: return u"Skipped";
    case TTransformStatus::tsError: return u"Error";
    case TTransformStatus::tsProgress: return u"In progress...";
    case TTransformStatus::tsNone: break;
  }
  return {};
}

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
  out << "--- " << ABeforeLabel << "\n+++ " << AAfterLabel << "\n";
  auto print = [&](const auto& AElements) {
    for (const auto& element : AElements) {
      switch (element.second.type) {
        case dtl::SES_ADD: out << '+'; break;
        case dtl::SES_DELETE: out << '-'; break;
        default: out << ' '; break;
      }
      out << element.first << '\n';
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
  std::fprintf(stderr, "\r[%s%s] %zu/%zu", std::string(filled, '#').c_str(), std::string(kWidth - filled, ' ').c_str(),
               ADone, ATotal);
  std::fflush(stderr);
  FShown = true;
}

void TProgress::Clear() {
  if (!FShown) return;
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
  FShown = false;
}

TReport::TReport(std::FILE* AOut, std::FILE* AErr, bool AJson, bool AQuiet, size_t ATotal)
    : FOut(AOut), FErr(AErr), FJson(AJson), FQuiet(AQuiet), FTotal(ATotal), FProgress(!AQuiet) {
  FProgress.Show(0, FTotal);
}

void TReport::Line(const std::string& AText) {
  FProgress.Clear();
  std::fwrite(AText.data(), 1, AText.size(), FOut);
  std::fputc('\n', FOut);
  std::fflush(FOut);
}

void TReport::Placement(const std::u16string& ADescription) {
  if (FQuiet) return;
  FProgress.Clear();
  // JSON output holds nothing but the files' objects, so that every line of it parses.
  std::fprintf(FJson ? FErr : FOut, "%s\n", Utf8(ADescription).c_str());
  std::fflush(FJson ? FErr : FOut);
}

void TReport::Warning(const std::u16string& AMessage) {
  FProgress.Clear();
  std::fprintf(FErr, "tessarine-cli: warning: %s\n", Utf8(AMessage).c_str());
  std::fflush(FErr);
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
        return AFormat ? nlohmann::json(Utf8(FormatCaption(*AFormat))) : nlohmann::json(nullptr);
      };
      object["path"] = Utf8(AResult.Path);
      object["status"] = Utf8(StatusCaption(AResult.Status));
      object["format_before"] = formatOrNull(AResult.FormatBefore);
      object["format_after"] = formatOrNull(AResult.FormatAfter);
      object["log"] = nlohmann::json::array();
      for (const std::u16string& line : AResult.Log) object["log"].push_back(Utf8(line));
      object["output"] = textOrNull(AResult.OutputPath);
      object["backup"] = textOrNull(AResult.BackupPath);
      if (!AResult.Diff.empty()) object["diff"] = AResult.Diff;
      Line(object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
    } else {
      Line(Utf8(StatusCaption(AResult.Status)) + "\t" + Printable(AResult.Path));
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
  std::fprintf(FJson ? FErr : FOut, "%s\n", Utf8(text).c_str());
  std::fflush(FJson ? FErr : FOut);
}

}  // namespace tess::cli
