#pragma once
// The arguments of the batch mode without a window,
//
//   kalvento --fit [OPTIONEN] DATEI...
//
// read into what is to be fitted and how, or refused with a German message
// (exit code 2, decided by the caller). Only the reading is here: the fit and
// its output live elsewhere. Qt Core's QCommandLineParser takes the options
// apart (no QCoreApplication needed); the refusals and the help are our own,
// since Qt's are English.
//
// Options take their value as "--opt WERT" or "--opt=WERT", one dash names an
// option as two do ("-json" is "--json", never "-j -s -o -n"), "--" ends the
// options, and "-h" or "--help" asks for the help whatever else is given.

#include <QString>
#include <QStringList>
#include <optional>
#include <string>

#include "sinusfit/model.h"
#include "sinusfit/normalsystem.h"
#include "wertedatei/wertedatei.h"

namespace app {

struct FitCall {
  sinusfit::ModelKind model = sinusfit::ModelKind::kSine;  // --zielfunktion
  // The sums' count of sines (--frequenzen); 0: "automatisch".
  int frequencies = 0;
  // --max-b: the bound on |b| as typed; the interpreter judges the term.
  QString bound = QStringLiteral("200");
  bool scan = false;  // --frequenzsuche
  // --fest a=WERT: kFixedA .. kFixedD and the term after "=".
  sinusfit::FitMode mode = sinusfit::FitMode::kAllFree;
  QString heldValue;
  // --spalten, counted from 0 here; none: the columns the window would propose.
  std::optional<wertedatei::ColumnChoice> columns;
  bool json = false;  // --json: JSON Lines instead of CSV
  int jobs = 0;       // --jobs; 0: one per core
  QStringList files;  // at least one, none empty
};

struct FitCallReading {
  enum class Outcome { kFit, kHelp, kRefuse };
  Outcome outcome = Outcome::kRefuse;
  FitCall call;  // kFit
  // kRefuse: what to tell the user on the error output (UTF-8), ending in a
  // newline.
  std::string message;
};

// Reads the arguments after "--fit" (argv[2] onwards, as
// QString::fromLocal8Bit gives them).
FitCallReading ReadFitCall(const QStringList& arguments);

// The German help "kalvento --fit --help" prints (UTF-8).
std::string FitHelpText();

}  // namespace app
