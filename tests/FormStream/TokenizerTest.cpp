// TFormTextParser's tokens and their values.
#include "FormStream/uTextToBinary.h"

#include <gtest/gtest.h>

namespace tess::stream {
namespace {

struct TToken {
  TTokenKind kind;
  std::string text;
  char floatType = 0;
  bool operator==(const TToken&) const = default;
};

std::ostream& operator<<(std::ostream& AOut, const TToken& AToken) {
  return AOut << AToken.kind << ":" << AToken.text << (AToken.floatType ? std::string(1, AToken.floatType) : "");
}

std::vector<TToken> Tokens(const std::string& AText) {
  TMemoryStream stream(AText);
  TFormTextParser parser(stream);
  std::vector<TToken> tokens;
  while (parser.Token() != toEOF) {
    tokens.push_back({parser.Token(), parser.TokenString(), parser.FloatType()});
    parser.NextToken();
  }
  return tokens;
}

TEST(TFormTextParser, ClassifiesTokens) {
  const std::vector<TToken> expected = {
      {toSymbol, "object"},
      {toSymbol, "_Form1"},
      {':', ":"},
      {toSymbol, "TForm1"},
      {'[', "["},
      {toInteger, "-3"},
      {']', "]"},
      {toInteger, "$1aF"},
      {toFloat, "1.5"},
      {toFloat, "1E30"},
      {toFloat, "2", 'd'},
      {toFloat, "1.5", 's'},
      {toFloat, "0", 'C'},
      {toFloat, "7", 'f'},
      {toString, "It's"},
      {toString, "a\r\n"},
      {toWString, std::string("\x10", 1)},
      {'+', "+"},
      {'=', "="},
      {'{', "{"},
      {'<', "<"},
      {'.', "."},
      {0xE9, "\xE9"},
  };
  EXPECT_EQ(Tokens("object _Form1:TForm1 [-3] $1aF 1.5 1E30 2d 1.5s 0C 7f 'It''s' 'a'#13#10 #1040 + = { < . \xE9"),
            expected);
}

TEST(TFormTextParser, GivesTokenValues) {
  TMemoryStream stream(std::string("$FFFFFFFFFFFFFFFF -42 1.25e-2 'caf\xE9' Form1.Button1.Caption x"));
  TFormTextParser parser(stream);
  EXPECT_EQ(parser.TokenInt(), -1);
  parser.NextToken();
  EXPECT_EQ(parser.TokenInt(), -42);
  parser.NextToken();
  EXPECT_EQ(parser.TokenFloat(), 1.25e-2L);
  parser.NextToken();
  EXPECT_EQ(parser.TokenWideString(), u"caf\u00E9");
  parser.NextToken();
  EXPECT_TRUE(parser.TokenSymbolIs("FORM1"));
  EXPECT_FALSE(parser.TokenSymbolIs("Form"));
  EXPECT_EQ(parser.TokenComponentIdent(), "Form1.Button1.Caption");
  parser.NextToken();
  EXPECT_EQ(parser.TokenString(), "x");
  EXPECT_THROW(parser.CheckToken(toString), EParserError);
  EXPECT_THROW(parser.CheckTokenSymbol("y"), EParserError);
  EXPECT_NO_THROW(parser.CheckTokenSymbol("X"));
}

TEST(TFormTextParser, CountsLineFeedsOnly) {
  TMemoryStream stream(std::string("a\r\nb\rc\n\nd"));
  TFormTextParser parser(stream);
  std::vector<int> lines;
  while (parser.Token() != toEOF) {
    lines.push_back(parser.SourceLine());
    parser.NextToken();
  }
  EXPECT_EQ(lines, (std::vector<int>{1, 2, 2, 4}));
}

TEST(TFormTextParser, ReadsHexDataInRunsAcrossLines) {
  TMemoryStream stream(std::string("{\n  0A 0b\n  " + std::string(600, 'F') + "\n  01} next"));
  TFormTextParser parser(stream);
  std::string data;
  parser.HexToBinary(data);
  EXPECT_EQ(data.size(), 2u + 300u + 1u);
  EXPECT_EQ(data.substr(0, 2), "\x0A\x0B");
  EXPECT_EQ(data.back(), '\x01');
  EXPECT_TRUE(parser.TokenSymbolIs("next"));
  EXPECT_EQ(parser.SourceLine(), 4);
}

TEST(TFormTextParser, SkipsTheUtf8ByteOrderMark) {
  TMemoryStream stream(
      std::string("\xEF\xBB\xBF"
                  "object"));
  TFormTextParser parser(stream);
  EXPECT_TRUE(parser.Utf8());
  EXPECT_TRUE(parser.TokenSymbolIs("object"));
}

}  // namespace
}  // namespace tess::stream
