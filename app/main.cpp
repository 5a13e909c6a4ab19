#include <QApplication>
#include <QStringList>
#include <QTimer>

#include "app/tform1.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationDisplayName("Kalvento");
  TForm1 form;
  form.show();
  // "kalvento FILE", as a file manager's "open with" calls it: the pair file
  // opens once the window is up, so that a message has a window to stand on.
  const QStringList arguments = QApplication::arguments();
  // Options Qt does not know are not taken for file names.
  if (arguments.size() > 1 && !arguments.at(1).startsWith(QLatin1Char('-'))) {
    const QString path = arguments.at(1);
    QTimer::singleShot(0, &form, [&form, path] { form.OpenPairFile(path); });
  }
  return QApplication::exec();
}
