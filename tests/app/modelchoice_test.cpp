// The choice of model: ComboZielfunktion beside "Zielfunktion", Label5 with
// the chosen formula, a computation of the chosen model with its lines,
// f(x) and statistics, and the hint after a computation with the sine.

#include <QComboBox>
#include <QSpinBox>
#include <QLabel>
#include <QListWidget>
#include <QtTest>
#include <cmath>
#include <memory>
#include <string>

#include "_grund/grund.h"
#include "app/controls.h"
#include "app/tform1.h"
#include "app/valuetable.h"
#include "platform/qtlatin1.h"
#include "sinusfit/sinusfit.h"
#include "window_fixture.h"

class ModelChoiceTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TForm1> form_;
  std::vector<double> x_, y_;

  void Show() { window_fixture::Open(form_); }

  // A swing dying away (δ = 0.05) in 200 rows, as the table holds it.
  void FillDamped(double delta) {
    x_.clear(), y_.clear();
    for (int i = 0; i < 200; ++i) {
      const double x = 0.1 * i;
      const double y = 2 * std::exp(-delta * x) * std::sin(1.7 * x + 0.4) + 0.3 +
                       0.02 * std::sin(37.0 * i);
      const std::string texts[] = {grund::FormatPoint(x, 1, 6), grund::FormatPoint(y, 1, 6)};
      for (int column : {0, 1}) form_->SG4->SetCellLatin1(i + 1, column, texts[column]);
      x_.push_back(grund::ParseNumber(texts[0]).value);
      y_.push_back(grund::ParseNumber(texts[1]).value);
    }
  }

  QComboBox* Combo() const {
    return form_->findChild<QComboBox*>(QStringLiteral("ComboZielfunktion"));
  }

 private slots:
  void cleanup() { form_.reset(); }

  void theComboSitsBesideTheHeadingAndLeavesTheSineAsItWas() {
    Show();
    QComboBox* combo = Combo();
    QVERIFY(combo != nullptr && combo == form_->ComboZielfunktion);
    QCOMPARE(combo->count(), 5);
    QCOMPARE(combo->itemText(1), QStringLiteral("Sinus mit Trend"));
    QCOMPARE(combo->itemText(2), QStringLiteral("gedämpfte Schwingung"));
    QCOMPARE(combo->itemText(3), QStringLiteral("mehrere Frequenzen"));
    QCOMPARE(combo->itemText(4), QStringLiteral("Oberschwingungen"));
    // The count of sines shows with the sums only, "automatisch" at first.
    QSpinBox* count = form_->findChild<QSpinBox*>(QStringLiteral("SpinFrequenzen"));
    QVERIFY(count != nullptr && !count->isVisible());
    QCOMPARE(count->text(), QStringLiteral("automatisch"));
    QCOMPARE(count->maximum(), 10);
    QCOMPARE(combo->currentIndex(), 0);
    QVERIFY(!combo->toolTip().isEmpty());
    // Right of the heading, above the formula, inside the left column.
    const QRect place(combo->mapTo(form_.get(), QPoint(0, 0)), combo->size());
    const QRect heading(form_->Label4->mapTo(form_.get(), QPoint(0, 0)), form_->Label4->size());
    QVERIFY(place.left() > heading.right() && place.right() <= 239);
    QVERIFY(place.bottom() < form_->Label5->mapTo(form_.get(), QPoint(0, 0)).y());

    const QString text = form_->Label5->text();
    const QRect geometry = form_->Label5->geometry();
    const QFont font = form_->Label5->font();
    QCOMPARE(text, QStringLiteral("y = a sin (bx + c) + d"));
    for (int model : {4, 3, 2, 1, 0}) {
      combo->setCurrentIndex(model);
      QVERIFY(form_->Label5->width() <= 229);
      QCOMPARE(count->isVisible(), model >= 3);
    }
    QVERIFY(form_->Label5->text() == text && form_->Label5->geometry() == geometry &&
            form_->Label5->font() == font);
  }

  // The damped model on a damped series: every line is a damped term whose
  // listed error is its own, f(x) is the chosen line's, the statistics show δ
  // and what follows from it.
  void aDampedComputationListsDampedTermsWithTheirQuantities() {
    Show();
    FillDamped(0.05);
    Combo()->setCurrentIndex(2);
    QCOMPARE(form_->Label5->text(), QStringLiteral("y = a e^(−δ(x−x₀)) sin (bx + c) + d"));
    form_->D18C();
    QCOMPARE(app::CalcIdle, std::uint8_t{1});
    QVERIFY(form_->Listbox1->count() >= 1);
    const QListWidgetItem* chosen = form_->Listbox1->currentItem();
    QVERIFY(chosen != nullptr);
    for (int i = 0; i < form_->Listbox1->count(); ++i) {
      const std::string entry = platform::ToLatin1(form_->Listbox1->item(i)->text());
      const std::string term(sinusfit::TermOfEntry(entry));
      QVERIFY2(term.find("*EXP(") != std::string::npos, entry.c_str());
      const double own = static_cast<double>(sinusfit::ErrorSum(term, x_, y_));
      QVERIFY2(std::fabs(sinusfit::ErrorOfEntry(entry) - own) <= 1e-6 * own + 1e-4, entry.c_str());
      QVERIFY2(own < 0.1, entry.c_str());
    }
    const std::string shown(sinusfit::TermOfEntry(platform::ToLatin1(chosen->text())));
    QCOMPARE(form_->SG4->CellLatin1(5, 2), sinusfit::FittedValueText(shown, x_[4]));
    const QString statistics = form_->LabelStatistik->text();
    for (const char* expected : {"δ = 0,04", "τ = 1/δ = ", "Q = ", "Λ = ", "Periode"})
      QVERIFY2(statistics.contains(QString::fromUtf8(expected)), qPrintable(statistics));
  }

  // After the sine, while idle: the damped model is named where the swings
  // die away, nothing where they do not.
  void theSineHintsAtTheDampedModelWhereItFitsClearlyBetter() {
    for (const double delta : {0.05, 0.0}) {
      Show();
      FillDamped(delta);
      form_->D18C();
      QTest::qWait(1500);
      const bool hinted =
          form_->LabelStatistik->text().contains(QStringLiteral("Tipp: Die gedämpfte Schwingung"));
      QCOMPARE(hinted, delta > 0);
      form_.reset();
    }
  }
};

QTEST_MAIN(ModelChoiceTest)
#include "modelchoice_test.moc"
