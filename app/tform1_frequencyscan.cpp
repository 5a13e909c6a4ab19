// The check box "Frequenzsuche" and the scan pass it adds before the random
// passes of a computation. The scan itself is Qt-free (frequencyscan.h); the
// window reads the check box, pumps its events while the scan runs and lists
// the scan's entry like a pass's.

#include <QCheckBox>
#include <QCoreApplication>
#include <QListWidget>
#include <QPointer>
#include <optional>

#include "app/controls.h"
#include "app/tform1.h"
#include "sinusfit/sinusfit.h"

namespace app {

using sinusfit::EffectiveMode;
using sinusfit::FitMode;
using sinusfit::PassResult;
using sinusfit::RunFrequencyScan;
using sinusfit::SineFit;

void TForm1::BuildFrequencyScanOption(QWidget* panel) {
  CheckFrequenzsuche = new QCheckBox(QStringLiteral("Frequenzsuche"), panel);
  CheckFrequenzsuche->setObjectName(QStringLiteral("CheckFrequenzsuche"));
  CheckFrequenzsuche->setGeometry(10, 578, 229, 21);
  CheckFrequenzsuche->setToolTip(QStringLiteral(
      "Sucht vor den 20 Durchgängen mit zufälligen Startwerten die Frequenz b auf einem feinen "
      "Raster von 0 bis zum maximalen Wert für |b| ab und stellt die beste so gefundene "
      "Anpassung als eigene Zeile in die Liste. So wird b auch weit außerhalb von −5 bis 5 "
      "gefunden, etwa bei x in Tagen, Jahren oder Sekunden. Bei festem b ohne Wirkung."));
  // After the controls of the fit and the result list in the keyboard order.
  setTabOrder(Listbox1, CheckFrequenzsuche);
}

bool TForm1::FrequencyScanWanted(FitMode mode) const {
  return CheckFrequenzsuche->isChecked() && EffectiveMode(mode) != FitMode::kFixedB;
}

void TForm1::RunFrequencyScanPass(const SineFit& fit, const std::function<double()>& readBound) {
  // The window may close, or be destroyed, while the scan pumps its events;
  // an abort click sets CalcIdle to 1. Either ends the scan at once.
  const QPointer<TForm1> self(this);
  const auto windowGone = [&] { return self.isNull() || closed_; };
  const auto keepGoing = [&] {
    QCoreApplication::processEvents();
    return !windowGone() && CalcIdle == 0;
  };
  const std::optional<PassResult> result = RunFrequencyScan(fit, readBound, keepGoing);
  if (windowGone() || CalcIdle == 1) return;
  if (result) {
    const QString entry = QString::fromLatin1(result->entry);
    if (Listbox1->findItems(entry, Qt::MatchExactly).isEmpty()) {
      Listbox1->addItem(entry);
      resultRecords_[result->entry] = {fit.Mode(), result->parameters, result->error};
    }
  }
  // As at the end of a pass: the window's events run, an abort is seen.
  QCoreApplication::processEvents();
}

}  // namespace app
