// The periodogram's sums by spreading onto a grid and one FFT.
//
// With t = step·x', the sums at b = k·step are F(k) = Σ w·e^{ikt} (c + i·s),
// F(2k) (through cos 2bx = cc − ss and sin 2bx = 2·sc) and Σ w·yc·e^{ikt}
// (yc + i·ys). Both Σ w·e^{ikt} and Σ w·yc·e^{ikt} come from one complex grid:
// w spread into the real parts, w·yc into the imaginary ones, separated after
// the transform by the symmetry of the transform of a real sequence. The grid
// has n ≥ 8·count cells, twice what the highest frequency 2·count needs, so
// that a kernel of some ten cells is accurate to 1e-11. The kernel is the
// Kaiser-Bessel window, whose transform is known in closed form; its values
// come from polynomials fitted once per call, evaluated for all cells of a
// pair at once, two cells to a vector.

#include "sinusfit/fastperiodogram.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <utility>

#include "_grund/grund.h"
#include "sinusfit/fft.h"

namespace sinusfit::scan {

namespace {

// The kernel's error per sum relative to its scale, well below the 1e-9 the
// peaks need, so that rounding (some 1e-13) and the grid's fill stay far from it.
constexpr double kKernelTolerance = 1e-11;
constexpr int kLeastWidth = 6;
constexpr int kMostWidth = 14;
// A grid for fewer trial values still needs room for the kernel.
constexpr std::size_t kLeastGridCells = 64;
// Pairs and grid cells between two calls of keepGoing: a millisecond or two.
constexpr std::size_t kPairsPerCheck = std::size_t{1} << 15;
constexpr std::size_t kCellsPerCheck = std::size_t{1} << 19;

// The cost of the fast way in units of one pair at one trial value of the
// direct way (some 2 ns on a 2.4 GHz x86-64 core), measured there: per pair
// and kernel cell of the spreading, per cell and level of the grid (the
// transform, and clearing and reading the grid; 0.6 to 1.2 from grids in the
// cache to grids of 128 MB), and once (the kernel's fit and the tables).
constexpr double kSpreadCost = 1.1;
constexpr double kGridCost = 0.7;
constexpr double kSetupCost = 5e4;

// A double-double: hi + lo with |lo| ≤ ulp(hi)/2.
struct TwoDoubles {
  double hi = 0, lo = 0;
};

// a·b exactly as hi + lo.
TwoDoubles TwoProduct(double a, double b) {
  const double p = a * b;
#ifdef __FP_FAST_FMA
  return {p, std::fma(a, b, -p)};
#else
  // Dekker's product; its halves only hold exactly without fused multiply-adds.
  constexpr double kSplitter = 134217729.0;  // 2^27 + 1
  const double ta = kSplitter * a, tb = kSplitter * b;
  const double ah = ta - (ta - a), al = a - ah;
  const double bh = tb - (tb - b), bl = b - bh;
  return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
#endif
}

// step·cells/(2π) as a double-double; hi is not finite when it overflows.
TwoDoubles CellsPerX(double step, std::size_t cells) {
  constexpr double kTwoPiHi = 6.283185307179586232, kTwoPiLo = 2.4492935982947064e-16;
  const double numerator = step * static_cast<double>(cells);  // exact: cells is a power of 2
  const double q = numerator / kTwoPiHi;
  if (!std::isfinite(q)) return {q, 0};
  const TwoDoubles p = TwoProduct(q, kTwoPiHi);
  const double rest = ((numerator - p.hi) - p.lo) - q * kTwoPiLo;
  return {q, rest / kTwoPiHi};
}

// The trial values' frequencies reach 2·count (the double angle); the grid
// has twice the cells that needs (at least), a power of two. 0 when too long.
std::size_t GridCells(std::int64_t count) {
  if (count <= 0 || count > kFastMostTrials) return 0;
  const std::size_t least = std::max(kLeastGridCells, static_cast<std::size_t>(count) * 8);
  std::size_t cells = 1;
  while (cells < least) cells *= 2;
  return cells;
}

// The kernel's width in cells for a grid `oversampling` times finer than the
// highest frequency needs.
int KernelWidth(double oversampling) {
  const double width =
      std::log(1 / kKernelTolerance) / (grund::kPi * std::sqrt(1 - 1 / oversampling));
  return std::clamp(static_cast<int>(std::ceil(width)), kLeastWidth, kMostWidth);
}

// I0 by its series, whose terms are all positive.
double BesselI0(double x) {
  const grund::Extended quarter = static_cast<grund::Extended>(x) * x / 4;
  grund::Extended term = 1, sum = 1;
  for (int k = 1; k < 1000 && term > 1e-20L * sum; ++k) {
    term *= quarter / (static_cast<grund::Extended>(k) * k);
    sum += term;
  }
  return static_cast<double>(sum);
}

// cos(π·q·(i + ½)/n) at q·n + i for q, i < n: the Chebyshev polynomials at
// their interpolation nodes.
std::vector<double> ChebyshevCosines(int n) {
  std::vector<double> cosines(static_cast<std::size_t>(n * n));
  for (int q = 0; q < n; ++q)
    for (int i = 0; i < n; ++i)
      cosines[static_cast<std::size_t>(q * n + i)] = std::cos(std::numbers::pi * q * (i + 0.5) / n);
  return cosines;
}

// The Kaiser-Bessel window I0(β·√(1 − z²)) / I0(β) over |z| ≤ 1, z = 2·(cell − point)/width.
// The window at cell m of the width cells is a polynomial of u ∈ [−1, 1],
// z = (u + 1 + 2m − width)/width, kept as E(u²) + u·O(u²): the window is
// even, so cell width − 1 − m has E(u²) − u·O(u²) and only the first half of
// the cells need polynomials.
struct Kernel {
  int width = 0;
  int terms = 0;  // of E and of O each
  double beta = 0;
  double i0Beta = 1;
  std::size_t cells = 0;
  // Per term, highest power first, the coefficient for each of the first
  // half of the cells, padded with zeros to an even count (Stride()).
  std::vector<double> even, odd;

