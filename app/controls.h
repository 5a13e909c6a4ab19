#pragma once
// Small widget classes behind three of the window's controls: the plot area,
// the result list and the result list's item painting.

#include <QListWidget>
#include <QStyledItemDelegate>
#include <QWidget>
#include <functional>

namespace app {

// The plot area PB4. It owns no picture of its own: every paint event runs
// the given handler (the window's PB4Paint), which paints the whole area anew.
// It reports the mouse gestures that change the view: the wheel, dragging
// with the left button, and a double click.
class PlotBox : public QWidget {
  Q_OBJECT
 public:
  PlotBox(QWidget* parent, std::function<void()> paint);
  // True while the handler runs inside this widget's paint event, the only
  // time a QPainter may draw on the widget.
  bool InPaintEvent() const { return inPaintEvent_; }

 signals:
  // Wheel turned by `notches` (120 eighths of a degree each, upwards > 0).
  void WheelTurned(QPointF position, double notches);
  void DragStarted(QPointF position);
  void Dragged(QPointF position);
  void DragEnded();
  void DoubleClicked(QPointF position);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  std::function<void()> paint_;
  bool inPaintEvent_ = false;
  bool dragging_ = false;
};

// The result list Listbox1: a list box that reports the user's choice of an
// entry, by a click or by moving to it with the keyboard, but not the
// changes the program makes to the list; and Ctrl+C, which copies the
// window's result lines rather than the list's current text.
class ResultListBox : public QListWidget {
  Q_OBJECT
 public:
  explicit ResultListBox(QWidget* parent = nullptr);

 signals:
  void EntryChosen();
  void CopyRequested();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

// Paints list entries in one line of a fixed height, with tab characters
// advancing to the next multiple of a tab width. QListWidget shows tabs as
// blanks by itself.
class TabStopDelegate : public QStyledItemDelegate {
 public:
  TabStopDelegate(int tabWidth, int itemHeight, QObject* parent = nullptr);
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  int tabWidth_;
  int itemHeight_;
};

}  // namespace app
