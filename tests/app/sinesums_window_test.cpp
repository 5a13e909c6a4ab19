// The sums of sines in the window: a file opened, the model and its count
// chosen, "Berechnung" pressed. Every line is a sum whose listed error is
// its own; the label gives each sine's FAP and S/N and marks the sines that
// are not significant; a held b is the first sine's.

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QLineEdit>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <memory>
#include <random>
#include <string>

#include "_grund/grund.h"
#include "app/controls.h"
#include "app/tform1.h"
#include "platform/qtlatin1.h"
#include "sinusfit/sinusfit.h"
#include "sine_series.h"
#include "window_fixture.h"

namespace {

constexpr double kTwoPi = 2 * M_PI;

using sine_series::Sine;

// "x;y" lines of the sines on x, in noise, with decimal commas.
QByteArray PairFile(const std::vector<double>& x, const std::vector<Sine>& sines, double noise) {
  std::mt19937 random(11);
  std::normal_distribution<double> scatter(0.0, noise);
  std::string text = "x;y\n";
  for (const double t : x) {
    const double y = sine_series::SumAt(sines, 10, t - x.front());
    text += grund::FormatComma(t, 0, 6) + ";" + grund::FormatComma(y + scatter(random), 0, 6) + "\n";
  }
  return QByteArray::fromStdString(text);
}

std::vector<double> Steps(int n, double step) {
  std::vector<double> x;
  for (int i = 0; i < n; ++i) x.push_back(step * i + 0.37 * step * std::sin(1.3 * i));
  return x;
}

}  // namespace

class SineSumsWindowTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TForm1> form_;
  QTemporaryDir dir_;

 private slots:
  void init() {
    window_fixture::Open(form_, {.collectMessages = true,
                                 .columnChooser = window_fixture::AcceptProposedColumns});
  }
  void cleanup() { form_.reset(); }

  void everySineWithItsSignificance_data() {
    QTest::addColumn<QByteArray>("pairs");
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("heldB");  // empty: nothing held
    QTest::addColumn<int>("sines");
    QTest::addColumn<int>("significant");
    const std::vector<Sine> star{
        {0.03, kTwoPi * 10.3, 1}, {0.02, kTwoPi * 13.1, 2.5}, {0.012, kTwoPi * 7.9, 4}};
    QTest::newRow("star, as many as significant")
        << PairFile(sine_series::StarNights(), star, 0.004) << 3 << 0 << QString() << 3 << 3;
    QTest::newRow("star, two asked, b held")
        << PairFile(sine_series::StarNights(), star, 0.004) << 3 << 2 << QStringLiteral("64,7") << 2 << 2;
    QTest::newRow("a shape with a harmonic")
        << PairFile(Steps(150, 0.2), {{1, 0.8, 0.2}, {0.4, 1.6, 1}}, 0.05) << 4 << 0 << QString()
        << 2 << 2;
    QTest::newRow("noise")
        << PairFile(Steps(150, 0.2), {}, 1) << 3 << 0 << QString() << 1 << 0;
  }

  void everySineWithItsSignificance() {
    QFETCH(QByteArray, pairs);
    QFETCH(int, model);
    QFETCH(int, count);
    QFETCH(QString, heldB);
    QFETCH(int, sines);
    QFETCH(int, significant);
    const QString path = dir_.filePath(QStringLiteral("pairs.csv"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(pairs);
    file.close();
    QVERIFY(form_->OpenPairFile(path));
    form_->ComboZielfunktion->setCurrentIndex(model);
    form_->SpinFrequenzen->setValue(count);
    if (!heldB.isEmpty()) {
      form_->rt3->setChecked(true);
      form_->Edit2->setText(heldB);
    }
    form_->D18C();
    QCOMPARE(app::CalcIdle, std::uint8_t{1});
    QVERIFY(form_->Listbox1->count() >= 1);
    const std::string entry = platform::ToLatin1(form_->Listbox1->currentItem()->text());
    const std::string term(sinusfit::TermOfEntry(entry));
    int terms = 0;
    for (std::size_t at = term.find("SIN("); at != std::string::npos; at = term.find("SIN(", at + 1))
      ++terms;
    QCOMPARE(terms, sines);
    if (!heldB.isEmpty()) {
      // The first sine's b is the held one.
      const std::size_t from = term.find("SIN(") + 4;
      const std::string b = term.substr(from, term.find('*', from) - from);
      QVERIFY2(grund::ParseNumber(grund::CommaToPoint(b)).value == 64.7, term.c_str());
    }

    const QString label = form_->LabelStatistik->text();
    int lines = 0, marked = 0;
    for (const QString& line : label.split(QLatin1Char('\n'))) {
      if (!line.startsWith(QStringLiteral("Sinus "))) continue;
      ++lines;
      QVERIFY2(line.contains(QStringLiteral("FAP ")) && line.contains(QStringLiteral("S/N = ")),
               qPrintable(line));
      if (line.contains(QStringLiteral("nicht signifikant"))) ++marked;
    }
    QCOMPARE(lines, sines);
    QCOMPARE(sines - marked, significant);
    // The label lists every sine's period.
    QVERIFY2(label.contains(QStringLiteral("Periode")), qPrintable(label));
    // So does the report, on one page.
    const QString report = dir_.filePath(QStringLiteral("bericht.pdf"));
    QVERIFY2(form_->SaveReport(report), qPrintable(form_->LastMessage()));
    const window_fixture::PdfFacts pdf = window_fixture::ReadPdf(report);
    QVERIFY(pdf.OnePageA4());
    for (const QString& line : label.split(QLatin1Char('\n'))) {
      if (!line.startsWith(QStringLiteral("Sinus "))) continue;
      // (pdftotext reads "fi" as its ligature.)
      const QString value = line.mid(line.indexOf(QStringLiteral("FAP ")) + 4)
                                .remove(QStringLiteral("nicht signifikant"))
                                .simplified();
      QVERIFY2(pdf.text.contains(value), qPrintable(value + QStringLiteral(" in ") + pdf.text));
    }
  }
};

QTEST_MAIN(SineSumsWindowTest)
#include "sinesums_window_test.moc"
