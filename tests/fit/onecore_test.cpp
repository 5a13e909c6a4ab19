// A computation kept to one core gives the bits it gives with a second core
// sharing its candidates and long loops (as fits of several files at once
// keep each of their threads to one).

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "_grund/grund.h"
#include "sinusfit/computation.h"

namespace {

struct Pass {
  std::string entry;
  std::vector<double> values;
  double a = 0, b = 0, c = 0, d = 0;
  bool operator==(const Pass&) const = default;
};

Pass OnePass(sinusfit::ModelKind model, std::size_t pairs, bool oneCore) {
  sinusfit::FitData data;
  for (std::size_t i = 0; i < pairs; ++i) {
    const double x = 0.01 * static_cast<double>(i);
    data.x.push_back(x);
    data.y.push_back(2 * std::exp(-0.01 * x) * std::sin(1.3 * x + 0.4) + 0.1 * std::sin(91.0 * x));
  }
  grund::ProcessRandom().SetSeed(0);
  grund::KeepToOneCore(oneCore);
  sinusfit::Computation computation(model, sinusfit::FitMode::kAllFree, 0, std::move(data));
  const auto result = computation.RunPass([] { return 200.0; }, [] { return true; });
  grund::KeepToOneCore(false);
  if (!result) return {};
  const sinusfit::ModelParameters& p = result->parameters;
  return {result->entry, result->values, p.a, p.b, p.c, p.d};
}

TEST(OneCore, GivesTheSameBitsAsTwo) {
  struct Case {
    sinusfit::ModelKind model;
    std::size_t pairs;
  };
  // The table's scale, and beyond the thresholds of the long loops' halves.
  const Case cases[] = {{sinusfit::ModelKind::kSine, 200},
                        {sinusfit::ModelKind::kSine, 140000},
                        {sinusfit::ModelKind::kDampedOscillation, 70000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pairs);
    const Pass two = OnePass(c.model, c.pairs, false);
    EXPECT_FALSE(two.entry.empty());
    EXPECT_EQ(OnePass(c.model, c.pairs, true), two);
  }
}

}  // namespace
