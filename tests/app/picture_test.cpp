// What goes into a protocol: axis titles from a file's headings or typed,
// numbers and titles outside the framed data area, the fit written into the
// picture, the one-page report and the PNG at a print width.

#include <QAction>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QtTest>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "_grund/grund.h"
#include "app/controls.h"
#include "app/tform1.h"
#include "app/valuetable.h"
#include "graph_reduziert/graph_reduziert.h"
#include "platform/recording_canvas.h"
#include "valuetable_access.h"
#include "window_fixture.h"

namespace {

namespace gr = graph_reduziert;

// A phone's acceleration export: 1 999 readings of a swinging sine.
QByteArray PhoneFile() {
  QByteArray bytes = "\"Time (s)\",\"Acceleration x (m/s^2)\",\"Acceleration y (m/s^2)\"\n";
  unsigned state = 7;
  for (int i = 0; i < 1999; ++i) {
    state = state * 1103515245u + 12345u;
    const double noise = ((state >> 8) % 1000) / 1000.0 - 0.5;
    const double t = i * 0.01;
    char line[96];
    std::snprintf(line, sizeof line, "%.2f,%.6f,0.1\n", t,
                  2.4 * std::sin(3.878 * t + 0.7) + 0.02 + 0.3 * noise);
    bytes += line;
  }
  return bytes;
}

// The texts of a recording, each with the area it was drawn in (or none).
struct RecordedText {
  std::string text;
  gr::PixelBox box;
  bool inArea = false;
};

std::vector<RecordedText> TextsOf(const platform::RecordingCanvas& canvas) {
  std::vector<RecordedText> texts;
  bool inArea = false;
  for (const std::string& call : canvas.Calls()) {
    if (call.rfind("Area ", 0) == 0) inArea = true;
    if (call == "EndArea") inArea = false;
    int x = 0, y = 0, consumed = 0;
    if (std::sscanf(call.c_str(), "TextOut %d %d %n", &x, &y, &consumed) != 2 &&
        std::sscanf(call.c_str(), "TextUtf8 %d %d %n", &x, &y, &consumed) != 2)
      continue;
    const std::string text = call.substr(static_cast<std::size_t>(consumed));
    platform::RecordingCanvas measure;
    texts.push_back({text, {x, y, measure.TextWidthUtf8(text), 14}, inArea});
  }
  return texts;
}

QStringList LinesOf(const QString& text) { return text.split(QLatin1Char('\n')); }

}  // namespace

class PictureTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TForm1> form_;
  QTemporaryDir dir_;

  QString Write(const QString& name, const QByteArray& bytes) {
    const QString path = dir_.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return {};
    file.write(bytes);
    return path;
  }
  QAction* Action(const char* name) const { return window_fixture::Action(*form_, name); }
  QString StatisticsText() const {
    return form_->findChild<QLabel*>(QStringLiteral("LabelStatistik"))->text();
  }
  // The phone file opened, fitted, and the view fitted to it.
  void OpenAndFitPhoneFile() {
    QVERIFY(form_->OpenPairFile(Write(QStringLiteral("phone.csv"), PhoneFile())));
    form_->D18C();
    QCOMPARE(app::CalcIdle, std::uint8_t{1});
    QVERIFY(!StatisticsText().isEmpty());
    form_->FitViewToData();
  }

 private slots:
  void init() {
    window_fixture::Open(form_, {.collectMessages = true,
                                 .columnChooser = window_fixture::AcceptProposedColumns});
  }
  void cleanup() { form_.reset(); }

  // Titles come with the file, change by the dialog, go back by undo, and
  // are the headings of the saved file; the examples bring "x" and "y".
  void titlesFromHeadingsTypedUndoneAndSaved() {
    const QString lab = Write(QStringLiteral("lab.txt"),
                              "MIN=0\tMIN=-10\nDEF=0\tDEF=0\n\"Zeit\" t / s\t\"Spannung\" U / V\n"
                              "0\t1,2\n0,1\t1,3\n0,2\t1,1\n");
    QVERIFY(form_->OpenPairFile(lab));
    QCOMPARE(form_->Titles().x, QStringLiteral("Zeit t in s"));
    QCOMPARE(form_->Titles().y, QStringLiteral("Spannung U in V"));

    form_->SetTitlesAsker([](const TForm1::AxisTitles& now) {
      return std::optional<TForm1::AxisTitles>({now.x, QStringLiteral("U in mV")});
    });
    Action("actionAxisTitles")->trigger();
    QCOMPARE(form_->Titles().y, QStringLiteral("U in mV"));
    QVERIFY(form_->SG4->IsModified());
    form_->SG4->Undo();
    QCOMPARE(form_->Titles().y, QStringLiteral("Spannung U in V"));
    form_->SG4->Redo();
    QCOMPARE(form_->Titles().y, QStringLiteral("U in mV"));

    // A double click on a title asks for the titles; elsewhere it fits the view.
    int asked = 0;
    form_->SetTitlesAsker([&](const TForm1::AxisTitles&) {
      ++asked;
      return std::optional<TForm1::AxisTitles>();
    });
    form_->PB4->repaint();
    const QRect area = form_->ViewArea();
    QTest::mouseDClick(form_->PB4, Qt::LeftButton, {}, QPoint(area.left() + 5, area.top() - 8));
    QCOMPARE(asked, 1);
    QTest::mouseDClick(form_->PB4, Qt::LeftButton, {}, area.center());
    QCOMPARE(asked, 1);
    QCOMPARE(form_->Titles().y, QStringLiteral("U in mV"));  // cancelled

    // Ctrl+S: the titles become the headings, and read back as titles.
    const QString saved = dir_.filePath(QStringLiteral("saved.csv"));
    QVERIFY(form_->SavePairFile(saved));
    QFile file(saved);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readLine(), QByteArray("\"Zeit t in s\";\"U in mV\"\r\n"));
    file.close();
    form_->S11C();
    QCOMPARE(form_->Titles(), TForm1::AxisTitles{});
    form_->SG4->Undo();  // the examples' step takes their titles with it
    QCOMPARE(form_->Titles().y, QStringLiteral("U in mV"));
    QVERIFY(form_->OpenPairFile(saved));
    QCOMPARE(form_->Titles().y, QStringLiteral("U in mV"));
  }

  // In a fitted view of dense pairs no number and no title meets the area
  // where the marks and the curve are drawn, and none of their ink lies
  // outside it; the default view stays free of the frame.
  void numbersAndTitlesStayClearOfMarksAndCurve() {
    OpenAndFitPhoneFile();
    platform::RecordingCanvas canvas;
    form_->PaintPlot(canvas);
    const QRect area = form_->ViewArea();
    const gr::PixelBox areaBox{area.left(), area.top(), area.width(), area.height()};
    int numbers = 0;
    QStringList titles;
    for (const RecordedText& t : TextsOf(canvas)) {
      if (t.inArea) continue;
      QVERIFY2(!t.box.Meets(areaBox), t.text.c_str());
      ++numbers;
      titles << QString::fromStdString(t.text);
    }
    QVERIFY(numbers >= 10);
    QVERIFY(titles.contains(QStringLiteral("Time in s")));
    QVERIFY(titles.contains(QStringLiteral("Acceleration x in m/s²")));

    const QImage image = window_fixture::Paint(*form_);
    const QRect drawnArea = form_->ViewArea();  // in the font of the bitmap
    int outside = 0, inside = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        const QRgb p = image.pixel(x, y);
        if (p != qRgb(0, 255, 255) && p != qRgb(0, 0, 255)) continue;
        (drawnArea.contains(x, y) ? inside : outside) += 1;
      }
    QVERIFY(inside > 1000);
    QCOMPARE(outside, 0);

    form_->ShowDefaultView();
    platform::RecordingCanvas plain;
    form_->PaintPlot(plain);
    for (const std::string& call : plain.Calls()) QVERIFY(call.rfind("Area", 0) != 0);
  }

  // "Ergebnis im Bild" writes the formula, the parameters exactly as the
  // statistics label rounds them and R², inside the area.
  void theCaptionRepeatsTheStatistics() {
    OpenAndFitPhoneFile();
    QAction* caption = Action("actionResultInPlot");
    QVERIFY(caption != nullptr && caption->isCheckable() && !caption->isChecked());
    platform::RecordingCanvas without;
    form_->PaintPlot(without);
    caption->setChecked(true);
    platform::RecordingCanvas with;
    form_->PaintPlot(with);
    QStringList lines;
    for (const RecordedText& t : TextsOf(with))
      if (t.inArea) lines << QString::fromStdString(t.text);
    QCOMPARE(lines.size(), 6);
    QCOMPARE(lines[0], QStringLiteral("y = a sin (bx + c) + d"));
    const QStringList label = LinesOf(StatisticsText());
    for (int k = 1; k <= 4; ++k) QVERIFY2(label.contains(lines[k]), qPrintable(lines[k]));
    QVERIFY(lines[5].startsWith(QStringLiteral("R² = ")));
    QVERIFY2(label.filter(lines[5] + QStringLiteral("   RMSE")).size() == 1, qPrintable(lines[5]));
    QVERIFY(with.Calls().size() > without.Calls().size());
    // The caption goes with its result: a changed pair takes it away.
    table_access::SetCellText(*form_->SG4, 1, 1, QStringLiteral("9"));
    platform::RecordingCanvas stale;
    form_->PaintPlot(stale);
    for (const RecordedText& t : TextsOf(stale)) QVERIFY(t.text.rfind("R² = ", 0) != 0);
  }

  // The report's text is real text: read back from the PDF it holds the
  // parameters, the goodness, the model and the file's name.
  void theReportHoldsTheValues() {
    QVERIFY(!form_->SaveReport(dir_.filePath(QStringLiteral("leer.pdf"))));
    QVERIFY(form_->LastMessage().contains(QStringLiteral("kein Ergebnis")));
    OpenAndFitPhoneFile();
    const QString path = dir_.filePath(QStringLiteral("bericht.pdf"));
    QVERIFY2(form_->SaveReport(path), qPrintable(form_->LastMessage()));
    const window_fixture::PdfFacts pdf = window_fixture::ReadPdf(path);
    QVERIFY2(!pdf.text.isEmpty(), "pdftotext (poppler-utils) must be installed");
    const QString& text = pdf.text;
    QVERIFY(pdf.OnePageA4());
    const QStringList label = LinesOf(StatisticsText());
    for (const QString& line : label) {
      if (!line.startsWith(QStringLiteral("a = ")) && !line.startsWith(QStringLiteral("b = ")))
        continue;
      const QString value = line.mid(4);
      QVERIFY2(text.contains(value), qPrintable(value));
    }
    for (const char* expected : {"phone.csv", "Wertepaare n = 1999", "Freiheitsgrade ν = 1995",
                                 "Bestimmtheitsmaß R² =", "Mittlerer Fehler RMSE =", "Periode",
                                 "Residuen", "Time in s", "y = a sin (bx + c) + d"})
      QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);

    // From the default picture the page takes the fitted, titled view, and
    // the window keeps its own.
    form_->ShowDefaultView();
    QVERIFY(form_->SaveReport(path));
    QVERIFY(window_fixture::ReadPdf(path).text.contains(QStringLiteral("Time in s")));
    QVERIFY(!form_->HasUserView());
  }

  // PNG at the window's size or at a print width of 300 dpi.
  void pngAtAPrintWidth() {
    OpenAndFitPhoneFile();
    QCOMPARE(app::PngWidthForPrint(16), 1890);
    const QString window = dir_.filePath(QStringLiteral("fenster.png"));
    const QString print = dir_.filePath(QStringLiteral("druck.png"));
    QVERIFY(form_->ExportPlot(window));
    QVERIFY(form_->ExportPlot(print, app::PngWidthForPrint(16)));
    const QImage small(window), large(print);
    QCOMPARE(small.size(), form_->PB4->size());
    QCOMPARE(large.width(), 1890);
    QCOMPARE(large.height(), qRound(form_->PB4->height() * 1890.0 / form_->PB4->width()));
    QCOMPARE(qRound(large.dotsPerMeterX() * 0.0254), 300);
    // The same picture, larger: marks and curve where they are in the window's.
    int aqua = 0;
    for (int y = 0; y < large.height(); y += 2)
      for (int x = 0; x < large.width(); x += 2) aqua += large.pixel(x, y) == qRgb(0, 255, 255);
    QVERIFY(aqua > 1000);
  }
};

QTEST_MAIN(PictureTest)
#include "picture_test.moc"