  int Half() const { return (width + 1) / 2; }
  int Stride() const { return (Half() + 1) / 2 * 2; }

  // 1 / the window's transform at frequency k (any real k ≥ 0) of the grid.
  double ExactDeconvolution(double k) const {
    const double a = grund::kPi * k * width / static_cast<double>(cells);
    const double q2 = beta * beta - a * a;
    double shape = 1;  // sinh(q)/q, and its continuation past a = β
    if (q2 > 1e-12) {
      const double q = std::sqrt(q2);
      shape = std::sinh(q) / q;
    } else if (q2 < -1e-12) {
      const double q = std::sqrt(-q2);
      shape = std::sin(q) / q;
    }
    return i0Beta / (width * shape);
  }

  // The same for k = 0..highest from a Chebyshev series in k², within 1e-14
  // of it (it is entire in k² and varies by a factor of a few only): cheaper
  // than a sinh and a root, twice per trial value.
  static constexpr int kDeconvolutionTerms = 16;
  std::array<double, kDeconvolutionTerms> deconvolution{};
  double perSquare = 0;  // 2/highest², t = k²·perSquare − 1 ∈ [−1, 1]

  void FitDeconvolution(std::size_t highest) {
    using grund::Extended;
    constexpr int kTerms = kDeconvolutionTerms;
    const double top = static_cast<double>(std::max<std::size_t>(highest, 1));
    perSquare = 2 / (top * top);
    std::array<Extended, kTerms> values{};
    const std::vector<double> cosines = ChebyshevCosines(kTerms);
    for (int i = 0; i < kTerms; ++i) {
      const double t = cosines[static_cast<std::size_t>(kTerms + i)];
      values[i] = ExactDeconvolution(top * std::sqrt((t + 1) / 2));
    }
    for (int q = 0; q < kTerms; ++q) {
      Extended sum = 0;
      for (int i = 0; i < kTerms; ++i)
        sum += values[i] * cosines[static_cast<std::size_t>(q * kTerms + i)];
      deconvolution[q] = static_cast<double>(sum * 2 / kTerms);
    }
    deconvolution[0] /= 2;
  }

