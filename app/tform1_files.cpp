// The window's files: pair files opened (by dialog, by dropping them onto the
// window, from the command line) and saved, the plot exported as a picture or
// copied, the result list copied or saved. Reading and writing the pairs is
// the Qt-free wertedatei unit; the texts of the exported results come from
// resultexport.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QStyle>
#include <QSvgGenerator>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <algorithm>
#include <string_view>
#include <vector>

#include "app/columnchoicedialog.h"
#include "app/controls.h"
#include "app/tform1.h"
#include "app/valuetable.h"
#include "platform/qtcanvas.h"
#include "sinusfit/sinusfit.h"
#include "wertedatei/wertedatei.h"

namespace app {

using sinusfit::AttachStatistics;
using sinusfit::CopiedResultLines;
using sinusfit::ExportedResult;
using sinusfit::ResultsCsv;

namespace {

constexpr int kMaxPairs = ValueTable::kRows - 1;  // 200
// Far more than any table of measured values; keeps a mistaken choice (a
// film, a disk image) from filling the memory.
constexpr qint64 kMaxFileBytes = qint64{64} << 20;
constexpr int kScreenDpi = 96;  // the plot's pixels at the size they have on screen

QString Quoted(const QString& path) {
  return QStringLiteral("„%1“").arg(QFileInfo(path).fileName());
}

QString Latin1Text(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToLatin1(const QString& text) { return text.toLatin1().toStdString(); }

// A file dialog with German captions also where Qt's own dialog is used.
struct FileDialog : QFileDialog {
  FileDialog(QWidget* parent, const QString& caption, const QString& folder, bool save)
      : QFileDialog(parent, caption, folder) {
    setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    setLabelText(QFileDialog::LookIn, QStringLiteral("Suchen in:"));
    setLabelText(QFileDialog::FileName, QStringLiteral("Dateiname:"));
    setLabelText(QFileDialog::FileType, QStringLiteral("Dateityp:"));
    setLabelText(QFileDialog::Accept,
                 save ? QStringLiteral("Speichern") : QStringLiteral("Öffnen"));
    setLabelText(QFileDialog::Reject, QStringLiteral("Abbrechen"));
  }
  // The chosen file, or an empty text when the user cancelled.
  QString Run() {
    if (exec() != QDialog::Accepted || selectedFiles().isEmpty()) return {};
    return selectedFiles().front();
  }
};

// Name filters paired with the suffix a bare file name gets under them.
void SetFilters(QFileDialog& dialog, const QStringList& filters, const QStringList& suffixes) {
  dialog.setNameFilters(filters);
  dialog.setDefaultSuffix(suffixes.front());
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                   [&dialog, filters, suffixes](const QString& filter) {
                     const qsizetype i = filters.indexOf(filter);
                     if (i >= 0) dialog.setDefaultSuffix(suffixes[i]);
                   });
}

// The first local file among the dragged URLs, or an empty text.
QString DroppedFile(const QMimeData* mime) {
  if (mime == nullptr || !mime->hasUrls()) return {};
  for (const QUrl& url : mime->urls())
    if (url.isLocalFile()) return url.toLocalFile();
  return {};
}

// Writes `bytes` to `path` through a temporary file that replaces the old
// one only once everything is written. Returns the reason of a failure, or
// an empty text.
QString WriteAtomically(const QString& path, const QByteArray& bytes) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return file.errorString();
  if (file.write(bytes) != bytes.size()) {
    const QString reason = file.errorString();
    file.cancelWriting();
    return reason;
  }
  if (!file.commit()) return file.errorString();
  return {};
}

}  // namespace

