// The three line breaks form files are found with, and how a file's own break is found.
#pragma once

#include <string_view>

namespace tess::common {

// The IDE writes CR LF; files checked out on this platform, and Lazarus files, have LF.
enum class TLineBreak { lbCrLf, lbLf, lbCr };

constexpr std::string_view LineBreakBytes(TLineBreak ABreak) {
  switch (ABreak) {
    case TLineBreak::lbLf: return "\n";
    case TLineBreak::lbCr: return "\r";
    default: return "\r\n";
  }
}

constexpr std::u16string_view LineBreakText(TLineBreak ABreak) {
  switch (ABreak) {
    case TLineBreak::lbLf: return u"\n";
    case TLineBreak::lbCr: return u"\r";
    default: return u"\r\n";
  }
}

// The first line break of the text decides; a text without one is taken as CR LF.
template <typename TChar>
constexpr TLineBreak FirstLineBreakOf(std::basic_string_view<TChar> AText) {
  for (size_t i = 0; i < AText.size(); ++i) {
    if (AText[i] == TChar('\n')) return TLineBreak::lbLf;
    if (AText[i] == TChar('\r'))
      return i + 1 < AText.size() && AText[i + 1] == TChar('\n') ? TLineBreak::lbCrLf : TLineBreak::lbCr;
  }
  return TLineBreak::lbCrLf;
}

}  // namespace tess::common
