#pragma once
// Dates and times as loggers, scopes and data services write them, read into
// microseconds since 1970-01-01 00:00. A time without an offset is taken as
// it stands (the file's own clock); one with "Z" or "+01:00" is moved to UTC,
// so that the time between two readings is true across a change of offset.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace wertedatei {

enum class DateStyle {
  kNone,
  kIso,       // 2026-12-09, 2026-12-09 14:30:00, 2026-12-09T14:30:00.250Z, +01:00
  kDotted,    // 09.12.2026 14:30:00, 09.12.26 14:30 (day first)
  kSlashed,   // 12/09/26 02:30:00 PM or 09/12/2026 14:30 (order from the values)
  kCompact,   // 20261209, 2026120914, 202612091430 (only where a heading says "date")
  kTimeOnly,  // 14:30:00, 14:30, 02:30:00 PM (the time of a date in the column before)
};

// Day and month order of slashed dates.
enum class DateOrder { kUnknown, kDayFirst, kMonthFirst };

struct DateTimeValue {
  std::int64_t micros = 0;  // since 1970-01-01 00:00 of the text's clock, or UTC with an offset
  bool offset = false;      // the text named its offset (Z, +01:00)
};

// The style a field's text has, kNone for anything else. Digits alone are
// never taken for a date here (they are numbers first).
DateStyle StyleOf(std::string_view text);

// For a slashed date: kDayFirst where its first field is above 12,
// kMonthFirst where its second is, else kUnknown.
DateOrder OrderEvidence(std::string_view text);

// The text read in the given style; nothing where it is not a valid date or
// time of that style. A time alone counts from midnight.
std::optional<DateTimeValue> ReadDateTime(std::string_view text, DateStyle style,
                                          DateOrder order = DateOrder::kDayFirst);

struct CivilTime {
  std::int64_t year = 1970;
  int month = 1, day = 1, hour = 0, minute = 0, second = 0;
  int weekday = 4;  // 0 for Sunday
};
CivilTime Civil(std::int64_t micros);

// ReadDateTime for the fields of one column, line after line: the date of
// the line before is remembered, as most lines share it.
class DateTimeReader {
 public:
  DateTimeReader(DateStyle style, DateOrder order) : style_(style), order_(order) {}
  std::optional<DateTimeValue> Read(std::string_view text);

 private:
  DateStyle style_;
  DateOrder order_;
  char date_[16] = {};
  std::size_t dateSize_ = 0;
  bool remembered_ = false;
  std::int64_t days_ = 0;
};

// "02.11.2026 00:00" for a point in time (seconds shown when not zero).
std::string GermanDateTime(std::int64_t micros);

}  // namespace wertedatei
