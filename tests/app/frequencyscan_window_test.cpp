// The check box "Frequenzsuche": unchecked, a computation is the random
// passes' alone; checked, a scan pass comes first and adds its entry.

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <charconv>
#include <cmath>
#include <functional>
#include <memory>
#include <set>

#include "_grund/grund.h"
#include "app/controls.h"
#include "app/frequencyscan.h"
#include "app/resulttext.h"
#include "app/sinefit.h"
#include "app/tform1.h"
#include "app/valuetable.h"
#include "fktint/fktint.h"

namespace {

// Runs `action` during the n-th time the event loop is pumped from now on.
void AtPumping(int n, std::function<void()> action) {
  QMetaObject::invokeMethod(
      qApp,
      [n, action = std::move(action)]() mutable {
        if (n <= 1) {
          action();
        } else {
          AtPumping(n - 1, std::move(action));
        }
      },
      Qt::QueuedConnection);
}

std::set<std::string> ListTexts(const QListWidget& list) {
  std::set<std::string> texts;
  for (int i = 0; i < list.count(); ++i)
    texts.insert(list.item(i)->text().toLatin1().toStdString());
  return texts;
}

std::string Text(double v) {
  char buffer[64];
  return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, v).ptr);
}

}  // namespace

class FrequencyScanWindowTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TForm1> form_;
  std::vector<double> x_, y_;

  // A year of temperatures every 15 days (x in days).
  void FillTemperatureYear() {
    x_.clear();
    y_.clear();
    for (int i = 0; i < 25; ++i) {
      x_.push_back(15.0 * i);
      y_.push_back(9 * std::sin(6.283185307179586 / 365 * x_.back() + 1) + 11 +
                   0.3 * std::sin(7.1 * i * i));
      form_->SG4->SetCellLatin1(i + 1, 0, Text(x_.back()));
      form_->SG4->SetCellLatin1(i + 1, 1, Text(y_.back()));
    }
  }

  // What the random passes alone list for the pairs, as the first computation.
  std::set<std::string> RandomPassEntries(app::FitMode mode, double fixed) {
    grund::ProcessRandom().SetSeed(0);
    app::SineFit fit(mode, fixed, x_, y_);
    std::set<std::string> entries;
    for (int pass = 0; pass < app::kFitPasses; ++pass)
      entries.insert(fit.RunPass([] { return 200.0; }).entry);
    grund::ProcessRandom().SetSeed(0);
    return entries;
  }

  std::vector<std::string> Column2() {
    std::vector<std::string> texts;
    for (std::size_t i = 1; i <= x_.size(); ++i) texts.push_back(form_->SG4->CellLatin1(i, 2));
    return texts;
  }

 private slots:
  void init() {
    grund::ProcessRandom().SetSeed(0);
    fktint::ParamP = 0;
    form_ = std::make_unique<TForm1>();
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
  }
  void cleanup() { form_.reset(); }

  void theCheckBoxSitsInTheLeftColumnUnchecked() {
    QCheckBox* box = form_->findChild<QCheckBox*>(QStringLiteral("CheckFrequenzsuche"));
    QVERIFY(box != nullptr);
    QCOMPARE(box, form_->CheckFrequenzsuche);
    QCOMPARE(box->text(), QStringLiteral("Frequenzsuche"));
    QVERIFY(!box->isChecked());
    QVERIFY(box->isVisible());
    QVERIFY(box->toolTip().contains(QStringLiteral("Frequenz")));
    QCOMPARE(QRect(box->mapTo(form_.get(), QPoint(0, 0)), box->size()), QRect(10, 578, 229, 21));
  }

  // Unchecked, or with b held, the list is the random passes' list; checked,
  // those entries all stay, the scan's comes in addition and is the best,
  // and the f(x) column still shows the 20th pass's result.
  void theScanAddsItsEntryBesideTheRandomPasses() {
    struct Case {
      bool checked;
      int mode;
    };
    for (const Case& c : {Case{false, 1}, Case{true, 3}, Case{true, 1}, Case{true, 5}}) {
      const double fixed = c.mode == 3 ? 0.5 : 11;
      const auto compute = [&](bool checked) {
        init();
        FillTemperatureYear();
        QRadioButton* radios[] = {form_->rt1, form_->rt2, form_->rt3, form_->rt4, form_->rt5};
        radios[c.mode - 1]->setChecked(true);
        form_->Edit2->setText(QStringLiteral("0,5"));
        form_->Edit4->setText(QStringLiteral("11"));
        form_->CheckFrequenzsuche->setChecked(checked);
        form_->D18C();
      };
      compute(false);
      const std::vector<std::string> column = Column2();
      const std::set<std::string> expected =
          RandomPassEntries(static_cast<app::FitMode>(c.mode), fixed);
      QVERIFY(ListTexts(*form_->Listbox1) == expected);
      compute(c.checked);
      std::set<std::string> listed = ListTexts(*form_->Listbox1);
      QCOMPARE(Column2(), column);
      if (!c.checked || c.mode == 3) {
        QVERIFY(listed == expected);
        continue;
      }
      const app::SineFit fit(static_cast<app::FitMode>(c.mode), fixed, x_, y_);
      const auto scan = app::RunFrequencyScan(
          fit, [] { return 200.0; }, [] { return true; });
      QVERIFY(scan.has_value());
      QVERIFY(listed.count(scan->entry) == 1);
      listed.erase(scan->entry);
      for (const std::string& entry : expected) listed.insert(entry);
      QCOMPARE(listed.size(), expected.size());
      // The physically right fit, with the smallest error of the list as
      // printed (an alias may differ below the last printed decimal).
      const app::ResultRecord* record = form_->FindResultRecord(scan->entry);
      QVERIFY(record != nullptr);
      QVERIFY(std::fabs(record->parameters.b - 6.283185307179586 / 365) < 1e-3);
      for (const std::string& entry : expected) {
        QVERIFY2(form_->FindResultRecord(entry)->error > record->error - 1e-4,
                 (entry + " vs " + scan->entry).c_str());
      }
    }
  }

  void anAbortClickDuringTheScanEndsTheComputation() {
    // 200 pairs over an x span of 100: the scan pumps the events many times.
    for (int i = 0; i < 200; ++i) {
      form_->SG4->SetCellLatin1(i + 1, 0, Text(0.5 * i));
      form_->SG4->SetCellLatin1(i + 1, 1, Text(std::sin(37.0 * 0.5 * i)));
    }
    form_->CheckFrequenzsuche->setChecked(true);
    AtPumping(3, [&] { QTest::mouseClick(form_->Button1, Qt::LeftButton); });
    form_->D18C();
    QCOMPARE(app::CalcIdle, std::uint8_t{1});
    QCOMPARE(form_->Button1->text(), QStringLiteral("Berechnung"));
    QCOMPARE(form_->Listbox1->count(), 0);
    QVERIFY(form_->SG4->CellLatin1(1, 2).empty());
    QVERIFY(form_->PlotList()->Entries.empty());
  }

  void closingTheWindowDuringTheScan() {
    for (int i = 0; i < 200; ++i) {
      form_->SG4->SetCellLatin1(i + 1, 0, Text(0.5 * i));
      form_->SG4->SetCellLatin1(i + 1, 1, Text(std::sin(37.0 * 0.5 * i)));
    }
    form_->CheckFrequenzsuche->setChecked(true);
    AtPumping(3, [&] { form_.reset(); });
    TForm1* raw = form_.get();
    raw->D18C();  // must not touch the destroyed window
    QVERIFY(!form_);
    QCOMPARE(app::CalcIdle, std::uint8_t{1});
  }
};

QTEST_MAIN(FrequencyScanWindowTest)
#include "frequencyscan_window_test.moc"