void TForm1::CreateFileActions() {
  const auto newAction = [this](const char* name, const QString& text, QStyle::StandardPixmap icon,
                                void (TForm1::*slot)()) {
    auto* action = new QAction(text, this);
    action->setObjectName(QString::fromLatin1(name));
    if (icon != QStyle::SP_CustomBase) action->setIcon(style()->standardIcon(icon));
    connect(action, &QAction::triggered, this, slot);
    return action;
  };
  actionOpenPairs = newAction("actionOpenPairs", QStringLiteral("Öffnen…"),
                              QStyle::SP_DialogOpenButton, &TForm1::OpenPairFileDialog);
  actionOpenPairs->setShortcut(QKeySequence::Open);
  actionOpenPairs->setToolTip(QStringLiteral("Wertepaare aus einer Datei öffnen (Strg+O)"));
  actionSavePairs = newAction("actionSavePairs", QStringLiteral("Speichern…"),
                              QStyle::SP_DialogSaveButton, &TForm1::SavePairFileDialog);
  actionSavePairs->setShortcut(QKeySequence::Save);
  actionSavePairs->setToolTip(QStringLiteral("Wertepaare in eine Datei speichern (Strg+S)"));
  actionExportPlot = newAction("actionExportPlot", QStringLiteral("Bild speichern…"),
                               QStyle::SP_CustomBase, &TForm1::ExportPlotDialog);
  actionExportPlot->setToolTip(QStringLiteral("Das Diagramm als PNG, SVG oder PDF speichern"));
  actionCopyPlot = newAction("actionCopyPlot", QStringLiteral("Bild kopieren"),
                             QStyle::SP_CustomBase, &TForm1::CopyPlot);
  actionCopyResults = newAction("actionCopyResults", QStringLiteral("Kopieren"),
                                QStyle::SP_CustomBase, &TForm1::CopyResults);
  // Only while the result list has the focus: elsewhere Ctrl+C is the table's
  // and the fields' own.
  actionCopyResults->setShortcut(QKeySequence::Copy);
  actionCopyResults->setShortcutContext(Qt::WidgetShortcut);
  actionSaveResults = newAction("actionSaveResults", QStringLiteral("Ergebnisse speichern…"),
                                QStyle::SP_CustomBase, &TForm1::SaveResultsDialog);

  // Ctrl+O and Ctrl+S anywhere in the window.
  addAction(actionOpenPairs);
  addAction(actionSavePairs);

  SG4->setContextMenuPolicy(Qt::ActionsContextMenu);
  SG4->addAction(actionOpenPairs);
  SG4->addAction(actionSavePairs);

  // The picture entries follow the plot's view entries.
  auto* pictureGroup = new QAction(this);
  pictureGroup->setSeparator(true);
  PB4->setContextMenuPolicy(Qt::ActionsContextMenu);
  PB4->addAction(pictureGroup);
  PB4->addAction(actionExportPlot);
  PB4->addAction(actionCopyPlot);

  Listbox1->setContextMenuPolicy(Qt::ActionsContextMenu);
  Listbox1->addAction(actionCopyResults);
  Listbox1->addAction(actionSaveResults);
  Listbox1->installEventFilter(this);

  // Beside "B" and "x" in the table's heading row.
  QWidget* panel = S1->parentWidget();
  const auto newButton = [panel](const char* name, QAction* action, QRect geometry) {
    auto* button = new QToolButton(panel);
    button->setObjectName(QString::fromLatin1(name));
    button->setDefaultAction(action);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setIconSize(QSize(16, 16));
    button->setGeometry(geometry);
    return button;
  };
  ButtonOpenPairs = newButton("ButtonOpenPairs", actionOpenPairs, QRect(144, 6, 23, 23));
  ButtonSavePairs = newButton("ButtonSavePairs", actionSavePairs, QRect(168, 6, 23, 23));

  // A file dropped anywhere on the window opens, the edit fields included
  // (they would otherwise take its name as text).
  setAcceptDrops(true);
  for (QLineEdit* edit : {Edit1, Edit2, Edit3, Edit4, Edit5}) edit->installEventFilter(this);
}

