// The shown fit written into the picture: a small box of lines in the corner
// of the data area that hides the fewest marks.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "fktint/fktint.h"
#include "graph_reduziert/graph_reduziert.h"
#include "platform/canvas.h"

namespace graph_reduziert {

namespace {

constexpr int kPadding = 4;        // between the rim and the text
constexpr int kCornerInset = 4;    // between the box and the area's edges
constexpr int kCurveStride = 6;    // columns of the curve looked at
constexpr platform::Color kRim{160, 160, 160};

}  // namespace

PixelBox CaptionBox(platform::Canvas& canvas, const std::vector<std::string>& lines) {
  int width = 0;
  for (const std::string& line : lines) width = std::max(width, canvas.TextWidthUtf8(line));
  const int height = canvas.TextHeight("0") * static_cast<int>(lines.size());
  return {0, 0, width + 2 * kPadding, height + 2 * kPadding};
}

PixelBox QuietestCorner(PixelBox box,
                        const std::function<std::int64_t(const PixelBox&)>& marksIn) {
  const int right = std::max(kCornerInset, Frame.PlotWidth - kCornerInset - box.width);
  const int bottom = std::max(kCornerInset, Frame.PlotHeight - kCornerInset - box.height);
  const std::array<std::array<int, 2>, 4> corners{
      {{kCornerInset, kCornerInset}, {right, kCornerInset}, {kCornerInset, bottom}, {right, bottom}}};
  PixelBox best = box;
  std::int64_t fewest = INT64_MAX;
  for (const auto& [left, top] : corners) {
    box.left = left;
    box.top = top;
    const std::int64_t marks = marksIn(box);
    if (marks < fewest) {
      fewest = marks;
      best = box;
    }
  }
  return best;
}

std::int64_t MarksIn(const PlotContents& contents, std::string_view term, const PixelBox& box) {
  std::int64_t marks = 0;
  for (const PlotPair& p : contents.pairs) {
    const double column = XToColumnF(p.x), row = YToRowF(p.y);
    marks += column >= box.left && column < box.left + box.width && row >= box.top &&
             row < box.top + box.height;
  }
  if (term.find_first_not_of(' ') == std::string_view::npos) return marks;
  const auto saved = fktint::EvalError;
  for (int column = box.left; column < box.left + box.width; column += kCurveStride) {
    const double y = fktint::EvaluateTerm(term, ColumnToX(column));
    if (fktint::EvalError == 1 || fktint::EvalError == 2 || !std::isfinite(y)) continue;
    const double row = YToRowF(y);
    marks += row >= box.top && row < box.top + box.height;
  }
  fktint::EvalError = saved;
  return marks;
}

void DrawCaption(platform::Canvas& canvas, const PixelBox& box,
                 const std::vector<std::string>& lines) {
  const int right = box.left + box.width, bottom = box.top + box.height;
  const platform::Point rim[] = {{box.left, box.top}, {right, box.top}, {right, bottom},
                                 {box.left, bottom}};
  canvas.SetPenWidth(1);
  canvas.SetPenStyle(platform::PenStyle::Solid);
  canvas.SetPenColor(kRim);
  canvas.SetBrushColor(platform::kWhite);
  canvas.Polygon(rim);
  canvas.SetBrushClear();
  canvas.SetPenColor(platform::kBlack);
  canvas.SetFontColor(platform::kBlack);
  const int lineHeight = canvas.TextHeight("0");
  for (std::size_t i = 0; i < lines.size(); ++i)
    canvas.TextOutUtf8(box.left + kPadding,
                       box.top + kPadding + lineHeight * static_cast<int>(i), lines[i]);
}

}  // namespace graph_reduziert
