// One pass of the sine fit and the frequency scan on pairs made from the
// input, as the window runs them through Computation: a mode 1 to 5, a held
// value, a bound on |b| and up to 200 pairs of any values the table can hold
// (finite doubles: equal x, ±0, subnormal, huge), with Δy where the input
// asks for them; or a long series of up to some 2200 pairs, a pattern of up
// to 64 pairs from the input repeated along x. Then the statistics of the pass's result on the same pairs,
// as the statistics label shows them.
//
// Input: the mode byte, a byte that may stop the scan after a number of its
// looks at the window, the held value, the bound, the pair count (201 and
// above: a long series of 201 + 37·(count − 201) pairs), then x and y of
// each pair (of the pattern); after them a byte whose lowest bit asks for Δy, and a Δy
// for each pair (any double: 0, negative, huge, tiny, infinite, NaN). Each
// value is a selector byte: a point of a fine grid around 0 (so that x
// repeat), a value that breaks naive arithmetic, a power of two from 2^-40
// to 2^40, or any double from the next eight bytes.
//
// Checked: the Δy texts are refused exactly when one of them has no usable
// weight (0, negative, not finite, 1/Δy² no normal double), with the rows
// named, and nothing is computed then; otherwise the weights are the values
// given. The pass's entry is its error text and its term with the
// computation's decimals, the term that of its parameters, and each
// parameter text reads back within half a unit of its last decimal; a taken
// candidate has an error below the ceiling, finite parameters within the
// bound, the held value in its place, and in mode 1 b >= 0 and 0 <= c <= 2π.
// The scan reads the bound once, leaves the random generator and the
// registers as they were, stops for good when told to, and a result of it is
// as sound as a pass's; its grid keeps within its caps. On long series every
// listed error is the interpreter's error sum of its term on all pairs, and
// a pass told to stop stops. The statistics text
// shows no "nan" or "inf". The pass and the scan each have their own time
// limit; a bound whose grid would take long (up to the cap of some 16
// million pairs × trial values) has its grid checked, and the scan runs on
// the longest grid within a budget instead.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "_grund/grund.h"
#include "fktint/fktint.h"
#include "fuzz/fuzz_support.h"
#include "sinusfit/fastperiodogram.h"
#include "sinusfit/sinusfit.h"

