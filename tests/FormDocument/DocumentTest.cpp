// Ownership, copying, comparison and visiting of the form document model.
#include <gtest/gtest.h>

#include <functional>
#include <typeinfo>

#include <string>
#include <vector>

#include "FormDocument/uDFMDocument.h"

using namespace tess::doc;

namespace {

// Counts destructions so that tests can see what a list or property freed.
int GDestroyed = 0;
class TCountedNumber : public TDValue {
public:
  ~TCountedNumber() override { ++GDestroyed; }
  std::unique_ptr<TDBase> Clone() const override { return std::make_unique<TCountedNumber>(); }
  void Assign(const TDBase&) override {}
  bool Equals(const TDBase& AObj) const override { return dynamic_cast<const TCountedNumber*>(&AObj) != nullptr; }
};

std::unique_ptr<TDProp> Prop(std::u16string AName, std::unique_ptr<TDValue> AValue) {
  return std::make_unique<TDProp>(std::move(AName), std::move(AValue));
}

std::unique_ptr<TDObject> SampleForm() {
  auto form = std::make_unique<TDObject>(u"Form1", u"TForm1", TDObjectKind::okInherited, 3);
  form->Props().Add(Prop(u"Caption", std::make_unique<TDString>(TStringList{u"'a'", u"#13"})));
  auto list = std::make_unique<TDArray>();
  list->Add(std::make_unique<TDNumber>(u"1"));
  list->Add(std::make_unique<TDVar>(u"clRed"));
  form->Props().Add(Prop(u"Lines", std::move(list)));
  auto items = std::make_unique<TDItems>();
  auto item = std::make_unique<TDItem>(u"item");
  item->Props().Add(Prop(u"Width", std::make_unique<TDNumber>(u"64")));
  items->Add(std::move(item));
  form->Props().Add(Prop(u"Columns", std::move(items)));
  auto child = std::make_unique<TDObject>(u"Button1", u"TButton");
  child->Props().Add(Prop(u"Anchors", std::make_unique<TDSet>(TStringList{u"akLeft", u"akTop"})));
  form->Objects().Add(std::move(child));
  return form;
}

}  // namespace

TEST(DocumentProps, FindIsCaseSensitiveAndWholeName) {
  TDProps props;
  props.Add(Prop(u"Caption", std::make_unique<TDNumber>(u"1")));
  props.Add(Prop(u"Font.Name", std::make_unique<TDNumber>(u"2")));
  EXPECT_EQ(props.Find(u"caption"), nullptr);
  EXPECT_EQ(props.Find(u"Font"), nullptr);
  ASSERT_NE(props.Find(u"Font.Name"), nullptr);
  EXPECT_EQ(props.Find(u"Font.Name"), props.Items(1));
}

TEST(DocumentProps, DeleteFreesThePropertyAndKeepsTheOrderOfTheRest) {
  TDProps props;
  props.Add(Prop(u"A", std::make_unique<TCountedNumber>()));
  props.Add(Prop(u"B", std::make_unique<TDNumber>(u"2")));
  props.Add(Prop(u"C", std::make_unique<TDNumber>(u"3")));
  GDestroyed = 0;
  props.Delete(0);
  EXPECT_EQ(GDestroyed, 1);
  ASSERT_EQ(props.Count(), 2);
  EXPECT_EQ(props.Items(0)->Name(), u"B");
  EXPECT_EQ(props.Items(1)->Name(), u"C");
}

TEST(DocumentProps, IndexOutsideTheListRaises) {
  TDProps props;
  props.Add(Prop(u"A", nullptr));
  EXPECT_THROW(props.Items(1), EListError);
  EXPECT_THROW(props.Items(-1), EListError);
  EXPECT_THROW(props.Delete(1), EListError);
  EXPECT_EQ(props.Count(), 1);
}

