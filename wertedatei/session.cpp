// Writing: one string, reserved for the whole text and appended to; the
// columns' cells go out as they are held, escaped only where a byte asks for
// it. Reading: one pass over the text, led by the layout the file must have
// (docs/session-format.md) rather than through a tree of JSON values. Cells
// go straight from the text into their TextColumn; only a cell that holds
// an escape or a byte above 0x7F is decoded first. Values that refer to one
// another (indexes, lengths) are checked once the whole text is read.
//
// Whatever the text, the reader ends with a session or a German message: it
// throws nothing, recurses only into values it skips (at most 64 deep) and
// checks every integer against its range before it is stored.

#include "wertedatei/session.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <limits>
#include <string>
#include <string_view>

#include "_grund/grund.h"

namespace wertedatei {

namespace {

constexpr std::string_view kFormatName = "kalvento-sitzung";
// The value table holds at most this many pair rows.
constexpr std::int64_t kMostRows = 1'000'000;
// FormatPoint writes at most 30 decimals; a result's texts never ask more.
constexpr int kMostDecimals = 30;
constexpr int kMostModes = 5, kMostModels = 4, kMostFrequencies = 10;
// Values of keys this reader does not know are skipped; nested deeper than
// this they count as damage (a newer version would never nest so deep).
constexpr int kDeepestSkipped = 64;

constexpr std::array<std::string_view, 4> kColumnKeys = {"x", "y", "fx", "dy"};

// ---------------------------------------------------------------------------
// Writing

// Bytes that may stand in a JSON string as they are and are ASCII.
constexpr std::array<bool, 256> kPlainBytes = [] {
  std::array<bool, 256> plain{};
  for (int c = 0x20; c < 0x80; ++c) plain[c] = c != '"' && c != '\\';
  return plain;
}();

bool IsPlain(char c) { return kPlainBytes[static_cast<unsigned char>(c)]; }

void AppendEscaped(std::string& out, unsigned char c) {
  switch (c) {
    case '"':
      out += "\\\"";
      return;
    case '\\':
      out += "\\\\";
      return;
    case '\n':
      out += "\\n";
      return;
    case '\r':
      out += "\\r";
      return;
    case '\t':
      out += "\\t";
      return;
    default: {
      constexpr char kHex[] = "0123456789ABCDEF";
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
}

// A Latin-1 text as a JSON string: bytes above 0x7F as their UTF-8 form.
void AppendLatin1(std::string& out, std::string_view text) {
  out += '"';
  std::size_t run = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsPlain(text[i])) continue;
    out.append(text.data() + run, i - run);
    run = i + 1;
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      AppendEscaped(out, c);
    }
  }
  out.append(text.data() + run, text.size() - run);
  out += '"';
}

// A UTF-8 text as a JSON string. A byte that begins no valid sequence
// becomes U+FFFD, so that the file is UTF-8 whatever the text held.
void AppendUtf8(std::string& out, std::string_view text) {
  out += '"';
  std::size_t i = 0;
  while (i < text.size()) {
    if (IsPlain(text[i])) {
      out += text[i++];
      continue;
    }
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      AppendEscaped(out, c);
      ++i;
      continue;
    }
    const int length = grund::Utf8SequenceLength(text.substr(i));
    if (length > 0) {
      out.append(text, i, static_cast<std::size_t>(length));
      i += static_cast<std::size_t>(length);
    } else {
      out += "\xEF\xBF\xBD";
      ++i;
    }
  }
  out += '"';
}

