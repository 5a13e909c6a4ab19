// What the window knows of the pairs' file: its name in the title with a
// "*" while the table holds unsaved changes, Ctrl+S to that file where it
// loses nothing, and the question when the window closes over changes.

#include <QCloseEvent>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include "app/tform1.h"
#include "app/valuetable.h"

namespace app {

void TForm1::ShowFileName(const QString& path) {
  pairFile_ = path;
  UpdateTitle();
}

void TForm1::ForgetPairFile() {
  pairFile_.clear();
  pairFileHasMoreColumns_ = false;
  UpdateTitle();
}

void TForm1::UpdateTitle() {
  QString title = QStringLiteral("Kalvento");
  if (!pairFile_.isEmpty()) title += QStringLiteral(" – ") + QFileInfo(pairFile_).fileName();
  if (SG4 != nullptr && SG4->IsModified() && SG4->HoldsPairs()) title += QLatin1Char('*');
  if (windowTitle() != title) setWindowTitle(title);
}

void TForm1::TrackTableChanges() {
  connect(SG4, &ValueTable::UndoStateChanged, this, &TForm1::UpdateTitle);
  connect(SG4, &ValueTable::PairsChanged, this, &TForm1::UpdateTitle);
  connect(SG4, &ValueTable::PairsChanged, this, [this] { ++pairsVersion_; });
}

bool TForm1::CanSaveToPairFile() const {
  // A file with further columns (a time stamp, a third channel) would lose
  // them to the table's pairs.
  return !pairFile_.isEmpty() && !pairFileHasMoreColumns_;
}

void TForm1::SavePairs() {
  if (CanSaveToPairFile()) {
    SavePairFile(pairFile_);
  } else {
    SavePairFileDialog();
  }
}

TForm1::CloseAnswer TForm1::AskAboutChanges() {
  if (closeAsker_) return closeAsker_();
  QMessageBox box(QMessageBox::Question, QStringLiteral("Kalvento"),
                  QStringLiteral("Änderungen an den Wertepaaren speichern?"), QMessageBox::NoButton,
                  this);
  QPushButton* save = box.addButton(QStringLiteral("Speichern"), QMessageBox::AcceptRole);
  QPushButton* discard = box.addButton(QStringLiteral("Verwerfen"), QMessageBox::DestructiveRole);
  QPushButton* cancel = box.addButton(QStringLiteral("Abbrechen"), QMessageBox::RejectRole);
  box.setDefaultButton(save);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == save) return CloseAnswer::kSave;
  if (box.clickedButton() == discard) return CloseAnswer::kDiscard;
  return CloseAnswer::kCancel;
}

bool TForm1::MayClose() {
  SG4->CommitOpenEditor();
  if (!SG4->HoldsPairs() || !SG4->IsModified()) return true;
  switch (AskAboutChanges()) {
    case CloseAnswer::kDiscard:
      return true;
    case CloseAnswer::kCancel:
      return false;
    case CloseAnswer::kSave:
      SavePairs();
      return !SG4->IsModified();  // a cancelled dialog or a failed write keeps it open
  }
  return false;
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (!closed_ && !MayClose()) {
    event->ignore();
    return;
  }
  // An orderly end: the recovery file goes, also when the changes were
  // not saved, since the user chose so.
  StopAutosave();
  FormClose();
  event->accept();
}

}  // namespace app
