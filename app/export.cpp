// The window's exports: the plot as a PNG, SVG or PDF file or copied as a
// picture, and the result list copied as lines or saved as CSV. The texts of
// the exported results come from sinusfit's result export.

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QRadioButton>
#include <QFileInfo>
#include <QImage>
#include <QListWidget>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <algorithm>
#include <optional>
#include <vector>

#include "app/controls.h"
#include "app/fileaccess.h"
#include "app/tablepairs.h"
#include "app/tform1.h"
#include "platform/qtcanvas.h"
#include "platform/qtlatin1.h"
#include "sinusfit/sinusfit.h"

namespace app {

using sinusfit::ExportedResult;

namespace {

constexpr int kScreenDpi = 96;  // the plot's pixels at the size they have on screen
constexpr double kPrintDpi = 300;

void DrawSvg(TForm1& form, QSaveFile& file, QSize size) {
  QSvgGenerator svg;
  svg.setOutputDevice(&file);
  svg.setSize(size);
  svg.setViewBox(QRect(QPoint(0, 0), size));
  svg.setResolution(kScreenDpi);
  svg.setTitle(QStringLiteral("Kalvento"));
  platform::QtCanvas canvas(svg, size);
  form.PaintPlot(canvas);
}

void DrawPdf(TForm1& form, QSaveFile& file, QSize size) {
  QPdfWriter pdf(&file);
  pdf.setResolution(kScreenDpi);
  const QSizeF points = QSizeF(size) * 72.0 / kScreenDpi;
  pdf.setPageSize(QPageSize(points, QPageSize::Point, QString(), QPageSize::ExactMatch));
  pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
  pdf.setTitle(QStringLiteral("Kalvento"));
  pdf.setCreator(QStringLiteral("Kalvento"));
  platform::QtCanvas canvas(pdf, size);
  form.PaintPlot(canvas);
}

// The lines of the result list (the selected ones only, if asked), with the
// values kept behind them and their statistics on their own pairs.
std::vector<ExportedResult> ResultsOf(const TForm1& form, bool selectedOnly) {
  std::vector<ExportedResult> results;
  for (int i = 0; i < form.Listbox1->count(); ++i) {
    const QListWidgetItem* item = form.Listbox1->item(i);
    if (selectedOnly && !item->isSelected()) continue;
    ExportedResult result;
    result.entry = platform::ToLatin1(item->text());
    if (const ResultRecord* record = form.FindResultRecord(result.entry)) {
      result.hasValues = true;
      result.mode = record->mode;
      result.parameters = record->parameters;
      result.error = record->error;
      result.data = record->data;
      result.model = record->model;
      result.values = record->values;
      result.origin = record->origin;
    }
    results.push_back(std::move(result));
  }
  // Each line's statistics on the pairs its fit was computed from, whatever
  // the table holds now.
  sinusfit::AttachStatistics(results);
  return results;
}

}  // namespace

QImage TForm1::PlotImage() {
  QImage image = platform::QtCanvas::NewBitmap(PB4->width(), PB4->height());
  platform::QtCanvas canvas(image);
  PaintPlot(canvas);
  return image;
}

namespace {

// The picture `scale` times the window's pixels, drawn as shapes so that
// lines, discs and texts are sharp at the larger size.
QImage ScaledPlotImage(TForm1& form, QSize size, int width) {
  const double scale = static_cast<double>(width) / size.width();
  QImage image = platform::QtCanvas::NewBitmap(width, std::max(1, qRound(size.height() * scale)));
  if (image.isNull()) return image;
  {
    platform::QtCanvas canvas(image, size, scale);
    form.PaintPlot(canvas);
  }
  // Told only now: the texts were measured at the window's resolution.
  const int dotsPerMeter = qRound(kPrintDpi / 0.0254);
  image.setDotsPerMeterX(dotsPerMeter);
  image.setDotsPerMeterY(dotsPerMeter);
  return image;
}

}  // namespace

bool TForm1::ExportPlot(const QString& path) { return ExportPlot(path, 0); }

bool TForm1::ExportPlot(const QString& path, int pngWidth) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  const auto fail = [&](const QString& reason) {
    ShowMessage(QStringLiteral("Das Bild %1 konnte nicht gespeichert werden:\n%2")
                    .arg(Quoted(path), reason));
    return false;
  };
  if (suffix != QLatin1String("png") && suffix != QLatin1String("svg") &&
      suffix != QLatin1String("pdf"))
    return fail(
        QStringLiteral("Unbekanntes Bildformat. Der Dateiname muss auf .png, .svg "
                       "oder .pdf enden."));

  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return fail(file.errorString());
  bool drawn = true;
  if (suffix == QLatin1String("png"))
    drawn = (pngWidth > 0 && PB4->width() > 0 ? ScaledPlotImage(*this, PB4->size(), pngWidth)
                                               : PlotImage())
                .save(&file, "PNG");
  else if (suffix == QLatin1String("svg"))
    DrawSvg(*this, file, PB4->size());
  else
    DrawPdf(*this, file, PB4->size());
  if (!drawn || file.error() != QFileDevice::NoError) {
    const QString reason = file.errorString();
    file.cancelWriting();
    return fail(reason);
  }
  if (!file.commit()) return fail(file.errorString());
  return true;
}