TEST(DocumentProp, ReplacingTheValueFreesTheOldOneAndStoringItAgainKeepsIt) {
  TDProp prop(u"A", std::make_unique<TCountedNumber>());
  GDestroyed = 0;
  TDValue* current = prop.Value();
  prop.SetValue(std::unique_ptr<TDValue>(current));
  EXPECT_EQ(GDestroyed, 0);
  EXPECT_EQ(prop.Value(), current);
  prop.SetValue(std::make_unique<TDNumber>(u"1"));
  EXPECT_EQ(GDestroyed, 1);
  prop.SetValue(nullptr);
  EXPECT_EQ(prop.Value(), nullptr);
}

TEST(DocumentClone, ListCopyIsIndependent) {
  TDArray list;
  list.Add(std::make_unique<TDString>(TStringList{u"'a'"}));
  list.Add(std::make_unique<TDString>(TStringList{u"'b'"}));
  list.Add(std::make_unique<TDNumber>(u"7"));
  auto copy = CloneOf(list);
  ASSERT_TRUE(copy->Equals(list));
  EXPECT_NE(copy->Items(0), list.Items(0));
  static_cast<TDString*>(copy->Items(0))->Lines()[0] = u"'changed'";
  copy->Add(std::make_unique<TDNumber>(u"8"));
  EXPECT_EQ(static_cast<TDString*>(list.Items(0))->Lines()[0], u"'a'");
  EXPECT_EQ(list.Count(), 3);
  EXPECT_FALSE(copy->Equals(list));
}

TEST(DocumentClone, ObjectCopiesHeaderPropertiesAndSubtree) {
  auto form = SampleForm();
  form->SetEncoding(TDTextEncoding::teUtf8Bom);
  auto copy = CloneOf(*form);
  EXPECT_TRUE(copy->Equals(*form));
  EXPECT_EQ(copy->Index(), 3);
  EXPECT_EQ(copy->Kind(), TDObjectKind::okInherited);
  EXPECT_EQ(copy->Ancestor(), u"TForm1");
  EXPECT_EQ(copy->Encoding(), TDTextEncoding::teUtf8Bom);
  ASSERT_EQ(copy->Objects().Count(), 1);
  EXPECT_NE(copy->Objects().Items(0), form->Objects().Items(0));
  copy->Objects().Items(0)->Props().Delete(0);
  EXPECT_EQ(form->Objects().Items(0)->Props().Count(), 1);
}

TEST(DocumentAssign, FromAnotherClassChangesNothing) {
  TDVar var(u"clRed");
  var.Assign(TDNumber(u"12"));
  EXPECT_EQ(var.Name(), u"clRed");
  TDArray list;
  list.Add(std::make_unique<TDNumber>(u"1"));
  list.Assign(TDItems());
  EXPECT_EQ(list.Count(), 1);
  TDItem item(u"item");
  item.Assign(TDProp(u"x", nullptr));
  EXPECT_EQ(item.Name(), u"item");
}

TEST(DocumentAssign, ObjectFromPlainItemCopiesOnlyTheItemPart) {
  TDObject object(u"Form1", u"TForm1", TDObjectKind::okInline, 2);
  TDItem item(u"Other");
  item.Props().Add(Prop(u"Width", std::make_unique<TDNumber>(u"3")));
  object.Assign(item);
  EXPECT_EQ(object.Name(), u"Other");
  EXPECT_EQ(object.Props().Count(), 1);
  EXPECT_EQ(object.Ancestor(), u"TForm1");
  EXPECT_EQ(object.Index(), 2);
  EXPECT_EQ(object.Kind(), TDObjectKind::okInline);
}

