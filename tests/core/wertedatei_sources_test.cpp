// Files as loggers, weather services, scopes and climate and sunspot
// archives write them (written here, line by line, in their layout): the
// proposed columns, x as the time since the first pair with its unit and
// origin, and the pairs left out for missing values.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "_grund/grund.h"
#include "wertedatei/datetime.h"
#include "wertedatei/missing.h"
#include "wertedatei/wertedatei.h"

namespace {

using wertedatei::ColumnChoice;
using wertedatei::DateOrder;
using wertedatei::PairFile;
using wertedatei::ReadPairFile;

// The heading, then one line per row from `line(i)`.
std::string Lines(const std::string& heading, int rows, const std::function<std::string(int)>& line) {
  std::string text = heading;
  for (int i = 0; i < rows; ++i) text += line(i) + "\n";
  return text;
}

template <typename... Args>
std::string Format(const char* format, Args... args) {
  char buffer[256];
  std::snprintf(buffer, sizeof buffer, format, args...);
  return buffer;
}

double TableValue(std::string_view cell) {
  return grund::ParseNumber(grund::CommaToPoint(cell)).value;
}

struct SourceCase {
  const char* name;
  std::string bytes;
  ColumnChoice proposal;
  std::size_t pairs;
  std::vector<double> firstX;
  const char* xTitle;
  std::size_t missing;
};

TEST(PairFileSources, OpenWithTheTimeAsXAndTheMeasuredValueAsY) {
  const SourceCase cases[] = {
      {"temperature logger, German dates, -888,88 for a failed reading",
       Lines("\"Plot Title: Keller\"\n\"#\";\"Datum Zeit, GMT+01:00\";\"Temp, \xB0" "C (LGR S/N: 2051)\"\n",
             144,
             [](int i) {
               return Format("%d;02.11.26 %02d:%02d:00;%s", i + 1, i / 6, i % 6 * 10,
                             i == 4 ? "-888,88" : Format("19,%03d", 400 + i).c_str());
             }),
       {1, 2}, 143, {0, 1.0 / 6, 2.0 / 6}, "t in h ab 02.11.2026 00:00", 1},
      {"logger with ISO times",
       Lines("Zeitstempel;Temperatur\n", 288,
             [](int i) { return Format("2026-12-01 %02d:%02d:00;%d,5", i / 12, i % 12 * 5, i % 7); }),
       {0, 1}, 288, {0, 1.0 / 12, 2.0 / 12}, "t in h ab 01.12.2026 00:00", 0},
      {"weather station: MESS_DATUM, a constant station, -999 missing",
       Lines("STATIONS_ID;MESS_DATUM;QN_9;TT_TU;RF_TU;eor\n", 24 * 12,
             [](int i) {
               return Format("       3987;202506%02d%02d;    3;%6.1f;  80.0;eor", 1 + i / 24,
                             i % 24, i == 2 ? -999.0 : 10.0 + i % 24 * 0.5);
             }),
       {1, 3}, 24 * 12 - 1, {0, 1.0 / 24, 3.0 / 24}, "t in d ab 01.06.2025 00:00", 1},
      {"scope CSV with sample numbers, Start and Increment",
       Lines("X,CH1,CH2,Start,Increment,\nSequence,Volt,Volt,-6.000000e-03,1.000000e-05\n", 600,
             [](int i) { return Format("%d,%.2e,%.2e,", i, std::sin(i / 50.0), 0.5); }),
       {0, 1}, 600, {-0.006, -0.00599, -0.00598}, "t in s", 0},
      {"monthly climate file: comment lines, a decimal date, -99.99 missing",
       "# a comment\n# another one\n" +
           Lines("year,month,decimal date,average,deseasonalized,ndays,sdev,unc\n", 36,
                 [](int i) {
                   return Format("%4d,%4d,%10.4f,%8.2f,%8.2f,%4d,%6.2f,%6.2f", 1958 + i / 12,
                                 i % 12 + 1, 1958 + (i + 0.5) / 12,
                                 i == 1 ? -99.99 : 315.0 + i * 0.1, 315.0, -1, -9.99, -0.99);
                 }),
       {2, 3}, 35, {1958 + 0.5 / 12, 1958 + 2.5 / 12, 1958 + 3.5 / 12}, "decimal date", 1},
      {"sunspot numbers without a heading",
       Lines("", 48,
             [](int i) {
               return Format("%d;%02d;%.3f;%6.1f; -1.0;   -1;1", 1749 + i / 12, i % 12 + 1,
                             1749 + (i + 0.5) / 12, 50.0 + i % 7 * 3);
             }),
       {2, 3}, 48, {1749.042, 1749.125, 1749.208}, "", 0},
      {"American logger: month first, AM and PM",
       Lines("\"Date Time\",\"Temp\"\n", 48,
             [](int i) {
               const int hour = i / 2 % 12 == 0 ? 12 : i / 2 % 12;
               return Format("12/09/26 %02d:%02d:00 %s,%d.25", hour, i % 2 * 30, i < 24 ? "AM" : "PM",
                             i % 5);
             }),
       {0, 1}, 48, {0, 0.5, 1}, "t in h ab 09.12.2026 00:00", 0},
      {"date and time in two columns, blanks between",
       Lines("Datum Uhrzeit Wert\n", 30,
             [](int i) { return Format("%02d.03.2026 %02d:00 %d.5", 20 + i / 24, i % 24, i % 3); }),
       {0, 2}, 30, {0, 1, 2}, "t in h ab 20.03.2026 00:00", 0},
      {"ISO times with offsets: the true time across a change of offset",
       "time,value\n2026-10-25T01:30:00+02:00,1\n2026-10-25T02:30:00+02:00,2\n"
       "2026-10-25T02:30:00+01:00,3\n2026-10-25T03:30:00+01:00,4\n",
       {0, 1}, 4, {0, 60, 120}, "t in min ab 24.10.2026 23:30 UTC", 0},
      {"lab interface: settings lines are no heading",
       "\"Zeit\" t / s\t\"Spannung\" U / V\nMIN=0\tMIN=-10\nDEF=0\tDEF=0\n0\t1,2\n0,1\t1,3\n",
       {0, 1}, 2, {0, 0.1}, "Zeit t in s", 0},
      {"scope text: a unit line and a blank line", "Time\tChannel A\n(ms)\t(V)\n\n-5.0\t0.1\n-4.9\t0.2\n",
       {0, 1}, 2, {-5, -4.9}, "Time in ms", 0},
      {"NaN, NA and empty cells",
       "t;U\n0;1,5\n1;NaN\n2;\n3;NA\n4;2,5\n",
       {0, 1}, 2, {0, 4}, "t", 3},
  };
  for (const SourceCase& c : cases) {
    SCOPED_TRACE(c.name);
    const PairFile file = ReadPairFile(c.bytes);
    ASSERT_TRUE(file.ok) << file.message;
    EXPECT_EQ(file.detected.x, c.proposal.x);
    EXPECT_EQ(file.detected.y, c.proposal.y);
    EXPECT_EQ(file.x.size(), c.pairs) << file.message;
    EXPECT_EQ(file.xTitle, c.xTitle);
    EXPECT_EQ(file.missingLeftOut, c.missing) << file.message;
    EXPECT_EQ(file.message.find("ausgelassen") != std::string::npos, c.missing > 0) << file.message;
    for (std::size_t i = 0; i < c.firstX.size() && i < file.x.size(); ++i) {
      EXPECT_NEAR(file.xValues[i], c.firstX[i], 1e-4) << "x of pair " << i;
      EXPECT_EQ(TableValue(file.x[i]), file.xValues[i]) << "x cell " << file.x[i];
    }
  }
}

// A day's logger readings over the changes of the clock: reported, never
// taken for anything else; a gap in hourly readings is no change of clock.
TEST(PairFileSources, RepeatedOrSkippedHoursAreReported) {
  const auto hourly = [](int day, int month, const std::vector<int>& hours) {
    std::string text = "Datum;Zeit;Wert\n";
    for (std::size_t i = 0; i < hours.size(); ++i)
      text += Format("%02d.%02d.2026;%02d:00:00;%zu,5\n", day + hours[i] / 24, month,
                     hours[i] % 24, i % 4);
    return text;
  };
  const struct {
    std::string bytes;
    const char* said;
  } cases[] = {
      {hourly(24, 10, {22, 23, 24, 25, 26, 26, 27, 28}), "wiederholt eine Stunde (bei Wertepaar 6"},
      {hourly(28, 3, {22, 23, 24, 25, 27, 28, 29}), "\xFC" "berspringt eine Stunde (bei Wertepaar 5"},
      {hourly(10, 6, {22, 23, 24, 25, 27, 28, 29}), nullptr},  // a Wednesday in June
  };
  for (const auto& c : cases) {
    const PairFile file = ReadPairFile(c.bytes);
    ASSERT_TRUE(file.ok);
    if (c.said == nullptr) {
      EXPECT_EQ(file.message, "");
    } else {
      EXPECT_NE(file.message.find(c.said), std::string::npos) << file.message;
    }
  }
}

TEST(PairFileSources, SlashedDatesThatDecideNothingAreAskedFor) {
  const std::string bytes = "a,b\n01/02/26 10:00,1\n03/04/26 10:00,2\n05/06/26 10:00,3\n";
  const PairFile open = ReadPairFile(bytes);
  EXPECT_TRUE(open.dateOrderOpen);
  ColumnChoice monthFirst = open.detected;
  monthFirst.order = DateOrder::kMonthFirst;
  ColumnChoice dayFirst = open.detected;
  dayFirst.order = DateOrder::kDayFirst;
  const PairFile january = ReadPairFile(bytes, monthFirst);
  const PairFile february = ReadPairFile(bytes, dayFirst);
  EXPECT_FALSE(january.dateOrderOpen);
  EXPECT_EQ(january.xTitle, "t in d ab 02.01.2026 10:00");
  EXPECT_EQ(february.xTitle, "t in d ab 01.02.2026 10:00");
  // A field above 12 decides.
  EXPECT_FALSE(ReadPairFile("a,b\n01/02/26 10:00,1\n01/13/26 10:00,2\n").dateOrderOpen);
}

TEST(DateTime, ReadsTheStylesLoggersWrite) {
  using wertedatei::DateStyle;
  const auto at = [](int y, int mo, int d, int h, int mi, double s) {
    // Days from 1970-01-01 by a plain count, as a check of the calendar.
    long days = 0;
    for (int year = 1970; year < y; ++year)
      days += (year % 4 == 0 && (year % 100 != 0 || year % 400 == 0)) ? 366 : 365;
    static const int kMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int m = 1; m < mo; ++m)
      days += kMonth[m - 1] + (m == 2 && y % 4 == 0 && (y % 100 != 0 || y % 400 == 0));
    days += d - 1;
    return static_cast<std::int64_t>(std::llround(((days * 24.0 + h) * 60 + mi) * 60e6 + s * 1e6));
  };
  const struct {
    const char* text;
    DateStyle style;
    DateOrder order;
    std::int64_t micros;  // -1: no date of that style
  } cases[] = {
      {"2026-12-09 14:30:00", DateStyle::kIso, DateOrder::kUnknown, at(2026, 12, 9, 14, 30, 0)},
      {"2026-12-09T14:30:00.250Z", DateStyle::kIso, DateOrder::kUnknown, at(2026, 12, 9, 14, 30, 0.25)},
      {"2026-12-09T14:30+01:00", DateStyle::kIso, DateOrder::kUnknown, at(2026, 12, 9, 13, 30, 0)},
      {"2024-02-29", DateStyle::kIso, DateOrder::kUnknown, at(2024, 2, 29, 0, 0, 0)},
      {"2026-02-29", DateStyle::kIso, DateOrder::kUnknown, -1},
      {"2026-12-09 24:00", DateStyle::kIso, DateOrder::kUnknown, -1},
      {"09.12.2026 14:30:00", DateStyle::kDotted, DateOrder::kUnknown, at(2026, 12, 9, 14, 30, 0)},
      {"9.1.26 7:05", DateStyle::kDotted, DateOrder::kUnknown, at(2026, 1, 9, 7, 5, 0)},
      {"31.04.2026", DateStyle::kDotted, DateOrder::kUnknown, -1},
      {"12/09/26 02:30:00 PM", DateStyle::kSlashed, DateOrder::kMonthFirst, at(2026, 12, 9, 14, 30, 0)},
      {"12/09/26 12:10:00 AM", DateStyle::kSlashed, DateOrder::kMonthFirst, at(2026, 12, 9, 0, 10, 0)},
      {"12/09/1999 13:00", DateStyle::kSlashed, DateOrder::kDayFirst, at(1999, 9, 12, 13, 0, 0)},
      {"12/09/26 13:00 PM", DateStyle::kSlashed, DateOrder::kMonthFirst, -1},
      {"2025060113", DateStyle::kCompact, DateOrder::kUnknown, at(2025, 6, 1, 13, 0, 0)},
      {"202506011330", DateStyle::kCompact, DateOrder::kUnknown, at(2025, 6, 1, 13, 30, 0)},
      {"2025063113", DateStyle::kCompact, DateOrder::kUnknown, -1},
      {"202506011", DateStyle::kCompact, DateOrder::kUnknown, -1},
      {"14:30:05,5", DateStyle::kTimeOnly, DateOrder::kUnknown, at(1970, 1, 1, 14, 30, 5.5)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const auto value = wertedatei::ReadDateTime(c.text, c.style, c.order);
    EXPECT_EQ(value ? value->micros : -1, c.micros);
    if (c.micros >= 0 && c.style != DateStyle::kCompact) {
      EXPECT_EQ(wertedatei::StyleOf(c.text), c.style);
    }
    // Read line after line, with the date of the line before remembered.
    wertedatei::DateTimeReader reader(c.style, c.order);
    reader.Read("2026-12-09 00:00");
    const auto again = reader.Read(c.text);
    EXPECT_EQ(again ? again->micros : -1, c.micros);
  }
  for (const char* number : {"2026", "1,5", "-3", "12", "1e5"})
    EXPECT_EQ(wertedatei::StyleOf(number), DateStyle::kNone) << number;
  EXPECT_EQ(wertedatei::GermanDateTime(at(2026, 11, 2, 0, 0, 0)), "02.11.2026 00:00");
  EXPECT_EQ(wertedatei::GermanDateTime(-30'000'000), "31.12.1969 23:59:30");
}

// Markers count only where they lie plainly outside the column's values.
TEST(MissingValues, MarkersOnlyWhereTheyCannotBeReadings) {
  const struct {
    const char* name;
    std::vector<double> values;
    std::vector<double> markers;
  } cases[] = {
      {"temperatures with -999", {12.5, -3.2, 20.1, -999, 8.4}, {-999}},
      {"concentrations with -99.99", {315.2, 316.1, -99.99, 317.0}, {-99.99}},
      {"spreads with -9.99 and -1", {0.3, 0.41, -9.99, 0.35, -1}, {-9.99, -1}},
      {"a sine through -1", {-1, -0.5, 0, 0.5, 1}, {}},
      {"whole degrees down to -1", {3, 0, -1, 2, 5}, {}},
      {"a square wave", {-1, 1, -1, 1}, {}},
      {"depths down to -999 among others", {-10, -500, -999, -800, -120}, {}},
      {"only markers", {-999, -999}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<double> markers = wertedatei::MissingMarkers(c.values);
    std::sort(markers.begin(), markers.end());
    std::vector<double> expected = c.markers;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(markers, expected);
  }
  for (const char* text : {"", " ", "NaN", "nan", "NA", "n/a", "#N/A", "-", "---", "null"})
    EXPECT_TRUE(wertedatei::IsMissingText(text)) << text;
  for (const char* text : {"0", "Nadel", "-1", "none of it"})
    EXPECT_FALSE(wertedatei::IsMissingText(text)) << text;
}

}  // namespace

namespace {

// The unit follows the span, and every cell reads back as its value.
TEST(PairFileSources, TheUnitFollowsTheSpan) {
  const struct {
    int stepSeconds;
    const char* title;
    double secondX;
  } cases[] = {
      {1, "t in s ab 01.03.2026 00:00", 1},
      {30, "t in min ab 01.03.2026 00:00", 0.5},
      {1800, "t in h ab 01.03.2026 00:00", 0.5},
      {43200, "t in d ab 01.03.2026 00:00", 0.5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    std::string text = "Zeit;Wert\n";
    for (int i = 0; i < 40; ++i) {
      const long t = static_cast<long>(i) * c.stepSeconds;
      text += Format("2026-03-%02ld %02ld:%02ld:%02ld;%d\n", 1 + t / 86400, t / 3600 % 24,
                     t / 60 % 60, t % 60, i % 3);
    }
    const PairFile file = ReadPairFile(text);
    ASSERT_EQ(file.x.size(), 40u);
    EXPECT_EQ(file.xTitle, c.title);
    EXPECT_TRUE(file.xIsTime);
    EXPECT_DOUBLE_EQ(file.xValues[1], c.secondX);
    for (std::size_t i = 0; i < file.x.size(); ++i)
      EXPECT_EQ(TableValue(file.x[i]), file.xValues[i]) << file.x[i];
  }
}

// A long file of dates read in two parts at once, the short way over plain
// lines and the general way over split fields: the same pairs and cells.
TEST(PairFileSources, EveryWayOfReadingDatesAgrees) {
  std::string text = "Zeit;Wert\n";
  for (int i = 0; i < 20000; ++i)
    text += Format("%02d.01.2026 %02d:%02d:%02d;%d,25\n", 1 + i / 86400, i / 3600 % 24,
                   i / 60 % 60, i % 60, i % 11);
  const PairFile whole = ReadPairFile(text);
  wertedatei::ReadOptions twoParts;
  twoParts.twoPartsFrom = 0;
  ColumnChoice general = whole.detected;
  general.sigmaY = 999;  // a Δy column no line has: every line the general way
  const PairFile others[] = {ReadPairFile(text, twoParts), ReadPairFile(text, general)};
  ASSERT_EQ(whole.x.size(), 20000u);
  for (const PairFile& other : others) {
    EXPECT_EQ(other.x, whole.x);
    EXPECT_EQ(other.y, whole.y);
    EXPECT_EQ(other.xValues, whole.xValues);
    EXPECT_EQ(other.xTitle, whole.xTitle);
  }
  EXPECT_EQ(whole.x[19999], "333,3167");  // minutes to 4 decimals: below a second
}

// Which columns are proposed, beyond the sources above.
TEST(PairFileSources, ProposalsPassOverCountersConstantsAndFlags) {
  const struct {
    const char* name;
    std::string bytes;
    int x, y;
  } cases[] = {
      {"two columns of numbers: the first stays x, even a decimal year beside it",
       "a;b\n1;1958.04\n2;1958.12\n3;1958.21\n4;1958.29\n", 0, 1},
      {"a heading naming a counter is no y", "t;Nr;U\n0;1;0,5\n1;2;0,7\n2;3;0,2\n3;4;0,9\n", 0, 2},
      {"a constant is no y", "t;Kanal;U\n0;7;0,5\n1;7;0,7\n2;7;0,2\n3;7;0,9\n", 0, 2},
      {"a quality flag is no y", "Zeit;QN;T\n0;3;12,5\n1;1;13,0\n2;3;12,0\n3;3;11,5\n", 0, 2},
      {"rising integers without a name stay a measured y", "x;y;z\n1;2;0\n2;3;0\n3;4;1\n4;5;0\n",
       0, 1},
      {"the time in a later column", "Kanal;Datum;U\n7;2026-01-01;1\n7;2026-01-02;2\n7;2026-01-03;3\n",
       1, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const PairFile file = ReadPairFile(c.bytes);
    ASSERT_TRUE(file.ok) << file.message;
    EXPECT_EQ(file.detected.x, c.x);
    EXPECT_EQ(file.detected.y, c.y);
  }
}

// A Δy marker leaves its pair out too; the count and the value are said.
TEST(PairFileSources, AMarkedUncertaintyLeavesItsPairOut) {
  const std::string bytes =
      "t;U;dU\n0;1,5;0,11\n1;1,7;-9,99\n2;1,2;0,13\n3;1,9;0,12\n4;1,1;-9,99\n5;1,4;0,1\n";
  const PairFile file = ReadPairFile(bytes, ColumnChoice{0, 1, 2});
  ASSERT_TRUE(file.ok);
  EXPECT_EQ(file.x.size(), 4u);
  EXPECT_EQ(file.sigmaY.size(), 4u);
  EXPECT_EQ(file.missingLeftOut, 2u);
  EXPECT_NE(file.message.find("2 Wertepaare mit dem Wert -9,99"), std::string::npos)
      << file.message;
}

}  // namespace
