#pragma once
// The recovery file of a window: the window's state as autosave last wrote
// it, kept in the user's state folder beside a lock that says the window is
// still alive. A file whose lock has lost its holder (the program was killed,
// the power went off) is an orphan that the next start offers back.
//
// The bytes are the caller's business; this unit only stores and finds them.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <memory>
#include <vector>

class QLockFile;

namespace app {

// A recovery file left by a window that is gone, claimed by this process:
// its lock is held here, so that a second window starting at the same moment
// does not offer it too. Dropping the claim without Discard leaves the file
// for the next start.
class RecoveryOrphan {
 public:
  RecoveryOrphan(QString path, QDateTime time, std::unique_ptr<QLockFile> claim);
  RecoveryOrphan(RecoveryOrphan&&) noexcept;
  RecoveryOrphan& operator=(RecoveryOrphan&&) noexcept;
  ~RecoveryOrphan();

  const QString& Path() const { return path_; }
  // When it was last written, local time.
  const QDateTime& Time() const { return time_; }
  // Its bytes; empty when it cannot be read.
  QByteArray Read() const;
  // Removes the file and its lock. False when the file stays (the folder is
  // read-only); its lock is released all the same.
  bool Discard();

 private:
  QString path_;
  QDateTime time_;
  std::unique_ptr<QLockFile> claim_;
};

// One window's recovery file. Nothing touches the disk before the first
// Write. Not thread-safe: one thread at a time may use it.
class RecoveryFile {
 public:
  // $XDG_STATE_HOME/kalvento, else ~/.local/state/kalvento.
  static QString DefaultFolder();

  // The recovery files in `folder` whose window is gone, each claimed,
  // newest first. A file that a living window holds is never among them.
  // Old orphans are kept however old: they hold typed work, and only the
  // user may throw that away.
  static std::vector<RecoveryOrphan> ClaimOrphans(const QString& folder);

  explicit RecoveryFile(QString folder);
  // The window's object going away is an orderly end (a killed program runs
  // no destructor), so the destructor removes the file as Remove does.
  ~RecoveryFile();
  RecoveryFile(const RecoveryFile&) = delete;
  RecoveryFile& operator=(const RecoveryFile&) = delete;

  // Replaces the file's content atomically. The first write creates the
  // folder (mode 0700), picks a name no other window uses and locks it for
  // the window's life. On failure, LastError says why in German.
  bool Write(const QByteArray& bytes);
  // Removes the file and its lock (the window closed in order). A later
  // Write starts afresh.
  void Remove();

  // The file's path; empty until a name is locked.
  const QString& Path() const { return path_; }
  const QString& LastError() const { return lastError_; }

 private:
  bool LockName();

  QString folder_;
  QString path_;
  std::unique_ptr<QLockFile> lock_;
  QString lastError_;
};

}  // namespace app
