// The term text, the result entry, the order of the result list, and the
// plot list of a chosen result.

#include "sinusfit/resulttext.h"

#include <algorithm>
#include <cmath>

#include "_grund/grund.h"
#include "fktint/fktint.h"

namespace sinusfit {

std::string BuildTermText(double a, double b, double c, double d) {
  return grund::FormatComma(a, 1, 6) + "*SIN(" + grund::FormatComma(b, 1, 6) + "*X" +
         grund::FormatSigned(c, 1, 6) + ")" + grund::FormatSigned(d, 1, 6);
}

std::string BuildResultEntry(double error, std::string_view term) {
  std::string entry = grund::FormatComma(error, 1, 4);
  entry += "\tY = ";
  entry += term;
  return entry;
}

std::string BuildTermText(const ModelParameters& p, const TextPrecision& precision) {
  return grund::FormatComma(p.a, 1, precision.a) + "*SIN(" +
         grund::FormatComma(p.b, 1, precision.b) + "*X" +
         grund::FormatSigned(p.c, 1, precision.c) + ")" +
         grund::FormatSigned(p.d, 1, precision.d);
}

std::string ErrorText(double error, const TextPrecision& precision) {
  int decimals = precision.error;
  if (precision.errorDigits > 0 && std::isfinite(error) && error != 0) {
    const int magnitude = static_cast<int>(std::floor(std::log10(std::fabs(error))));
    decimals = std::clamp(precision.errorDigits - 1 - magnitude, precision.error, kMostDecimals);
  }
  return grund::FormatComma(error, 1, decimals);
}

std::string BuildResultEntry(double error, std::string_view term, const TextPrecision& precision) {
  std::string entry = ErrorText(error, precision);
  entry += "\tY = ";
  entry += term;
  return entry;
}

std::string_view TermOfEntry(std::string_view entry) {
  constexpr std::string_view kMarker = "Y = ";
  const std::size_t at = entry.find(kMarker);
  if (at == std::string_view::npos) return entry;
  return entry.substr(at + kMarker.size());
}

bool ResultTextLess(std::string_view left, std::string_view right) {
  return std::lexicographical_compare(
      left.begin(), left.end(), right.begin(), right.end(),
      [](char l, char r) { return static_cast<unsigned char>(l) < static_cast<unsigned char>(r); });
}

std::size_t ResultInsertPosition(const std::vector<std::string>& sorted, std::string_view entry) {
  const auto at = std::lower_bound(sorted.begin(), sorted.end(), entry,
                                   [](const std::string& element, std::string_view text) {
                                     return ResultTextLess(element, text);
                                   });
  return static_cast<std::size_t>(at - sorted.begin());
}

// A plain search: it finds the text whatever order the list is in.
bool ResultListContains(const std::vector<std::string>& sorted, std::string_view entry) {
  return std::find(sorted.begin(), sorted.end(), entry) != sorted.end();
}

bool InsertResultEntry(std::vector<std::string>& sorted, std::string_view entry) {
  if (ResultListContains(sorted, entry)) return false;
  const std::size_t at = ResultInsertPosition(sorted, entry);
  sorted.insert(sorted.begin() + static_cast<std::ptrdiff_t>(at), std::string(entry));
  return true;
}

std::string FittedValueText(std::string_view term, double x) {
  return grund::FormatComma(fktint::EvaluateTerm(term, x), 1, 4);
}

std::string FittedValueText(std::string_view term, double x, const TextPrecision& precision) {
  return grund::FormatComma(fktint::EvaluateTerm(term, x), 1, precision.fittedValue);
}

void BeginResultPlotList(grund::PlotList& list, std::string_view term) {
  grund::ClearPlotList(list);
  grund::AddPlotTerm(list, " ");
  grund::AddPlotTerm(list, term);
  grund::AddPlotEntry(list, "#m");
  grund::AddPlotEntry(list, "...");
}

void AddPlotPair(grund::PlotList& list, double x, double y) {
  grund::AddPlotEntry(list, grund::FormatPoint(x, 1, 5));
  grund::AddPlotEntry(list, grund::FormatPoint(y, 1, 5));
}

void AddPlotPair(grund::PlotList& list, double x, double y, const TextPrecision& precision) {
  grund::AddPlotEntry(list, grund::FormatPoint(x, 1, precision.plotX));
  grund::AddPlotEntry(list, grund::FormatPoint(y, 1, precision.plotY));
}

void EndResultPlotList(grund::PlotList& list) { grund::AddPlotEntry(list, "..."); }

// ---------------------------------------------------------------------------

bool ErrorOrderLess(const RankedEntry& left, const RankedEntry& right) {
  const bool leftNumber = !std::isnan(left.error), rightNumber = !std::isnan(right.error);
  if (leftNumber != rightNumber) return leftNumber;
  if (leftNumber && left.error != right.error) return left.error < right.error;
  return ResultTextLess(left.entry, right.entry);
}

std::size_t ErrorInsertPosition(std::span<const RankedEntry> sorted, const RankedEntry& entry) {
  const auto at = std::lower_bound(sorted.begin(), sorted.end(), entry, ErrorOrderLess);
  return static_cast<std::size_t>(at - sorted.begin());
}

std::size_t BestEntryIndex(std::span<const double> errors) {
  std::size_t best = errors.size();
  for (std::size_t i = 0; i < errors.size(); ++i) {
    if (std::isnan(errors[i])) continue;
    if (best == errors.size() || errors[i] < errors[best]) best = i;
  }
  return best;
}

std::size_t BestEntryIndex(std::span<const RankedEntry> lines) {
  std::size_t best = lines.size();
  double bestFrequency = INFINITY;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const double error = lines[i].error;
    if (std::isnan(error)) continue;
    if (best == lines.size() || error < lines[best].error) {
      best = i;
      bestFrequency = FrequencyOfEntry(lines[i].entry);
    } else if (error == lines[best].error) {
      const double frequency = FrequencyOfEntry(lines[i].entry);
      if (frequency < bestFrequency) {
        best = i;
        bestFrequency = frequency;
      }
    }
  }
  return best;
}

double FrequencyOfEntry(std::string_view entry) {
  const std::string_view term = TermOfEntry(entry);
  const std::size_t sine = term.find("*SIN(");
  if (sine == std::string_view::npos) return INFINITY;
  // b stands between the sine and its first product: *X, or *(X-x0)
  // where a term writes its phase about x0.
  const std::size_t times = term.find('*', sine + 5);
  if (times == std::string_view::npos) return INFINITY;
  const grund::ParsedNumber b =
      grund::ParseNumber(grund::CommaToPoint(term.substr(sine + 5, times - sine - 5)));
  return b.ok && !std::isnan(b.value) ? std::fabs(b.value) : INFINITY;
}

double ErrorOfEntry(std::string_view entry) {
  const std::size_t tab = entry.find('\t');
  if (tab == std::string_view::npos || tab == 0) return std::nan("");
  const grund::ParsedNumber number = grund::ParseNumber(grund::CommaToPoint(entry.substr(0, tab)));
  return number.ok ? number.value : std::nan("");
}

}  // namespace sinusfit
