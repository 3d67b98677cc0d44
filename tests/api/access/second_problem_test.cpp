// A problem opened after another in the same process sees nothing of the first: every value
// kept between calls (caches, scratch, the method set and parameter block held in core)
// starts again at the open. The answer of the second problem must be the one a fresh
// process gives, to the last bit.
#include <gtest/gtest.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "api/access/access.hpp"
#include "fixtures/problem_builder.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "storage/storage.hpp"
#include "support/test_support.hpp"
#include "thermo/equilibrium/equilibrium.hpp"
#include "thermo/pure/correlation_sets.hpp"

namespace {

// What a host reads of the open problem: its counts; the vapour fugacity coefficients,
// compressibility and temperature and pressure derivatives of one composition by the
// default method set; the vapour pressures and their slopes through the cache of the
// K-value kernels.
struct Answer {
  std::int32_t ncomp = 0;
  std::int32_t nstrm = 0;
  std::int32_t nunit = 0;
  std::int32_t status = -1;
  std::vector<double> values;  // ln(phi), Z, dln(phi)/dT, dln(phi)/dP, Psat, dPsat/dT
};

// The words of the vapour-pressure correlations (type 1001, set 1) of N components, each
// with the Antoine form; the constants are inputs of the test, not property data.
fixtures::CorrelationSetBlock vapourPressureSet(std::size_t n, double shift) {
  correlation_testing::startRun();
  std::vector<correlation_testing::Record> records;
  for (std::size_t i = 0; i < n; ++i) {
    const double b = 800.0 + 150.0 * static_cast<double>(i) + shift;
    records.push_back(
        correlation_testing::antoineRecord(static_cast<std::int32_t>(i + 1), 4.0, b, -20.0));
  }
  std::int32_t length = 0;
  const std::int32_t area = correlation_testing::buildSet(records, length);
  fixtures::CorrelationSetBlock set{1001, 1, {}};
  const std::span<const std::int32_t> words = storage::CORSTO.words(area + 1, length);
  set.words.assign(words.begin(), words.end());
  return set;
}

constexpr double kTemperature = 280.0;  // K
constexpr double kPressure = 3500.0;    // kPa
// The flash work arrays of the vapour pressures and their slopes.
constexpr std::int32_t kVapourPressureArray = 13;
constexpr std::int32_t kVapourPressureSlopeArray = 14;

fixtures::ProblemDescription problemOf(const std::string& name,
                                       const std::vector<std::string>& components,
                                       const std::vector<fixtures::MethodSetSpec>& sets,
                                       double shift) {
  fixtures::ProblemDescription d;
  d.name = name;
  for (const std::string& c : components) d.components.push_back(fixtures::publishedComponent(c));
  d.methodSets = sets;
  d.correlationSets = {vapourPressureSet(components.size(), shift)};
  return d;
}

std::vector<double> flashArray(std::int32_t k, std::size_t count) {
  std::vector<double> v(count);
  const std::int32_t offset = problem::FWPART.realOffset(static_cast<std::size_t>(k));
  for (std::size_t i = 0; i < count; ++i) {
    v[i] = storage::CORSTO.real(offset + static_cast<std::int32_t>(i) + 1);
  }
  return v;
}

Answer readOpenProblem() {
  Answer a;
  std::int32_t ierr = 0;
  api_access::PAMISC(a.ncomp, a.nstrm, a.nunit, ierr);
  std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
  methods::FLMSET(d3, d4, d5, ndig, 0);
  const auto n = static_cast<std::size_t>(a.ncomp);
  std::vector<double> y(n);
  for (std::size_t i = 0; i < n; ++i) y[i] = static_cast<double>(n - i);
  double sum = 0.0;
  for (const double v : y) sum += v;
  for (double& v : y) v /= sum;
  std::vector<double> lnphi(n);
  const std::vector<std::int32_t> flags(n, 1);
  double z = 0.0;
  std::int32_t numerical = 0;
  equilibrium::FVCALC(a.ncomp, y, lnphi, kTemperature, kPressure, z, 1, 0, flags, 0, a.status,
                      numerical);
  a.values = lnphi;
  a.values.push_back(z);
  equilibrium::TPCACH(1, kTemperature, kPressure);
  for (const std::int32_t k : {equilibrium::kVapourLnPhiTArray, equilibrium::kVapourLnPhiPArray,
                               kVapourPressureArray, kVapourPressureSlopeArray}) {
    const std::vector<double> d = flashArray(k, n);
    a.values.insert(a.values.end(), d.begin(), d.end());
  }
  return a;
}

void open(const testing_support::TempDir& dir, const std::string& name) {
  std::int32_t iout = 0;
  std::int32_t ierr = -1;
  api_access::PAOPEN(dir.file(name).string(), dir.path().string(), iout, ierr);
  ASSERT_EQ(ierr, 0);
}

// The answer of problem NAME in a process of its own, through a pipe.
Answer inFreshProcess(const testing_support::TempDir& dir, const std::string& name,
                      std::size_t words) {
  int channel[2];
  EXPECT_EQ(pipe(channel), 0);
  const pid_t child = fork();
  if (child == 0) {
    close(channel[0]);
    open(dir, name);
    const Answer a = readOpenProblem();
    api_access::PACLOS();
    const std::int32_t header[4] = {a.ncomp, a.nstrm, a.nunit, a.status};
    bool written = write(channel[1], header, sizeof header) == sizeof header;
    const auto bytes = static_cast<ssize_t>(a.values.size() * sizeof(double));
    written =
        written && write(channel[1], a.values.data(), a.values.size() * sizeof(double)) == bytes;
    _exit(written ? 0 : 1);
  }
  close(channel[1]);
  Answer a;
  std::int32_t header[4] = {};
  EXPECT_EQ(read(channel[0], header, sizeof header), static_cast<ssize_t>(sizeof header));
  a.ncomp = header[0];
  a.nstrm = header[1];
  a.nunit = header[2];
  a.status = header[3];
  a.values.resize(words);
  const auto bytes = static_cast<ssize_t>(words * sizeof(double));
  EXPECT_EQ(read(channel[0], a.values.data(), words * sizeof(double)), bytes);
  close(channel[0]);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  return a;
}

// Problems A and B share the name of their first method set, its number, the correlation set
// and the state asked for, so that anything kept from A under the set's number, the
// temperature or the disk address of a block would answer for B.
TEST(SecondProblem, AnswersAsAFreshProcessToTheLastBit) {
  testing_support::StopThrows stop;
  testing_support::TempDir dir;
  fixtures::buildProblem(
      dir.path(), problemOf("first", {"METHANE", "ETHANE", "PROPANE", "N-BUTANE", "N-HEXANE"},
                            {fixtures::equationOfStateSet("EOS", 102),
                             fixtures::equationOfStateSet("SECOND", 101)},
                            0.0));
  fixtures::buildProblem(dir.path(), problemOf("second", {"NITROGEN", "CARBON DIOXIDE", "METHANE"},
                                               {fixtures::equationOfStateSet("EOS", 101)}, 40.0));

  const Answer fresh = inFreshProcess(dir, "second", 5 * 3 + 1);

  open(dir, "first");
  const Answer first = readOpenProblem();
  std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
  methods::FLMSET(d3, d4, d5, ndig, 2);
  readOpenProblem();
  api_access::PACLOS();
  open(dir, "second");
  const Answer second = readOpenProblem();
  api_access::PACLOS();

  EXPECT_EQ(first.ncomp, 5);
  EXPECT_EQ(second.ncomp, fresh.ncomp);
  EXPECT_EQ(second.nstrm, fresh.nstrm);
  EXPECT_EQ(second.nunit, fresh.nunit);
  EXPECT_EQ(second.status, fresh.status);
  ASSERT_EQ(second.values.size(), fresh.values.size());
  EXPECT_EQ(
      std::memcmp(second.values.data(), fresh.values.data(), fresh.values.size() * sizeof(double)),
      0);
  for (std::size_t k = 0; k < fresh.values.size(); ++k) {
    EXPECT_EQ(second.values[k], fresh.values[k]) << "value " << k;
  }
}

}  // namespace
