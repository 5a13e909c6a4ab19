#include "wertedatei/format.h"

#include <tuple>

#include "wertedatei/datetime.h"

namespace wertedatei {

namespace {

// Separators in the order that wins a tie; 0 stands for runs of blanks.
constexpr char kSeparators[] = {'\t', ';', ',', 0};

// The sample that decides the separator and decimal mark.
constexpr std::size_t kSampleLines = 200;
constexpr std::size_t kSampleBytes = 32 * 1024;

// "sep=;" in the first line names the separator (spreadsheets write it).
std::optional<char> SeparatorHint(std::string_view line) {
  line = TrimSpaces(line);
  if (line.size() == 5 && (line.substr(0, 4) == "sep=" || line.substr(0, 4) == "SEP=")) {
    const char c = line[4];
    return c == ' ' ? 0 : c;
  }
  return std::nullopt;
}


int CountNumbers(const std::vector<Field>& fields, DecimalMark mark, int* nonNumbers,
                 bool withDates = false) {
  int numbers = 0;
  for (const Field& field : fields) {
    if (ReadField(field, mark, nullptr) ||
        (withDates && field.clean && StyleOf(field.text) != DateStyle::kNone)) {
      ++numbers;
    } else if (!field.text.empty() || !field.clean) {
      ++*nonNumbers;
    }
  }
  return numbers;
}

// "1,5" is two integers under "," and one number with a decimal comma. When
// the sample also holds lines of one number without a comma, every line
// that "," splits is such a number as a whole and no line of text is split by
// ",", the file is one column.
bool LooksLikeOneColumn(const std::vector<std::string_view>& sample) {
  std::vector<Field> fields;
  bool lone = false;
  for (const std::string_view line : sample) {
    SplitLine(line, ',', fields);
    int nonNumbers = 0;
    const int numbers = CountNumbers(fields, DecimalMark::kEither, &nonNumbers);
    if (numbers == 0 && fields.size() >= 2) return false;  // a heading such as "x,y"
    if (numbers == 0) continue;
    SplitLine(line, ';', fields);
    if (fields.size() != 1 || !ReadField(fields[0], DecimalMark::kComma, nullptr)) return false;
    lone |= line.find(',') == std::string_view::npos;
  }
  return lone;
}

}  // namespace

// The separator that fits the sample best, then the decimal mark by the
// fields that only one mark reads.
Format DetectFormat(const std::vector<std::string_view>& sample, std::optional<char> hint) {
  Format format;
  std::vector<Field> fields;
  if (hint) {
    format.separator = *hint;
  } else {
    // Most lines of numbers only, then most lines with two numbers; then the
    // fewest numbers on the lines of numbers only: "1,5 ,5" splits at ","
    // into three numbers, at blanks into two. Where no separator gives a
    // line of two numbers, dates and times count as numbers ("2026-12-01
    // 00:05:00;19,5" is a pair).
    for (const bool withDates : {false, true}) {
      std::tuple<long, long, long> best{-1, -1, 0};
      for (const char separator : kSeparators) {
        long full = 0, some = 0, fullNumbers = 0;
        for (const std::string_view line : sample) {
          SplitLine(line, separator, fields);
          int nonNumbers = 0;
          const int numbers = CountNumbers(fields, DecimalMark::kEither, &nonNumbers, withDates);
          if (numbers >= 2) {
            ++some;
            if (nonNumbers == 0) ++full, fullNumbers += numbers;
          }
        }
        const std::tuple<long, long, long> score{full, some, -fullNumbers};
        if (score > best) {
          best = score;
          format.separator = separator;
        }
      }
      if (std::get<1>(best) > 0) break;
    }
    format.singleColumn = format.separator == ',' && LooksLikeOneColumn(sample);
  }

  // The default columns: the first two numbers of the first line of numbers
  // only, else of the first line with two numbers.
  long comma = 0, point = 0;
  bool columnsFound = false, fullFound = false;
  for (const std::string_view line : sample) {
    SplitLine(line, format.separator, fields);
    int numbers = 0, first = -1, second = -1;
    bool text = false;
    for (std::size_t k = 0; k < fields.size(); ++k) {
      const bool byComma = ReadField(fields[k], DecimalMark::kComma, nullptr);
      const bool byPoint = ReadField(fields[k], DecimalMark::kPoint, nullptr);
      comma += byComma && !byPoint;
      point += byPoint && !byComma;
      if (byComma || byPoint) {
        ++numbers;
        if (first < 0) {
          first = static_cast<int>(k);
        } else if (second < 0) {
          second = static_cast<int>(k);
        }
      } else {
        text |= !fields[k].text.empty();
      }
    }
    if (numbers >= 2 && !fullFound && (!columnsFound || !text)) {
      format.columns = {first, second};
      columnsFound = true;
      fullFound = !text;
    }
  }
  format.mark = comma > point   ? DecimalMark::kComma
                : point > comma ? DecimalMark::kPoint
                                : DecimalMark::kEither;
  return format;
}



Sample TakeSample(std::string_view text) {
  Sample sample;
  LineReader reader(text);
  std::string_view line;
  while (sample.lines.size() < kSampleLines && reader.Position() < kSampleBytes &&
         reader.Next(line)) {
    if (reader.Number() == 1 && (sample.hint = SeparatorHint(line))) continue;
    if (!IsComment(line)) sample.lines.push_back(line);
  }
  return sample;
}
}  // namespace wertedatei
