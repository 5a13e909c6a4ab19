// Reading: the bytes become Latin-1 text, a sample of the first lines decides
// the separator and the decimal mark, then one pass over the lines takes the
// pairs. Every step is linear in the length of the input.
//
// - The decimal mark is the one that some field of the sample can only be
//   read with ("2,5", "1.234.567"); the other mark then separates thousands.
//   When no field decides, a lone mark is a decimal mark, as the table reads
//   it ("1,234" is 1.234).
// - Cells are the file's number texts without quotes, blanks and thousands
//   marks; sign, decimal mark and exponent stay as written.
// - Without a chosen pair of columns, x and y are the first two numbers of
//   the first line that holds numbers only ("12:00:01;1,5;2" without such a
//   line: the second and third field).
// - Empty lines, comments (#, %, //) and lines with text above the first
//   pair are passed over; every other line without a pair is counted in the
//   message with its number.

#include "wertedatei/wertedatei.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <thread>
#include <tuple>

#include "_grund/grund.h"
#include "wertedatei/fields.h"
#include "wertedatei/format.h"
#include "wertedatei/largepages.h"
#include "wertedatei/layout.h"
#include "wertedatei/missing.h"
#include "wertedatei/numberfield.h"
#include "wertedatei/textdecode.h"
#include "wertedatei/timeaxis.h"

namespace wertedatei {

namespace {

// The last lines of a long file that the layout is judged on as well.
constexpr std::size_t kTailLines = 200;
constexpr std::size_t kTailBytes = 32 * 1024;

constexpr std::size_t kPreviewLines = 10;
constexpr std::size_t kPreviewWidth = 200;
constexpr std::size_t kListedLines = 5;
constexpr std::size_t kReservedPairs = std::size_t{1} << 20;
// Lines between two calls of the progress callback.
constexpr std::size_t kProgressLines = std::size_t{1} << 16;


std::string Number(std::size_t n) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, n);
  return std::string(buffer, result.ptr);
}

// "3 Zeilen ohne lesbares Wertepaar wurden übersprungen: Zeilen 7, 9, 12."
std::string SkippedMessage(std::size_t count, const std::vector<std::size_t>& lines) {
  std::string text = Number(count);
  text += count == 1 ? " Zeile ohne lesbares Wertepaar wurde \xFC"
                       "bersprungen: Zeile "
                     : " Zeilen ohne lesbares Wertepaar wurden \xFC"
                       "bersprungen: Zeilen ";
  for (std::size_t k = 0; k < lines.size(); ++k) {
    if (k > 0) text += ", ";
    text += Number(lines[k]);
  }
  if (count > lines.size()) text += " ...";
  text += '.';
  return text;
}

std::string PreviewLine(std::string_view line) {
  std::string text(line.substr(0, kPreviewWidth));
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 && c != '\t') c = ' ';
  }
  return text;
}

std::vector<std::string> Headings(std::string_view line, char separator) {
  std::vector<Field> fields;
  SplitLine(line, separator, fields);
  std::vector<std::string> headings;
  for (const Field& field : fields) {
    std::string& heading = headings.emplace_back();
    for (std::size_t k = 0; k < field.text.size(); ++k) {
      heading += field.text[k];
      if (field.text[k] == '"' && field.escapes) ++k;  // "" stands for "
    }
  }
  return headings;
}

// Room for a pair on every line, at once: growing the columns would copy
// them and touch fresh memory again and again. A pair needs four bytes
// ("1;2" and a line end); beyond kReservedPairs they grow as usual, so that
// a huge file of empty lines does not reserve memory for nothing. A cell
// takes at most the line's bytes but a separator, a line end and the other
// cell's byte; room that is reserved and never written costs no memory.
void ReserveRoom(PairFile& file, std::size_t lines, std::size_t bytes, std::size_t maxPairs) {
  const std::size_t room = std::min({lines, bytes / 4 + 1, kReservedPairs, maxPairs});
  const double lineBytes =
      static_cast<double>(bytes) / static_cast<double>(std::max<std::size_t>(lines, 1));
  const auto cellBytes =
      static_cast<std::size_t>(std::clamp(lineBytes - 3, 1.0, 64.0) * static_cast<double>(room));
  file.x.reserve(room, cellBytes);
  file.y.reserve(room, cellBytes);
  file.xValues.reserve(room);
  file.yValues.reserve(room);
  for (const std::vector<double>* values : {&file.xValues, &file.yValues})
    AdviseLargePages(values->data(), values->capacity() * sizeof(double));
}

enum class Taken { kNone, kPair, kMissing };

