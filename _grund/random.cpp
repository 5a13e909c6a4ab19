#include "_grund/grund.h"

namespace grund {

double RandomGenerator::NextFraction() {
  Step();
  return static_cast<double>(seed_) / 4294967296.0;
}

std::uint32_t RandomGenerator::NextBelow(std::uint32_t n) {
  Step();
  return static_cast<std::uint32_t>((static_cast<std::uint64_t>(seed_) * n) >> 32);
}

RandomGenerator& ProcessRandom() {
  // One per thread: the window's is its own thread's; files fitted on
  // other threads each start from a generator of their own.
  static constinit thread_local RandomGenerator generator;
  return generator;
}

std::array<std::string, 6> UserFunctionText;

}  // namespace grund
