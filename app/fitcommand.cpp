#include "app/fitcommand.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "_grund/grund.h"
#include "app/fileaccess.h"
#include "app/fitfile.h"
#include "fktint/fktint.h"
#include "platform/qtlatin1.h"
#include "sinusfit/interpreterstate.h"
#include "sinusfit/resultjson.h"

namespace app {

namespace {

// The files' results as the threads finish them, taken in file order.
class FittedFiles {
 public:
  explicit FittedFiles(std::size_t count) : files_(count) {}

  void Put(std::size_t index, FittedFile file) {
    {
      const std::lock_guard lock(mutex_);
      files_[index] = std::move(file);
    }
    ready_.notify_all();
  }
  // Waits until file `index` is done.
  FittedFile Take(std::size_t index) {
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [&] { return files_[index].has_value(); });
    FittedFile file = std::move(*files_[index]);
    files_[index].reset();
    return file;
  }

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  std::vector<std::optional<FittedFile>> files_;
};

unsigned ThreadCount(const FitCall& call) {
  const unsigned wanted =
      call.jobs > 0 ? static_cast<unsigned>(call.jobs) : std::max(1u, std::thread::hardware_concurrency());
  return static_cast<unsigned>(std::min<std::size_t>(wanted, static_cast<std::size_t>(call.files.size())));
}

// A file too large for the memory left is one failure of the batch.
FittedFile FitOrSayWhyNot(const QString& path, const FitCall& call) {
  try {
    return FitPairFile(path, call);
  } catch (const std::bad_alloc&) {
    FittedFile file;
    file.message = QStringLiteral("Für die Datei %1 reicht der Speicher nicht.").arg(Quoted(path));
    return file;
  }
}

// A message on one line of the error output.
std::string OneLine(const QString& text) {
  QString line = text.simplified();
  return line.toStdString();
}

std::string Latin1ToUtf8(std::string_view text) { return platform::FromLatin1(text).toStdString(); }

void Print(std::FILE* stream, const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stream);
}

// The CSV of the fitted files: one heading, each file's name before its line.
std::string CsvOf(const std::vector<QString>& paths, const std::vector<sinusfit::ExportedResult>& results) {
  const auto columns = sinusfit::ResultColumns(results);
  std::string csv = "Datei;" + Latin1ToUtf8(sinusfit::ResultCsvHeading(columns));
  for (std::size_t i = 0; i < results.size(); ++i)
    csv += sinusfit::CsvField(paths[i].toStdString()) + ';' +
           Latin1ToUtf8(sinusfit::ResultCsvLine(columns, results[i]));
  return csv;
}

}  // namespace

std::string RefusedTerms(const FitCall& call) {
  // The window reads a field it cannot compute as 0; a call says so instead.
  const sinusfit::InterpreterStateGuard unchanged;
  const auto refused = [](const QString& option, const QString& term) {
    grund::ReadEditValue(platform::ToLatin1(term));
    if (fktint::EvalError == 0) return std::string();
    return "kalvento: der Term „" + term.toStdString() + "“ von „" + option.toStdString() +
           "“ lässt sich nicht berechnen\n";
  };
  std::string message = refused(QStringLiteral("--max-b"), call.bound);
  if (message.empty() && call.mode != sinusfit::FitMode::kAllFree)
    message = refused(QStringLiteral("--fest"), call.heldValue);
  return message;
}

int RunFitCommand(const FitCall& call, std::FILE* out, std::FILE* err) {
  if (const std::string refusal = RefusedTerms(call); !refusal.empty()) {
    Print(err, refusal);
    return 2;
  }
  const std::size_t count = static_cast<std::size_t>(call.files.size());
  FittedFiles fitted(count);
  std::atomic<std::size_t> next{0};
  std::vector<std::jthread> threads;
  const unsigned threadCount = ThreadCount(call);
  for (unsigned t = 0; t < threadCount; ++t) {
    threads.emplace_back([&, several = threadCount > 1] {
      // Several files at once fill the cores already: each computation
      // keeps to its own thread rather than sharing a second core.
      grund::KeepToOneCore(several);
      for (std::size_t i = next++; i < count; i = next++)
        fitted.Put(i, FitOrSayWhyNot(call.files[static_cast<qsizetype>(i)], call));
    });
  }

  bool allFitted = true;
  std::vector<QString> csvPaths;
  std::vector<sinusfit::ExportedResult> csvResults;
  for (std::size_t i = 0; i < count; ++i) {
    const QString& path = call.files[static_cast<qsizetype>(i)];
    FittedFile file = fitted.Take(i);
    const std::string name = path.toStdString();
    for (const QString& note : file.notes) Print(err, "kalvento: " + name + ": Hinweis: " + OneLine(note) + "\n");
    for (const std::string& hint : file.hints)
      Print(err, "kalvento: " + name + ": " + OneLine(QString::fromStdString(hint)) + "\n");
    if (!file.fitted) {
      allFitted = false;
      Print(err, "kalvento: " + name + ": " + OneLine(file.message) + "\n");
      if (call.json) Print(out, sinusfit::FailureJsonLine(name, file.message.toStdString()) + "\n");
    } else if (call.json) {
      Print(out, sinusfit::ResultJsonLine(name, file.pairs, file.best, {file.xTitle, file.yTitle, file.hints}) + "\n");
    } else {
      csvPaths.push_back(path);
      csvResults.push_back(std::move(file.best));
    }
    if (call.json) std::fflush(out);  // a long batch shows its lines as they come
  }
  if (!call.json && !csvResults.empty()) Print(out, CsvOf(csvPaths, csvResults));
  const bool written = std::fflush(out) == 0 && std::ferror(out) == 0;
  if (!written) Print(err, "kalvento: die Ergebnisse konnten nicht geschrieben werden\n");
  return allFitted && written ? 0 : 1;
}

}  // namespace app
