// The frame of a view the user chose: the data area framed, with tick marks
// on the frame, numbers and axis titles outside it (where no mark or curve
// can cover them), a dotted grid inside, and the note about pairs out of view.

#include <algorithm>
#include <cstdint>
#include <string>

#include "_grund/grund.h"
#include "graph_reduziert/graph_reduziert.h"
#include "graph_reduziert/gridline.h"
#include "graph_reduziert/pixel.h"
#include "platform/canvas.h"

namespace graph_reduziert {

namespace {

using platform::Canvas;

constexpr int kXMinSpacing = 66;  // at most about 12 numbers across 783 pixels
constexpr int kYMinSpacing = 42;  // at most about 12 numbers up 499 pixels
constexpr int kXLabelGap = 14;    // free pixels between neighbouring x numbers
constexpr int kYLabelGap = 10;

constexpr platform::Color kHintInk{80, 80, 80};
constexpr platform::Color kHintRim{160, 160, 160};

// The pixels the frame's parts keep from each other and from the edges.
constexpr int kTick = 5;         // tick marks reach this far out of the frame
constexpr int kNumberGap = 3;    // between a tick mark and its number
constexpr int kTitleGap = 4;     // between the x numbers and the x title
constexpr int kEdge = 4;         // between the outermost texts and the plot's edges
constexpr int kRightMargin = 16; // room for half the last x number
constexpr int kMinArea = 8;      // the data area never shrinks below this

int WidestYNumber(Canvas& canvas, const AxisTicks& t) {
  int widest = 0;
  for (int i = 0; i < t.count; ++i)
    widest = std::max(widest, canvas.TextWidth(TickLabel(t.Value(i), t.decimals)));
  return widest;
}

}  // namespace

ViewFrame LayOutViewFrame(Canvas& canvas, int width, int height, const PlotView& view) {
  ViewFrame frame;
  const int textHeight = canvas.TextHeight("0");
  frame.top = kEdge + textHeight + kEdge;  // the y title above the area
  const int below = kTick + kNumberGap + textHeight + kTitleGap + textHeight + kEdge;
  frame.height = std::max(kMinArea, height - frame.top - below);
  frame.yTicks = ChooseTicks(view.YMin, view.YMax, frame.height, kYMinSpacing, kYLabelGap,
                             [&](std::string_view) { return textHeight; });
  frame.left = kEdge + WidestYNumber(canvas, frame.yTicks) + kNumberGap + kTick + 1;
  frame.width = std::max(kMinArea, width - frame.left - kRightMargin);
  frame.xTicks = ChooseTicks(view.XMin, view.XMax, frame.width, kXMinSpacing, kXLabelGap,
                             [&](std::string_view s) { return canvas.TextWidth(s); });
  return frame;
}

void DrawViewGrid(Canvas& canvas, const ViewFrame& frame) {
  for (int i = 0; i < frame.xTicks.count; ++i) {
    const int column = XToColumn(frame.xTicks.Value(i));
    DottedGridLine(canvas, column, 0, column, frame.height);
  }
  for (int i = 0; i < frame.yTicks.count; ++i) {
    const int row = YToRow(frame.yTicks.Value(i));
    DottedGridLine(canvas, 0, row, frame.width, row);
  }
}

TitleBoxes DrawViewFrame(Canvas& canvas, const ViewFrame& frame, const AxisTitles& titles) {
  canvas.SetFontColor(platform::kBlack);
  canvas.SetPenWidth(1);
  canvas.SetPenColor(platform::kBlack);
  canvas.SetPenStyle(platform::PenStyle::Solid);
  canvas.SetBrushClear();
  // The frame just outside the area, so that nothing drawn inside covers it.
  const int left = frame.left - 1, top = frame.top - 1;
  const int right = frame.left + frame.width, bottom = frame.top + frame.height;
  const platform::Point box[] = {{left, top}, {right, top}, {right, bottom}, {left, bottom}};
  canvas.Polygon(box);

  const int textHeight = canvas.TextHeight("0");
  const int numbersTop = bottom + kTick + kNumberGap;
  int plotRight = right + kRightMargin;
  for (int i = 0; i < frame.xTicks.count; ++i) {
    const double value = frame.xTicks.Value(i);
    const int column = XToColumn(value);
    if (column < 0 || column > frame.width) continue;
    canvas.MoveTo(frame.left + column, bottom);
    canvas.LineTo(frame.left + column, bottom + kTick + 1);
    const std::string label = TickLabel(value, frame.xTicks.decimals);
    const int width = canvas.TextWidth(label);
    const int x = frame.left + column - width / 2;
    if (x < kEdge || x + width > plotRight) continue;
    canvas.TextOut(x, numbersTop, label);
  }
  for (int i = 0; i < frame.yTicks.count; ++i) {
    const double value = frame.yTicks.Value(i);
    const int row = YToRow(value);
    if (row < 0 || row > frame.height) continue;  // the bottom edge is the frame's line
    canvas.MoveTo(left, frame.top + row);
    canvas.LineTo(left - kTick - 1, frame.top + row);
    const std::string label = TickLabel(value, frame.yTicks.decimals);
    const int width = canvas.TextWidth(label);
    const int y = std::clamp(frame.top + row - textHeight / 2, kEdge, numbersTop - textHeight);
    canvas.TextOut(left - kTick - kNumberGap - width, y, label);
  }

  // The x title under the numbers at the right end, the y title above the
  // area at the left: where lab protocols put them.
  TitleBoxes boxes;
  const int xWidth = canvas.TextWidthUtf8(titles.x);
  const int xLeft = std::max(kEdge, right - xWidth);
  boxes.x = {xLeft, numbersTop + textHeight + kTitleGap, xWidth, textHeight};
  boxes.y = {frame.left, kEdge, canvas.TextWidthUtf8(titles.y), textHeight};
  canvas.TextOutUtf8(boxes.x.left, boxes.x.top, titles.x);
  canvas.TextOutUtf8(boxes.y.left, boxes.y.top, titles.y);
  return boxes;
}

std::string OutsideHintText(int count) {
  // Latin-1: 0xDF is the sharp s.
  return std::to_string(count) + (count == 1 ? " Wertepaar" : " Wertepaare") +
         " au\xDF"
         "erhalb - Doppelklick passt die Ansicht an";
}

void DrawOutsideHint(Canvas& canvas, int count) {
  if (count <= 0) return;
  const std::string text = OutsideHintText(count);
  const int width = canvas.TextWidth(text);
  const int height = canvas.TextHeight(text);
  const int right = Frame.PlotWidth - 4;
  const int left = right - width - 8;
  const int top = 4;
  const int bottom = top + height + 4;
  const platform::Point box[] = {{left, top}, {right, top}, {right, bottom}, {left, bottom}};
  canvas.SetPenColor(kHintRim);
  canvas.SetBrushColor(platform::kWhite);
  canvas.Polygon(box);
  canvas.SetBrushClear();
  canvas.SetPenColor(platform::kBlack);
  canvas.SetFontColor(kHintInk);
  canvas.TextOut(left + 4, top + 2, text);
  canvas.SetFontColor(platform::kBlack);
}

}  // namespace graph_reduziert
