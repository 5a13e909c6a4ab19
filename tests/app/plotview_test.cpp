// The plot's view in the window: the actions and gestures that change it, a
// fitted view on a real bitmap, the way back to the default picture, and the
// note about pairs out of view.

#include <QAction>
#include <QImage>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QtTest>
#include <cmath>
#include <memory>

#include "_grund/grund.h"
#include "app/controls.h"
#include "app/tform1.h"
#include "graph_reduziert/graph_reduziert.h"
#include "window_fixture.h"

namespace gr = graph_reduziert;

namespace {

const QColor kAqua(0, 255, 255);
const QColor kHintInk(80, 80, 80);

// The list a chosen fit writes, for n pairs on a sine in the thousands.
void FillFitList(grund::PlotList& list, int n) {
  grund::ClearPlotList(list);
  grund::AddPlotTerm(list, " ");
  grund::AddPlotTerm(list, "400*SIN(0,01*X)+2500");
  grund::AddPlotEntry(list, "#m");
  grund::AddPlotEntry(list, "...");
  for (int i = 0; i < n; ++i) {
    const double x = 1000 + 20 * i;
    grund::AddPlotEntry(list, grund::FormatPoint(x, 1, 5));
    grund::AddPlotEntry(list, grund::FormatPoint(400 * std::sin(0.01 * x) + 2500 + i % 7, 1, 5));
  }
  grund::AddPlotEntry(list, "...");
}

int HintPixels(const QImage& image) {
  int ink = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 400; x < image.width(); ++x) ink += image.pixelColor(x, y) == kHintInk;
  return ink;
}

}  // namespace

class PlotViewTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TForm1> form_;

  QImage Paint() { return window_fixture::Paint(*form_); }
  QAction* Action(const char* name) { return window_fixture::Action(*form_, name); }
  app::PlotBox* Plot() { return form_->PB4; }

 private slots:
  void init() { form_ = std::make_unique<TForm1>(); }
  void cleanup() { form_.reset(); }

  void actionsLeadThePlotsMenu() {
    QAction* fit = Action("actionFitView");
    QAction* standard = Action("actionDefaultView");
    QVERIFY(fit != nullptr && standard != nullptr);
    QCOMPARE(fit->text(), QStringLiteral("An Daten anpassen"));
    QCOMPARE(standard->text(), QStringLiteral("Standardansicht"));
    QCOMPARE(Plot()->contextMenuPolicy(), Qt::ActionsContextMenu);
    const QList<QAction*> actions = Plot()->actions();
    QVERIFY(actions.size() >= 3);
    QCOMPARE(actions[0], fit);
    QCOMPARE(actions[1], standard);
    QVERIFY(actions[2]->isSeparator());
    for (QAction* a : {fit, standard}) {
      QVERIFY(!a->toolTip().isEmpty() && !a->statusTip().isEmpty());
      QVERIFY(a->shortcut()[0].keyboardModifiers() & Qt::ControlModifier);
    }
  }

  // Every disc of a fitted view lies whole inside the bitmap, and the
  // default view brings back the very same picture as before.
  void fittedViewShowsEveryMarkAndDefaultViewRestoresThePicture() {
    FillFitList(*form_->PlotList(), 200);
    const QImage before = Paint();
    QVERIFY(HintPixels(before) > 0);  // all of them lie far outside x = -8 .. 8

    Action("actionFitView")->trigger();
    QVERIFY(form_->HasUserView());
    const QImage fitted = Paint();
    QCOMPARE(HintPixels(fitted), 0);
    // The view fills the framed area.
    const QRect area = form_->ViewArea();
    QVERIFY(area.width() > 600 && area.height() > 400);
    gr::BeginPlotRanges(area.width(), area.height(), form_->CurrentView());
    const gr::PlotContents contents = gr::ReadPlotContents(*form_->PlotList());
    QCOMPARE(static_cast<int>(contents.pairs.size()), 200);
    for (const gr::PlotPair& p : contents.pairs) {
      const int column = area.left() + gr::XToColumn(p.x);
      const int row = area.top() + gr::YToRow(p.y);
      QVERIFY(column - 3 >= area.left() && column + 4 <= area.right() + 1 &&
              row - 3 >= area.top() && row + 4 <= area.bottom() + 1);
      int aqua = 0;
      for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) aqua += fitted.pixelColor(column + dx, row + dy) == kAqua;
      QVERIFY2(aqua > 0, qPrintable(QStringLiteral("no disc at %1, %2").arg(column).arg(row)));
    }
    gr::EndPlot();

    form_->S11C();  // the view stays through table work
    QVERIFY(form_->HasUserView());
    Action("actionDefaultView")->trigger();
    QVERIFY(!form_->HasUserView());
    QCOMPARE(Paint(), before);
  }

  void examplePairsInTheDefaultViewGetNoNote() {
    grund::PlotList& list = *form_->PlotList();
    grund::ClearPlotList(list);
    for (const char* e : {"#m", "...", "1.5", "1.4", "-1.5", "1.2", "2.8", "0.1", "..."})
      grund::AddPlotEntry(list, e);
    QCOMPARE(HintPixels(Paint()), 0);
    grund::ClearPlotList(list);
    for (const char* e : {"#m", "...", "1.5", "1.4", "9", "0", "..."}) grund::AddPlotEntry(list, e);
    QVERIFY(HintPixels(Paint()) > 0);
  }

  void wheelZoomsAboutTheCursorAndDragPans() {
    const QPointF at(600, 100);
    const gr::PlotView start = form_->CurrentView();
    QWheelEvent wheel(at, Plot()->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(Plot(), &wheel);
    QVERIFY(form_->HasUserView());
    const gr::PlotView zoomed = form_->CurrentView();
    // The pair under the cursor stays there (to a pixel: the framed picture
    // lays out its numbers anew), though the zoomed view is framed.
    const QRect area = form_->ViewArea();
    QVERIFY(area.width() < 783 && area.height() < 499);
    const auto worldX = [&](const gr::PlotView& v, double left, double width) {
      return v.XMin + (v.XMax - v.XMin) * (at.x() - left) / width;
    };
    const auto worldY = [&](const gr::PlotView& v, double top, double height) {
      return v.YMax - (v.YMax - v.YMin) * (at.y() - top) / height;
    };
    const double xPixel = (start.XMax - start.XMin) / 783, yPixel = (start.YMax - start.YMin) / 499;
    QVERIFY(std::fabs(worldX(zoomed, area.left(), area.width()) - worldX(start, 0, 783)) < 2 * xPixel);
    QVERIFY(std::fabs(worldY(zoomed, area.top(), area.height()) - worldY(start, 0, 499)) < 2 * yPixel);
    // A notch shows 0,8 of the span, and a world unit keeps about its pixels.
    QVERIFY(std::fabs((zoomed.XMax - zoomed.XMin) / area.width() / (0.8 * xPixel) - 1) < 0.02);

    // Dragging right by a tenth of the area's width shows what lay left.
    const auto mouse = [&](QEvent::Type type, QPointF p, Qt::MouseButtons buttons) {
      QMouseEvent event(type, p, Plot()->mapToGlobal(p), Qt::LeftButton, buttons, Qt::NoModifier);
      QApplication::sendEvent(Plot(), &event);
    };
    const double tenth = area.width() / 10.0;
    mouse(QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton);
    mouse(QEvent::MouseMove, {150, 120}, Qt::LeftButton);
    mouse(QEvent::MouseMove, {100 + tenth, 149.9}, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, {100 + tenth, 149.9}, Qt::NoButton);
    const gr::PlotView panned = form_->CurrentView();
    const double span = zoomed.XMax - zoomed.XMin;
    QVERIFY(std::fabs(panned.XMin - (zoomed.XMin - span / 10)) < 1e-9);
    QVERIFY(panned.YMax > zoomed.YMax);

    // A plain click in the default view changes nothing; a double click fits.
    Action("actionDefaultView")->trigger();
    mouse(QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, {100, 100}, Qt::NoButton);
    QVERIFY(!form_->HasUserView());
    FillFitList(*form_->PlotList(), 3);
    mouse(QEvent::MouseButtonDblClick, {100, 100}, Qt::LeftButton);
    QVERIFY(form_->HasUserView());
    QVERIFY(form_->CurrentView().XMin > 900);
  }
};

QTEST_MAIN(PlotViewTest)
#include "plotview_test.moc"
