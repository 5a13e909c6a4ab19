#include "app/valuetable.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <algorithm>

#include "app/windowstyle.h"
#include "platform/qtlatin1.h"

namespace app {

namespace {

// Every section fixed at the given size: the table is not resizable.
void FixSections(QHeaderView* header, int size) {
  header->setMinimumSectionSize(1);
  header->setDefaultSectionSize(size);
  header->setSectionResizeMode(QHeaderView::Fixed);
}

}  // namespace

ValueTable::ValueTable(QWidget* parent) : QTableWidget(kRows, kColumns, parent) {
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                  QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
  setTabKeyNavigation(true);
  setShowGrid(true);
  setWordWrap(false);
  verticalHeader()->hide();
  FixSections(verticalHeader(), kRowHeight);
  FixSections(horizontalHeader(), kColumnWidth);
  // The header only reserves the strip above the cells; the heading row's
  // view covers it (see updateGeometries).
  horizontalHeader()->setFixedHeight(kRowHeight);
  horizontalHeader()->setSectionsClickable(false);
  horizontalHeader()->setHighlightSections(false);

  for (int row = 0; row < kRows; ++row)
    for (int column = 0; column < kColumns; ++column) setItem(row, column, new QTableWidgetItem);
  for (int column = 0; column < kColumns; ++column) {
    QTableWidgetItem* heading = item(0, column);
    heading->setFlags(Qt::ItemIsEnabled);
    heading->setBackground(kPanelColour);
  }
  setRowHidden(0, true);

  headingRow_ = new QTableView(this);
  headingRow_->setModel(model());
  headingRow_->setFrameShape(QFrame::NoFrame);
  headingRow_->horizontalHeader()->hide();
  headingRow_->verticalHeader()->hide();
  FixSections(headingRow_->verticalHeader(), kRowHeight);
  FixSections(headingRow_->horizontalHeader(), kColumnWidth);
  headingRow_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  headingRow_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  headingRow_->setSelectionMode(QAbstractItemView::NoSelection);
  headingRow_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  headingRow_->setFocusPolicy(Qt::NoFocus);
  headingRow_->setAttribute(Qt::WA_TransparentForMouseEvents);
  for (int row = 1; row < kRows; ++row) headingRow_->setRowHidden(row, true);
  connect(horizontalScrollBar(), &QScrollBar::valueChanged, headingRow_->horizontalScrollBar(),
          &QScrollBar::setValue);
  updateGeometries();
}

void ValueTable::updateGeometries() {
  QTableWidget::updateGeometries();
  if (headingRow_ == nullptr) return;
  headingRow_->setGeometry(horizontalHeader()->geometry());
  headingRow_->raise();
}

std::string ValueTable::CellLatin1(int row, int column) const {
  const QTableWidgetItem* cell = item(row, column);
  if (cell == nullptr) return {};
  return platform::ToLatin1(cell->text());
}

void ValueTable::CommitOpenEditor() {
  if (state() != QAbstractItemView::EditingState) return;
  // The table's only widgets in the viewport are its cell editors; closed
  // ones are hidden until they are deleted.
  for (auto* editor : viewport()->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly)) {
    if (editor->isHidden()) continue;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
  }
}

void ValueTable::SetCellLatin1(int row, int column, std::string_view text) {
  CommitOpenEditor();
  if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return;
  QTableWidgetItem* cell = item(row, column);
  if (cell == nullptr) {
    cell = new QTableWidgetItem;
    setItem(row, column, cell);
  }
  cell->setText(platform::FromLatin1(text));
}

void ValueTable::ClearDataRows() {
  for (int row = 1; row < kRows; ++row)
    for (int column = 0; column < kColumns; ++column) SetCellLatin1(row, column, "");
}

QString ValueTable::SelectedText() const {
  int top = currentRow(), bottom = currentRow();
  int left = currentColumn(), right = currentColumn();
  const QList<QTableWidgetSelectionRange> ranges = selectedRanges();
  if (!ranges.isEmpty()) {
    top = ranges.front().topRow(), bottom = ranges.front().bottomRow();
    left = ranges.front().leftColumn(), right = ranges.front().rightColumn();
    for (const QTableWidgetSelectionRange& range : ranges) {
      top = std::min(top, range.topRow()), bottom = std::max(bottom, range.bottomRow());
      left = std::min(left, range.leftColumn()), right = std::max(right, range.rightColumn());
    }
  }
  top = std::max(top, 1);  // the heading is not part of the data
  QString text;
  for (int row = top; row <= bottom && left >= 0; ++row) {
    for (int column = left; column <= right; ++column) {
      if (column > left) text += QLatin1Char('\t');
      if (const QTableWidgetItem* cell = item(row, column)) text += cell->text();
    }
    text += QLatin1Char('\n');
  }
  return text;
}

void ValueTable::PasteText(const QString& text) {
  if (text.isEmpty()) return;
  QString normalised = text;
  normalised.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  normalised.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  QStringList lines = normalised.split(QLatin1Char('\n'));
  if (lines.size() > 1 && lines.back().isEmpty()) lines.removeLast();  // the final line break

  // With no current cell (or, set from code, one in the heading) the paste
  // starts at the first data cell of that column.
  const int top = std::max(currentRow(), 1);
  const int left = std::max(currentColumn(), 0);
  int bottom = top, right = left;
  for (int i = 0; i < lines.size() && top + i < kRows; ++i) {
    const QStringList fields = lines[i].split(QLatin1Char('\t'));
    for (int j = 0; j < fields.size() && left + j < kColumns; ++j) {
      item(top + i, left + j)->setText(fields[j]);
      bottom = std::max(bottom, top + i);
      right = std::max(right, left + j);
    }
  }
  clearSelection();
  setRangeSelected(QTableWidgetSelectionRange(top, left, bottom, right), true);
}

void ValueTable::EmptySelectedCells() {
  for (QTableWidgetItem* cell : selectedItems())
    if (cell->row() >= 1) cell->setText(QString());
}

void ValueTable::CopyToClipboard() const { QApplication::clipboard()->setText(SelectedText()); }

void ValueTable::PasteFromClipboard() { PasteText(QApplication::clipboard()->text()); }

void ValueTable::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    CopyToClipboard();
  } else if (event->matches(QKeySequence::Cut)) {
    CopyToClipboard();
    EmptySelectedCells();
  } else if (event->matches(QKeySequence::Paste)) {
    PasteFromClipboard();
  } else if (event->matches(QKeySequence::Delete)) {
    EmptySelectedCells();
  } else {
    QTableWidget::keyPressEvent(event);
    return;
  }
  event->accept();
}

}  // namespace app
