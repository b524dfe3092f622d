// A label that shows a caption in a small markup: bold, fonts, colours, line breaks, separators, links.
#pragma once

#include <QCursor>
#include <QFont>
#include <QRect>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Shared/Components/uHtmlMarkup.h"

class QPainter;
class QPalette;

namespace tess::gui {

// The font data of a Qt font drawn in AColor; and the reverse, for drawing and measuring.
TFontData FontDataOf(const QFont& AFont, TColor AColor);
QFont ToQFont(const TFontData& AFont);
// System colours (0xFF0000nn) are taken from the palette.
QColor ToQColor(TColor AColor, const QPalette& APalette);
TColor FromQColor(const QColor& AColor);

// One word at its place: its font, top-left corner, text and measured extent.
struct THtmlRenderChunk {
  TFontData FFont;
  int32_t FPosX = 0;
  int32_t FPosY = 0;
  std::u16string FText;
  int32_t FWidth = 0;
  int32_t FHeight = 0;
  const THtmlNode* FNode = nullptr;
};

// Lays a node tree out into words, paints them, and finds the link under a point.
class THtmlRenderer {
public:
  explicit THtmlRenderer(const THtmlNode* AHtml) : FHtml(AHtml) {}

  // Lays the tree out from the rectangle's top-left corner. With word break on, a word that
  // would cross the right edge starts a new line unless it is the first word of its line.
  void Reparse(const QRect& ATextRect);
  // Draws the words without background, each clipped to the rectangle.
  void PaintTo(QPainter& ACanvas, const QRect& ATextRect, const QPalette& APalette) const;
  // Stores in TextId the id of the nearest link around the word at the point, or clears it.
  void TrackMouse(int32_t AX, int32_t AY);

  bool WordBreak() const { return FWordBreak; }
  void SetWordBreak(bool AValue);
  bool AutoHeight() const { return FAutoHeight; }
  void SetAutoHeight(bool AValue) { FAutoHeight = AValue; }
  bool AutoWidth() const { return FAutoWidth; }
  void SetAutoWidth(bool AValue);
  // The bottom of the lowest line plus 2, and the rightmost end of a line, from the last layout.
  int32_t ParsedHeight() const { return FParsedHeight; }
  int32_t ParsedWidth() const { return FParsedWidth; }
  const std::u16string& TextId() const { return FTextId; }
  const std::vector<THtmlRenderChunk>& Chunks() const { return FChunks; }

private:
  void LayoutNode(const THtmlNode& ANode, const QRect& ARect, int32_t& AX, int32_t& AY);

  const THtmlNode* FHtml;
  bool FWordBreak = false;
  std::vector<THtmlRenderChunk> FChunks;
  bool FAutoHeight = false;
  int32_t FParsedHeight = 0;
  bool FAutoWidth = false;
  int32_t FParsedWidth = 0;
  std::u16string FTextId;
};

// The label. Its font and its palette's WindowText colour are the default font of the markup.
// Auto height and auto width resize the label to the laid-out text after each layout.
class THtmlLabel : public QWidget {
  Q_OBJECT
public:
  using TLinkClickEvent = std::function<void(const std::u16string& ALinkId)>;

  explicit THtmlLabel(QWidget* AParent = nullptr);
  ~THtmlLabel() override;

  const std::u16string& Caption() const { return FCaption; }
  void SetCaption(const std::u16string& ACaption);
  bool AutoHeight() const { return FRenderer->AutoHeight(); }
  void SetAutoHeight(bool AValue);
  bool AutoWidth() const { return FRenderer->AutoWidth(); }
  void SetAutoWidth(bool AValue);
  bool WordBreak() const { return FRenderer->WordBreak(); }
  void SetWordBreak(bool AValue);
  bool Transparent() const { return !autoFillBackground(); }
  void SetTransparent(bool AValue) { setAutoFillBackground(!AValue); }
  const QCursor& LinkCursor() const { return FLinkCursor; }
  void SetLinkCursor(const QCursor& ACursor) { FLinkCursor = ACursor; }
  // Called with what follows "link:" in the clicked link's id; a link without href calls nothing.
  const TLinkClickEvent& OnLinkClick() const { return FOnLinkClick; }
  void SetOnLinkClick(TLinkClickEvent AHandler) { FOnLinkClick = std::move(AHandler); }

  const THtmlParser& Parser() const { return *FParser; }
  const THtmlRenderer& Renderer() const { return *FRenderer; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

protected:
  void paintEvent(QPaintEvent* AEvent) override;
  void resizeEvent(QResizeEvent* AEvent) override;
  void changeEvent(QEvent* AEvent) override;
  void mouseMoveEvent(QMouseEvent* AEvent) override;
  void mousePressEvent(QMouseEvent* AEvent) override;

private:
  void ParseCaption();
  void Layout();
  void ApplyAutoSize();

  std::unique_ptr<THtmlParser> FParser;
  std::unique_ptr<THtmlRenderer> FRenderer;
  std::u16string FCaption;
  int32_t FWidth = 0;
  TLinkClickEvent FOnLinkClick;
  QCursor FLinkCursor{Qt::PointingHandCursor};
  bool FResizing = false;
};

}  // namespace tess::gui
