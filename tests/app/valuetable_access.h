#pragma once
// How the window tests reach the value table's cells: through its model's
// display and edit roles, as a user's typing does.

#include <QItemSelectionModel>
#include <QModelIndex>
#include <QString>

#include "app/valuetable.h"

namespace table_access {

inline QModelIndex Cell(const app::ValueTable& table, int row, int column) {
  return table.model()->index(row, column);
}

inline QString CellText(const app::ValueTable& table, int row, int column) {
  return Cell(table, row, column).data(Qt::DisplayRole).toString();
}

// As typed into the cell (one undo step).
inline void SetCellText(app::ValueTable& table, int row, int column, const QString& text) {
  table.model()->setData(Cell(table, row, column), text, Qt::EditRole);
}

// The current cell, selected alone.
inline void SetCurrentCell(app::ValueTable& table, int row, int column) {
  table.selectionModel()->setCurrentIndex(Cell(table, row, column),
                                          QItemSelectionModel::ClearAndSelect);
}

// Adds the range to the selection.
inline void SelectRange(app::ValueTable& table, int top, int left, int bottom, int right) {
  table.selectionModel()->select(
      QItemSelection(Cell(table, top, left), Cell(table, bottom, right)),
      QItemSelectionModel::Select);
}

}  // namespace table_access
