#pragma once
// The discrete Fourier transform of a power-of-two length for the fast
// periodogram: decimation in frequency, two levels at a time (radix 4), in
// place on separate arrays of real and imaginary parts, so that neighbouring
// butterflies share vector instructions. The result stays in bit-reversed
// order; the caller reads the values it needs where they lie instead of
// reordering them all.

#include <cstddef>
#include <functional>
#include <vector>

namespace sinusfit::fft {

// k with its lowest `bits` bits in reverse order (bits 0..64; higher bits of
// k are dropped).
std::size_t ReverseBits(std::size_t k, int bits);

class Transform {
 public:
  // n: a power of two (anything else is taken as the next one below, at least 1).
  explicit Transform(std::size_t n);

  std::size_t Size() const { return n_; }
  int Bits() const { return bits_; }

  // X[k] = Σ_l x[l]·e^{+2πi·k·l/n} in place, x[l] = re[l] + i·im[l];
  // afterwards X[k] is at index ReverseBits(k, Bits()). keepGoing (may be
  // empty) is asked between passes over the data; false when it said stop,
  // the data then half transformed.
  bool Forward(double* re, double* im, const std::function<bool()>& keepGoing) const;

 private:
  // The passes over sequences up to 2^kBlockBits (or half that) run block by
  // block, each block in the cache; only the longer ones sweep all the data.
  static constexpr int kBlockBits = 12;

  bool LongPass(double* re, double* im, std::size_t len,
                const std::function<bool()>& keepGoing) const;
  void BlockPasses(double* re, double* im) const;

  std::size_t n_;
  int bits_;
  int blockBits_ = 0;
  // The twiddles w^j, w^{2j}, w^{3j} (w = e^{2πi/len}, j < q = len/4) of the
  // passes within a block, longest first: per pass the q real parts of w^j,
  // their q imaginary parts, the same of w^{2j}, then of w^{3j}.
  std::vector<double> stacked_;
  // e^{2πi·j/n} = coarse_[j >> fineBits_]·fine_[j & (fine size − 1)] (re, im
  // pairs) for the long passes, which compute theirs once per run of j.
  std::vector<double> coarse_, fine_;
  int fineBits_ = 0;
};

}  // namespace sinusfit::fft
