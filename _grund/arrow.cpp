#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>

#include "_grund/grund.h"
#include "platform/canvas.h"

namespace grund {

namespace {

constexpr double kHeadLength = 14;
// Half the opening angle of the head, in radians (about 15.15 degrees): the
// corners stand about 4 pixels to either side of the line.
constexpr double kHalfOpening = 0.264346095279206;

// A corner offset: at most 14 in size, so no range question arises.
int RoundOffset(double v) { return static_cast<int>(std::nearbyint(v)); }

// x2 + dx for a tip at the edge of the integer range stays in that range.
int Offset(int base, int delta) {
  const std::int64_t sum = std::int64_t{base} + delta;
  return static_cast<int>(std::clamp<std::int64_t>(sum, std::numeric_limits<int>::min(),
                                                   std::numeric_limits<int>::max()));
}

// The direction angle of the head, measured with the row axis pointing up.
double DirectionAngle(int x1, int y1, int x2, int y2) {
  if (x2 == x1) return y2 < y1 ? -std::numbers::pi / 2 : std::numbers::pi / 2;
  const double slope = (static_cast<double>(y2) - y1) / (static_cast<double>(x2) - x1);
  return std::numbers::pi - std::atan(slope);
}

platform::Point HeadCorner(double angle, int x1, int x2, int y2) {
  int dx = RoundOffset(kHeadLength * std::cos(angle));
  int dy = RoundOffset(kHeadLength * std::sin(angle));
  if (x1 > x2) dx = -dx, dy = -dy;
  return {Offset(x2, dx), Offset(y2, -dy)};
}

}  // namespace

void DrawArrow(platform::Canvas& canvas, int x1, int y1, int x2, int y2) {
  canvas.MoveTo(x1, y1);
  canvas.LineTo(x2, y2);
  if (x2 == x1 && y2 == y1) return;  // no direction, no head

  const double angle = DirectionAngle(x1, y1, x2, y2);
  const std::array<platform::Point, 3> head{HeadCorner(angle - kHalfOpening, x1, x2, y2),
                                            platform::Point{x2, y2},
                                            HeadCorner(angle + kHalfOpening, x1, x2, y2)};
  canvas.SetBrushColor(canvas.PenColor());
  canvas.Polygon(head);
  canvas.SetBrushClear();
}

}  // namespace grund
