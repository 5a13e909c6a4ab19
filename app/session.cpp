// Sessions: the window's whole state in a file ("Sitzung speichern…",
// "Sitzung öffnen…"), the same state autosave keeps for recovery. Saving
// reads what the window shows; opening puts it back and shows it through
// the paths that showed it before, so that the picture is the same.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QUndoStack>
#include <algorithm>
#include <map>

#include "_grund/grund.h"
#include "app/controls.h"
#include "app/fileaccess.h"
#include "app/fitinput.h"
#include "app/sessioncapture.h"
#include "app/tablepairs.h"
#include "app/tform1.h"
#include "app/valuetable.h"
#include "platform/qtlatin1.h"
#include "wertedatei/session.h"

namespace app {

using wertedatei::Session;

namespace {

// A session of a million pairs with its fit stays well below this.
constexpr qint64 kMaxSessionBytes = qint64{512} << 20;

wertedatei::SessionPrecision ToSession(const sinusfit::TextPrecision& p) {
  return {p.a,     p.b,           p.c,           p.d,      p.error, p.errorDigits,
          p.fittedValue, p.plotX, p.plotY, p.specifiedScale};
}

sinusfit::TextPrecision FromSession(const wertedatei::SessionPrecision& p) {
  sinusfit::TextPrecision precision;
  precision.a = p.a;
  precision.b = p.b;
  precision.c = p.c;
  precision.d = p.d;
  precision.error = p.error;
  precision.errorDigits = p.errorDigits;
  precision.fittedValue = p.fittedValue;
  precision.plotX = p.plotX;
  precision.plotY = p.plotY;
  precision.specifiedScale = p.specifiedScale;
  return precision;
}

std::optional<wertedatei::SessionView> ToSession(const std::optional<graph_reduziert::PlotView>& view) {
  if (!view) return std::nullopt;
  return wertedatei::SessionView{view->XMin, view->XMax, view->YMin, view->YMax};
}

std::optional<graph_reduziert::PlotView> FromSession(const std::optional<wertedatei::SessionView>& view) {
  if (!view) return std::nullopt;
  return graph_reduziert::PlotView{view->xMin, view->xMax, view->yMin, view->yMax};
}

wertedatei::SessionColumn ColumnOf(const TableContents& contents, int column) {
  ColumnTexts texts = contents.CopyColumn(column);
  wertedatei::SessionColumn saved;
  saved.latin1 = std::move(texts.latin1);
  for (const auto& [index, full] : texts.full) saved.full.emplace_back(index, full.toStdString());
  std::sort(saved.full.begin(), saved.full.end());
  return saved;
}

TableContents ContentsOf(Session& session) {
  TableContents contents(static_cast<int>(session.rows));
  for (int column = 0; column < TableContents::kColumns; ++column) {
    wertedatei::SessionColumn& saved = session.columns[static_cast<std::size_t>(column)];
    contents.SetColumn(column, std::move(saved.latin1));
    for (const auto& [index, full] : saved.full) {
      const int i = static_cast<int>(index);
      const std::string latin1(contents.StoredLatin1(i, column));
      const QString text = QString::fromStdString(full);
      contents.Set(i, column, latin1, &text);
    }
  }
  return contents;
}

// The x of the given rows (increasing) as the pairs read them; rows that
// hold no pair drop out of `rows`.
std::vector<double> XOfRows(const TablePairs& pairs, std::vector<int>& rows) {
  std::vector<double> x;
  std::vector<int> kept;
  std::size_t k = 0;
  for (const int row : rows) {
    while (k < pairs.rows.size() && pairs.rows[k] < row) ++k;
    if (k == pairs.rows.size() || pairs.rows[k] != row) continue;
    kept.push_back(row);
    x.push_back(pairs.x[k]);
  }
  rows = std::move(kept);
  return x;
}

FittedTextFormat FittedFormatOf(std::string term, sinusfit::TextPrecision precision) {
  return [term = std::move(term), precision](double at) {
    return sinusfit::FittedValueText(term, at, precision);
  };
}

}  // namespace

SessionCapture TForm1::StartCapture() const {
  SessionCapture capture;
  Session& session = capture.session;
  session.savedAt = QDateTime::currentDateTime().toString(Qt::ISODate).toStdString();

  const TableContents& contents = SG4->Contents();
  session.rows = contents.Rows();
  for (int column = 0; column < TableContents::kColumns; ++column)
    session.columns[static_cast<std::size_t>(column)] = ColumnOf(contents, column);
  session.sigmaShown = SG4->SigmaColumnShown();
  capture.fittedSlots = contents.CopyFittedSlots();
  capture.fittedFromTable = fittedVersion_ == pairsVersion_;
  capture.fittedTerm = fittedTerm_;
  capture.fittedPrecision = ToSession(fittedPrecision_);
  session.pairsModified = SG4->IsModified();
  session.pairFile = pairFile_.toStdString();
  session.pairFileHasMoreColumns = pairFileHasMoreColumns_;

  session.fitMode = CheckedFitMode();
  const QLineEdit* fields[] = {Edit1, Edit2, Edit3, Edit4, Edit5};
  for (std::size_t i = 0; i < session.fields.size(); ++i)
    session.fields[i] = fields[i]->text().toStdString();
  session.frequencyScan = CheckFrequenzsuche->isChecked();
  session.model = ComboZielfunktion->currentIndex();
  session.frequencies = SpinFrequenzen->value();
  session.randomSeed = grund::ProcessRandom().Seed();

  // The pairs of the lines' computations, each written once; those that
  // are the table's own as it stands are only marked so.
  std::map<const sinusfit::FitData*, int> pairSets;
  const auto pairSetOf = [&](const std::shared_ptr<const sinusfit::FitData>& data) {
    if (data == nullptr) return -1;
    const auto [found, added] =
        pairSets.emplace(data.get(), static_cast<int>(session.computedPairs.size()));
    if (!added) return found->second;
    // Pairs of their own are shared with the job and copied there.
    const bool tables = data.get() == tablesData_.data && tablesData_.version == pairsVersion_;
    wertedatei::SessionPairs pairs;
    pairs.tablePairs = tables;
    session.computedPairs.push_back(std::move(pairs));
    capture.computedData.push_back(tables ? nullptr : data);
    return found->second;
  };
  for (int row = 0; row < Listbox1->count(); ++row) {
    wertedatei::SessionResult line;
    line.entry = platform::ToLatin1(Listbox1->item(row)->text());
    if (const ResultRecord* record = FindResultRecord(line.entry)) {
      line.mode = static_cast<int>(record->mode);
      line.parameters = {record->parameters.a, record->parameters.b, record->parameters.c,
                         record->parameters.d};
      line.error = record->error;
      line.model = static_cast<int>(record->model);
      line.values = record->values;
      line.originX0 = record->origin.x0;
      line.originPhase = record->origin.phase;
      line.scanBound = record->scanBound;
      line.searchedUpTo = record->searchedUpTo;
      line.precision = ToSession(record->precision);
      line.pairs = pairSetOf(record->data);
    }
    session.results.push_back(std::move(line));
  }
  const QListWidgetItem* chosen = Listbox1->currentItem();
  if (chosen != nullptr && chosen->isSelected()) session.chosen = Listbox1->row(chosen);
  session.sortByError = actionSortByError->isChecked();
  session.weighted = Panel6->text().startsWith(QStringLiteral("χ²"));
  session.pairCount = Label2->text().toStdString();

  session.shownEntry = shownEntry_;
  session.statisticsShown = !statisticsText_.isEmpty();
  session.scanHint = scanHint_.toStdString();
  session.modelHint = modelHint_.toStdString();
  if (const grund::PlotList* list = PlotList()) session.plotEntries = list->Entries;
  if (!points_.Empty()) {
    if (pointsVersion_ == pairsVersion_) {
      session.pointsAreTablePairs = true;
    } else {
      capture.points = points_.SharedPoints();
    }
  }
  session.pairsOnly = pairsOnlyShown_;
  session.userView = ToSession(userView_);
  session.otherView = ToSession(otherView_);
  session.periodogram = actionPeriodogram->isChecked();
  session.periodAxis = actionPeriodAxis->isChecked();
  session.spectralWindow = actionSpectralWindow->isChecked();
  session.residuals = actionShowResiduals->isChecked();
  session.resultInPlot = actionResultInPlot->isChecked();
  session.titleX = axisTitles_.x.toStdString();
  session.titleY = axisTitles_.y.toStdString();
  return capture;
}

Session SessionCapture::Finish() && {
  const TableContents::DueFittedValues due = TableContents::DueOf(fittedSlots);
  if (!due.indexes.empty()) {
    wertedatei::SessionFittedValues fitted;
    fitted.term = std::move(fittedTerm);
    fitted.precision = fittedPrecision;
    fitted.indexes.assign(due.indexes.begin(), due.indexes.end());
    fitted.xFromTable = fittedFromTable;
    if (!fittedFromTable) fitted.x = due.x;
    session.fitted = std::move(fitted);
  }
  for (std::size_t i = 0; i < computedData.size(); ++i) {
    if (computedData[i] == nullptr) continue;
    const sinusfit::FitData& data = *computedData[i];
    session.computedPairs[i] = {data.x, data.y, data.sigma, false};
  }
  if (points != nullptr) session.points = wertedatei::SessionPairs{points->x, points->y, points->sigma, false};
  return std::move(session);
}

Session TForm1::CaptureSession() const { return StartCapture().Finish(); }


void TForm1::ApplySession(Session session) {
  // The table first: its change clears what belonged to the former pairs
  // (statistics, hints, pairs shown alone), which the session then brings.
  const QString undoText = QStringLiteral("Sitzung öffnen");
  QUndoStack* steps = SG4->UndoStack();
  steps->beginMacro(undoText);
  SG4->ReplaceContents(ContentsOf(session), undoText, session.sigmaShown);
  SetTitles({QString::fromStdString(session.titleX), QString::fromStdString(session.titleY)});
  steps->endMacro();
  // Read once: the f(x) values, the computations' pairs, the points drawn
  // and the statistics may all be the table's own.
  const TablePairs tablePairs = ReadPairs(*SG4);
  if (session.fitted) {
    wertedatei::SessionFittedValues& fitted = *session.fitted;
    std::vector<int> rows(fitted.indexes.size());
    std::transform(fitted.indexes.begin(), fitted.indexes.end(), rows.begin(),
                   [](std::int64_t i) { return static_cast<int>(i) + 1; });
    if (fitted.xFromTable) fitted.x = XOfRows(tablePairs, rows);
    fittedTerm_ = fitted.term;
    fittedPrecision_ = FromSession(fitted.precision);
    SG4->WriteFittedValues(std::move(rows), std::move(fitted.x),
                           FittedFormatOf(fittedTerm_, fittedPrecision_));
    fittedVersion_ = fitted.xFromTable ? pairsVersion_ : 0;
  }
  if (!session.pairsModified) SG4->MarkUnmodified();
  pairFile_ = QString::fromStdString(session.pairFile);
  pairFileHasMoreColumns_ = session.pairFileHasMoreColumns;

  QRadioButton* const modes[] = {rt1, rt2, rt3, rt4, rt5};
  modes[std::clamp(session.fitMode, 1, 5) - 1]->setChecked(true);
  QLineEdit* const fields[] = {Edit1, Edit2, Edit3, Edit4, Edit5};
  for (std::size_t i = 0; i < session.fields.size(); ++i)
    fields[i]->setText(QString::fromStdString(session.fields[i]));
  CheckFrequenzsuche->setChecked(session.frequencyScan);
  ComboZielfunktion->setCurrentIndex(session.model);
  SpinFrequenzen->setValue(session.frequencies);
  grund::ProcessRandom().SetSeed(session.randomSeed);

  ClearResults();
  lastComputation_.reset();
  ShowListHeading(session.weighted);
  {
    const QSignalBlocker blocker(actionSortByError);
    actionSortByError->setChecked(session.sortByError);
  }
  Listbox1->setSortingEnabled(!session.sortByError);
  std::vector<std::shared_ptr<const sinusfit::FitData>> pairSets;
  for (wertedatei::SessionPairs& pairs : session.computedPairs) {
    if (pairs.tablePairs) {
      pairSets.push_back(std::make_shared<const sinusfit::FitData>(ReadFitInput(tablePairs).data));
      tablesData_ = {pairSets.back().get(), pairsVersion_};
    } else {
      pairSets.push_back(std::make_shared<const sinusfit::FitData>(sinusfit::FitData{
          std::move(pairs.x), std::move(pairs.y), std::move(pairs.sigma)}));
    }
  }
  for (const wertedatei::SessionResult& line : session.results) {
    ResultRecord record;
    record.mode = static_cast<sinusfit::FitMode>(line.mode);
    record.parameters = {line.parameters[0], line.parameters[1], line.parameters[2],
                         line.parameters[3]};
    record.error = line.error;
    if (line.pairs >= 0 && static_cast<std::size_t>(line.pairs) < pairSets.size())
      record.data = pairSets[static_cast<std::size_t>(line.pairs)];
    record.precision = FromSession(line.precision);
    record.model = static_cast<sinusfit::ModelKind>(line.model);
    record.values = line.values;
    record.origin = {line.originX0, line.originPhase};
    record.scanBound = line.scanBound;
    record.searchedUpTo = line.searchedUpTo;
    resultRecords_[line.entry] = std::move(record);
    Listbox1->addItem(platform::FromLatin1(line.entry));
  }
  MarkBestLine();
  if (session.chosen >= 0 && session.chosen < Listbox1->count()) Listbox1->setCurrentRow(session.chosen);
  Label2->setText(QString::fromStdString(session.pairCount));

  if (grund::PlotList* list = PlotList()) {
    list->Entries = std::move(session.plotEntries);
    list->PlotCursor = 0;
  }
  pointsVersion_ = 0;
  if (session.pointsAreTablePairs) {
    points_.SetPoints({tablePairs.x, tablePairs.y, BarsOf(tablePairs.sigmaY, tablePairs.x.size())});
    pointsVersion_ = pairsVersion_;
  } else if (session.points) {
    points_.SetPoints({std::move(session.points->x), std::move(session.points->y),
                       std::move(session.points->sigma)});
  } else {
    points_.SetPoints({});
  }
  pairsOnlyShown_ = session.pairsOnly && !points_.Empty();
  captionPlace_.reset();
  spectra_.reset();
  window_.reset();
  scanHint_ = QString::fromStdString(session.scanHint);
  modelHint_ = QString::fromStdString(session.modelHint);
  if (session.statisticsShown && FindResultRecord(session.shownEntry) != nullptr)
    ShowStatistics(session.shownEntry, tablePairs);
  else
    AppendScanHint();

  {
    const QSignalBlocker periodogram(actionPeriodogram), axis(actionPeriodAxis),
        window(actionSpectralWindow), residuals(actionShowResiduals), caption(actionResultInPlot);
    actionPeriodogram->setChecked(session.periodogram);
    actionPeriodAxis->setChecked(session.periodAxis);
    actionSpectralWindow->setChecked(session.spectralWindow);
    actionShowResiduals->setChecked(session.residuals);
    actionResultInPlot->setChecked(session.resultInPlot);
  }
  actionPeriodAxis->setEnabled(session.periodogram);
  actionSpectralWindow->setEnabled(session.periodogram);
  userView_ = FromSession(session.userView);
  otherView_ = FromSession(session.otherView);
  dragStartView_.reset();
  UpdateTitle();
  PB4Paint();
}

bool TForm1::SaveSession(const QString& path) {
  const std::string text = wertedatei::WriteSession(CaptureSession());
  return CheckSaved(path, WriteAtomically(path, text));
}

bool TForm1::OpenSession(const QString& path) {
  if (CalcIdle == 0) {
    ShowMessage(QStringLiteral("Während einer Berechnung kann keine Sitzung geöffnet werden."));
    return false;
  }
  const QString name = Quoted(path);
  QFile file(path);
  if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
    ShowMessage(QStringLiteral("Die Sitzung %1 konnte nicht geöffnet werden:\n%2")
                    .arg(name, QFileInfo::exists(path) ? file.errorString()
                                                        : QStringLiteral("Die Datei gibt es nicht.")));
    return false;
  }
  if (file.size() > kMaxSessionBytes) {
    ShowMessage(QStringLiteral("Die Sitzung %1 ist zu groß (mehr als 512 MB).").arg(name));
    return false;
  }
  const QByteArray bytes = file.readAll();
  wertedatei::SessionReading reading =
      wertedatei::ReadSession(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  if (!reading.session) {
    ShowMessage(QStringLiteral("Die Sitzung %1 konnte nicht geöffnet werden:\n%2")
                    .arg(name, QString::fromStdString(reading.message)));
    return false;
  }
  ApplySession(std::move(*reading.session));
  return true;
}

bool TForm1::OpenFile(const QString& path) {
  if (path.endsWith(QStringLiteral(".kalvento"), Qt::CaseInsensitive)) return OpenSession(path);
  return OpenPairFile(path);
}

void TForm1::SaveSessionDialog() {
  FileDialog dialog(this, QStringLiteral("Sitzung speichern"), lastFolder_, true);
  dialog.SetFilters({QStringLiteral("Kalvento-Sitzung (*.kalvento)")}, {QStringLiteral("kalvento")});
  const QString path = dialog.Run(lastFolder_);
  if (!path.isEmpty()) SaveSession(path);
}

void TForm1::OpenSessionDialog() {
  FileDialog dialog(this, QStringLiteral("Sitzung öffnen"), lastFolder_, false);
  dialog.setNameFilters(
      {QStringLiteral("Kalvento-Sitzung (*.kalvento)"), QStringLiteral("Alle Dateien (*)")});
  const QString path = dialog.Run(lastFolder_);
  if (!path.isEmpty()) OpenSession(path);
}

}  // namespace app
