#pragma once
// The texts the result list is exported as: the lines copied to the
// clipboard and the CSV file. Every column of the export is one entry of
// ResultColumns(), so further columns (statistics of a fit) go there and
// reach both the CSV and the copied lines.

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sinusfit/fitdata.h"
#include "sinusfit/fitstatistics.h"
#include "sinusfit/model.h"
#include "sinusfit/modelstatistics.h"
#include "sinusfit/normalsystem.h"

namespace sinusfit {

// One line of the result list: its text and, where the window kept them,
// the values behind it in full precision.
struct ExportedResult {
  std::string entry;  // Latin-1, as the list shows it ("error<TAB>Y = term")
  bool hasValues = false;
  FitMode mode = FitMode::kAllFree;
  ModelParameters parameters;
  double error = 0;
  // How far the values can be trusted on the table's pairs (see
  // AttachStatistics); only where the values are kept.
  bool hasStatistics = false;
  FitStatistics statistics{};
  // The pairs (and Δy) the result was computed from, shared by the results
  // of one computation (Computation::SharedData); none where not kept.
  std::shared_ptr<const FitData> data{};
  // Another model than the sine: which, its parameters as its term writes
  // them (values; `parameters` then holds their a, b, c, d) and their
  // origin, and, with the statistics, those of the model.
  ModelKind model = ModelKind::kSine;
  std::vector<double> values{};
  ModelOrigin origin{};
  ModelStatistics modelStatistics{};
};

// Computes the statistics of every result that has values on the pairs
// (x[i], y[i]), the same pairs the statistics label is computed from.
void AttachStatistics(std::span<ExportedResult> results, const std::vector<double>& x,
                      const std::vector<double>& y);
// Computes the statistics of every result that has values and data on its
// own data (weighted where it carries Δy), so that every column of a line
// belongs to the pairs its fit was computed from.
void AttachStatistics(std::span<ExportedResult> results);

// The shortest text that reads back as the same double, with a decimal
// comma: "0,1", "-2", "1,5e-07"; "inf", "-inf" and "nan" as such.
std::string FullPrecisionText(double value);

struct ResultColumn {
  std::string_view heading;
  // The field of a result; empty where the result has no value for it.
  std::string (*text)(const ExportedResult&);
  // Whether the copied lines carry it after the entry's own text.
  bool copied;
};

// The columns of the CSV, in order.
std::span<const ResultColumn> ResultColumns();
// The columns for these results: the above, and where any of them has
// weighted statistics also χ², ν and P (before the function; copied too),
// left empty for a line without them. Where any is of another model than
// the sine, then (before the function) "Modell" and, copied, e, δ and the
// derived quantities with their standard errors, empty where a line's
// model has none; a sine line has its period. With a sum of sines, after
// them a, b, c and the period of its further sines with their standard
// errors, as many as the longest sum has.
std::span<const ResultColumn> ResultColumns(std::span<const ExportedResult> results);

// The copied lines: each entry as the list shows it, followed by the copied
// columns (tab-separated), one line per result, each ending in "\n".
std::string CopiedResultLines(std::span<const ExportedResult> results);

// The CSV: a heading line, then one line per result, ";" between fields,
// decimal commas, fields with ";", quotes or line breaks quoted.
std::string ResultsCsv(std::span<const ExportedResult> results);
// Its pieces, for a CSV whose lines come one at a time (the batch fit's, one
// per file, with a field of its own in front): the heading line and a
// result's line, each ending in "\n", and one field, quoted where needed.
std::string ResultCsvHeading(std::span<const ResultColumn> columns);
std::string ResultCsvLine(std::span<const ResultColumn> columns, const ExportedResult& result);
std::string CsvField(std::string_view text);

// The name of the parameter the mode holds ("a" to "d"), empty where all are
// free.
std::string_view HeldParameterName(FitMode mode);
// A sine result's period 2π/|b| (key "period") with its uncertainty from b's
// standard error, as every export writes it: exact (0) where b is held.
DerivedQuantity SinePeriod(const ExportedResult& result);

}  // namespace sinusfit
