// The distillation curve of a composition and its conversion chain (STMTBP).
#include "streamprops/distillation_tables.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

#include "platform/platform.hpp"
#include "problem/database.hpp"
#include "services/kept_values.hpp"
#include "services/markers.hpp"
#include "services/services.hpp"

namespace streamprops {
namespace {

constexpr double kRankinePerKelvin = 1.8;
constexpr double kRankineOffset = 459.67;
constexpr double kWaterDensity = 999.014;  // kg/m3 at 60 F, the volume basis
constexpr double kLumpSpan = 1.0;          // K: closer boiling points form one lump
constexpr double kFrontCut = 0.01;         // the front temperature averages the first 1 %
constexpr double kFrontPoint = 0.005;      // ... and stands for 0.5 %

// BP options: the TBP method word and the problem's conversion method.
constexpr std::size_t kTbpMethodWord = 3;
constexpr std::size_t kConversionOption = 5;
constexpr std::int32_t kForcedMethod = 4;

// Maxwell-Bonnell parameter at 10 mmHg (log10 P = 1, P in mmHg): Maxwell and Bonnell, Ind.
// Eng. Chem. 49 (1957) 1187, as given for the API Technical Data Book procedure 5A1.19.
constexpr double kMaxwellBonnell10 = (5.994296 - 0.972546) / (2663.129 - 95.76);

// Positions of the nine characteristic points on the grid.
constexpr std::array<std::size_t, kNinePoints> kNineOnGrid{0, 1, 2, 6, 10, 14, 18, 19, 20};

// Kept so that a warm call allocates nothing; every problem open starts them again.
std::vector<std::int32_t> lumpEnds;
CurveEnds curveEnds;
const bool kKeptReset = services::registerKeptValues([] {
  lumpEnds = {};
  curveEnds = CurveEnds{};
});

constexpr std::array<double, kCurvePoints> kFractions{
    0.00, 0.05, 0.10, 0.15, 0.20, 0.25, 0.30, 0.35, 0.40, 0.45, 0.50,
    0.55, 0.60, 0.65, 0.70, 0.75, 0.80, 0.85, 0.90, 0.95, 1.00};

double knownOrOne(double t) { return t <= services::RMISS ? 1.0 : t; }

double nineStart(double ibpFraction) { return std::min(ibpFraction / 2.0, 0.05); }
double nineEnd(double endFraction) { return std::max((1.0 + endFraction) / 2.0, 0.95); }

void line(std::int32_t unit, const char* text) { platform::writeLine(unit, text); }

// The lumps of a build: their cumulative fractions, boiling points and volumes.
struct Lumps {
  std::span<double> c;   // cumulative fraction at each lump's end
  std::span<double> m;   // mid fraction
  std::int32_t count = 0;
  const CurveComponents* comp = nullptr;
  double temperature(std::int32_t j) const {
    const std::int32_t k = comp->order[static_cast<std::size_t>(lumpEnds[j])];
    return knownOrOne(comp->boilingPoint[static_cast<std::size_t>(k - 1)]);
  }
  double start(std::int32_t j) const { return j == 0 ? 0.0 : c[j - 1]; }
};

// The average boiling point of the first X distilled.
double frontAverage(const Lumps& l, double x) {
  double sum = 0.0;
  double reached = 0.0;
  for (std::int32_t j = 0; j < l.count; ++j) {
    if (l.c[j] < 0.0) continue;
    if (l.c[j] < x) {
      sum += (l.c[j] - l.start(j)) * l.temperature(j);
      reached = l.c[j];
    } else {
      sum += (x - reached) * l.temperature(j);
      break;
    }
  }
  return sum / x;
}

// The average boiling point of the last (1 - E) distilled; the last boiling point when
// nothing is left past E.
double endAverage(const Lumps& l, double e, double last) {
  if (1.0 - e <= 0.0) return last;
  double sum = 0.0;
  double upper = 1.0;
  std::int32_t j = l.count - 1;
  while (j > 0 && l.c[j - 1] > e) {
    sum += (upper - l.c[j - 1]) * l.temperature(j);
    upper = l.c[j - 1];
    --j;
  }
  sum += (upper - e) * l.temperature(j);
  return sum / (1.0 - e);
}

// Points 2 to 20 of the TBP curve: linear between the mid points of the lumps around each
// grid fraction.
void gridPoints(const Lumps& l, double e, double front, double endT,
                std::span<double, kCurvePoints> curve) {
  const double lastMid = (1.0 + e) / 2.0;
  auto qualifies = [&](std::int32_t j) {
    const auto scaledMid = static_cast<std::int64_t>(l.m[j] * 100000.0);
    const auto scaledEnd = static_cast<std::int64_t>(l.c[j] * 100000.0);
    const double t = l.temperature(j);
    return scaledMid != scaledEnd && l.m[j] > kFrontPoint && l.m[j] < lastMid &&
           t >= front - 0.01 && t <= endT + 0.01;
  };
  double x0 = kFrontPoint, t0 = front;
  std::int32_t j = 0;
  for (std::size_t k = 1; k + 1 < kCurvePoints; ++k) {
    const double p = kFractions[k];
    double x1 = std::max(lastMid, 0.95), t1 = endT;
    while (j < l.count) {
      if (!qualifies(j)) {
        ++j;
      } else if (l.m[j] < p) {
        x0 = l.m[j];
        t0 = l.temperature(j);
        ++j;
      } else {
        x1 = l.m[j];
        t1 = l.temperature(j);
        break;
      }
    }
    curve[k] = ((x1 - p) * t0 + (p - x0) * t1) / (x1 - x0);
  }
}

void debugTable(const Lumps& l, const CurveComponents& c, std::int32_t unit) {
  char text[160];
  line(unit, " SEQU  COMP   MID VOLUME   END VOLUME     BOILING     DENSITY   MOLECULAR");
  line(unit, "                                           POINT                  WEIGHT");
  if (c.water > 0) line(unit, " ***  WATER IS DECANTED       -  NOT INCLUDED IN ASSAYS  ***");
  for (std::int32_t j = 0; j < l.count; ++j) {
    const std::int32_t k = c.order[static_cast<std::size_t>(lumpEnds[j])];
    const auto kk = static_cast<std::size_t>(k - 1);
    std::snprintf(text, sizeof text, " %4d %5d %12.6f %12.6f %11.3f %11.4f %11.3f", j + 1, k,
                  l.m[j], l.c[j], l.temperature(j), c.gravity[kk], c.molecularWeight[kk]);
    line(unit, text);
  }
}

void debugEnds(std::int32_t unit, double front, double last) {
  char text[120];
  std::snprintf(text, sizeof text, " TBP000= %12.4f K %12.4f F", front,
                front * kRankinePerKelvin - kRankineOffset);
  line(unit, text);
  std::snprintf(text, sizeof text, " TBP100= %12.4f K %12.4f F", last,
                last * kRankinePerKelvin - kRankineOffset);
  line(unit, text);
}

// Step 3 to 5: the TBP curve of the composition. False when there is no positive volume.
bool buildTbp(std::int32_t jflag, std::int32_t debug, std::int32_t unit,
              const CurveComponents& c, double ibpFraction, double e, double& ibpT,
              double& endT, std::int32_t& basis, std::span<double> cumulative,
              std::span<double> mid, std::span<double, kCurvePoints> curve) {
  const auto n = static_cast<std::int32_t>(c.order.size());
  if (jflag == static_cast<std::int32_t>(CurveType::TbpWeight)) basis = 1;
  // Volumes (or weights), running sums.
  double s = 0.0;
  for (std::int32_t i = 0; i < n; ++i) {
    const auto k = static_cast<std::size_t>(c.order[static_cast<std::size_t>(i)] - 1);
    double v = std::max(c.amounts[k], 0.0) * c.molecularWeight[k];
    if (basis == 0) v /= c.gravity[k] * kWaterDensity;
    s += v;
    cumulative[i] = s;
    mid[i] = -1.0;
  }
  // Lumps: a component opens a new lump when it boils more than 1 K above the previous one.
  if (lumpEnds.size() < static_cast<std::size_t>(n)) lumpEnds.resize(static_cast<std::size_t>(n));
  std::int32_t count = 0;
  for (std::int32_t i = 0; i < n; ++i) {
    const bool opens = i == 0 || c.boilingPoint[static_cast<std::size_t>(c.order[i] - 1)] -
                                         c.boilingPoint[static_cast<std::size_t>(c.order[i - 1] - 1)] >
                                     kLumpSpan;
    if (opens) ++count;
    lumpEnds[static_cast<std::size_t>(count - 1)] = i;
  }
  for (std::int32_t j = 0; j < count; ++j) cumulative[j] = cumulative[lumpEnds[j]];
  for (std::int32_t j = count; j < n; ++j) cumulative[j] = -1.0;
  if (!(s > 0.0)) return false;

  Lumps l{cumulative, mid, count, &c};
  double last = 1.0;
  for (std::int32_t j = 0; j < count; ++j) {
    l.c[j] /= s;
    l.m[j] = (l.start(j) + l.c[j]) / 2.0;
    if (l.c[j] > l.start(j)) last = l.temperature(j);
  }
  if (debug == 1 || debug == 3) debugTable(l, c, unit);

  const double front = frontAverage(l, kFrontCut);
  ibpT = ibpFraction == kFrontCut ? front : frontAverage(l, ibpFraction);
  endT = endAverage(l, e, last);
  curveEnds = CurveEnds{front, last};
  if (debug >= 2) debugEnds(unit, front, last);
  curve[0] = ibpT;
  curve[kCurvePoints - 1] = endT;
  gridPoints(l, e, front, endT, curve);
  return true;
}

// Step 7: the observed temperature t with t + 10^(0.00473 t - 1.587) = x, F, above 475 F.
double removeCracking(double kelvin) {
  const double x = kelvin * kRankinePerKelvin - kRankineOffset;
  constexpr double kOnset = 475.0;
  if (x <= kOnset) return kelvin;
  double t = (x + kOnset) / 2.0;
  for (int it = 0; it < 20; ++it) {
    const double f = std::pow(10.0, std::min(0.00473 * t - 1.587, 30.0));
    const double step = (t - x + f) / (1.0 + 0.00473 * f);
    t -= step;
    if (std::abs(step / t) < 0.0001) break;
  }
  if (t <= kOnset) t = x;
  return (t + kRankineOffset) / kRankinePerKelvin;
}

// Step 9: the D1160 differences from the 10 mmHg TBP differences, F.
double gLow(double d) {
  return d > 77.45 ? 1.0714668 * d - 12.857602 : (0.0018628663 * d + 0.75769771) * d;
}
double hFront(double d) {
  if (d > 72.0 && d < 128.0) return (0.00962315 * d - 0.7063625) * d + 42.7487;
  if (d >= 128.0) return 1.818182 * d - 122.7273;
  return (0.0022249545 * d + 0.42326066) * d;
}

void d1160Points(std::span<const double, kCurvePoints> curve, std::span<double, kNinePoints> p) {
  for (std::size_t k = 0; k < kNinePoints; ++k) p[k] = curve[kNineOnGrid[k]];
  const double t0 = p[0], t5 = p[1], t10 = p[2], t30 = p[3], t50 = p[4];
  const double t90 = p[6], t95 = p[7], t100 = p[8];
  const double f = kRankinePerKelvin;
  p[3] = t50 - gLow((t50 - t30) * f) / f;
  p[2] = p[3] - gLow((t30 - t10) * f) / f;
  p[0] = p[2] - hFront((t10 - t0) * f) / f;
  p[1] = services::RELCMP(t0, t10) != 0 ? ((t10 - t5) * p[0] + (t5 - t0) * p[2]) / (t10 - t0)
                                        : p[0];
  p[7] = services::RELCMP(t90, t100) != 0
             ? ((t95 - t90) * p[8] + (t100 - t95) * p[6]) / (t100 - t90)
             : p[8];
}

}  // namespace

CurveEnds& lastCurveEnds() { return curveEnds; }

std::span<const double, kCurvePoints> curveFractions() { return kFractions; }

void floorCurve(std::span<double> curve) {
  for (std::size_t k = 1; k < curve.size(); ++k) {
    if (curve[k] <= curve[0]) std::fill(curve.begin(), curve.begin() + static_cast<long>(k) + 1, curve[k]);
  }
}

void layOnGrid(std::span<const double> abscissas, std::span<const double> values,
               std::span<double, kCurvePoints> curve) {
  std::array<double, kNinePoints> x{};
  std::array<double, kNinePoints> y{};
  std::array<double, kNinePoints> c{};
  std::size_t n = 0;
  for (std::size_t k = 0; k < abscissas.size() && n < kNinePoints; ++k) {
    if (n > 0 && !(abscissas[k] > x[n - 1])) continue;
    x[n] = abscissas[k];
    y[n] = values[k];
    ++n;
  }
  services::SPLCOF(static_cast<std::int32_t>(n), x, y, c, static_cast<std::int32_t>(kCurvePoints),
                   kFractions, curve, {}, {}, 0, 0);
}

void STMTBP(std::int32_t& iflag, std::int32_t jflag, std::int32_t& ierr, std::int32_t debug,
            std::int32_t unit, std::int32_t method, const CurveComponents& c,
            double ibpFraction, double endFraction, double& ibpT, double& endT,
            std::int32_t& basis, std::span<double> cumulative, std::span<double> mid,
            std::span<double, kCurvePoints> curve, std::span<double, kCurvePoints> tbp) {
  // 1. Entry: the conversion method, water out of the composition.
  const auto& bp = problem::DBGLOB.bpvals;
  if (bp.integers(kTbpMethodWord) == kForcedMethod || bp.integers(kConversionOption) == kForcedMethod) {
    method = kForcedMethod;
  } else {
    method = std::max(method, 1);
  }
  const bool hasWater = c.water > 0 && static_cast<std::size_t>(c.water) <= c.amounts.size();
  const double waterAmount = hasWater ? c.amounts[static_cast<std::size_t>(c.water - 1)] : 0.0;
  if (hasWater) c.amounts[static_cast<std::size_t>(c.water - 1)] = 0.0;
  struct RestoreWater {
    const CurveComponents& c;
    bool on;
    double amount;
    ~RestoreWater() {
      if (on) c.amounts[static_cast<std::size_t>(c.water - 1)] = amount;
    }
  } restore{c, hasWater, waterAmount};
  if (debug > 0) {
    char text[80];
    std::snprintf(text, sizeof text, " ENTERED STMTBP - IFLAG=%4d JFLAG=%4d", iflag, jflag);
    line(unit, text);
  }
  ierr = 0;
  const std::int32_t entryType = iflag;
  const double e = endFraction;
  auto done = [&] {
    iflag = jflag;
    ierr = 0;
  };

  // 2. Where to start.
  const bool fromComposition = jflag == 7 || iflag < 1 || iflag > 5;
  std::int32_t step = fromComposition ? 3 : (iflag == 1 ? 6 : iflag == 2 ? 7 : iflag == 3 ? 8 : 9);

  if (step == 3) {
    if (!buildTbp(jflag, debug, unit, c, ibpFraction, e, ibpT, endT, basis, cumulative, mid,
                  curve)) {
      ierr = 1;
      return;
    }
    if (jflag == static_cast<std::int32_t>(CurveType::TbpWeight)) {
      basis = 0;
      return done();
    }
    std::copy(curve.begin(), curve.end(), tbp.begin());
    if (jflag == 1) return done();
    step = 6;
  }

  // 6. D86 at nine points, laid onto the grid.
  if (step == 6 && jflag <= 3) {
    std::array<double, kNinePoints> d86{};
    if (method == static_cast<std::int32_t>(D86Method::RiaziDaubert)) curve[0] = curveEnds.front;
    if (!convertToD86(method, curve, d86)) {
      // No points from this method: a curve of zeros rather than stale numbers.
      std::fill(curve.begin(), curve.end(), 0.0);
      ierr = 1;
      return;
    }
    if (method == static_cast<std::int32_t>(D86Method::RiaziDaubert)) {
      D86IP(ibpFraction, e, kFractions, curve, curveEnds.front, curveEnds.last, debug, unit, d86);
    }
    const std::array<double, kNinePoints> x{nineStart(ibpFraction), 0.05, 0.10, 0.30, 0.50,
                                            0.70, 0.90, 0.95, nineEnd(e)};
    layOnGrid(x, d86, curve);
    if (jflag == 2) return done();
    step = 7;
  }

  // 7. The cracking correction taken out.
  if (step == 7 && jflag <= 3) {
    for (double& t : curve) t = removeCracking(t);
    return done();
  }
  if (step <= 8) step = 8;

  // 8. TBP at 10 mmHg from the TBP curve.
  if (step == 8 && jflag <= 6) {
    constexpr double a = kMaxwellBonnell10;
    for (std::size_t k = 0; k < kCurvePoints; ++k) {
      const double r = tbp[k] * kRankinePerKelvin;
      curve[k] = r / ((748.1 - 0.2145 * r) * a + 0.0002867 * r) / kRankinePerKelvin;
    }
    if (jflag <= 4) return done();
    step = 9;
  }

  // 9. ASTM D1160 at 10 mmHg and at atmospheric pressure.
  if (step == 9 && jflag <= 6) {
    std::array<double, kNinePoints> p{};
    if (jflag == 6 && entryType == 5) {
      for (std::size_t k = 0; k < kNinePoints; ++k) p[k] = curve[kNineOnGrid[k]];
    } else {
      d1160Points(curve, p);
    }
    if (jflag == 6) {
      constexpr double a = kMaxwellBonnell10;
      for (double& t : p) {
        const double r = t * kRankinePerKelvin;
        t = 748.1 * a * r / (1.0 + 0.2145 * a * r - 0.0002867 * r) / kRankinePerKelvin;
      }
    }
    floorCurve(p);
    const std::array<double, kNinePoints> x{nineStart(ibpFraction), 0.05, 0.10, 0.30, 0.50,
                                            0.70, 0.90, 0.95, nineEnd(e)};
    layOnGrid(x, p, curve);
    floorCurve(curve);
    return done();
  }

  // 10. ASTM D2887 from the TBP curve.
  if (jflag > 7) return;
  std::array<double, 8> t8{};
  std::array<double, 8> d8{};
  for (std::size_t k = 1; k < kNinePoints; ++k) t8[k - 1] = curve[kNineOnGrid[k]];
  TBPCN3(1, d8, t8);
  const double t0 = curve[0], t10 = curve[2];
  const std::array<double, 8> x{0.05, 0.10, 0.30, 0.50, 0.70, 0.90, 0.95, nineEnd(e)};
  layOnGrid(x, d8, curve);
  // The 0 % point below the 10 % point by the 10-5 law over the TBP front difference.
  const double rise = t10 > t0
                          ? std::pow((t10 - t0) * kRankinePerKelvin / static_cast<double>(0.15779f),
                                     1.0 / 1.4296) /
                                kRankinePerKelvin
                          : 0.0;
  curve[0] = d8[1] - rise;
  floorCurve(curve);
  done();
}

}  // namespace streamprops
