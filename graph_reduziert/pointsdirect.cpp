// PlotPoints on areas too large for a pixel grid: every bar, disc and
// residual line drawn one by one, with the same rules as the reduction.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fktint/fktint.h"
#include "graph_reduziert/graph_reduziert.h"
#include "graph_reduziert/pixel.h"
#include "graph_reduziert/pointsreduction.h"
#include "platform/canvas.h"

namespace graph_reduziert {

namespace {

using platform::Canvas;

// The pair's column when something of it can show, else false.
bool ColumnOf(const PlotFrame& f, double x, double y, std::int64_t& column) {
  if (!std::isfinite(x) || !std::isfinite(y)) return false;
  column = Nearest(ColumnIn(f, x));
  return column >= -kDiscReach && column < std::int64_t{f.PlotWidth} + kDiscReach;
}

void DrawBar(Canvas& canvas, const PlotFrame& f, std::int64_t column, double y, double sigma) {
  std::int32_t top = 0, bottom = 0;
  if (!BarRows([&f](double v) { return RowIn(f, v); }, f.PlotHeight, y, sigma, top, bottom)) return;
  const std::int64_t width = f.PlotWidth;
  if (column >= 0 && column < width) {
    canvas.MoveTo(static_cast<int>(column), std::max(top, 0));
    canvas.LineTo(static_cast<int>(column), std::min(bottom, f.PlotHeight - 1) + 1);
  }
  for (const std::int32_t end : {top, bottom}) {
    if (end < 0 || end >= f.PlotHeight) continue;
    canvas.MoveTo(ClampPixel(std::max<std::int64_t>(column - kCapReach, 0)), end);
    canvas.LineTo(ClampPixel(std::min(column + kCapReach, width - 1) + 1), end);
  }
}

}  // namespace

void PaintPairByPair(Canvas& canvas, const PlotPoints& points) {
  const PlotFrame& f = Frame;
  const std::size_t n = PairCount(points);
  const platform::Color previousPen = canvas.PenColor();
  canvas.SetPenColor(kBarColour);
  for (std::size_t i = 0; i < n; ++i) {
    std::int64_t column = 0;
    const double sigma = BarOf(points, i);
    if (sigma != 0 && ColumnOf(f, points.x[i], points.y[i], column))
      DrawBar(canvas, f, column, points.y[i], sigma);
  }
  canvas.SetPenColor(platform::kBlack);
  canvas.SetBrushColor(platform::kAqua);
  for (std::size_t i = 0; i < n; ++i) {
    std::int64_t column = 0;
    if (!ColumnOf(f, points.x[i], points.y[i], column)) continue;
    const std::int64_t row = Nearest(RowIn(f, points.y[i]));
    if (row < -kDiscReach || row >= std::int64_t{f.PlotHeight} + kDiscReach) continue;
    canvas.Ellipse(static_cast<int>(column - kDiscReach), static_cast<int>(row - kDiscReach),
                   ClampPixel(column + kDiscReach + 1), ClampPixel(row + kDiscReach + 1));
  }
  canvas.SetBrushClear();
  canvas.SetPenColor(previousPen);
}

void PaintResidualsPairByPair(Canvas& canvas, const PlotPoints& points, std::string_view term) {
  const PlotFrame& f = Frame;
  const std::size_t n = PairCount(points);
  const platform::Color previousPen = canvas.PenColor();
  canvas.SetPenColor(kResidualColour);
  for (std::size_t i = 0; i < n; ++i) {
    std::int64_t column = 0;
    if (!ColumnOf(f, points.x[i], points.y[i], column) || column < 0 || column >= f.PlotWidth)
      continue;
    const double fitted = fktint::EvaluateTerm(term, ColumnToX(static_cast<int>(column)));
    if (fktint::EvalError == 1 || fktint::EvalError == 2 || !std::isfinite(fitted)) continue;
    const std::int64_t mark = HeldRow(Nearest(RowIn(f, points.y[i])), f.PlotHeight);
    std::int32_t top = 0, bottom = 0;
    if (!ResidualSpan(mark, mark, YToRowF(fitted), f.PlotHeight, top, bottom)) continue;
    canvas.MoveTo(static_cast<int>(column), top);
    canvas.LineTo(static_cast<int>(column), ClampPixel(std::int64_t{bottom} + 1));
  }
  canvas.SetPenColor(previousPen);
}

}  // namespace graph_reduziert
