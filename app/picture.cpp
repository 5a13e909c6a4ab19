// What the picture carries beyond the pairs and curves: the axis titles
// (from the file's headings, or typed in "Achsen beschriften…", each change
// a step of the undo history) and the shown fit written into it ("Ergebnis
// im Bild").

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QUndoCommand>
#include <QUndoStack>
#include <optional>

#include "app/controls.h"
#include "app/tform1.h"
#include "app/valuetable.h"

namespace app {

namespace {

// Swaps the window's titles with the ones it holds, so that undo and redo
// are the same step.
class TitlesCommand : public QUndoCommand {
 public:
  TitlesCommand(std::function<void(TForm1::AxisTitles&)> swap, TForm1::AxisTitles titles)
      : QUndoCommand(QStringLiteral("Achsen beschriften")),
        swap_(std::move(swap)),
        titles_(std::move(titles)) {}
  void redo() override { swap_(titles_); }
  void undo() override { swap_(titles_); }

 private:
  std::function<void(TForm1::AxisTitles&)> swap_;
  TForm1::AxisTitles titles_;
};

std::optional<TForm1::AxisTitles> AskTitles(QWidget* parent, const TForm1::AxisTitles& now) {
  QDialog dialog(parent);
  dialog.setWindowTitle(QStringLiteral("Achsen beschriften"));
  auto* layout = new QFormLayout(&dialog);
  auto* x = new QLineEdit(now.x.isEmpty() ? QStringLiteral("x") : now.x, &dialog);
  auto* y = new QLineEdit(now.y.isEmpty() ? QStringLiteral("y") : now.y, &dialog);
  for (QLineEdit* edit : {x, y}) {
    edit->setMinimumWidth(280);
    edit->setToolTip(QStringLiteral("Größe und Einheit, z. B. „t in s“ oder „U in V“"));
  }
  layout->addRow(QStringLiteral("x-Achse:"), x);
  layout->addRow(QStringLiteral("y-Achse:"), y);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  layout->addRow(buttons);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return TForm1::AxisTitles{x->text(), y->text()};
}

// "x" and "y" are the titles every picture has without any: kept as none.
TForm1::AxisTitles Normalized(TForm1::AxisTitles titles) {
  titles.x = titles.x.simplified();
  titles.y = titles.y.simplified();
  if (titles.x == QLatin1String("x")) titles.x.clear();
  if (titles.y == QLatin1String("y")) titles.y.clear();
  return titles;
}

}  // namespace

void TForm1::CreatePictureActions() {
  actionAxisTitles = new QAction(QStringLiteral("Achsen beschriften…"), this);
  actionAxisTitles->setObjectName(QStringLiteral("actionAxisTitles"));
  actionAxisTitles->setToolTip(
      QStringLiteral("Titel der Achsen mit Einheit, z. B. „t in s“ (auch Doppelklick auf einen "
                     "Titel); mit Strg+S werden sie die Überschriften der Datei"));
  connect(actionAxisTitles, &QAction::triggered, this, &TForm1::EditAxisTitles);

  actionResultInPlot = new QAction(QStringLiteral("Ergebnis im Bild"), this);
  actionResultInPlot->setObjectName(QStringLiteral("actionResultInPlot"));
  actionResultInPlot->setCheckable(true);
  actionResultInPlot->setToolTip(
      QStringLiteral("Schreibt die Formel, die Parameter mit ihren Unsicherheiten und R² des "
                     "angezeigten Ergebnisses in eine Ecke der Grafik"));
  connect(actionResultInPlot, &QAction::toggled, this, [this] { PB4->update(); });

  actionSaveReport = new QAction(QStringLiteral("Bericht speichern…"), this);
  actionSaveReport->setObjectName(QStringLiteral("actionSaveReport"));
  actionSaveReport->setToolTip(
      QStringLiteral("Eine A4-Seite als PDF: Grafik, Residuen, Parameter und Güte der Anpassung "
                     "für das Protokoll"));
  connect(actionSaveReport, &QAction::triggered, this, &TForm1::SaveReportDialog);
}

void TForm1::SetTitles(const AxisTitles& titles) {
  const AxisTitles wanted = Normalized(titles);
  if (wanted == axisTitles_) return;
  // Undone and redone with the table's own steps, and saved with its pairs.
  SG4->UndoStack()->push(new TitlesCommand(
      [this](AxisTitles& other) {
        std::swap(axisTitles_, other);
        PB4->update();
      },
      wanted));
}

void TForm1::ReplaceTable(TableColumns columns, const QString& undoText,
                          std::optional<bool> showSigma, const AxisTitles& titles) {
  // One step: undoing it brings back the former pairs with their titles.
  QUndoStack* steps = SG4->UndoStack();
  steps->beginMacro(undoText);
  SG4->ReplaceContents(std::move(columns), undoText, showSigma);
  SetTitles(titles);
  steps->endMacro();
}

void TForm1::EditAxisTitles() {
  const std::optional<AxisTitles> typed =
      titlesAsker_ ? titlesAsker_(axisTitles_) : AskTitles(this, axisTitles_);
  if (typed) SetTitles(*typed);
}

}  // namespace app
