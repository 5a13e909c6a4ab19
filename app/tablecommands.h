#pragma once
// The undo steps of the value table, one per change the user makes: typed
// cells, a paste, Delete and Ctrl+X (cell by cell, with their former texts),
// replacing the whole contents ("B", "x", opening a file: the contents
// swapped with the ones the step holds, so that no text is held twice), the
// Δy column shown or hidden, and the Δy column written as a whole (the fill).
// Each tells the bytes of texts it holds, which the model's undo budget counts.

#include <QUndoCommand>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/celltext.h"
#include "app/tablecontents.h"
#include "wertedatei/textcolumn.h"

namespace app {

class ValueTableModel;

// Texts for a list of cells (rows of the table, from 1), compact: a block of
// a million pasted cells takes some 12 MB beside its bytes.
class CellBatch {
 public:
  void Add(int row, int column, std::string_view latin1, const QString* full = nullptr);
  void Add(int row, int column, const CellText& text) { Add(row, column, text.latin1, &text.full); }
  std::size_t size() const { return cells_.size(); }
  bool empty() const { return cells_.empty(); }
  int Row(std::size_t k) const { return static_cast<int>(cells_[k] >> 2); }
  int Column(std::size_t k) const { return static_cast<int>(cells_[k] & 3); }
  std::string_view Latin1(std::size_t k) const { return latin1_[k]; }
  const QString* Full(std::size_t k) const;
  std::size_t MemoryBytes() const;

 private:
  std::vector<std::uint32_t> cells_;  // row << 2 | column
  wertedatei::TextColumn latin1_;
  std::unordered_map<std::size_t, QString> full_;
};

// A step of the table's own. Reshapes(): whether it replaces or reshapes the
// table (what waits while a computation runs), as against cell edits.
// MemoryBytes(): the texts it holds to undo or redo itself.
class TableCommand : public QUndoCommand {
 public:
  TableCommand(ValueTableModel& model, const QString& text) : QUndoCommand(text), model_(model) {}
  virtual bool Reshapes() const = 0;
  virtual std::size_t MemoryBytes() const = 0;

 protected:
  ValueTableModel& model_;
};

// Whether a step of the stack (maybe a macro of steps) reshapes the table.
bool StepReshapesTable(const QUndoCommand* command);
// The bytes of table texts a step of the stack (maybe a macro) holds; 0 for
// steps that are not the table's (the axis titles).
std::size_t StepMemoryBytes(const QUndoCommand* command);

class CellEditCommand : public TableCommand {
 public:
  // Reads the cells' present texts, to give them back on undo. pairRows: the
  // table's pair rows afterwards (more for a paste that grows it).
  CellEditCommand(ValueTableModel& model, const QString& text, CellBatch cells, int pairRows,
                  bool reshapes);
  bool ChangesAnything() const;
  bool Reshapes() const override { return reshapes_; }
  std::size_t MemoryBytes() const override { return new_.MemoryBytes() + old_.MemoryBytes(); }
  void redo() override;
  void undo() override;

 private:
  CellBatch new_, old_;
  int pairRows_ = 0, oldPairRows_ = 0;
  bool reshapes_ = false;
};

class ReplaceCommand : public TableCommand {
 public:
  ReplaceCommand(ValueTableModel& model, const QString& text, TableContents contents,
                 bool sigmaShown);
  bool Reshapes() const override { return true; }
  std::size_t MemoryBytes() const override { return contents_.MemoryBytes(); }
  void redo() override { Swap(); }
  void undo() override { Swap(); }

 private:
  void Swap();
  TableContents contents_;  // the contents not shown: the new ones until done, then the old
  bool sigmaShown_;
};

class SigmaSwitchCommand : public TableCommand {
 public:
  SigmaSwitchCommand(ValueTableModel& model, const QString& text, bool shown);
  bool Reshapes() const override { return true; }
  std::size_t MemoryBytes() const override { return 0; }
  void redo() override;
  void undo() override;

 private:
  bool shown_;
};

class SigmaColumnCommand : public TableCommand {
 public:
  SigmaColumnCommand(ValueTableModel& model, const QString& text, ColumnTexts column);
  bool Reshapes() const override { return true; }
  std::size_t MemoryBytes() const override;
  void redo() override { Swap(); }
  void undo() override { Swap(); }

 private:
  void Swap();
  ColumnTexts column_;
};

}  // namespace app
