#include "Shared/Components/uHtmlLabel.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <cmath>

namespace tess::gui {

namespace {

QString ToQ(const std::u16string& AText) {
  return QString(reinterpret_cast<const QChar*>(AText.data()), static_cast<qsizetype>(AText.size()));
}

std::u16string FromQ(const QString& AText) {
  return std::u16string(reinterpret_cast<const char16_t*>(AText.utf16()), static_cast<size_t>(AText.size()));
}

// Sizes outside this range come only from odd markup; Qt refuses sizes below 1 and a huge one
// would make every measurement slow for nothing.
constexpr int32_t MinPointSize = 1;
constexpr int32_t MaxPointSize = 400;

bool StartsWithLink(const std::u16string& AId) {
  static constexpr std::u16string_view Prefix = u"link:";
  if (AId.size() < Prefix.size()) return false;
  for (size_t i = 0; i < Prefix.size(); ++i) {
    char16_t c = AId[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    if (c != Prefix[i]) return false;
  }
  return true;
}

}  // namespace

TFontData FontDataOf(const QFont& AFont, TColor AColor) {
  TFontData data;
  data.FName = FromQ(AFont.family());
  data.FColor = AColor;
  // A font set by pixel height has no point size; at the 96 dots per inch Qt assumes, 12 pixels are 9 points.
  data.FSize = AFont.pointSize() > 0 ? AFont.pointSize()
                                     : std::max(1, static_cast<int32_t>(std::lround(AFont.pixelSize() * 0.75)));
  data.FStyle = static_cast<uint8_t>((AFont.bold() ? fsBold : 0) | (AFont.italic() ? fsItalic : 0) |
                                     (AFont.underline() ? fsUnderline : 0) | (AFont.strikeOut() ? fsStrikeOut : 0));
  return data;
}

QFont ToQFont(const TFontData& AFont) {
  QFont font(ToQ(AFont.FName));
  font.setPointSize(std::clamp(AFont.FSize, MinPointSize, MaxPointSize));
  font.setBold((AFont.FStyle & fsBold) != 0);
  font.setItalic((AFont.FStyle & fsItalic) != 0);
  font.setUnderline((AFont.FStyle & fsUnderline) != 0);
  font.setStrikeOut((AFont.FStyle & fsStrikeOut) != 0);
  return font;
}

QColor ToQColor(TColor AColor, const QPalette& APalette) {
  if ((AColor & 0xFF000000u) == clSystemColor) {
    switch (AColor & 0xFFu) {
      case 1:
      case 4:
      case 30: return APalette.color(QPalette::Window);
      case 2:
      case 13:
      case 27:
      case 29: return APalette.color(QPalette::Highlight);
      case 5: return APalette.color(QPalette::Base);
      case 6:
      case 21: return APalette.color(QPalette::Shadow);
      case 8:
      case 19: return APalette.color(QPalette::Text);
      case 9:
      case 14: return APalette.color(QPalette::HighlightedText);
      case 0:
      case 15: return APalette.color(QPalette::Button);
      case 3:
      case 10:
      case 11:
      case 16:
      case 28: return APalette.color(QPalette::Mid);
      case 12: return APalette.color(QPalette::Dark);
      case 17: return APalette.color(QPalette::Disabled, QPalette::Text);
      case 18: return APalette.color(QPalette::ButtonText);
      case 20: return APalette.color(QPalette::Light);
      case 22: return APalette.color(QPalette::Midlight);
      case 23: return APalette.color(QPalette::ToolTipText);
      case 24: return APalette.color(QPalette::ToolTipBase);
      case 26: return APalette.color(QPalette::Link);
      default: return APalette.color(QPalette::WindowText);
    }
  }
  return QColor(static_cast<int>(AColor & 0xFF), static_cast<int>((AColor >> 8) & 0xFF),
                static_cast<int>((AColor >> 16) & 0xFF));
}

TColor FromQColor(const QColor& AColor) {
  return static_cast<TColor>(AColor.red()) | static_cast<TColor>(AColor.green()) << 8 |
         static_cast<TColor>(AColor.blue()) << 16;
}

// ---- Renderer

void THtmlRenderer::SetWordBreak(bool AValue) {
  FWordBreak = AValue;
  if (AValue) FAutoWidth = false;
}

void THtmlRenderer::SetAutoWidth(bool AValue) {
  FAutoWidth = AValue;
  if (AValue) FWordBreak = false;
}

void THtmlRenderer::Reparse(const QRect& ATextRect) {
  FChunks.clear();
  if (FHtml == nullptr) return;
  int32_t x = ATextRect.left();
  int32_t y = ATextRect.top();
  FParsedWidth = 0;
  FParsedHeight = 0;
  LayoutNode(*FHtml, ATextRect, x, y);
  FParsedHeight += 2;
}

void THtmlRenderer::LayoutNode(const THtmlNode& ANode, const QRect& ARect, int32_t& AX, int32_t& AY) {
  const QFont font = ToQFont(ANode.FFont);
  const QFontMetrics metrics(font);
  const int32_t lineHeight = metrics.height();
  const int32_t left = ARect.left();
  const int32_t right = ARect.left() + ARect.width();  // exclusive
  auto endLine = [&] {
    FParsedWidth = std::max(FParsedWidth, AX);
    AX = left;
    // Below the tallest word of the line, not just one line of this node's font: after a
    // bigger word the next line would otherwise be drawn over it.
    AY = std::max(AY + lineHeight, FParsedHeight);
  };

  std::u16string_view rest = ANode.FText;
  while (!rest.empty()) {
    std::u16string word = TakeWord(rest);
    // A break that ends a run of letters ("a\r\nb" cuts as "a\r", "\n", "b") is handed back,
    // so that it breaks the line instead of being drawn.
    if (word.size() > 1 && (word.back() == u'\r' || word.back() == u'\n')) {
      word.pop_back();
      rest = std::u16string_view(rest.data() - 1, rest.size() + 1);
    }
    // CR LF ends a line. A lone CR or LF does too: dropping it, or the word after it, would
    // lose text, and drawn as a character it shows as a box.
    if (word == u"\r") {
      if (!rest.empty() && rest.front() == u'\n') rest.remove_prefix(1);
      endLine();
      continue;
    }
    if (word == u"\n") {
      endLine();
      continue;
    }
    const QString text = ToQ(word);
    const int32_t w = metrics.horizontalAdvance(text);
    const int32_t h = lineHeight;
    FParsedHeight = std::max(FParsedHeight, AY + h);
    if (FWordBreak && AX + w > right && AX > left) {
      FParsedWidth = std::max(FParsedWidth, AX);
      AX = left;
      AY = FParsedHeight;
      FParsedHeight += h;
    }
    FChunks.push_back(THtmlRenderChunk{ANode.FFont, AX, AY, word, w, h, &ANode});
    AX += w;
    FParsedWidth = std::max(FParsedWidth, AX);
  }
  for (const auto& child : ANode.Nodes()) LayoutNode(*child, ARect, AX, AY);
}

void THtmlRenderer::PaintTo(QPainter& ACanvas, const QRect& ATextRect, const QPalette& APalette) const {
  ACanvas.save();
  ACanvas.setBackgroundMode(Qt::TransparentMode);
  ACanvas.setClipRect(ATextRect, Qt::IntersectClip);
  const int32_t right = ATextRect.left() + ATextRect.width();
  const int32_t bottom = ATextRect.top() + ATextRect.height();
  for (const THtmlRenderChunk& chunk : FChunks) {
    if (chunk.FPosX >= right || chunk.FPosY >= bottom) continue;
    ACanvas.setFont(ToQFont(chunk.FFont));
    ACanvas.setPen(ToQColor(chunk.FFont.FColor, APalette));
    // No mnemonic processing: an ampersand is shown as itself.
    ACanvas.drawText(QRect(chunk.FPosX, chunk.FPosY, right - chunk.FPosX, bottom - chunk.FPosY),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, ToQ(chunk.FText));
  }
  ACanvas.restore();
}

void THtmlRenderer::TrackMouse(int32_t AX, int32_t AY) {
  FTextId.clear();
  for (const THtmlRenderChunk& chunk : FChunks) {
    if (AX < chunk.FPosX || AX >= chunk.FPosX + chunk.FWidth || AY < chunk.FPosY || AY >= chunk.FPosY + chunk.FHeight)
      continue;
    for (const THtmlNode* node = chunk.FNode; node != nullptr; node = node->Parent())
      if (!node->FId.empty()) {
        FTextId = node->FId;
        return;
      }
    return;
  }
}

// ---- Label

THtmlLabel::THtmlLabel(QWidget* AParent) : QWidget(AParent), FParser(CreateParser()) {
  FRenderer = std::make_unique<THtmlRenderer>(&FParser->Root());
  setMouseTracking(true);
  QFont labelFont = font();
  labelFont.setFamily(QStringLiteral("Arial"));
  setFont(labelFont);
  SetCaption(FCaption);
}

THtmlLabel::~THtmlLabel() = default;

void THtmlLabel::ParseCaption() {
  FParser->SetDefaultFont(FontDataOf(font(), FromQColor(palette().color(QPalette::WindowText))));
  FParser->Parse(FCaption);
}

void THtmlLabel::Layout() {
  FRenderer->Reparse(rect());
  FWidth = width();
  ApplyAutoSize();
  updateGeometry();
}

void THtmlLabel::ApplyAutoSize() {
  if (FResizing) return;
  QSize wanted = size();
  if (FRenderer->AutoHeight()) wanted.setHeight(FRenderer->ParsedHeight());
  if (FRenderer->AutoWidth()) wanted.setWidth(FRenderer->ParsedWidth());
  if (wanted == size()) return;
  FResizing = true;
  resize(wanted);
  FResizing = false;
}

void THtmlLabel::SetCaption(const std::u16string& ACaption) {
  FCaption = ACaption;
  ParseCaption();
  Layout();
  update();
}

void THtmlLabel::SetAutoHeight(bool AValue) {
  FRenderer->SetAutoHeight(AValue);
  Layout();
  update();
}

void THtmlLabel::SetAutoWidth(bool AValue) {
  FRenderer->SetAutoWidth(AValue);
  Layout();
  update();
}

void THtmlLabel::SetWordBreak(bool AValue) {
  FRenderer->SetWordBreak(AValue);
  Layout();
  update();
}

QSize THtmlLabel::sizeHint() const { return QSize(FRenderer->ParsedWidth(), FRenderer->ParsedHeight()); }

QSize THtmlLabel::minimumSizeHint() const {
  // A wrapping label can be narrowed to anything; it grows downwards instead.
  return QSize(FRenderer->WordBreak() ? 0 : FRenderer->ParsedWidth(),
               FRenderer->AutoHeight() ? FRenderer->ParsedHeight() : 0);
}

void THtmlLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  FRenderer->PaintTo(painter, rect(), palette());
}

void THtmlLabel::resizeEvent(QResizeEvent* AEvent) {
  QWidget::resizeEvent(AEvent);
  // Only a wrapping layout depends on the width; the others keep their chunks.
  if (FRenderer->WordBreak() && width() != FWidth) {
    FRenderer->Reparse(rect());
    FWidth = width();
    ApplyAutoSize();
    updateGeometry();
  }
}

void THtmlLabel::changeEvent(QEvent* AEvent) {
  QWidget::changeEvent(AEvent);
  if ((AEvent->type() == QEvent::FontChange || AEvent->type() == QEvent::PaletteChange) && FParser) {
    ParseCaption();
    Layout();
    update();
  }
}

void THtmlLabel::mouseMoveEvent(QMouseEvent* AEvent) {
  QWidget::mouseMoveEvent(AEvent);
  const QPoint point = AEvent->position().toPoint();
  FRenderer->TrackMouse(point.x(), point.y());
  if (StartsWithLink(FRenderer->TextId()))
    setCursor(FLinkCursor);
  else
    unsetCursor();
}

void THtmlLabel::mousePressEvent(QMouseEvent* AEvent) {
  QWidget::mousePressEvent(AEvent);
  if (AEvent->button() != Qt::LeftButton) return;
  const QPoint point = AEvent->position().toPoint();
  FRenderer->TrackMouse(point.x(), point.y());
  const std::u16string& id = FRenderer->TextId();
  if (FOnLinkClick && StartsWithLink(id) && id.size() > 5) {
    // A copy: the handler may change the caption, which lays out again and clears the id.
    const std::u16string target = id.substr(5);
    FOnLinkClick(target);
  }
}

}  // namespace tess::gui
