#!/usr/bin/env python3
"""Generates the generalized fugacity tables of the corresponding-states fugacity routine.

Run from the repository root with Python 3 (standard library only):

    python3 tools/generate_fugacity_tables.py > src/thermo/pure/fugacity_table_data.cpp

The tables hold F0 = ln(phi) of the simple fluid and F1 = (ln(phi_r) - ln(phi_0))/omega_r,
the acentric correction, as functions of the reduced temperature Tr and reduced pressure Pr,
evaluated from the Lee-Kesler equation of state:

    B. I. Lee and M. G. Kesler, "A generalized thermodynamic correlation based on three-
    parameter corresponding states", AIChE Journal 21 (1975) 510-527, Table 1 (constants of
    the simple fluid and of the reference fluid n-octane, omega_r = 0.3978) and their
    equations for Z and ln(f/P).

Roots. At each grid point every root of Pr = Tr Z/Vr is found on a fine logarithmic scan of
the ideal reduced volume Vr = Pc V/(R Tc). The tables of the general branch (regions 1, 2, 3
and 5) take the root of the smallest volume: the liquid where the isotherm has one, else the
single root. The vapour branch (regions 4 and 6, Tr below 1 and Pr below 1) takes the root of
the largest volume. A pressure of zero (Pr = 0, or ln Pr = -200) is the ideal gas: 0.
"""

import math
import sys

# Lee and Kesler (1975), Table 1: b1 b2 b3 b4 c1 c2 c3 c4 d1 d2 beta gamma.
SIMPLE = (0.1181193, 0.265728, 0.154790, 0.030323, 0.0236744, 0.0186984, 0.0, 0.042724,
          0.155488e-4, 0.623689e-4, 0.65392, 0.060167)
REFERENCE = (0.2026579, 0.331511, 0.027655, 0.203488, 0.0313385, 0.0503618, 0.016901,
             0.041577, 0.48736e-4, 0.0740336e-4, 1.226, 0.03754)
OMEGA_REFERENCE = 0.3978
ZERO_PRESSURE_LOG = -200.0


def terms(k, tr):
    b1, b2, b3, b4, c1, c2, c3, c4, d1, d2, beta, gamma = k
    b = b1 - b2 / tr - b3 / tr ** 2 - b4 / tr ** 3
    c = c1 - c2 / tr + c3 / tr ** 3
    d = d1 + d2 / tr
    return b, c, d, c4, beta, gamma


def compressibility(k, tr, vr):
    b, c, d, c4, beta, gamma = terms(k, tr)
    return (1.0 + b / vr + c / vr ** 2 + d / vr ** 5 +
            c4 / (tr ** 3 * vr ** 2) * (beta + gamma / vr ** 2) * math.exp(-gamma / vr ** 2))


def roots(k, tr, pr):
    def residual(v):
        return tr * compressibility(k, tr, v) / v - pr
    found = []
    grid = [0.01 * 1.01 ** i for i in range(1800)]
    for lo, hi in zip(grid, grid[1:]):
        flo, fhi = residual(lo), residual(hi)
        if flo == 0.0:
            found.append(lo)
        elif flo * fhi < 0.0:
            for _ in range(200):
                mid = 0.5 * (lo + hi)
                fmid = residual(mid)
                if flo * fmid <= 0.0:
                    hi = mid
                else:
                    lo, flo = mid, fmid
            found.append(0.5 * (lo + hi))
    if not found:
        raise RuntimeError("no root at Tr=%g Pr=%g" % (tr, pr))
    return found


def ln_phi(k, tr, vr):
    b, c, d, c4, beta, gamma = terms(k, tr)
    z = compressibility(k, tr, vr)
    e = c4 / (2.0 * tr ** 3 * gamma) * (
        beta + 1.0 - (beta + 1.0 + gamma / vr ** 2) * math.exp(-gamma / vr ** 2))
    return z - 1.0 - math.log(z) + b / vr + c / (2.0 * vr ** 2) + d / (5.0 * vr ** 5) + e


def ln_phi_at(k, tr, pr, vapour):
    found = roots(k, tr, pr)
    return ln_phi(k, tr, found[-1] if vapour else found[0])


def f0(tr, pr, vapour):
    if pr <= 0.0:
        return 0.0
    return ln_phi_at(SIMPLE, tr, pr, vapour)


