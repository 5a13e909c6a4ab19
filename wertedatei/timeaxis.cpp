#include "wertedatei/timeaxis.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <vector>

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

// A number with `decimals` digits behind the decimal comma, trailing zeros dropped.
std::string Fixed(double value, int decimals) {
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  std::string text(buffer, result.ec == std::errc() ? result.ptr : buffer);
  if (text.find('.') != std::string::npos) {
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    std::replace(text.begin(), text.end(), '.', ',');
  }
  if (text == "-0") text = "0";
  return text;
}

// The x cells of values given in seconds since the origin.
void SetCells(const std::vector<double>& values, double unitSeconds, int decimals, PairFile& file) {
  TextColumn cells;
  cells.reserve(values.size(), values.size() * 12);
  for (std::size_t i = 0; i < values.size(); ++i) {
    const std::string text = Fixed(values[i] / unitSeconds, decimals);
    cells.push_back(text);
    file.xValues[i] = CellValue(text).value;
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
    if (!ClockChangeNight(micros[i - 1])) continue;  // a gap in the readings
    if (!repeated && std::fabs(step + hour - usual) <= slack) {
      repeated = true;
      text += "Die Uhrzeit der Datei wiederholt eine Stunde (bei Wertepaar " + PairNumber(i) +
              ", wohl die Umstellung auf Winterzeit). ";
    } else if (!skipped && std::fabs(step - hour - usual) <= slack) {
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
  std::vector<double> seconds(micros.size());
  for (std::size_t i = 0; i < micros.size(); ++i)
    seconds[i] = (micros[i] - origin) / kMicrosPerSecond;
  file.xTitle = std::string("t in ") + unit.name + " ab " +
                GermanDateTime(static_cast<std::int64_t>(origin)) + (reading.offsets ? " UTC" : "");
  SetCells(seconds, unit.seconds, decimals, file);
  return clock;
}

void FromSampleNumbers(const XReading& reading, PairFile& file) {
  const int decimals = std::max(DecimalsOf(reading.start), DecimalsOf(reading.increment));
  std::vector<double> seconds(file.xValues.size());
  for (std::size_t i = 0; i < seconds.size(); ++i)
    seconds[i] = reading.start + file.xValues[i] * reading.increment;
  file.xTitle = "t in s";
  SetCells(seconds, 1, decimals, file);
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
