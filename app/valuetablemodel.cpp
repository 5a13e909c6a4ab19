#include "app/valuetablemodel.h"

#include <QBrush>
#include <QColor>
#include <QSignalBlocker>
#include <algorithm>
#include <memory>
#include <utility>

#include "app/celltext.h"
#include "app/tablecommands.h"
#include "app/windowstyle.h"
#include "platform/qtlatin1.h"

namespace app {

namespace {

// The text of a pair cell that does not read whole as a number.
constexpr QColor kMarkedText(200, 0, 0);

// A step without content that goes when undone: QUndoStack deletes a step
// that is obsolete after its undo().
class Placeholder : public QUndoCommand {
 public:
  void undo() override { setObsolete(true); }
};

}  // namespace

ValueTableModel::ValueTableModel(QObject* parent)
    : QAbstractTableModel(parent), stamps_(kStartPairRows + 1, 0) {
  heading_[kSigmaColumn] = QStringLiteral("Δy");
  undoStack_.setUndoLimit(kUndoSteps);
  // Connected before anyone else, so that the window, told of the new
  // index, already sees the history without the dropped steps.
  connect(&undoStack_, &QUndoStack::indexChanged, this, &ValueTableModel::KeepUndoHistoryInBudget);
}

ValueTableModel::~ValueTableModel() {
  // The stack's last signals (it empties itself) would reach a window that
  // is being destroyed.
  undoStack_.blockSignals(true);
}

int ValueTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : PairRows() + 1;
}

int ValueTableModel::columnCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return sigmaShown_ ? TableContents::kColumns : TableContents::kColumns - 1;
}

bool ValueTableModel::IsDataCell(const QModelIndex& index) const {
  return index.isValid() && index.row() >= 1 && index.row() <= PairRows() &&
         index.column() < columnCount();
}

QVariant ValueTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() > PairRows() || index.column() >= columnCount()) return {};
  const int column = index.column();
  if (index.row() == 0) {
    if (role == Qt::DisplayRole || role == Qt::EditRole) return heading_[column];
    if (role == Qt::BackgroundRole) return QBrush(kPanelColour);
    return {};
  }
  const int i = index.row() - 1;
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return contents_.Text(i, column);
    case Qt::ForegroundRole:
    case Qt::ToolTipRole: {
      if (column == TableContents::kFittedColumn) return {};
      const std::optional<QString> marking =
          PairCellMarking(contents_.StoredLatin1(i, column), contents_.FullText(i, column));
      if (!marking) return {};
      if (role == Qt::ToolTipRole) return *marking;
      return QBrush(kMarkedText);
    }
    default:
      return {};
  }
}

bool ValueTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !IsDataCell(index)) return false;
  CellBatch cell;
  cell.Add(index.row(), index.column(), TypedCellText(value.toString()));
  EditCells(QStringLiteral("Zelle bearbeiten"), std::move(cell), PairRows(), false);
  return true;
}

Qt::ItemFlags ValueTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  if (index.row() == 0) return Qt::ItemIsEnabled;
  return Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled;
}

std::string ValueTableModel::CellLatin1(int row, int column) const {
  if (row < 0 || row > PairRows() || column < 0 || column >= columnCount()) return {};
  if (row == 0) return platform::ToLatin1(heading_[column]);
  return contents_.Latin1(row - 1, column);
}

QString ValueTableModel::CellText(int row, int column) const {
  if (row < 0 || row > PairRows() || column < 0 || column >= columnCount()) return {};
  if (row == 0) return heading_[column];
  return contents_.Text(row - 1, column);
}

void ValueTableModel::SetHeading(int column, const QString& text) {
  if (column < 0 || column >= TableContents::kColumns) return;
  heading_[column] = text;
  if (column < columnCount()) emit dataChanged(index(0, column), index(0, column));
}

bool ValueTableModel::EditCells(const QString& undoText, CellBatch cells, int pairRows,
                                bool reshapes) {
  pairRows = std::clamp(pairRows, PairRows(), kMaxPairRows);
  auto step = std::make_unique<CellEditCommand>(*this, undoText, std::move(cells), pairRows,
                                                reshapes);
  if (!step->ChangesAnything()) return false;
  undoStack_.push(step.release());
  return true;
}

