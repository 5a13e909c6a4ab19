// The columns of the result export, and the copied lines and the CSV made
// from them.

#include "sinusfit/resultexport.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <utility>

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
  return r.hasValues ? std::string(HeldParameterName(r.mode)) : std::string();
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

bool IsModelResult(const ExportedResult& r) { return r.hasValues && r.model != ModelKind::kSine; }

// The columns of the further models, before the function, only where a
// line of one is exported (a sine-only list keeps its columns): the model,
// its own parameters and the derived quantities.
std::string ModelText(const ExportedResult& r) {
  if (!r.hasValues) return {};
  // The file is Latin-1; the titles are UTF-8 with at most "ä" and the like.
  const std::string_view title = ModelOf(r.model).Title();
  std::string text;
  for (std::size_t i = 0; i < title.size(); ++i) {
    const auto c = static_cast<unsigned char>(title[i]);
    if (c < 0x80) {
      text += static_cast<char>(c);
    } else if ((c == 0xc2 || c == 0xc3) && i + 1 < title.size()) {
      text +=
          static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(title[++i]) & 0x3f));
    }
  }
  return text;
}

// A keyed value and its standard error: two columns.
struct KeyedColumn {
  std::string_view key;
  std::string_view heading;
  std::string_view errorHeading;
};

constexpr std::array<KeyedColumn, 2> kParameterColumns{{
    {"e", "e", "Standardfehler e"},
    {"delta", "delta", "Standardfehler delta"},
}};

constexpr std::array<KeyedColumn, 6> kDerivedColumns{{
    {"period", "Periode", "Standardfehler Periode"},
    {"tau", "tau", "Standardfehler tau"},
    {"half_life", "Halbwertszeit", "Standardfehler Halbwertszeit"},
    {"log_decrement", "Lambda", "Standardfehler Lambda"},
    {"q", "Q", "Standardfehler Q"},
    {"omega0", "omega0", "Standardfehler omega0"},
}};

// The further sines of a sum: a, b, c and the period of sine 2 to 10.
constexpr std::array<KeyedColumn, 27> kSineColumns{{
    {"a2", "a2", "Standardfehler a2"},
    {"b2", "b2", "Standardfehler b2"},
    {"c2", "c2", "Standardfehler c2"},
    {"a3", "a3", "Standardfehler a3"},
    {"b3", "b3", "Standardfehler b3"},
    {"c3", "c3", "Standardfehler c3"},
    {"a4", "a4", "Standardfehler a4"},
    {"b4", "b4", "Standardfehler b4"},
    {"c4", "c4", "Standardfehler c4"},
    {"a5", "a5", "Standardfehler a5"},
    {"b5", "b5", "Standardfehler b5"},
    {"c5", "c5", "Standardfehler c5"},
    {"a6", "a6", "Standardfehler a6"},
    {"b6", "b6", "Standardfehler b6"},
    {"c6", "c6", "Standardfehler c6"},
    {"a7", "a7", "Standardfehler a7"},
    {"b7", "b7", "Standardfehler b7"},
    {"c7", "c7", "Standardfehler c7"},
    {"a8", "a8", "Standardfehler a8"},
    {"b8", "b8", "Standardfehler b8"},
    {"c8", "c8", "Standardfehler c8"},
    {"a9", "a9", "Standardfehler a9"},
    {"b9", "b9", "Standardfehler b9"},
    {"c9", "c9", "Standardfehler c9"},
    {"a10", "a10", "Standardfehler a10"},
    {"b10", "b10", "Standardfehler b10"},
    {"c10", "c10", "Standardfehler c10"},
}};
constexpr std::array<KeyedColumn, 9> kSinePeriodColumns{{
    {"period2", "Periode2", "Standardfehler Periode2"},
    {"period3", "Periode3", "Standardfehler Periode3"},
    {"period4", "Periode4", "Standardfehler Periode4"},
    {"period5", "Periode5", "Standardfehler Periode5"},
    {"period6", "Periode6", "Standardfehler Periode6"},
    {"period7", "Periode7", "Standardfehler Periode7"},
    {"period8", "Periode8", "Standardfehler Periode8"},
    {"period9", "Periode9", "Standardfehler Periode9"},
    {"period10", "Periode10", "Standardfehler Periode10"},
}};