void TForm1::CopyPlot() { QApplication::clipboard()->setImage(PlotImage()); }

void TForm1::CopyResults() {
  // The chosen lines, or the whole list when none is chosen.
  std::vector<ExportedResult> results = ResultsOf(*this, true);
  if (results.empty()) results = ResultsOf(*this, false);
  if (results.empty()) return;
  QApplication::clipboard()->setText(platform::FromLatin1(sinusfit::CopiedResultLines(results)));
}

bool TForm1::SaveResults(const QString& path) {
  const std::vector<ExportedResult> results = ResultsOf(*this, false);
  if (results.empty()) {
    ShowMessage(QStringLiteral("Die Ergebnisliste ist leer, die Datei %1 wurde nicht geschrieben.")
                    .arg(Quoted(path)));
    return false;
  }
  return CheckSaved(path, WriteAtomically(path, sinusfit::ResultsCsv(results)));
}

void TForm1::ExportPlotDialog() {
  FileDialog dialog(this, QStringLiteral("Bild speichern"), lastFolder_, true);
  dialog.SetFilters({QStringLiteral("PNG-Bild (*.png)"), QStringLiteral("SVG-Vektorgrafik (*.svg)"),
                     QStringLiteral("PDF-Dokument (*.pdf)")},
                    {QStringLiteral("png"), QStringLiteral("svg"), QStringLiteral("pdf")});
  const QString path = dialog.Run(lastFolder_);
  if (path.isEmpty()) return;
  int width = 0;
  if (QFileInfo(path).suffix().compare(QLatin1String("png"), Qt::CaseInsensitive) == 0) {
    const std::optional<int> asked = pngSizeAsker_ ? pngSizeAsker_() : AskPngWidth();
    if (!asked) return;
    width = *asked;
  }
  ExportPlot(path, width);
}

std::optional<int> TForm1::AskPngWidth() {
  QDialog dialog(this);
  dialog.setWindowTitle(QStringLiteral("Größe des Bildes"));
  auto* layout = new QFormLayout(&dialog);
  auto* windowSize = new QRadioButton(
      QStringLiteral("Fenstergröße (%1 × %2 Pixel)").arg(PB4->width()).arg(PB4->height()),
      &dialog);
  auto* printSize = new QRadioButton(QStringLiteral("Breite für den Druck (300 dpi):"), &dialog);
  auto* centimetres = new QDoubleSpinBox(&dialog);
  centimetres->setRange(2, 100);
  centimetres->setDecimals(1);
  centimetres->setValue(16);
  centimetres->setSuffix(QStringLiteral(" cm"));
  windowSize->setChecked(true);
  layout->addRow(windowSize);
  layout->addRow(printSize, centimetres);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  layout->addRow(buttons);
  connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  connect(centimetres, &QDoubleSpinBox::valueChanged, printSize, [printSize] {
    printSize->setChecked(true);
  });
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  if (windowSize->isChecked()) return 0;
  return PngWidthForPrint(centimetres->value());
}

int PngWidthForPrint(double centimetres) {
  return qRound(centimetres / 2.54 * kPrintDpi);
}

void TForm1::SaveResultsDialog() {
  FileDialog dialog(this, QStringLiteral("Ergebnisse speichern"), lastFolder_, true);
  dialog.SetFilters({QStringLiteral("CSV-Datei (*.csv)")}, {QStringLiteral("csv")});
  const QString path = dialog.Run(lastFolder_);
  if (!path.isEmpty()) SaveResults(path);
}

}  // namespace app
