// Loading, checking and saving form text through the facade, files and encodings included.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "FormText/uDFMHelper.h"
#include "Shared/Common/uDDirectory.h"
#include "Shared/Common/uEncoding.h"
#include "Support/TempDir.h"

using namespace tess;
using namespace tess::doc;
using namespace tess::formtext;

namespace {

struct ValueRow {
  const char* Name;
  std::string Text;
  bool Valid;
};

class FacadeValues : public ::testing::TestWithParam<ValueRow> {
protected:
  TDFMHelper FHelper;
};

}  // namespace

TEST_P(FacadeValues, IsValidValueAndLoadValueAgree) {
  const std::u16string text = common::U16(GetParam().Text);
  EXPECT_EQ(FHelper.IsValidValue(text), GetParam().Valid);
  EXPECT_EQ(FHelper.LoadValue(text) != nullptr, GetParam().Valid);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FacadeValues,
    ::testing::Values(ValueRow{"Identifier", "clRed", true}, ValueRow{"Number", "12", true},
                      ValueRow{"Negative", "-3", true}, ValueRow{"String", "'abc'", true},
                      ValueRow{"StringAndCode", "'a' + #13", true}, ValueRow{"Set", "[akLeft, akTop]", true},
                      ValueRow{"List", "(1 2)", true}, ValueRow{"MixedList", "( 1 ( 2 ) )", true},
                      ValueRow{"Collection", "< item end >", true}, ValueRow{"Binary", "{ 00 }", true},
                      ValueRow{"Exponent", "1.5E+02", true}, ValueRow{"Currency", "0c", true},
                      ValueRow{"Empty", "", false}, ValueRow{"TwoValues", "1 2", false},
                      ValueRow{"PropertyRow", "Left = 1", false}, ValueRow{"Keyword", "object", false},
                      ValueRow{"PlusNumber", "+12", false}, ValueRow{"DanglingPlus", "'a' +", false},
                      ValueRow{"UnclosedList", "(1 2", false}, ValueRow{"SetOfStrings", "['a']", false},
                      ValueRow{"UnclosedString", "'unclosed", false}, ValueRow{"UnclosedBinary", "{ 00", false},
                      ValueRow{"LoneQuote", "'", false}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(Facade, LoadValueBuildsTheValue) {
  TDFMHelper helper;
  auto set = helper.LoadValue(u"[akLeft, akTop]");
  ASSERT_NE(set, nullptr);
  EXPECT_TRUE(set->Equals(TDSet(TStringList{u"akLeft", u"akTop"})));
  EXPECT_TRUE(helper.LoadValue(u"  -1.5E+02 ")->Equals(TDNumber(u"-1.5E+02")));
  EXPECT_EQ(helper.LoadValue(u"Left = 1"), nullptr);
  // The failed parse leaves nothing behind that disturbs the next one.
  EXPECT_TRUE(helper.LoadValue(u"'x'")->Equals(TDString(TStringList{u"'x'"})));
}

TEST(Facade, SharedInstanceIsMadeOnce) { EXPECT_EQ(&DFMHelper(), &DFMHelper()); }

TEST(Facade, LoadObjectReadsAFileWithAnyLayout) {
  tess::testing::TempDir dir;
  dir.Write("a.dfm", "object Form1: TForm1\n\t Left =\n 8 end");
  TDFMHelper helper;
  auto form = helper.LoadObject(dir / "a.dfm");
  EXPECT_EQ(form->Name(), u"Form1");
  ASSERT_EQ(form->Props().Count(), 1);
  EXPECT_EQ(form->Props().Items(0)->Name(), u"Left");
  EXPECT_TRUE(form->Props().Items(0)->Value()->Equals(TDNumber(u"8")));
}

TEST(Facade, LoadValueBetweenLoadingAndReadingLeavesTheModel) {
  tess::testing::TempDir dir;
  dir.Write("a.dfm", "object Form1: TForm1\r\n  Caption = 'x'\r\nend\r\n");
  TDFMHelper helper;
  auto form = helper.LoadObject(dir / "a.dfm");
  ASSERT_NE(helper.LoadValue(u"(1 2 3)"), nullptr);
  EXPECT_FALSE(helper.IsValidValue(u"object"));
  EXPECT_EQ(TDFMDefiner().GetDefinition(*form), u"object Form1: TForm1\r\n  Caption = 'x'\r\nend\r\n");
}

TEST(Facade, NonFormFilesFailWithGrammarFailed) {
  tess::testing::TempDir dir;
  dir.Write("empty.dfm", "");
  dir.Write("binary.dfm", std::string("\xFF\x0A\x00\x00\x00TPF0\x06TForm1\x05Form1\x00\x00", 21));
  dir.Write("junk.dfm", "object Form1: TForm1\r\nend\r\ntrailing");
  TDFMHelper helper;
  for (const char* name : {"empty.dfm", "binary.dfm", "junk.dfm"}) {
    try {
      helper.LoadObject(dir / name);
      ADD_FAILURE() << name << " loaded";
    } catch (const parser::EGrammarError& error) {
      EXPECT_EQ(error.Message(), u"Grammar failed") << name;
    }
  }
}

// The message stays "Grammar failed"; the error also tells where the text stopped making sense.
TEST(Facade, GrammarErrorCarriesWhereTheTextStoppedMakingSense) {
  TDFMHelper helper;
  try {
    helper.LoadObjectFromText(u"object Form1: TForm1\r\n  Left = 1\r\n  Top = = 2\r\nend\r\n");
    FAIL() << "loaded";
  } catch (const parser::EGrammarError& error) {
    EXPECT_EQ(error.Message(), u"Grammar failed");
    EXPECT_EQ(error.Line(), 3);
    EXPECT_EQ(error.Column(), 9);
    EXPECT_EQ(error.TokenText(), u"=");
  }
}

// The limit is inclusive, holds for bytes, texts and files alike, and fails before anything else.
TEST(Facade, TextsPastTheSizeLimitAreRefusedWithBothSizes) {
  tess::testing::TempDir dir;
  const std::string form = "object Form1: TForm1\r\nend\r\n";
  common::DDirectory::WriteBytes(dir / "Form.dfm", form);
  TDFMHelper helper;
  EXPECT_EQ(helper.MaxTextBytes(), kDefaultMaxTextBytes);
  helper.SetMaxTextBytes(form.size());
  EXPECT_NE(helper.LoadObjectFromBytes(form), nullptr);
  helper.SetMaxTextBytes(form.size() - 1);
  const std::u16string message = u"The form text is 0.1 MiB, more than the 0.0 MiB a form may have to be loaded";
  for (const auto& load : std::vector<std::function<void()>>{
           [&] { helper.LoadObjectFromBytes(form); }, [&] { helper.LoadObjectFromText(common::U16(form)); },
           [&] { helper.LoadObject(dir / "Form.dfm"); },
           [&] { helper.LoadObjectFromBytes(std::string(form.size(), '\x01')); }}) {
    try {
      load();
      ADD_FAILURE() << "loaded";
    } catch (const ETooLargeError& error) {
      EXPECT_EQ(error.Message(), message);
    }
  }
}

TEST(Facade, MissingFilesRaiseFileErrors) {
  tess::testing::TempDir dir;
  TDFMHelper helper;
  EXPECT_THROW(helper.LoadObject(dir / "none.dfm"), common::EFileError);
  TDObject form(u"F", u"T");
  EXPECT_THROW(helper.SaveObject(form, dir / "no/such/folder/a.dfm"), common::EFileError);
}

TEST(FacadeEncoding, Windows1252FilesKeepTheirBytes) {
  tess::testing::TempDir dir;
  const std::string bytes = "object F\xE9: TForm\r\n  Caption = '\xE4\x80\x81'\r\nend\r\n";
  dir.Write("in.dfm", bytes);
  TDFMHelper helper;
  auto form = helper.LoadObject(dir / "in.dfm");
  EXPECT_EQ(form->Encoding(), TDTextEncoding::teAnsi);
  EXPECT_EQ(form->Name(), u"F\u00E9");
  helper.SaveObject(*form, dir / "out.dfm");
  EXPECT_EQ(dir.Read("out.dfm"), bytes);
}

TEST(FacadeEncoding, MarkedUtf8FilesAreReadAndSavedAsUtf8) {
  tess::testing::TempDir dir;
  const std::string bytes =
      "\xEF\xBB\xBFobject \xD0\xA4\xD0\xBE\xD1\x80\xD0\xBC\x61: TForm\r\n  Caption = '\xE2\x82\xAC'\r\nend\r\n";
  dir.Write("in.dfm", bytes);
  TDFMHelper helper;
  auto form = helper.LoadObject(dir / "in.dfm");
  EXPECT_EQ(form->Encoding(), TDTextEncoding::teUtf8Bom);
  EXPECT_EQ(form->Name(), common::U16("\xD0\xA4\xD0\xBE\xD1\x80\xD0\xBC\x61"));
  helper.SaveObject(*form, dir / "out.dfm");
  EXPECT_EQ(dir.Read("out.dfm"), bytes);
}

TEST(FacadeEncoding, MarkedFileWithBrokenUtf8IsRefused) {
  TDFMHelper helper;
  EXPECT_THROW(helper.LoadObjectFromBytes("\xEF\xBB\xBFobject A: TA\r\n  C = '\xC3'\r\nend\r\n"), EEncodingError);
}

// A character the code page lacks is never written as '?': inside a string it becomes a code.
TEST(FacadeEncoding, UnrepresentableCharactersInStringsBecomeCodes) {
  tess::testing::TempDir dir;
  TDFMHelper helper;
  TDObject form(u"Form1", u"TForm1");
  form.Props().Add(std::make_unique<TDProp>(u"Caption", std::make_unique<TDString>(TStringList{u"'\u0416ar \u20AC'"})));
  form.Props().Add(std::make_unique<TDProp>(u"Hint", std::make_unique<TDString>(TStringList{u"'It''s \U0001F600'"})));
  helper.SaveObject(form, dir / "out.dfm");
  EXPECT_EQ(dir.Read("out.dfm"),
            "object Form1: TForm1\r\n  Caption = #1046'ar \x80'\r\n  Hint = 'It''s '#55357#56832\r\nend\r\n");
  // The caller's document keeps its characters.
  EXPECT_EQ(static_cast<TDString*>(form.Props().Items(0)->Value())->Lines()[0], u"'\u0416ar \u20AC'");
}

TEST(FacadeEncoding, UnrepresentableCharactersOutsideStringsFailTheSaveAndKeepTheFile) {
  tess::testing::TempDir dir;
  dir.Write("out.dfm", "original");
  TDFMHelper helper;
  TDObject form(u"Form1", u"TForm1");
  form.Props().Add(std::make_unique<TDProp>(u"Caption", std::make_unique<TDString>(TStringList{u"'\u0416'"})));
  form.Objects().Add(std::make_unique<TDObject>(u"\u0416", u"TLabel"));
  try {
    helper.SaveObject(form, dir / "out.dfm");
    FAIL() << "saved";
  } catch (const EEncodingError& error) {
    EXPECT_NE(error.Message().find(u"U+0416"), std::u16string::npos) << error.what();
    EXPECT_NE(error.Message().find(u"line 3"), std::u16string::npos) << error.what();
  }
  EXPECT_EQ(dir.Read("out.dfm"), "original");
}

TEST(FacadeEncoding, SavedCodesReadBackAsTheSameText) {
  TDFMHelper helper;
  TDObject form(u"Form1", u"TForm1");
  form.Props().Add(std::make_unique<TDProp>(u"Caption", std::make_unique<TDString>(TStringList{u"'a\u0416''b'#13"})));
  auto again = helper.LoadObjectFromBytes(helper.SaveObjectToBytes(form));
  EXPECT_EQ(static_cast<TDString*>(again->Props().Items(0)->Value())->Lines()[0], u"'a'#1046'''b'#13");
}

namespace {

struct EscapeRow {
  const char* Name;
  std::u16string Line;
  std::u16string Expected;
};

class EscapeForCodePageRows : public ::testing::TestWithParam<EscapeRow> {};

}  // namespace

TEST_P(EscapeForCodePageRows, SplitsQuotedPiecesAroundCodes) {
  std::u16string line = GetParam().Line;
  EXPECT_EQ(EscapeForCodePage(line), GetParam().Line != GetParam().Expected);
  EXPECT_EQ(line, GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, EscapeForCodePageRows,
                         ::testing::Values(EscapeRow{"Representable", u"'abc\u00E9'", u"'abc\u00E9'"},
                                           EscapeRow{"Middle", u"'a\u0416b'", u"'a'#1046'b'"},
                                           EscapeRow{"Alone", u"'\u0416'", u"#1046"},
                                           EscapeRow{"TwoInARow", u"'\u0416\u0417'", u"#1046#1047"},
                                           EscapeRow{"AfterDoubledApostrophe", u"'a''\u0416'", u"'a'''#1046"},
                                           EscapeRow{"BeforeDoubledApostrophe", u"'\u0416''a'", u"#1046'''a'"},
                                           EscapeRow{"BetweenCodes", u"#13'\u0416'#10", u"#13#1046#10"},
                                           EscapeRow{"EmptyPieceKept", u"''#13'\u0416'", u"''#13#1046"},
                                           EscapeRow{"OutsideQuotesLeft", u"{\u0416}'\u0416'", u"{\u0416}#1046"},
                                           EscapeRow{"Unterminated", u"'\u0416", u"'\u0416"}),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// A property added without a value would print as "Name = " and make the file unreadable.
TEST(Facade, PropertyWithoutValueFailsTheSaveAndKeepsTheFile) {
  tess::testing::TempDir dir;
  dir.Write("out.dfm", "original");
  TDFMHelper helper;
  TDObject form(u"Form1", u"TForm1");
  auto items = std::make_unique<TDItems>();
  items->Add(std::make_unique<TDItem>(u"item"));
  items->Items(0)->Props().Add(std::make_unique<TDProp>(u"Width", nullptr));
  form.Props().Add(std::make_unique<TDProp>(u"Columns", std::move(items)));
  EXPECT_THROW(helper.SaveObject(form, dir / "out.dfm"), EDocumentError);
  EXPECT_EQ(dir.Read("out.dfm"), "original");
}

// Names a transformation may write into a form: exactly those that read back as that name.
TEST(Facade, IsValidNameTakesWhatReadsBackAsThatKindOfName) {
  struct Row {
    const char16_t* Name;
    bool Property, Object, Class;
  };
  const Row rows[] = {
      {u"Left", true, true, true},
      {u"_x1", true, true, true},
      {u"Font.Name", true, false, false},
      {u"Äpfel", true, true, true},
      {u"", false, false, false},
      {u"Bad Name!", false, false, false},
      {u"my button", false, false, false},
      {u"1st", false, false, false},
      {u"Font.", false, false, false},
      {u".Name", false, false, false},
      {u"Tag = 1", false, false, false},
      {u"A\r\n  B", false, false, false},
      {u"TA\r\nend", false, false, false},
      {u"'Caption'", false, false, false},
      {u"Left=1\r\n  Top", false, false, false},
  };
  TDFMHelper helper;
  for (const Row& row : rows) {
    const std::string name = common::Utf16ToUtf8(row.Name);
    EXPECT_EQ(helper.IsValidName(row.Name, TDFMNameKind::nkProperty), row.Property) << name;
    EXPECT_EQ(helper.IsValidName(row.Name, TDFMNameKind::nkObject), row.Object) << name;
    EXPECT_EQ(helper.IsValidName(row.Name, TDFMNameKind::nkClass), row.Class) << name;
  }
}

// What a log shows of an error: the position of a grammar failure, control characters escaped,
// long quoted pieces cut.
TEST(Facade, DescribeErrorGivesThePositionAndKeepsToOneShortLine) {
  TDFMHelper helper;
  auto describe = [&helper](const std::string& AText) {
    try {
      helper.LoadObjectFromBytes(AText);
    } catch (const std::exception& error) {
      return common::Utf16ToUtf8(DescribeError(error));
    }
    return std::string("loaded");
  };
  EXPECT_EQ(describe("object Form1: TForm1\r\n  Left = 1\r\n  my button = 2\r\nend\r\n"),
            "Grammar failed on line 3, column 6 near 'button'");
  EXPECT_EQ(describe("object Form1: TForm1\r\n  Caption = 'a\x01\x7F'\r\n  = 2\r\nend\r\n"),
            "Grammar failed on line 3, column 3 near '='");
  EXPECT_EQ(describe("object Form1: TForm1\r\n  X = 1 '" + std::string(200, 'a') + "'\r\nend"),
            "Grammar failed on line 2, column 9 near ''" + std::string(79, 'a') + "...'");
  EXPECT_EQ(describe("\x01\x02"), "Grammar failed on line 1, column 1 near '\\x01\\x02'");

  const common::Exception named(u"Bad value '" + std::u16string(100, u'9') + u"' in\r\nline");
  EXPECT_EQ(common::Utf16ToUtf8(DescribeError(named)), "Bad value '" + std::string(80, '9') + "...' in\\x0D\\x0Aline");
  EXPECT_EQ(common::Utf16ToUtf8(QuotedToken(std::u16string(81, u'x'))), std::string(80, 'x') + "...");
  EXPECT_EQ(common::Utf16ToUtf8(QuotedToken(u"\u0090\u00A0")), "\\x90\u00A0");
}
