// Every special-function routine against reference values over grids that
// cover its domain and the breaks between its approximations. The reference
// table tests/data/sonder_reference.csv was made once by
// tests/data/make_sonder_reference.py with SciPy.
//
// Tolerances follow from each algorithm and are set just above the largest
// deviation the algorithm shows on the grid, so that a wrong digit in a
// leading or middle place of a coefficient fails the test. Where rounding
// matters, a term in eps, the precision of grund::Extended, keeps the table
// valid where Extended is plain double.
//
// clang-format off
//   routine       region            allowed deviation                 why
//   GammaPoly     all               3e-7 |ref|                        polynomial error 3e-7
//   LnGamma       x > 0             2.5e-10 + 2 eps/x                 six-term Lanczos series
//                 -2 < x < -1       3e-8                              off its design range,
//                 -4.5 < x < -3     1.5e-3                            worse towards -4
//   Digamma       0 < x <= 1e-5     1.7 x                             -gamma - 1/x drops zeta(2) x
//                 x < 0             2e-13 |ref| + eps (1-x) ref^2     reflection near poles
//                 x > 1e-5          1e-15 (1 + |ref|) + 16 eps        asymptotic series from 20
//   BesselJ0, J1  |x| < 8           6e-9                              rational approximation
//                 |x| >= 8          3.5e-10 sqrt(8/|x|)               asymptotic, 9-digit constants
//   AiryAiBi      x < -2.09         |x|^-1/4 (3e-15 + 3e-16 |x|^1.5)  amplitude; phase rounding
//                 -2.09 .. 2.09     Ai 7e-10, Bi 2e-9                 series stopped at 5e-8
//                 2.09 .. 8.3203353 Ai 1e-14 |ref|, Bi 7e-9 |ref|     Bi still from the series
//                 above 8.3203353   5e-14 |ref|                       both asymptotic
//   JacobiSnCnDn  all               2.5e-9 (1 + |u|)                  mean to 0.0003, error ~ its
//                                                                     square, growing with u
//   SineIntegral  x <= 1            5e-7                              terms after the last < 1e-4
//                 x > 1             1.5e-5 + 4 eps e^x/x              plus alternating rounding
//   CosineIntegral x <= 1           4.5e-6                            gamma as 0.57722: 4.3e-6 high
//                 x > 1             1.6e-5 + 4 eps e^x/x              as SineIntegral
//   ExpIntegral   x <= 1            6.5e-6                            0.57722156649: 5.9e-6 high
//                 x > 1             6e-5 + (3e-15 + 400 eps) |ref|    stop at 1e-4; running log
//   EulerPhi      1 .. 10000        exact
// clang-format on

#include <gtest/gtest.h>

#include <array>
#include <charconv>
#include <cmath>
#include <fstream>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "_grund/grund.h"
#include "fktint/fktint.h"
#include "sonderfunktionen/sonderfunktionen.h"

