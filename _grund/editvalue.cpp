#include "_grund/grund.h"
#include "fktint/fktint.h"

namespace grund {

double ReadEditValue(std::string_view text) {
  std::string term(text);
  for (char& c : term) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c == ',') c = '.';
  }
  fktint::EvalError = 0;
  const double value = fktint::EvaluateTerm(term, 1.0);
  return fktint::EvalError != 0 ? 0 : value;
}

}  // namespace grund
