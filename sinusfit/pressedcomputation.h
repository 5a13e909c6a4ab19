#pragma once
// One press of "Berechnung" without a window: the held value and the bound
// read as the window reads its fields, the scan's pass where it is wanted,
// the 20 passes, each line listed once in the list's order, and the bold
// line. A program fitting files on its own gets the window's list from it:
//
//   StartAsFreshProgram();
//   PressedComputation pressed = ComputeAsPressed(settings, std::move(data));
//   const ListedLine& best = pressed.lines[pressed.best];

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "sinusfit/computation.h"
#include "sinusfit/model.h"

namespace sinusfit {

// What the window's controls hold when "Berechnung" is pressed.
struct PressSettings {
  ModelKind model = ModelKind::kSine;
  int frequencies = 0;  // a sum's count of sines; 0: "automatisch"
  FitMode mode = FitMode::kAllFree;
  std::string heldText;      // the held parameter's field, Latin-1
  std::string boundText = "200";  // the bound's field, Latin-1
  bool scan = false;         // "Frequenzsuche"
};

// A line of the result list and what stands behind it.
struct ListedLine {
  PassResult result;
  double scanBound = 0;     // the scan's bound; 0 without the scan
  double searchedUpTo = 0;  // the highest b the search looked at
};

struct PressedComputation {
  std::shared_ptr<Computation> computation;
  // In the list's order (as text); each text once, the first pass's kept.
  std::vector<ListedLine> lines;
  std::size_t best = 0;  // the bold line; lines.size() when none
};

// What the window says about a sine's computation once it is idle: that the
// scan would find a smaller error (where it did not run), that a richer
// model would (UTF-8 texts, empty where nothing is worth saying). Leaves the
// generator and the interpreter as they were.
std::vector<std::string> HintsAfter(PressedComputation& pressed, const PressSettings& settings);

// The interpreter and the random generator as a freshly started program has
// them, so that the computation that follows is the window's first.
void StartAsFreshProgram();

// The computation as the window runs it from these settings on the pairs:
// the held value read first, the bound before the passes and afresh for
// every candidate. data: as ReadFitInput gives it.
PressedComputation ComputeAsPressed(const PressSettings& settings, FitData data);

}  // namespace sinusfit
