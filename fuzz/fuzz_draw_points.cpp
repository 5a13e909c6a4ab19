// DrawPoints, DrawPointResiduals, the PointsLayer, FitView and
// CountPairsOutside on points of any magnitude (every bit pattern: huge,
// tiny, infinite, not a number) with any Δy, in a frame of random size and
// a random view, on a bitmap and on a vector device.
//
// Input: a byte of flags (Δy present, vector device, a chosen view, an area
// too large for a pixel grid), two bytes each for width and height, four
// doubles for the view, a byte for how often the pairs repeat (with small
// shifts, so that many pairs share pixels), then (x, y, Δy) triples.
//
// Checked: the frame is left as it was; every coordinate handed to the
// canvas lies within a few pixels of the area, whatever the values; a bitmap
// gets at most one block of pixels per call, a vector device at most one
// circle per pixel centre and lines bounded by the area, however many pairs;
// the layer draws the same twice and counts as CountPairsOutside does; the
// reduction in two halves equals the one in a single pass; a
// fitted view is usable and shows every pair a view can hold; and each input
// stays within the time limit.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <tuple>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "graph_reduziert/graph_reduziert.h"
#include "graph_reduziert/pointsreduction.h"
#include "platform/canvas.h"
#include "platform/recording_canvas.h"

namespace {

namespace gr = graph_reduziert;

// Counts the calls and how far from the area any coordinate lies.
class BoundsCanvas : public platform::Canvas {
 public:
  BoundsCanvas(int width, int height, bool vectors)
      : width_(width), height_(height), vectors_(vectors) {}
  long long farthest = 0;
  long long blocks = 0, ellipses = 0, lines = 0, others = 0;

  void MoveTo(int x, int y) override { Note(x, y); }
  void LineTo(int x, int y) override {
    Note(x, y);
    ++lines;
  }
  void Polygon(std::span<const platform::Point>) override { ++others; }
  void Ellipse(int l, int t, int r, int b) override {
    Note(l, t), Note(r, b);
    FUZZ_CHECK(r - l == 7 && b - t == 7);
    ++ellipses;
  }
  void SetPixel(int x, int y, platform::Color) override {
    Note(x, y);
    ++others;
  }
  void TextOut(int, int, std::string_view) override { ++others; }
  int TextWidth(std::string_view) override { return 0; }
  int TextHeight(std::string_view) override { return 0; }
  void SetPenColor(platform::Color c) override { pen_ = c; }
  platform::Color PenColor() const override { return pen_; }
  void SetPenWidth(int) override {}
  void SetPenStyle(platform::PenStyle) override {}
  void SetBrushColor(platform::Color) override {}
  void SetBrushClear() override {}
  void SetFont(std::string_view, int) override {}
  void SetFontColor(platform::Color) override {}
  void SetTransparentTextBackground() override {}
  void BeginArea(int, int, int, int) override {}
  void EndArea() override {}
  void DrawPixels(const platform::PixelBlock& block) override {
    FUZZ_CHECK(block.Holds());
    FUZZ_CHECK(block.left >= 0 && block.top >= 0 && block.left + block.width <= width_ &&
               block.top + block.height <= height_);
    ++blocks;
  }
  bool DrawsVectors() const override { return vectors_; }

