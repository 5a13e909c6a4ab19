// The window's files: pair files opened, dropped and saved, the plot exported
// and copied, the result list copied and saved, and the entries that reach
// them without keys.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSvgGenerator>
#include <QTemporaryDir>
#include <QToolButton>
#include <QUndoStack>
#include <QUrl>
#include <QtTest>
#include <climits>
#include <memory>

#include "_grund/grund.h"
#include "app/columnchoicedialog.h"
#include "app/controls.h"
#include "app/tform1.h"
#include "app/valuetable.h"
#include "valuetable_access.h"
#include "platform/qtcanvas.h"
#include "sinusfit/fitstatistics.h"
#include "sinusfit/resultexport.h"
#include "sinusfit/resulttext.h"
#include "wertedatei/wertedatei.h"
#include "window_fixture.h"

using app::ValueTable;
using namespace table_access;

namespace {

QStringList DataCells(const ValueTable& table) {
  QStringList cells;
  for (int row = 1; row < ValueTable::kRows; ++row)
    for (int column = 0; column < ValueTable::kColumns; ++column)
      cells << CellText(table, row, column);
  return cells;
}

// A cell's value as the fit reads it.
double CellValue(const ValueTable& table, int row, int column) {
  return grund::ParseNumber(grund::CommaToPoint(table.CellLatin1(row, column))).value;
}

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  QCOMPARE(file.write(bytes), bytes.size());
}

}  // namespace

class FilesTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TForm1> form_;
  QTemporaryDir dir_;
  QString Path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

  // Example pairs, a stray f(x) text far down and one result line: what an
  // opened file must replace or leave alone.
  void FillWithOtherData() {
    form_->S11C();
    form_->SG4->SetCellLatin1(150, 2, "7,5");
    form_->Listbox1->addItem(QStringLiteral("0,5\tY = 1*SIN(1*X+0)+0"));
  }
  // A plot list with a curve and the example pairs as marks.
  void FillPlotList() {
    grund::PlotList& list = *form_->PlotList();
    sinusfit::BeginResultPlotList(list, "1,2*SIN(1,5*X+0,3)+0,5");
    sinusfit::AddPlotPair(list, 1.5, 1.4);
    sinusfit::AddPlotPair(list, -1, 1.6);
    sinusfit::EndResultPlotList(list);
  }

 private slots:
  void init() {
    QVERIFY(dir_.isValid());
    const auto noDialog = [](const wertedatei::PairFile&, wertedatei::ColumnChoice&) {
      qFatal("no column dialog expected");
      return false;
    };
    window_fixture::Open(form_, {.collectMessages = true, .columnChooser = noDialog});
  }
  void cleanup() { form_.reset(); }

  void openingReplacesThePairsAndKeepsTheResults_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("spreadsheet, Windows-1252")
        << QByteArray("Zeit [s];Spannung [\xb5V]\r\n0,5;1,25\r\n1;-2,5\r\n1,5;3\r\n");
    QTest::newRow("logger with comments")
        << QByteArray("# Messung 3\n0.5\t1.25\n# Pause\n1\t-2.5\n1.5\t3\n");
    QTest::newRow("blanks") << QByteArray("  0.5   1.25\n1 -2.5\n 1.5 3\n");
  }
  void openingReplacesThePairsAndKeepsTheResults() {
    QFETCH(QByteArray, content);
    FillWithOtherData();
    const QString path = Path("messung.csv");
    WriteFile(path, content);

    QVERIFY2(form_->OpenPairFile(path), qPrintable(form_->LastMessage()));
    const ValueTable& t = *form_->SG4;
    const double expected[3][2] = {{0.5, 1.25}, {1, -2.5}, {1.5, 3}};
    for (int i = 0; i < 3; ++i) {
      QCOMPARE(CellValue(t, i + 1, 0), expected[i][0]);
      QCOMPARE(CellValue(t, i + 1, 1), expected[i][1]);
    }
    const QStringList cells = DataCells(t);
    for (int i = 3 * ValueTable::kColumns; i < cells.size(); ++i) QVERIFY(cells[i].isEmpty());
    for (int row = 1; row <= 3; ++row) QVERIFY(CellText(t, row, 2).isEmpty());
    QCOMPARE(form_->Listbox1->count(), 1);
    QCOMPARE(form_->Label2->text(), QStringLiteral("3"));
    QVERIFY(form_->windowTitle().endsWith(QStringLiteral("messung.csv")));
  }

  void aFailedOpenLeavesTheTableAsItWas_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");  // null: not created
    QTest::newRow("missing") << "fehlt.csv" << QByteArray();
    QTest::newRow("folder") << "." << QByteArray();
    QTest::newRow("empty") << "leer.csv" << QByteArray("");
    QTest::newRow("binary") << "bild.dat"
                            << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\xfe", 18);
    QTest::newRow("text only") << "brief.txt" << QByteArray("Sehr geehrte Damen und Herren,\n");
  }
  void aFailedOpenLeavesTheTableAsItWas() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    FillWithOtherData();
    const QString path = dir_.filePath(name);
    if (!content.isNull()) WriteFile(path, content);
    const QStringList before = DataCells(*form_->SG4);
    const QString title = form_->windowTitle();

    QVERIFY(!form_->OpenPairFile(path));
    QCOMPARE(DataCells(*form_->SG4), before);
    QCOMPARE(form_->Label2->text(), QStringLiteral("9"));
    QCOMPARE(form_->windowTitle(), title);
    QVERIFY(!form_->LastMessage().isEmpty());
  }

  // The table grows to hold a long file whole.
  void moreThan200PairsAllOpen() {
    QByteArray content;
    for (int i = 1; i <= 257; ++i)
      content += QByteArray::number(i) + ";" + QByteArray::number(-i) + "\n";
    const QString path = Path("lang.csv");
    WriteFile(path, content);
    QVERIFY(form_->OpenPairFile(path));
    QCOMPARE(CellValue(*form_->SG4, 1, 0), 1.0);
    QCOMPARE(CellValue(*form_->SG4, 200, 1), -200.0);
    QCOMPARE(CellValue(*form_->SG4, 257, 0), 257.0);
    QCOMPARE(form_->Label2->text(), QStringLiteral("257"));
    QVERIFY2(form_->LastMessage().isEmpty(), qPrintable(form_->LastMessage()));
  }

  // A long reading stopped by "Abbrechen": the table, its count, the title
  // and the undo stack stay as they were, and no message follows.
  void aCancelledReadingLeavesTheTableAsItWas() {
    FillWithOtherData();
    QByteArray content;
    for (int i = 0; i < 150000; ++i) content += QByteArray::number(i) + ";1,5\n";
    const QString path = Path("logger.csv");
    WriteFile(path, content);
    const QStringList before = DataCells(*form_->SG4);
    const QString title = form_->windowTitle();
    const int steps = form_->SG4->UndoStack()->count();
    int asked = 0;
    form_->SetReadWatcher([&](double) { return ++asked < 2; });
    QVERIFY(!form_->OpenPairFile(path));
    QCOMPARE(asked, 2);
    QCOMPARE(DataCells(*form_->SG4), before);
    QCOMPARE(form_->Label2->text(), QStringLiteral("9"));
    QCOMPARE(form_->windowTitle(), title);
    QCOMPARE(form_->SG4->UndoStack()->count(), steps);
    QVERIFY2(form_->LastMessage().isEmpty(), qPrintable(form_->LastMessage()));
    // Not stopped, the same file opens whole.
    form_->SetReadWatcher([](double) { return true; });
    QVERIFY(form_->OpenPairFile(path));
    QCOMPARE(form_->Label2->text(), QStringLiteral("150000"));
  }

  // Beyond a million pairs the first million open, and the message says in
  // German numbers how many were left out.
  void aFileBeyondTheTablesLimitOpensItsFirstMillion() {
    QByteArray content;
    content.reserve(5 * 1000100);
    for (int i = 0; i < 1000100; ++i) content += QByteArray::number(i % 10) + ";2\n";
    const QString path = Path("riesig.csv");
    WriteFile(path, content);
    QVERIFY(form_->OpenPairFile(path));
    QCOMPARE(form_->Label2->text(), QStringLiteral("1000000"));
    QCOMPARE(form_->SG4->model()->rowCount(), 1000001);
    QVERIFY2(form_->LastMessage().contains(
                 QStringLiteral("1.000.100 Wertepaare, die Tabelle fasst 1.000.000")),
             qPrintable(form_->LastMessage()));
    QVERIFY(form_->LastMessage().contains(QStringLiteral("100 weggelassen")));
  }

  void moreThanTwoColumnsAskWhichBecomeXAndY() {
    const QString path = Path("drei.csv");
    WriteFile(path, "t;U;I\n1;2;3\n4;5;6\n");
    int asked = 0;
    form_->SetColumnChooser([&](const wertedatei::PairFile& file, wertedatei::ColumnChoice& c) {
      ++asked;
      if (file.columnCount != 3 || c.x != 0 || c.y != 1) return false;
      c.y = 2;
      return true;
    });
    QVERIFY(form_->OpenPairFile(path));
    QCOMPARE(asked, 1);
    QCOMPARE(CellValue(*form_->SG4, 2, 0), 4.0);
    QCOMPARE(CellValue(*form_->SG4, 2, 1), 6.0);

    // Cancelling the choice changes nothing.
    FillWithOtherData();
    const QStringList before = DataCells(*form_->SG4);
    form_->SetColumnChooser(
        [](const wertedatei::PairFile&, wertedatei::ColumnChoice&) { return false; });
    QVERIFY(!form_->OpenPairFile(path));
    QCOMPARE(DataCells(*form_->SG4), before);
  }

  void theColumnDialogOffersEveryColumnAndStartsAtTheFirstTwo() {
    wertedatei::PairFile file;
    file.ok = true;
    file.columnCount = 3;
    file.headings = {"Zeit", "Spannung [\xb5V]", "Strom"};
    file.previewLines = {"Zeit;Spannung [\xb5V];Strom", "1;2;3"};
    app::ColumnChoiceDialog dialog(file, QStringLiteral("drei.csv"));
    QCOMPARE(dialog.XColumn(), 0);
    QCOMPARE(dialog.YColumn(), 1);
    const QList<QComboBox*> boxes = dialog.findChildren<QComboBox*>();
    QCOMPARE(boxes.size(), 3);  // x, y and Δy
    QCOMPARE(boxes[0]->count(), 3);
    QCOMPARE(boxes[1]->itemText(1), QStringLiteral("Spalte 2: Spannung [µV]"));
    QCOMPARE(boxes[2]->count(), 4);
    QCOMPARE(boxes[2]->currentText(), QStringLiteral("keine"));
    QCOMPARE(dialog.Choice().sigmaY, -1);
    boxes[1]->setCurrentIndex(2);
    QCOMPARE(dialog.YColumn(), 2);
    const auto* preview = dialog.findChild<QPlainTextEdit*>();
    QVERIFY(preview->toPlainText().startsWith(QStringLiteral("Zeit;Spannung [µV];Strom\n1;2;3")));
  }

  // With the reader's summaries each column names its unit and first values;
  // the order of day and month is offered only where the file leaves it open.
  void theColumnDialogShowsValuesAndAsksForTheDateOrder() {
    const wertedatei::PairFile file = wertedatei::ReadPairFile(
        "Stempel,Kanal,U\n01/02/26 10:00,7,1.5\n03/04/26 10:00,7,2.5\n05/06/26 10:00,7,3\n");
    QVERIFY(file.dateOrderOpen);
    app::ColumnChoiceDialog dialog(file, QStringLiteral("logger.csv"));
    const QList<QComboBox*> boxes = dialog.findChildren<QComboBox*>();
    QCOMPARE(boxes.size(), 4);  // x, y, Δy and the date order
    QCOMPARE(boxes[0]->currentText(),
             QStringLiteral("Spalte 1: Stempel (01/02/26 10:00; 03/04/26 10:00; 05/06/26 10:00 …)"));
    QCOMPARE(dialog.YColumn(), 2);  // the constant "Kanal" passed over
    boxes[3]->setCurrentIndex(1);
    QCOMPARE(dialog.Choice().order, wertedatei::DateOrder::kDayFirst);
    const wertedatei::PairFile decided =
        wertedatei::ReadPairFile("Datum;Wert\n13.02.2026;1\n14.02.2026;2\n");
    QCOMPARE(app::ColumnChoiceDialog(decided, QStringLiteral("d.csv")).findChildren<QComboBox*>().size(),
             3);
  }

  void aLabFileWithUncertaintiesOpensWeighted() {
    const QString path = Path("labor.csv");
    WriteFile(path, "t;U;dU\n0;1,02;0,05\n1;1,84;0,05\n2;0,93;0,1\n3;-0,11;0,1\n"
                    "4;-0,95;0,05\n5;-0,29;0,1\n6;0,72;0,05\n7;1,61;0,2\n");
    wertedatei::ColumnChoice offered;
    form_->SetColumnChooser([&](const wertedatei::PairFile&, wertedatei::ColumnChoice& c) {
      offered = c;
      return true;  // as preselected
    });
    QVERIFY(form_->OpenPairFile(path));
    QCOMPARE(offered.sigmaY, 2);  // "dU" beside "U"
    QVERIFY(form_->SG4->SigmaColumnShown());
    QCOMPARE(CellText(*form_->SG4, 8, 3), QStringLiteral("0,2"));
    form_->D18C();
    QVERIFY(form_->LabelStatistik->text().contains(QStringLiteral("χ²")));
    // Saved with its Δy and read back the same.
    const QString saved = Path("gespeichert.csv");
    QVERIFY(form_->SavePairFile(saved));
    const wertedatei::PairFile again = wertedatei::ReadPairFile(ReadFile(saved).toStdString());
    QCOMPARE(again.detected.sigmaY, 2);
    QCOMPARE(QString::fromStdString(again.headings.at(2)), QStringLiteral("Dy"));
    const wertedatei::PairFile withSigma =
        wertedatei::ReadPairFile(ReadFile(saved).toStdString(), again.detected);
    QCOMPARE(withSigma.sigmaY.size(), std::size_t{8});
    QCOMPARE(QString::fromStdString(std::string(withSigma.sigmaY[7])), QStringLiteral("0,2"));
  }

  // Slashed dates that leave day and month open: asked even with two
  // columns; x becomes minutes since the first reading, named in the message,
  // and the titles stay with the pairs until the examples replace them.
  void aLoggersDatesAreAskedForAndBecomeHours() {
    const QString path = Path("logger.csv");
    WriteFile(path, "Stempel,Kanal 1\n01/02/26 10:00,19.5\n01/02/26 11:30,20\n"
                    "01/02/26 13:00,20.5\n");
    bool asked = false;
    form_->SetColumnChooser([&](const wertedatei::PairFile& file, wertedatei::ColumnChoice& c) {
      asked = file.dateOrderOpen;
      c.order = wertedatei::DateOrder::kMonthFirst;
      return true;
    });
    QVERIFY(form_->OpenPairFile(path));
    QVERIFY(asked);
    QCOMPARE(CellText(*form_->SG4, 2, 0), QStringLiteral("90"));
    QCOMPARE(CellText(*form_->SG4, 3, 1), QStringLiteral("20.5"));
    QCOMPARE(form_->Titles().x, QStringLiteral("t in min ab 02.01.2026 10:00"));
    QCOMPARE(form_->Titles().y, QStringLiteral("Kanal 1"));
    QVERIFY2(form_->LastMessage().startsWith(QStringLiteral("x ist die Zeit t in min ab 02.01.")),
             qPrintable(form_->LastMessage()));
    form_->S11C();
    QVERIFY(form_->Titles().x.isEmpty());
  }

  void aBadUncertaintyColumnIsRefusedWithItsRows() {
    const QString path = Path("schlecht.csv");
    WriteFile(path, "x;y;sigma\n1;2;0,1\n2;3;0\n3;4;\n4;5;0,1\n");
    form_->S11C();
    form_->SetColumnChooser([](const wertedatei::PairFile&, wertedatei::ColumnChoice&) {
      return true;
    });
    QVERIFY(!form_->OpenPairFile(path));
    QVERIFY2(form_->LastMessage().contains(QStringLiteral("Zeile 2: Δy = 0")),
             qPrintable(form_->LastMessage()));
    QVERIFY(form_->LastMessage().contains(QStringLiteral("Zeile 3: Δy fehlt")));
    QCOMPARE(CellText(*form_->SG4, 1, 0), QStringLiteral("1.5"));  // the table as it was
    // Without Δy it opens.
    form_->SetColumnChooser([](const wertedatei::PairFile&, wertedatei::ColumnChoice& c) {
      c.sigmaY = -1;
      return true;
    });
    QVERIFY(form_->OpenPairFile(path));
    QCOMPARE(CellText(*form_->SG4, 4, 1), QStringLiteral("5"));
  }

  void theDialogStartsWithTheDetectedColumns() {
    const QString path = Path("zeit.csv");
    WriteFile(path, "12:00:01;1,5;2\n12:00:02;2,5;3\n12:00:03;3,5;5\n");
    form_->SetColumnChooser([](const wertedatei::PairFile& file, wertedatei::ColumnChoice&) {
      return file.numericColumns == 2;  // the time stamp is no number column
    });
    QVERIFY(form_->OpenPairFile(path));
    QCOMPARE(CellText(*form_->SG4, 1, 0), QStringLiteral("1,5"));
    QCOMPARE(CellText(*form_->SG4, 1, 1), QStringLiteral("2"));
  }

  void savedPairsOpenAsTheSameCells_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<char>("separator");
    QTest::newRow("semicolons") << "paare.csv" << ';';
    QTest::newRow("tabs") << "paare.tsv" << '\t';
  }
  void savedPairsOpenAsTheSameCells() {
    QFETCH(QString, name);
    QFETCH(char, separator);
    const char* const texts[][2] = {{"1,5", "-2.25"}, {"1e-3", "+3"},  {"-0,125", "1000000"},
                                    {"0", "0,1"},     {"1234,5", "7"}, {"2,5E2", "-1e+2"}};
    ValueTable& t = *form_->SG4;
    for (int i = 0; i < 6; ++i) {
      t.SetCellLatin1(i + 1, 0, texts[i][0]);
      t.SetCellLatin1(i + 1, 1, texts[i][1]);
    }
    t.SetCellLatin1(2, 2, "9,9");  // f(x) is not a pair
    std::vector<double> values;
    for (int row = 1; row <= 6; ++row)
      for (int column = 0; column < 2; ++column) values.push_back(CellValue(t, row, column));

    const QString path = dir_.filePath(name);
    QVERIFY2(form_->SavePairFile(path), qPrintable(form_->LastMessage()));
    QVERIFY(ReadAll(path).split('\n').front().contains(separator));
    t.ClearDataRows();
    FillWithOtherData();
    QVERIFY2(form_->OpenPairFile(path), qPrintable(form_->LastMessage()));
    std::size_t k = 0;
    for (int row = 1; row <= 6; ++row)
      for (int column = 0; column < 2; ++column) QCOMPARE(CellValue(t, row, column), values[k++]);
    QVERIFY(CellText(t, 7, 0).isEmpty());
    QVERIFY(CellText(t, 2, 2).isEmpty());
  }

  void aFailedSaveKeepsTheOldFile() {
    const QString path = Path("alt.csv");
    WriteFile(path, "x;y\n1;2\n");
    form_->S1X();  // nothing to save
    QVERIFY(!form_->SavePairFile(path));
    QVERIFY(!form_->LastMessage().isEmpty());
    QCOMPARE(ReadAll(path), QByteArray("x;y\n1;2\n"));

    form_->S11C();
    QVERIFY(!form_->SavePairFile(Path("fehlt/neu.csv")));
    QVERIFY(form_->LastMessage().contains(QStringLiteral("neu.csv")));
    QVERIFY(!form_->ExportPlot(path));  // no picture format: the file stays
    QCOMPARE(ReadAll(path), QByteArray("x;y\n1;2\n"));
    QVERIFY(!form_->ExportPlot(Path("fehlt/bild.png")));
  }

  void theExportedPicturesShowThePlot() {
    FillPlotList();
    const QImage shown = form_->PB4->grab().toImage().convertToFormat(QImage::Format_RGB32);

    QVERIFY(form_->ExportPlot(Path("bild.PNG")));
    const QImage png(Path("bild.PNG"));
    QCOMPARE(png.size(), QSize(783, 499));
    QCOMPARE(png.convertToFormat(QImage::Format_RGB32), shown);

    QVERIFY(form_->ExportPlot(Path("bild.svg")));
    const QByteArray svg = ReadAll(Path("bild.svg"));
    QVERIFY(svg.contains("width=\"") && svg.contains("viewBox=\"0 0 783 499\""));
    QVERIFY(svg.contains("<polyline"));  // the curve and the axes as lines
    QVERIFY(svg.contains("<text"));
    QVERIFY(!svg.contains("<image"));

    QVERIFY(form_->ExportPlot(Path("bild.pdf")));
    const QByteArray pdf = ReadAll(Path("bild.pdf"));
    QVERIFY(pdf.startsWith("%PDF") && pdf.size() > 1000);

    form_->CopyPlot();
    QCOMPARE(QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), shown);
  }

  void resultLinesAreCopiedAndSavedInFullPrecision() {
    form_->S11C();
    form_->D18C();
    app::ResultListBox& list = *form_->Listbox1;
    QVERIFY(list.count() > 1);
    const QString first = list.item(0)->text();
    const app::ResultRecord* record = form_->FindResultRecord(first.toLatin1().toStdString());
    QVERIFY(record != nullptr);

    // The standard errors of a, b, c, d and R² on the example pairs follow
    // the copied entry; the CSV has them too, with RMSE and n.
    const std::vector<double> x = {1.5, 1.1, 0.7, 0.3, -0.1, -0.5, -1, -1.5, 2.8};
    const std::vector<double> y = {1.4, 1.2, 0, -0.2, 0.4, 1, 1.6, 1.2, 0.1};
    const sinusfit::FitStatistics s =
        sinusfit::ComputeFitStatistics(record->mode, record->parameters, x, y);
    QStringList statistics;
    for (double v : {s.standardError[0], s.standardError[1], s.standardError[2], s.standardError[3],
                     s.rSquared, s.rmse})
      statistics << QString::fromStdString(sinusfit::FullPrecisionText(v));
    statistics << QStringLiteral("9");

    list.setCurrentRow(0);
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), first + QLatin1Char('\t') +
                                                    statistics.mid(0, 5).join(QLatin1Char('\t')) +
                                                    QLatin1Char('\n'));

    QVERIFY(form_->SaveResults(Path("ergebnisse.csv")));
    const QList<QByteArray> lines = ReadAll(Path("ergebnisse.csv")).split('\n');
    QCOMPARE(lines.size(), list.count() + 2);  // heading, lines, final break
    const QList<QByteArray> fields = lines[1].split(';');
    QCOMPARE(fields.size(), lines[0].split(';').size());
    // The error and a read back as the very same doubles.
    const auto value = [](QByteArray text) { return text.replace(',', '.').toDouble(); };
    QCOMPARE(value(fields[0]), record->error);
    QCOMPARE(value(fields[1]), record->parameters.a);
    QCOMPARE(QString::fromLatin1(fields.mid(6, 7).join(';')), statistics.join(QLatin1Char(';')));
    QVERIFY(lines[1].endsWith(first.mid(first.indexOf('\t') + 1).toLatin1()));
  }

  // On a vector device joined lines become one polyline through the pixel
  // centres, cut at the picture's edge however far away their ends lie.
  void vectorLinesJoinAndStayInsideThePicture() {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
      QSvgGenerator svg;
      svg.setOutputDevice(&buffer);
      svg.setSize(QSize(20, 10));
      platform::QtCanvas canvas(svg, QSize(20, 10));
      canvas.MoveTo(0, 0);
      canvas.LineTo(10, 0);
      canvas.LineTo(10, 5);
      canvas.LineTo(INT_MAX, 5);
      canvas.MoveTo(INT_MIN, INT_MIN);
      canvas.LineTo(INT_MAX, INT_MAX);
    }
    const QByteArray text = buffer.data();
    QCOMPARE(text.count("<polyline"), 2);
    QVERIFY2(text.contains("points=\"0,0 10,0 10,5 21.5,5 \""), text.constData());
    QVERIFY(!text.contains("e+") && !text.contains("2147483"));
  }

  void aDroppedFileOpens() {
    const QString path = Path("gezogen.txt");
    WriteFile(path, "1\t2\n3\t4\n");
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    const QPoint at = form_->Edit5->geometry().center();  // a field takes no file name
    QWidget* target = form_->Edit5;
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QTRY_COMPARE(CellValue(*form_->SG4, 2, 1), 4.0);
    QCOMPARE(form_->Edit5->text(), QStringLiteral("200"));
  }

  void theEntriesAreReachableWithoutKeys() {
    TForm1& f = *form_;
    const auto names = [](const QWidget* w) {
      QStringList list;
      for (const QAction* a : w->actions())
        if (!a->isSeparator()) list << a->objectName();
      return list;
    };
    QCOMPARE(f.SG4->contextMenuPolicy(), Qt::ActionsContextMenu);
    QVERIFY(names(f.SG4).join(' ').contains("actionOpenPairs actionSavePairs"));
    QCOMPARE(f.PB4->contextMenuPolicy(), Qt::ActionsContextMenu);
    QVERIFY(names(f.PB4).join(' ').contains("actionExportPlot actionCopyPlot"));
    QVERIFY(names(f.Listbox1).join(' ').startsWith("actionCopyResults actionSaveResults"));
    QCOMPARE(f.actionOpenPairs->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    QCOMPARE(f.actionSavePairs->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));

    const QToolButton* open = f.findChild<QToolButton*>(QStringLiteral("ButtonOpenPairs"));
    const QToolButton* save = f.findChild<QToolButton*>(QStringLiteral("ButtonSavePairs"));
    QVERIFY(open != nullptr && save != nullptr);
    QCOMPARE(open->geometry(), QRect(144, 6, 23, 23));
    QCOMPARE(save->geometry(), QRect(168, 6, 23, 23));
    QVERIFY(!open->icon().isNull() && open->toolTip().contains(QStringLiteral("öffnen")));
    QVERIFY(!save->icon().isNull() && save->toolTip().contains(QStringLiteral("speichern")));
    QVERIFY(open->autoRaise() && open->focusPolicy() == Qt::NoFocus);
    QCOMPARE(f.S11->geometry(), QRect(192, 7, 23, 22));
    QCOMPARE(f.S1->geometry(), QRect(216, 6, 23, 23));

    // The table keeps its own keys: typing edits, Ctrl+C copies cells.
    f.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    f.SG4->setFocus();
    SetCurrentCell(*f.SG4, 3, 1);
    QTest::keyClick(f.SG4, '4');
    QWidget* editor = QApplication::focusWidget();
    QVERIFY(qobject_cast<QLineEdit*>(editor) != nullptr);
    QTest::keyClicks(editor, ",5");
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(CellText(*f.SG4, 3, 1), QStringLiteral("4,5"));
    QTest::keyClick(f.SG4, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("4,5\n"));
  }
};

QTEST_MAIN(FilesTest)
#include "files_test.moc"