// A line whose x or y is missing (an empty cell, NaN, NA) while the other is
// a value: a pair left out, not a line that holds none.
[[gnu::noinline]] Taken MissingOrNone(const Field& x, bool xValue, const Field& y, bool yValue) {
  const bool xMissing = !xValue && x.clean && !x.escapes && IsMissingText(x.text);
  const bool yMissing = !yValue && y.clean && !y.escapes && IsMissingText(y.text);
  return (xMissing && yValue) || (yMissing && xValue) ? Taken::kMissing : Taken::kNone;
}

// The point in time of x (with the time of day from its own column where
// the date stands alone), in microseconds.
bool ReadTimeField(const std::vector<Field>& fields, std::size_t cx, const XReading& reading,
                   DateTimeReader& dates, double& micros) {
  const Field& field = fields[cx];
  if (!field.clean || field.escapes) return false;
  const std::optional<DateTimeValue> date = dates.Read(field.text);
  if (!date) return false;
  std::int64_t value = date->micros;
  if (reading.timeOfDayColumn >= 0) {
    const auto k = static_cast<std::size_t>(reading.timeOfDayColumn);
    const std::optional<DateTimeValue> time =
        k < fields.size() ? ReadDateTime(fields[k].text, DateStyle::kTimeOnly) : std::nullopt;
    if (!time) return false;
    value += time->micros;
  }
  micros = static_cast<double>(value);
  return true;
}

// A pair whose x is a point in time: its x cell is written once all are
// read. Out of line, as the other rare ways, so that the reader's loop stays
// small enough for the compiler to inline the usual one.
[[gnu::noinline]] Taken TakeTimedPair(const std::vector<Field>& fields, std::size_t cx,
                                      std::size_t cy, DecimalMark mark, const XReading& reading,
                                      DateTimeReader& dates, std::size_t maxPairs,
                                      PairFile& file) {
  thread_local std::string y;
  double micros = 0, yValue = 0;
  const Field& yField = fields[cy];
  const bool xRead = ReadTimeField(fields, cx, reading, dates, micros);
  // Usually y is a plain number, kept as it stands.
  const char plainMark = mark == DecimalMark::kComma ? ',' : mark == DecimalMark::kPoint ? '.' : 0;
  std::string_view yText;
  bool yRead = yField.clean && !yField.escapes && ReadPlainNumber(yField.text, plainMark, yValue);
  if (yRead) {
    yText = yField.text;
  } else {
    y.clear();
    yRead = ReadField(yField, mark, &y);
    yText = y;
    if (yRead) yValue = CellValue(y).value;
  }
  if (!xRead || !yRead) return MissingOrNone(fields[cx], xRead, yField, yRead);
  if (file.x.size() >= maxPairs) {
    ++file.pairsLeftOut;
    return Taken::kPair;
  }
  file.x.push_back(std::string_view());
  file.y.push_back(yText);
  file.xValues.push_back(micros);
  file.yValues.push_back(yValue);
  return Taken::kPair;
}

// The cells of the chosen columns when both read as numbers: appended to the
// file while it keeps pairs, counted beyond.
[[gnu::noinline]] Taken TakePair(const std::vector<Field>& fields, std::size_t cx,
                                 std::size_t cy, DecimalMark mark, const XReading& reading,
                                 DateTimeReader& dates, std::size_t maxPairs, PairFile& file) {
  if (cx >= fields.size() || cy >= fields.size()) return Taken::kNone;
  if (reading.kind == XReading::Kind::kDateTime)
    return TakeTimedPair(fields, cx, cy, mark, reading, dates, maxPairs, file);
  thread_local std::string x, y;
  if (file.x.size() >= maxPairs) {
    const bool xValue = ReadField(fields[cx], mark, nullptr);
    const bool yValue = ReadField(fields[cy], mark, nullptr);
    if (!xValue || !yValue) return MissingOrNone(fields[cx], xValue, fields[cy], yValue);
    ++file.pairsLeftOut;
    return Taken::kPair;
  }
  // Usually both are plain numbers, kept as they stand.
  double xValue = 0, yValue = 0;
  const Field& xField = fields[cx];
  const Field& yField = fields[cy];
  const char plainMark = mark == DecimalMark::kComma ? ',' : mark == DecimalMark::kPoint ? '.' : 0;
  if (xField.clean && !xField.escapes && yField.clean && !yField.escapes &&
      ReadPlainNumber(xField.text, plainMark, xValue) &&
      ReadPlainNumber(yField.text, plainMark, yValue)) {
    file.x.push_back(xField.text);
    file.y.push_back(yField.text);
    file.xValues.push_back(xValue);
    file.yValues.push_back(yValue);
    return Taken::kPair;
  }
  x.clear();
  y.clear();
  const bool xRead = ReadField(xField, mark, &x);
  const bool yRead = ReadField(yField, mark, &y);
  if (!xRead || !yRead) return MissingOrNone(xField, xRead, yField, yRead);
  file.x.push_back(x);
  file.y.push_back(y);
  file.xValues.push_back(CellValue(x).value);
  file.yValues.push_back(CellValue(y).value);
  return Taken::kPair;
}