// Assigning a node to itself, or from inside its own subtree, must copy what was there: a
// clear-then-copy order frees the source first.
TEST(DocumentAssign, SelfAndOwnSubtreeSurvive) {
  TDArray list;
  list.Add(std::make_unique<TDNumber>(u"1"));
  list.Add(std::make_unique<TDNumber>(u"2"));
  list.Assign(list);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(static_cast<TDNumber*>(list.Items(1))->Num(), u"2");

  auto form = SampleForm();
  TDObject* child = form->Objects().Items(0);
  form->Assign(*child);
  EXPECT_EQ(form->Name(), u"Button1");
  EXPECT_EQ(form->Ancestor(), u"TButton");
  ASSERT_EQ(form->Props().Count(), 1);
  EXPECT_EQ(form->Props().Items(0)->Name(), u"Anchors");
  EXPECT_EQ(form->Objects().Count(), 0);

  TDProp prop(u"P", std::make_unique<TDNumber>(u"5"));
  prop.Assign(prop);
  ASSERT_NE(prop.Value(), nullptr);
  EXPECT_TRUE(prop.Value()->Equals(TDNumber(u"5")));
}

struct EqualsRow {
  const char* Name;
  std::function<std::unique_ptr<TDBase>()> Left, Right;
  bool Equal;
};

class DocumentEquals : public ::testing::TestWithParam<EqualsRow> {};

TEST_P(DocumentEquals, ComparesStructurallyFromTheReceiversSide) {
  const auto& row = GetParam();
  EXPECT_EQ(row.Left()->Equals(*row.Right()), row.Equal);
}

namespace {
std::unique_ptr<TDBase> Num(std::u16string AText) { return std::make_unique<TDNumber>(std::move(AText)); }
std::unique_ptr<TDBase> Str(TStringList ALines) { return std::make_unique<TDString>(std::move(ALines)); }
std::unique_ptr<TDBase> Arr(int ACount) {
  auto list = std::make_unique<TDArray>();
  for (int i = 0; i < ACount; ++i) list->Add(std::make_unique<TDNumber>(u"1"));
  return list;
}
}  // namespace

