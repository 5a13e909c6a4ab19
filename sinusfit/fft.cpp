// The transform of the fast periodogram.

#include "sinusfit/fft.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "_grund/grund.h"
#include "sinusfit/extended_sincos.h"

namespace sinusfit::fft {

namespace {

typedef double D2 __attribute__((vector_size(16)));  // two neighbouring butterflies

template <typename V>
[[gnu::always_inline]] inline V Load(const double* p) {
  V v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
template <typename V>
[[gnu::always_inline]] inline void Store(double* p, V v) {
  std::memcpy(p, &v, sizeof v);
}

// cos and sin of 2π·j/n, the nearest doubles (nearly always).
void UnitRoot(std::size_t j, std::size_t n, double& re, double& im) {
  const grund::Extended angle =
      grund::kTwoPi * static_cast<grund::Extended>(j) / static_cast<grund::Extended>(n);
  const SinCos root = ExtendedSinCos(angle);
  re = static_cast<double>(root.cos);
  im = static_cast<double>(root.sin);
}

// e^{2πi·m/n} for m < n as re, im pairs; only the first eighth of the circle
// is computed, the rest follows exactly by symmetry.
std::vector<double> UnitRoots(std::size_t n) {
  std::vector<double> roots(2 * n);
  if (n < 8) {
    for (std::size_t m = 0; m < n; ++m) UnitRoot(m, n, roots[2 * m], roots[2 * m + 1]);
    return roots;
  }
  const std::size_t eighth = n / 8, quarter = n / 4, half = n / 2;
  for (std::size_t m = 0; m <= eighth; ++m) UnitRoot(m, n, roots[2 * m], roots[2 * m + 1]);
  for (std::size_t m = eighth + 1; m <= quarter; ++m) {  // cos(π/2 − φ) = sin φ
    roots[2 * m] = roots[2 * (quarter - m) + 1];
    roots[2 * m + 1] = roots[2 * (quarter - m)];
  }
  for (std::size_t m = quarter + 1; m < half; ++m) {  // e^{i(π/2 + φ)} = i·e^{iφ}
    roots[2 * m] = -roots[2 * (m - quarter) + 1];
    roots[2 * m + 1] = roots[2 * (m - quarter)];
  }
  for (std::size_t m = half; m < n; ++m) {  // e^{i(π + φ)} = −e^{iφ}
    roots[2 * m] = -roots[2 * (m - half)];
    roots[2 * m + 1] = -roots[2 * (m - half) + 1];
  }
  return roots;
}

// Two levels at j (and j + 1 for V = D2) of the sequence of length 4q at
// re, im; w holds the twiddles as in Transform::stacked_ with row length wq.
// The results go where two radix-2 levels would put them: the sums for the
// outputs k ≡ 0, 2, 1, 3 (mod 4) in that order, that for k ≡ r times w^{rj}.
template <typename V>
[[gnu::always_inline]] inline void Radix4(double* re, double* im, std::size_t j, std::size_t q,
                                          const double* w, std::size_t wq) {
  const V a0r = Load<V>(re + j), a1r = Load<V>(re + j + q), a2r = Load<V>(re + j + 2 * q),
          a3r = Load<V>(re + j + 3 * q);
  const V a0i = Load<V>(im + j), a1i = Load<V>(im + j + q), a2i = Load<V>(im + j + 2 * q),
          a3i = Load<V>(im + j + 3 * q);
  const V t0r = a0r + a2r, t0i = a0i + a2i, t1r = a0r - a2r, t1i = a0i - a2i;
  const V t2r = a1r + a3r, t2i = a1i + a3i, dr = a1r - a3r, di = a1i - a3i;
  Store(re + j, t0r + t2r);
  Store(im + j, t0i + t2i);
  const auto times = [&](V xr, V xi, std::size_t row, std::size_t at) {
    const V wr = Load<V>(w + 2 * row * wq + j), wi = Load<V>(w + (2 * row + 1) * wq + j);
    Store(re + at, xr * wr - xi * wi);
    Store(im + at, xr * wi + xi * wr);
  };
  times(t0r - t2r, t0i - t2i, 1, j + q);    // w^{2j}
  times(t1r - di, t1i + dr, 0, j + 2 * q);  // (t1 + i·d)·w^j
  times(t1r + di, t1i - dr, 2, j + 3 * q);  // (t1 − i·d)·w^{3j}
}

}  // namespace

std::size_t ReverseBits(std::size_t k, int bits) {
  if (bits <= 0) return 0;
  std::uint64_t v = k;
  v = ((v >> 1) & 0x5555555555555555u) | ((v & 0x5555555555555555u) << 1);
  v = ((v >> 2) & 0x3333333333333333u) | ((v & 0x3333333333333333u) << 2);
  v = ((v >> 4) & 0x0F0F0F0F0F0F0F0Fu) | ((v & 0x0F0F0F0F0F0F0F0Fu) << 4);
  v = ((v >> 8) & 0x00FF00FF00FF00FFu) | ((v & 0x00FF00FF00FF00FFu) << 8);
  v = ((v >> 16) & 0x0000FFFF0000FFFFu) | ((v & 0x0000FFFF0000FFFFu) << 16);
  v = (v >> 32) | (v << 32);
  return static_cast<std::size_t>(v >> (64 - std::min(bits, 64)));
}

Transform::Transform(std::size_t n) : n_(1), bits_(0) {
  while (n_ <= n / 2) {
    n_ *= 2;
    ++bits_;
  }
  // The blocks take an even number of levels below the long passes, so that
  // those pair up (the block's odd level is its last, which needs no twiddle).
  blockBits_ = std::min(bits_, kBlockBits);
  if ((bits_ - blockBits_) % 2 != 0) --blockBits_;
  const std::size_t block = std::size_t{1} << blockBits_;
  const std::vector<double> roots = UnitRoots(block);
  stacked_.reserve(2 * block);  // 6·len/4 for len = block, block/4, ...
  for (std::size_t len = block; len >= 4; len /= 4) {
    const std::size_t q = len / 4, offset = stacked_.size(), stride = block / len;
    stacked_.resize(offset + 6 * q);
    for (std::size_t r = 1; r <= 3; ++r) {
      double* row = &stacked_[offset + 2 * (r - 1) * q];
      for (std::size_t j = 0; j < q; ++j) {
        row[j] = roots[2 * (r * j * stride)];  // r·j·stride < 3/4 of the block
        row[q + j] = roots[2 * (r * j * stride) + 1];
      }
    }
  }
  if (n_ > block) {
    fineBits_ = bits_ / 2;  // r·j < n for the roots of the long passes
    const std::size_t fineSize = std::size_t{1} << fineBits_;
    const std::size_t coarseSize = std::size_t{1} << (bits_ - fineBits_);
    fine_.resize(2 * fineSize);
    for (std::size_t j = 0; j < fineSize; ++j) UnitRoot(j, n_, fine_[2 * j], fine_[2 * j + 1]);
    coarse_ = UnitRoots(coarseSize);  // e^{2πi·j·fineSize/n}
  }
}

bool Transform::LongPass(double* re, double* im, std::size_t len,
                         const std::function<bool()>& keepGoing) const {
  // The twiddles of a run of j serve every sequence of the pass.
  constexpr std::size_t kRun = 64;
  // Radix-4 butterflies between two questions: half a millisecond or so.
  constexpr std::size_t kButterfliesPerCheck = std::size_t{1} << 16;
  const std::size_t q = len / 4, stride = n_ / len;  // q: a multiple of kRun
  const std::size_t fineMask = (std::size_t{1} << fineBits_) - 1;
  std::size_t sinceCheck = 0;
  double w[6 * kRun];
  for (std::size_t first = 0; first < q; first += kRun) {
    for (std::size_t i = 0; i < kRun; ++i) {
      for (std::size_t r = 1; r <= 3; ++r) {
        // e^{2πi·index/n} within 2 ulp.
        const std::size_t index = r * (first + i) * stride;
        const double* c = &coarse_[2 * (index >> fineBits_)];
        const double* f = &fine_[2 * (index & fineMask)];
        w[2 * (r - 1) * kRun + i] = c[0] * f[0] - c[1] * f[1];
        w[(2 * (r - 1) + 1) * kRun + i] = c[0] * f[1] + c[1] * f[0];
      }
    }
    for (std::size_t start = 0; start < n_; start += len) {
      for (std::size_t i = 0; i < kRun; i += 2)
        Radix4<D2>(re + start + first, im + start + first, i, q, w, kRun);
    }
    sinceCheck += kRun * stride;
    if (sinceCheck >= kButterfliesPerCheck) {
      sinceCheck = 0;
      if (keepGoing && !keepGoing()) return false;
    }
  }
  return true;
}

void Transform::BlockPasses(double* re, double* im) const {
  const std::size_t block = std::size_t{1} << blockBits_;
  std::size_t offset = 0;
  std::size_t len = block;
  for (; len >= 8; len /= 4) {
    const std::size_t q = len / 4;
    const double* w = &stacked_[offset];
    for (std::size_t start = 0; start < block; start += len) {
      for (std::size_t j = 0; j < q; j += 2) Radix4<D2>(re + start, im + start, j, q, w, q);
    }
    offset += 6 * q;
  }
  if (len == 4) {
    const double* w = &stacked_[offset];
    for (std::size_t start = 0; start < block; start += 4)
      Radix4<double>(re + start, im + start, 0, 1, w, 1);
  } else if (len == 2) {
    for (std::size_t start = 0; start < block; start += 2) {
      const double r0 = re[start], i0 = im[start];
      re[start] = r0 + re[start + 1];
      im[start] = i0 + im[start + 1];
      re[start + 1] = r0 - re[start + 1];
      im[start + 1] = i0 - im[start + 1];
    }
  }
}

bool Transform::Forward(double* re, double* im, const std::function<bool()>& keepGoing) const {
  const auto goOn = [&] { return !keepGoing || keepGoing(); };
  for (int level = bits_; level > blockBits_; level -= 2) {
    if (!LongPass(re, im, std::size_t{1} << level, keepGoing) || !goOn()) return false;
  }
  const std::size_t block = std::size_t{1} << blockBits_;
  // About a millisecond of blocks between two questions.
  constexpr std::size_t kBlocksPerCheck = 16;
  std::size_t sinceCheck = 0;
  for (std::size_t start = 0; start < n_; start += block) {
    BlockPasses(re + start, im + start);
    if (++sinceCheck == kBlocksPerCheck) {
      sinceCheck = 0;
      if (!goOn()) return false;
    }
  }
  return true;
}

}  // namespace sinusfit::fft
