// The plot's view: fitting it to the data, zooming with the wheel, panning
// by dragging, and going back to the default view. The ranges and ticks are
// worked out in graph_reduziert; this file wires them to PB4.

#include <QAction>
#include <QKeySequence>
#include <cmath>

#include "_grund/grund.h"
#include "app/controls.h"
#include "app/tform1.h"
#include "app/valuetable.h"
#include "graph_reduziert/graph_reduziert.h"

namespace app {

namespace {

// One wheel notch shows this share of the span (zooming in).
constexpr double kZoomPerNotch = 0.8;
// Bounds how far one wheel event zooms, whatever the device reports.
constexpr double kMaxNotches = 10;

QAction* NewAction(QObject* parent, const char* name, const QString& text, const QKeySequence& keys,
                   const QString& tip) {
  auto* action = new QAction(text, parent);
  action->setObjectName(QString::fromLatin1(name));
  action->setShortcut(keys);
  action->setToolTip(tip);
  action->setStatusTip(tip);
  return action;
}

}  // namespace

void TForm1::BuildViewActions() {
  actionFitView_ = NewAction(
      this, "actionFitView", QStringLiteral("An Daten anpassen"),
      QKeySequence(Qt::CTRL | Qt::Key_F),
      QStringLiteral("Wählt die Achsen so, dass alle Wertepaare und die Kurve zu sehen sind "
                     "(auch Doppelklick in die Grafik)"));
  actionDefaultView_ = NewAction(
      this, "actionDefaultView", QStringLiteral("Standardansicht"),
      QKeySequence(Qt::CTRL | Qt::Key_0),
      QStringLiteral("Zeigt wieder x von -8 bis 8 mit gleichem Maßstab auf beiden Achsen"));
  connect(actionFitView_, &QAction::triggered, this, &TForm1::FitViewToData);
  connect(actionDefaultView_, &QAction::triggered, this, &TForm1::ShowDefaultView);

  // The view entries come first in the plot's menu; later groups follow
  // after the separator.
  auto* separator = new QAction(this);
  separator->setSeparator(true);
  PB4->setContextMenuPolicy(Qt::ActionsContextMenu);
  PB4->addAction(actionFitView_);
  PB4->addAction(actionDefaultView_);
  PB4->addAction(separator);
  PB4->setToolTip(
      QStringLiteral("Mausrad: vergrößern/verkleinern · Ziehen: verschieben · "
                     "Doppelklick: an Daten anpassen · Rechtsklick: Ansicht"));

  connect(PB4, &PlotBox::WheelTurned, this, &TForm1::ZoomViewAt);
  connect(PB4, &PlotBox::DragStarted, this, &TForm1::StartDrag);
  connect(PB4, &PlotBox::Dragged, this, &TForm1::DragTo);
  connect(PB4, &PlotBox::DragEnded, this, [this] { dragStartView_.reset(); });
  connect(PB4, &PlotBox::DoubleClicked, this, [this] { FitViewToData(); });
}

graph_reduziert::PlotView TForm1::CurrentView() const {
  return userView_ ? *userView_ : graph_reduziert::DefaultView(PB4->width(), PB4->height());
}

void TForm1::SetUserView(const graph_reduziert::PlotView& view) {
  userView_ = view;
  PB4->update();
}

void TForm1::FitViewToData() {
  // The pairs drawn and those in the table now (they may have been typed
  // since the last computation), with the curves drawn.
  graph_reduziert::PlotContents contents;
  if (const grund::PlotList* list = PlotList()) contents = graph_reduziert::ReadPlotContents(*list);
  for (int row = 1; row < ValueTable::kRows; ++row) {
    const std::string x = SG4->CellLatin1(row, 0);
    const std::string y = SG4->CellLatin1(row, 1);
    if (x.empty() || y.empty()) continue;
    const grund::ParsedNumber px = grund::ParseNumber(grund::CommaToPoint(x));
    const grund::ParsedNumber py = grund::ParseNumber(grund::CommaToPoint(y));
    if (px.ok && py.ok) contents.pairs.push_back({px.value, py.value});
  }
  const auto view = graph_reduziert::FitView(contents, PB4->width());
  if (view) {
    SetUserView(*view);
  } else {
    ShowDefaultView();  // nothing to show: the familiar frame
  }
}

void TForm1::ShowDefaultView() {
  userView_.reset();
  dragStartView_.reset();
  PB4->update();
}

void TForm1::ZoomViewAt(QPointF position, double notches) {
  if (!std::isfinite(notches)) return;
  notches = std::fmax(-kMaxNotches, std::fmin(kMaxNotches, notches));
  const double factor = std::pow(kZoomPerNotch, notches);
  const auto zoomed = graph_reduziert::ZoomView(CurrentView(), PB4->width(), PB4->height(),
                                                position.x(), position.y(), factor);
  if (userView_ || !(zoomed == CurrentView())) SetUserView(zoomed);
}

void TForm1::StartDrag(QPointF position) {
  dragStartView_ = CurrentView();
  dragStart_ = position;
}

void TForm1::DragTo(QPointF position) {
  if (!dragStartView_) return;
  const QPointF moved = position - dragStart_;
  if (!userView_ && moved.isNull()) return;  // a click, not a drag
  // From where the drag began, so that rounding does not add up.
  SetUserView(
      graph_reduziert::PanView(*dragStartView_, PB4->width(), PB4->height(), moved.x(), moved.y()));
}

void TForm1::DrawViewHint(platform::Canvas& canvas) const {
  const grund::PlotList* list = PlotList();
  if (list == nullptr || list->Entries.empty()) return;
  const int outside = graph_reduziert::CountPairsOutside(graph_reduziert::ReadPlotContents(*list));
  graph_reduziert::DrawOutsideHint(canvas, outside);
}

}  // namespace app
