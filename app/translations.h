#pragma once
// Qt's own German texts (file dialogs, message-box buttons, the edit
// fields' context menus), so that every dialog is German like the window.

class QCoreApplication;
class QLocale;

namespace app {

// Installs Qt's translations for `locale` when it is German and the files
// are there; true when they were installed. A missing file is no error: the
// dialogs then stay as Qt ships them.
bool InstallToolkitTranslations(QCoreApplication& application, const QLocale& locale);

}  // namespace app
