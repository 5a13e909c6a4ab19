// Points drawn from their numbers on the QPainter canvas: the block of
// pixels lands where it should, the reduced discs are Qt's own discs pixel
// for pixel, and an SVG gets circles and lines, no bitmap.

#include <QBuffer>
#include <QImage>
#include <QSvgGenerator>
#include <QtTest>
#include <cmath>
#include <random>
#include <vector>

#include "graph_reduziert/graph_reduziert.h"
#include "platform/qtcanvas.h"

namespace gr = graph_reduziert;
using platform::QtCanvas;

namespace {

constexpr int kW = 783;
constexpr int kH = 499;

int DifferingPixels(const QImage& a, const QImage& b) {
  int differing = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) differing += a.pixel(x, y) != b.pixel(x, y);
  return differing;
}

// Pairs spread over the default frame and beyond its edges, many on the
// same pixels, most with a bar.
gr::PlotPoints Scattered(int count) {
  std::mt19937 random(17);
  std::uniform_real_distribution<double> x(-8.3, 8.3), y(-5.4, 5.4), sigma(-0.2, 1.5);
  gr::PlotPoints p;
  for (int i = 0; i < count; ++i) {
    p.x.push_back(std::round(x(random) * 8) / 8);
    p.y.push_back(y(random));
    p.sigma.push_back(sigma(random));
  }
  return p;
}

}  // namespace

class PlotPointsQtCanvasTest : public QObject {
  Q_OBJECT
 private slots:
  void pixelBlockPaintsItsOpaquePixelsOnly() {
    QImage image = QtCanvas::NewBitmap(10, 8);
    const std::uint32_t red = platform::OpaquePixel({255, 0, 0});
    // Two rows of a block 3 wide kept in rows of 5: the last two are not drawn.
    const std::vector<std::uint32_t> pixels = {red, 0, red, 7, 7, 0, red, 0, 7, 7};
    {
      QtCanvas canvas(image);
      QVERIFY(!canvas.DrawsVectors());
      canvas.DrawPixels({8, 6, 3, 2, 5, pixels});  // partly beyond the right edge
      canvas.DrawPixels({0, 0, 3, 2, 5, std::span(pixels).first(7)});  // too few: nothing
    }
    QCOMPARE(image.pixel(8, 6), qRgb(255, 0, 0));
    QCOMPARE(image.pixel(9, 6), qRgb(255, 255, 255));
    QCOMPARE(image.pixel(9, 7), qRgb(255, 0, 0));
    QCOMPARE(image.pixel(8, 7), qRgb(255, 255, 255));
    QCOMPARE(image.pixel(0, 0), qRgb(255, 255, 255));
  }

  void reducedPointsAreQtsDiscsPixelForPixel() {
    gr::BeginPlot(kW, kH, 8, -8);
    const gr::PlotPoints points = Scattered(3000);
    QImage every = QtCanvas::NewBitmap(kW, kH), reduced = QtCanvas::NewBitmap(kW, kH);
    {
      QtCanvas canvas(every);
      canvas.SetPenColor({64, 64, 64});
      for (std::size_t i = 0; i < points.x.size(); ++i) {
        if (!(points.sigma[i] > 0)) continue;
        const int c = gr::XToColumn(points.x[i]);
        const int top = std::clamp(gr::YToRow(points.y[i] + points.sigma[i]), -2, kH + 1);
        const int bottom = std::clamp(gr::YToRow(points.y[i] - points.sigma[i]), -2, kH + 1);
        if (bottom < 0 || top >= kH) continue;  // wholly above or below
        canvas.MoveTo(c, std::max(top, 0));
        canvas.LineTo(c, std::min(bottom, kH - 1) + 1);
        for (const int end : {top, bottom}) {
          if (end < 0 || end >= kH) continue;
          canvas.MoveTo(c - 3, end);
          canvas.LineTo(c + 4, end);
        }
      }
      canvas.SetPenColor(platform::kBlack);
      canvas.SetBrushColor(platform::kAqua);
      for (std::size_t i = 0; i < points.x.size(); ++i) {
        const int c = gr::XToColumn(points.x[i]), r = gr::YToRow(points.y[i]);
        canvas.Ellipse(c - 3, r - 3, c + 4, r + 4);
      }
    }
    {
      QtCanvas canvas(reduced);
      gr::DrawPoints(canvas, points);
    }
    gr::EndPlot();
    QCOMPARE(DifferingPixels(every, reduced), 0);
  }

  void svgGetsCirclesAndLinesAndNoBitmap() {
    gr::BeginPlot(kW, kH, 8, -8);
    gr::PlotPoints points = Scattered(100000);
    QBuffer bytes;
    bytes.open(QIODevice::WriteOnly);
    {
      QSvgGenerator svg;
      svg.setOutputDevice(&bytes);
      svg.setSize(QSize(kW, kH));
      QtCanvas canvas(svg, QSize(kW, kH));
      QVERIFY(canvas.DrawsVectors());
      gr::DrawPoints(canvas, points);
    }
    gr::EndPlot();
    const QByteArray text = bytes.data();
    QVERIFY(!text.contains("<image"));
    const auto circles = text.count("<ellipse") + text.count("<circle");
    QVERIFY(circles > 100);
    QVERIFY(circles < (kW + 6) * (kH + 6));  // at most one per pixel centre
    QVERIFY(text.contains("#404040"));       // the bars' grey
  }
};

QTEST_MAIN(PlotPointsQtCanvasTest)
#include "plotpoints_qtcanvas_test.moc"
