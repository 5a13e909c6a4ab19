// The periodogram's pass over the grid and the choice of its minima.

#include "sinusfit/periodogram.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "_grund/grund.h"
#include "sinusfit/extended_sincos.h"

namespace sinusfit::scan {

using grund::Extended;

namespace {

// The sines and cosines of the grid advance by a rotation per trial value;
// exact values restart it this often, before its rounding builds up.
constexpr std::int64_t kRestartEvery = 512;
// Pairs × trial values between two calls of keepGoing: about a millisecond.
constexpr std::int64_t kWorkPerCheck = std::int64_t{1} << 18;
// Up to this many candidates are the periodogram's deepest minima; the rest
// are, by increasing b, the minima as deep as the deepest within this share
// of its depth (the grid cannot tell aliases of evenly spaced x apart more
// finely), so that the lowest alias is refined too.
constexpr int kDeepestCandidates = kScanCandidates / 2;
constexpr double kPeakTieShare = 1e-2;

}  // namespace

namespace {

ShiftedPairs ShiftWeighted(const std::vector<double>& x, const std::vector<double>& y,
                           const std::vector<double>& w) {
  ShiftedPairs pairs;
  Extended sumW = 0, sumX = 0, sumY = 0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    sumW += w[i];
    sumX += w[i] * static_cast<Extended>(x[i]);
    sumY += w[i] * static_cast<Extended>(y[i]);
  }
  pairs.xMean = static_cast<double>(sumX / sumW);
  pairs.yMean = static_cast<double>(sumY / sumW);
  pairs.weightSum = static_cast<double>(sumW);
  pairs.w = w;
  Extended syy = 0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    pairs.x.push_back(x[i] - pairs.xMean);
    pairs.yc.push_back(y[i] - pairs.yMean);
    syy += w[i] * static_cast<Extended>(pairs.yc.back()) * pairs.yc.back();
  }
  pairs.syy = static_cast<double>(syy);
  return pairs;
}

}  // namespace

ShiftedPairs Shift(const std::vector<double>& x, const std::vector<double>& y,
                   const std::vector<double>& w) {
  if (!w.empty()) return ShiftWeighted(x, y, w);
  ShiftedPairs pairs;
  pairs.weightSum = static_cast<double>(x.size());
  Extended sumX = 0, sumY = 0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    sumX += x[i];
    sumY += y[i];
  }
  const Extended n = static_cast<Extended>(x.size());
  pairs.xMean = static_cast<double>(sumX / n);
  pairs.yMean = static_cast<double>(sumY / n);
  Extended syy = 0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    pairs.x.push_back(x[i] - pairs.xMean);
    pairs.yc.push_back(y[i] - pairs.yMean);
    syy += static_cast<Extended>(pairs.yc.back()) * pairs.yc.back();
  }
  pairs.syy = static_cast<double>(syy);
  return pairs;
}

namespace {

// One trial value's sums; the sines and cosines advance to the next one.
// Weighted, w·s, w·c and w·(y − yMean) stand in the products; the unweighted
// loop has no weight in it at all.
template <bool kWeighted>
Sums<double> SumsAndAdvance(const ShiftedPairs& pairs, const std::vector<double>& wy,
                            std::vector<double>& sine, std::vector<double>& cosine,
                            const std::vector<double>& stepSine,
                            const std::vector<double>& stepCosine) {
  Sums<double> sums;
  const std::size_t n = sine.size();
  for (std::size_t i = 0; i < n; ++i) {
    const double s = sine[i], c = cosine[i];
    if constexpr (kWeighted) {
      const double ws = pairs.w[i] * s, wc = pairs.w[i] * c;
      sums.s += ws;
      sums.c += wc;
      sums.ss += ws * s;
      sums.sc += ws * c;
      sums.cc += wc * c;
      sums.ys += wy[i] * s;
      sums.yc += wy[i] * c;
    } else {
      const double y = pairs.yc[i];
      sums.s += s;
      sums.c += c;
      sums.ss += s * s;
      sums.sc += s * c;
      sums.cc += c * c;
      sums.ys += y * s;
      sums.yc += y * c;
    }
    sine[i] = s * stepCosine[i] + c * stepSine[i];
    cosine[i] = c * stepCosine[i] - s * stepSine[i];
  }
  return sums;
}

}  // namespace