void ValueTableModel::ReplaceContents(const QString& undoText, TableContents contents,
                                      bool sigmaShown) {
  contents.SetRows(std::clamp(contents.Rows(), 0, kMaxPairRows));
  undoStack_.push(new ReplaceCommand(*this, undoText, std::move(contents), sigmaShown));
}

void ValueTableModel::SetSigmaShown(bool shown) {
  if (shown == sigmaShown_) return;
  undoStack_.push(new SigmaSwitchCommand(
      *this, shown ? QStringLiteral("Δy-Spalte einblenden") : QStringLiteral("Δy-Spalte ausblenden"),
      shown));
}

void ValueTableModel::ReplaceSigmaColumn(const QString& undoText, ColumnTexts column) {
  undoStack_.push(new SigmaColumnCommand(*this, undoText, std::move(column)));
}

std::size_t ValueTableModel::UndoHistoryBytes() const {
  std::size_t bytes = 0;
  for (int i = 0; i < undoStack_.count(); ++i) bytes += StepMemoryBytes(undoStack_.command(i));
  return bytes;
}

void ValueTableModel::SetUndoBudget(std::size_t bytes) {
  undoBudget_ = bytes;
  KeepUndoHistoryInBudget();
}

void ValueTableModel::KeepUndoHistoryInBudget() {
  // Only right after a new step: then no undone steps lie above it (the
  // push dropped them) and no macro is open (its step is not yet counted
  // in the index).
  if (undoStack_.index() != undoStack_.count()) return;
  std::size_t bytes = UndoHistoryBytes();
  int dropped = 0;
  while (bytes > undoBudget_ && dropped < undoStack_.count() - 1)
    bytes -= StepMemoryBytes(undoStack_.command(dropped++));
  if (dropped > 0) DropOldestUndoSteps(dropped);
}

void ValueTableModel::DropOldestUndoSteps(int count) {
  // QUndoStack deletes its oldest steps itself only when a push goes beyond
  // its undo limit; there is no call for it, and rebuilding the stack would
  // need a copy of every step, also of those that are not the table's (the
  // axis titles beside an opened file's pairs). So placeholders are pushed
  // until it has deleted `count` steps, and undone, which deletes them too.
  // The steps left and the clean index (moved down with them, or gone with
  // its step: modified until the next save) stay Qt's own bookkeeping.
  // Silently: what the window shows does not change, since the newest step
  // stays, none lies above it, and a clean index that goes was not the
  // present one.
  const int limit = undoStack_.undoLimit();
  if (limit <= 0 || undoStack_.count() > limit) return;
  const QSignalBlocker quiet(undoStack_);
  const int kept = undoStack_.count() - count;
  int placeholders = 0;
  while (undoStack_.count() - placeholders > kept && placeholders < limit) {
    undoStack_.push(new Placeholder);
    ++placeholders;
  }
  for (; placeholders > 0; --placeholders) undoStack_.undo();
}

void ValueTableModel::WriteFittedValues(const std::vector<int>& rows, std::vector<double> x,
                                        FittedTextFormat format) {
  std::vector<int> indexes(rows.size());
  std::transform(rows.begin(), rows.end(), indexes.begin(), [](int row) { return row - 1; });
  contents_.SetFittedValues(indexes, std::move(x), std::move(format));
  EmitFittedChanged(rows);
}

void ValueTableModel::ClearFittedValues(const std::vector<int>& rows) {
  for (int row : rows)
    if (row >= 1 && row <= PairRows()) contents_.Set(row - 1, TableContents::kFittedColumn, {});
  EmitFittedChanged(rows);
}

bool ValueTableModel::RowChangedSince(int row, Revision since) const {
  if (row < 1 || static_cast<std::size_t>(row) >= stamps_.size()) return true;
  return stamps_[static_cast<std::size_t>(row)] > since;
}

