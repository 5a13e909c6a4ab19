#!/usr/bin/env python3
"""Writes the small seed corpora in fuzz/corpus/ from the cases of the tests.

Run it again after changing the lists; the fuzzers' own finds stay in the
build directory and are never committed.
"""
import base64
import json
import math
import pathlib
import shutil
import struct

HERE = pathlib.Path(__file__).resolve().parent
CORPUS = HERE / "corpus"

# Terms from the interpreter's and the special functions' tests: operators,
# the text preparation, every kind of built-in, failures of every code.
TERMS = [
    "1,5*2", " 1 000 ", "-X", "+5", "(-X^2)", "( - X ^ 2 )", "(-2^2)", "-2^2", "2)+3",
    "20000000000", "0-20000000000", "2+3*4", "2^3^2", "2--3", "2*-3^2", "16/4/2",
    "1+8\\3", "4#9+1", "2&4*2", "1+3<5", "1+3>5", "2*3%4", "10-5~2", "2\xb73", "1/0",
    "5;7+P", "PI/2", "PHI", "\xc9", "[2,5]+|X-3|", "1.2.3", "1\xe92", "SIN(X)",
    "1,5*SIN(2*X+0,5)-1,25", "TAN(X)", "1/X", "LN(X)", "SQRT(X)", "SQR(X)", "INT(X)",
    "HEAVISIDE(X)", "SGN(X)", "VORZEICHEN(X)", "FRAC(X)", "EXP(X)", "EHOCH(X)", "LG(X)",
    "LD(X)", "LOG(X;10)", "ARCSIN(X)", "ARCCOS(X)", "ARCTAN(X)", "ARCCOT(X)", "ARCSEC(X)",
    "ARCCSC(X)", "SINH(X)", "COSH(X)", "TANH(X)", "COTH(X)", "ARSINH(X)", "ARCOSH(X)",
    "ARTANH(X)", "COT(X)", "SEC(X)", "CSC(X)", "SINW(X)", "COSW(X)", "TANW(X)", "COTW(X)",
    "ARCTANW(X)", "ARCSINW(X)", "WURZEL(X)", "WURZEL3(X)", "WURZEL4(X)", "W3(X)", "W4(X)",
    "GAMMA(X)", "GAMMALN(X)", "DIGAMMA(X)", "BETA(X;2)", "GAUSS(X)", "MCARLO(X)",
    "EXPP(X;2)", "WP(X;3)", "GSUMME(X)", "TIME(X)", "SI(X)", "CI(X)", "EI(X)",
    "BESSJ0(X)", "BESSJ1(X)", "AI(X)", "BI(X)", "SN(X)", "CN(X)", "DN(X)",
    "EULERPHI(X)", "F1(X)", "X^1000", "X^-3", "1E300*1E300", "((((((X))))))",
    "SIN(", "sin(x)", "", " ", ",,",
]


