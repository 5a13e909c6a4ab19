#pragma once
// Special functions behind the term interpreter's names GAMMA, BETA, GAMMALN,
// DIGAMMA, BESSJ0, BESSJ1, AI, BI, SN, CN, DN, SI, CI, EI and EULERPHI.
// Routines report failure either through fktint::EvalError or through a
// failure flag owned by the caller, as each declaration says. Every result is
// finite and every routine ends promptly, whatever the argument.

#include <cstdint>

namespace sonderfunktionen {

// Gamma function by the polynomial of degree 8 (error about 3e-7), for
// x <= 43. Poles and x > 43: EvalError := 4, result 0.
double GammaPoly(double x);
// ln Gamma(x) by a six-term Lanczos series, for -4.5 < x <= 20.5.
// Failure: failed := true, result 0.
double LnGamma(double x, bool& failed);
// The digamma function. Failure (poles): failed := true, result 0.
double Digamma(double x, bool& failed);

// The dispatcher for the flag-reporting routines: code 2 LnGamma, 4 BesselJ0,
// 5 BesselJ1, 16 Digamma. Clears `failed` and EvalError on entry.
double SpecialFunction(std::uint8_t code, bool& failed, double x, double a);
double BesselJ0(double x);
double BesselJ1(double x);
double SignOf(double x);  // +1 for x >= 0, otherwise -1

// Ai(x) and Bi(x) together. Never fails.
void AiryAiBi(double x, double& ai, double& bi);
// Jacobian elliptic sn, cn, dn of u for the complementary parameter mc = 1 - k^2.
void JacobiSnCnDn(double u, double mc, double& sn, double& cn, double& dn);

// Sine, cosine and exponential integrals by their power series; outside
// 0 < x < 50 (Ei: 0 < x < 40) EvalError := 2, result 0.
double SineIntegral(double x);
double CosineIntegral(double x);
double ExpIntegral(double x);
// Euler's totient of x rounded; outside 1..10000 EvalError := 1, result 0.
double EulerPhi(double x);
std::int32_t Gcd(std::int32_t a, std::int32_t b);

// The regularised upper incomplete gamma function Q(a, x) = Γ(a, x) / Γ(a)
// for a > 0 and x >= 0, to some 1e-12 relative for a up to 10^6 (the
// probability of a χ² of ν degrees of freedom above χ² is Q(ν/2, χ²/2)).
// Not a built-in of the interpreter: outside that domain it gives NaN.
double RegularizedGammaQ(double a, double x);

}  // namespace sonderfunktionen
