#include <limits>

#include "_grund/grund.h"

namespace grund {

namespace {

// The writers advance the cursor by one per entry; it saturates instead of
// overflowing should a caller have parked it at the top of its range.
void Advance(PlotList& list, std::int32_t count) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  list.PlotCursor = list.PlotCursor > kMax - count ? kMax : list.PlotCursor + count;
}

}  // namespace

void ClearPlotList(PlotList& list) {
  list.Entries.clear();
  list.PlotCursor = 0;
}

void AddPlotEntry(PlotList& list, std::string_view text) {
  list.Entries.emplace_back(text);
  Advance(list, 1);
}

void AddPlotTerm(PlotList& list, std::string_view term) {
  list.Entries.emplace_back("#F");
  list.Entries.emplace_back(term);
  Advance(list, 2);
}

void RewindPlotList(PlotList& list) { list.PlotCursor = 0; }

// A cursor that points outside the entries counts as the end, so a reader
// never indexes past the list (a negative cursor can only come from a caller
// that set the field by hand).
bool PlotListAtEnd(const PlotList& list) {
  return list.PlotCursor < 0 || static_cast<std::size_t>(list.PlotCursor) >= list.Entries.size();
}

std::string ReadPlotEntry(PlotList& list) {
  if (PlotListAtEnd(list)) return {};
  std::string entry = list.Entries[static_cast<std::size_t>(list.PlotCursor)];
  ++list.PlotCursor;
  return entry;
}

}  // namespace grund
