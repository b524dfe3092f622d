// The escaping of every line the program prints: what would leave the line or steer a terminal.
#include <gtest/gtest.h>

#include "Cli/uCliReport.h"
#include "Shared/Common/uEncoding.h"

namespace tess::cli::testing {
namespace {

struct TPrintableCase {
  std::u16string Text;
  std::string Shown;
};

// The UTF-16 text the core holds, and its UTF-8 form where it has one: both print alike.
TEST(Printable, ShowsControlsSurrogatesAndStrayBytesAsEscapes) {
  const TPrintableCase cases[] = {
      {u"plain caf\u00E9 \u4E2D", "plain caf\u00E9 \u4E2D"},
      {u"a\tb\r\nc\x1B[2J\x7F", "a\\x09b\\x0D\\x0Ac\\x1B[2J\\x7F"},
      {u"\u0085\u009B", "\\u{0085}\\u{009B}"},
      {u"\U0001F600", "\U0001F600"},
      // A name's byte that is not UTF-8 is held as U+DC00 plus the byte.
      {std::u16string(u"n") + char16_t(0xDCFF) + char16_t(0xDC80), "n\\xFF\\x80"},
      {std::u16string(1, char16_t(0xD800)) + u"x" + char16_t(0xDC41), "\\u{D800}x\\u{DC41}"},
  };
  for (const TPrintableCase& c : cases) {
    EXPECT_EQ(Printable(c.Text), c.Shown);
    bool hasUtf8 = true;
    for (const char16_t ch : c.Text) hasUtf8 = hasUtf8 && (ch < 0xD800 || ch > 0xDFFF);
    if (hasUtf8) {
      EXPECT_EQ(Printable(common::Utf16ToUtf8(c.Text)), c.Shown);
    }
  }
}

TEST(Printable, ShowsEachByteOfAMalformedUtf8SequenceAsAnEscape) {
  const std::pair<std::string, std::string> cases[] = {
      {"a\xFF"
       "b",
       "a\\xFFb"},                                   // no lead byte
      {"\xE2\x82", "\\xE2\\x82"},                    // cut short
      {"\xC0\xAF", "\\xC0\\xAF"},                    // overlong
      {"\xED\xA0\x80", "\\xED\\xA0\\x80"},           // an encoded surrogate
      {"\xF4\x90\x80\x80", "\\xF4\\x90\\x80\\x80"},  // past U+10FFFF
      {"\xE2\x82\xAC\x1B", "\xE2\x82\xAC\\x1B"},
  };
  for (const auto& [bytes, shown] : cases) EXPECT_EQ(Printable(std::string_view(bytes)), shown) << shown;
}

}  // namespace
}  // namespace tess::cli::testing
