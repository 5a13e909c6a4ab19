// The reduction of PlotPoints for one frame: one pass over the pairs, from
// the last to the first, keeps each disc centre once, at its last place in
// the drawing order (a disc drawn again at the same centre hides the earlier
// one whole), sums the bar lines per column, marks the caps and gathers the
// rows residual lines reach. pointscompose.cpp turns that into pixels.

#include "graph_reduziert/pointsreduction.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <thread>

namespace graph_reduziert {

namespace {

using platform::kClearPixel;

// Areas up to this many pixels, and no side longer than kMaxSide, get a
// pixel grid; larger ones are drawn pair by pair.
constexpr std::int64_t kMaxReducedPixels = std::int64_t{1} << 24;
constexpr std::int32_t kMaxSide = 1 << 15;

// The frame's mapping with its kind fixed, so that the pass over the pairs
// does not branch on it; the arithmetic is that of ColumnIn and RowIn.
template <bool kRanged>
struct Mapping {
  explicit Mapping(const PlotFrame& f)
      : xMin(f.XMin),
        xScale(f.XScale),
        yMax(f.YMax),
        yScale(f.YScale),
        originColumn(f.OriginColumn),
        originRow(f.OriginRow) {}
  double Column(double x) const {
    if constexpr (kRanged) return (x - xMin) * xScale;
    return x * xScale + originColumn;
  }
  double Row(double y) const {
    if constexpr (kRanged) return (yMax - y) * yScale;
    return -y * yScale + originRow;
  }
  double xMin, xScale, yMax, yScale, originColumn, originRow;
};

// One bit per cell keeps the grids small enough for the fastest caches.
bool TestAndSet(std::vector<std::uint64_t>& bits, std::size_t index) {
  std::uint64_t& word = bits[index / 64];
  const std::uint64_t bit = std::uint64_t{1} << (index % 64);
  const bool was = (word & bit) != 0;
  word |= bit;
  return was;
}

template <bool kRanged>
class Reducer {
 public:
  Reducer(const PlotFrame& f, PointsReduction& r, std::size_t pairs)
      : f_(f),
        m_(f),
        r_(r),
        w_(r.width),
        h_(r.height),
        gridHeight_(CentreGridHeight(r)),
        capHeight_(static_cast<std::size_t>(r.height)) {
    r_.anyBar = false;
    const std::size_t gridWidth = static_cast<std::size_t>(w_) + 2 * kPad;
    // Room for every centre the pairs can have and one more: each pair
    // writes its centre behind those kept, and only a new one is counted.
    r_.centres.assign(std::min(gridWidth * gridHeight_, pairs) + 1, 0);
    r_.seenCentre.assign(gridWidth * gridHeight_ / 64 + 1, 0);
    r_.capCentre.assign(gridWidth * capHeight_, 0);
    r_.barColumn.assign(static_cast<std::size_t>(w_), 0);
    r_.barDepth.assign(static_cast<std::size_t>(w_) * (h_ + 1), 0);
    r_.highestMark.assign(static_cast<std::size_t>(w_), kNoMarkAbove);
    r_.lowestMark.assign(static_cast<std::size_t>(w_), kNoMarkBelow);
  }

  // Pairs come in reverse drawing order.
  void Add(double x, double y, double sigma) {
    outside_ += PointOutside(f_, x, y, sigma) ? 1 : 0;
    if (!(std::fabs(y) <= kLargest)) return;                      // infinite or not a number
    const double columnF = m_.Column(x);                          // not a number for x: fails below
    if (!(columnF >= -kPad - 1 && columnF <= w_ + kPad)) return;  // nothing of it shows
    const std::int32_t column = NearestSmall(columnF);
    if (column < -kPad || column >= w_ + kPad) return;
    const double rowF = m_.Row(y);
    if (std::isnan(rowF)) return;
    if (column >= 0 && column < w_) AddResidualEnd(column, rowF);
    if (sigma != 0) AddBar(column, y, sigma);
    AddCentre(column, rowF);
  }

  void Finish() {
    FlushResidualEnds();
    FlushBar();
    r_.centres.resize(centreCount_);
    r_.outside = outside_;
  }