INSTANTIATE_TEST_SUITE_P(
    Rows, DocumentEquals,
    ::testing::Values(
        EqualsRow{"NumberTextsDiffer", [] { return Num(u"1"); }, [] { return Num(u"1.0"); }, false},
        EqualsRow{"HexIsNotDecimal", [] { return Num(u"$01"); }, [] { return Num(u"1"); }, false},
        EqualsRow{"SameNumber", [] { return Num(u"-5"); }, [] { return Num(u"-5"); }, true},
        EqualsRow{"VarCaseCounts", [] { return std::make_unique<TDVar>(u"True"); },
                  [] { return std::make_unique<TDVar>(u"TRUE"); }, false},
        EqualsRow{"NumberIsNotVar", [] { return Num(u"1"); }, [] { return std::make_unique<TDVar>(u"1"); }, false},
        EqualsRow{"SplitStringDiffers", [] { return Str({u"'ab'"}); },
                  [] {
                    return Str({u"'a'", u"'b'"});
                  },
                  false},
        EqualsRow{"SameString",
                  [] {
                    return Str({u"'a'", u"#13"});
                  },
                  [] {
                    return Str({u"'a'", u"#13"});
                  },
                  true},
        EqualsRow{"SetOrderCounts",
                  [] {
                    return std::make_unique<TDSet>(TStringList{u"a", u"b"});
                  },
                  [] {
                    return std::make_unique<TDSet>(TStringList{u"b", u"a"});
                  },
                  false},
        EqualsRow{"ShorterList", [] { return Arr(1); }, [] { return Arr(2); }, false},
        EqualsRow{"LongerList", [] { return Arr(2); }, [] { return Arr(1); }, false},
        EqualsRow{"EmptyLists", [] { return Arr(0); }, [] { return Arr(0); }, true},
        EqualsRow{"EmptyListIsNotEmptyCollection", [] { return Arr(0); }, [] { return std::make_unique<TDItems>(); },
                  false},
        EqualsRow{"ItemIsNotObject", [] { return std::make_unique<TDItem>(u"x"); },
                  [] { return std::make_unique<TDObject>(u"x", u""); }, false},
        EqualsRow{"ObjectIsNotItem", [] { return std::make_unique<TDObject>(u"x", u""); },
                  [] { return std::make_unique<TDItem>(u"x"); }, false},
        EqualsRow{"ObjectIndexCounts", [] { return std::make_unique<TDObject>(u"x", u"T", TDObjectKind::okObject, 1); },
                  [] { return std::make_unique<TDObject>(u"x", u"T"); }, false},
        EqualsRow{"ObjectKindCounts", [] { return std::make_unique<TDObject>(u"x", u"T", TDObjectKind::okInline); },
                  [] { return std::make_unique<TDObject>(u"x", u"T"); }, false},
        EqualsRow{"PropValuesCompared", [] { return Prop(u"A", std::make_unique<TDNumber>(u"1")); },
                  [] { return Prop(u"A", std::make_unique<TDNumber>(u"2")); }, false},
        EqualsRow{"PropWithoutValue", [] { return Prop(u"A", nullptr); },
                  [] { return Prop(u"A", std::make_unique<TDNumber>(u"2")); }, false},
        EqualsRow{"WholeForms", [] { return SampleForm(); }, [] { return SampleForm(); }, true}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(DocumentObjectKind, KeywordsFoldOnlyAsciiCase) {
  EXPECT_EQ(StrToObjectKind(u"INHERITED"), TDObjectKind::okInherited);
  EXPECT_EQ(StrToObjectKind(u"Object"), TDObjectKind::okObject);
  EXPECT_EQ(StrToObjectKind(u"inline"), TDObjectKind::okInline);
  EXPECT_EQ(StrToObjectKind(u"frame"), TDObjectKind::okInline);
  // The dotless i upper-cases to I under Unicode rules; it must not make a keyword.
  EXPECT_EQ(StrToObjectKind(u"\u0131nherited"), TDObjectKind::okInline);
  EXPECT_EQ(ObjectKindToStr(TDObjectKind::okInherited), u"inherited");
}

namespace {
class TBaseOnly : public TDVisitor {
public:
  std::vector<std::string> Seen;
  void* VisitBase(TDBase& ANode, void*) override {
    Seen.push_back(typeid(ANode).name());
    return &ANode;
  }
};
}  // namespace

TEST(DocumentVisitor, OverridingOnlyVisitBaseSeesEveryClass) {
  TDObject object(u"F", u"T");
  TDItem item(u"item");
  TDProp prop(u"P", nullptr);
  TDString str;
  TDNumber num(u"1");
  TDVar var(u"v");
  TDSet set;
  TDArray arr;
  TDItems items;
  TDProps props;
  TDObjects objects;
  std::vector<TDBase*> nodes{&object, &item, &prop, &str, &num, &var, &set, &arr, &items, &props, &objects};
  TBaseOnly visitor;
  for (TDBase* node : nodes) EXPECT_EQ(node->Accept(visitor, nullptr), node);
  ASSERT_EQ(visitor.Seen.size(), nodes.size());
  for (size_t i = 0; i < nodes.size(); ++i) {
    const TDBase& node = *nodes[i];  // clang warns of a typeid over an expression with a call
    EXPECT_EQ(visitor.Seen[i], typeid(node).name());
  }
}

namespace {
class TDispatchRecorder : public TDVisitor {
public:
  std::string Last;
  void* VisitObject(TDObject&, void* AData) override {
    Last = "object";
    return AData;
  }
  void* VisitItem(TDItem&, void* AData) override {
    Last = "item";
    return AData;
  }
  void* VisitSet(TDSet&, void* AData) override {
    Last = "set";
    return AData;
  }
};
}  // namespace

TEST(DocumentVisitor, EachClassCallsItsOwnOperationWithTheData) {
  TDispatchRecorder visitor;
  int data = 0;
  TDObject object;
  EXPECT_EQ(object.Accept(visitor, &data), &data);
  EXPECT_EQ(visitor.Last, "object");
  TDItem item;
  item.Accept(visitor, nullptr);
  EXPECT_EQ(visitor.Last, "item");
  TDSet set;
  set.Accept(visitor, nullptr);
  EXPECT_EQ(visitor.Last, "set");
}