void ValueTableModel::ApplyCells(const CellBatch& cells, int pairRows) {
  ++revision_;
  if (pairRows > PairRows()) ResizeRows(pairRows);
  int top = pairRows + 1, bottom = 0, left = TableContents::kColumns, right = -1;
  bool pairsChanged = false;
  for (std::size_t k = 0; k < cells.size(); ++k) {
    const int row = cells.Row(k), column = cells.Column(k);
    if (row < 1 || row > pairRows) continue;  // dropped right after
    contents_.Set(row - 1, column, cells.Latin1(k), cells.Full(k));
    top = std::min(top, row), bottom = std::max(bottom, row);
    left = std::min(left, column), right = std::max(right, column);
    if (column != TableContents::kFittedColumn) {
      stamps_[static_cast<std::size_t>(row)] = revision_;
      pairsChanged = true;
    }
  }
  if (pairRows < PairRows()) ResizeRows(pairRows);
  EmitChanged(top, bottom, left, right);
  if (pairsChanged) emit PairsChanged();
}

void ValueTableModel::SwapContents(TableContents& other, bool& sigmaShown) {
  const bool shownBefore = sigmaShown_;
  ApplySigmaShown(sigmaShown);
  sigmaShown = shownBefore;

  ++revision_;
  const int before = PairRows(), after = other.Rows();
  if (after > before) {
    beginInsertRows({}, before + 1, after);
    std::swap(contents_, other);
    endInsertRows();
  } else if (after < before) {
    beginRemoveRows({}, after + 1, before);
    std::swap(contents_, other);
    endRemoveRows();
  } else {
    std::swap(contents_, other);
  }
  StampAll();
  EmitChanged(1, std::min(before, after), 0, TableContents::kColumns - 1);
  emit PairsChanged();
}

void ValueTableModel::SwapSigmaColumn(ColumnTexts& other) {
  ++revision_;
  contents_.SwapColumn(kSigmaColumn, other);
  StampAll();
  EmitChanged(1, PairRows(), kSigmaColumn, kSigmaColumn);
  emit PairsChanged();
}

void ValueTableModel::ApplySigmaShown(bool shown) {
  if (shown == sigmaShown_) return;
  if (shown) {
    beginInsertColumns({}, kSigmaColumn, kSigmaColumn);
    sigmaShown_ = true;
    endInsertColumns();
  } else {
    beginRemoveColumns({}, kSigmaColumn, kSigmaColumn);
    sigmaShown_ = false;
    endRemoveColumns();
  }
  emit SigmaShownChanged(shown);
  emit PairsChanged();
}

void ValueTableModel::ResizeRows(int pairRows) {
  const int before = PairRows();
  const auto stamps = static_cast<std::size_t>(pairRows) + 1;
  if (pairRows > before) {
    beginInsertRows({}, before + 1, pairRows);
    contents_.SetRows(pairRows);
    stamps_.resize(stamps, revision_);
    endInsertRows();
  } else if (pairRows < before) {
    beginRemoveRows({}, pairRows + 1, before);
    contents_.SetRows(pairRows);
    stamps_.resize(stamps);
    endRemoveRows();
  }
}

void ValueTableModel::StampAll() { stamps_.assign(static_cast<std::size_t>(PairRows()) + 1, revision_); }

void ValueTableModel::EmitChanged(int firstRow, int lastRow, int firstColumn, int lastColumn) {
  lastRow = std::min(lastRow, PairRows());
  lastColumn = std::min(lastColumn, columnCount() - 1);
  if (firstRow > lastRow || firstColumn > lastColumn) return;
  emit dataChanged(index(firstRow, firstColumn), index(lastRow, lastColumn));
}

void ValueTableModel::EmitFittedChanged(const std::vector<int>& rows) {
  if (rows.empty()) return;
  const auto [first, last] = std::minmax_element(rows.begin(), rows.end());
  EmitChanged(std::max(*first, 1), *last, TableContents::kFittedColumn,
              TableContents::kFittedColumn);
}

}  // namespace app
