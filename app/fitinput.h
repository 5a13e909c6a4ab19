#pragma once
// What a computation takes from the table: the pairs, and their Δy where
// the Δy column is shown and filled, checked before anything changes.

#include "app/tablepairs.h"
#include "sinusfit/sinusfit.h"

namespace app {

struct FitInput {
  sinusfit::FitData data;          // x, y and (weighted) one Δy per pair
  sinusfit::UncertaintyCheck check;  // kRefused: nothing may be computed
};

// The pairs as ReadPairs gives them with the Δy texts checked. Without the
// Δy column, or with all its cells empty, the data is unweighted.
FitInput ReadFitInput(const TablePairs& pairs);

}  // namespace app
