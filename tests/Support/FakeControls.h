// In-memory controls that record what they are told: the reference for what a window's widgets must do.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "Shared/Common/uControls.h"
#include "Shared/Common/uFormat.h"

namespace tess::testing {

// What a set of fakes shares: one journal of every change, in the order the changes were made,
// and the thread the fakes belong to. A call from any other thread is counted: the real
// widgets may only be touched on the user-interface thread, so a test asserts the count is 0.
class TFakeContext {
public:
  TFakeContext() : FOwner(std::this_thread::get_id()) {}

  // Makes the calling thread the one the fakes belong to (for a test that runs its
  // user-interface loop on a thread of its own).
  void AdoptCurrentThread() { FOwner.store(std::this_thread::get_id()); }

  // Checks the thread of a call that reads or writes a control; AEntry, when not empty, goes
  // into the journal.
  void Touch(std::u16string_view AWhat, std::u16string AEntry = {}) {
    const bool foreign = std::this_thread::get_id() != FOwner.load();
    std::lock_guard lock(FMutex);
    if (foreign) FForeign.emplace_back(AWhat);
    if (!AEntry.empty()) FJournal.push_back(std::move(AEntry));
  }

  std::vector<std::u16string> Journal() const {
    std::lock_guard lock(FMutex);
    return FJournal;
  }
  // The journal entries that start with APrefix, in order.
  std::vector<std::u16string> Journal(std::u16string_view APrefix) const {
    std::lock_guard lock(FMutex);
    std::vector<std::u16string> result;
    for (const auto& entry : FJournal)
      if (std::u16string_view(entry).substr(0, APrefix.size()) == APrefix) result.push_back(entry);
    return result;
  }
  void ClearJournal() {
    std::lock_guard lock(FMutex);
    FJournal.clear();
  }
  // The controls touched from a foreign thread, one entry per call.
  std::vector<std::u16string> ForeignCalls() const {
    std::lock_guard lock(FMutex);
    return FForeign;
  }

private:
  std::atomic<std::thread::id> FOwner;
  mutable std::mutex FMutex;
  std::vector<std::u16string> FJournal;
  std::vector<std::u16string> FForeign;
};

using TFakeContextPtr = std::shared_ptr<TFakeContext>;

// The name and context every fake control carries.
class TFakeControl : public common::TDObject {
public:
  TFakeControl(std::u16string AName, TFakeContextPtr AContext)
      : FName(std::move(AName)), FContext(AContext ? std::move(AContext) : std::make_shared<TFakeContext>()) {}

  const std::u16string& Name() const { return FName; }
  TFakeContext& Context() const { return *FContext; }

protected:
  void Read() const { FContext->Touch(FName); }
  void Wrote(std::u16string_view AWhat) const { FContext->Touch(FName, FName + u"." + std::u16string(AWhat)); }

private:
  std::u16string FName;
  TFakeContextPtr FContext;
};

inline std::u16string BoolText(bool AValue) { return AValue ? u"true" : u"false"; }

class TFakeText : public TFakeControl, public common::IDText {
public:
  explicit TFakeText(std::u16string AName = u"Text", TFakeContextPtr AContext = {})
      : TFakeControl(std::move(AName), std::move(AContext)) {}

  void SetText(const std::u16string& AText) override {
    Wrote(u"Text=" + AText);
    Value = AText;
    History.push_back(AText);
  }
  std::u16string Text() const override {
    Read();
    return Value;
  }

  std::u16string Value;
  std::vector<std::u16string> History;  // every text set, in order
};

// A memo: a text made of lines, and a log that appends them.
class TFakeMemo : public TFakeControl, public common::IDText, public common::IDLog {
public:
  explicit TFakeMemo(std::u16string AName = u"Log", TFakeContextPtr AContext = {})
      : TFakeControl(std::move(AName), std::move(AContext)) {}

  void SetText(const std::u16string& AText) override {
    Wrote(u"Text=" + AText);
    Lines = common::SplitMemoLines(AText);
  }
  std::u16string Text() const override {
    Read();
    return common::JoinMemoLines(Lines);
  }
  void Add(const std::u16string& ALine) override {
    Wrote(u"Add=" + ALine);
    Lines.push_back(ALine);
  }
  void Clear() override {
    Wrote(u"Clear");
    Lines.clear();
    ++ClearCount;
  }

