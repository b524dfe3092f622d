#include "Shared/Common/uEncoding.h"

#include <array>

namespace tess::common {

namespace {

// Characters of the bytes 0x80..0x9F; the rest of the code page equals Latin-1.
constexpr std::array<char16_t, 32> kHighControls = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                                    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char16_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

void AppendUtf16(std::u16string& out, char32_t code) {
  if (code < 0x10000) {
    out.push_back(static_cast<char16_t>(code));
  } else {
    code -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
  }
}

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

}  // namespace

char16_t Cp1252CharOf(unsigned char AByte) {
  if (AByte >= 0x80 && AByte <= 0x9F) return kHighControls[AByte - 0x80];
  return AByte;
}

int Cp1252ByteOf(char16_t AChar) {
  if (AChar < 0x80 || (AChar >= 0xA0 && AChar <= 0xFF)) return AChar;
  for (size_t i = 0; i < kHighControls.size(); ++i)
    if (kHighControls[i] == AChar) return static_cast<int>(0x80 + i);
  return -1;
}

std::u16string Cp1252ToUtf16(std::string_view ABytes) {
  std::u16string text;
  text.resize(ABytes.size());
  for (size_t i = 0; i < ABytes.size(); ++i) text[i] = Cp1252CharOf(static_cast<unsigned char>(ABytes[i]));
  return text;
}

std::string Utf16ToCp1252(std::u16string_view AText) {
  std::string bytes;
  bytes.resize(AText.size());
  for (size_t i = 0; i < AText.size(); ++i) {
    int byte = Cp1252ByteOf(AText[i]);
    bytes[i] = byte < 0 ? '?' : static_cast<char>(byte);
  }
  return bytes;
}

bool IsCp1252Representable(std::u16string_view AText) {
  for (char16_t c : AText)
    if (Cp1252ByteOf(c) < 0) return false;
  return true;
}

namespace {

// Decodes UTF-8; each maximal ill-formed subpart [AFrom, ATo) goes to AInvalid.
template <typename TInvalid>
std::u16string DecodeUtf8(std::string_view ABytes, TInvalid AInvalid) {
  std::u16string text;
  text.reserve(ABytes.size());
  const size_t n = ABytes.size();
  size_t i = 0;
  while (i < n) {
    const unsigned char lead = static_cast<unsigned char>(ABytes[i]);
    if (lead < 0x80) {
      text.push_back(lead);
      ++i;
      continue;
    }
    int length;
    char32_t code;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2, code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3, code = lead & 0x0F;
      if (lead == 0xE0) low = 0xA0;   // no overlong forms
      if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4, code = lead & 0x07;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;  // nothing past U+10FFFF
    } else {
      AInvalid(text, ABytes.substr(i, 1));
      ++i;
      continue;
    }
    size_t j = i + 1;
    bool valid = true;
    for (int k = 1; k < length; ++k, ++j) {
      if (j >= n) {
        valid = false;
        break;
      }
      const unsigned char next = static_cast<unsigned char>(ABytes[j]);
      const unsigned char lo = k == 1 ? low : 0x80, hi = k == 1 ? high : 0xBF;
      if (next < lo || next > hi) {
        valid = false;
        break;
      }
      code = (code << 6) | (next & 0x3F);
    }
    if (valid) {
      AppendUtf16(text, code);
    } else {
      AInvalid(text, ABytes.substr(i, j - i));
    }
    i = j;  // a broken sequence ends at the byte that broke it
  }
  return text;
}

// Encodes UTF-16 as UTF-8; each lone surrogate goes to ALone.
template <typename TLone>
std::string EncodeUtf8(std::u16string_view AText, TLone ALone) {
  std::string bytes;
  bytes.reserve(AText.size());
  const size_t n = AText.size();
  for (size_t i = 0; i < n; ++i) {
    const char16_t c = AText[i];
    if (c < 0x80) {
      bytes.push_back(static_cast<char>(c));
    } else if (IsHighSurrogate(c) && i + 1 < n && IsLowSurrogate(AText[i + 1])) {
      AppendUtf8(bytes, 0x10000 + ((char32_t(c) - 0xD800) << 10) + (AText[i + 1] - 0xDC00));
      ++i;
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      ALone(bytes, c);
    } else {
      AppendUtf8(bytes, c);
    }
  }
  return bytes;
}

constexpr char16_t kEscapedByte = 0xDC00;

}  // namespace

std::u16string Utf8ToUtf16(std::string_view ABytes) {
  return DecodeUtf8(ABytes, [](std::u16string& AText, std::string_view) { AText.push_back(kReplacement); });
}

std::string Utf16ToUtf8(std::u16string_view AText) {
  return EncodeUtf8(AText, [](std::string& ABytes, char16_t) { AppendUtf8(ABytes, kReplacement); });
}

std::u16string PathToUtf16(std::string_view ANativePath) {
  return DecodeUtf8(ANativePath, [](std::u16string& AText, std::string_view AInvalid) {
    for (const char byte : AInvalid) AText.push_back(char16_t(kEscapedByte + static_cast<unsigned char>(byte)));
  });
}

std::string Utf16ToPath(std::u16string_view APath) {
  return EncodeUtf8(APath, [](std::string& ABytes, char16_t ALone) {
    if (ALone >= kEscapedByte + 0x80 && ALone <= kEscapedByte + 0xFF)
      ABytes.push_back(static_cast<char>(ALone - kEscapedByte));
    else
      AppendUtf8(ABytes, kReplacement);
  });
}

}  // namespace tess::common
