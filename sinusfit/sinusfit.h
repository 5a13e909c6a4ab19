#pragma once
// The fit of y = a·sin(b·x + c) + d, without Qt: the public header of the
// unit, which the window includes. Its parts have headers of their own:
//
//   fitdata.h        the pairs of a computation (with Δy) and its ceiling
//   textprecision.h  the decimals of a computation's texts
//   computation.h    Computation: one press of "Berechnung", and the scan's hint
//   uncertainties.h  the check of the table's Δy cells
//   normalsystem.h   the model, its derivatives and the linear solver
//   sinefit.h        SineFit: the passes of random starts and their scoring
//   frequencyscan.h  the extra pass that scans b with a periodogram
//   resulttext.h     the term text, the result entry, the list's orders and
//                    the plot list of a chosen result
//   fitstatistics.h  standard errors, R², RMSE, χ² and P, and their German text
//   resultexport.h   the copied lines and the CSV of the result list
//   model.h          the models to choose from (trend, damped) and their interface
//   modelfit.h       the search for the models beside the sine
//   modelstatistics.h  standard errors and derived quantities of any model
//   significance.h   the false-alarm probability and S/N of a period
//   powercurve.h       the periodogram to look at

#include "sinusfit/computation.h"
#include "sinusfit/fitdata.h"
#include "sinusfit/fitstatistics.h"
#include "sinusfit/frequencyscan.h"
#include "sinusfit/model.h"
#include "sinusfit/modelfit.h"
#include "sinusfit/modelstatistics.h"
#include "sinusfit/normalsystem.h"
#include "sinusfit/resultexport.h"
#include "sinusfit/resulttext.h"
#include "sinusfit/significance.h"
#include "sinusfit/powercurve.h"
#include "sinusfit/sinefit.h"
#include "sinusfit/textprecision.h"
#include "sinusfit/uncertainties.h"
