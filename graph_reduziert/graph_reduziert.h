#pragma once
// The plot: the mapping between world coordinates and pixels, the coordinate
// frame with axes, grid and numbered ticks, and the drawing of the plot list
// (curves of terms and disc marks for data points).

#include <cstdint>

namespace platform {
class Canvas;
}
namespace grund {
struct PlotList;
}

namespace graph_reduziert {

// The one frame of the plot being drawn.
struct PlotFrame {
  std::int32_t PlotWidth = 0;
  std::int32_t PlotHeight = 0;
  double XMin = 0, XMax = 0, YMin = 0, YMax = 0;
  double XRange = 0, YRange = 0;
  double XScale = 0, YScale = 0;  // pixels per world unit
  std::int32_t OriginColumn = 0;  // pixel column of x = 0
  std::int32_t OriginRow = 0;     // pixel row of y = 0
  // The bounds before the last BeginPlot (one level).
  double SavedXMax = 0, SavedXMin = 0, SavedYMax = 0, SavedYMin = 0;
};
extern PlotFrame Frame;

// World x bounds beyond which curves are not sampled; DrawPlotList sets them.
extern double CurveXMin;
extern double CurveXMax;

// Starts a plot of width x height pixels spanning x from xMin to xMax; the y
// bounds follow from the aspect ratio.
void BeginPlot(int width, int height, double xMax, double xMin);
// Restores the bounds saved by BeginPlot.
void EndPlot();

// Pixel positions of world coordinates, rounded to the nearest integer with
// ties to even; positions beyond the 32-bit range are clamped to its ends and
// NaN gives the lowest value, far off any canvas.
int XToColumn(double x);
int YToRow(double y);
// The same, unrounded.
double XToColumnF(double x);
double YToRowF(double y);
double ColumnToX(int column);

// Axes with arrowheads and letters, the dotted grid, tick marks and numbers.
void DrawAxes(platform::Canvas& canvas);
// Every section of the plot list: "#F" curves in blue, "#m" aqua disc marks.
void DrawPlotList(platform::Canvas& canvas, grund::PlotList& list);

// For every data mark of the list, a thin vertical line from the mark's
// centre to the last "#F" curve listed before the marks, at the mark's x.
// Reads the entries without moving the list's cursor; marks with no curve
// before them, or where the curve's term fails, get no line.
void DrawResidualLines(platform::Canvas& canvas, const grund::PlotList& list);

}  // namespace graph_reduziert
