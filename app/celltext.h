#pragma once
// What a cell of the value table holds and what it counts as.
//
// The table keeps its texts as the core's Latin-1 bytes. Typed and pasted
// texts are converted character by character: minus signs and the special
// blanks of copied web and office text become "-" and " ". A character
// Latin-1 has no stand-in for reaches the core as "?", as it always has, but
// the cell keeps the full text beside it, so that the user sees what was
// typed, and the cell is marked.

#include <QString>
#include <QStringView>
#include <optional>
#include <string>
#include <string_view>

namespace app {

struct CellText {
  std::string latin1;  // what the fit, the files and CellLatin1 read
  QString full;        // the whole text where Latin-1 cannot hold it, else null
};

// A typed or pasted text as the table keeps it.
CellText TypedCellText(QStringView typed);

// The tooltip of a pair cell (x, y or Δy) whose text does not read whole as a
// number, saying what the fit reads instead (its leading number, or 0);
// nothing for an empty cell or a number. `full` is the cell's full text, if
// it has one.
std::optional<QString> PairCellMarking(std::string_view latin1, const QString* full);

// The shortest text that reads back as the same double, with a decimal
// comma ("1,234", "0", "1e+300"), as the tooltips show numbers.
std::string GermanNumberText(double value);

}  // namespace app
