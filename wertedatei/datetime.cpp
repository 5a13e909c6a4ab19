#include "wertedatei/datetime.h"

#include <cstdio>

namespace wertedatei {

namespace {

constexpr std::int64_t kMicrosPerSecond = 1000000;
constexpr std::int64_t kSecondsPerDay = 86400;

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// A cursor over a field's text.
class Cursor {
 public:
  explicit Cursor(std::string_view text) : text_(text) {}

  bool AtEnd() const { return pos_ == text_.size(); }
  char Peek() const { return AtEnd() ? '\0' : text_[pos_]; }
  bool Take(char c) {
    if (Peek() != c) return false;
    ++pos_;
    return true;
  }
  // From `least` to `most` digits as a number; false (and nothing taken) for fewer.
  bool Digits(int least, int most, int& value) {
    std::size_t end = pos_;
    int number = 0;
    while (end < text_.size() && end - pos_ < static_cast<std::size_t>(most) &&
           text_[end] >= '0' && text_[end] <= '9')
      number = number * 10 + (text_[end++] - '0');
    if (end - pos_ < static_cast<std::size_t>(least)) return false;
    if (end < text_.size() && text_[end] >= '0' && text_[end] <= '9') return false;  // too many
    const int count = static_cast<int>(end - pos_);
    pos_ = end;
    value = number;
    digits_ = count;
    return true;
  }
  int LastDigitCount() const { return digits_; }
  std::size_t Position() const { return pos_; }
  void Skip(std::size_t count) { pos_ += count; }
  // The digits behind a decimal mark as microseconds (beyond six dropped).
  bool Fraction(std::int64_t& micros) {
    std::int64_t scale = 100000;
    const std::size_t start = pos_;
    micros = 0;
    for (; !AtEnd() && text_[pos_] >= '0' && text_[pos_] <= '9'; ++pos_, scale /= 10)
      micros += (text_[pos_] - '0') * scale;
    return pos_ > start;
  }
  std::size_t Blanks() {
    const std::size_t start = pos_;
    while (Peek() == ' ' || Peek() == '\t') ++pos_;
    return pos_ - start;
  }
  // A word, compared without regard to case.
  bool TakeWord(std::string_view word) {
    if (text_.size() - pos_ < word.size()) return false;
    for (std::size_t k = 0; k < word.size(); ++k) {
      char c = text_[pos_ + k];
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      if (c != word[k]) return false;
    }
    pos_ += word.size();
    return true;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
  int digits_ = 0;
};

struct Date {
  int year = 1970, month = 1, day = 1;
};

bool Valid(const Date& date) {
  return date.month >= 1 && date.month <= 12 && date.day >= 1 &&
         date.day <= DaysInMonth(date.year, date.month);
}

// Two-digit years of loggers: 00 … 69 are 2000 …, 70 … 99 are 1970 ….
int FullYear(int year, int digits) {
  if (digits != 2) return year;
  return year < 70 ? 2000 + year : 1900 + year;
}

// hh:mm[:ss[.fff]] with an optional AM or PM behind blanks.
bool ReadTime(Cursor& in, std::int64_t& micros) {
  int hour = 0, minute = 0, second = 0;
  if (!in.Digits(1, 2, hour) || !in.Take(':') || !in.Digits(2, 2, minute)) return false;
  std::int64_t fraction = 0;
  if (in.Take(':')) {
    if (!in.Digits(2, 2, second)) return false;
    if ((in.Take('.') || in.Take(',')) && !in.Fraction(fraction)) return false;
  }
  Cursor probe = in;
  probe.Blanks();
  const bool am = probe.TakeWord("AM");
  const bool pm = !am && probe.TakeWord("PM");
  if (am || pm) {
    if (hour < 1 || hour > 12) return false;
    hour = hour % 12 + (pm ? 12 : 0);
    in = probe;
  }
  if (hour > 23 || minute > 59 || second > 60) return false;
  micros = ((hour * 60 + minute) * std::int64_t{60} + second) * kMicrosPerSecond + fraction;
  return true;
}

// Z, +hh, +hhmm, +hh:mm (or "-") as the seconds to subtract for UTC.
bool ReadOffset(Cursor& in, std::int64_t& seconds, bool& given) {
  given = false;
  if (in.Take('Z') || in.Take('z')) {
    given = true;
    seconds = 0;
    return true;
  }
  const char sign = in.Peek();
  if (sign != '+' && sign != '-') return true;
  in.Take(sign);
  int hours = 0, minutes = 0;
  if (!in.Digits(2, 4, hours)) return false;
  if (in.LastDigitCount() == 4) {
    minutes = hours % 100;
    hours /= 100;
  } else if (in.LastDigitCount() == 2 && in.Take(':') && !in.Digits(2, 2, minutes)) {
    return false;
  } else if (in.LastDigitCount() == 3) {
    return false;
  }
  if (hours > 18 || minutes > 59) return false;
  seconds = (hours * 60 + minutes) * std::int64_t{60} * (sign == '-' ? -1 : 1);
  given = true;
  return true;
}

// The date's fields in the style's order; the cursor stands behind them.
bool ReadDate(Cursor& in, DateStyle style, DateOrder order, Date& date) {
  int a = 0, b = 0, c = 0;
  switch (style) {
    case DateStyle::kIso:
      if (!in.Digits(4, 4, date.year) || !in.Take('-') || !in.Digits(1, 2, date.month) ||
          !in.Take('-') || !in.Digits(1, 2, date.day))
        return false;
      return true;
    case DateStyle::kDotted:
    case DateStyle::kSlashed: {
      const char mark = style == DateStyle::kDotted ? '.' : '/';
      if (!in.Digits(1, 2, a) || !in.Take(mark) || !in.Digits(1, 2, b) || !in.Take(mark) ||
          !in.Digits(2, 4, c) || in.LastDigitCount() == 3)
        return false;
      date.year = FullYear(c, in.LastDigitCount());
      const bool dayFirst = style == DateStyle::kDotted || order != DateOrder::kMonthFirst;
      date.day = dayFirst ? a : b;
      date.month = dayFirst ? b : a;
      return true;
    }
    default:
      return false;
  }
}

std::optional<DateTimeValue> ReadCompact(std::string_view text) {
  if (text.size() != 8 && text.size() != 10 && text.size() != 12 && text.size() != 14)
    return std::nullopt;
  int parts[6] = {0, 1, 1, 0, 0, 0};
  for (std::size_t k = 0; k < text.size(); ++k)
    if (text[k] < '0' || text[k] > '9') return std::nullopt;
  const auto field = [&](std::size_t at, std::size_t width) {
    int value = 0;
    for (std::size_t k = at; k < at + width; ++k) value = value * 10 + (text[k] - '0');
    return value;
  };
  parts[0] = field(0, 4);
  for (std::size_t k = 1; 4 + 2 * k <= text.size(); ++k) parts[k] = field(2 + 2 * k, 2);
  const Date date{parts[0], parts[1], parts[2]};
  if (parts[3] > 23 || parts[4] > 59 || parts[5] > 60) return std::nullopt;
  const std::int64_t seconds = (parts[3] * 60 + parts[4]) * std::int64_t{60} + parts[5];
  if (!Valid(date)) return std::nullopt;
  DateTimeValue value;
  value.micros = (DaysFromCivil(date.year, static_cast<unsigned>(date.month),
                                static_cast<unsigned>(date.day)) *
                      kSecondsPerDay +
                  seconds) *
                 kMicrosPerSecond;
  return value;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

namespace {

// The days of a date that stands at the text's start (up to a blank or the
// ISO "T"), and where it ends.
bool ReadDays(Cursor& in, DateStyle style, DateOrder order, std::int64_t& days) {
  Date date;
  if (!ReadDate(in, style, order, date) || !Valid(date)) return false;
  days = DaysFromCivil(date.year, static_cast<unsigned>(date.month), static_cast<unsigned>(date.day));
  return true;
}

// The time of day and offset behind a date, if any.
std::optional<DateTimeValue> ReadAfterDate(Cursor& in, std::int64_t days, bool iso) {
  std::int64_t time = 0, offsetSeconds = 0;
  bool offset = false;
  if (!in.AtEnd()) {
    if (!(iso && in.Take('T')) && in.Blanks() == 0) return std::nullopt;
    if (!ReadTime(in, time)) return std::nullopt;
    if (iso && !ReadOffset(in, offsetSeconds, offset)) return std::nullopt;
    if (!in.AtEnd()) return std::nullopt;
  }
  DateTimeValue value;
  value.micros = (days * kSecondsPerDay - offsetSeconds) * kMicrosPerSecond + time;
  value.offset = offset;
  return value;
}

}  // namespace

std::optional<DateTimeValue> ReadDateTime(std::string_view text, DateStyle style,
                                          DateOrder order) {
  text = Trimmed(text);
  if (style == DateStyle::kCompact) return ReadCompact(text);
  Cursor in(text);
  if (style == DateStyle::kTimeOnly) {
    std::int64_t time = 0;
    if (!ReadTime(in, time) || !in.AtEnd()) return std::nullopt;
    DateTimeValue value;
    value.micros = time;
    return value;
  }
  std::int64_t days = 0;
  if (!ReadDays(in, style, order, days)) return std::nullopt;
  return ReadAfterDate(in, days, style == DateStyle::kIso);
}

std::optional<DateTimeValue> DateTimeReader::Read(std::string_view text) {
  text = Trimmed(text);
  if (style_ == DateStyle::kCompact || style_ == DateStyle::kTimeOnly)
    return ReadDateTime(text, style_, order_);
  std::size_t end = 0;
  while (end < text.size() && text[end] != ' ' && text[end] != '\t' && text[end] != 'T') ++end;
  const std::string_view date = text.substr(0, end);
  Cursor in(text);
  std::int64_t days = 0;
  if (remembered_ && date == std::string_view(date_, dateSize_)) {
    days = days_;
    in.Skip(end);
  } else {
    if (!ReadDays(in, style_, order_, days)) return std::nullopt;
    if (date.size() <= sizeof date_ && in.Position() == end) {
      std::copy(date.begin(), date.end(), date_);
      dateSize_ = date.size();
      days_ = days;
      remembered_ = true;
    }
  }
  return ReadAfterDate(in, days, style_ == DateStyle::kIso);
}

DateStyle StyleOf(std::string_view text) {
  text = Trimmed(text);
  if (text.size() < 4 || text.size() > 40) return DateStyle::kNone;
  for (const DateStyle style : {DateStyle::kIso, DateStyle::kDotted, DateStyle::kTimeOnly}) {
    if (ReadDateTime(text, style)) return style;
  }
  if (ReadDateTime(text, DateStyle::kSlashed, DateOrder::kDayFirst) ||
      ReadDateTime(text, DateStyle::kSlashed, DateOrder::kMonthFirst))
    return DateStyle::kSlashed;
  return DateStyle::kNone;
}

DateOrder OrderEvidence(std::string_view text) {
  Cursor in(Trimmed(text));
  int a = 0, b = 0;
  if (!in.Digits(1, 2, a) || !in.Take('/') || !in.Digits(1, 2, b)) return DateOrder::kUnknown;
  if (a > 12 && b <= 12) return DateOrder::kDayFirst;
  if (b > 12 && a <= 12) return DateOrder::kMonthFirst;
  return DateOrder::kUnknown;
}

CivilTime Civil(std::int64_t micros) {
  std::int64_t seconds = micros / kMicrosPerSecond - (micros % kMicrosPerSecond < 0 ? 1 : 0);
  std::int64_t days = seconds / kSecondsPerDay;
  std::int64_t rest = seconds % kSecondsPerDay;
  if (rest < 0) rest += kSecondsPerDay, --days;
  // The inverse of DaysFromCivil.
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  CivilTime civil;
  civil.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  civil.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  civil.year = static_cast<std::int64_t>(yoe) + era * 400 + (civil.month <= 2);
  civil.hour = static_cast<int>(rest / 3600);
  civil.minute = static_cast<int>(rest / 60 % 60);
  civil.second = static_cast<int>(rest % 60);
  civil.weekday = static_cast<int>(((days + 4) % 7 + 7) % 7);  // 1970-01-01 was a Thursday
  return civil;
}

std::string GermanDateTime(std::int64_t micros) {
  const CivilTime t = Civil(micros);
  char buffer[64];
  if (t.second != 0) {
    std::snprintf(buffer, sizeof buffer, "%02d.%02d.%04lld %02d:%02d:%02d", t.day, t.month,
                  static_cast<long long>(t.year), t.hour, t.minute, t.second);
  } else {
    std::snprintf(buffer, sizeof buffer, "%02d.%02d.%04lld %02d:%02d", t.day, t.month,
                  static_cast<long long>(t.year), t.hour, t.minute);
  }
  return buffer;
}

}  // namespace wertedatei
