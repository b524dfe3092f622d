// The four actions on small forms: selection, edits, log lines, the changed flag, copies and checks.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FormText/uDFMHelper.h"
#include "Shared/Common/uEncoding.h"
#include "Transformations/uTransformActions.h"

using namespace tess;
using namespace tess::transform;

namespace {

// Form text from lines, joined with CR LF as the writer prints it.
std::u16string FormText(std::initializer_list<const char*> ALines) {
  std::u16string text;
  for (const char* line : ALines) text += common::U16(line) + u"\r\n";
  return text;
}

const std::u16string kForm = FormText({
    "object Form1: TForm1",
    "  Left = 10",
    "  Caption = 'abc'",
    "  Tag = 5",
    "  object Button1: TButton",
    "    Caption = 'ab' + 'c'",
    "    Tag = 1",
    "    object Label1: TLabel",
    "      Caption = abc",
    "    end",
    "  end",
    "  object Label2: TLabel",
    "    Left = 3",
    "    Columns = <",
    "      item",
    "        Caption = 'abc'",
    "      end>",
    "  end",
    "end",
});

class ActionTest : public ::testing::Test {
protected:
  void SetUp() override { FRoot = formtext::DFMHelper().LoadObjectFromText(kForm); }

  // Runs the action over the form with a log and returns the form text afterwards.
  std::u16string Apply(TTransformAction& AAction) {
    AAction.SetOnMessage([this](const std::u16string& ALine) { FLog.push_back(ALine); });
    AAction.Process(*FRoot);
    return Text();
  }
  std::u16string Text() { return common::Utf8ToUtf16(formtext::DFMHelper().SaveObjectToBytes(*FRoot)); }

  std::unique_ptr<doc::TDObject> FRoot;
  std::vector<std::u16string> FLog;
};

}  // namespace

TEST(MatchText, FoldsOnlyAsciiLettersAndComparesWholeNames) {
  struct Row {
    const char16_t* Text;
    const char16_t* Pattern;
    bool Match;
  };
  const Row rows[] = {
      {u"Button1", u"", true},
      {u"", u"", true},
      {u"Button1", u"button1", true},
      {u"Button1", u"BUTTON1", true},
      {u"Button1", u"Button", false},
      {u"Button", u"Button1", false},
      {u"Button1", u"Butto*", false},
      {u"Button1", u"Butto?1", false},
      {u"Äpfel", u"äpfel", false},
      {u"Äpfel", u"Äpfel", true},
      {u"Äpfel", u"ÄPFEL", true},
      {u"[", u"{", false},
      {u"@", u"`", false},
      {u"ı", u"I", false},
      {u"", u"x", false},
  };
  for (const Row& row : rows)
    EXPECT_EQ(MatchText(row.Text, row.Pattern), row.Match)
        << common::Utf16ToUtf8(row.Text) << " / " << common::Utf16ToUtf8(row.Pattern);
}

TEST_F(ActionTest, RemoveWithoutANameRemovesEveryPropertyLastFirst) {
  TRemovePropertyAction action;
  action.SetObjectName(u"form1");
  const std::u16string text = Apply(action);
  EXPECT_TRUE(action.Changed());
  EXPECT_EQ(FLog, (std::vector<std::u16string>{u"Removing property TForm1::Form1.Tag",
                                               u"Removing property TForm1::Form1.Caption",
                                               u"Removing property TForm1::Form1.Left"}));
  EXPECT_EQ(FRoot->Props().Count(), 0);
  // The children keep theirs.
  EXPECT_EQ(FRoot->Objects().Items(0)->Props().Count(), 2);
  EXPECT_EQ(text.find(u"object Form1: TForm1\r\n  object Button1"), 0u);
}

TEST_F(ActionTest, RemoveSelectsByClassAndPropertyAcrossNesting) {
  TRemovePropertyAction action;
  action.SetObjectClass(u"tlabel");
  action.SetPropName(u"CAPTION");
  Apply(action);
  // Label1 sits inside Button1; the caption inside Label2's collection item is never visited.
  EXPECT_EQ(FLog, (std::vector<std::u16string>{u"Removing property TLabel::Label1.Caption"}));
  EXPECT_NE(Text().find(u"item\r\n        Caption = 'abc'"), std::u16string::npos);
  EXPECT_EQ(FRoot->Props().Find(u"Caption") != nullptr, true);
}

