#include "Shared/Common/uDLists.h"

#include <cassert>

namespace tess::common {

namespace {

bool NeedsQuotes(std::u16string_view AItem) {
  for (char16_t c : AItem)
    if (c <= u' ' || c == u',' || c == u'"') return true;
  return false;
}

bool IsBlank(char16_t c) { return c >= 1 && c <= u' '; }

}  // namespace

std::u16string TDStrings::CommaText() const {
  if (FItems.size() == 1 && FItems[0].empty()) return u"\"\"";
  std::u16string text;
  for (size_t i = 0; i < FItems.size(); ++i) {
    if (i > 0) text += u',';
    const std::u16string& item = FItems[i];
    if (!NeedsQuotes(item)) {
      text += item;
      continue;
    }
    text += u'"';
    for (char16_t c : item) {
      if (c == u'"') text += u'"';
      text += c;
    }
    text += u'"';
  }
  return text;
}

void TDStrings::SetCommaText(std::u16string_view AText) {
  FItems.clear();
  size_t p = 0;
  const size_t n = AText.size();
  while (p < n && IsBlank(AText[p])) ++p;
  while (p < n) {
    std::u16string item;
    if (AText[p] == u'"') {
      // A quoted entry runs to the closing quote; a doubled quote stands for one. An entry
      // without its closing quote takes the rest of the text.
      ++p;
      while (p < n) {
        if (AText[p] == u'"') {
          if (p + 1 < n && AText[p + 1] == u'"') {
            item += u'"';
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        item += AText[p++];
      }
    } else {
      const size_t start = p;
      while (p < n && AText[p] > u' ' && AText[p] != u',') ++p;
      item.assign(AText.substr(start, p - start));
    }
    FItems.push_back(std::move(item));
    while (p < n && IsBlank(AText[p])) ++p;
    if (p < n && AText[p] == u',') {
      if (p + 1 == n) FItems.emplace_back();
      ++p;
      while (p < n && IsBlank(AText[p])) ++p;
    } else if (p < n && AText[p] == 0) {
      // A stray NUL would otherwise never be consumed.
      ++p;
    }
  }
}

TDCollectionItem* TDCollection::Add() {
  std::unique_ptr<TDCollectionItem> item = FFactory();
  assert(item && "a collection's factory makes an item");
  FItems.push_back(std::move(item));
  return FItems.back().get();
}

}  // namespace tess::common
