// A result as a JSON line: the writing of JSON strings and numbers, and the
// members of a result in their order.

#include "sinusfit/resultjson.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <span>

#include "_grund/grund.h"
#include "sinusfit/resulttext.h"

namespace sinusfit {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// ---------------------------------------------------------------------------
// JSON texts

// Whether an ASCII byte must be escaped in a JSON string.
bool NeedsEscape(unsigned char c) { return c < 0x20 || c == '"' || c == '\\' || c == 0x7f; }

// A quote or a backslash after a backslash, a control character as \u00XX.
void AppendEscaped(std::string& out, unsigned char c) {
  if (c == '"' || c == '\\') {
    out += '\\';
    out += static_cast<char>(c);
    return;
  }
  constexpr char kHex[] = "0123456789abcdef";
  out += "\\u00";
  out += kHex[c >> 4];
  out += kHex[c & 15];
}

// A UTF-8 text as a JSON string; a byte that begins no valid sequence
// becomes U+FFFD, so that the line is UTF-8 whatever a file name held.
void AppendUtf8String(std::string& out, std::string_view text) {
  out += '"';
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      if (NeedsEscape(c))
        AppendEscaped(out, c);
      else
        out += static_cast<char>(c);
      ++i;
    } else if (const int length = grund::Utf8SequenceLength(text.substr(i)); length > 0) {
      out.append(text, i, static_cast<std::size_t>(length));
      i += static_cast<std::size_t>(length);
    } else {
      out += "\xef\xbf\xbd";
      ++i;
    }
  }
  out += '"';
}

// A Latin-1 text (the result list's) as a JSON string.
void AppendLatin1String(std::string& out, std::string_view text) {
  out += '"';
  for (char byte : text) {
    const auto c = static_cast<unsigned char>(byte);
    if (c >= 0x80) {
      out += static_cast<char>(0xc0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3f));
    } else if (NeedsEscape(c)) {
      AppendEscaped(out, c);
    } else {
      out += byte;
    }
  }
  out += '"';
}

