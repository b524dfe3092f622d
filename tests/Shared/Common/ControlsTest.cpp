#include "Shared/Common/uControls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Shared/Common/uEncoding.h"
#include "Support/FakeControls.h"

using namespace tess::common;
using namespace tess::testing;

namespace {

// A toolkit of its own: just enough widget classes to drive the factory's class tests.
struct TWidget {
  virtual ~TWidget() = default;
  virtual std::u16string ClassName() const = 0;
};
struct TMemo : TWidget {
  std::u16string ClassName() const override { return u"TMemo"; }
};
struct TRichMemo : TMemo {
  std::u16string ClassName() const override { return u"TRichMemo"; }
};
struct TEdit : TWidget {
  std::u16string ClassName() const override { return u"TEdit"; }
};
struct TComboBox : TWidget {
  std::u16string ClassName() const override { return u"TComboBox"; }
};
struct TListView : TWidget {
  std::u16string ClassName() const override { return u"TListView"; }
};
struct TAction : TWidget {
  std::u16string ClassName() const override { return u"TAction"; }
};
struct TProgressBar : TWidget {
  std::u16string ClassName() const override { return u"TProgressBar"; }
};
struct TCheckBox : TWidget {
  std::u16string ClassName() const override { return u"TCheckBox"; }
};

class TCountedProgress : public TFakeProgress {
public:
  explicit TCountedProgress(int& ADestroyed) : FDestroyed(ADestroyed) {}
  ~TCountedProgress() override { ++FDestroyed; }

private:
  int& FDestroyed;
};

// The creators follow the window toolkit's table: each tries its widget classes in order.
class TTestWrapper : public TDWrapper<TWidget> {
public:
  int* DestroyCounter = &FUncounted;
  int Created = 0;

protected:
  std::unique_ptr<TDObject> WrapText(TWidget* AWidget) override {
    if (dynamic_cast<TMemo*>(AWidget)) return Made(std::make_unique<TFakeMemo>());
    if (dynamic_cast<TEdit*>(AWidget)) return Made(std::make_unique<TFakeText>());
    throw EUnknownWrap::ForClass(AWidget->ClassName());
  }
  std::unique_ptr<TDObject> WrapTable(TWidget* AWidget) override {
    if (dynamic_cast<TListView*>(AWidget)) return Made(std::make_unique<TFakeTable>());
    throw EUnknownWrap::ForClass(AWidget->ClassName());
  }
  std::unique_ptr<TDObject> WrapList(TWidget* AWidget) override {
    if (dynamic_cast<TComboBox*>(AWidget)) return Made(std::make_unique<TFakeList>());
    throw EUnknownWrap::ForClass(AWidget->ClassName());
  }
  std::unique_ptr<TDObject> WrapAction(TWidget* AWidget) override {
    if (dynamic_cast<TAction*>(AWidget)) return Made(std::make_unique<TFakeAction>());
    throw EUnknownWrap::ForClass(AWidget->ClassName());
  }
  std::unique_ptr<TDObject> WrapLog(TWidget* AWidget) override {
    if (dynamic_cast<TMemo*>(AWidget)) return Made(std::make_unique<TFakeMemo>());
    throw EUnknownWrap::ForClass(AWidget->ClassName());
  }
  std::unique_ptr<TDObject> WrapProgress(TWidget* AWidget) override {
    if (dynamic_cast<TProgressBar*>(AWidget)) return Made(std::make_unique<TCountedProgress>(*DestroyCounter));
    throw EUnknownWrap::ForClass(AWidget->ClassName());
  }
  std::unique_ptr<TDObject> WrapCondition(TWidget* AWidget) override {
    if (dynamic_cast<TCheckBox*>(AWidget)) return Made(std::make_unique<TFakeCondition>());
    throw EUnknownWrap::ForClass(AWidget->ClassName());
  }

private:
  int FUncounted = 0;
  std::unique_ptr<TDObject> Made(std::unique_ptr<TDObject> AWrapper) {
    ++Created;
    return AWrapper;
  }
};

template <class TCall>
std::u16string UnknownWrapMessage(TCall ACall) {
  try {
    ACall();
  } catch (const EUnknownWrap& error) {
    return error.Message();
  }
  return u"(nothing raised)";
}

}  // namespace