namespace {

namespace sf = sonderfunktionen;

struct ReferenceRow {
  std::string name;
  double x = 0;
  double second = 0;
  std::array<std::optional<double>, 3> values;
};

std::optional<double> ParseField(std::string_view field) {
  if (field.empty()) return std::nullopt;
  double value = 0;
  const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
  if (error != std::errc() || end != field.data() + field.size()) return std::nullopt;
  return value;
}

std::vector<std::string_view> SplitCommas(std::string_view line) {
  std::vector<std::string_view> fields;
  for (;;) {
    const auto comma = line.find(',');
    fields.push_back(line.substr(0, comma));
    if (comma == std::string_view::npos) return fields;
    line.remove_prefix(comma + 1);
  }
}

std::vector<ReferenceRow> LoadReference() {
  std::ifstream in(std::string(KALVENTO_TEST_DATA_DIR) + "/sonder_reference.csv");
  std::vector<ReferenceRow> rows;
  std::string line;
  std::getline(in, line);  // heading
  while (std::getline(in, line)) {
    const auto fields = SplitCommas(line);
    if (fields.size() != 6) continue;
    ReferenceRow row;
    row.name = std::string(fields[0]);
    row.x = ParseField(fields[1]).value_or(std::nan(""));
    row.second = ParseField(fields[2]).value_or(0);
    for (int k = 0; k < 3; ++k) row.values[k] = ParseField(fields[3 + k]);
    rows.push_back(row);
  }
  return rows;
}

const std::vector<ReferenceRow>& Reference() {
  static const std::vector<ReferenceRow> rows = LoadReference();
  return rows;
}

constexpr double kEps = std::numeric_limits<grund::Extended>::epsilon();

// The routine's results for one row; nothing when it reported a failure.
using Compute = std::function<std::optional<std::array<double, 3>>(double x, double second)>;
// The allowed deviation from the reference value `ref`.
using Allowed = std::function<double(double x, double second, double ref)>;

struct Check {
  const char* label;
  const char* rowName;
  int column;
  Compute compute;
  Allowed allowed;
};

std::optional<std::array<double, 3>> Single(double value) {
  return std::array<double, 3>{value, 0, 0};
}

// Routines that report through EvalError: a set code counts as a failure.
Compute ByCode(double (*routine)(double)) {
  return [routine](double x, double) -> std::optional<std::array<double, 3>> {
    fktint::EvalError = 0;
    const double value = routine(x);
    if (fktint::EvalError != 0) return std::nullopt;
    return Single(value);
  };
}

Compute ByFlag(double (*routine)(double, bool&)) {
  return [routine](double x, double) -> std::optional<std::array<double, 3>> {
    bool failed = false;
    const double value = routine(x, failed);
    if (failed) return std::nullopt;
    return Single(value);
  };
}

Compute Plain(double (*routine)(double)) {
  return [routine](double x, double) { return Single(routine(x)); };
}

std::optional<std::array<double, 3>> Airy(double x, double) {
  std::array<double, 3> r{};
  sf::AiryAiBi(x, r[0], r[1]);
  return r;
}

std::optional<std::array<double, 3>> Jacobi(double u, double mc) {
  std::array<double, 3> r{};
  sf::JacobiSnCnDn(u, mc, r[0], r[1], r[2]);
  return r;
}

double GammaAllowed(double, double, double ref) { return 3e-7 * std::fabs(ref); }

double LnGammaAllowed(double x, double, double) {
  // Near 0 the argument is rebuilt as (x - 1) + 1, which loses eps/x.
  if (x > 0) return 2.5e-10 + 2 * kEps / x;
  if (x > -2) return 3e-8;
  return 1.5e-3;
}

double DigammaAllowed(double x, double, double ref) {
  // Near a pole the rounding of pi (1 - x) is magnified by the square of the value.
  if (x < 0) return 2e-13 * std::fabs(ref) + kEps * (1 - x) * ref * ref;
  if (x <= 1e-5) return 1.7 * x;
  return 1e-15 * (1 + std::fabs(ref)) + 16 * kEps;
}

double BesselAllowed(double x, double, double) {
  if (std::fabs(x) < 8) return 6e-9;
  return 3.5e-10 * std::sqrt(8 / std::fabs(x));
}

double AiryAllowed(double x, double ref, double series, double middle) {
  if (x < -2.09) return std::pow(-x, -0.25) * (3e-15 + 3e-16 * std::pow(-x, 1.5));
  if (x <= 2.09) return series;
  if (x <= 8.3203353) return middle * std::fabs(ref);
  return 5e-14 * std::fabs(ref);
}

double AiAllowed(double x, double, double ref) { return AiryAllowed(x, ref, 7e-10, 1e-14); }
double BiAllowed(double x, double, double ref) { return AiryAllowed(x, ref, 2e-9, 7e-9); }

double JacobiAllowed(double u, double, double) { return 2.5e-9 * (1 + std::fabs(u)); }

double AlternatingRounding(double x) { return 4 * kEps * std::exp(x) / x; }
double SiAllowed(double x, double, double) {
  return x <= 1 ? 5e-7 : 1.5e-5 + AlternatingRounding(x);
}
double CiAllowed(double x, double, double) {
  return x <= 1 ? 4.5e-6 : 1.6e-5 + AlternatingRounding(x);
}
double EiAllowed(double x, double, double ref) {
  return x <= 1 ? 6.5e-6 : 6e-5 + (3e-15 + 400 * kEps) * std::fabs(ref);
}

double Exact(double, double, double) { return 0; }

const Check kChecks[] = {
    {"GammaPoly", "gamma", 0, ByCode(sf::GammaPoly), GammaAllowed},
    {"LnGamma", "lngamma", 0, ByFlag(sf::LnGamma), LnGammaAllowed},
    {"Digamma", "digamma", 0, ByFlag(sf::Digamma), DigammaAllowed},
    {"BesselJ0", "j0", 0, Plain(sf::BesselJ0), BesselAllowed},
    {"BesselJ1", "j1", 0, Plain(sf::BesselJ1), BesselAllowed},
    {"AiryAi", "airy", 0, Airy, AiAllowed},
    {"AiryBi", "airy", 1, Airy, BiAllowed},
    {"JacobiSn", "jacobi", 0, Jacobi, JacobiAllowed},
    {"JacobiCn", "jacobi", 1, Jacobi, JacobiAllowed},
    {"JacobiDn", "jacobi", 2, Jacobi, JacobiAllowed},
    {"SineIntegral", "si", 0, ByCode(sf::SineIntegral), SiAllowed},
    {"CosineIntegral", "ci", 0, ByCode(sf::CosineIntegral), CiAllowed},
    {"ExpIntegral", "ei", 0, ByCode(sf::ExpIntegral), EiAllowed},
    {"EulerPhi", "totient", 0, ByCode(sf::EulerPhi), Exact},
};

class ReferenceTest : public testing::TestWithParam<Check> {};

TEST_P(ReferenceTest, StaysWithinItsToleranceOverTheGrid) {
  const Check& check = GetParam();
  int compared = 0;
  for (const ReferenceRow& row : Reference()) {
    if (row.name != check.rowName) continue;
    ASSERT_TRUE(row.values[check.column].has_value()) << check.rowName << " x=" << row.x;
    const double ref = *row.values[check.column];
    const auto got = check.compute(row.x, row.second);
    ASSERT_TRUE(got.has_value()) << check.label << " reported a failure at x=" << row.x;
    const double value = (*got)[check.column];
    EXPECT_LE(std::fabs(value - ref), check.allowed(row.x, row.second, ref))
        << check.label << " x=" << row.x << " second=" << row.second << " value=" << value
        << " reference=" << ref;
    ++compared;
  }
  EXPECT_GT(compared, 100) << "reference rows missing for " << check.rowName;
}

INSTANTIATE_TEST_SUITE_P(SpecialFunctions, ReferenceTest, testing::ValuesIn(kChecks),
                         [](const testing::TestParamInfo<Check>& info) {
                           return std::string(info.param.label);
                         });

}  // namespace
