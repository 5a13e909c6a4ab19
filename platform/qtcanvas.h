#pragma once
// The canvas on a QPainter over a QImage: what the plot area's paint handler
// draws into before it copies the bitmap onto the widget.
//
// Lines are rasterised here rather than by Qt: the plotting code relies on a
// line's end point being left unpainted (so a polyline paints every joint
// once) and on dotted grid lines, and Qt's own thin lines paint the end point
// or the start point depending on the direction.
//
// The same canvas also paints on a vector device (an SVG or PDF writer): there
// lines stay lines, drawn through pixel centres, and a run of joined lines in
// one pen becomes one polyline.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <QRect>

#include "platform/canvas.h"

namespace platform {

class QtCanvas : public Canvas {
 public:
  // A bitmap with 32 bits per pixel, white all over: the background the plot
  // relies on. A size below 1 x 1 gives a null image (nothing is drawn on it).
  static QImage NewBitmap(int width, int height);

  // Paints into `image` until the canvas is destroyed. Pen: black, width 1,
  // solid; brush: solid white; font: Verdana 9 points, black; antialiasing off.
  explicit QtCanvas(QImage& image);
  // Paints as vectors on `device` (an SVG generator, a PDF writer) in pixel
  // units over an area of `size`; nothing is drawn outside it. Same initial
  // state as on a bitmap. A scale above 1 draws the same picture larger
  // (a print-size bitmap from the window's pixels).
  QtCanvas(QPaintDevice& device, QSize size, double scale = 1);
  ~QtCanvas() override;
  QtCanvas(const QtCanvas&) = delete;
  QtCanvas& operator=(const QtCanvas&) = delete;

  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  void Polygon(std::span<const Point> corners) override;
  void Ellipse(int left, int top, int right, int bottom) override;
  void SetPixel(int x, int y, Color color) override;
  void TextOut(int x, int y, std::string_view text) override;
  int TextWidth(std::string_view text) override;
  int TextHeight(std::string_view text) override;

  void BeginArea(int left, int top, int width, int height) override;
  void EndArea() override;
  void TextOutUtf8(int x, int y, std::string_view text) override;
  int TextWidthUtf8(std::string_view text) override;

  void SetPenColor(Color color) override;
  Color PenColor() const override { return penColorValue_; }
  void SetPenWidth(int width) override;
  void SetPenStyle(PenStyle style) override;
  void SetBrushColor(Color color) override;
  void SetBrushClear() override;
  void SetFont(std::string_view family, int points) override;
  void SetFontColor(Color color) override;
  // Text and the gaps of dotted lines are always drawn without a background;
  // the call is accepted for the plotting code's sake.
  void SetTransparentTextBackground() override {}

  // On a bitmap one drawImage; on a vector device the block is embedded as
  // an image, which is why callers ask DrawsVectors first.
  void DrawPixels(const PixelBlock& block) override;
  bool DrawsVectors() const override { return image_ == nullptr; }

 private:
  void Begin(QPaintDevice& device);
  void ApplyOutlinePen();
  void VectorLine(Point from, Point to);
  // Draws the polyline collected from joined lines; called before anything
  // else is drawn or the pen changes.
  void FlushPolyline();
  void DrawText(int x, int y, const QString& text);
  // The clip of the whole canvas, or of the area within it.
  void ClipTo(const QRect& rect);

  QImage* image_ = nullptr;  // the bitmap; nullptr on a vector device
  QRect bounds_;             // the area drawn in, in the current coordinates
  QRect wholeBounds_;        // bounds_ outside any area
  QPoint areaOrigin_;        // where the current area's (0, 0) lies
  QPainter painter_;
  QPolygonF polyline_;
  Point penPosition_;
  QColor penColor_{Qt::black};
  Color penColorValue_ = kBlack;
  int penWidth_ = 1;
  PenStyle penStyle_ = PenStyle::Solid;
  QColor fontColor_{Qt::black};
};

}  // namespace platform
