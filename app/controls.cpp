#include "app/controls.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QTextOption>
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

ResultListBox::ResultListBox(QWidget* parent) : QListWidget(parent) {
  connect(this, &QListWidget::itemClicked, this, &ResultListBox::EntryChosen);
}

void ResultListBox::keyPressEvent(QKeyEvent* event) {
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