// The model's own parameter with this key, or its standard error; empty for
// a model without it.
template <const auto& table>
struct KeyedParameterField {
  static constexpr const auto& kTable = table;
  template <std::size_t column, bool error>
  static std::string Text(const ExportedResult& r) {
    if (!r.hasValues) return {};
    const Model& model = ModelOf(r.model, r.values);
    for (int k = 4; k < model.ParameterCount(); ++k) {
      if (model.ParameterKey(k) != kTable[column].key) continue;
      const auto index = static_cast<std::size_t>(k);
      const std::vector<double>& source = error ? r.modelStatistics.standardError : r.values;
      if (index >= source.size()) return {};
      return error ? StatisticText(r, source[index]) : FullPrecisionText(source[index]);
    }
    return {};
  }
};

using ParameterField = KeyedParameterField<kParameterColumns>;
using SineField = KeyedParameterField<kSineColumns>;

// A derived quantity, which comes with the statistics. A sine line gets its
// period from its own, so that every line of a mixed list shows one; with b
// held it is exact there, as the models' covariance makes it.
template <const auto& table>
struct KeyedDerivedField {
  static constexpr const auto& kTable = table;
  template <std::size_t column, bool error>
  static std::string Text(const ExportedResult& r) {
    if (!r.hasStatistics) return {};
    if (r.model == ModelKind::kSine) {
      if (kTable[column].key != "period") return {};
      const DerivedQuantity period = SinePeriod(r);
      return error ? StatisticText(r, period.uncertainty) : FullPrecisionText(period.value);
    }
    for (const DerivedQuantity& q : r.modelStatistics.derived) {
      if (q.key == kTable[column].key)
        return error ? StatisticText(r, q.uncertainty) : FullPrecisionText(q.value);
    }
    return {};
  }
};

using DerivedField = KeyedDerivedField<kDerivedColumns>;
using SinePeriodField = KeyedDerivedField<kSinePeriodColumns>;

// Value and error column of every entry of Field's table, all copied.
template <class Field, std::size_t... i>
constexpr std::array<ResultColumn, sizeof...(i)> KeyedColumns(std::index_sequence<i...>) {
  return {
      {ResultColumn{i % 2 == 0 ? Field::kTable[i / 2].heading : Field::kTable[i / 2].errorHeading,
                    Field::template Text<i / 2, i % 2 == 1>, true}...}};
}

template <class Field>
constexpr auto kKeyedColumns =
    KeyedColumns<Field>(std::make_index_sequence<2 * Field::kTable.size()>());

// The columns before the function with the model columns after them, and
// those of sine 2 to `sines` of a sum (a, b, c and the period of each).
std::vector<ResultColumn> WithModelColumns(std::span<const ResultColumn> columns, int sines = 1) {
  std::vector<ResultColumn> extended(columns.begin(), columns.end() - 1);
  extended.push_back({"Modell", ModelText, false});
  for (const auto& keyed : {std::span<const ResultColumn>(kKeyedColumns<ParameterField>),
                            std::span<const ResultColumn>(kKeyedColumns<DerivedField>)})
    extended.insert(extended.end(), keyed.begin(), keyed.end());
  const auto& parameters = kKeyedColumns<SineField>;
  const auto& periods = kKeyedColumns<SinePeriodField>;
  for (std::size_t k = 0; k + 2 <= static_cast<std::size_t>(sines); ++k) {
    extended.insert(extended.end(), parameters.begin() + 6 * k, parameters.begin() + 6 * (k + 1));
    extended.insert(extended.end(), periods.begin() + 2 * k, periods.begin() + 2 * (k + 1));
  }
  extended.push_back(columns.back());
  return extended;
}

// The most sines of a sum among the results (1 without a sum).
int MostSines(std::span<const ExportedResult> results) {
  int most = 1;
  for (const ExportedResult& r : results)
    if (r.hasValues && IsSumOfSines(r.model))
      most = std::max(most, ModelOf(r.model, r.values).FrequencyCount());
  return most;
}

// The fields of one CSV line, field(column) each, and its line end.
template <class Field>
std::string CsvLine(std::span<const ResultColumn> columns, Field field) {
  std::string line;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) line += ';';
    line += CsvField(field(columns[i]));
  }
  line += '\n';
  return line;
}

}  // namespace

