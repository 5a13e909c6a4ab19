#include "app/fileaccess.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QSaveFile>

#include "app/tform1.h"

namespace app {

FileDialog::FileDialog(QWidget* parent, const QString& caption, const QString& folder, bool save)
    : QFileDialog(parent, caption, folder) {
  setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  setLabelText(QFileDialog::LookIn, QStringLiteral("Suchen in:"));
  setLabelText(QFileDialog::FileName, QStringLiteral("Dateiname:"));
  setLabelText(QFileDialog::FileType, QStringLiteral("Dateityp:"));
  setLabelText(QFileDialog::Accept, save ? QStringLiteral("Speichern") : QStringLiteral("Öffnen"));
  setLabelText(QFileDialog::Reject, QStringLiteral("Abbrechen"));
}

void FileDialog::SetFilters(const QStringList& filters, const QStringList& suffixes) {
  setNameFilters(filters);
  setDefaultSuffix(suffixes.front());
  connect(this, &QFileDialog::filterSelected, this,
          [this, filters, suffixes](const QString& filter) {
            const qsizetype i = filters.indexOf(filter);
            if (i >= 0) setDefaultSuffix(suffixes[i]);
          });
}

QString FileDialog::Run(QString& folder) {
  if (exec() != QDialog::Accepted || selectedFiles().isEmpty()) return {};
  const QString path = selectedFiles().front();
  folder = QFileInfo(path).absolutePath();
  return path;
}

QString Quoted(const QString& path) {
  return QStringLiteral("„%1“").arg(QFileInfo(path).fileName());
}

QString WriteAtomically(const QString& path, std::string_view bytes) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return file.errorString();
  if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
      static_cast<qint64>(bytes.size())) {
    const QString reason = file.errorString();
    file.cancelWriting();
    return reason;
  }
  if (!file.commit()) return file.errorString();
  return {};
}

void TForm1::ShowMessage(const QString& text, bool warning) {
  lastMessage_ = text;
  ++messagesShown_;
  if (collectMessages_) return;
  QMessageBox box(warning ? QMessageBox::Warning : QMessageBox::Information,
                  QStringLiteral("Kalvento"), text, QMessageBox::Ok, this);
  box.exec();
}

bool TForm1::CheckSaved(const QString& path, const QString& failure) {
  if (failure.isEmpty()) return true;
  ShowMessage(QStringLiteral("Die Datei %1 konnte nicht gespeichert werden:\n%2")
                  .arg(Quoted(path), failure));
  return false;
}

}  // namespace app
