#pragma once
// A canvas that draws nothing and writes down every call as one line of text,
// for tests and fuzzers. Text is measured with a fixed advance per character,
// so the positions of labels are predictable.

#include <string>
#include <vector>

#include "platform/canvas.h"

namespace platform {

class RecordingCanvas : public Canvas {
 public:
  explicit RecordingCanvas(int charWidth = 7, int textHeight = 14)
      : charWidth_(charWidth), textHeight_(textHeight) {}

  // Every call so far, such as "MoveTo 392 489" or "TextOut 381 256 0".
  const std::vector<std::string>& Calls() const { return calls_; }
  void ClearCalls() { calls_.clear(); }

  void MoveTo(int x, int y) override { Record("MoveTo", x, y); }
  void LineTo(int x, int y) override { Record("LineTo", x, y); }
  void Polygon(std::span<const Point> corners) override {
    std::string line = "Polygon";
    for (const Point& p : corners) {  // piecewise: g++ 12 warns falsely on " " + string
      line += ' ';
      line += std::to_string(p.x);
      line += ' ';
      line += std::to_string(p.y);
    }
    calls_.push_back(line);
  }
  void Ellipse(int left, int top, int right, int bottom) override {
    Record("Ellipse", left, top, right, bottom);
  }
  void SetPixel(int x, int y, Color c) override {
    Record("SetPixel", x, y, c.red, c.green, c.blue);
  }
  void TextOut(int x, int y, std::string_view text) override {
    calls_.push_back("TextOut " + std::to_string(x) + " " + std::to_string(y) + " " +
                     std::string(text));
  }
  int TextWidth(std::string_view text) override {
    return charWidth_ * static_cast<int>(text.size());
  }
  int TextHeight(std::string_view) override { return textHeight_; }

  void SetPenColor(Color c) override {
    penColor_ = c;
    Record("PenColor", c.red, c.green, c.blue);
  }
  // A query, not a drawing call: it is not recorded.
  Color PenColor() const override { return penColor_; }
  void SetPenWidth(int width) override { Record("PenWidth", width); }
  void SetPenStyle(PenStyle style) override {
    calls_.push_back(style == PenStyle::Solid ? "PenStyle Solid" : "PenStyle Dotted");
  }
  void SetBrushColor(Color c) override { Record("BrushColor", c.red, c.green, c.blue); }
  void SetBrushClear() override { calls_.push_back("BrushClear"); }
  void SetFont(std::string_view family, int points) override {
    calls_.push_back("Font " + std::string(family) + " " + std::to_string(points));
  }
  void SetFontColor(Color c) override { Record("FontColor", c.red, c.green, c.blue); }
  void SetTransparentTextBackground() override { calls_.push_back("TransparentText"); }
  // "Pixels left top width height painted", painted counting the block's
  // opaque pixels.
  void DrawPixels(const PixelBlock& block) override {
    long long painted = 0;
    if (block.Holds()) {
      for (int r = 0; r < block.height; ++r)
        for (int c = 0; c < block.width; ++c)
          painted += block.pixels[static_cast<std::size_t>(r) * block.stride + c] != kClearPixel;
    }
    Record("Pixels", block.left, block.top, block.width, block.height, painted);
  }
  void BeginArea(int left, int top, int width, int height) override {
    Record("Area", left, top, width, height);
  }
  void EndArea() override { calls_.push_back("EndArea"); }
  void TextOutUtf8(int x, int y, std::string_view text) override {
    calls_.push_back("TextUtf8 " + std::to_string(x) + " " + std::to_string(y) + " " +
                     std::string(text));
  }
  // One advance per character, not per byte.
  int TextWidthUtf8(std::string_view text) override {
    int characters = 0;
    for (const char c : text) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return charWidth_ * characters;
  }
  // Records as a vector device when set, as a bitmap otherwise (the start).
  void SetDrawsVectors(bool vectors) { drawsVectors_ = vectors; }
  bool DrawsVectors() const override { return drawsVectors_; }

 private:
  template <typename... Ints>
  void Record(const char* name, Ints... values) {
    std::string line = name;
    ((line += ' ', line += std::to_string(values)), ...);  // piecewise, as in Polygon
    calls_.push_back(std::move(line));
  }

  int charWidth_;
  int textHeight_;
  Color penColor_ = kBlack;
  bool drawsVectors_ = false;
  std::vector<std::string> calls_;
};

}  // namespace platform
