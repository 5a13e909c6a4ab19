// Views the user chooses: fitting one to the data, zooming and panning, and
// the choice of tick steps of 1, 2 or 5 * 10^k.

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>

#include "_grund/grund.h"
#include "fktint/fktint.h"
#include "graph_reduziert/graph_reduziert.h"
#include "graph_reduziert/pointsreduction.h"

namespace graph_reduziert {

namespace {

// Share of the data's span left free on each side of a fitted view.
constexpr double kFitMargin = 0.06;
// Curves widen a fitted view by at most this many data heights each way.
constexpr double kCurveReach = 2;
// Bounds the search for a tick step: from the smallest view span up to the
// largest, 1, 2, 5 * 10^k covers far fewer candidates than this.
constexpr int kMaxStepCandidates = 120;
// Bounds the ticks of one axis; spacing keeps real axes far below it.
constexpr int kMaxTicks = 1000;

double MinSpan(double lo, double hi) {
  return std::max(kMinViewSpan, kMinViewSpanRelative * std::max(std::fabs(lo), std::fabs(hi)));
}

bool AxisIsUsable(double lo, double hi) {
  return std::isfinite(lo) && std::isfinite(hi) && lo >= -kViewLimit && hi <= kViewLimit &&
         hi - lo >= MinSpan(lo, hi);
}

struct Extent {
  double lo = 0, hi = 0;
  bool any = false;
  void Add(double v) {
    if (!Usable(v)) return;
    lo = any ? std::min(lo, v) : v;
    hi = any ? std::max(hi, v) : v;
    any = true;
  }
};

// A range around the extent: with a margin when it has a width, else a
// range of a twentieth of the value (or 1 around 0) each way. Always usable.
void Widen(double& lo, double& hi) {
  double span = hi - lo;
  if (span < MinSpan(lo, hi)) {
    const double centre = lo / 2 + hi / 2;
    const double half = centre == 0 ? 1 : std::max(std::fabs(centre) / 20, MinSpan(lo, hi));
    lo = centre - half;
    hi = centre + half;
  } else {
    lo -= span * kFitMargin;
    hi += span * kFitMargin;
  }
  lo = std::max(lo, -kViewLimit);
  hi = std::min(hi, kViewLimit);
  span = hi - lo;
  if (span < MinSpan(lo, hi)) {  // squeezed against a limit
    if (lo <= -kViewLimit)
      hi = lo + MinSpan(lo, hi);
    else
      lo = hi - MinSpan(lo, hi);
  }
}

// The term's values at `samples` evenly spread x values, as far as they
// evaluate without failure.
void AddCurve(Extent& extent, const std::string& term, double xLo, double xHi, int samples) {
  for (int i = 0; i <= samples; ++i) {
    const double x = xLo + (xHi - xLo) * i / samples;
    const double y = fktint::EvaluateTerm(term, x);
    if (fktint::EvalError == 0) extent.Add(y);
  }
}

// The points' pairs and bar ends, as plain minima and maxima: a million
// points take a few milliseconds.
void AddPoints(Extent& xs, Extent& ys, const PlotPoints& points) {
  double xLo = INFINITY, xHi = -INFINITY, yLo = INFINITY, yHi = -INFINITY;
  const std::size_t n = PairCount(points);
  for (std::size_t i = 0; i < n; ++i) {
    const double x = points.x[i], y = points.y[i];
    if (!Usable(x) || !Usable(y)) continue;
    xLo = std::min(xLo, x), xHi = std::max(xHi, x);
    yLo = std::min(yLo, y), yHi = std::max(yHi, y);
    const double sigma = BarOf(points, i);
    if (sigma == 0) continue;
    if (Usable(y + sigma)) yHi = std::max(yHi, y + sigma);
    if (Usable(y - sigma)) yLo = std::min(yLo, y - sigma);
  }
  if (!(xLo <= xHi)) return;
  xs.Add(xLo), xs.Add(xHi);
  ys.Add(yLo), ys.Add(yHi);
}

double PowerOfTen(int exponent) {
  double p = 1;
  for (int i = 0; i < std::abs(exponent); ++i) p *= 10;
  return p;
}

}  // namespace

PlotView DefaultView(int width, int height) {
  const double aspect = static_cast<double>(height) / width;
  return {-8, 8, -8 * aspect, 8 * aspect};
}

bool ViewIsUsable(const PlotView& v) {
  return AxisIsUsable(v.XMin, v.XMax) && AxisIsUsable(v.YMin, v.YMax);
}

PlotContents ReadPlotContents(const grund::PlotList& list) {
  PlotContents contents;
  const auto& e = list.Entries;
  std::size_t i = 0;
  while (i < e.size()) {
    const std::string& tag = e[i++];
    if (i >= e.size()) break;
    const std::string& second = e[i++];
    const char kind = tag.size() >= 2 ? tag[1] : '\0';
    if (kind == 'F') {
      contents.terms.push_back(second);
    } else if (kind == 'm') {
      while (i < e.size()) {
        const std::string& xText = e[i++];
        if (xText == "..." || i >= e.size()) break;
        const std::string& yText = e[i++];
        contents.pairs.push_back(
            {grund::ParseNumber(xText).value, grund::ParseNumber(yText).value});
        if (yText == "...") break;
      }
    }
  }
  return contents;
}

std::optional<PlotView> FitView(const PlotContents& contents, int width) {
  Extent xs, ys;
  for (const PlotPair& p : contents.pairs) {
    if (!Usable(p.x) || !Usable(p.y)) continue;
    xs.Add(p.x);
    ys.Add(p.y);
  }
  if (contents.points != nullptr) AddPoints(xs, ys, *contents.points);
  if (!xs.any) return std::nullopt;
  PlotView view{xs.lo, xs.hi, 0, 0};
  Widen(view.XMin, view.XMax);

  // The curves over the view's x range, held within reach of the pairs.
  double height = std::max(ys.hi - ys.lo, std::max(std::fabs(ys.lo), std::fabs(ys.hi)) / 10);
  if (!(height > 0)) height = 1;
  const double floor = ys.lo - kCurveReach * height;
  const double ceiling = ys.hi + kCurveReach * height;
  Extent curves;
  for (const std::string& term : contents.terms)
    AddCurve(curves, term, view.XMin, view.XMax, std::max(width, 16));
  if (curves.any) {
    ys.Add(std::clamp(curves.lo, floor, ceiling));
    ys.Add(std::clamp(curves.hi, floor, ceiling));
  }
  view.YMin = ys.lo;
  view.YMax = ys.hi;
  Widen(view.YMin, view.YMax);
  return view;
}

PlotView ZoomView(const PlotView& v, int width, int height, double column, double row,
                  double factor) {
  if (!(factor > 0) || !std::isfinite(factor) || width <= 0 || height <= 0) return v;
  const double fx = column / width;  // share of the width left of the point
  const double fy = row / height;    // share of the height above it
  const double x = v.XMin + (v.XMax - v.XMin) * fx;
  const double y = v.YMax - (v.YMax - v.YMin) * fy;
  const double xSpan = (v.XMax - v.XMin) * factor;
  const double ySpan = (v.YMax - v.YMin) * factor;
  PlotView zoomed;
  zoomed.XMin = x - xSpan * fx;
  zoomed.XMax = zoomed.XMin + xSpan;
  zoomed.YMax = y + ySpan * fy;
  zoomed.YMin = zoomed.YMax - ySpan;
  return ViewIsUsable(zoomed) ? zoomed : v;
}

PlotView PanView(const PlotView& v, int width, int height, double dx, double dy) {
  if (width <= 0 || height <= 0 || !std::isfinite(dx) || !std::isfinite(dy)) return v;
  const double shiftX = -dx * (v.XMax - v.XMin) / width;
  const double shiftY = dy * (v.YMax - v.YMin) / height;
  PlotView moved{v.XMin + shiftX, v.XMax + shiftX, v.YMin + shiftY, v.YMax + shiftY};
  return ViewIsUsable(moved) ? moved : v;
}

int CountPairsOutside(const PlotContents& contents) {
  const PlotFrame& f = Frame;
  std::int64_t outside = 0;
  for (const PlotPair& p : contents.pairs) {
    const bool inside = p.x >= f.XMin && p.x <= f.XMax && p.y >= f.YMin && p.y <= f.YMax;
    outside += inside ? 0 : 1;  // NaN compares false: outside
  }
  if (const PlotPoints* points = contents.points) {
    const std::size_t n = PairCount(*points);
    for (std::size_t i = 0; i < n; ++i)
      outside += PointOutside(f, points->x[i], points->y[i], BarOf(*points, i)) ? 1 : 0;
  }
  return static_cast<int>(std::min<std::int64_t>(outside, INT32_MAX));
}

double AxisTicks::Value(int i) const {
  const double index = static_cast<double>(first + i);
  const double power = PowerOfTen(exponent);
  // Dividing by an exact power of ten keeps 3 * 0.1 at the double nearest 0.3.
  return exponent < 0 ? index * mantissa / power : index * mantissa * power;
}

AxisTicks ChooseTicks(double lo, double hi, int pixels, int minSpacing, int gap,
                      const LabelExtent& extent) {
  AxisTicks t;
  if (!AxisIsUsable(lo, hi) || pixels <= 0) return t;
  const double span = hi - lo;
  const double smallest = span * std::max(minSpacing, 1) / pixels;
  int exponent = static_cast<int>(std::floor(std::log10(smallest)));
  static constexpr std::array<double, 3> kMantissas{1, 2, 5};
  std::size_t m = 0;
  for (int candidate = 0; candidate < kMaxStepCandidates; ++candidate) {
    t.mantissa = kMantissas[m];
    t.exponent = exponent;
    const double power = PowerOfTen(exponent);
    t.step = exponent < 0 ? t.mantissa / power : t.mantissa * power;
    t.decimals = std::max(0, -exponent);
    const double spacing = t.step / span * pixels;
    if (spacing >= minSpacing) {
      t.first = static_cast<std::int64_t>(std::ceil(lo / t.step));
      const auto last = static_cast<std::int64_t>(std::floor(hi / t.step));
      t.count = static_cast<int>(std::clamp<std::int64_t>(last - t.first + 1, 0, kMaxTicks));
      int widest = 0;
      for (int i = 0; i < t.count; ++i)
        widest = std::max(widest, extent ? extent(TickLabel(t.Value(i), t.decimals)) : 0);
      if (spacing >= widest + gap) return t;
    }
    if (++m == kMantissas.size()) {
      m = 0;
      ++exponent;
    }
  }
  return AxisTicks{};
}

std::string TickLabel(double value, int decimals) {
  std::array<char, 400> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                    std::chars_format::fixed, std::clamp(decimals, 0, 40));
  if (result.ec != std::errc{}) return "?";
  std::string text(buffer.data(), result.ptr);
  bool zero = true;
  for (char& c : text) {
    if (c == '.') c = ',';
    if (c >= '1' && c <= '9') zero = false;
  }
  if (zero && !text.empty() && text[0] == '-') text.erase(0, 1);
  return text;
}

}  // namespace graph_reduziert
