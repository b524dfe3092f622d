// The abstract controls controllers drive, the wrapper factory, and the widget-free half of the wrappers.
#pragma once

#include <cassert>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Shared/Common/uDObject.h"
#include "Shared/Common/uDString.h"
#include "Shared/Common/uException.h"
#include "Shared/Common/uGUIContainers.h"
#include "Shared/Common/uScopeGuard.h"

namespace tess::common {

// ---- Control interfaces. A window hands them out; the pointers never own the control, which
// lives as long as the window (or its wrapper factory). Callers ask again for each use.

class IDText {
public:
  virtual void SetText(const std::u16string& AText) = 0;
  virtual std::u16string Text() const = 0;

protected:
  ~IDText() = default;
};

// A single-choice list whose entries are the observable items.
class IDList {
public:
  virtual TDGUIItems& Items() = 0;
  // Null when no entry is current.
  virtual TDGUIItem* Selected() const = 0;
  // Null, or an item not in the list, clears the choice. Never runs the list's change handler:
  // only a pick by the user counts as one.
  virtual void SetSelected(TDGUIItem* AItem) = 0;

protected:
  ~IDList() = default;
};

// A multi-column table whose lines are the observable rows.
class IDTable {
public:
  // Suspend and resume repainting; the calls nest.
  virtual void BeginUpdate() = 0;
  virtual void EndUpdate() = 0;
  virtual TDGUIRows& Rows() = 0;
  virtual TDGUIColumns& Columns() = 0;

protected:
  ~IDTable() = default;
};

class IDLog {
public:
  virtual void Add(const std::u16string& ALine) = 0;
  virtual void Clear() = 0;

protected:
  ~IDLog() = default;
};

class IDDirDialog {
public:
  virtual std::u16string Path() const = 0;
  virtual void SetPath(const std::u16string& APath) = 0;
  // False when the user cancelled; Path is then unchanged.
  virtual bool Execute() = 0;

protected:
  ~IDDirDialog() = default;
};

class IDFileDialog {
public:
  virtual std::u16string FileName() const = 0;
  virtual void SetFileName(const std::u16string& AFileName) = 0;
  // Description and mask fields separated by "|": "Form Files (*.dfm)|*.dfm|All Files (*.*)|*.*".
  virtual std::u16string Filter() const = 0;
  virtual void SetFilter(const std::u16string& AFilter) = 0;
  // The full paths picked in the last confirmed Execute, in the dialog's order.
  virtual TStringList Files() const = 0;
  // False when the user cancelled.
  virtual bool Execute() = 0;

protected:
  ~IDFileDialog() = default;
};

class IDAction {
public:
  // Runs the command as if the user had chosen it.
  virtual void Execute() = 0;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool AEnabled) = 0;

protected:
  ~IDAction() = default;
};

class IDProgress {
public:
  virtual int32_t Max() const = 0;
  virtual void SetMax(int32_t AValue) = 0;
  virtual int32_t Min() const = 0;
  virtual void SetMin(int32_t AValue) = 0;
  virtual int32_t Position() const = 0;
  virtual void SetPosition(int32_t AValue) = 0;

protected:
  ~IDProgress() = default;
};

class IDCondition {
public:
  virtual bool Checked() const = 0;
  virtual void SetChecked(bool AChecked) = 0;

protected:
  ~IDCondition() = default;
};

// A widget no wrapper class is known for.
class EUnknownWrap : public Exception {
public:
  using Exception::Exception;
  static EUnknownWrap ForClass(std::u16string_view AClassName);
};

// ---- Wrapper factory. TWidget is the toolkit's widget base class; the core never sees it.

template <class TWidget>
class IDWrapper {
public:
  // Each returns the widget's wrapper as the asked interface, creating the wrapper on the first
  // request for the widget. Null when the widget's wrapper lacks the interface. Raises
  // EUnknownWrap for a widget no wrapper class fits; nothing is registered then.
  virtual IDText* DText(TWidget* AWidget) = 0;
  virtual IDList* DList(TWidget* AWidget) = 0;
  virtual IDTable* DTable(TWidget* AWidget) = 0;
  virtual IDAction* DAction(TWidget* AWidget) = 0;
  virtual IDLog* DLog(TWidget* AWidget) = 0;
  virtual IDProgress* DProgress(TWidget* AWidget) = 0;
  virtual IDCondition* DCondition(TWidget* AWidget) = 0;

protected:
  ~IDWrapper() = default;
};

