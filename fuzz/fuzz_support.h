#pragma once
// Shared by the harnesses: failing loudly, the time limit of one input, and
// reading typed values off the fuzzer's bytes.

#include <time.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace fuzz {

// Any single input that takes longer than this counts as a hang. libFuzzer's
// own -timeout counts whole seconds only; it stays as the backstop for an
// input that never returns.
inline constexpr std::chrono::milliseconds kInputTimeLimit{100};

// Ends the run with a message; libFuzzer saves the input that caused it.
[[noreturn]] inline void Fail(const char* what, const char* file, int line) {
  std::fprintf(stderr, "\n==== fuzz check failed: %s (%s:%d)\n", what, file, line);
  std::fflush(stderr);
  std::abort();
}

#define FUZZ_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : ::fuzz::Fail(#condition, __FILE__, __LINE__))

// Measures one input from construction to Check(). An input fails only when
// both the wall clock and the thread's own processor time pass the limit: on
// a loaded machine the wall clock alone runs on while the fuzzer waits for a
// core, but processor time counts only the work the input really caused.
class InputTimer {
 public:
  // `inputs` scales the limit for a harness that runs several independent
  // units of work per input (each of them must stay within the limit).
  explicit InputTimer(int inputs = 1)
      : limit_(kInputTimeLimit * inputs),
        wallStart_(std::chrono::steady_clock::now()),
        cpuStart_(ThreadCpuTime()) {}

  void Check() const {
    const auto wall = std::chrono::steady_clock::now() - wallStart_;
    const auto cpu = ThreadCpuTime() - cpuStart_;
    if (wall > limit_ && cpu > limit_) {
      std::fprintf(stderr, "\n==== input took %lld ms (processor %lld ms), limit %lld ms\n",
                   static_cast<long long>(
                       std::chrono::duration_cast<std::chrono::milliseconds>(wall).count()),
                   static_cast<long long>(
                       std::chrono::duration_cast<std::chrono::milliseconds>(cpu).count()),
                   static_cast<long long>(limit_.count()));
      Fail("input over the time limit", __FILE__, __LINE__);
    }
  }

 private:
  static std::chrono::nanoseconds ThreadCpuTime() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
  }

  std::chrono::milliseconds limit_;
  std::chrono::steady_clock::time_point wallStart_;
  std::chrono::nanoseconds cpuStart_;
};

// Takes typed values from the front of the input; past its end it yields
// zeros, so every input is usable.
class ByteReader {
 public:
  ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }

  // Any bit pattern: infinities, not-a-numbers and subnormals included.
  double RawDouble() { return Raw<double>(); }
  std::int32_t RawInt32() { return Raw<std::int32_t>(); }

  // Everything not read yet.
  std::string_view Rest() {
    const std::string_view rest(reinterpret_cast<const char*>(data_) + pos_, size_ - pos_);
    pos_ = size_;
    return rest;
  }

 private:
  template <typename T>
  T Raw() {
    unsigned char bytes[sizeof(T)] = {};
    for (unsigned char& b : bytes) b = Byte();
    T value;
    std::memcpy(&value, bytes, sizeof(T));
    return value;
  }

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

}  // namespace fuzz
