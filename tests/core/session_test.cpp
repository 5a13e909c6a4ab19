#include "wertedatei/session.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <string_view>

namespace {

using wertedatei::ReadSession;
using wertedatei::Session;
using wertedatei::SessionReading;
using wertedatei::WriteSession;

constexpr double kInf = std::numeric_limits<double>::infinity();

// Every field away from its default, texts with the bytes that need care:
// Latin-1 above 0x7F, quotes, backslashes, control characters.
Session FullSession() {
  Session s;
  s.savedAt = "2026-12-09T15:20:00";
  s.rows = 7;
  s.columns[0].latin1 = {"1,5",
                         "2\xB7"
                         "3",
                         "", "-0,25"};
  s.columns[1].latin1 = {"\"q\"", "a\\b", "\t\x01\x7F", "\x80\xFF\xE9"};
  s.columns[2].latin1 = {"", "", "0,1234"};
  s.columns[3].latin1 = {"0,1"};
  s.columns[1].full = {{0, "5 €"}, {6, "\xF0\x9D\x91\xA5 \"\\\n\x1F"}};
  s.sigmaShown = true;
  s.fitted = wertedatei::SessionFittedValues{
      "1,5*SIN(2*X)\xB7"
      "2",
      {},
      {1, 6},
      {2.5, -1e-300}};
  s.fitted->precision = {1, 2, 3, 4, 5, 6, 7, 8, 9, false};
  s.pairsModified = true;
  s.pairFile = "/home/jörg/Messung \"1\".csv";
  s.pairFileHasMoreColumns = true;
  s.fitMode = 3;
  s.fields = {"1,5", "2", "ä", "", "Ω"};
  s.frequencyScan = true;
  s.model = 4;
  s.frequencies = 10;
  s.randomSeed = 4294967295u;
  wertedatei::SessionResult r;
  r.entry = "y = 1,5\xB7sin(2x)";
  r.mode = 5;
  r.parameters = {1.5, kInf, -kInf, -0.0};
  r.error = 5e-324;
  r.model = 2;
  r.values = {0.1, 1e300, -7};
  r.originX0 = 1.7e9;
  r.originPhase = -3.25;
  r.scanBound = 100;
  r.searchedUpTo = 99.5;
  r.precision.plotY = 30;
  r.pairs = 1;
  s.results = {r, r};
  s.results[1].pairs = -1;
  s.chosen = 1;
  s.sortByError = true;
  s.weighted = true;
  s.pairCount = "4 (von 5)";
  s.computedPairs = {{{1, 2}, {3, 4}, {}}, {{1}, {2}, {0.5}}, {{}, {}, {}, true}};
  s.shownEntry = "\xE9";
  s.statisticsShown = true;
  s.scanHint = "Frequenzsuche: bis b = 100";
  s.modelHint = "gedämpfte Schwingung";
  s.plotEntries = {"#F", "SIN(X)\xB7", "#m"};
  s.points = wertedatei::SessionPairs{{1}, {2}, {}};
  s.pairsOnly = true;
  s.userView = wertedatei::SessionView{-1, 1, -2, 2};
  s.otherView = wertedatei::SessionView{0, 10, kInf, 3};
  s.periodogram = s.periodAxis = s.spectralWindow = s.residuals = s.resultInPlot = true;
  s.titleX = "t in s";
  s.titleY = "U in V";
  return s;
}

Session Read(std::string_view text) {
  const SessionReading reading = ReadSession(text);
  EXPECT_TRUE(reading.session) << reading.message;
  EXPECT_EQ(reading.message, "");
  return reading.session.value_or(Session{});
}

TEST(Session, RoundTripKeepsEveryField) {
  const Session s = FullSession();
  ASSERT_FALSE(s == Session{});
  const std::string text = WriteSession(s);
  const Session back = Read(text);
  EXPECT_EQ(WriteSession(back), text);  // shows what differs
  EXPECT_TRUE(back == s);
  // Latin-1 as UTF-8; control characters escaped; the layout readable.
  for (std::string_view part :
       {"\"2\xC2\xB7"
        "3\"",
        "\"\\t\\u0001\x7F\"", "\"\xC2\x80\xC3\xBF\xC3\xA9\"", "\"\\\"q\\\"\"", "\"a\\\\b\"",
        "\\n\\u001F", "\"sigma\": [0.5]", "\n  \"table\": {\n    \"rows\": 7,\n",
        "\"error\": 5e-324", "[1.5, \"inf\", \"-inf\", -0]"})
    EXPECT_NE(text.find(part), std::string::npos) << part;
  EXPECT_TRUE(std::signbit(back.results[0].parameters[3]));
}

TEST(Session, NotANumberAndTableDrawnPointsReadBack) {
  Session s = FullSession();
  s.results[0].error = std::nan("");
  s.pointsAreTablePairs = true;  // the points are not written
  s.fitted->x.clear();  // nor the fitted values' x
  s.fitted->xFromTable = true;
  const std::string text = WriteSession(s);
  EXPECT_NE(text.find("\"error\": \"nan\""), std::string::npos);
  Session back = Read(text);
  EXPECT_TRUE(std::isnan(back.results[0].error));
  EXPECT_FALSE(back.points);
  back.results[0].error = s.results[0].error = 0;
  s.points.reset();
  EXPECT_TRUE(back == s);
}

TEST(Session, ColumnsLeaveOffTrailingEmptyCellsAndBadUtf8IsReplaced) {
  Session s;
  s.columns[0].latin1 = {"1", "", ""};
  s.titleX =
      "a\xFF"
      "b\xC3";
  const Session back = Read(WriteSession(s));
  EXPECT_EQ(back.columns[0].latin1, (wertedatei::TextColumn{"1"}));
  EXPECT_EQ(back.titleX,
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD");
}

std::string Minimal(std::string_view table, std::string_view rest = "",
                    std::string_view version = "1.0") {
  return "{\"format\": \"kalvento-sitzung\", \"version\": \"" + std::string(version) +
         "\", \"table\": {" + std::string(table) + "}" + std::string(rest) + "}";
}

TEST(Session, UnknownKeysNewerMinorAndMissingKeysAreRead) {
  EXPECT_TRUE(Read(Minimal("")) == Session{});
  const Session s = Read(Minimal(
      R"("neu": {"a": [1, {"b": null}], "c": "\u00e9"}, "rows": 3, "x": ["1"], "fitted": null)",
      R"(, "zukunft": [[[]]], "settings": {"fitMode": 2, "extra": true},
         "shown": {"userView": {"xMin": 1, "z": false}, "points": null})",
      "1.7"));
  EXPECT_EQ(s.formatMinor, 7);
  EXPECT_EQ(s.rows, 3);
  EXPECT_EQ(s.columns[0].latin1, (wertedatei::TextColumn{"1"}));
  EXPECT_EQ(s.fitMode, 2);
  ASSERT_TRUE(s.userView);
  EXPECT_EQ(s.userView->xMin, 1);
  EXPECT_TRUE(Read("\xEF\xBB\xBF" + Minimal("") + " \n").fields[0].empty());  // byte-order mark
}

TEST(Session, RefusedTextsSayWhy) {
  const std::string damaged = "Die Sitzungsdatei ist beschädigt: ";
  const std::string notSession = "Die Datei ist keine Kalvento-Sitzung.";
  const std::string cut = "Die Sitzungsdatei ist unvollständig (abgeschnitten).";
  const std::string deep = std::string(100, '[') + std::string(100, ']');
  struct Case {
    std::string text;
    std::string message;  // its beginning
  };
  const Case cases[] = {
      {"", "Die Sitzungsdatei ist leer."},
      {" \r\n\t", "Die Sitzungsdatei ist leer."},
      {"x;y\n1;2\n", notSession},
      {"[1]", notSession},
      {"{}", notSession},
      {R"({"version": "1.0", "format": "kalvento-sitzung"})", notSession},
      {R"({"format": "kalvento-sitzungen", "version": "1.0", "table": {}})", notSession},
      {R"({"format": 1})", notSession},
      {R"({"format": "kalvento-sitzung", "version": "1.0", "table": {"rows": 1)", cut},
      {R"({"format": "kalvento-sitzung", "version": "1.0", "table": {"x": ["1\u00)", cut},
      {R"({"format": "kalvento-sitzung", "version": "1.0", "table": {"x": [")"
       "\xC3",
       cut},
      {R"({"format": "kalvento-sitzung", "version": "1.0", "table": {"sigmaShown": tr)", cut},
      {Minimal("", "", "2.0"),
       "Die Sitzung stammt aus einer neueren Version von Kalvento (Format 2.0) und kann nicht "
       "geöffnet werden."},
      {Minimal("", "", "1"), damaged + "die Formatversion „1“ ist unlesbar"},
      {R"({"format": "kalvento-sitzung", "table": {}})", damaged + "„version“ fehlt"},
      {R"({"format": "kalvento-sitzung", "version": "1.0"})", damaged + "die Tabelle"},
      {Minimal("") + "x", damaged + "Text hinter dem Ende"},
      {Minimal(R"("rows": "200")"), damaged + "„rows“: eine Zahl erwartet"},
      {Minimal(R"("rows": 2.0)"), damaged + "„rows“: eine ganze Zahl erwartet"},
      {Minimal(R"("sigmaShown": 1)"), damaged + "„sigmaShown“: true oder false erwartet"},
      {Minimal(R"("x": "1")"), damaged + "„x“: eine Liste"},
      {Minimal(R"("x": [1])"), damaged + "„x“: ein Text erwartet"},
      {Minimal(R"("x": ["1",])"), damaged + "„x“: ein Text erwartet"},
      {Minimal(R"("x": ["1" "2"])"), damaged + "„,“ oder „]“ erwartet"},
      {Minimal(R"("fitted": {"runs": [1, 1], "x": []})"), damaged + "„runs“ und „x“"},
      {Minimal(R"("fitted": {"runs": [1], "xFromTable": true})"), damaged + "„runs“: Anfang"},
      {Minimal(R"("fitted": {"runs": [0, 2, 1, 1], "xFromTable": true})"), damaged + "„runs“: die"},
      {Minimal(R"("fitted": {"runs": [999999, 2], "xFromTable": true})"), damaged + "„runs“: die"},
      {Minimal("", R"(, "settings": {"fields": ["a"]})"), damaged + "„fields“: fünf Texte"},
      {Minimal(R"("rows": 1000001)"), damaged + "„rows“ liegt nicht zwischen 0 und 1000000"},
      {Minimal(R"("rows": -99999999999999999999)"), damaged + "„rows“ liegt nicht"},
      {Minimal(R"("rows": 1, "x": ["1", "2"])"), damaged + "„x“ hat mehr Zellen"},
      {Minimal(R"("rows": 2, "full": {"dy": [{"index": 2, "text": "€"}]})"), damaged + "„full“"},
      {Minimal(R"("rows": 2, "fitted": {"runs": [2, 1], "x": [1]})"), damaged + "„fitted“"},
      {Minimal("", R"(, "settings": {"fitMode": 6})"), damaged + "„fitMode“ liegt nicht"},
      {Minimal("", R"(, "settings": {"model": 5})"), damaged + "„model“ liegt nicht"},
      {Minimal("", R"(, "settings": {"frequencies": 11})"), damaged + "„frequencies“ liegt"},
      {Minimal("", R"(, "settings": {"randomSeed": 4294967296})"), damaged + "„randomSeed“"},
      {Minimal("", R"(, "results": {"chosen": 0})"), damaged + "„chosen“"},
      {Minimal("", R"(, "results": {"lines": [{"pairs": 0}]})"), damaged + "„lines“: „pairs“"},
      {Minimal("", R"(, "results": {"lines": [{"precision": {"a": 31}}]})"), damaged + "„a“"},
      {Minimal("", R"(, "results": {"computedPairs": [{"x": [1]}]})"), damaged + "„x“, „y“"},
      {Minimal("", R"(, "results": {"lines": [{"error": 1e999}]})"), damaged + "„error“: die Zahl"},
      {Minimal("", R"(, "results": {"lines": [{"error": "Inf"}]})"),
       damaged + "„error“: eine Zahl"},
      {Minimal(R"("x": ["\u0100"])"), damaged + "„x“: das Zeichen U+0100 gibt es in Latin-1 nicht"},
      {Minimal(R"("x": ["Ā"])"), damaged + "„x“: das Zeichen U+0100"},
      {Minimal("", R"(, "shown": {"plotEntries": ["€"]})"),
       damaged + "„plotEntries“: das Zeichen U+20AC"},
      {Minimal(R"("pairFile": "a)"
               "\xC3\x28"
               R"(")"),
       damaged + "„pairFile“: kein gültiges UTF-8"},
      {Minimal(R"("pairFile": "\ud800x")"), damaged + "„pairFile“: erste Hälfte"},
      {Minimal(R"("pairFile": "\udc00")"), damaged + "„pairFile“: zweite Hälfte"},
      {Minimal(R"("pairFile": "\q")"), damaged + "„pairFile“: ungültige Folge"},
      {Minimal("\"pairFile\": \"a\nb\""), damaged + "„pairFile“: Steuerzeichen"},
      {Minimal("\"extra\": " + deep), damaged + "zu tief verschachtelt"},
      {"{\"format\": \"kalvento-sitzung\",\n \"version\": \"1.0\",\n \"table\": {\"rows\": x}}",
       damaged + "„rows“: eine Zahl erwartet (Zeile 3, Zeichen 20)."},
  };
  for (const Case& c : cases) {
    const SessionReading reading = ReadSession(c.text);
    EXPECT_FALSE(reading.session) << c.text;
    EXPECT_EQ(reading.message.substr(0, c.message.size()), c.message) << c.text;
  }
}

