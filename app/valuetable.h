#pragma once
// The value table SG4: a heading row with the column titles "x", "y", "f(x)"
// and at start 200 rows of free text for the pairs and the fitted values;
// up to a million rows for long series, and on request a fourth column "Δy"
// for the pairs' uncertainties. The texts live in a ValueTableModel.
//
// Row 0 belongs to the model like any other row, so the handlers write the
// titles into its cells, but the table itself hides it and a one-row view of
// the same row stands in the strip above the cells instead. The heading thus
// stays in sight while the pairs scroll, and it can be neither selected nor
// edited.
//
// Beyond typing, the table answers the keys users expect of a grid: Ctrl+C
// copies the selected cells as tab-separated lines, Ctrl+X also empties them,
// Ctrl+V pastes such lines from the current cell on (growing the table for a
// long block) and Delete empties the selection; Ctrl+Z undoes the last
// change, Ctrl+Y and Ctrl+Shift+Z redo it. Row 0 is never written by them.
//
// Every change of the pairs is a step of UndoStack(): typed cells, a paste,
// Delete, Ctrl+X, "B", "x", an opened file, the Δy column's switch and fill.
// The f(x) values of a fit are not: they are written without a step and
// without touching an open cell editor.
//
// The pairs it holds are read by tablepairs.h.

#include <QPersistentModelIndex>
#include <QTableView>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/tablecontents.h"
#include "app/valuetablemodel.h"
#include "wertedatei/textcolumn.h"

class QUndoStack;

namespace app {

struct SigmaFill;

// The pairs of a file or of the examples, moved into the table.
struct TableColumns {
  wertedatei::TextColumn x, y;
  wertedatei::TextColumn sigmaY;  // empty for none
};

class ValueTable : public QTableView {
  Q_OBJECT
 public:
  static constexpr int kRows = 201;  // at start: the heading row and 200 pairs
  static constexpr int kColumns = 3;  // without the Δy column
  static constexpr int kSigmaColumn = ValueTableModel::kSigmaColumn;
  static constexpr int kMaxPairs = ValueTableModel::kMaxPairRows;
  static constexpr int kColumnWidth = 70;
  static constexpr int kRowHeight = 19;
  using Revision = ValueTableModel::Revision;

  explicit ValueTable(QWidget* parent = nullptr);
  using QTableView::edit;  // edit(index), beside the override below

  ValueTableModel& Model() const { return *model_; }
  const TableContents& Contents() const { return model_->Contents(); }
  // The rows (the heading included) and the columns shown.
  int rowCount() const { return model_->rowCount(); }
  int columnCount() const { return model_->columnCount(); }

  // A cell's text as the core's 8-bit text (Latin-1); empty outside the
  // table. Rows and columns count from 0, row 0 being the heading.
  std::string CellLatin1(int row, int column) const;
  // Writes a cell from an 8-bit text; ignored outside the table. A cell
  // being edited gets its typed text first (see CommitOpenEditor). A data
  // cell is written as if typed (a step of the undo stack); the heading not.
  void SetCellLatin1(int row, int column, std::string_view text);
  // Writes the text of an open cell editor into its cell and closes it. The
  // buttons "B" and "x" take no focus, so an editor stays open while they
  // run; were it left open, it would later write its text over what they
  // wrote.
  void CommitOpenEditor();

  // "x": the 200 empty rows of the start, columns 0, 1 and 2 (and Δy when it
  // is shown) emptied; the heading stays. One undo step.
  void ClearDataRows();
  // "B", opening a file: rows 1 .. n hold the given texts (at least 200 rows,
  // at most kMaxPairs; texts beyond are dropped), f(x) and Δy empty where
  // none is given. The Δy column is shown or hidden as asked, else left as
  // it is. One undo step, named by `undoText`.
  void ReplaceContents(TableColumns columns, const QString& undoText,
                       std::optional<bool> showSigma = std::nullopt);
  // The same with every column's texts given (a session): one undo step.
  void ReplaceContents(TableContents contents, const QString& undoText, bool showSigma);

