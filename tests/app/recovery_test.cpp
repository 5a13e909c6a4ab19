// The recovery file and autosave: a window's file and lock, orphans of a
// killed window found and claimed once, and the autosave timer that writes
// after changes (never before the first), one write at a time, and reports a
// failure once per streak.
//
// With "--recovery-child FOLDER" the program plays a window that gets killed.

#include <QCoreApplication>
#include <QDir>
#include <QLockFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>
#include <string_view>

#include "app/autosaver.h"
#include "app/recoveryfile.h"

namespace {

constexpr char kChildArgument[] = "--recovery-child";
const QByteArray kChildBytes("Zustand\0mit Nullbyte", 20);

// Writes a recovery file, says "ready PATH" and waits for the kill (or for
// the test's end, which closes the pipe).
int RunChild(const QString& folder) {
  app::RecoveryFile file(folder);
  if (!file.Write(kChildBytes)) return 1;
  std::fputs(("ready " + file.Path().toLocal8Bit() + "\n").constData(), stdout);
  std::fflush(stdout);
  while (std::fgetc(stdin) != EOF) {
  }
  return 0;
}

QStringList Entries(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

// The content of the one recovery file in `folder`, if there is one.
QByteArray Saved(const QString& folder) {
  const QStringList files = QDir(folder).entryList({QStringLiteral("*.kalvento")}, QDir::Files);
  QFile file(files.size() == 1 ? QDir(folder).filePath(files[0]) : QString());
  return files.size() == 1 && file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool Make(const QString& path, const QByteArray& bytes = {}) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

enum class Lock { kNone, kEmptyOld, kEmptyFresh, kLivingOld };

}  // namespace

Q_DECLARE_METATYPE(Lock)

class RecoveryTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  QByteArray state_;
  int captures_ = 0;

  QString Folder(const char* name) { return dir_.filePath(QString::fromUtf8(name)); }
  // The window's capture: a copy of the state, handed back on the worker.
  app::AutoSaver::CaptureState Capture() {
    return [this] {
      ++captures_;
      return [copy = QByteArray(state_.constData(), state_.size())] { return copy; };
    };
  }

 private slots:
  void init() { captures_ = 0; }

  void windowsKeepTheirOwnFiles() {
    const QString folder = Folder("neu/kalvento");
    {
      app::RecoveryFile first(folder), second(folder);
      QVERIFY(!QFileInfo::exists(Folder("neu")));
      QVERIFY(first.Write("eins") && first.Write("zwei") && second.Write("drei"));
      QVERIFY(first.Path() != second.Path());
      QVERIFY(app::RecoveryFile::ClaimOrphans(folder).empty());  // both alive
      QCOMPARE(QFile::permissions(folder) & 0x77, QFile::Permissions());  // none for others
      first.Remove();
      QCOMPARE(Entries(folder).size(), 2);  // the second's file and lock
      QCOMPARE(Saved(folder), QByteArray("drei"));
    }
    QCOMPARE(Entries(folder), QStringList());  // the destructor ends in order too
  }

  void killedWindowLeavesAnOrphan() {
    const QString folder = Folder("getötet");
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {kChildArgument, folder});
    while (!child.canReadLine()) QVERIFY(child.waitForReadyRead(30000));
    const QByteArray line = child.readLine().trimmed();
    QVERIFY2(line.startsWith("ready "), line.constData());
    QVERIFY(app::RecoveryFile::ClaimOrphans(folder).empty());
    child.kill();
    QVERIFY(child.waitForFinished());
    {
      std::vector<app::RecoveryOrphan> orphans = app::RecoveryFile::ClaimOrphans(folder);
      QCOMPARE(orphans.size(), size_t{1});
      QCOMPARE(orphans[0].Path(), QString::fromLocal8Bit(line.mid(6)));
      QCOMPARE(orphans[0].Read(), kChildBytes);
      // A second window starting now does not offer it as well.
      QVERIFY(app::RecoveryFile::ClaimOrphans(folder).empty());
    }
    // A claim dropped without a decision leaves it for the next start.
    std::vector<app::RecoveryOrphan> orphans = app::RecoveryFile::ClaimOrphans(folder);
    QCOMPARE(orphans.size(), size_t{1});
    QVERIFY(orphans[0].Discard());
    QCOMPARE(Entries(folder), QStringList());
  }

