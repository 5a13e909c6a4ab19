#pragma once
// The models the fit can choose from ("Zielfunktion"). Each is one small
// class behind this interface: its parameters and their names, its value and
// derivatives, its term text, the linear part its starts are solved from,
// and the quantities derived from its parameters. The search, the
// statistics, the texts and the exports work on the interface only, so a
// further model is one further file and one entry in ModelOf.
//
// Every model of this family carries a, b, c, d first (the sine's amplitude,
// angular frequency, phase and offset) and its own parameters after them;
// the sums of sines their first sine's a₁, b₁, c₁ and d, then the further
// sines' parameters.

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sinusfit {

// The window's list, in its order. kSine is the specified fit.
enum class ModelKind : int {
  kSine = 0,
  kSineWithTrend = 1,
  kDampedOscillation = 2,
  kSeveralFrequencies = 3,
  kHarmonics = 4,
};
inline constexpr int kModelCount = 5;
// The sums of sines take 1 to kMaxFrequencies terms.
inline constexpr int kMaxFrequencies = 10;

// Where a model's x is counted from: the exponential of a decay from x0 (the
// smallest x of the pairs), the phase and the trend from `phase` (0: the
// term's own X; x0 where b·x would leave the interpreter's range).
struct ModelOrigin {
  double x0 = 0;
  double phase = 0;
};

// A quantity derived from the parameters, with its uncertainty propagated
// from their covariance.
struct DerivedQuantity {
  std::string name;  // UTF-8, as the statistics label shows it: "τ = 1/δ"
  std::string key;   // plain, for the CSV and JSON: "tau"
  double value = 0;
  double uncertainty = 0;
};

class Model {
 public:
  virtual ~Model() = default;

  virtual ModelKind Kind() const = 0;
  // The German name of the window's list ("Sinus mit Trend").
  virtual std::string_view Title() const = 0;
  // The formula the window shows for it (UTF-8).
  virtual std::string_view Formula() const = 0;

  virtual int ParameterCount() const = 0;
  // "a", "b", "c", "d", then the model's own ("e", "δ"), UTF-8.
  virtual std::string_view ParameterName(int k) const = 0;
  // A plain name for the CSV and JSON ("delta" for δ).
  virtual std::string_view ParameterKey(int k) const { return ParameterName(k); }

  // The value at x; where dp is not empty, the derivatives by every
  // parameter into dp[0 .. ParameterCount()).
  virtual double Evaluate(std::span<const double> p, double x, const ModelOrigin& origin,
                          std::span<double> dp) const = 0;

  // The same parameters with the phase (and trend) counted from `to.phase`
  // instead of `from.phase`; x0 stays.
  virtual std::vector<double> MovePhaseOrigin(std::span<const double> p, const ModelOrigin& from,
                                              const ModelOrigin& to) const = 0;

  // The term text, in the term language, each parameter with its decimals:
  // 2,1*EXP(-0,03*(X-0,002))*SIN(3,6744*X+0,4)+0,01. x0Text and phaseText are
  // the origins as the text writes them (empty: 0).
  virtual std::string TermText(std::span<const double> p, std::span<const int> decimals,
                               std::string_view x0Text, std::string_view phaseText) const = 0;

  // The sines in the model (K of a sum) and the angular frequency of the
  // k-th (0-based) at p.
  virtual int FrequencyCount() const { return 1; }
  virtual double AngularFrequency(std::span<const double> p, int) const { return p[1]; }
  // The place of the k-th sine's amplitude among the parameters.
  virtual int AmplitudeIndex(int) const { return 0; }
  // The parameters that are angular frequencies of their own (b, or every
  // bₖ of a sum): the bound holds for each.
  virtual std::vector<int> FrequencyParameters() const { return {1}; }

  // The model's nonlinear parameters besides b (δ of a decay); at fixed b
  // and these the model is linear in the coefficients of LinearBasis.
  virtual int ExtraNonlinearCount() const { return 0; }
  // The index of the k-th of them among the parameters.
  virtual int ExtraNonlinearIndex(int) const { return -1; }
  // The columns at x: the model equals Σ coefficient·column. The first two
  // are the sine's and cosine's parts (a·cos c and a·sin c), the third the
  // offset d; nonlinear[0] is b.
  virtual int LinearCount() const = 0;
  virtual void LinearBasis(std::span<const double> nonlinear, double x, const ModelOrigin& origin,
                           std::span<double> out) const = 0;
  // The parameters from the nonlinear ones and the coefficients.
  virtual std::vector<double> FromLinear(std::span<const double> nonlinear,
                                         std::span<const double> coefficients) const = 0;

  // The quantities the user came for, from the parameters and their
  // covariance (ParameterCount² values, row-major; NaN where unknown).
  virtual std::vector<DerivedQuantity> Derived(std::span<const double> p,
                                               std::span<const double> covariance) const = 0;

  // A fit's normal form, keeping the held parameter (its index; −1 none):
  // b >= 0 (a, b, c change sign together; with a held b and c do, as
  // a·sin(−bx + c) = a·sin(bx + π − c)) and the phase in [0, 2π). With b or
  // c held nothing turns.
  virtual void Normalise(std::span<double> p, int held) const;
};

// The sums of sines with `frequencies` terms (clamped to 1 … kMaxFrequencies);
// the other models take no count.
const Model& ModelOf(ModelKind kind, int frequencies = 1);
// The model whose parameters `values` are (a sum's count of terms from
// their number).
const Model& ModelOf(ModelKind kind, std::span<const double> values);
// The sums of sines, whose count of terms the user chooses.
inline bool IsSumOfSines(ModelKind kind) {
  return kind == ModelKind::kSeveralFrequencies || kind == ModelKind::kHarmonics;
}

// The uncertainty of g(p) from the covariance of p and the gradient of g.
double PropagatedUncertainty(std::span<const double> gradient, std::span<const double> covariance);

}  // namespace sinusfit
