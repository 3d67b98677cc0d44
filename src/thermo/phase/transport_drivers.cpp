// The transport methods of the vapour and liquid conductivity, vapour viscosity and surface
// tension (TRCNDV, TRVISV, TRCNDL, TRSURF), each dispatching on the method code of the
// current set, and the per-component sample route of methods 770-774 (TRCMPR).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "methods/methods.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/phase/cs_transport.hpp"
#include "thermo/phase/transport.hpp"
#include "thermo/phase/transport_internal.hpp"
#include "thermo/phase/user_methods.hpp"
#include "thermo/pure/correlations.hpp"
#include "thermo/pure/liquid_density.hpp"
#include "thermo/pure/method_coefficient_blocks.hpp"

namespace phase {
namespace {

using storage::CORSTO;
using transport::ComponentReal;
using transport::constant;
using transport::Scratch;

constexpr double kCubeRoot = 0.3333333;
constexpr double kSmall = 1e-6;

bool isUser(std::int32_t method) {
  return method >= kFirstUserTransport && method <= kLastUserTransport;
}

// Step 1 of method 1: the library values of correlation TYPE for N components, zero when
// the set has no such correlation.
std::span<double> libraryValues(std::int32_t type, std::int32_t n, double t, double p) {
  const auto nc = static_cast<std::size_t>(n);
  const std::span<double> v = transport::scratch(Scratch::Values, nc);
  const std::span<double> d = transport::scratch(Scratch::Derivatives, nc);
  const std::int32_t set = methods::MTSETN(type);
  std::int32_t found = 0;
  pure::XPSETF(type, set, 10, found);
  if (found == 0) {
    std::fill(v.begin(), v.end(), 0.0);
  } else {
    std::fill(d.begin(), d.end(), 0.0);
    pure::XPCALC(type, set, n, 0, 0, 0, t, p, v, d);
  }
  return v;
}

bool needsFill(std::int32_t i, double value) {
  return transport::classCode(i) > transport::kBuiltInClass && value <= 0.0;
}

// Methods 6 and 7: corresponding states; status 1 for a failed evaluation.
void correspondingStates(std::span<const double> x, double t, double p, CsPhase phase,
                         CsProperty property, std::int32_t n, double& result, std::int32_t& ierr) {
  std::int32_t status = 0;
  const auto prop = static_cast<std::int32_t>(property);
  TRCSMN(x, t, p, static_cast<std::int32_t>(phase), prop, status, n, result);
  ierr = status == kCsNotConverged || status == prop ? kTransportFailed : 0;
}

// The per-component values of method 124's block: N reals from block word FIRST + 1 on.
std::span<double> blockValues(Scratch which, std::int32_t first, std::int32_t n) {
  const std::span<double> v = transport::scratch(which, static_cast<std::size_t>(n));
  for (std::int32_t i = 1; i <= n; ++i) {
    v[static_cast<std::size_t>(i - 1)] = CORSTO.real(methods::LDSTAT.realSector1 + first + i);
  }
  return v;
}

std::span<double> molarMasses(std::int32_t n) {
  const std::span<double> m = transport::scratch(Scratch::Work4, static_cast<std::size_t>(n));
  for (std::int32_t i = 1; i <= n; ++i) {
    m[static_cast<std::size_t>(i - 1)] = constant(ComponentReal::MolecularWeight, i);
  }
  return m;
}

// The block is held and has LAST real words at least.
bool blockHolds(std::int32_t last) {
  const methods::LoadedBlock& b = methods::LDSTAT;
  return b.address > 0 && b.address != services::NODISK && b.realLength1 >= last;
}

// The Watson factor (1.8 Tb)^(1/3) / d of component I.
double watson(std::int32_t i) {
  return std::pow(1.8 * constant(ComponentReal::NormalBoilingPoint, i), kCubeRoot) /
         constant(ComponentReal::StandardLiquidDensity, i);
}

// The sample routines SMP770 to SMP774: the pair (hydrocarbon, phase) by phase and property.
void sample(std::int32_t iprop, bool liquid, TransportParts& parts, std::int32_t& ierr) {
  ierr = 0;
  const auto put = [&](float hc, float mix) {
    parts.hydrocarbon = hc;
    parts.mixture = mix;
  };
  if (!liquid) {
    if (iprop == 1) put(0.12345F, 1.23456F);
    if (iprop == 2) put(2.34567F, 3.45678F);
    return;
  }
  if (iprop == 1) put(4.56789F, 5.6789F);
  if (iprop == 2) put(6.78901F, 7.89012F);
  if (iprop == 3) put(8.90123F, 9.01234F);
}

}  // namespace

void TRCNDV(double t, double p, std::span<const double> y, double& result, std::int32_t method,
            std::int32_t& ierr) {
  ierr = 0;
  result = 0.0;
  const std::int32_t n = transport::vapourCount();
  switch (method) {
    case 1: {
      const std::span<double> k = libraryValues(1121, n, t, p);
      double top = 0.0, bottom = 0.0;
      for (std::int32_t i = 1; i <= n; ++i) {
        double& ki = k[static_cast<std::size_t>(i - 1)];
        const double m = constant(ComponentReal::MolecularWeight, i);
        if (needsFill(i, ki)) {
          const double tc = constant(ComponentReal::CriticalTemperature, i);
          const double pc = constant(ComponentReal::CriticalPressure, i);
          ki = TRCVC1(t, m, tc, pc, constant(ComponentReal::CriticalVolume, i),
                      TRVGC1(tc, pc, t, p));
        }
        const double w = y[static_cast<std::size_t>(i - 1)] * std::pow(m, kCubeRoot);
        top += w * ki;
        bottom += w;
      }
      result = bottom != 0.0 ? top / bottom : 0.0;
      return;
    }
    case 2:
      result = TRCVMX(t, p, y, ierr);
      return;
    case 6:
    case 7:
      correspondingStates(y, t, p, CsPhase::Vapour, CsProperty::ThermalConductivity, n, result,
                          ierr);
      return;
    default:
      if (isUser(method)) {
        TRUSER(method, 15, 1, 1, n, y, t, p, result);
      } else {
        ierr = kMethodNotAvailable;
      }
  }
}

void TRVISV(double t, double p, std::span<const double> y, double& result, std::int32_t method,
            std::int32_t& ierr) {
  ierr = 0;
  result = 0.0;
  const std::int32_t n = transport::vapourCount();
  switch (method) {
    case 1: {
      const std::span<double> mu = libraryValues(1122, n, t, p);
      double top = 0.0, bottom = 0.0;
      for (std::int32_t i = 1; i <= n; ++i) {
        double& v = mu[static_cast<std::size_t>(i - 1)];
        const double m = constant(ComponentReal::MolecularWeight, i);
        if (needsFill(i, v)) {
          const double tc = constant(ComponentReal::CriticalTemperature, i);
          const double pc = constant(ComponentReal::CriticalPressure, i);
          v = TRVVC1(t, tc, pc, constant(ComponentReal::CriticalVolume, i), m,
                     TRVGC1(tc, pc, t, p));
        }
        const double w = y[static_cast<std::size_t>(i - 1)] * std::sqrt(m);
        top += w * v;
        bottom += w;
      }
      result = bottom != 0.0 ? top / bottom : 0.0;
      return;
    }
    case 2:
      result = TRVVMX(t, p, y, ierr);
      return;
    case 6:
    case 7:
      correspondingStates(y, t, p, CsPhase::Vapour, CsProperty::Viscosity, n, result, ierr);
      return;
    case 124: {
      double rho = 0.0;
      TRCORS(n, t, p, y, rho, ierr);
      pure::MDLOD9();
      if (transport::liquidCount() != n) {
        ierr = kMethodNotAvailable;
        return;
      }
      const std::int32_t np = std::max(1, n * (n - 1) / 2);
      const std::int32_t a = 5 * n + 2;
      const std::int32_t c = a + 3 * np + 2 * n;
      if (!blockHolds(c + 3 * n) || rho < services::RMISS) {
        ierr = kTransportFailed;
        return;
      }
      const std::span<double> tc = blockValues(Scratch::Work1, a, n);
      const std::span<double> pc = blockValues(Scratch::Work2, c, n);
      const std::span<double> vc = blockValues(Scratch::Work3, c + 2 * n, n);
      result = TRJSTV(n, tc, pc, vc, molarMasses(n), rho, y, t, ierr);
      return;
    }
    default:
      if (isUser(method)) {
        TRUSER(method, 13, 2, 1, n, y, t, p, result);
      } else {
        ierr = kMethodNotAvailable;
      }
  }
}

void TRCNDL(double t, double p, std::span<const double> x, double& result, std::int32_t method,
            std::int32_t& ierr) {
  ierr = 0;
  result = 0.0;
  const std::int32_t n = transport::liquidCount();
  switch (method) {
    case 1: {
      const std::span<double> k = libraryValues(1221, n, t, p);
      double mass = 0.0;
      for (std::int32_t i = 1; i <= n; ++i) {
        double& ki = k[static_cast<std::size_t>(i - 1)];
        if (needsFill(i, ki)) {
          ki = TRCLC1(t, p, constant(ComponentReal::NormalBoilingPoint, i),
                      constant(ComponentReal::CriticalTemperature, i),
                      constant(ComponentReal::CriticalPressure, i),
                      constant(ComponentReal::MolecularWeight, i));
        }
        mass += x[static_cast<std::size_t>(i - 1)] * constant(ComponentReal::MolecularWeight, i);
      }
      if (mass <= 0.0) return;
      double s = 0.0;
      for (std::int32_t i = 1; i <= n; ++i) {
        const double ki = k[static_cast<std::size_t>(i - 1)];
        const double w =
            x[static_cast<std::size_t>(i - 1)] * constant(ComponentReal::MolecularWeight, i) / mass;
        if (ki > kSmall && w > kSmall) s += w / (ki * ki);
      }
      result = s > 0.0 ? std::sqrt(1.0 / s) : 0.0;
      return;
    }
    case 2:
      result = TRCLMX(t, p, x, ierr);
      return;
    case 6:
    case 7:
      correspondingStates(x, t, p, CsPhase::Liquid, CsProperty::ThermalConductivity, n, result,
                          ierr);
      return;
    default:
      if (isUser(method)) {
        TRUSER(method, 14, 1, 2, n, x, t, p, result);
      } else {
        ierr = kMethodNotAvailable;
      }
  }
}

void TRSURF(double t, double p, std::span<const double> x, std::span<const double> y,
            double& result, std::int32_t method, std::int32_t& ierr) {
  ierr = 0;
  result = 0.0;
  const std::int32_t nl = transport::liquidCount();
  const std::int32_t nv = transport::vapourCount();
  switch (method) {
    case 1: {
      const std::span<double> s = libraryValues(1223, nl, t, p);
      for (std::int32_t i = 1; i <= nv; ++i) {
        double& si = s[static_cast<std::size_t>(i - 1)];
        if (needsFill(i, si)) {
          si = TRCOR1(t, constant(ComponentReal::CriticalTemperature, i), watson(i));
        }
        result += x[static_cast<std::size_t>(i - 1)] * si;
      }
      return;
    }
    case 2:
      result = TRSTB1(t, p, x, ierr);
      return;
    case 124: {
      double rhoL = 0.0;
      std::int32_t status = 0;
      pure::DNLIQ(nv, t, p, x, rhoL, status);
      double rhoV = 0.0;
      TRCORS(nv, t, p, y, rhoV, ierr);
      pure::MDLOD8();
      const std::int32_t np = std::max(1, nv * (nv - 1) / 2);
      const std::int32_t a = 5 * nv + 2;
      const std::int32_t c = a + 3 * np + 4 * nv;
      const std::int32_t e = c + 2 * nv;
      const std::int32_t last = std::max({a + nl, c + nl, e + nl, e + nv + 1});
      if (!blockHolds(last) || !(rhoL > 0.0) || rhoV < services::RMISS) {
        ierr = kTransportFailed;
        return;
      }
      const std::span<double> tc = blockValues(Scratch::Work1, a, nl);
      const std::span<double> vc = blockValues(Scratch::Work2, c, nl);
      const std::span<double> para = blockValues(Scratch::Work3, e, nl);
      const std::int32_t expoWord = methods::LDSTAT.realSector1 + e + nv + 1;
      double expo = CORSTO.real(expoWord);
      result = TRSTMX(nl, nv, tc, vc, molarMasses(nl), rhoL, rhoV, x, y, para, expo, ierr);
      // The estimates stay in the core copy of the block.
      for (std::int32_t i = 1; i <= nl; ++i) {
        CORSTO.setReal(methods::LDSTAT.realSector1 + e + i, para[static_cast<std::size_t>(i - 1)]);
      }
      CORSTO.setReal(expoWord, expo);
      return;
    }
    default:
      if (isUser(method)) {
        TRUSER(method, 16, 3, 2, nl, x, t, p, result);
      } else {
        ierr = kMethodNotAvailable;
      }
  }
}

void TRCMPR(std::int32_t kprop, std::int32_t /*iwat*/, std::int32_t /*n*/, std::int32_t method,
            double /*t*/, double /*p*/, const PhaseAmounts& /*phase*/, TransportParts& parts,
            std::int32_t& ierr) {
  // 1. Property number and phase of the code.
  std::int32_t iprop = 1;
  bool liquid = false;
  switch (static_cast<TransportProperty>(kprop)) {
    case TransportProperty::LiquidViscosity:
      liquid = true;
      break;
    case TransportProperty::LiquidConductivity:
      iprop = 2;
      liquid = true;
      break;
    case TransportProperty::SurfaceTension:
      iprop = 3;
      liquid = true;
      break;
    case TransportProperty::VapourConductivity:
      iprop = 2;
      break;
    default:
      break;
  }
  // 2. The sample routine of the code (the samples read neither the compositions nor the
  // liquid's hydrocarbon and water shares).
  ierr = 0;
  if (method >= 770 && method <= 774) sample(iprop, liquid, parts, ierr);
  // 3. The statuses of the route.
  if (ierr == 1) services::MSGOUT(kMessageSampleNote);
  if (ierr == 2) services::MSGOUT(kMessageSampleWarning);
  if (ierr == 3) {
    services::MSGOUT(kMessageSampleStop);
    services::ABTRPT(" ", " ", " ", " ");
  }
}

}  // namespace phase
