// Constant strings and the string and path helpers shared by the whole system.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tess::common {

using TStringList = std::vector<std::u16string>;

class DConst {
public:
  DConst() = delete;
  static std::u16string Empty() { return {}; }
  // Carriage return and line feed, the line break of every text the tool writes.
  static std::u16string LF() { return u"\r\n"; }
  static std::u16string PathDelim() { return u"/"; }
  static std::u16string Space() { return u" "; }
  static std::u16string Tab() { return u"\t"; }
};

class DString {
public:
  DString() = delete;

  // Appends AValue, preceded by ADelimiter unless AResult is empty; an empty AValue adds nothing.
  static void Add(std::u16string& AResult, std::u16string_view AValue, std::u16string_view ADelimiter);
  // Adds every entry in order, so empty entries leave no doubled delimiter.
  static std::u16string Join(const TStringList& AValues, std::u16string_view ADelimiter);
  static std::u16string StringOf(std::u16string_view AValue, int ACount);
  static std::vector<std::u16string> ToArray(const TStringList& AList);
  // Removes trailing characters with a code of at most 32.
  static std::u16string TrimRight(std::u16string_view AValue);
  static std::u16string Trim(std::u16string_view AValue);
  static std::u16string GetPathDelim(std::u16string_view APathDelim);
  // The path with the delimiter at its end; empty stays empty.
  static std::u16string AddLastPathDelim(std::u16string_view APath, std::u16string_view APathDelim);
  // The folder and the name joined by one delimiter; the folder alone when the name is empty.
  static std::u16string MakePath(std::u16string_view APath, std::u16string_view AFile,
                                 std::u16string_view APathDelim = {});
  // The part after the last path delimiter; the whole text when there is none.
  static std::u16string ExtractFileName(std::u16string_view APath);
  // The part up to and including the last path delimiter; empty when there is none.
  static std::u16string ExtractPath(std::u16string_view APath);
  // "1.5 KB": at most two decimals, the decimal separator of the global C++ locale.
  static std::u16string FormatBytes(int64_t ABytes);
};

}  // namespace tess::common
