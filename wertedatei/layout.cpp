// Each line is split into fields and each field given a kind by a small
// policy (a missing value, a number, a date, a time of day, text). Lines
// with at least two values and more values than texts are data; the last
// line of texts above the first of them is the heading, the line between
// the two may give units. The columns are then judged over all data lines
// of the sample, the file's first lines and, for a long file, its last.

#include "wertedatei/layout.h"

#include <algorithm>
#include <cctype>
#include <array>
#include <cmath>
#include <utility>

#include "wertedatei/missing.h"

namespace wertedatei {

namespace {

constexpr std::size_t kMaxJudgedColumns = 100;
constexpr std::size_t kExamples = 3;

struct FieldValue {
  ColumnKind kind = ColumnKind::kEmpty;
  DateStyle style = DateStyle::kNone;
  double number = 0;
};

FieldValue Classify(const Field& field, DecimalMark mark) {
  FieldValue value;
  if (IsMissingText(field.text)) return value;
  std::string cell;
  if (ReadField(field, mark, &cell)) {
    value.kind = ColumnKind::kNumber;
    value.number = CellValue(cell).value;
    return value;
  }
  value.style = field.clean ? StyleOf(field.text) : DateStyle::kNone;
  value.kind = value.style == DateStyle::kNone       ? ColumnKind::kText
               : value.style == DateStyle::kTimeOnly ? ColumnKind::kTimeOfDay
                                                     : ColumnKind::kDateTime;
  return value;
}

struct ClassifiedLine {
  std::vector<Field> fields;
  std::vector<FieldValue> values;
  int valueCount = 0, textCount = 0;
  bool Data() const { return valueCount >= 2 && valueCount > textCount; }
};

ClassifiedLine ClassifyLine(std::string_view line, const Format& format) {
  ClassifiedLine classified;
  SplitLine(line, format.separator, classified.fields);
  for (const Field& field : classified.fields) {
    const FieldValue value = Classify(field, format.mark);
    classified.valueCount += value.kind == ColumnKind::kNumber ||
                             value.kind == ColumnKind::kDateTime ||
                             value.kind == ColumnKind::kTimeOfDay;
    classified.textCount += value.kind == ColumnKind::kText;
    classified.values.push_back(value);
  }
  return classified;
}

std::string Lower(std::string_view text) {
  std::string lower;
  for (char c : text) {
    if (c == '"') continue;
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    lower += c;
  }
  const std::size_t first = lower.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : lower.substr(first);
}

bool StartsWith(std::string_view text, std::string_view start) {
  return text.substr(0, start.size()) == start;
}

bool TimeHeading(std::string_view heading) {
  const std::string name = Lower(heading);
  // "t" for time, lower case: "T" is as often a temperature.
  const std::size_t first = heading.find_first_not_of(" \"");
  const bool lowerT = first != std::string_view::npos && heading[first] == 't';
  if (lowerT && name == "t") return true;
  for (const char* start : {"t ", "t/", "t(", "t[", "t in"})
    if (lowerT && StartsWith(name, start)) return true;
  for (const char* start : {"time", "zeit", "uhrzeit", "datum", "date", "mess_datum", "timestamp",
                            "decimal date", "decimal year", "dezimaljahr"})
    if (StartsWith(name, start)) return true;
  return false;
}

bool CounterHeading(std::string_view heading) {
  const std::string name = Lower(heading);
  for (const char* known : {"#", "nr", "nr.", "no", "no.", "index", "sequence", "n", "lfd. nr.",
                            "zeile", "sample", "point"})
    if (name == known) return true;
  return false;
}

bool QualityHeading(std::string_view heading) {
  const std::string name = Lower(heading);
  return StartsWith(name, "qn") || name.find("qualit") != std::string::npos ||
         name.find("flag") != std::string::npos;
}

// A word at the start of the name or behind a character that is no letter.
bool HasWord(std::string_view name, std::string_view word) {
  for (std::size_t at = name.find(word); at != std::string_view::npos; at = name.find(word, at + 1)) {
    const char before = at == 0 ? ' ' : name[at - 1];
    if (!(before >= 'a' && before <= 'z')) return true;
  }
  return false;
}

// German or English words in the headings decide the order of slashed dates.
DateOrder OrderByLanguage(const std::vector<ColumnLayout>& columns) {
  for (const ColumnLayout& column : columns) {
    const std::string name = Lower(column.heading);
    for (const char* german : {"datum", "zeit", "uhrzeit", "temperatur", "wert", "messung"})
      if (HasWord(name, german)) return DateOrder::kDayFirst;
    for (const char* english : {"date", "time", "value", "temp"})
      if (HasWord(name, english)) return DateOrder::kMonthFirst;
  }
  return DateOrder::kUnknown;
}

// What the data lines hold in one column.
struct ColumnRows {
  std::array<int, 5> kinds{};  // by ColumnKind
  std::array<int, 6> styles{};  // of date-time fields, by DateStyle
  std::vector<double> numbers;  // in row order
  bool allIntegers = true;
  bool allCompactDates = true;  // digits only that read as yyyymmdd[hh[mm[ss]]]
  bool withTime = false;        // some date holds a time of day
  bool dayFirst = false, monthFirst = false;
  std::size_t headRows = 0;     // numbers from the first lines (then from the last)
};

void Note(const Field& field, const FieldValue& value, ColumnRows& rows, ColumnLayout& column) {
  ++rows.kinds[static_cast<std::size_t>(value.kind)];
  if (value.kind == ColumnKind::kEmpty) return;
  if (column.examples.size() < kExamples) column.examples.emplace_back(TrimSpaces(field.text));
  if (value.kind == ColumnKind::kDateTime) {
    ++rows.styles[static_cast<std::size_t>(value.style)];
    rows.withTime |= field.text.find(':') != std::string_view::npos;
    const DateOrder order = value.style == DateStyle::kSlashed ? OrderEvidence(field.text)
                                                               : DateOrder::kUnknown;
    rows.dayFirst |= order == DateOrder::kDayFirst;
    rows.monthFirst |= order == DateOrder::kMonthFirst;
  }
  if (value.kind != ColumnKind::kNumber) return;
  rows.numbers.push_back(value.number);
  rows.allIntegers &= value.number == std::floor(value.number);
  rows.allCompactDates &= ReadDateTime(field.text, DateStyle::kCompact).has_value();
}

// Integers that grow by one from row to row (nearly always: a month
// column's 12 → 1 may break it).
bool Counts(const std::vector<double>& numbers, std::size_t headRows) {
  if (numbers.size() < 3) return false;
  std::size_t steps = 0, ones = 0;
  for (std::size_t i = 1; i < numbers.size(); ++i) {
    if (i == headRows) continue;  // the last lines do not follow the first
    ++steps;
    ones += numbers[i] - numbers[i - 1] == 1;
  }
  return steps > 0 && ones * 10 >= steps * 9;
}

// Years with a fraction, growing by less than a year from row to row.
bool DecimalYears(const std::vector<double>& numbers, std::size_t headRows, bool allIntegers) {
  if (numbers.size() < 3 || allIntegers) return false;
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    if (!(numbers[i] >= 1000 && numbers[i] <= 3000)) return false;
    if (i == 0 || i == headRows) continue;  // the last lines do not follow the first
    const double step = numbers[i] - numbers[i - 1];
    if (!(step > 0 && step < 1)) return false;
  }
  return true;
}

void Judge(ColumnLayout& column, const ColumnRows& rows) {
  const auto count = [&rows](ColumnKind kind) { return rows.kinds[static_cast<std::size_t>(kind)]; };
  ColumnKind kind = ColumnKind::kEmpty;
  int most = 0;
  for (const ColumnKind candidate : {ColumnKind::kNumber, ColumnKind::kDateTime,
                                     ColumnKind::kTimeOfDay, ColumnKind::kText}) {
    if (count(candidate) > most) most = count(candidate), kind = candidate;
  }
  column.kind = kind;
  column.timeHeading = TimeHeading(column.heading);
  column.quality = QualityHeading(column.heading);
  column.withTime = rows.withTime;
  if (kind == ColumnKind::kDateTime) {
    column.style = static_cast<DateStyle>(
        std::max_element(rows.styles.begin(), rows.styles.end()) - rows.styles.begin());
  }
  if (kind != ColumnKind::kNumber) return;
  const std::vector<double>& numbers = rows.numbers;
  column.constant = numbers.size() >= 3 &&
                    std::all_of(numbers.begin(), numbers.end(),
                                [&](double v) { return v == numbers.front(); });
  column.counter = rows.allIntegers && !column.constant &&
                   (Counts(numbers, rows.headRows) ||
                    (CounterHeading(column.heading) && numbers.size() >= 2));
  column.decimalYear = DecimalYears(numbers, rows.headRows, rows.allIntegers) ||
                       (Lower(column.heading).find("decimal") != std::string::npos &&
                        !rows.allIntegers);
  // yyyymmddhh under a heading that names a date: a date, not a number.
  if (column.timeHeading && rows.allCompactDates && !numbers.empty() && !column.constant) {
    column.kind = ColumnKind::kDateTime;
    column.style = DateStyle::kCompact;
  }
}

bool Measured(const ColumnLayout& column) {
  return column.kind == ColumnKind::kNumber && !column.constant && !column.counter &&
         !column.quality && !column.decimalYear && !column.timeHeading;
}

bool Usable(const std::vector<ColumnLayout>& columns, int k) {
  return k >= 0 && static_cast<std::size_t>(k) < columns.size();
}

// The measured column after x (past its time of day), else any other
// column of numbers after it, else the same before it.
int MeasuredBeside(const std::vector<ColumnLayout>& columns, int x, int skip) {
  const auto numbers = [](const ColumnLayout& c) {
    return c.kind == ColumnKind::kNumber && !c.constant;
  };
  const auto find = [&](int from, int to, auto&& is) {
    for (int k = from; k < to && Usable(columns, k); ++k)
      if (k != x && k != skip && is(columns[static_cast<std::size_t>(k)])) return k;
    return -1;
  };
  const int end = static_cast<int>(columns.size());
  for (const auto& [from, to] : {std::pair{x + 1, end}, std::pair{0, x}}) {
    const int measured = find(from, to, Measured);
    if (measured >= 0) return measured;
    const int other = find(from, to, numbers);
    if (other >= 0) return other;
  }
  return -1;
}

// The time column: dates first, then a scope's sample numbers, decimal
// years, and numbers headed as time.
int TimeColumn(const Layout& layout) {
  const std::vector<ColumnLayout>& columns = layout.columns;
  const auto first = [&](auto&& is) {
    for (std::size_t k = 0; k < columns.size(); ++k)
      if (is(columns[k])) return static_cast<int>(k);
    return -1;
  };
  int column = first([](const ColumnLayout& c) { return c.kind == ColumnKind::kDateTime; });
  if (column < 0 && layout.sampleClock)
    column = first([](const ColumnLayout& c) { return c.counter; });
  if (column < 0) column = first([](const ColumnLayout& c) { return c.decimalYear; });
  if (column < 0) {
    column = first([](const ColumnLayout& c) {
      // Whole seconds rise by one like a counter; a heading naming a time decides.
      return c.kind == ColumnKind::kNumber && c.timeHeading && !CounterHeading(c.heading) &&
             !c.constant;
    });
  }
  return column;
}

// "Start" and "Increment" in the heading with their numbers in the line
// below it (or the first data line).
void FindSampleClock(const ClassifiedLine& heading, const ClassifiedLine* values, Layout& layout) {
  if (values == nullptr) return;
  int start = -1, increment = -1;
  for (std::size_t k = 0; k < heading.fields.size(); ++k) {
    const std::string name = Lower(heading.fields[k].text);
    if (name == "start") start = static_cast<int>(k);
    if (name == "increment") increment = static_cast<int>(k);
  }
  const auto number = [values](int k, double& value) {
    if (k < 0 || static_cast<std::size_t>(k) >= values->values.size()) return false;
    const FieldValue& field = values->values[static_cast<std::size_t>(k)];
    value = field.number;
    return field.kind == ColumnKind::kNumber && std::isfinite(field.number);
  };
  if (number(start, layout.start) && number(increment, layout.increment) && layout.increment > 0)
    layout.sampleClock = true;
}

// A unit line holds short texts without "=" ("Volt", "(ms)", "s").
bool UnitLine(const ClassifiedLine& line) {
  if (line.fields.size() < 2 || line.textCount == 0) return false;
  for (std::size_t k = 0; k < line.fields.size(); ++k) {
    if (line.values[k].kind != ColumnKind::kText) continue;
    const std::string_view text = line.fields[k].text;
    if (text.size() > 16 || text.find('=') != std::string_view::npos) return false;
  }
  return true;
}

// "(ms)", "[V]": a line of units below the heading, not a heading itself.
bool BracketedUnits(const ClassifiedLine& line) {
  for (std::size_t k = 0; k < line.fields.size(); ++k) {
    const std::string_view text = line.fields[k].text;
    if (text.empty()) continue;
    if (!((text.front() == '(' && text.back() == ')') || (text.front() == '[' && text.back() == ']')))
      return false;
  }
  return true;
}

// "MIN=0", "DEF=0": settings a lab interface writes above its data.
bool Settings(const ClassifiedLine& line) {
  for (const Field& field : line.fields)
    if (field.text.find('=') != std::string_view::npos) return true;
  return false;
}

}  // namespace

