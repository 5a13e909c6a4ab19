#pragma once
// The cell texts of one column of a long table: many short Latin-1 texts
// held in one block of bytes with an offset and a length per cell, instead of
// one heap string per cell. A million cells of a logger file take some 8 MB
// beside their bytes, and moving a column moves two buffers.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace wertedatei {

class TextColumn {
 public:
  TextColumn() = default;
  // A column holding the given texts, in order.
  TextColumn(std::initializer_list<std::string_view> texts);

  std::size_t size() const { return cells_.size(); }
  bool empty() const { return cells_.empty(); }
  // The text of cell i (i < size()); valid until the column is next changed.
  std::string_view operator[](std::size_t i) const {
    const Cell cell = cells_[i];
    return {bytes_.data() + cell.offset, cell.length};
  }

  void push_back(std::string_view text) {
    // The usual case, inline for the reader's loop: a text from elsewhere
    // that fits the room reserved.
    const std::size_t end = bytes_.size() + text.size();
    if (!text.empty() && cells_.size() < cells_.capacity() && end <= bytes_.capacity() &&
        end <= kMaxBlockBytes && text.size() <= kMaxCellBytes && !Holds(text)) {
      cells_.push_back({static_cast<std::uint32_t>(bytes_.size()),
                        static_cast<std::uint32_t>(text.size())});
      bytes_.append(text.data(), text.size());
      return;
    }
    PushBack(text);
  }
  // The first `count` cells of another column behind this one's.
  void Append(const TextColumn& other, std::size_t count);
  // Replaces the text of cell i (i < size()). The old bytes stay in the
  // block until they make up half of it; then the block is rewritten.
  void Set(std::size_t i, std::string_view text);
  // Grows with empty cells or drops cells at the end.
  void resize(std::size_t count);
  void clear();
  void reserve(std::size_t cells, std::size_t bytes);

  // The bytes held, the unused ones of replaced texts included, plus the
  // cell table: what the column costs.
  std::size_t MemoryBytes() const;

  friend bool operator==(const TextColumn& left, const TextColumn& right);

  // The longest text a cell holds; longer texts are cut. Together with the
  // rewriting of the block this keeps every offset within 32 bits.
  static constexpr std::size_t kMaxCellBytes = std::size_t{1} << 24;

 private:
  struct Cell {
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
  };
  // The block's bytes must stay addressable by 32-bit offsets.
  static constexpr std::size_t kMaxBlockBytes = 0xFFFFFFFF;

  bool Holds(std::string_view text) const {
    return text.data() >= bytes_.data() && text.data() < bytes_.data() + bytes_.size();
  }
  void PushBack(std::string_view text);
  Cell Append(std::string_view text);
  void Compact();

  std::string bytes_;
  std::vector<Cell> cells_;
  std::size_t unusedBytes_ = 0;  // of texts replaced by Set
};

}  // namespace wertedatei