  std::vector<std::u16string> Lines;
  int ClearCount = 0;
};

// A command. Like a real one, it runs nothing while disabled.
class TFakeAction : public TFakeControl, public common::IDAction {
public:
  explicit TFakeAction(std::u16string AName = u"Action", TFakeContextPtr AContext = {})
      : TFakeControl(std::move(AName), std::move(AContext)) {}

  void Execute() override {
    if (!Value) {
      Wrote(u"Execute(disabled)");
      return;
    }
    Wrote(u"Execute");
    ++ExecuteCount;
    if (OnExecute) OnExecute();
  }
  bool Enabled() const override {
    Read();
    return Value;
  }
  void SetEnabled(bool AEnabled) override {
    Wrote(u"Enabled=" + BoolText(AEnabled));
    Value = AEnabled;
    History.push_back(AEnabled);
  }

  bool Value = true;
  std::vector<bool> History;
  int ExecuteCount = 0;
  std::function<void()> OnExecute;
};

class TFakeProgress : public TFakeControl, public common::IDProgress {
public:
  explicit TFakeProgress(std::u16string AName = u"Progress", TFakeContextPtr AContext = {})
      : TFakeControl(std::move(AName), std::move(AContext)) {}

  int32_t Max() const override { return Read(), MaxValue; }
  void SetMax(int32_t AValue) override {
    Wrote(u"Max=" + common::IntToStr(AValue));
    MaxValue = AValue;
    MaxHistory.push_back(AValue);
  }
  int32_t Min() const override { return Read(), MinValue; }
  void SetMin(int32_t AValue) override {
    Wrote(u"Min=" + common::IntToStr(AValue));
    MinValue = AValue;
  }
  int32_t Position() const override { return Read(), PositionValue; }
  void SetPosition(int32_t AValue) override {
    Wrote(u"Position=" + common::IntToStr(AValue));
    PositionValue = AValue;
    PositionHistory.push_back(AValue);
  }

  int32_t MinValue = 0;
  int32_t MaxValue = 100;
  int32_t PositionValue = 0;
  std::vector<int32_t> MaxHistory;
  std::vector<int32_t> PositionHistory;
};

class TFakeCondition : public TFakeControl, public common::IDCondition {
public:
  explicit TFakeCondition(std::u16string AName = u"Condition", TFakeContextPtr AContext = {})
      : TFakeControl(std::move(AName), std::move(AContext)) {}

  bool Checked() const override { return Read(), Value; }
  void SetChecked(bool AChecked) override {
    Wrote(u"Checked=" + BoolText(AChecked));
    Value = AChecked;
  }

  bool Value = false;
};

// An open-file dialog whose "user" confirms the picks the test set, or cancels.
class TFakeFileDialog : public TFakeControl, public common::IDFileDialog {
public:
  explicit TFakeFileDialog(std::u16string AName = u"OpenFile", TFakeContextPtr AContext = {})
      : TFakeControl(std::move(AName), std::move(AContext)) {}

  std::u16string FileName() const override { return Read(), FileNameValue; }
  void SetFileName(const std::u16string& AFileName) override {
    Wrote(u"FileName=" + AFileName);
    FileNameValue = AFileName;
  }
  std::u16string Filter() const override { return Read(), FilterValue; }
  void SetFilter(const std::u16string& AFilter) override {
    Wrote(u"Filter=" + AFilter);
    FilterValue = AFilter;
  }
  common::TStringList Files() const override { return Read(), LastFiles; }
  bool Execute() override {
    Wrote(Confirm ? u"Execute" : u"Execute(cancelled)");
    ++ExecuteCount;
    // A cancelled dialog picked nothing: a caller that reads Files anyway gets nothing.
    LastFiles = Confirm ? Picks : common::TStringList{};
    return Confirm;
  }

