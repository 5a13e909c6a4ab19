// The trend, the damped model and the two sums of sines through
// Computation, as the window runs them: the scan's pass, then a few passes,
// on a series made from the input.
// The series is a damped sine with a trend and noise at a chosen scale (x
// from 0, in Unix seconds or milliseconds, in microseconds or up to 1e12; y
// from 1e-12 to 1e12), evenly or unevenly spaced, in any order, with Δy
// where asked; or with its first pairs any finite doubles the table holds.
// Most series have 3 to 321 pairs, some a few thousand (their starts refined
// on a subset), a few over 20 000 (each line's error from its text's
// numbers rather than through the interpreter). A sum of sines, whose
// search repeats for every sine it adds, gets 3 to 40 pairs and one pass
// after the scan's.
//
// Input: the model byte (mod 4: trend, damped, several frequencies,
// harmonics; its quarter mod 11: a sum's count of sines, 0 for as many as
// are significant), the mode byte, the held value, the bound, the
// count byte, the length byte (>= 240: longer series), the selectors of x's
// origin and step, the spacing byte, the shape's four bytes (periods over
// the span, decay, trend, noise), the selectors of y's scale and offset, the
// Δy byte; the bytes after these are the noise, cycled (and where the
// spacing asks, the raw pairs first). Values as in the sine fit's harness: a
// selector byte for a grid point, a value that breaks naive arithmetic, a
// power of two or the next eight bytes as any double.
//
// A bound whose grid would take seconds under the sanitizers runs as the
// bound of the longest grid within a budget, unless the length byte asks for
// the full grid; 0, negative and not-a-number bounds run as they are.
//
// Checked: every line (the scan's too) has the model's parameters, the held
// one at the held value bit for bit, an error that is finite or the ceiling
// (or, where nothing was taken, the zero term's own) and is the
// interpreter's error sum of its term within 1e-6 (and a few ulp of Σw·y²
// for a near-exact fit), an entry made of both; a taken fit has finite
// parameters, |b| within the bound and, where its text's numbers stay below
// the interpreter's cap, an error no more than the ceiling. A sum has at
// most the sines asked for (at most ten for 0), every bₖ within the bound
// but a held b, and the significance the statistics label shows for it
// has one FAP in [0, 1] or NaN and one S/N >= 0 or NaN per sine. The scan
// reads the bound once and leaves the interpreter's state as it was; with b
// held it offers nothing. Each input keeps within its own time limit.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
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
#include "sinusfit/periodogram.h"
#include "sinusfit/sinusfit.h"

