// The frame of a view the user chose: dotted grid at nice tick steps, the
// axes at 0 or along the edges, tick marks and numbers that never overlap,
// and the note about pairs out of view.

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
constexpr int kTickHalf = 6;
// Numbers keep clear of the corners where the axis letters stand.
constexpr int kArrowZone = 26;
constexpr int kEdgeInset = 2;    // numbers keep this far inside the area
constexpr int kLetterZone = 22;  // x numbers end this far left of the right edge

constexpr platform::Color kHintInk{80, 80, 80};
constexpr platform::Color kHintRim{160, 160, 160};

// Where the axes stand and which side their numbers take.
struct AxisPlaces {
  bool xAtZero = false, yAtZero = false;
  int row = 0;     // the x axis
  int column = 0;  // the y axis
};

AxisPlaces PlaceAxes() {
  const PlotFrame& f = Frame;
  AxisPlaces a;
  a.xAtZero = f.YMin <= 0 && 0 <= f.YMax;
  a.yAtZero = f.XMin <= 0 && 0 <= f.XMax;
  a.row = a.xAtZero ? std::clamp(YToRow(0), 0, f.PlotHeight - 1) : f.PlotHeight - 1;
  a.column = a.yAtZero ? std::clamp(XToColumn(0), 0, f.PlotWidth - 1) : 0;
  return a;
}

// An axis at 0 gets the arrow; one along an edge a plain line.
void DrawAxisLines(Canvas& canvas, const AxisPlaces& a) {
  const int w = Frame.PlotWidth;
  const int h = Frame.PlotHeight;
  if (a.yAtZero) {
    grund::DrawArrow(canvas, a.column, h - 10, a.column, 10);
  } else {
    canvas.MoveTo(a.column, h);
    canvas.LineTo(a.column, -1);
  }
  canvas.SetPenWidth(1);
  canvas.SetBrushClear();
  const int yWidth = canvas.TextWidth("y");
  const int yLeft = a.column - 10 - yWidth >= 0 ? a.column - 10 - yWidth : a.column + 10;
  canvas.TextOut(yLeft, 10, "y");

  if (a.xAtZero) {
    grund::DrawArrow(canvas, 10, a.row, w - 10, a.row);
  } else {
    canvas.MoveTo(-1, a.row);
    canvas.LineTo(w, a.row);
  }
  canvas.SetPenWidth(1);
  canvas.SetBrushClear();
  const int xHeight = canvas.TextHeight("x");
  const int xTop = a.row - 5 - xHeight >= 0 ? a.row - 5 - xHeight : a.row + 5;
  canvas.TextOut(w - 10 - canvas.TextWidth("x"), xTop, "x");
}

// The rows the x numbers take: below the axis, or above it at the bottom.
int XLabelTop(Canvas& canvas, const AxisPlaces& a) {
  const int height = canvas.TextHeight("0");
  const int below = a.row + kTickHalf;
  return below + height <= Frame.PlotHeight - kEdgeInset ? below : a.row - kTickHalf - height;
}

void DrawXTicks(Canvas& canvas, const AxisPlaces& a, const AxisTicks& t) {
  const int w = Frame.PlotWidth;
  const int top = XLabelTop(canvas, a);
  for (int i = 0; i < t.count; ++i) {
    const double value = t.Value(i);
    const int column = XToColumn(value);
    canvas.MoveTo(column, a.row - kTickHalf);
    canvas.LineTo(column, a.row + kTickHalf + 1);
    if (column >= w - kArrowZone) continue;
    const bool atOrigin = value == 0 && a.yAtZero;
    if (atOrigin && a.xAtZero) continue;  // the single "0" stands there
    const std::string label = TickLabel(value, t.decimals);
    const int width = canvas.TextWidth(label);
    const int left = atOrigin ? column - 3 - width : column - width / 2;
    // Clear of the edges and of the letter "x" at the right end.
    if (left < kEdgeInset || left + width > w - kLetterZone) continue;
    canvas.TextOut(left, top, label);
  }
}

void DrawYTicks(Canvas& canvas, const AxisPlaces& a, const AxisTicks& t, int xBandTop,
                int xBandBottom) {
  const int h = Frame.PlotHeight;
  const int height = canvas.TextHeight("0");
  for (int i = 0; i < t.count; ++i) {
    const double value = t.Value(i);
    const int row = YToRow(value);
    canvas.MoveTo(a.column - kTickHalf, row);
    canvas.LineTo(a.column + kTickHalf + 1, row);
    if (row <= kArrowZone) continue;
    const bool atOrigin = value == 0 && a.xAtZero;
    if (atOrigin && a.yAtZero) continue;
    const std::string label = TickLabel(value, t.decimals);
    const int width = canvas.TextWidth(label);
    const int left = a.column - kTickHalf - 2 - width >= kEdgeInset
                         ? a.column - kTickHalf - 2 - width
                         : a.column + kTickHalf + 3;
    const int top = atOrigin ? row + 2 : row - height / 2;
    if (top < kEdgeInset || top + height > h - kEdgeInset) continue;
    // Never across the x axis's numbers.
    if (top + height > xBandTop - 2 && top < xBandBottom + 2) continue;
    canvas.TextOut(left, top, label);
  }
}

void DrawOriginZero(Canvas& canvas, const AxisPlaces& a) {
  if (!a.xAtZero || !a.yAtZero) return;
  const int width = canvas.TextWidth("0");
  const int left = a.column - 3 - width >= kEdgeInset ? a.column - 3 - width : a.column + 3;
  canvas.TextOut(left, XLabelTop(canvas, a), "0");
}

}  // namespace

void DrawViewAxes(Canvas& canvas) {
  const PlotFrame& f = Frame;
  if (f.PlotWidth <= 0 || f.PlotHeight <= 0) return;
  canvas.SetFontColor(platform::kBlack);
  canvas.SetPenWidth(1);
  canvas.SetPenColor(platform::kBlack);
  canvas.SetPenStyle(platform::PenStyle::Solid);

  const AxisTicks xt = ChooseTicks(f.XMin, f.XMax, f.PlotWidth, kXMinSpacing, kXLabelGap,
                                   [&](std::string_view s) { return canvas.TextWidth(s); });
  const int textHeight = canvas.TextHeight("0");
  const AxisTicks yt = ChooseTicks(f.YMin, f.YMax, f.PlotHeight, kYMinSpacing, kYLabelGap,
                                   [&](std::string_view) { return textHeight; });
  for (int i = 0; i < xt.count; ++i) {
    const int column = XToColumn(xt.Value(i));
    DottedGridLine(canvas, column, 0, column, f.PlotHeight);
  }
  for (int i = 0; i < yt.count; ++i) {
    const int row = YToRow(yt.Value(i));
    DottedGridLine(canvas, 0, row, f.PlotWidth, row);
  }

  const AxisPlaces a = PlaceAxes();
  DrawAxisLines(canvas, a);
  DrawXTicks(canvas, a, xt);
  const int xBandTop = XLabelTop(canvas, a);
  DrawYTicks(canvas, a, yt, xBandTop, xBandTop + textHeight);
  DrawOriginZero(canvas, a);
  canvas.SetFontColor(platform::kBlack);
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
