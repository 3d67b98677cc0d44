// Support of the flash tests.
#include "flash_support.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/pure/correlation_sets.hpp"
#include "thermo/pure/pure.hpp"

namespace flash_test {

KDouble kDouble;

OpenProblem::OpenProblem(const testing_support::TempDir& dir,
                         const fixtures::ProblemDescription& d) {
  fixtures::buildProblem(dir.path(), d);
  std::int32_t iout = 0;
  methods::PAINIT(dir.file(d.name).string(), dir.path().string(), iout, 0);
}

OpenProblem::~OpenProblem() {
  methods::PAEND();
  storage::FIINIT();
}

void useSet(std::int32_t set) {
  std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
  methods::FLMSET(d3, d4, d5, ndig, set);
}

std::vector<fixtures::ComponentSpec> components(const std::vector<std::string>& names) {
  std::vector<fixtures::ComponentSpec> c;
  for (const std::string& n : names) c.push_back(fixtures::publishedComponent(n));
  return c;
}

fixtures::MethodSetSpec pengRobinsonSet(const std::string& name, std::int32_t water) {
  fixtures::MethodSetSpec set = fixtures::equationOfStateSet(name, 102);
  set.options[0] = 2;  // the simplified K-values of a fresh start: the Wilson estimate
  if (water > 0) {
    set.options[0] += 100000;  // the free-water treatment
    set.header[0] = water;
    set.header[4] = 0;
  }
  return set;
}

fixtures::CorrelationSetBlock idealGasStandIns(std::size_t n) {
  correlation_testing::startRun();
  std::vector<correlation_testing::Record> records;
  for (std::size_t i = 0; i < n; ++i) {
    correlation_testing::Record r;
    r.component = static_cast<std::int32_t>(i + 1);
    r.coefficients = {0.0, 30.0 + 10.0 * static_cast<double>(i), 0.01 * static_cast<double>(i)};
    records.push_back(r);
  }
  std::int32_t length = 0;
  const std::int32_t area = correlation_testing::buildSet(records, length);
  fixtures::CorrelationSetBlock set{pure::kIdealGasEnthalpy, 1, {}};
  const std::span<const std::int32_t> words = storage::CORSTO.words(area + 1, length);
  set.words.assign(words.begin(), words.end());
  return set;
}

fixtures::MethodSetSpec withEquationEntropies(fixtures::MethodSetSpec set) {
  constexpr std::size_t kLiquidEntropySlot = 10, kVapourEntropySlot = 11;
  constexpr std::int32_t kFromTheEquation = 3;
  for (const std::size_t slot : {kLiquidEntropySlot, kVapourEntropySlot}) {
    set.options[slot - 1] = set.options[slot - 1] / 10 * 10 + kFromTheEquation;
  }
  return set;
}

Flash::Flash(const std::vector<double>& feed, double t, double p)
    : z(feed),
      x(feed),
      y(feed),
      k(feed.size(), 1.0),
      xstor(feed.size()),
      ystor(feed.size()),
      dxnew(feed.size()),
      dxold(feed.size()),
      dynew(feed.size()),
      dyold(feed.size()),
      kstor(feed.size()),
      tcrit(feed.size(), 0.0),
      present(feed.size(), 1) {
  const auto n = static_cast<std::int32_t>(feed.size());
  a.NCOMP = n;
  a.NC = n;
  a.IPRES = present;
  a.Z = z;
  a.X = x;
  a.Y = y;
  a.XK = k;
  a.XSTOR = xstor;
  a.YSTOR = ystor;
  a.DXNEW = dxnew;
  a.DXOLD = dxold;
  a.DYNEW = dynew;
  a.DYOLD = dyold;
  a.XKSTOR = kstor;
  a.TCRIT = tcrit;
  a.T = t;
  a.P = p;
  a.TRATE = 1.0;
  a.GTOL = 1e-12;
  a.KXOPT = 1;
  a.KXFLAG = 0;
}

void constantKValues(std::int32_t /*nck*/, std::int32_t ncomp, std::span<const double>,
                     std::span<const double>, std::span<double> k, double, double, double& zv,
                     double& zl, std::int32_t&, std::int32_t, std::int32_t, std::int32_t& ierr,
                     std::int32_t, std::int32_t& ifugst) {
  for (std::int32_t i = 0; i < ncomp; ++i) {
    k[static_cast<std::size_t>(i)] = kDouble.kvalues[static_cast<std::size_t>(i)];
  }
  if (kDouble.waterComponent > 0) {
    problem::THCTL.ywd = kDouble.ywd;
    problem::THCTL.xwd = kDouble.xwd;
  }
  zv = 0.9;
  zl = 0.1;
  ierr = 0;
  ifugst = 0;
}

std::vector<KValueCase> nonFiniteKValues() {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<double> z{0.5, 0.3, 0.2};
  return {
      {"all NaN", z, {nan, nan, nan}},
      {"NaN beside K on both sides of one", z, {nan, 0.5, 2.0}},
      {"NaN beside K above one", z, {nan, 2.0, 3.0}},
      {"NaN beside K below one", z, {nan, 0.2, 0.3}},
      {"infinite K", z, {inf, 0.5, 0.2}},
      {"NaN K of an absent component", {0.6, 0.4, 0.0}, {3.0, 0.3, nan}},
  };
}

double Antoine::kpa(double t) const { return 100.0 * std::pow(10.0, a - b / (t + c)); }

double exactVapourFraction(const std::vector<double>& z, const std::vector<double>& k) {
  const auto f = [&](long double v) {
    long double s = 0.0L;
    for (std::size_t i = 0; i < z.size(); ++i) {
      const long double d = static_cast<long double>(k[i]) - 1.0L;
      s += static_cast<long double>(z[i]) * d / (1.0L + v * d);
    }
    return s;
  };
  // F falls with V: positive at V = 1 means all vapour, negative at 0 all liquid.
  if (f(1.0L) >= 0.0L) return 1.0;
  if (f(0.0L) <= 0.0L) return 0.0;
  long double lo = 0.0L, hi = 1.0L;
  for (int i = 0; i < 200; ++i) {
    const long double mid = 0.5L * (lo + hi);
    (f(mid) > 0.0L ? lo : hi) = mid;
  }
  return static_cast<double>(0.5L * (lo + hi));
}

}  // namespace flash_test
