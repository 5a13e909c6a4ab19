// The window's actions and its three context menus. Each menu is built by
// one function, which lists its entries in order: the plot's (the view, the
// picture, the residual lines), the table's (pair files) and the result
// list's (copying and saving the lines).

#include <QAction>
#include <QInputDialog>
#include <QKeySequence>
#include <QStyle>
#include <QLineEdit>
#include <QUndoStack>
#include <optional>

#include "app/celltext.h"
#include "app/controls.h"
#include "app/sigmafill.h"
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
  CreateTableEditActions();
  CreateResultOrderAction();
  CreatePictureActions();
  CreatePeriodogramAction();
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
      NewAction(this, "actionSavePairs", QStringLiteral("Speichern"), QStyle::SP_DialogSaveButton);
  actionSavePairs->setShortcut(QKeySequence::Save);
  actionSavePairs->setToolTip(
      QStringLiteral("Wertepaare in die zuletzt geöffnete oder gespeicherte Datei speichern "
                     "(Strg+S)"));
  actionSavePairsAs = NewAction(this, "actionSavePairsAs", QStringLiteral("Speichern unter…"));
  actionSavePairsAs->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
  actionSavePairsAs->setToolTip(
      QStringLiteral("Wertepaare in eine neue Datei speichern (Strg+Umschalt+S)"));
  actionSaveSession = NewAction(this, "actionSaveSession", QStringLiteral("Sitzung speichern…"));
  actionSaveSession->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S));
  actionSaveSession->setToolTip(
      QStringLiteral("Wertepaare, Einstellungen, Ergebnisse und Ansicht in einer Datei "
                     "speichern, um später daran weiterzuarbeiten (Strg+Alt+S)"));
  actionOpenSession = NewAction(this, "actionOpenSession", QStringLiteral("Sitzung öffnen…"));
  actionOpenSession->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_O));
  actionOpenSession->setToolTip(
      QStringLiteral("Eine gespeicherte Sitzung öffnen: das Fenster, wie es gespeichert "
                     "wurde (Strg+Alt+O)"));
  connect(actionSaveSession, &QAction::triggered, this, &TForm1::SaveSessionDialog);
  connect(actionOpenSession, &QAction::triggered, this, &TForm1::OpenSessionDialog);
  addAction(actionSaveSession);
  addAction(actionOpenSession);
  connect(actionOpenPairs, &QAction::triggered, this, &TForm1::OpenPairFileDialog);
  connect(actionSavePairs, &QAction::triggered, this, &TForm1::SavePairs);
  connect(actionSavePairsAs, &QAction::triggered, this, &TForm1::SavePairFileDialog);
  // Ctrl+O, Ctrl+S and Ctrl+Shift+S anywhere in the window.
  addAction(actionOpenPairs);
  addAction(actionSavePairs);
  addAction(actionSavePairsAs);
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

void TForm1::CreateTableEditActions() {
  actionUndo = NewAction(this, "actionUndo", QStringLiteral("Rückgängig"));
  actionUndo->setShortcut(QKeySequence::Undo);
  actionRedo = NewAction(this, "actionRedo", QStringLiteral("Wiederholen"));
  actionRedo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y),
                            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
  // The table answers these keys itself; the entries show them.
  for (QAction* action : {actionUndo, actionRedo}) action->setShortcutContext(Qt::WidgetShortcut);
  connect(actionUndo, &QAction::triggered, SG4, &ValueTable::Undo);
  connect(actionRedo, &QAction::triggered, SG4, &ValueTable::Redo);
  const auto showUndoState = [this] {
    const QUndoStack* steps = SG4->UndoStack();
    actionUndo->setEnabled(SG4->CanUndoNow());
    actionRedo->setEnabled(SG4->CanRedoNow());
    actionUndo->setText(steps->canUndo()
                            ? QStringLiteral("Rückgängig: %1").arg(steps->undoText())
                            : QStringLiteral("Rückgängig"));
    actionRedo->setText(steps->canRedo()
                            ? QStringLiteral("Wiederholen: %1").arg(steps->redoText())
                            : QStringLiteral("Wiederholen"));
  };
  connect(SG4, &ValueTable::UndoStateChanged, this, showUndoState);
  showUndoState();

  actionUncertainties =
      NewAction(this, "actionUncertainties", QStringLiteral("Messunsicherheiten Δy"));
  actionUncertainties->setCheckable(true);
  actionUncertainties->setToolTip(
      QStringLiteral("Zeigt die Spalte Δy: mit einem Δy in jeder Zeile wird gewichtet "
                     "gerechnet (χ²) und mit Fehlerbalken gezeichnet"));
  connect(actionUncertainties, &QAction::toggled, SG4, &ValueTable::SetSigmaColumnShown);
  connect(SG4, &ValueTable::SigmaColumnShownChanged, actionUncertainties, &QAction::setChecked);
  actionFillSigma = NewAction(this, "actionFillSigma", QStringLiteral("Δy für alle Zeilen…"));
  actionFillSigma->setToolTip(
      QStringLiteral("Schreibt einen Wert (z. B. 0,05) oder einen Anteil von |y| (z. B. 2 %) "
                     "in die Spalte Δy jeder Zeile mit einem Wertepaar"));
  connect(actionFillSigma, &QAction::triggered, this, &TForm1::FillSigmaDialog);
}

