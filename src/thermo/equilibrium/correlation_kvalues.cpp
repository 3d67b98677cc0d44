// KCCORR and MIXOPT: the K-values of the correlation methods 103, 104, 118, 119 and 120,
// K = nu gamma / phiV, from the generalized pure-liquid fugacity coefficient, the
// regular-solution activity coefficient and the Redlich-Kwong vapour fugacity coefficient.
#include "thermo/equilibrium/correlation_kvalues.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/kvalue_kernels.hpp"
#include "thermo/pure/cubic_eos.hpp"

namespace equilibrium {
namespace {

namespace block = correlationblock;
namespace arrays = correlationarrays;
using storage::CORSTO;

constexpr double kExponentLimit = 70.0;
// Method 120: the liquid is wet above this water fraction; the dry solubility parameter of
// water (recognised within 1e-4) follows 31.6 - 0.0163 T(degR) above 491.67 degR.
constexpr double kWetLiquid = 0.3;
constexpr double kWaterSolubility = 23.3616;
constexpr double kWaterSolubilityTolerance = 1.0e-4;
constexpr double kRankine = 1.8;
constexpr double kIcePointRankine = 491.67;
// GAMREG without the Flory-Huggins term.
constexpr std::int32_t kRegularSolutionOnly = 6;
// The Redlich-Kwong equation: alpha = Tr^-0.5, (V - u1 b)(V - u2 b) = V (V + b).
constexpr std::int32_t kRedlichKwongForm = static_cast<std::int32_t>(pure::AlphaForm::RedlichKwong);
constexpr std::int32_t kAlphaRows = 3;
constexpr double kU1 = 0.0;
constexpr double kU2 = -1.0;
// Derivative levels of the vapour root.
constexpr std::int32_t kValuesOnly = 1;
constexpr std::int32_t kTemperatureDerivatives = 2;
constexpr std::int32_t kCompositionDerivatives = 4;
// The stored-model switches that ask for the composition terms.
constexpr std::int32_t kMatrixSwitchA = 2;
constexpr std::int32_t kMatrixSwitchB = 3;

// The per-call arrays, grown once to the largest component count seen.
struct Workspace {
  std::vector<double> reals;  // the block's arrays 1-8, N each
  std::vector<std::int32_t> classes;
  std::vector<double> delta;
  std::vector<double> nuTT, nuP;
  std::vector<double> lng, lngT, lngX;
  std::vector<std::int32_t> forms;
  std::vector<double> alphaParams;  // 3 N zeros: the Redlich-Kwong form has no constants
  std::vector<double> sqrta, a, aT, aTT;
  std::vector<double> psi, psiT, amat, bcopy, bzero, bmat;
  std::vector<double> lnphi, lnphiT, lnphiP, lnphiN, hrn, zdn;

