#include "app/recoveryfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QStringList>
#include <atomic>

namespace app {
namespace {

const QString kNamePattern = QStringLiteral("fenster-*.kalvento");

// Names tried before the first write gives up: each taken one belongs to a
// living window of this process or to a killed one whose pid came back.
constexpr int kNameAttempts = 1000;

// A lock file without a readable holder is taken over once it is this old:
// a window writes its holder at once, so only a lock cut short by a power
// failure stays unreadable.
constexpr qint64 kUnreadableLockSeconds = 60;

QString LockPath(const QString& path) { return path + QStringLiteral(".lock"); }

QString Shown(const QString& path) {
  return QStringLiteral("„%1“").arg(QDir::toNativeSeparators(path));
}

// A lock for a window's whole life: stale only when its holder's process is
// gone, never by age (a window may stay open for weeks).
std::unique_ptr<QLockFile> LifeLock(const QString& path) {
  auto lock = std::make_unique<QLockFile>(LockPath(path));
  lock->setStaleLockTime(0);
  return lock;
}

// Creates `folder` and its missing parents with mode 0700, as a state folder
// should be: it holds the user's typed data.
bool MakeFolder(const QString& folder) {
  QStringList missing;
  for (QString path = QDir::cleanPath(QDir(folder).absolutePath()); !QFileInfo::exists(path);) {
    missing.prepend(path);
    const QString parent = QFileInfo(path).path();
    if (parent == path) break;
    path = parent;
  }
  const QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
  for (const QString& path : missing) {
    // Another window may create it at the same moment.
    if (!QDir().mkdir(path, ownerOnly) && !QFileInfo(path).isDir()) return false;
  }
  return QFileInfo(folder).isDir();
}

// Qt counts a lock as stale by its holder, but a lock whose holder was never
// written (the power failed right after its creation) has none and would
// keep its file from recovery for ever. Such a lock is removed once it is old
// enough; the ".rmlock" guard is the one Qt takes around its own removals, so
// that two starting windows never remove each other's fresh lock.
bool TakeUnreadableLock(QLockFile& lock) {
  qint64 pid = 0;
  QString host, holder;
  if (lock.error() != QLockFile::LockFailedError || lock.getLockInfo(&pid, &host, &holder)) {
    return false;
  }
  QLockFile guard(lock.fileName() + QStringLiteral(".rmlock"));
  if (!guard.tryLock(0)) return false;
  const QFileInfo info(lock.fileName());
  if (!info.exists() || lock.getLockInfo(&pid, &host, &holder) ||
      info.lastModified().secsTo(QDateTime::currentDateTime()) < kUnreadableLockSeconds) {
    return false;
  }
  lock.removeStaleLockFile();
  guard.unlock();
  return lock.tryLock(0);
}

}  // namespace

RecoveryOrphan::RecoveryOrphan(QString path, QDateTime time, std::unique_ptr<QLockFile> claim)
    : path_(std::move(path)), time_(std::move(time)), claim_(std::move(claim)) {}
RecoveryOrphan::RecoveryOrphan(RecoveryOrphan&&) noexcept = default;
RecoveryOrphan& RecoveryOrphan::operator=(RecoveryOrphan&&) noexcept = default;
RecoveryOrphan::~RecoveryOrphan() = default;

QByteArray RecoveryOrphan::Read() const {
  QFile file(path_);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool RecoveryOrphan::Discard() {
  const bool removed = !QFile::exists(path_) || QFile::remove(path_);
  claim_.reset();  // unlocking removes the lock file
  return removed;
}

QString RecoveryFile::DefaultFolder() {
  // The XDG rules ignore a relative XDG_STATE_HOME.
  const QString state = qEnvironmentVariable("XDG_STATE_HOME");
  const QString base = QDir::isAbsolutePath(state)
                           ? state
                           : QDir::homePath() + QStringLiteral("/.local/state");
  return QDir::cleanPath(base + QStringLiteral("/kalvento"));
}

std::vector<RecoveryOrphan> RecoveryFile::ClaimOrphans(const QString& folder) {
  std::vector<RecoveryOrphan> orphans;
  const QFileInfoList files =
      QDir(folder).entryInfoList({kNamePattern}, QDir::Files, QDir::Time);
  for (const QFileInfo& file : files) {
    const QString path = file.absoluteFilePath();
    std::unique_ptr<QLockFile> claim = LifeLock(path);
    if (!claim->tryLock(0) && !TakeUnreadableLock(*claim)) continue;
    // Its window may have closed in order between the listing and the claim.
    const QFileInfo now(path);
    if (!now.exists()) continue;
    orphans.emplace_back(path, now.lastModified(), std::move(claim));
  }
  return orphans;
}

RecoveryFile::RecoveryFile(QString folder) : folder_(std::move(folder)) {}

RecoveryFile::~RecoveryFile() { Remove(); }

bool RecoveryFile::LockName() {
  if (!MakeFolder(folder_)) {
    lastError_ = QStringLiteral("Der Ordner %1 für die Wiederherstellungsdatei konnte nicht "
                                "angelegt werden.")
                     .arg(Shown(folder_));
    return false;
  }
  // Shared by all windows of the process, so that each gets its own name.
  static std::atomic<int> counter{0};
  const QString stem = QDir(folder_).absoluteFilePath(
      QStringLiteral("fenster-%1-").arg(QCoreApplication::applicationPid()));
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const QString path = stem + QString::number(++counter) + QStringLiteral(".kalvento");
    // A killed window whose pid came back may have left this name.
    if (QFileInfo::exists(path)) continue;
    std::unique_ptr<QLockFile> lock = LifeLock(path);
    if (lock->tryLock(0)) {
      path_ = path;
      lock_ = std::move(lock);
      return true;
    }
    if (lock->error() != QLockFile::LockFailedError) {
      lastError_ = QStringLiteral("Die Sperre %1 für die Wiederherstellungsdatei konnte nicht "
                                  "angelegt werden%2.")
                       .arg(Shown(LockPath(path)),
                            lock->error() == QLockFile::PermissionError
                                ? QStringLiteral(": keine Schreibberechtigung")
                                : QString());
      return false;
    }
  }
  lastError_ = QStringLiteral("Im Ordner %1 ist kein Name für eine Wiederherstellungsdatei frei.")
                   .arg(Shown(folder_));
  return false;
}

bool RecoveryFile::Write(const QByteArray& bytes) {
  if (!lock_ && !LockName()) return false;
  // QSaveFile here rather than the window's WriteAtomically, which would
  // bring the whole window into this unit's tests.
  QSaveFile file(path_);
  if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit()) {
    return true;
  }
  lastError_ = QStringLiteral("Die Wiederherstellungsdatei %1 konnte nicht geschrieben werden: %2")
                   .arg(Shown(path_), file.errorString());
  return false;
}

void RecoveryFile::Remove() {
  if (!lock_) return;
  // The file first: a file without its lock would look like an orphan.
  QFile::remove(path_);
  lock_.reset();
  path_.clear();
}

}  // namespace app
