// The decimals of a computation's texts, on pairs of any size from 1e-9 to
// 1e9 (x and y each of its own magnitude, with Δy or without) and a fit of
// the size of its pairs.
//
// Input: the pair count, the decimal exponents of x's offset, x's spread,
// y's offset and y's spread (each -9 .. 9), a byte that asks for Δy, then
// for each pair two bytes that place x and y in their spread; then the fit:
// its amplitude, frequency, phase and offset as shares of what the pairs
// give, one byte each, and an error sum as eight raw bytes.
//
// Checked: the usual scale is recognised as such (the window's formats) and
// every text beyond it keeps at least those decimals; every parameter text
// of the term reads back through the interpreter within half a unit of its
// last decimal, with no exponent and a decimal comma; the term moves the
// model, at every pair, by no more than four times the promised share of
// the y range, and the term evaluated no further than its texts' rounding
// (FormatPoint rounds from 17 decimals) and the interpreter's allow, wherever
// the interpreter's range holds the values; f(x) is the term's value within 1/100000 of the y
// range; the plot list's texts lie within 1/10000 of the ranges; the error
// text reads back to 6 significant digits (where 30 decimals reach them).

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "_grund/grund.h"
#include "fktint/fktint.h"
#include "fuzz/fuzz_support.h"
#include "sinusfit/sinusfit.h"

