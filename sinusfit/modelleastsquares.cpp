// Least squares for any model: the linear parameters at fixed nonlinear
// ones, and Levenberg-Marquardt steps on all free parameters.

#include "sinusfit/modelleastsquares.h"

#include <algorithm>
#include <cmath>
#include <thread>

#include "_grund/grund.h"

namespace sinusfit {

using grund::Extended;

namespace {

// Loops over this many pairs or more run half on a second thread.
constexpr std::size_t kThreadedPairs = 65536;

// Σw·r², and with `free` given JᵀWJ and JᵀWr over those parameters.
struct StepSums {
  double error = 0;
  std::vector<double> jtj, jtr;
};

StepSums SumRange(const Model& model, const std::vector<double>& p, const ModelOrigin& origin,
                  const ModelPairs& pairs, const std::vector<int>& free, std::size_t from,
                  std::size_t to) {
  const std::size_t m = free.size();
  StepSums sums;
  sums.jtj.assign(m * m, 0);
  sums.jtr.assign(m, 0);
  std::vector<double> dp(p.size()), j(m);
  for (std::size_t i = from; i < to; ++i) {
    const double r = pairs.y[i] - model.Evaluate(p, pairs.x[i], origin, dp);
    const double w = pairs.w.empty() ? 1 : pairs.w[i];
    sums.error += w * r * r;
    for (std::size_t k = 0; k < m; ++k) j[k] = dp[static_cast<std::size_t>(free[k])];
    for (std::size_t k = 0; k < m; ++k) {
      sums.jtr[k] += w * j[k] * r;
      for (std::size_t l = 0; l <= k; ++l) sums.jtj[k * m + l] += w * j[k] * j[l];
    }
  }
  return sums;
}

StepSums Sum(const Model& model, const std::vector<double>& p, const ModelOrigin& origin,
             const ModelPairs& pairs, const std::vector<int>& free) {
  const std::size_t n = pairs.x.size();
  if (n < kThreadedPairs) return SumRange(model, p, origin, pairs, free, 0, n);
  // The halves are always the same and added in their order: the same bits
  // whether a second core runs the later one or not.
  StepSums later;
  const auto sumLater = [&] { later = SumRange(model, p, origin, pairs, free, n / 2, n); };
  std::thread second;
  if (grund::SecondCoreWanted()) second = std::thread(sumLater);
  StepSums sums = SumRange(model, p, origin, pairs, free, 0, n / 2);
  if (second.joinable()) {
    second.join();
  } else {
    sumLater();
  }
  sums.error += later.error;
  for (std::size_t k = 0; k < sums.jtj.size(); ++k) sums.jtj[k] += later.jtj[k];
  for (std::size_t k = 0; k < sums.jtr.size(); ++k) sums.jtr[k] += later.jtr[k];
  return sums;
}

// Solves the symmetric system (lower triangle given) by Cholesky; false
// where it is not positive definite.
bool SolveSymmetric(std::vector<double> a, std::vector<double>& b) {
  const std::size_t m = b.size();
  for (std::size_t k = 0; k < m; ++k) {
    double d = a[k * m + k];
    for (std::size_t l = 0; l < k; ++l) d -= a[k * m + l] * a[k * m + l];
    if (!(d > 0) || !std::isfinite(d)) return false;
    d = std::sqrt(d);
    a[k * m + k] = d;
    for (std::size_t i = k + 1; i < m; ++i) {
      double s = a[i * m + k];
      for (std::size_t l = 0; l < k; ++l) s -= a[i * m + l] * a[k * m + l];
      a[i * m + k] = s / d;
    }
  }
  for (std::size_t k = 0; k < m; ++k) {
    double s = b[k];
    for (std::size_t l = 0; l < k; ++l) s -= a[k * m + l] * b[l];
    b[k] = s / a[k * m + k];
  }
  for (std::size_t k = m; k-- > 0;) {
    double s = b[k];
    for (std::size_t l = k + 1; l < m; ++l) s -= a[l * m + k] * b[l];
    b[k] = s / a[k * m + k];
  }
  return true;
}

}  // namespace

LinearFit SolveLinear(const Model& model, const std::vector<double>& nonlinear,
                      const ModelOrigin& origin, const ModelPairs& pairs, int heldColumn,
                      double heldValue) {
  const int m = model.LinearCount();
  const auto mm = static_cast<std::size_t>(m);
  std::vector<Extended> a(mm * mm, 0), b(mm, 0);
  std::vector<double> phi(mm);
  Extended yy = 0;
  for (std::size_t i = 0; i < pairs.x.size(); ++i) {
    model.LinearBasis(nonlinear, pairs.x[i], origin, phi);
    const Extended w = pairs.w.empty() ? 1 : pairs.w[i];
    Extended y = pairs.y[i];
    if (heldColumn >= 0) y -= heldValue * phi[static_cast<std::size_t>(heldColumn)];
    yy += w * y * y;
    for (std::size_t k = 0; k < mm; ++k) {
      b[k] += w * phi[k] * y;
      for (std::size_t l = 0; l < mm; ++l) a[k * mm + l] += w * phi[k] * phi[l];
    }
  }
  if (heldColumn >= 0) {
    const auto h = static_cast<std::size_t>(heldColumn);
    for (std::size_t k = 0; k < mm; ++k) a[k * mm + h] = a[h * mm + k] = k == h ? 1 : 0;
    b[h] = 0;
  }
  Extended trace = 0;
  for (std::size_t k = 0; k < mm; ++k) trace += a[k * mm + k];
  for (std::size_t k = 0; k < mm; ++k) a[k * mm + k] += 1e-13L * trace / m;
  // Gaussian elimination with partial pivoting.
  std::vector<Extended> x = b;
  std::vector<Extended> lu = a;
  for (std::size_t k = 0; k < mm; ++k) {
    std::size_t pivot = k;
    for (std::size_t i = k + 1; i < mm; ++i)
      if (std::fabs(lu[i * mm + k]) > std::fabs(lu[pivot * mm + k])) pivot = i;
    if (!(lu[pivot * mm + k] != 0)) return {};
    for (std::size_t l = 0; l < mm; ++l) std::swap(lu[k * mm + l], lu[pivot * mm + l]);
    std::swap(x[k], x[pivot]);
    for (std::size_t i = k + 1; i < mm; ++i) {
      const Extended f = lu[i * mm + k] / lu[k * mm + k];
      for (std::size_t l = k; l < mm; ++l) lu[i * mm + l] -= f * lu[k * mm + l];
      x[i] -= f * x[k];
    }
  }
  for (std::size_t k = mm; k-- > 0;) {
    for (std::size_t l = k + 1; l < mm; ++l) x[k] -= lu[k * mm + l] * x[l];
    x[k] /= lu[k * mm + k];
  }
  LinearFit fit;
  Extended explained = 0;
  for (std::size_t k = 0; k < mm; ++k) {
    fit.coefficients.push_back(static_cast<double>(x[k]));
    explained += x[k] * b[k];
  }
  if (heldColumn >= 0) fit.coefficients[static_cast<std::size_t>(heldColumn)] = heldValue;
  fit.error = static_cast<double>(std::max<Extended>(0, yy - explained));
  for (double v : fit.coefficients)
    if (!std::isfinite(v)) return {};
  return fit;
}

bool AllFinite(const std::vector<double>& p) {
  return std::all_of(p.begin(), p.end(), [](double v) { return std::isfinite(v); });
}

Refinement RefineModel(const Model& model, std::vector<double> p, const ModelOrigin& origin,
                       const ModelPairs& pairs, int held, const RefineLimits& limits) {
  std::vector<int> free;
  for (int k = 0; k < model.ParameterCount(); ++k)
    if (k != held) free.push_back(k);
  const std::size_t m = free.size();
  StepSums at = Sum(model, p, origin, pairs, free);
  Refinement result;
  if (!std::isfinite(at.error)) return result;
  double lambda = 1e-3;
  for (int step = 0; step < limits.steps && lambda < 1e12; ++step) {
    if (step == limits.probeSteps && at.error > limits.abandonAbove) return result;
    std::vector<double> a = at.jtj;
    for (std::size_t k = 0; k < m; ++k)
      a[k * m + k] += lambda * at.jtj[k * m + k] + 1e-300;
    std::vector<double> delta = at.jtr;
    if (!SolveSymmetric(a, delta)) {
      lambda *= 10;
      continue;
    }
    std::vector<double> trial = p;
    for (std::size_t k = 0; k < m; ++k) trial[static_cast<std::size_t>(free[k])] += delta[k];
    StepSums next = Sum(model, trial, origin, pairs, free);
    if (std::isfinite(next.error) && next.error < at.error) {
      const double gain = at.error - next.error;
      p = std::move(trial);
      at = std::move(next);
      lambda = std::max(lambda / 5, 1e-12);
      if (gain <= limits.converged * at.error) break;
    } else {
      lambda *= 5;
    }
  }
  model.Normalise(p, held);
  result.ok = AllFinite(p);
  result.p = std::move(p);
  result.error = at.error;
  return result;
}

}  // namespace sinusfit