def repeated(unit, length=4000):
    """The unit joined by "+" up to about `length` characters."""
    return "+".join([unit] * (length // (len(unit) + 1)))


# Long terms of the costliest calls and deep nesting: each must stay within
# the harness's time limit.
TERMS += [repeated("EULERPHI(9999)"), repeated("SI(49,9)"), repeated("EI(39,9)"),
          "(" * 300 + "X" + ")" * 300, "F1(" * 300 + "X" + ")" * 300]

# X selectors of the EvaluateTerm harness: 0 zero, 2 +infinity, 4 not a
# number, 12 1e300, 128 + k the integer k, 192 a raw double that follows.
X_CHOICES = [bytes([0]), bytes([2]), bytes([4]), bytes([12]), bytes([129]), bytes([131]),
             bytes([125]), bytes([192]) + struct.pack("<d", 1.5)]

EDIT_TEXTS = [
    "1.5", "  -0.25", "+3", "1e3", "2.5E-2", ".5", "5.", "0", "1e-400", "", " ", "-", ".",
    "1,5", "12abc", "1.5 ", "1e", "1e+", "1e400", "-1e400", "inf", "nan", "1.2.3", "0x10",
    "\xe9", "1,2,3", "pi/2", "2*x", "1/0", "abc", "sqrt(-1)", "int(2,5)", "10000000000",
    "2 000,5", "((((1))))", "\u20ac".encode("utf-8").decode("latin-1"), "9" * 400,
]

# FormatPoint / FormatComma / FormatSigned cases: value, width, decimals.
FORMATS = [
    (1.5, 1, 5), (3, 1, 5), (100, 1, 5), (-0.25, 1, 5), (12.345678, 1, 5), (-0.000001, 1, 5),
    (10, 1, 0), (0.5, 4, 3), (-7, 4, 3), (0.0625, 4, 3), (1.5, 1, 6), (-2, 1, 6), (0, 1, 6),
    (-0.0000001, 1, 6), (0.125, 1, 2), (2.5, 1, 0), (9.9999999, 1, 5), (1e36, 1, 5),
    (-1.5, 6, 1), (1.5, 6, 3), (0.0123, 1, 4), (10000, 1, 4), (-0.4, 4, 0),
    (math.inf, 1, 5), (-math.inf, 1, 5), (math.nan, 1, 5), (1.7976931348623157e308, 1, 5),
    (5e-324, 1, 30),
]

# Plot lists, one entry per line: what the fit and the result list write,
# and the malformed lists the drawing must survive.
PLOT_LISTS = [
    ["#F", " ", "#F", "1,5*SIN(2*X+0,5)-1,25", "#m", "...", "1.5", "1.4", "-0.5", "1", "..."],
    ["#F", "SIN(X)"], ["#F", "TAN(X)"], ["#F", ""], ["#F", "1/X"], ["#F", "INT(X)"],
    ["#F", "1E10*X"], ["#F", "LN(X)"], ["#m", "...", "1.5", "2", "..."], ["#m", "...", "..."],
    ["#x", "SIN(X)", "#F", "X"], ["#m", "...", "1", "2", "3"], ["#m", "...", "1", "..."],
    ["#m", "...", "abc", "1e400", "..."], ["F"], ["#"], ["#m"], [""],
]


# Sine fits: the mode byte, the byte that may stop the scan (128 + k: after
# k looks at the window), the held value, the bound, the pair count, then x
# and y of each pair; every value as selector 208 and eight raw bytes.
EXAMPLE_PAIRS = [(1.5, 1.4), (1.1, 1.2), (0.7, 0), (0.3, -0.2), (-0.1, 0.4), (-0.5, 1), (-1, 1.6),
                 (-1.5, 1.2), (2.8, 0.1)]


def sine_fit_input(mode, fixed, bound, pairs, stop=0, sigma=None, count=None):
    """count above 200: a long series, `pairs` its pattern of 64 pairs."""
    def value(v):
        return bytes([208]) + struct.pack("<d", v)
    count = len(pairs) if count is None else count
    data = bytes([mode - 1, stop]) + value(fixed) + value(bound) + bytes([count])
    for x, y in pairs:
        data += value(x) + value(y)
    if sigma is not None:  # after the pairs: the byte that asks for Δy, then each Δy
        data += bytes([1]) + b"".join(value(s) for s in sigma)
    return data


def yearly(count, start=0.0, step=3.65, phase=0.3):
    return [(start + i * step, 10 + 5 * math.sin(2 * math.pi / 365.25 * i * step + phase))
            for i in range(count)]


SINE_FITS = [
    (1, 0, 200, EXAMPLE_PAIRS),
    (2, 1.5, 200, EXAMPLE_PAIRS),
    (3, math.pi / 2, 200, EXAMPLE_PAIRS),
    (4, 0.5, 200, EXAMPLE_PAIRS),
    (5, 0.75, 200, EXAMPLE_PAIRS),
    (1, 0, 200, yearly(200)),
    (4, 2, 1.7976931348623157e308, yearly(200, start=1.7e9, step=3600.0)),
    (2, -1, math.inf, yearly(120, step=0.5)),
    (1, 0, 0, EXAMPLE_PAIRS),
    (5, math.nan, math.nan, [(1.0, y) for y in (0.5, -2, 3, 0, 1e-300)]),
    (1, 0, 200, [(1e308, -1e308), (-1e308, 5e-324), (0.0, -0.0), (5e-324, 1e308), (2, 2)]),
    (3, math.inf, 200, [(float(i % 3), float(i)) for i in range(30)]),
    (1, 0, 200, []),
    (1, 0, 5e-324, EXAMPLE_PAIRS),
    (2, 1.5, 1.6e-318, [(-8.98846567431158e307, 1), (1.9e185, -2)] + EXAMPLE_PAIRS),
]


# Weighted fits: good Δy (constant, varying 100-fold, one outlier's large),
# and each kind the check refuses (0, negative, huge, tiny, infinite, NaN).
WEIGHTED_FITS = [
    (1, 0, 200, EXAMPLE_PAIRS, [0.1] * 9),
    (1, 0, 200, yearly(200), [0.01 * 100 ** (i / 199) for i in range(200)]),
    (4, 2, 200, EXAMPLE_PAIRS, [0.1] * 8 + [1000]),
    (1, 0, 200, EXAMPLE_PAIRS, [0.1] * 8 + [0]),
    (1, 0, 200, EXAMPLE_PAIRS, [-0.1] + [0.1] * 8),
    (1, 0, 200, EXAMPLE_PAIRS, [1e200] * 9),
    (1, 0, 200, EXAMPLE_PAIRS, [1e-200] * 9),
    (1, 0, 200, EXAMPLE_PAIRS, [0.1] * 7 + [math.inf, math.nan]),
]


# The text rule: pair count, the exponents (+9) of x's offset and spread and
# of y's offset and spread, each offset followed by its share byte, the Δy
# byte, then each pair's two bytes, the fit's four bytes and an error.
def text_precision_input(count, x_offset, x_spread, y_offset, y_spread, weighted, error):
    data = bytes([count - 1, x_offset + 9, 200, x_spread + 9, y_offset + 9, 60, y_spread + 9,
                  1 if weighted else 0])
    for i in range(count):
        data += bytes([(37 * i) % 256, (101 * i + 13) % 256])
    return data + bytes([200, 150, 90, 128]) + struct.pack("<d", error)


TEXT_PRECISIONS = [
    (9, 0, 0, 0, 0, False, 0.0123),     # the usual scale
    (200, 3, 2, 1, 2, False, 173155.6),  # sunspots
    (200, 9, 5, 1, 0, False, 17.57),     # Unix time
    (200, 0, -1, -6, -6, False, 5e-14),  # microvolts
    (200, 5, 2, 5, 3, False, 1.4e5),     # air pressure in Pa
    (50, -9, -9, 9, -9, True, 1e-30),    # the extremes
    (1, 9, 9, -9, -9, False, 1e300),
]


# Pair files: the reader's test files and a few more ways of writing pairs.
PAIR_FILES = [
    b"Zeit [s];Spannung [V]\r\n0;1,5\r\n0,25;-2,125\r\n1.234,5;+3\r\n",
    b"# Logger 7\n% Kanal 1\n// Start\nt\tU\n1.5\t2.5\n#x\n2\t1e-3\n",
    b"   1.0    2.0\n  10.5   -3.25  \n100     4E+02\n",
    b'"x","y"\n"1.5","2.5"\n3, "4.75" \n"1,234.5",6\n',
    b'"1,5","2,5"\n"3","-0,5"\n',
    b"\xef\xbb\xbfZeit \xc2\xb5s;Wert\r1,5;2\r3;4,5\r",
    "\ufeff1;2\n3;4\n".encode("utf-16-le"),
    "1\t2\n3\t4\n".encode("utf-16-be"),
    b"Betrag;Menge\n1.234.567,5;2\n1'000,25;,5\n",
    b"t;a;b\n1;2;3\n4;5;6\n",
    b"12:00:01;1,5;2\n12:00:02;2,5;3\n",
    b"x;y\n1;2\nFehler\n3;\n5;6\n7;abc\n",
    b"sep=,\n1.5,2\n",
    b"1e308;1e-400\n1e309;1\n",
    b"1,5\n2,5\n3\n",
    b"1,5\n2,7\n",
    b'x;y\r\n1,5;-3\r\n2,25;1e-3\r\n"abc";"x;""y"""\r\n7;\r\n;9\r\n',
    b"Zeit;Spannung;Strom \x84A\x93\r\n0;1,5;7\r\n1;2,5;8\r\n",
    b" 1,5\n-2.25e3\n+.5\n7.\n",
    b"\x89PNG\r\n\x1a\n\0\0\0\rIHDR",
    b"",
    # Loggers, stations, scopes and archives: dates, sample clocks, missing values.
    b'"Plot Title: K"\n"#";"Datum Zeit, GMT+01:00";"Temp, \xb0C"\n1;02.11.26 00:00:00;19,4\n'
    b"2;02.11.26 00:10:00;-888,88\n3;02.11.26 00:20:00;19,5\n",
    b"Zeit;Wert\n2026-12-01 00:05:00;1,5\n2026-12-01 00:10:00;NaN\n2026-12-01 00:15:00;2\n",
    b"time,value\n2026-10-25T01:30:00.250+02:00,1\n2026-10-25T02:30:00Z,2\n",
    b"STATIONS_ID;MESS_DATUM;QN_9;TT_TU;eor\n  3987;2025060100;  3; 16.2;eor\n"
    b"  3987;2025060101;  3;-999;eor\n  3987;2025060102;  3; 15.1;eor\n",
    b"X,CH1,Start,Increment,\nSequence,Volt,-6.0e-03,1.0e-05\n0,1.2e-01,\n1,1.3e-01,\n2,1.1e-01,\n",
    b"# c\nyear,month,decimal date,average\n1958,3,1958.2027,315.70\n1958,4,1958.2877,-99.99\n"
    b"1958,5,1958.3699,317.51\n",
    b"1749;01;1749.042;  96.7; -1.0;   -1;1\n1749;02;1749.123;104.3; -1.0;   -1;1\n"
    b"1749;03;1749.204; 116.7; -1.0;   -1;1\n",
    b'"Date Time","Temp"\n12/09/26 12:00:00 AM,1\n12/09/26 01:00:00 PM,2\n',
    b"Datum Uhrzeit Wert\n28.03.2026 01:00 1\n29.03.2026 03:00 2\n29.03.2026 03:00 3\n",
]

PAIR_FILE_WORDS = [
    "\t", ";", ",", " ", "\r\n", "\r", "\"", '""', "#", "%", "//", "sep=", "'", ".",
    "e-", "E+", "1.234,5", "1,234.5", "-0,5", "+.5", "1e308", "\xef\xbb\xbf", "\xff\xfe",
    "\xfe\xff", "\xa0", "\x00", "2026-12-09", "T14:30:00", "+01:00", "Z", "09.12.26", "12/09/2026",
    " PM", " AM", "14:30", ":05.250", "2025060113", "NaN", "NA", "-999", "-99.99", "-888.88",
    "Start", "Increment", "decimal date", "MESS_DATUM", "Datum", "Zeit", "#",
]


def write_pair_file_dictionary():
    def escape(word):
        return "".join(c if (c.isascii() and c.isalnum()) or c in " ;,.#%/+-='" else f"\\x{ord(c):02X}"
                       for c in word)
    lines = [f'"{escape(word)}"' for word in PAIR_FILE_WORDS]
    (HERE / "pair_file.dict").write_text("\n".join(lines) + "\n")


# The built-in names, for the term dictionary.
FUNCTION_NAMES = (
    "SQR SQRT EXP LN ABS SI SIN COS TAN ARCCOS LG ARCTAN SINH COSH TANH INT SGN F1 F2 F3 F4 "
    "COT LD ARCSIN ARSINH ARCOSH ARTANH SEC GAMMA GAUSS MCARLO CI EI BETA BESSJ0 BESSJ1 "
    "WURZEL WURZEL3 EHOCH WURZEL4 W3 W4 LOG CSC WP F5 VORZEICHEN FRAC EXPP GAMMALN HEAVISIDE "
    "SINW COSW TANW COTW ARCTANW ARCSINW GSUMME SN CN DN EULERPHI AI BI ARCCOT ARCSEC DIGAMMA "
    "TIME ARCCSC COTH"
).split()


def write_dictionary():
    """libFuzzer's dictionary of the term language and the plot list."""
    lines = [f'"{name}("' for name in FUNCTION_NAMES]
    lines += [f'"{word}"' for word in ("PI", "PHI", "K1", "K5", "1E10", "1E300", "0.5", "(-X^")]
    lines += [f'"\\x{code:02X}"' for code in (183, 201, 233)]
    # The plot list's tags and section end, each with the line break that
    # separates entries in the DrawPlotList harness.
    lines += [f'"{entry}\\x0A"' for entry in ("#F", "#m", "...")]
    (HERE / "term.dict").write_text("\n".join(lines) + "\n")


def points_input(flags, width, height, view, copies, triples):
    """An input of fuzz_draw_points: flags, the area, the view, how often the
    pairs repeat, then (x, y, dy) triples."""
    head = struct.pack("<BHH4dB", flags, width, height, *view, copies)
    return head + b"".join(struct.pack("<3d", *t) for t in triples)


# Points: a noisy sine with bars, a chosen view on a vector device, values at
# the limits of doubles and views, and an area too large for a pixel grid.
POINTS = [
    points_input(1, 782, 498, (0, 0, 0, 0), 20,
                 [(x / 10, math.sin(x / 10), 0.2) for x in range(-78, 79, 3)]),
    points_input(7, 782, 498, (-3, 5, -2, 4), 5,
                 [(x / 7, x % 5 - 2, 0.5 * (x % 3)) for x in range(-30, 40)]),
    points_input(5, 100, 80, (-1e15, 1e15, -1e15, 1e15), 1,
                 [(1e308, 0, 1e308), (math.nan, 1, 1), (0, math.inf, 1), (1e-300, -1e-300, 1e300),
                  (-1e15, 1e15, 0), (5e14, -5e14, 1e14)]),
    points_input(0x39, 0, 0, (0, 0, 0, 0), 3, [(x / 3, x / 5, 1) for x in range(-20, 20)]),
]


# Trend, damped and sum fits: the model byte (0 trend, 1 damped, 2 several
# frequencies, 3 harmonics; plus 4·K for a sum of K sines, 0: while
# significant), the mode, the
# held value, the bound, the count byte, the length byte (240 + 2k: the k-th
# long length; 255: the bound on its full grid), x's origin and step, the spacing (0 even, 1 jitter, 2 gaps,
# 3 descending, 4 doubled x, 5 uneven, 6 shuffled, 7 raw pairs first), the
# shape (periods over the span ×4, 64 + 16·δ·span, 128 + 32·trend, noise
# 2^(byte − 20)), y's scale and offset, the Δy byte (bit 0 on; bits 1..5
# the size 2^(k − 24) of the scale; bit 6 growing 100-fold; bit 7 outliers).
def model_fit_input(model, mode, fixed, bound, count, origin, step, spacing, periods, decay,
                    trend, noise, scale, offset, delta_y=0, length=0, raw=None):
    def value(v):
        return bytes([208]) + struct.pack("<d", v)
    data = bytes([model, mode - 1]) + value(fixed) + value(bound) + bytes([count, length])
    data += value(origin) + value(step) + bytes([spacing, periods, decay, trend, noise])
    data += value(scale) + value(offset) + bytes([delta_y])
    if raw is not None:
        data += bytes([len(raw) - 1]) + b"".join(value(x) + value(y) for x, y in raw)
    return data


# Count byte c gives 3 + c + c // 4 pairs; 158 of them make 200.
MODEL_FITS = [
    # 200 pairs from 0 in steps of 0.05: eight periods on a rising line.
    (0, 1, 0, 200, 158, 0.0, 0.05, 0, 32, 64, 160, 14, 1.5, -1.25),
    (1, 1, 0, 5, 158, 0.0, 0.05, 0, 32, 96, 128, 14, 1.5, 0.0),
    # A logger in Unix time, hourly with jitter, a daily cycle, weighted.
    (1, 1, 0, 1e-3, 240, 1.7e9, 3600.0, 1, 50, 80, 128, 16, 2.0, 21.0, 0x1 | (24 << 1) | 64),
    # Microvolts at 5 kHz, c held.
    (0, 4, 0.5, 1000, 158, 0.0, 2e-4, 5, 40, 64, 100, 12, 2.5e-6, 4e-7),
    # Milliseconds since 1970, a held (negative), a huge bound.
    (1, 2, -3, 1e300, 100, 1.7e12, 10.0, 2, 20, 70, 128, 10, 1.0, 0.0),
    # Values of 1e12 about an offset, d held, the bound not a number.
    (0, 5, 1e12, math.nan, 60, 2024.5, 1.0 / 12, 6, 12, 64, 200, 18, 1e12, 1e12),
]


# Sums of sines: count byte c gives 3 + c % 38 pairs, at most 40.
SUM_FITS = [
    # Two periods over 40 evenly spaced pairs, two sines asked for.
    (2 + 4 * 2, 1, 0, 200, 37, 0.0, 0.25, 0, 40, 64, 128, 12, 1.5, -1.25),
    # As many as are significant, in hourly readings with jitter, weighted.
    (2, 1, 0, 1e-3, 37, 1.7e9, 3600.0, 1, 50, 64, 128, 16, 2.0, 21.0, 0x1 | (24 << 1)),
    # Ten sines on 30 pairs with gaps, b held.
    (2 + 4 * 10, 3, 0.5, 1e300, 27, 0.0, 1.0, 2, 20, 64, 128, 10, 1.0, 0.0),
    # Three harmonics of a shape that is no pure sine, c held.
    (3 + 4 * 3, 4, 0.5, 1000, 37, 0.0, 2e-4, 5, 12, 64, 128, 14, 2.5e-6, 4e-7),
    # Harmonics while significant, shuffled x, d held, the bound not a number.
    (3, 5, 1e12, math.nan, 33, 2024.5, 1.0 / 12, 6, 12, 64, 200, 18, 1e12, 1e12),
]


def write_model_fits():
    for i, case in enumerate(MODEL_FITS):
        write("model_fit", f"fit_{i:03d}", model_fit_input(*case))
    for i, case in enumerate(SUM_FITS):
        write("model_fit", f"sum_{i:03d}", model_fit_input(*case))
    # 21 000 pairs at 100 Hz (its lines' errors from the texts' numbers).
    write("model_fit", "long_000", model_fit_input(1, 1, 0, 5, 0, 0.0, 0.01, 0, 120, 80, 128, 14,
                                                   0.75, 1.2, length=248))
    # 2 500 pairs, their first ones any values the table holds, b held
    # (the bound does not count then).
    write("model_fit", "raw_000", model_fit_input(
        0, 3, 2.0, math.inf, 0, 0.0, 1.0, 7, 16, 64, 128, 10, 1.0, 0.0, length=240,
        raw=[(1e308, -1e308), (-1e308, 5e-324), (0.0, -0.0), (5e-324, 1e308), (1.7e9, 1e-300)]))


# Sessions (docs/session-format.md): the smallest, one with a value in every
# part (Latin-1 cells, a cell beyond Latin-1, f(x) values, results on their
# pairs, views, non-finite numbers), a newer minor version with keys of its
# own, and the full one cut short.
def session_text(table, rest=None, version="1.0", ascii=False):
    session = {"format": "kalvento-sitzung", "version": version, "saved": "2026-12-09T15:20:00",
               "table": table}
    session.update(rest or {})
    return json.dumps(session, indent=2, ensure_ascii=ascii).encode("utf-8")


PRECISION = {"a": 6, "b": 6, "c": 6, "d": 6, "error": 4, "errorDigits": 0, "fittedValue": 4,
             "plotX": 5, "plotY": 5, "specifiedScale": True}
FULL_SESSION = session_text(
    {"rows": 9, "x": ["1,5", "2\u00b73", "", "-0,25"], "y": ["\"q\"", "a\\b", "\t\u0001", "\u00e9\u00ff"],
     "fx": ["", "0,1234"], "dy": [], "full": {"y": [{"index": 4, "text": "5 \u20ac"}]},
     "sigmaShown": True,
     "fitted": {"term": "1,5*SIN(2*X)", "precision": PRECISION, "runs": [0, 1, 3, 1], "x": [1.5, -0.25]},
     "pairsModified": True, "pairFile": "/home/j\u00f6rg/a.csv", "pairFileHasMoreColumns": False},
    {"settings": {"fitMode": 2, "fields": ["1,5", "", "", "", "\u03a9"], "frequencyScan": True,
                  "model": 1, "frequencies": 3, "randomSeed": 4294967295},
     "results": {"lines": [{"entry": "y = 1,5\u00b7sin(2x)", "mode": 1,
                            "parameters": [1.5, "inf", "-inf", -0.0], "error": "nan", "model": 0,
                            "values": [0.1, 1e300], "originX0": 0, "originPhase": 0,
                            "scanBound": 100, "searchedUpTo": 5e-324, "precision": PRECISION,
                            "pairs": 0}],
                 "chosen": 0, "sortByError": True, "weighted": False, "pairCount": "4",
                 "computedPairs": [{"x": [1, 2], "y": [3, 4], "sigma": [0.1, 0.2]},
                                   {"tablePairs": True}]},
     "shown": {"entry": "y = 1,5\u00b7sin(2x)", "statistics": True, "scanHint": "", "modelHint": "",
               "plotEntries": ["#F", "SIN(X)"], "pointsAreTablePairs": False,
               "points": {"x": [1], "y": [2], "sigma": []}, "pairsOnly": False,
               "userView": {"xMin": -1, "xMax": 1, "yMin": -2, "yMax": 2}, "otherView": None,
               "periodogram": True, "periodAxis": False, "spectralWindow": False,
               "residuals": True, "resultInPlot": False, "titleX": "t in s", "titleY": "U"}})
SESSIONS = [
    session_text({}),
    session_text({"rows": 3, "x": ["1", "2", "3"], "y": ["4", "5", "6"]}),
    FULL_SESSION,
    session_text({"rows": 1, "x": ["\u00e9"], "neu": [[{"a": None}]], "pairFile": "\U0001d11e"},
                 {"zukunft": {"b": 1}}, "1.7", ascii=True),
    FULL_SESSION[:len(FULL_SESSION) * 2 // 3],
]
SESSION_WORDS = [
    '"format"', '"version"', '"kalvento-sitzung"', '"1.0"', '"2.0"', '"table"', '"rows"', '"full"',
    '"index"', '"text"', '"fitted"', '"runs"', '"xFromTable"', '"settings"', '"fields"',
    '"results"', '"lines"', '"chosen"', '"computedPairs"', '"tablePairs"', '"shown"', '"points"', '"userView"',
    '"precision"', '"pairs"', '"inf"', '"-inf"', '"nan"', "true", "false", "null", "-0", "1e308",
    "5e-324", "\\u00e9", "\\ud834\\udd1e", "\\u0100", "\u00e9", "[", "]", "{", "}", ":", ",",
]


def write_sessions():
    for i, text in enumerate(SESSIONS):
        write("read_session", f"session_{i:03d}", text)
    def escape(word):
        return "".join(c if c.isascii() and c.isprintable() and c not in '"\\' else
                       "".join(f"\\x{b:02X}" for b in c.encode("utf-8")) for c in word)
    (HERE / "session.dict").write_text("\n".join(f'"{escape(w)}"' for w in SESSION_WORDS) + "\n")


def write(harness, name, data):
    folder = CORPUS / harness
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data)


def latin1(text):
    return text.encode("latin-1")


def main():
    shutil.rmtree(CORPUS, ignore_errors=True)
    write_dictionary()
    write_pair_file_dictionary()
    for i, term in enumerate(TERMS):
        x = X_CHOICES[i % len(X_CHOICES)]
        write("evaluate_term", f"term_{i:03d}", x + latin1(term))
    for i, text in enumerate(EDIT_TEXTS):
        write("number_parsing", f"text_{i:03d}", latin1(text))
    for i, (x, width, decimals) in enumerate(FORMATS):
        # Form byte 0: width and decimals follow as one signed byte each.
        write("number_format", f"format_{i:03d}",
              struct.pack("<dBbb", x, 0, width, decimals))
    for i, entries in enumerate(PLOT_LISTS):
        # The first byte sets the cursor the list starts with (0 here).
        write("draw_plot_list", f"list_{i:03d}", b"\0" + latin1("\n".join(entries)))
    for i, data in enumerate(PAIR_FILES):
        write("read_pair_file", f"file_{i:03d}", data)
    for i, (mode, fixed, bound, pairs) in enumerate(SINE_FITS):
        write("sine_fit", f"fit_{i:03d}", sine_fit_input(mode, fixed, bound, pairs))
    # The same long scan, stopped at its first and its fourth look.
    write("sine_fit", f"fit_{len(SINE_FITS):03d}", sine_fit_input(1, 0, 1e6, yearly(200), 128))
    write("sine_fit", f"fit_{len(SINE_FITS) + 1:03d}", sine_fit_input(5, 10, 1e6, yearly(200), 131))
    # Long series: 2199 yearly pairs, a logger with Unix time stopped at its
    # third look, a weighted one with c held.
    write("sine_fit", "long_000", sine_fit_input(1, 0, 1.0, yearly(64), count=255))
    write("sine_fit", "long_001",
          sine_fit_input(1, 0, 0.01, yearly(64, start=1.7e9, step=3600.0), 130, count=230))
    write("sine_fit", "long_002", sine_fit_input(4, 0.3, 2.0, yearly(64, step=0.5), 0,
                                                 [0.1 + 0.01 * i for i in range(64)], count=210))
    # Found by the fuzzer: a long series whose best pass is a zero-frequency
    # term with an amplitude of -7e41, capped by the interpreter.
    write("sine_fit", "found_negative_huge_amplitude", base64.b64decode(
        "AQDQAAAAAADQoMjrhfP7+/v7zKDhf8jQ64XzzOH/AQAAAAAAAA8AAAAAQNBmZmZmZpkAPD8B0JqZmbk/"))
    # Found by the fuzzer: a long series with a held amplitude whose term
    # reads "NAN", which the interpreter does not take for a number.
    write("sine_fit", "found_held_nan_amplitude", base64.b64decode(
        "AQDQAAAAAAAA+P///////////////////////////////////////z/QBPEEAAAAAAAL0AAAAAAAAOD/"
        "0AAAAAAAAPA/0FjdKUePW2Zm0ADbAAAAAADA0AAAAAAAAPg/0GZmZmZmZvY/0JqZmZmZmfE/0DMzMzMz"
        "M/M/0GZmZmZmZuY/0AAAAAAAAAAA0DMzMzMzM9M/0JqZmZmZmcm/0JqZmZmZmbm/0JqZmZmZmdk/0AAA"
        "AAAAAOC/0AAAAAAAAPA/0AAAAAAAAPC/0JqZmZmZmfk/0AAAAAAAAPi/0DMzMzMzM/M/0GZmZmZmZgZA"
        "0JqZmZmZmbk/"))
    # Found by the fuzzer: a long series fitted almost exactly, whose tiny
    # error sum differs from the interpreter's in its eighth digit.
    write("sine_fit", "found_near_exact_long_fit", base64.b64decode(
        "AILQAAAAAAAAAADQexRB/////////v////8B//8A0AAAAAAAAA=="))
    for i, data in enumerate(POINTS):
        write("draw_points", f"points_{i:03d}", data)
    for i, (mode, fixed, bound, pairs, sigma) in enumerate(WEIGHTED_FITS):
        write("sine_fit", f"weighted_{i:03d}", sine_fit_input(mode, fixed, bound, pairs, 0, sigma))
    for i, case in enumerate(TEXT_PRECISIONS):
        write("text_precision", f"scale_{i:03d}", text_precision_input(*case))
    write_model_fits()
    write_sessions()


if __name__ == "__main__":
    main()
