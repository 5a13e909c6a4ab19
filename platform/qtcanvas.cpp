#include "platform/qtcanvas.h"

#include <QFontMetrics>
#include <QString>
#include <QVector>
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "platform/qtlatin1.h"

namespace platform {

namespace {

// Shapes handed to Qt are kept within this distance of the origin: far beyond
// any bitmap, yet well inside the range Qt's rasteriser computes in.
constexpr std::int64_t kFar = std::int64_t{1} << 20;
constexpr int kMaxPenWidth = 1000;
constexpr int kMaxFontPoints = 1000;

int ClampFar(std::int64_t v) { return static_cast<int>(std::clamp(v, -kFar, kFar)); }

QColor ToQColor(Color c) { return QColor(c.red, c.green, c.blue); }

// The pixels of the line from (x0, y0) towards (x1, y1), end point excluded,
// restricted to those that can touch the area [0, width) x [0, height) when
// widened by `margin`. Pixel k (k = 0 .. n-1, n = the longer of |dx| and |dy|)
// steps k along the longer axis and round(k * shorter / n) along the other, a
// half rounding away from the start. Only the visible stretch of k is walked,
// so a line to a far-away point costs no more than one across the bitmap.
QVector<QPoint> LinePixels(Point from, Point to, int width, int height, int margin, bool dotted) {
  QVector<QPoint> pixels;
  const std::int64_t dx = std::int64_t{to.x} - from.x;
  const std::int64_t dy = std::int64_t{to.y} - from.y;
  const bool xMajor = std::llabs(dx) >= std::llabs(dy);
  const std::uint64_t n = static_cast<std::uint64_t>(std::max(std::llabs(dx), std::llabs(dy)));
  if (n == 0) return pixels;
  const std::uint64_t m = static_cast<std::uint64_t>(std::min(std::llabs(dx), std::llabs(dy)));
  const std::int64_t majorStart = xMajor ? from.x : from.y;
  const std::int64_t minorStart = xMajor ? from.y : from.x;
  const std::int64_t majorStep = (xMajor ? dx : dy) < 0 ? -1 : 1;
  const std::int64_t minorStep = (xMajor ? dy : dx) < 0 ? -1 : 1;
  const std::int64_t majorExtent = xMajor ? width : height;
  const std::int64_t minorExtent = xMajor ? height : width;

  // k range whose major coordinate lies in [-margin, majorExtent + margin).
  const std::int64_t lo = -margin, hi = majorExtent + margin - 1;
  std::int64_t kFirst = majorStep > 0 ? lo - majorStart : majorStart - hi;
  std::int64_t kLast = majorStep > 0 ? hi - majorStart : majorStart - lo;
  kFirst = std::max<std::int64_t>(kFirst, 0);
  kLast = std::min<std::int64_t>(kLast, static_cast<std::int64_t>(n - 1));
  for (std::int64_t k = kFirst; k <= kLast; ++k) {
    if (dotted && k % 2 != 0) continue;
    // k * m < 2^64 because both are below 2^32.
    const std::uint64_t product = static_cast<std::uint64_t>(k) * m;
    const std::uint64_t rounded = product / n + (2 * (product % n) >= n ? 1 : 0);
    const std::int64_t minor = minorStart + minorStep * static_cast<std::int64_t>(rounded);
    if (minor < -margin || minor >= minorExtent + margin) continue;
    const std::int64_t major = majorStart + majorStep * k;
    pixels.append(xMajor ? QPoint(static_cast<int>(major), static_cast<int>(minor))
                         : QPoint(static_cast<int>(minor), static_cast<int>(major)));
  }
  return pixels;
}

// The part of the segment from `a` to `b` inside `box` (Liang-Barsky), or
// false when none of it is.
bool ClipSegment(QPointF& a, QPointF& b, const QRectF& box) {
  const double dx = b.x() - a.x(), dy = b.y() - a.y();
  double t0 = 0, t1 = 1;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {a.x() - box.left(), box.right() - a.x(), a.y() - box.top(),
                       box.bottom() - a.y()};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) {
      if (t > t1) return false;
      t0 = std::max(t0, t);
    } else {
      if (t < t0) return false;
      t1 = std::min(t1, t);
    }
  }
  const QPointF start = a;
  if (t1 < 1) b = QPointF(start.x() + t1 * dx, start.y() + t1 * dy);
  if (t0 > 0) a = QPointF(start.x() + t0 * dx, start.y() + t0 * dy);
  return true;
}

}  // namespace

QImage QtCanvas::NewBitmap(int width, int height) {
  if (width < 1 || height < 1) return QImage();
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  return image;
}

QtCanvas::QtCanvas(QImage& image)
    : image_(&image), bounds_(image.rect()), wholeBounds_(image.rect()) {
  if (image.isNull()) return;
  Begin(image);
}

