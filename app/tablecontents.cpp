#include "app/tablecontents.h"

#include <algorithm>
#include <utility>

namespace app {

namespace {

void DropFrom(std::unordered_map<int, QString>& texts, int rows) {
  std::erase_if(texts, [rows](const auto& entry) { return entry.first >= rows; });
}

}  // namespace

void TableContents::SetRows(int rows) {
  rows = std::max(rows, 0);
  if (rows < rows_) {
    const auto size = static_cast<std::size_t>(rows);
    for (int column = 0; column < kColumns; ++column) {
      if (columns_[column].size() > size) columns_[column].resize(size);
      DropFrom(full_[column], rows);
    }
    if (fittedSlot_.size() > size) fittedSlot_.resize(size);
  }
  rows_ = rows;
}

std::string_view TableContents::StoredLatin1(int i, int column) const {
  const wertedatei::TextColumn& texts = columns_[column];
  const auto index = static_cast<std::size_t>(i);
  return index < texts.size() ? texts[index] : std::string_view();
}

bool TableContents::HasFittedValue(int i) const {
  const auto index = static_cast<std::size_t>(i);
  return index < fittedSlot_.size() && fittedSlot_[index] != 0;
}

std::string TableContents::FittedText(int i) const {
  return fittedFormat_(fittedX_[fittedSlot_[static_cast<std::size_t>(i)] - 1]);
}

std::string TableContents::Latin1(int i, int column) const {
  if (column == kFittedColumn && HasFittedValue(i)) return FittedText(i);
  return std::string(StoredLatin1(i, column));
}

const QString* TableContents::FullText(int i, int column) const {
  if (column == kFittedColumn && HasFittedValue(i)) return nullptr;
  const auto& texts = full_[column];
  if (texts.empty()) return nullptr;
  const auto found = texts.find(i);
  return found == texts.end() ? nullptr : &found->second;
}

QString TableContents::Text(int i, int column) const {
  if (const QString* full = FullText(i, column)) return *full;
  if (column == kFittedColumn && HasFittedValue(i)) {
    const std::string text = FittedText(i);
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
  }
  const std::string_view text = StoredLatin1(i, column);
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

bool TableContents::IsEmpty(int i, int column) const {
  if (column == kFittedColumn && HasFittedValue(i)) return false;
  return StoredLatin1(i, column).empty();
}

void TableContents::Set(int i, int column, std::string_view latin1, const QString* full) {
  wertedatei::TextColumn& texts = columns_[column];
  const auto index = static_cast<std::size_t>(i);
  if (index >= texts.size()) {
    if (!latin1.empty()) texts.resize(index + 1);
  }
  if (index < texts.size()) texts.Set(index, latin1);
  if (full != nullptr && !full->isNull())
    full_[column][i] = *full;
  else if (!full_[column].empty())
    full_[column].erase(i);
  if (column == kFittedColumn && index < fittedSlot_.size()) fittedSlot_[index] = 0;
}

void TableContents::SetColumn(int column, wertedatei::TextColumn texts) {
  if (texts.size() > static_cast<std::size_t>(rows_)) texts.resize(static_cast<std::size_t>(rows_));
  columns_[column] = std::move(texts);
  full_[column].clear();
  if (column == kFittedColumn) fittedSlot_.clear();
}

void TableContents::SwapColumn(int column, ColumnTexts& other) {
  std::swap(columns_[column], other.latin1);
  std::swap(full_[column], other.full);
}

ColumnTexts TableContents::CopyColumn(int column) const { return {columns_[column], full_[column]}; }

void TableContents::SetFittedValues(const std::vector<int>& indexes, std::vector<double> x,
                                    FittedTextFormat format) {
  const auto rows = static_cast<std::size_t>(rows_);
  // Cells made due by the former call and not written now are formatted
  // before that call's values go.
  if (!fittedSlot_.empty()) {
    std::vector<bool> written(rows, false);
    for (int i : indexes)
      if (i >= 0 && static_cast<std::size_t>(i) < rows) written[static_cast<std::size_t>(i)] = true;
    for (std::size_t i = 0; i < fittedSlot_.size(); ++i) {
      if (fittedSlot_[i] == 0 || written[i]) continue;
      const std::string text = FittedText(static_cast<int>(i));
      fittedSlot_[i] = 0;
      Set(static_cast<int>(i), kFittedColumn, text);
    }
  }
  fittedSlot_.assign(rows, 0);
  const std::size_t count = std::min(indexes.size(), x.size());
  for (std::size_t k = 0; k < count; ++k) {
    const int i = indexes[k];
    if (i < 0 || static_cast<std::size_t>(i) >= rows) continue;
    fittedSlot_[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(k + 1);
    if (!full_[kFittedColumn].empty()) full_[kFittedColumn].erase(i);
  }
  fittedX_ = std::move(x);
  fittedFormat_ = std::move(format);
  if (!fittedFormat_) fittedSlot_.clear();
}

TableContents::DueFittedValues TableContents::DueOf(const FittedSlots& kept) {
  DueFittedValues due;
  for (std::size_t i = 0; i < kept.slot.size(); ++i) {
    const std::uint32_t k = kept.slot[i];
    if (k == 0 || k > kept.x.size()) continue;
    due.indexes.push_back(static_cast<int>(i));
    due.x.push_back(kept.x[k - 1]);
  }
  return due;
}

std::size_t TableContents::MemoryBytes() const {
  std::size_t bytes = fittedSlot_.capacity() * sizeof(std::uint32_t) +
                      fittedX_.capacity() * sizeof(double);
  for (const wertedatei::TextColumn& texts : columns_) bytes += texts.MemoryBytes();
  return bytes;
}

}  // namespace app
