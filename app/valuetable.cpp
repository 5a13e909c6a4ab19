#include "app/valuetable.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyle>
#include <QUndoStack>
#include <algorithm>


namespace app {

namespace {

// Every section fixed at the given size: the table is not resizable.
void FixSections(QHeaderView* header, int size) {
  header->setMinimumSectionSize(1);
  header->setDefaultSectionSize(size);
  header->setSectionResizeMode(QHeaderView::Fixed);
}

// Row 0 of the table's model alone, for the view above the cells.
class HeadingRowModel : public QAbstractTableModel {
 public:
  HeadingRowModel(ValueTableModel* source, QObject* parent)
      : QAbstractTableModel(parent), source_(source) {
    connect(source, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight,
                   const QList<int>& roles) {
              if (topLeft.row() == 0)
                emit dataChanged(index(0, topLeft.column()), index(0, bottomRight.column()), roles);
            });
    for (auto aboutTo : {&QAbstractItemModel::columnsAboutToBeInserted,
                         &QAbstractItemModel::columnsAboutToBeRemoved})
      connect(source, aboutTo, this, [this] { beginResetModel(); });
    for (auto done : {&QAbstractItemModel::columnsInserted, &QAbstractItemModel::columnsRemoved})
      connect(source, done, this, [this] { endResetModel(); });
  }
  int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 1; }
  int columnCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : source_->columnCount();
  }
  QVariant data(const QModelIndex& index, int role) const override {
    return source_->data(source_->index(0, index.column()), role);
  }
  Qt::ItemFlags flags(const QModelIndex&) const override { return Qt::ItemIsEnabled; }

 private:
  ValueTableModel* source_;
};

bool Contains(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QModelIndex& cell) {
  return cell.row() >= topLeft.row() && cell.row() <= bottomRight.row() &&
         cell.column() >= topLeft.column() && cell.column() <= bottomRight.column();
}

}  // namespace

ValueTable::ValueTable(QWidget* parent) : QTableView(parent) {
  model_ = new ValueTableModel(this);
  setModel(model_);
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                  QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
  setTabKeyNavigation(true);
  setShowGrid(true);
  setWordWrap(false);
  verticalHeader()->hide();
  FixSections(verticalHeader(), kRowHeight);
  FixSections(horizontalHeader(), kColumnWidth);
  // The header only reserves the strip above the cells; the heading row's
  // view covers it (see updateGeometries).
  horizontalHeader()->setFixedHeight(kRowHeight);
  horizontalHeader()->setSectionsClickable(false);
  horizontalHeader()->setHighlightSections(false);
  setRowHidden(0, true);
  BuildHeadingRow();

  connect(model_, &ValueTableModel::PairsChanged, this, &ValueTable::PairsChanged);
  QUndoStack* stack = &model_->UndoStack();
  connect(stack, &QUndoStack::indexChanged, this, &ValueTable::UndoStateChanged);
  connect(stack, &QUndoStack::cleanChanged, this, &ValueTable::UndoStateChanged);
  connect(model_, &ValueTableModel::SigmaShownChanged, this, [this](bool shown) {
    ApplyColumnWidths();
    emit SigmaColumnShownChanged(shown);
  });
  updateGeometries();
}

void ValueTable::BuildHeadingRow() {
  headingRow_ = new QTableView(this);
  headingRow_->setModel(new HeadingRowModel(model_, headingRow_));
  headingRow_->setFrameShape(QFrame::NoFrame);
  headingRow_->horizontalHeader()->hide();
  headingRow_->verticalHeader()->hide();
  FixSections(headingRow_->verticalHeader(), kRowHeight);
  FixSections(headingRow_->horizontalHeader(), kColumnWidth);
  headingRow_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  headingRow_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  headingRow_->setSelectionMode(QAbstractItemView::NoSelection);
  headingRow_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  headingRow_->setFocusPolicy(Qt::NoFocus);
  headingRow_->setAttribute(Qt::WA_TransparentForMouseEvents);
  connect(horizontalScrollBar(), &QScrollBar::valueChanged, headingRow_->horizontalScrollBar(),
          &QScrollBar::setValue);
}

void ValueTable::updateGeometries() {
  QTableView::updateGeometries();
  if (headingRow_ == nullptr) return;
  headingRow_->setGeometry(horizontalHeader()->geometry());
  headingRow_->raise();
}

// With the Δy column, all four share the width beside the scroll bar.
void ValueTable::ApplyColumnWidths() {
  const int columns = model_->columnCount();
  int width = kColumnWidth;
  if (columns > kColumns) {
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    width = std::min(kColumnWidth, (this->width() - scrollBar) / columns);
  }
  for (QHeaderView* header : {horizontalHeader(), headingRow_->horizontalHeader()}) {
    header->setDefaultSectionSize(width);
    for (int column = 0; column < header->count(); ++column) header->resizeSection(column, width);
  }
}

std::string ValueTable::CellLatin1(int row, int column) const {
  return model_->CellLatin1(row, column);
}

void ValueTable::CommitOpenEditor() {
  if (state() != QAbstractItemView::EditingState) return;
  // The table's only widgets in the viewport are its cell editors; closed
  // ones are hidden until they are deleted.
  for (auto* editor : viewport()->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly)) {
    if (editor->isHidden()) continue;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
  }
}

bool ValueTable::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
  const bool editing = QTableView::edit(index, trigger, event);
  if (editing && state() == QAbstractItemView::EditingState) editing_ = index;
  return editing;
}

void ValueTable::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
  editing_ = QPersistentModelIndex();
  QTableView::closeEditor(editor, hint);  // may open the next cell's editor (Tab)
}

// Changes of the model never reach an open editor: what the user is typing
// stays until it is committed (writing f(x) at the end of a computation, for
// one). Qt's views would otherwise reset an editor inside a changed range.
void ValueTable::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                             const QList<int>& roles) {
  // An editor opens on the current cell; editing_ says so when it was
  // opened elsewhere.
  const QModelIndex cell = editing_.isValid() ? QModelIndex(editing_) : currentIndex();
  if (state() != QAbstractItemView::EditingState || !cell.isValid() ||
      !Contains(topLeft, bottomRight, cell)) {
    QTableView::dataChanged(topLeft, bottomRight, roles);
    return;
  }
  const int top = topLeft.row(), bottom = bottomRight.row();
  const int left = topLeft.column(), right = bottomRight.column();
  const auto changed = [&](int r1, int c1, int r2, int c2) {
    if (r1 <= r2 && c1 <= c2)
      QTableView::dataChanged(model_->index(r1, c1), model_->index(r2, c2), roles);
  };
  changed(top, left, cell.row() - 1, right);
  changed(cell.row() + 1, left, bottom, right);
  changed(cell.row(), left, cell.row(), cell.column() - 1);
  changed(cell.row(), cell.column() + 1, cell.row(), right);
  update(cell);  // under the editor; shown once it closes
}

}  // namespace app
