#pragma once
// Series the fit tests and the window tests share: a small generator of
// their own (the same numbers on every machine), sums of sines, and the x of
// a star observed in nights.

#include <cmath>
#include <cstdint>
#include <vector>

namespace sine_series {

struct Lcg {
  std::uint64_t s;
  double Next() {
    s = s * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(s >> 11) / 9007199254740992.0;
  }
  double Gauss() { return std::sqrt(-2 * std::log(Next() + 1e-300)) * std::cos(6.283185307 * Next()); }
};

struct Sine {
  double a, b, c;  // b in rad per unit of x
};

inline double SumAt(const std::vector<Sine>& sines, double d, double t) {
  for (const Sine& s : sines) d += s.a * std::sin(s.b * t + s.c);
  return d;
}

// Eight nights of six hours, a reading every two minutes, in days.
inline std::vector<double> StarNights() {
  std::vector<double> x;
  for (int night = 0; night < 8; ++night)
    for (int i = 0; i < 180; ++i) x.push_back(2460000.3 + night + i * 2.0 / 1440);
  return x;
}

}  // namespace sine_series
