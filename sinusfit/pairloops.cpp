// Four pairs at a time in the compiler's vector types (GCC and Clang): on
// a plain x86-64 they become SSE2 instructions, with AVX where the build
// allows it. The sine and cosine are a Cody-Waite reduction by π/2 and the
// usual minimax polynomials on [−π/4, π/4]. This file is compiled without
// contracting a·b + c into one rounding, so that a term's values are rounded
// step by step as the interpreter rounds them.

#include "sinusfit/pairloops.h"

#include <cmath>
#include <cstdint>
#include <cstring>

// Every function taking or giving a vector is inlined, so the note about
// the calling convention of 32-byte vectors without AVX does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

// Each loop is built twice, for AVX2 (four lanes in one register) and for
// the plain x86-64, and the loader picks the one the processor runs. No FMA:
// both compute the same operations, so they give the same bits.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define KALVENTO_WIDE_VECTORS __attribute__((target_clones("avx2", "default")))
#else
#define KALVENTO_WIDE_VECTORS
#endif

namespace sinusfit::pairloops {

namespace {

typedef double D4 __attribute__((vector_size(32)));
typedef std::uint64_t U4 __attribute__((vector_size(32)));

// π/2 in three parts, the first two of 33 significant bits, so that k·part
// is exact for |k| < 2^20.
constexpr double kPio2Part1 = 1.57079632673412561417e+00;
constexpr double kPio2Part2 = 6.07710050630396597660e-11;
constexpr double kPio2Part3 = 2.02226624879595063154e-21;
constexpr double kTwoOverPi = 6.36619772367581382433e-01;
// Adding and subtracting 1.5·2^52 rounds to the nearest integer, and the
// low bits of the sum are that integer modulo 4.
constexpr double kRoundMagic = 6755399441055744.0;
// sin r ≈ r + r·z·S(z) and cos r ≈ 1 − z/2 + z²·C(z), z = r², |r| ≤ π/4.
constexpr double kS1 = -1.66666666666666324348e-01, kS2 = 8.33333333332248946124e-03,
                 kS3 = -1.98412698298579493134e-04, kS4 = 2.75573137070700676789e-06,
                 kS5 = -2.50507602534068634195e-08, kS6 = 1.58969099521155010221e-10;
constexpr double kC1 = 4.16666666666666019037e-02, kC2 = -1.38888888888741095749e-03,
                 kC3 = 2.48015872894767294178e-05, kC4 = -2.75573143513906633035e-07,
                 kC5 = 2.08757232129817482790e-09, kC6 = -1.13596475577881948265e-11;

constexpr std::size_t kLanes = 4;

[[gnu::always_inline]] inline D4 Splat(double v) { return D4{v, v, v, v}; }

// Lanes from `count` (≤ 4) values at p, the rest 0.
[[gnu::always_inline]] inline D4 Load(const double* p, std::size_t count) {
  D4 v = Splat(0);
  if (count == kLanes) {
    std::memcpy(&v, p, sizeof v);
  } else {
    for (std::size_t i = 0; i < count; ++i) v[i] = p[i];
  }
  return v;
}

[[gnu::always_inline]] inline D4 Weights(const double* w, std::size_t count) {
  if (w) return Load(w, count);
  D4 v = Splat(0);
  for (std::size_t i = 0; i < count; ++i) v[i] = 1;
  return v;
}

// Pairs i to i + 3 (those that exist; the others with weight 0).
struct Group {
  D4 x, y, w;
};
[[gnu::always_inline]] inline Group LoadGroup(const PairSpan& pairs, std::size_t i) {
  const std::size_t count = pairs.n - i < kLanes ? pairs.n - i : kLanes;
  return {Load(pairs.x + i, count), Load(pairs.y + i, count),
          Weights(pairs.w ? pairs.w + i : nullptr, count)};
}

typedef std::int64_t I4 __attribute__((vector_size(32)));

[[gnu::always_inline]] inline D4 Abs(D4 v) {
  return (D4)((U4)v & ~(U4{1, 1, 1, 1} << 63));
}
// Whether a lane of a comparison's mask is set; one test per group of four.
[[gnu::always_inline]] inline bool AnyLane(I4 mask) {
  return (mask[0] | mask[1] | mask[2] | mask[3]) != 0;
}

[[gnu::always_inline]] inline double Total(D4 v) { return (v[0] + v[1]) + (v[2] + v[3]); }

// sin and cos of four arguments; lanes beyond the reduced range (or not
// finite) from the library.
[[gnu::always_inline]] inline void SinCos4(D4 x, D4& sine, D4& cosine) {
  const D4 t = x * kTwoOverPi + kRoundMagic;
  const D4 k = t - kRoundMagic;
  const U4 q = (U4)t;
  D4 r = x - k * kPio2Part1;
  r = r - k * kPio2Part2;
  r = r - k * kPio2Part3;
  const D4 z = r * r;
  const D4 s = r + r * z * (kS1 + z * (kS2 + z * (kS3 + z * (kS4 + z * (kS5 + z * kS6)))));
  const D4 c =
      1.0 - 0.5 * z + z * z * (kC1 + z * (kC2 + z * (kC3 + z * (kC4 + z * (kC5 + z * kC6)))));
  // Quadrant q: sin x = s, c, −s, −c and cos x = c, −s, −c, s.
  const U4 odd = -(q & 1);
  const U4 sBits = (U4)s, cBits = (U4)c;
  U4 sinBits = (sBits & ~odd) | (cBits & odd);
  U4 cosBits = (cBits & ~odd) | (sBits & odd);
  sinBits ^= (q & 2) << 62;
  cosBits ^= ((q + 1) & 2) << 62;
  sine = (D4)sinBits;
  cosine = (D4)cosBits;
  if (AnyLane(!(Abs(x) <= kReducedRange))) {
    for (std::size_t i = 0; i < kLanes; ++i) {
      if (!(std::fabs(x[i]) <= kReducedRange)) {
        sine[i] = std::sin(x[i]);
        cosine[i] = std::cos(x[i]);
      }
    }
  }
}

// The interpreter's cap of products and values.
constexpr double kInterpreterCap = 1e10;

}  // namespace

KALVENTO_WIDE_VECTORS void SinCos(const double* arg, double* sine, double* cosine, std::size_t n) {
  for (std::size_t i = 0; i < n; i += kLanes) {
    const std::size_t count = n - i < kLanes ? n - i : kLanes;
    D4 s, c;
    SinCos4(Load(arg + i, count), s, c);
    for (std::size_t l = 0; l < count; ++l) {
      sine[i + l] = s[l];
      cosine[i + l] = c[l];
    }
  }
}

// The three loops below share the loading of a group, not the walk: a
// walker taking the body as a lambda made SumNormal's fifteen sums spill and
// the million-pair computation 18 % slower.
KALVENTO_WIDE_VECTORS NormalSums SumNormal(const PairSpan& pairs, const Model& m) {
  // Σ w·r·cos·x' and Σ w·r·cos serve the right side of b and ph (times a)
  // and the second derivatives by a and b or ph alike; Σ w·r·sin·x'^k the
  // others.
  D4 gaa = Splat(0), gab = gaa, gap = gaa, gad = gaa, gbb = gaa, gbp = gaa, gbd = gaa, gpp = gaa,
     gpd = gaa, gdd = gaa, ra = gaa, rd = gaa, e = gaa;
  D4 rcx = gaa, rc = gaa, rsxx = gaa, rsx = gaa, rs = gaa;
  for (std::size_t i = 0; i < pairs.n; i += kLanes) {
    const auto [x, y, w] = LoadGroup(pairs, i);
    D4 sn, cs;
    SinCos4(m.b * x + m.ph, sn, cs);
    const D4 res = y - (m.a * sn + m.d);
    const D4 acs = m.a * cs;
    const D4 xb = x + m.bOffset;
    const D4 jb = acs * xb;
    const D4 wa = w * sn, wb = w * jb, wp = w * acs;
    gaa += wa * sn; gab += wa * jb; gap += wa * acs; gad += wa;
    gbb += wb * jb; gbp += wb * acs; gbd += wb;
    gpp += wp * acs; gpd += wp;
    gdd += w;
    const D4 wr = w * res, wrc = wr * cs, wrs = wr * sn;
    ra += wrs; rd += wr;
    e += wr * res;
    rcx += wrc * xb; rc += wrc;
    rsxx += wrs * xb * xb; rsx += wrs * xb; rs += wrs;
  }
  NormalSums out;
  // Σ w·r·∂²f: ∂²f/∂a∂b = x'·cos, ∂²f/∂a∂ph = cos, and ∂²f/∂b² = −a·x'²·sin,
  // ∂²f/∂b∂ph = −a·x'·sin, ∂²f/∂ph² = −a·sin (x' = x + bOffset).
  out.h[0][1] = Total(rcx);
  out.h[0][2] = Total(rc);
  out.h[1][1] = -m.a * Total(rsxx);
  out.h[1][2] = -m.a * Total(rsx);
  out.h[2][2] = -m.a * Total(rs);
  out.g[0] = {Total(gaa), Total(gab), Total(gap), Total(gad)};
  out.g[1][1] = Total(gbb);
  out.g[1][2] = Total(gbp);
  out.g[1][3] = Total(gbd);
  out.g[2][2] = Total(gpp);
  out.g[2][3] = Total(gpd);
  out.g[3][3] = Total(gdd);
  out.r = {Total(ra), m.a * Total(rcx), m.a * Total(rc), Total(rd)};
  out.error = Total(e);
  return out;
}

KALVENTO_WIDE_VECTORS double SumResidual(const PairSpan& pairs, const Model& m) {
  D4 e = Splat(0);
  for (std::size_t i = 0; i < pairs.n; i += kLanes) {
    const auto [x, y, w] = LoadGroup(pairs, i);
    D4 sn, cs;
    SinCos4(m.b * x + m.ph, sn, cs);
    const D4 res = y - (m.a * sn + m.d);
    e += w * res * res;
  }
  return Total(e);
}

KALVENTO_WIDE_VECTORS double SumTermResidual(const PairSpan& pairs, double a, double b, double c, double d) {
  // The interpreter's product of operands of 10^10 and more is 10^10, and
  // so is a value above 10^10. The term's leading minus is applied to the
  // capped product; the one of b stands inside the parenthesis and is not.
  const bool bCapped = !(std::fabs(b) < kInterpreterCap);
  const bool aCapped = !(std::fabs(a) < kInterpreterCap);
  const double cappedA = std::signbit(a) ? -kInterpreterCap : kInterpreterCap;
  D4 e = Splat(0);
  for (std::size_t i = 0; i < pairs.n; i += kLanes) {
    const auto [x, y, w] = LoadGroup(pairs, i);
    D4 product = b * x;
    if (bCapped) {
      product = Splat(kInterpreterCap);
    } else {
      const I4 capped = !(Abs(x) < kInterpreterCap);
      product = (D4)(((U4)product & ~(U4)capped) | ((U4)Splat(kInterpreterCap) & (U4)capped));
    }
    D4 sn, cs;
    SinCos4(product + c, sn, cs);
    D4 value = (aCapped ? Splat(cappedA) : a * sn) + d;
    const I4 above = value > kInterpreterCap;
    value = (D4)(((U4)value & ~(U4)above) | ((U4)Splat(kInterpreterCap) & (U4)above));
    const D4 res = y - value;
    e += w * res * res;
  }
  return Total(e);
}

}  // namespace sinusfit::pairloops
