// The columns of the result export, and the copied lines and the CSV made
// from them.

#include "sinusfit/resultexport.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace sinusfit {

namespace {

std::string ErrorText(const ExportedResult& r) {
  if (r.hasValues) return FullPrecisionText(r.error);
  // Without the kept values, the error as the line shows it.
  const std::size_t tab = r.entry.find('\t');
  return tab == std::string::npos ? std::string() : r.entry.substr(0, tab);
}

template <double ModelParameters::*member>
std::string ParameterText(const ExportedResult& r) {
  return r.hasValues ? FullPrecisionText(r.parameters.*member) : std::string();
}

std::string FixedText(const ExportedResult& r) {
  if (!r.hasValues) return {};
  switch (EffectiveMode(r.mode)) {
    case FitMode::kFixedA:
      return "a";
    case FitMode::kFixedB:
      return "b";
    case FitMode::kFixedC:
      return "c";
    case FitMode::kFixedD:
      return "d";
    case FitMode::kAllFree:
      break;
  }
  return {};
}

// A statistic in full precision; empty where it is not determined (NaN, the
// held parameter) or not finite, so a spreadsheet sees an empty cell.
std::string StatisticText(const ExportedResult& r, double value) {
  return r.hasStatistics && std::isfinite(value) ? FullPrecisionText(value) : std::string();
}

template <int parameter>
std::string StandardErrorText(const ExportedResult& r) {
  return StatisticText(r, r.statistics.standardError[parameter]);
}

std::string RSquaredText(const ExportedResult& r) {
  return StatisticText(r, r.statistics.rSquared);
}

std::string RmseText(const ExportedResult& r) { return StatisticText(r, r.statistics.rmse); }

std::string PairCountText(const ExportedResult& r) {
  if (!r.hasStatistics) return {};
  char buffer[16];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, r.statistics.n).ptr;
  return std::string(buffer, end);
}

// χ², ν and P of a weighted fit; empty otherwise.
std::string ChiSquaredText(const ExportedResult& r) {
  return r.statistics.weighted ? StatisticText(r, r.statistics.chiSquared) : std::string();
}

std::string DegreesOfFreedomText(const ExportedResult& r) {
  if (!r.hasStatistics || !r.statistics.weighted) return {};
  return std::to_string(r.statistics.degreesOfFreedom);
}

std::string PValueText(const ExportedResult& r) {
  return r.statistics.weighted ? StatisticText(r, r.statistics.pValue) : std::string();
}

std::string FunctionText(const ExportedResult& r) {
  const std::size_t tab = r.entry.find('\t');
  return tab == std::string::npos ? r.entry : r.entry.substr(tab + 1);
}

// The function stays last: it is the one wide text field. Headings are
// Latin-1 like the rest of the file ("\xb2" is "²").
constexpr std::array<ResultColumn, 14> kColumns{{
    {"Summe der Fehlerquadrate", ErrorText, false},
    {"a", ParameterText<&ModelParameters::a>, false},
    {"b", ParameterText<&ModelParameters::b>, false},
    {"c", ParameterText<&ModelParameters::c>, false},
    {"d", ParameterText<&ModelParameters::d>, false},
    {"fest", FixedText, false},
    {"Standardfehler a", StandardErrorText<0>, true},
    {"Standardfehler b", StandardErrorText<1>, true},
    {"Standardfehler c", StandardErrorText<2>, true},
    {"Standardfehler d", StandardErrorText<3>, true},
    {"R\xb2", RSquaredText, true},
    {"RMSE", RmseText, false},
    {"n", PairCountText, false},
    {"Funktion", FunctionText, false},
}};

// The same with the columns of a weighted fit before the function.
constexpr std::array<ResultColumn, 17> kWeightedColumns{{
    kColumns[0],
    kColumns[1],
    kColumns[2],
    kColumns[3],
    kColumns[4],
    kColumns[5],
    kColumns[6],
    kColumns[7],
    kColumns[8],
    kColumns[9],
    kColumns[10],
    kColumns[11],
    kColumns[12],
    {"Chi\xb2", ChiSquaredText, true},
    {"Freiheitsgrade", DegreesOfFreedomText, true},
    {"P", PValueText, true},
    kColumns[13],
}};

std::string CsvField(std::string_view text) {
  if (text.find_first_of(";\"\r\n") == std::string_view::npos) return std::string(text);
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

}  // namespace

std::string FullPrecisionText(double value) {
  if (std::isnan(value)) return "nan";
  char buffer[64];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  if (error != std::errc()) return "nan";  // cannot happen with 64 bytes
  std::string text(buffer, end);
  std::replace(text.begin(), text.end(), '.', ',');
  return text;
}

void AttachStatistics(std::span<ExportedResult> results, const std::vector<double>& x,
                      const std::vector<double>& y) {
  for (ExportedResult& r : results) {
    if (!r.hasValues) continue;
    r.statistics = ComputeFitStatistics(r.mode, r.parameters, x, y);
    r.hasStatistics = true;
  }
}

void AttachStatistics(std::span<ExportedResult> results) {
  for (ExportedResult& r : results) {
    r.hasStatistics = r.hasValues && r.data;
    r.statistics = r.hasStatistics ? ComputeFitStatistics(r.mode, r.parameters, r.data->x,
                                                          r.data->y, r.data->sigma)
                                   : FitStatistics{};
  }
}

std::span<const ResultColumn> ResultColumns() { return kColumns; }

std::span<const ResultColumn> ResultColumns(std::span<const ExportedResult> results) {
  const bool weighted = std::any_of(results.begin(), results.end(), [](const ExportedResult& r) {
    return r.hasStatistics && r.statistics.weighted;
  });
  if (weighted) return kWeightedColumns;
  return kColumns;
}

std::string CopiedResultLines(std::span<const ExportedResult> results) {
  const std::span<const ResultColumn> columns = ResultColumns(results);
  std::string text;
  for (const ExportedResult& r : results) {
    text += r.entry;
    for (const ResultColumn& column : columns)
      if (column.copied) text += '\t' + column.text(r);
    text += '\n';
  }
  return text;
}

std::string ResultsCsv(std::span<const ExportedResult> results) {
  const std::span<const ResultColumn> columns = ResultColumns(results);
  std::string csv;
  const auto addLine = [&](auto field) {
    for (std::size_t i = 0; i < columns.size(); ++i) {
      if (i > 0) csv += ';';
      csv += CsvField(field(columns[i]));
    }
    csv += '\n';
  };
  addLine([](const ResultColumn& c) { return std::string(c.heading); });
  for (const ExportedResult& r : results) addLine([&](const ResultColumn& c) { return c.text(r); });
  return csv;
}

}  // namespace sinusfit