  void ensure(std::size_t n) {
    if (classes.size() >= n) return;
    for (std::vector<double>* v : {&delta, &nuTT, &nuP, &lng, &lngT, &sqrta, &a, &aT, &aTT, &psi,
                                   &psiT, &bcopy, &bzero, &lnphi, &lnphiT, &lnphiP, &hrn, &zdn}) {
      v->assign(n, 0.0);
    }
    for (std::vector<double>* v : {&lngX, &amat, &bmat, &lnphiN}) v->assign(n * n, 0.0);
    reals.assign(8 * n, 0.0);
    alphaParams.assign(kAlphaRows * n, 0.0);
    classes.assign(n, 0);
    forms.assign(n, kRedlichKwongForm);
  }
};
Workspace workspace;
const bool kWorkspaceReset = services::registerKeptValues([] { workspace = {}; });

std::span<double> first(std::vector<double>& v, std::size_t n) { return {v.data(), n}; }

// Array R (1-8) of the block copy.
std::span<double> blockArray(std::int32_t r, std::size_t n) {
  return std::span<double>(workspace.reals).subspan(static_cast<std::size_t>(r - 1) * n, n);
}

// Copies arrays 1 to COUNT of the held block (N values each) and the class codes into the
// workspace, after checking that the block holds them.
void readBlock(std::int32_t n, std::int32_t count) {
  const methods::LoadedBlock& b = methods::LDSTAT;
  if (b.integerLength1 < n || b.realLength1 < count * n) {
    services::ERRITM("COMPS", n);
    services::ERRITM("INTEGERS", b.integerLength1);
    services::ERRITM("REALS", b.realLength1);
    services::ABTRPT("KC", "KCCORR", "KCCORR", "CORRELATION BLOCK TOO SHORT");
  }
  for (std::int32_t i = 1; i <= n; ++i) {
    workspace.classes[static_cast<std::size_t>(i - 1)] = CORSTO[b.integerSector1 + i];
  }
  for (std::int32_t w = 1; w <= count * n; ++w) {
    workspace.reals[static_cast<std::size_t>(w - 1)] = CORSTO.real(b.realSector1 + w);
  }
}

// The offset of flash work array ARRAY after checking that it holds NEEDED elements.
std::int32_t flashArray(std::int32_t array, std::int32_t needed) {
  const auto a = static_cast<std::size_t>(array);
  const std::int32_t size = problem::FWPART.realSize(a);
  if (size < needed) {
    services::ERRITM("ARRAY", array);
    services::ERRITM("SIZE", size);
    services::ERRITM("NEEDED", needed);
    services::ABTRPT("KC", "KCCORR", "KCCORR", "FLASH WORK ARRAY TOO SHORT");
  }
  return problem::FWPART.realOffset(a);
}

// VALUES into flash work array ARRAY.
void store(std::int32_t array, std::span<const double> values) {
  const std::int32_t offset = flashArray(array, static_cast<std::int32_t>(values.size()));
  for (std::size_t i = 0; i < values.size(); ++i) {
    CORSTO.setReal(offset + static_cast<std::int32_t>(i) + 1, values[i]);
  }
}

// Step 1 (method 120): the solubility parameters of this call. The wet array replaces the
// dry one above 30 % water; otherwise the dry value of water follows the temperature.
void activeSolubility(std::int32_t n, double t, std::int32_t iwnum, bool method120, bool wet) {
  const auto count = static_cast<std::size_t>(n);
  const std::span<const double> source =
      blockArray(wet ? block::kWetSolubility : block::kSolubility, count);
  std::copy(source.begin(), source.end(), workspace.delta.begin());
  if (!method120 || wet || iwnum < 1 || iwnum > n) return;
  double& water = workspace.delta[static_cast<std::size_t>(iwnum - 1)];
  if (std::fabs(water - kWaterSolubility) <= kWaterSolubilityTolerance &&
      kRankine * t > kIcePointRankine) {
    water = 31.6 - 0.0163 * (kRankine * t);
  }
}

// Step 2 (method 120): the acentric factor of every component without library data, into
// array 3 of the block and of the copy.
void estimateMissingAcentricFactors(std::int32_t n, double t, double p, double& zv) {
  const problem::ComponentPointers& c = problem::COPTRS;
  const std::int32_t library =
      c.integerSector(static_cast<std::int32_t>(problem::ComponentInteger::LibraryNumber));
  const auto real = [&](problem::ComponentReal sector, std::int32_t i) {
    return CORSTO.real(c.realSector(sector) + i);
  };
  const auto count = static_cast<std::size_t>(n);
  const std::span<double> omega = blockArray(block::kAcentric, count);
  const std::span<const double> volume = blockArray(block::kLiquidVolume, count);
  for (std::int32_t i = 1; i <= n; ++i) {
    if (CORSTO[library + i] != services::IMISS) continue;
    const auto j = static_cast<std::size_t>(i - 1);
    omega[j] =
        estimateAcentricFactor(t, p, real(problem::ComponentReal::NormalBoilingPoint, i),
                               real(problem::ComponentReal::CriticalTemperature, i),
                               real(problem::ComponentReal::CriticalPressure, i),
                               real(problem::ComponentReal::MolecularWeight, i), volume[j], zv);
    CORSTO.setReal(methods::LDSTAT.realSector1 + (block::kAcentric - 1) * n + i, omega[j]);
  }
}

}  // namespace

void MIXOPT(std::span<const double> v, std::span<const double> pa, std::span<const double> qa,
            std::span<const double> b, std::int32_t level, std::int32_t n,
            std::span<const double> y, double& am, double& amT, double& amTT, std::span<double> psi,
            std::span<double> psiT, std::span<double> amat, double& bm, double& bmT, double& bmTT,
            std::span<double> bcopy, std::span<double> bzero, std::span<double> bmat) {
  const auto count = static_cast<std::size_t>(n > 0 ? n : 0);
  // 1. am = s^2, bm = sum y b, psi_i = s (2 v_i - s).
  double s = 0.0;
  bm = 0.0;
  for (std::size_t i = 0; i < count; ++i) {
    s += y[i] * v[i];
    bm += y[i] * b[i];
  }
  am = s * s;
  for (std::size_t i = 0; i < count; ++i) {
    psi[i] = s * (2.0 * v[i] - s);
    bcopy[i] = b[i];
  }
  if (level < 2) return;
  // 2. dam/dT = s B, dpsi_i/dT = B (v_i - s) + s p_i/v_i, B = sum y p/v.
  double bigB = 0.0;
  for (std::size_t i = 0; i < count; ++i) bigB += y[i] * pa[i] / v[i];
  amT = s * bigB;
  for (std::size_t i = 0; i < count; ++i) {
    psiT[i] = bigB * (v[i] - s) + s * pa[i] / v[i];
    bzero[i] = 0.0;
  }
  bmT = 0.0;
  bmTT = 0.0;
  if (level < 3) return;
  // 3. d2am/dT2 = B^2/2 + s sum y (q - (p/v)^2/2)/v.
  double curvature = 0.0;
  for (std::size_t i = 0; i < count; ++i) {
    const double r = pa[i] / v[i];
    curvature += y[i] * (qa[i] - 0.5 * r * r) / v[i];
  }
  amTT = 0.5 * bigB * bigB + s * curvature;
  if (level < 4) return;
  // 4. amat(j, i) = 2 v_i v_j - psi_i, bmat(j, i) = b_j.
  for (std::size_t i = 0; i < count; ++i) {
    for (std::size_t j = 0; j < count; ++j) {
      amat[i * count + j] = 2.0 * v[i] * v[j] - psi[i];
      bmat[i * count + j] = b[j];
    }
  }
}

void KCCORR(std::int32_t n, double t, double pv, double p, std::span<double> k,
            std::span<double> dkdt, std::span<double> dkdp, std::int32_t level, std::int32_t d1,
            std::span<const double> x, std::span<const double> y, double& zv, std::int32_t code,
            std::int32_t iwnum, std::int32_t /*iwater*/) {
  if (n <= 0) return;
  const auto count = static_cast<std::size_t>(n);
  const std::int32_t u = level % 10;
  const std::int32_t h = (level / 100) % 10;
  const bool method120 = code == static_cast<std::int32_t>(CorrelationMethod::Code120);
  const bool water = iwnum >= 1 && iwnum <= n;
  const bool wet = method120 && water && x[static_cast<std::size_t>(iwnum - 1)] > kWetLiquid;
  Workspace& w = workspace;
  w.ensure(count);
  readBlock(n, wet ? block::kWetSolubility : block::kArrays);

  // 1-2. Method 120: the solubility parameters of this call and the acentric factors of the
  // components without library data.
  activeSolubility(n, t, iwnum, method120, wet);
  if (method120) estimateMissingAcentricFactors(n, t, p, zv);

  // 3. ln nu and d ln nu/dT into K and DKDT, d2 ln nu/dT2 into array 9.
  std::int32_t istat = 0;
  FUGLS0(istat, n, p, t, k, dkdt, first(w.nuTT, count), first(w.nuP, count),
         blockArray(block::kAcentric, count), blockArray(block::kCriticalP, count),
         blockArray(block::kCriticalT, count),
         std::span<const std::int32_t>(w.classes.data(), count), method120 ? 1 : 0);
  store(arrays::kValueScratch, first(w.nuTT, count));

  // 4. Without digit 1 the K-value is nu alone.
  if (d1 <= 0) {
    for (std::size_t i = 0; i < count; ++i) {
      const double ki = std::exp(std::min(k[i], kExponentLimit));
      k[i] = ki;
      dkdt[i] *= ki;
      dkdp[i] *= ki;
    }
    return;
  }

  // 5. The regular-solution activity term.
  const bool matrices = h > 0 || storedModelSwitches.a == kMatrixSwitchA;
  const std::span<const double> volume = blockArray(block::kLiquidVolume, count);
  GAMREG(istat, matrices ? n : 1, n, t, x, first(w.lng, count), first(w.lngT, count),
         first(w.lngX, count * count), first(w.delta, count), kRegularSolutionOnly, volume);
  store(arrays::kValueScratch, first(w.lng, count));
  store(arrays::kTemperatureScratch, first(w.lngT, count));
  if (matrices) store(arrays::kActivityComposition, first(w.lngX, count * count));
  for (std::size_t i = 0; i < count; ++i) {
    k[i] += w.lng[i];
    dkdt[i] += w.lngT[i];
  }

  // 6. The vapour term: the Redlich-Kwong equation without interaction parameters at PV.
  std::int32_t vapourLevel =
      h > 0 ? kCompositionDerivatives : (u > 0 ? kTemperatureDerivatives : kValuesOnly);
  if (storedModelSwitches.a == kMatrixSwitchA && storedModelSwitches.b == kMatrixSwitchB) {
    vapourLevel = kCompositionDerivatives;
  }
  std::fill_n(w.lnphiP.begin(), count, 0.0);
  store(arrays::kPressureSlope, first(w.lnphiP, count));
  pure::EOSTWU(blockArray(block::kAttraction, count), first(w.alphaParams, kAlphaRows * count),
               std::span<const std::int32_t>(w.forms.data(), count), vapourLevel, kAlphaRows, n, t,
               blockArray(block::kCriticalT, count), first(w.sqrta, count), first(w.a, count),
               first(w.aT, count), first(w.aTT, count));
  double am = 0.0, amT = 0.0, amTT = 0.0, bm = 0.0, bmT = 0.0, bmTT = 0.0;
  MIXOPT(first(w.sqrta, count), first(w.aT, count), first(w.aTT, count),
         blockArray(block::kCovolume, count), vapourLevel, n, y, am, amT, amTT, first(w.psi, count),
         first(w.psiT, count), first(w.amat, count * count), bm, bmT, bmTT, first(w.bcopy, count),
         first(w.bzero, count), first(w.bmat, count * count));
  double zT = 0.0, zP = 0.0, hr = 0.0, sr = 0.0, cpr = 0.0, cvr = 0.0, cpcv = 0.0;
  std::int32_t status = pure::kTrueRoot;
  pure::EOSZRT(am, amT, amTT, first(w.psi, count), first(w.psiT, count),
               first(w.amat, count * count), bm, bmT, bmTT, first(w.bcopy, count),
               first(w.bzero, count), first(w.bmat, count * count), pure::kVapourPhase, vapourLevel,
               n, pv, pure::kReferencePressure, kU1, kU2, t, zv, zT, zP, first(w.lnphi, count),
               first(w.lnphiT, count), first(w.lnphiP, count), first(w.lnphiN, count * count), hr,
               sr, cpr, cvr, cpcv, first(w.hrn, count), first(w.zdn, count), methods::PMCTL2.ISEUDI,
               status);
  if (status == pure::kPseudoRoot) methods::PMCTL2.ISEUDV = 0;
  if (status == pure::kNoRoot) {
    // No vapour root: the K-values fail (not numbers), which every flash takes as a failed
    // K-value call, rather than K-values of a vapour the equation could not give.
    for (std::size_t i = 0; i < count; ++i) k[i] = std::numeric_limits<double>::quiet_NaN();
    return;
  }
  store(arrays::kValueScratch, first(w.lnphi, count));
  const bool slopes = vapourLevel >= kTemperatureDerivatives;
  if (slopes) {
    store(arrays::kTemperatureScratch, first(w.lnphiT, count));
    store(arrays::kPressureSlope, first(w.lnphiP, count));
  }
  if (vapourLevel == kCompositionDerivatives) {
    store(arrays::kVapourComposition, first(w.lnphiN, count * count));
    store(arrays::kPartialResiduals, first(w.hrn, count));
  }

  // 7. K = nu gamma / phiV with its derivatives; the vapour slopes only where evaluated.
  for (std::size_t i = 0; i < count; ++i) {
    const double ki = std::exp(std::min(k[i] - w.lnphi[i], kExponentLimit));
    k[i] = ki;
    dkdt[i] = ki * (dkdt[i] - (slopes ? w.lnphiT[i] : 0.0));
    dkdp[i] = ki * (dkdp[i] - (slopes ? w.lnphiP[i] : 0.0));
  }
}

}  // namespace equilibrium
