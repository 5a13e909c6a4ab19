#pragma once
// PlotPoints brought down to what one frame shows: a block of pixels, the
// discs that show and the runs of bar pixels. Internal to graph_reduziert;
// shared by the drawing (plotpoints.cpp) and the view fitting (plotview.cpp).

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "graph_reduziert/graph_reduziert.h"
#include "graph_reduziert/pixel.h"
#include "platform/canvas.h"

namespace graph_reduziert {

// Dark grey: apart from the black outline of the discs, and darker than the
// light grey grid.
inline constexpr platform::Color kBarColour{64, 64, 64};
// Orange-red: apart from the blue curve, the black-and-aqua marks and the
// grey grid.
inline constexpr platform::Color kResidualColour{230, 80, 0};
// A cap reaches this many pixels left and right of its bar: as wide as a disc.
inline constexpr int kCapReach = 3;
// A disc reaches this many pixels from its centre (its box is 7 across).
inline constexpr int kDiscReach = 3;
// Rows this far beyond the area are as good as any further one for a
// vertical line, and keep the painter's coordinates small.
inline constexpr std::int32_t kResidualRowOverhang = 1000;

// XToColumnF and YToRowF of a given frame; the one place they are computed.
inline double ColumnIn(const PlotFrame& f, double x) {
  return f.Ranged ? (x - f.XMin) * f.XScale : x * f.XScale + f.OriginColumn;
}
inline double RowIn(const PlotFrame& f, double y) {
  return f.Ranged ? (f.YMax - y) * f.YScale : -y * f.YScale + f.OriginRow;
}

inline std::size_t PairCount(const PlotPoints& p) { return std::min(p.x.size(), p.y.size()); }
// Δy of pair i, or 0 when it has no bar.
inline double BarOf(const PlotPoints& p, std::size_t i) {
  if (i >= p.sigma.size()) return 0;
  const double s = p.sigma[i];
  return s > 0 && std::isfinite(s) ? s : 0;
}

// Values a view can hold (the limit of ViewIsUsable).
inline bool Usable(double v) { return std::isfinite(v) && std::fabs(v) <= kViewLimit; }

// A pair outside the frame's bounds (or not a number), or one whose bar
// reaches beyond them where a fitted view could show it.
inline bool PointOutside(const PlotFrame& f, double x, double y, double sigma) {
  const bool inside = x >= f.XMin && x <= f.XMax && y >= f.YMin && y <= f.YMax;
  if (!inside) return true;
  if (sigma == 0) return false;
  const double top = y + sigma, bottom = y - sigma;
  return (Usable(top) && top > f.YMax) || (Usable(bottom) && bottom < f.YMin);
}

// Everything a reduction depends on besides the points.
struct FrameKey {
  std::int32_t width = 0, height = 0;
  bool ranged = false;
  double xMin = 0, xMax = 0, yMin = 0, yMax = 0, xScale = 0, yScale = 0;
  std::int32_t originColumn = 0, originRow = 0;
  friend bool operator==(const FrameKey&, const FrameKey&) = default;
};
FrameKey KeyOf(const PlotFrame& f);

// Pixels in a row or a column, both ends included.
struct PixelRun {
  std::int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool vertical = false;
};

inline constexpr std::int32_t kNoMarkAbove = INT32_MAX;
inline constexpr std::int32_t kNoMarkBelow = INT32_MIN;

struct PointsReduction {
  FrameKey key;
  bool valid = false;
  // False for areas too large for a pixel grid: the points are then drawn
  // pair by pair.
  bool reduced = false;
  int width = 0, height = 0;
  // width x height: bars under discs; kClearPixel where neither is.
  std::vector<std::uint32_t> pixels;
  int top = 0, bottom = -1, left = 0, right = -1;  // the painted pixels' bounds
  std::vector<platform::Point> discs;  // centres of the discs that show, in drawing order
  std::vector<PixelRun> barRuns;       // bar lines and caps
  bool anyBar = false;                 // a bar reaches into the area
  // Per column: the highest and lowest row of a point (held within
  // kResidualRowOverhang of the area), or kNoMarkAbove / kNoMarkBelow.
  std::vector<std::int32_t> highestMark, lowestMark;
  std::int64_t outside = 0;  // pairs for which PointOutside holds

