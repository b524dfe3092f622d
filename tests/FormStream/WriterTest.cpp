// The bytes TWriter chooses for each value.
#include "FormStream/uFiler.h"

#include <gtest/gtest.h>

#include "HexText.h"

#include <cstring>

#include "Shared/Common/uEncoding.h"

namespace tess::stream {
namespace {

using common::U16;

using testing::Hex;

template <typename F>
std::string Written(F AWrite) {
  TMemoryStream stream;
  {
    TWriter writer(stream);
    AWrite(writer);
  }
  return stream.Bytes();
}

TEST(WriteInteger, PicksTheSmallestEncoding) {
  struct Case {
    int64_t value;
    const char* bytes;
  };
  const Case cases[] = {
      {0, "02 00"},
      {127, "02 7F"},
      {-128, "02 80"},
      {128, "03 80 00"},
      {-129, "03 7F FF"},
      {32767, "03 FF 7F"},
      {-32768, "03 00 80"},
      {32768, "04 00 80 00 00"},
      {-32769, "04 FF 7F FF FF"},
      {2147483647, "04 FF FF FF 7F"},
      {-2147483648LL, "04 00 00 00 80"},
      {2147483648LL, "13 00 00 00 80 00 00 00 00"},
      {-2147483649LL, "13 FF FF FF 7F FF FF FF FF"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Hex(Written([&](TWriter& w) { w.WriteInteger(c.value); })), c.bytes) << c.value;
    if (c.value >= INT32_MIN && c.value <= INT32_MAX) {
      EXPECT_EQ(Hex(Written([&](TWriter& w) { w.WriteInteger(static_cast<int32_t>(c.value)); })), c.bytes) << c.value;
    }
  }
}

TEST(WriteString, PicksTheEncodingByTheUtf8Length) {
  struct Case {
    std::u16string text;
    const char* head;
    size_t size;
  };
  const Case cases[] = {
      {u"abc", "06 03 61 62 63", 5},
      {u"", "12 00 00 00 00", 5},
      {std::u16string(255, u'x'), "06 FF", 257},
      {std::u16string(300, u'x'), "0C 2C 01 00 00", 305},
      // two accented letters: 4 UTF-8 bytes are not fewer than 2 x 2
      {U16("\xC3\xA9\xC3\xA8"), "12 02 00 00 00 E9 00 E8 00", 9},
      // one accented letter among three ASCII ones: 5 bytes against 8
      {U16("\xC3\xA9"
           "abc"),
       "14 05 00 00 00 C3 A9 61 62 63", 10},
      {u"\u0410\u0411", "12 02 00 00 00 10 04 11 04", 9},
  };
  for (const Case& c : cases) {
    const std::string bytes = Written([&](TWriter& w) { w.WriteString(c.text); });
    EXPECT_EQ(bytes.size(), c.size) << common::Utf16ToUtf8(c.text);
    EXPECT_EQ(Hex(bytes).substr(0, std::strlen(c.head)), c.head) << common::Utf16ToUtf8(c.text);
  }
}

TEST(WriteString, KeepsALoneSurrogateAsUtf16) {
  // UTF-8 has no form for it: written as UTF-8 it would turn into U+FFFD.
  const std::u16string text = {u'a', char16_t(0xD800), u'b', u'c'};
  EXPECT_EQ(Hex(Written([&](TWriter& w) { w.WriteString(text); })), "12 04 00 00 00 61 00 00 D8 62 00 63 00");
}

TEST(WriteIdent, WritesTheFourConstantsAsSingleBytes) {
  struct Case {
    std::u16string name;
    const char* bytes;
  };
  const Case cases[] = {
      {u"TRUE", "09"},
      {u"false", "08"},
      {u"Null", "00"},
      {u"NIL", "0D"},
      {u"clRed", "07 05 63 6C 52 65 64"},
      {u"Truth", "07 05 54 72 75 74 68"},
      {u"\u041A", "07 02 D0 9A"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Hex(Written([&](TWriter& w) { w.WriteIdent(std::u16string_view(c.name)); })), c.bytes);
}

TEST(WritePrefix, WritesNothingWithoutFlags) {
  EXPECT_EQ(Written([](TWriter& w) { w.WritePrefix(0, 5); }), "");
  EXPECT_EQ(Hex(Written([](TWriter& w) { w.WritePrefix(ffInherited | ffChildPos, 3); })), "F3 02 03");
  EXPECT_EQ(Hex(Written([](TWriter& w) { w.WritePrefix(ffInline, 3); })), "F4");
  EXPECT_EQ(Hex(Written([](TWriter& w) { w.WritePrefix(ffInline | ffChildPos, 300); })), "F6 03 2C 01");
}

TEST(WriteShortString, CutsNamesTo255Bytes) {
  const std::string name(300, 'n');
  const std::string bytes = Written([&](TWriter& w) { w.WriteUTF8Str(std::string_view(name)); });
  ASSERT_EQ(bytes.size(), 256u);
  EXPECT_EQ(static_cast<uint8_t>(bytes[0]), 255);
  EXPECT_EQ(bytes.substr(1), name.substr(0, 255));
}

TEST(WriteStr, UsesTheSingleByteCodePage) {
  EXPECT_EQ(Hex(Written([](TWriter& w) { w.WriteStr(u"\u00E9\u20AC"); })), "02 E9 80");
  EXPECT_EQ(Hex(Written([](TWriter& w) { w.WriteUTF8Str(std::u16string_view(u"\u00E9")); })), "02 C3 A9");
}

TEST(WriteNumbers, UseLittleEndianPayloads) {
  EXPECT_EQ(Hex(Written([](TWriter& w) { w.WriteSingle(1.5f); })), "0F 00 00 C0 3F");
  EXPECT_EQ(Hex(Written([](TWriter& w) { w.WriteDouble(1.5); })), "15 00 00 00 00 00 00 F8 3F");
  EXPECT_EQ(Hex(Written([](TWriter& w) { w.WriteDate(2.0); })), "11 00 00 00 00 00 00 00 40");
  EXPECT_EQ(Hex(Written([](TWriter& w) { w.WriteCurrency(15000); })), "10 98 3A 00 00 00 00 00 00");
  EXPECT_EQ(Hex(Written([](TWriter& w) { w.WriteFloat(1.5); })), "05 00 00 00 00 00 00 00 C0 FF 3F");
}

TEST(WriteBinary, WritesTheProducedBytesBehindTheirLength) {
  const auto bytes = Written([](TWriter& w) { w.WriteBinary([](std::string& buffer) { buffer = "\x0A\x0B"; }); });
  EXPECT_EQ(Hex(bytes), "0A 02 00 00 00 0A 0B");
}

TEST(TWriter, KeepsTheOrderAcrossBufferFlushes) {
  // Values around the buffer's size: a flush must never reorder or drop bytes.
  std::string expected;
  const std::string bytes = Written([&](TWriter& w) {
    for (int i = 0; i < 3000; ++i) {
      w.WriteByte(static_cast<uint8_t>(i));
      expected += static_cast<char>(i);
      if (i % 700 == 0) {
        const std::string block(5000, static_cast<char>('a' + i % 26));
        w.Write(block.data(), block.size());
        expected += block;
      }
    }
  });
  EXPECT_TRUE(bytes == expected);
}

}  // namespace
}  // namespace tess::stream
