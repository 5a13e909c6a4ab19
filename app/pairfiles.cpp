// The window's pair files: opened by dialog, by dropping them onto the
// window or from the command line, and saved. Reading and writing the pairs
// is the Qt-free wertedatei unit; a file with more than two columns asks
// which become x and y.

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMimeData>
#include <QProgressDialog>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/columnchoicedialog.h"
#include "app/fileaccess.h"
#include "app/tablepairs.h"
#include "app/pairfilereading.h"
#include "app/tform1.h"
#include "app/valuetable.h"
#include "platform/qtlatin1.h"
#include "sinusfit/sinusfit.h"
#include "wertedatei/wertedatei.h"

namespace app {

namespace {

// The table holds a whole logger file up to this many pairs.
constexpr int kMaxPairs = ValueTable::kMaxPairs;
// A reading that takes longer than this shows its progress.
constexpr qint64 kProgressDelayMs = 500;

// The progress of reading a pair file: after half a second a dialog with
// "Abbrechen" (or the tests' watcher); events are handled meanwhile so that
// the window stays alive and the button can be pressed.
class ReadProgress {
 public:
  ReadProgress(QWidget* parent, const TForm1::ReadWatcher& watcher)
      : parent_(parent), watcher_(watcher) {
    clock_.start();
  }

  bool Continue(double share) {
    if (watcher_) return watcher_(share);
    if (!dialog_ && clock_.elapsed() < kProgressDelayMs) return true;
    if (!dialog_) {
      dialog_ = std::make_unique<QProgressDialog>(
          QStringLiteral("Die Wertepaare werden gelesen …"), QStringLiteral("Abbrechen"), 0, kSteps,
          parent_);
      dialog_->setWindowTitle(QStringLiteral("Datei öffnen"));
      dialog_->setWindowModality(Qt::WindowModal);
      dialog_->setMinimumDuration(0);
      dialog_->setAutoClose(false);
      dialog_->setAutoReset(false);
    }
    dialog_->setValue(static_cast<int>(share * kSteps));
    QCoreApplication::processEvents();
    return !dialog_->wasCanceled();
  }

