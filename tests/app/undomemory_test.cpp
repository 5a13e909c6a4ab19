// The undo history's bound on memory: with a budget made small, replacing
// the table again and again keeps the history within it, the oldest steps
// go first, and the steps left undo and redo as before, with their texts,
// the modified state ("*") and, in the window, the axis titles.

#include <QFile>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QtTest>
#include <memory>
#include <string>
#include <vector>

#include "app/tform1.h"
#include "app/valuetable.h"
#include "valuetable_access.h"
#include "window_fixture.h"

using app::ValueTable;
using namespace table_access;

namespace {

constexpr int kRows = 3000;

app::TableColumns Generation(int generation) {
  app::TableColumns columns;
  const std::string head = std::to_string(generation) + "-";
  for (int i = 0; i < kRows; ++i) {
    columns.x.push_back("x" + head + std::to_string(i));
    columns.y.push_back("y" + head + std::to_string(i));
  }
  return columns;
}

// What a state of the table is told by: the first and the last pair row.
QStringList Marks(const ValueTable& table) {
  return {CellText(table, 1, 0), CellText(table, 1, 1), CellText(table, kRows, 1)};
}

// Room for `tables` replaced tables of kRows rows and half a table more.
std::size_t Budget(const ValueTable& table, int tables) {
  return table.Contents().MemoryBytes() * static_cast<std::size_t>(2 * tables + 1) / 2;
}

}  // namespace

class UndoMemoryTest : public QObject {
  Q_OBJECT

 private slots:
  // Twelve replacements with a typed cell after the 2nd, 6th and 10th, and
  // a save at state `saved` (counted from 0; kept or dropped by then): every
  // state left comes back in order with its undo text and modified state,
  // down to `bottom`, and redo leads back to the last.
  void theOldestStepsGoAndTheRestUndoAsBefore_data() {
    QTest::addColumn<int>("tables");
    QTest::addColumn<int>("saved");
    QTest::addColumn<int>("bottom");
    QTest::newRow("saved last") << 3 << 15 << 11;
    QTest::newRow("saved state kept") << 3 << 12 << 11;
    QTest::newRow("saved state dropped") << 3 << 4 << 11;
    QTest::newRow("first state saved") << 3 << 0 << 11;
    QTest::newRow("newest step beyond the budget") << 0 << 15 << 14;
  }
  void theOldestStepsGoAndTheRestUndoAsBefore() {
    QFETCH(int, tables);
    QFETCH(int, saved);
    QFETCH(int, bottom);
    ValueTable table;
    table.ReplaceContents(Generation(0), QStringLiteral("öffnen 0"));
    table.Model().SetUndoBudget(Budget(table, tables));
    std::vector<QStringList> states{Marks(table)};
    std::vector<QString> texts{QStringLiteral("öffnen 0")};
    if (saved == 0) table.MarkUnmodified();
    int generation = 0;
    for (int step = 1; step <= 15; ++step) {
      if (step % 5 == 3) {
        SetCellText(table, 1, 1, QStringLiteral("edit %1").arg(step));
        texts.push_back(QStringLiteral("Zelle bearbeiten"));
      } else {
        texts.push_back(QStringLiteral("öffnen %1").arg(++generation));
        table.ReplaceContents(Generation(generation), texts.back());
      }
      states.push_back(Marks(table));
      if (step == saved) table.MarkUnmodified();
      QVERIFY(table.Model().UndoHistoryBytes() <= table.Model().UndoBudget() ||
              table.UndoStack()->count() == 1);
      QCOMPARE(table.IsModified(), step != saved);
    }
    int at = 15;
    while (table.CanUndoNow()) {
      QVERIFY2(at > bottom, "the oldest steps are gone");
      QCOMPARE(table.UndoStack()->undoText(), texts[static_cast<std::size_t>(at)]);
      table.Undo();
      --at;
      QCOMPARE(Marks(table), states[static_cast<std::size_t>(at)]);
      QCOMPARE(table.IsModified(), at != saved);
    }
    QCOMPARE(at, bottom);
    while (table.CanRedoNow()) table.Redo();
    QCOMPARE(Marks(table), states.back());
    QCOMPARE(table.IsModified(), saved != 15);
  }

  // The window's openings are macros holding the axis titles beside the
  // table: dropped whole, and those left give back pairs and titles, with
  // the "*" of the title where the pairs are not the opened ones.
  void openedFilesKeepTheirTitlesAndTheStar() {
    std::unique_ptr<TForm1> form;
    window_fixture::Open(
        form, {.collectMessages = true, .columnChooser = window_fixture::AcceptProposedColumns});
    QTemporaryDir dir;
    for (int generation = 1; generation <= 8; ++generation) {
      QFile file(dir.filePath(QStringLiteral("f%1.csv").arg(generation)));
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(QStringLiteral("Zeit %1;Wert %1\n").arg(generation).toLatin1());
      for (int i = 0; i < kRows; ++i)
        file.write(QStringLiteral("%1;%2\n").arg(i).arg(generation).toLatin1());
      file.close();
      QVERIFY2(form->OpenPairFile(file.fileName()), qPrintable(form->LastMessage()));
      if (generation == 1) form->SG4->Model().SetUndoBudget(Budget(*form->SG4, 3));
      QVERIFY(!form->windowTitle().endsWith(QLatin1Char('*')));
    }
    int generation = 8;
    while (form->SG4->CanUndoNow()) {
      form->SG4->Undo();
      --generation;
      QCOMPARE(CellText(*form->SG4, 1, 1), QString::number(generation));
      QCOMPARE(form->Titles().y, QStringLiteral("Wert %1").arg(generation));
      QVERIFY(form->windowTitle().endsWith(QLatin1Char('*')));
    }
    QCOMPARE(generation, 5);  // three openings left to undo
    while (form->SG4->CanRedoNow()) form->SG4->Redo();
    QVERIFY(!form->windowTitle().endsWith(QLatin1Char('*')));
  }
};

QTEST_MAIN(UndoMemoryTest)
#include "undomemory_test.moc"
