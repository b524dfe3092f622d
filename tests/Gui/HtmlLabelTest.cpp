// The markup label's layout (lines, word break, auto sizes) and its links, with a fixed test font.
#include <QCoreApplication>
#include <QFontMetrics>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Shared/Common/uEncoding.h"
#include "Shared/Components/uHtmlLabel.h"

namespace tess::gui {
namespace {

class HtmlLabel : public ::testing::Test {
protected:
  HtmlLabel() {
    TestFont.setPointSize(10);
    Label.setFont(TestFont);
    Label.resize(400, 40);
  }

  std::vector<std::u16string> ChunkTexts() const {
    std::vector<std::u16string> texts;
    for (const THtmlRenderChunk& chunk : Label.Renderer().Chunks()) texts.push_back(chunk.FText);
    return texts;
  }
  const THtmlRenderChunk& Chunk(size_t AIndex) const { return Label.Renderer().Chunks().at(AIndex); }
  int LineHeight() const { return QFontMetrics(TestFont).height(); }
  int Width(const char16_t* AText, const QFont& AFont) const {
    return QFontMetrics(AFont).horizontalAdvance(QString::fromUtf16(AText));
  }

  void Send(QEvent::Type AType, QPoint APoint, Qt::MouseButton AButton = Qt::NoButton) {
    QMouseEvent event(AType, APoint, Label.mapToGlobal(APoint), AButton,
                      AType == QEvent::MouseMove ? Qt::NoButton : AButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&Label, &event);
  }
  QPoint Inside(const THtmlRenderChunk& AChunk) const {
    return QPoint(AChunk.FPosX + AChunk.FWidth / 2, AChunk.FPosY + AChunk.FHeight / 2);
  }

