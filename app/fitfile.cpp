#include "app/fitfile.h"

#include <QFileInfo>
#include <QLocale>
#include <optional>
#include <string_view>
#include <utility>

#include "app/fileaccess.h"
#include "app/fitinput.h"
#include "app/pairfilereading.h"
#include "app/tablepairs.h"
#include "app/valuetable.h"
#include "platform/qtlatin1.h"
#include "sinusfit/pressedcomputation.h"
#include "sinusfit/uncertainties.h"

namespace app {

namespace {

FittedFile NotFitted(QString message) {
  FittedFile file;
  file.message = std::move(message);
  return file;
}

// The columns as the window ends up with them: those asked for, or those its
// dialog offers where it asks; nothing when a column asked for is not there.
std::optional<wertedatei::ColumnChoice> ChosenColumns(const wertedatei::PairFile& pairs,
                                                      const FitCall& call) {
  if (!call.columns) {
    if (pairs.columnCount > 2 || pairs.dateOrderOpen) return wertedatei::OfferedColumns(pairs);
    return pairs.columns;
  }
  wertedatei::ColumnChoice choice = *call.columns;
  const int columns = std::max(pairs.columnCount, 2);
  if (choice.x >= columns || choice.y >= columns || choice.sigmaY >= columns) return std::nullopt;
  if (pairs.dateOrderOpen) choice.order = wertedatei::OfferedColumns(pairs).order;
  return choice;
}

QStringList NotesOf(const wertedatei::PairFile& pairs) {
  QStringList notes;
  if (!pairs.message.empty()) notes << platform::FromLatin1(pairs.message);
  if (pairs.pairsLeftOut > 0) {
    const QLocale german(QLocale::German);
    const std::size_t taken = std::min(pairs.x.size(), pairs.y.size());
    notes << QStringLiteral("Die Datei enthält %1 Wertepaare, gerechnet wurde mit den ersten %2.")
                 .arg(german.toString(static_cast<qulonglong>(taken + pairs.pairsLeftOut)),
                      german.toString(static_cast<qulonglong>(taken)));
  }
  return notes;
}

sinusfit::PressSettings SettingsOf(const FitCall& call) {
  sinusfit::PressSettings settings;
  settings.model = call.model;
  settings.frequencies = call.frequencies;
  settings.mode = call.mode;
  settings.heldText = platform::ToLatin1(call.heldValue);
  settings.boundText = platform::ToLatin1(call.bound);
  settings.scan = call.scan;
  return settings;
}

// The bold line as the results export writes it, with its statistics on
// the pairs it was computed from.
sinusfit::ExportedResult Exported(const sinusfit::PressedComputation& pressed) {
  const sinusfit::ListedLine& line = pressed.lines[pressed.best];
  sinusfit::ExportedResult result;
  result.entry = line.result.entry;
  result.hasValues = true;
  result.mode = pressed.computation->Mode();
  result.parameters = line.result.parameters;
  result.error = line.result.error;
  result.data = pressed.computation->SharedData();
  result.model = line.result.model;
  result.values = line.result.values;
  result.origin = line.result.origin;
  sinusfit::AttachStatistics(std::span<sinusfit::ExportedResult>(&result, 1));
  result.data = nullptr;  // a batch of long series keeps only its results
  return result;
}

}  // namespace

FittedFile FitPairFile(const QString& path, const FitCall& call) {
  sinusfit::StartAsFreshProgram();
  if (QFileInfo(path).suffix().compare(QStringLiteral("kalvento"), Qt::CaseInsensitive) == 0)
    return NotFitted(
        QStringLiteral("%1 ist eine Sitzung, keine Datei mit Wertepaaren.").arg(Quoted(path)));
  QString refusal;
  const std::optional<QByteArray> bytes = ReadPairFileBytes(path, refusal);
  if (!bytes) return NotFitted(refusal);
  const std::string_view content(bytes->constData(), static_cast<std::size_t>(bytes->size()));
  wertedatei::ReadOptions options;
  options.maxPairs = ValueTable::kMaxPairs;
  wertedatei::PairFile pairs = wertedatei::ReadPairFile(content, options);
  if (pairs.ok) {
    const std::optional<wertedatei::ColumnChoice> choice = ChosenColumns(pairs, call);
    if (!choice)
      return NotFitted(QStringLiteral("Die Datei %1 hat nur %2 Spalten.")
                           .arg(Quoted(path))
                           .arg(std::max(pairs.columnCount, 2)));
    if (!(*choice == pairs.columns)) pairs = wertedatei::ReadPairFile(content, *choice, options);
  }
  if (!pairs.ok || std::min(pairs.x.size(), pairs.y.size()) == 0)
    return NotFitted(NoPairsMessage(path, pairs));
  if (!pairs.sigmaY.empty()) {
    refusal = UncertaintyColumnRefusal(path, pairs);
    if (!refusal.isEmpty()) return NotFitted(refusal);
  }

  FitInput input = ReadFitInput(ReadPairs(pairs));
  if (input.check.verdict == sinusfit::UncertaintyVerdict::kRefused)
    return NotFitted(QString::fromStdString(sinusfit::UncertaintyRefusalText(input.check)));
  FittedFile file;
  file.pairs = input.data.x.size();
  file.xTitle = pairs.xTitle;
  file.yTitle = pairs.yTitle;
  file.notes = NotesOf(pairs);
  const sinusfit::PressSettings settings = SettingsOf(call);
  sinusfit::PressedComputation pressed = sinusfit::ComputeAsPressed(settings, std::move(input.data));
  if (pressed.best >= pressed.lines.size())
    return NotFitted(
        QStringLiteral("Für die Datei %1 wurde keine Anpassung gefunden.").arg(Quoted(path)));
  file.best = Exported(pressed);
  file.hints = sinusfit::HintsAfter(pressed, settings);
  file.fitted = true;
  return file;
}

}  // namespace app
