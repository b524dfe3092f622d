#include "Shared/Parser/uTokenizer.h"

#include <gtest/gtest.h>

using namespace tess::parser;

TEST(OldStringStream, SeekClampsIntoTheText) {
  TOldStringStream stream(u"abcdef");
  EXPECT_EQ(stream.Seek(4, TSeekOrigin::soBeginning), 4);
  EXPECT_EQ(stream.Seek(-10, TSeekOrigin::soCurrent), 0);
  EXPECT_EQ(stream.Seek(2, TSeekOrigin::soEnd), 4);
  EXPECT_EQ(stream.Seek(99, TSeekOrigin::soBeginning), 6);
  EXPECT_EQ(stream.ReadString(3), u"");
  stream.SetPosition(1);
  EXPECT_EQ(stream.ReadString(3), u"bcd");
  EXPECT_EQ(stream.ReadString(10), u"ef");
  stream.SetSize(3);
  EXPECT_EQ(stream.Position(), 3);
  EXPECT_EQ(stream.DataString(), u"abc");
  stream.SetPosition(1);
  stream.WriteString(u"xyz123");
  EXPECT_EQ(stream.Position(), 1);
}

TEST(SourceFeeder, EmptyTextIsDoneAtOnce) {
  TSourceFeeder source;
  EXPECT_TRUE(source.Done());
  EXPECT_EQ(source.LastChar(), u'\0');
  EXPECT_EQ(source.ReadLine(), u"");
  EXPECT_EQ(source.ReadWhileNotEntry(u"x", true), u"");
}

TEST(SourceFeeder, PushAndPopRestorePositionsInStackOrder) {
  TSourceFeeder source;
  source.SetText(u"abcdef");
  source.Push();
  EXPECT_EQ(source.ReadChar(), u'a');
  EXPECT_EQ(source.LastChar(), u'a');
  source.Push();
  source.Next(3);
  EXPECT_EQ(source.ReadChar(), u'e');
  source.Pop();
  EXPECT_EQ(source.ReadChar(), u'b');
  source.Pop();
  EXPECT_EQ(source.Position(), 0);
  source.Pop();  // nothing saved: stays
  EXPECT_EQ(source.Position(), 0);
  source.Prior(5);
  EXPECT_EQ(source.Position(), 0);
  // A new text resets the position but not the saved ones.
  source.Next(2);
  source.Push();
  source.SetText(u"xy");
  EXPECT_EQ(source.Position(), 0);
  EXPECT_EQ(source.SavedCount(), 1u);
}

TEST(SourceFeeder, ReadFromBufferLooksAheadOrReads) {
  TSourceFeeder source;
  source.SetText(u"abcdef");
  source.Next(1);
  EXPECT_EQ(source.ReadFromBuffer(3, false, true), u"bcd");
  EXPECT_EQ(source.Position(), 1);
  EXPECT_EQ(source.ReadFromBuffer(3, false, false), u"d");
  EXPECT_EQ(source.Position(), 1);
  EXPECT_EQ(source.ReadFromBuffer(3), u"bcd");
  EXPECT_EQ(source.Position(), 4);
  EXPECT_EQ(source.ReadFromBuffer(10), u"ef");
  EXPECT_TRUE(source.Done());
}

TEST(SourceFeeder, ReadLineConsumesOneBreakOfAnyKind) {
  struct Case {
    std::u16string text, line, rest;
  };
  const Case cases[] = {
      {u"ab\r\ncd", u"ab", u"cd"}, {u"ab\n\rcd", u"ab", u"cd"},     {u"ab\r\rcd", u"ab", u"cd"},
      {u"ab\n\ncd", u"ab", u"cd"}, {u"ab\n\n\ncd", u"ab", u"\ncd"}, {u"ab", u"ab", u""},
      {u"\r\n", u"", u""},
  };
  for (const Case& c : cases) {
    TSourceFeeder source;
    source.SetText(c.text);
    EXPECT_EQ(source.ReadLine(), c.line);
    EXPECT_EQ(source.ReadFromBuffer(100), c.rest);
  }
}

TEST(SourceFeeder, ReadWhileNotEntryFindsAsciiLettersWithoutCase) {
  TSourceFeeder source;
  source.SetText(u"abc END def end");
  EXPECT_EQ(source.ReadWhileNotEntry(u"end", false), u"abc ");
  EXPECT_EQ(source.ReadWhileNotEntry(u"end", true), u"END");
  EXPECT_EQ(source.ReadWhileNotEntry(u"end", true), u" def end");
  EXPECT_TRUE(source.Done());
  source.SetText(u"no match here");
  EXPECT_EQ(source.ReadWhileNotEntry(u"*)", true), u"no match here");
  EXPECT_TRUE(source.Done());
}
