// A result as a JSON line (read back strictly) and the CSV heading and lines
// one at a time.

#include "sinusfit/resultjson.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <memory>
#include <regex>
#include <string>
#include <utility>
#include <vector>

namespace {

using sinusfit::ExportedResult;
using sinusfit::FitMode;
using sinusfit::ModelKind;

// The leaves of a JSON text in order: path ("/parameters/a/value") → a
// number's text, "null", or '"' and the decoded string.
using Leaves = std::vector<std::pair<std::string, std::string>>;

bool Eat(std::string_view& in, std::string_view token) {
  if (!in.starts_with(token)) return false;
  in.remove_prefix(token.size());
  return true;
}

// A string with the escapes the lines use: \" \\ and \u00XX.
bool String(std::string_view& in, std::string& out) {
  if (!Eat(in, "\"")) return false;
  while (!in.empty() && in[0] != '"') {
    unsigned code = 0;
    if (static_cast<unsigned char>(in[0]) < 0x20) return false;
    if (in.starts_with("\\\"") || in.starts_with("\\\\")) {
      out += in[1];
      in.remove_prefix(2);
    } else if (Eat(in, "\\u00")) {
      if (in.size() < 2 || std::from_chars(in.data(), in.data() + 2, code, 16).ptr != in.data() + 2)
        return false;
      out += static_cast<char>(code);
      in.remove_prefix(2);
    } else if (in[0] == '\\') {
      return false;
    } else {
      out += in[0];
      in.remove_prefix(1);
    }
  }
  return Eat(in, "\"");
}

// RFC 8259's objects, arrays, strings, numbers and null; false on anything else.
bool Value(std::string_view& in, const std::string& path, Leaves& leaves) {
  if (Eat(in, "{")) {
    if (Eat(in, "}")) return true;
    do {
      std::string key;
      if (!String(in, key) || !Eat(in, ":") || !Value(in, path + '/' + key, leaves)) return false;
    } while (Eat(in, ","));
    return Eat(in, "}");
  }
  if (Eat(in, "[")) {
    if (Eat(in, "]")) return true;
    int index = 0;
    do {
      if (!Value(in, path + '/' + std::to_string(index++), leaves)) return false;
    } while (Eat(in, ","));
    return Eat(in, "]");
  }
  std::string text = "\"";
  static const std::regex kNumber(R"(-?(0|[1-9]\d*)(\.\d+)?([eE][+-]?\d+)?)");
  std::cmatch number;
  if (in.starts_with('"')) {
    if (!String(in, text)) return false;
  } else if (Eat(in, "null")) {
    text = "null";
  } else if (std::regex_search(in.data(), in.data() + in.size(), number, kNumber,
                               std::regex_constants::match_continuous)) {
    text = number.str();
    in.remove_prefix(text.size());
  } else {
    return false;
  }
  leaves.emplace_back(path, text);
  return true;
}

Leaves Parse(const std::string& line) {
  Leaves leaves;
  std::string_view in = line;
  EXPECT_TRUE(Value(in, "", leaves) && in.empty()) << line;
  return leaves;
}

std::string At(const Leaves& leaves, const std::string& path) {
  for (const auto& [p, text] : leaves)
    if (p == path) return text;
  return "<missing " + path + ">";
}

// The member names under `path`, in order, separated by spaces.
std::string Keys(const Leaves& leaves, const std::string& path) {
  std::string keys, last;
  for (const auto& [p, text] : leaves) {
    if (!p.starts_with(path + '/')) continue;
    const std::size_t from = path.size() + 1;
    const std::string key = p.substr(from, p.find('/', from) - from);
    // A member's leaves are adjacent.
    if (key != last) keys += (keys.empty() ? "" : " ") + key;
    last = key;
  }
  return keys;
}

// A number bit for bit; null for NaN and ±inf.
void ExpectNumber(const std::string& text, double expected, const std::string& what) {
  if (!std::isfinite(expected)) {
    EXPECT_EQ(text, "null") << what;
    return;
  }
  double read = 0;
  const char* end = text.data() + text.size();
  EXPECT_EQ(std::from_chars(text.data(), end, read).ptr, end) << what << " " << text;
  EXPECT_EQ(std::bit_cast<std::uint64_t>(read), std::bit_cast<std::uint64_t>(expected))
      << what << " " << text;
}

// A result of a model on 40 pairs of it with a little scatter (Δy where
// weighted), its statistics attached.
ExportedResult Attached(ModelKind kind, std::vector<double> p, FitMode mode, bool weighted) {
  ExportedResult r{"0,25\tY = 1,2*SIN(2,1*X)+\xb7", true, mode, {p[0], p[1], p[2], p[3]}, 0.25};
  r.model = kind;
  if (kind != ModelKind::kSine) r.values = p, r.origin = {1, 0.5};
  auto data = std::make_shared<sinusfit::FitData>();
  for (int i = 0; i < 40; ++i) {
    data->x.push_back(1 + 0.25 * i);
    data->y.push_back(sinusfit::ModelOf(kind, p).Evaluate(p, data->x.back(), r.origin, {}) +
                      0.03 * std::sin(12.9 * i));
    if (weighted) data->sigma.push_back(0.03);
  }
  r.data = data;
  sinusfit::AttachStatistics(std::span(&r, 1));
  return r;
}

const std::vector<double> kSine = {1.2, 2.1, 0.4, 0.3};
const std::vector<double> kTwoSines = {1.2, 2.1, 0.4, 0.3, 0.5, 3.3, 1.0};

TEST(ResultJsonLine, EveryMemberInOrderAndEveryNumberBitForBit) {
  struct Case {
    ExportedResult r;
    const char *model, *held, *parameters, *derived;
  };
  const Case cases[] = {
      {Attached(ModelKind::kSine, kSine, FitMode::kAllFree, false), "sinus", "", "a b c d",
       "period"},
      {Attached(ModelKind::kSine, kSine, FitMode::kAllFree, true), "sinus", "", "a b c d",
       "period"},
      {Attached(ModelKind::kSine, kSine, FitMode::kFixedB, false), "sinus", "b", "a b c d",
       "period"},
      {Attached(ModelKind::kDampedOscillation, {2, 3, 0.5, 0.1, 0.15}, FitMode::kFixedD, true),
       "gedaempft", "d", "a b c d delta", "tau half_life log_decrement q omega0 period"},
      {Attached(ModelKind::kSeveralFrequencies, kTwoSines, FitMode::kAllFree, false), "frequenzen",
       "", "a1 b1 c1 d a2 b2 c2", "period period2"},
  };
  const std::vector<std::string> hints{"Tipp: eins\nzwei"};  // one line in JSON
  for (const Case& c : cases) {
    SCOPED_TRACE(c.parameters + std::string(" held ") + c.held);
    const ExportedResult& r = c.r;
    const sinusfit::FitStatistics& s = r.statistics;
    const Leaves json = Parse(sinusfit::ResultJsonLine("a.csv", 40, r, {"t in s", "U in \xb5V", hints}));
    EXPECT_EQ(Keys(json, ""), s.weighted ? "file pairs x y model error term parameters derived "
                                           "r2 rmse chi2 dof p held hints"
                                         : "file pairs x y model error term parameters derived "
                                           "r2 rmse held hints");
    EXPECT_EQ(At(json, "/file"), "\"a.csv");
    EXPECT_EQ(At(json, "/pairs"), "40");
    EXPECT_EQ(At(json, "/y"), "\"U in \xc2\xb5V");  // Latin-1 µ as UTF-8
    EXPECT_EQ(At(json, "/hints/0"), "\"Tipp: eins zwei");
    EXPECT_EQ(At(json, "/model"), '"' + std::string(c.model));
    ExpectNumber(At(json, "/error"), r.error, "error");
    EXPECT_EQ(At(json, "/term"), "\"1,2*SIN(2,1*X)+\xc2\xb7");  // Latin-1 · as UTF-8
    EXPECT_EQ(Keys(json, "/parameters"), c.parameters);
    EXPECT_EQ(Keys(json, "/derived"), c.derived);
    const bool isSine = r.model == ModelKind::kSine;
    const sinusfit::ModelParameters& p = r.parameters;
    const std::vector<double> values = isSine ? std::vector{p.a, p.b, p.c, p.d} : r.values;
    const std::vector<double> errors =
        isSine ? std::vector(s.standardError.begin(), s.standardError.end())
               : r.modelStatistics.standardError;
    const sinusfit::Model& model = sinusfit::ModelOf(r.model, values);
    for (int k = 0; k < model.ParameterCount(); ++k) {
      const std::string path = "/parameters/" + std::string(model.ParameterKey(k));
      EXPECT_EQ(Keys(json, path), "value uncertainty");
      ExpectNumber(At(json, path + "/value"), values[static_cast<std::size_t>(k)], path);
      ExpectNumber(At(json, path + "/uncertainty"), errors[static_cast<std::size_t>(k)], path);
    }
    for (const sinusfit::DerivedQuantity& q :
         isSine ? std::vector{sinusfit::SinePeriod(r)} : r.modelStatistics.derived) {
      ExpectNumber(At(json, "/derived/" + q.key + "/value"), q.value, q.key);
      ExpectNumber(At(json, "/derived/" + q.key + "/uncertainty"), q.uncertainty, q.key);
    }
    ExpectNumber(At(json, "/r2"), s.rSquared, "r2");
    ExpectNumber(At(json, "/rmse"), s.rmse, "rmse");
    if (s.weighted) {
      ExpectNumber(At(json, "/chi2"), s.chiSquared, "chi2");
      EXPECT_EQ(At(json, "/dof"), std::to_string(s.degreesOfFreedom));
      ExpectNumber(At(json, "/p"), s.pValue, "p");
    }
    EXPECT_EQ(At(json, "/held"), *c.held ? '"' + std::string(c.held) : "null");
  }
}

// Quotes, backslashes and control characters escaped, UTF-8 passed through,
// and every byte that begins no valid UTF-8 sequence replaced by U+FFFD.
TEST(ResultJsonLine, FileNamesAndMessagesAreValidJsonStrings) {
  const std::string bad = "\xef\xbf\xbd", controls = std::string("a\x01\n\tb\x7f", 6) + '\0';
  const std::pair<std::string, std::string> cases[] = {
      {"say \"hi\".csv", "say \"hi\".csv"},
      {"C:\\Messung\\x.txt", "C:\\Messung\\x.txt"},
      {controls, controls},
      {"Mess\xc3\xa4ung \xe2\x82\xac \xf0\x9f\x93\x88",
       "Mess\xc3\xa4ung \xe2\x82\xac \xf0\x9f\x93\x88"},
      {"latin1 \xe4.csv", "latin1 " + bad + ".csv"},
      {"cut \xe2\x82", "cut " + bad + bad},
      {"overlong \xc0\xaf \xe0\x80\xaf", "overlong " + bad + bad + " " + bad + bad + bad},
      {"surrogate \xed\xa0\x80", "surrogate " + bad + bad + bad},
      {"too high \xf4\x90\x80\x80", "too high " + bad + bad + bad + bad},
  };
  for (const auto& [name, read] : cases) {
    const std::string line = sinusfit::FailureJsonLine(name, name);
    const Leaves json = Parse(line);
    EXPECT_EQ(Keys(json, ""), "file message");
    EXPECT_EQ(At(json, "/file"), '"' + read) << line;
    EXPECT_EQ(At(json, "/message"), '"' + read) << line;
    // A result without values or statistics: every number null.
    const Leaves empty = Parse(sinusfit::ResultJsonLine(name, 0, {}));
    EXPECT_EQ(At(empty, "/file"), '"' + read);
    EXPECT_EQ(At(empty, "/parameters/a/value") + At(empty, "/r2"), "nullnull");
  }
}

// The heading and a line per result make up the CSV of the list.
TEST(ResultCsvLine, HeadingAndLinesMakeTheCsv) {
  const std::vector<std::vector<ExportedResult>> lists = {
      {},
      {Attached(ModelKind::kSine, kSine, FitMode::kFixedB, false),
       {"7\tY = ;odd", false, {}, {}, 0}},
      {Attached(ModelKind::kSine, kSine, FitMode::kAllFree, true),
       Attached(ModelKind::kSeveralFrequencies, kTwoSines, FitMode::kAllFree, false)},
  };
  for (const std::vector<ExportedResult>& results : lists) {
    const auto columns = sinusfit::ResultColumns(results);
    std::string csv = sinusfit::ResultCsvHeading(columns);
    for (const ExportedResult& r : results) csv += sinusfit::ResultCsvLine(columns, r);
    EXPECT_EQ(csv, sinusfit::ResultsCsv(results));
  }
}

}  // namespace
