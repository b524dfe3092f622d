// Converting form text into binary form streams: tokens, values, errors and their lines.
#include "FormStream/uTextToBinary.h"

#include <gtest/gtest.h>

#include <cstring>

#include "FormStream/uBinaryToText.h"
#include "FormStream/uFiler.h"
#include "HexText.h"
#include "Shared/Common/uEncoding.h"

namespace tess::stream {
namespace {

using testing::Hex;

std::string Binary(const std::string& AText) {
  TMemoryStream input(AText), output;
  FormTextToBinary(input, output);
  return output.Bytes();
}

// The bytes of the single property "Value = AValue" of a form, after its name.
std::string ValueBytes(const std::string& AValue) {
  const std::string stream = Binary("object Form1: TForm1\r\n  Value = " + AValue + "\r\nend\r\n");
  const std::string head = std::string(
      "TPF0\x06TForm1\x05"
      "Form1\x05Value",
      23);
  EXPECT_EQ(stream.substr(0, head.size()), head);
  EXPECT_EQ(stream.substr(stream.size() - 2), std::string(2, '\0'));
  return Hex(stream.substr(head.size(), stream.size() - head.size() - 2));
}

std::string Failure(const std::string& AText) {
  TMemoryStream input(AText), output;
  try {
    FormTextToResource(input, output);
  } catch (const common::Exception& error) {
    EXPECT_EQ(output.Size(), 0) << "nothing may reach the output of a failed conversion";
    return error.what();
  }
  return "";
}

TEST(FormTextToResource, WritesTheSmallestFormBehindA16BitHeader) {
  TMemoryStream input(std::string("object Form1: TForm1\r\nend\r\n")), output;
  FormTextToResource(input, output);
  EXPECT_EQ(Hex(output.Bytes()),
            "FF 0A 00 54 46 4F 52 4D 31 00 30 10 13 00 00 00 "
            "54 50 46 30 06 54 46 6F 72 6D 31 05 46 6F 72 6D 31 00 00");
}

TEST(FormTextToResource, UsesThe32BitHeaderForANonAsciiClass) {
  TMemoryStream input(
      std::string("\xEF\xBB\xBF"
                  "object K: T\xD0\x9A\xD0\xB4\r\nend\r\n")),
      output;
  FormTextToResource(input, output);
  const std::string& bytes = output.Bytes();
  ASSERT_GT(bytes.size(), 66u);
  // HeaderSize 30 + 2 x 3, the name upper-cased in its ASCII letters only, then the stream at 62 + 6.
  EXPECT_EQ(Hex(bytes.substr(32, 18)), "0E 00 00 00 24 00 00 00 FF FF 0A 00 54 00 1A 04 34 04");
  EXPECT_EQ(bytes.substr(68, 4), "TPF0");
}

TEST(FormTextToResource, FindsTheClassBehindAPrefix) {
  TMemoryStream input(std::string("inherited Form1: TForm1 [300]\r\nend\r\n")), output;
  FormTextToResource(input, output);
  EXPECT_EQ(output.Bytes().substr(0, 10), std::string("\xFF\x0A\x00TFORM1\x00", 10));
}

TEST(FormTextToResource, ChecksTheClassNameLengthAgainst70) {
  EXPECT_EQ(Failure("object A: T" + std::string(69, 'x') + "\r\nend\r\n"), "");
  EXPECT_EQ(Failure("object A: T" + std::string(70, 'x') + "\r\nend\r\n"),
            "Component name 'T" + std::string(70, 'X') + "' exceeds 64 character limit");
}

TEST(FormTextToBinary, WritesObjectPrefixes) {
  struct Case {
    const char* text;
    const char* bytes;
  };
  const Case cases[] = {
      {"object TForm1 end", "54 50 46 30 06 54 46 6F 72 6D 31 00 00 00"},
      {"inline Frame1: TFrame1 [3] end", "54 50 46 30 F6 02 03"},
      {"INHERITED Frame1: TFrame1 end", "54 50 46 30 F1 07"},
      {"Inherited TFrame1 [2] end", "54 50 46 30 F3 02 02 07"},
      {"object Frame1: TFrame1 [-1] end", "54 50 46 30 F2 02 FF 07"},
  };
  for (const Case& c : cases) EXPECT_EQ(Hex(Binary(c.text)).substr(0, std::strlen(c.bytes)), c.bytes) << c.text;
}

TEST(FormTextToBinary, WritesEachValueKind) {
  struct Case {
    const char* text;
    const char* bytes;
  };
  const Case cases[] = {
      {"-8", "02 F8"},
      {"300", "03 2C 01"},
      {"$7FFFFFFF", "04 FF FF FF 7F"},
      {"$ff", "03 FF 00"},
      {"2147483648", "13 00 00 00 80 00 00 00 00"},
      {"-9223372036854775808", "13 00 00 00 00 00 00 00 80"},
      {"'It''s'", "06 04 49 74 27 73"},
      {"'a' + #13#10 + 'b'", "06 04 61 0D 0A 62"},
      {"'a'#13#10'b'", "06 04 61 0D 0A 62"},
      {"''", "12 00 00 00 00"},
      {"#1040", "12 01 00 00 00 10 04"},
      {"'abc'#1040", "14 05 00 00 00 61 62 63 D0 90"},
      {"'caf'#233", "14 05 00 00 00 63 61 66 C3 A9"},
      {"1.5", "05 00 00 00 00 00 00 00 C0 FF 3F"},
      {"1.5f", "05 00 00 00 00 00 00 00 C0 FF 3F"},
      {"1.5s", "0F 00 00 C0 3F"},
      {"15000c", "10 98 3A 00 00 00 00 00 00"},
      {"2.5c", "10 02 00 00 00 00 00 00 00"},  // half to even
      {"3.5C", "10 04 00 00 00 00 00 00 00"},
      {"-2.5c", "10 FE FF FF FF FF FF FF FF"},
      {"2d", "11 00 00 00 00 00 00 00 40"},
      {"1E30", "05 DF 4E 67 04 CD C9 F2 C9 62 40"},
      {"clRed", "07 05 63 6C 52 65 64"},
      {"FALSE", "08"},
      {"true", "09"},
      {"nil", "0D"},
      {"Null", "00"},
      {"Form1.Button1", "07 0D 46 6F 72 6D 31 2E 42 75 74 74 6F 6E 31"},
      {"[]", "0B 00"},
      {"[akLeft, akTop]", "0B 06 61 6B 4C 65 66 74 05 61 6B 54 6F 70 00"},
      {"[1, 'a', #200]", "0B 01 31 03 23 39 37 04 23 32 30 30 00"},
      {"()", "01 00"},
      {"('a'\r\n    1)", "01 06 01 61 02 01 00"},
      {"{}", "0A 00 00 00 00"},
      {"{ 0A 0B }", "0A 02 00 00 00 0A 0B"},
      {"{0a0B\r\n  ff}", "0A 03 00 00 00 0A 0B FF"},
      {"<>", "0E 00"},
      {"<\r\n  ITEM\r\n    Width = 1\r\n  end\r\n  item [3]\r\n  end>",
       "0E 01 05 57 69 64 74 68 02 01 00 02 03 01 00 00"},
  };
  for (const Case& c : cases) EXPECT_EQ(ValueBytes(c.text), c.bytes) << c.text;
}

TEST(FormTextToBinary, JoinsDottedPropertyNames) {
  EXPECT_EQ(Binary("object TForm1 Font . Name = 1 end"), Binary("object TForm1 Font.Name = 1 end"));
  EXPECT_NE(Binary("object TForm1 Font.Name = 1 end")
                .find("\x09"
                      "Font.Name"),
            std::string::npos);
}

// 255 bytes is what a short string holds; one more fails (see the errors below).
TEST(FormTextToBinary, WritesNamesOfUpTo255Bytes) {
  const std::string stream = Binary("object TForm1 " + std::string(255, 'p') + " = 1 end");
  EXPECT_NE(stream.find("\xFF" + std::string(255, 'p') + "\x02\x01"), std::string::npos);
  EXPECT_NE(Binary("object TForm1 A = " + std::string(255, 'i') + " end").find("\x07\xFF" + std::string(255, 'i')),
            std::string::npos);
}

TEST(FormTextToBinary, ReadsNoFurtherThanTheRootsEnd) {
  EXPECT_EQ(Binary("object TForm1 end 'unterminated"), Binary("object TForm1 end"));
  // The first block ends after the line feed, so the long line behind it is never loaded.
  EXPECT_EQ(Binary("object TForm1 end\r\n" + std::string(5000, 'x')), Binary("object TForm1 end"));
}

TEST(FormTextToBinary, TakesNonAsciiIdentifiersOnlyInUtf8Text) {
  const std::string name = "\xD0\x9A\xD0\xBE\xD0\xB4";  // a Cyrillic word
  const std::string stream = Binary(
      "\xEF\xBB\xBF"
      "object " +
      name + ": TcxLabel end");
  EXPECT_EQ(stream.substr(4), "\x08TcxLabel\x06" + name + std::string(2, '\0'));
  // Combining marks and digits continue a symbol; a letter-like symbol (U+2122) does not start one.
  EXPECT_EQ(Binary("\xEF\xBB\xBF"
                   "object a\xCC\x81"
                   "1: T end")
                .substr(4, 12),
            "\x01T\x04"
            "a\xCC\x81"
            "1" +
                std::string(2, '\0'));
  EXPECT_EQ(Failure("object " + name + ": TcxLabel end"), "Identifier expected on line 1");
  EXPECT_EQ(Failure("\xEF\xBB\xBF"
                    "object \xE2\x84\xA2: T end"),
            "Identifier expected on line 1");
}

TEST(FormTextToBinary, DecodesStringsWithTheTextsEncoding) {
  // Without a byte-order mark the bytes are the single-byte code page, with one UTF-8.
  EXPECT_EQ(ValueBytes("'caf\xE9'"), "14 05 00 00 00 63 61 66 C3 A9");
  EXPECT_EQ(Hex(Binary("\xEF\xBB\xBF"
                       "object Form1: TForm1 Value = 'caf\xC3\xA9' end")
                    .substr(23, 10)),
            "14 05 00 00 00 63 61 66 C3 A9");
  // Once a code needs more than seven bits the quoted bytes are taken as they are, and in UTF-8 text
  // as the characters they encode.
  EXPECT_EQ(ValueBytes("'\xE9'#1040"), "12 02 00 00 00 E9 00 10 04");
  EXPECT_EQ(Hex(Binary("\xEF\xBB\xBF"
                       "object Form1: TForm1 Value = 'a\xD0\x96'#1040'\xC3\xA9' end")
                    .substr(23)),
            "14 07 00 00 00 61 D0 96 D0 90 C3 A9 00 00");
}

TEST(FormTextToBinary, ReadsTheSameFromAnyBlockSize) {
  // A stream that hands out at most a few bytes per read, against one that hands out everything.
  class TTrickle : public TMemoryStream {
  public:
    using TMemoryStream::TMemoryStream;
    int64_t Read(void* ABuffer, int64_t ACount) override {
      return TMemoryStream::Read(ABuffer, std::min<int64_t>(ACount, 7));
    }
  };
  std::string text = "object Form1: TForm1\r\n";
  for (int i = 0; i < 2000; ++i) text += "  P" + std::to_string(i) + " = 'value " + std::to_string(i) + "'\r\n";
  text += "  Data = {\r\n";
  for (int i = 0; i < 300; ++i) text += "    000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F\r\n";
  text += "  }\r\nend\r\n";
  TTrickle trickle(text);
  TMemoryStream output;
  FormTextToBinary(trickle, output);
  EXPECT_TRUE(output.Bytes() == Binary(text));
  // ... and it is the text that printing gives back.
  TMemoryStream binary(output.Bytes()), printed;
  BinaryToFormText(binary, printed);
  TMemoryStream again(printed.Bytes()), rebuilt;
  FormTextToBinary(again, rebuilt);
  EXPECT_TRUE(rebuilt.Bytes() == output.Bytes());
}

TEST(FormTextToBinary, CountsLinesAcrossBlocks) {
  std::string text = "object Form1: TForm1\n";
  for (int i = 0; i < 5000; ++i) text += "  Left = 1\n";
  text += "  Left = ?\nend\n";
  EXPECT_EQ(Failure(text), "Invalid property value on line 5002");
}

struct TErrorCase {
  const char* name;
  std::string text;
  std::string message;
};

class FormTextErrors : public ::testing::TestWithParam<TErrorCase> {};

TEST_P(FormTextErrors, NameTheFaultAndItsLine) { EXPECT_EQ(Failure(GetParam().text), GetParam().message); }

const std::string kLongLine = "object Form1: TForm1\r\n  Caption = '" + std::string(5000, 'x') + "'\r\nend\r\n";

INSTANTIATE_TEST_SUITE_P(
    All, FormTextErrors,
    ::testing::Values(
        TErrorCase{"ObjectKeyword", "\r\n\r\nthing Form1: TForm1 end", "OBJECT expected on line 3"},
        TErrorCase{"EmptyText", "", "OBJECT expected on line 1"},
        TErrorCase{"ClassMissing", "object\n 'x'", "Identifier expected on line 2"},
        TErrorCase{"ClassAfterColon", "object Form1:\n\n 5 end", "Identifier expected on line 3"},
        TErrorCase{"ChildPosition", "object Form1: TForm1 [x] end", "Number expected on line 1"},
        TErrorCase{"ChildPositionBracket", "object Form1: TForm1 [1 end", "'']'' expected on line 1"},
        TErrorCase{"PropertyName", "object Form1: TForm1\n  5 = 1\nend", "Identifier expected on line 2"},
        TErrorCase{"DottedName", "object Form1: TForm1\n  Font. = 1\nend", "Identifier expected on line 2"},
        TErrorCase{"Equals", "object Form1: TForm1\n  Left 1\nend", "''='' expected on line 2"},
        TErrorCase{"Value", "object Form1: TForm1\n  Left = )\nend", "Invalid property value on line 2"},
        TErrorCase{"StringPiece", "object Form1: TForm1\n  Caption = 'a' +\n  1\nend", "String expected on line 3"},
        TErrorCase{"UnterminatedString", "object Form1: TForm1\n  Caption = 'abc\nend",
                   "Invalid string constant on line 2"},
        TErrorCase{"StringAtEnd", "object Form1: TForm1\n  Caption = 'abc", "Invalid string constant on line 2"},
        TErrorCase{"StringWithNul", std::string("object Form1: TForm1\n  Caption = 'a\0b'\nend", 41),
                   "Invalid string constant on line 2"},
        TErrorCase{"CodeWithoutDigits", "object Form1: TForm1\n  Caption = #\nend",
                   "Invalid string constant on line 2"},
        TErrorCase{"CodeBeyondUtf16", "object Form1: TForm1\n  Caption = #65536\nend",
                   "Invalid string constant on line 2"},
        TErrorCase{"ItemKeyword", "object Form1: TForm1\n  Items = <\n    thing\n    end>\nend",
                   "item expected on line 3"},
        TErrorCase{"ItemIndex", "object Form1: TForm1\n  Items = <\n    item [a]\n    end>\nend",
                   "Number expected on line 3"},
        TErrorCase{"CollectionAtEnd", "object Form1: TForm1\n  Items = <\n    item\n", "Identifier expected on line 4"},
        TErrorCase{"ListAtEnd", "object Form1: TForm1\n  Items = (\n    'a'\n", "Invalid property value on line 4"},
        TErrorCase{"SetElement", "object Form1: TForm1\n  Anchors = [akLeft, (]\nend", "Identifier expected on line 2"},
        TErrorCase{"SetSeparator", "object Form1: TForm1\n  Anchors = [akLeft akTop]\nend", "'','' expected on line 2"},
        TErrorCase{"OddHexDigits", "object Form1: TForm1\n  Data = {0A0}\nend", "Invalid binary value on line 2"},
        TErrorCase{"HexLetters", "object Form1: TForm1\n  Data = {\n    0AZZ}\nend", "Invalid binary value on line 3"},
        TErrorCase{"HexAtEnd", "object Form1: TForm1\n  Data = {\n    0A0B", "Invalid binary value on line 3"},
        TErrorCase{"ComponentIdent", "object Form1: TForm1\n  Control = Form1. Button1\nend",
                   "Identifier expected on line 2"},
        TErrorCase{"ChildAtEnd", "object Form1: TForm1\n  object B: TButton\n  end\n", "OBJECT expected on line 4"},
        TErrorCase{"NulEndsTheText", std::string("object Form1: TForm1\n  Left = 1\0\nend", 34),
                   "Identifier expected on line 2"},
        TErrorCase{"LineTooLong", kLongLine, "Line too long on line 2"},
        TErrorCase{"LineTooLongLater",
                   "object Form1: TForm1\r\n" + std::string(3000, ' ') + "\r\n" + std::string(5000, ' '),
                   "Line too long on line 3"},
        TErrorCase{"Utf16LittleEndian", std::string("\xFF\xFEo\0b\0", 6), "ANSI or UTF8 encoding expected on line 1"},
        TErrorCase{"Utf16BigEndian", std::string("\xFE\xFF\0o\0b", 6), "ANSI or UTF8 encoding expected on line 1"},
        TErrorCase{"IntegerText", "object Form1: TForm1\n  Left = -\nend", "'-' is not a valid integer value"},
        TErrorCase{"IntegerRange", "object Form1: TForm1\n  Left = 9223372036854775808\nend",
                   "'9223372036854775808' is not a valid integer value"},
        TErrorCase{"FloatText", "object Form1: TForm1\n  Left = 1.5.3\nend",
                   "'1.5.3' is not a valid floating point value"},
        TErrorCase{"CurrencyRange", "object Form1: TForm1\n  Value = 1E30c\nend",
                   "'1E30' is not a valid floating point value"},
        TErrorCase{"ChildPositionRange", "object Form1: TForm1 [2147483648] end",
                   "'2147483648' is not a valid integer value"},
        // A short string holds 255 bytes: a longer name must not wrap its length and put the rest
        // of the stream out of step.
        TErrorCase{"LongObjectName",
                   "\xEF\xBB\xBF"
                   "object F" +
                       std::string(200, 'Z') + std::string(40, 'Q') + std::string(12, 'j') +
                       "\xC3\xA9"
                       "2a: TF\n  TF = 1\nend",
                   "Name too long (257 bytes, at most 255 fit) on line 1"},
        TErrorCase{"LongClassName", "object\n  T" + std::string(255, 'c') + "\nend",
                   "Name too long (256 bytes, at most 255 fit) on line 2"},
        TErrorCase{"LongPropertyName", "object F: T\n  Font." + std::string(251, 'p') + " = 1\nend",
                   "Name too long (256 bytes, at most 255 fit) on line 2"},
        TErrorCase{"LongIdentifier", "object F: T\n  Color = " + std::string(256, 'c') + "\nend",
                   "Name too long (256 bytes, at most 255 fit) on line 2"},
        TErrorCase{"LongDottedIdentifier", "object F: T\n  Control = Form1." + std::string(250, 'b') + "\nend",
                   "Name too long (256 bytes, at most 255 fit) on line 2"},
        TErrorCase{"LongSetElement", "object F: T\n  Anchors = [akLeft,\n    " + std::string(256, 'a') + "]\nend",
                   "Name too long (256 bytes, at most 255 fit) on line 3"},
        TErrorCase{"LongSetNumber", "object F: T\n  Keys = [" + std::string(256, '1') + "]\nend",
                   "Name too long (256 bytes, at most 255 fit) on line 2"}),
    [](const auto& AInfo) { return std::string(AInfo.param.name); });

TEST(FormTextToBinary, AcceptsLinesJustBelowTheBufferSize) {
  // 4095 bytes hold the longest line with its line feed: 4094 bytes of text.
  const std::string head = "object Form1: TForm1\r\n";
  const std::string value = "  Caption = '";
  const std::string fits = head + value + std::string(4094 - value.size() - 1, 'x') + "'\n" + "end\r\n";
  EXPECT_EQ(Failure(fits), "");
  const std::string tooLong = head + value + std::string(4095 - value.size() - 1, 'x') + "'\n" + "end\r\n";
  EXPECT_EQ(Failure(tooLong), "Line too long on line 2");
}

}  // namespace
}  // namespace tess::stream
