// A computation as the window drives it, and the hint of the frequency scan.

#include "sinusfit/computation.h"

#include <cmath>
#include <utility>

#include "_grund/grund.h"
#include "sinusfit/interpreterstate.h"
#include "sinusfit/modelstatistics.h"
#include "sinusfit/resulttext.h"

namespace sinusfit {

Computation::Computation(FitMode mode, double fixedValue, FitData data)
    : data_(std::make_shared<const FitData>(std::move(data))),
      precision_(ChooseTextPrecision(*data_)),
      ceiling_(ErrorCeiling(*data_)),
      fit_(mode, fixedValue, *data_, precision_, ceiling_) {}

Computation::Computation(ModelKind model, FitMode mode, double fixedValue, FitData data)
    : Computation(model, 1, mode, fixedValue, std::move(data)) {}

Computation::Computation(ModelKind model, int frequencies, FitMode mode, double fixedValue,
                         FitData data)
    : Computation(mode, fixedValue, std::move(data)) {
  model_ = model;
  if (model_ != ModelKind::kSine)
    modelFit_ = std::make_unique<ModelFit>(model_, frequencies, mode, fixedValue, data_,
                                           precision_, ceiling_);
}

Computation::~Computation() = default;

double Computation::SearchedUpTo(double bound) const {
  return modelFit_ ? modelFit_->SearchedUpTo(bound) : bound;
}

std::optional<PassResult> Computation::RunPass(const std::function<double()>& readBound,
                                               const std::function<bool()>& keepGoing) {
  if (modelFit_) return modelFit_->RunPass(readBound, keepGoing);
  if (LongSeries()) return RunLongSeriesPass(false, readBound, keepGoing);
  PassResult result = fit_.RunPass(readBound);
  // Beyond the table's usual scale the specified steps may stop short of
  // the minimum (their solver's thresholds are absolute): the pass's best
  // goes on to it.
  if (!precision_.specifiedScale) return ConvergedResult(std::move(result), readBound, keepGoing);
  return result;
}

PassResult Computation::ConvergedResult(PassResult result,
                                        const std::function<double()>& readBound,
                                        const std::function<bool()>& keepGoing) {
  if (!longSeries_)
    longSeries_ = std::make_unique<LongSeriesFit>(Mode(), FixedValue(), Data(), Precision(),
                                                  Ceiling());
  // The bound is read once more, leaving the random generator as it was.
  const auto boundAgain = [&readBound] {
    const InterpreterStateGuard guard;
    return readBound();
  };
  std::optional<PassResult> converged = longSeries_->RefineToMinimum(result, boundAgain, keepGoing);
  if (!converged) return result;
  // A short series' error is the interpreter's own sum, as its passes list it.
  const double error = static_cast<double>(ErrorSum(converged->term, fit_.X(), fit_.Y(), fit_.Weights()));
  if (!(error < result.error)) return result;
  converged->error = error;
  converged->entry = BuildResultEntry(error, converged->term, precision_);
  return std::move(*converged);
}

std::optional<PassResult> Computation::RunScanPass(const std::function<double()>& readBound,
                                                   const std::function<bool()>& keepGoing) {
  if (modelFit_) return modelFit_->RunScanPass(readBound, keepGoing);
  if (LongSeries()) return RunLongSeriesPass(true, readBound, keepGoing);
  // The scan reads the bound once; its refinement takes the same.
  std::optional<double> bound;
  const auto boundOnce = [&] {
    if (!bound) bound = readBound();
    return *bound;
  };
  std::optional<PassResult> result = RunFrequencyScan(fit_, boundOnce, keepGoing);
  if (!result) return result;
  return ConvergedResult(std::move(*result), boundOnce, keepGoing);
}

// More than 200 pairs: the long-series fit, which stays near linear in n.
std::optional<PassResult> Computation::RunLongSeriesPass(bool scan,
                                                         const std::function<double()>& readBound,
                                                         const std::function<bool()>& keepGoing) {
  if (!longSeries_)
    longSeries_ = std::make_unique<LongSeriesFit>(Mode(), FixedValue(), Data(), Precision(),
                                                  Ceiling());
  return scan ? longSeries_->RunScanPass(readBound, keepGoing)
              : longSeries_->RunPass(readBound, keepGoing);
}

std::string Computation::FittedValueText(std::string_view term, double x) const {
  return sinusfit::FittedValueText(term, x, precision_);
}

void Computation::WriteResultPlotList(grund::PlotList& list, std::string_view term,
                                      const std::vector<double>& x,
                                      const std::vector<double>& y) const {
  BeginResultPlotList(list, term);
  for (std::size_t i = 0; i < x.size() && i < y.size(); ++i) AddPlotPair(list, x[i], y[i], precision_);
  EndResultPlotList(list);
}

// ---------------------------------------------------------------------------

std::string ScanHintText(double reduction, bool weighted) {
  const double percent = std::floor(100 * reduction);
  const int whole = percent >= 100 ? 100 : percent <= 0 ? 0 : static_cast<int>(percent);
  const std::string amount = "um " + std::to_string(whole) + " % ";
  if (weighted) return "Tipp: Frequenzsuche findet ein\n" + amount + "kleineres χ².";
  return "Tipp: Frequenzsuche findet eine\n" + amount + "kleinere Fehlersumme.";
}

std::optional<ScanHint> FindScanHint(Computation& computation, double bestListedError,
                                     const std::function<double()>& readBound,
                                     const std::function<bool()>& keepGoing) {
  bool stopped = false;
  const auto watched = [&] {
    if (!keepGoing()) stopped = true;
    return !stopped;
  };
  const std::optional<PassResult> scan = computation.RunScanPass(readBound, watched);
  if (stopped) return std::nullopt;
  ScanHint hint;
  hint.scanError = scan ? scan->error : std::nan("");
  if (scan && bestListedError > 0 && scan->error < bestListedError) {
    hint.reduction = std::isinf(bestListedError)
                         ? 1.0
                         : (bestListedError - scan->error) / bestListedError;
  }
  if (hint.reduction >= kHintShare) hint.text = ScanHintText(hint.reduction, computation.Weighted());
  return hint;
}

// ---------------------------------------------------------------------------

std::string ModelHintText(ModelKind model, double reduction, bool weighted) {
  const double percent = std::floor(100 * reduction);
  const int whole = percent >= 100 ? 100 : percent <= 0 ? 0 : static_cast<int>(percent);
  const std::string name = model == ModelKind::kDampedOscillation ? "Die gedämpfte Schwingung"
                                                                  : "Der Sinus mit Trend";
  return "Tipp: " + name + "\nsenkt " + (weighted ? "χ²" : "die Fehlersumme") + " um " +
         std::to_string(whole) + " %.";
}

std::optional<ModelHint> FindModelHint(const Computation& computation, double bestListedError,
                                       const std::function<double()>& readBound,
                                       const std::function<bool()>& keepGoing) {
  const InterpreterStateGuard guard;
  ModelHint hint;
  const int n = static_cast<int>(computation.Data().x.size());
  const int sineFree = FreeParameterCount(computation.Mode());
  for (const ModelKind model : {ModelKind::kSineWithTrend, ModelKind::kDampedOscillation}) {
    FitData data = computation.Data();
    ModelFit fit(model, computation.Mode(), computation.FixedValue(),
                 std::make_shared<const FitData>(std::move(data)), computation.Precision(),
                 computation.Ceiling());
    bool stopped = false;
    const auto watched = [&] {
      if (!keepGoing()) stopped = true;
      return !stopped;
    };
    const std::optional<PassResult> found = fit.RunScanPass(readBound, watched);
    if (stopped) return std::nullopt;
    if (!found || !(found->error < bestListedError) || !(bestListedError > 0)) continue;
    const double reduction = (bestListedError - found->error) / bestListedError;
    const double probability =
        FTestProbability(bestListedError, sineFree, found->error, sineFree + 1, n);
    if (reduction >= kModelHintShare && probability < kModelHintProbability &&
        reduction > hint.reduction) {
      hint.model = model;
      hint.error = found->error;
      hint.reduction = reduction;
      hint.probability = probability;
    }
  }
  if (hint.model != ModelKind::kSine)
    hint.text = ModelHintText(hint.model, hint.reduction, computation.Weighted());
  return hint;
}

}  // namespace sinusfit