// The Δy cell of a pair's line: its number as the table writes numbers, or
// its text as it stands (so that a bad one can be named), empty if missing.
void TakeSigma(const std::vector<Field>& fields, int column, DecimalMark mark, PairFile& file) {
  thread_local std::string sigma;
  sigma.clear();
  const auto k = static_cast<std::size_t>(column);
  if (column >= 0 && k < fields.size() && !ReadField(fields[k], mark, &sigma))
    sigma = std::string(TrimSpaces(fields[k].text));
  file.sigmaY.push_back(sigma);
}

std::string Lower(std::string_view text) {
  std::string lower(TrimSpaces(text));
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower;
}

// The column whose heading names uncertainties of y, or -1.
int SigmaColumnByHeading(const std::vector<std::string>& headings, ColumnChoice columns) {
  static const char* const kNames[] = {"dy", "sigma", "err", "error", "fehler",
                                       "unsicherheit", "u(y)", "s(y)", "sigma y", "dy/v"};
  const std::string yName = columns.y >= 0 && static_cast<std::size_t>(columns.y) < headings.size()
                                ? Lower(headings[static_cast<std::size_t>(columns.y)])
                                : std::string();
  for (std::size_t k = 0; k < headings.size(); ++k) {
    const int column = static_cast<int>(k);
    if (column == columns.x || column == columns.y) continue;
    const std::string name = Lower(headings[k]);
    if (name.empty()) continue;
    for (const char* known : kNames)
      if (name == known) return column;
    // "dU" beside "U", "u(U)" likewise.
    if (!yName.empty() && (name == "d" + yName || name == "u(" + yName + ")")) return column;
  }
  return -1;
}

// The numbers among a line's fields, the index of the last one, and whether
// another field holds text.
struct FieldCounts {
  int numbers = 0;
  int last = -1;
  bool text = false;
};

FieldCounts CountFields(const std::vector<Field>& fields, DecimalMark mark) {
  FieldCounts counts;
  for (std::size_t k = 0; k < fields.size(); ++k) {
    if (ReadField(fields[k], mark, nullptr)) {
      ++counts.numbers;
      counts.last = static_cast<int>(k);
    } else {
      counts.text |= !fields[k].text.empty();
    }
  }
  return counts;
}

// Most lines of a logger file are two plain numbers and one separator,
// "12,5;3,75", maybe with blanks around them: taken here without splitting
// the line into fields. Exactly the lines whose splitting gives those two
// fields and nothing else are taken, so the general way gives the same pair
// for them. False for any other line.
class PlainPairLine {
 public:
  PlainPairLine(const Format& format, ColumnChoice columns, const XReading& reading,
                DateTimeReader& dates)
      : separator_(format.separator),
        mark_(format.mark == DecimalMark::kComma   ? ','
              : format.mark == DecimalMark::kPoint ? '.'
                                                   : 0),
        reading_(reading),
        dates_(dates),
        usable_(columns.x == 0 && columns.y == 1 && columns.sigmaY < 0 &&
                reading.kind != XReading::Kind::kSampleClock && reading.timeOfDayColumn < 0 &&
                (separator_ == ';' || separator_ == '\t' || separator_ == ',')) {}

  // One pass over the line: x up to the first separator, y up to the end;
  // with all it calls inline (the loop around it is too large for the
  // compiler to inline the cells' appending on its own).
  [[gnu::flatten]] bool Take(std::string_view line, PairFile& file) const {
    if (!usable_) return false;
    if (reading_.kind == XReading::Kind::kDateTime) return TakeTimed(line, file);
    double xValue = 0, yValue = 0;
    const std::size_t xStart = Blanks(line, 0);
    const std::size_t xEnd = ScanPlainNumber(line, xStart, mark_, separator_, xValue);
    if (xEnd == std::string_view::npos) return false;
    const std::size_t split = Blanks(line, xEnd);
    if (split == line.size() || line[split] != separator_) return false;
    const std::size_t yStart = Blanks(line, split + 1);
    const std::size_t yEnd = ScanPlainNumber(line, yStart, mark_, separator_, yValue);
    if (yEnd == std::string_view::npos || Blanks(line, yEnd) != line.size()) return false;
    file.x.push_back(line.substr(xStart, xEnd - xStart));
    file.y.push_back(line.substr(yStart, yEnd - yStart));
    file.xValues.push_back(xValue);
    file.yValues.push_back(yValue);
    return true;
  }

