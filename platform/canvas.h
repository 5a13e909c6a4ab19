#pragma once
// The drawing surface the plot is painted on. The plotting code draws only
// through this interface, so it stays free of any toolkit and can be tested
// against a recording of its calls.

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
};

}  // namespace platform
