// The main window: its controls right after start, the table buttons, the
// value table's keys and the wiring of the later handlers.

#include "app/tform1.h"

#include <QApplication>
#include <QClipboard>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>
#include <memory>

#include "app/controls.h"
#include "app/valuetable.h"
#include "valuetable_access.h"
#include "window_fixture.h"

using app::ValueTable;
using namespace table_access;

namespace {

const QColor kPanelColour(240, 240, 240);
const QColor kNavy(0, 0, 128);

// Every data cell (rows 1 .. 200) as row -> column -> text, for comparisons
// of the whole table before and after an action.
QStringList DataCells(const ValueTable& table) {
  QStringList cells;
  for (int row = 1; row < ValueTable::kRows; ++row)
    for (int column = 0; column < ValueTable::kColumns; ++column)
      cells << CellText(table, row, column);
  return cells;
}

void SetCell(QStringList& cells, int row, int column, const QString& text) {
  cells[(row - 1) * ValueTable::kColumns + column] = text;
}

int FirstInkColumn(const QImage& image, int fromX, int toX) {
  for (int x = fromX; x < toX; ++x)
    for (int y = 0; y < image.height(); ++y)
      if (qGray(image.pixel(x, y)) < 128) return x;
  return -1;
}

}  // namespace

class TForm1Test : public QObject {
  Q_OBJECT

  std::unique_ptr<TForm1> form_;
  ValueTable* table() { return form_->SG4; }

  void KeyToTable(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(table(), static_cast<Qt::Key>(key), modifiers);
  }
  void Select(int top, int left, int bottom, int right) {
    SetCurrentCell(*table(), top, left);
    table()->clearSelection();
    SelectRange(*table(), top, left, bottom, right);
  }

 private slots:
  void init() {
    app::CalcIdle = 0;  // the show handler must set it
    window_fixture::Open(form_);
  }
  void cleanup() { form_.reset(); }

  void everyControlCarriesItsShortNameAndCaption() {
    TForm1& f = *form_;
    const auto caption = [&](const char* name) -> QString {
      QObject* control = f.findChild<QObject*>(QString::fromLatin1(name));
      if (control == nullptr) return QStringLiteral("<missing>");
      return control->property("text").toString();
    };
    const struct {
      const char* name;
      QString text;
    } expected[] = {
        {"Label6", "Wertepaare"},
        {"S11", "B"},
        {"S1", "x"},
        {"Label1", "Anzahl Paare"},
        {"Label2", "-"},
        {"Button1", "Berechnung"},
        {"Label4", "Zielfunktion"},
        {"Label5", "y = a sin (bx + c) + d"},
        {"rt1", "alle Parameter berechnen"},
        {"rt2", "a ist fest ="},
        {"rt3", "b ist fest ="},
        {"rt4", "c ist fest ="},
        {"rt5", "d ist fest ="},
        {"Edit1", ""},
        {"Edit2", ""},
        {"Edit3", ""},
        {"Edit4", ""},
        {"Label3", QStringLiteral("maximaler Wert für |b|")},
        {"Edit5", "200"},
        {"Panel6", "Summe der Fehlerquadrate" + QString(9, ' ') + "Funktion"},
    };
    for (const auto& e : expected) QCOMPARE(caption(e.name), e.text);

    QCOMPARE(f.findChild<QTableView*>("SG4"), f.SG4);
    QCOMPARE(f.findChild<QListWidget*>("Listbox1"), f.Listbox1);
    QCOMPARE(f.findChild<QWidget*>("PB4"), f.PB4);
    QCOMPARE(f.findChild<QPushButton*>("Button1"), f.Button1);
    QCOMPARE(f.findChild<QLineEdit*>("Edit5"), f.Edit5);
    QCOMPARE(f.findChild<QRadioButton*>("rt3"), f.rt3);
    QCOMPARE(f.findChild<QLabel*>("Panel6"), f.Panel6);
    QVERIFY(f.S1->autoRaise() && f.S11->autoRaise());
  }

