#pragma once
// One press of "Berechnung": the pairs of the computation (weighted where
// they carry Δy), the decimals of its texts, its ceiling, and its passes as
// the window drives them, the frequency scan's first where it is wanted:
//
//   Computation computation(mode, fixedValue, std::move(data));
//   if (scanWanted) line = computation.RunScanPass(readBound, keepGoing);
//   for 20 passes: line = computation.RunPass(readBound, keepGoing);
//
// Each result's `entry` is its line of the list, ready as it stands; f(x)
// cells and the plot list of a result come from the computation too, so that
// every text of one computation has its decimals. Afterwards, without the
// scan, FindScanHint says whether the scan would have done better.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sinusfit/fitdata.h"
#include "sinusfit/frequencyscan.h"
#include "sinusfit/longseries.h"
#include "sinusfit/modelfit.h"
#include "sinusfit/sinefit.h"
#include "sinusfit/textprecision.h"

namespace grund {
struct PlotList;
}

namespace sinusfit {

class Computation {
 public:
  // data: the pairs as the table holds them; sigma empty or one valid Δy per
  // pair (CheckUncertainties gives them).
  Computation(FitMode mode, double fixedValue, FitData data);
  // The same for another model than the sine (kSine: the above).
  Computation(ModelKind model, FitMode mode, double fixedValue, FitData data);
  // A sum of sines with `frequencies` sines (0: as many as are significant).
  Computation(ModelKind model, int frequencies, FitMode mode, double fixedValue, FitData data);
  ~Computation();

  ModelKind Model() const { return model_; }
  // The highest b the search looks at for this bound (a sum's FAPs' range).
  double SearchedUpTo(double bound) const;

  FitMode Mode() const { return fit_.Mode(); }
  double FixedValue() const { return fit_.FixedValue(); }
  const TextPrecision& Precision() const { return precision_; }
  double Ceiling() const { return ceiling_; }
  bool Weighted() const { return !data_->sigma.empty(); }
  // More than the table's 200 pairs.
  bool LongSeries() const { return data_->x.size() > kTablePairs; }
  const FitData& Data() const { return *data_; }
  // The pairs for the records of the listed results (see ExportedResult).
  std::shared_ptr<const FitData> SharedData() const { return data_; }

  // One random pass. On up to 200 pairs SineFit::RunPass (weighted where
  // the pairs carry Δy), exactly so at the table's usual scale, beyond it
  // with its best refined until converged; a result always comes back there.
  // Nothing only when keepGoing said stop.
  std::optional<PassResult> RunPass(const std::function<double()>& readBound,
                                    const std::function<bool()>& keepGoing);
  // The frequency scan's pass (RunFrequencyScan, its best refined until
  // converged): nothing when keepGoing said stop or when the scan has
  // nothing to offer.
  std::optional<PassResult> RunScanPass(const std::function<double()>& readBound,
                                        const std::function<bool()>& keepGoing);

  // The f(x) text of a result of this computation at x.
  std::string FittedValueText(std::string_view term, double x) const;
  // The plot list of a result of this computation with the pairs (x[i], y[i]).
  void WriteResultPlotList(grund::PlotList& list, std::string_view term,
                           const std::vector<double>& x, const std::vector<double>& y) const;

 private:
  // The result refined on all pairs until converged, where that lowers its
  // error within the bound; as it was otherwise.
  PassResult ConvergedResult(PassResult result, const std::function<double()>& readBound,
                             const std::function<bool()>& keepGoing);
  std::optional<PassResult> RunLongSeriesPass(bool scan, const std::function<double()>& readBound,
                                              const std::function<bool()>& keepGoing);

  ModelKind model_ = ModelKind::kSine;
  std::shared_ptr<const FitData> data_;
  TextPrecision precision_;
  double ceiling_;
  SineFit fit_;
  // More than 200 pairs: made on the first pass that needs it.
  std::unique_ptr<LongSeriesFit> longSeries_;
  // Another model than the sine: its passes.
  std::unique_ptr<ModelFit> modelFit_;
};

// What the frequency scan would have found after a computation without it.
struct ScanHint {
  double scanError = 0;  // the scan's error (χ² when weighted); NaN when it found nothing
  double reduction = 0;  // the share by which it is below the best listed error, else 0
  std::string text;      // the statistics label's hint (UTF-8), empty below 1 %
};

// At least this share below the best listed error, the hint is shown.
inline constexpr double kHintShare = 0.01;

// Runs the scan for the finished computation (same pairs, mode, held value;
// the bound read through readBound) and compares it with the best error
// listed. Leaves the random generator and the interpreter as they were, so
// the window may run it while idle; nothing when keepGoing said stop.
std::optional<ScanHint> FindScanHint(Computation& computation, double bestListedError,
                                     const std::function<double()>& readBound,
                                     const std::function<bool()>& keepGoing);

// What a richer model would gain after a computation with the sine.
struct ModelHint {
  ModelKind model = ModelKind::kSine;  // kSine: none worth naming
  double error = 0;                    // its best error (χ² when weighted)
  double reduction = 0;                // the share by which it is below the sine's
  double probability = 1;              // the F-test's P of that gain
  std::string text;                    // the statistics label's hint (UTF-8), or empty
};

// A model is named when it lowers the error by at least this share, at the
// F-test's P below kModelHintProbability.
inline constexpr double kModelHintShare = 0.2;
inline constexpr double kModelHintProbability = 0.01;

// Fits the trend and the damped model to the finished sine computation's
// pairs (the scan's starts only, its held parameter kept) and names the one
// that lowers the best listed error most, where it does so clearly and
// significantly. Leaves the random generator and the interpreter as they
// were; nothing when keepGoing said stop.
std::optional<ModelHint> FindModelHint(const Computation& computation, double bestListedError,
                                       const std::function<double()>& readBound,
                                       const std::function<bool()>& keepGoing);

// "Tipp: Die gedämpfte Schwingung\nsenkt die Fehlersumme um 86 %." (χ² when
// weighted; whole percents rounded down).
std::string ModelHintText(ModelKind model, double reduction, bool weighted);

// The hint's text for a reduction by the share `reduction` (0..1), e.g.
// "Tipp: Frequenzsuche findet eine\num 35 % kleinere Fehlersumme." (χ² when
// weighted); whole percents, rounded down, so that it never claims more.
std::string ScanHintText(double reduction, bool weighted);

}  // namespace sinusfit
