// Distillation curve conversions: TBP to ASTM D86 by methods 1, 2, 3 and 6, and TBP to and
// from ASTM D2887.
#include "streamprops/curve_conversions.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>

#include "platform/platform.hpp"
#include "problem/entity_contexts.hpp"
#include "problem/streams.hpp"
#include "services/services.hpp"

namespace streamprops {
namespace {

constexpr double kRankinePerKelvin = 1.8;
constexpr double kRankineOffset = 459.67;  // degrees F = degrees R - 459.67

// Positions of the characteristic points on the 21-point grid.
constexpr std::size_t k0 = 0, k5 = 1, k10 = 2, k30 = 6, k50 = 10, k70 = 14, k90 = 18,
                      k95 = 19, k100 = 20;
// Positions within a nine-point curve.
constexpr std::size_t n0 = 0, n5 = 1, n10 = 2, n30 = 3, n50 = 4, n70 = 5, n90 = 6, n95 = 7,
                      n100 = 8;

double fahrenheit(double kelvin) { return kelvin * kRankinePerKelvin - kRankineOffset; }
double kelvinOfFahrenheit(double f) { return (f + kRankineOffset) / kRankinePerKelvin; }

// A single-precision constant as the correlation tabulates it.
constexpr double single(float v) { return static_cast<double>(v); }

// D5 and D95 by the TBP curve's proportions; outer points where the TBP points coincide.
void commonEnds(Curve21 tbp, NinePoints d) {
  const double t0 = tbp[k0], t5 = tbp[k5], t10 = tbp[k10];
  const double t90 = tbp[k90], t95 = tbp[k95], t100 = tbp[k100];
  d[n5] = services::RELCMP(t0, t10) != 0 ? ((t10 - t5) * d[n0] + (t5 - t0) * d[n10]) / (t10 - t0)
                                         : d[n0];
  d[n95] = services::RELCMP(t90, t100) != 0
               ? ((t95 - t90) * d[n100] + (t100 - t95) * d[n90]) / (t100 - t90)
               : d[n100];
}

// ---------------------------------------------------------------------------------------
// Method 1
// ---------------------------------------------------------------------------------------

struct Quadratic {
  double a, b, c;
  double operator()(double d) const { return (a * d + b) * d + c; }
};

// One segment of method 1: f1 up to the first threshold, f2 strictly between the
// thresholds, the line f3 at or above the second.
struct PiecewiseSegment {
  double first, second;
  Quadratic f1, f2, f3;
  double operator()(double d) const {
    if (d <= first) return f1(d);
    if (d < second) return f2(d);
    return f3(d);
  }
};

// Published constants of the piecewise TBP-D86 relations (Edmister and Okamoto, Petroleum
// Refiner 38 (1959), as fitted for the API Technical Data Book).
constexpr PiecewiseSegment kSeg50to30{108, 202, {0.0033557, 0.49098, -0.0464},
                                      {-0.002615626, 1.751691, -67.0055}, {0, 0.695, 39.61}};
constexpr PiecewiseSegment kSeg30to10{94, 200, {0.00414646, 0.351443, 0.1674},
                                      {-0.0026917, 1.802044, -76.041}, {0, 0.72536, 31.628}};
// The 10-0 segment has one threshold: the line applies strictly above 68.
constexpr PiecewiseSegment kSeg10to0{68, 68, {0.003272056, 0.371203, -0.2007},
                                     {0, 0, 0}, {0, 0.8148, -15.4064}};
constexpr PiecewiseSegment kSeg70to50{96, 200, {0.00320609, 0.563678, -0.2831},
                                      {-0.002258744, 1.613203, -51.227}, {0, 0.7097, 39.12}};
constexpr PiecewiseSegment kSeg90to70{107, 200, {0.0022973, 0.702343, -0.6337},
                                      {-0.002304425, 1.605381, -45.526}, {0, 0.6836, 46.65}};
constexpr PiecewiseSegment kSeg100to90{45, 120, {0.003961, 0.751894, 0.0536},
                                       {-0.00356732, 1.283552, -8.751}, {0, 0.4274, 42.712}};

// ---------------------------------------------------------------------------------------
// Method 2: TBP = a D86^b, Rankine (Riazi and Daubert 1986; API Technical Data Book
// procedure 3A1.1, the Rankine constants)
// ---------------------------------------------------------------------------------------

struct PowerLaw {
  std::size_t grid;  // position on the 21-point grid
  std::size_t nine;  // position in the nine-point curve
  double a, b;
};
constexpr std::array<PowerLaw, 7> kRiaziDaubert{{{k0, n0, 0.91668, 1.001868},
                                                 {k10, n10, 0.5277, 1.090011},
                                                 {k30, n30, 0.7429, 1.042533},
                                                 {k50, n50, 0.89203, 1.017565},
                                                 {k70, n70, 0.87051, 1.02259},
                                                 {k90, n90, 0.948976, 1.010955},
                                                 {k95, n95, 0.80079, 1.03549}}};

// ---------------------------------------------------------------------------------------
// Method 3: normalised exponential relations
// ---------------------------------------------------------------------------------------

// D86 difference = Q + (P - Q) q (1 - E) / (1 + b E), E = exp(-a r^c),
// q = (1 + b exp(-a)) / (1 - exp(-a)), r = max((d - U) / (V - U), 0): Q at r = 0, P at r = 1.
struct ExponentialSegment {
  double p, q, b, c, a, u, v;
  double operator()(double d) const {
    const double r = std::max((d - u) / (v - u), 0.0);
    const double e = std::exp(-a * std::pow(r, c));
    const double scale = (1.0 + b * std::exp(-a)) / (1.0 - std::exp(-a));
    return q + (p - q) * scale * (1.0 - e) / (1.0 + b * e);
  }
};
constexpr ExponentialSegment kVac10to0{single(138.614f), 0, single(3.14662f), single(1.20742f),
                                       single(5.88454f), 0, single(302.362f)};
constexpr ExponentialSegment kVac30to10{180, 0, single(11.5521f), single(0.975162f),
                                        single(4.20575f), 0, single(205.905f)};
constexpr ExponentialSegment kVac50to30{180, 0, single(6.11187f), single(1.04625f),
                                        single(3.42273f), 0, single(201.969f)};
constexpr ExponentialSegment kVac70to50{180, 0, single(5.02694f), single(1.03877f),
                                        single(3.21785f), 0, single(199.454f)};
constexpr ExponentialSegment kVac90to70{180, 0, single(4.75996f), single(1.0088f),
                                        single(3.18565f), 0, single(196.733f)};
constexpr ExponentialSegment kVac100to90{100,
                                         single(-19.1771f),
                                         single(-0.129528f),
                                         single(2.37676f),
                                         single(2.88141f),
                                         single(-56.7481f),
                                         142};

// The TBP-minus-D86 difference at 50 %, F: 0 at 200 F, 120 at 900 F, half a degree per
// degree beyond.
double vacuumShift(double x) {
  if (x >= 900.0) return 120.0 + (x - 900.0) * 0.5;
  constexpr double a = 1.32939, b = -0.657521;
  const double r = std::max((900.0 - x) / 700.0, 0.0);
  const double e = std::exp(-a * std::pow(r, 1.12663));
  const double scale = (1.0 + b * std::exp(-a)) / (1.0 - std::exp(-a));
  return 120.0 - 120.0 * scale * (1.0 - e) / (1.0 + b * e);
}

constexpr std::int32_t kOutOfRangeMessage = 1040010013;

// ---------------------------------------------------------------------------------------
// Daubert's difference relations: TBP difference = A (D86 difference)^B (API Technical
// Data Book procedure 3A1.1, 1994 revision; Riazi, Characterization and Properties of
// Petroleum Fractions, ASTM MNL50 (2005), Eqs. 3.20-3.22); simulated distillation:
// TBP difference = C (D2887 difference)^D (the same procedure, 3A3.1).
// ---------------------------------------------------------------------------------------

struct DifferenceLaw {
  double a, b;
  double forward(double y) const { return std::pow(std::max(y, kFloor) / a, 1.0 / b); }
  double backward(double x) const { return a * std::pow(std::max(x, kFloor), b); }
  static constexpr double kFloor = 2e-35;
};
// Segments outward from 50 %: 50-30, 30-10, 10-0, 70-50, 90-70, 100-90.
constexpr std::array<DifferenceLaw, 6> kDaubert{{{single(3.0305f), single(0.80076f)},
                                                 {single(4.9004f), single(0.71644f)},
                                                 {single(7.4012f), single(0.60244f)},
                                                 {single(2.5282f), single(0.82002f)},
                                                 {single(3.0419f), single(0.75497f)},
                                                 {single(0.11798f), single(1.6606f)}}};
// Segments outward from 50 %: 50-30, 30-10, 10-5, 70-50, 90-70, 95-90, 100-95.
constexpr std::array<DifferenceLaw, 7> kSimDist{{{0.05342, 1.6988},
                                                 {0.011903, 2.0253},
                                                 {0.15779, 1.4296},
                                                 {0.19861, 1.3975},
                                                 {0.31531, 1.2938},
                                                 {0.97476, 0.8723},
                                                 {0.02172, 1.9733}}};

// Builds a curve outward from its middle point MID: the points below it step down by the
// lower laws, those above step up by the upper laws. FROM holds the source curve, TO the
// result with TO[MID] already set; INVERT applies the laws backwards.
template <std::size_t N>
void buildOutward(std::span<const double, N> from, std::span<double, N> to, std::size_t mid,
                  std::span<const DifferenceLaw> laws, bool invert) {
  std::size_t law = 0;
  for (std::size_t k = mid; k > 0; --k, ++law) {
    const double diff = from[k] - from[k - 1];
    to[k - 1] = to[k] - (invert ? laws[law].backward(diff) : laws[law].forward(diff));
  }
  for (std::size_t k = mid; k + 1 < N; ++k, ++law) {
    const double diff = from[k + 1] - from[k];
    to[k + 1] = to[k] + (invert ? laws[law].backward(diff) : laws[law].forward(diff));
  }
}

void writeLine(std::int32_t unit, const char* format, double a, double b, double c, double d) {
  char line[160];
  std::snprintf(line, sizeof line, format, a, b, c, d);
  platform::writeLine(unit, line);
}

}  // namespace

void TBPCOF(Curve21 tbp, NinePoints d86) {
  // 50 %: y(x) in F.
  const double x = fahrenheit(tbp[k50]);
  double y;
  if (x <= 400.0) {
    y = 0.971185 * x + 11.526;
  } else if (x < 834.7) {
    y = (-0.00012272 * x + 1.07148) * x - 8.8603;
  } else {
    y = 0.80564 * x + 127.533;
  }
  d86[n50] = kelvinOfFahrenheit(y);
  // Each D86 difference from the TBP difference of its segment, F, applied in K.
  auto step = [&](const PiecewiseSegment& seg, std::size_t hi, std::size_t lo) {
    return seg((tbp[hi] - tbp[lo]) * kRankinePerKelvin) / kRankinePerKelvin;
  };
  d86[n30] = d86[n50] - step(kSeg50to30, k50, k30);
  d86[n10] = d86[n30] - step(kSeg30to10, k30, k10);
  d86[n0] = d86[n10] - step(kSeg10to0, k10, k0);
  d86[n70] = d86[n50] + step(kSeg70to50, k70, k50);
  d86[n90] = d86[n70] + step(kSeg90to70, k90, k70);
  d86[n100] = d86[n90] + step(kSeg100to90, k100, k90);
  commonEnds(tbp, d86);
}

void TBPCNV(Curve21 tbp, NinePoints d86) {
  // D = (T / a)^(1 / b) in Rankine.
  for (const PowerLaw& p : kRiaziDaubert) {
    d86[p.nine] =
        std::pow(tbp[p.grid] * kRankinePerKelvin / p.a, 1.0 / p.b) / kRankinePerKelvin;
  }
  const double t0 = tbp[k0], t5 = tbp[k5], t10 = tbp[k10];
  const double t90 = tbp[k90], t95 = tbp[k95], t100 = tbp[k100];
  const double top = services::RELCMP(t95, t90) != 0 ? (t100 - t90) / (t95 - t90) : 1.0;
  d86[n100] = d86[n90] + (d86[n95] - d86[n90]) * top;
  const double front = services::RELCMP(t10, t0) != 0 ? (t5 - t0) / (t10 - t0) : 1.0;
  d86[n5] = d86[n0] + (d86[n10] - d86[n0]) * front;
}

void D86IP(double ibpFraction, double endFraction,
           std::span<const double, kCurvePoints> fractions, Curve21 tbp, double front,
           double last, std::int32_t debug, std::int32_t unit, NinePoints d86) {
  constexpr double kFrontPoint = 0.005;  // the front temperature stands at 0.5 %
  constexpr double kFivePercent = 0.05;
  const double xi = ibpFraction / 2.0;
  if (ibpFraction == kFivePercent) {
    d86[n0] = d86[n5];
  } else if (xi != kFrontPoint) {
    d86[n0] += (d86[n5] - d86[n0]) * (xi - kFrontPoint) / (kFivePercent - kFrontPoint);
  }
  if (debug <= 0) return;
  char head[120];
  std::snprintf(head, sizeof head, " D86IP .. IBP FRACTION=%10.5f END FRACTION=%10.5f",
                ibpFraction, endFraction);
  platform::writeLine(unit, head);
  writeLine(unit, " D86IP .. FRONT=%10.3f K  LAST=%10.3f K%.0s%.0s", front, last, 0.0, 0.0);
  for (std::size_t k = 0; k < kCurvePoints; ++k) {
    writeLine(unit, " %6.1f %%  TBP=%10.3f K %10.3f F %10.3f C", fractions[k] * 100.0,
              tbp[k], fahrenheit(tbp[k]), tbp[k] - 273.15);
  }
  constexpr std::array<double, kNinePoints> kPercent{0, 5, 10, 30, 50, 70, 90, 95, 100};
  for (std::size_t k = 0; k < kNinePoints; ++k) {
    writeLine(unit, " %6.1f %%  D86=%10.3f K %10.3f F %10.3f C", kPercent[k], d86[k],
              fahrenheit(d86[k]), d86[k] - 273.15);
  }
  platform::writeLine(unit, " LEAVING D86IP");
}

void TBPVAC(Curve21 tbp, NinePoints d86) {
  // 50 %: solve T50 = x + g(x) by secant steps from 450 F.
  const double t50 = fahrenheit(tbp[k50]);
  auto residual = [&](double x) { return t50 - (x + vacuumShift(x)); };
  constexpr int kIterations = 51;
  double x = 450.0;
  double d50 = x;
  double estimate = x;
  for (int it = 0; it < kIterations; ++it) {
    d50 = x;
    const double f0 = residual(x);
    const double f1 = residual(x + 0.1);
    if (std::abs(f0) <= 0.001) {
      estimate = x + 0.2;
      break;
    }
    const double slope = (f1 - f0) / 0.1;
    x = std::abs(slope) <= 1e-10 ? x + 0.2 : x - f0 / slope;
    estimate = x;
  }
  // Segments outward from 50 %, F.
  auto diff = [&](std::size_t hi, std::size_t lo) {
    return (tbp[hi] - tbp[lo]) * kRankinePerKelvin;
  };
  std::array<double, kNinePoints> f{};
  f[n50] = d50;
  f[n30] = f[n50] - kVac50to30(diff(k50, k30));
  f[n10] = f[n30] - kVac30to10(diff(k30, k10));
  f[n0] = f[n10] - kVac10to0(diff(k10, k0));
  f[n70] = f[n50] + kVac70to50(diff(k70, k50));
  f[n90] = f[n70] + kVac90to70(diff(k90, k70));
  f[n100] = f[n90] + kVac100to90(diff(k100, k90));
  for (std::size_t k = 0; k < kNinePoints; ++k) d86[k] = kelvinOfFahrenheit(f[k]);
  commonEnds(tbp, d86);

  if (estimate > 900.0 || estimate < 200.0) {
    services::MSGPAR.shortTexts(1).assign(problem::ISRID(problem::SRPSET.set2.stream).view());
    services::MSGOUT(kOutOfRangeMessage);
  }
}

bool TBPCUT(Curve21 /*tbp*/, NinePoints /*d86*/) { return false; }

void TBPCN2(Curve21 tbp, NinePoints d86) {
  constexpr std::array<std::size_t, 7> kGrid{k0, k10, k30, k50, k70, k90, k100};
  constexpr std::array<std::size_t, 7> kNine{n0, n10, n30, n50, n70, n90, n100};
  std::array<double, 7> t{};
  std::array<double, 7> d{};
  for (std::size_t k = 0; k < 7; ++k) t[k] = tbp[kGrid[k]] * kRankinePerKelvin;
  DSTCNV(1, d, t);
  for (std::size_t k = 0; k < 7; ++k) d86[kNine[k]] = d[k];
  // The common rule in Rankine, then all nine to K.
  std::array<double, kCurvePoints> rankine{};
  for (std::size_t k = 0; k < kCurvePoints; ++k) rankine[k] = tbp[k] * kRankinePerKelvin;
  commonEnds(rankine, d86);
  for (double& v : d86) v /= kRankinePerKelvin;
}

void DSTCNV(std::int32_t option, std::span<double, 7> d86, std::span<double, 7> tbp) {
  constexpr std::size_t kMid = 3;
  const double a50 = single(0.8718f), b50 = single(1.0258f);
  constexpr double kLowA = 0.89203, kLowB = 1.017565;  // the 50 % law at or below 1.1 F
  if (option == 1) {
    const double x = tbp[kMid] - kRankineOffset;
    d86[kMid] = x > 1.1 ? std::pow(x / a50, 1.0 / b50) + kRankineOffset
                        : std::pow(tbp[kMid] / kLowA, 1.0 / kLowB);
    buildOutward<7>(tbp, d86, kMid, kDaubert, false);
  } else {
    const double x = d86[kMid] - kRankineOffset;
    tbp[kMid] = x > 1.1 ? a50 * std::pow(x, b50) + kRankineOffset
                        : kLowA * std::pow(d86[kMid], kLowB);
    buildOutward<7>(d86, tbp, kMid, kDaubert, true);
  }
}

void TBPCN3(std::int32_t option, std::span<double, 8> d2887, std::span<double, 8> tbp) {
  constexpr std::size_t kMid = 3;
  // Correlations in F; the points go to F and back.
  std::array<double, 8> from{};
  std::array<double, 8> to{};
  auto& src = option == 1 ? tbp : d2887;
  auto& dst = option == 1 ? d2887 : tbp;
  for (std::size_t k = 0; k < 8; ++k) from[k] = fahrenheit(src[k]);
  to[kMid] = from[kMid];
  buildOutward<8>(from, to, kMid, kSimDist, option != 1);
  for (std::size_t k = 0; k < 8; ++k) dst[k] = kelvinOfFahrenheit(to[k]);
}

bool convertToD86(std::int32_t method, Curve21 tbp, NinePoints d86) {
  switch (static_cast<D86Method>(method)) {
    case D86Method::Piecewise:
      TBPCOF(tbp, d86);
      return true;
    case D86Method::RiaziDaubert:
      TBPCNV(tbp, d86);
      return true;
    case D86Method::Exponential:
      TBPVAC(tbp, d86);
      return true;
    case D86Method::Daubert:
      TBPCN2(tbp, d86);
      return true;
    case D86Method::NoPoints:
      return TBPCUT(tbp, d86);
  }
  return false;
}

}  // namespace streamprops
