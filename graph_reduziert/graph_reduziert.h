#pragma once
// The plot: the mapping between world coordinates and pixels, the coordinate
// frame with axes, grid and numbered ticks, and the drawing of the plot list
// (curves of terms and disc marks for data points).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class Canvas;
struct Color;
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
  // Set by BeginPlotRanges: the mappings then measure from the edges in
  // doubles, so views far from 0 keep their precision; BeginPlot clears it.
  bool Ranged = false;
};
extern PlotFrame Frame;

// World x bounds beyond which curves are not sampled; DrawPlotList sets them.
extern double CurveXMin;
extern double CurveXMax;

// Starts a plot of width x height pixels spanning x from xMin to xMax; the y
// bounds follow from the aspect ratio.
void BeginPlot(int width, int height, double xMax, double xMin);
// Starts a plot showing exactly the given bounds, each axis with its own
// scale. Fills the same frame, so the mappings and DrawPlotList serve it.
struct PlotView;
void BeginPlotRanges(int width, int height, const PlotView& view);
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

// ---------------------------------------------------------------------------
// Views the user chooses (plotview.cpp, viewaxes.cpp).

// The world bounds at the four edges of the area.
struct PlotView {
  double XMin = 0, XMax = 0, YMin = 0, YMax = 0;
  friend bool operator==(const PlotView&, const PlotView&) = default;
};

// Every view stays within +-kViewLimit and is at least kMinViewSpanRelative
// of its largest bound (and kMinViewSpan) wide, so that its ticks and
// pixels stay distinct in doubles.
inline constexpr double kViewLimit = 1e15;
inline constexpr double kMinViewSpan = 1e-12;
inline constexpr double kMinViewSpanRelative = 1e-9;

// What BeginPlot(width, height, 8, -8) shows.
PlotView DefaultView(int width, int height);
// True when the view is finite, ordered and within the limits above.
bool ViewIsUsable(const PlotView& view);

struct PlotPair {
  double x = 0, y = 0;
};
struct PlotPoints;
// The pairs of the "#m" sections and the terms of the "#F" sections, read
// as DrawPlotList reads them but without moving the list's cursor; and the
// points drawn beside the list (not owned; may be null).
struct PlotContents {
  std::vector<PlotPair> pairs;
  std::vector<std::string> terms;
  const PlotPoints* points = nullptr;
};
PlotContents ReadPlotContents(const grund::PlotList& list);

// The view that shows every pair (and the error bars of the points) and the
// curves over the pairs' x range, with a margin; nullopt without a usable pair. Curves add their
// values only up to twice the pairs' height beyond them, so poles do not flatten the picture. One
// pair or equal values get a range around them.
std::optional<PlotView> FitView(const PlotContents& contents, int width);

// The view scaled by `factor` (below 1 zooms in) about the pixel (column,
// row), which keeps showing the same world point. The view as it was when
// the result would leave the limits.
PlotView ZoomView(const PlotView& view, int width, int height, double column, double row,
                  double factor);
// The view moved so that its contents follow the mouse by (dx, dy) pixels.
PlotView PanView(const PlotView& view, int width, int height, double dx, double dy);

// Pairs of the list outside the current frame's bounds (or not numbers),
// and points whose pair or error bar reaches beyond them.
int CountPairsOutside(const PlotContents& contents);

// Ticks at first*step, (first+1)*step, ... for `count` values; labels carry
// `decimals` digits after the comma.
struct AxisTicks {
  double step = 0;
  double mantissa = 1;  // 1, 2 or 5
  int exponent = 0;     // step = mantissa * 10^exponent
  std::int64_t first = 0;
  int count = 0;
  int decimals = 0;
  double Value(int i) const;
};
// Text extent of a label along its axis, in pixels.
using LabelExtent = std::function<int(std::string_view)>;
// The smallest step of 1, 2 or 5 * 10^k between lo and hi that puts ticks at
// least minSpacing pixels apart and leaves every label `gap` pixels free.
AxisTicks ChooseTicks(double lo, double hi, int pixels, int minSpacing, int gap,
                      const LabelExtent& extent);
// A tick number with the decimal comma and exactly `decimals` decimals;
// never "-0".
std::string TickLabel(double value, int decimals);

// ---------------------------------------------------------------------------
// The frame of a user view (viewframe.cpp): numbers and titles outside the
// data area, where no mark or curve can cover them.

// Pixels from `left` and `top`, right and bottom edges exclusive.
struct PixelBox {
  int left = 0, top = 0, width = 0, height = 0;
  bool Meets(const PixelBox& o) const {
    return left < o.left + o.width && o.left < left + width && top < o.top + o.height &&
           o.top < top + height;
  }
  friend bool operator==(const PixelBox&, const PixelBox&) = default;
};

// The axes' titles (UTF-8), such as "Zeit t in s".
struct AxisTitles {
  std::string x = "x", y = "y";
  friend bool operator==(const AxisTitles&, const AxisTitles&) = default;
};

