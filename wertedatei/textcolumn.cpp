#include "wertedatei/textcolumn.h"

#include <algorithm>

#include "wertedatei/largepages.h"

namespace wertedatei {

namespace {

std::string_view Capped(std::string_view text) {
  return text.substr(0, std::min(text.size(), TextColumn::kMaxCellBytes));
}

}  // namespace

TextColumn::TextColumn(std::initializer_list<std::string_view> texts) {
  for (std::string_view text : texts) push_back(text);
}

TextColumn::Cell TextColumn::Append(std::string_view text) {
  text = Capped(text);
  if (text.empty()) return {};
  if (bytes_.size() + text.size() > kMaxBlockBytes) Compact();
  // Still too much after rewriting: the column holds some 4 GB of live text,
  // far beyond any table; the text is dropped rather than corrupt offsets.
  if (bytes_.size() + text.size() > kMaxBlockBytes) return {};
  const Cell cell{static_cast<std::uint32_t>(bytes_.size()),
                  static_cast<std::uint32_t>(text.size())};
  if (bytes_.size() + text.size() > bytes_.capacity()) {
    bytes_.reserve(std::min(std::max(2 * bytes_.capacity(), bytes_.size() + text.size()),
                            kMaxBlockBytes));
    AdviseLargePages(bytes_.data(), bytes_.capacity());
  }
  bytes_.append(text);
  return cell;
}

void TextColumn::PushBack(std::string_view text) {
  if (!text.empty() && Holds(text)) {
    const std::string copy(text);
    cells_.push_back(Append(copy));
    return;
  }
  cells_.push_back(Append(text));
}

void TextColumn::Append(const TextColumn& other, std::size_t count) {
  count = std::min(count, other.size());
  // Without replaced texts the other column's bytes are its cells' texts in
  // order: they append as one block, the offsets moved by the bytes before.
  if (other.unusedBytes_ == 0) {
    std::size_t end = 0;
    for (std::size_t i = 0; i < count; ++i)
      end = std::max(end, std::size_t{other.cells_[i].offset} + other.cells_[i].length);
    if (bytes_.size() + end <= kMaxBlockBytes) {
      const auto shift = static_cast<std::uint32_t>(bytes_.size());
      bytes_.append(other.bytes_, 0, end);
      const std::size_t before = cells_.size();
      cells_.resize(before + count);
      std::transform(other.cells_.begin(), other.cells_.begin() + static_cast<std::ptrdiff_t>(count),
                     cells_.begin() + static_cast<std::ptrdiff_t>(before), [shift](Cell cell) {
                       return cell.length == 0 ? Cell{} : Cell{cell.offset + shift, cell.length};
                     });
      return;
    }
  }
  for (std::size_t i = 0; i < count; ++i) push_back(other[i]);
}

void TextColumn::Set(std::size_t i, std::string_view text) {
  text = Capped(text);
  // A text taken from this column itself would move while the block grows.
  if (!text.empty() && Holds(text)) {
    const std::string copy(text);
    Set(i, copy);
    return;
  }
  Cell& cell = cells_[i];
  if (text.size() <= cell.length) {
    // Fits where the old text stood (the usual edit of a number).
    std::copy(text.begin(), text.end(), bytes_.begin() + cell.offset);
    unusedBytes_ += cell.length - text.size();
    cell.length = static_cast<std::uint32_t>(text.size());
    if (cell.length == 0) cell.offset = 0;
  } else {
    unusedBytes_ += cell.length;
    cell = Append(text);
  }
  if (unusedBytes_ > 4096 && unusedBytes_ > bytes_.size() / 2) Compact();
}

void TextColumn::resize(std::size_t count) {
  for (std::size_t i = count; i < cells_.size(); ++i) unusedBytes_ += cells_[i].length;
  cells_.resize(count);
  if (unusedBytes_ > 4096 && unusedBytes_ > bytes_.size() / 2) Compact();
}

void TextColumn::clear() {
  bytes_.clear();
  bytes_.shrink_to_fit();
  cells_.clear();
  cells_.shrink_to_fit();
  unusedBytes_ = 0;
}

void TextColumn::reserve(std::size_t cells, std::size_t bytes) {
  cells_.reserve(cells);
  bytes_.reserve(std::min(bytes, kMaxBlockBytes));
  AdviseLargePages(cells_.data(), cells_.capacity() * sizeof(Cell));
  AdviseLargePages(bytes_.data(), bytes_.capacity());
}

void TextColumn::Compact() {
  std::string live;
  live.reserve(bytes_.size() - std::min(unusedBytes_, bytes_.size()));
  for (Cell& cell : cells_) {
    if (cell.length == 0) {
      cell.offset = 0;
      continue;
    }
    const std::uint32_t offset = static_cast<std::uint32_t>(live.size());
    live.append(bytes_, cell.offset, cell.length);
    cell.offset = offset;
  }
  bytes_ = std::move(live);
  unusedBytes_ = 0;
}

std::size_t TextColumn::MemoryBytes() const {
  return bytes_.capacity() + cells_.capacity() * sizeof(Cell);
}

bool operator==(const TextColumn& left, const TextColumn& right) {
  if (left.size() != right.size()) return false;
  for (std::size_t i = 0; i < left.size(); ++i)
    if (left[i] != right[i]) return false;
  return true;
}

}  // namespace wertedatei
