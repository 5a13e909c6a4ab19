// Drawing PlotPoints from their reduction: on a bitmap as blocks of pixels,
// on a vector device as lines and circles; and the layer that keeps the
// reduction between repaints of the same frame.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "fktint/fktint.h"
#include "graph_reduziert/graph_reduziert.h"
#include "graph_reduziert/pointsreduction.h"
#include "platform/canvas.h"

namespace graph_reduziert {

namespace {

using platform::Canvas;

// A run as a line whose end point, one pixel beyond the run, is not painted.
void DrawRun(Canvas& canvas, const PixelRun& run) {
  canvas.MoveTo(run.x0, run.y0);
  if (run.vertical)
    canvas.LineTo(run.x0, run.y1 + 1);
  else
    canvas.LineTo(run.x1 + 1, run.y0);
}

void PaintAsVectors(Canvas& canvas, const PointsReduction& r) {
  if (r.barRuns.empty() && r.discs.empty()) return;
  const platform::Color previousPen = canvas.PenColor();
  if (!r.barRuns.empty()) {
    canvas.SetPenColor(kBarColour);
    for (const PixelRun& run : r.barRuns) DrawRun(canvas, run);
  }
  if (!r.discs.empty()) {
    canvas.SetPenColor(platform::kBlack);
    canvas.SetBrushColor(platform::kAqua);
    for (const platform::Point& c : r.discs)
      canvas.Ellipse(c.x - kDiscReach, c.y - kDiscReach, c.x + kDiscReach + 1,
                     c.y + kDiscReach + 1);
  }
  canvas.SetBrushClear();
  canvas.SetPenColor(previousPen);
}

void PaintAsPixels(Canvas& canvas, const PointsReduction& r) {
  if (r.bottom < r.top || r.right < r.left) return;
  const std::size_t first = static_cast<std::size_t>(r.top) * r.width + r.left;
  canvas.DrawPixels({r.left, r.top, r.right - r.left + 1, r.bottom - r.top + 1, r.width,
                     std::span<const std::uint32_t>(r.pixels).subspan(first)});
}

// Residual runs, one per column holding points, one term evaluation each.
std::vector<PixelRun> ResidualRuns(const PointsReduction& r, std::string_view term) {
  std::vector<PixelRun> runs;
  for (int column = 0; column < static_cast<int>(r.highestMark.size()); ++column) {
    if (r.highestMark[static_cast<std::size_t>(column)] == kNoMarkAbove) continue;
    const double fitted = fktint::EvaluateTerm(term, ColumnToX(column));
    if (fktint::EvalError == 1 || fktint::EvalError == 2 || !std::isfinite(fitted)) continue;
    std::int32_t top = 0, bottom = 0;
    if (ResidualSpan(r.highestMark[static_cast<std::size_t>(column)],
                     r.lowestMark[static_cast<std::size_t>(column)], YToRowF(fitted), r.height, top,
                     bottom))
      runs.push_back({column, top, column, bottom, true});
  }
  return runs;
}

void PaintRunsAsPixels(Canvas& canvas, const std::vector<PixelRun>& runs, platform::Color colour) {
  int top = INT32_MAX, bottom = -1, left = INT32_MAX, right = -1;
  for (const PixelRun& run : runs) {
    top = std::min(top, run.y0), bottom = std::max(bottom, run.y1);
    left = std::min(left, run.x0), right = std::max(right, run.x1);
  }
  if (bottom < top) return;
  const int blockWidth = right - left + 1, blockHeight = bottom - top + 1;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(blockWidth) * blockHeight,
                                    platform::kClearPixel);
  const std::uint32_t pixel = platform::OpaquePixel(colour);
  for (const PixelRun& run : runs)
    for (int y = run.y0; y <= run.y1; ++y)
      pixels[static_cast<std::size_t>(y - top) * blockWidth + (run.x0 - left)] = pixel;
  canvas.DrawPixels({left, top, blockWidth, blockHeight, blockWidth, pixels});
}

}  // namespace