namespace {

using sinusfit::Computation;
using sinusfit::FitMode;
using sinusfit::ModelParameters;
using sinusfit::PassResult;
using sinusfit::TextPrecision;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kDenormMin = std::numeric_limits<double>::denorm_min();
constexpr double kSpecial[] = {0.0,
                               -0.0,
                               1.0,
                               -1.0,
                               200.0,
                               std::numeric_limits<double>::max(),
                               std::numeric_limits<double>::lowest(),
                               std::numeric_limits<double>::denorm_min(),
                               -std::numeric_limits<double>::denorm_min(),
                               std::numeric_limits<double>::min(),
                               1e308,
                               -1e300,
                               1e-300,
                               1e10,
                               -1e10,
                               1e15,
                               1e-10,
                               3.141592653589793,
                               6.283185307179586,
                               365.25,
                               86400.0,
                               1.7e9,  // seconds since 1970
                               2024.5,
                               0.1,
                               kInf,  // only the held value and the bound keep these
                               -kInf,
                               kNaN};
constexpr int kSpecialCount = static_cast<int>(std::size(kSpecial));

// A unit of the time limit per this many pairs: the pass's candidates and
// the scan's each take some 40 Gauss-Newton steps on every pair. A pass on
// 200 pairs takes some 200 ms under the sanitizers; the limit leaves room
// for a loaded machine.
constexpr int kPairsPerUnit = 20;
// The scan's pass over its grid is given at most this many pairs × trial
// values (some 30 ms under the sanitizers); the grid a larger bound would
// give is checked without the scan.
constexpr double kMaxScanWork = 1 << 17;

// Trial values of a long series' scan at most (its subset's direct sum
// takes a few thousand; beyond them the fast periodogram).
constexpr double kMaxLongScanTrials = 1 << 15;

// Pairs of a long series' pattern, and the long series' lengths.
constexpr int kPatternPairs = 64;
constexpr int kLongStep = 37;

double PickValue(fuzz::ByteReader& in) {
  const int selector = in.Byte();
  if (selector < 96) return (selector - 48) / 8.0;  // -6 .. 5.875 in steps of 1/8
  if (selector < 96 + kSpecialCount) return kSpecial[selector - 96];
  if (selector < 208) return std::ldexp(1.0, (selector - 96 - kSpecialCount) % 81 - 40);
  return in.RawDouble();
}

// A cell of the table holds a number text: whatever it reads as is finite.
double PickCell(fuzz::ByteReader& in) {
  const double v = PickValue(in);
  return std::isfinite(v) ? v : 0.0;
}

bool SameValue(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0 || a == b; }

double HeldValue(FitMode mode, const ModelParameters& p) {
  switch (mode) {
    case FitMode::kFixedA:
      return p.a;
    case FitMode::kFixedB:
      return p.b;
    case FitMode::kFixedC:
      return p.c;
    case FitMode::kFixedD:
      return p.d;
    case FitMode::kAllFree:
      break;
  }
  return 0;
}

// Each parameter text of the term, read by the interpreter, lies within half
// a unit of its last decimal of the parameter (where the interpreter's range
// holds it).
void CheckTermReadsBack(const std::string& term, const ModelParameters& p,
                        const TextPrecision& precision) {
  const std::size_t sin = term.find("*SIN(");
  const std::size_t x = term.find("*X", sin);
  const std::size_t close = term.rfind(')');
  FUZZ_CHECK(sin != std::string::npos && x != std::string::npos && close != std::string::npos);
  const std::string pieces[] = {term.substr(0, sin), term.substr(sin + 5, x - sin - 5),
                                term.substr(x + 2, close - x - 2), term.substr(close + 1)};
  const double values[] = {p.a, p.b, p.c, p.d};
  const int decimals[] = {precision.a, precision.b, precision.c, precision.d};
  for (int k = 0; k < 4; ++k) {
    FUZZ_CHECK(pieces[k].find_first_of(".Ee") == std::string::npos);
    if (!(std::fabs(values[k]) < 1e9)) continue;
    const double back = fktint::EvaluateTerm(pieces[k], 0);
    const double half = 0.5 * std::pow(10.0, -decimals[k]);
    // FormatPoint rounds from 17 decimals, or from 18 significant digits at
    // 10 and above and below 0.1 with more than 17 decimals.
    const double v = std::fabs(values[k]);
    const double digits = v >= 10 || (v < 0.1 && decimals[k] > 17) ? 0 : 5.1e-18;
    FUZZ_CHECK(std::fabs(back - values[k]) <= half * (1 + 1e-9) + digits + 4e-16 * v);
  }
}

// What holds for the result of a pass, the scan's included.
void CheckResult(const PassResult& r, const Computation& computation, double bound) {
  const ModelParameters& p = r.parameters;
  const FitMode mode = computation.Mode();
  const TextPrecision& precision = computation.Precision();
  FUZZ_CHECK(r.term == sinusfit::BuildTermText(p, precision));
  FUZZ_CHECK(r.entry == sinusfit::BuildResultEntry(r.error, r.term, precision));
  FUZZ_CHECK(sinusfit::TermOfEntry(r.entry) == r.term);
  const double values[] = {p.a, p.b, p.c, p.d};
  const int held = static_cast<int>(mode) - 2;  // -1 in mode 1
  bool zeroTerm = true;
  for (int k = 0; k < 4; ++k)
    if (k != held && values[k] != 0) zeroTerm = false;
  // A pass that took no candidate lists the ceiling on the usual scale, and
  // its zero term's own error beyond it.
  const bool ownErrorOfNone = zeroTerm && !precision.specifiedScale;
  FUZZ_CHECK(r.error <= computation.Ceiling() || ownErrorOfNone);
  if (mode != FitMode::kAllFree) FUZZ_CHECK(SameValue(HeldValue(mode, p), computation.FixedValue()));
  if (!(r.error < computation.Ceiling()) || ownErrorOfNone) return;  // no candidate was taken
  FUZZ_CHECK(r.error >= 0);
  for (int k = 0; k < 4; ++k)
    if (k != held) FUZZ_CHECK(std::isfinite(values[k]));
  if (mode != FitMode::kFixedB) FUZZ_CHECK(!(std::fabs(p.b) > bound));
  if (mode == FitMode::kAllFree) {
    FUZZ_CHECK(p.b >= 0);
    FUZZ_CHECK(p.c >= 0 && p.c <= static_cast<double>(grund::kTwoPi));
  }
  CheckTermReadsBack(r.term, p, precision);
}

// A long series lists each term with its error sum on all pairs, as the
// interpreter gives it.
// The loops' sine is within a few ulp of the interpreter's, not its twin:
// each value may differ by delta, which for a near-exact fit is more than
// 1e-8 of its tiny sum, but never shows in its text.
void CheckTrueError(const PassResult& r, const sinusfit::FitData& d) {
  const std::vector<double> w = sinusfit::WeightsOf(d);
  const double own = static_cast<double>(sinusfit::ErrorSum(r.term, d.x, d.y, w));
  if (!std::isfinite(own) || !std::isfinite(r.error)) return;
  double weights = 0;
  for (std::size_t i = 0; i < d.x.size(); ++i) weights += w.empty() ? 1 : w[i];
  const auto size = [](double v) { return std::isfinite(v) ? std::fabs(v) : 0.0; };  // "NAN" reads as 0
  const double delta = 8 * std::numeric_limits<double>::epsilon() *
                       (2 * size(r.parameters.a) + size(r.parameters.d));
  const double rounding = 2 * delta * std::sqrt(weights * own) + weights * delta * delta;
  FUZZ_CHECK(std::fabs(r.error - own) <= 1e-8 * own + rounding + 1e-300);
}

struct InterpreterState {
  std::uint32_t seed = grund::ProcessRandom().Seed();
  double p = fktint::ParamP, q = fktint::ParamQ;
  std::array<double, 6> k = fktint::ParamK;
  bool operator==(const InterpreterState&) const = default;
};

// The scan of the computation's pairs. keepGoing says stop after
// `stopAfter` looks when that is set; once it has said so it must not be
// asked again.
void CheckScan(Computation& computation, double bound, std::optional<int> stopAfter,
               const sinusfit::FitData& pairs) {
  int boundReads = 0, looks = 0;
  bool stopped = false;
  const auto readBound = [&] {
    ++boundReads;
    fktint::ParamP = 7;                     // a term such as "7;200" writes a register
    grund::ProcessRandom().NextFraction();  // MCARLO draws
    return bound;
  };
  const auto keepGoing = [&] {
    FUZZ_CHECK(!stopped);
    stopped = stopAfter && looks++ >= *stopAfter;
    return !stopped;
  };
  const InterpreterState before;
  const std::optional<PassResult> scan = computation.RunScanPass(readBound, keepGoing);
  FUZZ_CHECK(InterpreterState() == before);
  FUZZ_CHECK(boundReads <= 1);
  if (computation.Mode() == FitMode::kFixedB) FUZZ_CHECK(!scan);
  if (stopped) FUZZ_CHECK(!scan);
  if (!scan) return;
  FUZZ_CHECK(scan->error < computation.Ceiling());
  CheckResult(*scan, computation, bound);
  if (computation.LongSeries()) CheckTrueError(*scan, pairs);
}

// The bound of a long series' scan that keeps its grid within
// kMaxLongScanTrials trial values: thousands of periods over the span, more
// than a direct sum on the scan's subset takes, so that the fast periodogram
// is fuzzed too.
double LongScanBound(const std::vector<double>& x, double bound) {
  const auto [low, high] = std::minmax_element(x.begin(), x.end());
  const double span = *high - *low;
  if (!(span > 0) || !std::isfinite(span)) return bound;
  const double step = 2 * 3.141592653589793 / (sinusfit::kLongScanOversampling * span);
  // A grid the fast way does not take (x beyond 1e300 of its cells) is
  // summed directly on the scan's subset: within kMaxScanWork then.
  const double pairs = static_cast<double>(std::min(x.size(), sinusfit::kLongScanSubsetPairs));
  const bool fast = sinusfit::scan::FastPeriodogramTakes(
      span, {step, static_cast<std::int64_t>(kMaxLongScanTrials)});
  const double most = (fast ? kMaxLongScanTrials : std::floor(kMaxScanWork / pairs)) * step;
  return bound > most ? most : bound;
}

// The grid of the bound: within the scan's caps and the bound, of finite
// steps.
// Returns the bound the scan is run with: the given one, or, where its grid
// would take more than kMaxScanWork, the bound of a grid that does not.
double CheckGrid(FitMode mode, const std::vector<double>& x, double bound) {
  const sinusfit::FrequencyGrid grid = sinusfit::ScanGrid(mode, x, bound);
  FUZZ_CHECK(grid.count >= 0 && grid.count <= sinusfit::kScanMaxTrials);
  if (grid.count == 0) return bound;
  // A subnormal bound's few trial values round to its last places (a bound
  // of the smallest subnormal gives steps of 0).
  const double lastPlaces = static_cast<double>(grid.count) * kDenormMin;
  FUZZ_CHECK(grid.step >= 0 && std::isfinite(grid.step));
  FUZZ_CHECK(grid.step > 0 || bound < 2 * kDenormMin);
  FUZZ_CHECK(grid.count <= 3 ||
             grid.count * static_cast<std::int64_t>(x.size()) <= sinusfit::kScanMaxWork);
  FUZZ_CHECK(!(static_cast<double>(grid.count) * grid.step > bound * (1 + 1e-12) + lastPlaces));
  const double trials = std::floor(kMaxScanWork / static_cast<double>(x.size()));
  if (static_cast<double>(grid.count) <= trials) return bound;
  return grid.step * trials;
}

void CheckStatistics(FitMode mode, const ModelParameters& p, const sinusfit::FitData& d) {
  const sinusfit::FitStatistics s = sinusfit::ComputeFitStatistics(mode, p, d.x, d.y, d.sigma);
  FUZZ_CHECK(s.n == static_cast<int>(d.x.size()));
  FUZZ_CHECK(s.weighted == !d.sigma.empty());
  for (const double e : s.standardError) FUZZ_CHECK(std::isnan(e) || (e >= 0 && std::isfinite(e)));
  FUZZ_CHECK(std::isnan(s.pValue) || (s.pValue >= 0 && s.pValue <= 1));
  const std::string text = sinusfit::FormatFitStatistics(mode, p, s);
  FUZZ_CHECK(text.find("nan") == std::string::npos && text.find("inf") == std::string::npos);
}

// Whether a Δy gives a usable weight 1/Δy².
bool UsableDeltaY(double v) {
  if (!(v > 0) || !std::isfinite(v)) return false;
  const double weight = 1 / (v * v);
  return std::isfinite(weight) && weight >= std::numeric_limits<double>::min();
}

// The Δy as the table would hold them (decimal comma, shortest text), through
// the window's check. True when the computation may start, with the checked
// Δy in `sigma`.
bool CheckDeltaY(const std::vector<double>& given, std::vector<double>& sigma) {
  std::vector<std::string> texts;
  std::vector<std::string_view> views;
  std::vector<int> rows;
  for (std::size_t i = 0; i < given.size(); ++i) {
    texts.push_back(sinusfit::FullPrecisionText(given[i]));
    rows.push_back(static_cast<int>(i) + 1);
  }
  for (const std::string& t : texts) views.push_back(t);
  const sinusfit::UncertaintyCheck check = sinusfit::CheckUncertainties(rows, views);
  std::size_t unusable = 0;
  for (const double v : given) unusable += UsableDeltaY(v) ? 0 : 1;
  if (given.empty()) {
    FUZZ_CHECK(check.verdict == sinusfit::UncertaintyVerdict::kUnweighted);
    return true;
  }
  if (unusable > 0) {
    FUZZ_CHECK(check.verdict == sinusfit::UncertaintyVerdict::kRefused);
    FUZZ_CHECK(check.sigma.empty());
    FUZZ_CHECK(check.problems.size() == std::min(unusable, sinusfit::kNamedProblems));
    FUZZ_CHECK(check.problems.size() + check.furtherProblems == unusable);
    return false;
  }
  FUZZ_CHECK(check.verdict == sinusfit::UncertaintyVerdict::kWeighted);
  FUZZ_CHECK(check.sigma == given);
  sigma = check.sigma;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::ByteReader in(data, size);
  const auto mode = static_cast<FitMode>(1 + in.Byte() % 5);
  const std::uint8_t stopByte = in.Byte();
  const std::optional<int> stopAfter =
      stopByte >= 128 ? std::optional<int>(stopByte - 128) : std::nullopt;
  const double fixed = PickValue(in);
  const double bound = PickValue(in);
  const int count = in.Byte();
  const bool longSeries = count > 200;
  const int n = longSeries ? 201 + kLongStep * (count - 201) : count;
  const int given = longSeries ? kPatternPairs : n;
  std::vector<double> x(n), y(n);
  for (int i = 0; i < given; ++i) {
    x[i] = PickCell(in);
    y[i] = PickCell(in);
  }
  if (longSeries) {
    // The pattern again and again, each time one pattern's span further on.
    const auto [low, high] = std::minmax_element(x.begin(), x.begin() + given);
    const double shift = *high - *low > 0 && std::isfinite(*high - *low) ? *high - *low + 1 : 1;
    for (int i = given; i < n; ++i) {
      const double moved = x[i - given] + shift;
      x[i] = std::isfinite(moved) ? moved : x[i - given];
      y[i] = y[i - given];
    }
  }
  std::vector<double> deltaY;
  if (in.Byte() & 1) {
    for (int i = 0; i < given; ++i) deltaY.push_back(PickValue(in));
    for (int i = given; i < n; ++i) deltaY.push_back(deltaY[static_cast<std::size_t>(i - given)]);
  }
  sinusfit::FitData pairs{x, y, {}};
  if (!CheckDeltaY(deltaY, pairs.sigma)) return 0;  // refused: nothing is computed

  // As right after program start, so that every input runs alike.
  grund::ProcessRandom().SetSeed(0);
  fktint::ParamP = fktint::ParamQ = 0;
  fktint::ParamK = {};
  sinusfit::ProcessNormalMatrix() = {};

  Computation computation(mode, fixed, pairs);
  const TextPrecision& precision = computation.Precision();
  FUZZ_CHECK(precision.specifiedScale == sinusfit::OnUsualScale(pairs));
  FUZZ_CHECK(computation.Ceiling() == sinusfit::ErrorCeiling(pairs));
  FUZZ_CHECK(computation.Ceiling() >= sinusfit::kErrorCeiling);
  {
    // Twenty candidates of 40 steps on the pairs, and their error sums
    // through the interpreter.
    const fuzz::InputTimer timer(1 + n / kPairsPerUnit);
    bool asked = false;
    const std::optional<PassResult> pass =
        computation.RunPass([bound] { return bound; }, [&] { return asked = true; });
    FUZZ_CHECK(pass);
    FUZZ_CHECK(!asked || longSeries);  // on the table's pairs a pass never asks
    CheckResult(*pass, computation, bound);
    if (longSeries) CheckTrueError(*pass, pairs);
    // The pass's period judged as if a scan up to the bound had found it.
    const double fap = sinusfit::PeriodFalseAlarm(pairs, pass->error, bound);
    FUZZ_CHECK(std::isnan(fap) || (fap >= 0 && fap <= 1));
    CheckStatistics(computation.Mode(), pass->parameters, pairs);
    for (const double v : x) computation.FittedValueText(pass->term, v);
    FUZZ_CHECK(fktint::EvalError <= 4);
    timer.Check();
  }
  {
    // Some twice a pass's work per start of a candidate; with c held each
    // candidate has three starts (and a free fit before them).
    const int starts = computation.Mode() == FitMode::kFixedC ? 3 : 1;
    const fuzz::InputTimer timer(1 + starts * n / kPairsPerUnit);
    const double scanBound =
        longSeries ? LongScanBound(x, bound) : CheckGrid(computation.Mode(), x, bound);
    CheckScan(computation, scanBound, stopAfter, pairs);
    timer.Check();
  }
  if (sinusfit::EffectiveMode(computation.Mode()) != FitMode::kFixedB) {
    // The periodogram to look at, on the grid the scan searched (and in
    // about its time): a power from 0 to 1.
    const fuzz::InputTimer timer(1 + n / kPairsPerUnit);
    const double scanBound =
        longSeries ? LongScanBound(x, bound) : CheckGrid(computation.Mode(), x, bound);
    if (const auto spectrum = sinusfit::ComputePowerSpectrum(pairs, scanBound, [] { return true; }))
      for (const double z : spectrum->power) FUZZ_CHECK(std::isnan(z) || (z >= 0 && z <= 1));
    timer.Check();
  }
  if (longSeries && stopAfter) {
    // A pass told to stop gives nothing and is not asked again.
    int looks = 0;
    bool stopped = false;
    const fuzz::InputTimer timer(1 + n / kPairsPerUnit);
    const std::optional<PassResult> pass = computation.RunPass([bound] { return bound; }, [&] {
      FUZZ_CHECK(!stopped);
      stopped = looks++ >= *stopAfter;
      return !stopped;
    });
    if (stopped) FUZZ_CHECK(!pass);
    if (pass) CheckResult(*pass, computation, bound);
    timer.Check();
  }
  return 0;
}
