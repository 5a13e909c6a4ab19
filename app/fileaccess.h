#pragma once
// What the pair files and the exports share: the German file dialog, file
// names in messages, and writing a file so that a failure leaves the old one
// as it was.

#include <QFileDialog>
#include <QString>
#include <QStringList>
#include <string_view>

namespace app {

// A file dialog with German captions also where Qt's own dialog is used.
class FileDialog : public QFileDialog {
 public:
  FileDialog(QWidget* parent, const QString& caption, const QString& folder, bool save);
  // Name filters paired with the suffix a bare file name gets under them.
  void SetFilters(const QStringList& filters, const QStringList& suffixes);
  // The chosen file, or an empty text when the user cancelled; `folder`
  // becomes the chosen file's folder.
  QString Run(QString& folder);
};

// The file's name in German quotes, as the messages name it.
QString Quoted(const QString& path);

// Writes `bytes` to `path` through a temporary file that replaces the old
// one only once everything is written. Returns the reason of a failure, or
// an empty text.
QString WriteAtomically(const QString& path, std::string_view bytes);

}  // namespace app
