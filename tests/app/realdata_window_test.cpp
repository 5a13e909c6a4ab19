// Real measured data through the window: data far from the example pairs'
// size, Δy with a weighted fit, the bold best line, the order by error, the
// scan's hint, undo from the table's menu and what a computation leaves for
// the results file.

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "_grund/grund.h"
#include "app/controls.h"
#include "app/tform1.h"
#include "app/valuetable.h"
#include "fktint/fktint.h"
#include "platform/qtlatin1.h"
#include "sinusfit/sinusfit.h"
#include "pumping.h"
#include "valuetable_access.h"
#include "window_fixture.h"

using namespace table_access;
using pumping::AtPumping;

namespace {

struct Series {
  std::vector<double> x, y;
};

// y = a·sin(b·x + c) + d with a little seeded noise, at n evenly spaced x.
Series NoisySine(int n, double x0, double dx, double a, double b, double c, double d,
                 double noise, unsigned seed) {
  std::mt19937 random(seed);
  std::normal_distribution<double> scatter(0.0, noise);
  Series series;
  for (int i = 0; i < n; ++i) {
    const double x = x0 + dx * i;
    series.x.push_back(x);
    series.y.push_back(a * std::sin(b * (x - x0) + c) + d + scatter(random));
  }
  return series;
}

double ReadNumber(const QString& text) {
  return grund::ParseNumber(grund::CommaToPoint(platform::ToLatin1(text))).value;
}

// The error sum of a term text over the pairs, as the interpreter reads it.
double ErrorOfTerm(std::string_view term, const Series& series) {
  long double sum = 0;
  for (std::size_t i = 0; i < series.x.size(); ++i) {
    const long double r = series.y[i] - fktint::EvaluateTerm(term, series.x[i]);
    sum += r * r;
  }
  return static_cast<double>(sum);
}

QString Text(double value) { return QString::number(value, 'g', 17); }

// The pixels of one colour in a picture file.
int PixelsOf(const QString& picture, QRgb colour) {
  const QImage image(picture);
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) == colour;
  return count;
}

}  // namespace

class RealDataWindowTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TForm1> form_;

  void Fill(const Series& series) {
    for (std::size_t i = 0; i < series.x.size(); ++i) {
      const int row = static_cast<int>(i) + 1;
      SetCellText(*form_->SG4, row, 0, Text(series.x[i]));
      SetCellText(*form_->SG4, row, 1, Text(series.y[i]));
    }
  }
  void Compute() {
    form_->D18C();
    QCOMPARE(app::CalcIdle, std::uint8_t{1});
  }
  std::vector<std::string> Entries() const {
    std::vector<std::string> entries;
    for (int i = 0; i < form_->Listbox1->count(); ++i)
      entries.push_back(platform::ToLatin1(form_->Listbox1->item(i)->text()));
    return entries;
  }
  int BoldLine() const {
    int bold = -1;
    for (int i = 0; i < form_->Listbox1->count(); ++i) {
      if (!form_->Listbox1->item(i)->font().bold()) continue;
      if (bold >= 0) return -2;  // more than one
      bold = i;
    }
    return bold;
  }

 private slots:
  void init() { window_fixture::Open(form_, {.collectMessages = true}); }
  void cleanup() { form_.reset(); }

  void everyListedErrorIsItsTermsOwn_data() {
    QTest::addColumn<double>("x0");
    QTest::addColumn<double>("dx");
    QTest::addColumn<double>("a");
    QTest::addColumn<double>("b");
    QTest::addColumn<double>("d");
    QTest::addColumn<double>("noise");
    QTest::addColumn<QString>("bound");
    // Yearly counts with an 11-year cycle: errors in the 10⁵.
    QTest::newRow("sunspots") << 1700.0 << 1.0 << 60.0 << 0.5668 << 70.0 << 30.0 << "2";
    // Air pressure in Pa: y near 10⁵ with a spread of 10³.
    QTest::newRow("pressure") << 0.0 << 0.5 << 800.0 << 0.26 << 101300.0 << 40.0 << "2";
    // A room logger stamped in Unix time: a daily cycle.
    QTest::newRow("unix time") << 1.7e9 << 1800.0 << 2.0 << 7.27e-5 << 21.0 << 0.2 << "0,001";
    // Microvolts.
    QTest::newRow("microvolts") << 0.0 << 0.001 << 2.5e-6 << 313.1 << 1e-7 << 1e-7 << "400";
  }
  void everyListedErrorIsItsTermsOwn() {
    QFETCH(double, x0);
    QFETCH(double, dx);
    QFETCH(double, a);
    QFETCH(double, b);
    QFETCH(double, d);
    QFETCH(double, noise);
    QFETCH(QString, bound);
    const Series series = NoisySine(200, x0, dx, a, b, 0.3, d, noise, 7);
    Fill(series);
    form_->Edit5->setText(bound);
    form_->CheckFrequenzsuche->setChecked(true);
    Compute();

    const std::vector<std::string> entries = Entries();
    QVERIFY(entries.size() >= 2);
    std::vector<double> errors;
    for (const std::string& entry : entries) {
      const double listed = sinusfit::ErrorOfEntry(entry);
      const double own = ErrorOfTerm(sinusfit::TermOfEntry(entry), series);
      QVERIFY2(std::fabs(listed - own) <= 1e-5 * std::fabs(own), entry.c_str());
      errors.push_back(listed);
    }
    // The best line is bold, only it (of equal errors the lowest |b|), and
    // it is a real fit: the noise's own error sum, not the flat line's.
    std::vector<sinusfit::RankedEntry> lines;
    for (std::size_t i = 0; i < entries.size(); ++i) lines.push_back({errors[i], entries[i]});
    const std::size_t best = sinusfit::BestEntryIndex(std::span<const sinusfit::RankedEntry>(lines));
    for (std::size_t i = 0; i < entries.size(); ++i)
      if (errors[i] == errors[best]) QVERIFY(sinusfit::FrequencyOfEntry(entries[i]) >= sinusfit::FrequencyOfEntry(entries[best]));
    QCOMPARE(BoldLine(), static_cast<int>(best));
    QVERIFY(errors[best] < 4.0 * noise * noise * 200);

    // Beyond the usual scale the computation ends on its best line, chosen.
    QCOMPARE(form_->Listbox1->currentRow(), static_cast<int>(best));
    // A chosen line's f(x) are its term's values.
    const auto [low, high] = std::minmax_element(series.y.begin(), series.y.end());
    const double range = *high - *low;
    const QList<QListWidgetItem*> chosen = form_->Listbox1->findItems(
        QString::fromLatin1(entries[best].c_str()), Qt::MatchExactly);
    form_->Listbox1->setCurrentItem(chosen.front());
    form_->Listbox1Click();
    const std::string_view term = sinusfit::TermOfEntry(entries[best]);
    for (int row : {1, 57, 200}) {
      const double shown = ReadNumber(CellText(*form_->SG4, row, 2));
      const double own = fktint::EvaluateTerm(term, series.x[row - 1]);
      QVERIFY2(std::fabs(shown - own) <= 1e-5 * range, qPrintable(QString::number(row)));
    }
  }

  void openingShowsThePairs() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sunspots.csv"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Jahr;Anzahl\n1700;5\n1750;83,4\n1800;14,5\n1850;66,6\n");
    file.close();
    QVERIFY(form_->OpenPairFile(path));
    QVERIFY(form_->HasUserView());
    const graph_reduziert::PlotView view = form_->CurrentView();
    QVERIFY(view.XMin < 1700 && view.XMax > 1850 && view.YMin < 5 && view.YMax > 83.4);
    QVERIFY(form_->PlotList()->Entries.empty());  // no curve
    QTemporaryDir pictures;
    const QString picture = pictures.filePath(QStringLiteral("opened.png"));
    QVERIFY(form_->ExportPlot(picture));
    QVERIFY(PixelsOf(picture, qRgb(0, 255, 255)) > 4 * 10);
    // A change of the pairs takes the picture of the opened ones away.
    SetCellText(*form_->SG4, 1, 1, QStringLiteral("9"));
    QVERIFY(form_->ExportPlot(picture));
    QCOMPARE(PixelsOf(picture, qRgb(0, 255, 255)), 0);
  }

  void aLongFileOpensWholeAndComputes() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("logger.csv"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("t;U\n");
    for (int i = 0; i < 732; ++i)
      file.write(QStringLiteral("%1;%2\n")
                     .arg(i)
                     .arg(std::sin(0.5236 * i) + 0.01 * (i % 7), 0, 'f', 4)
                     .toLatin1());
    file.close();
    form_->S11C();
    QVERIFY(form_->OpenPairFile(path));
    QCOMPARE(form_->Label2->text(), QStringLiteral("732"));
    QCOMPARE(CellText(*form_->SG4, 732, 0), QStringLiteral("731"));
    QVERIFY(form_->LastMessage().isEmpty());
    // Undone, the examples are back in the 200-row table.
    form_->SG4->Undo();
    QCOMPARE(form_->SG4->rowCount(), app::ValueTable::kRows);
    QCOMPARE(CellText(*form_->SG4, 1, 0), QStringLiteral("1.5"));
    form_->SG4->Redo();
    form_->CheckFrequenzsuche->setChecked(true);
    form_->Edit5->setText(QStringLiteral("3"));
    Compute();
    QCOMPARE(form_->Label2->text(), QStringLiteral("732"));
    // The best line's error is its term's on all pairs.
    Series series;
    for (int i = 0; i < 732; ++i) {
      series.x.push_back(i);
      series.y.push_back(ReadNumber(CellText(*form_->SG4, i + 1, 1)));
    }
    std::vector<double> errors;
    for (const std::string& entry : Entries()) errors.push_back(sinusfit::ErrorOfEntry(entry));
    const std::string best = Entries()[sinusfit::BestEntryIndex(errors)];
    const double own = ErrorOfTerm(sinusfit::TermOfEntry(best), series);
    QVERIFY2(std::fabs(sinusfit::ErrorOfEntry(best) - own) <= 1e-5 * own + 1e-9, best.c_str());
    QVERIFY2(own < 0.05 * 732, best.c_str());
  }

  void theListMayBeOrderedByError() {
    form_->S11C();
    Compute();
    const std::vector<std::string> byText = Entries();
    form_->actionSortByError->setChecked(true);
    const std::vector<std::string> byError = Entries();
    QCOMPARE(byError.size(), byText.size());
    for (std::size_t i = 1; i < byError.size(); ++i)
      QVERIFY(sinusfit::ErrorOfEntry(byError[i - 1]) <= sinusfit::ErrorOfEntry(byError[i]));
    QCOMPARE(BoldLine(), 0);
    // A computation while on keeps the order as its lines come in.
    Compute();
    const std::vector<std::string> again = Entries();
    for (std::size_t i = 1; i < again.size(); ++i)
      QVERIFY(sinusfit::ErrorOfEntry(again[i - 1]) <= sinusfit::ErrorOfEntry(again[i]));
    form_->actionSortByError->setChecked(false);
    std::vector<std::string> sorted = Entries();
    QVERIFY(std::is_sorted(sorted.begin(), sorted.end(), [](const std::string& l, const std::string& r) {
      return QString::fromLatin1(l.c_str()) < QString::fromLatin1(r.c_str());
    }));
  }

  void uncertaintiesWeightTheFitAndDrawBars() {
    form_->S11C();
    form_->SetSigmaFillAsker([] { return std::optional<QString>(QStringLiteral("0,1")); });
    form_->actionFillSigma->trigger();
    QVERIFY(form_->SG4->SigmaColumnShown());
    QVERIFY(form_->actionUncertainties->isChecked());
    QCOMPARE(CellText(*form_->SG4, 9, 3), QStringLiteral("0,1"));
    Compute();
    QVERIFY(form_->Panel6->text().startsWith(QStringLiteral("χ²")));
    QVERIFY(form_->Panel6->text().endsWith(QStringLiteral("Funktion")));
    QVERIFY(form_->LabelStatistik->text().contains(QStringLiteral("χ² =")));
    QVERIFY(form_->LabelStatistik->text().contains(QStringLiteral("ν = 5")));
    // Dark grey error bars in the picture.
    QTemporaryDir dir;
    const QString picture = dir.filePath(QStringLiteral("bars.png"));
    form_->FitViewToData();
    QVERIFY(form_->ExportPlot(picture));
    QVERIFY(PixelsOf(picture, qRgb(64, 64, 64)) > 50);

    // Unweighted again with the column off: the specified heading.
    form_->actionUncertainties->setChecked(false);
    Compute();
    QVERIFY(form_->Panel6->text().startsWith(QStringLiteral("Summe der Fehlerquadrate")));
  }

  void badUncertaintiesAreRefusedAndNothingChanges_data() {
    QTest::addColumn<QString>("sigma");
    QTest::addColumn<QString>("named");
    QTest::newRow("zero") << "0" << "Zeile 3: Δy = 0";
    QTest::newRow("missing") << "" << "Zeile 3: Δy fehlt";
    QTest::newRow("negative") << "-0,2" << "Zeile 3: Δy ist negativ";
    QTest::newRow("text") << "abc" << "Zeile 3: Δy ist keine Zahl";
  }
  void badUncertaintiesAreRefusedAndNothingChanges() {
    QFETCH(QString, sigma);
    QFETCH(QString, named);
    form_->S11C();
    Compute();  // unweighted, with its lines, f(x) and plot
    form_->SetSigmaFillAsker([] { return std::optional<QString>(QStringLiteral("5 %")); });
    form_->actionFillSigma->trigger();
    SetCellText(*form_->SG4, 3, 3, sigma);
    const std::vector<std::string> lines = Entries();
    const QString fx = CellText(*form_->SG4, 1, 2);
    const std::vector<std::string> plot = form_->PlotList()->Entries;
    Compute();
    QVERIFY2(form_->LastMessage().contains(named), qPrintable(form_->LastMessage()));
    QVERIFY(Entries() == lines);
    QCOMPARE(CellText(*form_->SG4, 1, 2), fx);
    QVERIFY(form_->PlotList()->Entries == plot);
    QCOMPARE(form_->Button1->text(), QStringLiteral("Berechnung"));
    QVERIFY(form_->S11->isEnabled());
  }

  void theScanHintTellsTheTruth_data() {
    QTest::addColumn<bool>("examples");
    QTest::newRow("example pairs") << true;
    QTest::newRow("a fast cycle") << false;
  }
  void theScanHintTellsTheTruth() {
    QFETCH(bool, examples);
    if (examples) {
      form_->S11C();
    } else {
      // Uneven x over a long span: random starts hardly ever meet the cycle.
      Series series = NoisySine(200, 0.0, 10.0, 3.0, 37.3, 0.4, 1.0, 0.05, 3);
      std::mt19937 random(5);
      std::uniform_real_distribution<double> anywhere(0.0, 2000.0);
      for (std::size_t i = 0; i < series.x.size(); ++i) {
        series.x[i] = anywhere(random);
        series.y[i] = 3.0 * std::sin(37.3 * series.x[i] + 0.4) + 1.0;
      }
      Fill(series);
      form_->Edit5->setText(QStringLiteral("50"));
    }
    Compute();
    double best = INFINITY;
    for (const std::string& entry : Entries()) best = std::fmin(best, sinusfit::ErrorOfEntry(entry));
    // The hint, if any, comes while the window is idle.
    QTest::qWait(1500);
    const QString label = form_->LabelStatistik->text();
    const bool hinted = label.contains(QStringLiteral("Tipp: Frequenzsuche"));

    form_->CheckFrequenzsuche->setChecked(true);
    Compute();
    double scanned = INFINITY;
    for (const std::string& entry : Entries())
      scanned = std::fmin(scanned, sinusfit::ErrorOfEntry(entry));
    qInfo("best listed %.9g, with the scan %.9g", best, scanned);
    if (hinted) {
      QVERIFY2(scanned <= 0.99 * best, qPrintable(label));
    } else {
      QVERIFY2(scanned > 0.99 * best * (1 - 1e-4), qPrintable(label));
    }
    if (!examples) QVERIFY(hinted);
  }

  void theTableMenuUndoesAndRedoes() {
    QVERIFY(!form_->actionUndo->isEnabled());
    form_->S11C();
    QVERIFY(form_->actionUndo->isEnabled());
    form_->actionUndo->trigger();
    QVERIFY(CellText(*form_->SG4, 1, 0).isEmpty());
    QVERIFY(form_->actionRedo->isEnabled());
    form_->actionRedo->trigger();
    QCOMPARE(CellText(*form_->SG4, 1, 0), QStringLiteral("1.5"));
    // The Δy fill: the column's switch and the values, undone step by step.
    form_->SetSigmaFillAsker([] { return std::optional<QString>(QStringLiteral("2 %")); });
    form_->actionFillSigma->trigger();
    QCOMPARE(ReadNumber(CellText(*form_->SG4, 1, 3)), 0.028);
    form_->actionUndo->trigger();
    QVERIFY(CellText(*form_->SG4, 1, 3).isEmpty());
    form_->actionUndo->trigger();
    QVERIFY(!form_->SG4->SigmaColumnShown());
    QVERIFY(!form_->actionUncertainties->isChecked());
    // A fill that is no Δy changes nothing and says so.
    form_->SetSigmaFillAsker([] { return std::optional<QString>(QStringLiteral("-3")); });
    form_->actionFillSigma->trigger();
    QVERIFY(!form_->SG4->SigmaColumnShown());
    QVERIFY(form_->LastMessage().contains(QStringLiteral("kein Δy")));
  }

  void theResultsFileBelongsToTheComputedPairs() {
    form_->S11C();
    Compute();
    QTemporaryDir dir;
    const QString before = dir.filePath(QStringLiteral("before.csv"));
    const QString after = dir.filePath(QStringLiteral("after.csv"));
    QVERIFY(form_->SaveResults(before));
    SetCellText(*form_->SG4, 4, 1, QStringLiteral("7"));
    SetCellText(*form_->SG4, 12, 0, QStringLiteral("3"));
    QVERIFY(form_->SaveResults(after));
    QFile first(before), second(after);
    QVERIFY(first.open(QIODevice::ReadOnly) && second.open(QIODevice::ReadOnly));
    QCOMPARE(second.readAll(), first.readAll());
  }

  void actionsThatReplaceTheTableWaitForTheComputation() {
    form_->S11C();
    bool checked = false;
    AtPumping(2, [&] {
          checked = true;
          QVERIFY(!form_->S11->isEnabled() && !form_->S1->isEnabled());
          QVERIFY(!form_->actionOpenPairs->isEnabled() && !form_->acceptDrops());
          QVERIFY(!form_->actionFillSigma->isEnabled());
          QVERIFY(!form_->SG4->PasteText(QStringLiteral("1\t2\n3\t4")));
          form_->S1X();
        });
    Compute();
    QVERIFY(checked);
    QCOMPARE(CellText(*form_->SG4, 1, 0), QStringLiteral("1.5"));
    QVERIFY(form_->S11->isEnabled() && form_->S1->isEnabled() && form_->acceptDrops());
  }
};

QTEST_MAIN(RealDataWindowTest)
#include "realdata_window_test.moc"
