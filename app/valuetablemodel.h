#pragma once
// The model behind the value table SG4: row 0 the heading row ("x", "y",
// "f(x)" and "Δy"), rows 1 .. n the pairs, held column by column in a
// TableContents. Column 3, Δy, is part of the model only while it is shown.
//
// Every change of the pairs is a step of the model's undo stack (setData on
// a data cell is one, like typing). Not undone, because they are not the
// user's: the heading texts and the f(x) values a fit writes.
//
// The stack keeps at most kUndoSteps steps, holding at most UndoBudget()
// bytes of table texts: a step that replaced a million pairs holds tens of
// MB, so after each new step the oldest steps go until the rest fit. The
// newest step always stays, however large, so that the last opened file
// can be undone.
//
// Each change of an x, y or Δy cell stamps its row with a new revision, so
// that the end of a computation can tell the rows that still hold the pairs
// it was started with.

#include <QAbstractTableModel>
#include <QString>
#include <QUndoStack>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/tablecontents.h"

namespace app {

class CellBatch;

class ValueTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  static constexpr int kStartPairRows = 200;
  static constexpr int kMaxPairRows = 1'000'000;
  static constexpr int kSigmaColumn = TableContents::kSigmaColumn;
  static constexpr int kUndoSteps = 100;
  // The texts the undo steps may hold: two replaced tables of a million
  // logger pairs (some 30 MB each), so that a window that opens such a file
  // again and again stays within about 2.5 times the memory of one opening.
  // Small tables keep their hundred steps.
  static constexpr std::size_t kUndoBudgetBytes = std::size_t{64} << 20;
  using Revision = std::uint32_t;

  explicit ValueTableModel(QObject* parent = nullptr);
  ~ValueTableModel() override;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  // An edit of a data cell, converted as typed text, is a step of the stack.
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  const TableContents& Contents() const { return contents_; }
  int PairRows() const { return contents_.Rows(); }
  bool SigmaShown() const { return sigmaShown_; }
  // Row 0 is the heading; empty texts outside the table.
  std::string CellLatin1(int row, int column) const;
  QString CellText(int row, int column) const;

  void SetHeading(int column, const QString& text);

  QUndoStack& UndoStack() { return undoStack_; }
  // The bytes of table texts the undo steps hold, and the most they may (a
  // new budget applies at once unless steps are undone, else with the next).
  std::size_t UndoHistoryBytes() const;
  std::size_t UndoBudget() const { return undoBudget_; }
  void SetUndoBudget(std::size_t bytes);
  // One step each. EditCells: false when nothing would change (no step).
  // pairRows: the table's rows afterwards, more for a paste that grows it.
  bool EditCells(const QString& undoText, CellBatch cells, int pairRows, bool reshapes);
  void ReplaceContents(const QString& undoText, TableContents contents, bool sigmaShown);
  void SetSigmaShown(bool shown);
  void ReplaceSigmaColumn(const QString& undoText, ColumnTexts column);

  // f(x) for the given table rows, formatted when shown or read.
  void WriteFittedValues(const std::vector<int>& rows, std::vector<double> x,
                         FittedTextFormat format);
  void ClearFittedValues(const std::vector<int>& rows);

  Revision CurrentRevision() const { return revision_; }
  // True for a row whose x, y or Δy changed after `since`, and for a row
  // the table no longer has.
  bool RowChangedSince(int row, Revision since) const;

  // What the undo steps do and undo.
  void ApplyCells(const CellBatch& cells, int pairRows);
  void SwapContents(TableContents& other, bool& sigmaShown);
  void SwapSigmaColumn(ColumnTexts& other);
  void ApplySigmaShown(bool shown);

 signals:
  // An x, y or Δy cell changed, or the Δy column was switched.
  void PairsChanged();
  void SigmaShownChanged(bool shown);

 private:
  bool IsDataCell(const QModelIndex& index) const;
  void ResizeRows(int pairRows);
  void StampAll();
  void EmitChanged(int firstRow, int lastRow, int firstColumn, int lastColumn);
  void EmitFittedChanged(const std::vector<int>& rows);
  void KeepUndoHistoryInBudget();
  void DropOldestUndoSteps(int count);

  TableContents contents_{kStartPairRows};
  std::array<QString, TableContents::kColumns> heading_;
  bool sigmaShown_ = false;
  std::vector<Revision> stamps_;  // by table row (0, the heading, unused)
  Revision revision_ = 0;
  std::size_t undoBudget_ = kUndoBudgetBytes;
  QUndoStack undoStack_;
};

}  // namespace app
