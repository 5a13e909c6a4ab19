#include "app/tablecommands.h"

#include <utility>

#include "app/valuetablemodel.h"

namespace app {

void CellBatch::Add(int row, int column, std::string_view latin1, const QString* full) {
  if (full != nullptr && !full->isNull()) full_[cells_.size()] = *full;
  cells_.push_back(static_cast<std::uint32_t>(row) << 2 | static_cast<std::uint32_t>(column));
  latin1_.push_back(latin1);
}

const QString* CellBatch::Full(std::size_t k) const {
  if (full_.empty()) return nullptr;
  const auto found = full_.find(k);
  return found == full_.end() ? nullptr : &found->second;
}

namespace {

// The rare full texts beside the Latin-1 ones, roughly: the map's node and
// the UTF-16 text.
template <typename Key>
std::size_t FullTextBytes(const std::unordered_map<Key, QString>& full) {
  std::size_t bytes = 0;
  for (const auto& entry : full)
    bytes += sizeof(entry) + 2 * sizeof(void*) +
             static_cast<std::size_t>(entry.second.capacity()) * sizeof(QChar);
  return bytes;
}

}  // namespace

std::size_t CellBatch::MemoryBytes() const {
  return cells_.capacity() * sizeof(std::uint32_t) + latin1_.MemoryBytes() + FullTextBytes(full_);
}

bool StepReshapesTable(const QUndoCommand* command) {
  if (command == nullptr) return false;
  if (const auto* own = dynamic_cast<const TableCommand*>(command)) return own->Reshapes();
  for (int i = 0; i < command->childCount(); ++i)
    if (StepReshapesTable(command->child(i))) return true;
  return false;
}

std::size_t StepMemoryBytes(const QUndoCommand* command) {
  if (command == nullptr) return 0;
  if (const auto* own = dynamic_cast<const TableCommand*>(command)) return own->MemoryBytes();
  std::size_t bytes = 0;
  for (int i = 0; i < command->childCount(); ++i) bytes += StepMemoryBytes(command->child(i));
  return bytes;
}

CellEditCommand::CellEditCommand(ValueTableModel& model, const QString& text, CellBatch cells,
                                 int pairRows, bool reshapes)
    : TableCommand(model, text),
      new_(std::move(cells)),
      pairRows_(pairRows),
      oldPairRows_(model.PairRows()),
      reshapes_(reshapes) {
  const TableContents& contents = model.Contents();
  for (std::size_t k = 0; k < new_.size(); ++k) {
    const int i = new_.Row(k) - 1, column = new_.Column(k);
    if (i < contents.Rows())
      old_.Add(new_.Row(k), column, contents.Latin1(i, column), contents.FullText(i, column));
    else
      old_.Add(new_.Row(k), column, std::string_view());
  }
}

bool CellEditCommand::ChangesAnything() const {
  if (pairRows_ != oldPairRows_) return true;
  for (std::size_t k = 0; k < new_.size(); ++k) {
    if (new_.Latin1(k) != old_.Latin1(k)) return true;
    const QString* before = old_.Full(k);
    const QString* after = new_.Full(k);
    if ((before == nullptr) != (after == nullptr) || (before != nullptr && *before != *after))
      return true;
  }
  // A due f(x) value written with its own text becomes a stored one: the
  // same text, nothing to undo.
  return false;
}

void CellEditCommand::redo() { model_.ApplyCells(new_, pairRows_); }

void CellEditCommand::undo() { model_.ApplyCells(old_, oldPairRows_); }

ReplaceCommand::ReplaceCommand(ValueTableModel& model, const QString& text,
                               TableContents contents, bool sigmaShown)
    : TableCommand(model, text), contents_(std::move(contents)), sigmaShown_(sigmaShown) {}

void ReplaceCommand::Swap() { model_.SwapContents(contents_, sigmaShown_); }

SigmaSwitchCommand::SigmaSwitchCommand(ValueTableModel& model, const QString& text, bool shown)
    : TableCommand(model, text), shown_(shown) {}

void SigmaSwitchCommand::redo() { model_.ApplySigmaShown(shown_); }

void SigmaSwitchCommand::undo() { model_.ApplySigmaShown(!shown_); }

SigmaColumnCommand::SigmaColumnCommand(ValueTableModel& model, const QString& text,
                                       ColumnTexts column)
    : TableCommand(model, text), column_(std::move(column)) {}

std::size_t SigmaColumnCommand::MemoryBytes() const {
  return column_.latin1.MemoryBytes() + FullTextBytes(column_.full);
}

void SigmaColumnCommand::Swap() { model_.SwapSigmaColumn(column_); }

}  // namespace app
