// The value table's copy and paste, Delete and its undo keys.

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <algorithm>
#include <utility>

#include "app/celltext.h"
#include "app/tablecommands.h"
#include "app/valuetable.h"

namespace app {

namespace {

// The selected ranges' bounding box, or the current cell.
QItemSelectionRange SelectionBox(const QItemSelection& selection, const QModelIndex& current) {
  if (selection.isEmpty()) return QItemSelectionRange(current);
  int top = selection.front().top(), bottom = selection.front().bottom();
  int left = selection.front().left(), right = selection.front().right();
  for (const QItemSelectionRange& range : selection) {
    top = std::min(top, range.top()), bottom = std::max(bottom, range.bottom());
    left = std::min(left, range.left()), right = std::max(right, range.right());
  }
  const QAbstractItemModel* model = selection.front().model();
  return QItemSelectionRange(model->index(top, left), model->index(bottom, right));
}

bool InEarlierRange(const QItemSelection& selection, qsizetype before, int row, int column) {
  for (qsizetype k = 0; k < before; ++k) {
    const QItemSelectionRange& range = selection[k];
    if (row >= range.top() && row <= range.bottom() && column >= range.left() &&
        column <= range.right())
      return true;
  }
  return false;
}

}  // namespace

QString ValueTable::SelectedText() const {
  const QModelIndex current = currentIndex();
  const QItemSelection selection = selectionModel()->selection();
  int top = current.row(), bottom = current.row();
  int left = current.column(), right = current.column();
  if (!selection.isEmpty()) {
    const QItemSelectionRange box = SelectionBox(selection, current);
    top = box.top(), bottom = box.bottom(), left = box.left(), right = box.right();
  }
  top = std::max(top, 1);  // the heading is not part of the data
  QString text;
  for (int row = top; row <= bottom && left >= 0; ++row) {
    for (int column = left; column <= right; ++column) {
      if (column > left) text += QLatin1Char('\t');
      text += model_->CellText(row, column);
    }
    text += QLatin1Char('\n');
  }
  return text;
}

bool ValueTable::PasteText(const QString& text) {
  if (text.isEmpty()) return false;
  QString normalised = text;
  normalised.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  normalised.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  QList<QStringView> lines = QStringView(normalised).split(u'\n');
  if (lines.size() > 1 && lines.back().isEmpty()) lines.removeLast();  // the final line break

  // With no current cell (or, set from code, one in the heading) the paste
  // starts at the first data cell of that column.
  const int top = std::max(currentIndex().row(), 1);
  const int left = std::max(currentIndex().column(), 0);
  const int columns = columnCount();
  int bottom = top, right = left;
  CellBatch cells;
  for (qsizetype i = 0; i < lines.size() && top + i <= kMaxPairs; ++i) {
    const int row = top + static_cast<int>(i);
    int column = left;
    for (QStringView field : lines[i].split(u'\t')) {
      if (column >= columns) break;
      cells.Add(row, column, TypedCellText(field));
      bottom = std::max(bottom, row);
      right = std::max(right, column);
      ++column;
    }
  }
  const bool block = cells.size() > 1;
  if (block && !reshapingAllowed_) return false;
  model_->EditCells(QStringLiteral("Einfügen"), std::move(cells), std::max(bottom, model_->PairRows()),
                    block);
  SelectCells(top, left, bottom, right);
  return true;
}

void ValueTable::SelectCells(int top, int left, int bottom, int right) {
  clearSelection();
  selectionModel()->select(QItemSelection(model_->index(top, left), model_->index(bottom, right)),
                           QItemSelectionModel::Select);
}

void ValueTable::EmptySelectedCells(const QString& undoText) {
  const QItemSelection selection = selectionModel()->selection();
  const TableContents& contents = Contents();
  CellBatch cells;
  for (qsizetype k = 0; k < selection.size(); ++k) {
    const QItemSelectionRange& range = selection[k];
    for (int row = std::max(range.top(), 1); row <= range.bottom(); ++row)
      for (int column = range.left(); column <= range.right(); ++column)
        if (!contents.IsEmpty(row - 1, column) && !InEarlierRange(selection, k, row, column))
          cells.Add(row, column, std::string_view());
  }
  model_->EditCells(undoText, std::move(cells), model_->PairRows(), false);
}

void ValueTable::CopyToClipboard() const { QApplication::clipboard()->setText(SelectedText()); }

void ValueTable::PasteFromClipboard() { PasteText(QApplication::clipboard()->text()); }

void ValueTable::CutToClipboard() {
  CopyToClipboard();
  EmptySelectedCells(QStringLiteral("Ausschneiden"));
}

void ValueTable::keyPressEvent(QKeyEvent* event) {
  const QKeyCombination key = event->keyCombination();
  if (event->matches(QKeySequence::Copy)) {
    CopyToClipboard();
  } else if (event->matches(QKeySequence::Cut)) {
    CutToClipboard();
  } else if (event->matches(QKeySequence::Paste)) {
    PasteFromClipboard();
  } else if (event->matches(QKeySequence::Delete)) {
    EmptySelectedCells();
  } else if (event->matches(QKeySequence::Undo)) {
    Undo();
  } else if (event->matches(QKeySequence::Redo) || key == (Qt::CTRL | Qt::Key_Y) ||
             key == (Qt::CTRL | Qt::SHIFT | Qt::Key_Z)) {
    Redo();
  } else {
    QTableView::keyPressEvent(event);
    return;
  }
  event->accept();
}

}  // namespace app