TEST_F(ActionTest, RemoveThatMatchesNothingReportsNoChange) {
  TRemovePropertyAction action;
  action.SetPropName(u"Width");
  const std::u16string before = Text();
  EXPECT_EQ(Apply(action), before);
  EXPECT_FALSE(action.Changed());
  EXPECT_TRUE(FLog.empty());
}

TEST_F(ActionTest, ChangedIsResetAtTheStartOfEachProcess) {
  TRemovePropertyAction action;
  action.SetPropName(u"Tag");
  Apply(action);
  EXPECT_TRUE(action.Changed());
  Apply(action);  // nothing left to remove
  EXPECT_FALSE(action.Changed());
}

TEST_F(ActionTest, ChangeComparesValuesAsWritten) {
  // 'abc' is the root's caption; 'ab' + 'c' (Button1) and the identifier abc (Label1) differ.
  TChangePropertyAction action;
  action.SetOldPropName(u"Caption");
  action.SetOldPropValue(u"'abc'");
  action.SetNewPropValue(u"'xyz'");
  Apply(action);
  EXPECT_EQ(FLog, (std::vector<std::u16string>{u"Setting new value for Form1.Caption"}));
  const std::u16string text = Text();
  EXPECT_NE(text.find(u"  Caption = 'xyz'\r\n"), std::u16string::npos);
  EXPECT_NE(text.find(u"      'ab' +\r\n      'c'\r\n"), std::u16string::npos);
  EXPECT_NE(text.find(u"      Caption = abc\r\n"), std::u16string::npos);
}

TEST_F(ActionTest, ChangeRenamesAndSetsValueIndependently) {
  TChangePropertyAction rename;
  rename.SetOldPropName(u"tag");
  rename.SetNewPropName(u"HelpContext");
  Apply(rename);
  EXPECT_EQ(FLog, (std::vector<std::u16string>{u"Renaming Form1.Tag to HelpContext",
                                               u"Renaming Button1.Tag to HelpContext"}));
  EXPECT_NE(Text().find(u"    HelpContext = 1\r\n"), std::u16string::npos);

  FLog.clear();
  TChangePropertyAction both;
  both.SetOldPropName(u"HelpContext");
  both.SetOldPropValue(u"1");
  both.SetNewPropName(u"Tag");
  both.SetNewPropValue(u"[akLeft, akTop]");
  Apply(both);
  // The value line names the property by its new name.
  EXPECT_EQ(FLog, (std::vector<std::u16string>{u"Renaming Button1.HelpContext to Tag",
                                               u"Setting new value for Button1.Tag"}));
  EXPECT_NE(Text().find(u"    Tag = [akLeft, akTop]\r\n"), std::u16string::npos);
}

TEST_F(ActionTest, ChangeWithNothingToChangeStillCountsEveryMatch) {
  TChangePropertyAction action;
  action.SetOldPropName(u"Left");
  const std::u16string before = Text();
  EXPECT_EQ(Apply(action), before);
  EXPECT_TRUE(action.Changed());
  EXPECT_TRUE(FLog.empty());
}

TEST_F(ActionTest, ChangeWithAnUnparsableOldValueSelectsAnyValue) {
  TChangePropertyAction action;
  action.SetOldPropName(u"Left");
  action.SetOldPropValue(u"[a,");
  action.SetNewPropValue(u"99");
  EXPECT_EQ(action.OldValue(), nullptr);
  EXPECT_FALSE(action.Valid());
  Apply(action);
  EXPECT_EQ(FLog.size(), 2u);
  EXPECT_EQ(Text().find(u"Left = 10"), std::u16string::npos);
}

TEST_F(ActionTest, NewPropertyAppendsUnlessPresentAndOverwriteReplaces) {
  TNewPropertyAction action;
  action.SetObjectName(u"Form1");
  action.SetNewPropName(u"Tag");
  action.SetNewPropValue(u"7");
  Apply(action);
  EXPECT_FALSE(action.Changed());
  EXPECT_TRUE(FLog.empty());
  EXPECT_NE(Text().find(u"  Tag = 5\r\n"), std::u16string::npos);

  action.SetOverwrite(true);
  Apply(action);
  EXPECT_TRUE(action.Changed());
  EXPECT_EQ(FLog, (std::vector<std::u16string>{u"Adding new property Form1.Tag"}));
  EXPECT_NE(Text().find(u"  Caption = 'abc'\r\n  Tag = 7\r\n"), std::u16string::npos);
  EXPECT_EQ(FRoot->Props().Count(), 3);
}

