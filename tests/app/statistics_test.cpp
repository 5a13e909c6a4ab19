// The statistics of the shown result in LabelStatistik and the residual
// lines of the plot's context menu.

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "_grund/grund.h"
#include "app/controls.h"
#include "app/tform1.h"
#include "app/valuetable.h"
#include "sinusfit/fitstatistics.h"
#include "sinusfit/resulttext.h"
#include "window_fixture.h"

namespace {

const std::vector<double> kExampleX = {1.5, 1.1, 0.7, 0.3, -0.1, -0.5, -1, -1.5, 2.8};
const std::vector<double> kExampleY = {1.4, 1.2, 0, -0.2, 0.4, 1, 1.6, 1.2, 0.1};
const QColor kResidualColour(230, 80, 0);

// The text the label must show for a result line on the given pairs.
QString ExpectedText(const TForm1& form, const QString& entry, const std::vector<double>& x,
                     const std::vector<double>& y) {
  const app::ResultRecord* record = form.FindResultRecord(entry.toLatin1().toStdString());
  if (record == nullptr) return QStringLiteral("no record");
  const sinusfit::FitStatistics s =
      sinusfit::ComputeFitStatistics(record->mode, record->parameters, x, y);
  return QString::fromStdString(sinusfit::FormatFitStatistics(record->mode, record->parameters, s));
}

}  // namespace

class StatisticsTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TForm1> form_;

  QLabel* Label() const { return form_->findChild<QLabel*>(QStringLiteral("LabelStatistik")); }
  QAction* Residuals() const { return window_fixture::Action(*form_, "actionShowResiduals"); }
  void Choose(int row) {
    form_->Listbox1->setCurrentRow(row);
    form_->Listbox1Click();
  }
  QImage Paint() { return window_fixture::Paint(*form_); }

 private slots:
  void init() { window_fixture::Open(form_); }
  void cleanup() { form_.reset(); }

  void emptyAtStartInItsOwnPlace() {
    QLabel* label = Label();
    QVERIFY(label != nullptr);
    QCOMPARE(label->mapTo(form_.get(), QPoint(0, 0)), QPoint(10, 602));
    QCOMPARE(label->size(), QSize(229, 105));
    QVERIFY(label->text().isEmpty());
    QVERIFY(label->textInteractionFlags().testFlags(Qt::TextSelectableByMouse |
                                                    Qt::TextSelectableByKeyboard));
    QCOMPARE(label->focusPolicy(), Qt::ClickFocus);  // not in the Tab order
    const QRect place(label->mapTo(form_.get(), QPoint(0, 0)), label->size());
    for (QWidget* other : form_->findChildren<QWidget*>()) {
      if (other == label || !other->isVisible() || other->isAncestorOf(label)) continue;
      const QRect where(other->mapTo(form_.get(), QPoint(0, 0)), other->size());
      QVERIFY2(!where.intersects(place), qPrintable(other->objectName()));
    }

    QAction* residuals = Residuals();
    QVERIFY(residuals != nullptr);
    QCOMPARE(residuals->parent(), form_.get());
    QCOMPARE(residuals->text(), QStringLiteral("Residuen anzeigen"));
    QVERIFY(residuals->isCheckable());
    QVERIFY(!residuals->isChecked());
    QVERIFY(form_->PB4->actions().contains(residuals));
    QCOMPARE(form_->PB4->contextMenuPolicy(), Qt::ActionsContextMenu);
  }

  void showsTheLineThePlotShows() {
    TForm1& f = *form_;
    f.S11C();
    QTest::mouseClick(f.Button1, Qt::LeftButton);
    QVERIFY(f.Listbox1->count() >= 2);

    // After the computation: the last pass's line, whose curve is plotted.
    const QString plotted = QString::fromLatin1(f.PlotList()->Entries.at(3));
    QString shown;
    for (int i = 0; i < f.Listbox1->count(); ++i) {
      const QString entry = f.Listbox1->item(i)->text();
      if (QString::fromLatin1(sinusfit::TermOfEntry(entry.toLatin1().toStdString())) == plotted)
        shown = entry;
    }
    QCOMPARE(Label()->text(), ExpectedText(f, shown, kExampleX, kExampleY));
    QVERIFY(Label()->text().startsWith(QStringLiteral("a = ")));
    QVERIFY(Label()->text().contains(QStringLiteral("R² = 0,")));

    for (const int row : {0, f.Listbox1->count() - 1}) {
      Choose(row);
      QCOMPARE(Label()->text(),
               ExpectedText(f, f.Listbox1->item(row)->text(), kExampleX, kExampleY));
    }
    // Selected and copied as the lines they are.
    Label()->setFocus();
    Label()->setSelection(0, static_cast<int>(Label()->text().size()));
    QTest::keyClick(Label(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), Label()->text());
  }

  void undeterminedValuesShowADash() {
    TForm1& f = *form_;
    // a held, three pairs for three free parameters: no standard errors.
    f.rt2->setChecked(true);
    f.Edit1->setText(QStringLiteral("1"));
    const char* pairs[][2] = {{"0", "1"}, {"1", "2"}, {"2", "0,5"}};
    for (int i = 0; i < 3; ++i) {
      f.SG4->SetCellLatin1(i + 1, 0, pairs[i][0]);
      f.SG4->SetCellLatin1(i + 1, 1, pairs[i][1]);
    }
    f.D18C();
    const QString text = Label()->text();
    QVERIFY2(text.startsWith(QStringLiteral("a = 1 (fest)\nb = ")), qPrintable(text));
    QCOMPARE(text.count(QStringLiteral("± –")), 4);  // b, c, d and the period
  }

  void staleStatisticsDisappear() {
    TForm1& f = *form_;
    f.S11C();
    f.D18C();
    QVERIFY(!Label()->text().isEmpty());
    f.SG4->SetCellLatin1(3, 2, "7");  // the f(x) column: still the same pairs
    QVERIFY(!Label()->text().isEmpty());
    f.SG4->SetCellLatin1(3, 1, "7");
    QVERIFY(Label()->text().isEmpty());
    Choose(0);
    QVERIFY(!Label()->text().isEmpty());
    f.S1X();
    QVERIFY(Label()->text().isEmpty());
    f.S11C();

    // A new computation starts without them and ends with its own.
    QString duringTheFit = QStringLiteral("not pumped");
    const auto afterTheFirstPass = [&] { duringTheFit = Label()->text(); };
    QMetaObject::invokeMethod(
        qApp, [&] { QMetaObject::invokeMethod(qApp, afterTheFirstPass, Qt::QueuedConnection); },
        Qt::QueuedConnection);
    f.D18C();
    QVERIFY(duringTheFit.isEmpty());
    QVERIFY(!Label()->text().isEmpty());
  }

  void residualLinesChangePixelsOnlyWhenOn() {
    TForm1& f = *form_;
    f.S11C();
    f.Listbox1->addItem(QStringLiteral("1\tY = 1*SIN(1*X+0)+0,5"));
    Choose(0);
    const QImage off = Paint();

    Residuals()->setChecked(true);
    const QImage on = Paint();
    int changed = 0;
    for (int y = 0; y < on.height(); ++y) {
      for (int x = 0; x < on.width(); ++x) {
        if (on.pixel(x, y) == off.pixel(x, y)) continue;
        ++changed;
        QCOMPARE(on.pixelColor(x, y), kResidualColour);
      }
    }
    QVERIFY(changed > 30);
    // Each residual: at x = -1 the pair (-1, 1.6) lies 1.94 above the curve.
    QCOMPARE(on.pixelColor(343, 250 - 24 - 10), kResidualColour);  // between curve and mark

    Residuals()->setChecked(false);
    QCOMPARE(Paint(), off);
  }
};

QTEST_MAIN(StatisticsTest)
#include "statistics_test.moc"
