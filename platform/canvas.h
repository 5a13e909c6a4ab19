#pragma once
// The drawing surface the plot is painted on. The plotting code draws only
// through this interface, so it stays free of any toolkit and can be tested
// against a recording of its calls.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace platform {

struct Color {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  friend bool operator==(const Color&, const Color&) = default;
};

inline constexpr Color kBlack{0, 0, 0};
inline constexpr Color kWhite{255, 255, 255};
inline constexpr Color kBlue{0, 0, 255};
inline constexpr Color kAqua{0, 255, 255};
inline constexpr Color kLightGrey{208, 208, 208};

enum class PenStyle { Solid, Dotted };

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

// A rectangle of pixels handed over in one call: the pixel in row r and
// column c of the block (from its top-left corner) is pixels[r * stride + c].
// Each pixel is either kClearPixel, which leaves the canvas as it is, or an
// opaque colour 0xFFRRGGBB (see OpaquePixel).
struct PixelBlock {
  int left = 0, top = 0, width = 0, height = 0, stride = 0;
  std::span<const std::uint32_t> pixels;
  // True when the sizes are positive and the pixels cover every row.
  bool Holds() const {
    if (width <= 0 || height <= 0 || stride < width) return false;
    const auto needed = static_cast<std::size_t>(height - 1) * static_cast<std::size_t>(stride) +
                        static_cast<std::size_t>(width);
    return pixels.size() >= needed;
  }
};
inline constexpr std::uint32_t kClearPixel = 0;
constexpr std::uint32_t OpaquePixel(Color c) {
  return 0xFF000000u | std::uint32_t{c.red} << 16 | std::uint32_t{c.green} << 8 | c.blue;
}

// Texts are 8-bit (Latin-1) byte strings, as everywhere in the core.
class Canvas {
 public:
  virtual ~Canvas() = default;

  virtual void MoveTo(int x, int y) = 0;
  // Draws from the pen position to (x, y) and moves the pen there; the end
  // point itself is not painted.
  virtual void LineTo(int x, int y) = 0;
  // Filled polygon: outline in the pen colour, inside in the brush (if any).
  virtual void Polygon(std::span<const Point> corners) = 0;
  // Ellipse inside the box; the right and bottom edges are exclusive.
  virtual void Ellipse(int left, int top, int right, int bottom) = 0;
  virtual void SetPixel(int x, int y, Color color) = 0;
  // Text with its top-left corner at (x, y), in the font colour.
  virtual void TextOut(int x, int y, std::string_view text) = 0;
  virtual int TextWidth(std::string_view text) = 0;
  virtual int TextHeight(std::string_view text) = 0;

  virtual void SetPenColor(Color color) = 0;
  // The colour of the last SetPenColor (black before the first one).
  virtual Color PenColor() const = 0;
  virtual void SetPenWidth(int width) = 0;
  virtual void SetPenStyle(PenStyle style) = 0;
  // Setting a brush colour makes the brush solid; SetBrushClear makes filled
  // shapes hollow.
  virtual void SetBrushColor(Color color) = 0;
  virtual void SetBrushClear() = 0;
  virtual void SetFont(std::string_view family, int points) = 0;
  virtual void SetFontColor(Color color) = 0;
  // Nothing behind text or between the dots of a dotted line gets painted.
  virtual void SetTransparentTextBackground() = 0;

  // Paints the block's opaque pixels; a fast path for many small marks on a
  // bitmap. This default sets them one by one.
  virtual void DrawPixels(const PixelBlock& block) {
    if (!block.Holds()) return;
    for (int r = 0; r < block.height; ++r) {
      const std::int64_t y = std::int64_t{block.top} + r;
      for (int c = 0; c < block.width; ++c) {
        const std::int64_t x = std::int64_t{block.left} + c;
        const std::uint32_t p = block.pixels[static_cast<std::size_t>(r) * block.stride + c];
        if (p == kClearPixel || x > INT32_MAX || y > INT32_MAX) continue;
        SetPixel(static_cast<int>(x), static_cast<int>(y),
                 {static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
                  static_cast<std::uint8_t>(p)});
      }
    }
  }
  // From BeginArea on, (0, 0) is the area's top-left pixel and nothing is
  // painted outside it; EndArea returns to the whole canvas. Areas do not nest.
  virtual void BeginArea(int left, int top, int width, int height) = 0;
  virtual void EndArea() = 0;

  // Text in UTF-8, for the few texts beyond Latin-1 (Greek letters of a
  // formula); the default draws the bytes as Latin-1.
  virtual void TextOutUtf8(int x, int y, std::string_view text) { TextOut(x, y, text); }
  virtual int TextWidthUtf8(std::string_view text) { return TextWidth(text); }

  // True where shapes stay shapes (an SVG or PDF file): a block of pixels
  // would be embedded there as a bitmap, so callers draw lines and discs.
  virtual bool DrawsVectors() const { return false; }
};

}  // namespace platform
