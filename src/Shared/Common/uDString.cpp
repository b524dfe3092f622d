#include "Shared/Common/uDString.h"

#include <cmath>
#include <locale>

namespace tess::common {

namespace {

bool IsBlank(char16_t c) { return c <= 32; }

// The pattern "#.##": at most two decimals, rounded, no trailing zeros, no leading zero.
std::u16string FormatTwoDecimals(double AValue) {
  const bool negative = AValue < 0;
  const double hundredths = std::round(std::fabs(AValue) * 100.0);
  const auto whole = static_cast<uint64_t>(hundredths / 100.0);
  auto fraction = static_cast<unsigned>(hundredths - static_cast<double>(whole) * 100.0);
  std::u16string text;
  if (negative && hundredths != 0) text.push_back(u'-');
  if (whole != 0) {
    for (char c : std::to_string(whole)) text.push_back(static_cast<char16_t>(c));
  }
  if (fraction != 0) {
    const char separator = std::use_facet<std::numpunct<char>>(std::locale()).decimal_point();
    text.push_back(static_cast<unsigned char>(separator));
    text.push_back(static_cast<char16_t>(u'0' + fraction / 10));
    if (fraction % 10 != 0) text.push_back(static_cast<char16_t>(u'0' + fraction % 10));
  }
  return text;
}

}  // namespace

void DString::Add(std::u16string& AResult, std::u16string_view AValue, std::u16string_view ADelimiter) {
  if (AValue.empty()) return;
  if (!AResult.empty()) AResult += ADelimiter;
  AResult += AValue;
}

std::u16string DString::Join(const TStringList& AValues, std::u16string_view ADelimiter) {
  std::u16string result;
  for (const auto& value : AValues) Add(result, value, ADelimiter);
  return result;
}

std::u16string DString::StringOf(std::u16string_view AValue, int ACount) {
  std::u16string result;
  if (ACount <= 0 || AValue.empty()) return result;
  result.reserve(AValue.size() * static_cast<size_t>(ACount));
  for (int i = 0; i < ACount; ++i) result += AValue;
  return result;
}

std::vector<std::u16string> DString::ToArray(const TStringList& AList) { return AList; }

std::u16string DString::TrimRight(std::u16string_view AValue) {
  size_t end = AValue.size();
  while (end > 0 && IsBlank(AValue[end - 1])) --end;
  return std::u16string(AValue.substr(0, end));
}

std::u16string DString::Trim(std::u16string_view AValue) {
  size_t start = 0;
  while (start < AValue.size() && IsBlank(AValue[start])) ++start;
  return TrimRight(AValue.substr(start));
}

std::u16string DString::GetPathDelim(std::u16string_view APathDelim) {
  return APathDelim.empty() ? DConst::PathDelim() : std::u16string(APathDelim);
}

// Names here may begin and end with blanks, so a path is never trimmed: "trail " and "trail" are
// two folders.
std::u16string DString::AddLastPathDelim(std::u16string_view APath, std::u16string_view APathDelim) {
  std::u16string result(APath);
  if (result.empty()) return result;
  const std::u16string delimiter = GetPathDelim(APathDelim);
  if (result.back() != delimiter.front() || delimiter.size() != 1) result += delimiter;
  return result;
}

std::u16string DString::MakePath(std::u16string_view APath, std::u16string_view AFile, std::u16string_view APathDelim) {
  std::u16string result(APath);
  if (AFile.empty()) return result;
  result = AddLastPathDelim(result, APathDelim);
  Add(result, AFile, u"");
  return result;
}

std::u16string DString::ExtractFileName(std::u16string_view APath) {
  const size_t last = APath.find_last_of(u'/');
  return std::u16string(last == std::u16string_view::npos ? APath : APath.substr(last + 1));
}

std::u16string DString::ExtractPath(std::u16string_view APath) {
  const size_t last = APath.find_last_of(u'/');
  return last == std::u16string_view::npos ? std::u16string() : std::u16string(APath.substr(0, last + 1));
}

std::u16string DString::FormatBytes(int64_t ABytes) {
  constexpr int64_t KB = 1024, MB = KB * 1024, GB = MB * 1024;
  const auto number = static_cast<double>(ABytes);
  if (ABytes > GB) return FormatTwoDecimals(number / GB) + u" GB";
  if (ABytes > MB) return FormatTwoDecimals(number / MB) + u" MB";
  if (ABytes > KB) return FormatTwoDecimals(number / KB) + u" KB";
  return FormatTwoDecimals(number) + u" bytes";
}

}  // namespace tess::common
