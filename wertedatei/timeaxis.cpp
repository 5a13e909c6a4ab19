#include "wertedatei/timeaxis.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <thread>
#include <vector>

#include "_grund/grund.h"
#include "wertedatei/numberfield.h"

namespace wertedatei {

namespace {

constexpr double kMicrosPerSecond = 1e6;
constexpr double kHour = 3600;

struct Unit {
  const char* name;
  double seconds;
};

// The largest unit in which the span still reaches 10.
Unit UnitFor(double spanSeconds) {
  if (spanSeconds < 600) return {"s", 1};
  if (spanSeconds < 10 * kHour) return {"min", 60};
  if (spanSeconds < 10 * 24 * kHour) return {"h", kHour};
  return {"d", 24 * kHour};
}

constexpr double kTens[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13};
// Cells beyond this many are written in two halves at once.
constexpr std::size_t kTwoHalvesFrom = std::size_t{1} << 17;

// How the values read become seconds: start + (value - origin) · factor.
struct Seconds {
  double start = 0, origin = 0, factor = 1;
};

// The cells of xValues[from, to), as seconds in the unit, with `decimals`
// digits behind the decimal comma (trailing zeros dropped); each value is
// replaced by its cell's. Text and value come from the same integer n: the
// value is n / 10^decimals as the table reads the text.
void WriteCells(std::size_t from, std::size_t to, Seconds seconds, double unitSeconds,
                int decimals, TextColumn& cells, std::vector<double>& xValues) {
  cells.reserve(to - from, (to - from) * 12);
  const double scale = kTens[decimals];
  for (std::size_t i = from; i < to; ++i) {
    const double value = seconds.start + (xValues[i] - seconds.origin) * seconds.factor;
    const double scaled = std::round(value / unitSeconds * scale);
    std::int64_t n = std::fabs(scaled) < 9e15 ? static_cast<std::int64_t>(scaled) : 0;
    int shown = decimals;
    while (shown > 0 && n % 10 == 0) n /= 10, --shown;
    char digits[32];
    const bool negative = n < 0;
    const std::size_t length = static_cast<std::size_t>(
        std::to_chars(digits, digits + sizeof digits, negative ? -n : n).ptr - digits);
    char text[48];
    std::size_t size = 0;
    if (negative) text[size++] = '-';
    const std::size_t whole = length > static_cast<std::size_t>(shown) ? length - shown : 0;
    if (whole == 0) text[size++] = '0';
    for (std::size_t k = 0; k < whole; ++k) text[size++] = digits[k];
    if (shown > 0) {
      text[size++] = ',';
      for (std::size_t k = length; k < static_cast<std::size_t>(shown); ++k) text[size++] = '0';
      for (std::size_t k = whole; k < length; ++k) text[size++] = digits[k];
    }
    cells.push_back(std::string_view(text, size));
    xValues[i] = static_cast<double>(n) / kTens[shown];
  }
}

// All x cells; a long series in two halves on two threads, the same cells.
void SetCells(Seconds seconds, double unitSeconds, int decimals, PairFile& file) {
  decimals = std::clamp(decimals, 0, 13);
  const std::size_t n = file.xValues.size();
  TextColumn cells;
  if (n < kTwoHalvesFrom || !grund::SecondCoreWanted()) {
    WriteCells(0, n, seconds, unitSeconds, decimals, cells, file.xValues);
  } else {
    TextColumn later;
    std::thread worker(WriteCells, n / 2, n, seconds, unitSeconds, decimals, std::ref(later),
                       std::ref(file.xValues));
    WriteCells(0, n / 2, seconds, unitSeconds, decimals, cells, file.xValues);
    worker.join();
    cells.Append(later, later.size());
  }
  file.x = std::move(cells);
}

std::string PairNumber(std::size_t i) { return std::to_string(i + 1); }

// Clocks change on a Sunday night of March, April, October or November.
bool ClockChangeNight(double micros) {
  const CivilTime t = Civil(static_cast<std::int64_t>(micros));
  return t.weekday == 0 && (t.month == 3 || t.month == 4 || t.month == 10 || t.month == 11) &&
         t.hour <= 4;
}

// An hour repeated (the clock set back in autumn) or skipped (in spring) in
// times of a local clock: the steps between readings against the usual one.
std::string ClockChanges(const std::vector<double>& micros) {
  if (micros.size() < 3) return std::string();
  std::vector<double> steps;
  for (std::size_t i = 1; i < micros.size() && steps.size() < 1001; ++i)
    steps.push_back(micros[i] - micros[i - 1]);
  std::nth_element(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2),
                   steps.end());
  const double usual = steps[steps.size() / 2];
  const double hour = kHour * kMicrosPerSecond;
  if (!(usual > 0 && usual <= 6 * hour)) return std::string();
  // Well below half an hour, so that an hour more or less stands out.
  const double slack = std::clamp(usual / 4, kMicrosPerSecond, 600 * kMicrosPerSecond);
  std::string text;
  bool repeated = false, skipped = false;
  for (std::size_t i = 1; i < micros.size(); ++i) {
    const double step = micros[i] - micros[i - 1];
    const bool back = std::fabs(step + hour - usual) <= slack;
    const bool ahead = std::fabs(step - hour - usual) <= slack;
    if ((!back && !ahead) || !ClockChangeNight(micros[i - 1])) continue;  // or a gap
    if (!repeated && back) {
      repeated = true;
      text += "Die Uhrzeit der Datei wiederholt eine Stunde (bei Wertepaar " + PairNumber(i) +
              ", wohl die Umstellung auf Winterzeit). ";
    } else if (!skipped && ahead) {
      skipped = true;
      text += "Die Uhrzeit der Datei \xFC"
              "berspringt eine Stunde (bei Wertepaar " + PairNumber(i) +
              ", wohl die Umstellung auf Sommerzeit). ";
    }
  }
  if (!text.empty()) text += "x folgt der Uhrzeit, wie sie in der Datei steht.";
  return text;
}

// The fewest decimals that write the value exactly (at most 15).
int DecimalsOf(double value) {
  for (int d = 0; d < 15; ++d) {
    const double scaled = value * std::pow(10.0, d);
    if (std::fabs(scaled - std::round(scaled)) <= 1e-6 * std::max(1.0, std::fabs(scaled))) return d;
  }
  return 15;
}

std::string FromPointsInTime(const XReading& reading, PairFile& file) {
  std::vector<double>& micros = file.xValues;
  if (micros.empty()) return std::string();
  const double origin = micros.front();
  const auto [low, high] = std::minmax_element(micros.begin(), micros.end());
  const Unit unit = UnitFor((*high - *low) / kMicrosPerSecond);
  // Fine enough for a second, or for the shortest step where it is shorter.
  double resolution = kMicrosPerSecond;
  for (std::size_t i = 1; i < micros.size(); ++i) {
    const double step = std::fabs(micros[i] - micros[i - 1]);
    if (step > 0 && step < resolution) resolution = step;
  }
  const int decimals = std::clamp(
      static_cast<int>(std::ceil(std::log10(unit.seconds * kMicrosPerSecond / resolution))) + 2, 0,
      12);
  const std::string clock = reading.offsets ? std::string() : ClockChanges(micros);

  file.xTitle = std::string("t in ") + unit.name + " ab " +
                GermanDateTime(static_cast<std::int64_t>(origin)) + (reading.offsets ? " UTC" : "");
  SetCells({0, origin, 1 / kMicrosPerSecond}, unit.seconds, decimals, file);
  return clock;
}

void FromSampleNumbers(const XReading& reading, PairFile& file) {
  const int decimals = std::max(DecimalsOf(reading.start), DecimalsOf(reading.increment));

  file.xTitle = "t in s";
  SetCells({reading.start, 0, reading.increment}, 1, decimals, file);
}

}  // namespace

std::string MakeTimeAxis(const XReading& reading, PairFile& file) {
  file.xIsTime = reading.kind != XReading::Kind::kNumber;
  switch (reading.kind) {
    case XReading::Kind::kDateTime:
      return FromPointsInTime(reading, file);
    case XReading::Kind::kSampleClock:
      FromSampleNumbers(reading, file);
      return std::string();
    case XReading::Kind::kNumber:
      break;
  }
  return std::string();
}

}  // namespace wertedatei
