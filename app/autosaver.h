#pragma once
// Autosave: after the window's state changes, its recovery file is written
// again, late enough that a burst of typing costs one write and early
// enough that a killed program loses at most the last few seconds.
//
// The window's thread only takes a copy of the state (the capture); turning
// it into bytes and writing them runs on a worker thread, so that a long
// series does not stall typing.

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QTimer>
#include <functional>

#include "app/recoveryfile.h"

namespace app {

// The latest a change waits for its write. Below the ten seconds promised,
// so that a write still running when it falls due, and the new one itself,
// fit in.
inline constexpr int kAutosaveDelayMs = 8000;
// The quiet time after the last change before the write starts.
inline constexpr int kAutosaveDebounceMs = 2000;

class AutoSaver : public QObject {
  Q_OBJECT

 public:
  // Run on the worker: makes the file's bytes from the copy it owns.
  using SaveJob = std::function<QByteArray()>;
  // Run on the window's thread: copies the state into a job.
  using CaptureState = std::function<SaveJob()>;

  // The recovery file goes into `folder` (RecoveryFile::DefaultFolder() for
  // the window); it belongs to this object, which hands it to one thread at
  // a time: the worker while a write runs, else the window's thread.
  AutoSaver(const QString& folder, CaptureState capture, QObject* parent = nullptr);
  // As Stop.
  ~AutoSaver() override;

  // For tests; the window keeps the constants.
  void SetDelays(int debounceMs, int longestMs);

  // The window's state changed: schedules a write. Cheap; a write never
  // starts before the first change.
  void Changed();
  // Writes unsaved changes now, on the calling thread, after a running
  // write (before a computation starts). Writes nothing when nothing
  // changed since the last write.
  void SaveNow();
  // The window closes in order: waits for a running write, then removes
  // the file. Later calls do nothing.
  void Stop();

  // The longest time Changed or a capture held the window's thread.
  qint64 LongestPauseNs() const { return longestPauseNs_; }

 signals:
  // A write failed after the last one succeeded (or after the start); the
  // failures that follow it stay silent until a write succeeds again.
  void WriteFailed(const QString& message);

 private:
  struct Outcome {
    bool ok = false;
    QString message;
  };

  void StartWrite();
  SaveJob Capture();
  static Outcome Run(const SaveJob& job, RecoveryFile& file);
  void Finished(quint64 write, const Outcome& outcome);
  void NotePause(const QElapsedTimer& pause);

  CaptureState capture_;
  int debounceMs_ = kAutosaveDebounceMs;
  int longestMs_ = kAutosaveDelayMs;
  QTimer due_;
  QElapsedTimer firstChange_;  // valid while changes are unsaved
  bool stopped_ = false;
  bool writing_ = false;       // the latest started write is still running
  bool dueWhileWriting_ = false;
  bool failing_ = false;
  quint64 started_ = 0;        // writes started, numbered from 1
  quint64 reported_ = 0;       // the latest write whose outcome counted
  qint64 longestPauseNs_ = 0;

  RecoveryFile file_;
  QThreadPool worker_;  // one thread, so that writes never overlap; declared
                        // after file_ so that it is gone first
};

}  // namespace app
