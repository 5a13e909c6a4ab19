#!/usr/bin/python3
"""Writes sonder_reference.csv: reference values of the special functions
over grids that cover each routine's domain and every break between its
approximations, computed with SciPy (Debian package python3-scipy).

Run once, from anywhere:  /usr/bin/python3 tests/data/make_sonder_reference.py
SciPy is needed only here, to make the table; the program and its tests do not
use it. The table is committed together with this script.

Rows: name,x,second,value1,value2,value3 (unused fields empty). The numbers are
written in Python's shortest round-trip form.

  gamma    x        Gamma(x)
  lngamma  x        ln|Gamma(x)|, for the arguments where Gamma(x) > 0
  digamma  x        psi(x)
  j0, j1   x        J0(x), J1(x)
  airy     x        Ai(x), Bi(x)
  jacobi   u, mc    sn, cn, dn of u for the parameter m = 1 - mc
  si, ci   x        Si(x), Ci(x)
  ei       x        Ei(x)
  totient  n        phi(n), counted here by a sieve

How close the routines must come (checked in
tests/core/sonderfunktionen_reference_test.cpp, whose table is the authority;
each tolerance lies just above the largest deviation the algorithm shows on
this grid, so that a wrong leading or middle digit of a coefficient shows;
eps is the precision of the extended type the routines compute in):

  routine       region            allowed deviation                 why
  GammaPoly     all               3e-7 |ref|                        polynomial error 3e-7
  LnGamma       x > 0             2.5e-10 + 2 eps/x                 six-term Lanczos series
                -2 < x < -1       3e-8                              off its design range,
                -4.5 < x < -3     1.5e-3                            worse towards -4
  Digamma       0 < x <= 1e-5     1.7 x                             -gamma - 1/x drops zeta(2) x
                x < 0             2e-13 |ref| + eps (1-x) ref^2     reflection near poles
                x > 1e-5          1e-15 (1 + |ref|) + 16 eps        asymptotic series from 20
  BesselJ0, J1  |x| < 8           6e-9                              rational approximation
                |x| >= 8          3.5e-10 sqrt(8/|x|)               asymptotic, 9-digit constants
  AiryAiBi      x < -2.09         |x|^-1/4 (3e-15 + 3e-16 |x|^1.5)  amplitude; phase rounding
                -2.09 .. 2.09     Ai 7e-10, Bi 2e-9                 series stopped at 5e-8
                2.09 .. 8.3203353 Ai 1e-14 |ref|, Bi 7e-9 |ref|     Bi still from the series
                above 8.3203353   5e-14 |ref|                       both asymptotic
  JacobiSnCnDn  all               2.5e-9 (1 + |u|)                  mean to 0.0003, error ~ its
                                                                    square, growing with u
  SineIntegral  x <= 1            5e-7                              terms after the last < 1e-4
                x > 1             1.5e-5 + 4 eps e^x/x              plus alternating rounding
  CosineIntegral x <= 1           4.5e-6                            gamma as 0.57722: 4.3e-6 high
                x > 1             1.6e-5 + 4 eps e^x/x              as SineIntegral
  ExpIntegral   x <= 1            6.5e-6                            0.57722156649: 5.9e-6 high
                x > 1             6e-5 + (3e-15 + 400 eps) |ref|    stop at 1e-4; running log
  EulerPhi      1 .. 10000        exact
"""

import math
import os

import numpy as np
import scipy.special as sp

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "sonder_reference.csv")


def fmt(v):
    return "" if v is None else repr(float(v))


rows = []


def row(name, x, second=None, v1=None, v2=None, v3=None):
    rows.append(",".join([name, fmt(x), fmt(second), fmt(v1), fmt(v2), fmt(v3)]))


def steps(lo, hi, step):
    """lo, lo + step, ... up to hi inclusive, rounded to 12 decimals."""
    n = int(math.floor((hi - lo) / step + 1e-9))
    return [round(lo + i * step, 12) for i in range(n + 1)]


def around(x):
    """x and its two neighbouring doubles."""
    return [np.nextafter(x, -np.inf), x, np.nextafter(x, np.inf)]


# Gamma: negative non-integers (the upward reduction), tiny arguments, the
# polynomial's own interval and the downward reduction up to 43.
gamma_x = [x for x in steps(-20.95, 43, 0.1) if x != math.floor(x) or x > 0]
gamma_x += [1e-300, 1e-10, 1e-5, 0.001, 1.0, 2.0, 3.0, 43.0, -1e-5, -0.999999, -1.000001,
            -2.5, -100.5, -150.25]
