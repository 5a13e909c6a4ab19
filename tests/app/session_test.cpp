// Sessions in the window: a state saved and opened in a new window comes
// back field by field and pixel for pixel, and the next computation gives
// the same lines; a broken or foreign file is refused and nothing changes.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <functional>
#include <memory>
#include <string>

#include "_grund/grund.h"
#include "app/controls.h"
#include "app/tform1.h"
#include "app/valuetable.h"
#include "platform/qtlatin1.h"
#include "wertedatei/session.h"
#include "window_fixture.h"

namespace {

// The window's whole state as the file would hold it, the time left out.
std::string StateOf(const TForm1& form) {
  wertedatei::Session session = form.CaptureSession();
  session.savedAt.clear();
  return wertedatei::WriteSession(session);
}

QStringList ListOf(const TForm1& form) {
  QStringList lines;
  for (int i = 0; i < form.Listbox1->count(); ++i) {
    const QListWidgetItem* item = form.Listbox1->item(i);
    lines << (item->font().bold() ? QStringLiteral("*") : QString()) + item->text();
  }
  return lines;
}

QByteArray LongSeries(int n) {
  QByteArray text = "t;U\n";
  for (int i = 0; i < n; ++i) {
    const double t = 0.01 * i;
    const double u = 2 * std::sin(3.1 * t + 0.4) + 0.5 * std::sin(7.7 * t) + 0.05 * std::sin(91.0 * i);
    text += QByteArray::fromStdString(grund::FormatComma(t, 0, 2) + ";" +
                                      grund::FormatComma(u, 0, 5) + "\n");
  }
  return text;
}

}  // namespace

class SessionTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TForm1> form_;
  QTemporaryDir dir_;

  QString Path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

 private slots:
  void init() {
    window_fixture::Open(form_, {.collectMessages = true,
                                 .columnChooser = window_fixture::AcceptProposedColumns});
  }
  void cleanup() { form_.reset(); }

  void comesBackAsSaved_data() {
    using Setup = std::function<void(TForm1&, const QString& folder)>;
    QTest::addColumn<Setup>("setup");
    QTest::newRow("typed pairs, b held, nothing computed") << Setup([](TForm1& f, const QString&) {
      const char* cells[][2] = {{"0", "1,5"}, {"1", "2,25"}, {"2", "ÿ3"}, {"3", "0,5e1"}};
      for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 2; ++column) f.SG4->SetCellLatin1(row + 1, column, cells[row][column]);
      f.rt3->setChecked(true);
      f.Edit2->setText(QStringLiteral("PI/2"));
    });
    QTest::newRow("examples, a fit, a later line chosen") << Setup([](TForm1& f, const QString&) {
      f.S11C();
      f.D18C();
      f.Listbox1->setCurrentRow(3);
      f.Listbox1Click();
    });
    QTest::newRow("Δy, trend with scan, zoomed, titled, residuals and caption")
        << Setup([](TForm1& f, const QString&) {
             f.S11C();
             f.SG4->SetSigmaColumnShown(true);
             f.SG4->FillSigma(QStringLiteral("0,2"));
             f.ComboZielfunktion->setCurrentIndex(1);
             f.CheckFrequenzsuche->setChecked(true);
             f.Edit5->setText(QStringLiteral("20"));
             f.D18C();
             f.ZoomViewAt(QPointF(300, 200), 2);
             f.SetTitles({QStringLiteral("t in s"), QStringLiteral("U in mV")});
             window_fixture::Action(f, "actionShowResiduals")->setChecked(true);
             window_fixture::Action(f, "actionResultInPlot")->setChecked(true);
           });
    QTest::newRow("a file opened, its pairs shown without a curve")
        << Setup([](TForm1& f, const QString& folder) {
             QFile file(folder + QStringLiteral("/opened.csv"));
             QVERIFY(file.open(QIODevice::WriteOnly));
             file.write(LongSeries(300));
             file.close();
             QVERIFY(f.OpenPairFile(file.fileName()));
           });
    QTest::newRow("a long file, two sines, the periodogram, an edit after the fit")
        << Setup([](TForm1& f, const QString& folder) {
             QFile file(folder + QStringLiteral("/long.csv"));
             QVERIFY(file.open(QIODevice::WriteOnly));
             file.write(LongSeries(1500));
             file.close();
             QVERIFY(f.OpenPairFile(file.fileName()));
             f.ComboZielfunktion->setCurrentIndex(3);
             f.SpinFrequenzen->setValue(2);
             f.D18C();
             window_fixture::Action(f, "actionPeriodogram")->setChecked(true);
             f.SG4->SetCellLatin1(10, 2, "Notiz");
           });
  }
  void comesBackAsSaved() {
    QFETCH(std::function<void(TForm1&, const QString&)>, setup);
    setup(*form_, dir_.path());
    const QString path = Path("saved.kalvento");
    QVERIFY(form_->SaveSession(path));
    // Drawn from the generator's state after the saving, as the saved one is.
    const std::uint32_t seed = grund::ProcessRandom().Seed();

    std::unique_ptr<TForm1> reopened;
    window_fixture::Open(reopened, {.collectMessages = true});
    QVERIFY(reopened->OpenFile(path));
    QCOMPARE(reopened->LastMessage(), QString());
    QCOMPARE(grund::ProcessRandom().Seed(), seed);
    QCOMPARE(StateOf(*reopened), StateOf(*form_));
    QCOMPARE(window_fixture::Paint(*reopened), window_fixture::Paint(*form_));
    QCOMPARE(ListOf(*reopened), ListOf(*form_));
    QCOMPARE(reopened->LabelStatistik->text(), form_->LabelStatistik->text());
    QCOMPARE(reopened->windowTitle(), form_->windowTitle());
    QCOMPARE(reopened->Titles(), form_->Titles());

    // The next computation gives in each what it would have given.
    grund::ProcessRandom().SetSeed(seed);
    form_->D18C();
    grund::ProcessRandom().SetSeed(seed);
    reopened->D18C();
    QCOMPARE(ListOf(*reopened), ListOf(*form_));
    QCOMPARE(window_fixture::Paint(*reopened), window_fixture::Paint(*form_));

    // Opening it was one step: undone, the former table is back.
    QVERIFY(reopened->SG4->UndoStack()->canUndo());
    reopened->SG4->Undo();
    for (int row = 1; row <= 3; ++row) QCOMPARE(reopened->SG4->CellLatin1(row, 0), std::string());
  }

  void refusedFilesChangeNothing_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("reason");
    QTest::newRow("empty") << QByteArray() << QStringLiteral("leer");
    QTest::newRow("a pair file") << QByteArray("x;y\n1;2\n") << QStringLiteral("keine Kalvento-Sitzung");
    QTest::newRow("a newer major version")
        << QByteArray("{\"format\": \"kalvento-sitzung\", \"version\": \"2.0\", \"table\": {}}")
        << QStringLiteral("neueren Version");
    QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0", 11) << QStringLiteral("Kalvento-Sitzung");
  }
  void refusedFilesChangeNothing() {
    QFETCH(QByteArray, content);
    QFETCH(QString, reason);
    form_->S11C();
    form_->D18C();
    const std::string before = StateOf(*form_);
    const QImage picture = window_fixture::Paint(*form_);
    const QString path = Path("broken.kalvento");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    QVERIFY(!form_->OpenSession(path));
    QVERIFY2(form_->LastMessage().contains(reason), qPrintable(form_->LastMessage()));
    QCOMPARE(StateOf(*form_), before);
    QCOMPARE(window_fixture::Paint(*form_), picture);
  }

  void truncatedAnywhereIsRefused() {
    form_->S11C();
    form_->D18C();
    const QString path = Path("whole.kalvento");
    QVERIFY(form_->SaveSession(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray whole = file.readAll();
    file.close();
    std::unique_ptr<TForm1> other;
    window_fixture::Open(other, {.collectMessages = true});
    const std::string empty = StateOf(*other);
    for (const double share : {0.1, 0.5, 0.9, 0.999}) {
      QFile part(Path("part.kalvento"));
      QVERIFY(part.open(QIODevice::WriteOnly));
      part.write(whole.left(static_cast<qsizetype>(share * whole.size())));
      part.close();
      QVERIFY(!other->OpenSession(part.fileName()));
      QVERIFY2(other->LastMessage().contains(QStringLiteral("unvollständig")),
               qPrintable(other->LastMessage()));
      QCOMPARE(StateOf(*other), empty);
    }
  }

  void unwritablePlaceSaysSo() {
    form_->S11C();
    QVERIFY(!form_->SaveSession(dir_.filePath(QStringLiteral("no/such/folder/a.kalvento"))));
    QVERIFY(form_->LastMessage().contains(QStringLiteral("konnte nicht gespeichert werden")));
  }
};

QTEST_MAIN(SessionTest)
#include "session_test.moc"
