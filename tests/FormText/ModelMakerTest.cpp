// What each piece of form text becomes in the document model.
#include <gtest/gtest.h>

#include "FormText/uDFMHelper.h"
#include "Shared/Common/uEncoding.h"

using namespace tess;
using namespace tess::doc;
using namespace tess::formtext;

namespace {

class ModelMaker : public ::testing::Test {
protected:
  std::unique_ptr<TDObject> Load(const std::string& AText) { return FHelper.LoadObjectFromText(common::U16(AText)); }
  // The value of the one property of "object F: T <row> end".
  std::unique_ptr<TDObject> FForm;
  TDValue* Value(const std::string& ARow) {
    FForm = Load("object F: T\r\n  " + ARow + "\r\nend");
    EXPECT_EQ(FForm->Props().Count(), 1);
    return FForm->Props().Items(0)->Value();
  }

  TDFMHelper FHelper;
};

TStringList LinesOf(TDValue* AValue) {
  auto* text = dynamic_cast<TDString*>(AValue);
  return text ? text->Lines() : TStringList{u"<not a string>"};
}

}  // namespace

TEST_F(ModelMaker, SmallestForm) {
  auto form = Load("object Form1: TForm1 end");
  EXPECT_EQ(form->Name(), u"Form1");
  EXPECT_EQ(form->Kind(), TDObjectKind::okObject);
  EXPECT_EQ(form->Ancestor(), u"TForm1");
  EXPECT_EQ(form->Index(), -1);
  EXPECT_EQ(form->Props().Count(), 0);
  EXPECT_EQ(form->Objects().Count(), 0);
  EXPECT_EQ(form->Encoding(), TDTextEncoding::teAnsi);
}

TEST_F(ModelMaker, HeaderKindsAndIndex) {
  auto inlined = Load("inline Header1: THeaderPanel [3] end");
  EXPECT_EQ(inlined->Kind(), TDObjectKind::okInline);
  EXPECT_EQ(inlined->Index(), 3);
  EXPECT_EQ(Load("INHERITED A: TA end")->Kind(), TDObjectKind::okInherited);
  auto unnamed = Load("object TLabel end");
  EXPECT_EQ(unnamed->Name(), u"TLabel");
  EXPECT_EQ(unnamed->Ancestor(), u"");
  EXPECT_THROW(Load("object A: TA [1.5] end"), EConvertError);
}

TEST_F(ModelMaker, LeafValuesKeepTheirText) {
  EXPECT_EQ(LinesOf(Value("Caption = 'It''s' + #13#10 + 'x'")), (TStringList{u"'It''s'", u"#13#10", u"'x'"}));
  EXPECT_TRUE(Value("Left = -5")->Equals(TDNumber(u"-5")));
  EXPECT_TRUE(Value("Left = - 5")->Equals(TDNumber(u"-5")));
  EXPECT_TRUE(Value("Width = 1.50")->Equals(TDNumber(u"1.50")));
  EXPECT_TRUE(Value("Width = 007")->Equals(TDNumber(u"007")));
  EXPECT_TRUE(Value("Hex = 0x1F")->Equals(TDNumber(u"0x1F")));
  EXPECT_TRUE(Value("Big = -1.000000015047466E29")->Equals(TDNumber(u"-1.000000015047466E29")));
  EXPECT_TRUE(Value("Date = 41488.4481893519d")->Equals(TDNumber(u"41488.4481893519d")));
  EXPECT_TRUE(Value("Color = clBtnFace")->Equals(TDVar(u"clBtnFace")));
  EXPECT_TRUE(Value("Link = Form1.Button1")->Equals(TDVar(u"Form1.Button1")));
  EXPECT_EQ(LinesOf(Value("Data = {\r\n    0A0B\r\n    0C}")), (TStringList{u"{\r\n    0A0B\r\n    0C}"}));
}