// The shortest text that reads back as the same double, with a decimal
// point whatever the locale; null for what JSON has no number for.
void AppendNumber(std::string& out, double value) {
  if (!std::isfinite(value)) {
    out += "null";
    return;
  }
  char buffer[32];
  out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

template <class Integer>
void AppendInteger(std::string& out, Integer value) {
  char buffer[24];
  out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

// The name of the next member of the object `out` is inside: a comma before
// it unless the object has just been opened.
void AppendKey(std::string& out, std::string_view key) {
  if (out.back() != '{') out += ',';
  AppendUtf8String(out, key);
  out += ':';
}

// ---------------------------------------------------------------------------
// A result's members

// A value the result kept, and a statistic of it: NaN (null) where not.
double Kept(const ExportedResult& r, double value) { return r.hasValues ? value : kNaN; }
double Statistic(const ExportedResult& r, double value) { return r.hasStatistics ? value : kNaN; }

double At(std::span<const double> values, int k) {
  const auto index = static_cast<std::size_t>(k);
  return k >= 0 && index < values.size() ? values[index] : kNaN;
}

// "key":{"value":…,"uncertainty":…}
void AppendEstimate(std::string& out, std::string_view key, double value, double uncertainty) {
  AppendKey(out, key);
  out += '{';
  AppendKey(out, "value");
  AppendNumber(out, value);
  AppendKey(out, "uncertainty");
  AppendNumber(out, uncertainty);
  out += '}';
}

// The parameters in the model's order: the sine's from its own fields, the
// others' from the model's values and statistics.
void AppendParameters(std::string& out, const Model& model, const ExportedResult& r) {
  const ModelParameters& p = r.parameters;
  const std::array<double, 4> sine{p.a, p.b, p.c, p.d};
  const bool isSine = model.Kind() == ModelKind::kSine;
  const std::span<const double> values = isSine ? std::span<const double>(sine) : r.values;
  const std::span<const double> errors = isSine
                                             ? std::span<const double>(r.statistics.standardError)
                                             : r.modelStatistics.standardError;
  out += '{';
  for (int k = 0; k < model.ParameterCount(); ++k)
    AppendEstimate(out, model.ParameterKey(k), Kept(r, At(values, k)), Statistic(r, At(errors, k)));
  out += '}';
}

void AppendDerived(std::string& out, const Model& model, const ExportedResult& r) {
  out += '{';
  if (model.Kind() == ModelKind::kSine) {
    const DerivedQuantity period = SinePeriod(r);
    AppendEstimate(out, period.key, Kept(r, period.value), Statistic(r, period.uncertainty));
  } else {
    for (const DerivedQuantity& q : r.modelStatistics.derived)
      AppendEstimate(out, q.key, Kept(r, q.value), Statistic(r, q.uncertainty));
  }
  out += '}';
}

}  // namespace

std::string_view ModelKey(ModelKind kind) {
  switch (kind) {
    case ModelKind::kSineWithTrend:
      return "trend";
    case ModelKind::kDampedOscillation:
      return "gedaempft";
    case ModelKind::kSeveralFrequencies:
      return "frequenzen";
    case ModelKind::kHarmonics:
      return "oberschwingungen";
    case ModelKind::kSine:
      break;
  }
  return "sinus";
}

std::string ResultJsonLine(std::string_view file, std::size_t pairs, const ExportedResult& r,
                           const ResultSurroundings& surroundings) {
  // A kind outside the list reads as the sine, as ModelOf takes it.
  const Model& model = ModelOf(r.model, r.values);
  const FitStatistics& s = r.statistics;
  std::string out = "{";
  AppendKey(out, "file");
  AppendUtf8String(out, file);
  AppendKey(out, "pairs");
  AppendInteger(out, pairs);
  AppendKey(out, "x");
  AppendLatin1String(out, surroundings.xTitle);
  AppendKey(out, "y");
  AppendLatin1String(out, surroundings.yTitle);
  AppendKey(out, "model");
  AppendUtf8String(out, ModelKey(model.Kind()));
  AppendKey(out, "error");
  AppendNumber(out, Kept(r, r.error));
  AppendKey(out, "term");
  AppendLatin1String(out, TermOfEntry(r.entry));
  AppendKey(out, "parameters");
  AppendParameters(out, model, r);
  AppendKey(out, "derived");
  AppendDerived(out, model, r);
  AppendKey(out, "r2");
  AppendNumber(out, Statistic(r, s.rSquared));
  AppendKey(out, "rmse");
  AppendNumber(out, Statistic(r, s.rmse));
  if (r.hasStatistics && s.weighted) {
    AppendKey(out, "chi2");
    AppendNumber(out, s.chiSquared);
    AppendKey(out, "dof");
    AppendInteger(out, s.degreesOfFreedom);
    AppendKey(out, "p");
    AppendNumber(out, s.pValue);
  }
  AppendKey(out, "held");
  const std::string_view held = r.hasValues ? HeldParameterName(r.mode) : std::string_view();
  if (held.empty())
    out += "null";
  else
    AppendUtf8String(out, held);
  AppendKey(out, "hints");
  out += '[';
  for (const std::string& hint : surroundings.hints) {
    if (out.back() != '[') out += ',';
    // The label breaks its lines; a line of JSON reads better without.
    std::string line = hint;
    std::replace(line.begin(), line.end(), '\n', ' ');
    AppendUtf8String(out, line);
  }
  out += "]}";
  return out;
}

std::string FailureJsonLine(std::string_view file, std::string_view message) {
  std::string out = "{";
  AppendKey(out, "file");
  AppendUtf8String(out, file);
  AppendKey(out, "message");
  AppendUtf8String(out, message);
  out += '}';
  return out;
}

}  // namespace sinusfit