def f1(tr, pr, vapour):
    if pr <= 0.0:
        return 0.0
    return (ln_phi_at(REFERENCE, tr, pr, vapour) - ln_phi_at(SIMPLE, tr, pr, vapour)) / \
        OMEGA_REFERENCE


def log_axis(values):
    return [ZERO_PRESSURE_LOG] + [math.log(v) for v in values]


# Region: (name, function, vapour branch, pressure axis in ln Pr, Tr axis, pressure axis).
REGIONS = [
    ("F0, Tr above 1.1", f0, False, False,
     [4.0, 3.0, 2.5, 2.0, 1.8, 1.6, 1.5, 1.4, 1.3, 1.2, 1.15, 1.1],
     [0.0, 1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0, 8.0, 9.0]),
    ("F0, Tr from 0.75 to 1.1", f0, False, False,
     [1.1, 1.05, 1.0, 0.95, 0.9, 0.85, 0.8, 0.75],
     [0.0, 0.1, 0.2, 0.4, 0.6, 0.8, 1.0, 1.2, 1.4, 1.6, 2.0, 2.4, 3.0, 3.6, 4.0, 4.5, 5.0,
      6.0, 7.0, 8.0, 9.0]),
    ("F0, Tr below 0.75", f0, False, True,
     [0.75, 0.7, 0.65, 0.6, 0.55, 0.5, 0.45, 0.4, 0.35, 0.3],
     log_axis([0.1, 0.3, 0.5, 1.0, 2.0, 3.0, 5.0, 7.0, 10.0])),
    ("F0, vapour branch", f0, True, True,
     [1.0, 0.95, 0.9, 0.85, 0.8, 0.7, 0.6],
     log_axis([0.1, 0.2, 0.3, 0.4, 0.6, 0.8, 1.0])),
    ("F1, general branch", f1, False, False,
     [4.0, 3.0, 2.0, 1.6, 1.3, 1.15, 1.05, 1.0],
     [0.0, 1.0, 2.0, 3.0, 5.0, 9.0]),
    ("F1, vapour branch", f1, True, False,
     [1.0, 0.9, 0.8],
     [0.0, 0.2, 0.4, 0.6, 0.8, 1.0]),
]


def table(function, vapour, logarithmic, trs, pressures):
    """Values column by column: the Tr index runs fastest."""
    values = []
    for p in pressures:
        pr = 0.0 if (logarithmic and p <= ZERO_PRESSURE_LOG) else (math.exp(p) if logarithmic else p)
        for tr in trs:
            values.append(function(tr, pr, vapour))
    return values


def emit(name, values):
    lines = ["constexpr std::array<double, %d> %s{" % (len(values), name)]
    row = []
    for v in values:
        row.append("%.6f" % v if v != 0.0 else "0.0")
        if len(row) == 6:
            lines.append("    " + ", ".join(row) + ",")
            row = []
    if row:
        lines.append("    " + ", ".join(row) + ",")
    lines.append("};")
    return "\n".join(lines)


def main():
    out = sys.stdout
    out.write("// Generated by tools/generate_fugacity_tables.py from the Lee-Kesler equation of state\n")
    out.write("// (B. I. Lee and M. G. Kesler, AIChE Journal 21 (1975) 510). Do not edit: run the\n")
    out.write("// generator again instead.\n")
    out.write("#include <array>\n\n#include \"thermo/pure/fugacity_tables.hpp\"\n\n")
    out.write("namespace pure::fugacity_tables {\nnamespace {\n\n")
    total = 0
    for r, (title, function, vapour, logarithmic, trs, pressures) in enumerate(REGIONS, 1):
        values = table(function, vapour, logarithmic, trs, pressures)
        total += len(trs) + len(pressures) + len(values)
        out.write("// Region %d: %s.\n" % (r, title))
        out.write(emit("kTr%d" % r, trs) + "\n")
        out.write(emit("kPressure%d" % r, pressures) + "\n")
        out.write(emit("kValues%d" % r, values) + "\n\n")
    out.write("}  // namespace\n\n")
    out.write("const std::array<Region, kRegions> kRegionTables{{\n")
    for r in range(1, len(REGIONS) + 1):
        out.write("    {kTr%d, kPressure%d, kValues%d},\n" % (r, r, r))
    out.write("}};\n\n}  // namespace pure::fugacity_tables\n")
    sys.stderr.write("%d values\n" % total)


if __name__ == "__main__":
    main()