TEST_F(ModelMaker, SetsListsAndCollections) {
  FForm = Load("object F: T\r\n  Font.Style = [fsBold, fsItalic]\r\n  E = []\r\nend");
  EXPECT_EQ(FForm->Props().Items(0)->Name(), u"Font.Style");
  EXPECT_TRUE(FForm->Props().Items(0)->Value()->Equals(TDSet(TStringList{u"fsBold", u"fsItalic"})));
  EXPECT_TRUE(FForm->Props().Items(1)->Value()->Equals(TDSet()));

  auto* points = dynamic_cast<TDArray*>(Value("Points = ( ( 1 2 ) ( 3 4 ) )"));
  ASSERT_NE(points, nullptr);
  ASSERT_EQ(points->Count(), 2);
  auto* second = dynamic_cast<TDArray*>(points->Items(1));
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(second->Items(1)->Equals(TDNumber(u"4")));
  EXPECT_TRUE(Value("Lines = ()")->Equals(TDArray()));

  auto* mixed = dynamic_cast<TDArray*>(Value("T = ( 'Default' True () 7 )"));
  ASSERT_NE(mixed, nullptr);
  ASSERT_EQ(mixed->Count(), 4);
  EXPECT_EQ(LinesOf(mixed->Items(0)), (TStringList{u"'Default'"}));
  EXPECT_TRUE(mixed->Items(1)->Equals(TDVar(u"True")));
  EXPECT_TRUE(mixed->Items(2)->Equals(TDArray()));
  EXPECT_TRUE(mixed->Items(3)->Equals(TDNumber(u"7")));

  auto* items = dynamic_cast<TDItems*>(Value("Items = < item Caption = 'a' end item end >"));
  ASSERT_NE(items, nullptr);
  ASSERT_EQ(items->Count(), 2);
  EXPECT_EQ(items->Items(0)->Name(), u"item");
  EXPECT_EQ(items->Items(0)->Props().Count(), 1);
  EXPECT_EQ(items->Items(1)->Props().Count(), 0);
  EXPECT_TRUE(Value("Items = <>")->Equals(TDItems()));
}

TEST_F(ModelMaker, BodiesSplitIntoPropertiesAndChildren) {
  auto form = Load(
      "object F: T\r\n  A = 1\r\n  object C: TC\r\n    X = 2\r\n  end\r\n  B = 3\r\n"
      "  I = <\r\n    item\r\n      object D: TD\r\n      end\r\n      Y = 4\r\n    end>\r\nend");
  ASSERT_EQ(form->Props().Count(), 3);
  EXPECT_EQ(form->Props().Items(0)->Name(), u"A");
  EXPECT_EQ(form->Props().Items(1)->Name(), u"B");
  ASSERT_EQ(form->Objects().Count(), 1);
  EXPECT_EQ(form->Objects().Items(0)->Name(), u"C");
  EXPECT_EQ(form->Objects().Items(0)->Props().Count(), 1);
  auto* items = dynamic_cast<TDItems*>(form->Props().Items(2)->Value());
  ASSERT_NE(items, nullptr);
  EXPECT_EQ(items->Items(0)->Objects().Count(), 1);
  EXPECT_EQ(items->Items(0)->Props().Count(), 1);
}

// The model owns copies of every text: resetting the grammar (the next load) leaves it intact.
TEST_F(ModelMaker, ModelOutlivesTheParseTree) {
  auto form = Load("object Form1: TForm1\r\n  Caption = 'kept'\r\n  L = ( a b )\r\nend");
  auto other = Load("object Other: TOther\r\n  Caption = 'other'\r\nend");
  EXPECT_EQ(FHelper.LoadValue(u"[x]")->Equals(TDSet(TStringList{u"x"})), true);
  EXPECT_EQ(form->Name(), u"Form1");
  EXPECT_EQ(LinesOf(form->Props().Items(0)->Value()), (TStringList{u"'kept'"}));
  EXPECT_EQ(dynamic_cast<TDArray*>(form->Props().Items(1)->Value())->Count(), 2);
}
