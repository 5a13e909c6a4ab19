// The Airy functions Ai and Bi together: the power series near zero, an
// oscillating asymptotic form below -2.09, and asymptotic forms for Ai above
// 2.09 and for Bi above 8.3203353.

#include <cfloat>
#include <cmath>

#include "_grund/grund.h"
#include "sonderfunktionen/sonderfunktionen.h"

namespace sonderfunktionen {

namespace {

using grund::Extended;

constexpr Extended kInvSqrtPi = 0.5641895835477563L;  // 1/sqrt(pi)
constexpr Extended kAiAtZero = 0.3550280538878172L;
constexpr Extended kMinusAiSlopeAtZero = 0.2588194037928068L;
constexpr Extended kSqrt3 = 1.7320508075688772L;
constexpr Extended kQuarterPi = 0.78539816339744831L;

constexpr double kUpperLimit = 25.77;
constexpr double kTooLarge = 1e10;  // Bi above the upper limit
constexpr double kOscillatingBreak = -2.09;
constexpr double kAiAsymptoticBreak = 2.09;
constexpr double kBiAsymptoticBreak = 8.3203353;
constexpr Extended kSeriesTolerance = 5e-8L;
// The series needs 22 rounds at the largest argument it serves (8.32);
// the bound only guards against arguments that are not numbers.
constexpr int kMaxSeriesRounds = 200;

// Coefficients from the highest power down to the constant term.
constexpr Extended kAN[8] = {
    0.3465381015256290L, 12.00759527396458L, 76.27960536152345L, 168.0892249346306L,
    159.7563913501644L,  70.53609068404442L, 14.02646911633897L, 1.0L};
constexpr Extended kAD[8] = {
    0.5675945326387702L, 14.75625625848472L, 84.51389701414746L, 177.3180881454005L,
    164.2346928715297L,  71.47784008255757L, 14.09591356078340L, 1.0L};
constexpr Extended kAFN[9] = {
    -0.1316963234183318L,    -0.6264565444319124L,   -0.6931580360369335L,
    -0.2797799815451191L,    -0.04919001326095003L,  -0.004062659235948854L,
    -0.0001592764962392621L, -2.776491081552329e-6L, -1.677876984891146e-8L};
constexpr Extended kAFD[10] = {1.0L,
                               13.35604207065532L,
                               32.68250327952246L,
                               26.73670409414996L,
                               9.187074029072596L,
                               1.475291467716664L,
                               0.1156871737951880L,
                               0.004402916416152112L,
                               7.547203482874143e-5L,
                               4.518500929705804e-7L};
constexpr Extended kAGN[11] = {0.01973399320916857L,  0.3911030296156883L,    1.065798975995956L,
                               0.9391692298166502L,   0.3514656561055476L,    0.06338889196289255L,
                               0.005858041130483885L, 0.0002828516008367370L, 6.987936699972610e-6L,
                               8.117892395543893e-8L, 3.415517847659236e-10L};
constexpr Extended kAGD[11] = {1.0L,
                               9.308929080774420L,
                               19.83529287183121L,
                               15.56466289328646L,
                               5.476860694229755L,
                               0.9542936116189619L,
                               0.08645808263523922L,
                               0.004126565238242226L,
                               0.0001012590851165091L,
                               1.171667332144135e-6L,
                               4.918345700629300e-9L};
constexpr Extended kBN[5] = {-0.2532407958693642L, 0.5752851673324674L, -0.3299070368732254L,
                             0.06444040689482000L, -0.003825195466413367L};
constexpr Extended kBD[6] = {1.0L,
                             -7.156850950540352L,
                             10.60395807156647L,
                             -5.232466364712515L,
                             0.9573958643783838L,
                             -0.05508281471635496L};

// c[0] z^(N-1) + ... + c[N-1] by Horner's scheme.
template <int N>
Extended Polynomial(const Extended (&c)[N], Extended z) {
  Extended sum = c[0];
  for (int k = 1; k < N; ++k) sum = sum * z + c[k];
  return sum;
}

void Oscillating(Extended x, double& ai, double& bi) {
  Extended t = std::sqrt(-x);
  const Extended zeta = -2 * x * t / 3;
  // Below about -4.2e205 zeta leaves the double range; both functions have
  // decayed to well below 1e-50 there, and their phase is meaningless.
  if (!(zeta <= DBL_MAX)) {
    ai = 0;
    bi = 0;
    return;
  }
  t = std::sqrt(t);
  const Extended k = kInvSqrtPi / t;
  const Extended z = 1 / zeta;
  const Extended w = z * z;
  const Extended uf = 1 + w * Polynomial(kAFN, w) / Polynomial(kAFD, w);
  const Extended ug = z * Polynomial(kAGN, w) / Polynomial(kAGD, w);
  const Extended theta = zeta + kQuarterPi;
  const Extended f = std::sin(theta);
  const Extended g = std::cos(theta);
  ai = static_cast<double>(k * (f * uf - g * ug));
  bi = static_cast<double>(k * (g * uf + f * ug));
}

}  // namespace

void AiryAiBi(double x, double& ai, double& bi) {
  if (std::isnan(x)) {  // no value to give; 0 for both
    ai = 0;
    bi = 0;
    return;
  }
  if (x > kUpperLimit) {
    ai = 0;
    bi = kTooLarge;
    return;
  }
  if (x < kOscillatingBreak) {
    Oscillating(x, ai, bi);
    return;
  }
  bool aiSet = false;
  if (x > kAiAsymptoticBreak) {
    Extended t = std::sqrt(static_cast<Extended>(x));
    const Extended zeta = 2 * x * t / 3;
    const Extended g = std::exp(zeta);
    t = std::sqrt(t);  // x^(1/4)
    const Extended z = 1 / zeta;
    ai = static_cast<double>(kInvSqrtPi * (Polynomial(kAN, z) / Polynomial(kAD, z)) / (2 * t * g));
    aiSet = true;
    if (x > kBiAsymptoticBreak) {
      const Extended f = z * Polynomial(kBN, z) / Polynomial(kBD, z);
      bi = static_cast<double>(kInvSqrtPi * g * (1 + f) / t);
      return;
    }
  }
  // The power series of the two auxiliary functions f and g.
  Extended f = 1;
  Extended g = x;
  Extended t = 1;
  Extended uf = 1;
  Extended ug = x;
  Extended k = 1;
  const Extended z = static_cast<Extended>(x) * x * x;
  for (int round = 0; t > kSeriesTolerance && round < kMaxSeriesRounds; ++round) {
    uf *= z;
    k += 1;
    uf /= k;
    ug *= z;
    k += 1;
    ug /= k;
    uf /= k;
    f += uf;
    k += 1;
    ug /= k;
    g += ug;
    t = std::fabs(uf / f);
  }
  uf = kAiAtZero * f;
  ug = kMinusAiSlopeAtZero * g;
  if (!aiSet) ai = static_cast<double>(uf - ug);
  bi = static_cast<double>(kSqrt3 * (uf + ug));
}

}  // namespace sonderfunktionen
