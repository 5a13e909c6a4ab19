#include "app/resultexport.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace app {

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

std::string FunctionText(const ExportedResult& r) {
  const std::size_t tab = r.entry.find('\t');
  return tab == std::string::npos ? r.entry : r.entry.substr(tab + 1);
}

constexpr std::array<ResultColumn, 7> kColumns{{
    {"Summe der Fehlerquadrate", ErrorText, false},
    {"a", ParameterText<&ModelParameters::a>, false},
    {"b", ParameterText<&ModelParameters::b>, false},
    {"c", ParameterText<&ModelParameters::c>, false},
    {"d", ParameterText<&ModelParameters::d>, false},
    {"fest", FixedText, false},
    {"Funktion", FunctionText, false},
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

std::span<const ResultColumn> ResultColumns() { return kColumns; }

std::string CopiedResultLines(std::span<const ExportedResult> results) {
  std::string text;
  for (const ExportedResult& r : results) {
    text += r.entry;
    for (const ResultColumn& column : ResultColumns())
      if (column.copied) text += '\t' + column.text(r);
    text += '\n';
  }
  return text;
}

std::string ResultsCsv(std::span<const ExportedResult> results) {
  std::string csv;
  const auto addLine = [&](auto field) {
    for (std::size_t i = 0; i < kColumns.size(); ++i) {
      if (i > 0) csv += ';';
      csv += CsvField(field(kColumns[i]));
    }
    csv += '\n';
  };
  addLine([](const ResultColumn& c) { return std::string(c.heading); });
  for (const ExportedResult& r : results) addLine([&](const ResultColumn& c) { return c.text(r); });
  return csv;
}

}  // namespace app
