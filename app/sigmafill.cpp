#include "app/sigmafill.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "_grund/grund.h"
#include "app/celltext.h"

namespace app {

namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

std::string SixDigitsText(double value) {
  if (value == 0) return "0";
  char buffer[64];
  const auto [end, error] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
  if (error != std::errc()) return "0";  // cannot happen with 64 bytes
  std::string text(buffer, end);
  std::replace(text.begin(), text.end(), '.', ',');
  return text;
}

}  // namespace

std::optional<SigmaFill> ParseSigmaFill(std::string_view text) {
  SigmaFill fill;
  text = Trimmed(text);
  if (!text.empty() && text.back() == '%') {
    fill.percent = true;
    text = Trimmed(text.substr(0, text.size() - 1));
  }
  const grund::ParsedNumber number = grund::ParseNumber(grund::CommaToPoint(text));
  if (!number.ok || !std::isfinite(number.value) || number.value <= 0) return std::nullopt;
  fill.value = number.value;
  return fill;
}

std::string SigmaFillText(const SigmaFill& fill, std::string_view yText) {
  if (!fill.percent) return GermanNumberText(fill.value);
  const double y = grund::ParseNumber(grund::CommaToPoint(yText)).value;
  return SixDigitsText(std::fabs(y) * (fill.value / 100));
}

}  // namespace app
