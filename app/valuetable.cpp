#include "app/valuetable.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyle>
#include <QUndoStack>
#include <algorithm>
#include <utility>

#include "app/sigmafill.h"
#include "app/tablecommands.h"
#include "platform/qtlatin1.h"

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

void ValueTable::SetCellLatin1(int row, int column, std::string_view text) {
  CommitOpenEditor();
  if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return;
  if (row == 0) {
    model_->SetHeading(column, platform::FromLatin1(text));
    return;
  }
  CellBatch cell;
  cell.Add(row, column, text);
  model_->EditCells(QStringLiteral("Zelle bearbeiten"), std::move(cell), model_->PairRows(), false);
}

bool ValueTable::IsCleared() const {
  const TableContents& contents = Contents();
  if (contents.Rows() != ValueTableModel::kStartPairRows) return false;
  for (int i = 0; i < contents.Rows(); ++i)
    for (int column = 0; column < columnCount(); ++column)
      if (!contents.IsEmpty(i, column)) return false;
  return true;
}

void ValueTable::ClearDataRows() {
  CommitOpenEditor();
  if (IsCleared()) return;  // nothing to undo
  TableContents empty(ValueTableModel::kStartPairRows);
  // A hidden Δy column is not part of what "x" empties.
  if (!SigmaColumnShown()) {
    const TableContents& contents = Contents();
    for (int i = 0; i < std::min(contents.Rows(), empty.Rows()); ++i)
      empty.Set(i, kSigmaColumn, contents.StoredLatin1(i, kSigmaColumn),
                contents.FullText(i, kSigmaColumn));
  }
  model_->ReplaceContents(QStringLiteral("Tabelle leeren"), std::move(empty), SigmaColumnShown());
}

void ValueTable::ReplaceContents(TableColumns columns, const QString& undoText,
                                 std::optional<bool> showSigma) {
  CommitOpenEditor();
  const std::size_t longest = std::max({columns.x.size(), columns.y.size(), columns.sigmaY.size()});
  const int rows = static_cast<int>(
      std::clamp<std::size_t>(longest, ValueTableModel::kStartPairRows, kMaxPairs));
  TableContents contents(rows);
  contents.SetColumn(0, std::move(columns.x));
  contents.SetColumn(1, std::move(columns.y));
  contents.SetColumn(kSigmaColumn, std::move(columns.sigmaY));
  model_->ReplaceContents(undoText, std::move(contents), showSigma.value_or(SigmaColumnShown()));
}

void ValueTable::SetSigmaColumnShown(bool shown) {
  CommitOpenEditor();
  model_->SetSigmaShown(shown);
}

int ValueTable::FillSigma(const SigmaFill& fill) {
  CommitOpenEditor();
  const TableContents& contents = Contents();
  ColumnTexts column = contents.CopyColumn(kSigmaColumn);
  column.latin1.resize(static_cast<std::size_t>(contents.Rows()));
  int written = 0;
  for (int i = 0; i < contents.Rows(); ++i) {
    if (contents.StoredLatin1(i, 0).empty()) continue;  // no pair: as the fit reads them
    column.latin1.Set(static_cast<std::size_t>(i),
                      SigmaFillText(fill, contents.StoredLatin1(i, 1)));
    column.full.erase(i);
    ++written;
  }
  if (written > 0) model_->ReplaceSigmaColumn(QStringLiteral("Δy für alle Zeilen"), std::move(column));
  return written;
}

QUndoStack* ValueTable::UndoStack() const { return &model_->UndoStack(); }

bool ValueTable::IsModified() const { return !model_->UndoStack().isClean(); }

void ValueTable::MarkUnmodified() { model_->UndoStack().setClean(); }

bool ValueTable::CanUndoNow() const {
  const QUndoStack& stack = model_->UndoStack();
  if (!stack.canUndo()) return false;
  return reshapingAllowed_ || !StepReshapesTable(stack.command(stack.index() - 1));
}

bool ValueTable::CanRedoNow() const {
  const QUndoStack& stack = model_->UndoStack();
  if (!stack.canRedo()) return false;
  return reshapingAllowed_ || !StepReshapesTable(stack.command(stack.index()));
}

void ValueTable::Undo() {
  CommitOpenEditor();
  if (CanUndoNow()) model_->UndoStack().undo();
}

void ValueTable::Redo() {
  CommitOpenEditor();
  if (CanRedoNow()) model_->UndoStack().redo();
}

void ValueTable::WriteFittedValues(std::vector<int> rows, std::vector<double> x,
                                   FittedTextFormat format) {
  model_->WriteFittedValues(rows, std::move(x), std::move(format));
}

void ValueTable::ClearFittedValues(const std::vector<int>& rows) { model_->ClearFittedValues(rows); }

std::vector<int> ValueTable::RowsUnchangedSince(const std::vector<int>& rows,
                                                Revision since) const {
  std::vector<int> unchanged;
  unchanged.reserve(rows.size());
  for (int row : rows)
    if (!RowChangedSince(row, since)) unchanged.push_back(row);
  return unchanged;
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
