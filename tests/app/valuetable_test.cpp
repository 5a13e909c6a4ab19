// The value table on its own: undo and redo of every kind of change, long
// tables, the Δy column and its fill, the marking of cells that are no
// number, the f(x) writes of a fit and the change stamps.

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyle>
#include <QUndoStack>
#include <QtTest>
#include <functional>
#include <string>
#include <vector>

#include "app/sigmafill.h"
#include "app/tablepairs.h"
#include "app/valuetable.h"
#include "valuetable_access.h"

using app::TableColumns;
using app::ValueTable;
using namespace table_access;

namespace {

// Everything a change may touch: the rows, the Δy switch and every cell's
// text (Δy also while hidden; the full text where Latin-1 cannot hold it).
struct Snapshot {
  int rows = 0;
  bool sigmaShown = false;
  std::vector<QString> cells;
  friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

Snapshot Take(const ValueTable& table) {
  const app::TableContents& contents = table.Contents();
  Snapshot snapshot{contents.Rows(), table.SigmaColumnShown(), {}};
  snapshot.cells.reserve(static_cast<std::size_t>(contents.Rows()) * 4);
  for (int i = 0; i < contents.Rows(); ++i)
    for (int column = 0; column < app::TableContents::kColumns; ++column)
      snapshot.cells.push_back(contents.Text(i, column));
  return snapshot;
}

wertedatei::TextColumn Numbered(int count, const char* prefix) {
  wertedatei::TextColumn column;
  for (int i = 0; i < count; ++i) column.push_back(prefix + std::to_string(i));
  return column;
}

void Fill(ValueTable& table) {
  for (int row = 1; row <= 6; ++row) {
    SetCellText(table, row, 0, QString::number(row));
    SetCellText(table, row, 1, QStringLiteral("%1,5").arg(-row));
  }
}

QLineEdit* OpenEditor(const ValueTable& table) {
  for (auto* editor : table.viewport()->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly))
    if (!editor->isHidden()) return editor;
  return nullptr;
}

// The f(x) text of a stand-in fit.
std::string Fx(double x) {
  std::string text(1, 'f');
  text += std::to_string(static_cast<int>(x));
  return text;
}

}  // namespace

class ValueTableTest : public QObject {
  Q_OBJECT

  std::unique_ptr<ValueTable> table_;
  ValueTable& T() { return *table_; }

