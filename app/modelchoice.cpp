// The choice of model under "Zielfunktion": ComboZielfunktion beside the
// heading, the chosen model's formula in Label5, and after a computation
// with the sine, while idle, the hint that a richer model fits clearly
// better. With the sine chosen every control stays as it always was.

#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QSpinBox>

#include "app/controls.h"
#include "app/tform1.h"
#include "app/windowstyle.h"
#include "sinusfit/sinusfit.h"

namespace app {

using sinusfit::ModelKind;

namespace {

// Label5's place: the formula never reaches beyond the edit fields' edge.
constexpr int kFormulaWidth = 229;
constexpr int kFormulaPixels = 15;

}  // namespace

void TForm1::BuildModelChoice(QWidget* panel) {
  ComboZielfunktion = new QComboBox(panel);
  ComboZielfunktion->setObjectName(QStringLiteral("ComboZielfunktion"));
  for (int k = 0; k < sinusfit::kModelCount; ++k)
    ComboZielfunktion->addItem(
        QString::fromUtf8(sinusfit::ModelOf(static_cast<ModelKind>(k)).Title().data()));
  // Beside the heading, so that nothing below it moves.
  ComboZielfunktion->setGeometry(96, 350, 143, 22);
  // A little narrower than the window's font, so that the longest name fits.
  QFont font = WindowFont(10);
  font.setStretch(94);
  ComboZielfunktion->setFont(font);
  ComboZielfunktion->setToolTip(QStringLiteral(
      "Die Funktion, die an die Wertepaare angepasst wird: der Sinus, ein Sinus auf einer "
      "Geraden (Sinus mit Trend, etwa bei driftendem Sensor oder steigendem Mittelwert), "
      "eine gedämpfte Schwingung, deren Ausschlag mit e^(−δ(x−x₀)) abklingt (x₀ ist das "
      "kleinste x), eine Summe von Sinusschwingungen mit mehreren Frequenzen (Gezeiten, "
      "veränderliche Sterne) oder eine Schwingung mit ihren Oberschwingungen (eine Form, "
      "die kein reiner Sinus ist). Feste Parameter a, b, c, d gelten für jede Funktion, "
      "bei Summen für den ersten Sinus (b ist dann die Grundfrequenz)."));
  ComboZielfunktion->setFocusPolicy(Qt::StrongFocus);
  connect(ComboZielfunktion, &QComboBox::currentIndexChanged, this, [this] { ShowModelFormula(); });

  // The count of sines of a sum, beside "Frequenzsuche"; only for the sums.
  SpinFrequenzen = new QSpinBox(panel);
  SpinFrequenzen->setObjectName(QStringLiteral("SpinFrequenzen"));
  SpinFrequenzen->setRange(0, sinusfit::kMaxFrequencies);
  SpinFrequenzen->setSpecialValueText(QStringLiteral("automatisch"));
  SpinFrequenzen->setValue(0);
  SpinFrequenzen->setGeometry(140, 578, 99, 22);
  SpinFrequenzen->setFont(font);
  SpinFrequenzen->setToolTip(QStringLiteral(
      "Die Anzahl der Sinusglieder der Summe. „automatisch“ nimmt so viele, wie signifikant "
      "sind (FAP ≤ 0,01 und S/N ≥ 4), höchstens 10."));
  SpinFrequenzen->hide();
}

int TForm1::ChosenFrequencies() const {
  return SpinFrequenzen != nullptr ? SpinFrequenzen->value() : 1;
}

ModelKind TForm1::ChosenModel() const {
  if (ComboZielfunktion == nullptr) return ModelKind::kSine;
  const int index = ComboZielfunktion->currentIndex();
  return index > 0 && index < sinusfit::kModelCount ? static_cast<ModelKind>(index)
                                                    : ModelKind::kSine;
}

void TForm1::ShowModelFormula() {
  if (SpinFrequenzen != nullptr) SpinFrequenzen->setVisible(sinusfit::IsSumOfSines(ChosenModel()));
  const QString formula = QString::fromUtf8(sinusfit::ModelOf(ChosenModel()).Formula().data());
  // A longer formula in a smaller font, so that it keeps to its place.
  int pixels = kFormulaPixels;
  while (pixels > 9 && QFontMetrics(WindowFont(pixels)).horizontalAdvance(formula) > kFormulaWidth)
    --pixels;
  Label5->setFont(WindowFont(pixels));
  Label5->setText(formula);
  Label5->adjustSize();
}

void TForm1::LookForModelHint() {
  // As the scan's hint: while idle, moot once anything changes.
  const std::shared_ptr<sinusfit::Computation> computation = lastComputation_;
  if (computation == nullptr || computation->Model() != ModelKind::kSine || CalcIdle == 0 ||
      Listbox1->count() == 0)
    return;
  const IdleWatch watch = WatchWhileIdle();
  const std::optional<sinusfit::ModelHint> hint = sinusfit::FindModelHint(
      *computation, BestListedError(), [this] { return BoundOnB(); }, watch.keepGoing);
  if (!hint || !watch.current() || hint->text.empty()) return;
  modelHint_ = QString::fromStdString(hint->text);
  AppendScanHint();
}

}  // namespace app
