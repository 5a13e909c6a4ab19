#pragma once
// One field of a pair file read as a number, and written as a cell text that
// the table reads back (CommaToPoint, then ParseNumber) as the same value.

#include <string>
#include <string_view>

#include "_grund/grund.h"

namespace wertedatei {

// A sign, digits, optionally grouped in threes by a thousands mark (the other
// one of "," and ".", or "'"), a decimal mark with further digits, and an
// exponent ("e" or "E", a sign, digits): "1.234,5", "+3", ",5", "1e-3".
// The field must hold nothing else. On success `cell` (when given) receives
// the number without thousands marks, with `decimalMark` as its decimal mark;
// everything else stays as written. Values beyond the range of a double are
// no number.
bool ReadNumber(std::string_view field, char decimalMark, std::string* cell);

// For files whose decimal mark is not known: the last "," or "." of the field
// is the decimal mark, unless only the other reading is a number.
bool ReadNumberEitherMark(std::string_view field, std::string* cell);

// The usual field: a sign, 1 to 15 digits and at most one decimal mark (the
// given one, or either of "," and "." for 0), nothing else. It is a number
// exactly as written (ReadNumber gives the same text), and its value, the
// one the table reads it as, is found on the way. False for anything else,
// which ReadNumber then decides.
bool ReadPlainNumber(std::string_view field, char decimalMark, double& value);
// Such a number from text[from] on, up to the first character that is not
// part of it; `stop` (a separator) never is, not even as a decimal mark.
// Its end, or npos where no such number begins there.
std::size_t ScanPlainNumber(std::string_view text, std::size_t from, char decimalMark, char stop,
                            double& value);

// The value the table reads a cell text as (CommaToPoint, then ParseNumber),
// without a heap copy, and without the full reading for the usual cell of a
// sign, up to 15 digits and one decimal mark.
grund::ParsedNumber CellValue(std::string_view text);

}  // namespace wertedatei
