// Character classes and the case-insensitive comparisons the tokenizer and the grammar engine share.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tess::parser {

// The seven characters that separate tokens without being tokens of their own kind.
inline constexpr std::u16string_view kWhiteSpaceChars = u"\u0009\u000A\u000B\u000C\u000D\u0020\u00A0";
// The break characters. The order matters only where the set is searched as one string: keyword
// collection drops every constant that is a substring of it, so := and <> never become keywords.
inline constexpr std::u16string_view kBreakChars = u"`;:=<>()[]\"!,.+-*/\\'~#";

bool IsWhiteSpaceChar(char16_t AChar);
bool IsBreakChar(char16_t AChar);

// Equality that folds only the ASCII letters; used where the engine compares against literal
// delimiters (comment openers, quotes, constants of the grammar).
bool SameTextAscii(std::u16string_view A, std::u16string_view B);

// The case folding behind keyword lookup, keyword sorting and memo keys: simple Unicode lower case
// per UTF-16 unit, so that "OBJECT", "Object" and "object" are one word whatever the letters.
char16_t FoldChar(char16_t AChar);
std::u16string FoldText(std::u16string_view AText);
// Three-way comparison of the folded texts (negative, zero, positive).
int CompareText(std::u16string_view A, std::u16string_view B);
bool SameText(std::u16string_view A, std::u16string_view B);

}  // namespace tess::parser

namespace tess::parser {

// Memo keys: each caption, folded, gets one number for the life of the process, so that a memo
// lookup compares numbers. Key 0 is never handed out.
uint32_t InternCaption(std::u16string_view ACaption);
// The key of a caption already interned, or 0 without interning it.
uint32_t FindInternedCaption(std::u16string_view ACaption);
// The caption as first spelt when it was interned.
std::u16string InternedCaption(uint32_t AKey);
// One shared copy of each text (exact comparison), alive for the life of the process: the
// constants of grammar symbols, which are made afresh for every attempt.
const std::u16string& PooledText(std::u16string_view AText);
// The pooled copy by number, for symbols that keep four bytes rather than a pointer; number 0 is
// the empty text. Numbers are handed out once each, for the life of the process.
uint32_t PooledTextNumber(std::u16string_view AText);
const std::u16string& PooledTextOf(uint32_t ANumber);

}  // namespace tess::parser
