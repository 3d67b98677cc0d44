// DVAPDR and DLIQDR: the vapour and liquid densities of a stream at its own state, with free
// water and two liquid phases; WKOFFS: the positions of the two liquids' results.
#include "thermo/phase/density_drivers.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "problem/streams.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/phase/driver_kernels.hpp"
#include "thermo/phase/phase_drivers.hpp"
#include "thermo/phase/user_methods.hpp"
#include "thermo/pure/pure.hpp"

namespace phase {

TwoLiquidPositions WKOFFW;

namespace {
// The positions describe a record of the open problem; every problem open forgets them.
const bool kPositionsReset = services::registerKeptValues([] { WKOFFW = {}; });
}  // namespace

namespace {

using namespace drivers;
using problem::MainRecord;
using storage::CORSTO;

constexpr double kR = kGasConstant;
constexpr double kInvalid = -1.0e35;
constexpr double kSmallDensity = 1.0e-7;
constexpr double kAbsent = 1.0e-20;
constexpr double kAllWater = 0.999999;
constexpr std::int32_t kStartCompressibility = 3;
constexpr std::int32_t kVapourCompressibility = 9;
constexpr std::int32_t kLiquidCompressibility = 10;
constexpr std::int32_t kStoredDensities = 2;  // record type of the stored densities
constexpr std::int32_t kTwoLiquids = 3;       // record type of the two-liquid results
constexpr std::int32_t kLoad = 1, kWrite = 2;
constexpr std::int32_t kCurrentUnchanged = 10;  // SRSET mode: current, not marked changed
constexpr std::int32_t kMessageComponentPresent = 1030001098;
constexpr std::int32_t kMessageComponentStop = 1990020005;
// Scratch slots of the density drivers.
constexpr std::size_t kY = 30, kRaw = 31;

// The molar density of pure water (kmol/m3) of PHASE at T, P with the partial pressure PP.
double waterDensity(std::int32_t phase, double t, double p, double pp) {
  double v = 0.0, dv = 0.0;
  const problem::MethodSetControl& w = problem::THCTL;
  pure::WPROP(static_cast<std::int32_t>(pure::WaterProperty::Volume), w.waterPropertyMethod, t, p,
              v, dv, phase, w.waterPropertyCorrection, 0, services::IOUNIT.report, pp);
  return v > 0.0 ? 1.0 / v : services::DMISS;
}

bool isUser(std::int32_t code) {
  return code >= methods::kFirstUserMethod && code <= methods::kLastUserMethod;
}

bool isCorrespondingStates(std::int32_t code) {
  return code == 203 || code == 204 || (code >= 211 && code <= 214);
}

// Pointer set 2 as the caller left it, restored on leaving.
class WorkingStream {
 public:
  WorkingStream() : previous_(problem::SRPSET.set2.stream) {}
  ~WorkingStream() {
    if (!used_) return;
    if (previous_ > 0) {
      problem::SRSET(previous_, kCurrentUnchanged);
    } else {
      problem::SRPSET.set2 = {};
    }
  }
  WorkingStream(const WorkingStream&) = delete;
  WorkingStream& operator=(const WorkingStream&) = delete;
  void use(std::int32_t n) {
    used_ = true;
    problem::SRSET(n, kCurrentUnchanged);
  }