TEST_F(ActionTest, NewPropertyLooksNamesUpExactly) {
  TNewPropertyAction action;
  action.SetObjectClass(u"TForm1");
  action.SetNewPropName(u"caption");
  action.SetNewPropValue(u"'second'");
  action.SetOverwrite(true);
  Apply(action);
  EXPECT_EQ(FLog, (std::vector<std::u16string>{u"Adding new property Form1.caption"}));
  EXPECT_NE(Text().find(u"  Tag = 5\r\n  caption = 'second'\r\n  object Button1"), std::u16string::npos);
  EXPECT_EQ(FRoot->Props().Find(u"Caption")->Value()->Equals(doc::TDString({u"'abc'"})), true);
}

TEST_F(ActionTest, NewPropertyInsertsACopyForEveryObject) {
  TNewPropertyAction action;
  action.SetNewPropName(u"Hint");
  action.SetNewPropValue(u"'h'");
  Apply(action);
  EXPECT_EQ(FLog.size(), 4u);
  // Each object owns its own value: changing one leaves the others and the action's alone.
  auto* first = dynamic_cast<doc::TDString*>(FRoot->Props().Find(u"Hint")->Value());
  ASSERT_NE(first, nullptr);
  first->Lines()[0] = u"'changed'";
  EXPECT_TRUE(FRoot->Objects().Items(0)->Props().Find(u"Hint")->Value()->Equals(doc::TDString({u"'h'"})));
  EXPECT_TRUE(action.NewValue()->Equals(doc::TDString({u"'h'"})));
}

TEST_F(ActionTest, NewPropertyWithoutAValueFailsNamingActionAndObjectAndChangesNothing) {
  struct Row {
    const char16_t* Name;
    const char16_t* Value;
    const char* Message;
  };
  const Row rows[] = {
      {u"Tag", u"", "Action \"New property Tag\" cannot add a property to Form1: TForm1: it has no value"},
      {u"Tag", u"1 2",
       "Action \"New property Tag\" cannot add a property to Form1: TForm1: its value 1 2 is not a valid value"},
      {u"", u"1", "Action \"New property \" cannot add a property to Form1: TForm1: it names no property"},
  };
  for (const Row& row : rows) {
    SetUp();
    TNewPropertyAction action;
    action.SetNewPropName(row.Name);
    action.SetNewPropValue(row.Value);
    const std::u16string before = Text();
    try {
      action.Process(*FRoot);
      ADD_FAILURE() << "no error for " << row.Message;
    } catch (const ETransformError& error) {
      EXPECT_STREQ(error.what(), row.Message);
    }
    EXPECT_EQ(Text(), before);
  }
}

TEST_F(ActionTest, NewPropertyWithoutAValueIsHarmlessWhereNothingMatches) {
  TNewPropertyAction action;
  action.SetObjectClass(u"TNoSuchClass");
  EXPECT_NO_THROW(Apply(action));
  EXPECT_FALSE(action.Changed());
}

TEST_F(ActionTest, ChangeObjectRenamesClassesAtAnyDepthAndLogsEachObject) {
  TChangeObjectAction action;
  action.SetOldObjectClass(u"TLabel");
  action.SetNewObjectClass(u"TStaticText");
  const std::u16string text = Apply(action);
  EXPECT_TRUE(action.Changed());
  EXPECT_EQ(FLog, (std::vector<std::u16string>{u"Changing object Label1: TLabel to Label1: TStaticText",
                                               u"Changing object Label2: TLabel to Label2: TStaticText"}));
  EXPECT_EQ(text.find(u"TLabel"), std::u16string::npos);
  EXPECT_NE(text.find(u"    object Label1: TStaticText\r\n"), std::u16string::npos);
  EXPECT_NE(text.find(u"  object Label2: TStaticText\r\n"), std::u16string::npos);
}

TEST_F(ActionTest, ChangeObjectSeesChildrenAfterTheirParentChanged) {
  // Renaming every object: the children are still visited, by their own names.
  TChangeObjectAction all;
  all.SetNewObjectName(u"X");
  Apply(all);
  EXPECT_EQ(FRoot->Name(), u"X");
  EXPECT_EQ(FRoot->Objects().Items(0)->Objects().Items(0)->Name(), u"X");

  TChangeObjectAction none;
  none.SetOldObjectName(u"Nobody");
  Apply(none);
  EXPECT_FALSE(none.Changed());

  TChangeObjectAction empty;  // matches all, changes nothing, still counts
  Apply(empty);
  EXPECT_TRUE(empty.Changed());
}

