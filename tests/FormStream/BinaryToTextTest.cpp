// Printing binary form streams as form text.
#include "FormStream/uBinaryToText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "FormStream/uFiler.h"
#include "FormStream/uFormFormat.h"
#include "Shared/Common/uEncoding.h"

namespace tess::stream {
namespace {

// A stream of one object "Form1: TForm1" whose properties AProperties writes.
std::string FormStream(const std::function<void(TWriter&)>& AProperties, TFilerFlags AFlags = 0, int32_t APosition = 0,
                       std::string_view AClass = "TForm1", std::string_view AName = "Form1") {
  TMemoryStream stream;
  {
    TWriter writer(stream);
    writer.WriteSignature();
    writer.WritePrefix(AFlags, APosition);
    writer.WriteUTF8Str(AClass);
    writer.WriteUTF8Str(AName);
    AProperties(writer);
    writer.WriteListEnd();
    writer.WriteListEnd();
  }
  return stream.Bytes();
}

std::string Printed(const std::string& AStream) {
  TMemoryStream input(AStream), output;
  BinaryToFormText(input, output);
  return output.Bytes();
}

// The printed line(s) of the single property Value written by AValue, without the object lines.
std::string PrintedValue(const std::function<void(TWriter&)>& AValue) {
  const std::string text = Printed(FormStream([&](TWriter& w) {
    w.WriteShortString("Value");
    AValue(w);
  }));
  const std::string head = "object Form1: TForm1\r\n  Value = ";
  const std::string tail = "\r\nend\r\n";
  EXPECT_EQ(text.substr(0, head.size()), head);
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
  return text.substr(head.size(), text.size() - head.size() - tail.size());
}

std::string Failure(const std::string& AStream) {
  TMemoryStream input(AStream), output;
  try {
    BinaryToFormText(input, output);
  } catch (const EReadError& error) {
    EXPECT_EQ(output.Size(), 0) << "nothing may reach the output of a failed conversion";
    return error.what();
  }
  return "";
}

TEST(BinaryToFormText, PrintsObjectHeadersWithTheirFlags) {
  struct Case {
    TFilerFlags flags;
    int32_t position;
    const char* name;
    const char* line;
  };
  const Case cases[] = {
      {0, 0, "Form1", "object Form1: TForm1\r\n"},
      {0, 0, "", "object TForm1\r\n"},
      {ffInherited, 0, "", "inherited TForm1\r\n"},
      {ffInherited | ffChildPos, 2, "Form1", "inherited Form1: TForm1 [2]\r\n"},
      {ffInline, 0, "Form1", "inline Form1: TForm1\r\n"},
      {ffInline | ffChildPos, 3, "Form1", "inline Form1: TForm1 [3]\r\n"},
      {ffChildPos, 300, "Form1", "object Form1: TForm1 [300]\r\n"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Printed(FormStream([](TWriter&) {}, c.flags, c.position, "TForm1", c.name)),
              std::string(c.line) + "end\r\n");
}

TEST(BinaryToFormText, IndentsChildrenAndProperties) {
  TMemoryStream stream;
  {
    TWriter w(stream);
    w.WriteSignature();
    w.WriteUTF8Str(std::string_view("TForm1"));
    w.WriteUTF8Str(std::string_view("Form1"));
    w.WriteShortString("Left");
    w.WriteInteger(8);
    w.WriteListEnd();
    w.WriteUTF8Str(std::string_view("TPanel"));
    w.WriteUTF8Str(std::string_view("Panel1"));
    w.WriteShortString("Font.Name");
    w.WriteString(u"Tahoma");
    w.WriteListEnd();
    w.WriteUTF8Str(std::string_view("TButton"));
    w.WriteUTF8Str(std::string_view(""));
    w.WriteListEnd();
    w.WriteListEnd();
    w.WriteListEnd();
    w.WriteListEnd();
  }
  EXPECT_EQ(Printed(stream.Bytes()),
            "object Form1: TForm1\r\n"
            "  Left = 8\r\n"
            "  object Panel1: TPanel\r\n"
            "    Font.Name = 'Tahoma'\r\n"
            "    object TButton\r\n"
            "    end\r\n"
            "  end\r\n"
            "end\r\n");
}

TEST(BinaryToFormText, PrintsEachScalarKind) {
  struct Case {
    std::function<void(TWriter&)> write;
    const char* text;
  };
  const Case cases[] = {
      {[](TWriter& w) { w.WriteInteger(-8); }, "-8"},
      {[](TWriter& w) { w.WriteInteger(int64_t{5000000000}); }, "5000000000"},
      {[](TWriter& w) { w.WriteFloat(1.5); }, "1.500000000000000000"},
      {[](TWriter& w) { w.WriteDouble(0.1); }, "0.100000000000000000"},
      {[](TWriter& w) { w.WriteSingle(1.5f); }, "1.5s"},
      {[](TWriter& w) { w.WriteCurrency(15000); }, "15000c"},
      {[](TWriter& w) { w.WriteDate(2); }, "2d"},
      {[](TWriter& w) { w.WriteDate(44231.5); }, "44231.5d"},
      {[](TWriter& w) { w.WriteIdent(std::string_view("clRed")); }, "clRed"},
      {[](TWriter& w) { w.WriteValue(TValueType::vaFalse); }, "False"},
      {[](TWriter& w) { w.WriteValue(TValueType::vaTrue); }, "True"},
      {[](TWriter& w) { w.WriteValue(TValueType::vaNil); }, "nil"},
      {[](TWriter& w) { w.WriteValue(TValueType::vaNull); }, "Null"},
      {[](TWriter& w) {
         w.WriteValue(TValueType::vaSet);
         w.WriteStr(u"akLeft");
         w.WriteStr(u"akTop");
         w.WriteStr(u"");
       },
       "[akLeft, akTop]"},
      {[](TWriter& w) {
         w.WriteValue(TValueType::vaSet);
         w.WriteStr(u"");
       },
       "[]"},
      {[](TWriter& w) {
         w.WriteValue(TValueType::vaList);
         w.WriteListEnd();
       },
       "()"},
      {[](TWriter& w) {
         w.WriteValue(TValueType::vaCollection);
         w.WriteListEnd();
       },
       "<>"},
      {[](TWriter& w) { w.WriteBinary([](std::string&) {}); }, "{}"},
      // Amounts and dates that 15 digits do not hold keep all the digits they need to read back.
      {[](TWriter& w) { w.WriteCurrency(INT64_MIN); }, "-9223372036854775808c"},
      {[](TWriter& w) { w.WriteCurrency(123456789012345678); }, "123456789012345678c"},
      {[](TWriter& w) { w.WriteCurrency(123456789012345000); }, "1.23456789012345E17c"},
      {[](TWriter& w) { w.WriteDate(45000.123456789012); }, "45000.123456789013d"},
      // The largest extended value is cut, not rounded, to 16 digits, so the text stays finite.
      {[](TWriter& w) { w.WriteFloat(std::numeric_limits<TExtended>::max()); }, "1.189731495357231E4932"},
      {[](TWriter& w) { w.WriteSingle(std::numeric_limits<float>::quiet_NaN()); }, "NANs"},
      {[](TWriter& w) { w.WriteDouble(-std::numeric_limits<double>::infinity()); }, "-INF"},
  };
  for (const Case& c : cases) EXPECT_EQ(PrintedValue(c.write), c.text);
}

TEST(BinaryToFormText, PrintsStringsInQuotedRunsAndCodes) {
  const auto bytes = [](std::string ABytes) {
    return [ABytes](TWriter& w) {
      w.WriteValue(TValueType::vaString);
      w.WriteShortString(ABytes);
    };
  };
  const auto wide = [](std::u16string AText) {
    return [AText](TWriter& w) {
      w.WriteValue(TValueType::vaWString);
      const auto length = static_cast<int32_t>(AText.size());
      w.Write(&length, 4);
      w.Write(AText.data(), 2 * AText.size());
    };
  };
  struct Case {
    std::function<void(TWriter&)> write;
    std::string text;
  };
  const Case cases[] = {
      {bytes(""), "''"},
      {bytes("abc"), "'abc'"},
      {bytes("a\r\nb"), "'a'#13#10'b'"},
      {bytes("It's"), "'It'#39's'"},
      {bytes("''"), "#39#39"},
      {bytes("\t"), "#9"},
      {bytes("caf\xE9"), "'caf\xE9'"},    // 8-bit: the byte stays inside the quotes
      {wide(u"caf\u00E9"), "'caf'#233"},  // wide: a code
      {wide(u"\u0410\u0411"), "#1040#1041"},
      {wide(u"\U0001F600"), "#55357#56832"},  // each half of a surrogate pair
      {wide(u"a\u007Fb"),
       "'a\x7F"
       "b'"},
  };
  for (const Case& c : cases) EXPECT_EQ(PrintedValue(c.write), c.text);
}

TEST(BinaryToFormText, SplitsLongStringsIntoPiecesOf64) {
  const auto ascii = [](size_t ALength) {
    return [ALength](TWriter& w) { w.WriteString(std::u16string(ALength, u'x')); };
  };
  EXPECT_EQ(PrintedValue(ascii(64)), "'" + std::string(64, 'x') + "'");
  EXPECT_EQ(PrintedValue(ascii(65)), "\r\n    '" + std::string(64, 'x') + "' +\r\n    'x'");
  EXPECT_EQ(PrintedValue(ascii(128)), "\r\n    '" + std::string(64, 'x') + "' +\r\n    '" + std::string(64, 'x') + "'");
  // Codes count as one character each, and a piece may end after one.
  std::u16string text(63, u'x');
  text += u"\r\nyz";
  EXPECT_EQ(PrintedValue([&](TWriter& w) { w.WriteString(text); }),
            "\r\n    '" + std::string(63, 'x') + "'#13 +\r\n    #10'yz'");
  std::u16string codes(70, u'\u0416');
  std::string expected = "\r\n    ";
  for (int i = 0; i < 64; ++i) expected += "#1046";
  expected += " +\r\n    ";
  for (int i = 0; i < 6; ++i) expected += "#1046";
  EXPECT_EQ(PrintedValue([&](TWriter& w) { w.WriteString(codes); }), expected);
}

TEST(BinaryToFormText, PrintsListsOneElementALine) {
  EXPECT_EQ(PrintedValue([](TWriter& w) {
              w.WriteValue(TValueType::vaList);
              w.WriteString(u"a");
              w.WriteValue(TValueType::vaList);
              w.WriteInteger(1);
              w.WriteListEnd();
              w.WriteString(std::u16string(65, u'y'));
              w.WriteListEnd();
            }),
            "(\r\n    'a'\r\n    (\r\n      1)\r\n    \r\n      '" + std::string(64, 'y') + "' +\r\n      'y')");
}

TEST(BinaryToFormText, PrintsBinaryDataInLinesOf32Bytes) {
  const auto data = [](size_t ALength) {
    return [ALength](TWriter& w) { w.WriteBinary([ALength](std::string& b) { b.assign(ALength, '\xAB'); }); };
  };
  std::string hex31;
  for (int i = 0; i < 31; ++i) hex31 += "AB";
  EXPECT_EQ(PrintedValue(data(31)), "{" + hex31 + "}");
  EXPECT_EQ(PrintedValue(data(32)), "{\r\n    " + hex31 + "AB}");
  EXPECT_EQ(PrintedValue(data(33)), "{\r\n    " + hex31 + "AB\r\n    AB}");
  EXPECT_EQ(PrintedValue([](TWriter& w) { w.WriteBinary([](std::string& b) { b = "\x01\xFE"; }); }), "{01FE}");
}

TEST(BinaryToFormText, PrintsCollectionsWithItemIndexes) {
  EXPECT_EQ(PrintedValue([](TWriter& w) {
              w.WriteValue(TValueType::vaCollection);
              w.WriteValue(TValueType::vaList);
              w.WriteShortString("Width");
              w.WriteInteger(10);
              w.WriteListEnd();
              w.WriteInteger(3);
              w.WriteValue(TValueType::vaList);
              w.WriteListEnd();
              w.WriteListEnd();
            }),
            "<\r\n    item\r\n      Width = 10\r\n    end\r\n    item [3]\r\n    end>");
}

TEST(BinaryToFormText, StartsWithTheByteOrderMarkForNonAsciiNames) {
  const std::string text = Printed(FormStream([](TWriter&) {}, 0, 0, "T\xD0\x9A", "K"));
  EXPECT_EQ(text,
            "\xEF\xBB\xBF"
            "object K: T\xD0\x9A\r\nend\r\n");
  const std::string ident = Printed(FormStream([](TWriter& w) {
    w.WriteShortString("Value");
    w.WriteIdent(std::u16string_view(u"\u041A"));
  }));
  EXPECT_EQ(ident.substr(0, 3), "\xEF\xBB\xBF");
  // Non-ASCII string contents do not make the text UTF-8.
  const std::string plain = Printed(FormStream([](TWriter& w) {
    w.WriteShortString("Value");
    w.WriteString(u"\u041A");
  }));
  EXPECT_EQ(plain.substr(0, 6), "object");
}

TEST(BinaryToFormText, PrintsNonAscii8BitStringsAsCodesInUtf8Text) {
  // Copied as they are, the bytes E9 and 80 would be invalid UTF-8 behind the byte-order mark.
  const std::string text = Printed(FormStream(
      [](TWriter& w) {
        w.WriteShortString("Value");
        w.WriteValue(TValueType::vaString);
        w.WriteShortString("caf\xE9\x80");
        w.WriteShortString("Plain");
        w.WriteValue(TValueType::vaString);
        w.WriteShortString("abc");
      },
      0, 0, "T\xD0\x9A", "K"));
  EXPECT_EQ(text,
            "\xEF\xBB\xBF"
            "object K: T\xD0\x9A\r\n  Value = 'caf'#233#8364\r\n  Plain = 'abc'\r\nend\r\n");
}

TEST(BinaryToFormText, FailsWithTheMessageOfEachFault) {
  struct Case {
    std::string stream;
    const char* message;
  };
  const std::string head = std::string(
      "TPF0\x06TForm1\x05"
      "Form1\x05Value",
      23);
  const Case cases[] = {
      {"TPF1", "Invalid stream format"},
      {"TPF0", "Stream read error"},
      {head + "\x16", "Error reading Form1.Value: 22"},
      {head + "\xFF", "Error reading Form1.Value: 255"},
      {head + std::string("\x0E\x02\x03\x02\x00\x00\x00\x00", 8), "Invalid property value"},  // index without list
      {head + std::string("\x0A\xFF\xFF\xFF\x7F", 5), "Stream read error"},                   // 2 GB of binary data
      {head + std::string("\x02\x05\x00", 3), "Stream read error"},                           // no end of children
      {head + "\x07\x04INFd", "The identifier INFd of Form1.Value would read back as a number"},
  };
  for (const Case& c : cases) EXPECT_EQ(Failure(c.stream), c.message);
  // The object name in the message is the class when the object has none.
  EXPECT_EQ(Failure(std::string("TPF0\x06TForm1\x00\x01P\x16", 15)), "Error reading TForm1.P: 22");
}

// Text written for a repository with LF breaks: every line, those inside lists, strings, data and
// collections included, ends in LF alone.
TEST(BinaryToFormText, WritesTheLineBreakAskedFor) {
  const std::string stream = FormStream([](TWriter& w) {
    w.WriteShortString("Lines");
    w.WriteValue(TValueType::vaList);
    w.WriteString(std::u16string(70, u'x'));
    w.WriteListEnd();
    w.WriteShortString("Data");
    w.WriteBinary([](std::string& ABytes) { ABytes.assign(40, '\x01'); });
    w.WriteShortString("Items");
    w.WriteValue(TValueType::vaCollection);
    w.WriteValue(TValueType::vaList);
    w.WriteListEnd();
    w.WriteListEnd();
  });
  const std::string crlf = Printed(stream);
  TMemoryStream input(stream), output;
  BinaryToFormText(input, output, common::TLineBreak::lbLf);
  std::string expected;
  for (const char c : crlf)
    if (c != '\r') expected.push_back(c);
  EXPECT_EQ(output.Bytes(), expected);
  EXPECT_GT(std::count(expected.begin(), expected.end(), '\n'), 10);
}

TEST(ResourceToFormText, SkipsBothHeaderVariants) {
  const std::string stream = FormStream([](TWriter&) {});
  for (const bool wide : {false, true}) {
    TMemoryStream file;
    if (wide)
      WriteResHeader32(file, u"TFORM1", static_cast<uint32_t>(stream.size()));
    else
      WriteResHeader16(file, u"TFORM1", static_cast<uint32_t>(stream.size()));
    file.Write(stream);
    file.SetPosition(0);
    TMemoryStream output;
    ResourceToFormText(file, output);
    EXPECT_EQ(output.Bytes(), "object Form1: TForm1\r\nend\r\n");
  }
  TMemoryStream bare(stream), output;
  EXPECT_THROW(ResourceToFormText(bare, output), EReadError);
}

}  // namespace
}  // namespace tess::stream