// The data area within the plot (left, top, width, height) and the ticks
// chosen for it.
struct ViewFrame {
  int left = 0, top = 0, width = 0, height = 0;
  AxisTicks xTicks, yTicks;
};
// The frame of `view` on a plot of width x height pixels in the canvas's
// font: room for the y numbers at the left, for the x numbers and the x
// title below, for the y title above.
ViewFrame LayOutViewFrame(platform::Canvas& canvas, int width, int height, const PlotView& view);
// Where DrawViewFrame put the titles, in the plot's pixels.
struct TitleBoxes {
  PixelBox x, y;
};
// The frame line around the area, tick marks pointing out of it, the
// numbers and the titles, in the plot's pixels. The current frame must be
// begun with the area's size (BeginPlotRanges).
TitleBoxes DrawViewFrame(platform::Canvas& canvas, const ViewFrame& frame,
                         const AxisTitles& titles);
// The dotted grid at the ticks, in the area's own pixels (inside BeginArea).
void DrawViewGrid(platform::Canvas& canvas, const ViewFrame& frame);

// ---------------------------------------------------------------------------
// A periodogram (powercurve.cpp): power[k] at b = (k + 1)·step, as a line
// reduced per pixel column (the range of each column's samples), in the
// current frame; and a dotted vertical line marking a found frequency. The
// x axis is b, or the period 2π/b (ascending to the right).
enum class SpectrumAxis { kFrequency, kPeriod };
// Where b stands on the axis; NaN for the period of b <= 0.
double SpectrumX(double b, SpectrumAxis axis);
void DrawSpectrum(platform::Canvas& canvas, std::span<const double> power, double step,
                  platform::Color color, SpectrumAxis axis = SpectrumAxis::kFrequency);
void DrawFrequencyMark(platform::Canvas& canvas, double b, platform::Color color,
                       SpectrumAxis axis = SpectrumAxis::kFrequency);

// ---------------------------------------------------------------------------
// The fit written into the picture (caption.cpp).

// The box that holds these lines (UTF-8) with a small margin, at (0, 0).
PixelBox CaptionBox(platform::Canvas& canvas, const std::vector<std::string>& lines);
// The box moved into the corner of the current frame where `marksIn` counts
// the fewest marks; of equal counts the first of top left, top right,
// bottom left, bottom right.
PixelBox QuietestCorner(PixelBox box, const std::function<std::int64_t(const PixelBox&)>& marksIn);
// The pairs of `contents` whose centres lie in the box, and the columns of
// the box (every sixth) where the curve `term` runs through it.
std::int64_t MarksIn(const PlotContents& contents, std::string_view term, const PixelBox& box);
// The lines on white in a thin grey rim.
void DrawCaption(platform::Canvas& canvas, const PixelBox& box,
                 const std::vector<std::string>& lines);

// A small boxed note in the top right corner that `count` pairs are out of
// view and a double click fits the view.
void DrawOutsideHint(platform::Canvas& canvas, int count);
std::string OutsideHintText(int count);

// ---------------------------------------------------------------------------
// Pairs drawn from their numbers (plotpoints.cpp, pointsreduction.cpp): long
// series and pairs with uncertainties, beside or instead of "#m" sections.

// Pair i is (x[i], y[i]) for i below the smaller size; sigma is empty or
// holds its uncertainty Δy; one that is not a positive finite number means
// no bar. Pairs that are not finite numbers are not drawn.
struct PlotPoints {
  std::vector<double> x, y, sigma;
};

// The points in the current frame, looking exactly like the discs of a
// "#m" section drawn in the same order, each over a dark grey error bar
// from y - Δy to y + Δy with short caps, the bars cut at the area's edges.
// The work is bounded by the area, not the pairs: discs are reduced per
// pixel (each pixel a disc would paint is painted, and only those); on a
// bitmap canvas all of it goes in one block of pixels, on a vector device
// as one circle per disc that shows and one line per run of bar pixels.
// The pen colour is left as it was, the brush clear.
void DrawPoints(platform::Canvas& canvas, const PlotPoints& points);
// Residual lines like DrawResidualLines's, from the curve y = term(x) to
// the points: the term is evaluated once per pixel column holding points,
// at the column's x, as the curve itself is drawn.
void DrawPointResiduals(platform::Canvas& canvas, const PlotPoints& points, std::string_view term);

// The points and their reduction for the last frame drawn: repaints of the
// same frame (size and bounds) reuse it, so they cost about one block of
// pixels however many points there are. A new view reduces them anew.
struct PointsReduction;
class PointsLayer {
 public:
  PointsLayer();
  ~PointsLayer();
  PointsLayer(PointsLayer&&) noexcept;
  PointsLayer& operator=(PointsLayer&&) noexcept;

  // New points; the reduction of the old ones is dropped.
  void SetPoints(PlotPoints points);
  const PlotPoints& Points() const { return points_ != nullptr ? *points_ : NoPoints(); }
  // The same points, shared: they stay as they are when the layer gets new
  // ones, so a copy for another thread costs nothing.
  std::shared_ptr<const PlotPoints> SharedPoints() const { return points_; }
  bool Empty() const;
  // As DrawPoints and DrawPointResiduals, in the current frame.
  void Draw(platform::Canvas& canvas);
  void DrawResiduals(platform::Canvas& canvas, std::string_view term);
  // CountPairsOutside of the points alone, in the current frame.
  int PairsOutside();
  // The painted pixels of the points (discs and bars) in a box of the
  // current frame.
  std::int64_t PixelsIn(const PixelBox& box);

 private:
  const PointsReduction& Reduced();

  static const PlotPoints& NoPoints();

  std::shared_ptr<const PlotPoints> points_;  // null for none
  std::unique_ptr<PointsReduction> reduction_;
};

}  // namespace graph_reduziert
