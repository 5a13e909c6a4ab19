// The plot area: painting it (PB4Paint, PaintPlot) and its view, fitted to
// the data, zoomed with the wheel, panned by dragging, or back to the
// default view. The ranges and ticks are worked out in graph_reduziert; this
// file wires them to PB4.

#include <QAction>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstdint>
#include <optional>
#include <tuple>
#include <utility>
#include <string>
#include <vector>

#include "_grund/grund.h"
#include "app/controls.h"
#include "app/tablepairs.h"
#include "app/tform1.h"
#include "app/valuetable.h"
#include "graph_reduziert/graph_reduziert.h"
#include "platform/qtcanvas.h"

namespace app {

namespace {

// One wheel notch shows this share of the span (zooming in).
constexpr double kZoomPerNotch = 0.8;
// Bounds how far one wheel event zooms, whatever the device reports.
constexpr double kMaxNotches = 10;

}  // namespace

void TForm1::PB4Paint() {
  if (!PB4->InPaintEvent()) {
    PB4->repaint();
    return;
  }
  // A fresh white bitmap the size of the area, drawn on and copied over.
  QImage bitmap = platform::QtCanvas::NewBitmap(PB4->width(), PB4->height());
  {
    platform::QtCanvas canvas(bitmap);
    PaintPlot(canvas);
  }
  QPainter(PB4).drawImage(0, 0, bitmap);
}

void TForm1::PaintPlot(platform::Canvas& canvas) {
  canvas.SetTransparentTextBackground();
  canvas.SetFont("Verdana", 9);
  std::optional<graph_reduziert::ViewFrame> frame;
  if (userView_) {
    // A user view: the data framed, numbers and titles outside the frame.
    frame = graph_reduziert::LayOutViewFrame(canvas, PB4->width(), PB4->height(), *userView_);
    graph_reduziert::BeginPlotRanges(frame->width, frame->height, *userView_);
    titleBoxes_ = graph_reduziert::DrawViewFrame(
        canvas, *frame, PeriodogramShown() ? PeriodogramTitles() : ShownTitles());
    canvas.BeginArea(frame->left, frame->top, frame->width, frame->height);
    graph_reduziert::DrawViewGrid(canvas, *frame);
  } else {
    graph_reduziert::BeginPlot(PB4->width(), PB4->height(), 8, -8);
    titleBoxes_ = {};
    graph_reduziert::DrawAxes(canvas);
  }
  if (PeriodogramShown()) {
    PaintPeriodogram(canvas);
  } else if (grund::PlotList* list = PlotList()) {
    // A closed window has released its list: the frame alone.
    // Under the curve and the marks, so both stay whole.
    if (actionShowResiduals != nullptr && actionShowResiduals->isChecked()) {
      graph_reduziert::DrawResidualLines(canvas, *list);
      if (!points_.Empty()) points_.DrawResiduals(canvas, ShownTerm());
    }
    graph_reduziert::DrawPlotList(canvas, *list);
    // Drawn like the list's marks, after its curve.
    if (!points_.Empty()) points_.Draw(canvas);
  }
  if (!PeriodogramShown()) {
    const int outside = DrawViewHint(canvas);
    DrawResultCaption(canvas, outside > 0);
  }
  if (frame) canvas.EndArea();
  graph_reduziert::EndPlot();
}

graph_reduziert::AxisTitles TForm1::ShownTitles() const {
  graph_reduziert::AxisTitles titles;
  if (!axisTitles_.x.isEmpty()) titles.x = axisTitles_.x.toStdString();
  if (!axisTitles_.y.isEmpty()) titles.y = axisTitles_.y.toStdString();
  return titles;
}

void TForm1::DrawResultCaption(platform::Canvas& canvas, bool hintShown) const {
  if (actionResultInPlot == nullptr || !actionResultInPlot->isChecked() || captionLines_.empty())
    return;
  const grund::PlotList* list = PlotList();
  graph_reduziert::PlotContents contents;
  if (list != nullptr) contents = graph_reduziert::ReadPlotContents(*list);
  const std::string term = ShownTerm();
  const graph_reduziert::PixelBox size = graph_reduziert::CaptionBox(canvas, captionLines_);
  // The corner is looked for once per view, pairs, curve and caption: a
  // repaint of the same picture takes the place found before.
  CaptionPlace place{CurrentView(), PB4->size(), size, hintShown,
                     list != nullptr ? list->Entries : std::vector<std::string>{}};
  if (!(captionPlace_ && captionPlace_->first == place)) {
    const int hintBottom = canvas.TextHeight("0") + 10;
    const auto marksIn = [&](const graph_reduziert::PixelBox& box) {
      std::int64_t marks = graph_reduziert::MarksIn(contents, term, box);
      if (!points_.Empty()) marks += points_.PixelsIn(box);
      // The note about pairs out of view stands in the top right corner.
      if (hintShown && box.top < hintBottom &&
          box.left + box.width > graph_reduziert::Frame.PlotWidth / 2)
        marks = INT64_MAX / 2;
      return marks;
    };
    captionPlace_.emplace(std::move(place), graph_reduziert::QuietestCorner(size, marksIn));
  }
  graph_reduziert::DrawCaption(canvas, captionPlace_->second, captionLines_);
}

void TForm1::ConnectPlotGestures() {
  PB4->setToolTip(
      QStringLiteral("Mausrad: vergrößern/verkleinern · Ziehen: verschieben · "
                     "Doppelklick: an Daten anpassen · Rechtsklick: Ansicht"));
  connect(PB4, &PlotBox::WheelTurned, this, &TForm1::ZoomViewAt);
  connect(PB4, &PlotBox::DragStarted, this, &TForm1::StartDrag);
  connect(PB4, &PlotBox::Dragged, this, &TForm1::DragTo);
  connect(PB4, &PlotBox::DragEnded, this, [this] { dragStartView_.reset(); });
  connect(PB4, &PlotBox::DoubleClicked, this, [this](QPointF at) {
    // On an axis title: its dialog; anywhere else: the view fitted.
    const QPoint p = at.toPoint();
    const graph_reduziert::PixelBox spot{p.x(), p.y(), 1, 1};
    if (userView_ && !PeriodogramShown() &&
        (titleBoxes_.x.Meets(spot) || titleBoxes_.y.Meets(spot)))
      EditAxisTitles();
    else
      FitViewToData();
  });
}

QRect TForm1::ViewArea() const {
  if (!userView_) return PB4->rect();
  return FrameArea(*userView_);
}

QRect TForm1::FrameArea(const graph_reduziert::PlotView& view) const {
  // Laid out as PaintPlot lays it out, in the font of the window's bitmap.
  QImage probe = platform::QtCanvas::NewBitmap(1, 1);
  platform::QtCanvas canvas(probe);
  canvas.SetFont("Verdana", 9);
  const graph_reduziert::ViewFrame f =
      graph_reduziert::LayOutViewFrame(canvas, PB4->width(), PB4->height(), view);
  return QRect(f.left, f.top, f.width, f.height);
}

std::pair<graph_reduziert::PlotView, QRect> TForm1::GestureView() const {
  if (userView_) return {*userView_, ViewArea()};
  // The default picture leaves for a framed one: the part of it that the
  // frame's area covers, so that the first zoom or drag keeps every pair
  // where it was.
  const int width = PB4->width(), height = PB4->height();
  const graph_reduziert::PlotView whole = graph_reduziert::DefaultView(width, height);
  if (width <= 0 || height <= 0) return {whole, PB4->rect()};
  const QRect area = FrameArea(whole);
  const double xPerPixel = (whole.XMax - whole.XMin) / width;
  const double yPerPixel = (whole.YMax - whole.YMin) / height;
  const graph_reduziert::PlotView part{
      whole.XMin + area.left() * xPerPixel, whole.XMin + (area.left() + area.width()) * xPerPixel,
      whole.YMax - (area.top() + area.height()) * yPerPixel, whole.YMax - area.top() * yPerPixel};
  return {part, area};
}

graph_reduziert::PlotView TForm1::CurrentView() const {
  return userView_ ? *userView_ : graph_reduziert::DefaultView(PB4->width(), PB4->height());
}

void TForm1::SetUserView(const graph_reduziert::PlotView& view) {
  userView_ = view;
  StateChanged();
  PB4->update();
}

void TForm1::FitViewToData() {
  if (PeriodogramShown()) {
    if (const auto view = PeriodogramFitView()) SetUserView(*view);
    return;
  }
  if (const auto view = FittedView()) {
    SetUserView(*view);
  } else {
    ShowDefaultView();  // nothing to show: the familiar frame
  }
}

std::optional<graph_reduziert::PlotView> TForm1::FittedView() const {
  // The pairs drawn and those in the table now (they may have been typed
  // since the last computation), with the curves drawn.
  graph_reduziert::PlotContents contents;
  if (const grund::PlotList* list = PlotList()) contents = graph_reduziert::ReadPlotContents(*list);
  if (!points_.Empty()) contents.points = &points_.Points();
  // Pairs shown without a curve are the table's numeric pairs already.
  if (!pairsOnlyShown_) {
    const TablePairs pairs = ReadNumericPairs(*SG4);
    contents.pairs.reserve(pairs.x.size());
    for (std::size_t i = 0; i < pairs.x.size(); ++i)
      contents.pairs.push_back({pairs.x[i], pairs.y[i]});
  }
  return graph_reduziert::FitView(contents, ViewArea().width());
}

void TForm1::ShowDefaultView() {
  if (PeriodogramShown()) actionPeriodogram->setChecked(false);
  userView_.reset();
  StateChanged();
  dragStartView_.reset();
  PB4->update();
}

void TForm1::ZoomViewAt(QPointF position, double notches) {
  if (!std::isfinite(notches)) return;
  notches = std::fmax(-kMaxNotches, std::fmin(kMaxNotches, notches));
  const double factor = std::pow(kZoomPerNotch, notches);
  const auto [view, area] = GestureView();
  const auto zoomed = graph_reduziert::ZoomView(view, area.width(), area.height(),
                                                position.x() - area.left(),
                                                position.y() - area.top(), factor);
  if (userView_ || !(zoomed == view)) SetUserView(zoomed);
}

void TForm1::StartDrag(QPointF position) {
  std::tie(dragStartView_, dragArea_) = GestureView();
  dragStart_ = position;
}

void TForm1::DragTo(QPointF position) {
  if (!dragStartView_) return;
  const QPointF moved = position - dragStart_;
  if (!userView_ && moved.isNull()) return;  // a click, not a drag
  // From where the drag began, so that rounding does not add up.
  SetUserView(graph_reduziert::PanView(*dragStartView_, dragArea_.width(), dragArea_.height(),
                                       moved.x(), moved.y()));
}

int TForm1::DrawViewHint(platform::Canvas& canvas) const {
  const grund::PlotList* list = PlotList();
  if (list == nullptr || (list->Entries.empty() && points_.Empty())) return 0;
  int outside = graph_reduziert::CountPairsOutside(graph_reduziert::ReadPlotContents(*list));
  if (!points_.Empty()) outside += points_.PairsOutside();
  graph_reduziert::DrawOutsideHint(canvas, outside);
  return outside;
}

std::string TForm1::ShownTerm() const {
  const grund::PlotList* list = PlotList();
  if (list == nullptr) return {};
  const std::vector<std::string> terms = graph_reduziert::ReadPlotContents(*list).terms;
  for (auto term = terms.rbegin(); term != terms.rend(); ++term)
    if (term->find_first_not_of(' ') != std::string::npos) return *term;
  return {};
}

namespace {

// Beyond the table's 200 pairs, or with error bars, the pairs are drawn
// from their numbers, reduced per pixel; otherwise from the plot list's
// texts, as they always have been.
bool DrawnFromNumbers(const TablePairs& pairs) {
  return pairs.x.size() > sinusfit::kTablePairs || !pairs.sigmaY.empty();
}

graph_reduziert::PlotPoints PointsOf(const TablePairs& pairs) {
  return {pairs.x, pairs.y, BarsOf(pairs.sigmaY, pairs.x.size())};
}

}  // namespace

void TForm1::ShowCurveWithPairs(std::string_view term, const TablePairs& pairs,
                                const sinusfit::TextPrecision& precision) {
  pairsOnlyShown_ = false;
  pointsVersion_ = pairsVersion_;  // the pairs are the table's as it stands
  // A closed window has released its list.
  if (grund::PlotList* list = PlotList()) {
    if (DrawnFromNumbers(pairs)) {
      sinusfit::BeginResultPlotList(*list, term);
      sinusfit::EndResultPlotList(*list);
      points_.SetPoints(PointsOf(pairs));
      captionPlace_.reset();
    } else {
      points_.SetPoints({});
      captionPlace_.reset();
      sinusfit::BeginResultPlotList(*list, term);
      for (std::size_t i = 0; i < pairs.x.size(); ++i)
        sinusfit::AddPlotPair(*list, pairs.x[i], pairs.y[i], precision);
      sinusfit::EndResultPlotList(*list);
    }
  }
  PB4Paint();
}

void TForm1::ShowPairsOnly(graph_reduziert::PlotPoints pairs) {
  grund::PlotList* list = PlotList();
  if (list == nullptr) return;
  // The pairs just opened, without a curve, in a view that shows them all.
  grund::ClearPlotList(*list);
  points_.SetPoints(std::move(pairs));
  pointsVersion_ = 0;  // the file's numbers, which the table's texts may round
  captionPlace_.reset();
  pairsOnlyShown_ = !points_.Empty();
  FitViewToData();
  PB4Paint();
}

void TForm1::ForgetPairsOnly() {
  // Pairs shown without a curve are the table's: once it changes, they go.
  if (!pairsOnlyShown_) return;
  pairsOnlyShown_ = false;
  points_.SetPoints({});
  captionPlace_.reset();
  PB4->update();
}

}  // namespace app