void TForm1::FillSigmaDialog() {
  if (CalcIdle == 0) return;  // the table is not reshaped while a fit runs
  std::optional<QString> typed;
  if (sigmaFillAsker_) {
    typed = sigmaFillAsker_();
  } else {
    bool accepted = false;
    const QString text = QInputDialog::getText(
        this, QStringLiteral("Δy für alle Zeilen"),
        QStringLiteral("Δy als Wert (z. B. 0,05) oder als Anteil von |y| (z. B. 2 %):"),
        QLineEdit::Normal, QString(), &accepted);
    if (accepted) typed = text;
  }
  if (!typed) return;
  const std::optional<SigmaFill> fill = ParseSigmaFill(TypedCellText(*typed).latin1);
  if (!fill) {
    ShowMessage(QStringLiteral("„%1“ ist kein Δy: erwartet wird eine positive Zahl wie 0,05 "
                               "oder ein Anteil wie 2 %.")
                    .arg(*typed));
    return;
  }
  // Showing the column is a step of its own, before the fill's.
  SG4->SetSigmaColumnShown(true);
  SG4->FillSigma(*fill);
}

void TForm1::CreateResultOrderAction() {
  actionSortByError = NewAction(this, "actionSortByError", QStringLiteral("Nach Fehler ordnen"));
  actionSortByError->setCheckable(true);
  actionSortByError->setToolTip(
      QStringLiteral("Ordnet die Ergebnisse nach ihrer Fehlersumme, die kleinste zuerst"));
  connect(actionSortByError, &QAction::toggled, this, &TForm1::SortResultsByError);
}

void TForm1::BuildPlotMenu() {
  PB4->setContextMenuPolicy(Qt::ActionsContextMenu);
  PB4->addActions({actionFitView_, actionDefaultView_, NewSeparator(this), actionExportPlot,
                   actionCopyPlot, actionSaveReport, NewSeparator(this), actionShowResiduals,
                   actionResultInPlot, actionAxisTitles, actionPeriodogram, actionPeriodAxis,
                   actionSpectralWindow});
}

void TForm1::BuildTableMenu() {
  SG4->setContextMenuPolicy(Qt::ActionsContextMenu);
  SG4->addActions({actionUndo, actionRedo, NewSeparator(this), actionOpenPairs, actionSavePairs,
                   actionSavePairsAs, NewSeparator(this), actionOpenSession, actionSaveSession,
                   NewSeparator(this), actionUncertainties, actionFillSigma});
}

void TForm1::BuildResultListMenu() {
  Listbox1->setContextMenuPolicy(Qt::ActionsContextMenu);
  Listbox1->addActions(
      {actionCopyResults, actionSaveResults, NewSeparator(this), actionSortByError});
  connect(Listbox1, &ResultListBox::CopyRequested, this, &TForm1::CopyResults);
}

}  // namespace app