void TForm1::ShowMessage(const QString& text, bool warning) {
  lastMessage_ = text;
  if (collectMessages_) return;
  QMessageBox box(warning ? QMessageBox::Warning : QMessageBox::Information,
                  QStringLiteral("Kalvento"), text, QMessageBox::Ok, this);
  box.exec();
}

void TForm1::ShowFileName(const QString& path) {
  setWindowTitle(QStringLiteral("Kalvento – %1").arg(QFileInfo(path).fileName()));
}

bool TForm1::OpenPairFile(const QString& path) {
  const QString name = Quoted(path);
  const QFileInfo info(path);
  if (!info.exists()) {
    ShowMessage(QStringLiteral("Die Datei %1 gibt es nicht.").arg(name));
    return false;
  }
  // Directories, pipes and devices: nothing a table is read from, and a
  // pipe would block.
  if (!info.isFile()) {
    ShowMessage(QStringLiteral("%1 ist keine Datei mit Wertepaaren.").arg(name));
    return false;
  }
  const auto tooLarge = [&] {
    ShowMessage(QStringLiteral("Die Datei %1 ist zu groß für eine Tabelle von Wertepaaren "
                               "(mehr als 64 MB).")
                    .arg(name));
    return false;
  };
  if (info.size() > kMaxFileBytes) return tooLarge();
  QFile file(path);
  const auto cannotRead = [&] {
    ShowMessage(QStringLiteral("Die Datei %1 kann nicht gelesen werden:\n%2")
                    .arg(name, file.errorString()));
    return false;
  };
  if (!file.open(QIODevice::ReadOnly)) return cannotRead();
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) return cannotRead();
  if (bytes.size() > kMaxFileBytes) return tooLarge();  // it grew meanwhile

  const std::string_view content(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  wertedatei::PairFile pairs = wertedatei::ReadPairFile(content);
  if (pairs.ok && pairs.columnCount > 2) {
    wertedatei::ColumnChoice choice;
    bool chosen = false;
    if (columnChooser_) {
      chosen = columnChooser_(pairs, choice);
    } else {
      ColumnChoiceDialog dialog(pairs, QFileInfo(path).fileName(), this);
      chosen = dialog.exec() == QDialog::Accepted;
      choice.x = dialog.XColumn();
      choice.y = dialog.YColumn();
    }
    if (!chosen) return false;  // the user changed their mind: nothing changes
    if (choice.x != 0 || choice.y != 1) pairs = wertedatei::ReadPairFile(content, choice);
  }
  const std::size_t count = std::min(pairs.x.size(), pairs.y.size());
  if (!pairs.ok || count == 0) {
    QString text =
        QStringLiteral("Aus der Datei %1 konnten keine Wertepaare gelesen werden.").arg(name);
    if (!pairs.message.empty()) text += QStringLiteral("\n\n") + CoreText(pairs.message);
    ShowMessage(text);
    return false;
  }

  const std::size_t taken = std::min<std::size_t>(count, kMaxPairs);
  SG4->ClearDataRows();
  for (std::size_t i = 0; i < taken; ++i) {
    const int row = static_cast<int>(i) + 1;
    SG4->SetCellLatin1(row, 0, pairs.x[i]);
    SG4->SetCellLatin1(row, 1, pairs.y[i]);
  }
  SG4->scrollToTop();
  Label2->setText(QString::number(taken));
  ShowFileName(path);

  QStringList notes;
  if (!pairs.message.empty()) notes << CoreText(pairs.message);
  if (count > taken)
    notes << QStringLiteral(
                 "Die Datei enthält %1 Wertepaare, die Tabelle fasst %2: "
                 "die ersten %2 wurden übernommen, %3 weggelassen.")
                 .arg(count)
                 .arg(kMaxPairs)
                 .arg(count - taken);
  if (!notes.isEmpty()) ShowMessage(notes.join(QStringLiteral("\n\n")), false);
  return true;
}

bool TForm1::SavePairFile(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  const bool tabs = suffix == QLatin1String("tsv") || suffix == QLatin1String("txt");
  return SavePairFile(path, tabs ? '\t' : ';');
}

