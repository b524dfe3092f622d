#include "Shared/Common/uFormat.h"

#include <cassert>

namespace tess::common {

std::u16string IntToStr(int64_t AValue) {
  char16_t digits[24];
  int count = 0;
  // Work in unsigned arithmetic so that the most negative value has a magnitude.
  uint64_t magnitude = AValue < 0 ? 0 - static_cast<uint64_t>(AValue) : static_cast<uint64_t>(AValue);
  do {
    digits[count++] = static_cast<char16_t>(u'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  std::u16string text;
  text.reserve(count + 1);
  if (AValue < 0) text.push_back(u'-');
  while (count > 0) text.push_back(digits[--count]);
  return text;
}

std::u16string Format(std::u16string_view AFormat, std::initializer_list<FormatArg> AArgs) {
  std::u16string result;
  result.reserve(AFormat.size() + 16 * AArgs.size());
  auto next = AArgs.begin();
  for (size_t i = 0; i < AFormat.size(); ++i) {
    const char16_t c = AFormat[i];
    if (c != u'%' || i + 1 == AFormat.size()) {
      result.push_back(c);
      continue;
    }
    const char16_t directive = AFormat[++i];
    if (directive == u'%') {
      result.push_back(u'%');
      continue;
    }
    if (directive != u's' && directive != u'd' && directive != u'u') {
      result.push_back(u'%');
      result.push_back(directive);
      continue;
    }
    assert(next != AArgs.end() && "Format: more directives than arguments");
    if (next == AArgs.end()) continue;
    const FormatArg& arg = *next++;
    assert(arg.IsNumber() == (directive != u's') && "Format: argument of the wrong kind");
    if (arg.IsNumber()) {
      result += IntToStr(arg.Number());
    } else {
      result += arg.Text();
    }
  }
  assert(next == AArgs.end() && "Format: more arguments than directives");
  return result;
}

}  // namespace tess::common
