#include "wertedatei/missing.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>

#include "wertedatei/numberfield.h"

namespace wertedatei {

namespace {

constexpr double kMarkers[] = {-1,     -9.99,   -99.9,  -99.99, -999,  -999.9,
                               -888.88, -8888,  -9999,  -99999};

std::string Count(std::size_t n) { return std::to_string(n); }

std::string GermanNumber(double value) {
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  std::string text(buffer, end);
  std::replace(text.begin(), text.end(), '.', ',');
  return text;
}

bool IsMarker(double value, const std::vector<double>& markers) {
  return std::find(markers.begin(), markers.end(), value) != markers.end();
}

}  // namespace

bool IsMissingText(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (text.size() > 4) return false;
  std::string lower(text);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  for (const char* missing : {"", "nan", "-nan", "na", "n/a", "#n/a", "null", "-", "--", "---"})
    if (lower == missing) return true;
  return false;
}

std::vector<double> MissingMarkers(const std::vector<double>& values) {
  // A marker must lie below every other value, so it is among the column's
  // smallest distinct values: one pass keeps them (one comparison for
  // almost every value).
  // Most columns never reach -1, the largest marker: one quick pass says so.
  double least = 0;
  for (const double value : values) least = value < least ? value : least;
  if (least > -1) return {};
  constexpr std::size_t kKept = std::size(kMarkers) + 1;
  double smallest[kKept];
  std::size_t kept = 0;
  for (const double value : values) {
    if ((kept == kKept && !(value < smallest[kKept - 1])) || std::isnan(value)) continue;
    double* const end = smallest + kept;
    double* const at = std::lower_bound(smallest, end, value);
    if (at != end && *at == value) continue;
    if (kept < kKept) ++kept;  // else the largest kept drops out
    std::copy_backward(at, smallest + kept - 1, smallest + kept);
    *at = value;
  }
  std::vector<double> present;
  for (const double marker : kMarkers)
    if (std::find(smallest, smallest + kept, marker) != smallest + kept) present.push_back(marker);
  if (present.empty()) return present;
  double low = INFINITY, high = -INFINITY;
  std::vector<double> distinct;
  bool fractions = false;
  for (const double value : values) {
    if (IsMarker(value, present)) continue;
    fractions |= value != std::floor(value);
    low = std::min(low, value);
    high = std::max(high, value);
    if (distinct.size() < 3 && std::find(distinct.begin(), distinct.end(), value) == distinct.end())
      distinct.push_back(value);
  }
  if (distinct.size() < 3) return {};  // too few other values to judge against
  std::vector<double> markers;
  for (const double marker : present) {
    if (!(marker < low)) continue;
    // Far below the others, or below a column that is never negative (a
    // spread, a concentration). -1 only below measured fractions: among
    // whole numbers it may be a reading (-1 °C).
    const bool farBelow = low - marker > high - low && marker != -1;
    const bool belowPositive = low >= 0 && (marker != -1 || fractions);
    if (farBelow || belowPositive) markers.push_back(marker);
  }
  return markers;
}

std::string LeaveOutMarkedPairs(PairFile& file, bool xAsNumber) {
  const std::size_t n = std::min(file.x.size(), file.y.size());
  std::vector<double> sigmaValues;
  if (!file.sigmaY.empty()) {
    sigmaValues.reserve(n);
    for (std::size_t i = 0; i < n && i < file.sigmaY.size(); ++i) {
      const grund::ParsedNumber parsed = CellValue(file.sigmaY[i]);
      sigmaValues.push_back(parsed.ok ? parsed.value : 0.0);
    }
  }
  const std::vector<double> xMarkers = xAsNumber ? MissingMarkers(file.xValues) : std::vector<double>();
  const std::vector<double> yMarkers = MissingMarkers(file.yValues);
  const std::vector<double> sigmaMarkers = MissingMarkers(sigmaValues);
  if (xMarkers.empty() && yMarkers.empty() && sigmaMarkers.empty()) return std::string();

  PairFile kept;
  std::vector<double> used;
  std::size_t left = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double marks[] = {IsMarker(file.xValues[i], xMarkers) ? file.xValues[i] : NAN,
                            IsMarker(file.yValues[i], yMarkers) ? file.yValues[i] : NAN,
                            i < sigmaValues.size() && IsMarker(sigmaValues[i], sigmaMarkers)
                                ? sigmaValues[i]
                                : NAN};
    bool marked = false;
    for (const double mark : marks) {
      if (std::isnan(mark)) continue;
      marked = true;
      if (std::find(used.begin(), used.end(), mark) == used.end()) used.push_back(mark);
    }
    if (marked) {
      ++left;
      continue;
    }
    kept.x.push_back(file.x[i]);
    kept.y.push_back(file.y[i]);
    kept.xValues.push_back(file.xValues[i]);
    kept.yValues.push_back(file.yValues[i]);
    if (!file.sigmaY.empty()) kept.sigmaY.push_back(file.sigmaY[i]);
  }
  file.x = std::move(kept.x);
  file.y = std::move(kept.y);
  file.xValues = std::move(kept.xValues);
  file.yValues = std::move(kept.yValues);
  file.sigmaY = std::move(kept.sigmaY);
  file.missingLeftOut += left;
  std::string values;
  std::sort(used.begin(), used.end());
  for (std::size_t k = 0; k < used.size(); ++k) {
    if (k > 0) values += k + 1 == used.size() ? " oder " : ", ";
    values += GermanNumber(used[k]);
  }
  return left == 1 ? "1 Wertepaar mit dem Wert " + values +
                         " (in der Datei f\xFCr einen fehlenden Wert) wurde ausgelassen."
                   : Count(left) + " Wertepaare mit dem Wert " + values +
                         " (in der Datei f\xFCr einen fehlenden Wert) wurden ausgelassen.";
}

std::string MissingTextsMessage(std::size_t pairs) {
  return pairs == 1 ? "1 Wertepaar ohne Wert (leere Zelle, NaN oder NA) wurde ausgelassen."
                    : Count(pairs) + " Wertepaare ohne Wert (leere Zelle, NaN oder NA) wurden "
                                     "ausgelassen.";
}

}  // namespace wertedatei