  std::u16string FileNameValue;
  std::u16string FilterValue;
  common::TStringList Picks;  // what the user picks in the next Execute
  bool Confirm = true;
  common::TStringList LastFiles;
  int ExecuteCount = 0;
};

// The real folder dialog over a scripted picker: Choice is what the user picks (nothing cancels).
class TFakeDirDialog : public common::TDDirDialog {
public:
  explicit TFakeDirDialog(TFakeContextPtr AContext = {})
      : common::TDDirDialog([this](const std::u16string& ACaption, const std::u16string& AInitialPath) {
          FContext->Touch(u"OpenDir", u"OpenDir.Execute");
          Captions.push_back(ACaption);
          InitialPaths.push_back(AInitialPath);
          return Choice;
        }),
        FContext(AContext ? std::move(AContext) : std::make_shared<TFakeContext>()) {}

  std::u16string Path() const override {
    FContext->Touch(u"OpenDir");
    return common::TDDirDialog::Path();
  }
  void SetPath(const std::u16string& APath) override {
    FContext->Touch(u"OpenDir", u"OpenDir.Path=" + APath);
    common::TDDirDialog::SetPath(APath);
  }

  TFakeContext& Context() const { return *FContext; }

  std::optional<std::u16string> Choice;
  std::vector<std::u16string> Captions;
  std::vector<std::u16string> InitialPaths;

private:
  TFakeContextPtr FContext;
};

// A drop-down list over the real list adapter. Entries are what the widget would show.
class TFakeList : public common::TDComboboxBase {
public:
  struct TEntry {
    std::u16string Caption;
    common::TDGUIItem* Item;
  };

  explicit TFakeList(std::u16string AName = u"Transforms", TFakeContextPtr AContext = {})
      : FName(std::move(AName)), FContext(AContext ? std::move(AContext) : std::make_shared<TFakeContext>()) {}

  // The user picks entry AIndex: it becomes current and the list's change handler runs.
  void UserPick(int32_t AIndex) {
    FContext->Touch(FName, FName + u".UserPick=" + common::IntToStr(AIndex));
    Current = AIndex;
    ++ChangeCount;
    if (OnChange) OnChange();
  }
  std::vector<std::u16string> Captions() const {
    std::vector<std::u16string> captions;
    for (const TEntry& entry : Entries) captions.push_back(entry.Caption);
    return captions;
  }

  TFakeContext& Context() const { return *FContext; }

  std::vector<TEntry> Entries;
  int32_t Current = -1;
  int ChangeCount = 0;  // runs of the change handler, by the user or anyone else
  std::function<void()> OnChange;

protected:
  int32_t EntryCount() const override { return static_cast<int32_t>(Entries.size()); }
  common::TDGUIItem* EntryItem(int32_t AIndex) const override { return Entries.at(static_cast<size_t>(AIndex)).Item; }
  void AppendEntry(const std::u16string& ACaption, common::TDGUIItem* AItem) override {
    FContext->Touch(FName, FName + u".Append=" + ACaption);
    Entries.push_back({ACaption, AItem});
  }
  void SetEntry(int32_t AIndex, const std::u16string& ACaption, common::TDGUIItem* AItem) override {
    FContext->Touch(FName, FName + u".Set=" + ACaption);
    Entries.at(static_cast<size_t>(AIndex)) = {ACaption, AItem};
  }
  void DeleteEntry(int32_t AIndex) override {
    FContext->Touch(FName, FName + u".Delete=" + common::IntToStr(AIndex));
    Entries.erase(Entries.begin() + AIndex);
    // A combo box moves its current entry with the deletion, and loses it with the entry.
    if (Current == AIndex)
      Current = -1;
    else if (Current > AIndex)
      --Current;
  }
  void ClearEntries() override {
    FContext->Touch(FName, FName + u".Clear");
    Entries.clear();
    Current = -1;
  }
  int32_t CurrentIndex() const override {
    FContext->Touch(FName);
    return Current;
  }
  void SetCurrentIndex(int32_t AIndex) override {
    FContext->Touch(FName, FName + u".Current=" + common::IntToStr(AIndex));
    Current = AIndex < 0 || AIndex >= EntryCount() ? -1 : AIndex;
  }

private:
  std::u16string FName;
  TFakeContextPtr FContext;
};

struct TFakeEntry {
  common::TDGUIRow* Row = nullptr;
  common::TDTableLine Line;
};

// A report-style list view over the real list view adapter. Like a real one it reports a
// selection change whenever an entry's selected state changes, also when the adapter itself
// writes the entry; the adapter must tell those apart from the user's clicks.
class TFakeTable : public common::TDListViewBase<TFakeEntry*> {
public:
  static std::vector<std::u16string> FileColumns() { return {u"File", u"Status", u"Size", u"Format", u"Path"}; }