 private:
  // The same with a point in time as x, whose cell is written once all are
  // read. Out of line, so that the loop over plain numbers stays small
  // enough for the compiler to inline all of it.
  [[gnu::noinline]] bool TakeTimed(std::string_view line, PairFile& file) const {
    double yValue = 0;
    const std::size_t xStart = Blanks(line, 0);
    std::size_t xEnd = FindOrEnd(line, separator_, xStart);
    const std::size_t split = xEnd;
    while (xEnd > xStart && IsBlank(line[xEnd - 1], separator_)) --xEnd;
    const std::string_view xText = line.substr(xStart, xEnd - xStart);
    if (split == line.size() || xText.find('"') != std::string_view::npos) return false;
    const std::optional<DateTimeValue> time = dates_.Read(xText);
    if (!time) return false;
    const std::size_t yStart = Blanks(line, split + 1);
    const std::size_t yEnd = ScanPlainNumber(line, yStart, mark_, separator_, yValue);
    if (yEnd == std::string_view::npos || Blanks(line, yEnd) != line.size()) return false;
    file.x.push_back(std::string_view());
    file.y.push_back(line.substr(yStart, yEnd - yStart));
    file.xValues.push_back(static_cast<double>(time->micros));
    file.yValues.push_back(yValue);
    return true;
  }

  // The position behind the blanks from pos on.
  std::size_t Blanks(std::string_view line, std::size_t pos) const {
    while (pos < line.size() && IsBlank(line[pos], separator_)) ++pos;
    return pos;
  }

  char separator_;
  char mark_;
  XReading reading_;
  DateTimeReader& dates_;
  bool usable_;
};

// What the pass over the lines notes beside the pairs.
struct LinesRead {
  std::string_view headingLine;
  std::size_t skipped = 0;
  std::vector<std::size_t> skippedLines;  // the first kListedLines
  std::size_t missingTexts = 0;           // pairs with an empty cell, NaN or NA
  std::size_t lines = 0;                  // of the text read
};

// Which lines of the file a text holds: from the first on, or a later part
// that begins behind a line end, with the first pair found before it.
struct LinePart {
  std::size_t linesBefore = 0;
  bool later = false;
  std::size_t fileBytes = 0;  // for the share told to the progress callback
  std::size_t bytesBefore = 0;
};

// The pass over all lines: the pairs of the chosen columns into the file,
// its column count, the heading line and the lines without a pair.
LinesRead ReadLines(std::string_view text, const Format& format, ColumnChoice columns,
                    const XReading& reading, bool hintLine, const ReadOptions& options,
                    const LinePart& part, PairFile& file) {
  const auto cx = static_cast<std::size_t>(columns.x);
  const auto cy = static_cast<std::size_t>(columns.y);
  LinesRead read;
  std::vector<Field> fields;
  DateTimeReader dates(reading.style, reading.order);
  const PlainPairLine plainPair(format, columns, reading, dates);
  // Beside dates the layout counts the columns: lines past the first pair
  // need not be counted.
  const bool timeX = reading.kind == XReading::Kind::kDateTime;
  LineReader reader(text);
  std::string_view line;
  while (reader.Next(line)) {
    if (options.progress && reader.Number() % kProgressLines == 0 &&
        !options.progress(static_cast<double>(part.bytesBefore + reader.Position()) /
                          static_cast<double>(part.fileBytes))) {
      file.cancelled = true;
      return read;
    }
    if (part.later) {
      if (IsComment(line)) continue;
    } else {
      if (file.previewLines.size() < kPreviewLines) file.previewLines.push_back(PreviewLine(line));
      if (IsComment(line) || (reader.Number() == 1 && hintLine)) continue;
    }
    // Such a line widens nothing once a line held two numbers.
    if ((file.numericColumns >= 2 || (timeX && !file.x.empty())) &&
        file.x.size() < options.maxPairs && plainPair.Take(line, file))
      continue;
    SplitLine(line, format.separator, fields);
    const std::size_t kept = file.x.size();
    const Taken taken =
        TakePair(fields, cx, cy, format.mark, reading, dates, options.maxPairs, file);
    if (taken == Taken::kMissing) {
      ++read.missingTexts;
      continue;
    }
    const bool pair = taken == Taken::kPair;
    if (pair && columns.sigmaY >= 0 && file.x.size() > kept)
      TakeSigma(fields, columns.sigmaY, format.mark, file);
    // A line with a pair is counted only when it may widen the columns: with
    // no more fields than the most numbers a line held it cannot.
    const FieldCounts counts =
        pair && (fields.size() <= static_cast<std::size_t>(file.numericColumns) || timeX)
            ? FieldCounts{}
            : CountFields(fields, format.mark);
    // Lines with text above the first pair are headings and titles ("Logger
    // 7", "Zeit [s];Spannung [V]"); anything else without a pair is reported.
    const bool beforeFirstPair = !part.later && file.x.empty() && file.pairsLeftOut == 0;
    if (!pair && beforeFirstPair && (counts.text || counts.numbers == 0)) {
      if (counts.numbers == 0 && (fields.size() >= 2 || read.headingLine.empty()))
        read.headingLine = line;
      continue;
    }
    if (counts.numbers >= 2) {
      file.columnCount = std::max(file.columnCount, counts.last + 1);
      file.numericColumns = std::max(file.numericColumns, counts.numbers);
    }
    if (pair) continue;
    ++read.skipped;
    if (read.skippedLines.size() < kListedLines)
      read.skippedLines.push_back(part.linesBefore + reader.Number());
  }
  read.lines = reader.Number();
  return read;
}