// The first request for a widget decides its wrapper class, and a widget never gets two
// wrappers: asking a memo for a log after asking it for a text yields the same object. The
// factory owns every wrapper it made; a wrapper never owns its widget.
template <class TWidget>
class TDWrapper : public TDObject, public IDWrapper<TWidget> {
public:
  IDText* DText(TWidget* AWidget) override { return Request<IDText>(AWidget, &TDWrapper::WrapText); }
  IDList* DList(TWidget* AWidget) override { return Request<IDList>(AWidget, &TDWrapper::WrapList); }
  IDTable* DTable(TWidget* AWidget) override { return Request<IDTable>(AWidget, &TDWrapper::WrapTable); }
  IDAction* DAction(TWidget* AWidget) override { return Request<IDAction>(AWidget, &TDWrapper::WrapAction); }
  IDLog* DLog(TWidget* AWidget) override { return Request<IDLog>(AWidget, &TDWrapper::WrapLog); }
  IDProgress* DProgress(TWidget* AWidget) override { return Request<IDProgress>(AWidget, &TDWrapper::WrapProgress); }
  IDCondition* DCondition(TWidget* AWidget) override {
    return Request<IDCondition>(AWidget, &TDWrapper::WrapCondition);
  }

  int32_t Count() const { return static_cast<int32_t>(FList.size()); }

protected:
  // Each creator makes the wrapper for a widget, trying the widget classes it knows in order
  // (a derived widget class counts as its base), or raises EUnknownWrap. The request registers
  // what it returns.
  virtual std::unique_ptr<TDObject> WrapText(TWidget* AWidget) = 0;
  virtual std::unique_ptr<TDObject> WrapTable(TWidget* AWidget) = 0;
  virtual std::unique_ptr<TDObject> WrapList(TWidget* AWidget) = 0;
  virtual std::unique_ptr<TDObject> WrapAction(TWidget* AWidget) = 0;
  virtual std::unique_ptr<TDObject> WrapLog(TWidget* AWidget) = 0;
  virtual std::unique_ptr<TDObject> WrapProgress(TWidget* AWidget) = 0;
  virtual std::unique_ptr<TDObject> WrapCondition(TWidget* AWidget) = 0;

private:
  using TCreator = std::unique_ptr<TDObject> (TDWrapper::*)(TWidget*);

  template <class I>
  I* Request(TWidget* AWidget, TCreator ACreator) {
    auto found = FMap.find(AWidget);
    if (found == FMap.end()) {
      std::unique_ptr<TDObject> wrapper = (this->*ACreator)(AWidget);
      assert(wrapper && "a creator raises EUnknownWrap instead of returning nothing");
      if (!wrapper) return nullptr;
      FList.push_back(std::move(wrapper));
      found = FMap.emplace(AWidget, FList.back().get()).first;
    }
    return dynamic_cast<I*>(found->second);
  }

  std::unordered_map<const TWidget*, TDObject*> FMap{16};
  std::vector<std::unique_ptr<TDObject>> FList;
};

// ---- The widget-free half of the list view wrapper.

struct TDTableCell {
  std::u16string Caption;
  int32_t ImageIndex = -1;
  bool operator==(const TDTableCell&) const = default;
};

// One table line as a report-style list view shows it.
struct TDTableLine {
  std::u16string Caption;   // the cell of the first column
  bool Checked = false;     // that cell's check mark
  int32_t ImageIndex = -1;  // the row's own image
  bool Selected = false;
  std::vector<TDTableCell> SubItems;  // one for each further column, in column order
  bool operator==(const TDTableLine&) const = default;
};

// What a row looks like under the columns: each column shows the row cell its Id names. A cell
// not created yet shows as empty, and reading the row never creates one.
TDTableLine MakeTableLine(const TDGUIRow& ARow, const TDGUIColumns& AColumns);

// Keeps a list view in step with the rows it owns and carries the user's selection back into
// them. TEntry is the toolkit's handle of one list entry, stable while the entry exists.
template <class TEntry>
class TDListViewBase : public TDObject, public IDTable, private IDGUIRowsSubs {
public:
  using TSelectHandler = std::function<void(TEntry AEntry, bool ASelected)>;

  TDListViewBase() : FRows(std::make_unique<TDGUIRows>()), FColumns(std::make_unique<TDGUIColumns>()) {
    FRows->Subscribe(this);
  }

  TDGUIRows& Rows() override { return *FRows; }
  TDGUIColumns& Columns() override { return *FColumns; }

  // Painting stops at the outermost BeginUpdate and resumes at its EndUpdate. An EndUpdate
  // without a BeginUpdate is ignored, so that it cannot leave the next BeginUpdate without effect.
  void BeginUpdate() override {
    if (FUpdateDepth++ == 0) SetRepainting(false);
  }
  void EndUpdate() override {
    if (FUpdateDepth == 0) return;
    if (--FUpdateDepth == 0) SetRepainting(true);
  }
  int32_t UpdateDepth() const { return FUpdateDepth; }