  void orphanByLock_data() {
    QTest::addColumn<Lock>("lock");
    QTest::addColumn<int>("claimed");
    QTest::newRow("ohne Sperre") << Lock::kNone << 1;
    QTest::newRow("leere Sperre, zehn Minuten alt") << Lock::kEmptyOld << 1;
    QTest::newRow("leere Sperre, eben angelegt") << Lock::kEmptyFresh << 0;
    QTest::newRow("Sperre eines Fensters, einen Tag alt") << Lock::kLivingOld << 0;
  }
  void orphanByLock() {
    QFETCH(Lock, lock);
    QFETCH(int, claimed);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fenster-7-1.kalvento"));
    QVERIFY(Make(path, "Zustand"));
    QLockFile living(path + QStringLiteral(".lock"));
    if (lock == Lock::kLivingOld) QVERIFY(living.tryLock(0));
    QFile file(living.fileName());
    if (lock != Lock::kNone) QVERIFY(file.open(QIODevice::ReadWrite));
    if (lock != Lock::kNone && lock != Lock::kEmptyFresh) {
      const int age = lock == Lock::kLivingOld ? 86400 : 600;
      QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-age),
                               QFileDevice::FileModificationTime));
    }
    std::vector<app::RecoveryOrphan> orphans = app::RecoveryFile::ClaimOrphans(dir.path());
    QCOMPARE(orphans.size(), size_t(claimed));
    if (claimed) QCOMPARE(orphans[0].Read(), QByteArray("Zustand"));
  }

  void autosaveWritesAfterChangesOnly() {
    const QString folder = Folder("autosave");
    app::AutoSaver saver(folder, Capture());
    saver.SetDelays(20, 200);
    saver.SaveNow();
    QTest::qWait(50);
    QVERIFY(!QFileInfo::exists(folder));  // nothing before the first change

    for (int i = 1; i <= 20; ++i) {
      state_ = QByteArray::number(i);
      saver.Changed();
    }
    QTRY_COMPARE(Saved(folder), QByteArray("20"));
    QCOMPARE(captures_, 1);  // the burst is one write
    state_ = "vor der Rechnung";
    saver.Changed();
    saver.SaveNow();
    QCOMPARE(Saved(folder), state_);
    saver.SaveNow();
    QTest::qWait(50);
    QCOMPARE(captures_, 2);  // nothing changed since

    saver.Stop();
    saver.Changed();
    QTest::qWait(50);
    QCOMPARE(Entries(folder), QStringList());
  }

  void changeDuringWriteIsWrittenAfterIt() {
    const QString folder = Folder("während");
    QSemaphore started, gate;
    QAtomicInt jobs;
    app::AutoSaver saver(folder, [&, capture = Capture()] {
      return [&, job = capture()] {
        if (jobs.fetchAndAddOrdered(1) == 0) {
          started.release();
          gate.acquire();  // the first write is a slow one
        }
        return job();
      };
    });
    const auto openGate = qScopeGuard([&] { gate.release(100); });
    saver.SetDelays(10, 50);
    state_ = "alt";
    saver.Changed();
    QTRY_COMPARE(started.available(), 1);
    state_ = "neu";
    saver.Changed();
    QTest::qWait(100);  // falls due while the first write runs
    gate.release();
    QTRY_COMPARE(Saved(folder), QByteArray("neu"));
  }

  void failureIsReportedOncePerStreak() {
    const QString blocker = Folder("Sperrdatei");  // a file where the folder goes
    const QString folder = blocker + QStringLiteral("/kalvento");
    QVERIFY(Make(blocker));
    app::AutoSaver saver(folder, Capture());
    QSignalSpy failed(&saver, &app::AutoSaver::WriteFailed);
    const auto changeAndSave = [&](int times) {
      for (int i = 0; i < times; ++i) {
        saver.Changed();
        saver.SaveNow();
      }
    };
    changeAndSave(3);
    QCOMPARE(captures_, 3);
    QCOMPARE(failed.size(), 1);
    QVERIFY(failed[0][0].toString().contains(QStringLiteral("Sperrdatei")));

    QVERIFY(QFile::remove(blocker));
    changeAndSave(1);
    const QStringList files = QDir(folder).entryList({QStringLiteral("*.kalvento")});
    QCOMPARE(files.size(), 1);
    // A folder in the file's place makes the next writes fail again.
    QVERIFY(QFile::remove(QDir(folder).filePath(files[0])) && QDir(folder).mkdir(files[0]));
    changeAndSave(2);
    QCOMPARE(failed.size(), 2);
    QVERIFY(failed[1][0].toString().contains(files[0]));
  }
};

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc == 3 && std::string_view(argv[1]) == kChildArgument) {
    return RunChild(QString::fromLocal8Bit(argv[2]));
  }
  RecoveryTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "recovery_test.moc"
