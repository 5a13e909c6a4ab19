#include "sinusfit/pressedcomputation.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "_grund/grund.h"
#include "fktint/fktint.h"
#include "sinusfit/resulttext.h"

namespace sinusfit {

namespace {

bool ScanWanted(const PressSettings& settings) {
  return settings.scan && EffectiveMode(settings.mode) != FitMode::kFixedB;
}

// Adds a line at its place in text order unless its text is listed already.
void List(std::vector<ListedLine>& lines, const PassResult& result, double scanBound,
          double searchedUpTo) {
  const auto at = std::lower_bound(
      lines.begin(), lines.end(), result.entry,
      [](const ListedLine& line, const std::string& entry) {
        return ResultTextLess(line.result.entry, entry);
      });
  if (at != lines.end() && at->result.entry == result.entry) return;
  lines.insert(at, ListedLine{result, scanBound, searchedUpTo});
}

std::size_t BoldLine(const std::vector<ListedLine>& lines) {
  std::vector<RankedEntry> ranked;
  ranked.reserve(lines.size());
  for (const ListedLine& line : lines)
    ranked.push_back({ErrorOfEntry(line.result.entry), line.result.entry});
  return BestEntryIndex(std::span<const RankedEntry>(ranked));
}

}  // namespace

void StartAsFreshProgram() {
  grund::ProcessRandom() = grund::RandomGenerator{};
  fktint::EvalError = 0;
  fktint::ParamP = 0;
  fktint::ParamQ = 0;
  fktint::ParamK = {};
}

PressedComputation ComputeAsPressed(const PressSettings& settings, FitData data) {
  const bool held = settings.mode != FitMode::kAllFree;
  const double heldValue = held ? grund::ReadEditValue(settings.heldText) : 0;
  PressedComputation pressed;
  pressed.computation = std::make_shared<Computation>(settings.model, settings.frequencies,
                                                      settings.mode, heldValue, std::move(data));
  Computation& computation = *pressed.computation;
  const auto readBound = [&settings] { return grund::ReadEditValue(settings.boundText); };
  const auto keepGoing = [] { return true; };
  // The window reads the bound for the scan's record, then for the search's.
  const double scanBound = ScanWanted(settings) ? readBound() : 0;
  const double searchedUpTo = computation.SearchedUpTo(readBound());
  if (ScanWanted(settings)) {
    if (const std::optional<PassResult> scan = computation.RunScanPass(readBound, keepGoing))
      List(pressed.lines, *scan, scanBound, searchedUpTo);
  }
  for (int pass = 0; pass < kFitPasses; ++pass) {
    if (const std::optional<PassResult> result = computation.RunPass(readBound, keepGoing))
      List(pressed.lines, *result, scanBound, searchedUpTo);
  }
  pressed.best = BoldLine(pressed.lines);
  return pressed;
}

std::vector<std::string> HintsAfter(PressedComputation& pressed, const PressSettings& settings) {
  Computation& computation = *pressed.computation;
  if (computation.Model() != ModelKind::kSine || pressed.best >= pressed.lines.size()) return {};
  const double best = pressed.lines[pressed.best].result.error;
  const auto readBound = [&settings] { return grund::ReadEditValue(settings.boundText); };
  const auto keepGoing = [] { return true; };
  std::vector<std::string> hints;
  if (!ScanWanted(settings) && EffectiveMode(computation.Mode()) != FitMode::kFixedB) {
    const std::optional<ScanHint> scan = FindScanHint(computation, best, readBound, keepGoing);
    if (scan && !scan->text.empty()) hints.push_back(scan->text);
  }
  const std::optional<ModelHint> model = FindModelHint(computation, best, readBound, keepGoing);
  if (model && !model->text.empty()) hints.push_back(model->text);
  return hints;
}

}  // namespace sinusfit
