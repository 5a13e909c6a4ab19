// The three context menus, entry by entry, as the one function that builds
// each of them lists them.

#include <QAction>
#include <QtTest>
#include <memory>

#include "app/tform1.h"

namespace {

// The menu's entries by object name, "-" for a separator.
QStringList Entries(const QWidget& widget) {
  QStringList names;
  for (const QAction* action : widget.actions())
    names << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
  return names;
}

}  // namespace

class MenusTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TForm1> form_;

 private slots:
  void init() { form_ = std::make_unique<TForm1>(); }
  void cleanup() { form_.reset(); }

  void eachMenuListsItsEntriesInOrder_data() {
    QTest::addColumn<QString>("widget");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("plot") << "PB4"
                          << QStringList{"actionFitView",  "actionDefaultView", "-",
                                         "actionExportPlot", "actionCopyPlot", "actionSaveReport",
                                         "-", "actionShowResiduals", "actionResultInPlot",
                                         "actionAxisTitles", "actionPeriodogram",
                                         "actionPeriodAxis", "actionSpectralWindow"};
    QTest::newRow("table") << "SG4"
                           << QStringList{"actionUndo", "actionRedo", "-", "actionOpenPairs",
                                          "actionSavePairs", "actionSavePairsAs", "-",
                                          "actionOpenSession", "actionSaveSession", "-",
                                          "actionUncertainties", "actionFillSigma"};
    QTest::newRow("results") << "Listbox1"
                             << QStringList{"actionCopyResults", "actionSaveResults", "-",
                                            "actionSortByError"};
  }
  void eachMenuListsItsEntriesInOrder() {
    QFETCH(QString, widget);
    QFETCH(QStringList, entries);
    const QWidget* target = form_->findChild<QWidget*>(widget);
    QVERIFY(target != nullptr);
    QCOMPARE(target->contextMenuPolicy(), Qt::ActionsContextMenu);
    QCOMPARE(Entries(*target), entries);
    for (const QAction* action : target->actions())
      QVERIFY2(action->isSeparator() || action->parent() == form_.get(),
               qPrintable(action->objectName()));
  }
};

QTEST_MAIN(MenusTest)
#include "menus_test.moc"
