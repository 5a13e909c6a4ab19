#pragma once
// "kalvento --fit": every file fitted without a window, on several threads,
// and one result line per file printed in the order the files were given,
// as CSV (the results export's columns after the file's name, ";" and a
// decimal comma, one heading) or as JSON Lines. What cannot be fitted is
// named on the error output and, in JSON, given its own line; the others go
// on. Each file starts from a fresh program's generator, so the output does
// not depend on the number of threads or on the other files.

#include <cstdio>

#include "app/fitcall.h"

namespace app {

// Why a call's terms cannot be computed (German, UTF-8); empty when they can.
std::string RefusedTerms(const FitCall& call);

// Fits the call's files and prints the results on out, failures and notes on
// err. Returns the exit code: 0 when every file was fitted, 1 otherwise (or
// when the output could not be written), 2 when a term of the call is refused.
int RunFitCommand(const FitCall& call, std::FILE* out, std::FILE* err);

}  // namespace app