TEST(WrapperFactory, OneWidgetHasOneWrapperWhateverItIsAskedFor) {
  TTestWrapper factory;
  TMemo memo;
  IDText* text = factory.DText(&memo);
  ASSERT_NE(text, nullptr);
  IDLog* log = factory.DLog(&memo);
  ASSERT_NE(log, nullptr);
  EXPECT_TRUE(SameObject(text, log));
  EXPECT_EQ(factory.Created, 1);
  log->Add(u"one");
  log->Add(u"two");
  EXPECT_EQ(text->Text(), u"one\r\ntwo");
  EXPECT_EQ(factory.DText(&memo), text);
  EXPECT_EQ(factory.Count(), 1);
}

TEST(WrapperFactory, FirstRequestDecidesTheWrapperClass) {
  TTestWrapper factory;
  TEdit edit;
  EXPECT_EQ(UnknownWrapMessage([&] { factory.DLog(&edit); }), u"No wrapper for class TEdit");
  EXPECT_EQ(factory.Count(), 0);
  ASSERT_NE(factory.DText(&edit), nullptr);
  // The edit's wrapper is a plain text: asking it for a log now is an empty answer, not an error.
  EXPECT_EQ(factory.DLog(&edit), nullptr);
  EXPECT_EQ(factory.DAction(&edit), nullptr);
  EXPECT_EQ(factory.Count(), 1);
}

TEST(WrapperFactory, AFailedRequestRegistersNothingSoALaterOneTriesAgain) {
  TTestWrapper factory;
  TComboBox combo;
  EXPECT_EQ(UnknownWrapMessage([&] { factory.DText(&combo); }), u"No wrapper for class TComboBox");
  EXPECT_EQ(UnknownWrapMessage([&] { factory.DText(&combo); }), u"No wrapper for class TComboBox");
  IDList* list = factory.DList(&combo);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(factory.DText(&combo), nullptr);
  EXPECT_EQ(factory.DList(&combo), list);
}

TEST(WrapperFactory, ADerivedWidgetClassCountsAsItsBase) {
  TTestWrapper factory;
  TRichMemo rich;
  EXPECT_NE(factory.DLog(&rich), nullptr);
  EXPECT_NE(factory.DText(&rich), nullptr);
}

TEST(WrapperFactory, EachRequestReachesItsOwnCreator) {
  TTestWrapper factory;
  TListView view;
  TComboBox combo;
  TAction action;
  TProgressBar bar;
  TCheckBox box;
  EXPECT_NE(factory.DTable(&view), nullptr);
  EXPECT_NE(factory.DList(&combo), nullptr);
  EXPECT_NE(factory.DAction(&action), nullptr);
  EXPECT_NE(factory.DProgress(&bar), nullptr);
  EXPECT_NE(factory.DCondition(&box), nullptr);
  EXPECT_EQ(UnknownWrapMessage([&] { factory.DTable(&combo); }), u"(nothing raised)");  // already a list
  EXPECT_EQ(factory.DTable(&combo), nullptr);
  TEdit edit;
  for (auto request :
       {+[](TTestWrapper&F, TWidget*W) { F.DTable(W); }, +[](TTestWrapper&F, TWidget*W) { F.DList(W); },
        +[](TTestWrapper&F, TWidget*W) { F.DAction(W); }, +[](TTestWrapper&F, TWidget*W) { F.DLog(W); },
        +[](TTestWrapper&F, TWidget*W) { F.DProgress(W); }, +[](TTestWrapper&F, TWidget*W) { F.DCondition(W); }})
    EXPECT_EQ(UnknownWrapMessage([&] { request(factory, &edit); }), u"No wrapper for class TEdit");
  EXPECT_EQ(factory.Count(), 5);
}

TEST(WrapperFactory, DestroyingTheFactoryFreesEveryWrapperItMade) {
  int destroyed = 0;
  {
    TTestWrapper factory;
    factory.DestroyCounter = &destroyed;
    TProgressBar first, second;
    factory.DProgress(&first);
    factory.DProgress(&second);
    factory.DProgress(&first);
    EXPECT_EQ(destroyed, 0);
  }
  EXPECT_EQ(destroyed, 2);
}