TEST(CollectionItems, ObjectsInsideAnItemAreNeverVisited) {
  const std::u16string text = FormText({
      "object Form1: TForm1",
      "  Items = <",
      "    item",
      "      Tag = 1",
      "      object Inner: TLabel",
      "        Tag = 2",
      "      end",
      "    end>",
      "  Tag = 3",
      "end",
  });
  auto root = formtext::DFMHelper().LoadObjectFromText(text);
  auto* items = dynamic_cast<doc::TDItems*>(root->Props().Find(u"Items")->Value());
  ASSERT_NE(items, nullptr);
  ASSERT_EQ(items->Items(0)->Objects().Count(), 1);
  TRemovePropertyAction remove;
  remove.SetPropName(u"Tag");
  remove.Process(*root);
  TChangeObjectAction object;
  object.SetOldObjectClass(u"TLabel");
  object.SetNewObjectClass(u"TStaticText");
  object.Process(*root);
  EXPECT_FALSE(object.Changed());
  EXPECT_EQ(root->Props().Find(u"Tag"), nullptr);
  EXPECT_NE(items->Items(0)->Props().Find(u"Tag"), nullptr);
  EXPECT_NE(items->Items(0)->Objects().Items(0)->Props().Find(u"Tag"), nullptr);
  EXPECT_EQ(items->Items(0)->Objects().Items(0)->Ancestor(), u"TLabel");
}

TEST(NamelessObjects, AHeaderWithoutAColonIsAClassWithoutAName) {
  auto root = formtext::DFMHelper().LoadObjectFromText(FormText({
      "object Form1: TForm1",
      "  object TLabel",
      "    Caption = 'a'",
      "  end",
      "  object TLabel: TBevel",
      "  end",
      "end",
  }));
  std::vector<std::u16string> log;
  auto logTo = [&](TTransformAction& AAction) {
    AAction.SetOnMessage([&](const std::u16string& ALine) { log.push_back(ALine); });
    AAction.Process(*root);
  };
  TRemovePropertyAction byName;
  byName.SetObjectName(u"TLabel");
  byName.SetPropName(u"Caption");
  logTo(byName);
  EXPECT_FALSE(byName.Changed());  // only the TBevel is named TLabel, and it has no caption

  TChangePropertyAction byClass;
  byClass.SetObjectClass(u"tlabel");
  byClass.SetOldPropName(u"Caption");
  byClass.SetNewPropName(u"Hint");
  logTo(byClass);
  EXPECT_EQ(log, (std::vector<std::u16string>{u"Renaming .Caption to Hint"}));

  // Changing the class keeps the object nameless; giving it a name keeps its class.
  TChangeObjectAction toText;
  toText.SetOldObjectClass(u"TLabel");
  toText.SetNewObjectClass(u"TStaticText");
  logTo(toText);
  TChangeObjectAction named;
  named.SetOldObjectName(u"");
  named.SetOldObjectClass(u"TStaticText");
  named.SetNewObjectName(u"Text1");
  logTo(named);
  TChangeObjectAction nameless;
  nameless.SetOldObjectClass(u"TBevel");
  logTo(nameless);
  EXPECT_EQ(common::Utf8ToUtf16(formtext::DFMHelper().SaveObjectToBytes(*root)),
            FormText({"object Form1: TForm1", "  object Text1: TStaticText", "    Hint = 'a'", "  end",
                      "  object TLabel: TBevel", "  end", "end"}));
  EXPECT_EQ(ObjectNameOf(*root->Objects().Items(1)), u"TLabel");
  EXPECT_EQ(ObjectClassOf(*root->Objects().Items(1)), u"TBevel");
}

