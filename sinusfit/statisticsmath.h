#pragma once
// What the statistics of the sine and of the other models share: (JᵀJ)⁻¹
// through a QR factorisation of the column-scaled Jacobian, and χ² with its
// probability. Internal to the fit's statistics.

#include <cmath>
#include <cstddef>
#include <span>
#include <vector>

#include "_grund/grund.h"
#include "sinusfit/fitstatistics.h"
#include "sonderfunktionen/sonderfunktionen.h"

namespace sinusfit::statistics {

using grund::Extended;

// Beyond this condition number of the column-scaled Jacobian the inverse of
// JᵀJ loses its leading digits to the rounding of J itself (its relative
// error grows like the square of the condition times the double epsilon),
// so the standard errors are reported as not determined.
inline constexpr Extended kMaxCondition = 1e7;

// J = Q·R·D with D the column norms: (JᵀJ)⁻¹ = D⁻¹R⁻¹R⁻ᵀD⁻¹, so no normal
// matrix is ever formed and squared.
struct InverseFactor {
  int m = 0;
  std::vector<Extended> norm;     // D
  std::vector<Extended> inverse;  // R⁻¹, m × m, row-major, upper triangular

  Extended At(int i, int j) const { return inverse[static_cast<std::size_t>(i * m + j)]; }
  // (JᵀJ)⁻¹ at (i, j): rows i and j of R⁻¹ multiplied, from their first
  // common nonzero column on.
  Extended InverseNormal(int i, int j) const {
    Extended sum = 0;
    for (int t = i > j ? i : j; t < m; ++t) sum += At(i, t) * At(j, t);
    return sum / (norm[static_cast<std::size_t>(i)] * norm[static_cast<std::size_t>(j)]);
  }
};

// Factors the Jacobian held column by column (all of one length; they are
// overwritten), or false when (JᵀJ)⁻¹ cannot be computed with digits to spare.
inline bool FactorJacobian(std::span<std::vector<Extended>> columns, InverseFactor& f) {
  const int m = static_cast<int>(columns.size());
  const std::size_t n = m > 0 ? columns[0].size() : 0;
  f.m = m;
  f.norm.assign(static_cast<std::size_t>(m), 0);
  f.inverse.assign(static_cast<std::size_t>(m * m), 0);
  if (m == 0) return false;
  for (int k = 0; k < m; ++k) {
    Extended sum = 0;
    for (const Extended v : columns[k]) sum += v * v;
    Extended& norm = f.norm[static_cast<std::size_t>(k)];
    norm = std::sqrt(sum);
    if (!(norm > 0) || !std::isfinite(norm)) return false;
    for (Extended& v : columns[k]) v /= norm;
  }

  // Householder QR: R goes to r, the columns end up holding the reflectors.
  std::vector<Extended> r(static_cast<std::size_t>(m * m), 0);
  const auto rAt = [&](int i, int j) -> Extended& {
    return r[static_cast<std::size_t>(i * m + j)];
  };
  for (int k = 0; k < m; ++k) {
    std::vector<Extended>& a = columns[k];
    const auto first = static_cast<std::size_t>(k);
    Extended sum = 0;
    for (std::size_t i = first; i < n; ++i) sum += a[i] * a[i];
    const Extended alpha = a[first] > 0 ? -std::sqrt(sum) : std::sqrt(sum);
    if (alpha == 0) return false;
    a[first] -= alpha;                      // a[k..n) is now the reflector v
    const Extended vv = -alpha * a[first];  // vᵀv / 2 = alpha·(alpha − a_kk)
    for (int j = k + 1; j < m; ++j) {
      std::vector<Extended>& b = columns[j];
      Extended dot = 0;
      for (std::size_t i = first; i < n; ++i) dot += a[i] * b[i];
      const Extended scale = dot / vv;
      for (std::size_t i = first; i < n; ++i) b[i] -= scale * a[i];
      rAt(k, j) = b[first];
    }
    rAt(k, k) = alpha;
  }

  // R⁻¹ by back substitution, column by column.
  const auto inv = [&](int i, int j) -> Extended& {
    return f.inverse[static_cast<std::size_t>(i * m + j)];
  };
  Extended frobenius = 0;
  for (int j = 0; j < m; ++j) {
    for (int i = j; i >= 0; --i) {
      Extended sum = i == j ? 1 : 0;
      for (int t = i + 1; t <= j; ++t) sum -= rAt(i, t) * inv(t, j);
      inv(i, j) = sum / rAt(i, i);
      frobenius += inv(i, j) * inv(i, j);
    }
  }
  // The unit columns give ‖J‖_F = √m; ‖J‖_F·‖R⁻¹‖_F bounds the condition.
  const Extended condition = std::sqrt(static_cast<Extended>(m) * frobenius);
  return condition <= kMaxCondition;
}

// χ², χ²/ν and the probability of a χ² at least as large, Q(ν/2, χ²/2).
inline void AddChiSquared(FitStatistics& s, Extended chiSquared) {
  s.chiSquared = static_cast<double>(chiSquared);
  if (s.degreesOfFreedom <= 0 || !std::isfinite(s.chiSquared)) return;
  const double nu = s.degreesOfFreedom;
  s.reducedChiSquared = s.chiSquared / nu;
  s.pValue = sonderfunktionen::RegularizedGammaQ(nu / 2, s.chiSquared / 2);
}

}  // namespace sinusfit::statistics