TEST(UnknownWrap, NamesTheWidgetClass) {
  EXPECT_EQ(EUnknownWrap::ForClass(u"TButtonedEdit").Message(), u"No wrapper for class TButtonedEdit");
  EXPECT_STREQ(EUnknownWrap::ForClass(u"TEdit").what(), "No wrapper for class TEdit");
}

// ---- The list view adapter, through the fake list view.

namespace {

void FillFileRow(TDGUIRow& ARow, const std::u16string& AName) {
  ARow.SetImageIndex(3);
  ARow.Items(0).SetCaption(AName);
  ARow.Items(2).SetCaption(u"1.5 KB");
  ARow.Items(4).SetCaption(u"/x/");
}

}  // namespace

TEST(ListViewAdapter, ShowsCellZeroAsCaptionAndTheOtherCellsAsSubItemsWithTheirImages) {
  TFakeTable table;
  TDGUIRow& row = table.Rows().Add();
  ASSERT_EQ(table.Entries.size(), 1u);
  FillFileRow(row, u"Main.dfm");
  row.Items(0).SetChecked(true);
  row.Items(1).SetCaption(u"Applied");
  row.Items(1).SetImageIndex(0);
  row.Items(3).SetCaption(u"Text");
  const TDTableLine expected{
      u"Main.dfm", true, 3, false, {{u"Applied", 0}, {u"1.5 KB", -1}, {u"Text", -1}, {u"/x/", -1}}};
  EXPECT_EQ(table.Entries[0]->Line, expected);
  EXPECT_EQ(table.Entries[0]->Row, &row);
}

TEST(ListViewAdapter, ShowingARowNeverCreatesItsCells) {
  TFakeTable table;
  TDGUIRow& row = table.Rows().Add();
  row.Items(2).SetCaption(u"0 B");
  EXPECT_EQ(table.Entries[0]->Line.SubItems, (std::vector<TDTableCell>{{}, {u"0 B", -1}, {}, {}}));
  EXPECT_EQ(row.FindItem(1), nullptr);
  EXPECT_EQ(row.FindItem(3), nullptr);
}

TEST(ListViewAdapter, ACellWriteRewritesExactlyThatRowsLine) {
  TFakeTable table;
  for (const char16_t* name : {u"a.dfm", u"b.dfm", u"c.dfm"}) FillFileRow(table.Rows().Add(), name);
  const int before = table.ShowCount;
  table.Context().ClearJournal();
  table.Rows().Items(1).Items(3).SetCaption(u"Binary");
  EXPECT_EQ(table.ShowCount, before + 1);
  EXPECT_EQ(table.Context().Journal(), (std::vector<std::u16string>{u"Files.Line=1"}));
  EXPECT_EQ(table.CellText(1, 3), u"Binary");
  EXPECT_EQ(table.CellText(0, 3), u"");
}

TEST(ListViewAdapter, DeletingAndClearingRowsRemoveTheirEntries) {
  TFakeTable table;
  for (const char16_t* name : {u"a", u"b", u"c", u"d"}) FillFileRow(table.Rows().Add(), name);
  table.Rows().Delete(1);
  ASSERT_EQ(table.Entries.size(), 3u);
  EXPECT_EQ(table.CellText(0, 0), u"a");
  EXPECT_EQ(table.CellText(1, 0), u"c");
  // The deleted row's entry is gone from the map too: later changes of the others still land.
  table.Rows().Items(1).Items(0).SetCaption(u"c2");
  EXPECT_EQ(table.CellText(1, 0), u"c2");
  table.Rows().Clear();
  EXPECT_TRUE(table.Entries.empty());
  FillFileRow(table.Rows().Add(), u"e");
  ASSERT_EQ(table.Entries.size(), 1u);
  EXPECT_EQ(table.CellText(0, 0), u"e");
  EXPECT_EQ(table.UnknownDeletes, 0);
}

