// The fit through the window: Button1 starts and stops it, the result list
// fills, a chosen line fills the f(x) column and the plot list.

#include <QToolButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <functional>
#include <memory>

#include "_grund/grund.h"
#include "app/controls.h"
#include "app/tform1.h"
#include "app/valuetable.h"
#include "pumping.h"
#include "valuetable_access.h"
#include "sinusfit/resulttext.h"
#include "window_fixture.h"

using namespace table_access;
using pumping::AtPumping;

namespace {

QStringList Column(const app::ValueTable& table, int column) {
  QStringList texts;
  for (int row = 1; row < app::ValueTable::kRows; ++row) texts << CellText(table, row, column);
  return texts;
}

QStringList ListTexts(const QListWidget& list) {
  QStringList texts;
  for (int i = 0; i < list.count(); ++i) texts << list.item(i)->text();
  return texts;
}

}  // namespace

class FitDriverTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TForm1> form_;

  void SetPair(int row, const char* x, const char* y) {
    form_->SG4->SetCellLatin1(row, 0, x);
    form_->SG4->SetCellLatin1(row, 1, y);
  }

 private slots:
  void init() { window_fixture::Open(form_); }
  void cleanup() { form_.reset(); }

  void fullComputationOnTheExamplePairs() {
    TForm1& f = *form_;
    f.S11C();
    QTest::mouseClick(f.Button1, Qt::LeftButton);

    QCOMPARE(app::CalcIdle, std::uint8_t{1});
    QCOMPARE(f.Button1->text(), QStringLiteral("Berechnung"));
    QCOMPARE(f.Label2->text(), QStringLiteral("9"));
    const QStringList entries = ListTexts(*f.Listbox1);
    QVERIFY(!entries.isEmpty() && entries.size() <= 20);
    QStringList sorted = entries;
    sorted.sort();
    QCOMPARE(entries, sorted);
    QCOMPARE(QSet<QString>(entries.begin(), entries.end()).size(), entries.size());

    // The plot list holds the last pass's curve and the nine pairs.
    const grund::PlotList& list = *f.PlotList();
    QCOMPARE(list.Entries.size(), std::size_t{6 + 18 + 1});
    QCOMPARE(list.Entries[0], "#F");
    QCOMPARE(list.Entries[1], " ");
    QCOMPARE(list.Entries[2], "#F");
    const std::string term = list.Entries[3];
    QVERIFY(std::any_of(entries.begin(), entries.end(), [&](const QString& e) {
      return e.endsWith(QString::fromLatin1("\tY = " + term));
    }));
    QCOMPARE(list.Entries[4], "#m");
    QCOMPARE(list.Entries[5], "...");
    QCOMPARE(list.Entries[6], "1.5");
    QCOMPARE(list.Entries[7], "1.4");
    QCOMPARE(list.Entries[22], "2.8");
    QCOMPARE(list.Entries[23], "0.1");
    QCOMPARE(list.Entries[24], "...");

    // The f(x) column holds that term's values at the nine x.
    const QStringList fx = Column(*f.SG4, 2);
    const double xs[] = {1.5, 1.1, 0.7, 0.3, -0.1, -0.5, -1, -1.5, 2.8};
    for (int i = 0; i < 9; ++i)
      QCOMPARE(fx[i], QString::fromLatin1(sinusfit::FittedValueText(term, xs[i])));
    QVERIFY(fx[9].isEmpty());
  }

  void everyResultLineKeepsItsParametersAndMode() {
    TForm1& f = *form_;
    f.S11C();
    f.rt5->setChecked(true);
    f.Edit4->setText(QStringLiteral("0,5"));
    QTest::mouseClick(f.Button1, Qt::LeftButton);
    QVERIFY(f.Listbox1->count() > 0);
    for (const QString& entry : ListTexts(*f.Listbox1)) {
      const std::string text = entry.toLatin1().toStdString();
      const app::ResultRecord* record = f.FindResultRecord(text);
      QVERIFY(record != nullptr);
      QCOMPARE(record->mode, sinusfit::FitMode::kFixedD);
      const sinusfit::ModelParameters& p = record->parameters;
      QCOMPARE(p.d, 0.5);
      QCOMPARE(sinusfit::BuildTermText(p.a, p.b, p.c, p.d),
               std::string(sinusfit::TermOfEntry(text)));
      QCOMPARE(sinusfit::BuildResultEntry(record->error, sinusfit::TermOfEntry(text)), text);
    }
    QVERIFY(f.FindResultRecord("0\tY = 0*SIN(0*X+0)+0") == nullptr);
    // A new computation forgets the old lines.
    f.rt1->setChecked(true);
    QTest::mouseClick(f.Button1, Qt::LeftButton);
    for (const QString& entry : ListTexts(*f.Listbox1))
      QCOMPARE(f.FindResultRecord(entry.toLatin1().toStdString())->mode,
               sinusfit::FitMode::kAllFree);
  }

  void theFirstComputationAfterStartIsAlwaysTheSame() {
    form_->S11C();
    form_->D18C();
    const QStringList first = ListTexts(*form_->Listbox1);
    form_->D18C();  // a second computation continues the random sequence
    const QStringList second = ListTexts(*form_->Listbox1);
    init();
    form_->S11C();
    form_->D18C();
    QCOMPARE(ListTexts(*form_->Listbox1), first);
    QVERIFY(second != first);
  }

  void modeBoundAndFixedValueComeFromTheWindow() {
    TForm1& f = *form_;
    f.S11C();
    f.rt3->setChecked(true);
    f.Edit2->setText(QStringLiteral("pi/2"));  // a term, lower case
    f.Edit5->setText(QStringLiteral("0"));     // no bound applies with b fixed
    f.D18C();
    for (const QString& entry : ListTexts(*f.Listbox1)) {
      QVERIFY2(entry.contains(QStringLiteral("*SIN(1,570796*X")), qPrintable(entry));
      QVERIFY2(!entry.startsWith(QStringLiteral("10000\t")), qPrintable(entry));
    }

    f.rt1->setChecked(true);
    f.Edit5->setText(QString());  // an empty bound reads as 0
    f.D18C();
    QCOMPARE(ListTexts(*f.Listbox1), QStringList{QStringLiteral("10000\tY = 0*SIN(0*X+0)+0")});
  }

  void anAbortClickStopsAfterThePassAndLeavesColumnAndPlot() {
    TForm1& f = *form_;
    f.S11C();
    QString captionRightAfterAbort;
    AtPumping(2, [&] {
      QTest::mouseClick(f.Button1, Qt::LeftButton);
      captionRightAfterAbort = f.Button1->text();
    });
    f.D18C();
    QCOMPARE(captionRightAfterAbort, QStringLiteral("Berechnung"));
    QCOMPARE(f.Button1->text(), QStringLiteral("Berechnung"));
    QCOMPARE(app::CalcIdle, std::uint8_t{1});
    QCOMPARE(f.Listbox1->count(), 1);  // the first pass's entry stays
    QCOMPARE(Column(*f.SG4, 2), QStringList(200, QString()));
    QVERIFY(f.PlotList()->Entries.empty());

    // A new computation afterwards runs to its end.
    f.D18C();
    QVERIFY(f.Listbox1->count() >= 1);
    QVERIFY(!CellText(*f.SG4, 1, 2).isEmpty());
    QVERIFY(!f.PlotList()->Entries.empty());
  }

  void anAbortClickAtTheStartLeavesTheCaptionIdle() {
    TForm1& f = *form_;
    f.S11C();
    QString captionAfterTheFirstPass;
    std::uint8_t idleAfterTheFirstPass = 0;
    AtPumping(1, [&] { QTest::mouseClick(f.Button1, Qt::LeftButton); });
    AtPumping(2, [&] {
      captionAfterTheFirstPass = f.Button1->text();
      idleAfterTheFirstPass = app::CalcIdle;
    });
    f.D18C();
    // The abort is seen at the end of the first pass; until then the caption
    // says what a click would do: start, not abort.
    QCOMPARE(idleAfterTheFirstPass, std::uint8_t{1});
    QCOMPARE(captionAfterTheFirstPass, QStringLiteral("Berechnung"));
    QCOMPARE(f.Listbox1->count(), 1);
    QCOMPARE(app::CalcIdle, std::uint8_t{1});
    QCOMPARE(f.Button1->text(), QStringLiteral("Berechnung"));
  }

  void theTableMayBeEditedWhileTheFitRuns() {
    TForm1& f = *form_;
    f.S11C();
    AtPumping(3, [&] {
      f.S1X();  // refused: "x" waits while a computation runs
      f.SG4->SetCellLatin1(150, 0, "7");
      f.SG4->SetCellLatin1(2, 1, "5");
    });
    f.D18C();
    QCOMPARE(f.Label2->text(), QStringLiteral("9"));
    QCOMPARE(CellText(*f.SG4, 1, 0), QStringLiteral("1.5"));
    // The plot shows the pairs the table holds at the end: ten of them.
    QCOMPARE(f.PlotList()->Entries.size(), std::size_t{27});
    // f(x) only where a row still holds the pair it was computed from.
    QVERIFY(!CellText(*f.SG4, 9, 2).isEmpty());
    QVERIFY(CellText(*f.SG4, 2, 2).isEmpty());
    QCOMPARE(CellText(*f.SG4, 150, 0), QStringLiteral("7"));
    QVERIFY(CellText(*f.SG4, 150, 2).isEmpty());
    QVERIFY(f.S1->isEnabled() && f.S11->isEnabled() && f.actionOpenPairs->isEnabled());
  }

  void gapsInTheTableAreSkipped() {
    TForm1& f = *form_;
    SetPair(1, "1", "0,8");
    SetPair(2, "2", "0,9");
    SetPair(3, "3", "0,1");
    f.SG4->SetCellLatin1(4, 1, "5");     // a y without an x: not a pair
    f.SG4->SetCellLatin1(4, 2, "keep");  // and its f(x) cell stays
    SetPair(5, "4,5", "-1");
    f.D18C();
    QCOMPARE(f.Label2->text(), QStringLiteral("4"));
    for (int row : {1, 2, 3, 5}) QVERIFY(!CellText(*f.SG4, row, 2).isEmpty());
    QCOMPARE(CellText(*f.SG4, 4, 2), QStringLiteral("keep"));
    const grund::PlotList& list = *f.PlotList();
    QCOMPARE(list.Entries.size(), std::size_t{6 + 8 + 1});
    QCOMPARE(list.Entries[12], "4.5");
    QCOMPARE(list.Entries[13], "-1");
  }

  void choosingAResultLineShowsIt() {
    TForm1& f = *form_;
    SetPair(1, "0", "1");
    SetPair(2, "1,5", "2");
    SetPair(3, "-1", "0");
    f.SG4->SetCellLatin1(4, 2, "keep");
    SetPair(5, "3", "3");
    f.Listbox1->addItem(QStringLiteral("0,5\tY = 1*SIN(1*X+0)+0"));
    f.Listbox1->addItem(QStringLiteral("9\tY = 2*SIN(1*X+0)+0"));
    QTest::mouseClick(f.Listbox1->viewport(), Qt::LeftButton, {},
                      f.Listbox1->visualItemRect(f.Listbox1->item(0)).center());

    QCOMPARE(CellText(*f.SG4, 1, 2), QStringLiteral("0"));
    QCOMPARE(CellText(*f.SG4, 2, 2), QStringLiteral("0,9975"));
    QCOMPARE(CellText(*f.SG4, 3, 2), QStringLiteral("-0,8415"));
    QCOMPARE(CellText(*f.SG4, 4, 2), QStringLiteral("keep"));
    QCOMPARE(CellText(*f.SG4, 5, 2), QStringLiteral("0,1411"));
    const std::vector<std::string> expected = {
        "#F", " ", "#F", "1*SIN(1*X+0)+0", "#m", "...", "0", "1", "1.5", "2", "-1", "0",
        "3",  "3", "..."};
    QCOMPARE(f.PlotList()->Entries, expected);
    QCOMPARE(f.Listbox1->count(), 2);  // choosing changes nothing in the list
  }

  void choosingWithAnEmptyTablePlotsTheCurveOnly() {
    TForm1& f = *form_;
    f.Listbox1->addItem(QStringLiteral("0\tY = 1*SIN(1*X+0)+0"));
    f.Listbox1->setCurrentRow(0);
    f.Listbox1Click();
    QCOMPARE(f.PlotList()->Entries,
             (std::vector<std::string>{"#F", " ", "#F", "1*SIN(1*X+0)+0", "#m", "...", "..."}));
  }

  void clickingWithNothingSelectedChangesNothing() {
    form_->Listbox1Click();
    QVERIFY(form_->PlotList()->Entries.empty());
  }

  void closingTheWindowDuringAComputation() {
    TForm1& f = *form_;
    f.S11C();
    AtPumping(2, [&] { f.close(); });
    f.D18C();
    QCOMPARE(app::CalcIdle, std::uint8_t{1});
    QVERIFY(f.PlotList() == nullptr);
    QCOMPARE(Column(*f.SG4, 2), QStringList(200, QString()));
    QCOMPARE(CellText(*f.SG4, 1, 0), QStringLiteral("1.5"));
  }

  void closingDuringAComputationEndsTheProgramNormally() {
    // As in the program: the computation runs inside the application's event
    // loop, and closing the last window there must end that loop normally.
    TForm1& f = *form_;
    f.S11C();
    QTimer::singleShot(0, &f, [&] {
      AtPumping(2, [&] { f.close(); });
      f.D18C();
    });
    QTimer::singleShot(20000, qApp, [] { QCoreApplication::exit(1); });  // never hang the test
    QApplication::setQuitOnLastWindowClosed(true);
    QCOMPARE(QApplication::exec(), 0);
    QCOMPARE(app::CalcIdle, std::uint8_t{1});
    QVERIFY(f.PlotList() == nullptr);
    QVERIFY(CellText(*f.SG4, 1, 2).isEmpty());
  }

  void destroyingTheWindowDuringAComputation() {
    AtPumping(2, [&] { form_.reset(); });
    TForm1* raw = form_.get();
    raw->S11C();
    raw->D18C();  // must not touch the destroyed window
    QVERIFY(!form_);
    QCOMPARE(app::CalcIdle, std::uint8_t{1});
  }
};

QTEST_MAIN(FitDriverTest)
#include "fitdriver_test.moc"
