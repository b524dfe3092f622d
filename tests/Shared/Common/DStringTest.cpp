#include "Shared/Common/uDString.h"

#include <gtest/gtest.h>

#include <locale>

using namespace tess::common;

TEST(DString, AddSkipsEmptyValuesAndLeadingDelimiters) {
  std::u16string result;
  DString::Add(result, u"", u", ");
  EXPECT_EQ(result, u"");
  DString::Add(result, u"a", u", ");
  EXPECT_EQ(result, u"a");
  DString::Add(result, u"", u", ");
  DString::Add(result, u"b", u", ");
  EXPECT_EQ(result, u"a, b");
  EXPECT_EQ(DString::Join({u"a", u"", u"b"}, u", "), u"a, b");
}

TEST(DString, StringOfRepeats) {
  EXPECT_EQ(DString::StringOf(u"  ", 3), u"      ");
  EXPECT_EQ(DString::StringOf(u"  ", 0), u"");
  EXPECT_EQ(DString::StringOf(u"", 5), u"");
  EXPECT_EQ(DConst::LF().size(), 2u);
}

TEST(DString, MakePathJoinsFolderAndName) {
  struct Case {
    std::u16string path, file, result;
  };
  const Case cases[] = {
      {u"/forms", u"Main.dfm", u"/forms/Main.dfm"},
      {u"/forms/", u"Main.dfm", u"/forms/Main.dfm"},
      {u"/forms  ", u"Main.dfm", u"/forms  /Main.dfm"},  // blanks belong to the name here
      {u"", u"Main.dfm", u"Main.dfm"},
      {u"/forms/", u"", u"/forms/"},
      {u"sub", u"deeper", u"sub/deeper"},
      {u"", u"", u""},
      {u"  lead", u"", u"  lead"},     // no name: leading blanks stay
      {u"  lead", u"x", u"  lead/x"},  // with a name too
      {u"trail ", u" x ", u"trail / x "},
      {u"a", u"/x", u"a//x"},  // the name is never inspected
      {u"C:", u"x", u"C:/x"},  // a colon is an ordinary character here
  };
  for (const Case& c : cases) EXPECT_EQ(DString::MakePath(c.path, c.file), c.result);
  EXPECT_EQ(DString::MakePath(u"a", u"b", u"\\"), u"a\\b");
}

TEST(DString, ExtractSplitsAtTheLastDelimiter) {
  EXPECT_EQ(DString::ExtractFileName(u"/forms/Main.dfm"), u"Main.dfm");
  EXPECT_EQ(DString::ExtractPath(u"/forms/Main.dfm"), u"/forms/");
  EXPECT_EQ(DString::ExtractFileName(u"Main.dfm"), u"Main.dfm");
  EXPECT_EQ(DString::ExtractPath(u"Main.dfm"), u"");
  EXPECT_EQ(DString::ExtractFileName(u"a:b.dfm"), u"a:b.dfm");
  EXPECT_EQ(DString::ExtractFileName(u"/forms/"), u"");
}

TEST(DString, FormatBytesSwitchesUnitsPastEachLimit) {
  struct Case {
    int64_t bytes;
    std::u16string text;
  };
  const Case cases[] = {
      {0, u" bytes"},        {512, u"512 bytes"},      {1024, u"1024 bytes"}, {1025, u"1 KB"},
      {1536, u"1.5 KB"},     {1048576, u"1024 KB"},    {1048577, u"1 MB"},    {1572864, u"1.5 MB"},
      {3221225472, u"3 GB"}, {1073741824, u"1024 MB"}, {1290, u"1.26 KB"},    {2047, u"2 KB"},
      {-5, u"-5 bytes"},
  };
  for (const Case& c : cases) EXPECT_EQ(DString::FormatBytes(c.bytes), c.text) << c.bytes;
}

namespace {
struct CommaDecimal : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
};
}  // namespace

TEST(DString, FormatBytesUsesTheLocaleSeparator) {
  const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
  const std::u16string text = DString::FormatBytes(1536);
  std::locale::global(previous);
  EXPECT_EQ(text, u"1,5 KB");
}
