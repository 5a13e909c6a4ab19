#include <cmath>
#include <cstdint>
#include <string>

#include "_grund/grund.h"
#include "graph_reduziert/graph_reduziert.h"
#include "graph_reduziert/gridline.h"
#include "graph_reduziert/pixel.h"
#include "platform/canvas.h"

namespace graph_reduziert {

namespace {

using platform::Canvas;

constexpr int kXTickLimit = 80;  // widest x tick step in pixels
constexpr int kYTickLimit = 75;  // highest y tick step in pixels
constexpr int kTickHalf = 6;     // tick marks reach 6 pixels to either side
// Tick marks and numbers keep this far from the edge where the arrowheads
// and axis letters stand.
constexpr int kArrowZone = 26;
// Bounds every walk along an axis: far more steps than any frame needs, so
// they only matter when a frame lies millions of steps away from 0 or its
// steps vanish against its values.
constexpr int kMaxTickSteps = 1 << 20;

// One axis as the tick code sees it: a world range and its rounded mapping.
struct Axis {
  double range;
  int (*toPixel)(double);
  int limit;
};

// The tick step n / d: n from the range, d running 1, 2, 4, 10, 20, 40, 100,
// 200, 400, 800, ... (only 8 and 80 are replaced) until one step spans at
// most the limit. The loop ends: once d has grown past every finite value the
// step is 0 and spans nothing.
double TickStep(const Axis& axis) {
  const double n = std::trunc(axis.range / 20) + 1;
  double d = 1;
  const std::int64_t zero = axis.toPixel(0);
  while (std::llabs(zero - axis.toPixel(n / d)) > axis.limit) {
    d = 2 * d;
    if (d == 8) d = 10;
    if (d == 80) d = 100;
  }
  return n / d;
}

// Ticks can be walked only on a frame whose pixels grow with x and shrink
// with y, and with a step that moves.
bool FrameHasTicks() {
  const PlotFrame& f = Frame;
  return f.PlotWidth > 0 && f.PlotHeight > 0 && std::isfinite(f.XScale) && f.XScale > 0 &&
         std::isfinite(f.YScale) && f.YScale > 0;
}

bool StepMoves(double step) { return std::isfinite(step) && step > 0; }

// One pass of ticks away from 0: the value starts at `step` and moves on by
// it (repeated addition, as the numbers should read). Values before the area are
// skipped, then `draw` runs for each value inside it.
template <typename Before, typename Inside, typename Draw>
void WalkTicks(double step, Before before, Inside inside, Draw draw) {
  double value = step;
  int steps = 0;
  for (; before(value); value += step)
    if (++steps > kMaxTickSteps) return;
  for (steps = 0; inside(value) && steps < kMaxTickSteps; value += step, ++steps) draw(value);
}

// The x axis row lies far enough inside the area for marks and numbers.
bool XAxisRowInside() {
  const std::int64_t row = Frame.OriginRow;
  return row > -kTickHalf && row + kTickHalf < Frame.PlotHeight;
}

void DrawXTick(Canvas& canvas, double value) {
  const PlotFrame& f = Frame;
  const int column = XToColumn(value);
  const std::string label = grund::FormatComma(value, 4, 3);
  DottedGridLine(canvas, column, 0, column, f.PlotHeight);
  if (XAxisRowInside() && std::int64_t{column} < std::int64_t{f.PlotWidth} - kArrowZone) {
    canvas.MoveTo(column, f.OriginRow + kTickHalf);
    canvas.LineTo(column, f.OriginRow - kTickHalf);
    canvas.TextOut(column - 10, f.OriginRow + kTickHalf, label);
  }
}

void DrawYTick(Canvas& canvas, double value) {
  const PlotFrame& f = Frame;
  const int row = YToRow(value);
  const std::string label = grund::FormatComma(value, 4, 3);
  DottedGridLine(canvas, 0, row, f.PlotWidth, row);
  const std::int64_t column = f.OriginColumn;
  if (column > 16 && column - 16 < f.PlotWidth && row > kArrowZone) {
    canvas.MoveTo(f.OriginColumn - kTickHalf, row);
    canvas.LineTo(f.OriginColumn + kTickHalf, row);
    canvas.TextOut(ClampPixel(column - kTickHalf - canvas.TextWidth(label)), row, label);
  }
}

void DrawYAxis(Canvas& canvas) {
  const PlotFrame& f = Frame;
  grund::DrawArrow(canvas, f.OriginColumn, ClampPixel(std::int64_t{f.PlotHeight} - 10),
                   f.OriginColumn, 10);
  canvas.SetPenWidth(1);
  canvas.SetBrushClear();
  canvas.TextOut(ClampPixel(std::int64_t{f.OriginColumn} - 10 - canvas.TextWidth("y")), 10, "y");
}

void DrawXAxis(Canvas& canvas) {
  const PlotFrame& f = Frame;
  canvas.SetPenWidth(1);
  grund::DrawArrow(canvas, 10, f.OriginRow, ClampPixel(std::int64_t{f.PlotWidth} - 10),
                   f.OriginRow);
  canvas.SetPenWidth(1);
  canvas.SetBrushClear();
  canvas.TextOut(ClampPixel(std::int64_t{f.PlotWidth} - 10 - canvas.TextWidth("x")),
                 ClampPixel(std::int64_t{f.OriginRow} - 5 - canvas.TextHeight("x")), "x");
}

// The single "0" at the origin, below the x axis and left of the y axis.
void DrawOriginNumber(Canvas& canvas) {
  const std::int64_t column = XToColumn(0);
  if (XAxisRowInside() && column > 10 && column - 10 < Frame.PlotWidth)
    canvas.TextOut(ClampPixel(column - 3 - canvas.TextWidth("0")), Frame.OriginRow + kTickHalf,
                   "0");
}

void DrawXTicks(Canvas& canvas) {
  const int width = Frame.PlotWidth;
  const double step = TickStep({Frame.XRange, XToColumn, kXTickLimit});
  if (!StepMoves(step)) return;
  const auto draw = [&](double v) { DrawXTick(canvas, v); };
  // Leftwards, then rightwards from the origin.
  WalkTicks(
      -step, [&](double v) { return XToColumn(v) > width; },
      [&](double v) { return XToColumn(v) > 0; }, draw);
  WalkTicks(
      step, [&](double v) { return XToColumn(v) < 0; },
      [&](double v) { return XToColumn(v) < width; }, draw);
}

void DrawYTicks(Canvas& canvas) {
  const int height = Frame.PlotHeight;
  const double step = TickStep({Frame.YRange, YToRow, kYTickLimit});
  if (!StepMoves(step)) return;
  const auto draw = [&](double v) { DrawYTick(canvas, v); };
  // Upwards, then downwards from the origin.
  WalkTicks(
      step, [&](double v) { return YToRow(v) > height; }, [&](double v) { return YToRow(v) > 0; },
      draw);
  WalkTicks(
      -step, [&](double v) { return YToRow(v) < 0; }, [&](double v) { return YToRow(v) < height; },
      draw);
}

}  // namespace

void DrawAxes(Canvas& canvas) {
  const PlotFrame& f = Frame;
  canvas.SetFontColor(platform::kBlack);
  canvas.SetPenWidth(1);
  canvas.SetPenColor(platform::kBlack);
  if (f.XMin * f.XMax <= 0) DrawYAxis(canvas);
  if (f.YMin * f.YMax <= 0) DrawXAxis(canvas);
  canvas.SetPenWidth(1);
  DrawOriginNumber(canvas);
  if (FrameHasTicks()) {
    DrawXTicks(canvas);
    DrawYTicks(canvas);
  }
  canvas.SetFontColor(platform::kBlack);
}

}  // namespace graph_reduziert
