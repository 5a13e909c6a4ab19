#include "app/fitinput.h"

#include <string_view>
#include <vector>

namespace app {

FitInput ReadFitInput(const TablePairs& pairs) {
  FitInput input;
  input.data.x = pairs.x;
  input.data.y = pairs.y;
  if (pairs.sigmaY.empty()) return input;
  std::vector<std::string_view> texts;
  texts.reserve(pairs.sigmaY.size());
  for (std::size_t i = 0; i < pairs.sigmaY.size(); ++i) texts.push_back(pairs.sigmaY[i]);
  input.check = sinusfit::CheckUncertainties(pairs.rows, texts);
  if (input.check.verdict == sinusfit::UncertaintyVerdict::kWeighted)
    input.data.sigma = std::move(input.check.sigma);
  return input;
}

}  // namespace app
