// DrawPlotList (and DrawResidualLines before it) on arbitrary plot lists,
// drawn onto the recording canvas after BeginPlot(783, 499, 8, -8) as the
// window draws it. The first byte
// sets the cursor the list starts with; the rest, split at line breaks, are
// the entries.
//
// Checked: reading stays inside the list and ends at its end (the cursor
// within 0 .. size and at the end afterwards), the entries and the frame are
// left as they were, the curve bounds are set, the code is 0 to 4, and the
// drawing is bounded (a few calls per column of each curve, one disc per
// pair). Each curve is sampled some 790 times, so the time limit applies per
// curve tag, entries are cut to 24 bytes and lists with more than six curve
// tags are passed over: the interpreter's own cost on long terms is the
// business of fuzz_evaluate_term.

#include <algorithm>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "_grund/grund.h"
#include "fktint/fktint.h"
#include "fuzz/fuzz_support.h"
#include "graph_reduziert/graph_reduziert.h"
#include "platform/recording_canvas.h"

namespace {

constexpr int kWidth = 783;
constexpr int kHeight = 499;
constexpr std::size_t kMaxEntryLength = 24;
constexpr int kMaxCurveTags = 6;

std::vector<std::string> SplitEntries(std::string_view text) {
  std::vector<std::string> entries;
  for (;;) {
    const std::size_t end = text.find('\n');
    entries.emplace_back(text.substr(0, std::min(end, kMaxEntryLength)));
    if (end == std::string_view::npos) return entries;
    text.remove_prefix(end + 1);
  }
}

// An entry that DrawPlotList may read as the tag of a curve.
bool IsCurveTag(const std::string& entry) { return entry.size() >= 2 && entry[1] == 'F'; }

bool SameFrame(const graph_reduziert::PlotFrame& a, const graph_reduziert::PlotFrame& b) {
  const auto fields = [](const graph_reduziert::PlotFrame& f) {
    return std::tuple(f.PlotWidth, f.PlotHeight, f.XMin, f.XMax, f.YMin, f.YMax, f.XRange, f.YRange,
                      f.XScale, f.YScale, f.OriginColumn, f.OriginRow, f.SavedXMax, f.SavedXMin,
                      f.SavedYMax, f.SavedYMin);
  };
  return fields(a) == fields(b);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::ByteReader in(data, size);
  const std::int32_t cursor = static_cast<std::int8_t>(in.Byte()) * 16777216;
  grund::PlotList list;
  if (size > 1) list.Entries = SplitEntries(in.Rest());
  list.PlotCursor = cursor;
  int curveTags = 0;
  for (const std::string& entry : list.Entries) curveTags += IsCurveTag(entry) ? 1 : 0;
  if (curveTags > kMaxCurveTags) return -1;  // not worth the time; not kept
  const std::vector<std::string> entries = list.Entries;

  fktint::ParamP = 0;
  grund::ProcessRandom().SetSeed(0);
  graph_reduziert::BeginPlot(kWidth, kHeight, 8, -8);
  const graph_reduziert::PlotFrame frame = graph_reduziert::Frame;
  platform::RecordingCanvas canvas;

  const fuzz::InputTimer timer(1 + curveTags);
  // The residual lines first, as the window draws them: they leave the list
  // and its cursor alone and draw at most one line per pair.
  platform::RecordingCanvas residualCanvas;
  graph_reduziert::DrawResidualLines(residualCanvas, list);
  FUZZ_CHECK(list.PlotCursor == cursor && list.Entries == entries);
  FUZZ_CHECK(residualCanvas.Calls().size() <= 2 + entries.size());
  graph_reduziert::DrawPlotList(canvas, list);
  timer.Check();

  FUZZ_CHECK(list.Entries == entries);
  if (entries.empty()) {
    FUZZ_CHECK(list.PlotCursor == cursor);  // nothing to read, nothing rewound
  } else {
    FUZZ_CHECK(list.PlotCursor >= 0);
    FUZZ_CHECK(static_cast<std::size_t>(list.PlotCursor) == entries.size());
    FUZZ_CHECK(grund::PlotListAtEnd(list));
  }
  FUZZ_CHECK(SameFrame(graph_reduziert::Frame, frame));
  FUZZ_CHECK(graph_reduziert::CurveXMin == -10000 && graph_reduziert::CurveXMax == 10000);
  FUZZ_CHECK(fktint::EvalError <= 4);
  // A curve: its pen colour, then a move and one call per column from -1 to
  // at most W + 16; a mark section: two colours, one disc per pair, a clear
  // brush.
  const std::size_t perCurve = 1 + 1 + (kWidth + 18);
  const std::size_t bound = curveTags * perCurve + 3 * entries.size() + 1;
  FUZZ_CHECK(canvas.Calls().size() <= bound);
  graph_reduziert::EndPlot();
  return 0;
}
