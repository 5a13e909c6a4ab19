// Sessions of a million pairs in the window: "Sitzung speichern" and
// "Sitzung öffnen" against saving and opening the same pairs as a pair
// file, measured in the same run. The window holds a fitted line, so the
// session carries the result list and the f(x) column too.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QThread>
#include <QElapsedTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "_grund/grund.h"
#include "app/controls.h"
#include "app/tform1.h"
#include "app/valuetable.h"
#include "bench/bench_support.h"

namespace {

constexpr int kPairs = 1000000;

TForm1* form_ = nullptr;
QString folder_;

QString PathOf(const char* name) { return QDir(folder_).filePath(QString::fromLatin1(name)); }

// A reading every 10 ms of a slow oscillation: "x;y" with a decimal comma.
void WriteMeasurements(const QString& path) {
  std::string text = "t;U\n";
  text.reserve(20 * static_cast<std::size_t>(kPairs));
  for (int i = 0; i < kPairs; ++i) {
    const double t = 0.01 * i;
    text += grund::FormatComma(t, 1, 2) + ";" +
            grund::FormatComma(1.5 * std::sin(0.73 * t + 0.2) + 0.01 * std::sin(97.0 * i), 1, 4) + "\n";
  }
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) std::abort();
  file.write(text.data(), static_cast<qint64>(text.size()));
}

void BM_SavePairFile(benchmark::State& state) {
  for (auto _ : state)
    if (!form_->SavePairFile(PathOf("saved.csv"))) state.SkipWithError("not saved");
}

void BM_SaveSession(benchmark::State& state) {
  for (auto _ : state)
    if (!form_->SaveSession(PathOf("saved.kalvento"))) state.SkipWithError("not saved");
}

void BM_OpenPairFile(benchmark::State& state) {
  for (auto _ : state)
    if (!form_->OpenPairFile(PathOf("saved.csv"))) state.SkipWithError("not opened");
}

void BM_OpenSession(benchmark::State& state) {
  for (auto _ : state)
    if (!form_->OpenSession(PathOf("saved.kalvento"))) state.SkipWithError("not opened");
}

// Typing into the table of a million pairs while autosave writes it every
// few seconds: the longest time the window's thread was held between two
// keystrokes' handling, and the longest autosave took of it.
void MeasureTypingPauses(TForm1& form) {
  // The hints the window looks for after a computation have had their time.
  QElapsedTimer settle;
  settle.start();
  while (settle.elapsed() < 3000) QApplication::processEvents(QEventLoop::AllEvents, 50);
  form.StartAutosave(PathOf("state"));
  QElapsedTimer clock, sinceLast;
  clock.start();
  sinceLast.start();
  qint64 longestNs = 0;
  int typed = 0;
  while (clock.elapsed() < 14000) {
    if (typed % 5 == 0) form.SG4->SetCellLatin1(1 + typed % 50, 1, std::to_string(typed));
    ++typed;
    QApplication::processEvents();
    longestNs = std::max(longestNs, sinceLast.nsecsElapsed());
    sinceLast.restart();
    QThread::msleep(10);
    sinceLast.restart();
  }
  std::printf("Typing for 14 s while autosave wrote the session of %d pairs: the longest pause "
              "of the window's thread %.1f ms, of which autosave's capture %.1f ms.\n",
              kPairs, longestNs / 1e6, form.LongestAutosavePauseNs() / 1e6);
}

// The hard case: a pair edited after the fit, so that the pairs behind the
// result lines and the points drawn are no longer the table's and are
// written out as numbers.
void BM_SaveEditedSession(benchmark::State& state) {
  form_->SG4->SetCellLatin1(5, 1, "0,5");
  for (auto _ : state)
    if (!form_->SaveSession(PathOf("edited.kalvento"))) state.SkipWithError("not saved");
}

void BM_OpenEditedSession(benchmark::State& state) {
  for (auto _ : state)
    if (!form_->OpenSession(PathOf("edited.kalvento"))) state.SkipWithError("not opened");
}

void PrintSummary(const bench_support::TimesReporter& times) {
  const auto ratio = [&](const char* session, const char* pairs, const char* what) {
    const double s = times.Seconds(session), p = times.Seconds(pairs);
    if (s > 0 && p > 0)
      std::printf("%s a session of %d pairs: %.0f ms, %.2f times the pair file (%.0f ms).\n", what,
                  kPairs, s * 1e3, s / p, p * 1e3);
  };
  std::printf("\n");
  ratio("BM_SaveSession", "BM_SavePairFile", "Saving");
  ratio("BM_OpenSession", "BM_OpenPairFile", "Opening");
  ratio("BM_SaveEditedSession", "BM_SavePairFile", "Saving (edited after the fit)");
  ratio("BM_OpenEditedSession", "BM_OpenPairFile", "Opening (edited after the fit)");
  std::printf("Sizes: pair file %lld bytes, session %lld bytes, edited session %lld bytes.\n",
              static_cast<long long>(QFile(PathOf("saved.csv")).size()),
              static_cast<long long>(QFile(PathOf("saved.kalvento")).size()),
              static_cast<long long>(QFile(PathOf("edited.kalvento")).size()));
}

}  // namespace

BENCHMARK(BM_SavePairFile)->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK(BM_SaveSession)->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK(BM_OpenPairFile)->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK(BM_OpenSession)->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK(BM_SaveEditedSession)->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK(BM_OpenEditedSession)->Unit(benchmark::kMillisecond)->MinTime(1);

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QTemporaryDir folder;
  folder_ = folder.path();
  WriteMeasurements(PathOf("measured.csv"));
  const auto form = std::make_unique<TForm1>();
  form->CollectMessages(true);
  form->show();
  QApplication::processEvents();
  form_ = form.get();
  if (!form->OpenPairFile(PathOf("measured.csv"))) return 1;
  form->Edit5->setText(QStringLiteral("2"));
  form->D18C();  // a fitted line, its f(x) column and its statistics
  std::printf("%d result lines; the session and the pair file are written before the runs.\n",
              form->Listbox1->count());
  form->SavePairFile(PathOf("saved.csv"));
  form->SaveSession(PathOf("saved.kalvento"));
  const int result = bench_support::RunWithSummary(argc, argv, PrintSummary);
  MeasureTypingPauses(*form);
  return result;
}