QtCanvas::QtCanvas(QPaintDevice& device, QSize size, double scale)
    : bounds_(QPoint(0, 0), size), wholeBounds_(bounds_) {
  if (bounds_.isEmpty()) return;
  Begin(device);
  if (!painter_.isActive()) return;
  if (scale > 0 && scale != 1) painter_.scale(scale, scale);
  painter_.fillRect(bounds_, Qt::white);  // as white as a fresh bitmap
  painter_.setClipRect(bounds_);
  // Integer coordinates name pixels; a vector line runs through their centres.
  painter_.translate(0.5, 0.5);
}

void QtCanvas::Begin(QPaintDevice& device) {
  painter_.begin(&device);
  painter_.setRenderHint(QPainter::Antialiasing, false);
  painter_.setRenderHint(QPainter::TextAntialiasing, false);
  painter_.setBackgroundMode(Qt::TransparentMode);
  painter_.setBrush(Qt::white);
  ApplyOutlinePen();
  SetFont("Verdana", 9);
}

QtCanvas::~QtCanvas() {
  FlushPolyline();
  if (painter_.isActive()) painter_.end();
}

void QtCanvas::ApplyOutlinePen() {
  FlushPolyline();
  QPen pen(penColor_);
  pen.setWidth(penWidth_);
  if (image_ == nullptr) {
    // Square ends cover the pixels a bitmap line paints; dots one pixel long.
    pen.setCapStyle(penStyle_ == PenStyle::Dotted ? Qt::FlatCap : Qt::SquareCap);
    pen.setJoinStyle(Qt::MiterJoin);
  }
  if (penStyle_ == PenStyle::Dotted) pen.setDashPattern({1.0, 1.0});
  painter_.setPen(pen);
}

void QtCanvas::FlushPolyline() {
  if (polyline_.size() >= 2 && painter_.isActive()) {
    painter_.save();
    painter_.setBrush(Qt::NoBrush);
    painter_.drawPolyline(polyline_);
    painter_.restore();
  }
  polyline_.clear();
}

void QtCanvas::VectorLine(Point from, Point to) {
  if (from == to) return;
  QPointF a(from.x, from.y), b(to.x, to.y);
  const double margin = penWidth_ / 2.0 + 1;
  if (!ClipSegment(a, b, QRectF(bounds_).adjusted(-margin, -margin, margin, margin))) {
    FlushPolyline();
    return;
  }
  if (polyline_.isEmpty() || polyline_.back() != a) {
    FlushPolyline();
    polyline_.append(a);
  }
  polyline_.append(b);
}

void QtCanvas::MoveTo(int x, int y) { penPosition_ = {x, y}; }

void QtCanvas::LineTo(int x, int y) {
  const Point from = penPosition_;
  penPosition_ = {x, y};
  if (!painter_.isActive()) return;
  if (image_ == nullptr) {
    VectorLine(from, penPosition_);
    return;
  }
  const int margin = penWidth_ / 2 + 1;
  const QVector<QPoint> pixels = LinePixels(from, penPosition_, bounds_.width(), bounds_.height(),
                                            margin, penStyle_ == PenStyle::Dotted);
  if (penWidth_ == 1) {
    painter_.drawPoints(pixels.data(), static_cast<int>(pixels.size()));
    return;
  }
  // A wide pen paints a square of its width around each pixel of the line.
  const int offset = (penWidth_ - 1) / 2;
  for (const QPoint& p : pixels)
    painter_.fillRect(p.x() - offset, p.y() - offset, penWidth_, penWidth_, penColor_);
}

void QtCanvas::Polygon(std::span<const Point> corners) {
  if (!painter_.isActive() || corners.empty()) return;
  FlushPolyline();
  QVector<QPoint> points;
  points.reserve(static_cast<qsizetype>(corners.size()));
  for (const Point& c : corners) points.append(QPoint(ClampFar(c.x), ClampFar(c.y)));
  painter_.drawPolygon(points.data(), static_cast<int>(points.size()));
}

void QtCanvas::Ellipse(int left, int top, int right, int bottom) {
  if (!painter_.isActive()) return;
  const int l = ClampFar(std::min(left, right)), r = ClampFar(std::max(left, right));
  const int t = ClampFar(std::min(top, bottom)), b = ClampFar(std::max(top, bottom));
  if (r - l < 1 || b - t < 1) return;
  FlushPolyline();
  // Qt's outline of QRect(l, t, w, h) covers columns l .. l + w, so the box
  // with exclusive right and bottom edges is one pixel smaller.
  painter_.drawEllipse(QRect(l, t, r - l - 1, b - t - 1));
}

