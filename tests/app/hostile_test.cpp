// The window under hostile use: cells and fields holding texts no number
// reader expects, random interleavings of clicks and edits while fits run
// nested in each other's event pumping, and the window closed mid-fit.
//
// After each: no crash, CalcIdle 1 and the caption "Berechnung" once every
// computation has ended, and the x and y cells exactly as the user left them.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QtTest>
#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "_grund/grund.h"
#include "app/controls.h"
#include "app/tform1.h"
#include "app/valuetable.h"
#include "valuetable_access.h"
#include "window_fixture.h"

using app::ValueTable;
using namespace table_access;

namespace {

constexpr int kRows = ValueTable::kRows;

QString Repeat(const QString& unit, int times) {
  QString text;
  for (int i = 0; i < times; ++i) text += unit;
  return text;
}

// Unit joined by "+" to exactly `length` characters (padded with "+0").
QString TermOfLength(const QString& unit, int length) {
  QString term = QStringLiteral("0");
  while (term.size() + 1 + unit.size() <= length) term += QLatin1Char('+') + unit;
  while (term.size() + 2 <= length) term += QStringLiteral("+0");
  if (term.size() < length) term += QLatin1Char(' ');
  return term;
}

// Texts that no number reader expects, for cells and fields alike.
const QStringList& HostileTexts() {
  static const QStringList texts = {
      Repeat(QStringLiteral("1,5 "), 2500),  // 10,000 characters
      Repeat(QStringLiteral("9"), 10000),
      QStringLiteral("1e400"),
      QStringLiteral("-1e400"),
      QStringLiteral("nan"),
      QStringLiteral("inf"),
      QStringLiteral("-"),
      QStringLiteral("1,2,3"),
      QStringLiteral("€"),
      QStringLiteral("漢字"),
      QStringLiteral("\u00ff\u0100\U0001F600"),  // Latin-1's last letter, then beyond
      QStringLiteral("   "),
      QStringLiteral("\t"),
      QStringLiteral("1e300"),
      QStringLiteral("-1e308"),
      QStringLiteral("4.9e-324"),
      QStringLiteral("0x1F"),
      QStringLiteral("."),
  };
  return texts;
}

// What a parameter field may hold beyond plain numbers.
const QStringList& HostileFieldTexts() {
  static const QStringList texts = [] {
    QStringList t = HostileTexts();
    t << QStringLiteral("1/0") << QStringLiteral("sqrt(-1)") << QStringLiteral("x^1000")
      << QStringLiteral("mcarlo(1)") << QStringLiteral("1e10") << QStringLiteral("pi/2")
      << Repeat(QStringLiteral("("), 10000) + QStringLiteral("1") +
             Repeat(QStringLiteral(")"), 10000)
      << Repeat(QStringLiteral("("), 200) + QStringLiteral("2") + Repeat(QStringLiteral(")"), 200)
      // The longest text a field takes.
      << TermOfLength(QStringLiteral("EULERPHI(9973)"), 32767)
      << TermOfLength(QStringLiteral("SIN(X)"), 32767);
    return t;
  }();
  return texts;
}

// The longest text a field takes, of the calls that cost the most (some
// 40 ms a reading): as a fixed value only, which is read once per fit; as
// the bound it would be read for each of the fit's 400 candidates.
QString SlowestFieldText() { return TermOfLength(QStringLiteral("SI(49,9)"), 32767); }

// The x and y cells of rows 1 .. 200, column by column.
struct PairCells {
  std::array<QStringList, 2> columns;
  friend bool operator==(const PairCells&, const PairCells&) = default;
};

PairCells ReadPairCells(const ValueTable& table) {
  PairCells cells;
  for (int column = 0; column < 2; ++column)
    for (int row = 1; row < kRows; ++row) cells.columns[column] << CellText(table, row, column);
  return cells;
}

PairCells EmptyPairCells() {
  PairCells cells;
  for (QStringList& column : cells.columns) column = QStringList(kRows - 1, QString());
  return cells;
}

PairCells ExamplePairCells() {
  PairCells cells = EmptyPairCells();
  const char* x[] = {"1.5", "1.1", "0.7", "0.3", "-0.1", "-0.5", "-1", "-1.5", "2.8"};
  const char* y[] = {"1.4", "1.2", "0", "-0.2", "0.4", "1", "1.6", "1.2", "0.1"};
  for (int i = 0; i < 9; ++i) {
    cells.columns[0][i] = QString::fromLatin1(x[i]);
    cells.columns[1][i] = QString::fromLatin1(y[i]);
  }
  return cells;
}

// The first row where the two differ, for the failure message.
QString FirstDifference(const PairCells& actual, const PairCells& expected) {
  for (int column = 0; column < 2; ++column)
    for (int row = 0; row < kRows - 1; ++row)
      if (actual.columns[column][row] != expected.columns[column][row])
        return QStringLiteral("row %1 column %2: \"%3\" instead of \"%4\"")
            .arg(row + 1)
            .arg(column)
            .arg(actual.columns[column][row].left(40), expected.columns[column][row].left(40));
  return {};
}

// Runs `action` at the next pumping of the event loop.
void Post(std::function<void()> action) {
  QMetaObject::invokeMethod(qApp, std::move(action), Qt::QueuedConnection);
}

QLineEdit* OpenCellEditor(const ValueTable& table) {
  for (auto* editor : table.viewport()->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly))
    if (!editor->isHidden()) return editor;
  return nullptr;
}

}  // namespace

class HostileTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TForm1> form_;

  // No computation runs any more: the button is idle and says so.
  void VerifyIdle() {
    QCOMPARE(app::CalcIdle, std::uint8_t{1});
    QCOMPARE(form_->Button1->text(), QStringLiteral("Berechnung"));
  }
  void VerifyPairCells(const PairCells& expected) {
    const PairCells actual = ReadPairCells(*form_->SG4);
    QVERIFY2(actual == expected, qPrintable(FirstDifference(actual, expected)));
  }
  void VerifyHeading() {
    QCOMPARE(CellText(*form_->SG4, 0, 0), QStringLiteral("x"));
    QCOMPARE(CellText(*form_->SG4, 0, 1), QStringLiteral("y"));
    QCOMPARE(CellText(*form_->SG4, 0, 2), QStringLiteral("f(x)"));
  }
  // The result list stays sorted and free of repeats.
  void VerifyResultList() {
    QStringList entries;
    for (int i = 0; i < form_->Listbox1->count(); ++i) entries << form_->Listbox1->item(i)->text();
    QStringList sorted = entries;
    sorted.sort();
    QCOMPARE(entries, sorted);
    sorted.removeDuplicates();
    QCOMPARE(sorted.size(), entries.size());
  }
  void ClickResultLine(int row) {
    QListWidget& list = *form_->Listbox1;
    list.scrollToItem(list.item(row));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                      list.visualItemRect(list.item(row)).center());
  }
 private slots:
  void init() { window_fixture::Open(form_); }
  void cleanup() { form_.reset(); }

  void hostileCellTexts_data() {
    QTest::addColumn<QString>("text");
    for (const QString& text : HostileTexts())
      QTest::newRow(qPrintable(text.left(12).toUtf8().toPercentEncoding())) << text;
  }

  // The text in x cells, y cells and both, among good pairs, with a gap and
  // in the last row; then a fit, a click on each result line, a paint.
  void hostileCellTexts() {
    QFETCH(QString, text);
    TForm1& f = *form_;
    ValueTable& table = *f.SG4;
    const auto set = [&](int row, int column, const QString& t) {
      SetCellText(table, row, column, t);
    };
    set(1, 0, QStringLiteral("0,5")), set(1, 1, QStringLiteral("1"));
    set(2, 0, text), set(2, 1, QStringLiteral("2"));
    set(3, 0, QStringLiteral("1,5")), set(3, 1, text);
    set(4, 0, text), set(4, 1, text);
    set(6, 0, QStringLiteral("-2")), set(6, 1, QStringLiteral("0,5"));  // row 5 is a gap
    set(200, 0, text), set(200, 1, text);
    const PairCells before = ReadPairCells(table);

    QTest::mouseClick(f.Button1, Qt::LeftButton);
    VerifyIdle();
    VerifyPairCells(before);
    QCOMPARE(f.Label2->text(), QStringLiteral("6"));
    QVERIFY(f.Listbox1->count() >= 1);
    VerifyResultList();
    for (int row : {1, 2, 3, 4, 6, 200}) {
      const std::string fx = table.CellLatin1(row, 2);
      QVERIFY2(grund::ParseNumber(grund::CommaToPoint(fx)).ok, fx.c_str());
    }

    for (int i = 0; i < f.Listbox1->count(); ++i) ClickResultLine(i);
    f.PB4->repaint();
    VerifyPairCells(before);
    VerifyIdle();
    QCOMPARE(f.PlotList()->Entries.size(), std::size_t{6 + 2 * 6 + 1});
  }

  void hostileFieldTexts_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("asBound");
    for (const QString& text : HostileFieldTexts())
      QTest::newRow(
          qPrintable(text.left(12).toUtf8().toPercentEncoding() + QByteArray::number(text.size())))
          << text << true;
    QTest::newRow("slowest term") << SlowestFieldText() << false;
  }

  // The text as each fixed value and as the bound on |b|. A field reads as
  // its term's value at X = 1, and as 0 when the term fails.
  void hostileFieldTexts() {
    QFETCH(QString, text);
    QFETCH(bool, asBound);
    TForm1& f = *form_;
    f.S11C();
    const PairCells before = ReadPairCells(*f.SG4);
    const double value = grund::ReadEditValue(text.toLatin1().toStdString());
    QLineEdit* fields[] = {f.Edit1, f.Edit2, f.Edit3, f.Edit4};
    QRadioButton* modes[] = {f.rt2, f.rt3, f.rt4, f.rt5};
    for (int i = 0; i < 4; ++i) {
      fields[i]->setText(text);
      QCOMPARE(fields[i]->text(), text);  // within the field's length limit
      modes[i]->setChecked(true);
      f.Edit5->setText(i == 1 ? text : QStringLiteral("200"));  // b fixed: no bound applies
      QTest::mouseClick(f.Button1, Qt::LeftButton);
      VerifyIdle();
      VerifyResultList();
      // The fixed value stands in every entry's term (written with 6 decimals).
      const std::string fixed = grund::FormatComma(value, 1, 6);
      const std::string signedFixed = grund::FormatSigned(value, 1, 6);
      const std::string patterns[] = {std::string("Y = ").append(fixed).append("*SIN("),
                                      std::string("*SIN(").append(fixed).append("*X"),
                                      std::string("*X").append(signedFixed).append(")"),
                                      std::string(")").append(signedFixed)};
      const std::string& pattern = patterns[i];
      for (int row = 0; row < f.Listbox1->count(); ++row) {
        const std::string entry = f.Listbox1->item(row)->text().toLatin1().toStdString();
        QVERIFY2(entry.find(pattern) != std::string::npos, entry.c_str());
      }
      fields[i]->clear();
    }

    // As the bound in mode 1.
    if (!asBound) return;
    f.rt1->setChecked(true);
    f.Edit5->setText(text);
    QTest::mouseClick(f.Button1, Qt::LeftButton);
    VerifyIdle();
    VerifyResultList();
    if (value <= 0) {
      QCOMPARE(f.Listbox1->count(), 1);
      QCOMPARE(f.Listbox1->item(0)->text(), QStringLiteral("10000\tY = 0*SIN(0*X+0)+0"));
    }
    VerifyPairCells(before);
  }

  void randomInterleavings_data() {
    QTest::addColumn<unsigned>("seed");
    for (unsigned seed : {1u, 2u, 3u, 4u}) QTest::newRow(qPrintable(QString::number(seed))) << seed;
  }

  // A few hundred seeded user actions, one per pumping of the event loop, so
  // that they run inside the pumping of fits, and of fits nested in fits.
  // The x and y cells must end as the actions left them.
  void randomInterleavings() {
    QFETCH(unsigned, seed);
    constexpr int kSteps = 300;
    TForm1& f = *form_;
    ValueTable& table = *f.SG4;
    std::mt19937 random(seed);
    const auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const auto anyText = [&] {
      if (below(3) == 0) return HostileTexts()[below(static_cast<int>(HostileTexts().size()))];
      return QString::number(below(2001) / 100.0 - 10, 'g', 4)
          .replace(QLatin1Char('.'), QLatin1Char(','));
    };
    const auto anyRow = [&] { return below(8) == 0 ? 1 + below(kRows - 1) : 1 + below(20); };
    PairCells expected = EmptyPairCells();
    const auto remember = [&](int row, int column, const QString& text) {
      if (row >= 1 && column < 2) expected.columns[column][row - 1] = text;
    };

    // Each action queues the next one after it has acted, behind what it
    // queued itself (a cell editor commits on Return through the event
    // queue), as when a user does one thing after another. A click on
    // Button1 can start a fit, whose pumping must find the next action
    // queued. Under the GLib event loop, a nested loop started by an event's
    // handler does not deliver what that same handler queued; so a click is
    // mostly queued as an event of its own, followed by the next action, and
    // sometimes made at once (then it can hit the pumping at the start of a
    // fit, and a fit it starts runs on its own until it ends).
    enum class Kind { kPlain, kQueuedClick, kClickAtOnce };
    struct Action {
      std::function<void()> act;
      Kind kind = Kind::kPlain;
    };
    std::vector<Action> actions;
    for (int step = 0; step < kSteps; ++step) {
      switch (below(12)) {
        case 0:
        case 1:
          actions.push_back({[&] { QTest::mouseClick(f.Button1, Qt::LeftButton); },
                             below(3) == 0 ? Kind::kClickAtOnce : Kind::kQueuedClick});
          break;
        case 2:
          actions.push_back({[&] {
            // Disabled while a computation runs: the table stays.
            const bool enabled = f.S11->isEnabled();
            QTest::mouseClick(f.S11, Qt::LeftButton);
            if (enabled) expected = ExamplePairCells();
          }});
          break;
        case 3:
          actions.push_back({[&] {
            const bool enabled = f.S1->isEnabled();
            QTest::mouseClick(f.S1, Qt::LeftButton);
            if (enabled) expected = EmptyPairCells();
          }});
          break;
        case 4:
          actions.push_back({[&, pick = below(1000)] {
            if (f.Listbox1->count() > 0) ClickResultLine(pick % f.Listbox1->count());
          }});
          break;
        case 5:
        case 6: {  // a cell typed in its editor
          const int row = anyRow(), column = below(3);
          const QString text = anyText();
          actions.push_back({[&, row, column, text] {
            SetCurrentCell(table, row, column);
            table.edit(Cell(table, row, column));
            QLineEdit* editor = OpenCellEditor(table);
            QVERIFY(editor != nullptr);
            // Typed key by key where QTest has keys for the text (ASCII).
            const bool typeable =
                text.size() <= 20 && std::all_of(text.begin(), text.end(), [](QChar c) {
                  return c.unicode() >= 32 && c.unicode() < 127;
                });
            if (typeable) {
              editor->clear();
              QTest::keyClicks(editor, text);
            } else {
              editor->setText(text);
            }
            QTest::keyClick(editor, Qt::Key_Return);
            remember(row, column, text);
          }});
          break;
        }
        case 7: {  // a block pasted, clipped at the table's edges
          const int row = anyRow(), column = below(3);
          const int lines = 1 + below(4), fields = 1 + below(3);
          QStringList block;
          for (int i = 0; i < lines; ++i) {
            QStringList line;
            for (int j = 0; j < fields; ++j) line << anyText().remove(QLatin1Char('\t'));
            block << line.join(QLatin1Char('\t'));
          }
          actions.push_back({[&, row, column, block] {
            SetCurrentCell(table, row, column);
            // A block waits while a computation runs; a single cell does not.
            if (!table.PasteText(block.join(QLatin1Char('\n')))) return;
            for (int i = 0; i < block.size() && row + i < kRows; ++i) {
              const QStringList line = block[i].split(QLatin1Char('\t'));
              for (int j = 0; j < line.size(); ++j) remember(row + i, column + j, line[j]);
            }
          }});
          break;
        }
        case 8: {  // a selection emptied with Delete
          const int row = anyRow(), column = below(3);
          const int bottom = std::min(kRows - 1, row + below(5)),
                    right = std::min(2, column + below(2));
          actions.push_back({[&, row, column, bottom, right] {
            SetCurrentCell(table, row, column);
            table.clearSelection();
            SelectRange(table, row, column, bottom, right);
            QTest::keyClick(&table, Qt::Key_Delete);
            for (int r = row; r <= bottom; ++r)
              for (int c = column; c <= right; ++c) remember(r, c, QString());
          }});
          break;
        }
        case 9: {  // a parameter field
          QLineEdit* fields[] = {f.Edit1, f.Edit2, f.Edit3, f.Edit4, f.Edit5};
          QLineEdit* field = fields[below(5)];
          const QString text =
              below(2) == 0
                  ? HostileFieldTexts()[below(static_cast<int>(HostileFieldTexts().size()))]
                  : QString::number(below(400));
          actions.push_back({[field, text] { field->setText(text); }});
          break;
        }
        case 10: {  // a fit mode
          QRadioButton* modes[] = {f.rt1, f.rt2, f.rt3, f.rt4, f.rt5};
          QRadioButton* mode = modes[below(5)];
          actions.push_back({[mode] { QTest::mouseClick(mode, Qt::LeftButton); }});
          break;
        }
        default:
          actions.push_back({[&] { f.PB4->repaint(); }});
          break;
      }
    }

    std::size_t next = 0;
    bool finished = false;
    QString violation;  // the first, reported once every action has run
    int depth = 0, deepest = 0, actionsDuringFits = 0;
    std::function<void()> runNext = [&] {
      if (next == actions.size()) {
        finished = true;
        return;
      }
      const Action& action = actions[next++];
      // Never "Abbruch" while no computation runs.
      if (app::CalcIdle == 1 && f.Button1->text() != QStringLiteral("Berechnung") &&
          violation.isEmpty())
        violation =
            QStringLiteral("step %1: caption \"%2\" while idle").arg(next).arg(f.Button1->text());
      if (depth > 0) ++actionsDuringFits;
      const auto click = [&, act = action.act] {
        deepest = std::max(deepest, ++depth);
        act();
        --depth;
      };
      switch (action.kind) {
        case Kind::kPlain:
          action.act();
          Post(runNext);
          break;
        case Kind::kQueuedClick:
          Post(click);
          Post(runNext);
          break;
        case Kind::kClickAtOnce:
          Post(runNext);
          click();
          break;
      }
    };
    Post(runNext);
    // Every action runs, whatever fails, so nothing queued outlives the test.
    while (!finished) QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QVERIFY2(violation.isEmpty(), qPrintable(violation));
    // The actions did run inside fits, nested ones too.
    QVERIFY2(actionsDuringFits > kSteps / 4, qPrintable(QString::number(actionsDuringFits)));
    QVERIFY2(deepest >= 2, qPrintable(QString::number(deepest)));

    VerifyIdle();
    VerifyPairCells(expected);
    VerifyHeading();
    VerifyResultList();
  }

  void closingTheWindowDuringAComputation_data() {
    QTest::addColumn<int>("pumping");
    QTest::addColumn<bool>("nested");
    // 1 is the pumping at the start of the (nested) fit, 2 .. 21 those after
    // its passes.
    for (int pumping : {1, 2, 11, 21}) {
      QTest::newRow(qPrintable(QStringLiteral("pumping %1").arg(pumping))) << pumping << false;
      QTest::newRow(qPrintable(QStringLiteral("pumping %1, nested fit").arg(pumping)))
          << pumping << true;
    }
  }

  // The window closed while a fit runs, or while a second fit runs nested
  // in the first after an abort click; then shown again for a full fit.
  void closingTheWindowDuringAComputation() {
    QFETCH(int, pumping);
    QFETCH(bool, nested);
    TForm1& f = *form_;
    f.S11C();
    SetCellText(*f.SG4, 12, 0, QStringLiteral("€"));
    SetCellText(*f.SG4, 12, 1, Repeat(QStringLiteral("7"), 10000));
    const PairCells before = ReadPairCells(*f.SG4);
    // Typed pairs: closing asks; the answer lets the window close.
    int asked = 0;
    f.SetCloseQuestion([&] {
      ++asked;
      return TForm1::CloseAnswer::kDiscard;
    });

    // One ticker, queued again at each pumping, counts the pumpings of
    // whichever fit runs innermost. The clicks that start the nested fit are
    // queued as an event of their own: under the GLib event loop, a nested
    // loop started by an event's handler does not deliver what that same
    // handler queued. The nested fit starts at the second pumping and pumps
    // first at the third.
    const int closingTick = nested ? 2 + pumping : pumping;
    int tick = 0;
    bool closedWhileRunning = false;
    std::function<void()> ticker = [&] {
      ++tick;
      if (nested && tick == 2) {
        Post([&] {
          QTest::mouseClick(f.Button1, Qt::LeftButton);  // abort
          QTest::mouseClick(f.Button1, Qt::LeftButton);  // a second fit, inside the first
        });
      }
      if (tick < closingTick) Post(ticker);
      if (tick == closingTick) {
        closedWhileRunning = app::CalcIdle == 0;
        f.PB4->repaint();
        f.close();
        QTest::mouseClick(f.Button1, Qt::LeftButton);  // a click that was still queued
        f.PB4->repaint();
      }
    };
    Post(ticker);
    QTest::mouseClick(f.Button1, Qt::LeftButton);
    QVERIFY(closedWhileRunning);
    QCOMPARE(asked, 1);
    VerifyIdle();
    QVERIFY(f.PlotList() == nullptr);
    VerifyPairCells(before);

    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QVERIFY(f.PlotList() != nullptr);
    QTest::mouseClick(f.Button1, Qt::LeftButton);
    VerifyIdle();
    QCOMPARE(f.PlotList()->Entries.size(), std::size_t{6 + 2 * 10 + 1});
    VerifyPairCells(before);
  }
};

QTEST_MAIN(HostileTest)
#include "hostile_test.moc"