// A file cut anywhere after its first byte is unfinished, never damaged.
TEST(Session, EveryCutIsTruncated) {
  Session s = FullSession();
  s.columns[0].full = {{1, "€\\\"\t"}};
  s.fitted->term = "\x01\xE9";
  const std::string text = WriteSession(s);
  for (std::size_t size = 1; size + 1 < text.size(); ++size) {
    const SessionReading reading = ReadSession(std::string_view(text).substr(0, size));
    ASSERT_EQ(reading.message, "Die Sitzungsdatei ist unvollständig (abgeschnitten).") << size;
  }
}

// The example of docs/session-format.md reads, and as the text says.
TEST(Session, DocumentedExampleReads) {
  std::ifstream file(std::string(KALVENTO_DOCS_DIR) + "/session-format.md");
  std::stringstream doc;
  doc << file.rdbuf();
  const std::string text = doc.str();
  const std::size_t begin = text.find("```json\n");
  const std::size_t end = text.find("```", begin + 3);
  ASSERT_NE(begin, std::string::npos);
  ASSERT_NE(end, std::string::npos);
  const Session s = Read(std::string_view(text).substr(begin + 8, end - begin - 8));
  EXPECT_EQ(s.columns[1].latin1, (wertedatei::TextColumn{"0,5",
                                                         "1,2\xB7"
                                                         "10",
                                                         "-0,25"}));
  EXPECT_EQ(s.results.at(0).parameters[3], -1.25);
  EXPECT_TRUE(s.computedPairs.at(0).tablePairs);
  EXPECT_EQ(s.userView.value_or(wertedatei::SessionView{}).yMin, -kInf);
}

}  // namespace