TEST(ActionCopies, CloneOwnsItsParsedValues) {
  auto source = std::make_unique<TChangePropertyAction>();
  source->SetOldPropName(u"Caption");
  source->SetOldPropValue(u"'a'");
  source->SetNewPropName(u"Hint");
  source->SetNewPropValue(u"'b'");
  source->SetObjectName(u"Form1");
  source->SetObjectClass(u"TForm1");
  std::unique_ptr<TTransformAction> clone = source->Clone();
  const doc::TDValue* sourceValue = source->NewValue();
  source.reset();
  auto* copy = dynamic_cast<TChangePropertyAction*>(clone.get());
  ASSERT_NE(copy, nullptr);
  ASSERT_NE(copy->NewValue(), nullptr);
  EXPECT_NE(copy->NewValue(), sourceValue);
  EXPECT_TRUE(copy->NewValue()->Equals(doc::TDString({u"'b'"})));
  EXPECT_TRUE(copy->OldValue()->Equals(doc::TDString({u"'a'"})));
  EXPECT_EQ(copy->OldPropName(), u"Caption");
  EXPECT_EQ(copy->NewPropName(), u"Hint");
  EXPECT_EQ(copy->ObjectName(), u"Form1");
  EXPECT_EQ(copy->ObjectClass(), u"TForm1");
}

TEST(ActionCopies, EveryKindClonesToItsOwnClassWithEqualSettings) {
  TRemovePropertyAction remove;
  remove.SetPropName(u"A");
  remove.SetObjectName(u"B");
  remove.SetObjectClass(u"C");
  TNewPropertyAction add;
  add.SetNewPropName(u"A");
  add.SetNewPropValue(u"1");
  add.SetObjectName(u"B");
  add.SetObjectClass(u"C");
  add.SetOverwrite(true);
  TChangeObjectAction object;
  object.SetOldObjectName(u"A");
  object.SetOldObjectClass(u"B");
  object.SetNewObjectName(u"C");
  object.SetNewObjectClass(u"D");

  auto r = remove.Clone();
  auto* rc = dynamic_cast<TRemovePropertyAction*>(r.get());
  ASSERT_NE(rc, nullptr);
  EXPECT_EQ(rc->PropName() + rc->ObjectName() + rc->ObjectClass(), u"ABC");
  auto a = add.Clone();
  auto* ac = dynamic_cast<TNewPropertyAction*>(a.get());
  ASSERT_NE(ac, nullptr);
  EXPECT_EQ(ac->NewPropName() + ac->NewPropValue() + ac->ObjectName() + ac->ObjectClass(), u"A1BC");
  EXPECT_TRUE(ac->Overwrite());
  ASSERT_NE(ac->NewValue(), nullptr);
  EXPECT_NE(ac->NewValue(), add.NewValue());
  auto o = object.Clone();
  auto* oc = dynamic_cast<TChangeObjectAction*>(o.get());
  ASSERT_NE(oc, nullptr);
  EXPECT_EQ(oc->OldObjectName() + oc->OldObjectClass() + oc->NewObjectName() + oc->NewObjectClass(), u"ABCD");
}

TEST(ActionCopies, AssignBetweenDifferentKindsChangesNothing) {
  TRemovePropertyAction remove;
  remove.SetPropName(u"Keep");
  TChangeObjectAction object;
  object.SetOldObjectName(u"Other");
  remove.Assign(object);
  EXPECT_EQ(remove.PropName(), u"Keep");
  remove.Assign(remove);
  EXPECT_EQ(remove.PropName(), u"Keep");
}

TEST(ActionTexts, CaptionsDescriptionsAndValidity) {
  TRemovePropertyAction remove;
  EXPECT_EQ(remove.Caption(), u"Remove property");
  EXPECT_EQ(remove.Description(), u"Remove all properties");
  remove.SetPropName(u"Left");
  EXPECT_EQ(remove.Description(), u"Remove Left");

  TChangePropertyAction change;
  change.SetOldPropName(u"Caption");
  EXPECT_EQ(change.Caption(), u"Change property");
  EXPECT_EQ(change.Description(), u"Change property Caption");
  EXPECT_TRUE(change.Valid());
  change.SetNewPropValue(u"(1 2)");
  EXPECT_TRUE(change.Valid());
  change.SetNewPropValue(u"= 3");
  EXPECT_FALSE(change.Valid());
  change.SetNewPropValue(u"");
  change.SetOldPropValue(u"'x' 'y'");
  EXPECT_FALSE(change.Valid());

  TNewPropertyAction add;
  add.SetNewPropName(u"Tag");
  EXPECT_EQ(add.Caption(), u"New property");
  EXPECT_EQ(add.Description(), u"New property Tag");
  EXPECT_TRUE(add.Valid());
  add.SetNewPropValue(u"<\r\n  item\r\n  end>");
  EXPECT_TRUE(add.Valid());
  add.SetNewPropValue(u"[a,");
  EXPECT_FALSE(add.Valid());
  EXPECT_EQ(add.NewValue(), nullptr);

  TChangeObjectAction object;
  object.SetOldObjectName(u"Button1");
  object.SetOldObjectClass(u"TButton");
  EXPECT_EQ(object.Caption(), u"Change object");
  EXPECT_EQ(object.Description(), u"Change object Button1 TButton");
  EXPECT_TRUE(object.Valid());
}

