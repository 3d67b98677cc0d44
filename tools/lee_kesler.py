"""The Lee-Kesler equation of state shared by the table generators: the constants of the
simple fluid and of the reference fluid n-octane, the compressibility factor and the roots of
the reduced volume.

    B. I. Lee and M. G. Kesler, "A generalized thermodynamic correlation based on three-
    parameter corresponding states", AIChE Journal 21 (1975) 510-527.
"""

import math

# Lee and Kesler (1975), Table 1: b1 b2 b3 b4 c1 c2 c3 c4 d1 d2 beta gamma.
SIMPLE = (0.1181193, 0.265728, 0.154790, 0.030323, 0.0236744, 0.0186984, 0.0, 0.042724,
          0.155488e-4, 0.623689e-4, 0.65392, 0.060167)
REFERENCE = (0.2026579, 0.331511, 0.027655, 0.203488, 0.0313385, 0.0503618, 0.016901,
             0.041577, 0.48736e-4, 0.0740336e-4, 1.226, 0.03754)
OMEGA_REFERENCE = 0.3978


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
