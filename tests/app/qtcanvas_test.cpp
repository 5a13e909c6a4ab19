// The QPainter canvas, checked pixel by pixel on a real bitmap.

#include "platform/qtcanvas.h"

#include <QImage>
#include <QtTest>
#include <array>
#include <climits>

using platform::Color;
using platform::QtCanvas;

namespace {

constexpr QRgb kWhitePixel = 0xFFFFFFFF;
constexpr QRgb kBlackPixel = 0xFF000000;
constexpr QRgb kAquaPixel = 0xFF00FFFF;

int PaintedCount(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) != kWhitePixel;
  return count;
}

}  // namespace

class QtCanvasTest : public QObject {
  Q_OBJECT
 private slots:
  void newBitmapIsWhiteRgb32() {
    const QImage image = QtCanvas::NewBitmap(31, 17);
    QCOMPARE(image.format(), QImage::Format_RGB32);
    QCOMPARE(image.size(), QSize(31, 17));
    QCOMPARE(PaintedCount(image), 0);
    QVERIFY(QtCanvas::NewBitmap(0, 10).isNull());
  }

  void lineLeavesItsEndPointUnpainted_data() {
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::newRow("right") << QPoint(2, 5) << QPoint(10, 5);
    QTest::newRow("left") << QPoint(10, 5) << QPoint(2, 5);
    QTest::newRow("down") << QPoint(5, 2) << QPoint(5, 12);
    QTest::newRow("up") << QPoint(5, 12) << QPoint(5, 3);
    QTest::newRow("steep up-left") << QPoint(12, 14) << QPoint(8, 2);
    QTest::newRow("flat down-right") << QPoint(1, 1) << QPoint(15, 6);
  }
  void lineLeavesItsEndPointUnpainted() {
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QImage image = QtCanvas::NewBitmap(20, 20);
    {
      QtCanvas canvas(image);
      canvas.MoveTo(from.x(), from.y());
      canvas.LineTo(to.x(), to.y());
    }
    QCOMPARE(image.pixel(from), kBlackPixel);
    QCOMPARE(image.pixel(to), kWhitePixel);
    // One pixel per step along the longer axis, the end point left out.
    const int steps = std::max(std::abs(to.x() - from.x()), std::abs(to.y() - from.y()));
    QCOMPARE(PaintedCount(image), steps);
  }

  void polylinePaintsEveryJointOnceAndAZeroLineNothing() {
    QImage image = QtCanvas::NewBitmap(20, 20);
    {
      QtCanvas canvas(image);
      canvas.MoveTo(3, 3);
      canvas.LineTo(3, 3);
      QCOMPARE(PaintedCount(image), 0);
      canvas.LineTo(9, 3);
      canvas.LineTo(9, 9);
    }
    QCOMPARE(image.pixel(9, 3), kBlackPixel);  // the joint, painted by the second line
    QCOMPARE(image.pixel(9, 9), kWhitePixel);
    QCOMPARE(PaintedCount(image), 12);
  }

  void dottedLineAlternates() {
    QImage image = QtCanvas::NewBitmap(30, 30);
    {
      QtCanvas canvas(image);
      canvas.SetPenColor({208, 208, 208});
      canvas.SetPenStyle(platform::PenStyle::Dotted);
      canvas.MoveTo(0, 4);
      canvas.LineTo(30, 4);
      canvas.MoveTo(7, 29);
      canvas.LineTo(7, 0);
    }
    const QRgb grey = qRgb(208, 208, 208);
    for (int x = 0; x < 30; ++x) QCOMPARE(image.pixel(x, 4), x % 2 == 0 ? grey : kWhitePixel);
    for (int y = 29; y > 0; --y)
      if (y != 4) QCOMPARE(image.pixel(7, y), (29 - y) % 2 == 0 ? grey : kWhitePixel);
  }

  void discOfSevenPixelsFillsItsExclusiveBox() {
    QImage image = QtCanvas::NewBitmap(20, 20);
    const int c = 9, r = 8;
    {
      QtCanvas canvas(image);
      canvas.SetPenColor(platform::kBlack);
      canvas.SetBrushColor(platform::kAqua);
      canvas.Ellipse(c - 3, r - 3, c + 4, r + 4);
    }
    QCOMPARE(image.pixel(c, r), kAquaPixel);
    QCOMPARE(image.pixel(c - 2, r), kAquaPixel);
    QCOMPARE(image.pixel(c + 2, r), kAquaPixel);
    for (QPoint edge : {QPoint(c - 3, r), QPoint(c + 3, r), QPoint(c, r - 3), QPoint(c, r + 3)})
      QCOMPARE(image.pixel(edge), kBlackPixel);
    for (QPoint outside : {QPoint(c - 4, r), QPoint(c + 4, r), QPoint(c, r - 4), QPoint(c, r + 4)})
      QCOMPARE(image.pixel(outside), kWhitePixel);
  }

  void clearBrushLeavesShapesHollow() {
    QImage image = QtCanvas::NewBitmap(20, 20);
    {
      QtCanvas canvas(image);
      canvas.SetBrushColor(platform::kAqua);
      canvas.SetBrushClear();
      canvas.Ellipse(2, 2, 15, 15);
    }
    QCOMPARE(image.pixel(8, 8), kWhitePixel);
    QCOMPARE(image.pixel(2, 8), kBlackPixel);
  }

