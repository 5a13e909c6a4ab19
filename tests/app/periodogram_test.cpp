// "Periodogramm": the power of the pairs and of the residuals over b, with
// the shown fit's b marked, as a view of its own.

#include <QAction>
#include <QImage>
#include <QLineEdit>
#include <QtTest>
#include <cmath>
#include <memory>

#include "_grund/grund.h"
#include "app/controls.h"
#include "app/tform1.h"
#include "app/valuetable.h"
#include "graph_reduziert/graph_reduziert.h"
#include "window_fixture.h"

namespace gr = graph_reduziert;

class PeriodogramTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TForm1> form_;

  // The highest row (smallest y) of a colour in each column of the area.
  static int TopOf(const QImage& image, int column, QRgb colour) {
    for (int y = 0; y < image.height(); ++y)
      if (image.pixel(column, y) == colour) return y;
    return image.height();
  }

 private slots:
  void init() { window_fixture::Open(form_); }
  void cleanup() { form_.reset(); }

  void showsThePowerWithTheFoundPeakMarkedAndGivesThePairsBack() {
    for (int i = 0; i < 80; ++i) {
      const double x = 0.37 * i + 0.05 * std::sin(5.0 * i);
      const double y = 1.5 * std::sin(2.3 * x + 0.4) + 0.5 * std::sin(17.0 * i * i);
      form_->SG4->SetCellLatin1(i + 1, 0, grund::FormatPoint(x, 1, 6));
      form_->SG4->SetCellLatin1(i + 1, 1, grund::FormatPoint(y, 1, 6));
    }
    form_->Edit5->setText(QStringLiteral("6"));
    form_->D18C();
    form_->FitViewToData();
    const gr::PlotView pairsView = form_->CurrentView();

    QAction* periodogram = window_fixture::Action(*form_, "actionPeriodogram");
    QVERIFY(periodogram != nullptr && periodogram->isCheckable());
    periodogram->setChecked(true);
    const gr::PlotView view = form_->CurrentView();
    QCOMPARE(view.XMin, 0.0);
    QVERIFY(view.XMax > 5.9 && view.XMax <= 6.0);
    QVERIFY(view.YMax > 0.5 && view.YMax <= 1.05);

    const QImage image = window_fixture::Paint(*form_);
    const QRect area = form_->ViewArea();
    gr::BeginPlotRanges(area.width(), area.height(), view);
    const int peak = area.left() + gr::XToColumn(2.3);
    gr::EndPlot();
    // The pairs' power peaks at b = 2,3, where the red mark stands; the
    // residuals' power stays far below it there.
    int highest = image.height(), highestColumn = -1;
    for (int column = area.left(); column <= area.right(); ++column) {
      const int top = TopOf(image, column, qRgb(0, 0, 255));
      if (top < highest) highest = top, highestColumn = column;
    }
    QVERIFY2(std::abs(highestColumn - peak) <= 2, qPrintable(QString::number(highestColumn)));
    int red = 0;
    for (int dx = -1; dx <= 1; ++dx)
      for (int y = area.top(); y <= area.bottom(); ++y) red += image.pixel(peak + dx, y) == qRgb(200, 0, 0);
    QVERIFY(red > area.height() / 4);
    QVERIFY(TopOf(image, peak, qRgb(230, 80, 0)) > highest + area.height() / 2);
    int orange = 0;
    for (int column = area.left(); column <= area.right(); ++column)
      orange += TopOf(image, column, qRgb(230, 80, 0)) < image.height();
    QVERIFY(orange > area.width() / 2);

    periodogram->setChecked(false);
    QCOMPARE(form_->CurrentView(), pairsView);
  }
};

QTEST_MAIN(PeriodogramTest)
#include "periodogram_test.moc"