namespace {

using sinusfit::FitData;
using sinusfit::ModelParameters;
using sinusfit::TextPrecision;

// 10^e for e from a byte, -9 .. 9.
double Magnitude(fuzz::ByteReader& in) { return std::pow(10.0, in.Byte() % 19 - 9); }

// A share in [-1, 1] from a byte.
double Share(fuzz::ByteReader& in) { return in.Byte() / 127.5 - 1; }

struct Extent {
  double low = 0, high = 0, largest = 0;
  double Range() const { return high - low; }
};

Extent ExtentOf(const std::vector<double>& v) {
  Extent e{v[0], v[0], 0};
  for (const double value : v) {
    e.low = std::min(e.low, value);
    e.high = std::max(e.high, value);
    e.largest = std::max(e.largest, std::fabs(value));
  }
  return e;
}

// What the rule resolves: the range, or the size where all are equal, or 1.
double Resolution(const Extent& e) {
  return e.Range() > 0 ? e.Range() : e.largest > 0 ? e.largest : 1;
}

std::vector<std::string> Pieces(const std::string& term) {
  const std::size_t sin = term.find("*SIN(");
  const std::size_t x = term.find("*X", sin);
  const std::size_t close = term.rfind(')');
  FUZZ_CHECK(sin != std::string::npos && x != std::string::npos && close != std::string::npos);
  return {term.substr(0, sin), term.substr(sin + 5, x - sin - 5), term.substr(x + 2, close - x - 2),
          term.substr(close + 1)};
}

double Read(std::string_view text) { return grund::ParseNumber(grund::CommaToPoint(text)).value; }

// What FormatPoint's digits add to the rounding at the last decimal, and the
// reading back: it rounds from 17 decimals (from 18 significant digits at
// 10 and above, and below 0.1 with more than 17 decimals).
double DigitSlack(double v, int decimals) {
  const bool fromSignificant = std::fabs(v) >= 10 || (std::fabs(v) < 0.1 && decimals > 17);
  return 4e-16 * std::fabs(v) + (fromSignificant ? 0 : 5.1e-18);
}

// The interpreter reads literals and yields results up to 1e10.
constexpr double kInterpreterRange = 1e9;

void CheckDecimals(const TextPrecision& p, bool usual) {
  const TextPrecision window;
  FUZZ_CHECK(p.specifiedScale == usual);
  if (usual) {
    FUZZ_CHECK(p.a == 6 && p.b == 6 && p.c == 6 && p.d == 6 && p.error == 4 && p.errorDigits == 0 &&
               p.fittedValue == 4 && p.plotX == 5 && p.plotY == 5);
    return;
  }
  for (const int d : {p.a, p.b, p.c, p.d}) FUZZ_CHECK(d >= window.a && d <= sinusfit::kMostDecimals);
  FUZZ_CHECK(p.error >= window.error && p.errorDigits >= 5);
  FUZZ_CHECK(p.fittedValue >= window.fittedValue && p.fittedValue <= sinusfit::kMostDecimals);
  FUZZ_CHECK(p.plotX >= window.plotX && p.plotY >= window.plotY);
}

void CheckTerm(const FitData& data, const ModelParameters& q, const TextPrecision& p) {
  const std::string term = sinusfit::BuildTermText(q, p);
  const std::vector<std::string> pieces = Pieces(term);
  const double values[] = {q.a, q.b, q.c, q.d};
  const int decimals[] = {p.a, p.b, p.c, p.d};
  double off[4] = {};  // how far each text may lie from its parameter
  bool inRange = true;
  for (int k = 0; k < 4; ++k) {
    FUZZ_CHECK(pieces[k].find_first_of(".Ee") == std::string::npos);
    off[k] = 0.5 * std::pow(10.0, -decimals[k]) * (1 + 1e-9) + DigitSlack(values[k], decimals[k]);
    if (!(std::fabs(values[k]) < kInterpreterRange)) {
      inRange = false;
      continue;
    }
    fktint::EvalError = 0;
    const double back = fktint::EvaluateTerm(pieces[k], 0);
    FUZZ_CHECK(fktint::EvalError == 0);
    FUZZ_CHECK(std::fabs(back - values[k]) <= off[k]);
  }
  if (p.specifiedScale || !inRange) return;
  // The rule's promise: with |a| up to the y range, rounding the four
  // parameters moves the model by at most four times the share of the range.
  const double share = sinusfit::kModelShare * Resolution(ExtentOf(data.y));
  const double largestX = ExtentOf(data.x).largest;
  const double a = std::fabs(q.a);
  const double half[4] = {0.5 * std::pow(10.0, -p.a), 0.5 * std::pow(10.0, -p.b),
                          0.5 * std::pow(10.0, -p.c), 0.5 * std::pow(10.0, -p.d)};
  FUZZ_CHECK(half[0] + a * largestX * half[1] + a * half[2] + half[3] <= 4 * share * (1 + 1e-9));
  // And the term text evaluated moves it no further, where the interpreter's
  // cap of 1e10 is far.
  for (const double x : data.x) {
    const long double phase = static_cast<long double>(q.b) * x + q.c;
    if (!(std::fabs(phase) < kInterpreterRange)) return;
    const long double model = q.a * sinl(phase) + q.d;
    const long double rounding =
        1.2e-16L * (std::fabs(phase) * a + a + std::fabs(q.d)) + 1e-300L;
    const double moved = off[0] + a * std::fabs(x) * off[1] + a * off[2] + off[3];
    FUZZ_CHECK(std::fabs(fktint::EvaluateTerm(term, x) - model) <= moved + 4 * rounding);
  }
}

void CheckValuesAndPlot(const FitData& data, const ModelParameters& q, const TextPrecision& p) {
  const std::string term = sinusfit::BuildTermText(q, p);
  const Extent x = ExtentOf(data.x), y = ExtentOf(data.y);
  grund::PlotList list;
  for (std::size_t i = 0; i < data.x.size(); ++i) {
    const double value = fktint::EvaluateTerm(term, data.x[i]);
    const std::string fx = sinusfit::FittedValueText(term, data.x[i], p);
    FUZZ_CHECK(fx.find_first_of(".Ee") == std::string::npos);
    const double tolerance = p.specifiedScale ? 0.5e-4 : 1e-5 * Resolution(y);
    FUZZ_CHECK(std::fabs(Read(fx) - value) <=
               tolerance * (1 + 1e-9) + DigitSlack(value, p.fittedValue));
    sinusfit::AddPlotPair(list, data.x[i], data.y[i], p);
  }
  if (p.specifiedScale) return;
  for (std::size_t i = 0; i < data.x.size(); ++i) {
    FUZZ_CHECK(std::fabs(Read(list.Entries[2 * i]) - data.x[i]) <=
               1e-4 * Resolution(x) * (1 + 1e-9) + DigitSlack(data.x[i], p.plotX));
    FUZZ_CHECK(std::fabs(Read(list.Entries[2 * i + 1]) - data.y[i]) <=
               1e-4 * Resolution(y) * (1 + 1e-9) + DigitSlack(data.y[i], p.plotY));
  }
}

void CheckErrorText(double error, const TextPrecision& p) {
  const std::string text = sinusfit::ErrorText(error, p);
  if (!std::isfinite(error)) return;
  FUZZ_CHECK(text.find_first_of(".Ee") == std::string::npos);
  const double back = Read(text);
  if (p.specifiedScale) {
    FUZZ_CHECK(std::fabs(back - error) <= 0.5e-4 * (1 + 1e-9) + DigitSlack(error, 4));
    return;
  }
  const double digits = 0.5e-5 * std::fabs(error) * (1 + 1e-9);
  const double decimals = 0.5 * std::pow(10.0, -sinusfit::kMostDecimals);
  const int used = error == 0 ? 4 : 5 - static_cast<int>(std::floor(std::log10(std::fabs(error))));
  FUZZ_CHECK(std::fabs(back - error) <= std::max(digits, decimals) + DigitSlack(error, used));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  fuzz::ByteReader in(bytes, size);
  const int n = 1 + in.Byte() % 200;
  const double xOffset = Magnitude(in) * Share(in), xSpread = Magnitude(in);
  const double yOffset = Magnitude(in) * Share(in), ySpread = Magnitude(in);
  const bool weighted = (in.Byte() & 1) != 0;
  FitData data;
  for (int i = 0; i < n; ++i) {
    data.x.push_back(xOffset + xSpread * Share(in));
    data.y.push_back(yOffset + ySpread * Share(in));
    if (weighted) data.sigma.push_back(0.1 * ySpread);
  }
  // A fit of the pairs' size: an amplitude up to their y range, some cycles
  // over their x range, any phase, an offset among their y.
  const Extent x = ExtentOf(data.x), y = ExtentOf(data.y);
  const ModelParameters fit{Share(in) * Resolution(y), 20 * Share(in) / Resolution(x),
                            3.14 * Share(in), y.low + (Share(in) + 1) / 2 * y.Range()};
  const double error = in.RawDouble();

  const TextPrecision precision = sinusfit::ChooseTextPrecision(data);
  const bool usual = data.sigma.empty() && x.largest <= 1000 && y.largest >= 0.1 &&
                     y.largest <= 1000 && sinusfit::FlatLineError(data) <= 10000;
  CheckDecimals(precision, usual);
  CheckTerm(data, fit, precision);
  CheckValuesAndPlot(data, fit, precision);
  CheckErrorText(error, precision);
  CheckErrorText(std::fabs(error) * 1e-20, precision);
  return 0;
}
