#pragma once
// The window's session as autosave takes it on the window's thread: the
// table's texts copied as whole blocks, what is larger and does not change
// (the pairs of a computation, the points drawn) only shared. Finish makes
// the session of it on any thread, so that a million pairs do not stall
// typing.

#include <memory>
#include <string>
#include <vector>

#include "app/tablecontents.h"
#include "graph_reduziert/graph_reduziert.h"
#include "sinusfit/sinusfit.h"
#include "wertedatei/session.h"

namespace app {

struct SessionCapture {
  wertedatei::Session session;  // without the f(x) values due and the shared pairs
  TableContents::FittedSlots fittedSlots;
  bool fittedFromTable = false;  // their x are the table's as it stands
  std::string fittedTerm;
  wertedatei::SessionPrecision fittedPrecision;
  // By the index of session.computedPairs: null where they are the table's.
  std::vector<std::shared_ptr<const sinusfit::FitData>> computedData;
  std::shared_ptr<const graph_reduziert::PlotPoints> points;  // unless the table's

  wertedatei::Session Finish() &&;
};

}  // namespace app
