// printf-style formatting of UTF-16 text with the directives the system's messages use.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

namespace tess::common {

// One argument of Format: a text or a whole number.
class FormatArg {
public:
  FormatArg(std::u16string_view AText) : FText(AText), FIsNumber(false) {}
  FormatArg(const std::u16string& AText) : FText(AText), FIsNumber(false) {}
  FormatArg(const char16_t* AText) : FText(AText), FIsNumber(false) {}
  template <typename T, typename = std::enable_if_t<std::is_integral_v<T>>>
  FormatArg(T ANumber) : FNumber(static_cast<int64_t>(ANumber)), FIsNumber(true) {}

  bool IsNumber() const { return FIsNumber; }
  std::u16string_view Text() const { return FText; }
  int64_t Number() const { return FNumber; }

private:
  std::u16string_view FText;
  int64_t FNumber = 0;
  bool FIsNumber;
};

// Replaces "%s" (text), "%d" and "%u" (numbers) in order by the arguments and "%%" by "%".
// A directive without an argument, or of the wrong kind, is a programming error: it asserts,
// and in a release build prints nothing for the missing argument or the argument as it is.
std::u16string Format(std::u16string_view AFormat, std::initializer_list<FormatArg> AArgs);

// The decimal text of a whole number.
std::u16string IntToStr(int64_t AValue);

}  // namespace tess::common
