// ReadPairFile on arbitrary bytes, and WritePairFile on the lines of the same
// bytes taken as cell texts.
//
// Checked for the reader: x and y have one text per pair; ok exactly when
// pairs were found, and a message whenever not; every cell reads through the
// table's CommaToPoint and ParseNumber as a whole, finite number; the preview
// stays small; a chosen pair of columns gives pairs of the same kind; writing
// the pairs and reading them again gives the same values and no message.
// For the writer: a table of the input's lines, two per pair, keeping the
// pairs of texts that the table reads as numbers, reads back as the same
// values. For dates and times: each line of the input read in every style
// and order, alone and behind another line (whose date is remembered), the
// same; a style that StyleOf names reads.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "_grund/grund.h"
#include "fuzz/fuzz_support.h"
#include "wertedatei/datetime.h"
#include "wertedatei/wertedatei.h"

namespace {

// The number the table reads from a cell that must be a number as a whole.
double CellValue(std::string_view cell) {
  const grund::ParsedNumber parsed = grund::ParseNumber(grund::CommaToPoint(cell));
  FUZZ_CHECK(parsed.ok);
  FUZZ_CHECK(std::isfinite(parsed.value));
  return parsed.value;
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void CheckFile(const wertedatei::PairFile& file) {
  FUZZ_CHECK(file.x.size() == file.y.size());
  FUZZ_CHECK(file.ok == !file.x.empty());
  if (!file.ok) FUZZ_CHECK(!file.message.empty());
  FUZZ_CHECK(file.previewLines.size() <= 10);
  for (const std::string& line : file.previewLines) FUZZ_CHECK(line.size() <= 200);
  FUZZ_CHECK(file.columnCount >= 0);
  // The values given beside the texts are those the table reads them as.
  FUZZ_CHECK(file.xValues.size() == file.x.size() && file.yValues.size() == file.y.size());
  for (std::size_t i = 0; i < file.x.size(); ++i) {
    FUZZ_CHECK(SameBits(CellValue(file.x[i]), file.xValues[i]));
    FUZZ_CHECK(SameBits(CellValue(file.y[i]), file.yValues[i]));
  }
}

// Two readings of the same bytes that must agree in everything.
void CheckSame(const wertedatei::PairFile& a, const wertedatei::PairFile& b) {
  FUZZ_CHECK(a.ok == b.ok && a.message == b.message && a.cancelled == b.cancelled);
  FUZZ_CHECK(a.x == b.x && a.y == b.y && a.sigmaY == b.sigmaY);
  FUZZ_CHECK(a.xValues.size() == b.xValues.size() && a.yValues.size() == b.yValues.size());
  for (std::size_t i = 0; i < a.xValues.size(); ++i)
    FUZZ_CHECK(SameBits(a.xValues[i], b.xValues[i]) && SameBits(a.yValues[i], b.yValues[i]));
  FUZZ_CHECK(a.pairsLeftOut == b.pairsLeftOut && a.columns == b.columns &&
             a.detected == b.detected && a.numericColumns == b.numericColumns &&
             a.columnCount == b.columnCount && a.headings == b.headings &&
             a.previewLines == b.previewLines);
}

// Writes the texts with each separator and reads them back: the values of
// `x` and `y` in order, with no message.
void CheckRoundTrip(const wertedatei::TextColumn& x, const wertedatei::TextColumn& y) {
  for (const char separator : {';', '\t', ',', ' '}) {
    const wertedatei::PairFile back =
        wertedatei::ReadPairFile(wertedatei::WritePairFile(x, y, separator));
    FUZZ_CHECK(back.ok == !x.empty());
    FUZZ_CHECK(back.message.empty() == !x.empty());
    FUZZ_CHECK(back.x.size() == x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
      FUZZ_CHECK(CellValue(back.x[i]) == grund::ParseNumber(grund::CommaToPoint(x[i])).value);
      FUZZ_CHECK(CellValue(back.y[i]) == grund::ParseNumber(grund::CommaToPoint(y[i])).value);
    }
  }
}

// A text the table reads as a number, once the blanks around it are gone
// (those the writer drops).
bool IsNumberText(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return !text.empty() && grund::ParseNumber(grund::CommaToPoint(text)).ok;
}

void CheckWriter(std::string_view bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= bytes.size(); ++i) {
    if (i == bytes.size() || bytes[i] == '\n') {
      lines.emplace_back(bytes.substr(start, i - start));
      start = i + 1;
    }
  }
  wertedatei::TextColumn x, y;
  for (std::size_t i = 0; i + 1 < lines.size(); i += 2) {
    if (IsNumberText(lines[i]) && IsNumberText(lines[i + 1])) {
      x.push_back(lines[i]);
      y.push_back(lines[i + 1]);
    }
  }
  CheckRoundTrip(x, y);
}

void CheckDates(std::string_view bytes) {
  using wertedatei::DateOrder;
  using wertedatei::DateStyle;
  std::string_view before = "2026-12-09 00:00";
  for (std::size_t lines = 0; !bytes.empty() && lines < 8; ++lines) {
    const std::size_t end = std::min(bytes.find('\n'), bytes.size());
    const std::string_view line = bytes.substr(0, std::min<std::size_t>(end, 64));
    bytes.remove_prefix(std::min(end + 1, bytes.size()));
    for (const DateStyle style : {DateStyle::kIso, DateStyle::kDotted, DateStyle::kSlashed,
                                  DateStyle::kCompact, DateStyle::kTimeOnly}) {
      for (const DateOrder order : {DateOrder::kDayFirst, DateOrder::kMonthFirst}) {
        const auto alone = wertedatei::ReadDateTime(line, style, order);
        wertedatei::DateTimeReader reader(style, order);
        reader.Read(before);
        const auto behind = reader.Read(line);
        FUZZ_CHECK(alone.has_value() == behind.has_value());
        if (alone) {
          FUZZ_CHECK(alone->micros == behind->micros && alone->offset == behind->offset);
          FUZZ_CHECK(!wertedatei::GermanDateTime(alone->micros).empty());
        }
      }
    }
    const DateStyle style = wertedatei::StyleOf(line);
    if (style != DateStyle::kNone && style != DateStyle::kSlashed)
      FUZZ_CHECK(wertedatei::ReadDateTime(line, style).has_value());
    before = line;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // Nine readings and eight written files, each well within the limit.
  const fuzz::InputTimer timer(10);

  const wertedatei::PairFile file = wertedatei::ReadPairFile(bytes);
  CheckFile(file);
  CheckRoundTrip(file.x, file.y);

  // Read in two parts at once (as files of megabytes are), all alike.
  wertedatei::ReadOptions twoParts;
  twoParts.twoPartsFrom = 0;
  const wertedatei::PairFile joined = wertedatei::ReadPairFile(bytes, twoParts);
  CheckSame(joined, file);

  // With a limit: the first pairs kept, the rest counted, all else alike.
  wertedatei::ReadOptions limited;
  limited.maxPairs = size % 7;
  const wertedatei::PairFile first = wertedatei::ReadPairFile(bytes, limited);
  // Missing-value markers and a time axis's unit and decimals are judged on
  // the pairs kept; every pair is still kept, counted or left out.
  FUZZ_CHECK(first.x.size() + first.pairsLeftOut + first.missingLeftOut ==
             file.x.size() + file.missingLeftOut);
  FUZZ_CHECK(first.x.size() <= std::min(file.x.size() + file.missingLeftOut, limited.maxPairs));
  if (first.missingLeftOut == file.missingLeftOut) {
    for (std::size_t i = 0; i < first.x.size(); ++i)
      FUZZ_CHECK((first.x[i] == file.x[i] || file.xIsTime) && first.y[i] == file.y[i]);
  }
  FUZZ_CHECK(first.columnCount == file.columnCount && first.headings == file.headings);

  const int a = static_cast<int>(size % 4);
  const int b = static_cast<int>(size / 4 % 4);
  const int sigma = static_cast<int>(size / 16 % 5) - 1;  // -1 for none
  const wertedatei::PairFile chosen = wertedatei::ReadPairFile(bytes, {a, b, sigma});
  CheckFile(chosen);
  twoParts.maxPairs = size % 5;
  wertedatei::ReadOptions limited2 = twoParts;
  limited2.twoPartsFrom = SIZE_MAX;
  CheckSame(wertedatei::ReadPairFile(bytes, {a, b, sigma}, twoParts),
            wertedatei::ReadPairFile(bytes, {a, b, sigma}, limited2));
  // With a Δy column: one Δy text per pair, and written with it, the same
  // pairs at most.
  if (chosen.ok && sigma >= 0) {
    FUZZ_CHECK(chosen.sigmaY.size() == chosen.x.size());
    const std::string written = wertedatei::WritePairFile(chosen.x, chosen.y, chosen.sigmaY, ';');
    const wertedatei::PairFile back = wertedatei::ReadPairFile(written, {0, 1, 2});
    FUZZ_CHECK(back.x.size() <= chosen.x.size());
  }

  // Lines of two plain numbers take a shorter way; a Δy column that the
  // lines lack sends every line the general way, to the same pairs.
  const wertedatei::PairFile plain = wertedatei::ReadPairFile(bytes, {0, 1, -1});
  wertedatei::PairFile general = wertedatei::ReadPairFile(bytes, {0, 1, 999});
  general.sigmaY = plain.sigmaY;
  general.columns = plain.columns;
  CheckSame(plain, general);

  CheckWriter(bytes);
  CheckDates(bytes);
  timer.Check();
  return 0;
}
