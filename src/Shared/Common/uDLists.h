// The list objects the XML serializer stores specially: string lists and collections.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Shared/Common/uDTypeInfo.h"

namespace tess::common {

// A list of strings that reads and writes itself as comma text.
class TDStrings : public TDPersistent {
public:
  TDStrings() = default;
  TDStrings(std::initializer_list<std::u16string> AItems) : FItems(AItems) {}

  const std::vector<std::u16string>& Items() const { return FItems; }
  std::vector<std::u16string>& Items() { return FItems; }
  size_t Count() const { return FItems.size(); }
  void Add(std::u16string AItem) { FItems.push_back(std::move(AItem)); }
  void Clear() { FItems.clear(); }

  // Entries joined by commas; an entry holding a character at or below the space, a comma or a
  // double quote is enclosed in double quotes with inner quotes doubled. A list of one empty
  // entry is written "" so that it reads back as one entry, not as none.
  std::u16string CommaText() const;
  // Replaces the entries: blanks between entries are skipped, an unquoted entry ends at a blank
  // or a comma, a quoted one at its closing quote, and a comma at the very end adds an empty entry.
  void SetCommaText(std::u16string_view AText);

private:
  std::vector<std::u16string> FItems;
};

class TDCollectionItem : public TDPersistent {};

// An owned list of items, each made by the collection's item factory.
class TDCollection : public TDPersistent {
public:
  using TItemFactory = std::function<std::unique_ptr<TDCollectionItem>()>;

  explicit TDCollection(TItemFactory AFactory) : FFactory(std::move(AFactory)) {}

  // Appends a new item and returns it; the collection owns it.
  TDCollectionItem* Add();
  size_t Count() const { return FItems.size(); }
  TDCollectionItem* Items(size_t AIndex) const { return FItems[AIndex].get(); }
  void Clear() { FItems.clear(); }

private:
  TItemFactory FFactory;
  std::vector<std::unique_ptr<TDCollectionItem>> FItems;
};

}  // namespace tess::common
