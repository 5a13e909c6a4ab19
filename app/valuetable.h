#pragma once
// The value table SG4: a heading row with the column titles "x", "y", "f(x)"
// and 200 rows of free text for the pairs and the fitted values.
//
// Row 0 belongs to the model like any other row, so the handlers write the
// titles into its cells, but the table itself hides it and a one-row view of
// the same model stands in the strip above the cells instead. The heading
// thus stays in sight while the pairs scroll, and it can be neither selected
// nor edited.
//
// Beyond typing, the table answers the keys users expect of a grid: Ctrl+C
// copies the selected cells as tab-separated lines, Ctrl+X also empties them,
// Ctrl+V pastes such lines from the current cell on (clipped at the table's
// edges) and Delete empties the selection. Row 0 is never written by them.
//
// The pairs it holds are read by tablepairs.h.

#include <QTableWidget>
#include <string>
#include <string_view>

class QTableView;

namespace app {

class ValueTable : public QTableWidget {
  Q_OBJECT
 public:
  static constexpr int kRows = 201;  // the heading row and 200 pairs
  static constexpr int kColumns = 3;
  static constexpr int kColumnWidth = 70;
  static constexpr int kRowHeight = 19;

  explicit ValueTable(QWidget* parent = nullptr);

  // A cell's text as the core's 8-bit text (Latin-1); empty outside the
  // table. Rows and columns count from 0, row 0 being the heading.
  std::string CellLatin1(int row, int column) const;
  // Writes a cell from an 8-bit text; ignored outside the table. A cell
  // being edited gets its typed text first (see CommitOpenEditor).
  void SetCellLatin1(int row, int column, std::string_view text);
  // Writes the text of an open cell editor into its cell and closes it. The
  // buttons "B" and "x" take no focus, so an editor stays open while they
  // run; were it left open, it would later write its text over what they
  // wrote.
  void CommitOpenEditor();
  // Empties columns 0, 1 and 2 of rows 1 .. 200; the heading stays.
  void ClearDataRows();

  // The selected cells (or the current cell) as lines of tab-separated texts,
  // each line ending in a line break, as spreadsheets exchange them.
  QString SelectedText() const;
  // Writes tab- and line-separated text into the cells from the current cell
  // on, and selects what was written. Lines and fields beyond the last row or
  // column are dropped. Texts are kept exactly as given (decimal commas too).
  void PasteText(const QString& text);
  // Empties the selected cells.
  void EmptySelectedCells();

  void CopyToClipboard() const;
  void PasteFromClipboard();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void updateGeometries() override;

 private:
  QTableView* headingRow_ = nullptr;
};

}  // namespace app