namespace {

using sinusfit::Computation;
using sinusfit::FitData;
using sinusfit::FitMode;
using sinusfit::ModelKind;
using sinusfit::PassResult;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kEps = std::numeric_limits<double>::epsilon();
constexpr double kSpecial[] = {0.0,
                               -0.0,
                               1.0,
                               -1.0,
                               5.0,
                               200.0,
                               1e12,
                               -1e12,
                               1e-12,
                               1e-6,
                               2.5e-6,
                               1e3,
                               1e6,
                               1e9,
                               1.7e9,
                               1.7e12,
                               86400.0,
                               3600.0,
                               0.05,
                               0.01,
                               1e-3,
                               1e-300,
                               1e300,
                               std::numeric_limits<double>::max(),
                               std::numeric_limits<double>::denorm_min(),
                               std::numeric_limits<double>::min(),
                               2024.5,
                               6.283185307179586,
                               kInf,
                               -kInf,
                               kNaN};
constexpr int kSpecialCount = static_cast<int>(std::size(kSpecial));

// Long series: the length byte from here on; the last value keeps a short
// series' bound as given, whatever its grid (a full grid of 2^20 trial
// values takes a few seconds under the sanitizers).
constexpr int kLongFrom = 240;
constexpr int kFullGrid = 255;
constexpr int kFullGridUnits = 100;
constexpr int kLongLengths[] = {2500, 4500, 9000, 20001, 21000, 30000};

// Raw pairs at most, where the spacing asks for them.
constexpr int kRawPairs = 64;

// A unit of the time limit per this many pairs and pass: a damped pass on
// 128 pairs takes up to some 200 ms under the sanitizers, the scan's (which
// refines every one of its starts in full) as much as kScanPasses of them. A long
// series refines its starts on its subset; its best go on to all pairs,
// whose sums are a unit per kAllPairsPerUnit.
constexpr int kPairsPerUnit = 50;
// The units of any input: a few pairs take some 50 ms, more on a busy core.
constexpr int kBaseUnits = 5;
constexpr int kScanPasses = 5;
constexpr int kAllPairsPerUnit = 250;

// The periodogram behind the starts, summed directly, is given at most this
// many pairs × trial values (some 0.3 s under the sanitizers), the fast one
// at most this many trial values; its full grid of a million takes seconds.
constexpr double kMaxDirectWork = 1 << 20;
constexpr double kMaxFastTrials = 1 << 15;

// A sum of sines refines all its sines together for every sine it adds and
// every alias it tries: its work grows with the square of its sines, under
// the sanitizers some 0.1 s for one sine and 2 to 8 s for ten, on 20 pairs
// as on 40. Few pairs, a short grid, one random pass after the scan's.
constexpr int kSumPairs = 40;
constexpr double kMaxSumDirectWork = 1 << 17;
constexpr int kSumPasses = 1;
constexpr int kSumUnits = 2;
constexpr int kSquaredSinesPerUnit = 2;

double PickValue(fuzz::ByteReader& in) {
  const int selector = in.Byte();
  if (selector < 96) return (selector - 48) / 8.0;
  if (selector < 96 + kSpecialCount) return kSpecial[selector - 96];
  if (selector < 208) return std::ldexp(1.0, (selector - 96 - kSpecialCount) % 81 - 40);
  return in.RawDouble();
}

double PickFinite(fuzz::ByteReader& in, double otherwise) {
  const double v = PickValue(in);
  return std::isfinite(v) ? v : otherwise;
}

bool SameValue(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0 || a == b; }

bool UsableDeltaY(double v) {
  if (!(v > 0) || !std::isfinite(v)) return false;
  const double weight = 1 / (v * v);
  return std::isfinite(weight) && weight >= std::numeric_limits<double>::min();
}

// Noise in [-1, 1] from the input's remaining bytes, cycled; a fixed
// sequence where there are none.
class Noise {
 public:
  explicit Noise(std::string_view bytes) : bytes_(bytes) {}
  double Next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    const unsigned byte = bytes_.empty()
                              ? static_cast<unsigned>(state_ >> 56)
                              : static_cast<unsigned char>(bytes_[pos_++ % bytes_.size()]);
    return (static_cast<double>(byte) - 127.5) / 127.5;
  }

 private:
  std::string_view bytes_;
  std::size_t pos_ = 0;
  std::uint64_t state_ = 1;
};

struct Series {
  FitData data;
  double weightedSquares = 0;  // Σ w·y²
  double largestY = 0;
};

Series MakeSeries(fuzz::ByteReader& in, int n) {
  const double origin = PickFinite(in, 0);
  double step = PickFinite(in, 1);
  const int spacing = in.Byte() % 8;
  const double periods = in.Byte() / 4.0;         // over the span; beyond n/2 aliases
  const double decay = (in.Byte() - 64) / 16.0;   // δ·span
  const double trend = (in.Byte() - 128) / 32.0;  // over the span, in amplitudes
  const int noiseByte = in.Byte();
  const double noise = noiseByte >= 250 ? 1e3 : std::ldexp(1.0, noiseByte % 24 - 20);
  const double scale = PickFinite(in, 1);
  const double offset = PickFinite(in, 0);
  const int deltaY = in.Byte();

  std::vector<std::array<double, 2>> raw;
  if (spacing == 7) {
    const int count = std::min(n, 1 + in.Byte() % kRawPairs);
    for (int i = 0; i < count; ++i) raw.push_back({PickFinite(in, 0), PickFinite(in, 0)});
  }
  Noise random(in.Rest());

  Series s;
  FitData& d = s.data;
  double u = 0;
  for (int i = 0; i < n; ++i) {
    switch (spacing) {
      case 1:  // jitter of a third of the step
        u = i + random.Next() / 3;
        break;
      case 2:  // a gap of ten steps now and then
        u += i % 17 == 16 ? 10 : 1;
        break;
      case 3:  // descending
        u = n - 1 - i;
        break;
      case 4:  // each x twice
        u = i / 2;
        break;
      case 5:  // gaps of any length up to four steps
        u += 2 + 2 * random.Next();
        break;
      default:
        u = i;
    }
    d.x.push_back(origin + step * u);
  }
  if (spacing == 6) {  // shuffled
    for (int i = n - 1; i > 0; --i) {
      const int j = static_cast<int>((random.Next() + 1) / 2 * i);
      std::swap(d.x[static_cast<std::size_t>(i)], d.x[static_cast<std::size_t>(std::min(j, i))]);
    }
  }
  const auto [low, high] = std::minmax_element(d.x.begin(), d.x.end());
  const double x0 = *low;
  double span = *high - *low;
  if (!(span > 0) || !std::isfinite(span)) span = 1;
  for (const double x : d.x) {
    const double t = (x - x0) / span;
    const double shape = std::exp(-decay * t) * std::sin(2 * M_PI * periods * t + 0.7) + trend * t +
                         noise * random.Next();
    const double y = offset + scale * shape;
    d.y.push_back(std::isfinite(y) ? y : offset);
  }
  for (std::size_t i = 0; i < raw.size(); ++i) {
    d.x[i] = raw[i][0];
    d.y[i] = raw[i][1];
  }
  if (deltaY & 1) {
    const double size = std::fabs(scale) * std::ldexp(1.0, (deltaY >> 1) % 32 - 24);
    for (std::size_t i = 0; i < d.x.size(); ++i) {
      const double share = deltaY & 64 ? std::pow(100.0, static_cast<double>(i) / n) : 1;
      d.sigma.push_back(size * (deltaY & 128 && i % 13 == 5 ? 1000 : share));
    }
    // The window refuses unusable Δy; nothing would be computed then.
    if (!std::all_of(d.sigma.begin(), d.sigma.end(), UsableDeltaY)) d.sigma.clear();
  }
  const std::vector<double> w = sinusfit::WeightsOf(d);
  for (std::size_t i = 0; i < d.y.size(); ++i) {
    s.weightedSquares += (w.empty() ? 1 : w[i]) * d.y[i] * d.y[i];
    s.largestY = std::max(s.largestY, std::fabs(d.y[i]));
  }
  return s;
}