TEST(ListViewAdapter, AClickSelectsTheRowAndIsReportedOnce) {
  TFakeTable table;
  for (const char16_t* name : {u"a", u"b", u"c"}) FillFileRow(table.Rows().Add(), name);
  std::vector<std::pair<TFakeEntry*, bool>> reported;
  table.SetUserSelectItem([&](TFakeEntry* AEntry, bool ASelected) { reported.emplace_back(AEntry, ASelected); });
  const int before = table.ShowCount;
  table.UserSelect(1, true);
  EXPECT_TRUE(table.Rows().Items(1).Selected());
  EXPECT_EQ(table.Rows().FirstSelectedIndex(), 1);
  // The row change rewrote the entry; the fake reports no further selection change because the
  // entry already was selected, and nothing the adapter writes counts as a click.
  EXPECT_EQ(table.ShowCount, before + 1);
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_EQ(reported[0], std::make_pair(table.Entries[1].get(), true));
  table.UserSelect(1, false);
  EXPECT_FALSE(table.Rows().Items(1).Selected());
  EXPECT_EQ(reported.size(), 2u);
}

TEST(ListViewAdapter, SelectionWrittenByCodeIsShownButNotReportedAsAClick) {
  TFakeTable table;
  FillFileRow(table.Rows().Add(), u"a");
  int reported = 0;
  table.SetUserSelectItem([&](TFakeEntry*, bool) { ++reported; });
  table.Rows().Items(0).SetSelected(true);
  EXPECT_TRUE(table.Entries[0]->Line.Selected);
  EXPECT_EQ(reported, 0);
  EXPECT_TRUE(table.Rows().Items(0).Selected());
}

TEST(ListViewAdapter, WithoutColumnsALineHasOnlyTheRowsOwnState) {
  TFakeTable table(std::vector<std::u16string>{});
  TDGUIRow& row = table.Rows().Add();
  row.Items(0).SetCaption(u"unseen");
  row.SetImageIndex(1);
  EXPECT_EQ(table.Entries[0]->Line, (TDTableLine{u"", false, 1, false, {}}));
}

TEST(ListViewAdapter, ColumnsComeFromTheTableInOrder) {
  TFakeTable table;
  ASSERT_EQ(table.Columns().Count(), 5);
  EXPECT_EQ(table.Columns().Items(3).Caption(), u"Format");
  EXPECT_EQ(table.Columns().Items(3).Id(), 3);
}

// ---- The drop-down list adapter, through the fake drop-down list.

TEST(ComboboxAdapter, WithNothingChosenSelectedIsNone) {
  TFakeList list;
  EXPECT_EQ(list.Selected(), nullptr);
  list.Items().Add().SetCaption(u"Binary to text");
  EXPECT_EQ(list.Selected(), nullptr);
  list.SetSelected(nullptr);
  EXPECT_EQ(list.Current, -1);
  EXPECT_EQ(list.Selected(), nullptr);
}

TEST(ComboboxAdapter, EntriesFollowTheItems) {
  TFakeList list;
  TDGUIItem& first = list.Items().Add();
  EXPECT_EQ(list.Captions(), (std::vector<std::u16string>{u""}));  // added blank, then named
  first.SetCaption(u"Binary to text");
  TDGUIItem& second = list.Items().Add();
  second.SetCaption(u"Text to binary");
  list.Items().Add().SetCaption(u"Rename buttons");
  EXPECT_EQ(list.Captions(), (std::vector<std::u16string>{u"Binary to text", u"Text to binary", u"Rename buttons"}));
  EXPECT_EQ(list.Entries[1].Item, &second);
  second.SetCaption(u"Text to binary (2)");
  EXPECT_EQ(list.Captions()[1], u"Text to binary (2)");
  list.Items().Remove(&second);
  EXPECT_EQ(list.Captions(), (std::vector<std::u16string>{u"Binary to text", u"Rename buttons"}));
  list.Items().Clear();
  EXPECT_TRUE(list.Entries.empty());
}

TEST(ComboboxAdapter, ChoosingByCodeNeverRunsTheChangeHandler) {
  TFakeList list;
  for (const char16_t* caption : {u"a", u"b", u"c"}) list.Items().Add().SetCaption(caption);
  TDGUIItem& b = list.Items().Items(1);
  list.SetSelected(&b);
  EXPECT_EQ(list.Current, 1);
  EXPECT_EQ(list.Selected(), &b);
  EXPECT_EQ(list.ChangeCount, 0);
  TDGUIItems other;
  list.SetSelected(&other.Add());  // not in this list: the choice is cleared
  EXPECT_EQ(list.Selected(), nullptr);
  list.UserPick(2);
  EXPECT_EQ(list.Selected(), &list.Items().Items(2));
  EXPECT_EQ(list.ChangeCount, 1);
}

