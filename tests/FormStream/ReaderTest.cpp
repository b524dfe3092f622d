// TReader: decoding every value kind and refusing what does not fit.
#include "FormStream/uFiler.h"

#include <gtest/gtest.h>

namespace tess::stream {
namespace {

std::string ErrorOf(const std::string& ABytes, const std::function<void(TReader&)>& ARead) {
  TMemoryStream stream(ABytes);
  TReader reader(stream);
  try {
    ARead(reader);
  } catch (const EReadError& error) {
    return error.what();
  }
  return "";
}

TEST(ReadInteger, SignExtendsTheThreeSizes) {
  struct Case {
    std::string bytes;
    int32_t value;
  };
  const Case cases[] = {
      {std::string("\x02\x80", 2), -128},
      {std::string("\x03\x7F\xFF", 3), -129},
      {std::string("\x04\xFF\x7F\xFF\xFF", 5), -32769},
      {std::string("\x02\x7F", 2), 127},
  };
  for (const Case& c : cases) {
    TMemoryStream stream(c.bytes);
    TReader reader(stream);
    EXPECT_EQ(reader.ReadInteger(), c.value);
  }
}

TEST(ReadInteger, RefusesOtherTypes) {
  EXPECT_EQ(ErrorOf(std::string("\x13\0\0\0\0\0\0\0\0", 9), [](TReader& r) { r.ReadInteger(); }),
            "Invalid property value");
  EXPECT_EQ(ErrorOf("\x06\x01"
                    "a",
                    [](TReader& r) { r.ReadInteger(); }),
            "Invalid property value");
}

TEST(ReadInt64, AcceptsEveryIntegerSize) {
  TMemoryStream stream(std::string("\x13\x00\x00\x00\x80\x00\x00\x00\x00\x02\xFF", 11));
  TReader reader(stream);
  EXPECT_EQ(reader.ReadInt64(), 2147483648LL);
  EXPECT_EQ(reader.ReadInt64(), -1);
}

TEST(ReadFloats, AcceptIntegersInstead) {
  TMemoryStream stream(std::string("\x02\x03\x02\x04\x02\x05\x02\x06\x02\x07", 10));
  TReader reader(stream);
  EXPECT_EQ(reader.ReadFloat(), 3);
  EXPECT_EQ(reader.ReadSingle(), 4);
  EXPECT_EQ(reader.ReadDate(), 5);
  EXPECT_EQ(reader.ReadCurrency(), 60000);
  EXPECT_EQ(reader.ReadDouble(), 7);
}

TEST(ReadFloat, ReadsExtendedAndDouble) {
  TMemoryStream stream(
      std::string("\x05\x00\x00\x00\x00\x00\x00\x00\xC0\xFF\x3F"
                  "\x15\x00\x00\x00\x00\x00\x00\xF8\x3F",
                  20));
  TReader reader(stream);
  EXPECT_EQ(reader.ReadFloat(), 1.5);
  EXPECT_EQ(reader.ReadFloat(), 1.5);
}

TEST(ReadString, DecodesEachStringKind) {
  struct Case {
    std::string bytes;
    std::u16string text;
  };
  const Case cases[] = {
      {"\x06\x02\xE9\x80", u"\u00E9\u20AC"},                  // code page
      {std::string("\x0C\x01\0\0\0x", 6), u"x"},              // long 8-bit string
      {std::string("\x12\x01\0\0\0\x10\x04", 7), u"\u0410"},  // UTF-16
      {std::string("\x14\x02\0\0\0\xC3\xA9", 7), u"\u00E9"},  // UTF-8
  };
  for (const Case& c : cases) {
    TMemoryStream stream(c.bytes);
    TReader reader(stream);
    EXPECT_EQ(reader.ReadString(), c.text);
    TMemoryStream again(c.bytes);
    TReader wide(again);
    EXPECT_EQ(wide.ReadWideString(), c.text);
  }
  EXPECT_EQ(ErrorOf("\x07\x01"
                    "a",
                    [](TReader& r) { r.ReadString(); }),
            "Invalid property value");
}

TEST(ReadIdent, NamesTheConstants) {
  TMemoryStream stream(
      std::string("\x07\x02"
                  "ab\x08\x09\x0D\x00",
                  8));
  TReader reader(stream);
  EXPECT_EQ(reader.ReadIdent(), u"ab");
  EXPECT_EQ(reader.ReadIdent(), u"False");
  EXPECT_EQ(reader.ReadIdent(), u"True");
  EXPECT_EQ(reader.ReadIdent(), u"nil");
  EXPECT_EQ(reader.ReadIdent(), u"Null");
}

TEST(ReadPrefix, ReadsAPositionOnlyWithItsFlag) {
  TMemoryStream stream(std::string("\xF4\x06\xF3\x02\x03\x06", 6));
  TReader reader(stream);
  TFilerFlags flags = 0;
  int32_t position = -1;
  reader.ReadPrefix(flags, position);
  EXPECT_EQ(flags, ffInline);
  EXPECT_EQ(position, 0);
  EXPECT_EQ(reader.NextValue(), TValueType::vaString);
  reader.ReadValue();
  reader.ReadPrefix(flags, position);
  EXPECT_EQ(flags, ffInherited | ffChildPos);
  EXPECT_EQ(position, 3);
  // No prefix: nothing is consumed.
  reader.ReadPrefix(flags, position);
  EXPECT_EQ(flags, 0);
  EXPECT_EQ(reader.ReadValue(), TValueType::vaString);
}

TEST(TReader, FailsOnEveryReadPastTheEnd) {
  EXPECT_EQ(ErrorOf("", [](TReader& r) { r.ReadValue(); }), "Stream read error");
  EXPECT_EQ(ErrorOf("", [](TReader& r) { r.EndOfList(); }), "Stream read error");
  EXPECT_EQ(ErrorOf("\x03\x01", [](TReader& r) { r.ReadInteger(); }), "Stream read error");
  EXPECT_EQ(ErrorOf("\x06\x05"
                    "ab",
                    [](TReader& r) { r.ReadString(); }),
            "Stream read error");
  EXPECT_EQ(ErrorOf("TPF", [](TReader& r) { r.ReadSignature(); }), "Stream read error");
  EXPECT_EQ(ErrorOf("TPF1", [](TReader& r) { r.ReadSignature(); }), "Invalid stream format");
  EXPECT_EQ(ErrorOf("\x01", [](TReader& r) { r.CheckValue(TValueType::vaCollection); }), "Invalid property value");
}

TEST(TReader, RefusesALengthBeyondTheInputBeforeAllocating) {
  // Two gigabytes announced by a dozen bytes: reading would have to allocate them first.
  EXPECT_EQ(ErrorOf("\x0C\xFF\xFF\xFF\x7F"
                    "abc",
                    [](TReader& r) { r.ReadString(); }),
            "Stream read error");
  EXPECT_EQ(ErrorOf("\x14\xFF\xFF\xFF\x7F"
                    "abc",
                    [](TReader& r) { r.ReadWideString(); }),
            "Stream read error");
  // UTF-16 lengths count units of two bytes.
  EXPECT_EQ(ErrorOf("\x12\x02\x00\x00\x00"
                    "abc",
                    [](TReader& r) { r.ReadWideString(); }),
            "Stream read error");
  EXPECT_EQ(ErrorOf("\x0C\xFF\xFF\xFF\xFF"
                    "abc",
                    [](TReader& r) { r.ReadString(); }),
            "Stream read error");
  EXPECT_EQ(ErrorOf(std::string("\x12\x02\x00\x00\x00"
                                "abcd",
                                9),
                    [](TReader& r) { r.ReadWideString(); }),
            "");
}

TEST(TReader, LeavesTheStreamAfterTheLastByteConsumed) {
  TMemoryStream stream(std::string("\x02\x05rest of the stream", 20));
  {
    TReader reader(stream);
    EXPECT_EQ(reader.ReadInteger(), 5);
  }
  EXPECT_EQ(stream.Position(), 2);
}

TEST(TReader, ReadsAcrossBufferBoundaries) {
  // A long string that starts near the end of the first buffer load.
  std::string bytes(4090, '\x08');
  bytes += std::string("\x0C\x10\x27\x00\x00", 5) + std::string(10000, 'q');
  TMemoryStream stream(bytes);
  TReader reader(stream);
  for (int i = 0; i < 4090; ++i) ASSERT_EQ(reader.ReadIdent(), u"False");
  EXPECT_EQ(reader.ReadString(), std::u16string(10000, u'q'));
  EXPECT_EQ(reader.Remaining(), 0);
}

}  // namespace
}  // namespace tess::stream
