#include "app/controls.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QTextOption>
#include <QWheelEvent>
#include <utility>

namespace app {

PlotBox::PlotBox(QWidget* parent, std::function<void()> paint)
    : QWidget(parent), paint_(std::move(paint)) {
  setAttribute(Qt::WA_OpaquePaintEvent);  // the handler covers every pixel
}

void PlotBox::paintEvent(QPaintEvent*) {
  const QScopedValueRollback<bool> inPaint(inPaintEvent_, true);
  if (paint_) paint_();
}

void PlotBox::wheelEvent(QWheelEvent* event) {
  const double notches = event->angleDelta().y() / 120.0;
  if (notches != 0) emit WheelTurned(event->position(), notches);
  event->accept();
}

void PlotBox::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  dragging_ = true;
  setCursor(Qt::ClosedHandCursor);
  emit DragStarted(event->position());
}

void PlotBox::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_ && (event->buttons() & Qt::LeftButton)) emit Dragged(event->position());
}

void PlotBox::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !dragging_) return QWidget::mouseReleaseEvent(event);
  dragging_ = false;
  unsetCursor();
  emit DragEnded();
}

void PlotBox::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mouseDoubleClickEvent(event);
  emit DoubleClicked(event->position());
}

ResultListBox::ResultListBox(QWidget* parent) : QListWidget(parent) {
  connect(this, &QListWidget::itemClicked, this, &ResultListBox::EntryChosen);
}

void ResultListBox::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    emit CopyRequested();
    event->accept();
    return;
  }
  const int before = currentRow();
  QListWidget::keyPressEvent(event);
  if (currentRow() != before && currentRow() >= 0) emit EntryChosen();
}

TabStopDelegate::TabStopDelegate(int tabWidth, int itemHeight, QObject* parent)
    : QStyledItemDelegate(parent), tabWidth_(tabWidth), itemHeight_(itemHeight) {}

void TabStopDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
  QStyleOptionViewItem item(option);
  initStyleOption(&item, index);
  const QString text = item.text;
  item.text.clear();
  const QWidget* widget = item.widget;
  const QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
  style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);  // background, selection

  const QPalette::ColorGroup group = !(item.state & QStyle::State_Enabled) ? QPalette::Disabled
                                     : (item.state & QStyle::State_Active) ? QPalette::Active
                                                                           : QPalette::Inactive;
  const QPalette::ColorRole role =
      (item.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text;
  QTextOption layout(Qt::AlignLeft | Qt::AlignVCenter);
  layout.setWrapMode(QTextOption::NoWrap);
  layout.setTabStopDistance(tabWidth_);
  painter->save();
  painter->setFont(item.font);
  painter->setPen(item.palette.color(group, role));
  painter->drawText(QRectF(item.rect.adjusted(2, 0, -2, 0)), text, layout);
  painter->restore();
}

QSize TabStopDelegate::sizeHint(const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
  return {QStyledItemDelegate::sizeHint(option, index).width(), itemHeight_};
}

}  // namespace app