// The periodogram at every trial value of the grid, into `residual`. False
// when keepGoing asked to stop.
bool ScanPeriodogram(const ShiftedPairs& pairs, const FrequencyGrid& grid,
                     const Periodogram& periodogram, std::vector<double>& residual,
                     const std::function<bool()>& keepGoing) {
  const std::size_t n = pairs.x.size();
  const bool weighted = !pairs.w.empty();
  std::vector<double> wy;
  if (weighted) {
    for (std::size_t i = 0; i < n; ++i) wy.push_back(pairs.w[i] * pairs.yc[i]);
  }
  std::vector<double> sine(n), cosine(n), stepSine(n), stepCosine(n);
  for (std::size_t i = 0; i < n; ++i) {
    const SinCos rotation = ExtendedSinCos(static_cast<Extended>(grid.step) * pairs.x[i]);
    stepSine[i] = static_cast<double>(rotation.sin);
    stepCosine[i] = static_cast<double>(rotation.cos);
  }
  residual.assign(static_cast<std::size_t>(grid.count), 0);
  std::int64_t work = 0;
  for (std::int64_t first = 0; first < grid.count; first += kRestartEvery) {
    const Extended b0 = static_cast<Extended>(first + 1) * grid.step;
    for (std::size_t i = 0; i < n; ++i) {
      const SinCos exact = ExtendedSinCos(b0 * pairs.x[i]);
      sine[i] = static_cast<double>(exact.sin);
      cosine[i] = static_cast<double>(exact.cos);
    }
    const std::int64_t last = std::min(grid.count, first + kRestartEvery);
    for (std::int64_t k = first; k < last; ++k) {
      const Sums<double> sums =
          weighted ? SumsAndAdvance<true>(pairs, wy, sine, cosine, stepSine, stepCosine)
                   : SumsAndAdvance<false>(pairs, wy, sine, cosine, stepSine, stepCosine);
      residual[static_cast<std::size_t>(k)] = periodogram.Residual(sums);
    }
    work += (last - first) * static_cast<std::int64_t>(n);
    if (work >= kWorkPerCheck) {
      work = 0;
      if (!keepGoing()) return false;
    }
  }
  return true;
}

// The local minima of the periodogram (a plateau counts once, at its start;
// the grid's ends count when they are lower than their one neighbour), each
// placed by the parabola through it and its neighbours.
std::vector<Peak> FindPeaks(const std::vector<double>& r, double step) {
  std::vector<Peak> peaks;
  const std::size_t count = r.size();
  for (std::size_t k = 0; k < count; ++k) {
    const bool belowLeft = k == 0 || r[k] < r[k - 1];
    const bool notAboveRight = k + 1 == count || r[k] <= r[k + 1];
    if (!belowLeft || !notAboveRight) continue;  // also false for NaN
    Peak peak{static_cast<double>(k + 1) * step, r[k]};
    if (k > 0 && k + 1 < count) {
      const double curvature = r[k - 1] - 2 * r[k] + r[k + 1];
      if (curvature > 0) {
        const double shift = std::clamp(0.5 * (r[k - 1] - r[k + 1]) / curvature, -0.5, 0.5);
        peak.b = (static_cast<double>(k + 1) + shift) * step;
        peak.residual = r[k] - 0.25 * (r[k - 1] - r[k + 1]) * shift;
      }
    }
    peaks.push_back(peak);
  }
  return peaks;
}

// Up to kScanCandidates values of b to refine: the deepest minima first, then
// the minima as deep as the deepest by increasing b, then the next deepest.
std::vector<double> ChooseCandidates(const std::vector<Peak>& peaks, double baseline) {
  if (peaks.empty()) return {};
  // Only the deepest few are needed in order (equal depths by increasing b);
  // a long noisy grid may have hundreds of thousands of minima.
  std::vector<std::size_t> byDepth(peaks.size());
  for (std::size_t i = 0; i < peaks.size(); ++i) byDepth[i] = i;
  const std::size_t ordered = std::min(byDepth.size(), static_cast<std::size_t>(kScanCandidates));
  std::partial_sort(byDepth.begin(), byDepth.begin() + static_cast<std::ptrdiff_t>(ordered),
                    byDepth.end(), [&](std::size_t l, std::size_t r) {
                      if (peaks[l].residual != peaks[r].residual)
                        return peaks[l].residual < peaks[r].residual;
                      return l < r;
                    });
  byDepth.resize(ordered);
  std::vector<bool> chosen(peaks.size(), false);
  std::vector<double> b;
  const auto take = [&](std::size_t i) {
    if (chosen[i] || b.size() >= static_cast<std::size_t>(kScanCandidates)) return;
    chosen[i] = true;
    b.push_back(peaks[i].b);
  };
  for (std::size_t i = 0;
       i < byDepth.size() && b.size() < static_cast<std::size_t>(kDeepestCandidates); ++i)
    take(byDepth[i]);
  const double deepest = peaks[byDepth.front()].residual;
  const double band = kPeakTieShare * std::max(0.0, baseline - deepest);
  for (std::size_t i = 0; i < peaks.size(); ++i) {  // peaks are in increasing b
    if (peaks[i].residual <= deepest + band) take(i);
  }
  for (std::size_t i : byDepth) take(i);
  return b;
}

}  // namespace sinusfit::scan
