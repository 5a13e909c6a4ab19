// The texts of the exported result list: full-precision numbers with a
// decimal comma and the CSV (the copied lines are tested with the window).

#include "sinusfit/resultexport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
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
  for (const Case& c : cases) EXPECT_EQ(sinusfit::FullPrecisionText(c.value), c.text) << c.value;
  EXPECT_EQ(sinusfit::FullPrecisionText(std::numeric_limits<double>::infinity()), "inf");
  EXPECT_EQ(sinusfit::FullPrecisionText(std::nan("")), "nan");
}

TEST(FullPrecisionText, ReadsBackAsTheSameDouble) {
  const double values[] = {1.0 / 3,
                           2.0 / 3e-9,
                           6.02214076e23,
                           std::numeric_limits<double>::denorm_min(),
                           -std::numeric_limits<double>::max(),
                           0.1 + 0.2};
  for (double v : values) EXPECT_EQ(ReadBack(sinusfit::FullPrecisionText(v)), v);
}

sinusfit::ExportedResult Result(const char* entry, double error, sinusfit::ModelParameters p,
                                sinusfit::FitMode mode) {
  return {entry, true, mode, p, error};
}

TEST(ResultsCsv, HeadingThenOneLinePerResult) {
  const std::vector<sinusfit::ExportedResult> results = {
      Result("0,0123\tY = 1,5*SIN(2*X+0,5)-1,25", 0.012345678901234, {1.5, 2, 0.5, -1.25},
             sinusfit::FitMode::kAllFree),
      Result("0,5\tY = 1*SIN(3*X+0)+0", 0.5, {1, 3, 1.0 / 3, 0}, sinusfit::FitMode::kFixedB),
      {"7,25\tY = ;odd", false, {}, {}, 0},  // a line the window kept no values for
  };
  const char* heading =
      "Summe der Fehlerquadrate;a;b;c;d;fest;Standardfehler a;Standardfehler b;"
      "Standardfehler c;Standardfehler d;R\xb2;RMSE;n;Funktion\n";
  // Without statistics attached, their seven fields stay empty.
  EXPECT_EQ(sinusfit::ResultsCsv(results),
            std::string(heading) +
                "0,012345678901234;1,5;2;0,5;-1,25;;;;;;;;;Y = 1,5*SIN(2*X+0,5)-1,25\n"
                "0,5;1;3;0,3333333333333333;0;b;;;;;;;;Y = 1*SIN(3*X+0)+0\n"
                "7,25;;;;;;;;;;;;;\"Y = ;odd\"\n");
  EXPECT_EQ(sinusfit::ResultsCsv({}), heading);
}

std::vector<std::string> Split(const std::string& line, char separator) {
  std::vector<std::string> fields(1);
  for (char c : line) {
    if (c == separator)
      fields.emplace_back();
    else if (c != '\n')
      fields.back() += c;
  }
  return fields;
}

