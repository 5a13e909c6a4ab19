#pragma once
// The texts of the value table's pair rows, column by column: x, y, f(x) and
// Δy, each a TextColumn of Latin-1 texts, so that a million rows cost some
// tens of MB. A column may be shorter than the table; the cells beyond its
// end are empty.
//
// Beside the Latin-1 texts: the full text of the rare cells whose typed text
// Latin-1 cannot hold, and the f(x) values of a fit, which are formatted
// only when a cell is shown or read (a million of them would take seconds).
//
// Pair index i counts from 0; it is the table's row i + 1.

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "wertedatei/textcolumn.h"

namespace app {

// The f(x) text of one x value (the window formats the fit's term with it).
using FittedTextFormat = std::function<std::string(double x)>;

// One column's texts, moved in and out as a whole.
struct ColumnTexts {
  wertedatei::TextColumn latin1;
  std::unordered_map<int, QString> full;  // by pair index
};

class TableContents {
 public:
  static constexpr int kColumns = 4;  // x, y, f(x), Δy
  static constexpr int kFittedColumn = 2;
  static constexpr int kSigmaColumn = 3;

  TableContents() = default;
  explicit TableContents(int rows) : rows_(rows) {}

  int Rows() const { return rows_; }
  // Grows with empty rows or drops rows at the end.
  void SetRows(int rows);

  // The cell's text as the core reads it, a due f(x) value formatted.
  std::string Latin1(int i, int column) const;
  // The cell's text as the table shows it.
  QString Text(int i, int column) const;
  // The full text where Latin-1 cannot hold the cell's text, else nullptr.
  const QString* FullText(int i, int column) const;
  bool IsEmpty(int i, int column) const;
  // The Latin-1 text stored, without a due f(x) value: what the pair reader
  // takes, without a copy.
  std::string_view StoredLatin1(int i, int column) const;

  // `full` (or nullptr) as made by TypedCellText.
  void Set(int i, int column, std::string_view latin1, const QString* full = nullptr);
  void SetColumn(int column, wertedatei::TextColumn texts);
  void SwapColumn(int column, ColumnTexts& other);
  // A copy of a column's texts (for one that is to be changed as a whole).
  ColumnTexts CopyColumn(int column) const;

  // The f(x) cells of the given pair indexes get format(x[k]); they are
  // formatted when read. Cells a former call made due and this one leaves
  // out keep their texts.
  void SetFittedValues(const std::vector<int>& indexes, std::vector<double> x,
                       FittedTextFormat format);
  bool HasFittedValue(int i) const;
  // The f(x) cells still to be formatted (what a saved session keeps of
  // them instead of their texts): copied as they are kept, which is quick,
  // then listed by pair index with their x, which may run elsewhere.
  struct FittedSlots {
    std::vector<std::uint32_t> slot;  // as fittedSlot_
    std::vector<double> x;
  };
  FittedSlots CopyFittedSlots() const { return {fittedSlot_, fittedX_}; }
  struct DueFittedValues {
    std::vector<int> indexes;
    std::vector<double> x;
  };
  static DueFittedValues DueOf(const FittedSlots& kept);

  // The bytes the texts take, for the measurements.
  std::size_t MemoryBytes() const;

 private:
  std::string FittedText(int i) const;

  int rows_ = 0;
  std::array<wertedatei::TextColumn, kColumns> columns_;
  std::array<std::unordered_map<int, QString>, kColumns> full_;
  // f(x) still to be formatted: by pair index 0 for none, else k + 1 for
  // fittedX_[k].
  std::vector<std::uint32_t> fittedSlot_;
  std::vector<double> fittedX_;
  FittedTextFormat fittedFormat_;
};

}  // namespace app
