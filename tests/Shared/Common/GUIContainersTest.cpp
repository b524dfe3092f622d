#include "Shared/Common/uGUIContainers.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uFormat.h"

using namespace tess::common;

namespace {

std::string Utf8(const std::u16string& AText) { return Utf16ToUtf8(AText); }

// Records every announcement with what the container held at that moment, so a test sees both
// the order of the announcements and the state they were made in.
class TRecorder : public IDGUIItemSubs, public IDGUIItemsSubs, public IDGUIRowsSubs {
public:
  TDGUIItems* Items = nullptr;
  TDGUIRows* Rows = nullptr;
  std::vector<std::string> Events;
  std::function<void()> OnEvent;

  void ItemChanged(TDGUIItem* AItem) override { Note("changed " + Utf8(AItem->Caption()) + Where(AItem)); }
  void ItemAdded(TDGUIItem* AItem) override { Note("added '" + Utf8(AItem->Caption()) + "'" + Where(AItem)); }
  void ItemRemoved(TDGUIItem* AItem) override { Note("removed " + Utf8(AItem->Caption()) + Where(AItem)); }
  void ItemsCleared() override { Note("cleared " + Count()); }
  void RowAdded(TDGUIRow* ARow) override {
    Note("row added image " + std::to_string(ARow->ImageIndex()) + " cell0 " + (ARow->FindItem(0) ? "yes" : "no") +
         Where(ARow));
  }
  void RowDeleted(TDGUIRow* ARow) override { Note("row deleted " + Utf8(ARow->Items(0).Caption()) + Where(ARow)); }
  void RowChanged(TDGUIRow* ARow) override { Note("row changed " + Utf8(ARow->Caption()) + Where(ARow)); }
  void RowsCleared() override { Note("rows cleared " + Count()); }

private:
  void Note(std::string AEvent) {
    Events.push_back(std::move(AEvent));
    if (OnEvent) OnEvent();
  }
  std::string Where(TDGUIItem* AItem) const {
    if (Items != nullptr) return " at " + std::to_string(Items->IndexOf(AItem));
    if (Rows != nullptr) return " at " + std::to_string(Rows->IndexOf(static_cast<TDGUIRow*>(AItem)));
    return "";
  }
  std::string Count() const {
    return std::to_string(Items != nullptr ? Items->Count() : Rows != nullptr ? Rows->Count() : -1);
  }
};

// Flags its own destruction: attached to an item as its DataInterface, it shows the item was freed.
class TLifeProbe : public TDObject {
public:
  explicit TLifeProbe(int& ADestroyed) : FDestroyed(ADestroyed) {}
  ~TLifeProbe() override { ++FDestroyed; }

private:
  int& FDestroyed;
};

struct TTransformStandIn {
  virtual ~TTransformStandIn() = default;
};
struct TUserTransformStandIn : TTransformStandIn {};

}  // namespace

TEST(GUIItem, StartsBlankWithoutImage) {
  TDGUIItem item;
  EXPECT_EQ(item.Caption(), u"");
  EXPECT_EQ(item.ImageIndex(), -1);
  EXPECT_FALSE(item.Checked());
  EXPECT_FALSE(item.Selected());
  EXPECT_EQ(item.Tag(), 0);
  EXPECT_TRUE(item.DataObject().Empty());
  EXPECT_EQ(item.DataInterface(), nullptr);
}

