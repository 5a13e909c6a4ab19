#pragma once
// The fill of the Δy column: one value for every pair row, or a percentage
// of each row's |y|.

#include <optional>
#include <string>
#include <string_view>

namespace app {

struct SigmaFill {
  double value = 0;      // > 0 and finite
  bool percent = false;  // value is a percentage of |y|
};

// "0,05", "0.05", "2 %" or "2%" (Latin-1, blanks around allowed): a positive
// finite number, a percentage with "%"; nothing for any other text.
std::optional<SigmaFill> ParseSigmaFill(std::string_view text);

// The Δy text of a row whose y cell holds `yText`, y read as the fit reads
// it: the value itself, or the percentage of |y| to six significant digits,
// with a decimal comma.
std::string SigmaFillText(const SigmaFill& fill, std::string_view yText);

}  // namespace app
