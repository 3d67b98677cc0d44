#!/usr/bin/env python3
"""Generates the generalized enthalpy-departure table of the correlation-family residual
enthalpy (MTHDSP).

Run from the repository root with Python 3 (standard library only):

    python3 tools/generate_departure_tables.py > src/thermo/pure/departure_table_data.cpp

The table is one array of 817 reals holding nine sub-tables, each laid out as its reduced-
temperature axis (descending), its pressure axis (ascending) and its values column by
column (the temperature index fastest); five unused zero words follow sub-table 2.

    sub-tables 1-4  ln S, S = (H° - H)/(R Tc) of the simple fluid, against Tr and ln Pr;
                    -200 stands for ln 0 (the column at Pr = 0)
    sub-tables 5-9  A = ((H° - H)_r - (H° - H)_0)/(R Tc omega_r), the acentric deviation per
                    unit acentric factor, against Tr and Pr

The departures come from the Lee-Kesler equation of state:

    B. I. Lee and M. G. Kesler, "A generalized thermodynamic correlation based on three-
    parameter corresponding states", AIChE Journal 21 (1975) 510-527: Table 1 (constants of
    the simple fluid and of the reference fluid n-octane, omega_r = 0.3978) and their
    equation for (H - H°)/(R Tc).

The axes are those of the older generalized charts that the method was first fitted to;
the values of those charts differ from the Lee-Kesler ones by up to about ten per cent at
low pressure, where the Lee-Kesler values agree with the second virial coefficient.

Roots. Every root of Pr = Tr Z/Vr is found on a fine logarithmic scan of the ideal reduced
volume Vr = Pc V/(R Tc). The vapour sub-tables (4 and 9, Tr below 1 and Pr below 1) take the
vapour, the others the liquid below the critical temperature (the single root above it).
Below the critical temperature a root is liquid when its volume lies below the liquid
spinodal (the first local minimum of Pr(Vr)) and vapour when it lies above the vapour
spinodal (the local maximum after it). Where a phase has no root at a grid point, beyond its
spinodal, the departure at the spinodal volume stands in: the phase's value at its limit of
stability, so that both fluids of a deviation entry are always the same phase.
"""

import math
import sys

from lee_kesler import OMEGA_REFERENCE, REFERENCE, SIMPLE, compressibility, roots

ZERO_PRESSURE_LOG = -200.0
TOTAL_WORDS = 817
UNUSED_AFTER_SECOND = 5


def departure(k, tr, vr):
    """(H° - H)/(R Tc) of one fluid at Tr and its reduced volume."""
    b1, b2, b3, b4, c1, c2, c3, c4, d1, d2, beta, gamma = k
    z = compressibility(k, tr, vr)
    e = c4 / (2.0 * tr ** 3 * gamma) * (
        beta + 1.0 - (beta + 1.0 + gamma / vr ** 2) * math.exp(-gamma / vr ** 2))
    h = tr * (z - 1.0 - (b2 + 2.0 * b3 / tr + 3.0 * b4 / tr ** 2) / (tr * vr) -
              (c2 - 3.0 * c3 / tr ** 2) / (2.0 * tr * vr ** 2) + d2 / (5.0 * tr * vr ** 5) +
              3.0 * e)
    return -h


def pressure(k, tr, vr):
    return tr * compressibility(k, tr, vr) / vr


def refine(k, tr, lo, hi, sign):
    """The extremum of sign * Pr(V) in [lo, hi] by golden-section search."""
    ratio = (math.sqrt(5.0) - 1.0) / 2.0
    for _ in range(200):
        a = hi - ratio * (hi - lo)
        b = lo + ratio * (hi - lo)
        if sign * pressure(k, tr, a) > sign * pressure(k, tr, b):
            hi = b
        else:
            lo = a
    return 0.5 * (lo + hi)


def spinodals(k, tr):
    """The volumes of the liquid spinodal (first local minimum of Pr(V)) and of the vapour
    spinodal (the local maximum after it), or None where the isotherm has no loop."""
    grid = [0.01 * 1.01 ** i for i in range(1800)]
    p = [pressure(k, tr, v) for v in grid]
    low = next((i for i in range(1, len(grid) - 1) if p[i] <= p[i - 1] and p[i] < p[i + 1]),
               None)
    if low is None:
        return None
    high = next((i for i in range(low + 1, len(grid) - 1)
                 if p[i] >= p[i - 1] and p[i] > p[i + 1]), None)
    if high is None:
        return None
    return (refine(k, tr, grid[low - 1], grid[low + 1], -1.0),
            refine(k, tr, grid[high - 1], grid[high + 1], 1.0))


def phase_volume(k, tr, pr, vapour):
    """The reduced volume of the liquid (or vapour) at Tr and Pr. Below the critical
    temperature a root smaller than the liquid spinodal volume is liquid, one larger than
    the vapour spinodal volume vapour; where the phase has no root at Pr (beyond its
    spinodal) the spinodal volume itself stands in, so that the table holds the phase's
    value at its stability limit."""
    found = roots(k, tr, pr)
    loop = spinodals(k, tr) if tr < 1.0 else None
    if loop is None:
        return found[-1] if vapour else found[0]
    liquid_limit, vapour_limit = loop
    if vapour:
        candidates = [v for v in found if v >= vapour_limit]
        return candidates[-1] if candidates else vapour_limit
    candidates = [v for v in found if v <= liquid_limit]
    return candidates[0] if candidates else liquid_limit


def departure_at(k, tr, pr, vapour):
    return departure(k, tr, phase_volume(k, tr, pr, vapour))


