#pragma once
// One file of "kalvento --fit": opened as the window opens it (the reader,
// the columns its dialog offers or those asked for, Δy) and computed as
// "Berechnung" computes it in a freshly started window, on the calling
// thread. The result is the window's bold line with its statistics.

#include <QString>
#include <QStringList>
#include <cstddef>
#include <string>
#include <vector>

#include "app/fitcall.h"
#include "sinusfit/resultexport.h"

namespace app {

struct FittedFile {
  bool fitted = false;
  // Not fitted: why (German, as the window would say it).
  QString message;
  // Fitted: the pairs computed from and the bold line with its statistics
  // (its pairs are not kept).
  std::size_t pairs = 0;
  sinusfit::ExportedResult best;
  // The axes' titles the window would show (Latin-1): which columns were
  // taken, in what units, and a time axis's origin.
  std::string xTitle, yTitle;
  // What the window would say about the computation once idle (UTF-8).
  std::vector<std::string> hints;
  // What the window would say beside the table: lines skipped, pairs left out.
  QStringList notes;
};

FittedFile FitPairFile(const QString& path, const FitCall& call);

}  // namespace app