  double Deconvolution(std::size_t k) const {
    const double kk = static_cast<double>(k);
    const double t = kk * kk * perSquare - 1, twice = 2 * t;
    double b1 = 0, b2 = 0;  // Clenshaw
    for (int q = kDeconvolutionTerms - 1; q >= 1; --q) {
      const double b0 = deconvolution[q] + twice * b1 - b2;
      b2 = b1;
      b1 = b0;
    }
    return deconvolution[0] + t * b1 - b2;
  }
};

Kernel MakeKernel(std::size_t cells, std::int64_t count) {
  using grund::Extended;
  Kernel kernel;
  kernel.cells = cells;
  const double sigma = static_cast<double>(cells) / (4 * static_cast<double>(count));
  kernel.width = KernelWidth(sigma);
  const int width = kernel.width;
  const double spread = width / sigma * (sigma - 0.5);
  kernel.beta = grund::kPi * std::sqrt(std::max(1.0, spread * spread - 0.8));
  kernel.i0Beta = BesselI0(kernel.beta);
  kernel.terms = width / 2;
  const int nodes = 2 * kernel.terms;  // degree 2·terms − 1
  const int stride = kernel.Stride();
  kernel.even.assign(static_cast<std::size_t>(kernel.terms * stride), 0);
  kernel.odd.assign(kernel.even.size(), 0);
  // Chebyshev interpolation, then the monomials for Horner's scheme; the
  // pieces are so smooth that the monomials lose nothing that matters.
  const std::vector<double> cosines = ChebyshevCosines(nodes);
  std::vector<Extended> values(nodes), cheb(nodes), mono(nodes), prev(nodes), cur(nodes),
      next(nodes);
  for (int m = 0; m < kernel.Half(); ++m) {
    for (int i = 0; i < nodes; ++i) {
      const Extended u = cosines[static_cast<std::size_t>(nodes + i)];  // the nodes
      const Extended z = (u + 1 + 2 * m - width) / width;
      const double root = static_cast<double>(std::sqrt(std::max<Extended>(0, 1 - z * z)));
      values[i] = BesselI0(kernel.beta * root) / kernel.i0Beta;
    }
    for (int q = 0; q < nodes; ++q) {
      Extended sum = 0;
      for (int i = 0; i < nodes; ++i)
        sum += values[i] * cosines[static_cast<std::size_t>(q * nodes + i)];
      cheb[q] = sum * 2 / nodes;
    }
    cheb[0] /= 2;
    std::fill(mono.begin(), mono.end(), 0);
    std::fill(prev.begin(), prev.end(), 0);
    std::fill(cur.begin(), cur.end(), 0);
    prev[0] = 1;  // T0
    cur[1] = 1;   // T1
    mono[0] += cheb[0];
    for (int q = 1; q < nodes; ++q) {
      for (int r = 0; r < nodes; ++r) mono[r] += cheb[q] * cur[r];
      for (int r = 0; r < nodes; ++r) next[r] = (r > 0 ? 2 * cur[r - 1] : 0) - prev[r];  // T(q+1)
      std::swap(prev, cur);
      std::swap(cur, next);
    }
    for (int i = 0; i < kernel.terms; ++i) {
      const auto at = static_cast<std::size_t>((kernel.terms - 1 - i) * stride + m);
      kernel.even[at] = static_cast<double>(mono[2 * i]);
      kernel.odd[at] = static_cast<double>(mono[2 * i + 1]);
    }
  }
  return kernel;
}

// What the spreading of a range of pairs needs.
struct SpreadInput {
  const double* x = nullptr;
  const double* yc = nullptr;
  const double* w = nullptr;  // null: all 1
  TwoDoubles cellsPerX;       // step·cells/(2π)
  const Kernel* kernel = nullptr;
  // cells + width values each; cell l at index l + ⌈width/2⌉.
  double* re = nullptr;
  double* im = nullptr;
};

typedef double D2 __attribute__((vector_size(16)));  // two neighbouring cells

[[gnu::always_inline]] inline D2 Load2(const double* p) {
  D2 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
[[gnu::always_inline]] inline void Add2(double* p, D2 v) {
  D2 sum;
  std::memcpy(&sum, p, sizeof sum);
  sum += v;
  std::memcpy(p, &sum, sizeof sum);
}

// Where a point lies in the grid and its kernel's values.
template <int kWidth>
struct Placed {
  static constexpr int kHalf = (kWidth + 1) / 2;  // cells with polynomials of their own
  static constexpr int kLanes = (kHalf + 1) / 2;
  std::size_t index;  // of the first cell within the kernel
  D2 uu;              // u twice
  D2 e[kLanes], o[kLanes];
};

// The point x in cells, rounded to the nearest cell r plus an offset d in
// [−0.5, 0.5), the product carried to twice double precision: a phase of
// k·step·x' must hold to some 1e-13 for k up to millions. The first cell
// within the kernel is r − ⌈width/2⌉ + up; u places the point within its
// cell for the polynomials.
template <int kWidth>
[[gnu::always_inline]] inline void Place(double x, const SpreadInput& in, std::size_t mask,
                                         double cells, Placed<kWidth>& at) {
  TwoDoubles p = TwoProduct(x, in.cellsPerX.hi);
  p.lo += x * in.cellsPerX.lo;
  if (!(std::fabs(p.hi) < 0x1p50)) p = {std::fmod(p.hi, cells), 0};  // finite (checked)
  std::int64_t r = static_cast<std::int64_t>(p.hi);
  double d = (p.hi - static_cast<double>(r)) + p.lo;
  if (d >= 0.5) {
    d -= 1;
    ++r;
  } else if (d < -0.5) {
    d += 1;
    --r;
  }
  const double f = d + (kWidth % 2 != 0 ? 0.5 : 0.0);
  const int up = f > 0 ? 1 : 0;
  const double u = 2 * (up - f) - 1;
  at.index = (static_cast<std::size_t>(r) & mask) + static_cast<std::size_t>(up);
  at.uu = D2{u, u};
}

// Adds φ·w to the real parts and φ·w·yc to the imaginary parts of the width
// cells from at.index on.
template <int kWidth>
[[gnu::always_inline]] inline void Accumulate(const Placed<kWidth>& at, double weight,
                                              double weightY, double* re, double* im) {
  constexpr int kHalf = Placed<kWidth>::kHalf;
  constexpr int kMirrored = kWidth / 2;  // cells width − 1 − m for m < kMirrored
  const D2 ww = {weight, weight}, wy = {weightY, weightY};
  re += at.index;
  im += at.index;
  for (int l = 0; l < Placed<kWidth>::kLanes; ++l) {
    const D2 low = at.e[l] + at.uu * at.o[l];
    const D2 high = at.e[l] - at.uu * at.o[l];
    if (2 * l + 1 < kHalf) {
      Add2(re + 2 * l, low * ww);
      Add2(im + 2 * l, low * wy);
    } else {
      re[2 * l] += low[0] * weight;
      im[2 * l] += low[0] * weightY;
    }
    // Cells width − 1 − 2l and width − 2 − 2l, the latter first.
    if (2 * l + 1 < kMirrored) {
      const D2 turned = {high[1], high[0]};
      Add2(re + kWidth - 2 - 2 * l, turned * ww);
      Add2(im + kWidth - 2 - 2 * l, turned * wy);
    } else if (2 * l < kMirrored) {
      re[kWidth - 1 - 2 * l] += high[0] * weight;
      im[kWidth - 1 - 2 * l] += high[0] * weightY;
    }
  }
}

// Spreads pairs first..last onto the grid, two at a time so that the chains
// of the two kernels' polynomials overlap.
template <int kWidth>
void SpreadRange(const SpreadInput& in, std::size_t first, std::size_t last) {
  constexpr int kLanes = Placed<kWidth>::kLanes;
  const Kernel& kernel = *in.kernel;
  const std::size_t mask = kernel.cells - 1;
  const double cells = static_cast<double>(kernel.cells);
  const double* const even = kernel.even.data();
  const double* const odd = kernel.odd.data();
  const int terms = kernel.terms;
  const auto weight = [&](std::size_t j) { return in.w != nullptr ? in.w[j] : 1.0; };
  std::size_t j = first;
  for (; j + 2 <= last; j += 2) {
    Placed<kWidth> a, b;
    Place(in.x[j], in, mask, cells, a);
    Place(in.x[j + 1], in, mask, cells, b);
    const D2 sa = a.uu * a.uu, sb = b.uu * b.uu;
    for (int l = 0; l < kLanes; ++l) {
      a.e[l] = b.e[l] = Load2(even + 2 * l);
      a.o[l] = b.o[l] = Load2(odd + 2 * l);
    }
    for (int i = 1; i < terms; ++i) {
      const double* ce = even + i * 2 * kLanes;
      const double* co = odd + i * 2 * kLanes;
      for (int l = 0; l < kLanes; ++l) {
        const D2 cel = Load2(ce + 2 * l), col = Load2(co + 2 * l);
        a.e[l] = a.e[l] * sa + cel;
        a.o[l] = a.o[l] * sa + col;
        b.e[l] = b.e[l] * sb + cel;
        b.o[l] = b.o[l] * sb + col;
      }
    }
    const double wa = weight(j), wb = weight(j + 1);
    Accumulate(a, wa, wa * in.yc[j], in.re, in.im);
    Accumulate(b, wb, wb * in.yc[j + 1], in.re, in.im);
  }
  for (; j < last; ++j) {
    Placed<kWidth> a;
    Place(in.x[j], in, mask, cells, a);
    const D2 sa = a.uu * a.uu;
    for (int l = 0; l < kLanes; ++l) {
      a.e[l] = Load2(even + 2 * l);
      a.o[l] = Load2(odd + 2 * l);
    }
    for (int i = 1; i < terms; ++i) {
      for (int l = 0; l < kLanes; ++l) {
        a.e[l] = a.e[l] * sa + Load2(even + i * 2 * kLanes + 2 * l);
        a.o[l] = a.o[l] * sa + Load2(odd + i * 2 * kLanes + 2 * l);
      }
    }
    const double wa = weight(j);
    Accumulate(a, wa, wa * in.yc[j], in.re, in.im);
  }
}

using SpreadFunction = void (*)(const SpreadInput&, std::size_t, std::size_t);

template <std::size_t... I>
constexpr std::array<SpreadFunction, sizeof...(I)> SpreadTable(std::index_sequence<I...>) {
  return {&SpreadRange<kLeastWidth + static_cast<int>(I)>...};
}

constexpr auto kSpread = SpreadTable(std::make_index_sequence<kMostWidth - kLeastWidth + 1>{});

enum class Outcome { kDone, kStopped, kUnsupported };

// Hands the sums at b = k·step to take(k, sums) for each k = 1..count, in
// the order they lie in the transform. Unsupported: a grid too long for one
// transform, or points beyond 1e300 cells (such a grid is nonsense anyway;
// the products would overflow).
template <typename Take>
Outcome EachSum(const ShiftedPairs& pairs, const FrequencyGrid& grid, Take&& take,
                const std::function<bool()>& keepGoing) {
  const auto goOn = [&] { return !keepGoing || keepGoing(); };
  const std::size_t cells = GridCells(grid.count);
  if (cells == 0) return Outcome::kUnsupported;
  const std::size_t count = static_cast<std::size_t>(grid.count);
  const std::size_t n = pairs.x.size();
  const bool weighted = !pairs.w.empty();
  const auto each = [&](const Sums<double>& sums) {
    for (std::size_t k = 1; k <= count; ++k) take(k, sums);
    return Outcome::kDone;
  };
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  const Sums<double> nan{kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN};
  if (pairs.yc.size() != n || (weighted && pairs.w.size() != n)) return each(nan);
  if (n == 0) return each(Sums<double>{});
  // Any value not finite makes every sum NaN, as in the direct way.
  bool finite = std::isfinite(grid.step);
  double weightSum = 0, largestX = 0;
  for (std::size_t j = 0; j < n && finite; ++j) {
    const double weight = weighted ? pairs.w[j] : 1.0;
    finite = std::isfinite(pairs.x[j]) && std::isfinite(pairs.yc[j]) && std::isfinite(weight);
    weightSum += weight;
    largestX = std::max(largestX, std::fabs(pairs.x[j]));
  }
  if (!finite) return each(nan);
  if (!FastPeriodogramTakes(largestX, grid)) return Outcome::kUnsupported;
  const TwoDoubles cellsPerX = CellsPerX(grid.step, cells);

  Kernel kernel = MakeKernel(cells, grid.count);
  kernel.FitDeconvolution(2 * count);
  const std::size_t width = static_cast<std::size_t>(kernel.width);
  const std::size_t pad = (width + 1) / 2;
  std::vector<double> re(cells + width, 0.0), im(cells + width, 0.0);
  if (!goOn()) return Outcome::kStopped;

  SpreadInput in;
  in.x = pairs.x.data();
  in.yc = pairs.yc.data();
  in.w = weighted ? pairs.w.data() : nullptr;
  in.cellsPerX = cellsPerX;
  in.kernel = &kernel;
  in.re = re.data();
  in.im = im.data();
  const SpreadFunction spread = kSpread[width - kLeastWidth];
  for (std::size_t first = 0; first < n; first += kPairsPerCheck) {
    spread(in, first, std::min(n, first + kPairsPerCheck));
    if (!goOn()) return Outcome::kStopped;
  }
  // The cells past either end of the circle wrap around.
  for (std::vector<double>* part : {&re, &im}) {
    std::vector<double>& v = *part;
    for (std::size_t i = 0; i < pad; ++i) v[cells + i] += v[i];
    for (std::size_t i = cells + pad; i < cells + width; ++i) v[i - cells] += v[i];
  }

  const fft::Transform transform(cells);
  double* const zr = re.data() + pad;
  double* const zi = im.data() + pad;
  if (!transform.Forward(zr, zi, keepGoing)) return Outcome::kStopped;

  // Z(k) = A(k) + i·B(k) for the transforms A of the spread w and B of the
  // spread w·yc; A(−k) and B(−k) are their conjugates, so
  // A(k) = (Z(k) + conj Z(−k))/2 and B(k) = (Z(k) − conj Z(−k))/(2i).
  // Z(k) lies at p = ReverseBits(k). Walking p rather than k keeps all four
  // values of a trial value on streams through memory: Z(2k) lies at p/2, and
  // Z(−k) at p with every bit below its highest flipped (and Z(−2k) at half
  // that). k ≤ count ≤ cells/8 has its top three bits 0, so p is a multiple of 8.
  const int bits = transform.Bits();
  for (std::size_t p = 8; p < cells; p += 8) {
    const std::size_t k = fft::ReverseBits(p, bits);
    if (k <= count) {
      const std::size_t mirror = p ^ (std::bit_floor(p) - 1);
      const std::size_t p2 = p / 2, mirror2 = mirror / 2;
      const double once = kernel.Deconvolution(k), twice = kernel.Deconvolution(2 * k);
      Sums<double> sums;
      sums.c = 0.5 * (zr[p] + zr[mirror]) * once;
      sums.s = 0.5 * (zi[p] - zi[mirror]) * once;
      sums.yc = 0.5 * (zi[p] + zi[mirror]) * once;
      sums.ys = 0.5 * (zr[mirror] - zr[p]) * once;
      const double cos2 = 0.5 * (zr[p2] + zr[mirror2]) * twice;
      const double sin2 = 0.5 * (zi[p2] - zi[mirror2]) * twice;
      sums.ss = 0.5 * (weightSum - cos2);
      sums.cc = 0.5 * (weightSum + cos2);
      sums.sc = 0.5 * sin2;
      take(k, sums);
    }
    if (p % kCellsPerCheck == 0 && !goOn()) return Outcome::kStopped;
  }
  return Outcome::kDone;
}

}  // namespace

bool FastPeriodogramSums(const ShiftedPairs& pairs, const FrequencyGrid& grid,
                         std::vector<Sums<double>>& sums, const std::function<bool()>& keepGoing) {
  sums.clear();
  if (grid.count <= 0 || grid.count > kFastMostTrials) return true;
  sums.resize(static_cast<std::size_t>(grid.count));
  const Outcome outcome = EachSum(
      pairs, grid, [&](std::size_t k, const Sums<double>& at) { sums[k - 1] = at; }, keepGoing);
  if (outcome == Outcome::kUnsupported) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    std::fill(sums.begin(), sums.end(), Sums<double>{kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN});
  }
  return outcome != Outcome::kStopped;
}

bool FastScanPeriodogram(const ShiftedPairs& pairs, const FrequencyGrid& grid,
                         const Periodogram& periodogram, std::vector<double>& residual,
                         const std::function<bool()>& keepGoing) {
  if (grid.count <= 0) {
    residual.clear();
    return true;
  }
  if (grid.count <= kFastMostTrials) residual.resize(static_cast<std::size_t>(grid.count));
  const Outcome outcome = EachSum(
      pairs, grid,
      [&](std::size_t k, const Sums<double>& sums) {
        residual[k - 1] = periodogram.Residual(sums);
      },
      keepGoing);
  if (outcome == Outcome::kUnsupported) {
    // The direct way asks keepGoing without looking whether there is one.
    const std::function<bool()> ask = keepGoing ? keepGoing : [] { return true; };
    return ScanPeriodogram(pairs, grid, periodogram, residual, ask);
  }
  return outcome == Outcome::kDone;
}

bool FastPeriodogramTakes(double largestX, const FrequencyGrid& grid) {
  const std::size_t cells = GridCells(grid.count);
  if (cells == 0) return false;
  const double cellsPerX = std::fabs(CellsPerX(grid.step, cells).hi);
  return cellsPerX < 1e300 && largestX < 1e300 && largestX * cellsPerX < 1e300;
}

bool FastPeriodogramPays(std::size_t n, std::int64_t count, std::size_t directPairs) {
  const std::size_t cells = GridCells(count);
  if (n == 0 || cells == 0) return false;
  const double width = KernelWidth(static_cast<double>(cells) / (4 * static_cast<double>(count)));
  const double gridCells = static_cast<double>(cells);
  const double fast = kSpreadCost * static_cast<double>(n) * width +
                      kGridCost * gridCells * std::log2(gridCells) + kSetupCost;
  return fast < static_cast<double>(directPairs) * static_cast<double>(count);
}

bool FastPeriodogramPays(std::size_t n, std::int64_t count) {
  return FastPeriodogramPays(n, count, n);
}

}  // namespace sinusfit::scan
