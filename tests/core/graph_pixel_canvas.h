#pragma once
// A canvas that paints into an array of colours, for comparing drawings
// pixel by pixel without Qt. It knows what the plot needs of the discs and
// the bars: horizontal and vertical lines (end point left out), set pixel,
// blocks of pixels, and the 7-pixel disc the window's canvas paints in a
// 7 x 7 box. Anything else counts as unsupported, so a test notices.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/canvas.h"

namespace graph_test {

class PixelCanvas : public platform::Canvas {
 public:
  PixelCanvas(int width, int height, bool vectors = false)
      : width_(width),
        height_(height),
        vectors_(vectors),
        pixels_(static_cast<std::size_t>(width) * height, platform::kWhite) {}

  const std::vector<platform::Color>& Pixels() const { return pixels_; }
  platform::Color At(int x, int y) const {
    return pixels_[static_cast<std::size_t>(y) * width_ + x];
  }
  bool Unsupported() const { return unsupported_; }
  // The largest distance of any coordinate handed in from the area.
  long long FarthestOutside() const { return farthest_; }
  int Calls() const { return calls_; }

  void MoveTo(int x, int y) override {
    Note(x, y);
    pen_ = {x, y};
  }
  void LineTo(int x, int y) override {
    Note(x, y);
    const platform::Point from = pen_;
    pen_ = {x, y};
    if (from.x != x && from.y != y) {
      unsupported_ = true;
      return;
    }
    const int steps = std::max(std::abs(x - from.x), std::abs(y - from.y));
    const int dx = x > from.x ? 1 : x < from.x ? -1 : 0;
    const int dy = y > from.y ? 1 : y < from.y ? -1 : 0;
    for (int k = 0; k < steps; ++k) Paint(from.x + k * dx, from.y + k * dy, penColor_);
  }
  void Polygon(std::span<const platform::Point>) override { unsupported_ = true; }
  void Ellipse(int left, int top, int right, int bottom) override {
    Note(left, top);
    Note(right, bottom);
    if (right - left != 7 || bottom - top != 7) {
      unsupported_ = true;
      return;
    }
    static const char* const kDisc[7] = {"..###..", ".#ooo#.", "#ooooo#", "#ooooo#",
                                         "#ooooo#", ".#ooo#.", "..###.."};
    for (int r = 0; r < 7; ++r) {
      for (int c = 0; c < 7; ++c) {
        if (kDisc[r][c] == '#') Paint(left + c, top + r, penColor_);
        if (kDisc[r][c] == 'o' && brushSolid_) Paint(left + c, top + r, brushColor_);
      }
    }
  }
  void SetPixel(int x, int y, platform::Color color) override {
    Note(x, y);
    Paint(x, y, color);
  }
  void TextOut(int, int, std::string_view) override { unsupported_ = true; }
  int TextWidth(std::string_view) override { return 0; }
  int TextHeight(std::string_view) override { return 0; }
  void SetPenColor(platform::Color color) override { penColor_ = color; }
  platform::Color PenColor() const override { return penColor_; }
  void SetPenWidth(int width) override { unsupported_ = unsupported_ || width != 1; }
  void SetPenStyle(platform::PenStyle) override {}
  void SetBrushColor(platform::Color color) override {
    brushColor_ = color;
    brushSolid_ = true;
  }
  void SetBrushClear() override { brushSolid_ = false; }
  void SetFont(std::string_view, int) override {}
  void SetFontColor(platform::Color) override {}
  void SetTransparentTextBackground() override {}
  void BeginArea(int, int, int, int) override {}
  void EndArea() override {}
  void DrawPixels(const platform::PixelBlock& block) override {
    ++blocks_;
    Note(block.left, block.top);
    Note(block.left + block.width, block.top + block.height);
    platform::Canvas::DrawPixels(block);  // pixel by pixel through SetPixel
  }
  bool DrawsVectors() const override { return vectors_; }
  int Blocks() const { return blocks_; }

 private:
  void Paint(int x, int y, platform::Color color) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    pixels_[static_cast<std::size_t>(y) * width_ + x] = color;
  }
  void Note(long long x, long long y) {
    ++calls_;
    const long long outX = x < 0 ? -x : std::max(0LL, x - width_);
    const long long outY = y < 0 ? -y : std::max(0LL, y - height_);
    farthest_ = std::max({farthest_, outX, outY});
  }

  int width_, height_;
  bool vectors_;
  std::vector<platform::Color> pixels_;
  platform::Point pen_;
  platform::Color penColor_ = platform::kBlack;
  platform::Color brushColor_ = platform::kWhite;
  bool brushSolid_ = true;
  bool unsupported_ = false;
  long long farthest_ = 0;
  int calls_ = 0;
  int blocks_ = 0;
};

}  // namespace graph_test