 private:
  static constexpr double kLargest = 1.7976931348623157e308;

  // Neighbours in the list mostly share a column: their rows and bars are
  // gathered here and stored once the column changes.
  void AddResidualEnd(std::int32_t column, double rowF) {
    const double held = std::clamp(rowF, -1.0 * kResidualRowOverhang,
                                   static_cast<double>(h_) + kResidualRowOverhang);
    const std::int32_t row = NearestSmall(held);  // what HeldRow gives
    if (column != residualColumn_) {
      FlushResidualEnds();
      residualColumn_ = column, highest_ = row, lowest_ = row;
      return;
    }
    highest_ = std::min(highest_, row);
    lowest_ = std::max(lowest_, row);
  }
  void FlushResidualEnds() {
    if (residualColumn_ < 0) return;
    auto& highest = r_.highestMark[static_cast<std::size_t>(residualColumn_)];
    auto& lowest = r_.lowestMark[static_cast<std::size_t>(residualColumn_)];
    highest = std::min(highest, highest_);
    lowest = std::max(lowest, lowest_);
  }

  void AddCentre(std::int32_t column, double rowF) {
    if (!(rowF >= -kPad - 1 && rowF <= h_ + kPad)) return;
    const std::int32_t row = NearestSmall(rowF);
    if (row < -kPad || row >= h_ + kPad) return;
    const std::size_t index = static_cast<std::size_t>(column + kPad) * gridHeight_ +
                              static_cast<std::size_t>(row + kPad);
    // A later disc at this centre hides this one. Without a branch: whether
    // a centre is new is as good as random in noisy data.
    r_.centres[centreCount_] = static_cast<std::int32_t>(index);
    centreCount_ += TestAndSet(r_.seenCentre, index) ? 0 : 1;
  }

  void AddBar(std::int32_t column, double y, double sigma) {
    std::int32_t top = 0, bottom = 0;
    if (!BarRows([this](double v) { return m_.Row(v); }, h_, y, sigma, top, bottom)) return;
    r_.anyBar = true;
    // An end beyond the area gets no cap: the bar is cut there.
    for (const std::int32_t end : {top, bottom}) {
      if (end < 0 || end >= h_) continue;
      r_.capCentre[static_cast<std::size_t>(column + kPad) * capHeight_ +
                   static_cast<std::size_t>(end)] = 1;
    }
    if (column < 0 || column >= w_) return;
    top = std::max(top, 0), bottom = std::min(bottom, h_ - 1);
    if (column == barColumn_ && top <= barBottom_ + 1 && bottom + 1 >= barTop_) {
      barTop_ = std::min(barTop_, top), barBottom_ = std::max(barBottom_, bottom);
      return;
    }
    FlushBar();
    barColumn_ = column, barTop_ = top, barBottom_ = bottom;
  }
  // Lines are summed per column: +1 where one starts, -1 below its end.
  void FlushBar() {
    if (barColumn_ < 0) return;
    const std::size_t base = static_cast<std::size_t>(barColumn_) * (h_ + 1);
    ++r_.barDepth[base + static_cast<std::size_t>(barTop_)];
    --r_.barDepth[base + static_cast<std::size_t>(barBottom_) + 1];
    r_.barColumn[static_cast<std::size_t>(barColumn_)] = 1;
  }

