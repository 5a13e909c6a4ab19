#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "_grund/grund.h"
#include "fktint/fktint.h"
#include "graph_reduziert/graph_reduziert.h"
#include "graph_reduziert/pixel.h"
#include "graph_reduziert/pointsreduction.h"
#include "platform/canvas.h"

namespace graph_reduziert {

namespace {

std::int32_t VisibleRow(double rowF) {
  return ClampPixel(HeldRow(Nearest(rowF), Frame.PlotHeight));
}

// From the curve down (or up) to the mark's centre, which LineTo leaves
// unpainted and the mark covers.
void DrawResidual(platform::Canvas& canvas, std::string_view term, double x, double y) {
  const double fitted = fktint::EvaluateTerm(term, x);
  if (fktint::EvalError == 1 || fktint::EvalError == 2 || !std::isfinite(fitted)) return;
  const std::int32_t column = Nearest(XToColumnF(x));
  if (column == kLowestPixel || column == kHighestPixel) return;  // not a number, or far off
  canvas.MoveTo(column, VisibleRow(YToRowF(fitted)));
  canvas.LineTo(column, VisibleRow(YToRowF(y)));
}

}  // namespace

void DrawResidualLines(platform::Canvas& canvas, const grund::PlotList& list) {
  const std::vector<std::string>& entries = list.Entries;
  const std::size_t size = entries.size();
  const platform::Color previousPen = canvas.PenColor();
  canvas.SetPenColor(kResidualColour);
  // The walk of DrawPlotList: tag and second entry, then a mark section's
  // pairs up to its closing "...".
  std::string_view term;
  bool haveTerm = false;
  std::size_t i = 0;
  while (i < size) {
    const std::string_view tag = entries[i++];
    const std::string_view second = i < size ? std::string_view(entries[i++]) : std::string_view();
    const char kind = tag.size() >= 2 ? tag[1] : '\0';
    if (kind == 'F') {
      term = second;
      haveTerm = true;
    } else if (kind == 'm') {
      while (i < size) {
        const std::string_view xText = entries[i++];
        if (xText == "..." || i >= size) break;
        const std::string_view yText = entries[i++];
        if (haveTerm) {
          DrawResidual(canvas, term, grund::ParseNumber(xText).value,
                       grund::ParseNumber(yText).value);
        }
        if (yText == "...") break;
      }
    }
  }
  canvas.SetPenColor(previousPen);
}

}  // namespace graph_reduziert
