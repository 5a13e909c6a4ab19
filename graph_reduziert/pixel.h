#pragma once
// Conversions of world positions to pixel coordinates, shared by the frame,
// the axes and the curves.

#include <cmath>
#include <cstdint>
#include <limits>

namespace graph_reduziert {

inline constexpr std::int32_t kLowestPixel = std::numeric_limits<std::int32_t>::min();
inline constexpr std::int32_t kHighestPixel = std::numeric_limits<std::int32_t>::max();

// The nearest integer, ties to even. Positions beyond the 32-bit range are
// clamped to its ends, and a position that is not a number counts as the
// lowest one; either way it lies far off any canvas.
inline std::int32_t Nearest(double v) {
  if (std::isnan(v)) return kLowestPixel;
  const double rounded = std::nearbyint(v);
  if (rounded <= kLowestPixel) return kLowestPixel;
  if (rounded >= kHighestPixel) return kHighestPixel;
  return static_cast<std::int32_t>(rounded);
}

// A coordinate computed in 64 bits, brought back into the canvas's range.
inline std::int32_t ClampPixel(std::int64_t v) {
  if (v < kLowestPixel) return kLowestPixel;
  if (v > kHighestPixel) return kHighestPixel;
  return static_cast<std::int32_t>(v);
}

}  // namespace graph_reduziert
