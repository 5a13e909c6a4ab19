#pragma once
// The fit of y = a·sin(b·x + c) + d, without Qt: the public header of the
// unit, which the window includes. Its parts have headers of their own:
//
//   normalsystem.h   the model, its derivatives and the linear solver
//   sinefit.h        SineFit: the passes of random starts and their scoring
//   frequencyscan.h  the extra pass that scans b with a periodogram
//   resulttext.h     the term text, the result entry, the list's order and
//                    the plot list of a chosen result
//   fitstatistics.h  standard errors, R² and RMSE, and their German text
//   resultexport.h   the copied lines and the CSV of the result list

#include "sinusfit/fitstatistics.h"
#include "sinusfit/frequencyscan.h"
#include "sinusfit/normalsystem.h"
#include "sinusfit/resultexport.h"
#include "sinusfit/resulttext.h"
#include "sinusfit/sinefit.h"
