// A periodogram drawn in the current frame: its power as a line reduced to
// the range of each pixel column, and the found frequencies marked.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "graph_reduziert/graph_reduziert.h"
#include "platform/canvas.h"

namespace graph_reduziert {

void DrawSpectrum(platform::Canvas& canvas, std::span<const double> power, double step,
                  platform::Color color) {
  if (power.empty() || !(step > 0)) return;
  const PlotFrame& f = Frame;
  // Only the samples in view, and one beyond each edge so the line reaches it.
  const double first = std::floor(f.XMin / step) - 2, last = std::ceil(f.XMax / step);
  const auto count = static_cast<double>(power.size());
  const auto from = static_cast<std::size_t>(std::clamp(first, 0.0, count));
  const auto to = static_cast<std::size_t>(std::clamp(last + 1, 0.0, count));
  canvas.SetPenColor(color);
  canvas.SetPenStyle(platform::PenStyle::Solid);
  canvas.SetPenWidth(1);
  bool started = false;
  int column = 0, top = 0, bottom = 0, lastRow = 0;
  const auto flush = [&] {
    // The column's range as a vertical line; the pen ends at the column's
    // last sample, from where the next column is joined.
    canvas.MoveTo(column, top);
    canvas.LineTo(column, bottom + 1);
    canvas.MoveTo(column, lastRow);
  };
  for (std::size_t k = from; k < to; ++k) {
    if (!std::isfinite(power[k])) continue;
    const int c = std::clamp(XToColumn(static_cast<double>(k + 1) * step), -2, f.PlotWidth + 2);
    const int r = std::clamp(YToRow(power[k]), -2, f.PlotHeight + 2);
    if (started && c == column) {
      top = std::min(top, r), bottom = std::max(bottom, r), lastRow = r;
      continue;
    }
    if (started) {
      flush();
      canvas.LineTo(c, r);
    }
    started = true;
    column = c, top = r, bottom = r, lastRow = r;
  }
  if (started) flush();
}

void DrawFrequencyMark(platform::Canvas& canvas, double b, platform::Color color) {
  const int column = XToColumn(b);
  if (column < 0 || column >= Frame.PlotWidth) return;
  canvas.SetPenColor(color);
  canvas.SetPenStyle(platform::PenStyle::Dotted);
  canvas.MoveTo(column, 0);
  canvas.LineTo(column, Frame.PlotHeight);
  canvas.SetPenStyle(platform::PenStyle::Solid);
  canvas.SetPenColor(platform::kBlack);
}

}  // namespace graph_reduziert