void AppendInteger(std::string& out, std::int64_t value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

// The shortest text that reads back as the same double; the non-finite
// values as the strings "inf", "-inf" and "nan", which JSON has no number for.
void AppendDouble(std::string& out, double value) {
  if (std::isnan(value)) {
    out += "\"nan\"";
  } else if (std::isinf(value)) {
    out += value > 0 ? "\"inf\"" : "\"-inf\"";
  } else {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
  }
}

// The text's layout: objects of the upper levels with one member a line,
// lists and small objects on one line.
class Writer {
 public:
  explicit Writer(std::size_t expectedBytes) { out_.reserve(expectedBytes); }

  std::string Take() { return std::move(out_); }

  void Open() {
    out_ += '{';
    ++depth_;
    first_ = true;
  }
  void Close() {
    --depth_;
    NewLine();
    out_ += '}';
    first_ = false;
  }
  // The name of the next member, on a line of its own.
  Writer& Key(std::string_view name) {
    if (!first_) out_ += ',';
    first_ = false;
    NewLine();
    Name(name);
    return *this;
  }

  void Bool(bool value) { out_ += value ? "true" : "false"; }
  void Integer(std::int64_t value) { AppendInteger(out_, value); }
  void Double(double value) { AppendDouble(out_, value); }
  void Utf8(std::string_view text) { AppendUtf8(out_, text); }
  void Latin1(std::string_view text) { AppendLatin1(out_, text); }

  template <typename Container, typename Element>
  void List(const Container& values, Element element) {
    out_ += '[';
    bool first = true;
    for (const auto& value : values) {
      if (!first) out_ += ", ";
      first = false;
      element(value);
    }
    out_ += ']';
  }
  void Doubles(const std::vector<double>& values) {
    List(values, [this](double v) { Double(v); });
  }

  // The cells up to the last one that holds a text.
  void Column(const TextColumn& column) {
    std::size_t count = column.size();
    while (count > 0 && column[count - 1].empty()) --count;
    out_ += '[';
    for (std::size_t i = 0; i < count; ++i) {
      if (i > 0) out_ += ", ";
      Latin1(column[i]);
    }
    out_ += ']';
  }

  // A small object on one line: Inline("a").Double(1) ... EndInline().
  void BeginInline() {
    out_ += '{';
    inlineFirst_ = true;
  }
  Writer& Inline(std::string_view name) {
    if (!inlineFirst_) out_ += ", ";
    inlineFirst_ = false;
    Name(name);
    return *this;
  }
  void EndInline() {
    out_ += '}';
    inlineFirst_ = false;
  }

 private:
  void NewLine() {
    out_ += '\n';
    out_.append(2 * static_cast<std::size_t>(depth_), ' ');
  }
  void Name(std::string_view name) {
    out_ += '"';
    out_ += name;
    out_ += "\": ";
  }

  std::string out_;
  int depth_ = 0;
  bool first_ = true;
  bool inlineFirst_ = true;
};

void WritePrecision(Writer& w, const SessionPrecision& p) {
  w.BeginInline();
  w.Inline("a").Integer(p.a);
  w.Inline("b").Integer(p.b);
  w.Inline("c").Integer(p.c);
  w.Inline("d").Integer(p.d);
  w.Inline("error").Integer(p.error);
  w.Inline("errorDigits").Integer(p.errorDigits);
  w.Inline("fittedValue").Integer(p.fittedValue);
  w.Inline("plotX").Integer(p.plotX);
  w.Inline("plotY").Integer(p.plotY);
  w.Inline("specifiedScale").Bool(p.specifiedScale);
  w.EndInline();
}

void WritePairs(Writer& w, const SessionPairs& pairs) {
  w.BeginInline();
  if (pairs.tablePairs) {
    w.Inline("tablePairs").Bool(true);
  } else {
    w.Inline("x").Doubles(pairs.x);
    w.Inline("y").Doubles(pairs.y);
    w.Inline("sigma").Doubles(pairs.sigma);
  }
  w.EndInline();
}

void WriteView(Writer& w, const SessionView& view) {
  w.BeginInline();
  w.Inline("xMin").Double(view.xMin);
  w.Inline("xMax").Double(view.xMax);
  w.Inline("yMin").Double(view.yMin);
  w.Inline("yMax").Double(view.yMax);
  w.EndInline();
}

void WriteTable(Writer& w, const Session& s) {
  w.Key("table").Open();
  w.Key("rows").Integer(s.rows);
  for (std::size_t c = 0; c < kColumnKeys.size(); ++c)
    w.Key(kColumnKeys[c]).Column(s.columns[c].latin1);
  const bool anyFull = std::any_of(s.columns.begin(), s.columns.end(),
                                   [](const SessionColumn& c) { return !c.full.empty(); });
  if (anyFull) {
    w.Key("full").Open();
    for (std::size_t c = 0; c < kColumnKeys.size(); ++c) {
      if (s.columns[c].full.empty()) continue;
      w.Key(kColumnKeys[c]).List(s.columns[c].full, [&w](const auto& cell) {
        w.BeginInline();
        w.Inline("index").Integer(cell.first);
        w.Inline("text").Utf8(cell.second);
        w.EndInline();
      });
    }
    w.Close();
  }
  w.Key("sigmaShown").Bool(s.sigmaShown);
  if (s.fitted) {
    w.Key("fitted").Open();
    w.Key("term").Latin1(s.fitted->term);
    w.Key("precision");
    WritePrecision(w, s.fitted->precision);
    // The indexes as runs (first, count): a fitted long series is one run.
    std::vector<std::int64_t> runs;
    for (const std::int64_t i : s.fitted->indexes) {
      if (!runs.empty() && runs[runs.size() - 2] + runs.back() == i) {
        ++runs.back();
      } else {
        runs.push_back(i);
        runs.push_back(1);
      }
    }
    w.Key("runs").List(runs, [&w](std::int64_t i) { w.Integer(i); });
    if (s.fitted->xFromTable)
      w.Key("xFromTable").Bool(true);
    else
      w.Key("x").Doubles(s.fitted->x);
    w.Close();
  }
  w.Key("pairsModified").Bool(s.pairsModified);
  w.Key("pairFile").Utf8(s.pairFile);
  w.Key("pairFileHasMoreColumns").Bool(s.pairFileHasMoreColumns);
  w.Close();
}

void WriteSettings(Writer& w, const Session& s) {
  w.Key("settings").Open();
  w.Key("fitMode").Integer(s.fitMode);
  w.Key("fields").List(s.fields, [&w](const std::string& text) { w.Utf8(text); });
  w.Key("frequencyScan").Bool(s.frequencyScan);
  w.Key("model").Integer(s.model);
  w.Key("frequencies").Integer(s.frequencies);
  w.Key("randomSeed").Integer(s.randomSeed);
  w.Close();
}

void WriteResults(Writer& w, const Session& s) {
  w.Key("results").Open();
  w.Key("lines").List(s.results, [&w](const SessionResult& r) {
    w.Open();
    w.Key("entry").Latin1(r.entry);
    w.Key("mode").Integer(r.mode);
    w.Key("parameters").List(r.parameters, [&w](double v) { w.Double(v); });
    w.Key("error").Double(r.error);
    w.Key("model").Integer(r.model);
    w.Key("values").Doubles(r.values);
    w.Key("originX0").Double(r.originX0);
    w.Key("originPhase").Double(r.originPhase);
    w.Key("scanBound").Double(r.scanBound);
    w.Key("searchedUpTo").Double(r.searchedUpTo);
    w.Key("precision");
    WritePrecision(w, r.precision);
    w.Key("pairs").Integer(r.pairs);
    w.Close();
  });
  w.Key("chosen").Integer(s.chosen);
  w.Key("sortByError").Bool(s.sortByError);
  w.Key("weighted").Bool(s.weighted);
  w.Key("pairCount").Utf8(s.pairCount);
  w.Key("computedPairs").List(s.computedPairs, [&w](const SessionPairs& p) { WritePairs(w, p); });
  w.Close();
}

void WriteShown(Writer& w, const Session& s) {
  w.Key("shown").Open();
  w.Key("entry").Latin1(s.shownEntry);
  w.Key("statistics").Bool(s.statisticsShown);
  w.Key("scanHint").Utf8(s.scanHint);
  w.Key("modelHint").Utf8(s.modelHint);
  w.Key("plotEntries").List(s.plotEntries, [&w](const std::string& e) { w.Latin1(e); });
  w.Key("pointsAreTablePairs").Bool(s.pointsAreTablePairs);
  if (s.points && !s.pointsAreTablePairs) {
    w.Key("points");
    WritePairs(w, *s.points);
  }
  w.Key("pairsOnly").Bool(s.pairsOnly);
  if (s.userView) {
    w.Key("userView");
    WriteView(w, *s.userView);
  }
  if (s.otherView) {
    w.Key("otherView");
    WriteView(w, *s.otherView);
  }
  w.Key("periodogram").Bool(s.periodogram);
  w.Key("periodAxis").Bool(s.periodAxis);
  w.Key("spectralWindow").Bool(s.spectralWindow);
  w.Key("residuals").Bool(s.residuals);
  w.Key("resultInPlot").Bool(s.resultInPlot);
  w.Key("titleX").Utf8(s.titleX);
  w.Key("titleY").Utf8(s.titleY);
  w.Close();
}

// About the length of the text: the cells with their quotes and separators,
// the numbers at their longest, and room for the rest.
std::size_t ExpectedBytes(const Session& s) {
  std::size_t bytes = 4096;
  for (const SessionColumn& column : s.columns) {
    for (std::size_t i = 0; i < column.latin1.size(); ++i) bytes += column.latin1[i].size() + 4;
    for (const auto& cell : column.full) bytes += cell.second.size() + 32;
  }
  constexpr std::size_t kNumber = 26;
  const auto pairs = [&](const SessionPairs& p) {
    bytes += (p.x.size() + p.y.size() + p.sigma.size()) * kNumber + 64;
  };
  for (const SessionPairs& p : s.computedPairs) pairs(p);
  if (s.points) pairs(*s.points);
  if (s.fitted) bytes += 64 + s.fitted->x.size() * kNumber;
  for (const SessionResult& r : s.results)
    bytes += 512 + r.entry.size() + r.values.size() * kNumber;
  for (const std::string& e : s.plotEntries) bytes += e.size() + 4;
  return bytes;
}

// ---------------------------------------------------------------------------
// Reading

enum class Failure { kNone, kEmpty, kNotSession, kTruncated, kDamaged, kNewer };
enum class Encoding { kUtf8, kLatin1 };

std::string Decimal(std::int64_t value) {
  std::string text;
  AppendInteger(text, value);
  return text;
}

// A text of the file in a message: at most some 40 bytes of it, cut where a
// UTF-8 sequence begins.
std::string Quoted(std::string_view name) {
  constexpr std::size_t kLongest = 40;
  if (name.size() <= kLongest) return "„" + std::string(name) + "“";
  std::size_t end = kLongest;
  while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
  return "„" + std::string(name.substr(0, end)) + "…“";
}

// Where the value of a member stands in the text, for the messages of the
// checks made once everything is read.
struct Places {
  const char* rows = nullptr;
  std::array<const char*, 4> columns{};
  const char* full = nullptr;
  const char* fitted = nullptr;
  const char* lines = nullptr;
  const char* chosen = nullptr;
};

class Reader {
 public:
  explicit Reader(std::string_view text)
      : begin_(text.data()), p_(text.data()), end_(text.data() + text.size()) {}

  bool Read(Session& s);
  std::string Message() const;

 private:
  // --- failures: the first one counts
  bool Fail(Failure failure, std::string what = {}, const char* at = nullptr) {
    if (failure_ == Failure::kNone) {
      failure_ = failure;
      what_ = std::move(what);
      at_ = at ? at : p_;
    }
    return false;
  }
  bool Truncated() { return Fail(Failure::kTruncated); }
  bool Damaged(std::string what, const char* at = nullptr) {
    return Fail(Failure::kDamaged, std::move(what), at);
  }
  // At the end of the text the document was cut; elsewhere it is damaged.
  bool Unexpected(std::string what) { return p_ == end_ ? Truncated() : Damaged(std::move(what)); }
  bool Expected(std::string_view kind) {
    return Unexpected(Quoted(key_) + ": " + std::string(kind) + " erwartet");
  }
  bool OutOfRange(const char* at, std::int64_t low, std::int64_t high) {
    return Damaged(Quoted(key_) + " liegt nicht zwischen " + Decimal(low) + " und " + Decimal(high),
                   at);
  }

  // --- tokens
  void SkipSpace() {
    while (p_ != end_ && (*p_ == ' ' || *p_ == '\n' || *p_ == '\r' || *p_ == '\t')) ++p_;
  }
  // After blanks: the next byte is `c` (not consumed).
  bool At(char c) {
    SkipSpace();
    return p_ != end_ && *p_ == c;
  }
  bool Literal(std::string_view word);
  bool String(Encoding encoding, std::string_view& text);
  bool DecodeString(Encoding encoding, const char* plainEnd, std::string_view& text);
  bool NumberToken(std::string_view& token, bool& integral);

  // --- values
  bool Bool(bool& value);
  bool Integer(std::int64_t& value, std::int64_t low, std::int64_t high);
  template <typename T>
  bool Integer(T& value, std::int64_t low, std::int64_t high) {
    std::int64_t wide = 0;
    if (!Integer(wide, low, high)) return false;
    value = static_cast<T>(wide);
    return true;
  }
  bool Double(double& value);
  bool Text(std::string& value, Encoding encoding) {
    std::string_view text;
    if (!String(encoding, text)) return false;
    value.assign(text);
    return true;
  }
  bool Utf8(std::string& value) { return Text(value, Encoding::kUtf8); }
  bool Latin1(std::string& value) { return Text(value, Encoding::kLatin1); }
  bool Doubles(std::vector<double>& values) {
    values.clear();
    return Array([&] { return Double(values.emplace_back()); });
  }
  bool Column(TextColumn& column, std::int64_t mostCells);
  bool SkipValue(int depth);

  template <typename Element>
  bool Array(Element element);
  template <typename Member>
  bool Object(Member member);
  // A list of as many elements as `values` holds.
  template <typename Values, typename Element>
  bool Exactly(Values& values, std::string_view what, Element element) {
    SkipSpace();
    const char* at = p_;
    std::size_t count = 0;
    if (!Array([&] {
          if (count == values.size()) return Damaged(std::string(what), at);
          return element(values[count++]);
        }))
      return false;
    return count == values.size() || Damaged(std::string(what), at);
  }
  // An object, or null for none.
  template <typename T, typename Read>
  bool Optional(std::optional<T>& value, Read read) {
    if (At('n')) {
      value.reset();
      return Literal("null");
    }
    return read(value.emplace());
  }

  // --- the session's parts
  bool Version(Session& s);
  bool Table(Session& s);
  bool FullCells(Session& s);
  bool Fitted(SessionFittedValues& fitted);
  bool Runs(std::vector<std::int64_t>& indexes);
  bool Settings(Session& s);
  bool Results(Session& s);
  bool Result(SessionResult& result);
  bool Shown(Session& s);
  bool Precision(SessionPrecision& p);
  bool Pairs(SessionPairs& pairs);
  bool View(SessionView& view);
  bool CheckTogether(const Session& s);

  const char* const begin_;
  const char* p_;
  const char* const end_;
  Failure failure_ = Failure::kNone;
  std::string what_;
  const char* at_ = nullptr;
  std::string key_;      // the member being read, for the messages
  std::string scratch_;  // a string with escapes or non-ASCII bytes, decoded
  int newerMajor_ = 0, newerMinor_ = 0;
  Places places_;
};

std::string Reader::Message() const {
  switch (failure_) {
    case Failure::kNone:
      return {};
    case Failure::kEmpty:
      return "Die Sitzungsdatei ist leer.";
    case Failure::kNotSession:
      return "Die Datei ist keine Kalvento-Sitzung.";
    case Failure::kTruncated:
      return "Die Sitzungsdatei ist unvollständig (abgeschnitten).";
    case Failure::kNewer:
      return "Die Sitzung stammt aus einer neueren Version von Kalvento (Format " +
             Decimal(newerMajor_) + "." + Decimal(newerMinor_) +
             ") und kann nicht geöffnet werden.";
    case Failure::kDamaged:
      break;
  }
  // Lines and characters counted as an editor shows them (UTF-8 sequences as one).
  std::int64_t line = 1, column = 1;
  for (const char* q = begin_; q < at_; ++q) {
    if (*q == '\n') {
      ++line;
      column = 1;
    } else if ((static_cast<unsigned char>(*q) & 0xC0) != 0x80) {
      ++column;
    }
  }
  return "Die Sitzungsdatei ist beschädigt: " + what_ + " (Zeile " + Decimal(line) + ", Zeichen " +
         Decimal(column) + ").";
}

bool Reader::Literal(std::string_view word) {
  SkipSpace();
  const auto available = static_cast<std::size_t>(end_ - p_);
  const std::string_view here(p_, std::min(available, word.size()));
  if (here == word) {
    p_ += word.size();
    return true;
  }
  if (available < word.size() && word.starts_with(here)) {
    p_ = end_;
    return Truncated();
  }
  return Damaged(Quoted(key_) + ": " + Quoted(word) + " erwartet");
}

bool Reader::String(Encoding encoding, std::string_view& text) {
  SkipSpace();
  if (p_ == end_) return Truncated();
  if (*p_ != '"') return Expected("ein Text");
  const char* q = p_ + 1;
  while (q != end_ && IsPlain(*q)) ++q;
  if (q != end_ && *q == '"') {
    text = std::string_view(p_ + 1, static_cast<std::size_t>(q - p_ - 1));
    p_ = q + 1;
    return true;
  }
  return DecodeString(encoding, q, text);
}

// The slow way of String: escapes, UTF-8 sequences, and the checks they need.
bool Reader::DecodeString(Encoding encoding, const char* plainEnd, std::string_view& text) {
  std::string& out = scratch_;
  out.assign(p_ + 1, plainEnd);
  const char* q = plainEnd;
  const auto put = [&](std::uint32_t code, const char* at) {
    if (encoding == Encoding::kLatin1) {
      if (code > 0xFF) {
        char hex[8];
        const auto r = std::to_chars(hex, hex + sizeof hex, code, 16);
        std::string name(hex, r.ptr);
        std::transform(name.begin(), name.end(), name.begin(),
                       [](char c) { return c >= 'a' ? static_cast<char>(c - 'a' + 'A') : c; });
        name.insert(0, 4 - std::min<std::size_t>(name.size(), 4), '0');
        return Damaged(Quoted(key_) + ": das Zeichen U+" + name + " gibt es in Latin-1 nicht", at);
      }
      out += static_cast<char>(code);
    } else if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
    return true;
  };
  // Four hex digits after "\u" at r.
  const auto hex4 = [&](const char* r, std::uint32_t& code) {
    if (end_ - r < 4) {
      p_ = end_;
      return Truncated();
    }
    const auto result = std::from_chars(r, r + 4, code, 16);
    if (result.ptr != r + 4 || r[0] == '+' || r[0] == '-')
      return Damaged(Quoted(key_) + ": ungültige Folge \\u", r - 2);
    return true;
  };
  for (;;) {
    const char* run = q;
    while (q != end_ && IsPlain(*q)) ++q;
    out.append(run, q);
    if (q == end_) {
      p_ = end_;
      return Truncated();
    }
    const auto c = static_cast<unsigned char>(*q);
    if (c == '"') break;
    if (c < 0x20) return Damaged(Quoted(key_) + ": Steuerzeichen in einem Text", q);
    if (c >= 0x80) {
      const int length =
          grund::Utf8SequenceLength(std::string_view(q, static_cast<std::size_t>(end_ - q)));
      if (length < 0) {
        p_ = end_;
        return Truncated();
      }
      if (length == 0) return Damaged(Quoted(key_) + ": kein gültiges UTF-8", q);
      if (encoding == Encoding::kUtf8) {
        out.append(q, static_cast<std::size_t>(length));
      } else {
        std::uint32_t code = c & (0x3F >> (length - 1));
        for (int i = 1; i < length; ++i)
          code = (code << 6) | (static_cast<unsigned char>(q[i]) & 0x3F);
        if (!put(code, q)) return false;
      }
      q += length;
      continue;
    }
    // A backslash.
    if (end_ - q < 2) {
      p_ = end_;
      return Truncated();
    }
    const char* escape = q;
    q += 2;
    switch (escape[1]) {
      case '"':
        out += '"';
        continue;
      case '\\':
        out += '\\';
        continue;
      case '/':
        out += '/';
        continue;
      case 'b':
        out += '\b';
        continue;
      case 'f':
        out += '\f';
        continue;
      case 'n':
        out += '\n';
        continue;
      case 'r':
        out += '\r';
        continue;
      case 't':
        out += '\t';
        continue;
      case 'u':
        break;
      default:
        return Damaged(Quoted(key_) + ": ungültige Folge mit \\", escape);
    }
    std::uint32_t code = 0;
    if (!hex4(q, code)) return false;
    q += 4;
    if (code >= 0xDC00 && code <= 0xDFFF)
      return Damaged(Quoted(key_) + ": zweite Hälfte eines Ersatzpaars (\\u) ohne erste", escape);
    if (code >= 0xD800 && code <= 0xDBFF) {
      if (end_ - q < 2) {
        p_ = end_;
        return Truncated();
      }
      std::uint32_t low = 0;
      if (q[0] != '\\' || q[1] != 'u' || !hex4(q + 2, low) || low < 0xDC00 || low > 0xDFFF) {
        if (failure_ != Failure::kNone) return false;
        return Damaged(Quoted(key_) + ": erste Hälfte eines Ersatzpaars (\\u) ohne zweite", escape);
      }
      q += 6;
      code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
    }
    if (!put(code, escape)) return false;
  }
  text = out;
  p_ = q + 1;
  return true;
}

bool Reader::NumberToken(std::string_view& token, bool& integral) {
  SkipSpace();
  const char* q = p_;
  const auto digit = [&] { return q != end_ && *q >= '0' && *q <= '9'; };
  const auto digits = [&] {
    // At least one digit.
    if (q == end_) return false;
    if (!digit()) return false;
    while (digit()) ++q;
    return true;
  };
  const auto fail = [&] {
    if (q == end_) {
      p_ = end_;
      return Truncated();
    }
    return Expected("eine Zahl");
  };
  if (q != end_ && *q == '-') ++q;
  if (q != end_ && *q == '0') {
    ++q;
  } else if (!digits()) {
    return fail();
  }
  integral = true;
  if (q != end_ && *q == '.') {
    integral = false;
    ++q;
    if (!digits()) return fail();
  }
  if (q != end_ && (*q == 'e' || *q == 'E')) {
    integral = false;
    ++q;
    if (q != end_ && (*q == '+' || *q == '-')) ++q;
    if (!digits()) return fail();
  }
  token = std::string_view(p_, static_cast<std::size_t>(q - p_));
  p_ = q;
  return true;
}

bool Reader::Bool(bool& value) {
  SkipSpace();
  if (p_ != end_ && *p_ == 't') {
    value = true;
    return Literal("true");
  }
  if (p_ != end_ && *p_ == 'f') {
    value = false;
    return Literal("false");
  }
  return Expected("true oder false");
}

bool Reader::Integer(std::int64_t& value, std::int64_t low, std::int64_t high) {
  SkipSpace();
  const char* at = p_;
  std::string_view token;
  bool integral = false;
  if (!NumberToken(token, integral)) return false;
  if (!integral) return Damaged(Quoted(key_) + ": eine ganze Zahl erwartet", at);
  std::int64_t read = 0;
  const auto result = std::from_chars(token.data(), token.data() + token.size(), read);
  if (result.ec != std::errc() || read < low || read > high) return OutOfRange(at, low, high);
  value = read;
  return true;
}

bool Reader::Double(double& value) {
  SkipSpace();
  if (p_ != end_ && *p_ == '"') {
    const char* at = p_;
    std::string_view text;
    if (!String(Encoding::kUtf8, text)) return false;
    if (text == "inf") {
      value = std::numeric_limits<double>::infinity();
    } else if (text == "-inf") {
      value = -std::numeric_limits<double>::infinity();
    } else if (text == "nan") {
      value = std::numeric_limits<double>::quiet_NaN();
    } else {
      return Damaged(Quoted(key_) + ": eine Zahl erwartet (oder „inf“, „-inf“, „nan“)", at);
    }
    return true;
  }
  const char* at = p_;
  std::string_view token;
  bool integral = false;
  if (!NumberToken(token, integral)) return false;
  const auto result = std::from_chars(token.data(), token.data() + token.size(), value);
  if (result.ec != std::errc() || result.ptr != token.data() + token.size())
    return Damaged(Quoted(key_) + ": die Zahl " + std::string(token.substr(0, 40)) +
                       " ist als double nicht darstellbar",
                   at);
  return true;
}

template <typename Element>
bool Reader::Array(Element element) {
  SkipSpace();
  if (p_ == end_) return Truncated();
  if (*p_ != '[') return Expected("eine Liste [ ]");
  ++p_;
  if (At(']')) {
    ++p_;
    return true;
  }
  for (;;) {
    if (!element()) return false;
    SkipSpace();
    if (p_ == end_) return Truncated();
    if (*p_ == ',') {
      ++p_;
    } else if (*p_ == ']') {
      ++p_;
      return true;
    } else {
      return Damaged("„,“ oder „]“ erwartet");
    }
  }
}

template <typename Member>
bool Reader::Object(Member member) {
  SkipSpace();
  if (p_ == end_) return Truncated();
  if (*p_ != '{') return Expected("ein Objekt { }");
  ++p_;
  if (At('}')) {
    ++p_;
    return true;
  }
  for (;;) {
    SkipSpace();
    if (p_ == end_) return Truncated();
    if (*p_ != '"') return Damaged("ein Name in Anführungszeichen erwartet");
    // The name is copied before the value may be decoded into scratch_; it
    // names the member in the messages.
    std::string_view name;
    if (!String(Encoding::kUtf8, name)) return false;
    key_.assign(name);
    SkipSpace();
    if (p_ == end_) return Truncated();
    if (*p_ != ':') return Damaged("„:“ erwartet");
    ++p_;
    if (!member(std::string_view(key_))) return false;
    SkipSpace();
    if (p_ == end_) return Truncated();
    if (*p_ == ',') {
      ++p_;
    } else if (*p_ == '}') {
      ++p_;
      return true;
    } else {
      return Damaged("„,“ oder „}“ erwartet");
    }
  }
}

bool Reader::SkipValue(int depth) {
  SkipSpace();
  if (p_ == end_) return Truncated();
  std::string_view ignored;
  bool integral = false;
  switch (*p_) {
    case '{':
    case '[':
      if (depth >= kDeepestSkipped) return Damaged("zu tief verschachtelt");
      if (*p_ == '[') return Array([&] { return SkipValue(depth + 1); });
      return Object([&](std::string_view) { return SkipValue(depth + 1); });
    case '"':
      return String(Encoding::kUtf8, ignored);
    case 't':
      return Literal("true");
    case 'f':
      return Literal("false");
    case 'n':
      return Literal("null");
    default:
      if (*p_ != '-' && (*p_ < '0' || *p_ > '9'))
        return Damaged(Quoted(key_) + ": ein Wert erwartet");
      return NumberToken(ignored, integral);
  }
}

bool Reader::Column(TextColumn& column, std::int64_t mostCells) {
  column.clear();
  SkipSpace();
  // Room for the cells expected, as many as the text can hold at most
  // (each takes 3 bytes at least).
  column.reserve(static_cast<std::size_t>(std::min<std::int64_t>(mostCells, (end_ - p_) / 3 + 1)),
                 0);
  std::string_view cell;
  if (!Array([&] {
        if (!String(Encoding::kLatin1, cell)) return false;
        column.push_back(cell);
        return true;
      }))
    return false;
  // As the writer leaves them off: no empty cells at the end.
  std::size_t count = column.size();
  while (count > 0 && column[count - 1].empty()) --count;
  column.resize(count);
  return true;
}

bool Reader::Precision(SessionPrecision& p) {
  const auto decimals = [&](int& value) { return Integer(value, 0, kMostDecimals); };
  return Object([&](std::string_view key) {
    if (key == "a") return decimals(p.a);
    if (key == "b") return decimals(p.b);
    if (key == "c") return decimals(p.c);
    if (key == "d") return decimals(p.d);
    if (key == "error") return decimals(p.error);
    if (key == "errorDigits") return decimals(p.errorDigits);
    if (key == "fittedValue") return decimals(p.fittedValue);
    if (key == "plotX") return decimals(p.plotX);
    if (key == "plotY") return decimals(p.plotY);
    if (key == "specifiedScale") return Bool(p.specifiedScale);
    return SkipValue(0);
  });
}

bool Reader::Pairs(SessionPairs& pairs) {
  SkipSpace();
  const char* at = p_;
  if (!Object([&](std::string_view key) {
        if (key == "x") return Doubles(pairs.x);
        if (key == "y") return Doubles(pairs.y);
        if (key == "sigma") return Doubles(pairs.sigma);
        if (key == "tablePairs") return Bool(pairs.tablePairs);
        return SkipValue(0);
      }))
    return false;
  if (pairs.tablePairs) {
    pairs.x.clear();
    pairs.y.clear();
    pairs.sigma.clear();
  }
  if (pairs.x.size() != pairs.y.size() ||
      (!pairs.sigma.empty() && pairs.sigma.size() != pairs.x.size()))
    return Damaged("„x“, „y“ und „sigma“ der Paare sind verschieden lang", at);
  return true;
}

bool Reader::View(SessionView& view) {
  return Object([&](std::string_view key) {
    if (key == "xMin") return Double(view.xMin);
    if (key == "xMax") return Double(view.xMax);
    if (key == "yMin") return Double(view.yMin);
    if (key == "yMax") return Double(view.yMax);
    return SkipValue(0);
  });
}

bool Reader::FullCells(Session& s) {
  SkipSpace();
  places_.full = p_;
  for (SessionColumn& column : s.columns) column.full.clear();
  return Object([&](std::string_view key) {
    const auto named = std::find(kColumnKeys.begin(), kColumnKeys.end(), key);
    if (named == kColumnKeys.end()) return SkipValue(0);
    auto& full = s.columns[static_cast<std::size_t>(named - kColumnKeys.begin())].full;
    full.clear();
    return Array([&] {
      auto& cell = full.emplace_back();
      return Object([&](std::string_view name) {
        if (name == "index") return Integer(cell.first, 0, kMostRows - 1);
        if (name == "text") return Utf8(cell.second);
        return SkipValue(0);
      });
    });
  });
}

bool Reader::Fitted(SessionFittedValues& fitted) {
  SkipSpace();
  const char* at = p_;
  places_.fitted = at;
  if (!Object([&](std::string_view key) {
        if (key == "term") return Latin1(fitted.term);
        if (key == "precision") return Precision(fitted.precision);
        if (key == "runs") return Runs(fitted.indexes);
        if (key == "x") return Doubles(fitted.x);
        if (key == "xFromTable") return Bool(fitted.xFromTable);
        return SkipValue(0);
      }))
    return false;
  if (fitted.xFromTable) fitted.x.clear();
  if (!fitted.xFromTable && fitted.indexes.size() != fitted.x.size())
    return Damaged("„runs“ und „x“ von „fitted“ sind verschieden lang", at);
  return true;
}

bool Reader::Runs(std::vector<std::int64_t>& indexes) {
  // Each run starts behind the one before, so they never hold more indexes
  // than the table has rows.
  SkipSpace();
  const char* at = p_;
  indexes.clear();
  std::vector<std::int64_t> numbers;
  if (!Array([&] { return Integer(numbers.emplace_back(), 0, kMostRows); })) return false;
  if (numbers.size() % 2 != 0) return Damaged("„runs“: Anfang und Länge erwartet", at);
  std::int64_t end = 0;
  for (std::size_t k = 0; k < numbers.size(); k += 2) {
    const std::int64_t first = numbers[k], count = numbers[k + 1];
    if (first < end || count < 1 || first + count > kMostRows)
      return Damaged("„runs“: die Läufe überlappen oder gehen über die Tabelle hinaus", at);
    for (std::int64_t i = first; i < first + count; ++i) indexes.push_back(i);
    end = first + count;
  }
  return true;
}

bool Reader::Table(Session& s) {
  return Object([&](std::string_view key) {
    SkipSpace();
    if (key == "rows") {
      places_.rows = p_;
      return Integer(s.rows, 0, kMostRows);
    }
    const auto column = std::find(kColumnKeys.begin(), kColumnKeys.end(), key);
    if (column != kColumnKeys.end()) {
      const auto index = static_cast<std::size_t>(column - kColumnKeys.begin());
      places_.columns[index] = p_;
      return Column(s.columns[index].latin1, places_.rows ? s.rows : kMostRows);
    }
    if (key == "full") return FullCells(s);
    if (key == "sigmaShown") return Bool(s.sigmaShown);
    if (key == "fitted")
      return Optional(s.fitted, [&](SessionFittedValues& f) { return Fitted(f); });
    if (key == "pairsModified") return Bool(s.pairsModified);
    if (key == "pairFile") return Utf8(s.pairFile);
    if (key == "pairFileHasMoreColumns") return Bool(s.pairFileHasMoreColumns);
    return SkipValue(0);
  });
}

bool Reader::Settings(Session& s) {
  return Object([&](std::string_view key) {
    if (key == "fitMode") return Integer(s.fitMode, 1, kMostModes);
    if (key == "fields")
      return Exactly(s.fields, "„fields“: fünf Texte erwartet",
                     [&](std::string& f) { return Utf8(f); });
    if (key == "frequencyScan") return Bool(s.frequencyScan);
    if (key == "model") return Integer(s.model, 0, kMostModels);
    if (key == "frequencies") return Integer(s.frequencies, 0, kMostFrequencies);
    if (key == "randomSeed")
      return Integer(s.randomSeed, 0, std::numeric_limits<std::uint32_t>::max());
    return SkipValue(0);
  });
}

bool Reader::Result(SessionResult& r) {
  return Object([&](std::string_view key) {
    if (key == "entry") return Latin1(r.entry);
    if (key == "mode") return Integer(r.mode, 1, kMostModes);
    if (key == "parameters")
      return Exactly(r.parameters, "„parameters“: vier Zahlen (a, b, c, d) erwartet",
                     [&](double& v) { return Double(v); });
    if (key == "error") return Double(r.error);
    if (key == "model") return Integer(r.model, 0, kMostModels);
    if (key == "values") return Doubles(r.values);
    if (key == "originX0") return Double(r.originX0);
    if (key == "originPhase") return Double(r.originPhase);
    if (key == "scanBound") return Double(r.scanBound);
    if (key == "searchedUpTo") return Double(r.searchedUpTo);
    if (key == "precision") return Precision(r.precision);
    if (key == "pairs") return Integer(r.pairs, -1, std::numeric_limits<int>::max());
    return SkipValue(0);
  });
}

bool Reader::Results(Session& s) {
  return Object([&](std::string_view key) {
    SkipSpace();
    if (key == "lines") {
      places_.lines = p_;
      s.results.clear();
      return Array([&] { return Result(s.results.emplace_back()); });
    }
    if (key == "chosen") {
      places_.chosen = p_;
      return Integer(s.chosen, -1, std::numeric_limits<int>::max());
    }
    if (key == "sortByError") return Bool(s.sortByError);
    if (key == "weighted") return Bool(s.weighted);
    if (key == "pairCount") return Utf8(s.pairCount);
    if (key == "computedPairs") {
      s.computedPairs.clear();
      return Array([&] { return Pairs(s.computedPairs.emplace_back()); });
    }
    return SkipValue(0);
  });
}

bool Reader::Shown(Session& s) {
  return Object([&](std::string_view key) {
    if (key == "entry") return Latin1(s.shownEntry);
    if (key == "statistics") return Bool(s.statisticsShown);
    if (key == "scanHint") return Utf8(s.scanHint);
    if (key == "modelHint") return Utf8(s.modelHint);
    if (key == "plotEntries") {
      s.plotEntries.clear();
      return Array([&] { return Latin1(s.plotEntries.emplace_back()); });
    }
    if (key == "points") return Optional(s.points, [&](SessionPairs& p) { return Pairs(p); });
    if (key == "pointsAreTablePairs") return Bool(s.pointsAreTablePairs);
    if (key == "pairsOnly") return Bool(s.pairsOnly);
    if (key == "userView") return Optional(s.userView, [&](SessionView& v) { return View(v); });
    if (key == "otherView") return Optional(s.otherView, [&](SessionView& v) { return View(v); });
    if (key == "periodogram") return Bool(s.periodogram);
    if (key == "periodAxis") return Bool(s.periodAxis);
    if (key == "spectralWindow") return Bool(s.spectralWindow);
    if (key == "residuals") return Bool(s.residuals);
    if (key == "resultInPlot") return Bool(s.resultInPlot);
    if (key == "titleX") return Utf8(s.titleX);
    if (key == "titleY") return Utf8(s.titleY);
    return SkipValue(0);
  });
}

// "major.minor"; a newer major ends the reading before anything else is read.
bool Reader::Version(Session& s) {
  SkipSpace();
  const char* at = p_;
  std::string_view text;
  if (!String(Encoding::kUtf8, text)) return false;
  const std::size_t dot = text.find('.');
  const auto part = [&](std::string_view digits, int& value) {
    if (digits.empty() || digits.size() > 6) return false;
    const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return r.ec == std::errc() && r.ptr == digits.data() + digits.size() && value >= 0;
  };
  int major = 0, minor = 0;
  if (dot == std::string_view::npos || !part(text.substr(0, dot), major) ||
      !part(text.substr(dot + 1), minor) || major < 1)
    return Damaged("die Formatversion " + Quoted(text) + " ist unlesbar", at);
  if (major > kSessionFormatMajor) {
    newerMajor_ = major;
    newerMinor_ = minor;
    return Fail(Failure::kNewer);
  }
  s.formatMajor = major;
  s.formatMinor = minor;
  return true;
}

// The checks of values that refer to others, on the session as read.
bool Reader::CheckTogether(const Session& s) {
  for (std::size_t c = 0; c < s.columns.size(); ++c) {
    const SessionColumn& column = s.columns[c];
    if (static_cast<std::int64_t>(column.latin1.size()) > s.rows) {
      return Damaged(Quoted(kColumnKeys[c]) + " hat mehr Zellen als die Tabelle Zeilen („rows“: " +
                         Decimal(s.rows) + ")",
                     places_.columns[c]);
    }
    for (const auto& cell : column.full)
      if (cell.first >= s.rows)
        return Damaged("„full“: die Zeile " + Decimal(cell.first) + " gibt es nicht", places_.full);
  }
  if (s.fitted) {
    for (const std::int64_t index : s.fitted->indexes)
      if (index >= s.rows)
        return Damaged("„fitted“: die Zeile " + Decimal(index) + " gibt es nicht", places_.fitted);
  }
  if (s.chosen >= static_cast<std::int64_t>(s.results.size()))
    return Damaged(
        "„chosen“: die Zeile " + Decimal(s.chosen) + " gibt es in der Ergebnisliste nicht",
        places_.chosen);
  for (const SessionResult& r : s.results)
    if (r.pairs >= static_cast<std::int64_t>(s.computedPairs.size()))
      return Damaged("„lines“: „pairs“ " + Decimal(r.pairs) + " gibt es in „computedPairs“ nicht",
                     places_.lines);
  return true;
}

bool Reader::Read(Session& s) {
  if (std::string_view(p_, static_cast<std::size_t>(end_ - p_)).starts_with("\xEF\xBB\xBF"))
    p_ += 3;
  SkipSpace();
  if (p_ == end_) return Fail(Failure::kEmpty);
  // A session begins with {"format": "kalvento-sitzung", "version": ...;
  // any other text is no session, however it goes on.
  if (*p_ != '{') return Fail(Failure::kNotSession);
  const char* const open = p_;
  ++p_;
  SkipSpace();
  if (p_ == end_) return Truncated();
  if (*p_ != '"') return Fail(Failure::kNotSession);
  p_ = open;
  int member = 0;
  bool table = false;
  if (!Object([&](std::string_view key) {
        switch (member++) {
          case 0: {
            std::string_view name;
            if (key != "format") return Fail(Failure::kNotSession);
            if (!At('"')) return p_ == end_ ? Truncated() : Fail(Failure::kNotSession);
            if (!String(Encoding::kUtf8, name)) return false;
            return name == kFormatName || Fail(Failure::kNotSession);
          }
          case 1:
            if (key != "version") return Damaged("„version“ fehlt hinter „format“");
            return Version(s);
          default:
            break;
        }
        if (key == "saved") return Utf8(s.savedAt);
        if (key == "table") {
          table = true;
          return Table(s);
        }
        if (key == "settings") return Settings(s);
        if (key == "results") return Results(s);
        if (key == "shown") return Shown(s);
        return SkipValue(0);
      }))
    return false;
  if (member == 0) return Fail(Failure::kNotSession);
  if (member == 1) return Damaged("„version“ fehlt hinter „format“");
  SkipSpace();
  if (p_ != end_) return Damaged("Text hinter dem Ende der Sitzung");
  if (!table) return Damaged("die Tabelle („table“) fehlt");
  // Points drawn from the table's pairs are taken from the table again.
  if (s.pointsAreTablePairs) s.points.reset();
  return CheckTogether(s);
}

}  // namespace

std::string WriteSession(const Session& s) {
  Writer w(ExpectedBytes(s));
  w.Open();
  w.Key("format").Utf8(kFormatName);
  w.Key("version").Utf8(Decimal(kSessionFormatMajor) + "." + Decimal(kSessionFormatMinor));
  w.Key("saved").Utf8(s.savedAt);
  WriteTable(w, s);
  WriteSettings(w, s);
  WriteResults(w, s);
  WriteShown(w, s);
  w.Close();
  std::string text = w.Take();
  text += '\n';
  return text;
}

SessionReading ReadSession(std::string_view text) {
  SessionReading reading;
  // The reader throws nothing itself; memory may still run out.
  try {
    Reader reader(text);
    Session session;
    if (reader.Read(session)) {
      reading.session = std::move(session);
    } else {
      reading.message = reader.Message();
    }
  } catch (const std::exception&) {
    reading.session.reset();
    reading.message = "Die Sitzungsdatei ist zu groß für den freien Speicher.";
  }
  return reading;
}

}  // namespace wertedatei