  // Copies, which the stores into the grids cannot touch: the compiler
  // keeps them in registers.
  const PlotFrame f_;
  const Mapping<kRanged> m_;
  PointsReduction& r_;
  const std::int32_t w_, h_;
  const std::size_t gridHeight_, capHeight_;
  std::int64_t outside_ = 0;
  std::size_t centreCount_ = 0;
  std::int32_t residualColumn_ = -1, highest_ = 0, lowest_ = 0;
  std::int32_t barColumn_ = -1, barTop_ = 0, barBottom_ = 0;
};

// Pairs from..to-1, in reverse drawing order.
template <bool kRanged>
void AddPairs(const PlotFrame& f, const PlotPoints& points, std::size_t from, std::size_t to,
              PointsReduction& r) {
  Reducer<kRanged> reducer(f, r, to - from);
  if (points.sigma.empty()) {
    for (std::size_t i = to; i-- > from;) reducer.Add(points.x[i], points.y[i], 0);
  } else {
    for (std::size_t i = to; i-- > from;) reducer.Add(points.x[i], points.y[i], BarOf(points, i));
  }
  reducer.Finish();
}

// What the earlier pairs add behind the later ones': the centres not seen
// yet, in their order, and the rest by union, sum or bound. A bar split
// across both counts twice in its column; only whether rows are covered
// matters.
void MergeEarlier(const PointsReduction& earlier, PointsReduction& r) {
  for (const std::int32_t index : earlier.centres)
    if (!TestAndSet(r.seenCentre, static_cast<std::size_t>(index))) r.centres.push_back(index);
  for (std::size_t i = 0; i < r.capCentre.size(); ++i) r.capCentre[i] |= earlier.capCentre[i];
  for (std::size_t i = 0; i < r.barColumn.size(); ++i) r.barColumn[i] |= earlier.barColumn[i];
  for (std::size_t i = 0; i < r.barDepth.size(); ++i) r.barDepth[i] += earlier.barDepth[i];
  for (std::size_t i = 0; i < r.highestMark.size(); ++i) {
    r.highestMark[i] = std::min(r.highestMark[i], earlier.highestMark[i]);
    r.lowestMark[i] = std::max(r.lowestMark[i], earlier.lowestMark[i]);
  }
  r.anyBar = r.anyBar || earlier.anyBar;
  r.outside += earlier.outside;
}

// Long series in two halves at once, the earlier pairs on a thread of their
// own; the result is that of one pass. Merging costs a pass over the grids,
// so the halves pay only where the pairs outnumber the pixels.
template <bool kRanged>
void AddPairs(const PlotFrame& f, const PlotPoints& points, std::size_t splitFrom,
              PointsReduction& r) {
  const std::size_t n = PairCount(points);
  const std::size_t pixels = static_cast<std::size_t>(r.width) * static_cast<std::size_t>(r.height);
  if (n < splitFrom || n < 2 || pixels > n || std::thread::hardware_concurrency() < 2) {
    AddPairs<kRanged>(f, points, 0, n, r);
    return;
  }
  const std::size_t half = n / 2;
  PointsReduction earlier;
  earlier.width = r.width;
  earlier.height = r.height;
  std::thread worker([&] { AddPairs<kRanged>(f, points, 0, half, earlier); });
  AddPairs<kRanged>(f, points, half, n, r);
  worker.join();
  MergeEarlier(earlier, r);
}

}  // namespace

FrameKey KeyOf(const PlotFrame& f) {
  return {f.PlotWidth, f.PlotHeight, f.Ranged, f.XMin,         f.XMax,     f.YMin,
          f.YMax,      f.XScale,     f.YScale, f.OriginColumn, f.OriginRow};
}

void ReducePoints(const PlotPoints& points, PointsReduction& r, std::size_t splitFrom) {
  const PlotFrame& f = Frame;
  r.key = KeyOf(f);
  r.valid = true;
  r.width = std::max(f.PlotWidth, 0);
  r.height = std::max(f.PlotHeight, 0);
  r.reduced = r.width <= kMaxSide && r.height <= kMaxSide &&
              std::int64_t{r.width} * r.height <= kMaxReducedPixels;
  const std::size_t n = PairCount(points);
  if (!r.reduced || r.width == 0 || r.height == 0) {
    r.pixels.clear();
    r.discs.clear();
    r.barRuns.clear();
    r.highestMark.clear();
    r.lowestMark.clear();
    r.top = 0, r.bottom = -1, r.left = 0, r.right = -1;
    r.outside = 0;
    for (std::size_t i = 0; i < n; ++i)
      r.outside += PointOutside(f, points.x[i], points.y[i], BarOf(points, i)) ? 1 : 0;
    return;
  }
  if (f.Ranged)
    AddPairs<true>(f, points, splitFrom, r);
  else
    AddPairs<false>(f, points, splitFrom, r);
  ComposeReduction(r);
}

}  // namespace graph_reduziert