std::string CsvField(std::string_view text) {
  if (text.find_first_of(";\"\r\n") == std::string_view::npos) return std::string(text);
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

std::string_view HeldParameterName(FitMode mode) {
  switch (EffectiveMode(mode)) {
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

DerivedQuantity SinePeriod(const ExportedResult& r) {
  constexpr double kTwoPi = 2 * 3.14159265358979323846;
  const double b = r.parameters.b;
  // A held b has no spread, whatever its standard error (NaN) says.
  const bool held = EffectiveMode(r.mode) == FitMode::kFixedB;
  return {"Periode 2π/|b|", "period", kTwoPi / std::fabs(b),
          kTwoPi / (b * b) * (held ? 0 : r.statistics.standardError[1])};
}

std::string FullPrecisionText(double value) {
  if (std::isnan(value)) return "nan";
  char buffer[64];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  if (error != std::errc()) return "nan";  // cannot happen with 64 bytes
  std::string text(buffer, end);
  std::replace(text.begin(), text.end(), '.', ',');
  return text;
}

namespace {

// The statistics of a further model, and the sine's fields of them so that
// the columns up to χ² read the same for every line.
void AttachModelStatistics(ExportedResult& r, const std::vector<double>& x,
                           const std::vector<double>& y, const std::vector<double>& sigma) {
  const FitMode mode = EffectiveMode(r.mode);
  const int held =
      mode == FitMode::kAllFree ? -1 : static_cast<int>(mode) - static_cast<int>(FitMode::kFixedA);
  r.modelStatistics =
      ComputeModelStatistics(ModelOf(r.model, r.values), r.values, r.origin, held, x, y, sigma);
  r.statistics = r.modelStatistics.summary;
  const std::vector<double>& errors = r.modelStatistics.standardError;
  for (std::size_t k = 0; k < 4 && k < errors.size(); ++k)
    r.statistics.standardError[k] = errors[k];
  r.hasStatistics = true;
}

// A further model's a, b, c, d where the sine's columns read them.
void SetSineParameters(ExportedResult& r) {
  if (r.values.size() >= 4) r.parameters = {r.values[0], r.values[1], r.values[2], r.values[3]};
}

}  // namespace

void AttachStatistics(std::span<ExportedResult> results, const std::vector<double>& x,
                      const std::vector<double>& y) {
  for (ExportedResult& r : results) {
    if (!r.hasValues) continue;
    if (IsModelResult(r)) {
      SetSineParameters(r);
      AttachModelStatistics(r, x, y, {});
      continue;
    }
    r.statistics = ComputeFitStatistics(r.mode, r.parameters, x, y);
    r.hasStatistics = true;
  }
}

void AttachStatistics(std::span<ExportedResult> results) {
  for (ExportedResult& r : results) {
    r.hasStatistics = r.hasValues && r.data;
    r.modelStatistics = {};
    if (IsModelResult(r)) SetSineParameters(r);
    if (IsModelResult(r) && r.data) {
      AttachModelStatistics(r, r.data->x, r.data->y, r.data->sigma);
      continue;
    }
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
  const bool models = std::any_of(results.begin(), results.end(), IsModelResult);
  if (models) {
    // For every count of sines, unweighted and weighted: made once.
    static const auto modelColumns = [] {
      std::array<std::array<std::vector<ResultColumn>, kMaxFrequencies>, 2> all;
      for (int sines = 1; sines <= kMaxFrequencies; ++sines) {
        all[0][static_cast<std::size_t>(sines - 1)] = WithModelColumns(kColumns, sines);
        all[1][static_cast<std::size_t>(sines - 1)] = WithModelColumns(kWeightedColumns, sines);
      }
      return all;
    }();
    return modelColumns[weighted ? 1 : 0][static_cast<std::size_t>(MostSines(results) - 1)];
  }
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

std::string ResultCsvHeading(std::span<const ResultColumn> columns) {
  return CsvLine(columns, [](const ResultColumn& c) { return c.heading; });
}

std::string ResultCsvLine(std::span<const ResultColumn> columns, const ExportedResult& result) {
  return CsvLine(columns, [&](const ResultColumn& c) { return c.text(result); });
}

std::string ResultsCsv(std::span<const ExportedResult> results) {
  const std::span<const ResultColumn> columns = ResultColumns(results);
  std::string csv = ResultCsvHeading(columns);
  for (const ExportedResult& r : results) csv += ResultCsvLine(columns, r);
  return csv;
}

}  // namespace sinusfit
