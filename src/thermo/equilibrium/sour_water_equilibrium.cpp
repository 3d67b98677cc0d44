// The molecular side of the sour-water model: the coefficient block view, the molecular
// properties at a temperature (SWSPEC), the virial vapour (SWPHIV), the equilibrium constants
// (SWKEQ) and the mixing term (SWHSUM).
#include "thermo/equilibrium/sour_water_equilibrium.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <span>

#include "services/services.hpp"

namespace equilibrium {

SourWaterConstants sourWaterConstants;

namespace {

const bool kSourWaterConstantsReset = services::registerKeptValues([] { sourWaterConstants = {}; });

constexpr double kRVolume = 82.05;      // cm3 atm/(mol K)
constexpr double kREnergy = 1.987;      // cal/(mol K)
constexpr double kWaterTc = 647.3;      // K, of the Henry and volume correlations
constexpr double kReferenceT = 298.15;  // K
constexpr double kMmHgPerAtm = 760.0;
constexpr double kExponentLimit = 60.0;
constexpr double kVirialLimit = 39.0;
constexpr double kFarVolume = 1e15;  // cm3/mol: beyond it the third-virial terms vanish
constexpr double kLnPhiKeep = 10.0;
constexpr double kSpinodalMargin = 0.99;
constexpr double kLowestZ = 0.27;
constexpr double kPressureCut = 0.9;
constexpr int kVapourSteps = 20;
constexpr int kPressureCuts = 400;  // 0.9^400 ~ 5e-19 of the start pressure
constexpr double kVapourTolerance = 1e-5;

// exp(x) with |x| limited to LIMIT.
double limitedExp(double x, double limit) { return std::exp(std::clamp(x, -limit, limit)); }

std::size_t at(std::int32_t i) { return static_cast<std::size_t>(i - 1); }

// Step 1: water vapour pressure, mmHg, by successive substitution.
double waterVapourPressure(double t) {
  const double c = 55.336 - 6869.5 / t - 5.115 * std::log(t);
  double pw = 0.0;
  double pnew = 0.0;
  for (int k = 0; k < 25; ++k) {
    pnew = limitedExp(c + 1.05 * pw / (t * t), kExponentLimit);
    if (std::fabs(pw / pnew - 1.0) <= 1e-4) break;
    pw = pnew;
  }
  return pnew;
}

}  // namespace

SourWaterBlock::SourWaterBlock(std::span<const double> reals, std::int32_t n)
    : reals_(reals), n_(n), at_{static_cast<std::size_t>(n > 0 ? n : 0)} {
  const auto length = static_cast<std::int32_t>(std::min<std::size_t>(reals.size(), 2000000000));
  const auto needed = static_cast<std::int32_t>(at_.length());
  if (n >= kSourKeyMolecules && n <= kMaxSourMolecules && length >= needed) return;
  services::ERRITM("N", n);
  services::ERRITM("LENGTH", length);
  services::ERRITM("NEEDED", needed);
  services::ABTRPT("KC", "SWSPEC", "SWSPEC", "SOUR WATER BLOCK INVALID");
}

void SourWaterWork::startCall(std::int32_t n) {
  const auto count = static_cast<std::size_t>(std::clamp(n, 0, kMaxSourMolecules));
  std::fill_n(phi.begin(), count, 0.0);
  std::fill_n(poynting.begin(), count, 0.0);
  std::fill_n(referenceVapour.begin(), count, 0.0);
}

void SWSPEC(const SourWaterBlock& block, double t, SourWaterWork& work) {
  const std::int32_t n = block.n();
  const SourWaterBlock::Offsets& o = block.offsets();

  // 1. Water vapour pressure, atm.
  work.waterPressure = waterVapourPressure(t) / kMmHgPerAtm;

  // 2. Henry constants: ln(H/Pw) = tau^c (a/T + b), tau = 647.3/T - 1. Above the critical
  // temperature of water tau is taken as 0 (H = Pw) rather than raised to a real power.
  const double tau = std::max(kWaterTc / t - 1.0, 0.0);
  for (std::int32_t i = 1; i <= n; ++i) {
    const double x = std::pow(tau, block.at(o.henryC(), i)) *
                     (block.at(o.henryA(), i) / t + block.at(o.henryB(), i));
    work.henry[at(i)] = work.waterPressure * limitedExp(x, kExponentLimit);
  }

  // 3. Second virial coefficients: G_k = a_k + b'_k (exp(u_k) - 1), u_k = c_k Tc_k F_ij/T,
  // F_ij = 1 - (k1_ij + k2_ij d), d = 473/T - 1; B_ij = (G_i v_j/v_i + G_j v_i/v_j)/2.
  const double d = 473.0 / t - 1.0;
  const auto g = [&](std::int32_t k, double f) {
    const double u = block.at(o.virialC(), k) * block.at(o.criticalTemperature(), k) * f / t;
    return block.at(o.virialA(), k) +
           block.at(o.virialB(), k) * (limitedExp(u, kVirialLimit) - 1.0);
  };
  for (std::int32_t j = 1; j <= n; ++j) {
    for (std::int32_t i = 1; i <= n; ++i) {
      const double f = 1.0 - (block.at(o.k1(), i, j) + block.at(o.k2(), i, j) * d);
      const double vi = block.at(o.size(), i);
      const double vj = block.at(o.size(), j);
      work.virial[at((j - 1) * n + i)] = 0.5 * (g(i, f) * vj / vi + g(j, f) * vi / vj);
    }
  }

  // 4. Third-virial parameters c' = 1.1 w^2 ((w - 1) - G0/v) and co-volumes b = R Tc/Pc.
  for (std::int32_t i = 1; i <= n; ++i) {
    const double g0 = block.at(o.virialA(), i) +
                      block.at(o.virialB(), i) * (std::exp(block.at(o.virialC(), i)) - 1.0);
    const double w = block.at(o.third(), i);
    work.thirdVirial[at(i)] = 1.1 * w * w * ((w - 1.0) - g0 / block.at(o.size(), i));
    work.covolume[at(i)] =
        kRVolume * block.at(o.criticalTemperature(), i) / block.at(o.criticalPressure(), i);
  }

  // 5. Liquid volumes from the water volume, and the mixing coefficients divided by them.
  const double theta = std::max(1.0 - t / kWaterTc, 0.0);
  const double y = 2.2 * theta / (2.2 * theta + 1.152 * (1.0 - theta));
  const double v1 = 57.79 * std::exp(-1.3093 * std::pow(y, 0.2857));
  const double ratio = v1 / block.at(o.referenceVolume(), 1);
  for (std::int32_t i = 1; i <= n; ++i) {
    const double v = i == 1 ? v1 : block.at(o.referenceVolume(), i) * std::pow(ratio, 1.81);
    work.volume[at(i)] = v;
    work.mixing[at(i)] = block.at(o.mixing(), i) / v;
  }
  for (std::int32_t j = 1; j <= kSourNeutrals; ++j) {
    const double x = block.at(o.neutralVolume(), j) * std::pow(ratio, 0.84);
    work.neutralVolume[at(j)] = x;
    work.neutralMixing[at(j)] = block.at(o.neutralMixing(), j) / x;
  }

  // 6. The pure-water vapour at the water vapour pressure.
  std::fill_n(work.referenceVapour.begin(), n, 0.0);
  work.referenceVapour[0] = 1.0;
  SWPHIV(block, work.waterPressure, t,
         std::span<const double>(work.referenceVapour).first(static_cast<std::size_t>(n)), work);

  // 7. Henry constants at zero pressure; ammonia's from its own correlation.
  for (std::int32_t i = 1; i <= n; ++i) {
    work.henryZero[at(i)] = work.henry[at(i)] * work.phi[at(i)] / work.poynting[at(i)];
  }
  work.henryZero[1] = std::exp(9.167 - 1268.0 / t - 443050.0 / (t * t));
}

void SWPHIV(const SourWaterBlock& block, double p, double t, std::span<const double> y,
            SourWaterWork& work) {
  const std::int32_t n = block.n();
  const double rt = kRVolume * t;
  const auto yi = [&](std::int32_t i) { return y[at(i)]; };

  // Mixture coefficients: B'_i = sum_j y_j B_ij, B = sum y_i B'_i, C = c' b^2 with the
  // molar averages c' and b; C'_i = c'_i b^2 + 2 b_i c' b.
  double b = 0.0;
  double cbar = 0.0;
  double bbar = 0.0;
  SourMoleculeArray rowB{};
  for (std::int32_t i = 1; i <= n; ++i) {
    double sum = 0.0;
    for (std::int32_t j = 1; j <= n; ++j) sum += yi(j) * work.virial[at((j - 1) * n + i)];
    rowB[at(i)] = sum;
    b += yi(i) * sum;
    cbar += yi(i) * work.thirdVirial[at(i)];
    bbar += yi(i) * work.covolume[at(i)];
  }
  const double c = cbar * bbar * bbar;

  // The vapour spinodal V* = sqrt(B^2 - 3C) - B bounds the working pressure at 0.99 of its
  // pressure. Without a spinodal at a positive volume there is no bound.
  double pw = p;
  if (b * b >= 3.0 * c) {
    const double vs = std::sqrt(b * b - 3.0 * c) - b;
    if (vs > 0.0) {
      const double zs = 1.0 + b / vs + (vs <= kFarVolume ? c / (vs * vs) : 0.0);
      pw = std::min(p, kSpinodalMargin * zs * rt / vs);
    }
  }

  // Newton on the molar density of Z = 1 + B rho + C rho^2; a liquid-like Z lowers the
  // working pressure by 10 % and starts again.
  double rho = 0.0;
  for (int cut = 0; cut <= kPressureCuts && pw > 0.0; ++cut) {
    rho = pw / rt;
    bool liquidLike = false;
    for (int step = 0; step < kVapourSteps; ++step) {
      const double z = 1.0 + b * rho + c * rho * rho;
      if (z < kLowestZ && cut < kPressureCuts) {
        liquidLike = true;
        break;
      }
      if (std::fabs(pw / (rt * z * rho) - 1.0) <= kVapourTolerance) break;
      rho += (pw - rt * z * rho) / (rt * (1.0 + 2.0 * b * rho + 3.0 * c * rho * rho));
    }
    if (!liquidLike) break;
    pw *= kPressureCut;
  }
  // At zero pressure the volume is infinite: phi = Poy = 1.
  const double z = 1.0 + b * rho + c * rho * rho;
  work.molarVolume = rho > 0.0 ? 1.0 / rho : std::numeric_limits<double>::infinity();
  work.z = z;

  // ln phi_i = 2 B'_i/V + 1.5 C'_i/V^2 - ln Z; Poy_i = exp(f P V_i/(R T)) at the given P.
  for (std::int32_t i = 1; i <= n; ++i) {
    const double ci =
        work.thirdVirial[at(i)] * bbar * bbar + 2.0 * work.covolume[at(i)] * cbar * bbar;
    double lnphi = 2.0 * rowB[at(i)] * rho;
    if (rho >= 1.0 / kFarVolume) lnphi += 1.5 * ci * rho * rho;
    if (lnphi >= kLnPhiKeep && work.phi[at(i)] > 0.0) continue;
    const double f = i <= 2 ? 1.0 : 1.5;
    work.phi[at(i)] = limitedExp(lnphi, kExponentLimit) / z;
    work.poynting[at(i)] = std::exp(f * p * work.volume[at(i)] / rt);
  }
}

void SWKEQ(double t, std::span<const double> dCp, std::span<const double> c2,
           std::span<const double> dH, std::span<const double> cQ, std::span<const double> dS,
           std::span<double> lnK, std::span<double> k0) {
  const double d = t - kReferenceT;
  const double f1 = kReferenceT - t + t * std::log(t / kReferenceT);
  const double q =
      (kReferenceT - t) -
      218.29708339147945 * (1.0 - std::exp(d / 219.0 + std::exp(0.01875 * t - 12.741) - 0.000784));
  for (std::size_t j = 0; j < static_cast<std::size_t>(kSourReactions); ++j) {
    lnK[j] = (-dH[j] + t * dS[j] + f1 * dCp[j] + 0.5 * d * d * c2[j] + q * cQ[j]) / (kREnergy * t);
  }

  // Mole-fraction constants: exp of the sum or difference of the ln K involved (limited to
  // +-60), times or over 55.49 mol of water per kg or 3079.0, its square.
  constexpr double kWater = 55.49;
  constexpr double kWater2 = 3079.0;
  const auto e = [&](double x) { return limitedExp(x, kExponentLimit); };
  const auto k = [&](int j) { return lnK[static_cast<std::size_t>(j - 1)]; };
  k0[0] = e(k(1)) / kWater2;         // water
  k0[1] = e(k(1) + k(2)) / kWater;   // ammonium
  k0[2] = e(k(3)) * kWater;          // bisulphide
  k0[3] = e(k(3) + k(4)) * kWater2;  // sulphide
  k0[4] = e(k(5)) * kWater;          // bicarbonate
  k0[5] = e(k(5) + k(6)) * kWater2;  // carbonate
  k0[6] = e(k(7) + k(8)) * kWater2;  // carbamate
  k0[7] = e(k(8)) / kWater;          // carbamic acid
  k0[8] = e(k(9) - k(8));            // urea
}

void SWHSUM(const SourWaterBlock& block, double t, SourWaterWork& work, double& w, double& s) {
  const std::int32_t n = block.n();
  const SourWaterBlock::Offsets& o = block.offsets();
  double s0 = 0.0;
  double s1 = 0.0;
  for (std::int32_t i = 1; i <= n; ++i) {
    const double mv = work.fraction[at(i)] * work.volume[at(i)];
    s0 += mv;
    s1 += mv * work.mixing[at(i)];
  }
  for (std::int32_t j = 1; j <= kSourNeutrals; ++j) {
    const double mx = work.neutralFraction[at(j)] * work.neutralVolume[at(j)];
    s0 += mx;
    s1 += mx * work.neutralMixing[at(j)];
  }
  double a0 = 0.0;
  double a1 = 0.0;
  for (std::int32_t k = 1; k <= kSourIonPlaces; ++k) {
    const double mz = work.ionFraction[at(k)] * std::fabs(block.at(o.charge(), k));
    a0 += mz * block.at(o.ionP(), k);
    a1 += mz * block.at(o.ionQ(), k);
  }
  const double phi = (a1 + s1) / ((1.0 - 0.0002 * (kReferenceT - t)) * a0 + s0);
  w = work.mixing[0] - phi;
  const double mv1 = work.fraction[0] * work.volume[0];
  const double mv2 = work.fraction[1] * work.volume[1];
  s = (mv1 * work.mixing[0] + mv2 * work.mixing[1]) / (mv1 + mv2) - phi;
  work.mixingW = w;
  work.mixingS = s;
}

}  // namespace equilibrium
