#include "app/pairfilereading.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "app/fileaccess.h"
#include "platform/qtlatin1.h"
#include "sinusfit/uncertainties.h"

namespace app {

std::optional<QByteArray> ReadPairFileBytes(const QString& path, QString& refusal) {
  const QString name = Quoted(path);
  const QFileInfo info(path);
  if (!info.exists()) {
    refusal = QStringLiteral("Die Datei %1 gibt es nicht.").arg(name);
    return std::nullopt;
  }
  // Directories, pipes and devices: nothing a table is read from, and a
  // pipe would block.
  if (!info.isFile()) {
    refusal = QStringLiteral("%1 ist keine Datei mit Wertepaaren.").arg(name);
    return std::nullopt;
  }
  const auto tooLarge = [&] {
    refusal = QStringLiteral(
                  "Die Datei %1 ist zu groß für eine Tabelle von Wertepaaren (mehr als 64 MB).")
                  .arg(name);
    return std::nullopt;
  };
  if (info.size() > kMaxPairFileBytes) return tooLarge();
  QFile file(path);
  const auto cannotRead = [&] {
    refusal = QStringLiteral("Die Datei %1 kann nicht gelesen werden:\n%2").arg(name, file.errorString());
    return std::nullopt;
  };
  if (!file.open(QIODevice::ReadOnly)) return cannotRead();
  QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) return cannotRead();
  if (bytes.size() > kMaxPairFileBytes) return tooLarge();  // it grew meanwhile
  return bytes;
}

QString NoPairsMessage(const QString& path, const wertedatei::PairFile& pairs) {
  QString text =
      QStringLiteral("Aus der Datei %1 konnten keine Wertepaare gelesen werden.").arg(Quoted(path));
  if (!pairs.message.empty()) text += QStringLiteral("\n\n") + platform::FromLatin1(pairs.message);
  return text;
}

QString UncertaintyColumnRefusal(const QString& path, const wertedatei::PairFile& pairs) {
  std::vector<int> rows;
  std::vector<std::string_view> texts;
  const std::size_t n = std::min(pairs.sigmaY.size(), pairs.x.size());
  for (std::size_t i = 0; i < n; ++i) {
    rows.push_back(static_cast<int>(i) + 1);
    texts.push_back(pairs.sigmaY[i]);
  }
  const sinusfit::UncertaintyCheck check = sinusfit::CheckUncertainties(rows, texts);
  if (check.verdict != sinusfit::UncertaintyVerdict::kRefused) return {};
  QString text =
      QStringLiteral("Die Spalte für Δy der Datei %1 ist nicht vollständig:\n").arg(Quoted(path));
  for (const std::string& problem : check.problems)
    text += QString::fromStdString(problem) + QLatin1Char('\n');
  if (check.furtherProblems > 0)
    text += QStringLiteral("… und %1 weitere Zeilen\n").arg(check.furtherProblems);
  text += QStringLiteral("\nOhne Δy („keine“) lässt sich die Datei öffnen.");
  return text;
}

}  // namespace app
