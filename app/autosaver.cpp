#include "app/autosaver.h"

#include <QMetaObject>
#include <algorithm>
#include <exception>
#include <utility>

namespace app {

AutoSaver::AutoSaver(const QString& folder, CaptureState capture, QObject* parent)
    : QObject(parent), capture_(std::move(capture)), file_(folder) {
  due_.setSingleShot(true);
  connect(&due_, &QTimer::timeout, this, &AutoSaver::StartWrite);
  worker_.setMaxThreadCount(1);
}

AutoSaver::~AutoSaver() { Stop(); }

void AutoSaver::SetDelays(int debounceMs, int longestMs) {
  debounceMs_ = std::max(0, debounceMs);
  longestMs_ = std::max(0, longestMs);
}

void AutoSaver::Changed() {
  QElapsedTimer pause;
  pause.start();
  if (stopped_) return;
  if (!firstChange_.isValid()) firstChange_.start();
  // Each change pushes the write back, but never past the longest wait
  // after the first unsaved change.
  const qint64 left = std::max<qint64>(0, longestMs_ - firstChange_.elapsed());
  due_.start(static_cast<int>(std::min<qint64>(debounceMs_, left)));
  NotePause(pause);
}

AutoSaver::SaveJob AutoSaver::Capture() {
  QElapsedTimer pause;
  pause.start();
  firstChange_.invalidate();
  due_.stop();
  SaveJob job;
  try {
    job = capture_();
  } catch (const std::exception&) {
    // Out of memory for the copy: the next change tries again.
  }
  NotePause(pause);
  return job;
}

AutoSaver::Outcome AutoSaver::Run(const SaveJob& job, RecoveryFile& file) {
  try {
    if (file.Write(job())) return {true, {}};
    return {false, file.LastError()};
  } catch (const std::exception&) {
    return {false, QStringLiteral("Die Wiederherstellungsdatei konnte nicht geschrieben werden: "
                                  "Der Speicher reicht nicht.")};
  }
}

void AutoSaver::StartWrite() {
  if (stopped_ || !firstChange_.isValid()) return;
  if (writing_) {
    // The running write took an older state; this one follows it.
    dueWhileWriting_ = true;
    return;
  }
  SaveJob job = Capture();
  if (!job) return;
  writing_ = true;
  const quint64 write = ++started_;
  worker_.start([this, write, job = std::move(job)] {
    const Outcome outcome = Run(job, file_);
    QMetaObject::invokeMethod(
        this, [this, write, outcome] { Finished(write, outcome); }, Qt::QueuedConnection);
  });
}

void AutoSaver::SaveNow() {
  if (stopped_) return;
  worker_.waitForDone();
  if (!firstChange_.isValid()) return;
  SaveJob job = Capture();
  if (!job) return;
  const quint64 write = ++started_;
  Finished(write, Run(job, file_));
}

void AutoSaver::Finished(quint64 write, const Outcome& outcome) {
  if (write == started_) writing_ = false;
  // A worker's outcome may arrive after a later SaveNow's; only the newest
  // counts.
  if (write > reported_) {
    reported_ = write;
    if (outcome.ok) {
      failing_ = false;
    } else if (!failing_) {
      failing_ = true;  // before the signal: its dialog runs an event loop
      emit WriteFailed(outcome.message);
    }
  }
  if (!writing_ && dueWhileWriting_) {
    dueWhileWriting_ = false;
    StartWrite();
  }
}

void AutoSaver::Stop() {
  if (stopped_) return;
  stopped_ = true;
  due_.stop();
  worker_.waitForDone();
  file_.Remove();
}

void AutoSaver::NotePause(const QElapsedTimer& pause) {
  longestPauseNs_ = std::max(longestPauseNs_, pause.nsecsElapsed());
}

}  // namespace app