Layout JudgeLayout(const std::vector<std::string_view>& head,
                   const std::vector<std::string_view>& tail, const Format& format) {
  Layout layout;
  std::vector<ClassifiedLine> lines;
  lines.reserve(head.size());
  std::size_t firstData = head.size();
  for (const std::string_view line : head) {
    lines.push_back(ClassifyLine(line, format));
    if (firstData == head.size() && lines.back().Data()) firstData = lines.size() - 1;
  }
  // The heading: the last line of texts only above the data; a unit line
  // may stand between.
  const ClassifiedLine* heading = nullptr;
  const ClassifiedLine* units = nullptr;
  for (std::size_t k = 0; k < firstData; ++k) {
    const ClassifiedLine& line = lines[k];
    if (heading != nullptr && units == nullptr && &line == heading + 1 && UnitLine(line) &&
        (line.valueCount > 0 || BracketedUnits(line))) {
      units = &line;
    } else if (line.fields.size() >= 2 && line.valueCount == 0 && line.textCount > 0 &&
               !Settings(line)) {
      heading = &line;
      units = nullptr;
    }
  }
  std::size_t width = 0;
  for (std::size_t k = firstData; k < lines.size(); ++k)
    if (lines[k].Data()) width = std::max(width, lines[k].fields.size());
  width = std::min(width, kMaxJudgedColumns);
  layout.columns.resize(width);
  std::vector<ColumnRows> rows(width);
  for (std::size_t k = 0; k < width; ++k) {
    ColumnLayout& column = layout.columns[k];
    if (heading != nullptr && k < heading->fields.size()) {
      const Field& field = heading->fields[k];
      column.heading = std::string(field.text);
      if (!field.behind.empty()) column.heading.append(" ").append(field.behind);
    }
    if (units != nullptr && k < units->fields.size() &&
        units->values[k].kind == ColumnKind::kText)
      column.unit = std::string(units->fields[k].text);
  }
  const auto noteLine = [&](const ClassifiedLine& line) {
    if (!line.Data()) return;
    for (std::size_t k = 0; k < std::min(width, line.fields.size()); ++k)
      Note(line.fields[k], line.values[k], rows[k], layout.columns[k]);
  };
  for (std::size_t k = firstData; k < lines.size(); ++k) noteLine(lines[k]);
  for (ColumnRows& column : rows) column.headRows = column.numbers.size();
  for (const std::string_view line : tail) noteLine(ClassifyLine(line, format));
  for (std::size_t k = 0; k < width; ++k) Judge(layout.columns[k], rows[k]);

  const ClassifiedLine* firstDataLine = firstData < lines.size() ? &lines[firstData] : nullptr;
  if (heading != nullptr)
    FindSampleClock(*heading, units != nullptr ? units : firstDataLine, layout);

  // Day and month: from the values, else from the headings' language.
  bool dayFirst = false, monthFirst = false, slashed = false;
  for (std::size_t k = 0; k < width; ++k) {
    dayFirst |= rows[k].dayFirst;
    monthFirst |= rows[k].monthFirst;
    slashed |= layout.columns[k].style == DateStyle::kSlashed;
  }
  if (dayFirst != monthFirst) {
    layout.order = dayFirst ? DateOrder::kDayFirst : DateOrder::kMonthFirst;
  } else if (slashed) {
    layout.order = OrderByLanguage(layout.columns);
    layout.orderOpen = layout.order == DateOrder::kUnknown;
  }

  // The proposal: the time as x and the first measured quantity after it;
  // without a time column the format's, with a measured y.
  ColumnChoice proposal = format.columns;
  int time = TimeColumn(layout);
  // Of two columns of numbers the first stays x: only dates move it.
  if (time >= 0 && width <= 2 &&
      layout.columns[static_cast<std::size_t>(time)].kind == ColumnKind::kNumber)
    time = -1;
  if (time >= 0) {
    const auto t = static_cast<std::size_t>(time);
    const bool timeOfDayBeside = layout.columns[t].kind == ColumnKind::kDateTime &&
                                 !layout.columns[t].withTime && t + 1 < width &&
                                 layout.columns[t + 1].kind == ColumnKind::kTimeOfDay;
    const int y = MeasuredBeside(layout.columns, time, timeOfDayBeside ? time + 1 : -1);
    proposal.x = time;
    if (y >= 0) {
      proposal.y = y;
    } else if (format.columns.y != time) {
      proposal.y = format.columns.y;
    } else {
      proposal.y = format.columns.x;
    }
  } else if (Usable(layout.columns, proposal.y) &&
             !Measured(layout.columns[static_cast<std::size_t>(proposal.y)]) &&
             layout.columns[static_cast<std::size_t>(proposal.y)].kind == ColumnKind::kNumber) {
    const ColumnLayout& y = layout.columns[static_cast<std::size_t>(proposal.y)];
    const int better = MeasuredBeside(layout.columns, proposal.y, proposal.x);
    // Rising integers alone may well be measured; a counter must say so.
    const bool counter = y.counter && CounterHeading(y.heading);
    if ((y.constant || counter || y.quality) && better >= 0 && better != proposal.x)
      proposal.y = better;
  }
  if (proposal.x == proposal.y) proposal = format.columns;
  layout.proposal = proposal;
  return layout;
}