  QFont TestFont{QStringLiteral("DejaVu Sans")};
  THtmlLabel Label;
};

using Texts = std::vector<std::u16string>;

TEST_F(HtmlLabel, APlainCaptionLiesOnOneLineWordAfterWord) {
  Label.SetCaption(u"Transformation complete.");
  EXPECT_EQ(ChunkTexts(), (Texts{u"Transformation ", u"complete."}));
  EXPECT_EQ(Chunk(0).FPosX, 0);
  EXPECT_EQ(Chunk(1).FPosX, Width(u"Transformation ", TestFont));
  EXPECT_EQ(Chunk(1).FPosY, 0);
  EXPECT_EQ(Chunk(0).FFont.FName, u"DejaVu Sans");
}

TEST_F(HtmlLabel, BoldIsMeasuredInTheBoldFont) {
  Label.SetCaption(u"<b>Bold</b> text");
  EXPECT_EQ(ChunkTexts(), (Texts{u"Bold", u" ", u"text"}));
  EXPECT_EQ(Chunk(0).FFont.FStyle & fsBold, fsBold);
  EXPECT_EQ(Chunk(1).FFont.FStyle & fsBold, 0);
  QFont bold = TestFont;
  bold.setBold(true);
  EXPECT_EQ(Chunk(0).FWidth, Width(u"Bold", bold));
  EXPECT_EQ(Chunk(1).FPosX, Chunk(0).FWidth);
}

TEST_F(HtmlLabel, ALineBreakStartsTheNextLineAtTheLeftEdge) {
  Label.SetCaption(u"a<br>b");
  EXPECT_EQ(ChunkTexts(), (Texts{u"a", u"b"}));
  EXPECT_EQ(Chunk(1).FPosX, 0);
  EXPECT_EQ(Chunk(1).FPosY, LineHeight());
}

TEST_F(HtmlLabel, TheLineAfterABiggerWordStartsBelowIt) {
  Label.SetCaption(u"a<font size=30>B</font><br>c");
  QFont big = TestFont;
  big.setPointSize(30);
  ASSERT_EQ(ChunkTexts(), (Texts{u"a", u"B", u"c"}));
  EXPECT_EQ(Chunk(2).FPosY, QFontMetrics(big).height());
}

TEST_F(HtmlLabel, ALoneLineFeedOrCarriageReturnAlsoBreaksWithoutLosingText) {
  Label.SetCaption(u"a\nb\rc\r\nd, \r\ne");
  EXPECT_EQ(ChunkTexts(), (Texts{u"a", u"b", u"c", u"d,", u" ", u"e"}));
  EXPECT_EQ(Chunk(2).FPosY, 2 * LineHeight());
  EXPECT_EQ(Chunk(3).FPosY, 3 * LineHeight());
  EXPECT_EQ(Chunk(5).FPosY, 4 * LineHeight());
  EXPECT_EQ(Chunk(5).FPosX, 0);
}

TEST_F(HtmlLabel, ADivSeparatesInSilverOnTheSameLine) {
  Label.SetCaption(u"x<div>y");
  EXPECT_EQ(ChunkTexts(), (Texts{u"x", u" ", u"|", u" ", u"y"}));
  for (size_t i = 1; i <= 3; ++i) EXPECT_EQ(Chunk(i).FFont.FColor, 0xC0C0C0u);
  EXPECT_NE(Chunk(4).FFont.FColor, 0xC0C0C0u);
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(Chunk(i).FPosY, 0);
}

TEST_F(HtmlLabel, FontColourPaintsInThatColour) {
  Label.resize(200, 40);
  Label.SetCaption(u"<font color=\"$5196ff\" size=20><b>MMMM</b></font>");
  ASSERT_EQ(ChunkTexts(), (Texts{u"MMMM"}));
  QImage image(Label.size(), QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  Label.render(&image);
  int matching = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixelColor(x, y) == QColor(0xFF, 0x96, 0x51)) ++matching;
  EXPECT_GT(matching, 20);
}

TEST_F(HtmlLabel, WordBreakMovesWordsThatCrossTheRightEdgeButNeverTheFirstOfALine) {
  Label.SetWordBreak(true);
  Label.resize(Width(u"Hello ", TestFont) + 2, 100);
  Label.SetCaption(u"Hello world");
  EXPECT_EQ(ChunkTexts(), (Texts{u"Hello ", u"world"}));
  EXPECT_EQ(Chunk(1).FPosX, 0);
  EXPECT_EQ(Chunk(1).FPosY, LineHeight());
  // Narrower than one long word: it stays on the first line (clipped); the next word moves down.
  Label.resize(10, 100);
  Label.SetCaption(u"Extraordinarily long");
  EXPECT_EQ(Chunk(0).FPosY, 0);
  EXPECT_EQ(Chunk(1).FPosY, LineHeight());
  EXPECT_EQ(Chunk(1).FPosX, 0);
}

TEST_F(HtmlLabel, AWidthChangeRelaysAWrappingLabelOnly) {
  Label.show();  // Qt holds a hidden widget's resize events back until it is shown
  Label.SetCaption(u"Hello world");
  Label.resize(20, 100);
  EXPECT_EQ(Chunk(1).FPosY, 0);
  Label.SetWordBreak(true);
  EXPECT_EQ(Chunk(1).FPosY, LineHeight());
  Label.resize(400, 100);
  EXPECT_EQ(Chunk(1).FPosY, 0);
}

TEST_F(HtmlLabel, AutoHeightIsTheBottomOfTheLowestLinePlusTwo) {
  Label.SetCaption(u"one<br>two<br>three");
  Label.SetAutoHeight(true);
  EXPECT_EQ(Label.height(), 3 * LineHeight() + 2);
  Label.SetCaption(u"one");
  EXPECT_EQ(Label.height(), LineHeight() + 2);
}

TEST_F(HtmlLabel, AutoWidthFitsTheLongestLine) {
  Label.SetAutoWidth(true);
  Label.SetCaption(u"ab<br>abcd");
  EXPECT_EQ(Label.width(), Width(u"abcd", TestFont));
  EXPECT_EQ(Label.sizeHint().width(), Label.width());
}

TEST_F(HtmlLabel, AutoWidthAndWordBreakExcludeEachOther) {
  Label.SetWordBreak(true);
  Label.SetAutoWidth(true);
  EXPECT_FALSE(Label.WordBreak());
  Label.SetWordBreak(true);
  EXPECT_FALSE(Label.AutoWidth());
  EXPECT_TRUE(Label.WordBreak());
}

TEST_F(HtmlLabel, PointingAtALinkShowsTheLinkCursorAndAClickReportsItsHref) {
  std::vector<std::u16string> clicks;
  Label.SetOnLinkClick([&](const std::u16string& AId) { clicks.push_back(AId); });
  Label.SetCaption(u"Click <A HREF=\"site\">here</A> now");
  ASSERT_EQ(ChunkTexts(), (Texts{u"Click ", u"here", u" ", u"now"}));
  Send(QEvent::MouseMove, Inside(Chunk(1)));
  EXPECT_EQ(Label.Renderer().TextId(), u"link:site");
  EXPECT_TRUE(Label.testAttribute(Qt::WA_SetCursor));
  EXPECT_EQ(Label.cursor().shape(), Qt::PointingHandCursor);
  Send(QEvent::MouseMove, Inside(Chunk(0)));
  EXPECT_EQ(Label.cursor().shape(), Qt::ArrowCursor);
  Send(QEvent::MouseButtonPress, Inside(Chunk(0)), Qt::LeftButton);
  EXPECT_TRUE(clicks.empty());
  Send(QEvent::MouseButtonPress, Inside(Chunk(1)), Qt::RightButton);
  EXPECT_TRUE(clicks.empty());
  Send(QEvent::MouseButtonPress, Inside(Chunk(1)), Qt::LeftButton);
  EXPECT_EQ(clicks, (std::vector<std::u16string>{u"site"}));
}

TEST_F(HtmlLabel, ALinkWithoutHrefShowsTheCursorButAClickCallsNothing) {
  int clicks = 0;
  Label.SetOnLinkClick([&](const std::u16string&) { ++clicks; });
  Label.SetCaption(u"<a>here</a>");
  Send(QEvent::MouseMove, Inside(Chunk(0)));
  EXPECT_EQ(Label.cursor().shape(), Qt::PointingHandCursor);
  Send(QEvent::MouseButtonPress, Inside(Chunk(0)), Qt::LeftButton);
  EXPECT_EQ(clicks, 0);
}

TEST_F(HtmlLabel, HitTestingIsHalfOpenAndFindsTheLinkAroundNestedText) {
  Label.SetCaption(u"<a href=x>a<b>bold</b></a>z");
  THtmlRenderer& renderer = const_cast<THtmlRenderer&>(Label.Renderer());
  const THtmlRenderChunk& bold = Chunk(1);
  renderer.TrackMouse(bold.FPosX, bold.FPosY);
  EXPECT_EQ(renderer.TextId(), u"link:x");
  const THtmlRenderChunk& z = Chunk(2);
  renderer.TrackMouse(z.FPosX, z.FPosY);
  EXPECT_EQ(renderer.TextId(), u"");
  renderer.TrackMouse(z.FPosX - 1, z.FPosY);
  EXPECT_EQ(renderer.TextId(), u"link:x");
  renderer.TrackMouse(z.FPosX, z.FPosY + z.FHeight);
  EXPECT_EQ(renderer.TextId(), u"");
}

TEST_F(HtmlLabel, AHandlerThatChangesTheCaptionGetsTheWholeId) {
  std::u16string received;
  Label.SetOnLinkClick([&](const std::u16string& AId) {
    Label.SetCaption(u"done");
    received = AId;
  });
  Label.SetCaption(u"<a href=target>go</a>");
  Send(QEvent::MouseButtonPress, Inside(Chunk(0)), Qt::LeftButton);
  EXPECT_EQ(received, u"target");
}

TEST_F(HtmlLabel, FollowsItsFontAndTextColour) {
  Label.SetCaption(u"word");
  QFont bigger = TestFont;
  bigger.setPointSize(20);
  Label.setFont(bigger);
  EXPECT_EQ(Chunk(0).FHeight, QFontMetrics(bigger).height());
  QPalette palette = Label.palette();
  palette.setColor(QPalette::WindowText, QColor(1, 2, 3));
  Label.setPalette(palette);
  EXPECT_EQ(Chunk(0).FFont.FColor, 0x030201u);
}

TEST_F(HtmlLabel, SystemColoursComeFromThePalette) {
  QPalette palette;
  palette.setColor(QPalette::Button, QColor(10, 20, 30));
  EXPECT_EQ(ToQColor(0xFF00000Fu, palette), QColor(10, 20, 30));
  EXPECT_EQ(ToQColor(0x5196FFu, palette), QColor(0xFF, 0x96, 0x51));
}

TEST(HtmlLabelDefaults, UseArialAndTheHandCursor) {
  THtmlLabel label;
  EXPECT_EQ(label.font().family(), QStringLiteral("Arial"));
  EXPECT_EQ(label.LinkCursor().shape(), Qt::PointingHandCursor);
  EXPECT_TRUE(label.Caption().empty());
  EXPECT_TRUE(label.Renderer().Chunks().empty());
}

}  // namespace
}  // namespace tess::gui