// Where a text of at least `from` bytes is split: behind the first LF from
// its middle on (so never inside a CRLF); 0 where there is none.
std::size_t SecondPartStart(std::string_view text, std::size_t from) {
  if (text.size() < from || !grund::SecondCoreWanted()) return 0;
  const std::size_t lf = text.find('\n', text.size() / 2);
  return lf == std::string_view::npos || lf + 1 >= text.size() ? 0 : lf + 1;
}

// The lines of a long text in two parts at once, the later one on a thread
// of its own, joined as one pass would have read them. Where the first part
// holds no pair the later one's lines could still be headings: then, and for
// short texts, in one pass.
LinesRead ReadAllLines(std::string_view text, std::size_t lines, const Format& format,
                       ColumnChoice columns, const XReading& reading, bool hintLine,
                       const ReadOptions& options, PairFile& file) {
  const std::size_t split = SecondPartStart(text, options.twoPartsFrom);
  LinePart whole;
  whole.fileBytes = text.size();
  if (split == 0) return ReadLines(text, format, columns, reading, hintLine, options, whole, file);

  std::atomic<bool> stop{false};
  ReadOptions laterOptions;
  laterOptions.maxPairs = options.maxPairs;
  laterOptions.progress = [&stop](double) { return !stop.load(std::memory_order_relaxed); };
  PairFile later;
  const double laterShare = static_cast<double>(text.size() - split) / static_cast<double>(text.size());
  LinesRead laterRead;
  LinePart first = whole;
  std::thread worker([&] {
    // Reserved here, the later part's room comes from the thread's own
    // memory pool: fresh, and apart from the one the first part fills.
    ReserveRoom(later, static_cast<std::size_t>(laterShare * static_cast<double>(lines)) + 64,
                text.size() - split, options.maxPairs);
    LinePart part = whole;
    part.later = true;
    part.bytesBefore = split;
    laterRead =
        ReadLines(text.substr(split), format, columns, reading, false, laterOptions, part, later);
  });
  LinesRead read =
      ReadLines(text.substr(0, split), format, columns, reading, hintLine, options, first, file);
  if (file.cancelled) stop = true;
  worker.join();
  if (file.cancelled) return read;
  if (file.x.empty() && file.pairsLeftOut == 0) {
    const ColumnChoice read = file.columns;
    file = PairFile();
    file.columns = read;
    return ReadLines(text, format, columns, reading, hintLine, options, whole, file);
  }
  // The later part's lines behind the first's: the preview, then the pairs.
  LineReader previewReader(text.substr(split));
  std::string_view previewLine;
  while (file.previewLines.size() < kPreviewLines && previewReader.Next(previewLine))
    file.previewLines.push_back(PreviewLine(previewLine));
  const std::size_t room = options.maxPairs - std::min(options.maxPairs, file.x.size());
  const std::size_t taken = std::min(room, later.x.size());
  file.pairsLeftOut += later.pairsLeftOut + (later.x.size() - taken);
  // The y column on a thread of its own beside the x column; the later
  // part's memory is given back as soon as it is copied.
  const auto join = [taken](TextColumn& texts, TextColumn& laterTexts, std::vector<double>& values,
                            std::vector<double>& laterValues) {
    texts.Append(laterTexts, taken);
    laterTexts = TextColumn();
    values.insert(values.end(), laterValues.begin(),
                  laterValues.begin() + static_cast<std::ptrdiff_t>(taken));
    laterValues = std::vector<double>();
  };
  std::thread yJoin(join, std::ref(file.y), std::ref(later.y), std::ref(file.yValues),
                    std::ref(later.yValues));
  join(file.x, later.x, file.xValues, later.xValues);
  if (columns.sigmaY >= 0) file.sigmaY.Append(later.sigmaY, taken);
  yJoin.join();
  file.columnCount = std::max(file.columnCount, later.columnCount);
  file.numericColumns = std::max(file.numericColumns, later.numericColumns);
  read.skipped += laterRead.skipped;
  read.missingTexts += laterRead.missingTexts;
  for (const std::size_t line : laterRead.skippedLines) {
    if (read.skippedLines.size() == kListedLines) break;
    read.skippedLines.push_back(read.lines + line);
  }
  read.lines += laterRead.lines;
  return read;
}

