// Residual lines: for each data mark a vertical line from the last curve
// listed before the marks to the mark's centre, read without moving the
// list's cursor.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "_grund/grund.h"
#include "graph_reduziert/graph_reduziert.h"
#include "platform/recording_canvas.h"

namespace {

namespace gr = graph_reduziert;
using Calls = std::vector<std::string>;

const std::string kOrange = "PenColor 230 80 0";
const std::string kBlackAgain = "PenColor 0 0 0";

TEST(DrawResidualLines, ConnectsEachMarkWithTheLastCurveBeforeIt) {
  struct Case {
    const char* what;
    std::vector<std::string> entries;
    Calls lines;  // between setting the orange pen and restoring the old one
  };
  // In the 783 × 499 frame from -8 to 8: x = 1.5 is column 465, x = -1
  // column 343; y = 2 is row 152, 3 row 103, 0.5 row 226, 0 row 250.
  const Case cases[] = {
      {"a result's list",
       {"#F", " ", "#F", "2", "#m", "...", "1.5", "3", "-1", "0.5", "..."},
       {"MoveTo 465 152", "LineTo 465 103", "MoveTo 343 152", "LineTo 343 226"}},
      {"marks without a curve", {"#m", "...", "1.5", "3", "..."}, {}},
      {"a curve only after the marks", {"#m", "...", "1.5", "3", "...", "#F", "2"}, {}},
      {"a term that fails", {"#F", "QQQ(X)", "#m", "...", "1.5", "3", "..."}, {}},
      {"no pairs", {"#F", "2", "#m", "...", "..."}, {}},
      {"a mark far off the area",
       {"#F", "0", "#m", "...", "1.5", "1e300", "..."},
       {"MoveTo 465 250", "LineTo 465 -1000"}},
      {"a section left open",
       {"#F", "0", "#m", "...", "1.5", "3", "-1"},
       {"MoveTo 465 250", "LineTo 465 103"}},
      {"an empty list", {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    gr::Frame = {};
    gr::BeginPlot(783, 499, 8, -8);
    grund::PlotList list;
    for (const std::string& e : c.entries) grund::AddPlotEntry(list, e);
    list.PlotCursor = 1;
    platform::RecordingCanvas canvas;
    gr::DrawResidualLines(canvas, list);
    gr::EndPlot();

    Calls expected{kOrange};
    expected.insert(expected.end(), c.lines.begin(), c.lines.end());
    expected.push_back(kBlackAgain);
    EXPECT_EQ(canvas.Calls(), expected);
    EXPECT_EQ(list.PlotCursor, 1);
  }
}

}  // namespace