TEST(ActionTexts, ASetterParsesOnlyWhenTheTextChanges) {
  TNewPropertyAction add;
  add.SetNewPropValue(u"5");
  const doc::TDValue* first = add.NewValue();
  ASSERT_NE(first, nullptr);
  add.SetNewPropValue(u"5");
  EXPECT_EQ(add.NewValue(), first);
  add.SetNewPropValue(u"6");
  ASSERT_NE(add.NewValue(), nullptr);
  EXPECT_TRUE(add.NewValue()->Equals(doc::TDNumber(u"6")));
  add.SetNewPropValue(u"");
  EXPECT_EQ(add.NewValue(), nullptr);
}

TEST(ActionElements, NamesMapBothWaysExactly) {
  for (const char16_t* name : {u"RemoveProp", u"ChangeProp", u"NewProp", u"ChangeObject"})
    EXPECT_EQ(ActionElementName(*CreateAction(name)), name);
  for (const char16_t* name : {u"removeprop", u"Remove", u"", u"#comment"}) {
    try {
      CreateAction(name);
      ADD_FAILURE() << common::Utf16ToUtf8(name);
    } catch (const ETransformError& error) {
      EXPECT_EQ(error.Message(), u"Unknown action name " + std::u16string(name));
    }
  }
  TTransformAction plain;
  try {
    ActionElementName(plain);
    ADD_FAILURE();
  } catch (const ETransformError& error) {
    EXPECT_EQ(error.Message(), u"Unknown action class TTransformAction");
  }
}

// A name no form can hold stops the action before it changes anything: the form would be saved
// as text that no longer loads.
TEST_F(ActionTest, ANameNoFormCanHoldRaisesBeforeAnythingChanges) {
  struct Row {
    std::unique_ptr<TTransformAction> Action;
    const char16_t* Message;
  };
  auto add = std::make_unique<TNewPropertyAction>();
  add->SetNewPropName(u"Bad Name!");
  add->SetNewPropValue(u"1");
  auto rename = std::make_unique<TChangeObjectAction>();
  rename->SetOldObjectClass(u"TLabel");
  rename->SetNewObjectName(u"my button");
  auto reclass = std::make_unique<TChangeObjectAction>();
  reclass->SetNewObjectClass(u"Not A Class!");
  auto change = std::make_unique<TChangePropertyAction>();
  change->SetOldPropName(u"Caption");
  change->SetNewPropName(u"Caption.");
  auto remove = std::make_unique<TRemovePropertyAction>();
  remove->SetPropName(u"Tag");
  remove->SetObjectName(u"Form1\r\nend");
  Row rows[] = {
      {std::move(add),
       u"Action \"New property Bad Name!\" cannot run: New property name 'Bad Name!' is not a "
       u"property name (identifiers joined by dots)"},
      {std::move(rename),
       u"Action \"Change object  TLabel\" cannot run: New object name 'my button' is not an "
       u"object name (one identifier)"},
      {std::move(reclass),
       u"Action \"Change object  \" cannot run: New object class 'Not A Class!' is not a class "
       u"name (one identifier)"},
      {std::move(change),
       u"Action \"Change property Caption\" cannot run: New property name 'Caption.' is not a "
       u"property name (identifiers joined by dots)"},
      {std::move(remove),
       u"Action \"Remove Tag\" cannot run: Object name 'Form1\\x0D\\x0Aend' is not an object "
       u"name (one identifier)"},
  };
  const std::u16string before = Text();
  for (Row& row : rows) {
    EXPECT_FALSE(row.Action->Valid()) << common::Utf16ToUtf8(row.Message);
    try {
      Apply(*row.Action);
      ADD_FAILURE() << common::Utf16ToUtf8(row.Message);
    } catch (const ETransformError& error) {
      EXPECT_EQ(error.Message(), row.Message);
    }
    EXPECT_EQ(Text(), before);
    EXPECT_TRUE(FLog.empty());
    EXPECT_FALSE(row.Action->Changed());
  }
}