// The last lines of a long text that the sample of its first lines did not
// reach (the first of them may be cut, so it is passed over).
std::vector<std::string_view> TailLines(std::string_view text, std::size_t sampled) {
  std::vector<std::string_view> lines;
  if (text.size() <= sampled + kTailBytes) return lines;
  std::string_view tail = text.substr(text.size() - kTailBytes);
  tail.remove_prefix(std::min(tail.size(), FindLineEnd(tail.data(), 0, tail.size()) + 1));
  LineReader reader(tail);
  std::string_view line;
  while (reader.Next(line))
    if (!IsComment(line)) lines.push_back(line);
  if (lines.size() > kTailLines)
    lines.erase(lines.begin(), lines.end() - static_cast<std::ptrdiff_t>(kTailLines));
  return lines;
}

// Where the first lines of the sample end in the text.
std::size_t SampledBytes(std::string_view text, const Sample& sample) {
  if (sample.lines.empty()) return 0;
  const std::string_view last = sample.lines.back();
  return static_cast<std::size_t>(last.data() + last.size() - text.data());
}

// What the layout tells beside the pairs: each column's title and first
// values for the dialog, and the titles of the chosen columns.
void Describe(const Layout& layout, ColumnChoice columns, PairFile& file) {
  for (std::size_t k = 0; k < layout.columns.size(); ++k) {
    PairFile::ColumnSummary& summary = file.summaries.emplace_back();
    summary.title = ColumnTitle(layout, static_cast<int>(k));
    summary.examples = layout.columns[k].examples;
  }
  if (file.xTitle.empty()) file.xTitle = ColumnTitle(layout, columns.x);
  file.yTitle = ColumnTitle(layout, columns.y);
  const XReading reading = XReadingOf(layout, columns);
  file.dateOrderOpen = layout.orderOpen && columns.order == DateOrder::kUnknown &&
                       reading.kind == XReading::Kind::kDateTime &&
                       reading.style == DateStyle::kSlashed;
  // Columns of dates count for the choice of columns as numbers do.
  int valueColumns = 0, last = -1;
  bool dates = false;
  for (std::size_t k = 0; k < layout.columns.size(); ++k) {
    const ColumnKind kind = layout.columns[k].kind;
    dates |= kind == ColumnKind::kDateTime;
    if (kind == ColumnKind::kNumber || kind == ColumnKind::kDateTime) {
      ++valueColumns;
      last = static_cast<int>(k);
    }
  }
  if (dates) {
    file.columnCount = std::max(file.columnCount, last + 1);
    file.numericColumns = std::max(file.numericColumns, valueColumns);
  }
}

// The headings, and whether the file holds pairs with the message that goes
// with it: lines skipped, pairs left out, the clock.
void Conclude(const LinesRead& read, char separator, bool chosen,
              const std::vector<std::string>& notes, PairFile& file) {
  if (!read.headingLine.empty()) file.headings = Headings(read.headingLine, separator);
  file.ok = !file.x.empty();
  if (!file.ok) {
    file.message = chosen && file.columnCount >= 2
                       ? "Die gew\xE4hlten Spalten enthalten keine Wertepaare."
                       : "Die Datei enth\xE4lt keine Wertepaare: keine Zeile mit zwei Zahlen.";
    return;
  }
  std::vector<std::string> sentences;
  if (read.skipped > 0) sentences.push_back(SkippedMessage(read.skipped, read.skippedLines));
  for (const std::string& note : notes)
    if (!note.empty()) sentences.push_back(note);
  for (const std::string& sentence : sentences) {
    if (!file.message.empty()) file.message += '\n';
    file.message += sentence;
  }
}