// The statistics columns carry ComputeFitStatistics's values in full
// precision, in the CSV and (standard errors and R²) in the copied line, and
// an empty field exactly where a value is not determined.
TEST(ResultsCsv, CarriesTheStatisticsOfTheGivenPairs) {
  const std::vector<double> x = {1.5, 1.1, 0.7, 0.3, -0.1, -0.5, -1, -1.5, 2.8};
  const std::vector<double> y = {1.4, 1.2, 0, -0.2, 0.4, 1, 1.6, 1.2, 0.1};
  const sinusfit::ModelParameters p = {0.82, 1.9, 2.4, 0.7};
  struct Case {
    const char* name;
    sinusfit::FitMode mode;
    std::size_t pairs;
    bool flatY;
    const char* empty;  // the statistics columns expected empty
  };
  const Case cases[] = {
      {"all free", sinusfit::FitMode::kAllFree, 9, false, ""},
      {"b held", sinusfit::FitMode::kFixedB, 9, false, "b"},
      {"d held", sinusfit::FitMode::kFixedD, 9, false, "d"},
      {"as many pairs as parameters", sinusfit::FitMode::kAllFree, 4, false, "abcd"},
      {"all y equal", sinusfit::FitMode::kFixedA, 9, true, "aR"},
      {"no pairs", sinusfit::FitMode::kAllFree, 0, false, "abcdRM"},
  };
  const char* names[] = {"Standardfehler a",
                         "Standardfehler b",
                         "Standardfehler c",
                         "Standardfehler d",
                         "R\xb2",
                         "RMSE"};
  const char keys[] = "abcdRM";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<double> xs(x.begin(), x.begin() + static_cast<long>(c.pairs));
    const std::vector<double> ys =
        c.flatY ? std::vector<double>(c.pairs, 2.5)
                : std::vector<double>(y.begin(), y.begin() + static_cast<long>(c.pairs));
    std::vector<sinusfit::ExportedResult> results = {Result("1,5\tY = f", 1.5, p, c.mode),
                                                     {"2\tY = g", false, {}, {}, 0}};
    sinusfit::AttachStatistics(results, xs, ys);
    const sinusfit::FitStatistics s = sinusfit::ComputeFitStatistics(c.mode, p, xs, ys);
    const double expected[] = {s.standardError[0], s.standardError[1], s.standardError[2],
                               s.standardError[3], s.rSquared,         s.rmse};

    const std::vector<std::string> lines = Split(sinusfit::ResultsCsv(results), '\n');
    ASSERT_EQ(lines.size(), 4u);
    const std::vector<std::string> heading = Split(lines[0], ';');
    const std::vector<std::string> fields = Split(lines[1], ';');
    const std::string copiedText = sinusfit::CopiedResultLines(results);
    const std::size_t lineEnd = copiedText.find('\n');
    const std::vector<std::string> copied = Split(copiedText.substr(0, lineEnd), '\t');
    ASSERT_EQ(copied.size(), 2 + 5u);  // the entry's two fields, then five columns
    for (int k = 0; k < 6; ++k) {
      const auto column = std::find(heading.begin(), heading.end(), names[k]) - heading.begin();
      ASSERT_LT(column, 13) << names[k];
      const std::string& field = fields[static_cast<std::size_t>(column)];
      const bool empty = std::string_view(c.empty).find(keys[k]) != std::string_view::npos;
      EXPECT_EQ(field.empty(), empty) << names[k] << " " << field;
      EXPECT_EQ(std::isfinite(expected[k]), !empty) << names[k];
      if (!empty) {
        EXPECT_EQ(ReadBack(field), expected[k]) << names[k];
      }
      if (k < 5) {
        EXPECT_EQ(copied[static_cast<std::size_t>(k) + 2], field) << names[k];
      }
    }
    EXPECT_EQ(fields[12], std::to_string(c.pairs));
    // A line without kept values gets empty statistics fields.
    EXPECT_EQ(lines[2], "2;;;;;;;;;;;;;Y = g");
    EXPECT_EQ(copiedText.substr(lineEnd + 1), "2\tY = g\t\t\t\t\t\n");
  }
}

}  // namespace

namespace {

// Each result's columns come from its own pairs; a weighted list adds χ², ν
// and P before the function, in the CSV and the copied lines.
TEST(ResultsCsv, EveryColumnBelongsToTheResultsOwnPairs) {
  const std::vector<double> x = {1.5, 1.1, 0.7, 0.3, -0.1, -0.5, -1, -1.5, 2.8};
  const std::vector<double> y = {1.4, 1.2, 0, -0.2, 0.4, 1, 1.6, 1.2, 0.1};
  const sinusfit::ModelParameters p = {0.82, 1.9, 2.4, 0.7};
  const auto nine = std::make_shared<const sinusfit::FitData>(sinusfit::FitData{x, y, {}});
  const auto six = std::make_shared<const sinusfit::FitData>(
      sinusfit::FitData{{x.begin(), x.begin() + 6}, {y.begin(), y.begin() + 6}, {}});
  std::vector<sinusfit::ExportedResult> results = {
      {"1,5\tY = f", true, sinusfit::FitMode::kAllFree, p, 1.5, false, {}, nine},
      {"2\tY = g", true, sinusfit::FitMode::kAllFree, p, 2, false, {}, six},
      {"3\tY = h", true, sinusfit::FitMode::kAllFree, p, 3},  // no pairs kept: no statistics
  };
  sinusfit::AttachStatistics(results);
  EXPECT_EQ(results[0].statistics.n, 9);
  EXPECT_EQ(results[1].statistics.n, 6);
  EXPECT_FALSE(results[2].hasStatistics);
  EXPECT_EQ(results[1].statistics.rmse,
            sinusfit::ComputeFitStatistics(results[1].mode, p, six->x, six->y).rmse);
  // Unweighted: the columns as always.
  EXPECT_EQ(sinusfit::ResultColumns(results).size(), sinusfit::ResultColumns().size());

  const auto weighted = std::make_shared<const sinusfit::FitData>(
      sinusfit::FitData{x, y, std::vector<double>(9, 0.2)});
  results[0].data = weighted;
  results[1].hasValues = false;  // a line the window kept no values for
  sinusfit::AttachStatistics(results);
  const sinusfit::FitStatistics s =
      sinusfit::ComputeFitStatistics(sinusfit::FitMode::kAllFree, p, x, y, weighted->sigma);
  const std::vector<std::string> lines = Split(sinusfit::ResultsCsv(results), '\n');
  EXPECT_EQ(lines[0],
            "Summe der Fehlerquadrate;a;b;c;d;fest;Standardfehler a;Standardfehler b;"
            "Standardfehler c;Standardfehler d;R\xb2;RMSE;n;Chi\xb2;Freiheitsgrade;P;Funktion");
  const std::vector<std::string> fields = Split(lines[1], ';');
  ASSERT_EQ(fields.size(), 17u);
  EXPECT_EQ(ReadBack(fields[13]), s.chiSquared);
  EXPECT_EQ(fields[14], "5");
  EXPECT_EQ(ReadBack(fields[15]), s.pValue);
  EXPECT_EQ(ReadBack(fields[6]), s.standardError[0]);
  EXPECT_EQ(lines[2], "2;;;;;;;;;;;;;;;;Y = g");

  const std::string copied = sinusfit::CopiedResultLines(results);
  const std::vector<std::string> first = Split(copied.substr(0, copied.find('\n')), '\t');
  ASSERT_EQ(first.size(), 2 + 8u);  // the entry, 4 errors, R², χ², ν, P
  EXPECT_EQ(first[7], fields[13]);
  EXPECT_EQ(first[8], "5");
  EXPECT_EQ(first[9], fields[15]);
}

}  // namespace