  // The list view's own selection handler, called after the row took the new state.
  const TSelectHandler& UserSelectItem() const { return FUserSelectItem; }
  void SetUserSelectItem(TSelectHandler AHandler) { FUserSelectItem = std::move(AHandler); }

protected:
  // The toolkit calls this when an entry became selected or unselected; ARow is the row stored
  // with the entry, or null. Selection events that the wrapper itself causes while it writes an
  // entry are not the user's and are dropped, so a click is answered exactly once.
  void EntrySelected(TEntry AEntry, TDGUIRow* ARow, bool ASelected) {
    if (FFilling) return;
    if (ARow != nullptr) ARow->SetSelected(ASelected);
    if (FUserSelectItem) FUserSelectItem(AEntry, ASelected);
  }

  // Appends a blank entry at the end of the list view.
  virtual TEntry AppendEntry() = 0;
  // Stores ARow with the entry and shows the line: caption, check, image, selection, and the
  // sub-items replaced by the line's.
  virtual void ShowLine(TEntry AEntry, TDGUIRow* ARow, const TDTableLine& ALine) = 0;
  virtual void DeleteEntry(TEntry AEntry) = 0;
  virtual void ClearEntries() = 0;
  // Stops or resumes repainting the entries.
  virtual void SetRepainting(bool AEnabled) = 0;

  // The entry showing the row, if there is one.
  std::optional<TEntry> EntryOf(const TDGUIRow* ARow) const {
    auto found = FMap.find(ARow);
    if (found == FMap.end()) return std::nullopt;
    return found->second;
  }

private:
  void RowAdded(TDGUIRow* ARow) override { Fill(ARow, AppendEntry()); }
  void RowChanged(TDGUIRow* ARow) override {
    if (auto entry = EntryOf(ARow)) Fill(ARow, *entry);
  }
  void RowDeleted(TDGUIRow* ARow) override {
    auto found = FMap.find(ARow);
    if (found == FMap.end()) return;
    const TEntry entry = found->second;
    FMap.erase(found);
    DeleteEntry(entry);
  }
  void RowsCleared() override {
    FMap.clear();
    ClearEntries();
  }

  void Fill(TDGUIRow* ARow, TEntry AEntry) {
    FMap[ARow] = AEntry;
    const TDTableLine line = MakeTableLine(*ARow, *FColumns);
    auto filling = SetForScope(FFilling, true);
    ShowLine(AEntry, ARow, line);
  }

  // Declared first so that it is destroyed last: the rows go silently, after everything else.
  std::unique_ptr<TDGUIRows> FRows;
  std::unique_ptr<TDGUIColumns> FColumns;
  std::unordered_map<const TDGUIRow*, TEntry> FMap{16};
  TSelectHandler FUserSelectItem;
  int32_t FUpdateDepth = 0;
  bool FFilling = false;
};

// ---- The widget-free half of the drop-down list wrapper. Entries are addressed by index and
// each stores the item it shows; the entry of an item is found by a linear search, first match.
class TDComboboxBase : public TDObject, public IDList, private IDGUIItemsSubs {
public:
  TDComboboxBase();
  ~TDComboboxBase() override;

  TDGUIItems& Items() override { return *FItems; }
  TDGUIItem* Selected() const override;
  void SetSelected(TDGUIItem* AItem) override;

protected:
  virtual int32_t EntryCount() const = 0;
  virtual TDGUIItem* EntryItem(int32_t AIndex) const = 0;
  virtual void AppendEntry(const std::u16string& ACaption, TDGUIItem* AItem) = 0;
  virtual void SetEntry(int32_t AIndex, const std::u16string& ACaption, TDGUIItem* AItem) = 0;
  // Deletes the entry and repaints the list.
  virtual void DeleteEntry(int32_t AIndex) = 0;
  virtual void ClearEntries() = 0;
  // -1 when no entry is current.
  virtual int32_t CurrentIndex() const = 0;
  // Must not run the list's change handler.
  virtual void SetCurrentIndex(int32_t AIndex) = 0;

  int32_t EntryIndexOf(const TDGUIItem* AItem) const;

private:
  void ItemAdded(TDGUIItem* AItem) override;
  void ItemRemoved(TDGUIItem* AItem) override;
  void ItemChanged(TDGUIItem* AItem) override;
  void ItemsCleared() override;

  std::unique_ptr<TDGUIItems> FItems;
};

