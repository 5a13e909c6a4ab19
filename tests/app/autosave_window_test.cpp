// Autosave and recovery as a user meets them: pairs typed into a window
// whose program is then killed come back at the next start; an orderly
// close leaves nothing to offer; two windows keep their own files; a
// recovery file that cannot be written is said once.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>
#include <memory>

#include "app/tform1.h"
#include "app/valuetable.h"
#include "window_fixture.h"

namespace {

constexpr const char* kChildFolder = "KALVENTO_TEST_CHILD_FOLDER";
// Autosave writes within ten seconds of a change.
constexpr int kWriteWaitMs = 12000;

QStringList RecoveryFiles(const QString& folder) {
  return QDir(folder).entryList({QStringLiteral("*.kalvento")}, QDir::Files);
}

void Type(TForm1& form, int pairs) {
  for (int row = 1; row <= pairs; ++row) {
    form.SG4->SetCellLatin1(row, 0, std::to_string(row));
    form.SG4->SetCellLatin1(row, 1, std::to_string(row * row) + ",5");
  }
}

// The killed program: a window that types pairs, says "ready" once its
// recovery file is written, and waits to be killed.
int RunChild(const QString& folder) {
  TForm1 form;
  form.show();
  form.StartAutosave(folder);
  Type(form, 5);
  QElapsedTimer clock;
  clock.start();
  while (RecoveryFiles(folder).isEmpty() && clock.elapsed() < kWriteWaitMs) QTest::qWait(50);
  std::printf("ready\n");
  std::fflush(stdout);
  return QApplication::exec();
}

}  // namespace

class AutosaveWindowTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  QString folder_;

 private slots:
  void init() {
    folder_ = dir_.filePath(QString::fromLatin1(QTest::currentTestFunction()));
    grund::ProcessRandom().SetSeed(0);
  }

  void killedProgramsPairsComeBack() {
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kChildFolder), folder_);
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForStarted());
    QVERIFY(child.waitForReadyRead(kWriteWaitMs + 5000));
    QCOMPARE(child.readAllStandardOutput().trimmed(), QByteArray("ready"));
    child.kill();  // SIGKILL: nothing runs any more in it
    QVERIFY(child.waitForFinished());
    QCOMPARE(RecoveryFiles(folder_).size(), 1);

    std::unique_ptr<TForm1> form;
    window_fixture::Open(form, {.collectMessages = true});
    form->StartAutosave(folder_);
    QDateTime offered;
    form->SetRecoveryQuestion([&](const QDateTime& saved) {
      offered = saved;
      return TForm1::RecoveryAnswer::kRecover;
    });
    QCOMPARE(form->OfferRecovery(folder_), 1);
    QVERIFY(qAbs(offered.secsTo(QDateTime::currentDateTime())) < 60);
    for (int row = 1; row <= 5; ++row)
      QCOMPARE(form->SG4->CellLatin1(row, 1), std::to_string(row * row) + ",5");
    QVERIFY(form->SG4->IsModified());
    QVERIFY(form->windowTitle().endsWith(QLatin1Char('*')));
    // The orphan is gone; what stays is the new window's own file.
    QCOMPARE(RecoveryFiles(folder_).size(), 1);

    // A second start finds nothing to offer while that window lives.
    std::unique_ptr<TForm1> second;
    window_fixture::Open(second);
    second->SetRecoveryQuestion([](const QDateTime&) -> TForm1::RecoveryAnswer {
      qFatal("offered a living window's file");
    });
    QCOMPARE(second->OfferRecovery(folder_), 0);
  }

  void orderlyCloseLeavesNothing() {
    std::unique_ptr<TForm1> form;
    window_fixture::Open(form);
    form->StartAutosave(folder_);
    QTest::qWait(2500);
    QVERIFY(RecoveryFiles(folder_).isEmpty());  // nothing before the first change
    Type(*form, 3);
    QTRY_COMPARE_WITH_TIMEOUT(RecoveryFiles(folder_).size(), 1, kWriteWaitMs);
    form->SetCloseQuestion([] { return TForm1::CloseAnswer::kDiscard; });
    QVERIFY(form->close());
    QVERIFY(RecoveryFiles(folder_).isEmpty());
    QVERIFY(QDir(folder_).entryList(QDir::Files | QDir::Hidden).isEmpty());

    std::unique_ptr<TForm1> next;
    window_fixture::Open(next);
    bool asked = false;
    next->SetRecoveryQuestion([&](const QDateTime&) {
      asked = true;
      return TForm1::RecoveryAnswer::kDiscard;
    });
    QCOMPARE(next->OfferRecovery(folder_), 0);
    QVERIFY(!asked);
  }

  void twoWindowsKeepTheirOwn() {
    std::unique_ptr<TForm1> one, two;
    window_fixture::Open(one);
    window_fixture::Open(two);
    one->StartAutosave(folder_);
    two->StartAutosave(folder_);
    Type(*one, 2);
    Type(*two, 4);
    QTRY_COMPARE_WITH_TIMEOUT(RecoveryFiles(folder_).size(), 2, kWriteWaitMs);
    one.reset();
    QCOMPARE(RecoveryFiles(folder_).size(), 1);
    two.reset();
    QVERIFY(RecoveryFiles(folder_).isEmpty());
  }

  void unwritableRecoveryIsSaidOnce() {
    // A regular file where the folder should be: every write fails.
    QFile blocker(folder_);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    std::unique_ptr<TForm1> form;
    window_fixture::Open(form, {.collectMessages = true});
    form->StartAutosave(folder_);
    Type(*form, 1);
    QTRY_COMPARE_WITH_TIMEOUT(form->MessagesShown(), 1, kWriteWaitMs);
    QVERIFY(form->LastMessage().contains(QStringLiteral("Wiederherstellungsdatei")));
    for (int round = 0; round < 2; ++round) {
      Type(*form, 2 + round);
      QTest::qWait(3000);
    }
    QCOMPARE(form->MessagesShown(), 1);
  }
};

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const QString childFolder = qEnvironmentVariable(kChildFolder);
  if (!childFolder.isEmpty()) return RunChild(childFolder);
  AutosaveWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "autosave_window_test.moc"
