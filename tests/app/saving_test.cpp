// Saving and closing: the title with the file's name and a "*" for unsaved
// changes, Ctrl+S to the last file where that loses nothing, the question
// when the window closes over typed pairs, and Qt's German dialog texts.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QLibraryInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "app/controls.h"
#include "app/tform1.h"
#include "app/translations.h"
#include "app/valuetable.h"
#include "valuetable_access.h"
#include "wertedatei/wertedatei.h"
#include "window_fixture.h"

using namespace table_access;

namespace {

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

// Closes whatever modal dialog opens next (a file dialog that must not be
// answered), so that the test goes on.
void CloseNextDialog() {
  QTimer::singleShot(300, [] {
    if (QWidget* dialog = QApplication::activeModalWidget()) dialog->close();
  });
}

}  // namespace

class SavingTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TForm1> form_;
  QTemporaryDir dir_;

 private slots:
  void init() { window_fixture::Open(form_, {.collectMessages = true}); }
  void cleanup() { form_.reset(); }

  void theTitleNamesTheFileAndItsChanges() {
    QCOMPARE(form_->windowTitle(), QStringLiteral("Kalvento"));
    const QString path = dir_.filePath(QStringLiteral("messung.csv"));
    Write(path, "x;y\n1;2\n3;4\n");
    QVERIFY(form_->OpenPairFile(path));
    QCOMPARE(form_->windowTitle(), QStringLiteral("Kalvento – messung.csv"));
    SetCellText(*form_->SG4, 1, 1, QStringLiteral("5"));
    QCOMPARE(form_->windowTitle(), QStringLiteral("Kalvento – messung.csv*"));
    form_->SG4->Undo();
    QCOMPARE(form_->windowTitle(), QStringLiteral("Kalvento – messung.csv"));
    form_->S11C();  // the examples are no file's pairs
    QCOMPARE(form_->windowTitle(), QStringLiteral("Kalvento"));
  }

  void ctrlSSavesToTheLastFileWithoutADialog() {
    const QString path = dir_.filePath(QStringLiteral("zwei.csv"));
    Write(path, "x;y\n1;2\n3;4\n");
    QVERIFY(form_->OpenPairFile(path));
    SetCellText(*form_->SG4, 2, 1, QStringLiteral("7,5"));
    form_->actionSavePairs->trigger();
    QCOMPARE(form_->windowTitle(), QStringLiteral("Kalvento – zwei.csv"));
    const wertedatei::PairFile saved = wertedatei::ReadPairFile(ReadAll(path).toStdString());
    QCOMPARE(saved.y.size(), std::size_t{2});
    QCOMPARE(QString::fromStdString(std::string(saved.y[1])), QStringLiteral("7,5"));
    QCOMPARE(form_->actionSavePairsAs->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+S")));
  }

  void aFileWithFurtherColumnsIsNeverOverwritten() {
    const QString path = dir_.filePath(QStringLiteral("drei.csv"));
    const QByteArray original = "t;x;y\n12:00:01;1;2\n12:00:02;3;4\n";
    Write(path, original);
    form_->SetColumnChooser([](const wertedatei::PairFile&, wertedatei::ColumnChoice&) {
      return true;
    });
    if (!form_->OpenPairFile(path)) QSKIP("the reader took no pairs from the file");
    SetCellText(*form_->SG4, 1, 1, QStringLiteral("9"));
    CloseNextDialog();  // Ctrl+S asks for a name instead
    form_->actionSavePairs->trigger();
    QCOMPARE(ReadAll(path), original);
    QVERIFY(form_->windowTitle().endsWith(QLatin1Char('*')));
  }

  void closingAsksOnlyAboutUnsavedPairs_data() {
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("answer");  // -1: never asked
    QTest::addColumn<bool>("closes");
    QTest::newRow("empty") << "empty" << -1 << true;
    QTest::newRow("examples") << "examples" << -1 << true;
    QTest::newRow("typed, discarded") << "typed" << int(TForm1::CloseAnswer::kDiscard) << true;
    QTest::newRow("typed, cancelled") << "typed" << int(TForm1::CloseAnswer::kCancel) << false;
    QTest::newRow("typed then emptied") << "emptied" << -1 << true;
    QTest::newRow("opened, changed, saved")
        << "opened" << int(TForm1::CloseAnswer::kSave) << true;
  }
  void closingAsksOnlyAboutUnsavedPairs() {
    QFETCH(QString, table);
    QFETCH(int, answer);
    QFETCH(bool, closes);
    const QString path = dir_.filePath(QStringLiteral("offen.csv"));
    if (table == "examples") form_->S11C();
    if (table == "typed" || table == "emptied") SetCellText(*form_->SG4, 1, 0, QStringLiteral("1"));
    if (table == "emptied") SetCellText(*form_->SG4, 1, 0, QString());
    if (table == "opened") {
      Write(path, "x;y\n1;2\n");
      QVERIFY(form_->OpenPairFile(path));
      SetCellText(*form_->SG4, 1, 1, QStringLiteral("6"));
    }
    int asked = 0;
    form_->SetCloseQuestion([&] {
      ++asked;
      return static_cast<TForm1::CloseAnswer>(answer);
    });
    QCOMPARE(form_->close(), closes);
    QCOMPARE(asked, answer < 0 ? 0 : 1);
    QCOMPARE(form_->isVisible(), !closes);
    if (table == "opened") {
      const wertedatei::PairFile saved = wertedatei::ReadPairFile(ReadAll(path).toStdString());
      QCOMPARE(saved.y.size() > 0 ? QString::fromStdString(std::string(saved.y[0])) : QString(),
               QStringLiteral("6"));
    }
  }

  void keysStartStopAndMoveAsExpected() {
    form_->activateWindow();
    form_->Edit5->setFocus();
    QTest::keyClick(form_->Edit5, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(form_->CheckFrequenzsuche));

    form_->S11C();
    QTest::keyClick(form_->Edit5, Qt::Key_Return);  // a whole computation
    QCOMPARE(form_->Listbox1->count() > 1, true);
    QCOMPARE(app::CalcIdle, std::uint8_t{1});

    // Esc after the first pass stops the computation as "Abbruch" does.
    QMetaObject::invokeMethod(
        qApp,
        [this] {
          QMetaObject::invokeMethod(
              qApp, [this] { QTest::keyClick(form_.get(), Qt::Key_Escape); },
              Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    form_->D18C();
    QCOMPARE(app::CalcIdle, std::uint8_t{1});
    QCOMPARE(form_->Listbox1->count(), 1);
    QCOMPARE(form_->Button1->text(), QStringLiteral("Berechnung"));
  }

  void qtsDialogsSpeakGerman() {
    const QString catalogue =
        QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_de.qm");
    QVERIFY(!app::InstallToolkitTranslations(*qApp, QLocale(QLocale::English)));
    if (!QFile::exists(catalogue)) QSKIP("Qt's German translations are not installed");
    QVERIFY(app::InstallToolkitTranslations(*qApp, QLocale(QLocale::German, QLocale::Germany)));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Abbrechen"));
    QCOMPARE(QCoreApplication::translate("QFileSystemModel", "Size"), QStringLiteral("Größe"));
  }
};

QTEST_MAIN(SavingTest)
#include "saving_test.moc"
