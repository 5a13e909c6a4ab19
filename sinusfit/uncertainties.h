#pragma once
// The check of the table's Δy cells before a computation: none given (the
// computation is unweighted), one valid Δy for every pair (weighted), or
// refused, with the rows named in German.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sinusfit {

enum class UncertaintyVerdict { kUnweighted, kWeighted, kRefused };

struct UncertaintyCheck {
  UncertaintyVerdict verdict = UncertaintyVerdict::kUnweighted;
  std::vector<double> sigma;          // kWeighted: one Δy per pair row, in order
  std::vector<std::string> problems;  // kRefused: up to ten lines, UTF-8, e.g. "Zeile 7: Δy fehlt"
  std::size_t furtherProblems = 0;    // kRefused: rows with a problem beyond those ten
};

// At most this many problems are named.
inline constexpr std::size_t kNamedProblems = 10;

// rows[i] is the table row (as the user counts it) of the i-th pair and
// texts[i] its Δy cell (Latin-1, as the table holds it); there are as many
// pairs as both give. Each Δy is read as the table reads numbers
// (CommaToPoint, ParseNumber) and must read whole. Every text empty (or only
// blanks): unweighted. Otherwise each must be a number above 0 whose weight
// 1/Δy² is a finite normal double (Δy from some 1e-154 to 1e154); a row
// that is not is named: "Δy fehlt", "Δy ist keine Zahl", "Δy = 0",
// "Δy ist negativ", "Δy ist zu klein", "Δy ist zu groß".
UncertaintyCheck CheckUncertainties(std::span<const int> rows,
                                    std::span<const std::string_view> texts);

// The refusal as the window's message: "Die Berechnung wurde nicht
// gestartet: …", the named rows one per line and, where there are more,
// "… und N weitere Zeilen".
std::string UncertaintyRefusalText(const UncertaintyCheck& check);

}  // namespace sinusfit