  // Working space, kept to spare the allocations of the next frame.
  // One bit per centre; one byte per cap, which is set without reading it.
  std::vector<std::uint64_t> seenCentre;
  std::vector<std::uint8_t> capCentre, barColumn, capRow, capCover;
  std::vector<std::int32_t> centres, barDepth;
};

// Centres are kept on a grid reaching kPad beyond each edge of the area,
// caps on one reaching as far beyond the left and right edges.
inline constexpr int kPad = kDiscReach;
static_assert(kCapReach == kPad, "caps are found on the grid of disc centres");
// The grids are stored column by column: neighbours in the list mostly
// share a column, so they meet in the same cache lines.
inline std::size_t CentreGridHeight(const PointsReduction& r) {
  return static_cast<std::size_t>(r.height) + 2 * kPad;
}

// Reduces the points for the current frame: the pass over the pairs, then
// ComposeReduction (pointscompose.cpp) for the pixels, discs and runs. From
// `splitFrom` pairs on, the pass runs in two halves on two threads.
inline constexpr std::size_t kSplitPairs = std::size_t{1} << 17;
void ReducePoints(const PlotPoints& points, PointsReduction& reduction,
                  std::size_t splitFrom = kSplitPairs);
void ComposeReduction(PointsReduction& reduction);
// Bars and discs (DrawPoints) and residual lines (DrawPointResiduals) from a
// reduction of these points for the current frame.
void PaintReduction(platform::Canvas& canvas, const PointsReduction& reduction,
                    const PlotPoints& points);
void PaintResiduals(platform::Canvas& canvas, const PointsReduction& reduction,
                    const PlotPoints& points, std::string_view term);

// The pair-by-pair drawing of areas too large to reduce (pointsdirect.cpp).
void PaintPairByPair(platform::Canvas& canvas, const PlotPoints& points);
void PaintResidualsPairByPair(platform::Canvas& canvas, const PlotPoints& points,
                              std::string_view term);

// The nearest integer, ties to even, of a value known to lie well within
// the 32-bit range: what Nearest gives, without a library call per value.
inline std::int32_t NearestSmall(double v) {
  constexpr double kShift = 6755399441055744.0;  // 1.5 * 2^52: rounds in the adder
  return static_cast<std::int32_t>((v + kShift) - kShift);
}

// A row held within kResidualRowOverhang of an area `height` rows high.
inline std::int64_t HeldRow(std::int64_t row, std::int64_t height) {
  return std::clamp<std::int64_t>(row, -kResidualRowOverhang, height + kResidualRowOverhang);
}

// The rows the residual lines of one column cover: from the curve's row to
// the farthest point on either side (highest and lowest, held rows), the
// points' own rows left out (their discs cover them), cut to the area.
// False when there is no line or none of it shows.
inline bool ResidualSpan(std::int64_t highest, std::int64_t lowest, double curveRowF,
                         std::int64_t height, std::int32_t& top, std::int32_t& bottom) {
  const std::int64_t curve = HeldRow(Nearest(curveRowF), height);
  if (!(highest < curve || lowest > curve)) return false;  // no point off the curve
  const std::int64_t from = std::max<std::int64_t>(highest < curve ? highest + 1 : curve, 0);
  const std::int64_t to = std::min(lowest > curve ? lowest - 1 : curve, height - 1);
  if (from > to) return false;
  top = static_cast<std::int32_t>(from), bottom = static_cast<std::int32_t>(to);
  return true;
}

// A bar's rows in a frame of `height` rows, `rowOf` mapping y to an
// unrounded row: from the top end to the bottom end, each held at most two
// rows beyond the area, so that which rows and ends lie inside stays as it
// is. False when no part of it can show.
template <typename RowOf>
bool BarRows(const RowOf& rowOf, std::int32_t height, double y, double sigma, std::int32_t& top,
             std::int32_t& bottom) {
  double upper = rowOf(y + sigma), lower = rowOf(y - sigma);
  if (upper > lower) std::swap(upper, lower);
  if (!(upper <= lower)) return false;  // not numbers
  top = NearestSmall(std::clamp(upper, -2.0, height + 1.0));
  bottom = NearestSmall(std::clamp(lower, -2.0, height + 1.0));
  return bottom >= 0 && top < height;
}

}  // namespace graph_reduziert
