// "Bericht speichern…": the shown fit on one A4 page for a lab protocol. The
// picture as the window shows it, the residuals in a strip below it, the
// parameters and quantities as the statistics label rounds them, the
// goodness of the fit, the model, the file and the date. Everything is
// drawn as text and shapes, so that a PDF reader finds and copies the text.

#include <QDateTime>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPicture>
#include <QSaveFile>
#include <QScopeGuard>
#include <algorithm>
#include <cmath>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/controls.h"
#include "app/fileaccess.h"
#include "app/tablepairs.h"
#include "app/tform1.h"
#include "app/valuetable.h"
#include "fktint/fktint.h"
#include "platform/qtcanvas.h"
#include "platform/qtlatin1.h"
#include "sinusfit/sinusfit.h"

namespace app {

namespace {

// The page in points (1/72 inch).
constexpr double kPageWidth = 595, kPageHeight = 842;
constexpr double kMargin = 50;
constexpr double kContentWidth = kPageWidth - 2 * kMargin;
constexpr double kStripHeight = 80;
constexpr double kLine = 14;  // the height of a line of body text

QFont ReportFont(double points, bool bold = false) {
  QFont font;
  font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Verdana")});
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

// A number with a decimal comma and `digits` significant digits.
QString Comma(double value, int digits) {
  return QString::number(value, 'g', digits).replace(QLatin1Char('.'), QLatin1Char(','));
}

// The largest residual of each column of the strip, above and below zero.
struct StripColumns {
  std::vector<double> low, high;
  double largest = 0;
};

StripColumns ResidualColumns(const TablePairs& pairs, const std::string& term,
                             const graph_reduziert::PlotView& view, int columns) {
  StripColumns strip;
  strip.low.assign(static_cast<std::size_t>(columns), INFINITY);
  strip.high.assign(static_cast<std::size_t>(columns), -INFINITY);
  const double span = view.XMax - view.XMin;
  for (std::size_t i = 0; i < pairs.x.size() && i < pairs.y.size(); ++i) {
    const double at = (pairs.x[i] - view.XMin) / span * columns;
    if (!(at >= 0 && at < columns)) continue;
    const double fitted = fktint::EvaluateTerm(term, pairs.x[i]);
    if (fktint::EvalError == 1 || fktint::EvalError == 2) continue;
    const double residual = pairs.y[i] - fitted;
    if (!std::isfinite(residual)) continue;
    const auto c = static_cast<std::size_t>(at);
    strip.low[c] = std::min(strip.low[c], residual);
    strip.high[c] = std::max(strip.high[c], residual);
    strip.largest = std::max(strip.largest, std::fabs(residual));
  }
  return strip;
}

void DrawResidualStrip(QPainter& painter, const QRectF& box, const StripColumns& strip) {
  painter.setPen(QPen(Qt::black, 0.5));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(box);
  const double middle = box.center().y();
  painter.setPen(QPen(QColor(160, 160, 160), 0.5, Qt::DashLine));
  painter.drawLine(QPointF(box.left(), middle), QPointF(box.right(), middle));
  if (strip.largest > 0) {
    const double scale = (box.height() / 2 - 3) / strip.largest;
    painter.setPen(QPen(QColor(230, 80, 0), 0.6));
    const double step = box.width() / static_cast<double>(strip.low.size());
    for (std::size_t c = 0; c < strip.low.size(); ++c) {
      if (!(strip.low[c] <= strip.high[c])) continue;
      const double x = box.left() + (static_cast<double>(c) + 0.5) * step;
      const double top = middle - strip.high[c] * scale, bottom = middle - strip.low[c] * scale;
      painter.drawLine(QPointF(x, std::min(top, middle)), QPointF(x, std::max(bottom, middle)));
    }
  }
  painter.setPen(Qt::black);
  painter.setFont(ReportFont(7.5));
  painter.drawText(QPointF(box.left(), box.top() - 4),
                   QStringLiteral("Residuen y − f(x), größter Betrag %1").arg(Comma(strip.largest, 3)));
}

struct Table {
  QString heading;
  std::vector<std::string> lines;
};

// Lines "name = value" of the statistics as a table of two columns, from
// `left` in a column `width` wide, `line` high each.
double DrawTable(QPainter& painter, double left, double width, double top, double line,
                 const Table& table) {
  painter.setFont(ReportFont(10, true));
  painter.drawText(QPointF(left, top + 11), table.heading);
  top += line + 2;
  painter.setFont(ReportFont(9.5 * line / kLine));
  // The values after the longest name, at 150 pt where that is room enough.
  const QFontMetricsF metrics(painter.font(), painter.device());
  double longest = 0;
  for (const std::string& text : table.lines) {
    const QString shown = QString::fromStdString(text);
    const qsizetype equals = shown.indexOf(QStringLiteral(" = "));
    if (equals >= 0) longest = std::max(longest, metrics.horizontalAdvance(shown.left(equals)));
  }
  const double valueAt = left + std::clamp(longest + 16, std::min(150.0, 0.4 * width), 0.6 * width);
  for (const std::string& text : table.lines) {
    const QString shown = QString::fromStdString(text);
    const qsizetype equals = shown.indexOf(QStringLiteral(" = "));
    if (equals < 0) {
      painter.drawText(QPointF(left + 8, top + 10), shown);
    } else {
      painter.drawText(QPointF(left + 8, top + 10), shown.left(equals));
      painter.drawText(QPointF(valueAt, top + 10), QStringLiteral("= ") + shown.mid(equals + 3));
    }
    top += line;
  }
  return top + 6;
}

double TablesHeight(std::span<const Table> tables, double line) {
  double height = 0;
  for (const Table& table : tables) height += (table.lines.size() + 1) * line + 8;
  return height;
}

// The tables below `top`, one under the other where they fit on the page;
// else the first (the parameters of a long sum) in the left half and the
// others in the right, the lines closer where even that is too long.
void DrawTables(QPainter& painter, double top, const std::vector<Table>& tables) {
  const double room = kPageHeight - kMargin / 2 - top;
  if (TablesHeight(tables, kLine) <= room) {
    for (const Table& table : tables) top = DrawTable(painter, kMargin, kContentWidth, top, kLine, table);
    return;
  }
  const std::span<const Table> first(tables.data(), std::min<std::size_t>(1, tables.size()));
  const std::span<const Table> rest = std::span<const Table>(tables).subspan(first.size());
  const double longest = std::max(TablesHeight(first, kLine), TablesHeight(rest, kLine));
  const double line = std::max(8.0, kLine * std::min(1.0, room / longest));
  const double half = kContentWidth / 2;
  double below = top;
  for (const Table& table : first) below = DrawTable(painter, kMargin, half, below, line, table);
  below = top;
  for (const Table& table : rest) below = DrawTable(painter, kMargin + half, half, below, line, table);
}

}  // namespace

bool TForm1::SaveReport(const QString& path) {
  const auto fail = [&](const QString& reason) {
    ShowMessage(QStringLiteral("Der Bericht %1 konnte nicht gespeichert werden:\n%2")
                    .arg(Quoted(path), reason));
    return false;
  };
  if (captionLines_.empty())
    return fail(QStringLiteral("Es ist kein Ergebnis gewählt. Bitte zuerst „Berechnung“ "
                               "drücken und eine Ergebniszeile wählen."));
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return fail(file.errorString());

  // The picture as the window draws it, kept as shapes and texts.
  // A protocol wants the framed picture with titles: the default picture
  // makes way for the view fitted to the data while the page is drawn.
  const std::optional<graph_reduziert::PlotView> keptView = userView_;
  if (!userView_ && !PeriodogramShown()) userView_ = FittedView();
  const auto restoreView = qScopeGuard([&] { userView_ = keptView; });
  QPicture picture;
  {
    platform::QtCanvas canvas(picture, PB4->size());
    PaintPlot(canvas);
  }

  QPdfWriter pdf(&file);
  pdf.setPageSize(QPageSize(QPageSize::A4));
  pdf.setResolution(72);
  pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
  pdf.setTitle(QStringLiteral("Kalvento – Bericht"));
  pdf.setCreator(QStringLiteral("Kalvento"));
  QPainter painter(&pdf);
  if (!painter.isActive()) {
    file.cancelWriting();
    return fail(QStringLiteral("Die PDF-Datei konnte nicht angelegt werden."));
  }
  const sinusfit::Model& model = sinusfit::ModelOf(shownModel_, shownValues_);
  double top = kMargin;
  painter.setPen(Qt::black);
  painter.setFont(ReportFont(15, true));
  painter.drawText(QPointF(kMargin, top + 14), QStringLiteral("Anpassung: %1")
                                                    .arg(QString::fromUtf8(model.Formula().data())));
  top += 24;
  painter.setFont(ReportFont(9.5));
  const QString source = pairFile_.isEmpty() ? QStringLiteral("eingegebene Wertepaare")
                                             : QFileInfo(pairFile_).fileName();
  painter.drawText(QPointF(kMargin, top + 10),
                   QStringLiteral("Daten: %1 · Bericht vom %2")
                       .arg(source, QDateTime::currentDateTime().toString(
                                        QStringLiteral("dd.MM.yyyy, HH:mm 'Uhr'"))));
  top += kLine;
  const QString term = platform::FromLatin1(ShownTerm());
  painter.setFont(ReportFont(8));
  painter.drawText(QRectF(kMargin, top, kContentWidth, 2 * kLine), Qt::TextWrapAnywhere,
                   QStringLiteral("Term: ") + term);
  top += 2 * kLine + 4;

  // The picture across the page's width, the residuals below at the same x.
  const double scale = kContentWidth / std::max(1, PB4->width());
  painter.save();
  painter.translate(kMargin, top);
  // A picture is played back at the ratio of its resolution to the page's.
  const double playback = static_cast<double>(pdf.logicalDpiX()) / picture.logicalDpiX();
  painter.scale(scale / playback, scale / playback);
  painter.drawPicture(0, 0, picture);
  painter.restore();
  top += PB4->height() * scale + 18;  // room for the strip's caption
  const QRectF area = QRectF(ViewArea());
  const QRectF stripBox(kMargin + area.left() * scale, top, area.width() * scale, kStripHeight);
  const TablePairs pairs = ReadNumericPairs(*SG4);
  DrawResidualStrip(painter, stripBox,
                    ResidualColumns(pairs, ShownTerm(), CurrentView(),
                                    std::max(1, static_cast<int>(stripBox.width() * 2))));
  top += kStripHeight + 14;

  std::vector<Table> tables{
      {QStringLiteral("Parameter"), sinusfit::ParameterTexts(model, shownStatistics_, shownHeld_)}};
  if (shownStatistics_.summary.weighted) tables[0].lines.push_back("(Unsicherheiten aus Δy)");
  const std::vector<std::string> derived =
      sinusfit::DerivedTexts(model, shownStatistics_, shownHeld_);
  if (!derived.empty()) tables.push_back({QStringLiteral("Abgeleitete Größen"), derived});
  if (!shownSignificance_.empty())
    tables.push_back({QStringLiteral("Signifikanz der Frequenzen"), shownSignificance_});
  tables.push_back(
      {QStringLiteral("Güte der Anpassung"), sinusfit::GoodnessTexts(shownStatistics_.summary)});
  DrawTables(painter, top, tables);
  painter.end();
  if (file.error() != QFileDevice::NoError) {
    const QString reason = file.errorString();
    file.cancelWriting();
    return fail(reason);
  }
  if (!file.commit()) return fail(file.errorString());
  return true;
}

void TForm1::SaveReportDialog() {
  FileDialog dialog(this, QStringLiteral("Bericht speichern"), lastFolder_, true);
  dialog.SetFilters({QStringLiteral("PDF-Dokument (*.pdf)")}, {QStringLiteral("pdf")});
  const QString path = dialog.Run(lastFolder_);
  if (!path.isEmpty()) SaveReport(path);
}

}  // namespace app
