#pragma once
// The grid line shared by the specified frame and the frames of user views.

#include "platform/canvas.h"

namespace graph_reduziert {

// A light grey dotted line; the pen is black and solid again afterwards.
inline void DottedGridLine(platform::Canvas& canvas, int x1, int y1, int x2, int y2) {
  canvas.SetPenColor(platform::kLightGrey);
  canvas.SetPenStyle(platform::PenStyle::Dotted);
  canvas.MoveTo(x1, y1);
  canvas.LineTo(x2, y2);
  canvas.SetPenColor(platform::kBlack);
  canvas.SetPenStyle(platform::PenStyle::Solid);
}

}  // namespace graph_reduziert
