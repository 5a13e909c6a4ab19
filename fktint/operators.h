#pragma once
// Internal to the interpreter: the values of the infix operators. Every
// operand is finite and every result is finite; failures set EvalError and
// yield the substitute values of the operator table.

namespace fktint {

// The priority of an operator byte: 1 for + - # & ; < >, 2 for * (and the
// raised dot, byte 183) / % ~, 3 for ^ and backslash, 0 for the closing
// characters ) ] |. kNotAnOperator for every other byte.
inline constexpr unsigned kNotAnOperator = 0xFF;
unsigned OperatorPriority(unsigned char c);

// L op R for one of the operators above with priority 1 to 3.
double ApplyOperator(unsigned char op, double left, double right);

// L over R by the running product r := r*L/R, L := L-1, R := R-1 while R > 0;
// a partial product above MaxValue is code 2 with the value MaxValue.
double Binomial(double left, double right);
// L to the power R, and the R-th root of L (L to the power 1/R).
double Power(double left, double right);
double Root(double left, double right);
// A negative base to a power: 0 with code 2 unless the exponent is a (32-bit)
// integer and the result in range.
double NegativeBasePower(double base, double exponent);

// The binomial loop runs step by step for right operands up to this; beyond
// it the product is computed in closed form.
inline constexpr int kBinomialLoopLimit = 128;
// Powers with an integer exponent up to this are multiplied out one by one.
inline constexpr int kPowerExactSteps = 64;

}  // namespace fktint