  // The selected cells (or the current cell) as lines of tab-separated texts,
  // each line ending in a line break, as spreadsheets exchange them.
  QString SelectedText() const;
  // Writes tab- and line-separated text into the cells from the current cell
  // on, and selects what was written. Fields beyond the last column are
  // dropped; lines beyond the last row add rows (up to kMaxPairs). Minus
  // signs and special blanks become "-" and " " (see celltext.h), decimal
  // commas stay. False when nothing was written (also for a block while
  // reshaping is not allowed).
  bool PasteText(const QString& text);
  // Empties the selected cells; one undo step named by `undoText`.
  void EmptySelectedCells(const QString& undoText = QStringLiteral("Löschen"));
  void CopyToClipboard() const;
  void PasteFromClipboard();
  void CutToClipboard();

  // The Δy column (index 3): shown or hidden as one undo step; its texts stay
  // while it is hidden.
  bool SigmaColumnShown() const { return model_->SigmaShown(); }
  void SetSigmaColumnShown(bool shown);
  // Writes the fill's Δy into every row with an x text; the number of rows
  // written. One undo step. From the typed text ("0,05", "2 %"): nothing
  // when it is no such fill (see sigmafill.h).
  int FillSigma(const SigmaFill& fill);
  std::optional<int> FillSigma(const QString& typed);

  // Whether any row holds an x or a y text.
  bool HoldsPairs() const;

  // Undo. Modified: changed since MarkUnmodified (the window calls it when
  // a file was opened or saved and after "B").
  QUndoStack* UndoStack() const;
  bool IsModified() const;
  void MarkUnmodified();
  // While a computation runs the window forbids what replaces or reshapes
  // the table: then a pasted block, and undoing or redoing a step that
  // replaced or reshaped it, are refused (single cells may still be typed,
  // pasted, deleted, undone).
  void SetReshapingAllowed(bool allowed);
  bool ReshapingAllowed() const { return reshapingAllowed_; }
  bool CanUndoNow() const;
  bool CanRedoNow() const;

  // f(x) for the given rows (from 1) at the given x, formatted when a cell
  // is shown or read. No undo step; an open cell editor is left as it is.
  void WriteFittedValues(std::vector<int> rows, std::vector<double> x, FittedTextFormat format);
  void ClearFittedValues(const std::vector<int>& rows);

  // Change stamps: the revision now, and whether a row's x, y or Δy changed
  // after a revision (or the row is gone).
  Revision CurrentRevision() const { return model_->CurrentRevision(); }
  bool RowChangedSince(int row, Revision since) const {
    return model_->RowChangedSince(row, since);
  }
  std::vector<int> RowsUnchangedSince(const std::vector<int>& rows, Revision since) const;

 public slots:
  // Ctrl+Z and Ctrl+Y: an open editor's text is committed first (and so is
  // what Undo takes back). Nothing when refused (see SetReshapingAllowed).
  void Undo();
  void Redo();

 signals:
  // An x, y or Δy cell changed (typed, pasted, emptied, replaced, undone) or
  // the Δy column was switched.
  void PairsChanged();
  void SigmaColumnShownChanged(bool shown);
  // CanUndoNow, CanRedoNow, IsModified or the steps' texts may have changed.
  void UndoStateChanged();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void updateGeometries() override;
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
  void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
  void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                   const QList<int>& roles = QList<int>()) override;

 private:
  void BuildHeadingRow();
  void ApplyColumnWidths();
  bool IsCleared() const;
  void SelectCells(int top, int left, int bottom, int right);

  ValueTableModel* model_ = nullptr;
  QTableView* headingRow_ = nullptr;
  QPersistentModelIndex editing_;  // the cell whose editor is open
  bool reshapingAllowed_ = true;
};

}  // namespace app
