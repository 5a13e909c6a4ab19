// The check box "Frequenzsuche": unchecked, a computation is the random
// passes' alone; checked, a scan pass comes first and adds its entry.

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <cmath>
#include <functional>
#include <memory>
#include <set>

#include "_grund/grund.h"
#include "app/controls.h"
#include "app/tform1.h"
#include "pumping.h"
#include "app/valuetable.h"
#include "sinusfit/frequencyscan.h"
#include "sinusfit/sinefit.h"
#include "window_fixture.h"

using pumping::AtPumping;

class FrequencyScanWindowTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TForm1> form_;

  void init() { window_fixture::Open(form_); }

  // Pairs x = step·i, y = f(i) in rows 1..count; the values as the table holds them.
  template <typename F>
  void Fill(int count, double step, F f, std::vector<double>* x = nullptr,
            std::vector<double>* y = nullptr) {
    for (int i = 0; i < count; ++i) {
      const std::string texts[] = {grund::FormatPoint(step * i, 1, 6),
                                   grund::FormatPoint(f(i), 1, 6)};
      for (int column : {0, 1}) form_->SG4->SetCellLatin1(i + 1, column, texts[column]);
      if (x)
        x->push_back(grund::ParseNumber(texts[0]).value),
            y->push_back(grund::ParseNumber(texts[1]).value);
    }
  }

  std::set<std::string> Listed() const {
    std::set<std::string> texts;
    for (int i = 0; i < form_->Listbox1->count(); ++i)
      texts.insert(form_->Listbox1->item(i)->text().toLatin1().toStdString());
    return texts;
  }

 private slots:
  void cleanup() { form_.reset(); }

  void theCheckBoxSitsInTheLeftColumnUnchecked() {
    init();
    QCheckBox* box = form_->findChild<QCheckBox*>(QStringLiteral("CheckFrequenzsuche"));
    QVERIFY(box != nullptr && box == form_->CheckFrequenzsuche);
    QCOMPARE(box->text(), QStringLiteral("Frequenzsuche"));
    QVERIFY(!box->isChecked() && box->isVisible() && !box->toolTip().isEmpty());
    QCOMPARE(QRect(box->mapTo(form_.get(), QPoint(0, 0)), box->size()), QRect(10, 578, 229, 21));
  }

  // A year of temperatures every 15 days. Unchecked, or with b held, the
  // list is the random passes' list; checked, those entries all stay and the
  // scan's entry comes in addition: b = 2π/365, with the least error. The
  // f(x) column shows the 20th pass's result either way.
  void theScanAddsItsEntryBesideTheRandomPasses() {
    for (const int mode : {1, 3, 5}) {
      std::vector<std::string> columns[2];
      std::set<std::string> lists[2];
      std::vector<double> x, y;
      for (const bool checked : {false, true}) {
        init();
        x.clear(), y.clear();
        Fill(
            25, 15, [](int i) { return 9 * std::sin(0.0172 * 15 * i + 1) + 11; }, &x, &y);
        QRadioButton* radios[] = {form_->rt1, form_->rt2, form_->rt3, form_->rt4, form_->rt5};
        radios[mode - 1]->setChecked(true);
        form_->Edit2->setText(QStringLiteral("0,5"));
        form_->Edit4->setText(QStringLiteral("11"));
        form_->CheckFrequenzsuche->setChecked(checked);
        form_->D18C();
        for (int row = 1; row <= 25; ++row)
          columns[checked].push_back(form_->SG4->CellLatin1(row, 2));
        lists[checked] = Listed();
      }
      QCOMPARE(columns[1], columns[0]);
      const sinusfit::SineFit fit(static_cast<sinusfit::FitMode>(mode), mode == 3 ? 0.5 : 11, x, y);
      const auto scan = sinusfit::RunFrequencyScan(
          fit, [] { return 200.0; }, [] { return true; });
      QCOMPARE(scan.has_value(), mode != 3);
      if (scan) lists[0].insert(scan->entry);
      QVERIFY(lists[1] == lists[0]);
      if (!scan) continue;
      const app::ResultRecord* record = form_->FindResultRecord(scan->entry);
      QVERIFY(record != nullptr && std::fabs(record->parameters.b - 0.0172) < 1e-4);
      // Least as printed: an alias may differ below the last decimal shown.
      for (const std::string& entry : lists[1])
        QVERIFY2(form_->FindResultRecord(entry)->error > record->error - 1e-4, entry.c_str());
    }
  }

  // After a scan the label gives the found period's false-alarm probability:
  // small for a clear period, "nicht signifikant" for noise; without the
  // scan there is none.
  void theLabelGivesTheFalseAlarmProbabilityAfterAScan() {
    struct Case {
      const char* name;
      bool scan;
      std::function<double(int)> y;
      bool significant;
    };
    const Case cases[] = {
        {"period", true, [](int i) { return 2 * std::sin(0.7 * i + 1) + 0.4 * std::sin(37.0 * i * i); }, true},
        {"noise", true, [](int i) { return std::sin(37.0 * i * i) + std::cos(91.0 * i * i * i); }, false},
        {"period without scan", false, [](int i) { return 2 * std::sin(0.7 * i + 1); }, true},
    };
    for (const Case& c : cases) {
      init();
      Fill(60, 1, c.y);
      form_->CheckFrequenzsuche->setChecked(c.scan);
      form_->D18C();
      for (int row = 0; row < form_->Listbox1->count(); ++row)
        if (form_->Listbox1->item(row)->font().bold()) form_->Listbox1->setCurrentRow(row);
      form_->Listbox1Click();
      const QString label = form_->LabelStatistik->text();
      QVERIFY2(label.contains(QStringLiteral("\nFAP ")) == c.scan, c.name);
      // The period the scan found, whichever line is shown.
      if (c.scan && c.significant)
        QVERIFY2(label.contains(QStringLiteral("Frequenzsuche: b = 0,7")), qPrintable(label));
      if (c.scan)
        QVERIFY2(label.contains(QStringLiteral("nicht signifikant")) != c.significant, c.name);
    }
  }

  // An abort click, or closing the window, while the scan pumps the events.
  void theScanEndsAtAnAbortOrWhenTheWindowGoes() {
    for (const bool destroy : {false, true}) {
      init();
      Fill(200, 0.5, [](int i) { return std::sin(18.5 * i); });
      form_->CheckFrequenzsuche->setChecked(true);
      // Pumping 1 is the start of the computation, 2 and 3 are the scan's.
      AtPumping(3, [&] {
        if (destroy) {
          form_.reset();
        } else {
          QTest::mouseClick(form_->Button1, Qt::LeftButton);
        }
      });
      TForm1* raw = form_.get();
      raw->D18C();  // must not touch a destroyed window
      QCOMPARE(app::CalcIdle, std::uint8_t{1});
      if (destroy) {
        QVERIFY(!form_);
        continue;
      }
      QCOMPARE(form_->Button1->text(), QStringLiteral("Berechnung"));
      QCOMPARE(form_->Listbox1->count(), 0);  // neither the scan's nor a pass's entry
      QVERIFY(form_->SG4->CellLatin1(1, 2).empty());
      QVERIFY(form_->PlotList()->Entries.empty());
    }
  }
};

QTEST_MAIN(FrequencyScanWindowTest)
#include "frequencyscan_window_test.moc"