PairFile Read(std::string_view bytes, std::optional<ColumnChoice> choice,
              const ReadOptions& options) {
  PairFile file;
  std::string storage;
  const DecodedText decoded = DecodeToLatin1(bytes, storage);
  if (decoded.kind == TextKind::kEmpty) {
    file.message = "Die Datei ist leer.";
    return file;
  }
  if (decoded.kind == TextKind::kBinary) {
    file.message = "Die Datei ist keine Textdatei: sie enth\xE4lt Steuerzeichen.";
    return file;
  }
  const std::string_view text = decoded.text;
  const Sample sample = TakeSample(text);
  const Format format = DetectFormat(sample.lines, sample.hint);
  if (format.singleColumn) {
    file.message = "Die Datei enth\xE4lt keine Wertepaare: nur eine Spalte von Zahlen.";
    return file;
  }
  const Layout layout =
      JudgeLayout(sample.lines, TailLines(text, SampledBytes(text, sample)), format);
  const ColumnChoice columns = choice.value_or(layout.proposal);
  if (columns.x < 0 || columns.y < 0) {
    file.message = "Die gew\xE4hlte Spalte gibt es nicht.";
    return file;
  }
  ReserveRoom(file, decoded.lines, text.size(), options.maxPairs);
  if (columns.sigmaY >= 0 && (columns.sigmaY == columns.x || columns.sigmaY == columns.y)) {
    file.message = "Die Spalte der Messunsicherheiten ist schon x oder y.";
    return file;
  }
  file.columns = columns;
  const XReading reading = XReadingOf(layout, columns);
  const LinesRead read = ReadAllLines(text, decoded.lines, format, columns, reading,
                                      sample.hint.has_value(), options, file);
  if (file.cancelled) {
    PairFile cancelled;
    cancelled.cancelled = true;
    cancelled.message = "Das Lesen wurde abgebrochen.";
    return cancelled;
  }
  std::vector<std::string> notes;
  file.missingLeftOut = read.missingTexts;
  if (read.missingTexts > 0) notes.push_back(MissingTextsMessage(read.missingTexts));
  notes.push_back(MakeTimeAxis(reading, file));
  notes.push_back(LeaveOutMarkedPairs(file, reading.kind == XReading::Kind::kNumber));
  Describe(layout, columns, file);
  Conclude(read, format.separator, choice.has_value(), notes, file);
  file.detected = layout.proposal;
  file.detected.sigmaY = SigmaColumnByHeading(file.headings, layout.proposal);
  if (file.numericColumns == 0 && file.ok) file.numericColumns = 2;
  return file;
}

// A text the table reads as a number: without the blanks around it.
std::optional<std::string_view> NumberText(std::string_view text) {
  text = TrimSpaces(text);
  if (text.empty() || !grund::ParseNumber(grund::CommaToPoint(text)).ok) return std::nullopt;
  return text;
}

void WriteCell(std::string_view text, char separator, std::string& out) {
  if (TrimSpaces(text).empty()) return;
  if (const auto number = NumberText(text)) {
    // One decimal mark for the whole file, so that a reader never takes one
    // for a thousands mark: a point beside commas, a comma elsewhere.
    const char mark = separator == ',' ? '.' : ',';
    // ",5" becomes "0,5": in "1 ,5" the comma could be taken to separate.
    const std::size_t sign = number->front() == '+' || number->front() == '-' ? 1 : 0;
    for (std::size_t k = 0; k < number->size(); ++k) {
      const char c = (*number)[k];
      if (k == sign && (c == ',' || c == '.')) out += '0';
      out += c == ',' || c == '.' ? mark : c;
    }
    return;
  }
  // Other text as it stands, in quotes; a line end would split the line.
  out += '"';
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c == '\r' || c == '\n' ? ' ' : c;
  }
  out += '"';
}

// Latin-1 bytes as UTF-8.
std::string Utf8(std::string_view latin1) {
  std::string out;
  out.reserve(latin1.size() + latin1.size() / 8);
  for (const char c : latin1) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | (b >> 6));
      out += static_cast<char>(0x80 | (b & 0x3F));
    }
  }
  return out;
}

}  // namespace

PairFile ReadPairFile(std::string_view bytes, const ReadOptions& options) {
  return Read(bytes, std::nullopt, options);
}