XReading XReadingOf(const Layout& layout, const ColumnChoice& choice) {
  XReading reading;
  if (!Usable(layout.columns, choice.x)) return reading;
  const auto x = static_cast<std::size_t>(choice.x);
  const ColumnLayout& column = layout.columns[x];
  if (column.kind == ColumnKind::kDateTime) {
    reading.kind = XReading::Kind::kDateTime;
    reading.style = column.style;
    reading.order = choice.order != DateOrder::kUnknown   ? choice.order
                    : layout.order != DateOrder::kUnknown ? layout.order
                                                          : DateOrder::kDayFirst;
    for (const std::string& example : column.examples) {
      const auto value = ReadDateTime(example, column.style, reading.order);
      reading.offsets |= value && value->offset;
    }
    if (!column.withTime && x + 1 < layout.columns.size() &&
        layout.columns[x + 1].kind == ColumnKind::kTimeOfDay && choice.y != choice.x + 1)
      reading.timeOfDayColumn = choice.x + 1;
    if (column.style == DateStyle::kCompact) reading.timeOfDayColumn = -1;
  } else if (layout.sampleClock && column.counter) {
    reading.kind = XReading::Kind::kSampleClock;
    reading.start = layout.start;
    reading.increment = layout.increment;
  }
  return reading;
}

