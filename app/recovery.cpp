// Autosave and recovery: a few seconds after any change, and before every
// computation, the window's session goes into its recovery file; closing
// the window removes it. A start after a crash offers the sessions of the
// windows that are gone.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <memory>

#include "app/autosaver.h"
#include "app/controls.h"
#include "app/recoveryfile.h"
#include "app/sessioncapture.h"
#include "app/tform1.h"
#include "app/valuetable.h"
#include "wertedatei/session.h"

namespace app {

void TForm1::StartAutosave(const QString& folder) {
  if (autosaver_ != nullptr) return;
  // The state is copied on the window's thread; the worker turns the copy
  // into the file's text.
  autosaver_ = std::make_unique<AutoSaver>(folder, [this] {
    auto capture = std::make_shared<SessionCapture>(StartCapture());
    return AutoSaver::SaveJob([capture] {
      return QByteArray::fromStdString(wertedatei::WriteSession(std::move(*capture).Finish()));
    });
  });
  connect(autosaver_.get(), &AutoSaver::WriteFailed, this, [this](const QString& message) {
    // Said once: a full disk stays full, and a dialog after every change
    // would keep the user from saving elsewhere.
    if (autosaveFailureShown_) return;
    autosaveFailureShown_ = true;
    ShowMessage(message + QStringLiteral("\n\nDie Wertepaare werden bis zum Speichern nicht "
                                         "gegen einen Absturz gesichert."));
  });
  WatchForChanges();
}

void TForm1::WatchForChanges() {
  const auto changed = [this] { StateChanged(); };
  connect(SG4, &ValueTable::PairsChanged, this, changed);
  connect(SG4, &ValueTable::UndoStateChanged, this, changed);
  for (QLineEdit* field : {Edit1, Edit2, Edit3, Edit4, Edit5})
    connect(field, &QLineEdit::textChanged, this, changed);
  for (QRadioButton* mode : {rt1, rt2, rt3, rt4, rt5}) connect(mode, &QRadioButton::toggled, this, changed);
  connect(CheckFrequenzsuche, &QCheckBox::toggled, this, changed);
  connect(ComboZielfunktion, &QComboBox::currentIndexChanged, this, changed);
  connect(SpinFrequenzen, &QSpinBox::valueChanged, this, changed);
  connect(Listbox1, &QListWidget::currentRowChanged, this, changed);
  for (QAction* action : {actionShowResiduals, actionResultInPlot, actionPeriodogram,
                          actionPeriodAxis, actionSpectralWindow, actionSortByError})
    connect(action, &QAction::toggled, this, changed);
}

void TForm1::StateChanged() {
  if (autosaver_ != nullptr) autosaver_->Changed();
}

void TForm1::StopAutosave() {
  if (autosaver_ == nullptr) return;
  autosaver_->Stop();
  autosaver_.reset();
}

qint64 TForm1::LongestAutosavePauseNs() const {
  return autosaver_ != nullptr ? autosaver_->LongestPauseNs() : 0;
}

TForm1::RecoveryAnswer TForm1::AskAboutRecovery(const QDateTime& saved) {
  if (recoveryAsker_) return recoveryAsker_(saved);
  QMessageBox box(QMessageBox::Question, QStringLiteral("Kalvento"),
                  QStringLiteral("Kalvento wurde nicht ordnungsgemäß beendet. Die Wertepaare vom "
                                 "%1 wiederherstellen?")
                      .arg(saved.toString(QStringLiteral("dd.MM.yyyy HH:mm"))),
                  QMessageBox::NoButton, this);
  QPushButton* recover = box.addButton(QStringLiteral("Wiederherstellen"), QMessageBox::AcceptRole);
  QPushButton* discard = box.addButton(QStringLiteral("Verwerfen"), QMessageBox::DestructiveRole);
  box.setDefaultButton(recover);
  box.setEscapeButton(discard);
  box.exec();
  return box.clickedButton() == recover ? RecoveryAnswer::kRecover : RecoveryAnswer::kDiscard;
}

int TForm1::OfferRecovery(const QString& folder, bool keepThisWindow) {
  int recovered = 0;
  for (RecoveryOrphan& orphan : RecoveryFile::ClaimOrphans(folder)) {
    const QByteArray bytes = orphan.Read();
    wertedatei::SessionReading reading =
        wertedatei::ReadSession(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    // A file cut short by the crash itself holds nothing to offer: the
    // writes are atomic, so this is a foreign or damaged file; it stays.
    if (!reading.session) continue;
    if (AskAboutRecovery(orphan.Time()) != RecoveryAnswer::kRecover) {
      orphan.Discard();
      continue;
    }
    // The first goes into this window, any further one into a window of
    // its own, so that no recovered work replaces another.
    TForm1* target = this;
    if (recovered > 0 || keepThisWindow) {
      target = new TForm1;
      target->setAttribute(Qt::WA_DeleteOnClose);
      target->CollectMessages(collectMessages_);
      target->SetRecoveryQuestion(recoveryAsker_);
      target->show();
      if (autosaver_ != nullptr) target->StartAutosave(folder);
    }
    // Recovered pairs are unsaved until the user saves them.
    reading.session->pairsModified = true;
    target->ApplySession(std::move(*reading.session));
    target->StateChanged();
    if (target->autosaver_ != nullptr) target->autosaver_->SaveNow();
    orphan.Discard();
    ++recovered;
  }
  return recovered;
}

}  // namespace app