void PaintReduction(Canvas& canvas, const PointsReduction& r, const PlotPoints& points) {
  if (!r.reduced) {
    PaintPairByPair(canvas, points);
  } else if (canvas.DrawsVectors()) {
    PaintAsVectors(canvas, r);
  } else {
    PaintAsPixels(canvas, r);
  }
}

void PaintResiduals(Canvas& canvas, const PointsReduction& r, const PlotPoints& points,
                    std::string_view term) {
  if (!r.reduced) {
    PaintResidualsPairByPair(canvas, points, term);
    return;
  }
  const std::vector<PixelRun> runs = ResidualRuns(r, term);
  if (runs.empty()) return;
  if (!canvas.DrawsVectors()) {
    PaintRunsAsPixels(canvas, runs, kResidualColour);
    return;
  }
  const platform::Color previousPen = canvas.PenColor();
  canvas.SetPenColor(kResidualColour);
  for (const PixelRun& run : runs) DrawRun(canvas, run);
  canvas.SetPenColor(previousPen);
}

void DrawPoints(Canvas& canvas, const PlotPoints& points) {
  if (PairCount(points) == 0) return;
  PointsReduction reduction;
  ReducePoints(points, reduction);
  PaintReduction(canvas, reduction, points);
}

void DrawPointResiduals(Canvas& canvas, const PlotPoints& points, std::string_view term) {
  if (PairCount(points) == 0) return;
  PointsReduction reduction;
  ReducePoints(points, reduction);
  PaintResiduals(canvas, reduction, points, term);
}

PointsLayer::PointsLayer() : reduction_(std::make_unique<PointsReduction>()) {}
PointsLayer::~PointsLayer() = default;
PointsLayer::PointsLayer(PointsLayer&&) noexcept = default;
PointsLayer& PointsLayer::operator=(PointsLayer&&) noexcept = default;

const PlotPoints& PointsLayer::NoPoints() {
  static const PlotPoints none;
  return none;
}

void PointsLayer::SetPoints(PlotPoints points) {
  points_ = PairCount(points) == 0 ? nullptr : std::make_shared<const PlotPoints>(std::move(points));
  if (reduction_) reduction_->valid = false;
}

bool PointsLayer::Empty() const { return PairCount(Points()) == 0; }

const PointsReduction& PointsLayer::Reduced() {
  if (!reduction_) reduction_ = std::make_unique<PointsReduction>();  // after a move
  PointsReduction& r = *reduction_;
  if (!r.valid || !(r.key == KeyOf(Frame))) ReducePoints(Points(), r);
  return r;
}

void PointsLayer::Draw(Canvas& canvas) {
  if (!Empty()) PaintReduction(canvas, Reduced(), Points());
}

void PointsLayer::DrawResiduals(Canvas& canvas, std::string_view term) {
  if (!Empty()) PaintResiduals(canvas, Reduced(), Points(), term);
}

int PointsLayer::PairsOutside() {
  if (Empty()) return 0;
  return static_cast<int>(std::min<std::int64_t>(Reduced().outside, INT32_MAX));
}

std::int64_t PointsLayer::PixelsIn(const PixelBox& box) {
  if (Empty()) return 0;
  const PointsReduction& r = Reduced();
  if (!r.reduced) {
    // Areas too large for a grid: the pairs' centres.
    std::int64_t count = 0;
    const PlotPoints& points = Points();
    for (std::size_t i = 0; i < PairCount(points); ++i) {
      const double column = XToColumnF(points.x[i]), row = YToRowF(points.y[i]);
      count += column >= box.left && column < box.left + box.width && row >= box.top &&
               row < box.top + box.height;
    }
    return count;
  }
  const int left = std::max(box.left, 0), right = std::min(box.left + box.width, r.width);
  const int top = std::max(box.top, 0), bottom = std::min(box.top + box.height, r.height);
  std::int64_t count = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x)
      count += r.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(r.width) +
                        static_cast<std::size_t>(x)] != platform::kClearPixel;
  return count;
}

}  // namespace graph_reduziert