// A drop-down list used as a yes/no choice: checked exactly when the entry at Index is current.
class TDComboboxConditionBase : public TDObject, public IDCondition {
public:
  explicit TDComboboxConditionBase(int32_t AIndex) : FIndex(AIndex) {}

  bool Checked() const override { return CurrentIndex() == FIndex; }
  // Checking moves the list to Index and then runs its change handler, as a pick by the user
  // would. Checking what is already checked, and unchecking, change nothing: there is no entry
  // that means "the other choice".
  void SetChecked(bool AChecked) override;
  int32_t Index() const { return FIndex; }

protected:
  virtual int32_t CurrentIndex() const = 0;
  virtual void SetCurrentIndex(int32_t AIndex) = 0;
  virtual void InvokeChange() = 0;

private:
  int32_t FIndex;
};

// ---- Folder picker. The toolkit supplies the picker itself: shown with the caption as title
// and the initial folder pre-selected, it returns the chosen folder's full path, or nothing
// when the user cancelled or picked something that is not a folder on disk.
using TDFolderPicker =
    std::function<std::optional<std::u16string>(const std::u16string& ACaption, const std::u16string& AInitialPath)>;

class TDDirDialog : public TDObject, public IDDirDialog {
public:
  explicit TDDirDialog(TDFolderPicker APicker) : FPicker(std::move(APicker)) {}

  std::u16string Path() const override { return FPath; }
  void SetPath(const std::u16string& APath) override { FPath = APath; }
  const std::u16string& Caption() const { return FCaption; }
  void SetCaption(const std::u16string& ACaption) { FCaption = ACaption; }
  // The picker starts at Path, the whole of it. False, with Path unchanged, when it was
  // cancelled or gave no path.
  bool Execute() override;

private:
  TDFolderPicker FPicker;
  std::u16string FPath;
  std::u16string FCaption = u"Select folder";
};

// ---- Memo text: the lines joined with CR LF between them. An empty line stays a line (so this
// is not DString::Join, which skips empty entries).
std::u16string JoinMemoLines(const TStringList& ALines);
// Splits at CR LF, a lone LF or a lone CR, as a multi-line edit does. A break at the very end
// starts no further line, and the empty text has no lines.
TStringList SplitMemoLines(std::u16string_view AText);

// ---- Open-file dialog options: bit i of the set is the option of value i.
enum class TDFileDialogOption : uint8_t {
  ofReadOnly,
  ofOverwritePrompt,
  ofHideReadOnly,
  ofNoChangeDir,
  ofShowHelp,
  ofNoValidate,
  ofAllowMultiSelect,
  ofExtensionDifferent,
  ofPathMustExist,
  ofFileMustExist,
  ofCreatePrompt,
  ofShareAware,
  ofNoReadOnlyReturn,
  ofNoTestFileCreate,
  ofNoNetworkButton,
  ofNoLongNames,
  ofOldStyleDialog,
  ofNoDereferenceLinks,
  ofEnableIncludeNotify,
  ofEnableSizing,
  ofDontAddToRecent,
  ofForceShowHidden,
};

class TDFileDialogOptions {
public:
  static constexpr uint32_t AllBits = (1u << 22) - 1;

  constexpr TDFileDialogOptions() = default;
  constexpr TDFileDialogOptions(std::initializer_list<TDFileDialogOption> AOptions) {
    for (TDFileDialogOption option : AOptions) Include(option);
  }
  // Bits above the 22 options are dropped.
  static constexpr TDFileDialogOptions FromBits(uint32_t ABits) {
    TDFileDialogOptions options;
    options.FBits = ABits & AllBits;
    return options;
  }

  constexpr uint32_t Bits() const { return FBits; }
  constexpr bool Contains(TDFileDialogOption AOption) const { return (FBits & Bit(AOption)) != 0; }
  constexpr void Include(TDFileDialogOption AOption) { FBits |= Bit(AOption); }
  constexpr void Exclude(TDFileDialogOption AOption) { FBits &= ~Bit(AOption); }
  constexpr bool operator==(const TDFileDialogOptions&) const = default;

private:
  static constexpr uint32_t Bit(TDFileDialogOption AOption) { return 1u << static_cast<unsigned>(AOption); }
  uint32_t FBits = 0;
};

// One choice of a file dialog's filter.
struct TDFileFilter {
  std::u16string Description;
  TStringList Masks;  // the mask field split at ";", each mask trimmed, empty ones dropped
  bool operator==(const TDFileFilter&) const = default;
};

// Splits "Description|mask;mask|Description|mask" into its choices, in order. A description
// without a mask field (an odd number of fields) still makes a choice, with no masks.
std::vector<TDFileFilter> SplitFileFilter(std::u16string_view AFilter);

}  // namespace tess::common
