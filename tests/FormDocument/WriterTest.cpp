// The layout the form text writer produces, line by line.
#include <gtest/gtest.h>

#include "FormDocument/uDFMWriter.h"

using namespace tess::doc;

namespace {

std::unique_ptr<TDProp> Prop(std::u16string AName, std::unique_ptr<TDValue> AValue) {
  return std::make_unique<TDProp>(std::move(AName), std::move(AValue));
}

std::u16string Print(TDObject& AObject) {
  TDFMDefiner definer;
  return definer.GetDefinition(AObject);
}

}  // namespace

TEST(FormattedWriter, WriteInsertsTheDelimiterOnlyBetweenTexts) {
  TFormattedWriter out;
  out.Write(u"a", u",");
  out.Write(u"", u",");
  out.Write(u"b", u",");
  EXPECT_EQ(out.Result(), u"a,b");
  out.RemoveLastChar();
  EXPECT_EQ(out.Result(), u"a,");
  out.Clear();
  out.RemoveLastChar();
  EXPECT_EQ(out.Result(), u"");
}

TEST(FormattedWriter, BreaksComeBeforeTheTextAndNegativeLevelsIndentByNothing) {
  TFormattedWriter out;
  out.Write(u"x");
  out.Indent();
  out.Indent();
  out.WriteLn(u"y");
  out.Undent();
  out.Undent();
  out.Undent();
  out.WriteLn(u"z");
  EXPECT_EQ(out.Result(), u"x\r\n    y\r\nz");
  EXPECT_EQ(out.IndentLevel(), -1);
  out.Clear();
  EXPECT_EQ(out.IndentLevel(), 0);
}

TEST(FormWriter, EmptyRootIsHeaderAndEnd) {
  TDObject form(u"Form1", u"TForm1");
  EXPECT_EQ(Print(form), u"object Form1: TForm1\r\nend\r\n");
}

TEST(FormWriter, HeaderKeywordsAndIndex) {
  TDObject inherited(u"F", u"TF", TDObjectKind::okInherited, 0);
  EXPECT_EQ(Print(inherited), u"inherited F: TF [0]\r\nend\r\n");
  TDObject inlined(u"F", u"TF", TDObjectKind::okInline, -1);
  EXPECT_EQ(Print(inlined), u"inline F: TF\r\nend\r\n");
}

TEST(FormWriter, ObjectWithoutClassPrintsNoColon) {
  TDObject form(u"Form1", u"TForm1");
  form.Objects().Add(std::make_unique<TDObject>(u"TMenuItem", u""));
  EXPECT_EQ(Print(form), u"object Form1: TForm1\r\n  object TMenuItem\r\n  end\r\nend\r\n");
}

// The small document whose layout is the reference for everything the writer does.
TEST(FormWriter, ReferenceLayout) {
  TDObject form(u"Form1", u"TForm1");
  form.Props().Add(Prop(u"Caption", std::make_unique<TDString>(TStringList{u"'Form1'"})));
  form.Props().Add(Prop(u"Hint", std::make_unique<TDString>(TStringList{u"'first piece'", u"'second piece'"})));
  auto lines = std::make_unique<TDArray>();
  lines->Add(std::make_unique<TDString>(TStringList{u"'a'"}));
  lines->Add(std::make_unique<TDString>(TStringList{u"'b'"}));
  form.Props().Add(Prop(u"Lines.Strings", std::move(lines)));
  auto columns = std::make_unique<TDItems>();
  auto item = std::make_unique<TDItem>(u"item");
  item->Props().Add(Prop(u"Width", std::make_unique<TDNumber>(u"64")));
  columns->Add(std::move(item));
  form.Props().Add(Prop(u"Columns", std::move(columns)));
  auto button = std::make_unique<TDObject>(u"Button1", u"TButton", TDObjectKind::okObject, 1);
  button->Props().Add(Prop(u"Anchors", std::make_unique<TDSet>(TStringList{u"akLeft", u"akTop"})));
  form.Objects().Add(std::move(button));

  EXPECT_EQ(Print(form),
            u"object Form1: TForm1\r\n"
            u"  Caption = 'Form1'\r\n"
            u"  Hint = \r\n"
            u"    'first piece' +\r\n"
            u"    'second piece'\r\n"
            u"  Lines.Strings = (\r\n"
            u"    'a'\r\n"
            u"    'b')\r\n"
            u"  Columns = <\r\n"
            u"    item\r\n"
            u"      Width = 64\r\n"
            u"    end>\r\n"
            u"  object Button1: TButton [1]\r\n"
            u"    Anchors = [akLeft, akTop]\r\n"
            u"  end\r\n"
            u"end\r\n");
}