namespace {

// A unit as headings write it: short, without blanks.
bool LooksLikeUnit(std::string_view unit) {
  return !unit.empty() && unit.size() <= 12 && unit.find(' ') == std::string_view::npos;
}

}  // namespace

std::string AxisTitle(std::string_view heading, std::string_view unit) {
  std::string_view name = TrimSpaces(heading);
  unit = TrimSpaces(unit);
  if (unit.size() >= 2 && (unit.front() == '(' || unit.front() == '['))
    unit = TrimSpaces(unit.substr(1, unit.size() - 2));
  if (unit.empty() && name.size() >= 3 && (name.back() == ')' || name.back() == ']')) {
    // "Time (s)", "Temperatur [°C]"
    const char open = name.back() == ')' ? '(' : '[';
    const std::size_t at = name.rfind(open);
    if (at != std::string_view::npos && at > 0) {
      unit = TrimSpaces(name.substr(at + 1, name.size() - at - 2));
      name = TrimSpaces(name.substr(0, at));
    }
  }
  if (unit.empty()) {
    // "Zeit t / s": quantity over unit
    const std::size_t at = name.rfind(" / ");
    if (at != std::string_view::npos && at > 0 && LooksLikeUnit(TrimSpaces(name.substr(at + 3)))) {
      unit = TrimSpaces(name.substr(at + 3));
      name = TrimSpaces(name.substr(0, at));
    }
  }
  std::string title(name);
  if (unit.empty()) return title;
  title.append(title.empty() ? "" : " in ");
  // m/s^2 as m/s² (Latin-1 0xB2, 0xB3).
  for (std::size_t k = 0; k < unit.size(); ++k) {
    if (unit[k] == '^' && k + 1 < unit.size() && (unit[k + 1] == '2' || unit[k + 1] == '3') &&
        (k + 2 == unit.size() || !std::isdigit(static_cast<unsigned char>(unit[k + 2])))) {
      title += unit[k + 1] == '2' ? '\xB2' : '\xB3';
      ++k;
    } else {
      title += unit[k];
    }
  }
  return title;
}

std::string ColumnTitle(const Layout& layout, int column) {
  if (!Usable(layout.columns, column)) return std::string();
  const ColumnLayout& c = layout.columns[static_cast<std::size_t>(column)];
  return AxisTitle(c.heading, c.unit);
}

}  // namespace wertedatei