 private:
  static constexpr int kSteps = 1000;
  QWidget* parent_;
  const TForm1::ReadWatcher& watcher_;
  QElapsedTimer clock_;
  std::unique_ptr<QProgressDialog> dialog_;
};

// The first local file among the dragged URLs, or an empty text.
QString DroppedFile(const QMimeData* mime) {
  if (mime == nullptr || !mime->hasUrls()) return {};
  for (const QUrl& url : mime->urls())
    if (url.isLocalFile()) return url.toLocalFile();
  return {};
}

}  // namespace

bool TForm1::OpenPairFile(const QString& path) {
  const std::optional<QByteArray> bytes = ReadFileBytes(path);
  if (!bytes) return false;
  const std::string_view content(bytes->constData(), static_cast<std::size_t>(bytes->size()));
  ReadProgress progress(this, readWatcher_);
  wertedatei::ReadOptions options;
  options.maxPairs = kMaxPairs;
  options.progress = [&progress](double share) { return progress.Continue(share); };
  wertedatei::PairFile pairs = wertedatei::ReadPairFile(content, options);
  if (pairs.ok && (pairs.columnCount > 2 || pairs.dateOrderOpen) &&
      !ChooseColumns(pairs, content, path, options))
    return false;  // the user changed their mind: nothing changes
  if (pairs.cancelled) return false;  // so did they here
  if (!pairs.ok || std::min(pairs.x.size(), pairs.y.size()) == 0) {
    ShowMessage(NoPairsMessage(path, pairs));
    return false;
  }
  TakePairs(std::move(pairs), path);
  return true;
}

std::optional<QByteArray> TForm1::ReadFileBytes(const QString& path) {
  QString refusal;
  std::optional<QByteArray> bytes = ReadPairFileBytes(path, refusal);
  if (!bytes) ShowMessage(refusal);
  return bytes;
}

// Asks which columns become x, y and Δy, starting from those the reader
// found, and reads the file again only when the choice differs from what it
// read. False when the user cancels or the chosen Δy cannot be used.
bool TForm1::ChooseColumns(wertedatei::PairFile& pairs, std::string_view content,
                           const QString& path, const wertedatei::ReadOptions& options) {
  wertedatei::ColumnChoice choice = pairs.detected;
  bool chosen = false;
  if (columnChooser_) {
    chosen = columnChooser_(pairs, choice);
  } else {
    ColumnChoiceDialog dialog(pairs, QFileInfo(path).fileName(), this);
    chosen = dialog.exec() == QDialog::Accepted;
    choice = dialog.Choice();
  }
  if (!chosen) return false;
  if (!(choice == pairs.columns)) pairs = wertedatei::ReadPairFile(content, choice, options);
  if (pairs.cancelled) return false;
  return pairs.sigmaY.empty() || CheckFileUncertainties(pairs, path);
}

bool TForm1::CheckFileUncertainties(const wertedatei::PairFile& pairs, const QString& path) {
  const QString refusal = UncertaintyColumnRefusal(path, pairs);
  if (refusal.isEmpty()) return true;
  ShowMessage(refusal);
  return false;
}

// The pairs into rows 1 .. n, the rest of the table emptied; what was
// skipped or left out is said afterwards.
void TForm1::TakePairs(wertedatei::PairFile pairs, const QString& path) {
  const std::size_t taken = std::min(pairs.x.size(), pairs.y.size());
  const std::size_t leftOut = pairs.pairsLeftOut;
  TableColumns columns;
  const bool withSigma = !pairs.sigmaY.empty();
  graph_reduziert::PlotPoints points{std::move(pairs.xValues), std::move(pairs.yValues),
                                     BarsOf(pairs.sigmaY, taken)};
  columns.x = std::move(pairs.x);
  columns.y = std::move(pairs.y);
  if (withSigma) columns.sigmaY = std::move(pairs.sigmaY);
  // A file with Δy shows the column; one without leaves it as it is.
  ReplaceTable(std::move(columns), QStringLiteral("Datei öffnen"),
               withSigma ? std::optional<bool>(true) : std::nullopt,
               {platform::FromLatin1(pairs.xTitle), platform::FromLatin1(pairs.yTitle)});
  SG4->scrollToTop();
  Label2->setText(QString::number(taken));
  SG4->MarkUnmodified();
  pairFileHasMoreColumns_ = pairs.columnCount > 2;
  ShowFileName(path);
  ShowPairsOnly(std::move(points));

  QStringList notes;
  if (pairs.xIsTime) notes << QStringLiteral("x ist die Zeit %1.").arg(axisTitles_.x);
  if (!pairs.message.empty()) notes << platform::FromLatin1(pairs.message);
  if (leftOut > 0)
    notes << QStringLiteral(
                 "Die Datei enthält %1 Wertepaare, die Tabelle fasst %2: "
                 "die ersten %2 wurden übernommen, %3 weggelassen.")
                 .arg(QLocale(QLocale::German).toString(static_cast<qulonglong>(taken + leftOut)),
                      QLocale(QLocale::German).toString(kMaxPairs),
                      QLocale(QLocale::German).toString(static_cast<qulonglong>(leftOut)));
  if (!notes.isEmpty()) ShowMessage(notes.join(QStringLiteral("\n\n")), false);
}

bool TForm1::SavePairFile(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  const bool tabs = suffix == QLatin1String("tsv") || suffix == QLatin1String("txt");
  return SavePairFile(path, tabs ? '\t' : ';');
}

bool TForm1::SavePairFile(const QString& path, char separator) {
  SG4->CommitOpenEditor();  // a cell being typed in counts with its new text
  const PairTexts pairs = ReadPairTexts(*SG4);
  if (pairs.x.empty()) {
    ShowMessage(QStringLiteral("Die Tabelle enthält keine Wertepaare, die Datei %1 "
                               "wurde nicht geschrieben.")
                    .arg(Quoted(path)));
    return false;
  }
  // Δy goes with the pairs while its column is shown, the axis titles as
  // the headings.
  const graph_reduziert::AxisTitles titles = ShownTitles();
  const std::string text = wertedatei::WritePairFile(
      pairs.x, pairs.y, SG4->SigmaColumnShown() ? &pairs.sigmaY : nullptr, separator,
      {titles.x, titles.y});
  const QString failure =
      text.empty() ? QStringLiteral("Die Wertepaare konnten nicht in Text umgesetzt werden.")
                   : WriteAtomically(path, text);
  if (!CheckSaved(path, failure)) return false;
  SG4->MarkUnmodified();
  pairFileHasMoreColumns_ = false;
  ShowFileName(path);
  return true;
}

void TForm1::OpenPairFileDialog() {
  FileDialog dialog(this, QStringLiteral("Wertepaare öffnen"), lastFolder_, false);
  dialog.setNameFilters(
      {QStringLiteral("Wertepaare (*.csv *.txt *.tsv *.dat)"), QStringLiteral("Alle Dateien (*)")});
  const QString path = dialog.Run(lastFolder_);
  if (!path.isEmpty()) OpenPairFile(path);
}

void TForm1::SavePairFileDialog() {
  FileDialog dialog(this, QStringLiteral("Wertepaare speichern"), lastFolder_, true);
  const QStringList filters = {QStringLiteral("Semikolon-getrennt (*.csv)"),
                               QStringLiteral("Tabulator-getrennt (*.tsv *.txt)")};
  dialog.SetFilters(filters, {QStringLiteral("csv"), QStringLiteral("tsv")});
  const QString path = dialog.Run(lastFolder_);
  if (!path.isEmpty()) SavePairFile(path, dialog.selectedNameFilter() == filters[1] ? '\t' : ';');
}

// A file dropped anywhere on the window opens, the edit fields included
// (they would otherwise take its name as text).
void TForm1::AcceptDroppedFiles() {
  setAcceptDrops(true);
  for (QLineEdit* edit : {Edit1, Edit2, Edit3, Edit4, Edit5}) edit->installEventFilter(this);
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
  QTimer::singleShot(0, this, [this, path] { OpenFile(path); });
}

// Files dragged over the edit fields go to the window.
bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  const bool dragging =
      type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop;
  if (dragging && qobject_cast<QLineEdit*>(watched) != nullptr) {
    auto* drop = static_cast<QDropEvent*>(event);
    if (!DroppedFile(drop->mimeData()).isEmpty()) {
      if (type == QEvent::Drop)
        dropEvent(drop);
      else
        drop->acceptProposedAction();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace app