 private:
  void Note(long long x, long long y) {
    const long long outX = x < 0 ? -x : std::max(0LL, x - width_);
    const long long outY = y < 0 ? -y : std::max(0LL, y - height_);
    farthest = std::max({farthest, outX, outY});
  }
  int width_, height_;
  bool vectors_;
  platform::Color pen_ = platform::kBlack;
};

bool Usable(double v) { return std::isfinite(v) && std::fabs(v) <= gr::kViewLimit; }

bool SameFrame(const gr::PlotFrame& a, const gr::PlotFrame& b) {
  const auto fields = [](const gr::PlotFrame& f) {
    return std::tuple(f.PlotWidth, f.PlotHeight, f.Ranged, f.XMin, f.XMax, f.YMin, f.YMax, f.XScale,
                      f.YScale, f.OriginColumn, f.OriginRow);
  };
  return fields(a) == fields(b);
}

struct Input {
  bool bars = false, vectors = false, chosenView = false, hugeArea = false;
  int width = 1, height = 1;
  gr::PlotView view;
  gr::PlotPoints points;
};

// Two bytes, the first the low one.
int Word(fuzz::ByteReader& in) {
  const int low = in.Byte();
  return low | in.Byte() << 8;
}

constexpr std::size_t kHeaderBytes = 1 + 2 + 2 + 4 * 8 + 1;
constexpr std::size_t kMaxTriples = 400;

Input Read(fuzz::ByteReader& in, std::size_t size) {
  Input input;
  const std::uint8_t flags = in.Byte();
  input.bars = (flags & 1) != 0;
  input.vectors = (flags & 2) != 0;
  input.chosenView = (flags & 4) != 0;
  input.hugeArea = (flags & 0x38) == 0x38;  // rarely: the pair-by-pair drawing
  input.width = 1 + Word(in) % 512;
  input.height = 1 + Word(in) % 384;
  if (input.hugeArea) input.width = 4100, input.height = 4100;
  input.view = {in.RawDouble(), in.RawDouble(), in.RawDouble(), in.RawDouble()};
  const int copies = 1 + in.Byte() % 64;
  const std::size_t count =
      std::min(size > kHeaderBytes ? (size - kHeaderBytes) / 24 : 0, kMaxTriples);
  std::vector<double> triples;
  for (std::size_t i = 0; i < 3 * count; ++i) triples.push_back(in.RawDouble());
  for (int copy = 0; copy < copies; ++copy) {
    for (std::size_t i = 0; i + 2 < triples.size(); i += 3) {
      // Copies step by a ten-thousandth: many land on the same pixels.
      input.points.x.push_back(triples[i] * (1 + copy * 1e-4));
      input.points.y.push_back(triples[i + 1] + copy * 1e-4);
      if (input.bars) input.points.sigma.push_back(triples[i + 2]);
    }
  }
  return input;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::ByteReader in(data, size);
  Input input = Read(in, size);
  const fuzz::InputTimer timer(6);  // six drawings and reductions of the points
  gr::Frame = {};
  if (input.chosenView && gr::ViewIsUsable(input.view))
    gr::BeginPlotRanges(input.width, input.height, input.view);
  else
    gr::BeginPlot(input.width, input.height, 8, -8);
  const gr::PlotFrame frame = gr::Frame;
  const long long w = input.width, h = input.height;

  BoundsCanvas direct(input.width, input.height, input.vectors);
  gr::DrawPoints(direct, input.points);
  gr::DrawPointResiduals(direct, input.points, "SIN(X)*X");
  FUZZ_CHECK(SameFrame(gr::Frame, frame));
  FUZZ_CHECK(direct.farthest <= 8);
  FUZZ_CHECK(direct.others == 0);
  if (!input.hugeArea && input.vectors) {
    // At most one circle per pixel centre, one run per bar pixel and one
    // residual line per column.
    FUZZ_CHECK(direct.ellipses <= (w + 6) * (h + 6));
    FUZZ_CHECK(direct.lines <= 2 * w * h + w);
  } else if (!input.hugeArea) {
    FUZZ_CHECK(direct.blocks <= 2 && direct.lines == 0 && direct.ellipses == 0);
  }

  gr::PointsLayer layer;
  layer.SetPoints(input.points);
  BoundsCanvas first(input.width, input.height, input.vectors);
  BoundsCanvas again(input.width, input.height, input.vectors);
  layer.Draw(first);
  layer.Draw(again);
  FUZZ_CHECK(first.ellipses == again.ellipses && first.lines == again.lines &&
             first.blocks == again.blocks);
  gr::PlotContents contents;
  contents.points = &layer.Points();
  FUZZ_CHECK(layer.PairsOutside() == gr::CountPairsOutside(contents));

  // Long series are reduced in two halves at once, here forced for any
  // count of pairs that outnumbers the pixels: the same as one pass.
  gr::PointsReduction onePass, halves;
  gr::ReducePoints(input.points, onePass, SIZE_MAX);
  gr::ReducePoints(input.points, halves, 0);
  FUZZ_CHECK(onePass.pixels == halves.pixels && onePass.discs == halves.discs &&
             onePass.barRuns.size() == halves.barRuns.size() &&
             onePass.highestMark == halves.highestMark &&
             onePass.lowestMark == halves.lowestMark && onePass.outside == halves.outside);

  gr::EndPlot();

  // A fitted view shows every pair and bar end a view can hold: only pairs
  // that are not numbers or too large stay outside.
  const std::optional<gr::PlotView> fitted = gr::FitView(contents, input.width);
  if (fitted) {
    FUZZ_CHECK(gr::ViewIsUsable(*fitted));
    gr::BeginPlotRanges(input.width, input.height, *fitted);
    int unusable = 0;
    for (std::size_t i = 0; i < input.points.x.size(); ++i)
      unusable += Usable(input.points.x[i]) && Usable(input.points.y[i]) ? 0 : 1;
    FUZZ_CHECK(layer.PairsOutside() == unusable);
    gr::EndPlot();

    // The same view framed, with titles and the caption in its quietest
    // corner: a bounded drawing whatever the view and the area's size.
    platform::RecordingCanvas framed;
    const gr::ViewFrame viewFrame = gr::LayOutViewFrame(framed, input.width, input.height, *fitted);
    FUZZ_CHECK(viewFrame.width >= 1 && viewFrame.height >= 1);
    gr::BeginPlotRanges(viewFrame.width, viewFrame.height, *fitted);
    gr::DrawViewFrame(framed, viewFrame, {"t in s", "U in V"});
    gr::DrawViewGrid(framed, viewFrame);
    const std::vector<std::string> caption = {"y = a sin (bx + c) + d", "a = 1,0 \xC2\xB1 0,1"};
    gr::PointsLayer framedLayer;
    framedLayer.SetPoints(input.points);
    const gr::PixelBox place = gr::QuietestCorner(
        gr::CaptionBox(framed, caption), [&](const gr::PixelBox& box) {
          // A framed huge area is just small enough for a grid of pixels,
          // too slow to fill here: its points are counted by the curve alone.
          return gr::MarksIn(contents, "SIN(X)*X", box) +
                 (input.hugeArea ? 0 : framedLayer.PixelsIn(box));
        });
    gr::DrawCaption(framed, place, caption);
    gr::EndPlot();
    FUZZ_CHECK(framed.Calls().size() < 20000);
  }
  timer.Check();
  return 0;
}
