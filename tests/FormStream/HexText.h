// Bytes as spaced upper-case hexadecimal pairs, for comparing written streams in test expectations.
#pragma once

#include <cstdint>
#include <string>

namespace tess::stream::testing {

inline std::string Hex(const std::string& ABytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (const char c : ABytes) {
    if (!text.empty()) text += ' ';
    text += kDigits[static_cast<uint8_t>(c) >> 4];
    text += kDigits[static_cast<uint8_t>(c) & 15];
  }
  return text;
}

}  // namespace tess::stream::testing
