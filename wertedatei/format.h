#pragma once
// The format of a pair file, found from a sample of its first lines before
// the pass over all of them: the separator, the decimal mark and the first
// two numeric columns. The pass takes it as a plain value.

#include <optional>
#include <string_view>
#include <vector>

#include "wertedatei/fields.h"
#include "wertedatei/wertedatei.h"

namespace wertedatei {

struct Format {
  char separator = ';';
  DecimalMark mark = DecimalMark::kEither;
  ColumnChoice columns;  // the first two numeric columns of the first data line
  bool singleColumn = false;
};

// The first lines that are neither empty nor comments, and the separator
// that the first line may name.
struct Sample {
  std::vector<std::string_view> lines;
  std::optional<char> hint;
};

Sample TakeSample(std::string_view text);

Format DetectFormat(const std::vector<std::string_view>& sample, std::optional<char> hint);

}  // namespace wertedatei