 private:
  std::int32_t previous_;
  bool used_ = false;
};

double storedReal(std::int32_t k) {
  return CORSTO.real(problem::SRLAYT.type2.scalars(static_cast<std::size_t>(k)));
}

// Z of the vapour by the vapour-density method CODE at T, P' (P the total) of Y.
double vapourCompressibility(std::int32_t code, double t, double p, double pp,
                             std::span<const double> y, std::span<const std::int32_t> active,
                             double z) {
  const auto nc = static_cast<std::int32_t>(y.size());
  if (code == 1 || code == 107) return 1.0;
  if (isUser(code)) {
    std::int32_t flag = 0;
    double h = 0.0, dh = 0.0, z2 = z, z1 = 0.0;
    UKHSDR(code, 9, static_cast<std::int32_t>(UserRequest::Density), 1, nc, y, y, y, t, p, 0, h, dh,
           0.0, 0.0, flag, z2, z1, 0.0);
    return z2;
  }
  if (isCorrespondingStates(code)) {
    std::int32_t failure = 0;
    pure::DNCSW(t, pp, y, z, blockReals("DVAPDR"), nc, 1, code, failure);
    return z;
  }
  if (code == 110) {
    std::int32_t status = 0;
    pure::DN110W(t, p, y, z, blockReals("DVAPDR"), nc, 1, status);
    return z;
  }
  ResidualCall call;
  call.code = code;
  call.phase = 1;
  call.level = 1;
  call.nc = nc;
  call.t = t;
  call.p = pp;
  call.totalP = p;
  call.y = y;
  call.active = active;
  call.routine = "DVAPDR";
  Residual r;
  residual(call, r);
  // No usable root: Z = 0, which the caller takes as no density.
  if (r.failed) return 0.0;
  z = r.hasZ ? r.z : z;
  if (code == 124) {
    // The volume shift of the block: after the pair groups and 4 NC words.
    const std::span<const double> block = blockReals("DVAPDR");
    const auto n = static_cast<std::size_t>(nc);
    const std::size_t np = n > 1 ? n * (n - 1) / 2 : 1;
    const std::size_t start =
        static_cast<std::size_t>(pure::cubicblock::pairs(nc) - 1) + 3 * np + 4 * n;
    if (block.size() >= start + n) {
      double shifted = z;
      pure::DNVIR(z, t, p, nc, block.subspan(start, n), y, shifted);
      z = shifted;
    }
  }
  return z;
}

}  // namespace

void DVAPDR(std::int32_t n, double& rhod, double& rhow, double& fdry, double& fvap,
            std::int32_t& ierr) {
  const DriverTimer timer(kTimingSlotDVAPDR);
  // 2-4. Block, stream, start values.
  ierr = 0;
  const std::int32_t code = methods::PMCTL1.vapourDensity.code;
  if (!isUser(code) && services::LMCODA(code) == 0) pure::MDLOD6();
  problem::SRSETT(n);
  MainRecord rec(problem::SRPSET.set1);
  rhod = rhow = services::DMISS;
  PHDRWD.partialPressure = 0.0;
  double rhoW = services::DMISS;
  const std::int32_t iw = problem::THCTL.idecnt;
  const double xw = iw > 0 ? rec.vector(problem::srmain::kVapour, iw) : 0.0;
  fdry = fvap = 0.0;
  const double t = rec.real(problem::srmain::kTemperature);
  const double p = rec.real(problem::srmain::kPressure);
  double z = rec.real(kStartCompressibility) > 0.0 ? rec.real(kStartCompressibility) : 1.0;

  // 5. Stored densities.
  if (services::LMCODA(methods::KMCTL.kvalue.code) == 1) {
    WorkingStream working;
    working.use(n);
    std::int32_t istat = 0;
    problem::SRPAGE(kLoad, kStoredDensities, 1, istat);
    ierr = istat;
    rhow = storedReal(1);
    fvap = rec.real(problem::srmain::kVapourFraction);
    rec.setReal(kVapourCompressibility, rhow < kSmallDensity ? 1.0 : p / (kR * t * rhow));
    return;
  }

  // 6. Normalisation.
  const auto ns =
      static_cast<std::size_t>(std::max(problem::COHDR(problem::cohdr::kStreamComponents), 0));
  const std::span<double> raw = reals(kRaw, ns), y = reals(kY, ns);
  for (std::size_t i = 0; i < ns; ++i) {
    raw[i] = rec.vector(problem::srmain::kVapour, static_cast<std::int32_t>(i) + 1);
  }
  const Normalised norm = normalise(raw, y, integers(kY, ns), p);
  const double pp = norm.fraction * p;

  // 7. The method.
  if (norm.fraction <= 0.0) {
    z = 1.0;
  } else {
    z = vapourCompressibility(code, t, p, pp, y, integers(kY, ns), z);
  }

  // 8. Dry density.
  if (services::RELCMP(z, 0.0) == 0) {
    rhod = services::DMISS;
    ierr = kZeroCompressibility;
  } else {
    rhod = pp / (kR * z * t);
  }

  // 9. Water and wet density.
  if (xw > 0.0) rhoW = waterDensity(1, t, p, pp);
  if (rhod > kInvalid && rhoW > kInvalid) {
    double v = 0.0;
    if (rhod > 0.0) v += (1.0 - xw) * (1.0 - xw) / rhod;
    if (rhoW > 0.0) v += xw * xw / rhoW;
    if (v > 0.0) rhow = 1.0 / v;
    if (1.0 - xw > 0.0) rhod /= 1.0 - xw;
  } else {
    rhow = rhod < kInvalid && rhoW > kInvalid ? rhoW : rhod;
  }
  fvap = rec.real(problem::srmain::kVapourFraction);
  fdry = (1.0 - xw) * fvap;
  rec.setReal(kVapourCompressibility, rhow < kSmallDensity ? 1.0 : p / (kR * t * rhow));
}

void WKOFFS() {
  const auto& l = problem::SRLAYT.type3;
  const std::int32_t a = l.rowLength;
  for (std::size_t r = 0; r < 2; ++r) {
    const auto row = static_cast<std::int32_t>(r + 1) * a;
    for (std::size_t k = 0; k < 5; ++k) WKOFFW.vectors[r][k] = l.rows(k + 2) + row;
    for (std::size_t j = 0; j < 7; ++j) {
      WKOFFW.scalars[r][j] = l.rows(1) + row + static_cast<std::int32_t>(j) + 1;
    }
  }
  WKOFFW.integers = l.integers;
  WKOFFW.last = l.last;
}

namespace {

constexpr std::size_t kAmount = 0, kCompressibility = 3, kDensity = 6;

double scalar(std::size_t liquid, std::size_t j) { return CORSTO.real(WKOFFW.scalars[liquid][j]); }
void setScalar(std::size_t liquid, std::size_t j, double v) {
  CORSTO.setReal(WKOFFW.scalars[liquid][j], v);
}

// The liquid-density methods that see only the components with pure-component data.
bool leadingComponentsOnly(std::int32_t code) {
  return methods::MTISA(code) || code == 110 || isCorrespondingStates(code);
}

}  // namespace

void DLIQDR(std::int32_t n, double& rhohc, double& rhol, double& rhohw, double& fhcd, double& fl,
            double& fhc, std::int32_t& ierr) {
  const DriverTimer timer(kTimingSlotDLIQDR);
  // 2. Start values.
  ierr = kLiquidDensityOk;
  problem::SRSETT(n);
  MainRecord rec(problem::SRPSET.set1);
  rhohc = rhol = rhohw = services::DMISS;
  double rhoW = services::DMISS;
  fhcd = fl = fhc = 0.0;
  const double t = rec.real(problem::srmain::kTemperature);
  const double p = rec.real(problem::srmain::kPressure);
  const double lw = rec.real(problem::srmain::kWaterFraction);
  const double lhc = rec.real(problem::srmain::kLiquidFraction);
  const std::int32_t iw = problem::THCTL.idecnt;
  const double xwl = iw > 0 ? std::min(rec.vector(problem::srmain::kLiquid, iw), 1.0) : 0.0;

  // 3. No liquid.
  if (lw + lhc <= 0.0) {
    ierr = kNoLiquid;
    return;
  }

  // 4. One or two liquids.
  WorkingStream working;
  working.use(n);
  std::int32_t istat = 0;
  problem::SRPAGE(kLoad, kTwoLiquids, 1, istat);
  bool two = false;
  if (istat == 0) {
    WKOFFS();
    two = scalar(0, kAmount) > kAbsent && scalar(1, kAmount) > kAbsent;
  }
  std::int32_t densityStatus = 0;

  if (services::LMCODA(methods::KMCTL.kvalue.code) == 1) {
    // 5. Stored densities.
    problem::SRPAGE(kLoad, kStoredDensities, 1, istat);
    const double rho1 = storedReal(2), rho2 = storedReal(3);
    fhcd = fl = fhc = lhc;
    if (!two) {
      rhol = rho2;
      rec.setReal(kLiquidCompressibility, rho2 > kAbsent ? p / (kR * t * rho2) : services::DMISS);
    } else {
      // Record type 2 was paged after type 3: bring the two-liquid record back.
      problem::SRPAGE(kLoad, kTwoLiquids, 1, istat);
      WKOFFS();
      const double f1 = scalar(0, kAmount), f2 = scalar(1, kAmount);
      if (rho1 <= 0.0) {
        rhol = rho2;
      } else if (rho2 <= kAbsent) {
        rhol = rho1;
      } else {
        rhol = 1.0 / (f1 / rho1 + f2 / rho2);
      }
      const double rho[2] = {rho1, rho2};
      for (std::size_t k = 0; k < 2; ++k) {
        const bool valid = rho[k] > kAbsent;
        setScalar(k, kCompressibility, valid ? p / (kR * t * rho[k]) : services::DMISS);
        setScalar(k, kDensity, valid ? rho[k] : services::DMISS);
      }
      const bool v1 = rho1 > kAbsent, v2 = rho2 > kAbsent;
      double zl = services::DMISS;
      if (v1 && v2) {
        zl = p * (f1 / rho1 + f2 / rho2) / (kR * t);
      } else if (v1 || v2) {
        zl = p / (kR * t * (v1 ? rho1 : rho2));
      }
      rec.setReal(kLiquidCompressibility, zl);
      problem::SRPAGE(kWrite, kTwoLiquids, 1, istat);
    }
    rhohc = rhohw = rhol;
    return;
  }

  if (iw > 0 && (lhc < kAbsent || (lhc > kAllWater && xwl > kAllWater))) {
    // 6. Free water only.
    rhol = waterDensity(2, t, p, 0.0);
    fl = lw + lhc;
  } else {
    // 7. The component count of the method.
    const std::int32_t code = methods::PMCTL1.liquidDensity.code;
    const std::int32_t ncp = problem::COHDR(problem::cohdr::kVapourComponents);
    const std::int32_t ncl = problem::COHDR(problem::cohdr::kLiquidComponents);
    std::int32_t nc = ncl;
    if (ncp != ncl && leadingComponentsOnly(code)) {
      for (std::int32_t i = ncp + 1; i <= ncl; ++i) {
        const double xi = two ? std::max(CORSTO.real(WKOFFW.vectors[0][0] + i),
                                         CORSTO.real(WKOFFW.vectors[1][0] + i))
                              : rec.vector(problem::srmain::kLiquid, i);
        if (xi > 0.0) {
          services::MSGOUT(kMessageComponentPresent);
          services::MSGABT(kMessageComponentStop, " ");
        }
      }
      nc = ncp;
    }
    const auto count = static_cast<std::size_t>(std::max(nc, 0));
    const std::span<double> x = reals(kRaw, count);
    if (!two) {
      // 8. One liquid.
      for (std::size_t i = 0; i < count; ++i) {
        x[i] = rec.vector(problem::srmain::kLiquid, static_cast<std::int32_t>(i) + 1);
      }
      pure::DNLIQ(nc, t, p, x, rhohc, densityStatus);
      // The non-water fraction of the liquid, as the method's normalisation forms it.
      const Normalised norm = normalise(x, reals(kY, count), integers(kY, count), p);
      if (iw > 0) rhoW = waterDensity(2, t, p, norm.fraction * p);
      if (rhohc > kInvalid && rhoW > kInvalid) {
        fl = lw + lhc;
        rhol = fl / ((lw + lhc * xwl) / rhoW + (1.0 - xwl) * lhc / rhohc);
        fhc = lhc;
        rhohw = lhc / (lhc * xwl / rhoW + (1.0 - xwl) * lhc / rhohc);
        fhcd = norm.fraction * lhc;
      } else {
        rhol = rhohw = rhohc;
        fhcd = fl = fhc = lw + lhc;
      }
    } else {
      // Two liquids: the harmonic mean of their densities, each stored in its record place.
      fhcd = fl = fhc = lhc;
      double rho[2] = {services::DMISS, services::DMISS};
      for (std::size_t k = 0; k < 2; ++k) {
        for (std::size_t i = 0; i < count; ++i) {
          x[i] = CORSTO.real(WKOFFW.vectors[k][0] + static_cast<std::int32_t>(i) + 1);
        }
        pure::DNLIQ(nc, t, p, x, rho[k], densityStatus);
        setScalar(k, kDensity, rho[k]);
      }
      // A liquid whose method failed has no density: the mean is then missing too.
      if (rho[0] > 0.0 && rho[1] > 0.0) {
        rhol = rhohc = rhohw = 1.0 / (scalar(0, kAmount) / rho[0] + scalar(1, kAmount) / rho[1]);
      }
      problem::SRPAGE(kWrite, kTwoLiquids, 1, istat);
    }
  }

  // 9. The liquid compressibility.
  rec.setReal(kLiquidCompressibility, rhol > kInvalid ? p / (kR * t * rhol) : 1.0);

  // 10. Status.
  if (densityStatus == 1) ierr = kLiquidMethodFailed;
  if (densityStatus == 2) ierr = kLiquidMethodUnsupported;
}

}  // namespace phase