  void polygonHasAPenOutlineAndABrushInside() {
    QImage image = QtCanvas::NewBitmap(20, 20);
    {
      QtCanvas canvas(image);
      canvas.SetPenColor(platform::kBlack);
      canvas.SetBrushColor(platform::kBlue);
      const std::array<platform::Point, 3> corners{{{2, 2}, {16, 9}, {2, 16}}};
      canvas.Polygon(corners);
    }
    QCOMPARE(image.pixel(2, 2), kBlackPixel);
    QCOMPARE(image.pixel(2, 9), kBlackPixel);
    QCOMPARE(image.pixel(6, 9), qRgb(0, 0, 255));
    QCOMPARE(image.pixel(17, 9), kWhitePixel);
  }

  void textLandsBelowAndRightOfItsPointOnATransparentBackground() {
    QImage image = QtCanvas::NewBitmap(80, 50);
    const int x = 20, y = 15;
    int width = 0, height = 0;
    {
      QtCanvas canvas(image);
      // A red field behind the text must stay red between the glyphs.
      canvas.SetPenColor({255, 0, 0});
      canvas.SetBrushColor({255, 0, 0});
      const std::array<platform::Point, 4> field{{{x, y}, {79, y}, {79, 49}, {x, 49}}};
      canvas.Polygon(field);
      canvas.SetFontColor(platform::kBlack);
      canvas.TextOut(x, y, "Hg\xE9");  // Latin-1 e acute
      width = canvas.TextWidth("Hg\xE9");
      height = canvas.TextHeight("Hg\xE9");
    }
    QVERIFY(width > 10 && width < 40);
    QVERIFY(height >= 12 && height <= 20);
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    int red = 0;
    for (int py = 0; py < image.height(); ++py) {
      for (int px = 0; px < image.width(); ++px) {
        const QRgb p = image.pixel(px, py);
        if (p == qRgb(255, 0, 0)) ++red;
        if (p == qRgb(255, 0, 0) || p == kWhitePixel) continue;  // not glyph ink
        left = std::min(left, px), top = std::min(top, py);
        right = std::max(right, px), bottom = std::max(bottom, py);
      }
    }
    QVERIFY(right >= 0);
    QVERIFY(left >= x && top >= y);
    QVERIFY(right < x + width && bottom < y + height);
    QVERIFY(top < y + height / 2);  // the capital reaches up near the point
    QVERIFY(red > (80 - x) * (50 - y) - width * height);
  }

  void setPixelPaintsOnePixelAndIgnoresPointsOutside() {
    QImage image = QtCanvas::NewBitmap(10, 10);
    {
      QtCanvas canvas(image);
      canvas.SetPixel(3, 4, platform::kBlue);
      canvas.SetPixel(-1, 4, platform::kBlue);
      canvas.SetPixel(10, 10, platform::kBlue);
      canvas.SetPixel(INT_MIN, INT_MAX, platform::kBlue);
    }
    QCOMPARE(image.pixel(3, 4), qRgb(0, 0, 255));
    QCOMPARE(PaintedCount(image), 1);
  }

  // The plotting code may hand over far-away points (a curve parked off the
  // area, a mark of a huge value); they must neither hang nor overflow.
  void farAwayShapesDrawOnlyTheirVisiblePart() {
    QImage image = QtCanvas::NewBitmap(40, 30);
    {
      QtCanvas canvas(image);
      canvas.SetBrushClear();
      canvas.Ellipse(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
      canvas.Ellipse(INT_MAX - 8, 3, INT_MAX, 9);
      canvas.MoveTo(INT_MIN, 7);
      canvas.LineTo(INT_MAX, 7);
      canvas.MoveTo(0, 0);
      canvas.LineTo(INT_MAX, INT_MAX / 2 + 1);  // slope one half
      canvas.TextOut(INT_MAX, INT_MIN, "x");
      const std::array<platform::Point, 3> corners{{{INT_MIN, 0}, {INT_MAX, 0}, {0, INT_MAX}}};
      canvas.Polygon(corners);
    }
    for (int x = 0; x < 40; ++x) QCOMPARE(image.pixel(x, 7), kBlackPixel);
    QCOMPARE(image.pixel(20, 10), kBlackPixel);
    QCOMPARE(image.pixel(21, 11), kBlackPixel);
  }

  void widePenPaintsASquarePerPixel() {
    QImage image = QtCanvas::NewBitmap(20, 20);
    {
      QtCanvas canvas(image);
      canvas.SetPenWidth(3);
      canvas.MoveTo(5, 10);
      canvas.LineTo(15, 10);
    }
    for (int y : {9, 10, 11}) QCOMPARE(image.pixel(5, y), kBlackPixel);
    QCOMPARE(image.pixel(5, 12), kWhitePixel);
    QCOMPARE(image.pixel(16, 10), kWhitePixel);
  }
};

QTEST_MAIN(QtCanvasTest)
#include "qtcanvas_test.moc"