  void Show() {
    T().resize(229, 241);
    T().show();
    QVERIFY(QTest::qWaitForWindowExposed(table_.get()));
    T().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(table_.get()));
  }

 private slots:
  void init() {
    table_ = std::make_unique<ValueTable>();
    for (int column = 0; column < 3; ++column)
      T().SetCellLatin1(0, column, std::string(column == 2 ? "f(x)" : column == 0 ? "x" : "y"));
  }
  void cleanup() { table_.reset(); }

  void eachChangeIsUndoneAndRedoneAsOneStep() {
    const struct {
      const char* kind;
      std::function<void(ValueTable&)> change;
    } kinds[] = {
        {"typed cell", [](ValueTable& t) { SetCellText(t, 3, 1, QStringLiteral("7,25")); }},
        {"paste", [](ValueTable& t) {
           SetCurrentCell(t, 2, 0);
           t.PasteText(QStringLiteral("9\t8\t7\n6\t5\n"));
         }},
        {"Delete", [](ValueTable& t) {
           SetCurrentCell(t, 2, 0);
           SelectRange(t, 2, 0, 4, 1);
           QTest::keyClick(&t, Qt::Key_Delete);
         }},
        {"Ctrl+X", [](ValueTable& t) {
           SetCurrentCell(t, 1, 1);
           SelectRange(t, 1, 1, 5, 1);
           QTest::keyClick(&t, Qt::Key_X, Qt::ControlModifier);
         }},
        {"B", [](ValueTable& t) {
           t.ReplaceContents({{"1.5", "1.1"}, {"1.4", "1.2"}, {}}, QStringLiteral("B"));
         }},
        {"x", [](ValueTable& t) { t.ClearDataRows(); }},
        {"open with Δy", [](ValueTable& t) {
           t.ReplaceContents({Numbered(300, ""), Numbered(300, "-"), Numbered(300, "0,")},
                             QStringLiteral("Datei öffnen"), true);
         }},
        {"Δy switch", [](ValueTable& t) { t.SetSigmaColumnShown(true); }},
        {"Δy fill", [](ValueTable& t) { t.FillSigma(QStringLiteral("0,5")); }},
    };
    for (const auto& kind : kinds) {
      init();
      Fill(T());
      T().UndoStack()->clear();
      const Snapshot before = Take(T());
      kind.change(T());
      const Snapshot after = Take(T());
      QVERIFY2(!(after == before), kind.kind);
      QVERIFY2(T().UndoStack()->count() == 1, kind.kind);
      QTest::keyClick(&T(), Qt::Key_Z, Qt::ControlModifier);
      QVERIFY2(Take(T()) == before, kind.kind);
      QTest::keyClick(&T(), Qt::Key_Y, Qt::ControlModifier);
      QVERIFY2(Take(T()) == after, kind.kind);
      T().UndoStack()->undo();
      QTest::keyClick(&T(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
      QVERIFY2(Take(T()) == after, kind.kind);
    }
  }

  void fiftyStepsBackAndForth() {
    std::vector<Snapshot> states{Take(T())};
    for (int step = 1; step <= 60; ++step) {
      SetCellText(T(), 1 + step % 7, step % 3, QString::number(step));
      states.push_back(Take(T()));
    }
    for (int back = 1; back <= 50; ++back) {
      T().Undo();
      QVERIFY2(Take(T()) == states[60 - back], qPrintable(QString::number(back)));
    }
    for (int forth = 49; forth >= 0; --forth) T().Redo();
    QVERIFY(Take(T()) == states[60]);
  }

  void aLargeTableIsReplacedAndGivenBackExactly() {
    Fill(T());
    SetCellText(T(), 2, 0, QStringLiteral("1,5€"));  // a full text beside the Latin-1 one
    const Snapshot small = Take(T());
    constexpr int kLong = 200000;
    T().ReplaceContents({Numbered(kLong, ""), Numbered(kLong, "y"), {}}, QStringLiteral("öffnen"));
    const Snapshot large = Take(T());
    QCOMPARE(T().rowCount(), kLong + 1);
    QCOMPARE(T().CellLatin1(kLong, 1), std::string("y199999"));
    T().Undo();
    QCOMPARE(T().rowCount(), ValueTable::kRows);
    QVERIFY(Take(T()) == small);
    T().Redo();
    QVERIFY(Take(T()) == large);
    const app::TablePairs pairs = app::ReadPairs(T());
    QCOMPARE(pairs.x.size(), std::size_t{kLong});
    QCOMPARE(pairs.y.back(), 0.0);  // "y199999" is no number
    QCOMPARE(pairs.x.back(), 199999.0);
  }

  void aLongPasteGrowsTheTableAndXGivesBack201Rows() {
    SetCurrentCell(T(), 199, 0);
    QVERIFY(T().PasteText(QStringLiteral("1\t2\n3\t4\n5\t6\n7\t8\n9\t10\t11\t12\n")));
    QCOMPARE(T().rowCount(), 204);
    QCOMPARE(CellText(T(), 203, 1), QStringLiteral("10"));
    QCOMPARE(CellText(T(), 203, 2), QStringLiteral("11"));  // no fourth column
    QCOMPARE(T().selectionModel()->selection().front().bottom(), 203);
    T().ClearDataRows();
    QCOMPARE(T().rowCount(), ValueTable::kRows);
    QCOMPARE(CellText(T(), 199, 0), QString());
    T().Undo();
    QCOMPARE(T().rowCount(), 204);
    T().Undo();
    QCOMPARE(T().rowCount(), ValueTable::kRows);
  }

  void theSigmaColumnIsShownAndHiddenWithItsTexts() {
    Show();
    Fill(T());
    QSignalSpy switched(&T(), &ValueTable::SigmaColumnShownChanged);
    T().SetSigmaColumnShown(true);
    QCOMPARE(T().columnCount(), 4);
    QCOMPARE(CellText(T(), 0, 3), QStringLiteral("Δy"));
    const int scrollBar = T().style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &T());
    QVERIFY(4 * T().columnWidth(3) + scrollBar <= 229);
    QVERIFY(T().columnWidth(0) == T().columnWidth(3));
    SetCellText(T(), 2, 3, QStringLiteral("0,1"));
    T().grab().save(QStringLiteral("/tmp/valuetable_sigma.png"));

    SetCurrentCell(T(), 2, 1);
    SelectRange(T(), 2, 1, 2, 3);
    T().CopyToClipboard();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("-2,5\t\t0,1\n"));
    SetCurrentCell(T(), 4, 1);
    T().PasteFromClipboard();
    QCOMPARE(CellText(T(), 4, 3), QStringLiteral("0,1"));
    app::TablePairs pairs = app::ReadPairs(T());
    QCOMPARE(std::string(pairs.sigmaY[1]), std::string("0,1"));

    T().SetSigmaColumnShown(false);
    QCOMPARE(T().columnCount(), 3);
    QCOMPARE(T().columnWidth(0), 70);
    QCOMPARE(T().CellLatin1(2, 3), std::string());
    QVERIFY(app::ReadPairs(T()).sigmaY.empty());
    T().ClearDataRows();  // a hidden column is not emptied
    T().SetSigmaColumnShown(true);
    QCOMPARE(CellText(T(), 2, 3), QStringLiteral("0,1"));
    QCOMPARE(switched.count(), 3);
    T().Undo();
    QCOMPARE(switched.count(), 4);
    QVERIFY(!T().SigmaColumnShown());
  }

  void theSigmaFill_data() {
    QTest::addColumn<QString>("fill");
    QTest::addColumn<QStringList>("expected");  // Δy of rows 1 .. 4
    // Row 1: y "-1,5"; row 2: no x; row 3: y "abc"; row 4: y "1.1".
    QTest::newRow("value") << "0,05" << QStringList{"0,05", "old", "0,05", "0,05"};
    QTest::newRow("point") << " 0.5 " << QStringList{"0,5", "old", "0,5", "0,5"};
    QTest::newRow("percent") << "2 %" << QStringList{"0,03", "old", "0", "0,022"};
    QTest::newRow("percent, no blank") << "10%" << QStringList{"0,15", "old", "0", "0,11"};
  }
  void theSigmaFill() {
    QFETCH(QString, fill);
    QFETCH(QStringList, expected);
    const char* rows[][3] = {{"1", "-1,5", ""}, {"", "2", "old"}, {"3", "abc", "9"}, {"4", "1.1", ""}};
    T().SetSigmaColumnShown(true);
    for (int r = 0; r < 4; ++r) {
      T().SetCellLatin1(r + 1, 0, rows[r][0]);
      T().SetCellLatin1(r + 1, 1, rows[r][1]);
      T().SetCellLatin1(r + 1, 3, rows[r][2]);
    }
    QCOMPARE(T().FillSigma(fill).value_or(-1), 3);
    for (int r = 0; r < 4; ++r) QCOMPARE(CellText(T(), r + 1, 3), expected[r]);
  }

  void aFillIsANumberAboveZero() {
    Fill(T());
    for (const char* text : {"", "0", "-1", "abc", "%", "1,5 mm", "inf", "1e400", "2 % %"}) {
      QVERIFY2(!app::ParseSigmaFill(text), text);
      QVERIFY2(!T().FillSigma(QString::fromLatin1(text)), text);
    }
    QCOMPARE(T().FillSigma(QStringLiteral("\u00A02\u2009%")).value_or(-1), 6);  // typed blanks
    QVERIFY(!T().SigmaColumnShown());  // filled while hidden, there once shown
    T().SetSigmaColumnShown(true);
    QCOMPARE(T().CellLatin1(1, 3), std::string("0,03"));
  }

  void cellsSayWhatTheyCountAs_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QByteArray>("latin1");
    QTest::addColumn<QString>("tip");  // empty: not marked
    QTest::newRow("minus sign") << 0 << "\u22121,5" << "-1,5" << QByteArray("-1,5") << "";
    QTest::newRow("dash before a digit") << 1 << "\u20132" << "-2" << QByteArray("-2") << "";
    QTest::newRow("thin space")
        << 1 << "1\u2009000" << "1 000" << QByteArray("1 000")
        << "Keine Zahl – gerechnet wird mit 1";
    QTest::newRow("abc") << 0 << "abc" << "abc" << QByteArray("abc")
                         << "Keine Zahl – gerechnet wird mit 0";
    QTest::newRow("thousands dot") << 1 << "1.234,5" << "1.234,5" << QByteArray("1.234,5")
                                   << "Keine Zahl – gerechnet wird mit 1,234";
    QTest::newRow("euro sign")
        << 0 << "1,5€" << "1,5€" << QByteArray("1,5?")
        << "Keine Zahl – gerechnet wird mit 1,5\nNicht lesbare Zeichen (zählen als „?“): €";
    QTest::newRow("dash alone") << 0 << "\u2013" << "\u2013" << QByteArray("?")
                                << "Keine Zahl – gerechnet wird mit 0\n"
                                   "Nicht lesbare Zeichen (zählen als „?“): \u2013";
    QTest::newRow("f(x) is no pair cell") << 2 << "abc" << "abc" << QByteArray("abc") << "";
    QTest::newRow("a number") << 1 << " 2,5e3" << " 2,5e3" << QByteArray(" 2,5e3") << "";
  }
  void cellsSayWhatTheyCountAs() {
    QFETCH(int, column);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QByteArray, latin1);
    QFETCH(QString, tip);
    SetCellText(T(), 4, column, typed);
    const QModelIndex cell = Cell(T(), 4, column);
    QCOMPARE(CellText(T(), 4, column), shown);
    QCOMPARE(T().CellLatin1(4, column), latin1.toStdString());
    QCOMPARE(cell.data(Qt::ToolTipRole).toString(), tip);
    const QVariant colour = cell.data(Qt::ForegroundRole);
    QCOMPARE(colour.isValid(), !tip.isEmpty());
    if (colour.isValid()) QVERIFY(colour.value<QBrush>().color().red() >= 200);
    // Pasted the same way.
    SetCurrentCell(T(), 5, column);
    T().PasteText(typed);
    QCOMPARE(CellText(T(), 5, column), shown);
  }

  void fittedValuesLeaveAnOpenEditorAlone() {
    Show();
    Fill(T());
    T().UndoStack()->setClean();
    for (const QPoint cell : {QPoint(0, 5), QPoint(2, 3)}) {  // another cell, an f(x) cell
      T().setFocus();
      SetCurrentCell(T(), cell.y(), cell.x());
      QTest::keyClick(&T(), '1');
      QLineEdit* editor = OpenEditor(T());
      QVERIFY(editor != nullptr);
      QTest::keyClicks(editor, "2");
      T().WriteFittedValues({1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6}, Fx);
      QCoreApplication::processEvents();
      QCOMPARE(OpenEditor(T()), editor);
      QCOMPARE(editor->text(), QStringLiteral("12"));
      QVERIFY(editor->isVisible() && editor->hasFocus());
      QVERIFY(!T().IsModified());  // no step of the undo stack
      QTest::keyClick(editor, Qt::Key_Return);
      QTRY_COMPARE(CellText(T(), cell.y(), cell.x()), QStringLiteral("12"));
      T().UndoStack()->undo();
    }
    QCOMPARE(CellText(T(), 6, 2), QStringLiteral("f6"));
    QCOMPARE(T().CellLatin1(1, 2), std::string("f1"));
  }

  void fittedValuesOfAnEarlierWriteStayWhereTheNewOneLeavesThem() {
    T().WriteFittedValues({1, 2, 3, 4}, {1, 2, 3, 4}, Fx);
    T().WriteFittedValues({1, 3}, {10, 30}, Fx);
    const QStringList expected = {"f10", "f2", "f30", "f4", ""};
    for (int row = 1; row <= 5; ++row) QCOMPARE(CellText(T(), row, 2), expected[row - 1]);
    T().ClearFittedValues({3});
    QCOMPARE(CellText(T(), 3, 2), QString());
    SetCellText(T(), 1, 2, QStringLiteral("typed"));
    QCOMPARE(CellText(T(), 1, 2), QStringLiteral("typed"));
    T().Undo();
    QCOMPARE(CellText(T(), 1, 2), QStringLiteral("f10"));
  }

  void changeStampsTellTheRowsThatStillHoldTheirPairs() {
    Fill(T());
    const ValueTable::Revision start = T().CurrentRevision();
    const std::vector<int> rows = {1, 2, 3, 4, 5, 6};
    QCOMPARE(T().RowsUnchangedSince(rows, start), rows);
    SetCellText(T(), 3, 1, QStringLiteral("9"));
    SetCellText(T(), 4, 2, QStringLiteral("9"));  // f(x): not a pair
    T().WriteFittedValues(rows, {1, 2, 3, 4, 5, 6}, Fx);
    QCOMPARE(T().RowsUnchangedSince(rows, start), (std::vector<int>{1, 2, 4, 5, 6}));
    const ValueTable::Revision later = T().CurrentRevision();
    T().Undo();  // of the f(x) edit
    T().Undo();  // of row 3's y: a change again
    QCOMPARE(T().RowsUnchangedSince(rows, later), (std::vector<int>{1, 2, 4, 5, 6}));
    QVERIFY(T().RowChangedSince(0, start) && T().RowChangedSince(201, start));
    T().ClearDataRows();
    QVERIFY(T().RowsUnchangedSince(rows, later).empty());
  }

  void reshapingWaitsWhileNotAllowed() {
    Fill(T());
    T().ReplaceContents({{"1"}, {"2"}, {}}, QStringLiteral("B"));
    SetCellText(T(), 2, 0, QStringLiteral("5"));
    T().SetReshapingAllowed(false);
    SetCurrentCell(T(), 3, 0);
    QVERIFY(!T().PasteText(QStringLiteral("1\t2")));
    QCOMPARE(CellText(T(), 3, 0), QString());
    QVERIFY(T().PasteText(QStringLiteral("7")));  // one cell, like typing
    QCOMPARE(CellText(T(), 3, 0), QStringLiteral("7"));
    T().Undo();
    T().Undo();
    QCOMPARE(CellText(T(), 2, 0), QString());
    QVERIFY(!T().CanUndoNow());  // "B" is next
    T().Undo();
    QCOMPARE(CellText(T(), 1, 0), QStringLiteral("1"));
    T().SetReshapingAllowed(true);
    T().Undo();
    QCOMPARE(CellText(T(), 1, 1), QStringLiteral("-1,5"));
  }

  void theModifiedStateFollowsUndo() {
    QSignalSpy undoState(&T(), &ValueTable::UndoStateChanged);
    T().MarkUnmodified();
    QVERIFY(!T().IsModified() && !T().HoldsPairs());
    SetCellText(T(), 1, 1, QStringLiteral("1"));  // a y alone is a text to keep
    QVERIFY(T().IsModified() && T().HoldsPairs());
    QVERIFY(undoState.count() >= 2);
    T().Undo();
    QVERIFY(!T().HoldsPairs());
    undoState.clear();
    T().SetReshapingAllowed(false);
    QCOMPARE(undoState.count(), 1);
    T().SetReshapingAllowed(true);
    T().Redo();
    T().Undo();
    SetCellText(T(), 1, 0, QStringLiteral("1"));
    QVERIFY(T().IsModified());
    SetCellText(T(), 1, 0, QStringLiteral("1"));  // the same text: no step
    QCOMPARE(T().UndoStack()->count(), 1);
    T().Undo();
    QVERIFY(!T().IsModified());
    T().ClearDataRows();  // nothing to empty: no step
    QCOMPARE(T().UndoStack()->index(), 0);
  }
};

QTEST_MAIN(ValueTableTest)
#include "valuetable_test.moc"
