#include <cstdint>

#include "graph_reduziert/graph_reduziert.h"
#include "graph_reduziert/pixel.h"
#include "graph_reduziert/pointsreduction.h"

namespace graph_reduziert {

PlotFrame Frame;

namespace {

// One level of saved bounds, given back by EndPlot.
void SaveBounds(PlotFrame& f) {
  f.SavedXMax = f.XMax;
  f.SavedXMin = f.XMin;
  f.SavedYMax = f.YMax;
  f.SavedYMin = f.YMin;
}

}  // namespace

void BeginPlot(int width, int height, double xMax, double xMin) {
  PlotFrame& f = Frame;
  SaveBounds(f);

  f.Ranged = false;
  f.PlotWidth = width;
  f.PlotHeight = height;
  const double w = width;
  const double h = height;
  // The y bounds follow from the aspect ratio, so a world unit has as many
  // pixels upwards as sideways.
  const double aspect = h / w;
  f.XMax = xMax;
  f.XMin = xMin;
  f.YMax = xMax * aspect;
  f.YMin = xMin * aspect;
  f.XRange = f.XMax - f.XMin;
  f.YRange = f.YMax - f.YMin;
  f.XScale = w / f.XRange;
  f.YScale = h / f.YRange;
  f.OriginColumn = Nearest(-f.XMin * w / f.XRange);
  f.OriginRow = Nearest(h * f.YMin / f.YRange + h);
}

void BeginPlotRanges(int width, int height, const PlotView& view) {
  PlotFrame& f = Frame;
  SaveBounds(f);

  f.Ranged = true;
  f.PlotWidth = width;
  f.PlotHeight = height;
  const double w = width;
  const double h = height;
  f.XMin = view.XMin;
  f.XMax = view.XMax;
  f.YMin = view.YMin;
  f.YMax = view.YMax;
  f.XRange = f.XMax - f.XMin;
  f.YRange = f.YMax - f.YMin;
  f.XScale = w / f.XRange;
  f.YScale = h / f.YRange;
  // Kept for callers that read the origin; far views clamp it, which is why
  // the mappings below do not use it.
  f.OriginColumn = Nearest(-f.XMin * f.XScale);
  f.OriginRow = Nearest(f.YMax * f.YScale);
}

void EndPlot() {
  PlotFrame& f = Frame;
  f.XMax = f.SavedXMax;
  f.XMin = f.SavedXMin;
  f.YMax = f.SavedYMax;
  f.YMin = f.SavedYMin;
}

double XToColumnF(double x) { return ColumnIn(Frame, x); }
double YToRowF(double y) { return RowIn(Frame, y); }
int XToColumn(double x) { return Nearest(XToColumnF(x)); }
int YToRow(double y) { return Nearest(YToRowF(y)); }

double ColumnToX(int column) {
  if (Frame.Ranged) return Frame.XMin + column / Frame.XScale;
  return static_cast<double>(std::int64_t{column} - Frame.OriginColumn) / Frame.XScale;
}

}  // namespace graph_reduziert
