// Recognising how a form file is stored, and the resource headers of binary ones.
#include "FormStream/uFormFormat.h"

#include <gtest/gtest.h>

#include "HexText.h"

#include <cstring>

#include "FormStream/uFiler.h"

namespace tess::stream {
namespace {

FormFileFormat Detected(const std::string& ABytes) {
  TMemoryStream stream(ABytes);
  return DetectFormFormat(stream);
}

TEST(DetectFormFormat, ClassifiesEveryKindOfFirstBytes) {
  using enum FormFileFormat;
  struct Case {
    std::string bytes;
    FormFileFormat format;
  };
  const Case cases[] = {
      {"obj", fmtText},
      {"ob", fmtText},
      {"object Form1: TForm1", fmtText},
      {"inherited", fmtText},
      {"Object", fmtText},
      {"Inline", fmtText},
      {" object", fmtText},
      {"\tobject", fmtText},
      {"\x0B", fmtText},
      {"\r\nobject", fmtText},
      {"\nobject", fmtUnknown},  // an empty Unix line first is not recognised
      {"\xEF\xBB\xBF"
       "o",
       fmtUTF8Text},
      {"\xEF\xBB\xBF", fmtUTF8Text},
      {"\xEF\xBB", fmtUnknown},
      {std::string(4, '\0'), fmtBinary},
      {"", fmtBinary},  // no bytes read as zeros
      {"TPF0", fmtBinary},
      {"TPF0\x06", fmtBinary},
      {"TPF1", fmtUnknown},
      {"\xFF\x0A\x00", fmtBinary},
      {"\xFF\xFE"
       "o\0",
       fmtBinary},  // a UTF-16 byte-order mark
      {std::string("\0\0\0\x01", 4), fmtUnknown},
      {"x", fmtUnknown},
      {"end", fmtUnknown},
  };
  for (const Case& c : cases) EXPECT_EQ(Detected(c.bytes), c.format) << '"' << c.bytes << '"';
}

TEST(DetectFormFormat, PutsThePositionBack) {
  TMemoryStream stream(std::string("xxobject"));
  stream.SetPosition(2);
  EXPECT_EQ(DetectFormFormat(stream), FormFileFormat::fmtText);
  EXPECT_EQ(stream.Position(), 2);
}

using testing::Hex;

TEST(WriteResHeader, Writes16BitHeaderWithTheNameInTheCodePage) {
  TMemoryStream stream;
  WriteResHeader16(stream, u"TFORM1", 0x1234);
  EXPECT_EQ(Hex(stream.Bytes()), "FF 0A 00 54 46 4F 52 4D 31 00 30 10 34 12 00 00");
}

TEST(WriteResHeader, Writes32BitHeaderWithTheNameInUtf16) {
  TMemoryStream stream;
  WriteResHeader32(stream, u"T\u041A", 0x20);
  EXPECT_EQ(Hex(stream.Bytes()),
            "00 00 00 00 20 00 00 00 FF FF 00 00 FF FF 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
            "20 00 00 00 22 00 00 00 FF FF 0A 00 54 00 1A 04 00 00 00 00 00 00 00 00 09 04 00 00 00 00 00 00 00 00");
  EXPECT_EQ(stream.Size(), 62 + 2 * 2);
}

TEST(ReadResHeader, LeavesTheStreamAtTheSignature) {
  for (const bool wide : {false, true}) {
    for (const std::u16string& name : std::vector<std::u16string>{u"T", u"TFORM1", std::u16string(70, u'N')}) {
      TMemoryStream stream;
      stream.Write("pre");  // the header need not start the stream
      if (wide)
        WriteResHeader32(stream, name, 4);
      else
        WriteResHeader16(stream, name, 4);
      const int64_t signature = stream.Position();
      stream.Write("TPF0");
      stream.SetPosition(3);
      ReadResHeader(stream);
      EXPECT_EQ(stream.Position(), signature) << wide << " " << name.size();
    }
  }
}

TEST(ReadResHeader, RefusesWhatIsNoHeader) {
  TMemoryStream wrongType;
  WriteResHeader32(wrongType, u"TFORM1", 4);
  std::string bytes = wrongType.Bytes();
  bytes[42] = 0x0B;  // the type is no longer raw data
  bytes += "TPF0";
  struct Case {
    std::string bytes;
  };
  const Case cases[] = {
      {bytes},
      {"TPF0\x06TForm1"},
      {""},
      {std::string(32, '\0')},  // the empty entry alone is not enough
      {"\xFF\x0B\x00"
       "TFORM1"},
      {"\xFE\x0A\x00"
       "TFORM1"},
  };
  for (const Case& c : cases) {
    TMemoryStream stream(c.bytes);
    try {
      ReadResHeader(stream);
      ADD_FAILURE() << Hex(c.bytes.substr(0, 16));
    } catch (const EReadError& error) {
      EXPECT_STREQ(error.what(), "Invalid stream format");
    }
  }
}

TEST(ReadResHeader, SurvivesHeaderSizesThatPointAnywhere) {
  TMemoryStream header;
  WriteResHeader32(header, u"T", 4);
  std::string bytes = header.Bytes();
  for (const uint32_t size : {0u, 1u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
    std::memcpy(bytes.data() + 36, &size, 4);
    TMemoryStream stream(bytes + "TPF0");
    ReadResHeader(stream);
    EXPECT_EQ(stream.Position(), 32 + static_cast<int64_t>(size));
  }
}

}  // namespace
}  // namespace tess::stream