TEST(ComboboxAdapter, RemovingTheChosenItemLeavesNoChoice) {
  TFakeList list;
  for (const char16_t* caption : {u"a", u"b"}) list.Items().Add().SetCaption(caption);
  list.SetSelected(&list.Items().Items(0));
  list.Items().Remove(&list.Items().Items(0));
  EXPECT_EQ(list.Selected(), nullptr);
  list.SetSelected(&list.Items().Items(0));
  EXPECT_EQ(list.Selected()->Caption(), u"b");
}

TEST(ComboboxAdapter, RechoosesTheRememberedObjectAfterARebuild) {
  struct TTransform {
    std::u16string Caption;
  };
  TTransform builtIn{u"Binary to text"}, user{u"Mine"};
  TFakeList list;
  const auto rebuild = [&](std::vector<TTransform*> ATransforms) {
    TTransform* remembered = list.Selected() ? list.Selected()->DataObjectAs<TTransform>() : nullptr;
    list.Items().Clear();
    for (TTransform* transform : ATransforms) {
      TDGUIItem& item = list.Items().Add();
      item.SetCaption(transform->Caption);
      item.SetDataObject(transform);
    }
    list.SetSelected(list.Items().FindByData(remembered));
  };
  rebuild({&builtIn, &user});
  EXPECT_EQ(list.Selected(), nullptr);
  list.UserPick(1);
  rebuild({&builtIn, &user});
  ASSERT_NE(list.Selected(), nullptr);
  EXPECT_EQ(list.Selected()->DataObjectAs<TTransform>(), &user);
  rebuild({&builtIn});
  EXPECT_EQ(list.Selected(), nullptr);
  EXPECT_EQ(list.ChangeCount, 1);
}

// ---- A drop-down list as a yes/no choice.

namespace {

class TTestComboCondition : public TDComboboxConditionBase {
public:
  TTestComboCondition(int32_t AIndex, int32_t ACurrent) : TDComboboxConditionBase(AIndex), Current(ACurrent) {}
  int32_t Current;
  int Changes = 0;

protected:
  int32_t CurrentIndex() const override { return Current; }
  void SetCurrentIndex(int32_t AIndex) override { Current = AIndex; }
  void InvokeChange() override { ++Changes; }
};

}  // namespace

TEST(ComboboxCondition, CheckingMovesToItsEntryAndActsAsAPick) {
  struct Case {
    int32_t current;
    bool checked;
    int32_t expectedCurrent;
    int expectedChanges;
  };
  const Case cases[] = {
      {0, true, 1, 1},   // another entry: moved and the handler runs
      {-1, true, 1, 1},  // no entry at all
      {1, true, 1, 0},   // already there: nothing
      {1, false, 1, 0},  // unchecking never changes the list
      {0, false, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.current << " " << c.checked);
    TTestComboCondition condition(1, c.current);
    EXPECT_EQ(condition.Checked(), c.current == 1);
    condition.SetChecked(c.checked);
    EXPECT_EQ(condition.Current, c.expectedCurrent);
    EXPECT_EQ(condition.Changes, c.expectedChanges);
  }
}

// ---- Folder picker.

TEST(DirDialog, StartsAtThePathAndTakesTheChosenFolder) {
  TFakeDirDialog dialog;
  const std::u16string deep = u"/home/u/" + std::u16string(300, u'd');  // longer than any fixed buffer
  dialog.SetPath(deep);
  dialog.Choice = u"/home/u/forms";
  EXPECT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.Path(), u"/home/u/forms");
  ASSERT_EQ(dialog.InitialPaths.size(), 1u);
  EXPECT_EQ(dialog.InitialPaths[0], deep);
  EXPECT_EQ(dialog.Captions[0], u"Select folder");
  // The next time it starts at the last chosen folder.
  dialog.Execute();
  EXPECT_EQ(dialog.InitialPaths[1], u"/home/u/forms");
}