bool TForm1::SavePairFile(const QString& path, char separator) {
  SG4->CommitOpenEditor();  // a cell being typed in counts with its new text
  std::vector<std::string> x, y;
  for (int row = 1; row < ValueTable::kRows; ++row) {
    std::string xText = SG4->CellLatin1(row, 0), yText = SG4->CellLatin1(row, 1);
    if (xText.empty() && yText.empty()) continue;
    x.push_back(std::move(xText));
    y.push_back(std::move(yText));
  }
  if (x.empty()) {
    ShowMessage(QStringLiteral("Die Tabelle enthält keine Wertepaare, die Datei %1 "
                               "wurde nicht geschrieben.")
                    .arg(Quoted(path)));
    return false;
  }
  const std::string text = wertedatei::WritePairFile(x, y, separator);
  QString reason;
  if (text.empty())
    reason = QStringLiteral("Die Wertepaare konnten nicht in Text umgesetzt werden.");
  else
    reason = WriteAtomically(path, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
  if (!reason.isEmpty()) {
    ShowMessage(QStringLiteral("Die Datei %1 konnte nicht gespeichert werden:\n%2")
                    .arg(Quoted(path), reason));
    return false;
  }
  ShowFileName(path);
  return true;
}

QImage TForm1::PlotImage() {
  QImage image = platform::QtCanvas::NewBitmap(PB4->width(), PB4->height());
  platform::QtCanvas canvas(image);
  PaintPlot(canvas);
  return image;
}

bool TForm1::ExportPlot(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  const QSize size = PB4->size();
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
  if (suffix == QLatin1String("png")) {
    drawn = PlotImage().save(&file, "PNG");
  } else if (suffix == QLatin1String("svg")) {
    QSvgGenerator svg;
    svg.setOutputDevice(&file);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setResolution(kScreenDpi);
    svg.setTitle(QStringLiteral("Kalvento"));
    platform::QtCanvas canvas(svg, size);
    PaintPlot(canvas);
  } else {
    QPdfWriter pdf(&file);
    pdf.setResolution(kScreenDpi);
    const QSizeF points = QSizeF(size) * 72.0 / kScreenDpi;
    pdf.setPageSize(QPageSize(points, QPageSize::Point, QString(), QPageSize::ExactMatch));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    pdf.setTitle(QStringLiteral("Kalvento"));
    pdf.setCreator(QStringLiteral("Kalvento"));
    platform::QtCanvas canvas(pdf, size);
    PaintPlot(canvas);
  }
  if (!drawn || file.error() != QFileDevice::NoError) {
    const QString reason = file.errorString();
    file.cancelWriting();
    return fail(reason);
  }
  if (!file.commit()) return fail(file.errorString());
  return true;
}

namespace {

std::vector<ExportedResult> ResultsOf(const TForm1& form, bool selectedOnly) {
  std::vector<ExportedResult> results;
  for (int i = 0; i < form.Listbox1->count(); ++i) {
    const QListWidgetItem* item = form.Listbox1->item(i);
    if (selectedOnly && !item->isSelected()) continue;
    ExportedResult result;
    result.entry = ToLatin1(item->text());
    if (const ResultRecord* record = form.FindResultRecord(result.entry)) {
      result.hasValues = true;
      result.mode = record->mode;
      result.parameters = record->parameters;
      result.error = record->error;
    }
    results.push_back(std::move(result));
  }
  // On the table's pairs as they are now, like the statistics label.
  const TablePairs pairs = ReadPairs(*form.SG4);
  AttachStatistics(results, pairs.x, pairs.y);
  return results;
}

}  // namespace

void TForm1::CopyPlot() { QApplication::clipboard()->setImage(PlotImage()); }

void TForm1::CopyResults() {
  // The chosen lines, or the whole list when none is chosen.
  std::vector<ExportedResult> results = ResultsOf(*this, true);
  if (results.empty()) results = ResultsOf(*this, false);
  if (results.empty()) return;
  QApplication::clipboard()->setText(Latin1Text(CopiedResultLines(results)));
}

bool TForm1::SaveResults(const QString& path) {
  const std::vector<ExportedResult> results = ResultsOf(*this, false);
  if (results.empty()) {
    ShowMessage(QStringLiteral("Die Ergebnisliste ist leer, die Datei %1 wurde nicht geschrieben.")
                    .arg(Quoted(path)));
    return false;
  }
  const std::string csv = ResultsCsv(results);
  const QString reason =
      WriteAtomically(path, QByteArray(csv.data(), static_cast<qsizetype>(csv.size())));
  if (!reason.isEmpty()) {
    ShowMessage(QStringLiteral("Die Datei %1 konnte nicht gespeichert werden:\n%2")
                    .arg(Quoted(path), reason));
    return false;
  }
  return true;
}

void TForm1::OpenPairFileDialog() {
  FileDialog dialog(this, QStringLiteral("Wertepaare öffnen"), lastFolder_, false);
  dialog.setNameFilters(
      {QStringLiteral("Wertepaare (*.csv *.txt *.tsv *.dat)"), QStringLiteral("Alle Dateien (*)")});
  const QString path = dialog.Run();
  if (path.isEmpty()) return;
  lastFolder_ = QFileInfo(path).absolutePath();
  OpenPairFile(path);
}

void TForm1::SavePairFileDialog() {
  FileDialog dialog(this, QStringLiteral("Wertepaare speichern"), lastFolder_, true);
  const QStringList filters = {QStringLiteral("Semikolon-getrennt (*.csv)"),
                               QStringLiteral("Tabulator-getrennt (*.tsv *.txt)")};
  SetFilters(dialog, filters, {QStringLiteral("csv"), QStringLiteral("tsv")});
  const QString path = dialog.Run();
  if (path.isEmpty()) return;
  lastFolder_ = QFileInfo(path).absolutePath();
  SavePairFile(path, dialog.selectedNameFilter() == filters[1] ? '\t' : ';');
}

void TForm1::ExportPlotDialog() {
  FileDialog dialog(this, QStringLiteral("Bild speichern"), lastFolder_, true);
  SetFilters(dialog,
             {QStringLiteral("PNG-Bild (*.png)"), QStringLiteral("SVG-Vektorgrafik (*.svg)"),
              QStringLiteral("PDF-Dokument (*.pdf)")},
             {QStringLiteral("png"), QStringLiteral("svg"), QStringLiteral("pdf")});
  const QString path = dialog.Run();
  if (path.isEmpty()) return;
  lastFolder_ = QFileInfo(path).absolutePath();
  ExportPlot(path);
}

void TForm1::SaveResultsDialog() {
  FileDialog dialog(this, QStringLiteral("Ergebnisse speichern"), lastFolder_, true);
  SetFilters(dialog, {QStringLiteral("CSV-Datei (*.csv)")}, {QStringLiteral("csv")});
  const QString path = dialog.Run();
  if (path.isEmpty()) return;
  lastFolder_ = QFileInfo(path).absolutePath();
  SaveResults(path);
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
  const QString path = DroppedFile(event->mimeData());
  if (path.isEmpty()) return;
  event->acceptProposedAction();
  // Opened once the drop has ended, so that the dragging program is not kept
  // waiting while a message or the column dialog is shown.
  QTimer::singleShot(0, this, [this, path] { OpenPairFile(path); });
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
      if (watched == Listbox1 && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        CopyResults();
        return true;
      }
      break;
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
      if (qobject_cast<QLineEdit*>(watched) != nullptr) {
        auto* drop = static_cast<QDropEvent*>(event);
        if (DroppedFile(drop->mimeData()).isEmpty()) break;
        if (event->type() == QEvent::Drop)
          dropEvent(drop);
        else
          drop->acceptProposedAction();
        return true;
      }
      break;
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace app