void PrintLine(const PassResult& r, const Computation& computation, double own) {
  std::fprintf(stderr, "\nline: error %.17g (the term's %.17g, ceiling %.17g), %zu pairs\n%s\n",
               r.error, own, computation.Ceiling(), computation.Data().x.size(), r.entry.c_str());
}

// A failed check of a line shows the line.
#define LINE_CHECK(condition)         \
  ((condition) ? static_cast<void>(0) \
               : (PrintLine(r, computation, own), ::fuzz::Fail(#condition, __FILE__, __LINE__)))

// frequencies: the sines a sum was asked for (0: while significant).
void CheckLine(const PassResult& r, const Computation& computation, double bound,
               const Series& series, int frequencies) {
  const FitData& d = series.data;
  const double own =
      static_cast<double>(sinusfit::ErrorSum(r.term, d.x, d.y, sinusfit::WeightsOf(d)));
  const bool sum = sinusfit::IsSumOfSines(computation.Model());
  // A sum's count of sines from its values: a count no sum has maps to a
  // model of another size, which the next check catches.
  const sinusfit::Model& model = sum ? sinusfit::ModelOf(computation.Model(), r.values)
                                     : sinusfit::ModelOf(computation.Model());
  const int held = static_cast<int>(sinusfit::EffectiveMode(computation.Mode())) - 2;
  LINE_CHECK(r.model == computation.Model());
  LINE_CHECK(r.values.size() == static_cast<std::size_t>(model.ParameterCount()));
  if (sum) {
    LINE_CHECK(model.FrequencyCount() <=
               (frequencies > 0 ? frequencies : sinusfit::kMaxFrequencies));
    // As the statistics label asks for it: one entry per sine, each a
    // probability and a ratio where defined.
    const std::vector<sinusfit::SineSignificance> significance =
        sinusfit::SinesSignificance(model, r.values, r.origin, d.x, d.y, sinusfit::WeightsOf(d),
                                    computation.SearchedUpTo(bound));
    LINE_CHECK(significance.size() == static_cast<std::size_t>(model.FrequencyCount()));
    for (const sinusfit::SineSignificance& s : significance) {
      LINE_CHECK(std::isnan(s.fap) || (s.fap >= 0 && s.fap <= 1));
      LINE_CHECK(!(s.signalToNoise < 0));
    }
  }
  if (held >= 0)
    LINE_CHECK(SameValue(r.values[static_cast<std::size_t>(held)], computation.FixedValue()));
  // The zero term keeps the held value; with b held its phases are moved
  // from x0, which the search counts them from, to the text's origin.
  std::vector<double> zero(r.values.size(), 0);
  if (held >= 0) zero[static_cast<std::size_t>(held)] = computation.FixedValue();
  zero = model.MovePhaseOrigin(zero, {r.origin.x0, r.origin.x0}, r.origin);
  bool zeroTerm = true;
  for (int k = 0; k < model.ParameterCount(); ++k) {
    const auto i = static_cast<std::size_t>(k);
    if (k != held && r.values[i] != 0 && !SameValue(r.values[i], zero[i])) zeroTerm = false;
  }
  // Where nothing was taken, the zero term's own error, which for y beyond
  // 1e154, or a held d beyond it, is not a double.
  LINE_CHECK(
      std::isfinite(r.error) || r.error == computation.Ceiling() ||
      (zeroTerm && (!std::isfinite(series.weightedSquares) || (held == 3 && !std::isfinite(own)))));
  LINE_CHECK(r.entry == sinusfit::BuildResultEntry(r.error, r.term, computation.Precision()));
  LINE_CHECK(sinusfit::TermOfEntry(r.entry) == r.term);
  // The interpreter's sum and the text's numbers differ by rounding only.
  if (std::isfinite(own) || std::isfinite(r.error))
    LINE_CHECK(std::fabs(r.error - own) <= 1e-6 * own + 4 * kEps * series.weightedSquares + 1e-300);

  if (zeroTerm) return;  // no fit was taken
  // A fit is taken for an error below the ceiling; its text's rounding moves
  // that by far less than this. Not where y or the text's numbers reach the
  // interpreter's cap of 1e10 (no text then is the model).
  const auto [low, high] = std::minmax_element(d.x.begin(), d.x.end());
  const double largestX = std::max(std::fabs(*low), std::fabs(*high));
  // A sum's fifth value is its second amplitude, not a rate.
  const double extra = std::fabs(r.values.size() > 4 && !sum ? r.values[4] : 0);
  bool withinCap = series.largestY <= 1e9 && (computation.Model() == ModelKind::kDampedOscillation
                                                  ? extra * (*high - *low) <= 20
                                                  : extra * largestX <= 1e9);
  for (const double v : r.values) withinCap = withinCap && std::fabs(v) <= 1e9;
  if (withinCap) LINE_CHECK(r.error <= computation.Ceiling() * (1 + 1e-6));
  for (int k = 0; k < model.ParameterCount(); ++k)
    if (k != held) LINE_CHECK(std::isfinite(r.values[static_cast<std::size_t>(k)]));
  // b, or every bₖ of a sum; a held b may lie beyond the bound.
  for (const int k : model.FrequencyParameters())
    if (!(k == 1 && held == 1)) LINE_CHECK(std::fabs(r.values[static_cast<std::size_t>(k)]) <= bound);
}

#undef LINE_CHECK

// The bound the computation runs with: the given one, or where its grid
// would take longer than the budgets above, the bound of a grid that does
// not. The grid as the search makes it: up to Nyquist for evenly spaced x
// (unless c is held), on all pairs or the subset of a long series, the fast
// way where the direct one would pass the scan's work and the fast way
// takes the grid.
// A sum searches its further sines up to the bound also with b held.
double BoundWithinBudget(const std::vector<double>& x, FitMode mode, double bound, bool sum = false,
                         double maxDirectWork = kMaxDirectWork) {
  if (!(bound > 0) || (mode == FitMode::kFixedB && !sum)) return bound;  // no grid
  const auto [low, high] = std::minmax_element(x.begin(), x.end());
  const double realSpan = *high - *low;
  const double span = realSpan > 0 && std::isfinite(realSpan) ? realSpan : 1;
  double upper = bound;
  if (mode != FitMode::kFixedC) {
    std::vector<double> sorted = x;
    std::sort(sorted.begin(), sorted.end());
    const double dx = span / static_cast<double>(x.size() - 1);
    bool even = dx > 0;
    for (std::size_t i = 1; even && i < sorted.size(); ++i)
      even = std::fabs(sorted[i] - sorted[i - 1] - dx) <= 1e-6 * dx;
    if (even) upper = std::min(upper, 3.141592653589793 / dx);
  }
  const std::size_t n = x.size();
  const double pairs =
      static_cast<double>(n > 2 * sinusfit::kLongSubsetPairs ? sinusfit::kLongSubsetPairs : n);
  const sinusfit::FrequencyGrid grid =
      sinusfit::scan::GridUpTo(span, upper, sinusfit::kScanOversampling, sinusfit::kScanMaxTrials);
  const double count = static_cast<double>(grid.count);
  const double directMost = std::floor(maxDirectWork / pairs);
  if (count <= directMost) return bound;
  const double scanWork = static_cast<double>(sinusfit::kScanMaxWork);
  const bool fast = std::isfinite(realSpan) && pairs * kMaxFastTrials > scanWork &&
                    sinusfit::scan::FastPeriodogramTakes(
                        realSpan, {grid.step, static_cast<std::int64_t>(kMaxFastTrials)});
  if (fast && pairs * count > scanWork)
    return count <= kMaxFastTrials ? bound : grid.step * kMaxFastTrials;
  return grid.step * directMost;
}

struct InterpreterState {
  std::uint32_t seed = grund::ProcessRandom().Seed();
  double p = fktint::ParamP, q = fktint::ParamQ;
  std::array<double, 6> k = fktint::ParamK;
  bool operator==(const InterpreterState&) const = default;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::ByteReader in(data, size);
  const int modelByte = in.Byte();
  const auto kind = static_cast<ModelKind>(1 + modelByte % 4);
  const bool sum = sinusfit::IsSumOfSines(kind);
  const int frequencies = modelByte / 4 % (sinusfit::kMaxFrequencies + 1);
  const auto mode = static_cast<FitMode>(1 + in.Byte() % 5);
  const double fixed = PickValue(in);
  const double givenBound = PickValue(in);
  const int countByte = in.Byte();
  const int lengthByte = in.Byte();
  // A sum repeats the search for every sine it adds: short series only.
  const bool longSeries =
      !sum && lengthByte >= kLongFrom && lengthByte < kLongFrom + 2 * std::ssize(kLongLengths);
  const int n = sum          ? 3 + countByte % (kSumPairs - 2)
                : longSeries ? kLongLengths[(lengthByte - kLongFrom) / 2] + countByte
                             : 3 + countByte + countByte / 4;
  const Series series = MakeSeries(in, n);

  grund::ProcessRandom().SetSeed(0);
  fktint::ParamP = fktint::ParamQ = 0;
  fktint::ParamK = {};

  const bool fullGrid = !sum && lengthByte == kFullGrid;
  const double bound = fullGrid ? givenBound
                                : BoundWithinBudget(series.data.x, mode, givenBound, sum,
                                                    sum ? kMaxSumDirectWork : kMaxDirectWork);
  Computation computation = sum ? Computation(kind, frequencies, mode, fixed, series.data)
                                : Computation(kind, mode, fixed, series.data);
  // A few of the window's 20 passes: the later ones repeat the same work
  // from other random draws.
  const int passes = sum ? kSumPasses : n > 1000 ? 1 : 3;
  const int level = n > 2 * static_cast<int>(sinusfit::kLongSubsetPairs)
                        ? static_cast<int>(sinusfit::kLongSubsetPairs)
                        : n;
  const int sines = frequencies > 0 ? frequencies : sinusfit::kMaxFrequencies;
  const fuzz::InputTimer timer(
      sum ? kBaseUnits + (passes + 1) * (kSumUnits + sines * sines / kSquaredSinesPerUnit)
          : kBaseUnits + (passes + kScanPasses) * level / kPairsPerUnit +
                (n > level ? n / kAllPairsPerUnit : 0) + (fullGrid ? kFullGridUnits : 0));
  const auto goOn = [] { return true; };
  {
    int boundReads = 0;
    const auto readBound = [&] {
      ++boundReads;
      fktint::ParamP = 7;                     // a term such as "7;200" writes a register
      grund::ProcessRandom().NextFraction();  // MCARLO draws
      return bound;
    };
    const InterpreterState before;
    const std::optional<PassResult> scan = computation.RunScanPass(readBound, goOn);
    FUZZ_CHECK(InterpreterState() == before);
    FUZZ_CHECK(boundReads <= 1);
    if (sinusfit::EffectiveMode(mode) == FitMode::kFixedB) FUZZ_CHECK(!scan);
    if (scan) CheckLine(*scan, computation, bound, series, frequencies);
  }
  for (int pass = 0; pass < passes; ++pass) {
    const std::optional<PassResult> line = computation.RunPass([bound] { return bound; }, goOn);
    FUZZ_CHECK(line);
    CheckLine(*line, computation, bound, series, frequencies);
  }
  timer.Check();
  return 0;
}
