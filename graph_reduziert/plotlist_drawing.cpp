#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "_grund/grund.h"
#include "fktint/fktint.h"
#include "graph_reduziert/graph_reduziert.h"
#include "graph_reduziert/pixel.h"
#include "platform/canvas.h"

namespace graph_reduziert {

double CurveXMin = -10000;
double CurveXMax = 10000;

namespace {

using platform::Canvas;

// Rows at least this far from 0 do not fit a 32-bit row: the pen is parked.
constexpr double kRowLimit = 2147483647;
// Lines are drawn only to points at most this many rows beyond the area.
constexpr int kDrawnOverhang = 200;
// Where the pen is parked for values too large for a row: after a huge value
// above the area at row 1000, after a huge value below (or not a number) at -1.
constexpr std::int32_t kParkedAfterHugeAbove = 1000;
constexpr std::int32_t kParkedAfterHugeBelow = -1;
// The first good sample is looked for up to this many columns beyond the
// right edge; a term that fails everywhere starts there, out of sight.
constexpr int kStartSearchOverhang = 10;
// Sampling goes on to this many columns beyond the right edge.
constexpr int kSampleOverhang = 5;

constexpr platform::Color kCurveColour = platform::kBlue;

// A curve being sampled: the column about to be sampled, the row of the
// previous sample, and the unrounded row of the current one.
struct CurveState {
  std::int64_t column = -1;
  std::int32_t lastRow = 0;
  double rowF = 0;
};

// Columns are 64 bits wide here so that stepping past the widest frame
// cannot overflow.
double ColumnX(std::int64_t column) {
  if (Frame.Ranged) return Frame.XMin + static_cast<double>(column) / Frame.XScale;
  return static_cast<double>(column - Frame.OriginColumn) / Frame.XScale;
}

// The term at the column's x, as an unrounded row; leaves EvalError set.
double SampleRow(std::string_view term, std::int64_t column) {
  return YToRowF(fktint::EvaluateTerm(term, ColumnX(column)));
}

bool EvaluationFailed() { return fktint::EvalError == 1 || fktint::EvalError == 2; }

// Draws (or moves) to the current sample and steps to the next column.
// A jump of more than half the height between neighbours lifts the pen, so
// poles leave no vertical line; codes 3 and above leave a single dot.
void PlotCurveSample(Canvas& canvas, CurveState& s) {
  const std::int32_t column = ClampPixel(s.column);
  const double height = Frame.PlotHeight;
  std::int32_t row;
  if (std::fabs(s.rowF) < kRowLimit) {
    row = static_cast<std::int32_t>(std::nearbyint(s.rowF));  // within the 32-bit range
    if (std::fabs(static_cast<double>(s.lastRow) - row) > height / 2 - 10) fktint::EvalError = 2;
    const bool nearArea = row >= -kDrawnOverhang && row <= height + kDrawnOverhang;
    if (nearArea && fktint::EvalError <= 1) {
      canvas.LineTo(column, row);
    } else if (fktint::EvalError < 3) {
      canvas.MoveTo(column, row);
    } else {
      canvas.SetPixel(column, row, canvas.PenColor());
    }
  } else if (s.rowF <= kRowLimit) {
    row = kParkedAfterHugeAbove;
    canvas.MoveTo(column, row);
  } else {
    row = kParkedAfterHugeBelow;
    canvas.MoveTo(column, row);
  }
  ++s.column;
  s.lastRow = row;
}

// The first column to draw from: the first whose evaluation does not fail
// and whose x lies beyond CurveXMin, looked for no further than a few columns
// past the right edge.
void FindStart(std::string_view term, CurveState& s) {
  const std::int64_t lastSearched = std::int64_t{Frame.PlotWidth} + kStartSearchOverhang;
  for (;; ++s.column) {
    s.rowF = SampleRow(term, s.column);
    if (s.column > lastSearched) return;
    if (!EvaluationFailed() && !(ColumnX(s.column) <= CurveXMin)) return;
  }
}

// Puts the pen at the start; rows beyond the 32-bit range put it beyond the
// area instead.
void PlaceStart(Canvas& canvas, CurveState& s) {
  const std::int32_t column = ClampPixel(s.column);
  if (std::fabs(s.rowF) < kRowLimit) {
    s.lastRow = static_cast<std::int32_t>(std::nearbyint(s.rowF));
  } else if (s.rowF <= kRowLimit) {
    s.lastRow = ClampPixel(std::int64_t{Frame.PlotHeight} + kDrawnOverhang);
  } else {
    s.lastRow = -kDrawnOverhang;
  }
  canvas.MoveTo(column, s.lastRow);
  ++s.column;
}

// The curve y = term(x), sampled once per pixel column from the start to a
// few columns beyond the right edge.
void DrawCurve(Canvas& canvas, std::string_view term) {
  CurveState s;
  FindStart(term, s);
  PlaceStart(canvas, s);
  const std::int64_t lastSampled = std::int64_t{Frame.PlotWidth} + kSampleOverhang;
  for (;;) {
    s.rowF = SampleRow(term, s.column);
    PlotCurveSample(canvas, s);
    if (s.column > lastSampled || ColumnX(s.column) > CurveXMax) return;
  }
}

// A disc 7 pixels across centred on the point; the box's right and bottom
// edges are exclusive.
void DrawMark(Canvas& canvas, double x, double y) {
  const std::int64_t column = Nearest(XToColumnF(x));
  const std::int64_t row = Nearest(YToRowF(y));
  // A chosen view may leave most marks far outside: they cost nothing.
  if (Frame.Ranged &&
      (column + 4 < 0 || row + 4 < 0 || column - 3 > Frame.PlotWidth || row - 3 > Frame.PlotHeight))
    return;
  canvas.Ellipse(ClampPixel(column - 3), ClampPixel(row - 3), ClampPixel(column + 4),
                 ClampPixel(row + 4));
}

// The pairs of a mark section up to its closing "..." (its opening entry is
// already read). A y-text of "..." also closes it; a section left open ends
// with the list, and an x-text without a y-text draws nothing.
void DrawMarks(Canvas& canvas, grund::PlotList& list) {
  canvas.SetPenColor(platform::kBlack);
  canvas.SetBrushColor(platform::kAqua);
  while (!grund::PlotListAtEnd(list)) {
    const std::string xText = grund::ReadPlotEntry(list);
    if (xText == "...") break;
    if (grund::PlotListAtEnd(list)) break;
    const std::string yText = grund::ReadPlotEntry(list);
    DrawMark(canvas, grund::ParseNumber(xText).value, grund::ParseNumber(yText).value);
    if (yText == "...") break;
  }
  canvas.SetBrushClear();
}

}  // namespace

void DrawPlotList(Canvas& canvas, grund::PlotList& list) {
  CurveXMin = -10000;
  CurveXMax = 10000;
  // A chosen view may lie anywhere: its curves are sampled wherever it is.
  if (Frame.Ranged) {
    CurveXMin = -std::numeric_limits<double>::infinity();
    CurveXMax = std::numeric_limits<double>::infinity();
  }
  if (list.Entries.empty()) return;
  grund::RewindPlotList(list);
  // Every pass reads at least the tag, so the walk ends with the list.
  do {
    const std::string tag = grund::ReadPlotEntry(list);
    const std::string second = grund::ReadPlotEntry(list);
    const char kind = tag.size() >= 2 ? tag[1] : '\0';
    if (kind == 'F') {
      canvas.SetPenColor(kCurveColour);
      DrawCurve(canvas, second);
    } else if (kind == 'm') {
      DrawMarks(canvas, list);
    }
  } while (!grund::PlotListAtEnd(list));
}

}  // namespace graph_reduziert
