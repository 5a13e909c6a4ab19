// "Periodogramm": the power of the pairs and of the residuals over b, with
// the shown fit's b marked, as a view of its own; every sine of a sum
// marked, over b or over the period, and the pairs' spectral window.

#include <QAction>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QSpinBox>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "_grund/grund.h"
#include "app/controls.h"
#include "app/tform1.h"
#include "app/valuetable.h"
#include "graph_reduziert/graph_reduziert.h"
#include "sinusfit/powercurve.h"
#include "window_fixture.h"

namespace gr = graph_reduziert;

constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr QRgb kRed = qRgb(200, 0, 0), kBlue = qRgb(0, 0, 255), kGrey = qRgb(140, 140, 140);

class PeriodogramTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TForm1> form_;

  // The highest row (smallest y) of a colour in each column of the area.
  static int TopOf(const QImage& image, int column, QRgb colour) {
    for (int y = 0; y < image.height(); ++y)
      if (image.pixel(column, y) == colour) return y;
    return image.height();
  }

  // Red pixels in the columns about a column of the area.
  static int RedNear(const QImage& image, const QRect& area, int column, int reach = 1) {
    int red = 0;
    for (int dx = -reach; dx <= reach; ++dx)
      for (int y = area.top(); y <= area.bottom(); ++y) red += image.pixel(column + dx, y) == kRed;
    return red;
  }

  // The middle of the columns where a colour reaches highest in the area.
  static int HighestColumn(const QImage& image, const QRect& area, QRgb colour) {
    int highest = image.height(), first = -1, last = -1;
    for (int column = area.left(); column <= area.right(); ++column) {
      const int top = TopOf(image, column, colour);
      if (top < highest) highest = top, first = column;
      if (top == highest) last = column;
    }
    return (first + last) / 2;
  }

  // 80 pairs at uneven x of Σ amplitude·sin(b·x + phase) and a little noise,
  // as the table holds them; the bound on |b| 6. In groups, x repeats its
  // gaps every 2,5 (the window's peaks at b = 2π/2,5 and its multiples).
  sinusfit::FitData FillSines(const std::vector<double>& frequencies, bool groups = false) {
    sinusfit::FitData data;
    for (int i = 0; i < 80; ++i) {
      const double x = groups ? 2.5 * (i / 8) + 0.12 * (i % 8) + 0.01 * std::sin(5.0 * i)
                              : 0.37 * i + 0.05 * std::sin(5.0 * i);
      double y = 0.5 * std::sin(17.0 * i * i);
      for (std::size_t k = 0; k < frequencies.size(); ++k)
        y += (k == 0 ? 1.5 : 0.8) * std::sin(frequencies[k] * x + 0.4 + k);
      const std::string texts[] = {grund::FormatPoint(x, 1, 6), grund::FormatPoint(y, 1, 6)};
      for (int column : {0, 1}) form_->SG4->SetCellLatin1(i + 1, column, texts[column]);
      data.x.push_back(grund::ParseNumber(texts[0]).value);
      data.y.push_back(grund::ParseNumber(texts[1]).value);
    }
    form_->Edit5->setText(QStringLiteral("6"));
    return data;
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

  // Every sine of the shown line is marked, over b and over the period
  // 2π/b; the period axis zooms and fits like the frequency axis.
  void marksEverySineOnEitherAxis_data() {
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("count");
    QTest::addColumn<std::vector<double>>("frequencies");
    QTest::newRow("Sinus") << 0 << 1 << std::vector<double>{2.3};
    QTest::newRow("mehrere Frequenzen") << 3 << 2 << std::vector<double>{2.3, 4.1};
    QTest::newRow("Oberschwingungen") << 4 << 2 << std::vector<double>{1.6, 3.2};
  }

  void marksEverySineOnEitherAxis() {
    QFETCH(int, model);
    QFETCH(int, count);
    QFETCH(std::vector<double>, frequencies);
    const sinusfit::FitData data = FillSines(frequencies);
    form_->ComboZielfunktion->setCurrentIndex(model);
    form_->SpinFrequenzen->setValue(count);
    form_->D18C();

    QAction* periodogram = window_fixture::Action(*form_, "actionPeriodogram");
    QAction* periodAxis = window_fixture::Action(*form_, "actionPeriodAxis");
    QAction* spectralWindow = window_fixture::Action(*form_, "actionSpectralWindow");
    // Usable while the periodogram shows (their place in the menu: menus_test).
    QVERIFY(periodAxis != nullptr && spectralWindow != nullptr);
    QVERIFY(!periodAxis->isEnabled() && !spectralWindow->isEnabled());
    periodogram->setChecked(true);
    QVERIFY(periodAxis->isEnabled() && spectralWindow->isEnabled());

    const auto [low, high] = std::minmax_element(data.x.begin(), data.x.end());
    for (const bool period : {false, true}) {
      periodAxis->setChecked(period);
      const auto place = [&](double b) { return period ? kTwoPi / b : b; };
      const gr::PlotView view = form_->CurrentView();
      QCOMPARE(view.XMin, 0.0);
      if (period)  // every mark in view, but not beyond the span
        QVERIFY(view.XMax >
                    1.2 * kTwoPi / *std::min_element(frequencies.begin(), frequencies.end()) &&
                view.XMax <= *high - *low);
      else
        QVERIFY(view.XMax > 5.9 && view.XMax <= 6.0);
      const QImage image = window_fixture::Paint(*form_);
      const QRect area = form_->ViewArea();
      gr::BeginPlotRanges(area.width(), area.height(), view);
      std::vector<int> columns;
      for (const double b : frequencies) columns.push_back(area.left() + gr::XToColumn(place(b)));
      // The pairs' power peaks at the strongest sine's b (the place maps back).
      const double peak = place(gr::ColumnToX(HighestColumn(image, area, kBlue) - area.left()));
      gr::EndPlot();
      for (const int column : columns)
        QVERIFY2(RedNear(image, area, column) > area.height() / 4,
                 qPrintable(QStringLiteral("%1 at column %2").arg(period).arg(column)));
      QVERIFY2(std::fabs(peak - frequencies[0]) < 0.02, qPrintable(QString::number(peak)));

      // Zoomed and fitted again, the view is the same.
      form_->ZoomViewAt(QPointF(columns[0], area.center().y()), 3);
      form_->FitViewToData();
      QCOMPARE(form_->CurrentView(), view);
    }
    periodogram->setChecked(false);
    QVERIFY(!periodAxis->isEnabled() && !spectralWindow->isEnabled());
  }

  // The window of the pairs' x in grey, on the power's grid and scale, on
  // either axis; "An Daten anpassen" takes it in.
  void showsTheSpectralWindowInGreyOnThePowersScale() {
    const sinusfit::FitData data = FillSines({1.1}, true);
    const auto window = sinusfit::ComputeSpectralWindow(data, 6, [] { return true; });
    QVERIFY(window.has_value());
    QAction* periodogram = window_fixture::Action(*form_, "actionPeriodogram");
    QAction* spectralWindow = window_fixture::Action(*form_, "actionSpectralWindow");
    periodogram->setChecked(true);
    const QRect area = form_->ViewArea();
    const auto greyIn = [&](const QImage& image) {
      int grey = 0;
      for (int column = area.left(); column <= area.right(); ++column)
        grey += TopOf(image, column, kGrey) < image.height();
      return grey;
    };
    QCOMPARE(greyIn(window_fixture::Paint(*form_)), 0);

    // Checked, it fits the view to take the window in.
    spectralWindow->setChecked(true);
    const gr::PlotView view = form_->CurrentView();
    QVERIFY(view.YMax >= *std::max_element(window->power.begin(), window->power.end()));
    const QImage image = window_fixture::Paint(*form_);
    // Each sample's height stands in its column, where the pairs' power
    // does not cover it (off the floor).
    gr::BeginPlotRanges(area.width(), area.height(), view);
    int samples = 0, found = 0;
    for (std::size_t k = 0; k < window->power.size(); ++k) {
      if (window->power[k] < 0.1) continue;
      ++samples;
      const int column = area.left() + gr::XToColumn(window->B(k));
      const int row = area.top() + gr::YToRow(window->power[k]);
      bool grey = false;
      for (int dy = -1; dy <= 1; ++dy) grey = grey || image.pixel(column, row + dy) == kGrey;
      found += grey;
    }
    gr::EndPlot();
    QVERIFY2(samples > 10 && found >= samples * 9 / 10,
             qPrintable(QStringLiteral("%1 of %2").arg(found).arg(samples)));
    QVERIFY(greyIn(image) > area.width() / 3);

    window_fixture::Action(*form_, "actionPeriodAxis")->setChecked(true);
    QVERIFY(greyIn(window_fixture::Paint(*form_)) > area.width() / 3);
  }
};

QTEST_MAIN(PeriodogramTest)
#include "periodogram_test.moc"
