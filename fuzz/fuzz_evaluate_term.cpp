// EvaluateTerm on arbitrary bytes. The first byte chooses X: one of the
// values that break naive arithmetic (zero, huge, infinite, not a number),
// a small integer, or any double taken from the next eight bytes. The rest
// is the term text.
//
// Checked: the result is finite, the code is 0 to 4, the nesting count is
// back at 0, the same input evaluated again gives the same result (a read of
// uninitialised memory would show here), and no input takes longer than the
// time limit.

#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>

#include "_grund/grund.h"
#include "fktint/fktint.h"
#include "fktint/parse_state.h"
#include "fuzz/fuzz_support.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kSpecialX[] = {0.0,
                                -0.0,
                                kInf,
                                -kInf,
                                kNaN,
                                -kNaN,
                                std::numeric_limits<double>::max(),
                                std::numeric_limits<double>::lowest(),
                                std::numeric_limits<double>::denorm_min(),
                                std::numeric_limits<double>::min(),
                                1e10,
                                -1e10,
                                1e300,
                                -1e300,
                                9.2233720368547758e18,  // 2^63
                                -9.2233720368547758e18,
                                2147483648.0,  // 2^31
                                -2147483649.0,
                                0.5,
                                -0.5,
                                1e-300,
                                3.141592653589793,
                                1.5707963267948966};
constexpr int kSpecialCount = static_cast<int>(std::size(kSpecialX));

double PickX(fuzz::ByteReader& in) {
  const int selector = in.Byte();
  if (selector < kSpecialCount) return kSpecialX[selector];
  if (selector < 192) return selector - 128;  // small integers, where step functions turn
  return in.RawDouble();
}

struct Outcome {
  double value;
  int code;
};

Outcome Evaluate(std::string_view term, double x) {
  // The registers and the generator that terms can change start as at
  // program start, so every input is reproducible on its own.
  fktint::ParamP = 0;
  grund::ProcessRandom().SetSeed(0);
  const double value = fktint::EvaluateTerm(term, x);
  return {value, fktint::EvalError};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::ByteReader in(data, size);
  const double x = PickX(in);
  const std::string_view term = in.Rest();

  const fuzz::InputTimer timer;
  const Outcome first = Evaluate(term, x);
  timer.Check();

  FUZZ_CHECK(std::isfinite(first.value));
  FUZZ_CHECK(first.code <= 4);
  FUZZ_CHECK(fktint::NestingDepth == 0);

  const Outcome second = Evaluate(term, x);
  FUZZ_CHECK(std::memcmp(&first.value, &second.value, sizeof(double)) == 0);
  FUZZ_CHECK(first.code == second.code);
  return 0;
}
