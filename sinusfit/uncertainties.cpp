// The check of the table's Δy cells.

#include "sinusfit/uncertainties.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "_grund/grund.h"

namespace sinusfit {

namespace {

bool Blank(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c == ' '; });
}

// What is wrong with a Δy text, or nothing; the value read goes to sigma.
std::optional<std::string_view> ProblemOf(std::string_view text, double& sigma) {
  if (Blank(text)) return "Δy fehlt";
  const grund::ParsedNumber number = grund::ParseNumber(grund::CommaToPoint(text));
  if (!number.ok || !std::isfinite(number.value)) return "Δy ist keine Zahl";
  if (number.value == 0) return "Δy = 0";
  if (number.value < 0) return "Δy ist negativ";
  const double weight = 1 / (number.value * number.value);
  if (!std::isfinite(weight)) return "Δy ist zu klein";
  if (weight < std::numeric_limits<double>::min()) return "Δy ist zu groß";
  sigma = number.value;
  return std::nullopt;
}

}  // namespace

UncertaintyCheck CheckUncertainties(std::span<const int> rows,
                                    std::span<const std::string_view> texts) {
  const std::size_t n = std::min(rows.size(), texts.size());
  UncertaintyCheck check;
  if (std::all_of(texts.begin(), texts.begin() + static_cast<std::ptrdiff_t>(n), Blank))
    return check;
  check.sigma.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    const std::optional<std::string_view> problem = ProblemOf(texts[i], check.sigma[i]);
    if (!problem) continue;
    if (check.problems.size() < kNamedProblems) {
      check.problems.push_back("Zeile " + std::to_string(rows[i]) + ": " + std::string(*problem));
    } else {
      ++check.furtherProblems;
    }
  }
  if (check.problems.empty()) {
    check.verdict = UncertaintyVerdict::kWeighted;
  } else {
    check.verdict = UncertaintyVerdict::kRefused;
    check.sigma.clear();
  }
  return check;
}

std::string UncertaintyRefusalText(const UncertaintyCheck& check) {
  std::string text = "Die Berechnung wurde nicht gestartet: nicht jede Zeile hat ein gültiges Δy.";
  for (const std::string& problem : check.problems) text += "\n" + problem;
  if (check.furtherProblems == 1) text += "\n… und 1 weitere Zeile";
  if (check.furtherProblems > 1)
    text += "\n… und " + std::to_string(check.furtherProblems) + " weitere Zeilen";
  return text;
}

}  // namespace sinusfit
