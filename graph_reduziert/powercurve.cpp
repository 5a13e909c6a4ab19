// A periodogram drawn in the current frame: its power as a line reduced to
// the range of each pixel column, and the found frequencies marked; over b
// or over the period 2π/b.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <span>

#include "graph_reduziert/graph_reduziert.h"
#include "platform/canvas.h"

namespace graph_reduziert {

namespace {

// Joins points given in order of their columns, each column's points drawn
// as the vertical line of their range.
class ColumnLine {
 public:
  explicit ColumnLine(platform::Canvas& canvas) : canvas_(canvas) {}

  void Add(int c, int r) {
    if (started_ && c == column_) {
      top_ = std::min(top_, r), bottom_ = std::max(bottom_, r), lastRow_ = r;
      return;
    }
    if (started_) {
      Flush();
      canvas_.LineTo(c, r);
    }
    started_ = true;
    column_ = c, top_ = r, bottom_ = r, lastRow_ = r;
  }

  void Finish() {
    if (started_) Flush();
  }

 private:
  // The pen ends at the column's last point, from where the next column is
  // joined.
  void Flush() {
    canvas_.MoveTo(column_, top_);
    canvas_.LineTo(column_, bottom_ + 1);
    canvas_.MoveTo(column_, lastRow_);
  }

  platform::Canvas& canvas_;
  bool started_ = false;
  int column_ = 0, top_ = 0, bottom_ = 0, lastRow_ = 0;
};

}  // namespace

double SpectrumX(double b, SpectrumAxis axis) {
  if (axis == SpectrumAxis::kFrequency) return b;
  return b > 0 ? 2 * std::numbers::pi / b : std::nan("");
}

void DrawSpectrum(platform::Canvas& canvas, std::span<const double> power, double step,
                  platform::Color color, SpectrumAxis axis) {
  if (power.empty() || !(step > 0) || !std::isfinite(step)) return;
  const PlotFrame& f = Frame;
  const auto count = static_cast<double>(power.size());
  // Only the samples in view, and one beyond each edge so the line reaches it.
  double lowB = f.XMin, highB = f.XMax;
  if (axis == SpectrumAxis::kPeriod) {
    if (!(f.XMax > 0)) return;  // every period lies right of the view
    constexpr double kTwoPi = 2 * std::numbers::pi;
    lowB = kTwoPi / f.XMax;
    highB = f.XMin > 0 ? kTwoPi / f.XMin : HUGE_VAL;
  }
  if (!(lowB <= highB)) return;
  const auto from = static_cast<std::size_t>(std::clamp(std::floor(lowB / step) - 2, 0.0, count));
  const auto to = static_cast<std::size_t>(std::clamp(std::ceil(highB / step) + 1, 0.0, count));
  canvas.SetPenColor(color);
  canvas.SetPenStyle(platform::PenStyle::Solid);
  canvas.SetPenWidth(1);
  ColumnLine line(canvas);
  const auto add = [&](std::size_t k) {
    if (!std::isfinite(power[k])) return;
    const double x = SpectrumX(static_cast<double>(k + 1) * step, axis);
    line.Add(std::clamp(XToColumn(x), -2, f.PlotWidth + 2),
             std::clamp(YToRow(power[k]), -2, f.PlotHeight + 2));
  };
  // The period falls as b rises: from the last sample to the first.
  if (axis == SpectrumAxis::kPeriod) {
    for (std::size_t k = to; k-- > from;) add(k);
  } else {
    for (std::size_t k = from; k < to; ++k) add(k);
  }
  line.Finish();
}

void DrawFrequencyMark(platform::Canvas& canvas, double b, platform::Color color,
                       SpectrumAxis axis) {
  const double x = SpectrumX(b, axis);
  if (!std::isfinite(x)) return;
  const int column = XToColumn(x);
  if (column < 0 || column >= Frame.PlotWidth) return;
  canvas.SetPenColor(color);
  canvas.SetPenStyle(platform::PenStyle::Dotted);
  canvas.MoveTo(column, 0);
  canvas.LineTo(column, Frame.PlotHeight);
  canvas.SetPenStyle(platform::PenStyle::Solid);
  canvas.SetPenColor(platform::kBlack);
}

}  // namespace graph_reduziert