def simple_log(tr, pr, vapour):
    if pr <= 0.0:
        return ZERO_PRESSURE_LOG
    s = departure_at(SIMPLE, tr, pr, vapour)
    if s <= 0.0:
        raise RuntimeError("simple-fluid departure not positive at Tr=%g Pr=%g" % (tr, pr))
    return math.log(s)


def deviation(tr, pr, vapour):
    if pr <= 0.0:
        return 0.0
    return (departure_at(REFERENCE, tr, pr, vapour) -
            departure_at(SIMPLE, tr, pr, vapour)) / OMEGA_REFERENCE


def log_axis(values):
    return [ZERO_PRESSURE_LOG if v == 0.0 else math.log(v) for v in values]


# Sub-table: (title, function, vapour branch, logarithmic pressure axis, Tr axis, pressures).
SUBTABLES = [
    ("simple fluid, Tr 1.4 and above", simple_log, False, True,
     [4.0, 3.6, 3.0, 2.4, 1.9, 1.4],
     [0.0, 0.2, 0.5, 1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0, 8.0, 10.0]),
    ("simple fluid, Tr 0.9 to 1.4", simple_log, False, True,
     [1.4, 1.25, 1.15, 1.05, 1.03, 1.0, 0.99, 0.95, 0.9],
     [0.0, 0.2, 0.4, 0.6, 0.8, 0.9, 1.0, 1.1, 1.2, 1.4, 1.6, 2.0, 2.4, 3.0, 4.0, 5.0, 10.0]),
    ("simple fluid, Tr below 0.9", simple_log, False, True,
     [0.9, 0.75, 0.55, 0.35],
     [0.1, 0.5, 1.0, 2.0, 3.0, 5.0, 10.0]),
    ("simple fluid, vapour", simple_log, True, True,
     [1.0, 0.9, 0.8],
     [0.01, 0.1, 0.2, 0.4, 0.6, 0.8, 0.9, 1.0]),
    ("deviation, Tr 1.25 and above, Pr to 2", deviation, False, False,
     [4.0, 3.0, 2.0, 1.7, 1.5, 1.25],
     [0.0, 0.4, 1.0, 2.0]),
    ("deviation, Tr 0.9 to 1.25, Pr to 2", deviation, False, False,
     [1.25, 1.2, 1.13, 1.09, 1.07, 1.05, 1.03, 1.01, 1.0, 0.99, 0.98, 0.95, 0.9],
     [0.2, 0.4, 0.6, 0.8, 0.9, 1.0, 1.1, 1.2, 1.4, 1.6, 1.8, 2.0]),
    ("deviation, Tr 0.9 and above, Pr above 2", deviation, False, False,
     [4.0, 3.5, 3.0, 2.5, 2.0, 1.7, 1.5, 1.4, 1.3, 1.25, 1.2, 1.13, 1.09, 1.03, 1.0, 0.9],
     [2.0, 2.2, 2.6, 3.0, 4.0, 5.0, 7.0, 9.0]),
    ("deviation, Tr below 0.9", deviation, False, False,
     [0.9, 0.8, 0.7, 0.55, 0.35],
     [0.1, 0.3, 0.5, 1.0, 2.0, 3.0, 5.0, 9.0]),
    ("deviation, vapour", deviation, True, False,
     [1.0, 0.95, 0.9, 0.8],
     [0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.8, 0.9, 1.0]),
]


def values_of(function, vapour, trs, pressures):
    """Values column by column: the Tr index runs fastest."""
    return [function(tr, pr, vapour) for pr in pressures for tr in trs]


def number(v):
    if v == 0.0:
        return "0.0"
    text = "%.6g" % v
    return text if ("." in text or "e" in text) else text + ".0"


def emit(words):
    lines = []
    row = []
    for v in words:
        row.append(number(v))
        if len(row) == 8:
            lines.append("    " + ", ".join(row) + ",")
            row = []
    if row:
        lines.append("    " + ", ".join(row) + ",")
    return "\n".join(lines)


def main():
    out = sys.stdout
    out.write("// Generated by tools/generate_departure_tables.py from the Lee-Kesler equation of\n")
    out.write("// state (B. I. Lee and M. G. Kesler, AIChE Journal 21 (1975) 510). Do not edit: run\n")
    out.write("// the generator again instead.\n")
    out.write("#include <array>\n\n#include \"thermo/pure/departure_tables.hpp\"\n\n")
    out.write("namespace pure::departure_tables {\n\n")
    out.write("// clang-format off\n")
    out.write("const std::array<double, kWords> kTable{\n")
    total = 0
    for s, (title, function, vapour, logarithmic, trs, pressures) in enumerate(SUBTABLES, 1):
        axis = log_axis(pressures) if logarithmic else pressures
        values = values_of(function, vapour, trs, pressures)
        out.write("    // Sub-table %d: %s (%d x %d).\n" % (s, title, len(trs), len(pressures)))
        out.write(emit(trs + axis + values) + "\n")
        total += len(trs) + len(pressures) + len(values)
        if s == 2:
            out.write("    // Unused.\n")
            out.write(emit([0.0] * UNUSED_AFTER_SECOND) + "\n")
            total += UNUSED_AFTER_SECOND
    out.write("};\n// clang-format on\n\n}  // namespace pure::departure_tables\n")
    if total != TOTAL_WORDS:
        raise RuntimeError("%d words instead of %d" % (total, TOTAL_WORDS))


if __name__ == "__main__":
    main()
