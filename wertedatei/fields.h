#pragma once
// The lines and fields of a pair file's text: line ends, separators, quotes,
// blanks and comments, and a field read as a number. Shared by the
// recognition of a file's layout and the fast pass over its lines; inline,
// because the pass calls them for every line.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "wertedatei/numberfield.h"

namespace wertedatei {

// Only the first kMaxFields fields of a line count: a line of a million
// separators must not cost a million fields.
inline constexpr std::size_t kMaxFields = 1000;

enum class DecimalMark { kComma, kPoint, kEither };

// Blanks around fields; a tab is a blank unless it separates. 0x1A ends old
// DOS text files.
inline bool IsBlank(char c, char separator) {
  // Most bytes are printable and above the blank: one comparison for them.
  if (static_cast<unsigned char>(c) > ' ') return c == '\xA0';
  return c == ' ' || c == '\r' || c == '\f' || c == '\v' || c == '\xA0' || c == '\x1A' ||
         (c == '\t' && separator != '\t');
}

struct Field {
  std::string_view text;  // without blanks around it, inside the quotes
  bool quoted = false;
  bool escapes = false;  // holds doubled quotes
  bool clean = true;     // a quoted field: closed, nothing but blanks behind
  // A quoted field's text behind the closing quote, without blanks around it:
  // the rest of a heading such as "Zeit" t / s.
  std::string_view behind;
};

inline std::string_view TrimSpaces(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// A quoted field starting at line[pos] == '"'; returns the position behind
// its closing quote (or the line's end when it is not closed).
inline std::size_t ReadQuoted(std::string_view line, std::size_t pos, Field& field) {
  std::size_t j = pos + 1;
  while (j < line.size()) {
    if (line[j] == '"') {
      if (j + 1 < line.size() && line[j + 1] == '"') {
        field.escapes = true;
        j += 2;
        continue;
      }
      break;
    }
    ++j;
  }
  field.quoted = true;
  field.clean = j < line.size();
  // Only plain blanks are trimmed inside quotes: what the writer quotes is
  // text the table does not read as a number, and it must stay so.
  field.text = TrimSpaces(line.substr(pos + 1, j - pos - 1));
  return std::min(j + 1, line.size());
}

inline constexpr std::uint64_t kOnes = 0x0101010101010101;
inline constexpr std::uint64_t kHighs = 0x8080808080808080;

// The position of the first `c` from pos on, or the line's end. Fields are
// short, too short for a library search call: eight bytes at a time, where
// the lowest byte that the zero-byte test marks is the first `c`.
inline std::size_t FindOrEnd(std::string_view line, char c, std::size_t pos) {
  const std::size_t n = line.size();
  if constexpr (std::endian::native == std::endian::little) {
    const std::uint64_t pattern = kOnes * static_cast<unsigned char>(c);
    while (n - pos >= 8) {
      std::uint64_t word;
      std::memcpy(&word, line.data() + pos, 8);
      word ^= pattern;
      const std::uint64_t found = (word - kOnes) & ~word & kHighs;
      if (found != 0) return pos + static_cast<std::size_t>(std::countr_zero(found)) / 8;
      pos += 8;
    }
  }
  while (pos < n && line[pos] != c) ++pos;
  return pos;
}

// The fields of a line. With a separator character, fields lie between
// separators (a quoted field may hold it); with 0, runs of blanks separate.
// Only the first kMaxFields fields count: a line of a million separators
// must not cost a million fields.
inline void SplitLine(std::string_view line, char separator, std::vector<Field>& fields) {
  fields.clear();
  const std::size_t n = line.size();
  std::size_t pos = 0;
  if (separator == 0) {
    while (true) {
      while (pos < n && IsBlank(line[pos], 0)) ++pos;
      if (pos == n || fields.size() == kMaxFields) return;
      Field& field = fields.emplace_back();
      if (line[pos] == '"') {
        pos = ReadQuoted(line, pos, field);
        if (pos < n && !IsBlank(line[pos], 0)) field.clean = false;
      } else {
        const std::size_t start = pos;
        while (pos < n && !IsBlank(line[pos], 0)) ++pos;
        field.text = line.substr(start, pos - start);
      }
      while (pos < n && !IsBlank(line[pos], 0)) ++pos;  // behind a closing quote
    }
  }
  while (true) {
    while (pos < n && IsBlank(line[pos], separator)) ++pos;
    Field& field = fields.emplace_back();
    std::size_t end;
    if (pos < n && line[pos] == '"') {
      pos = ReadQuoted(line, pos, field);
      end = FindOrEnd(line, separator, pos);
      std::size_t first = pos, last = end;
      while (first < end && IsBlank(line[first], separator)) ++first;
      while (last > first && IsBlank(line[last - 1], separator)) --last;
      if (first < last) {
        field.clean = false;
        field.behind = line.substr(first, last - first);
      }
    } else {
      end = FindOrEnd(line, separator, pos);
      std::size_t last = end;
      while (last > pos && IsBlank(line[last - 1], separator)) --last;
      field.text = line.substr(pos, last - pos);
    }
    if (end == n || fields.size() == kMaxFields) return;
    pos = end + 1;
  }
}

inline bool ReadField(const Field& field, DecimalMark mark, std::string* cell) {
  if (!field.clean || field.escapes || field.text.empty()) return false;
  switch (mark) {
    case DecimalMark::kComma:
      return ReadNumber(field.text, ',', cell);
    case DecimalMark::kPoint:
      return ReadNumber(field.text, '.', cell);
    case DecimalMark::kEither:
      break;
  }
  return ReadNumberEitherMark(field.text, cell);
}

// The position of the first LF or CR from pos on, or the end. Eight bytes at
// a time: the test marks every byte below 14 (and may mark bytes behind
// one), and each marked byte is looked at, lowest first.
inline std::size_t FindLineEnd(const char* data, std::size_t pos, std::size_t size) {
  if constexpr (std::endian::native == std::endian::little) {
    while (size - pos >= 8) {
      std::uint64_t word;
      std::memcpy(&word, data + pos, 8);
      for (std::uint64_t low = (word - kOnes * 14) & ~word & kHighs; low != 0; low &= low - 1) {
        const std::size_t at = pos + static_cast<std::size_t>(std::countr_zero(low)) / 8;
        if (data[at] == '\n' || data[at] == '\r') return at;
      }
      pos += 8;
    }
  }
  while (pos < size && data[pos] != '\n' && data[pos] != '\r') ++pos;
  return pos;
}

// Runs over the lines of a text, ended by LF, CRLF or CR.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}

  bool Next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    const char* data = text_.data();
    const std::size_t end = FindLineEnd(data, pos_, text_.size());
    line = text_.substr(pos_, end - pos_);
    pos_ = end + 1;
    if (end + 1 < text_.size() && data[end] == '\r' && data[end + 1] == '\n') ++pos_;
    ++number_;
    return true;
  }
  std::size_t Number() const { return number_; }
  std::size_t Position() const { return pos_; }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t number_ = 0;
};

inline bool IsComment(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && IsBlank(line[i], 0)) ++i;
  if (i == line.size()) return true;  // an empty line says nothing either
  return line[i] == '#' || line[i] == '%' || line.substr(i, 2) == "//";
}


}  // namespace wertedatei
