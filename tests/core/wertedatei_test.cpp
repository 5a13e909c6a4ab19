// Pair files: small files as spreadsheets, loggers and other programs write
// them, each read and its cells checked through the table's own number
// reading; then random tables written and read again.

#include "wertedatei/wertedatei.h"
#include "wertedatei/numberfield.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "_grund/grund.h"

namespace {

using wertedatei::ColumnChoice;
using wertedatei::PairFile;
using wertedatei::ReadPairFile;
using wertedatei::WritePairFile;

// What the table makes of a cell: CommaToPoint, then ParseNumber, which must
// take the whole text.
double TableValue(std::string_view cell) {
  const grund::ParsedNumber parsed = grund::ParseNumber(grund::CommaToPoint(cell));
  EXPECT_TRUE(parsed.ok) << "cell \"" << cell << "\" is no number for the table";
  return parsed.value;
}

wertedatei::TextColumn Column(const std::vector<std::string>& texts) {
  wertedatei::TextColumn column;
  for (const std::string& text : texts) column.push_back(text);
  return column;
}

std::vector<std::string> Texts(const wertedatei::TextColumn& column) {
  std::vector<std::string> texts;
  for (std::size_t i = 0; i < column.size(); ++i) texts.emplace_back(column[i]);
  return texts;
}

void ExpectPairs(const PairFile& file, const std::vector<double>& x, const std::vector<double>& y) {
  ASSERT_EQ(file.x.size(), x.size()) << file.message;
  ASSERT_EQ(file.y.size(), y.size());
  for (std::size_t i = 0; i < x.size(); ++i) {
    EXPECT_EQ(TableValue(file.x[i]), x[i]) << "x of pair " << i << ": " << file.x[i];
    EXPECT_EQ(TableValue(file.y[i]), y[i]) << "y of pair " << i << ": " << file.y[i];
  }
}

struct FileCase {
  const char* name;
  std::string bytes;
  std::vector<double> x, y;
  int skipped;  // lines the message must count; -1: no message at all
  int columns;
};

TEST(ReadPairFile, ReadsTheFilesUsersHave) {
  const FileCase cases[] = {
      {"spreadsheet export, Windows-1252, CRLF",
       "Zeit [s];Spannung [V]\r\n0;1,5\r\n0,25;-2,125\r\n1.234,5;+3\r\n",
       {0, 0.25, 1234.5},
       {1.5, -2.125, 3},
       -1,
       2},
      {"logger, tabs, comments",
       "# Logger 7\n% Kanal 1\n// Start\nt\tU\n1.5\t2.5\n#x\n2\t1e-3\n",
       {1.5, 2},
       {2.5, 1e-3},
       -1,
       2},
      {"blank-separated, aligned",
       "   1.0    2.0\n  10.5   -3.25  \n100     4E+02\n",
       {1, 10.5, 100},
       {2, -3.25, 400},
       -1,
       2},
      {"blank-separated, decimal commas", "1000,25 ,5\n", {1000.25}, {0.5}, -1, 2},
      {"CSV, points, quoted fields",
       "\"x\",\"y\"\n\"1.5\",\"2.5\"\n3, \"4.75\" \n\"1,234.5\",6\n",
       {1.5, 3, 1234.5},
       {2.5, 4.75, 6},
       -1,
       2},
      {"CSV with quoted decimal commas",
       "\"1,5\",\"2,5\"\n\"3\",\"-0,5\"\n",
       {1.5, 3},
       {2.5, -0.5},
       -1,
       2},
      {"UTF-8 with BOM, CR only",
       "\xEF\xBB\xBFZeit \xC2\xB5s;Wert\r1,5;2\r3;4,5\r",
       {1.5, 3},
       {2, 4.5},
       -1,
       2},
      {"UTF-16 BE, no BOM",
       std::string("\0"
                   "1\0\t\0"
                   "2\0\n\0"
                   "3\0\t\0"
                   "4",
                   14),
       {1, 3},
       {2, 4},
       -1,
       2},
      {"UTF-16 LE with BOM",
       std::string("\xFF\xFE"
                   "1\0;\0"
                   "2\0\n\0"
                   "3\0;\0"
                   "4\0",
                   16),
       {1, 3},
       {2, 4},
       -1,
       2},
      {"thousands marks",
       "Betrag;Menge\n1.234.567,5;2\n1'000,25;,5\n",
       {1234567.5, 1000.25},
       {2, 0.5},
       -1,
       2},
      {"one mark alone reads as the table reads it", "1,234;5\n2;7\n", {1.234, 2}, {5, 7}, -1, 2},
      {"three columns: the first two", "t;a;b\n1;2;3\n4;5;6\n", {1, 4}, {2, 5}, -1, 3},
      {"text column in front", "12:00:01;1,5;2\n12:00:02;2,5;3\n", {1.5, 2.5}, {2, 3}, -1, 3},
      // "3;" lacks a value: left out and said so, apart from the stray lines.
      {"stray lines are counted", "x;y\n1;2\nFehler\n3;\n5;6\n7;abc\n", {1, 5}, {2, 6}, 2, 2},
      {"integer pairs, comma-separated", "1,5\n2,7\n", {1, 2}, {5, 7}, -1, 2},
      {"comma heading, integer pairs, one broken", "x,y\n1,5\n2,7\n3\n", {1, 2}, {5, 7}, 1, 2},
      {"title lines above the pairs", "Logger 7\nKanal;1;2\n1;2\n", {1}, {2}, -1, 2},
      {"DOS end-of-file mark", "1;2\r\n\x1a", {1}, {2}, -1, 2},
      {"a line of 5000 fields: the first 1000 count",
       [] {
         std::string line;
         for (int k = 0; k < 5000; ++k) line += "1;";
         return line;
       }(),
       {1},
       {1},
       -1,
       1000},
      {"separator named in the first line", "sep=,\n1.5,2\n", {1.5}, {2}, -1, 2},
      {"huge and tiny exponents", "1e308;1e-400\n1e309;1\n", {1e308}, {0}, 1, 2},
  };
  for (const FileCase& c : cases) {
    SCOPED_TRACE(c.name);
    const PairFile file = ReadPairFile(c.bytes);
    EXPECT_TRUE(file.ok);
    ExpectPairs(file, c.x, c.y);
    EXPECT_EQ(file.columnCount, c.columns);
    if (c.skipped < 0) {
      EXPECT_EQ(file.message, "");
    } else {
      EXPECT_EQ(file.message.rfind(std::to_string(c.skipped) + " Zeile", 0), 0u) << file.message;
    }
  }
}

TEST(ReadPairFile, RefusesWhatHoldsNoPairs) {
  const struct {
    const char* name;
    std::string bytes;
    const char* message;
  } cases[] = {
      {"empty", "", "Die Datei ist leer."},
      {"blank lines", " \r\n\n\t\n", "Die Datei ist leer."},
      {"binary", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\1\2;\3\4", 22),
       "Die Datei ist keine Textdatei: sie enth\xE4lt Steuerzeichen."},
      {"one column", "1,5\n2,5\n3\n",
       "Die Datei enth\xE4lt keine Wertepaare: nur eine Spalte von Zahlen."},
      {"one column, points", "1.5\n-2\n",
       "Die Datei enth\xE4lt keine Wertepaare: keine Zeile mit zwei Zahlen."},
      {"text only", "Hallo Welt\nnoch eine Zeile;mit Text\n",
       "Die Datei enth\xE4lt keine Wertepaare: keine Zeile mit zwei Zahlen."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const PairFile file = ReadPairFile(c.bytes);
    EXPECT_FALSE(file.ok);
    EXPECT_TRUE(file.x.empty() && file.y.empty());
    EXPECT_EQ(file.message, c.message);
  }
}

// Separators and line ends are searched several bytes at a time: each one at
// every offset from a line's or a field's start, with Latin-1 blanks (0xA0)
// and letters beside them, must still be found where it is.
TEST(ReadPairFile, FindsSeparatorsAndLineEndsAtEveryOffset) {
  for (const char* lineEnd : {"\n", "\r\n", "\r"}) {
    std::string bytes = "x \xE4;y\xA0\xE4";
    bytes += lineEnd;
    std::vector<double> x, y;
    for (int k = 0; k < 20; ++k) {
      const std::string xText = std::string("7").append(k, '0');
      const std::string yText = std::string("-2,").append(k, '5');
      bytes.append(k % 3, ' ').append(xText).append("\xA0;").append(k % 5, '\xA0');
      bytes.append(yText).append(k % 9, ' ').append(lineEnd);
      x.push_back(TableValue(xText));
      y.push_back(TableValue(yText));
    }
    SCOPED_TRACE(testing::PrintToString(lineEnd));
    const PairFile file = ReadPairFile(bytes);
    EXPECT_EQ(file.message, "");
    ExpectPairs(file, x, y);
  }
}

TEST(ReadPairFile, KeepsHeadingsPreviewAndChosenColumns) {
  const std::string bytes =
      "Zeit [s];Spannung [V];Strom \x84"
      "A\x93\r\n0;1,5;7\r\n1;2,5;8\r\n";
  const PairFile first = ReadPairFile(bytes);
  EXPECT_EQ(first.headings, (std::vector<std::string>{"Zeit [s]", "Spannung [V]", "Strom ?A?"}));
  EXPECT_EQ(first.previewLines,
            (std::vector<std::string>{"Zeit [s];Spannung [V];Strom ?A?", "0;1,5;7", "1;2,5;8"}));
  EXPECT_EQ(first.columnCount, 3);

  const PairFile chosen = ReadPairFile(bytes, ColumnChoice{2, 1});
  EXPECT_TRUE(chosen.ok);
  ExpectPairs(chosen, {7, 8}, {1.5, 2.5});

  const PairFile missing = ReadPairFile(bytes, ColumnChoice{0, 3});
  EXPECT_FALSE(missing.ok);
  EXPECT_NE(missing.message, "");
  EXPECT_FALSE(ReadPairFile(bytes, ColumnChoice{-1, 1}).ok);
}

TEST(WritePairFile, WritesHeadingOneMarkAndQuotedText) {
  const std::vector<std::string> x = {"1,5", " 2.25", "abc", "", "7", ""};
  const std::vector<std::string> y = {"-3", "1e-3", "x;\"y\"", "", "", "9"};
  EXPECT_EQ(WritePairFile(Column(x), Column(y), ';'),
            "x;y\r\n1,5;-3\r\n2,25;1e-3\r\n\"abc\";\"x;\"\"y\"\"\"\r\n7;\r\n;9\r\n");
  EXPECT_EQ(WritePairFile({"1,5"}, {"2.5"}, ','), "x,y\r\n1.5,2.5\r\n");
  EXPECT_EQ(WritePairFile({"1,5"}, {"2"}, '\t'), "x\ty\r\n1,5\t2\r\n");
  EXPECT_EQ(WritePairFile({"1000"}, {",5"}, ' '), "x y\r\n1000 0,5\r\n");

  // Lines of text, an empty y and an empty x are not pairs: the reader says so.
  const PairFile back = ReadPairFile(WritePairFile(Column(x), Column(y), ';'));
  ExpectPairs(back, {1.5, 2.25}, {-3, 1e-3});
  EXPECT_EQ(back.message,
            "1 Zeile ohne lesbares Wertepaar wurde \xFC" "bersprungen: Zeile 4.\n"
            "2 Wertepaare ohne Wert (leere Zelle, NaN oder NA) wurden ausgelassen.");
}

// Texts as users type them: either decimal mark, signs, exponents, leading
// zeros, blanks in front, integers.
std::string TypedNumber(grund::RandomGenerator& random) {
  std::string text(random.NextBelow(3) == 0 ? " " : "");
  const std::uint32_t sign = random.NextBelow(4);
  if (sign == 0) text += '-';
  if (sign == 1) text += '+';
  const std::uint32_t integerDigits = random.NextBelow(6);
  for (std::uint32_t k = 0; k < integerDigits; ++k) text += char('0' + random.NextBelow(10));
  const std::uint32_t fractionDigits = random.NextBelow(5);
  if (fractionDigits > 0 || integerDigits == 0) {
    text += random.NextBelow(2) == 0 ? ',' : '.';
    for (std::uint32_t k = 0; k < fractionDigits + (integerDigits == 0); ++k) {
      text += char('0' + random.NextBelow(10));
    }
  }
  if (random.NextBelow(5) == 0) {
    text += random.NextBelow(2) == 0 ? 'e' : 'E';
    if (random.NextBelow(2) == 0) text += '-';
    text += std::to_string(random.NextBelow(40));
  }
  return text;
}

TEST(WritePairFile, RandomTablesReadBackAsTheSameValues) {
  grund::RandomGenerator random;
  for (int table = 0; table < 300; ++table) {
    const char separator = ";\t, "[table % 4];
    std::vector<std::string> x, y;
    std::vector<double> xValues, yValues;
    const std::uint32_t n = 1 + random.NextBelow(200);
    for (std::uint32_t i = 0; i < n; ++i) {
      x.push_back(TypedNumber(random));
      y.push_back(TypedNumber(random));
      xValues.push_back(grund::ParseNumber(grund::CommaToPoint(x.back())).value);
      yValues.push_back(grund::ParseNumber(grund::CommaToPoint(y.back())).value);
    }
    const std::string written = WritePairFile(Column(x), Column(y), separator);
    SCOPED_TRACE(written);
    const PairFile file = ReadPairFile(written);
    EXPECT_TRUE(file.ok);
    EXPECT_EQ(file.message, "");
    ExpectPairs(file, xValues, yValues);
    if (testing::Test::HasFailure()) break;
  }
}

// Which heading names the uncertainties of y.
TEST(PairFileSigma, HeadingsNameTheDeltaYColumn) {
  struct Case {
    const char* text;
    int sigma;
  };
  const Case cases[] = {
      {"x;y;dy\n1;2;0,1\n", 2},
      {"t;U;dU\n1;2;0,1\n", 2},
      {"t;U;u(U)\n1;2;0,1\n", 2},
      {"Zeit;Wert;Fehler\n1;2;0,1\n", 2},
      {"x;y;Unsicherheit\n1;2;0,1\n", 2},
      {"x;y;SIGMA\n1;2;0,1\n", 2},
      {"x;y;err\n1;2;0,1\n", 2},
      {"x;y;\xCE\x94y\n1;2;0,1\n", 2},  // Δy in UTF-8
      {"x;y;Strom\n1;2;0,1\n", -1},
      {"x;y\n1;2\n", -1},
  };
  for (const Case& c : cases) {
    const PairFile file = ReadPairFile(c.text);
    EXPECT_TRUE(file.ok) << c.text;
    EXPECT_EQ(file.detected.sigmaY, c.sigma) << c.text;
    EXPECT_TRUE(file.sigmaY.empty()) << c.text;  // read only when chosen
  }
}

TEST(PairFileSigma, ChosenColumnKeepsEveryCellAsItStands) {
  const PairFile file =
      ReadPairFile("x;y;dy\n1;2;0,5\n2;3;\n3;4;abc\n4;5\n", ColumnChoice{0, 1, 2});
  ASSERT_EQ(file.x.size(), 4u);
  EXPECT_EQ(Texts(file.sigmaY), (std::vector<std::string>{"0,5", "", "abc", ""}));
  // Δy may not be x or y.
  EXPECT_FALSE(ReadPairFile("x;y;dy\n1;2;3\n", ColumnChoice{0, 1, 1}).ok);
}

// Beside each text the value the table reads it as, bit for bit, whether the
// field is a plain number or needs the full reading (groups, exponents,
// many digits, a sign, a bare mark).
TEST(PairFileValues, AreTheTablesValuesOfTheTexts) {
  const char* const texts[] = {"1,5;-2,25",         "+3;,5",           "1.234,5;1e-3",
                               "-0;007,50",         "5,;-,5",          "123456789012345;1",
                               "1234567890123456;2", "0,1;0,30000000000000004", "1E+300;-2,5e-310"};
  std::string text;
  for (const char* line : texts) text += std::string(line) + "\n";
  const PairFile file = ReadPairFile(text);
  ASSERT_EQ(file.x.size(), std::size(texts)) << file.message;
  ASSERT_EQ(file.xValues.size(), file.x.size());
  for (std::size_t i = 0; i < file.x.size(); ++i) {
    const auto bits = [](double v) {
      std::uint64_t b;
      std::memcpy(&b, &v, sizeof b);
      return b;
    };
    EXPECT_EQ(bits(file.xValues[i]), bits(wertedatei::CellValue(file.x[i]).value)) << file.x[i];
    EXPECT_EQ(bits(file.yValues[i]), bits(wertedatei::CellValue(file.y[i]).value)) << file.y[i];
    EXPECT_EQ(bits(file.xValues[i]), bits(TableValue(file.x[i]))) << file.x[i];
  }
}

// A logger file twice as long as the table: the first million pairs kept,
// compactly (8 bytes a cell beside its text), the rest counted, not held.
TEST(PairFileLimit, KeepsTheFirstPairsAndCountsTheRest) {
  constexpr std::size_t kLines = 2000000, kKept = 1000000;
  std::string text = "t;U\n";
  text.reserve(kLines * 8);
  for (std::size_t i = 0; i < kLines; ++i) {
    text += std::to_string(i % 1000);
    text += ";2,5\n";
  }
  wertedatei::ReadOptions options;
  options.maxPairs = kKept;
  const PairFile file = ReadPairFile(text, options);
  ASSERT_TRUE(file.ok) << file.message;
  EXPECT_EQ(file.x.size(), kKept);
  EXPECT_EQ(file.y.size(), kKept);
  EXPECT_EQ(file.pairsLeftOut, kLines - kKept);
  EXPECT_EQ(file.x[kKept - 1], "999");
  EXPECT_EQ(file.message, "");
  EXPECT_EQ(file.headings, (std::vector<std::string>{"t", "U"}));
  EXPECT_LE(file.x.MemoryBytes() + file.y.MemoryBytes(), 28u * kKept);
}

// Long files are read in two parts at once; joined, they must be what one
// pass gives: every pair in order with its value and Δy, the skipped lines
// counted and named by their numbers in the whole file, the limit applied
// across the join, and a file whose first half holds no pair at all.
TEST(PairFileLimit, LongFilesReadAsOnePassWouldReadThem) {
  struct Case {
    const char* name;
    std::size_t leadingComments;  // before the first pair
    std::size_t maxPairs;
  };
  const Case cases[] = {{"plain", 0, SIZE_MAX},
                        {"limit within the first half", 0, 1000},
                        {"limit within the second half", 0, 250000},
                        {"first half without pairs", 700000, SIZE_MAX}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    constexpr std::size_t kPairLines = 300000;
    // "sep=;" names the separator where the sample sees no pair.
    std::string text = "sep=;\r\nZeit;Wert;dy\r\n";
    std::size_t line = 2;
    for (std::size_t i = 0; i < c.leadingComments; ++i, ++line) text += "# Kopf\r\n";
    std::vector<std::size_t> badLines;
    for (std::size_t i = 0; i < kPairLines; ++i) {
      if (i % 50000 == 49999) {  // a bad line now and then, the last ones in the second half
        text += "abc;def;ghi\r\n";
        badLines.push_back(++line);
      }
      if (i == 200000) text += "# Pause\r\n", ++line;
      text += std::to_string(i) + ";-" + std::to_string(i % 977) + ",5;0,1\r\n";
      ++line;
    }
    ASSERT_GE(text.size(), std::size_t{4} << 20);
    wertedatei::ReadOptions options;
    options.maxPairs = c.maxPairs;
    const PairFile file = ReadPairFile(text, ColumnChoice{0, 1, 2}, options);
    ASSERT_TRUE(file.ok) << file.message;
    const std::size_t kept = std::min(kPairLines, c.maxPairs);
    ASSERT_EQ(file.x.size(), kept);
    ASSERT_EQ(file.sigmaY.size(), kept);
    ASSERT_EQ(file.xValues.size(), kept);
    EXPECT_EQ(file.pairsLeftOut, kPairLines - kept);
    for (std::size_t i = 0; i < kept; i += 997) {
      ASSERT_EQ(file.x[i], std::to_string(i));
      ASSERT_EQ(file.yValues[i], -(static_cast<double>(i % 977) + 0.5));
      ASSERT_EQ(file.sigmaY[i], "0,1");
    }
    EXPECT_EQ(file.x[kept - 1], std::to_string(kept - 1));
    EXPECT_EQ(file.headings, (std::vector<std::string>{"Zeit", "Wert", "dy"}));
    EXPECT_EQ(file.columnCount, 3);
    std::string expected = std::to_string(badLines.size()) + " Zeilen ohne lesbares Wertepaar";
    EXPECT_EQ(file.message.rfind(expected, 0), 0u) << file.message;
    EXPECT_NE(file.message.find(": Zeilen " + std::to_string(badLines[0]) + ", " +
                                std::to_string(badLines[1]) + ", "),
              std::string::npos)
        << file.message;
    EXPECT_NE(file.message.find(std::to_string(badLines[4]) + " ..."), std::string::npos)
        << file.message;
  }
}

// The callback hears the share read, rising, and a false from it stops the
// reading with nothing kept.
TEST(PairFileLimit, ProgressIsToldAndCanStopTheReading) {
  std::string text;
  for (int i = 0; i < 300000; ++i) text += "1;2\n";
  for (const int stopAt : {0, 1, 100}) {
    std::vector<double> shares;
    wertedatei::ReadOptions options;
    options.progress = [&](double share) {
      shares.push_back(share);
      return static_cast<int>(shares.size()) <= stopAt;
    };
    const PairFile file = ReadPairFile(text, options);
    ASSERT_FALSE(shares.empty());
    EXPECT_TRUE(std::is_sorted(shares.begin(), shares.end()));
    EXPECT_GT(shares.front(), 0);
    EXPECT_LE(shares.back(), 1);
    if (stopAt == 100) {
      EXPECT_TRUE(file.ok && !file.cancelled);
      EXPECT_EQ(file.x.size(), 300000u);
    } else {
      EXPECT_TRUE(file.cancelled && !file.ok) << stopAt;
      EXPECT_TRUE(file.x.empty() && file.y.empty());
      EXPECT_FALSE(file.message.empty());
    }
  }
}

// Lines of two plain numbers take a shorter way than the others; a Δy
// column, even one the lines lack, sends every line the general way. Both
// must read every file alike, whatever the lines hold around the numbers.
TEST(PairFileText, PlainPairLinesReadAsEveryOtherLineIsRead) {
  const std::pair<const char*, std::string> files[] = {
      {"decimal comma", "t;U\n1,5;2,25\n-3;+4\n,5;5,\n1.5;2\n1;2,5,5\n"},
      {"point, commas apart", "x,y\n1.5,2.5\n3,4\n1.5,2.5,7\n1.5,\n"},
      {"either mark, commas apart", "1,2\n3,4\n5,6,7\n"},
      {"tabs and blanks", "1\t2\n 3\t4\n3\t4 \n1;2\t3\n1\t\t2\n"},
      {"quotes", "\"1\";2\n1;\"2\"\n3;4\n"},
      {"many digits", "1234567890123456;1\n123456789012345;1\n1e5;2\n0000000000000001;3\n"},
      {"wider line first", "1;2;3\n4;5\n6;7\n"},
      {"wider line later", "4;5\n1;2;3\n6;7\n"},
      {"grouping and signs", "1.234,5;2\n-1;-2\n+;1\n-,5;1\n1;--2\n"},
      {"empty fields", "1;\n;2\n1;2;\n;\n5;6\n"},
      {"CRLF and CR", "1;2\r\n3;4\r5;6\r\n"},
      {"blanks around the numbers",
       " 1,5 ; 2 \n\t3;4\t\n5\xA0;\xA0"
       "6\n7;8\x1A\n1 5;2\n1;- 2\n  ;  \n"},
      {"blanks around tab-separated numbers", " 1\t 2 \n3 \t4\n"},
      {"headings, comments", "Zeit;Wert\n# 7\n1;2\n// x\n3;4\nabc;1\n"},
  };
  for (const auto& [name, text] : files) {
    for (const std::size_t maxPairs : {SIZE_MAX, std::size_t{2}}) {
      SCOPED_TRACE(std::string(name) + (maxPairs == 2 ? ", two kept" : ""));
      wertedatei::ReadOptions options;
      options.maxPairs = maxPairs;
      const PairFile fast = ReadPairFile(text, ColumnChoice{0, 1, -1}, options);
      const PairFile general = ReadPairFile(text, ColumnChoice{0, 1, 99}, options);
      EXPECT_EQ(fast.ok, general.ok);
      EXPECT_EQ(fast.x, general.x);
      EXPECT_EQ(fast.y, general.y);
      EXPECT_EQ(fast.xValues, general.xValues);
      EXPECT_EQ(fast.yValues, general.yValues);
      EXPECT_EQ(fast.pairsLeftOut, general.pairsLeftOut);
      EXPECT_EQ(fast.message, general.message);
      EXPECT_EQ(fast.columnCount, general.columnCount);
      EXPECT_EQ(fast.numericColumns, general.numericColumns);
      EXPECT_EQ(fast.headings, general.headings);
    }
  }
}

TEST(PairFileSigma, WrittenWithDeltaYReadsBackTheSame) {
  const std::vector<std::string> x{"1", "2,5", "-3"}, y{"0,1", "2", "1e3"},
      sigma{"0,01", "", "2 %"};
  const std::string text = wertedatei::WritePairFile(Column(x), Column(y), Column(sigma), ';');
  EXPECT_EQ(text.substr(0, 9), "x;y;\xCE\x94y\r\n");
  const PairFile back = ReadPairFile(text, ReadPairFile(text).detected);
  EXPECT_EQ(Texts(back.x), x);
  EXPECT_EQ(Texts(back.y), y);
  EXPECT_EQ(Texts(back.sigmaY), (std::vector<std::string>{"0,01", "", "2 %"}));
}

// Copied web and office text: its minus signs and blanks read as such.
TEST(PairFileText, UnicodeMinusAndBlanksReadAsMinusAndBlank) {
  const PairFile file = ReadPairFile("x;y\n\xE2\x88\x92" "1,5;2\n\xE2\x80\x93" "2;\xC2\xA0" "7\n");
  ASSERT_TRUE(file.ok);
  ASSERT_EQ(file.x.size(), 2u) << file.message;
  EXPECT_EQ(file.x[0], "-1,5");
  EXPECT_EQ(file.x[1], "-2");
  EXPECT_EQ(grund::ParseNumber(grund::CommaToPoint(file.y[1])).value, 7.0);
}

}  // namespace