  void stateRightAfterStart() {
    TForm1& f = *form_;
    QCOMPARE(f.windowTitle(), QStringLiteral("Kalvento"));
    QCOMPARE(app::CalcIdle, 1);
    QVERIFY(f.rt1->isChecked());
    for (QRadioButton* r : {f.rt2, f.rt3, f.rt4, f.rt5}) QVERIFY(!r->isChecked());
    QCOMPARE(f.Listbox1->count(), 0);
    QVERIFY(f.PlotList() != nullptr);
    QVERIFY(f.PlotList()->Entries.empty());
    QCOMPARE(f.PlotList()->PlotCursor, 0);

    QCOMPARE(table()->rowCount(), 201);
    QCOMPARE(table()->columnCount(), 3);
    QCOMPARE(CellText(*table(), 0, 0), QStringLiteral("x"));
    QCOMPARE(CellText(*table(), 0, 1), QStringLiteral("y"));
    QCOMPARE(CellText(*table(), 0, 2), QStringLiteral("f(x)"));
    QCOMPARE(DataCells(*table()), QStringList(600, QString()));
  }

  void sizesColoursAndFonts() {
    TForm1& f = *form_;
    QCOMPARE(f.size(), QSize(1032, 711));
    QCOMPARE(f.minimumSize(), f.maximumSize());
    QVERIFY(!(f.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(f.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(f.palette().color(QPalette::Window), kPanelColour);
    QCOMPARE(QFontInfo(f.font()).pixelSize(), 12);
    QCOMPARE(QFontInfo(f.Label5->font()).pixelSize(), 15);

    QCOMPARE(f.PB4->geometry(), QRect(249, 0, 783, 499));
    QCOMPARE(f.Listbox1->size(), QSize(783, 187));
    QCOMPARE(f.Listbox1->mapTo(&f, QPoint(0, 0)), QPoint(249, 711 - 187));
    QCOMPARE(f.Panel6->size(), QSize(783, 25));
    QCOMPARE(f.Panel6->mapTo(&f, QPoint(0, 0)), QPoint(249, 499));
    QCOMPARE(f.SG4->size(), QSize(229, 241));
    QVERIFY(f.SG4->mapTo(&f, QPoint(229, 0)).x() <= 249);
    QCOMPARE(f.S11->size(), QSize(23, 22));
    QCOMPARE(f.S1->size(), QSize(23, 23));
    QCOMPARE(f.Button1->size(), QSize(153, 25));
    QCOMPARE(f.Edit5->width(), 65);
    const QRadioButton* radios[] = {f.rt2, f.rt3, f.rt4, f.rt5};
    const QLineEdit* edits[] = {f.Edit1, f.Edit2, f.Edit3, f.Edit4};
    for (int i = 0; i < 4; ++i) {
      QCOMPARE(edits[i]->width(), 121);
      QCOMPARE(edits[i]->y(), radios[i]->y());  // beside its radio button
      QVERIFY(edits[i]->x() >= radios[i]->x() + radios[i]->width());
    }
    for (const QLabel* heading : {f.Label6, f.Label4, f.Panel6}) {
      QVERIFY(heading->font().bold());
      QCOMPARE(heading->palette().color(QPalette::WindowText), kNavy);
    }

    QCOMPARE(table()->columnWidth(1), 70);
    QCOMPARE(table()->rowHeight(5), 19);
    QCOMPARE(table()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QVERIFY(table()->verticalScrollBar()->isVisible());
  }

  void keyboardOrder() {
    TForm1& f = *form_;
    const QList<QWidget*> expected = {f.SG4, f.Edit1, f.Edit2, f.Edit3, f.Edit4,   f.rt1,     f.rt2,
                                      f.rt3, f.rt4,   f.rt5,   f.Edit5, f.Button1, f.Listbox1};
    QList<QWidget*> order;
    QWidget* w = f.SG4;
    do {
      if (expected.contains(w)) order << w;
      w = w->nextInFocusChain();
    } while (w != f.SG4 && order.size() < expected.size());
    QCOMPARE(order, expected);
    QCOMPARE(f.S1->focusPolicy(), Qt::NoFocus);
  }

  // The heading row is a row of the table, but it is neither selectable nor
  // editable, and it stays in sight when the pairs scroll.
  void headingRowStaysInSightAndCannotBeEdited() {
    for (int column = 0; column < 3; ++column) {
      const Qt::ItemFlags flags = Cell(*table(), 0, column).flags();
      QVERIFY(!(flags & Qt::ItemIsEditable) && !(flags & Qt::ItemIsSelectable));
      QCOMPARE(Cell(*table(), 0, column).data(Qt::BackgroundRole).value<QBrush>().color(), kPanelColour);
    }
    const auto headingPixel = [&] { return table()->grab().toImage().pixelColor(60, 9); };
    QCOMPARE(headingPixel(), kPanelColour);
    QCOMPARE(table()->grab().toImage().pixelColor(130, 19 + 9), QColor(Qt::white));
    table()->scrollToBottom();
    QVERIFY(table()->verticalScrollBar()->value() > 0);
    QCOMPARE(headingPixel(), kPanelColour);
  }

  void showingAgainResetsIdleAndEmptiesThePlotList() {
    grund::AddPlotTerm(*form_->PlotList(), "SIN(X)");
    app::CalcIdle = 0;
    form_->hide();
    form_->show();
    QCOMPARE(app::CalcIdle, 1);
    QVERIFY(form_->PlotList()->Entries.empty());
    QCOMPARE(form_->PlotList()->PlotCursor, 0);
  }

  void closingReleasesThePlotList() {
    form_->close();
    QCOMPARE(form_->PlotList(), nullptr);
    form_->show();  // shown again: a fresh, empty list
    QVERIFY(form_->PlotList() != nullptr);
    QVERIFY(form_->PlotList()->Entries.empty());
  }

  void exampleButtonReplacesEveryTypedPair() {
    for (int row = 10; row <= 200; row += 19) SetCellText(*table(), row, 0, "9,5");
    SetCellText(*table(), 12, 1, "7");
    SetCellText(*table(), 3, 2, "0,25");
    QTest::mouseClick(form_->S11, Qt::LeftButton);

    QStringList expected(600, QString());
    const char* pairs[9][2] = {{"1.5", "1.4"},  {"1.1", "1.2"},  {"0.7", "0"},
                               {"0.3", "-0.2"}, {"-0.1", "0.4"}, {"-0.5", "1"},
                               {"-1", "1.6"},   {"-1.5", "1.2"}, {"2.8", "0.1"}};
    for (int i = 0; i < 9; ++i) {
      SetCell(expected, i + 1, 0, pairs[i][0]);
      SetCell(expected, i + 1, 1, pairs[i][1]);
    }
    QCOMPARE(DataCells(*table()), expected);
    QCOMPARE(form_->Label2->text(), QStringLiteral("9"));
    QCOMPARE(CellText(*table(), 0, 2), QStringLiteral("f(x)"));
  }

  void emptyButtonLeavesCountListAndPlotAlone() {
    QTest::mouseClick(form_->S11, Qt::LeftButton);
    SetCellText(*table(), 200, 2, "1,5");
    form_->Listbox1->addItem("0,0123\tY = 1,5*SIN(2*X+0,5)-1,25");
    grund::AddPlotTerm(*form_->PlotList(), "SIN(X)");
    const std::vector<std::string> plotBefore = form_->PlotList()->Entries;

    QTest::mouseClick(form_->S1, Qt::LeftButton);
    QCOMPARE(DataCells(*table()), QStringList(600, QString()));
    QCOMPARE(CellText(*table(), 0, 0), QStringLiteral("x"));
    QCOMPARE(form_->Label2->text(), QStringLiteral("9"));
    QCOMPARE(form_->Listbox1->count(), 1);
    QCOMPARE(form_->PlotList()->Entries, plotBefore);
    QCOMPARE(form_->PlotList()->PlotCursor, 2);
  }

  void copyAndPasteARangeWithDecimalCommas() {
    const QString texts[2][3] = {{"1,5", "-0,25", "3"}, {"2,75", "1e3", ""}};
    for (int r = 0; r < 2; ++r)
      for (int c = 0; c < 3; ++c) SetCellText(*table(), 4 + r, c, texts[r][c]);
    Select(4, 0, 5, 2);
    KeyToTable(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("1,5\t-0,25\t3\n2,75\t1e3\t\n"));
    Select(4, 1, 4, 1);
    KeyToTable(Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("-0,25\n"));
    QCOMPARE(CellText(*table(), 4, 1), QString());
    SetCellText(*table(), 4, 1, texts[0][1]);
    Select(4, 0, 5, 2);
    KeyToTable(Qt::Key_C, Qt::ControlModifier);

    SetCellText(*table(), 11, 2, "old");
    SetCurrentCell(*table(), 10, 0);
    KeyToTable(Qt::Key_V, Qt::ControlModifier);
    for (int r = 0; r < 2; ++r)
      for (int c = 0; c < 3; ++c) QCOMPARE(CellText(*table(), 10 + r, c), texts[r][c]);
    QCOMPARE(table()->selectionModel()->selection().size(), 1);
    QCOMPARE(table()->selectionModel()->selection().front().top(), 10);
    QCOMPARE(table()->selectionModel()->selection().front().bottom(), 11);
    QCOMPARE(table()->selectionModel()->selection().front().width(), 3);
  }

  void pasteTakesSpreadsheetLineBreaksAndKeepsTheNeighboursAlone() {
    QStringList expected = DataCells(*table());
    SetCellText(*table(), 3, 0, "keep");
    SetCell(expected, 3, 0, "keep");
    SetCurrentCell(*table(), 1, 1);
    QApplication::clipboard()->setText("0,5\t1.5\r\n-2\t\r\n");
    KeyToTable(Qt::Key_V, Qt::ControlModifier);
    SetCell(expected, 1, 1, "0,5");
    SetCell(expected, 1, 2, "1.5");
    SetCell(expected, 2, 1, "-2");
    QCOMPARE(DataCells(*table()), expected);
  }

  void pasteIsClippedAtTheLastRowAndColumn() {
    QStringList expected = DataCells(*table());
    SetCurrentCell(*table(), 199, 1);
    table()->PasteText("a\tb\tc\nd\te\tf\ng\th\ti\n");
    SetCell(expected, 199, 1, "a");
    SetCell(expected, 199, 2, "b");
    SetCell(expected, 200, 1, "d");
    SetCell(expected, 200, 2, "e");
    QCOMPARE(DataCells(*table()), expected);
    QCOMPARE(CellText(*table(), 0, 1), QStringLiteral("y"));

    // From code the current cell may stand in the heading: the paste starts
    // below it instead of overwriting a title.
    SetCurrentCell(*table(), 0, 0);
    table()->PasteText("h");
    QCOMPARE(CellText(*table(), 0, 0), QStringLiteral("x"));
    QCOMPARE(CellText(*table(), 1, 0), QStringLiteral("h"));
  }

  void deleteEmptiesTheSelectedCellsOnly() {
    QTest::mouseClick(form_->S11, Qt::LeftButton);
    QStringList expected = DataCells(*table());
    Select(2, 0, 3, 1);
    KeyToTable(Qt::Key_Delete);
    for (int row : {2, 3})
      for (int column : {0, 1}) SetCell(expected, row, column, "");
    QCOMPARE(DataCells(*table()), expected);

    Select(0, 0, 1, 2);  // a selection reaching into the heading, set from code
    KeyToTable(Qt::Key_Delete);
    QCOMPARE(CellText(*table(), 0, 0), QStringLiteral("x"));
    QCOMPARE(CellText(*table(), 1, 0), QString());
  }

  void typingIntoACellKeepsTheTextAndTabMovesOn() {
    form_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    table()->setFocus();
    SetCurrentCell(*table(), 4, 0);
    QTest::keyClick(table(), '1');
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor != nullptr);
    QTest::keyClicks(editor, ",75");
    QTest::keyClick(editor, Qt::Key_Tab);
    QCOMPARE(CellText(*table(), 4, 0), QStringLiteral("1,75"));
    QCOMPARE(table()->currentIndex().row(), 4);
    QCOMPARE(table()->currentIndex().column(), 1);
    // Tab leaves the editor open on the next cell, its text selected.
    editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor != nullptr);
    QTest::keyClicks(editor, "-2");
    QTest::keyClick(editor, Qt::Key_Return);  // commits through a queued call
    QTRY_COMPARE(CellText(*table(), 4, 1), QStringLiteral("-2"));
  }

  // "B" and "x" take no focus, so a cell may still be in editing when they
  // run; its typed text must not come back over the emptied table later.
  void tableButtonsWinOverAnOpenCellEditor() {
    form_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    table()->setFocus();
    for (QToolButton* button : {form_->S11, form_->S1}) {
      SetCurrentCell(*table(), 12, 0);
      QTest::keyClick(table(), '5');
      QVERIFY(qobject_cast<QLineEdit*>(QApplication::focusWidget()) != nullptr);
      QTest::mouseClick(button, Qt::LeftButton);
      SetCurrentCell(*table(), 2, 1);  // would commit a still open editor
      QCoreApplication::processEvents();
      QCOMPARE(CellText(*table(), 12, 0), QString());
      QCOMPARE(CellText(*table(), 1, 0), button == form_->S11 ? "1.5" : "");
    }
  }

  void cellsReadAndWriteLatin1() {
    table()->SetCellLatin1(5, 1,
                           "1\xB7"
                           "5\xE9");
    QCOMPARE(CellText(*table(), 5, 1), QStringLiteral("1·5é"));
    QCOMPARE(table()->CellLatin1(5, 1), std::string("1\xB7"
                                                    "5\xE9"));
    QCOMPARE(table()->CellLatin1(0, 2), std::string("f(x)"));
    QCOMPARE(table()->CellLatin1(201, 0), std::string());
    QCOMPARE(table()->CellLatin1(1, -1), std::string());
    table()->SetCellLatin1(-1, 0, "x");
    table()->SetCellLatin1(1, 3, "x");
  }

  void resultListIsSortedAndSetsTabsAt100Pixels() {
    QListWidget* list = form_->Listbox1;
    list->addItem("2,5\tY = B");
    list->addItem("0,5\tY = A");
    QCOMPARE(list->item(0)->text(), QStringLiteral("0,5\tY = A"));
    QCOMPARE(list->visualItemRect(list->item(1)).height(), 14);
    const QImage image = list->viewport()->grab().toImage();
    // "0,5" ends well before the tab stop; "Y" starts at it.
    const int afterNumber = FirstInkColumn(image, 40, 200);
    QVERIFY2(afterNumber >= 100 && afterNumber < 110, qPrintable(QString::number(afterNumber)));
  }

  void resultListReportsOnlyTheUsersChoice() {
    QListWidget* list = form_->Listbox1;
    QSignalSpy chosen(form_->Listbox1, &app::ResultListBox::EntryChosen);
    list->addItem("1");
    list->addItem("2");
    list->setCurrentRow(0);
    QCOMPARE(chosen.count(), 0);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(1)).center());
    QCOMPARE(chosen.count(), 1);
    QTest::keyClick(list, Qt::Key_Up);
    QCOMPARE(chosen.count(), 2);
    QTest::keyClick(list, Qt::Key_Up);  // already at the top: no change
    QCOMPARE(chosen.count(), 2);
  }

  void plotAreaShowsTheFrameAlsoWhenAskedDirectly() {
    form_->PB4Paint();  // outside a paint event: a repaint, no warning
    const QImage image = form_->PB4->grab().toImage();
    QCOMPARE(image.size(), QSize(783, 499));
    // An empty plot list: the frame alone on white. The axes cross at
    // (392, 250); grid lines run at columns 49, 98, ... and rows 5, 54, ...
    for (QPoint p : {QPoint(0, 0), QPoint(300, 400), QPoint(782, 498), QPoint(465, 152)})
      QCOMPARE(image.pixelColor(p), QColor(Qt::white));
    for (QPoint p : {QPoint(392, 250), QPoint(100, 250), QPoint(392, 100), QPoint(392, 400)})
      QCOMPARE(image.pixelColor(p), QColor(Qt::black));
    QCOMPARE(image.pixelColor(441, 100), QColor(208, 208, 208));
  }
};

QTEST_MAIN(TForm1Test)
#include "tform1_test.moc"
