// The second half of a reduction: the disc centres found are stamped from
// the top of the drawing order down, each only on pixels no later disc
// painted, which gives the pixels of drawing every disc in order and tells
// which discs show at all; then the bar lines and caps go on the pixels the
// discs left clear, and into runs for vector devices.

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "graph_reduziert/pointsreduction.h"

namespace graph_reduziert {

namespace {

using platform::kClearPixel;

const std::uint32_t kBarPixel = platform::OpaquePixel(kBarColour);

// The disc the canvas paints in a box of 7 x 7 pixels: '#' outline, 'o'
// inside, '.' outside.
constexpr const char* kDiscPicture[2 * kDiscReach + 1] = {
    "..###..", ".#ooo#.", "#ooooo#", "#ooooo#", "#ooooo#", ".#ooo#.", "..###.."};

void Include(PointsReduction& r, int left, int top, int right, int bottom) {
  r.left = std::min(r.left, left);
  r.right = std::max(r.right, right);
  r.top = std::min(r.top, top);
  r.bottom = std::max(r.bottom, bottom);
}

// The picture as pixel values, worked out once by the compiler.
struct DiscStamp {
  std::uint32_t pixel[2 * kDiscReach + 1][2 * kDiscReach + 1] = {};
  constexpr DiscStamp() {
    for (int r = 0; r <= 2 * kDiscReach; ++r)
      for (int c = 0; c <= 2 * kDiscReach; ++c)
        pixel[r][c] = kDiscPicture[r][c] == '#'   ? platform::OpaquePixel(platform::kBlack)
                      : kDiscPicture[r][c] == 'o' ? platform::OpaquePixel(platform::kAqua)
                                                  : kClearPixel;
  }
};
constexpr DiscStamp kDisc;

// Paints the disc on the pixels still clear; true when it painted any.
// Without branches per pixel: where discs overlap, which pixels are clear
// is anybody's guess.
bool StampDisc(PointsReduction& r, int column, int row) {
  const int left = column - kDiscReach, top = row - kDiscReach;
  const int fromX = std::max(left, 0), toX = std::min(column + kDiscReach, r.width - 1);
  const int fromY = std::max(top, 0), toY = std::min(row + kDiscReach, r.height - 1);
  std::uint32_t painted = 0;
  for (int y = fromY; y <= toY; ++y) {
    std::uint32_t* line = r.pixels.data() + static_cast<std::size_t>(y) * r.width;
    const std::uint32_t* stamp = kDisc.pixel[y - top];
    for (int x = fromX; x <= toX; ++x) {
      const std::uint32_t old = line[x];
      const std::uint32_t fresh = old == kClearPixel ? stamp[x - left] : kClearPixel;
      line[x] = old | fresh;
      painted |= fresh;
    }
  }
  if (painted != 0) Include(r, fromX, fromY, toX, toY);
  return painted != 0;
}

// Paints a bar run on the pixels the discs left clear.
void AddBarRun(PointsReduction& r, const PixelRun& run) {
  r.barRuns.push_back(run);
  Include(r, run.x0, run.y0, run.x1, run.y1);
  for (int y = run.y0; y <= run.y1; ++y) {
    std::uint32_t* line = r.pixels.data() + static_cast<std::size_t>(y) * r.width;
    for (int x = run.x0; x <= run.x1; ++x)
      if (line[x] == kClearPixel) line[x] = kBarPixel;
  }
}

// The bar lines: per column, the rows covered by at least one bar.
void CollectBarLines(PointsReduction& r) {
  for (int column = 0; column < r.width; ++column) {
    if (r.barColumn[static_cast<std::size_t>(column)] == 0) continue;
    const std::int32_t* depth =
        r.barDepth.data() + static_cast<std::size_t>(column) * (r.height + 1);
    std::int32_t covering = 0;
    int start = -1;
    for (int row = 0; row <= r.height; ++row) {
      covering += depth[row];
      const bool covered = row < r.height && covering > 0;
      if (covered && start < 0) start = row;
      if (!covered && start >= 0) {
        AddBarRun(r, {column, start, column, row - 1, true});
        start = -1;
      }
    }
  }
}

// The caps: each pixel within kCapReach of a cap's centre, gathered per
// row into runs.
void CollectCaps(PointsReduction& r) {
  const auto height = static_cast<std::size_t>(r.height);
  r.capCover.assign(static_cast<std::size_t>(r.width) * r.height, 0);
  r.capRow.assign(static_cast<std::size_t>(r.height), 0);
  for (int cell = 0; cell < r.width + 2 * kPad; ++cell) {
    // Cell k holds the centres of column k - kPad, which cover the pixels
    // k - kPad - kCapReach .. k - kPad + kCapReach.
    const int from = std::max(cell - kPad - kCapReach, 0);
    const int to = std::min(cell - kPad + kCapReach, r.width - 1);
    const std::uint8_t* centres = r.capCentre.data() + static_cast<std::size_t>(cell) * height;
    for (int row = 0; row < r.height; ++row) {
      if (centres[row] == 0) continue;
      std::uint8_t* line = r.capCover.data() + static_cast<std::size_t>(row) * r.width;
      std::fill(line + from, line + to + 1, std::uint8_t{1});
      r.capRow[static_cast<std::size_t>(row)] = 1;
    }
  }
  for (int row = 0; row < r.height; ++row) {
    if (r.capRow[static_cast<std::size_t>(row)] == 0) continue;
    const std::uint8_t* line = r.capCover.data() + static_cast<std::size_t>(row) * r.width;
    for (int x = 0; x < r.width;) {
      if (line[x] == 0) {
        ++x;
        continue;
      }
      const int start = x;
      while (x < r.width && line[x] != 0) ++x;
      AddBarRun(r, {start, row, x - 1, row, false});
    }
  }
}

}  // namespace

void ComposeReduction(PointsReduction& r) {
  r.pixels.assign(static_cast<std::size_t>(r.width) * r.height, kClearPixel);
  r.discs.clear();
  r.barRuns.clear();
  r.left = r.width, r.top = r.height, r.right = -1, r.bottom = -1;
  const auto gridHeight = static_cast<std::int32_t>(CentreGridHeight(r));
  // Latest first: each disc on what the later ones left.
  for (const std::int32_t index : r.centres) {
    const int column = index / gridHeight - kPad, row = index % gridHeight - kPad;
    if (StampDisc(r, column, row)) r.discs.push_back({column, row});
  }
  std::reverse(r.discs.begin(), r.discs.end());
  if (!r.anyBar) return;
  CollectBarLines(r);
  CollectCaps(r);
}

}  // namespace graph_reduziert
