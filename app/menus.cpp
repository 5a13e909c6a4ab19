// The window's actions and its three context menus. Each menu is built by
// one function, which lists its entries in order: the plot's (the view, the
// picture, the residual lines), the table's (pair files) and the result
// list's (copying and saving the lines).

#include <QAction>
#include <QKeySequence>
#include <QStyle>

#include "app/controls.h"
#include "app/tform1.h"
#include "app/valuetable.h"
#include "platform/qtlatin1.h"

namespace app {

namespace {

QAction* NewAction(TForm1* form, const char* name, const QString& text,
                   QStyle::StandardPixmap icon = QStyle::SP_CustomBase) {
  auto* action = new QAction(text, form);
  action->setObjectName(platform::FromLatin1(name));
  if (icon != QStyle::SP_CustomBase) action->setIcon(form->style()->standardIcon(icon));
  return action;
}

// The view's entries show their tip in a status bar too.
void SetTips(QAction* action, const QString& tip) {
  action->setToolTip(tip);
  action->setStatusTip(tip);
}

QAction* NewSeparator(QObject* parent) {
  auto* separator = new QAction(parent);
  separator->setSeparator(true);
  return separator;
}

}  // namespace

void TForm1::CreateActions() {
  CreateViewActions();
  CreateFileActions();
  CreateExportActions();
  CreateResidualsAction();
}

void TForm1::CreateViewActions() {
  actionFitView_ = NewAction(this, "actionFitView", QStringLiteral("An Daten anpassen"));
  actionFitView_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
  SetTips(actionFitView_,
          QStringLiteral("Wählt die Achsen so, dass alle Wertepaare und die Kurve zu sehen sind "
                         "(auch Doppelklick in die Grafik)"));
  actionDefaultView_ = NewAction(this, "actionDefaultView", QStringLiteral("Standardansicht"));
  actionDefaultView_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
  SetTips(actionDefaultView_,
          QStringLiteral("Zeigt wieder x von -8 bis 8 mit gleichem Maßstab auf beiden Achsen"));
  connect(actionFitView_, &QAction::triggered, this, &TForm1::FitViewToData);
  connect(actionDefaultView_, &QAction::triggered, this, &TForm1::ShowDefaultView);
}

void TForm1::CreateFileActions() {
  actionOpenPairs =
      NewAction(this, "actionOpenPairs", QStringLiteral("Öffnen…"), QStyle::SP_DialogOpenButton);
  actionOpenPairs->setShortcut(QKeySequence::Open);
  actionOpenPairs->setToolTip(QStringLiteral("Wertepaare aus einer Datei öffnen (Strg+O)"));
  actionSavePairs =
      NewAction(this, "actionSavePairs", QStringLiteral("Speichern…"), QStyle::SP_DialogSaveButton);
  actionSavePairs->setShortcut(QKeySequence::Save);
  actionSavePairs->setToolTip(QStringLiteral("Wertepaare in eine Datei speichern (Strg+S)"));
  connect(actionOpenPairs, &QAction::triggered, this, &TForm1::OpenPairFileDialog);
  connect(actionSavePairs, &QAction::triggered, this, &TForm1::SavePairFileDialog);
  // Ctrl+O and Ctrl+S anywhere in the window.
  addAction(actionOpenPairs);
  addAction(actionSavePairs);
}

void TForm1::CreateExportActions() {
  actionExportPlot = NewAction(this, "actionExportPlot", QStringLiteral("Bild speichern…"));
  actionExportPlot->setToolTip(QStringLiteral("Das Diagramm als PNG, SVG oder PDF speichern"));
  actionCopyPlot = NewAction(this, "actionCopyPlot", QStringLiteral("Bild kopieren"));
  actionCopyResults = NewAction(this, "actionCopyResults", QStringLiteral("Kopieren"));
  // Only while the result list has the focus: elsewhere Ctrl+C is the table's
  // and the fields' own.
  actionCopyResults->setShortcut(QKeySequence::Copy);
  actionCopyResults->setShortcutContext(Qt::WidgetShortcut);
  actionSaveResults = NewAction(this, "actionSaveResults", QStringLiteral("Ergebnisse speichern…"));
  connect(actionExportPlot, &QAction::triggered, this, &TForm1::ExportPlotDialog);
  connect(actionCopyPlot, &QAction::triggered, this, &TForm1::CopyPlot);
  connect(actionCopyResults, &QAction::triggered, this, &TForm1::CopyResults);
  connect(actionSaveResults, &QAction::triggered, this, &TForm1::SaveResultsDialog);
}

void TForm1::CreateResidualsAction() {
  actionShowResiduals = NewAction(this, "actionShowResiduals", QStringLiteral("Residuen anzeigen"));
  actionShowResiduals->setCheckable(true);
  actionShowResiduals->setToolTip(
      QStringLiteral("Zeichnet von jedem Datenpunkt eine Linie senkrecht zur Kurve"));
  connect(actionShowResiduals, &QAction::toggled, this, [this] { PB4Paint(); });
}

void TForm1::BuildPlotMenu() {
  PB4->setContextMenuPolicy(Qt::ActionsContextMenu);
  PB4->addActions({actionFitView_, actionDefaultView_, NewSeparator(this), actionExportPlot,
                   actionCopyPlot, NewSeparator(this), actionShowResiduals});
}

void TForm1::BuildTableMenu() {
  SG4->setContextMenuPolicy(Qt::ActionsContextMenu);
  SG4->addActions({actionOpenPairs, actionSavePairs});
}

void TForm1::BuildResultListMenu() {
  Listbox1->setContextMenuPolicy(Qt::ActionsContextMenu);
  Listbox1->addActions({actionCopyResults, actionSaveResults});
  connect(Listbox1, &ResultListBox::CopyRequested, this, &TForm1::CopyResults);
}

}  // namespace app
