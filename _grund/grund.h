#pragma once
// Basic services shared by the whole program: the extended-precision type,
// the process-wide random generator, number texts (decimal comma for what the
// user sees, decimal point for what the program reads back), the plot list
// and the arrow drawing.
//
// Texts are 8-bit (Latin-1) byte strings.

#include <array>
#include <cstdint>
#include <numbers>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class Canvas;
}

namespace grund {

// Extended precision for intermediate arithmetic: the 80-bit x87 format where
// long double is that format; plain double elsewhere (a 128-bit software long
// double would be far too slow for the fit).
#if (defined(__x86_64__) || defined(__i386__)) && !defined(_MSC_VER)
using Extended = long double;
#else
using Extended = double;
#endif

// π and 2π in extended precision, each the nearest value of its type.
inline constexpr Extended kPi = std::numbers::pi_v<Extended>;
inline constexpr Extended kTwoPi = 2 * kPi;

// ---------------------------------------------------------------------------
// Cores

// Whether work on the calling thread may put a share of a long loop on a
// second core: there is one, and the thread was not asked to keep to its
// own, as each thread of a batch that already fills the cores is. The share
// is always the same, so the results do not depend on it.
bool SecondCoreWanted();
// Asks that of the calling thread (false: a second core again where there is one).
void KeepToOneCore(bool keep);

// ---------------------------------------------------------------------------
// Random numbers

// A linear congruential generator with a 32-bit seed. The program's one
// generator starts at seed 0 and is never seeded from the clock, so every run
// draws the same sequence.
class RandomGenerator {
 public:
  std::uint32_t Seed() const { return seed_; }
  void SetSeed(std::uint32_t seed) { seed_ = seed; }
  // A fraction in [0, 1).
  double NextFraction();
  // An integer in 0 .. n-1 (0 when n is 0).
  std::uint32_t NextBelow(std::uint32_t n);

 private:
  void Step() { seed_ = seed_ * 134775813u + 1u; }
  std::uint32_t seed_ = 0;
};

// The generator shared by the fit's start values and MCARLO. One per thread,
// each starting at seed 0 as the program does, so that fits on several
// threads draw as each would alone.
RandomGenerator& ProcessRandom();

// The terms run by the user functions F1 to F5 (indexes 1 to 5; index 0 is
// unused). Nothing in the program assigns them, so they stay empty.
extern std::array<std::string, 6> UserFunctionText;

// ---------------------------------------------------------------------------
// UTF-8

// The length of the valid UTF-8 sequence at text[0] (1 to 4), 0 for an
// invalid one, -1 for one the text ends inside. Overlong forms, surrogates
// and code points above U+10FFFF are invalid.
int Utf8SequenceLength(std::string_view text);

// ---------------------------------------------------------------------------
// Number texts

// |x| in fixed notation with `decimals` digits after a ".", a "-" in front of
// negative values, padded with blanks on the left to `width`. Trailing zeros
// and a trailing "." are cut (only when decimals > 0); "-0" becomes "0".
// The digits come from the value rounded to 17 decimals (below 10) or to 18
// significant digits (from 10 up, and below 0.1 when more than 17 decimals
// are asked, so that tiny values keep their digits); at most 30 decimals.
std::string FormatPoint(double x, int width, int decimals);
// FormatPoint with the decimal point written as a comma.
std::string FormatComma(double x, int width, int decimals);
// FormatComma with a "+" in front of values >= 0; "+0" whenever the text is "0".
std::string FormatSigned(double x, int width, int decimals);
// A copy of the text with every "," replaced by ".".
std::string CommaToPoint(std::string_view text);

struct ParsedNumber {
  double value = 0;
  bool ok = false;
};
// The plain conversion of a decimal-point number: leading blanks, a sign,
// digits, an optional fraction and an optional exponent. ok only when the
// whole text is such a number. Independent of the process locale.
ParsedNumber ParseNumber(std::string_view text);

// The value of an edit field's text read as a term with X = 1 (so a field may
// hold PI/2); 0 when the text is empty or the evaluation reports any error.
double ReadEditValue(std::string_view text);

// ---------------------------------------------------------------------------
// The plot list: the ordered text entries that describe what the plot shows
// (pairs of a tag and a value; "#F" term, "#m" "..." x y ... "...").

struct PlotList {
  std::vector<std::string> Entries;
  std::int32_t PlotCursor = 0;  // next entry to read; writers advance it too
};

void ClearPlotList(PlotList& list);
void AddPlotEntry(PlotList& list, std::string_view text);
void AddPlotTerm(PlotList& list, std::string_view term);  // "#F", then the term
void RewindPlotList(PlotList& list);
bool PlotListAtEnd(const PlotList& list);
// The entry at the cursor, advancing it; the empty text at the end.
std::string ReadPlotEntry(PlotList& list);

// ---------------------------------------------------------------------------
// Drawing

// A line from (x1, y1) to (x2, y2) in the current pen with a filled arrowhead
// at (x2, y2), 14 pixels long.
void DrawArrow(platform::Canvas& canvas, int x1, int y1, int x2, int y2);

}  // namespace grund
