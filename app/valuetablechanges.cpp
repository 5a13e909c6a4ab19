// The value table's changes: cells written from code, "x", "B" and opened
// files, the Δy column, undo and redo, and the f(x) values of a fit.

#include <QUndoStack>
#include <algorithm>
#include <optional>
#include <utility>

#include "app/celltext.h"
#include "app/sigmafill.h"
#include "app/tablecommands.h"
#include "app/valuetable.h"
#include "platform/qtlatin1.h"

namespace app {

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

bool ValueTable::HoldsPairs() const {
  const TableContents& contents = Contents();
  for (int i = 0; i < contents.Rows(); ++i)
    if (!contents.StoredLatin1(i, 0).empty() || !contents.StoredLatin1(i, 1).empty()) return true;
  return false;
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

void ValueTable::ReplaceContents(TableContents contents, const QString& undoText,
                                 bool showSigma) {
  CommitOpenEditor();
  model_->ReplaceContents(undoText, std::move(contents), showSigma);
}

void ValueTable::SetSigmaColumnShown(bool shown) {
  CommitOpenEditor();
  model_->SetSigmaShown(shown);
}

std::optional<int> ValueTable::FillSigma(const QString& typed) {
  const std::optional<SigmaFill> fill = ParseSigmaFill(TypedCellText(typed).latin1);
  if (!fill) return std::nullopt;
  return FillSigma(*fill);
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

void ValueTable::SetReshapingAllowed(bool allowed) {
  if (allowed == reshapingAllowed_) return;
  reshapingAllowed_ = allowed;
  emit UndoStateChanged();
}

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

}  // namespace app
