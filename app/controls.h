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
class PlotBox : public QWidget {
  Q_OBJECT
 public:
  PlotBox(QWidget* parent, std::function<void()> paint);
  // True while the handler runs inside this widget's paint event, the only
  // time a QPainter may draw on the widget.
  bool InPaintEvent() const { return inPaintEvent_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::function<void()> paint_;
  bool inPaintEvent_ = false;
};

// The result list Listbox1: a list box that reports the user's choice of an
// entry, by a click or by moving to it with the keyboard, but not the
// changes the program makes to the list.
class ResultListBox : public QListWidget {
  Q_OBJECT
 public:
  explicit ResultListBox(QWidget* parent = nullptr);

 signals:
  void EntryChosen();

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
