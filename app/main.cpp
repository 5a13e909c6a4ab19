#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QLocale>
#include <QTimer>
#include <cstdio>
#include <string>
#include <vector>

#include "app/commandline.h"
#include "app/fitcall.h"
#include "app/fitcommand.h"
#include "app/recoveryfile.h"
#include "app/tform1.h"
#include "app/translations.h"

namespace {

// "kalvento --fit": no window and no display, only Qt's core.
int FitFiles(int argc, char* argv[], const app::CommandLine& command) {
  QCoreApplication core(argc, argv);
  app::InstallToolkitTranslations(core, QLocale());
  QStringList arguments;
  for (const std::string& argument : command.fitArguments)
    arguments << QString::fromLocal8Bit(argument.c_str());
  const app::FitCallReading reading = app::ReadFitCall(arguments);
  switch (reading.outcome) {
    case app::FitCallReading::Outcome::kHelp:
      std::fputs(app::FitHelpText().c_str(), stdout);
      return 0;
    case app::FitCallReading::Outcome::kRefuse:
      std::fputs(reading.message.c_str(), stderr);
      return 2;
    case app::FitCallReading::Outcome::kFit:
      break;
  }
  return app::RunFitCommand(reading.call, stdout, stderr);
}

}  // namespace

int main(int argc, char* argv[]) {
  // The arguments are read before Qt starts: "--version" and "--help" need
  // no display, and a refused command line opens no window.
  app::CommandLine command = app::ReadCommandLine({argv + 1, argv + argc});
  if (command.action == app::CommandLine::Action::kFit) return FitFiles(argc, argv, command);
  if (command.action != app::CommandLine::Action::kStart) {
    return app::Answer(command, stdout, stderr);
  }
  // Qt sees the program's name and its own options only.
  std::vector<char*> toolkitArgv = app::ToolkitArgv(argv[0], command);
  int toolkitArgc = static_cast<int>(toolkitArgv.size()) - 1;
  QApplication application(toolkitArgc, toolkitArgv.data());
  app::InstallToolkitTranslations(application, QLocale());
  TForm1 form;
  form.show();
  // The work of windows that ended in a crash is offered back once the
  // window is up, and from now on this window's own is kept safe. Then
  // "kalvento FILE", as a file manager's "open with" calls it: the pair
  // file or session opens, so that a message has a window to stand on.
  const QString path =
      command.file.empty() ? QString() : QFile::decodeName(command.file.c_str());
  const QString recoveryFolder = app::RecoveryFile::DefaultFolder();
  form.StartAutosave(recoveryFolder);
  QTimer::singleShot(0, &form, [&form, path, recoveryFolder] {
    form.OfferRecovery(recoveryFolder, !path.isEmpty());
    if (!path.isEmpty()) form.OpenFile(path);
  });
  return QApplication::exec();
}
