// The texts of the exported result list: full-precision numbers with a
// decimal comma and the CSV (the copied lines are tested with the window).

#include "app/resultexport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

double ReadBack(std::string text) {
  std::replace(text.begin(), text.end(), ',', '.');
  double value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  EXPECT_EQ(result.ptr, text.data() + text.size()) << text;
  return value;
}

TEST(FullPrecisionText, ShortestDigitsWithADecimalComma) {
  struct Case {
    double value;
    const char* text;
  };
  const Case cases[] = {{0.1, "0,1"},        {-2, "-2"},
                        {1.5e-7, "1,5e-07"}, {0, "0"},
                        {1e21, "1e+21"},     {123456.75, "123456,75"},
                        {-0.3125, "-0,3125"}};
  for (const Case& c : cases) EXPECT_EQ(app::FullPrecisionText(c.value), c.text) << c.value;
  EXPECT_EQ(app::FullPrecisionText(std::numeric_limits<double>::infinity()), "inf");
  EXPECT_EQ(app::FullPrecisionText(std::nan("")), "nan");
}

TEST(FullPrecisionText, ReadsBackAsTheSameDouble) {
  const double values[] = {1.0 / 3,
                           2.0 / 3e-9,
                           6.02214076e23,
                           std::numeric_limits<double>::denorm_min(),
                           -std::numeric_limits<double>::max(),
                           0.1 + 0.2};
  for (double v : values) EXPECT_EQ(ReadBack(app::FullPrecisionText(v)), v);
}

app::ExportedResult Result(const char* entry, double error, app::ModelParameters p,
                           app::FitMode mode) {
  return {entry, true, mode, p, error};
}

TEST(ResultsCsv, HeadingThenOneLinePerResult) {
  const std::vector<app::ExportedResult> results = {
      Result("0,0123\tY = 1,5*SIN(2*X+0,5)-1,25", 0.012345678901234, {1.5, 2, 0.5, -1.25},
             app::FitMode::kAllFree),
      Result("0,5\tY = 1*SIN(3*X+0)+0", 0.5, {1, 3, 1.0 / 3, 0}, app::FitMode::kFixedB),
      {"7,25\tY = ;odd", false, {}, {}, 0},  // a line the window kept no values for
  };
  EXPECT_EQ(app::ResultsCsv(results),
            "Summe der Fehlerquadrate;a;b;c;d;fest;Funktion\n"
            "0,012345678901234;1,5;2;0,5;-1,25;;Y = 1,5*SIN(2*X+0,5)-1,25\n"
            "0,5;1;3;0,3333333333333333;0;b;Y = 1*SIN(3*X+0)+0\n"
            "7,25;;;;;;\"Y = ;odd\"\n");
  EXPECT_EQ(app::ResultsCsv({}), "Summe der Fehlerquadrate;a;b;c;d;fest;Funktion\n");
}

}  // namespace
