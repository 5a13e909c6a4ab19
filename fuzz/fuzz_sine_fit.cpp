// One pass of the sine fit and the frequency scan on pairs made from the
// input, as the window runs them: a mode 1 to 5, a held value, a bound on
// |b| and up to 200 pairs of any values the table can hold (finite doubles:
// equal x, ±0, subnormal, huge). Then the statistics of the pass's result on
// the same pairs, as the statistics label shows them.
//
// Input: the mode byte, a byte that may stop the scan after a number of its
// looks at the window, the held value, the bound, the pair count, then x and
// y of each pair. Each value is a selector byte: a point of a fine grid
// around 0 (so that x repeat), a value that breaks naive arithmetic, a power
// of two from 2^-40 to 2^40, or any double from the next eight bytes.
//
// Checked: the pass's entry is its error text and its term, the term that of
// its parameters; a taken candidate has finite parameters within the bound,
// the held value in its place, and in mode 1 b >= 0 and 0 <= c <= 2π. The
// scan reads the bound once, leaves the random generator and the registers
// as they were, stops for good when told to, and a result of it is as sound
// as a pass's; its grid keeps within its caps. The statistics text shows no
// "nan" or "inf". The pass and the scan each have their own time limit; a
// bound whose grid would take long (up to the cap of some 16 million pairs ×
// trial values) has its grid checked, and the scan runs on the longest grid
// within a budget instead.

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "_grund/grund.h"
#include "fktint/fktint.h"
#include "fuzz/fuzz_support.h"
#include "sinusfit/sinusfit.h"

namespace {

using sinusfit::FitMode;
using sinusfit::ModelParameters;
using sinusfit::PassResult;

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

// What holds for the result of a pass, the scan's included.
void CheckResult(const PassResult& r, FitMode mode, double fixed, double bound) {
  const ModelParameters& p = r.parameters;
  FUZZ_CHECK(r.term == sinusfit::BuildTermText(p.a, p.b, p.c, p.d));
  FUZZ_CHECK(r.entry == sinusfit::BuildResultEntry(r.error, r.term));
  FUZZ_CHECK(sinusfit::TermOfEntry(r.entry) == r.term);
  FUZZ_CHECK(r.error <= sinusfit::kErrorCeiling);
  if (mode != FitMode::kAllFree) FUZZ_CHECK(SameValue(HeldValue(mode, p), fixed));
  if (!(r.error < sinusfit::kErrorCeiling)) return;  // no candidate was taken
  FUZZ_CHECK(r.error >= 0);
  const double values[] = {p.a, p.b, p.c, p.d};
  const int held = static_cast<int>(mode) - 2;  // -1 in mode 1
  for (int k = 0; k < 4; ++k)
    if (k != held) FUZZ_CHECK(std::isfinite(values[k]));
  if (mode != FitMode::kFixedB) FUZZ_CHECK(!(std::fabs(p.b) > bound));
  if (mode == FitMode::kAllFree) {
    FUZZ_CHECK(p.b >= 0);
    FUZZ_CHECK(p.c >= 0 && p.c <= static_cast<double>(grund::kTwoPi));
  }
}

struct InterpreterState {
  std::uint32_t seed = grund::ProcessRandom().Seed();
  double p = fktint::ParamP, q = fktint::ParamQ;
  std::array<double, 6> k = fktint::ParamK;
  bool operator==(const InterpreterState&) const = default;
};

// The scan of the fit's pairs. keepGoing says stop after `stopAfter` looks
// when that is set; once it has said so it must not be asked again.
void CheckScan(const sinusfit::SineFit& fit, double bound, std::optional<int> stopAfter) {
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
  const std::optional<PassResult> scan = sinusfit::RunFrequencyScan(fit, readBound, keepGoing);
  FUZZ_CHECK(InterpreterState() == before);
  FUZZ_CHECK(boundReads <= 1);
  if (fit.Mode() == FitMode::kFixedB) FUZZ_CHECK(!scan);
  if (stopped) FUZZ_CHECK(!scan);
  if (!scan) return;
  FUZZ_CHECK(scan->error < sinusfit::kErrorCeiling);
  CheckResult(*scan, fit.Mode(), fit.FixedValue(), bound);
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

void CheckStatistics(FitMode mode, const ModelParameters& p, const std::vector<double>& x,
                     const std::vector<double>& y) {
  const sinusfit::FitStatistics s = sinusfit::ComputeFitStatistics(mode, p, x, y);
  FUZZ_CHECK(s.n == static_cast<int>(x.size()));
  for (const double e : s.standardError) FUZZ_CHECK(std::isnan(e) || (e >= 0 && std::isfinite(e)));
  const std::string text = sinusfit::FormatFitStatistics(mode, p, s);
  FUZZ_CHECK(text.find("nan") == std::string::npos && text.find("inf") == std::string::npos);
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
  const int n = in.Byte() % 201;
  std::vector<double> x(n), y(n);
  for (int i = 0; i < n; ++i) {
    x[i] = PickCell(in);
    y[i] = PickCell(in);
  }

  // As right after program start, so that every input runs alike.
  grund::ProcessRandom().SetSeed(0);
  fktint::ParamP = fktint::ParamQ = 0;
  fktint::ParamK = {};
  sinusfit::ProcessNormalMatrix() = {};

  sinusfit::SineFit fit(mode, fixed, x, y);
  {
    // Twenty candidates of 40 steps on the pairs, and their error sums
    // through the interpreter.
    const fuzz::InputTimer timer(1 + n / kPairsPerUnit);
    const PassResult pass = fit.RunPass([bound] { return bound; });
    CheckResult(pass, fit.Mode(), fixed, bound);
    CheckStatistics(fit.Mode(), pass.parameters, x, y);
    for (const double v : x) sinusfit::FittedValueText(pass.term, v);
    FUZZ_CHECK(fktint::EvalError <= 4);
    timer.Check();
  }
  {
    // Some twice a pass's work per start of a candidate; with c held each
    // candidate has three starts (and a free fit before them).
    const int starts = fit.Mode() == FitMode::kFixedC ? 3 : 1;
    const fuzz::InputTimer timer(1 + starts * n / kPairsPerUnit);
    const double scanBound = CheckGrid(fit.Mode(), x, bound);
    CheckScan(fit, scanBound, stopAfter);
    timer.Check();
  }
  return 0;
}
