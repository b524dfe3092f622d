#include "Shared/Parser/uTextCompare.h"

#include <utf8proc.h>

#include <array>
#include <cassert>
#include <deque>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>
#include <vector>

namespace tess::parser {

namespace {

enum : unsigned char { kWhite = 1, kBreak = 2 };

constexpr std::array<unsigned char, 256> MakeClassTable() {
  std::array<unsigned char, 256> table{};
  for (char16_t c : kWhiteSpaceChars) table[c] |= kWhite;
  for (char16_t c : kBreakChars) table[c] |= kBreak;
  return table;
}

constexpr std::array<unsigned char, 256> kClassTable = MakeClassTable();

char16_t FoldAsciiChar(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

}  // namespace

bool IsWhiteSpaceChar(char16_t AChar) { return AChar < 256 && (kClassTable[AChar] & kWhite) != 0; }

bool IsBreakChar(char16_t AChar) { return AChar < 256 && (kClassTable[AChar] & kBreak) != 0; }

bool SameTextAscii(std::u16string_view A, std::u16string_view B) {
  if (A.size() != B.size()) return false;
  for (size_t i = 0; i < A.size(); ++i)
    if (FoldAsciiChar(A[i]) != FoldAsciiChar(B[i])) return false;
  return true;
}

char16_t FoldChar(char16_t AChar) {
  if (AChar < 0x80) return FoldAsciiChar(AChar);
  // Surrogate halves are not characters on their own; a pair compares as it stands.
  if (AChar >= 0xD800 && AChar <= 0xDFFF) return AChar;
  utf8proc_int32_t lower = utf8proc_tolower(AChar);
  return lower <= 0xFFFF ? static_cast<char16_t>(lower) : AChar;
}

std::u16string FoldText(std::u16string_view AText) {
  std::u16string result(AText);
  for (char16_t& c : result) c = FoldChar(c);
  return result;
}

int CompareText(std::u16string_view A, std::u16string_view B) {
  const size_t n = A.size() < B.size() ? A.size() : B.size();
  for (size_t i = 0; i < n; ++i) {
    const char16_t a = FoldChar(A[i]);
    const char16_t b = FoldChar(B[i]);
    if (a != b) return a < b ? -1 : 1;
  }
  if (A.size() == B.size()) return 0;
  return A.size() < B.size() ? -1 : 1;
}

bool SameText(std::u16string_view A, std::u16string_view B) { return A.size() == B.size() && CompareText(A, B) == 0; }

namespace {

// Grammars run on the batch worker and on the user-interface thread (never at once, but the
// table is process-wide), so it is locked; lookups share the lock.
struct TInternTable {
  std::shared_mutex Lock;
  std::unordered_map<std::u16string, uint32_t> Keys;       // folded caption -> key
  std::deque<std::u16string> Spellings{std::u16string()};  // key -> caption as first seen
  std::unordered_map<std::u16string, uint32_t> Pool;       // text -> number
  std::vector<const std::u16string*> PoolByNumber;
};

TInternTable& InternTable() {
  static TInternTable table;
  return table;
}

}  // namespace

uint32_t InternCaption(std::u16string_view ACaption) {
  TInternTable& table = InternTable();
  std::u16string folded = FoldText(ACaption);
  {
    std::shared_lock lock(table.Lock);
    auto found = table.Keys.find(folded);
    if (found != table.Keys.end()) return found->second;
  }
  std::unique_lock lock(table.Lock);
  auto [where, added] = table.Keys.try_emplace(std::move(folded), static_cast<uint32_t>(table.Spellings.size()));
  if (added) table.Spellings.emplace_back(ACaption);
  return where->second;
}

uint32_t FindInternedCaption(std::u16string_view ACaption) {
  TInternTable& table = InternTable();
  std::u16string folded = FoldText(ACaption);
  std::shared_lock lock(table.Lock);
  auto found = table.Keys.find(folded);
  return found == table.Keys.end() ? 0 : found->second;
}

std::u16string InternedCaption(uint32_t AKey) {
  TInternTable& table = InternTable();
  std::shared_lock lock(table.Lock);
  return AKey < table.Spellings.size() ? table.Spellings[AKey] : std::u16string();
}

const std::u16string& PooledText(std::u16string_view AText) { return PooledTextOf(PooledTextNumber(AText)); }

uint32_t PooledTextNumber(std::u16string_view AText) {
  TInternTable& table = InternTable();
  std::u16string text(AText);
  {
    std::shared_lock lock(table.Lock);
    auto found = table.Pool.find(text);
    if (found != table.Pool.end()) return found->second;
  }
  std::unique_lock lock(table.Lock);
  if (table.PoolByNumber.empty()) table.PoolByNumber.push_back(&table.Pool.try_emplace(std::u16string(), 0).first->first);
  auto [where, added] = table.Pool.try_emplace(std::move(text), static_cast<uint32_t>(table.PoolByNumber.size()));
  if (added) table.PoolByNumber.push_back(&where->first);
  return where->second;
}

const std::u16string& PooledTextOf(uint32_t ANumber) {
  // Each thread keeps the numbers it has met, so that reading a constant takes no lock: numbers
  // are never reused and pooled texts never move (the nodes of an unordered map stay put).
  thread_local std::vector<const std::u16string*> known;
  if (ANumber >= known.size()) {
    if (ANumber == 0) PooledTextNumber({});
    TInternTable& table = InternTable();
    std::shared_lock lock(table.Lock);
    known.assign(table.PoolByNumber.begin(), table.PoolByNumber.end());
  }
  assert(ANumber < known.size() && "a number PooledTextNumber gave");
  return *known[ANumber];
}

}  // namespace tess::parser
