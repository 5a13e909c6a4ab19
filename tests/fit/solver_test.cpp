#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "sinusfit/normalsystem.h"

namespace {

using sinusfit::NormalMatrix;
using sinusfit::SolveLinearSystem;

// A matrix whose every cell holds a distinct sentinel, so that any write
// outside the cells a solve may change shows up.
NormalMatrix SentinelMatrix() {
  NormalMatrix A;
  for (int r = 0; r < sinusfit::kNormalMatrixSize; ++r)
    for (int c = 0; c < sinusfit::kNormalMatrixSize; ++c) A[r][c] = 1000.0 + r * 26 + c;
  return A;
}

// Puts the system (matrix rows, right-hand side) into cells [1..m][0..m].
void Load(NormalMatrix& A, const std::vector<std::vector<double>>& rows,
          const std::vector<double>& rhs) {
  for (std::size_t i = 0; i < rows.size(); ++i) {
    A[i + 1][0] = rhs[i];
    for (std::size_t j = 0; j < rows[i].size(); ++j) A[i + 1][j + 1] = rows[i][j];
  }
}

struct Solved {
  NormalMatrix A;
  double det = 0;
  std::uint8_t singular = 2;
};

Solved Solve(const std::vector<std::vector<double>>& rows, const std::vector<double>& rhs) {
  Solved s{SentinelMatrix()};
  Load(s.A, rows, rhs);
  SolveLinearSystem(s.A, static_cast<std::uint8_t>(rows.size()), s.det, s.singular);
  return s;
}

// Cells that a solve of m equations must never change: [0][0] and
// everything in a row or column beyond m.
void ExpectOutsideUntouched(const NormalMatrix& A, int m) {
  const NormalMatrix fresh = SentinelMatrix();
  for (int r = 0; r < sinusfit::kNormalMatrixSize; ++r)
    for (int c = 0; c < sinusfit::kNormalMatrixSize; ++c)
      if ((r == 0 && c == 0) || r > m || c > m) {
        EXPECT_EQ(A[r][c], fresh[r][c]) << r << "," << c;
      }
}

void ExpectRowZeroUntouched(const NormalMatrix& A) {
  const NormalMatrix fresh = SentinelMatrix();
  for (int c = 0; c < sinusfit::kNormalMatrixSize; ++c) EXPECT_EQ(A[0][c], fresh[0][c]) << c;
}

TEST(SolveLinearSystem, IdentitySolvesWithoutExchange) {
  const Solved s = Solve({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {1, 2, 3});
  EXPECT_EQ(s.singular, 0);
  EXPECT_EQ(s.A[0][1], 1);
  EXPECT_EQ(s.A[0][2], 2);
  EXPECT_EQ(s.A[0][3], 3);
  EXPECT_EQ(s.det, 1);
  for (int r = 1; r <= 3; ++r)
    for (int c = 1; c <= 3; ++c) EXPECT_EQ(s.A[r][c], r == c ? 1 : 0);
  ExpectOutsideUntouched(s.A, 3);
}

TEST(SolveLinearSystem, ZeroPivotExchangesColumnsAndMapsSolutionBack) {
  const Solved s = Solve({{0, 1}, {1, 0}}, {5, 7});
  EXPECT_EQ(s.singular, 0);
  EXPECT_EQ(s.A[0][1], 7);
  EXPECT_EQ(s.A[0][2], 5);
  // The factors are those of the exchanged matrix, the identity.
  EXPECT_EQ(s.A[1][1], 1);
  EXPECT_EQ(s.A[1][2], 0);
  EXPECT_EQ(s.A[2][1], 0);
  EXPECT_EQ(s.A[2][2], 1);
  EXPECT_EQ(s.det, -1);
  ExpectOutsideUntouched(s.A, 2);
}

TEST(SolveLinearSystem, TiesKeepTheLeftmostColumn) {
  // |2| = |-2|: no exchange, so U keeps 2 in front.
  Solved s = Solve({{2, -2}, {1, 3}}, {0, 8});
  EXPECT_EQ(s.singular, 0);
  EXPECT_EQ(s.A[1][1], 2);
  EXPECT_EQ(s.A[1][2], -2);
  EXPECT_DOUBLE_EQ(s.A[0][1], 2);
  EXPECT_DOUBLE_EQ(s.A[0][2], 2);

  // Columns 2 and 3 tie for the largest: column 2 becomes the pivot.
  s = Solve({{1, 3, 3}, {2, 0, 0}, {0, 0, 1}}, {7, 2, 1});
  EXPECT_EQ(s.singular, 0);
  EXPECT_EQ(s.A[1][1], 3);
  EXPECT_EQ(s.A[1][2], 1);
  EXPECT_EQ(s.A[1][3], 3);
  EXPECT_DOUBLE_EQ(s.A[0][1], 1);
  EXPECT_DOUBLE_EQ(s.A[0][2], 1);
  EXPECT_DOUBLE_EQ(s.A[0][3], 1);
}

TEST(SolveLinearSystem, SingularSystemsLeaveRowZeroAlone) {
  const struct {
    const char* name;
    std::vector<std::vector<double>> rows;
  } cases[] = {
      {"all zero", {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}},
      {"product 5e-7, invertible", {{0.001, 0, 0}, {0, 0.001, 0}, {0, 0, 0.5}}},
      {"dependent rows", {{1, 2}, {2, 4}}},
      {"NaN on the diagonal", {{std::nan(""), 0}, {0, 1}}},
      {"infinity times zero", {{std::numeric_limits<double>::infinity(), 0}, {0, 0}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Solved s = Solve(c.rows, std::vector<double>(c.rows.size(), 1.0));
    EXPECT_EQ(s.singular, 1);
    ExpectRowZeroUntouched(s.A);
    for (std::size_t i = 1; i <= c.rows.size(); ++i) EXPECT_EQ(s.A[i][0], 1.0);
    ExpectOutsideUntouched(s.A, static_cast<int>(c.rows.size()));
  }
}

TEST(SolveLinearSystem, ThresholdIsAbsolute) {
  // 0.01 · 0.01 · 0.5 = 5e-5 > 1e-6: solved, however small the entries.
  const Solved s = Solve({{0.01, 0, 0}, {0, 0.01, 0}, {0, 0, 0.5}}, {1, 1, 1});
  EXPECT_EQ(s.singular, 0);
  EXPECT_DOUBLE_EQ(s.A[0][1], 100);
  EXPECT_DOUBLE_EQ(s.A[0][3], 2);
  EXPECT_DOUBLE_EQ(s.det, 5e-5);
}

TEST(SolveLinearSystem, SizesOutsideTwoToTwentyFiveChangeNothing) {
  for (int m : {0, 1, 26, 200, 255}) {
    SCOPED_TRACE(m);
    NormalMatrix A = SentinelMatrix();
    A[1][1] = 4;  // a perfectly good one-equation system
    double det = 42;
    std::uint8_t singular = 0;
    SolveLinearSystem(A, static_cast<std::uint8_t>(m), det, singular);
    EXPECT_EQ(singular, 1);
    EXPECT_EQ(det, 0);
    NormalMatrix expected = SentinelMatrix();
    expected[1][1] = 4;
    EXPECT_EQ(A, expected);
  }
}

// Gaussian elimination with partial pivoting in long double: the reference.
std::vector<long double> DirectSolve(std::vector<std::vector<long double>> M,
                                     std::vector<long double> b) {
  const std::size_t n = b.size();
  for (std::size_t k = 0; k < n; ++k) {
    std::size_t p = k;
    for (std::size_t i = k + 1; i < n; ++i)
      if (std::fabs(M[i][k]) > std::fabs(M[p][k])) p = i;
    std::swap(M[k], M[p]);
    std::swap(b[k], b[p]);
    for (std::size_t i = k + 1; i < n; ++i) {
      const long double f = M[i][k] / M[k][k];
      for (std::size_t j = k; j < n; ++j) M[i][j] -= f * M[k][j];
      b[i] -= f * b[k];
    }
  }
  std::vector<long double> x(n);
  for (std::size_t i = n; i-- > 0;) {
    long double s = b[i];
    for (std::size_t j = i + 1; j < n; ++j) s -= M[i][j] * x[j];
    x[i] = s / M[i][i];
  }
  return x;
}

TEST(SolveLinearSystem, RandomWellConditionedSystemsMatchADirectSolve) {
  std::mt19937 engine(20240611);
  std::uniform_real_distribution<double> entry(-1.0, 1.0);
  for (int m : {2, 4, 7, 25}) {
    for (int trial = 0; trial < 20; ++trial) {
      SCOPED_TRACE(testing::Message() << "m=" << m << " trial=" << trial);
      std::vector<std::vector<double>> rows(m, std::vector<double>(m));
      std::vector<double> rhs(m);
      for (int i = 0; i < m; ++i) {
        for (int j = 0; j < m; ++j) rows[i][j] = entry(engine);
        rows[i][i] += (trial % 2 ? -1.0 : 1.0) * m;  // diagonally dominant
        rhs[i] = 10 * entry(engine);
      }
      // Shuffle the columns so that the pivot search has exchanges to make.
      std::vector<int> order(m);
      for (int j = 0; j < m; ++j) order[j] = j;
      std::shuffle(order.begin(), order.end(), engine);
      std::vector<std::vector<double>> shuffled(m, std::vector<double>(m));
      for (int i = 0; i < m; ++i)
        for (int j = 0; j < m; ++j) shuffled[i][j] = rows[i][order[j]];

      std::vector<std::vector<long double>> M(m, std::vector<long double>(m));
      for (int i = 0; i < m; ++i)
        for (int j = 0; j < m; ++j) M[i][j] = shuffled[i][j];
      const std::vector<long double> expected =
          DirectSolve(M, std::vector<long double>(rhs.begin(), rhs.end()));

      const Solved s = Solve(shuffled, rhs);
      ASSERT_EQ(s.singular, 0);
      for (int i = 0; i < m; ++i)
        EXPECT_NEAR(s.A[0][i + 1], static_cast<double>(expected[i]),
                    1e-13 * (1 + std::fabs(static_cast<double>(expected[i]))));
      ExpectOutsideUntouched(s.A, m);
    }
  }
}

TEST(ExtendedProductSums, RoundOnceFromExtendedPrecision) {
  // 1 + (1 + 2^-27)·2^-53 = 1 + 2^-53 + 2^-80. Rounded straight to double it
  // lies above the halfway point and goes up; rounded to 64 bits first it
  // lands on the halfway point and goes to even, which is 1.
  const double u = 1 + std::ldexp(1.0, -27);
  const double v = std::ldexp(1.0, -53);
  if (std::numeric_limits<grund::Extended>::digits == 64) {
    EXPECT_EQ(sinusfit::AddProduct(1.0, u, v), 1.0);
    EXPECT_EQ(sinusfit::SubtractProduct(1.0, -u, v), 1.0);
  } else {
    EXPECT_EQ(sinusfit::AddProduct(1.0, u, v), 1.0 + std::ldexp(1.0, -52));
  }
  EXPECT_EQ(sinusfit::AddProduct(0.5, 3, 4), 12.5);
  EXPECT_EQ(sinusfit::SubtractProduct(0.5, 3, 4), -11.5);
}

}  // namespace