void QtCanvas::SetPixel(int x, int y, Color color) {
  if (!painter_.isActive() || !bounds_.contains(x, y)) return;
  FlushPolyline();
  if (image_ == nullptr) {
    painter_.fillRect(QRectF(x - 0.5, y - 0.5, 1, 1), ToQColor(color));
    return;
  }
  painter_.save();
  painter_.setPen(QPen(ToQColor(color), 1));
  painter_.drawPoint(x, y);
  painter_.restore();
}

void QtCanvas::TextOut(int x, int y, std::string_view text) { DrawText(x, y, FromLatin1(text)); }

void QtCanvas::TextOutUtf8(int x, int y, std::string_view text) {
  DrawText(x, y, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void QtCanvas::DrawText(int x, int y, const QString& text) {
  if (!painter_.isActive() || std::llabs(x) > kFar || std::llabs(y) > kFar) return;
  FlushPolyline();
  painter_.save();
  painter_.setPen(fontColor_);
  painter_.drawText(QPoint(x, y + painter_.fontMetrics().ascent()), text);
  painter_.restore();
}

int QtCanvas::TextWidthUtf8(std::string_view text) {
  return QFontMetrics(painter_.font(), painter_.device())
      .horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void QtCanvas::BeginArea(int left, int top, int width, int height) {
  if (!painter_.isActive()) return;
  FlushPolyline();
  const QPoint origin(ClampFar(left), ClampFar(top));
  painter_.translate(origin - areaOrigin_);
  areaOrigin_ = origin;
  const QRect area = QRect(QPoint(0, 0), QSize(std::max(width, 0), std::max(height, 0)));
  bounds_ = area.intersected(wholeBounds_.translated(-origin));
  ClipTo(bounds_);
}

void QtCanvas::EndArea() {
  if (!painter_.isActive()) return;
  FlushPolyline();
  painter_.translate(-areaOrigin_);
  areaOrigin_ = QPoint();
  bounds_ = wholeBounds_;
  ClipTo(bounds_);
}

void QtCanvas::ClipTo(const QRect& rect) {
  // On a vector device the coordinates stand half a pixel in, at the centres.
  if (image_ == nullptr)
    painter_.setClipRect(QRectF(rect).translated(-0.5, -0.5));
  else
    painter_.setClipRect(rect);
}

int QtCanvas::TextWidth(std::string_view text) {
  return QFontMetrics(painter_.font(), painter_.device()).horizontalAdvance(FromLatin1(text));
}

int QtCanvas::TextHeight(std::string_view) {
  return QFontMetrics(painter_.font(), painter_.device()).height();
}

void QtCanvas::SetPenColor(Color color) {
  penColorValue_ = color;
  penColor_ = ToQColor(color);
  if (painter_.isActive()) ApplyOutlinePen();
}

void QtCanvas::SetPenWidth(int width) {
  penWidth_ = std::clamp(width, 1, kMaxPenWidth);  // width 0 means one pixel
  if (painter_.isActive()) ApplyOutlinePen();
}

void QtCanvas::SetPenStyle(PenStyle style) {
  penStyle_ = style;
  if (painter_.isActive()) ApplyOutlinePen();
}

void QtCanvas::SetBrushColor(Color color) {
  if (painter_.isActive()) painter_.setBrush(ToQColor(color));
}

void QtCanvas::SetBrushClear() {
  if (painter_.isActive()) painter_.setBrush(Qt::NoBrush);
}

void QtCanvas::SetFont(std::string_view family, int points) {
  if (!painter_.isActive()) return;
  QFont font;
  // A missing face falls back to a sans-serif one of the same size.
  font.setFamilies({FromLatin1(family)});
  font.setStyleHint(QFont::SansSerif);
  font.setStyleStrategy(QFont::NoAntialias);  // glyphs in the font colour only
  font.setPointSize(std::clamp(points, 1, kMaxFontPoints));
  painter_.setFont(font);
}

void QtCanvas::SetFontColor(Color color) { fontColor_ = ToQColor(color); }

void QtCanvas::DrawPixels(const PixelBlock& block) {
  if (!painter_.isActive() || !block.Holds()) return;
  if (std::llabs(block.left) > kFar || std::llabs(block.top) > kFar) return;
  FlushPolyline();
  // Clear pixels are 0 and the others opaque, so the block is valid
  // premultiplied ARGB, the format Qt blends fastest; the image only wraps
  // the caller's pixels.
  const QImage image(reinterpret_cast<const uchar*>(block.pixels.data()), block.width, block.height,
                     static_cast<qsizetype>(block.stride) * 4, QImage::Format_ARGB32_Premultiplied);
  if (image_ != nullptr) {
    painter_.drawImage(QPoint(block.left, block.top), image);
  } else {
    // Vector devices draw from pixel centres: the image's corner is half a
    // pixel up and to the left.
    painter_.drawImage(QPointF(block.left - 0.5, block.top - 0.5), image);
  }
}

}  // namespace platform
