// The whole plot painted onto a real bitmap through the QPainter canvas:
// pixels where the frame, a curve and a data mark must land.

#include <QImage>
#include <QtTest>
#include <cmath>
#include <memory>

#include "_grund/grund.h"
#include "app/tform1.h"
#include "window_fixture.h"

namespace {

const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);
const QColor kGrey(208, 208, 208);
const QColor kBlue(0, 0, 255);
const QColor kAqua(0, 255, 255);

// The row of sin(x) at a column of the 783 x 499 area (48.9375 pixels a
// unit, origin at (392, 250)).
int SineRow(int column) {
  return static_cast<int>(std::nearbyint(-std::sin((column - 392) / 48.9375) * 48.9375 + 250));
}

}  // namespace

class PlotTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TForm1> form_;

  QImage Paint() { return window_fixture::Paint(*form_); }

 private slots:
  void init() { form_ = std::make_unique<TForm1>(); }
  void cleanup() { form_.reset(); }

  void frameAloneOnWhite() {
    grund::ClearPlotList(*form_->PlotList());
    const QImage image = Paint();
    // Axes, including an arrowhead's inside off the axis line.
    for (QPoint p : {QPoint(392, 300), QPoint(392, 11), QPoint(200, 250), QPoint(772, 250),
                     QPoint(762, 248), QPoint(390, 20)})
      QCOMPARE(image.pixelColor(p), kBlack);
    // Arrowheads end at their tips: nothing beyond them.
    QCOMPARE(image.pixelColor(392, 9), kWhite);
    QCOMPARE(image.pixelColor(774, 250), kWhite);
    // Dotted grid lines: every other pixel, light grey.
    QCOMPARE(image.pixelColor(441, 100), kGrey);
    QCOMPARE(image.pixelColor(441, 101), kWhite);
    QCOMPARE(image.pixelColor(100, 54), kGrey);
    QCOMPARE(image.pixelColor(101, 54), kWhite);
    // Tick mark at x = 1 across the axis; none beside the top grid line.
    QCOMPARE(image.pixelColor(441, 245), kBlack);
    QCOMPARE(image.pixelColor(441, 255), kBlack);
    QCOMPARE(image.pixelColor(388, 5), kGrey);
    QCOMPARE(image.pixelColor(389, 5), kWhite);
    QCOMPARE(image.pixelColor(300, 400), kWhite);
  }

  // Text is drawn in the font colour alone, without antialiasing.
  void originNumberStandsBelowLeftOfTheOrigin() {
    grund::ClearPlotList(*form_->PlotList());
    const QImage image = Paint();
    int ink = 0, inkElsewhere = 0;
    for (int y = 256; y < 256 + 16; ++y) {
      for (int x = 372; x < 390; ++x) ink += image.pixelColor(x, y) == kBlack;
      for (int x = 393; x < 430; ++x) inkElsewhere += image.pixelColor(x, y) == kBlack;
    }
    QVERIFY(ink > 5);
    QCOMPARE(inkElsewhere, 0);  // the "1" of x = 1 starts at column 431
  }

  void curveAndMarkLandOnTheirPixels() {
    grund::PlotList& list = *form_->PlotList();
    grund::ClearPlotList(list);
    grund::AddPlotTerm(list, " ");
    grund::AddPlotTerm(list, "SIN(X)");
    for (const char* entry : {"#m", "...", "1.5", "2", "..."}) grund::AddPlotEntry(list, entry);
    const QImage image = Paint();

    for (int column : {0, 100, 250, 600, 782})
      QCOMPARE(image.pixelColor(column, SineRow(column)), kBlue);
    // The disc around (465, 152): aqua inside, black rim, white beyond.
    QCOMPARE(image.pixelColor(465, 152), kAqua);
    QCOMPARE(image.pixelColor(463, 151), kAqua);
    for (QPoint rim : {QPoint(462, 152), QPoint(468, 152), QPoint(465, 149), QPoint(465, 155)})
      QCOMPARE(image.pixelColor(rim), kBlack);
    for (QPoint beyond : {QPoint(461, 152), QPoint(469, 152), QPoint(465, 148), QPoint(465, 156)})
      QCOMPARE(image.pixelColor(beyond), kWhite);
  }

  void releasedListPaintsTheFrameOnly() {
    form_->FormClose();
    QCOMPARE(form_->PlotList(), nullptr);
    const QImage image = Paint();
    QCOMPARE(image.pixelColor(392, 300), kBlack);
    QCOMPARE(image.pixelColor(465, 152), kWhite);
  }
};

QTEST_MAIN(PlotTest)
#include "plot_test.moc"