TEST(GUIItem, AnnouncesEachRealChangeOnceAndRepeatsNothing) {
  struct Case {
    const char* name;
    std::function<void(TDGUIItem&)> change;
  };
  const Case cases[] = {
      {"caption", [](TDGUIItem& AItem) { AItem.SetCaption(u"Main.dfm"); }},
      {"image", [](TDGUIItem& AItem) { AItem.SetImageIndex(3); }},
      {"checked", [](TDGUIItem& AItem) { AItem.SetChecked(true); }},
      {"selected", [](TDGUIItem& AItem) { AItem.SetSelected(true); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TDGUIItem item;
    TRecorder recorder;
    item.Subscribe(&recorder);
    c.change(item);
    EXPECT_EQ(recorder.Events.size(), 1u);
    c.change(item);  // the same value again
    EXPECT_EQ(recorder.Events.size(), 1u);
  }
}

TEST(GUIItem, KeepsDataAndTagQuiet) {
  TDGUIItem item;
  TRecorder recorder;
  item.Subscribe(&recorder);
  TTransformStandIn transform;
  item.SetDataObject(&transform);
  item.SetTag(7);
  item.SetDataInterface(std::make_shared<TDObject>());
  item.SetImageIndex(-1);  // already -1
  EXPECT_TRUE(recorder.Events.empty());
  EXPECT_EQ(item.DataObjectAs<TTransformStandIn>(), &transform);
}

TEST(GUIItem, GivesDataBackOnlyAsTheTypeItWasAttachedAs) {
  TUserTransformStandIn user;
  TDGUIItem item;
  item.SetDataObject(static_cast<TTransformStandIn*>(&user));
  EXPECT_EQ(item.DataObjectAs<TTransformStandIn>(), &user);
  EXPECT_EQ(item.DataObjectAs<TUserTransformStandIn>(), nullptr);
  EXPECT_EQ(item.DataObjectAs<int>(), nullptr);
  const TTransformStandIn* constant = &user;
  item.SetDataObject(constant);
  EXPECT_EQ(item.DataObjectAs<TTransformStandIn>(), &user);
}

TEST(GUIItem, DuplicateSubscriptionHearsTwiceUntilOneIsUnsubscribed) {
  TDGUIItem item;
  TRecorder recorder, other;
  item.Subscribe(&recorder);
  item.Subscribe(&recorder);
  item.Unsubscribe(&other);  // never subscribed: nothing happens
  item.SetCaption(u"a");
  EXPECT_EQ(recorder.Events.size(), 2u);
  item.Unsubscribe(&recorder);
  item.SetCaption(u"b");
  EXPECT_EQ(recorder.Events.size(), 3u);
  item.Unsubscribe(&recorder);
  item.SetCaption(u"c");
  EXPECT_EQ(recorder.Events.size(), 3u);
}

TEST(GUIItem, SubscriberUnsubscribedDuringAnAnnouncementIsNotCalledAnyMore) {
  TDGUIItem item;
  TRecorder first, second, late;
  first.OnEvent = [&] {
    item.Unsubscribe(&second);
    item.Subscribe(&late);
  };
  item.Subscribe(&first);
  item.Subscribe(&second);
  item.SetCaption(u"x");
  EXPECT_EQ(first.Events.size(), 1u);
  EXPECT_TRUE(second.Events.empty());
  EXPECT_TRUE(late.Events.empty());  // joined during the announcement: hears the next one
  first.OnEvent = nullptr;
  item.SetCaption(u"y");
  EXPECT_EQ(late.Events.size(), 1u);
}

TEST(GUIItems, AnnouncesAddBeforeTheCaptionAndPassesItemChangesOn) {
  TDGUIItems items;
  TRecorder recorder;
  recorder.Items = &items;
  items.Subscribe(&recorder);
  TDGUIItem& item = items.Add();
  item.SetCaption(u"Binary to text");
  item.SetCaption(u"Binary to text");
  item.SetChecked(true);
  EXPECT_EQ(recorder.Events,
            (std::vector<std::string>{"added '' at 0", "changed Binary to text at 0", "changed Binary to text at 0"}));
}

TEST(GUIItems, RemoveAnnouncesWhileTheItemIsStillListedThenFreesIt) {
  TDGUIItems items;
  int destroyed = 0;
  items.Add().SetCaption(u"first");
  TDGUIItem& second = items.Add();
  second.SetCaption(u"second");
  second.SetDataInterface(std::make_shared<TLifeProbe>(destroyed));
  TRecorder recorder;
  recorder.Items = &items;
  items.Subscribe(&recorder);
  items.Remove(&second);
  EXPECT_EQ(recorder.Events, (std::vector<std::string>{"removed second at 1"}));
  EXPECT_EQ(destroyed, 1);
  ASSERT_EQ(items.Count(), 1);
  EXPECT_EQ(items.Items(0).Caption(), u"first");
}

TEST(GUIItems, RemoveOfAnItemItDoesNotOwnChangesNothing) {
  TDGUIItems items, other;
  items.Add();
  TDGUIItem& foreign = other.Add();
  TRecorder recorder;
  items.Subscribe(&recorder);
  items.Remove(&foreign);
  items.Remove(nullptr);
  EXPECT_TRUE(recorder.Events.empty());
  EXPECT_EQ(items.Count(), 1);
  EXPECT_EQ(other.Count(), 1);
  foreign.SetCaption(u"still alive");
  EXPECT_EQ(other.Items(0).Caption(), u"still alive");
}

TEST(GUIItems, ClearFreesFirstAndAnnouncesOnce) {
  TDGUIItems items;
  int destroyed = 0;
  for (int i = 0; i < 3; ++i) items.Add().SetDataInterface(std::make_shared<TLifeProbe>(destroyed));
  TRecorder recorder;
  recorder.Items = &items;
  items.Subscribe(&recorder);
  items.Clear();
  EXPECT_EQ(recorder.Events, (std::vector<std::string>{"cleared 0"}));
  EXPECT_EQ(destroyed, 3);
}

TEST(GUIItems, DestroyingTheListFreesItsItemsWithoutAnnouncing) {
  int destroyed = 0;
  TRecorder recorder;
  {
    TDGUIItems items;
    items.Add().SetDataInterface(std::make_shared<TLifeProbe>(destroyed));
    items.Subscribe(&recorder);
  }
  EXPECT_EQ(destroyed, 1);
  EXPECT_TRUE(recorder.Events.empty());
}

TEST(GUIItems, FindByDataReturnsTheFirstItemHoldingTheObject) {
  TDGUIItems items;
  TTransformStandIn a, b;
  items.Add();  // no data at all
  EXPECT_EQ(items.FindByData(static_cast<TTransformStandIn*>(nullptr)), nullptr);
  TDGUIItem& first = items.Add();
  first.SetDataObject(&a);
  TDGUIItem& second = items.Add();
  second.SetDataObject(&b);
  items.Add().SetDataObject(&a);
  EXPECT_EQ(items.FindByData(&a), &first);
  EXPECT_EQ(items.FindByData(&b), &second);
  EXPECT_EQ(items.FindByData(second.DataObject()), &second);
  TTransformStandIn absent;
  EXPECT_EQ(items.FindByData(&absent), nullptr);
  EXPECT_EQ(items.FindByData(TDDataRef()), nullptr);
  EXPECT_EQ(items.FindByData(nullptr), nullptr);
  second.SetDataObject(nullptr);
  EXPECT_EQ(items.FindByData(&b), nullptr);
}

TEST(GUIItems, FindByDataMatchesTheObjectWhicheverBaseItWasAttachedThrough) {
  struct TLeft {
    virtual ~TLeft() = default;
    int l = 0;
  };
  struct TRight {
    virtual ~TRight() = default;
    int r = 0;
  };
  struct TBoth : TLeft, TRight {};
  TBoth both;
  TDGUIItems items;
  TDGUIItem& item = items.Add();
  item.SetDataObject(static_cast<TRight*>(&both));
  EXPECT_EQ(items.FindByData(static_cast<TLeft*>(&both)), &item);
  EXPECT_EQ(items.FindByData(&both), &item);
}

TEST(GUIItems, FindByDataInterfaceComparesObjectIdentity) {
  TDGUIItems items;
  auto object = std::make_shared<TDObject>();
  items.Add();
  TDGUIItem& holder = items.Add();
  holder.SetDataInterface(object);
  EXPECT_EQ(items.FindByDataInterface(object.get()), &holder);
  EXPECT_EQ(items.FindByDataInterface(nullptr), nullptr);
  TDObject other;
  EXPECT_EQ(items.FindByDataInterface(&other), nullptr);
}

TEST(GUIItems, IndexOutsideTheListRaisesAndChangesNothing) {
  TDGUIItems items;
  items.Add();
  EXPECT_THROW(items.Items(1), EListError);
  EXPECT_THROW(items.Items(-1), EListError);
  EXPECT_EQ(items.Count(), 1);
}

TEST(GUIRow, CreatesExactlyTheCellsThatAreTouched) {
  TDGUIRows rows;
  TDGUIRow& row = rows.Add();
  EXPECT_EQ(row.ImageIndex(), -1);
  EXPECT_EQ(row.FindItem(0), nullptr);
  TDGUIItem& cell4 = row.Items(4);
  EXPECT_EQ(cell4.ImageIndex(), -1);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(row.FindItem(i), nullptr) << i;
  EXPECT_EQ(row.FindItem(4), &cell4);
  EXPECT_EQ(&row.Items(4), &cell4);  // a second access gives the same cell
  TDGUIItem& cell2 = row.Items(2);
  EXPECT_EQ(row.FindItem(2), &cell2);
  EXPECT_EQ(row.FindItem(3), nullptr);
  EXPECT_EQ(&row.Items(4), &cell4);  // growing the line kept the cell
}

TEST(GUIRow, CellIndexBounds) {
  struct Case {
    int32_t index;
    const char16_t* message;  // null: the cell exists
  };
  const Case cases[] = {
      {0, nullptr},
      {100, nullptr},
      {101, u"Index out of bounds 101"},
      {-1, u"Index out of bounds -1"},
      {2147483647, u"Index out of bounds 2147483647"},
      {-2147483647 - 1, u"Index out of bounds -2147483648"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    TDGUIRows rows;
    TDGUIRow& row = rows.Add();
    TRecorder recorder;
    rows.Subscribe(&recorder);
    if (c.message == nullptr) {
      row.Items(c.index).SetCaption(u"x");
      EXPECT_EQ(row.FindItem(c.index)->Caption(), u"x");
      continue;
    }
    try {
      row.Items(c.index);
      ADD_FAILURE() << "no exception";
    } catch (const EGUIRowException& error) {
      EXPECT_EQ(error.Message(), c.message);
    }
    EXPECT_EQ(row.FindItem(c.index), nullptr);
    EXPECT_EQ(row.FindItem(0), nullptr);
    EXPECT_TRUE(recorder.Events.empty());
  }
}

TEST(GUIRows, AnnouncesAddOfABlankRowThatIsAlreadyListed) {
  TDGUIRows rows;
  TRecorder recorder;
  recorder.Rows = &rows;
  rows.Subscribe(&recorder);
  rows.Add();
  TDGUIRow& second = rows.Add();
  EXPECT_EQ(second.Index(), 1);
  EXPECT_EQ(recorder.Events,
            (std::vector<std::string>{"row added image -1 cell0 no at 0", "row added image -1 cell0 no at 1"}));
}

TEST(GUIRows, EveryCellWriteIsOneRowChange) {
  TDGUIRows rows;
  rows.Add();
  TDGUIRow& row = rows.Add();
  row.SetCaption(u"r");
  TRecorder recorder;
  recorder.Rows = &rows;
  rows.Subscribe(&recorder);
  row.Items(1).SetCaption(u"In progress...");
  row.Items(1).SetImageIndex(-1);  // unchanged: nothing
  row.Items(1).SetCaption(u"Applied");
  row.Items(1).SetImageIndex(0);
  row.Items(3).SetCaption(u"Text");
  row.SetImageIndex(3);
  row.SetSelected(true);
  row.SetTag(9);
  EXPECT_EQ(recorder.Events, std::vector<std::string>(6, "row changed r at 1"));
}

TEST(GUIRows, DeleteAnnouncesWhileTheRowIsAliveAndListedThenFreesIt) {
  TDGUIRows rows;
  int destroyed = 0;
  for (const char16_t* name : {u"a", u"b", u"c"}) rows.Add().Items(0).SetCaption(name);
  rows.Items(1).SetDataInterface(std::make_shared<TLifeProbe>(destroyed));
  TRecorder recorder;
  recorder.Rows = &rows;
  rows.Subscribe(&recorder);
  rows.Delete(1);
  EXPECT_EQ(recorder.Events, (std::vector<std::string>{"row deleted b at 1"}));
  EXPECT_EQ(destroyed, 1);
  ASSERT_EQ(rows.Count(), 2);
  EXPECT_EQ(rows.Items(1).Items(0).Caption(), u"c");
}

TEST(GUIRows, OutOfRangeIndexesRaiseAndChangeNothing) {
  TDGUIRows rows;
  rows.Add().Items(0).SetCaption(u"a");
  TRecorder recorder;
  rows.Subscribe(&recorder);
  EXPECT_THROW(rows.Delete(1), EListError);
  EXPECT_THROW(rows.Delete(-1), EListError);
  EXPECT_THROW(rows.Move(0, 1), EListError);
  EXPECT_THROW(rows.Items(1), EListError);
  try {
    rows.Delete(5);
  } catch (const EListError& error) {
    EXPECT_EQ(error.Message(), u"List index out of bounds (5)");
  }
  EXPECT_EQ(rows.Count(), 1);
  EXPECT_TRUE(recorder.Events.empty());
}

TEST(GUIRows, ClearFreesTheRowsAndAnnouncesOnlyOnce) {
  TDGUIRows rows;
  int destroyed = 0;
  for (int i = 0; i < 4; ++i) rows.Add().SetDataInterface(std::make_shared<TLifeProbe>(destroyed));
  TRecorder recorder;
  recorder.Rows = &rows;
  rows.Subscribe(&recorder);
  rows.Clear();
  EXPECT_EQ(recorder.Events, (std::vector<std::string>{"rows cleared 0"}));
  EXPECT_EQ(destroyed, 4);
}

TEST(GUIRows, DeletedRowsAndTheirCellsAnnounceNothingMore) {
  TDGUIRows rows;
  TDGUIRow& kept = rows.Add();
  rows.Add();
  TRecorder recorder;
  rows.Subscribe(&recorder);
  rows.Delete(1);
  kept.Items(0).SetCaption(u"k");
  EXPECT_EQ(recorder.Events.size(), 2u);  // the deletion and the one change of the kept row
}

TEST(GUIRows, MoveReordersSilentlyAndKeepsTheAddedIndex) {
  TDGUIRows rows;
  for (const char16_t* name : {u"a", u"b", u"c", u"d"}) rows.Add().Items(0).SetCaption(name);
  TRecorder recorder;
  rows.Subscribe(&recorder);
  const auto order = [&] {
    std::u16string text;
    for (int32_t i = 0; i < rows.Count(); ++i) text += rows.Items(i).Items(0).Caption();
    return text;
  };
  rows.Move(0, 2);
  EXPECT_EQ(order(), u"bcad");
  rows.Move(3, 0);
  EXPECT_EQ(order(), u"dbca");
  rows.Move(1, 1);
  EXPECT_EQ(order(), u"dbca");
  EXPECT_TRUE(recorder.Events.empty());
  EXPECT_EQ(rows.IndexOf(&rows.Items(0)), 0);
  EXPECT_EQ(rows.Items(0).Index(), 3);  // where "d" was added, not where it is
  TDGUIRows other;
  EXPECT_EQ(rows.IndexOf(&other.Add()), -1);
  EXPECT_EQ(rows.IndexOf(nullptr), -1);
}

TEST(GUIRows, SelectionQueries) {
  TDGUIRows rows;
  for (int i = 0; i < 7; ++i) rows.Add();
  EXPECT_EQ(rows.FirstSelected(), nullptr);
  EXPECT_EQ(rows.FirstSelectedIndex(), -1);
  EXPECT_EQ(rows.SelectedCount(), 0);
  rows.Items(5).SetSelected(true);
  rows.Items(2).SetSelected(true);
  EXPECT_EQ(rows.FirstSelected(), &rows.Items(2));
  EXPECT_EQ(rows.FirstSelectedIndex(), 2);
  EXPECT_EQ(rows.SelectedCount(), 2);
  rows.Delete(2);
  EXPECT_EQ(rows.FirstSelectedIndex(), 4);
  EXPECT_EQ(rows.SelectedCount(), 1);
}

TEST(GUIColumns, EachColumnShowsTheCellOfItsPosition) {
  TDGUIColumns columns;
  EXPECT_EQ(columns.Count(), 0);
  for (int i = 0; i < 5; ++i) columns.Add().SetCaption(u"c" + IntToStr(i));
  ASSERT_EQ(columns.Count(), 5);
  for (int32_t i = 0; i < 5; ++i) {
    EXPECT_EQ(columns.Items(i).Id(), i);
    EXPECT_EQ(columns.Items(i).ImageIndex(), -1);
  }
  EXPECT_THROW(columns.Items(5), EListError);
}
