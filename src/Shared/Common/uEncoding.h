// Conversions between the core's UTF-16 text and the byte encodings found at its edges.
#pragma once

#include <string>
#include <string_view>

namespace tess::common {

// Windows-1252, the default single-byte code page. Every byte maps to one character and back;
// the five bytes the code page leaves undefined map to the C1 controls of the same value.
std::u16string Cp1252ToUtf16(std::string_view ABytes);
// A character the code page lacks becomes '?'.
std::string Utf16ToCp1252(std::u16string_view AText);
// True when every character of the text has a Windows-1252 byte.
bool IsCp1252Representable(std::u16string_view AText);
// The Windows-1252 byte of one character, or -1 when the code page lacks it.
int Cp1252ByteOf(char16_t AChar);
char16_t Cp1252CharOf(unsigned char AByte);

// UTF-8. Malformed sequences (overlong forms, encoded surrogates, values past U+10FFFF,
// truncated sequences) decode to U+FFFD, one per maximal ill-formed subpart.
std::u16string Utf8ToUtf16(std::string_view ABytes);
// Lone surrogates encode as U+FFFD.
std::string Utf16ToUtf8(std::u16string_view AText);

// File and folder names. Names are bytes on this platform, and most but not all of them are
// UTF-8: a byte that is not part of valid UTF-8 becomes the lone surrogate U+DC00 + byte, and
// Utf16ToPath turns exactly those back into their bytes, so any name survives the round trip and
// two different names never meet. Other lone surrogates are written as U+FFFD.
std::u16string PathToUtf16(std::string_view ANativePath);
std::string Utf16ToPath(std::u16string_view APath);

// Shorthand for literals and narrow text in code and tests: UTF-8 in, UTF-16 out.
inline std::u16string U16(std::string_view AUtf8) { return Utf8ToUtf16(AUtf8); }

}  // namespace tess::common