TEST(FormWriter, EmptyContainersAndSetsWithEmptyNames) {
  TDObject form(u"F", u"T");
  form.Props().Add(Prop(u"A", std::make_unique<TDArray>()));
  form.Props().Add(Prop(u"B", std::make_unique<TDItems>()));
  form.Props().Add(Prop(u"C", std::make_unique<TDSet>()));
  form.Props().Add(Prop(u"D", std::make_unique<TDSet>(TStringList{u"", u"x", u"", u"y"})));
  EXPECT_EQ(Print(form), u"object F: T\r\n  A = ()\r\n  B = <>\r\n  C = []\r\n  D = [x, y]\r\nend\r\n");
}

TEST(FormWriter, PropertiesBeforeChildrenWhateverTheOrderOfAdding) {
  TDObject form(u"F", u"T");
  form.Objects().Add(std::make_unique<TDObject>(u"C", u"TC"));
  form.Props().Add(Prop(u"Left", std::make_unique<TDNumber>(u"-5")));
  EXPECT_EQ(Print(form), u"object F: T\r\n  Left = -5\r\n  object C: TC\r\n  end\r\nend\r\n");
}

TEST(FormWriter, MultiPieceStringInsideAListStartsWithAnIndentOnlyLine) {
  TDObject form(u"F", u"T");
  auto list = std::make_unique<TDArray>();
  list->Add(std::make_unique<TDString>(TStringList{u"'a'", u"'b'"}));
  list->Add(std::make_unique<TDNumber>(u"1"));
  auto inner = std::make_unique<TDArray>();
  inner->Add(std::make_unique<TDVar>(u"x"));
  list->Add(std::move(inner));
  form.Props().Add(Prop(u"L", std::move(list)));
  EXPECT_EQ(Print(form),
            u"object F: T\r\n"
            u"  L = (\r\n"
            u"    \r\n"
            u"      'a' +\r\n"
            u"      'b'\r\n"
            u"    1\r\n"
            u"    (\r\n"
            u"      x))\r\n"
            u"end\r\n");
}

TEST(FormWriter, ItemsHoldingObjectsAndBraceBlocksUnchanged) {
  TDObject form(u"F", u"T");
  auto items = std::make_unique<TDItems>();
  auto item = std::make_unique<TDItem>(u"item");
  item->Objects().Add(std::make_unique<TDObject>(u"Sub", u"TSub"));
  items->Add(std::move(item));
  items->Add(std::make_unique<TDItem>(u"item"));
  form.Props().Add(Prop(u"Items", std::move(items)));
  form.Props().Add(Prop(u"Data", std::make_unique<TDString>(TStringList{u"{\r\n    0A0B\r\n    0C}"})));
  EXPECT_EQ(Print(form),
            u"object F: T\r\n"
            u"  Items = <\r\n"
            u"    item\r\n"
            u"      object Sub: TSub\r\n"
            u"      end\r\n"
            u"    end\r\n"
            u"    item\r\n"
            u"    end>\r\n"
            u"  Data = {\r\n    0A0B\r\n    0C}\r\n"
            u"end\r\n");
}

TEST(FormWriter, OneDefinerPrintsDocumentsIndependently) {
  TDObject first(u"A", u"TA");
  first.Props().Add(Prop(u"S", std::make_unique<TDString>(TStringList{u"'x'", u"'y'"})));
  TDObject second(u"B", u"TB");
  TDFMDefiner definer;
  const std::u16string once = definer.GetDefinition(first);
  EXPECT_EQ(definer.GetDefinition(second), u"object B: TB\r\nend\r\n");
  EXPECT_EQ(definer.GetDefinition(first), once);
}

// A brace block read from a file with LF (or CR) breaks must not leave the printed text with
// mixed line breaks; quoted pieces are never touched.
TEST(FormWriter, BraceBlocksArePrintedWithCrLfBreaks) {
  TDObject form(u"F", u"T");
  form.Props().Add(Prop(u"A", std::make_unique<TDString>(TStringList{u"{\n    0A0B\r    0C\r\n    0D}"})));
  form.Props().Add(Prop(u"B", std::make_unique<TDString>(TStringList{u"'x\ny'"})));
  EXPECT_EQ(Print(form), u"object F: T\r\n  A = {\r\n    0A0B\r\n    0C\r\n    0D}\r\n  B = 'x\ny'\r\nend\r\n");
}

TEST(FormWriter, StringWithoutPiecesPrintsAsTheEmptyString) {
  TDObject form(u"F", u"T");
  form.Props().Add(Prop(u"Caption", std::make_unique<TDString>()));
  EXPECT_EQ(Print(form), u"object F: T\r\n  Caption = ''\r\nend\r\n");
}
