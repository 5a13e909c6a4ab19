#pragma once
// Internal to the interpreter: the built-in functions. A function is known by
// the 1-based position at which its name starts in FunctionNames; a name in a
// term is looked up as a plain substring, so a shortened name finds the entry
// its first occurrence starts ("S" is SQR, "GAMM" is GAMMA).

#include <string_view>

#include "fktint/parse_state.h"

namespace fktint {

inline constexpr std::string_view FunctionNames =
    "SQR SQRT EXP LN ABS SI SIN COS TAN ARCCOS LG ARCTAN SINH COSH TANH INT SGN F1 F2 F3 F4 "
    "COT LD ARCSIN ARSINH ARCOSH ARTANH SEC GAMMA GAUSS MCARLO CI EI BETA BESSJ0 BESSJ1 "
    "WURZEL WURZEL3 EHOCH WURZEL4 W3 W4 LOG CSC WP F5 VORZEICHEN FRAC EXPP GAMMALN HEAVISIDE "
    "SINW COSW TANW COTW ARCTANW ARCSINW GSUMME SN CN DN EULERPHI AI BI ARCCOT ARCSEC DIGAMMA "
    "TIME ARCCSC COTH";

// The positions of the seventy names.
enum FunctionPosition : int {
  kSqr = 1,
  kSqrt = 5,
  kExp = 10,
  kLn = 14,
  kAbs = 17,
  kSi = 21,
  kSin = 24,
  kCos = 28,
  kTan = 32,
  kArccos = 36,
  kLg = 43,
  kArctan = 46,
  kSinh = 53,
  kCosh = 58,
  kTanh = 63,
  kInt = 68,
  kSgn = 72,
  kF1 = 76,
  kF2 = 79,
  kF3 = 82,
  kF4 = 85,
  kCot = 88,
  kLd = 92,
  kArcsin = 95,
  kArsinh = 102,
  kArcosh = 109,
  kArtanh = 116,
  kSec = 123,
  kGamma = 127,
  kGauss = 133,
  kMcarlo = 139,
  kCi = 146,
  kEi = 149,
  kBeta = 152,
  kBessj0 = 157,
  kBessj1 = 164,
  kWurzel = 171,
  kWurzel3 = 178,
  kEhoch = 186,
  kWurzel4 = 192,
  kW3 = 200,
  kW4 = 203,
  kLog = 206,
  kCsc = 210,
  kWp = 214,
  kF5 = 217,
  kVorzeichen = 220,
  kFrac = 231,
  kExpp = 236,
  kGammaln = 241,
  kHeaviside = 249,
  kSinw = 259,
  kCosw = 264,
  kTanw = 269,
  kCotw = 274,
  kArctanw = 279,
  kArcsinw = 287,
  kGsumme = 295,
  kSn = 302,
  kCn = 305,
  kDn = 308,
  kEulerphi = 311,
  kAi = 320,
  kBi = 323,
  kArccot = 326,
  kArcsec = 333,
  kDigamma = 340,
  kTime = 348,
  kArccsc = 353,
  kCoth = 360,
};

// The position of the first occurrence of `name` in FunctionNames, or 0.
int FindFunctionName(std::string_view name);
// True when a position is the start of one of the seventy names.
bool IsFunctionStart(int position);

// Reads the name from Pos up to the next "(" and looks it up; Pos ends after
// the "(" (two past the end of the text when there is none). An unknown name
// sets code 1 and gives 0.
int LookupFunction(ParseState& s);
// A call of a named function with Pos at its first letter: looks the name up,
// evaluates the argument and computes the value.
double ApplyFunction(ParseState& s);
// The value of the function at `position` (one of the seventy) for the
// evaluated argument v.
double FunctionValue(int position, double v);

}  // namespace fktint