TEST(DirDialog, CancelledOrPathlessLeavesThePath) {
  TFakeDirDialog dialog;
  dialog.SetPath(u"/keep");
  dialog.Choice = std::nullopt;
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(dialog.Path(), u"/keep");
  dialog.Choice = u"";
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(dialog.Path(), u"/keep");
  TDDirDialog without(nullptr);
  EXPECT_FALSE(without.Execute());
}

// ---- File dialog filter and options.

TEST(FileFilter, SplitsIntoDescriptionAndMasks) {
  struct Case {
    std::u16string filter;
    std::vector<TDFileFilter> expected;
  };
  const Case cases[] = {
      {u"Delphi Form Files (*.dfm)|*.dfm|All Files (*.*)|*.*",
       {{u"Delphi Form Files (*.dfm)", {u"*.dfm"}}, {u"All Files (*.*)", {u"*.*"}}}},
      {u"Forms|*.dfm; *.xfm ;", {{u"Forms", {u"*.dfm", u"*.xfm"}}}},
      {u"Lonely", {{u"Lonely", {}}}},
      {u"A|*.a|B", {{u"A", {u"*.a"}}, {u"B", {}}}},
      {u"", {}},
      {u"|", {{u"", {}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.filter));
    EXPECT_EQ(SplitFileFilter(c.filter), c.expected);
  }
}

TEST(FileDialogOptions, EachOptionIsTheBitOfItsPosition) {
  using O = TDFileDialogOption;
  EXPECT_EQ(TDFileDialogOptions({O::ofReadOnly}).Bits(), 1u);
  EXPECT_EQ(TDFileDialogOptions({O::ofAllowMultiSelect}).Bits(), 1u << 6);
  EXPECT_EQ(TDFileDialogOptions({O::ofFileMustExist}).Bits(), 1u << 9);
  EXPECT_EQ(TDFileDialogOptions({O::ofForceShowHidden}).Bits(), 1u << 21);
  TDFileDialogOptions options = TDFileDialogOptions::FromBits(0xFFFFFFFFu);
  EXPECT_EQ(options.Bits(), (1u << 22) - 1);
  options.Exclude(O::ofEnableSizing);
  EXPECT_FALSE(options.Contains(O::ofEnableSizing));
  EXPECT_TRUE(options.Contains(O::ofDontAddToRecent));
  EXPECT_EQ(TDFileDialogOptions::FromBits(options.Bits()), options);
}

TEST(MemoLines, SplitAtAnyBreakAndJoinWithCrLf) {
  struct Case {
    std::u16string text;
    TStringList lines;
    std::u16string joined;  // the text the lines give back
  };
  const Case cases[] = {
      {u"", {}, u""},
      {u"a", {u"a"}, u"a"},
      {u"a\r\nb", {u"a", u"b"}, u"a\r\nb"},
      {u"a\nb\rc", {u"a", u"b", u"c"}, u"a\r\nb\r\nc"},
      {u"a\r\n\r\nb", {u"a", u"", u"b"}, u"a\r\n\r\nb"},
      {u"a\r\n", {u"a"}, u"a"},
      {u"\r\n", {u""}, u""},
      {u"\n\n", {u"", u""}, u"\r\n"},
      {u"a\n\rb", {u"a", u"", u"b"}, u"a\r\n\r\nb"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.text));
    EXPECT_EQ(SplitMemoLines(c.text), c.lines);
    EXPECT_EQ(JoinMemoLines(c.lines), c.joined);
  }
}

TEST(ListViewAdapter, UpdatesNestAndAStrayEndUpdateIsHarmless) {
  TFakeTable table;
  table.EndUpdate();  // nothing to end
  EXPECT_TRUE(table.Repainting);
  table.BeginUpdate();
  table.BeginUpdate();
  table.EndUpdate();
  EXPECT_FALSE(table.Repainting);
  table.EndUpdate();
  EXPECT_TRUE(table.Repainting);
  table.EndUpdate();
  table.BeginUpdate();
  EXPECT_FALSE(table.Repainting);  // the stray ends did not swallow this one
  EXPECT_EQ(table.UpdateDepth(), 1);
  EXPECT_EQ(table.RepaintSwitches, 3);
  EXPECT_EQ(table.UnbalancedEnds, 2);
}
