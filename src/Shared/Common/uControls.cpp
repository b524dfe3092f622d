#include "Shared/Common/uControls.h"

#include "Shared/Common/uFormat.h"

namespace tess::common {

EUnknownWrap EUnknownWrap::ForClass(std::u16string_view AClassName) {
  return EUnknownWrap(Format(u"No wrapper for class %s", {AClassName}));
}

// ---- List view

namespace {

TDTableCell CellShown(const TDGUIRow& ARow, int32_t AId) {
  const TDGUIItem* cell = ARow.FindItem(AId);
  if (cell == nullptr) return {};
  return {cell->Caption(), cell->ImageIndex()};
}

}  // namespace

TDTableLine MakeTableLine(const TDGUIRow& ARow, const TDGUIColumns& AColumns) {
  TDTableLine line;
  line.ImageIndex = ARow.ImageIndex();
  line.Selected = ARow.Selected();
  if (AColumns.Count() == 0) return line;
  if (const TDGUIItem* first = ARow.FindItem(AColumns.Items(0).Id())) {
    line.Caption = first->Caption();
    line.Checked = first->Checked();
  }
  line.SubItems.reserve(static_cast<size_t>(AColumns.Count() - 1));
  for (int32_t i = 1; i < AColumns.Count(); ++i) line.SubItems.push_back(CellShown(ARow, AColumns.Items(i).Id()));
  return line;
}

// ---- Drop-down list

TDComboboxBase::TDComboboxBase() : FItems(std::make_unique<TDGUIItems>()) { FItems->Subscribe(this); }

// The items go silently with the list: the entries go with the widget.
TDComboboxBase::~TDComboboxBase() = default;

TDGUIItem* TDComboboxBase::Selected() const {
  const int32_t index = CurrentIndex();
  if (index < 0 || index >= EntryCount()) return nullptr;
  return EntryItem(index);
}

void TDComboboxBase::SetSelected(TDGUIItem* AItem) { SetCurrentIndex(AItem == nullptr ? -1 : EntryIndexOf(AItem)); }

int32_t TDComboboxBase::EntryIndexOf(const TDGUIItem* AItem) const {
  const int32_t count = EntryCount();
  for (int32_t i = 0; i < count; ++i)
    if (EntryItem(i) == AItem) return i;
  return -1;
}

void TDComboboxBase::ItemAdded(TDGUIItem* AItem) { AppendEntry(AItem->Caption(), AItem); }

void TDComboboxBase::ItemRemoved(TDGUIItem* AItem) {
  const int32_t index = EntryIndexOf(AItem);
  if (index >= 0) DeleteEntry(index);
}

void TDComboboxBase::ItemChanged(TDGUIItem* AItem) {
  const int32_t index = EntryIndexOf(AItem);
  if (index >= 0) SetEntry(index, AItem->Caption(), AItem);
}

void TDComboboxBase::ItemsCleared() { ClearEntries(); }

void TDComboboxConditionBase::SetChecked(bool AChecked) {
  if (!AChecked || CurrentIndex() == FIndex) return;
  SetCurrentIndex(FIndex);
  InvokeChange();
}

// ---- Folder picker

bool TDDirDialog::Execute() {
  if (!FPicker) return false;
  std::optional<std::u16string> chosen = FPicker(FCaption, FPath);
  if (!chosen || chosen->empty()) return false;
  FPath = std::move(*chosen);
  return true;
}

// ---- Memo text

std::u16string JoinMemoLines(const TStringList& ALines) {
  std::u16string text;
  for (size_t i = 0; i < ALines.size(); ++i) {
    if (i > 0) text += DConst::LF();
    text += ALines[i];
  }
  return text;
}

TStringList SplitMemoLines(std::u16string_view AText) {
  TStringList lines;
  size_t start = 0;
  while (start < AText.size()) {
    const size_t end = AText.find_first_of(u"\r\n", start);
    if (end == std::u16string_view::npos) {
      lines.emplace_back(AText.substr(start));
      break;
    }
    lines.emplace_back(AText.substr(start, end - start));
    start = end + (AText[end] == u'\r' && end + 1 < AText.size() && AText[end + 1] == u'\n' ? 2 : 1);
  }
  return lines;
}

// ---- File dialog filter

namespace {

TStringList SplitMasks(std::u16string_view AField) {
  TStringList masks;
  size_t start = 0;
  while (start <= AField.size()) {
    size_t end = AField.find(u';', start);
    if (end == std::u16string_view::npos) end = AField.size();
    std::u16string mask = DString::Trim(AField.substr(start, end - start));
    if (!mask.empty()) masks.push_back(std::move(mask));
    start = end + 1;
  }
  return masks;
}

}  // namespace

std::vector<TDFileFilter> SplitFileFilter(std::u16string_view AFilter) {
  std::vector<TDFileFilter> filters;
  if (AFilter.empty()) return filters;
  TStringList fields;
  size_t start = 0;
  while (true) {
    const size_t end = AFilter.find(u'|', start);
    if (end == std::u16string_view::npos) {
      fields.emplace_back(AFilter.substr(start));
      break;
    }
    fields.emplace_back(AFilter.substr(start, end - start));
    start = end + 1;
  }
  for (size_t i = 0; i < fields.size(); i += 2) {
    TDFileFilter filter;
    filter.Description = fields[i];
    if (i + 1 < fields.size()) filter.Masks = SplitMasks(fields[i + 1]);
    filters.push_back(std::move(filter));
  }
  return filters;
}

}  // namespace tess::common
