#include "app/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace app {

bool InstallToolkitTranslations(QCoreApplication& application, const QLocale& locale) {
  if (locale.language() != QLocale::German) return false;
  auto* translator = new QTranslator(&application);
  // "qt" loads the module catalogues (qtbase and the others) beside it.
  if (!translator->load(locale, QStringLiteral("qt"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  QCoreApplication::installTranslator(translator);
  return true;
}

}  // namespace app