  explicit TFakeTable(std::vector<std::u16string> AColumns = FileColumns(), std::u16string AName = u"Files",
                      TFakeContextPtr AContext = {})
      : FName(std::move(AName)), FContext(AContext ? std::move(AContext) : std::make_shared<TFakeContext>()) {
    for (const auto& caption : AColumns) Columns().Add().SetCaption(caption);
  }

  void BeginUpdate() override {
    FContext->Touch(FName, FName + u".BeginUpdate");
    ++BeginCount;
    TDListViewBase::BeginUpdate();
  }
  void EndUpdate() override {
    FContext->Touch(FName, FName + u".EndUpdate");
    if (UpdateDepth() == 0) ++UnbalancedEnds;
    TDListViewBase::EndUpdate();
  }
  common::TDGUIRows& Rows() override {
    FContext->Touch(FName);
    return TDListViewBase::Rows();
  }

  // The user clicks entry AIndex into or out of the selection.
  void UserSelect(size_t AIndex, bool ASelected) {
    TFakeEntry& entry = *Entries.at(AIndex);
    if (entry.Line.Selected == ASelected) return;
    entry.Line.Selected = ASelected;
    EntrySelected(&entry, entry.Row, ASelected);
  }
  // The text the table shows in column AColumn of entry AIndex.
  std::u16string CellText(size_t AIndex, size_t AColumn) const {
    const common::TDTableLine& line = Entries.at(AIndex)->Line;
    return AColumn == 0 ? line.Caption : line.SubItems.at(AColumn - 1).Caption;
  }
  int32_t CellImage(size_t AIndex, size_t AColumn) const {
    const common::TDTableLine& line = Entries.at(AIndex)->Line;
    return AColumn == 0 ? line.ImageIndex : line.SubItems.at(AColumn - 1).ImageIndex;
  }

  TFakeContext& Context() const { return *FContext; }

  std::vector<std::unique_ptr<TFakeEntry>> Entries;
  bool Repainting = true;
  int RepaintSwitches = 0;
  int BeginCount = 0;
  int UnbalancedEnds = 0;
  int ShowCount = 0;       // lines written, over all entries
  int UnknownDeletes = 0;  // deletions of an entry the table does not have

protected:
  TFakeEntry* AppendEntry() override {
    Entries.push_back(std::make_unique<TFakeEntry>());
    return Entries.back().get();
  }
  void ShowLine(TFakeEntry* AEntry, common::TDGUIRow* ARow, const common::TDTableLine& ALine) override {
    FContext->Touch(FName, FName + u".Line=" + common::IntToStr(IndexOf(AEntry)));
    ++ShowCount;
    const bool selectionChanged = AEntry->Line.Selected != ALine.Selected;
    AEntry->Row = ARow;
    AEntry->Line = ALine;
    if (selectionChanged) EntrySelected(AEntry, ARow, ALine.Selected);
  }
  void DeleteEntry(TFakeEntry* AEntry) override {
    const int64_t index = IndexOf(AEntry);
    FContext->Touch(FName, FName + u".Delete=" + common::IntToStr(index));
    if (index >= 0)
      Entries.erase(Entries.begin() + index);
    else
      ++UnknownDeletes;
  }
  void ClearEntries() override {
    FContext->Touch(FName, FName + u".Clear");
    Entries.clear();
  }
  void SetRepainting(bool AEnabled) override {
    Repainting = AEnabled;
    ++RepaintSwitches;
  }

private:
  int64_t IndexOf(const TFakeEntry* AEntry) const {
    for (size_t i = 0; i < Entries.size(); ++i)
      if (Entries[i].get() == AEntry) return static_cast<int64_t>(i);
    return -1;
  }

  std::u16string FName;
  TFakeContextPtr FContext;
};

}  // namespace tess::testing
