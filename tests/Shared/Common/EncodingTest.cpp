#include "Shared/Common/uEncoding.h"

#include <gtest/gtest.h>

#include "Shared/Common/uFormat.h"

using namespace tess::common;

TEST(Cp1252, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const std::u16string text = Cp1252ToUtf16(all);
  ASSERT_EQ(text.size(), 256u);
  EXPECT_EQ(Utf16ToCp1252(text), all);
}

TEST(Cp1252, MapsTheHighRangeToItsCharacters) {
  EXPECT_EQ(Cp1252ToUtf16("\x80\x99\x9F"), u"\u20AC\u2122\u0178");
  EXPECT_EQ(Cp1252ToUtf16("\x81\x8D\x8F\x90\x9D"), u"\u0081\u008D\u008F\u0090\u009D");
  EXPECT_EQ(Cp1252ToUtf16("\xE9"), u"\u00E9");
}

TEST(Cp1252, WritesAQuestionMarkForWhatItLacks) {
  EXPECT_EQ(Utf16ToCp1252(u"a\u0416b\U0001F600"), "a?b??");
  EXPECT_FALSE(IsCp1252Representable(u"\u0416"));
  EXPECT_FALSE(IsCp1252Representable(u"\u0080"));  // the byte 0x80 is the euro sign, not U+0080
  EXPECT_TRUE(IsCp1252Representable(u"\u20ACabc\u00FF"));
}

TEST(Utf8, RoundTripsOneToFourByteSequences) {
  const std::string utf8 = "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";  // A, e acute, euro, emoji
  const std::u16string text = Utf8ToUtf16(utf8);
  EXPECT_EQ(text, u"A\u00E9\u20AC\U0001F600");
  EXPECT_EQ(Utf16ToUtf8(text), utf8);
}

TEST(Utf8, ReplacesMalformedInputInsteadOfFailing) {
  struct Case {
    std::string bytes;
    std::u16string text;
  };
  const Case cases[] = {
      {"\x80", u"\uFFFD"},                                // lone continuation byte
      {"a\xC3", u"a\uFFFD"},                              // truncated at the end
      {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong slash
      {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},            // overlong three-byte form
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
      {"\xE2\x82x", u"\uFFFDx"},                          // broken sequence keeps the byte that broke it
      {"\xFF", u"\uFFFD"},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf8ToUtf16(c.bytes), c.text) << c.bytes.size();
}

TEST(Utf8, EncodesLoneSurrogatesAsReplacement) {
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{char16_t(0xDC00), u'a'}),
            "\xEF\xBF\xBD"
            "a");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{u'a', char16_t(0xDBFF)}), "a\xEF\xBF\xBD");
}

// A name's bytes come back as they were, whatever they are; a byte outside valid UTF-8 is one
// escaped character, so two names that differ in such a byte stay two names.
TEST(PathText, EveryNameSurvivesTheRoundTrip) {
  struct Case {
    std::string bytes;
    std::u16string text;
  };
  const Case cases[] = {
      {"caf\xE9.dfm", u"caf\xDCE9.dfm"},
      {"caf\xE8.dfm", u"caf\xDCE8.dfm"},
      {"caf\xC3\xA9.dfm", u"caf\u00E9.dfm"},    // valid UTF-8 is decoded
      {"\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"},  // an encoded surrogate is three bytes
      {"\xE2\x82x", u"\xDCE2\xDC82x"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      {"\xEF\xBF\xBD", u"\uFFFD"},  // a real U+FFFD is not a byte
      {"trail ", u"trail "},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PathToUtf16(c.bytes), c.text) << c.bytes;
    EXPECT_EQ(Utf16ToPath(c.text), c.bytes) << c.bytes;
  }
  std::string every;
  for (int byte = 1; byte < 256; ++byte) every += char(byte);
  EXPECT_EQ(Utf16ToPath(PathToUtf16(every)), every);
  // A surrogate that no name decodes to is written as U+FFFD, as in file contents.
  EXPECT_EQ(Utf16ToPath(std::u16string{char16_t(0xDC7F), char16_t(0xD800)}), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(Format, FillsDirectivesInOrder) {
  EXPECT_EQ(Format(u"No wrapper for class %s", {u"QLabel"}), u"No wrapper for class QLabel");
  EXPECT_EQ(Format(u"%s%s%s: %s", {u"a", u"", u"c", u"msg"}), u"ac: msg");
  EXPECT_EQ(Format(u"line %d of %u, 100%%", {-7, 12u}), u"line -7 of 12, 100%");
  EXPECT_EQ(Format(u"%d", {INT64_MIN}), u"-9223372036854775808");
  EXPECT_EQ(Format(u"tail %", {}), u"tail %");
}
