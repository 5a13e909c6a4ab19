// The decimals of a computation's texts: the window's formats on the usual
// scale, and beyond it texts whose numbers belong to what they stand for.

#include "sinusfit/textprecision.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "_grund/grund.h"
#include "fktint/fktint.h"
#include "sinusfit/fitdata.h"
#include "sinusfit/resulttext.h"

namespace {

using sinusfit::FitData;
using sinusfit::ModelParameters;
using sinusfit::TextPrecision;

const std::vector<double> kExampleX = {1.5, 1.1, 0.7, 0.3, -0.1, -0.5, -1, -1.5, 2.8};
const std::vector<double> kExampleY = {1.4, 1.2, 0, -0.2, 0.4, 1, 1.6, 1.2, 0.1};

FitData Example() { return {kExampleX, kExampleY, {}}; }

TEST(UsualScale, HoldsJustInsideEachBoundAndEndsJustOutside) {
  struct Case {
    const char* name;
    FitData data;
    bool usual;
  };
  const std::vector<double> x4 = {0, 1, 2, 3};
  std::vector<double> x200(200), x201(201);
  for (std::size_t i = 0; i < x201.size(); ++i) (i < 200 ? x200[i] : x201[i]) = 0.01 * i;
  for (std::size_t i = 0; i < 200; ++i) x201[i] = 0.01 * i;
  const Case cases[] = {
      {"the example pairs", Example(), true},
      {"no pairs", {}, true},
      {"|x| = 1000", {{-1000, 0, 1000}, {1, 2, 3}, {}}, true},
      {"|x| just above 1000", {{-1000.001, 0, 1}, {1, 2, 3}, {}}, false},
      {"largest |y| 0,1", {x4, {0.1, -0.1, 0.05, 0}, {}}, true},
      {"largest |y| just below 0,1", {x4, {0.0999, -0.0999, 0.05, 0}, {}}, false},
      {"largest |y| 1000", {x4, {1000, 999.9, 999.95, 1000}, {}}, true},
      {"largest |y| just above 1000", {x4, {1000.001, 999.9, 999.95, 1000}, {}}, false},
      {"flat line's error 10000", {x4, {50, -50, 50, -50}, {}}, true},
      {"flat line's error just above 10000", {x4, {50.001, -50.001, 50.001, -50.001}, {}}, false},
      {"200 pairs", {x200, std::vector<double>(200, 1), {}}, true},
      {"201 pairs", {x201, std::vector<double>(201, 1), {}}, false},
      {"with Δy", {kExampleX, kExampleY, std::vector<double>(9, 0.1)}, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(sinusfit::OnUsualScale(c.data), c.usual) << c.name;
    const TextPrecision p = sinusfit::ChooseTextPrecision(c.data);
    EXPECT_EQ(p.specifiedScale, c.usual) << c.name;
    if (c.usual) {
      EXPECT_EQ(p.a, 6) << c.name;
      EXPECT_EQ(p.b, 6);
      EXPECT_EQ(p.c, 6);
      EXPECT_EQ(p.d, 6);
      EXPECT_EQ(p.error, 4);
      EXPECT_EQ(p.errorDigits, 0);
      EXPECT_EQ(p.fittedValue, 4);
      EXPECT_EQ(p.plotX, 5);
      EXPECT_EQ(p.plotY, 5);
    }
  }
}

TEST(UsualScale, TextsAreTheWindowsOwn) {
  const TextPrecision p = sinusfit::ChooseTextPrecision(Example());
  std::mt19937 engine(11);
  std::uniform_real_distribution<double> value(-300, 300);
  for (int trial = 0; trial < 500; ++trial) {
    const ModelParameters q{value(engine), value(engine) / 100, value(engine) / 50,
                            value(engine) * 1e-7};
    const std::string term = sinusfit::BuildTermText(q.a, q.b, q.c, q.d);
    EXPECT_EQ(sinusfit::BuildTermText(q, p), term);
    const double error = std::fabs(value(engine)) * std::pow(10, trial % 9 - 5);
    EXPECT_EQ(sinusfit::BuildResultEntry(error, term, p), sinusfit::BuildResultEntry(error, term));
    EXPECT_EQ(sinusfit::FittedValueText(term, q.d, p), sinusfit::FittedValueText(term, q.d));
    grund::PlotList plain, withPrecision;
    sinusfit::AddPlotPair(plain, q.a, q.b);
    sinusfit::AddPlotPair(withPrecision, q.a, q.b, p);
    EXPECT_EQ(plain.Entries, withPrecision.Entries);
  }
  // The ceiling's line, exactly as the window lists it.
  EXPECT_EQ(sinusfit::BuildResultEntry(10000, sinusfit::BuildTermText({0, 0, 0, 0}, p), p),
            "10000\tY = 0*SIN(0*X+0)+0");
}

// The data sets beyond the scale, each with a fit of its size.
struct Scaled {
  const char* name;
  FitData data;
  ModelParameters fit;
};

std::vector<Scaled> BeyondTheScale() {
  std::vector<Scaled> sets;
  const auto add = [&](const char* name, double x0, double dx, ModelParameters p) {
    FitData d;
    for (int i = 0; i < 200; ++i) {
      d.x.push_back(x0 + dx * i);
      d.y.push_back(p.a * std::sin(p.b * d.x.back() + p.c) + p.d +
                    0.05 * p.a * std::sin(12.9898 * i * i));
    }
    sets.push_back({name, d, p});
  };
  add("sunspots", 1700, 1, {40.123456789, 0.56681234567, 4.1234567891, 49.87654321});
  add("air pressure in Pa", 0, 1, {512.34567891, 0.26123456789, 1.2345678912, 101325.12345678});
  add("Unix time", 1.7e9, 600, {3.1234567891, 7.2722052166430e-5, 2.7182818284, 21.123456789});
  add("microvolts", 0, 0.01, {1.0123456789e-6, 31.41592653589, 0.3183098861, 2.5123456789e-6});
  add("nanometres over kilometres", 1e9, 1e6, {3.3e-9, 1.1e-7, 2.2, -4.4e-9});
  return sets;
}

// The value of the term text's parameter texts, as the interpreter reads them.
std::vector<double> ReadParameters(const std::string& term) {
  const std::size_t sin = term.find("*SIN(");
  const std::size_t x = term.find("*X", sin);
  const std::size_t close = term.rfind(')');
  const std::string pieces[] = {term.substr(0, sin), term.substr(sin + 5, x - sin - 5),
                                term.substr(x + 2, close - x - 2), term.substr(close + 1)};
  std::vector<double> values;
  for (const std::string& piece : pieces) {
    fktint::EvalError = 0;
    values.push_back(fktint::EvaluateTerm(piece, 0));
    EXPECT_EQ(fktint::EvalError, 0) << piece;
  }
  return values;
}

// Beyond the scale every parameter text reads back within half a unit of its
// last decimal, and so the term moves the model, at every pair, by no more
// than kModelShare of the y range per parameter.
TEST(BeyondTheScale, TermTextsStayWithinTheModelShareOfTheYRange) {
  for (const Scaled& s : BeyondTheScale()) {
    SCOPED_TRACE(s.name);
    const TextPrecision p = sinusfit::ChooseTextPrecision(s.data);
    ASSERT_FALSE(p.specifiedScale);
    const ModelParameters q = s.fit;
    const std::string term = sinusfit::BuildTermText(q, p);
    EXPECT_EQ(term.find('E'), std::string::npos) << term;
    EXPECT_EQ(term.find('.'), std::string::npos) << term;
    const std::vector<double> back = ReadParameters(term);
    const double values[] = {q.a, q.b, q.c, q.d};
    const int decimals[] = {p.a, p.b, p.c, p.d};
    for (int k = 0; k < 4; ++k) {
      EXPECT_GE(decimals[k], 6);
      EXPECT_LE(std::fabs(back[k] - values[k]),
                0.5 * std::pow(10.0, -decimals[k]) * (1 + 1e-9) + 2e-16 * std::fabs(values[k]))
          << term << " parameter " << k;
    }
    double low = s.data.y[0], high = s.data.y[0];
    for (double y : s.data.y) low = std::min(low, y), high = std::max(high, y);
    const long double share = sinusfit::kModelShare * (high - low);
    for (const double x : s.data.x) {
      const long double model = q.a * sinl(static_cast<long double>(q.b) * x + q.c) + q.d;
      const long double text = fktint::EvaluateTerm(term, x);
      // The interpreter rounds b·X, its sum with c and the result to double.
      const long double rounding = 1e-16L * (std::fabs(q.b * x) * std::fabs(q.a) + std::fabs(q.d));
      EXPECT_LE(std::fabs(text - model), 4 * share + 4 * rounding) << term << " at " << x;
    }
  }
}

TEST(BeyondTheScale, FittedValuesAndPlotTextsResolveTheRanges) {
  for (const Scaled& s : BeyondTheScale()) {
    SCOPED_TRACE(s.name);
    const TextPrecision p = sinusfit::ChooseTextPrecision(s.data);
    EXPECT_GE(p.fittedValue, 4);
    EXPECT_GE(p.plotX, 5);
    EXPECT_GE(p.plotY, 5);
    const std::string term = sinusfit::BuildTermText(s.fit, p);
    double yLow = s.data.y[0], yHigh = yLow, xLow = s.data.x[0], xHigh = xLow;
    for (std::size_t i = 0; i < s.data.x.size(); ++i) {
      yLow = std::min(yLow, s.data.y[i]), yHigh = std::max(yHigh, s.data.y[i]);
      xLow = std::min(xLow, s.data.x[i]), xHigh = std::max(xHigh, s.data.x[i]);
    }
    grund::PlotList list;
    for (std::size_t i = 0; i < s.data.x.size(); ++i) {
      const double x = s.data.x[i];
      const std::string fx = sinusfit::FittedValueText(term, x, p);
      const double shown = grund::ParseNumber(grund::CommaToPoint(fx)).value;
      EXPECT_LE(std::fabs(shown - fktint::EvaluateTerm(term, x)), 1e-5 * (yHigh - yLow)) << fx;
      sinusfit::AddPlotPair(list, x, s.data.y[i], p);
    }
    for (std::size_t i = 0; i < s.data.x.size(); ++i) {
      const grund::ParsedNumber x = grund::ParseNumber(list.Entries[2 * i]);
      const grund::ParsedNumber y = grund::ParseNumber(list.Entries[2 * i + 1]);
      ASSERT_TRUE(x.ok && y.ok) << list.Entries[2 * i];
      EXPECT_LE(std::fabs(x.value - s.data.x[i]), 1e-4 * (xHigh - xLow));
      EXPECT_LE(std::fabs(y.value - s.data.y[i]), 1e-4 * (yHigh - yLow));
    }
  }
}

TEST(BeyondTheScale, ErrorTextsKeepSixSignificantDigitsAndFourDecimals) {
  TextPrecision p = sinusfit::ChooseTextPrecision(BeyondTheScale()[0].data);
  const struct {
    double error;
    const char* text;
  } cases[] = {
      {173155.61234567, "173155,6123"},  // four decimals at least
      {17.5712345678, "17,5712"},
      {0.0123456789, "0,0123457"},
      {6.6678901234e-15, "0,00000000000000666789"},
      {9.9999996e-3, "0,01"},  // rounds up to the next power of ten
      {0, "0"},
      {10000, "10000"},
      {2.5e-31, "0"},  // beyond 30 decimals
  };
  for (const auto& c : cases) EXPECT_EQ(sinusfit::ErrorText(c.error, p), c.text) << c.error;
  // The listed error reads back to 6 significant digits.
  std::mt19937 engine(3);
  std::uniform_real_distribution<double> mantissa(1, 10);
  for (int e = -20; e <= 12; ++e) {
    const double error = mantissa(engine) * std::pow(10.0, e);
    const double back = grund::ParseNumber(grund::CommaToPoint(sinusfit::ErrorText(error, p))).value;
    EXPECT_LE(std::fabs(back - error), 5e-6 * error) << error;
  }
}

TEST(DecimalsFor, TheFewestThatKeepHalfAUnitWithinTheTolerance) {
  const struct {
    double tolerance;
    int least, decimals;
  } cases[] = {
      {5e-7, 6, 6},  {4.9e-7, 6, 7}, {5e-10, 0, 9}, {1e-3, 6, 6},
      {0, 6, 30},    {-1, 6, 30},    {1e-40, 6, 30}, {HUGE_VAL, 6, 6},
      {std::nan(""), 6, 30},
  };
  for (const auto& c : cases)
    EXPECT_EQ(sinusfit::DecimalsFor(c.tolerance, c.least), c.decimals) << c.tolerance;
}

TEST(ErrorCeiling, IsTheFlatLinesErrorButAtLeast10000) {
  const struct {
    const char* name;
    FitData data;
    double ceiling;
  } cases[] = {
      {"the example pairs", Example(), 10000},
      {"no pairs", {}, 10000},
      {"spread 4 · 100²", {{0, 1, 2, 3}, {100, -100, 100, -100}, {}}, 40000},
      // w = 1, 4: ȳ_w = (1·0 + 4·10) / 5 = 8, so 1·8² + 4·2² = 80
      {"weighted", {{0, 1}, {0, 10}, {1, 0.5}}, 10000},
      {"weighted, large", {{0, 1}, {0, 1000}, {1, 0.5}}, 800000},
      {"beyond a double", {{0, 1}, {1e300, -1e300}, {}}, HUGE_VAL},
  };
  for (const auto& c : cases)
    EXPECT_DOUBLE_EQ(sinusfit::ErrorCeiling(c.data), c.ceiling) << c.name;
}

TEST(ErrorOrder, NumericByErrorThenByText) {
  using sinusfit::RankedEntry;
  const double nan = std::nan("");
  const std::vector<RankedEntry> sorted = {
      {923.4, "923,4\tY = b"}, {923.4, "923,4\tY = c"}, {1178.7, "1178,7\tY = a"},
      {10000, "10000\tY = 0*SIN(0*X+0)+0"}, {nan, "x"},
  };
  for (std::size_t i = 0; i + 1 < sorted.size(); ++i) {
    EXPECT_TRUE(sinusfit::ErrorOrderLess(sorted[i], sorted[i + 1])) << i;
    EXPECT_FALSE(sinusfit::ErrorOrderLess(sorted[i + 1], sorted[i])) << i;
  }
  EXPECT_EQ(sinusfit::ErrorInsertPosition(sorted, {1000, "1000\tY = d"}), 2u);
  EXPECT_EQ(sinusfit::ErrorInsertPosition(sorted, {923.4, "923,4\tY = a"}), 0u);
  EXPECT_EQ(sinusfit::ErrorInsertPosition(sorted, {1e9, "z"}), 4u);
  EXPECT_EQ(sinusfit::ErrorInsertPosition({}, {1, "1"}), 0u);

  const struct {
    std::vector<double> errors;
    std::size_t best;
  } best[] = {
      {{10000, 923.4, 1178.7}, 1}, {{2, 1, 1}, 1}, {{nan, 3, nan, 2}, 3}, {{nan}, 1}, {{}, 0},
  };
  for (const auto& c : best) EXPECT_EQ(sinusfit::BestEntryIndex(c.errors), c.best);
}

TEST(ErrorOrder, OfEqualErrorsTheLowestAliasIsBest) {
  using sinusfit::RankedEntry;
  const double nan = std::nan("");
  const struct {
    const char* name;
    std::vector<RankedEntry> lines;
    std::size_t best;
  } cases[] = {
      {"aliases of one fit",
       {{14.5462, "14,5462\tY = 1,2*SIN(127,76*X+1)+3"}, {14.5462, "14,5462\tY = 1,2*SIN(2,098*X+1)+3"},
        {14.5462, "14,5462\tY = -1,2*SIN(-33,51*X+1)+3"}},
       1},
      {"a smaller error wins whatever its b",
       {{2, "2\tY = 1*SIN(0,5*X+0)+0"}, {1.9999, "1,9999\tY = 1*SIN(90*X+0)+0"}}, 1},
      {"equal b: the first", {{1, "1\tY = 2*SIN(3*X+0)+0"}, {1, "1\tY = 5*SIN(3*X+1)+0"}}, 0},
      {"a term without a readable b loses the tie",
       {{1, "1\tY = ?"}, {1, "1\tY = 1*SIN(1E3*X+0)+0"}}, 1},
      {"no number", {{nan, "x"}}, 1},
  };
  for (const auto& c : cases) EXPECT_EQ(sinusfit::BestEntryIndex(std::span<const RankedEntry>(c.lines)), c.best) << c.name;

  EXPECT_DOUBLE_EQ(sinusfit::ErrorOfEntry("1178,7\tY = 1*SIN(1*X+0)+0"), 1178.7);
  EXPECT_DOUBLE_EQ(sinusfit::ErrorOfEntry("0\tY = 0"), 0);
  EXPECT_TRUE(std::isnan(sinusfit::ErrorOfEntry("Y = 1")));
  EXPECT_TRUE(std::isnan(sinusfit::ErrorOfEntry("INF\tY = 0")));
}

}  // namespace