PairFile ReadPairFile(std::string_view bytes, ColumnChoice columns, const ReadOptions& options) {
  return Read(bytes, columns, options);
}

namespace {

// A separator the reader knows; anything else writes ";".
char KnownSeparator(char separator) {
  return separator == ';' || separator == ',' || separator == '\t' || separator == ' ' ? separator
                                                                                      : ';';
}

// One line per pair with an x or a y text, and the Δy texts when given.
void AppendPairLines(const TextColumn& x, const TextColumn& y, const TextColumn* sigmaY,
                     char separator, std::string& out) {
  const std::size_t n = std::max(x.size(), y.size());
  for (std::size_t i = 0; i < n; ++i) {
    const std::string_view xText = i < x.size() ? x[i] : std::string_view();
    const std::string_view yText = i < y.size() ? y[i] : std::string_view();
    if (TrimSpaces(xText).empty() && TrimSpaces(yText).empty()) continue;
    WriteCell(xText, separator, out);
    out += separator;
    WriteCell(yText, separator, out);
    if (sigmaY) {
      out += separator;
      WriteCell(i < sigmaY->size() ? (*sigmaY)[i] : std::string_view(), separator, out);
    }
    out += "\r\n";
  }
}

}  // namespace

// The separator is ";", ",", a tab or a blank (anything else writes ";");
// lines end in CRLF, as spreadsheets expect. A cell that the table reads as a
// number is written without the blanks around it and with the file's one
// decimal mark (a point with ",", a comma otherwise; ",5" as "0,5"), so the
// reader can never take it for a thousands mark: the value stays the same
// bit for bit. Any other text is written as it stands, in quotes (line
// breaks become blanks); the reader skips such a line and counts it. An
// empty cell stays empty (a missing y is not turned into 0: the reader
// reports that line), and pairs with both cells empty are left out.
namespace {

// A heading field: "x", "y" and "Δy" as they always were; other titles
// quoted, so that a separator in them does not split the heading line (a
// quote inside becomes an apostrophe). A title that reads as a number would
// make the heading a line of pairs: `fallback` stands for it.
void AppendHeading(std::string_view title, std::string_view fallback, std::string& out) {
  std::string number;
  if (ReadNumberEitherMark(TrimSpaces(title), &number)) title = fallback;
  if (title == "x" || title == "y" || title == "\xCE\x94y") {
    out += title;
    return;
  }
  out += '"';
  for (const char c : title) {
    if (c == '\r' || c == '\n') out += ' ';
    else out += c == '"' ? '\'' : c;
  }
  out += '"';
}

bool Ascii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

std::string WritePairFile(const TextColumn& x, const TextColumn& y, char separator) {
  return WritePairFile(x, y, nullptr, separator, {});
}

std::string WritePairFile(const TextColumn& x, const TextColumn& y, const TextColumn& sigmaY,
                          char separator) {
  return WritePairFile(x, y, &sigmaY, separator, {});
}

std::string WritePairFile(const TextColumn& x, const TextColumn& y, const TextColumn* sigmaY,
                          char separator, const PairHeadings& headings) {
  separator = KnownSeparator(separator);
  std::string heading;
  AppendHeading(headings.x, "x", heading);
  heading += separator;
  AppendHeading(headings.y, "y", heading);
  if (sigmaY != nullptr) {
    heading += separator;
    heading += "\xCE\x94y";  // Δy (U+0394) in UTF-8
  }
  heading += "\r\n";
  std::size_t size = heading.size();
  for (std::size_t i = 0; i < x.size(); ++i) size += x[i].size() + 4;
  for (std::size_t i = 0; i < y.size(); ++i) size += y[i].size() + 4;
  std::string body;
  body.reserve(size);
  AppendPairLines(x, y, sigmaY, separator, body);
  // The headings are UTF-8: beyond ASCII the cells' Latin-1 texts follow in
  // UTF-8 too, so that the whole file reads back as written.
  if (!Ascii(heading)) return heading + Utf8(body);
  return heading + body;
}

ColumnChoice OfferedColumns(const PairFile& file) {
  const int columns = std::clamp(file.columnCount, 2, kMaxOfferedColumns);
  const auto offered = [columns](int column, int otherwise) {
    return column >= 0 && column < columns ? column : otherwise;
  };
  ColumnChoice choice{offered(file.detected.x, 0), offered(file.detected.y, 1),
                      offered(file.detected.sigmaY, -1)};
  if (file.dateOrderOpen) choice.order = DateOrder::kMonthFirst;
  return choice;
}

}  // namespace wertedatei
