// The term interpreter's parse-and-evaluate per call, against muparser's
// SetExpr + Eval of the same expression in the same run (muparser compiles to
// bytecode before it evaluates, so this is the cost of a term that changes
// from call to call, as the fit's and the plot's terms do).
//
// Run: build/bench/bench_fktint

#include <benchmark/benchmark.h>

#include <cmath>

#include "fktint/fktint.h"

#ifdef KALVENTO_HAVE_MUPARSER
#include <muParser.h>
#endif

namespace {

// The sine term as the fit writes it, and a longer term with nested
// functions; each with its muparser spelling.
constexpr const char* kSineTerm = "1,5*SIN(2*X+0,5)-1,25";
constexpr const char* kSineExpression = "1.5*sin(2*x+0.5)-1.25";
constexpr const char* kLongTerm =
    "2,5*SIN(1,3*X+0,4)*EXP(-X*X/8)+SQRT(ABS(COS(X/3))+1)-LN(X*X+2)/ARCTAN(X+2)+SINH(X/4)^2";
constexpr const char* kLongExpression =
    "2.5*sin(1.3*x+0.4)*exp(-x*x/8)+sqrt(abs(cos(x/3))+1)-ln(x*x+2)/atan(x+2)+sinh(x/4)^2";

// X moves through [0, 1) so no call sees a constant.
double NextX(double& x) {
  x += 0.001;
  if (x >= 1) x = 0;
  return x;
}

void EvaluateTerm(benchmark::State& state, const char* term) {
  double x = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(fktint::EvaluateTerm(term, NextX(x)));
  }
  if (fktint::EvalError != 0) state.SkipWithError("the term reported an error");
}
BENCHMARK_CAPTURE(EvaluateTerm, Sine, kSineTerm);
BENCHMARK_CAPTURE(EvaluateTerm, Long, kLongTerm);

#ifdef KALVENTO_HAVE_MUPARSER
void MuparserSetExprEval(benchmark::State& state, const char* expression, const char* term) {
  double x = 0;
  mu::Parser parser;
  parser.DefineVar("x", &x);
  // Both must compute the same value, or the comparison means nothing.
  for (const double probe : {0.1, 0.5, 0.9}) {
    x = probe;
    parser.SetExpr(expression);
    if (std::fabs(parser.Eval() - fktint::EvaluateTerm(term, probe)) > 1e-12) {
      state.SkipWithError("muparser and the interpreter disagree");
      return;
    }
  }
  for (auto _ : state) {
    NextX(x);
    parser.SetExpr(expression);
    benchmark::DoNotOptimize(parser.Eval());
  }
}
BENCHMARK_CAPTURE(MuparserSetExprEval, Sine, kSineExpression, kSineTerm);
BENCHMARK_CAPTURE(MuparserSetExprEval, Long, kLongExpression, kLongTerm);

// For reference: muparser's evaluation of an already compiled expression.
void MuparserEvalOnly(benchmark::State& state, const char* expression) {
  double x = 0;
  mu::Parser parser;
  parser.DefineVar("x", &x);
  parser.SetExpr(expression);
  for (auto _ : state) {
    NextX(x);
    benchmark::DoNotOptimize(parser.Eval());
  }
}
BENCHMARK_CAPTURE(MuparserEvalOnly, Sine, kSineExpression);
BENCHMARK_CAPTURE(MuparserEvalOnly, Long, kLongExpression);
#endif

}  // namespace

BENCHMARK_MAIN();
