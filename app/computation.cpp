// The computation handler: Button1 starts a computation or asks a running
// one to stop. The fit itself is sinusfit's Computation; the handler reads
// the window's settings, drives the passes (the frequency scan's first, where
// it is wanted) and keeps the window alive by running its pending events once
// at the start and once per pass, and within a pass of a long series.

#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <cstdint>
#include <memory>
#include <type_traits>

#include "_grund/grund.h"
#include "app/autosaver.h"
#include "app/controls.h"
#include "app/fitinput.h"
#include "app/tablepairs.h"
#include "app/tform1.h"
#include "app/valuetable.h"
#include "platform/qtlatin1.h"
#include "sinusfit/sinusfit.h"

namespace app {

using sinusfit::Computation;
using sinusfit::FitMode;
using sinusfit::PassResult;

namespace {

// Within a pass of a long series the window's events run this often at
// least, so that it repaints and an abort click is seen at once.
constexpr qint64 kPumpIntervalMs = 20;
// A computation running longer than this shows how far it is.
constexpr qint64 kProgressAfterMs = 1000;

}  // namespace

TForm1::Pumping TForm1::WindowState(const QPointer<TForm1>& self) {
  if (self.isNull() || self->closed_) return Pumping::kWindowGone;
  return CalcIdle == 1 ? Pumping::kAborted : Pumping::kGoOn;
}

TForm1::Pumping TForm1::PumpEvents(const QPointer<TForm1>& self) {
  QCoreApplication::processEvents();
  return WindowState(self);
}

void TForm1::StopComputation(const QPointer<TForm1>& self) {
  // Nothing of a window that is gone is touched any more; the program may be
  // ending.
  if (WindowState(self) == Pumping::kWindowGone) {
    CalcIdle = 1;
    return;
  }
  self->EndComputation();
}

int TForm1::CheckedFitMode() const {
  int mode = 1;
  const QRadioButton* fixedModes[] = {rt2, rt3, rt4, rt5};
  for (int i = 0; i < 4; ++i) {
    if (fixedModes[i]->isChecked()) mode = i + 2;
  }
  return mode;
}

double TForm1::FixedValue(int fitMode) const {
  const QLineEdit* fields[] = {Edit1, Edit2, Edit3, Edit4};
  if (fitMode < 2 || fitMode > 5) return 0;
  return grund::ReadEditValue(platform::ToLatin1(fields[fitMode - 2]->text()));
}

// Read afresh for every candidate: the field holds a term.
double TForm1::BoundOnB() const { return grund::ReadEditValue(platform::ToLatin1(Edit5->text())); }

void TForm1::EndComputation() {
  StateChanged();  // the result list, the generator
  CalcIdle = 1;
  Button1->setText(QStringLiteral("Berechnung"));
  AllowTableReplacing(true);
}

void TForm1::D18C() {
  // A click while a computation runs further down the call stack: ask it to
  // stop. It notices at the end of its current pass.
  if (CalcIdle == 0) {
    EndComputation();
    return;
  }

  // What the user typed is safe before a long computation starts.
  if (autosaver_ != nullptr) autosaver_->SaveNow();
  CalcIdle = 0;
  ++computationsStarted_;
  // The window may close, or even be destroyed, while its events run.
  const QPointer<TForm1> self(this);
  const Pumping started = PumpEvents(self);
  if (started == Pumping::kWindowGone) {
    StopComputation(self);
    return;
  }

  const int mode = CheckedFitMode();
  const double fixedValue = FixedValue(mode);
  const TablePairs pairs = ReadPairs(*SG4);
  const ValueTable::Revision revision = SG4->CurrentRevision();
  static_assert(std::is_same_v<ValueTable::Revision, std::uint32_t>);
  FitInput input = ReadFitInput(pairs);
  if (input.check.verdict == sinusfit::UncertaintyVerdict::kRefused) {
    // Bad Δy: nothing starts and nothing changes.
    EndComputation();
    ShowMessage(QString::fromStdString(sinusfit::UncertaintyRefusalText(input.check)));
    return;
  }
  // An abort click in that pumping (or a fit nested in it that has ended)
  // left CalcIdle at 1 and the caption at "Berechnung": this computation
  // stops after its first pass, and the caption must not offer to abort it.
  if (started == Pumping::kGoOn) {
    Button1->setText(QStringLiteral("Abbruch"));
    AllowTableReplacing(false);
  }
  Label2->setText(QString::number(pairs.x.size()));
  ClearResults();

  auto computation =
      std::make_shared<Computation>(ChosenModel(), ChosenFrequencies(), static_cast<FitMode>(mode),
                                    fixedValue, std::move(input.data));
  tablesData_ = {computation->SharedData().get(), pairsVersion_};
  ShowListHeading(computation->Weighted());
  const std::optional<PassResult> last = RunPasses(*computation, self);
  if (!last) return;  // stopped: the finished passes' lines stay
  // The last pass's result: its values in the f(x) column and its curve with
  // the pairs in the plot.
  lastComputation_ = computation;
  // Beyond the usual scale a pass may end far from the best fit: the best
  // line is shown, chosen in the list, so that the first picture is right.
  PassResult shown = *last;
  // So does every other model than the sine: its passes differ only by
  // their random starts.
  if (!computation->Precision().specifiedScale || computation->Model() != sinusfit::ModelKind::kSine)
    ChooseBestLine(shown);
  ShowComputedResult(shown, pairs, revision);
  EndComputation();
  if (computation->Model() == sinusfit::ModelKind::kSine)
    QTimer::singleShot(0, this, [this] { LookForHints(); });
}

void TForm1::LookForHints() {
  const std::shared_ptr<Computation> computation = lastComputation_;
  if (computation == nullptr) return;
  // The scan's hint runs the window's events: the window may be gone after it.
  const IdleWatch watch = WatchWhileIdle();
  if (!FrequencyScanWanted(computation->Mode()) &&
      sinusfit::EffectiveMode(computation->Mode()) != FitMode::kFixedB)
    LookForScanHint();
  if (watch.current()) LookForModelHint();
}

std::optional<PassResult> TForm1::RunPasses(Computation& computation,
                                            const QPointer<TForm1>& self) {
  const auto readBound = [this] { return BoundOnB(); };
  QElapsedTimer clock, sincePump;
  clock.start();
  sincePump.start();
  int passesDone = 0;
  // The scan asks at each of its steps and pumps there; a long series asks
  // far more often, and its events run every few milliseconds.
  const bool everyCall = !computation.LongSeries();
  const auto keepGoing = [&] {
    if (!everyCall && sincePump.elapsed() < kPumpIntervalMs)
      return WindowState(self) == Pumping::kGoOn;
    sincePump.restart();
    if (WindowState(self) == Pumping::kGoOn && clock.elapsed() > kProgressAfterMs)
      ShowProgress(passesDone);
    return PumpEvents(self) == Pumping::kGoOn;
  };
  scanBound_ = FrequencyScanWanted(computation.Mode()) ? BoundOnB() : 0;
  searchedUpTo_ = computation.SearchedUpTo(BoundOnB());
  if (FrequencyScanWanted(computation.Mode())) {
    const std::optional<PassResult> scan = computation.RunScanPass(readBound, keepGoing);
    if (WindowState(self) == Pumping::kGoOn && scan) AddResultLine(computation, *scan);
    // As at the end of a pass: the window's events run, an abort is seen.
    if (WindowState(self) != Pumping::kGoOn || PumpEvents(self) != Pumping::kGoOn) {
      StopComputation(self);  // stopped during the scan or right after it
      return std::nullopt;
    }
  }
  std::optional<PassResult> result;
  for (; passesDone < sinusfit::kFitPasses; ++passesDone) {
    result = computation.RunPass(readBound, keepGoing);
    if (!result) {  // a long series' pass stopped within
      StopComputation(self);
      return std::nullopt;
    }
    AddResultLine(computation, *result);
    if (clock.elapsed() > kProgressAfterMs) ShowProgress(passesDone + 1);
    if (PumpEvents(self) != Pumping::kGoOn) {
      StopComputation(self);
      return std::nullopt;
    }
  }
  return result;
}

void TForm1::ShowProgress(int passesDone) {
  // Only while this computation still runs: an abort has set the caption back.
  if (CalcIdle != 0) return;
  Button1->setText(QStringLiteral("Abbruch (%1 %)").arg(100 * passesDone / sinusfit::kFitPasses));
}

bool TForm1::FrequencyScanWanted(FitMode mode) const {
  return CheckFrequenzsuche->isChecked() && sinusfit::EffectiveMode(mode) != FitMode::kFixedB;
}

void TForm1::AllowTableReplacing(bool allowed) {
  // What replaces or reshapes the table waits while a computation runs, so
  // that its result meets the pairs it was computed from; typing goes on.
  S11->setEnabled(allowed);
  S1->setEnabled(allowed);
  actionOpenPairs->setEnabled(allowed);
  if (actionOpenSession != nullptr) actionOpenSession->setEnabled(allowed);
  if (actionFillSigma != nullptr) actionFillSigma->setEnabled(allowed);
  if (actionUncertainties != nullptr) actionUncertainties->setEnabled(allowed);
  setAcceptDrops(allowed);
  SG4->SetReshapingAllowed(allowed);
  if (abortKey_ != nullptr) abortKey_->setEnabled(!allowed);
}

TForm1::IdleWatch TForm1::WatchWhileIdle() {
  // A new computation, a change of the pairs or the window closing makes
  // what the idle work finds moot.
  IdleWatch watch;
  const int started = computationsStarted_;
  const ValueTable::Revision revision = SG4->CurrentRevision();
  const QPointer<TForm1> self(this);
  watch.current = [=] {
    return !self.isNull() && !self->closed_ && CalcIdle == 1 &&
           self->computationsStarted_ == started && self->SG4->CurrentRevision() == revision;
  };
  auto sincePump = std::make_shared<QElapsedTimer>();
  sincePump->start();
  watch.keepGoing = [current = watch.current, sincePump] {
    if (sincePump->elapsed() >= kPumpIntervalMs) {
      sincePump->restart();
      QCoreApplication::processEvents();
    }
    return current();
  };
  return watch;
}

void TForm1::LookForScanHint() {
  // Runs while the window is idle.
  const std::shared_ptr<Computation> computation = lastComputation_;
  if (computation == nullptr || CalcIdle == 0 || Listbox1->count() == 0) return;
  const IdleWatch watch = WatchWhileIdle();
  const double best = BestListedError();
  const std::optional<sinusfit::ScanHint> hint =
      sinusfit::FindScanHint(*computation, best, [this] { return BoundOnB(); }, watch.keepGoing);
  if (!hint || !watch.current() || hint->text.empty()) return;
  scanHint_ = QString::fromStdString(hint->text);
  AppendScanHint();
}

}  // namespace app
