// Every example of the user's guide to the term language (docs/) is evaluated
// here, so the guide cannot drift from the program.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "_grund/grund.h"
#include "fktint/fktint.h"

namespace {

struct Example {
  std::string term;      // Latin-1, as the interpreter reads it
  std::string expected;  // the value as the guide writes it, decimal comma
};

// The guide is UTF-8; the interpreter reads Latin-1.
std::string Utf8ToLatin1(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0xC0 && c < 0xE0 && i + 1 < text.size()) {
      out += static_cast<char>(((c & 0x1F) << 6) | (static_cast<unsigned char>(text[++i]) & 0x3F));
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::vector<std::string> SplitTableRow(const std::string& line) {
  std::vector<std::string> cells;
  std::string cell;
  for (std::size_t i = 1; i < line.size(); ++i) {
    if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == '|') {
      cell += '|';
      ++i;
    } else if (line[i] == '|') {
      cells.push_back(cell);
      cell.clear();
    } else {
      cell += line[i];
    }
  }
  return cells;
}

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// The rows of every table whose last two columns are "Beispiel" and "Wert".
std::vector<Example> ReadExamples() {
  std::ifstream file(std::string(KALVENTO_DOCS_DIR) + "/term-language.md");
  std::vector<Example> examples;
  std::string line;
  bool inExampleTable = false;
  while (std::getline(file, line)) {
    if (line.empty() || line[0] != '|') {
      inExampleTable = false;
      continue;
    }
    const std::vector<std::string> cells = SplitTableRow(line);
    if (cells.size() >= 2 && Trim(cells[cells.size() - 2]) == "Beispiel") {
      inExampleTable = true;
      continue;
    }
    if (!inExampleTable || line.rfind("|---", 0) == 0) continue;
    std::string term = Trim(cells[cells.size() - 2]);
    if (term.size() >= 2 && term.front() == '`' && term.back() == '`') {
      term = term.substr(1, term.size() - 2);
    }
    examples.push_back({Utf8ToLatin1(term), Trim(cells.back())});
  }
  return examples;
}

TEST(TermLanguageGuide, EveryExampleEvaluatesToTheValueShown) {
  const std::vector<Example> examples = ReadExamples();
  ASSERT_EQ(examples.size(), 14u + 70u) << "the operator table and the function table";
  for (const Example& example : examples) {
    fktint::ParamP = 0;
    const double value = fktint::EvaluateTerm(example.term, 1.0);
    const grund::ParsedNumber shown = grund::ParseNumber(grund::CommaToPoint(example.expected));
    ASSERT_TRUE(shown.ok) << example.expected;
    // The guide rounds to the decimals it shows.
    const std::size_t comma = example.expected.find(',');
    const int decimals =
        comma == std::string::npos ? 0 : static_cast<int>(example.expected.size() - comma - 1);
    const double tolerance = 0.5 * std::pow(10.0, -decimals) + 1e-9;
    EXPECT_NEAR(value, shown.value, tolerance) << example.term;
  }
}

}  // namespace
