#pragma once
// A file's best result as one JSON object on one line (JSON Lines), for the
// batch fit: the same numbers as the result export, in full precision and
// keyed by their plain names, so that a script reads them without parsing
// German number texts.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "sinusfit/model.h"
#include "sinusfit/resultexport.h"

namespace sinusfit {

// One JSON object on one line (no line end), UTF-8, for a file's best result
// (hasValues and hasStatistics set, statistics attached by AttachStatistics
// on its own data). Its members, in this order:
//
//   "file", "pairs", "x" and "y" (the axes' titles: the columns' headings
//   with their units, a time column's origin), "model" (ModelKey), "error" (the error sum; χ² with Δy),
//   "term" (the entry's term), "parameters" and "derived" (each key →
//   {"value": …, "uncertainty": …}, in the model's order), "r2", "rmse",
//   with Δy "chi2", "dof", "p", "held" (the held parameter or null), and
//   "hints" (an array of texts, each on one line).
//
// Numbers are the shortest text that reads back as the same double, with a
// decimal point; what is not finite or not known (a held parameter's
// uncertainty, statistics not attached) is null. Bytes of `file` that are
// no UTF-8 become U+FFFD.
// What the window shows beside the result: the axes' titles (Latin-1, as
// the reader gives them; empty where none) and its hints (UTF-8).
struct ResultSurroundings {
  std::string_view xTitle, yTitle;
  std::span<const std::string> hints;
};
std::string ResultJsonLine(std::string_view file /*UTF-8*/, std::size_t pairs,
                           const ExportedResult& result, const ResultSurroundings& surroundings = {});

// {"file":…,"message":…} for a file that could not be fitted (message UTF-8,
// German).
std::string FailureJsonLine(std::string_view file, std::string_view message);

// The model's key: "sinus", "trend", "gedaempft", "frequenzen",
// "oberschwingungen".
std::string_view ModelKey(ModelKind kind);

}  // namespace sinusfit