for x in gamma_x:
    row("gamma", x, v1=sp.gamma(x))

# ln Gamma on its whole accepted range, where Gamma is positive.
for x in steps(-4.45, 20.5, 0.05) + [1e-8, 1e-3, 0.5, 1.0, 2.0]:
    if x <= 0 and (x == math.floor(x) or sp.gamma(x) <= 0):
        continue
    row("lngamma", x, v1=sp.gammaln(x))

# Digamma: the reflection below 0, the small-argument formula, the recurrence
# up to 20 and the asymptotic series beyond.
digamma_x = [x for x in steps(-12.97, 40, 0.1) if abs(x - round(x)) > 0.01]
digamma_x += [-2.999, -3.00002, -0.5, -1e-4, 1e-300, 1e-10, 1e-6, 1e-5, 1.00001e-5, 1.0,
              19.999, 20.0, 20.001, 100.0, 1e4, 1e10, 1e100, 1e300]
for x in digamma_x:
    row("digamma", x, v1=sp.psi(x))

# Bessel: both signs, the break at |x| = 8, far out.
bessel_x = steps(-40, 40, 0.1) + around(8.0) + around(-8.0)
bessel_x += [7.999, 8.001, 1e-300, 55.5, 100.25, 1000.5, 12345.6, 1e6 + 0.1]
for x in bessel_x:
    row("j0", x, v1=sp.j0(x))
    row("j1", x, v1=sp.j1(x))

# Airy: the oscillating side, the series, the asymptotic Ai with Bi from the
# series, both asymptotic, and the upper limit.
airy_x = steps(-30, 25.7, 0.05) + around(-2.09) + around(2.09) + around(8.3203353)
airy_x += [-1e6 + 0.3, -12345.678, -1000.5, -100.25, -40.0, -2.1, 25.77, 0.0]
for x in airy_x:
    ai, _, bi, _ = sp.airy(x)
    row("airy", x, v1=ai, v2=bi)


def jacobi(u, mc):
    """sn, cn, dn of u for m = 1 - mc; SciPy takes 0 <= m <= 1 only."""
    m = 1.0 - mc
    if 0.0 <= m <= 1.0:
        sn, cn, dn, _ = sp.ellipj(u, m)
        return sn, cn, dn
    if m > 1.0:  # reciprocal modulus: k sn(u|m) = sn(k u|1/m)
        k = math.sqrt(m)
        sn, cn, dn, _ = sp.ellipj(k * u, 1.0 / m)
        return sn / k, dn, cn
    # negative m: v = u sqrt(1 - m), mu = -m / (1 - m)
    r = math.sqrt(1.0 - m)
    sn, cn, dn, _ = sp.ellipj(u * r, -m / (1.0 - m))
    return sn / (r * dn), cn / dn, 1.0 / dn


jacobi_mc = [1.0, 0.999, 0.75, 0.5, 0.25, 0.1, 0.01, 1e-4, 1e-8, 0.0, -0.01, -0.25, -1.25,
             -3.0, -8.0, 1.5, 4.0]
for mc in jacobi_mc:
    for u in steps(-12, 12, 0.3) + [1e-300, 0.0]:
        row("jacobi", u, mc, *jacobi(u, mc))

# The integrals on their whole domains.
for x in steps(0.05, 49.95, 0.1) + [1e-300, 1e-8, 1e-3, 0.5, 1.0, 49.999]:
    si, ci = sp.sici(x)
    row("si", x, v1=si)
    row("ci", x, v1=ci)
for x in steps(0.05, 39.95, 0.1) + [1e-300, 1e-8, 1e-3, 0.5, 1.0, 10.0, 39.999]:
    row("ei", x, v1=sp.expi(x))

# Totient by a sieve over 1 .. 10000; a sample of it.
LIMIT = 10000
phi = list(range(LIMIT + 1))
for p in range(2, LIMIT + 1):
    if phi[p] == p:
        for multiple in range(p, LIMIT + 1, p):
            phi[multiple] -= phi[multiple] // p
for n in list(range(1, 301)) + list(range(301, LIMIT + 1, 97)) + [9973, 9999, 10000]:
    row("totient", n, v1=phi[n])

with open(OUT, "w") as out:
    out.write("name,x,second,value1,value2,value3\n")
    out.write("\n".join(rows) + "\n")
print(f"{len(rows)} rows written to {OUT}")