namespace {

using sinusfit::ExportedResult;
using sinusfit::FitMode;
using sinusfit::ModelKind;

const std::vector<double> kSine = {1.2, 2.1, 0.4, 0.3}, kTrend = {1.2, 2.1, 0.4, 0.3, 0.05},
                          kDamped = {2, 3, 0.5, 0.1, 0.15};

// A line of a model (a sine line without values) on 40 pairs of that model
// plus a little scatter, with Δy where weighted.
ExportedResult ModelResult(ModelKind kind, std::vector<double> p, FitMode mode, bool weighted) {
  ExportedResult r = Result("0,1\tY = f", 0.1, {p[0], p[1], p[2], p[3]}, mode);
  r.model = kind;
  if (kind != ModelKind::kSine) r.values = p, r.origin = {1, 0.5};
  auto data = std::make_shared<sinusfit::FitData>();
  for (int i = 0; i < 40; ++i) {
    data->x.push_back(1 + 0.25 * i);
    data->y.push_back(sinusfit::ModelOf(kind, p).Evaluate(p, data->x.back(), r.origin, {}) +
                      0.03 * std::sin(12.9 * i));
    if (weighted) data->sigma.push_back(0.03);
  }
  r.data = data;
  return r;
}

// The model columns follow the sine's (and χ², ν, P) with each line's own
// statistics, empty where its model has no such value; a sine line's period
// agrees with the sine model's statistics.
TEST(ResultsCsv, ModelColumnsCarryEachModelsOwnValues) {
  std::vector<ExportedResult> results = {
      ModelResult(ModelKind::kDampedOscillation, kDamped, FitMode::kAllFree, false),
      ModelResult(ModelKind::kSineWithTrend, kTrend, FitMode::kFixedD, true),
      ModelResult(ModelKind::kSine, kSine, FitMode::kFixedB, false)};
  results[0].parameters = {};  // a–d come from the model's values
  sinusfit::AttachStatistics(results);
  const std::vector<std::string> lines = Split(sinusfit::ResultsCsv(results), '\n');
  const std::vector<std::string> heading = Split(lines[0], ';');
  EXPECT_EQ(lines[0].substr(lines[0].find(";n;")),
            ";n;Chi\xb2;Freiheitsgrade;P;Modell;e;Standardfehler e;delta;Standardfehler delta;"
            "Periode;Standardfehler Periode;tau;Standardfehler tau;Halbwertszeit;Standardfehler "
            "Halbwertszeit;Lambda;Standardfehler Lambda;Q;Standardfehler Q;omega0;Standardfehler "
            "omega0;Funktion");
  const std::map<std::string, std::string> headingOf = {
      {"period", "Periode"},       {"tau", "tau"}, {"half_life", "Halbwertszeit"},
      {"log_decrement", "Lambda"}, {"q", "Q"},     {"omega0", "omega0"}};
  const int held[] = {-1, 3, 1};
  const char* models[] = {"ged\xe4mpfte Schwingung", "Sinus mit Trend", "Sinus"};
  for (std::size_t i = 0; i < results.size(); ++i) {
    SCOPED_TRACE(models[i]);
    const ExportedResult& r = results[i];
    const sinusfit::Model& model = sinusfit::ModelOf(r.model);
    const std::vector<double> p = r.values.empty() ? kSine : r.values;
    const sinusfit::ModelStatistics s = sinusfit::ComputeModelStatistics(
        model, p, r.origin, held[i], r.data->x, r.data->y, r.data->sigma);
    // Heading → value and standard error (NaN: empty); the other model
    // columns stay empty.
    std::map<std::string, std::pair<double, double>> want = {
        {"a", {p[0], s.standardError[0]}},
        {"d", {p[3], s.standardError[3]}},
        {"Chi\xb2", {s.summary.chiSquared, 0}}};
    for (int k = 4; k < model.ParameterCount(); ++k)
      want[std::string(model.ParameterKey(k))] = {p[4], s.standardError[4]};
    for (const sinusfit::DerivedQuantity& q : s.derived)
      want[headingOf.at(q.key)] = {q.value, q.uncertainty};
    const std::vector<std::string> fields = Split(lines[i + 1], ';');
    EXPECT_EQ(fields[16], models[i]);
    for (std::size_t c = 0; c + 1 < heading.size(); ++c) {
      const bool error = heading[c].starts_with("Standardfehler ");
      const auto found = want.find(error ? heading[c].substr(15) : heading[c]);
      const double value = found == want.end() ? std::nan("")
                           : error             ? found->second.second
                                               : found->second.first;
      if (std::isnan(value)) {
        EXPECT_TRUE((c <= 16 && found == want.end()) || fields[c].empty()) << heading[c];
      } else {
        ASSERT_NE(fields[c], "") << heading[c];
        EXPECT_NEAR(ReadBack(fields[c]), value, 1e-9 * std::fabs(value)) << heading[c];
      }
    }
  }
  // Copied: errors, R², χ², ν, P, e, δ and the derived ones; not the model.
  const std::string copied = sinusfit::CopiedResultLines(results);
  EXPECT_EQ(Split(copied.substr(0, copied.find('\n')), '\t').size(), 2 + 8 + 16u);
}

// A sum of sines adds a, b, c and the period of its further sines, as
// many as the longest sum has; its first sine's period is the "Periode".
TEST(ResultsCsv, SumsOfSinesGiveEveryFrequency) {
  const std::vector<double> three = {1.2, 2.1, 0.4, 0.3, 0.5, 3.3, 1.0, 0.25, 0.9, 2.0};
  std::vector<ExportedResult> results = {
      ModelResult(ModelKind::kSeveralFrequencies, three, FitMode::kAllFree, false),
      ModelResult(ModelKind::kSeveralFrequencies, {1.2, 2.1, 0.4, 0.3, 0.5, 3.3, 1.0},
                  FitMode::kAllFree, false)};
  sinusfit::AttachStatistics(results);
  const std::vector<std::string> lines = Split(sinusfit::ResultsCsv(results), '\n');
  const std::string sines = lines[0].substr(lines[0].find(";a2;"));
  EXPECT_EQ(sines,
            ";a2;Standardfehler a2;b2;Standardfehler b2;c2;Standardfehler c2;Periode2;"
            "Standardfehler Periode2;a3;Standardfehler a3;b3;Standardfehler b3;c3;Standardfehler "
            "c3;Periode3;Standardfehler Periode3;Funktion");
  const std::vector<std::string> heading = Split(lines[0], ';');
  const std::map<std::string, double> want = {{"b", 2.1},        {"a2", 0.5},
                                              {"b3", 0.9},       {"c3", 2.0},
                                              {"Periode", 2 * M_PI / 2.1},
                                              {"Periode2", 2 * M_PI / 3.3}};
  for (std::size_t row = 1; row <= 2; ++row) {
    const std::vector<std::string> fields = Split(lines[row], ';');
    for (std::size_t c = 0; c < heading.size(); ++c) {
      if (heading[c] == "Modell") {
        EXPECT_EQ(fields[c], "mehrere Frequenzen");
      }
      const auto found = want.find(heading[c]);
      if (found == want.end()) continue;
      if (row == 2 && heading[c].ends_with('3')) {
        EXPECT_EQ(fields[c], "") << heading[c];  // the shorter sum has no third sine
        continue;
      }
      EXPECT_NEAR(ReadBack(fields[c]), found->second, 1e-9) << heading[c];
    }
  }
}

// Sine lines alone, or a model's line without values, keep the columns.
TEST(ResultsCsv, SineLinesKeepTheirColumns) {
  std::vector<ExportedResult> results = {
      ModelResult(ModelKind::kSine, kSine, FitMode::kAllFree, false),
      ModelResult(ModelKind::kDampedOscillation, kDamped, FitMode::kAllFree, false)};
  results[1].hasValues = false;
  EXPECT_EQ(sinusfit::ResultColumns(results).data(), sinusfit::ResultColumns().data());
}

}  // namespace
