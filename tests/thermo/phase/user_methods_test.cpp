// UKHSDR and the user routine slots of the user-added thermodynamic methods 901 to 915:
// the slot a code reaches, the record a routine sees, the answers converted back, the older
// record, the placeholder notice (USRDUM) and the refusals.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "fixtures/problem_builder.hpp"
#include "methods/methods.hpp"
#include "platform/platform.hpp"
#include "problem/open_sequence.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/file_layer_support.hpp"
#include "storage/storage.hpp"
#include "support/test_support.hpp"
#include "thermo/equilibrium/slots.hpp"
#include "thermo/phase/phase.hpp"
#include "thermo/pure/correlation_sets.hpp"
#include "thermo/pure/correlations.hpp"
#include "thermo/pure/liquid_density.hpp"

namespace {

using phase::UKHCOM;
using phase::UKHOLD;
using phase::UserAnswer;
using phase::UserRequest;
using services::kGasConstant;

constexpr std::int32_t kReportUnit = 47;
constexpr std::int32_t kMessageUnit = 48;

correlation_testing::Record idealGas(std::int32_t comp, std::vector<double> c) {
  correlation_testing::Record r;
  r.component = comp;
  r.coefficients = std::move(c);
  return r;
}

// What the last test routine was called as and what it saw.
struct Seen {
  std::int32_t slot = 0;
  std::int32_t calls = 0;
  phase::UserMethodRecord record;
  phase::OldUserMethodRecord old;
};
Seen seen;

// What the next test routine answers.
struct Answer {
  bool inCurrentRecord = true;  // sets IUNEW
  std::int32_t flag = 0;
  float value1 = 0.0F, value2 = 0.0F, value3 = 0.0F, value4 = 0.0F;
  std::vector<float> results1, results2;
  float kState1 = -1.0F;  // below 0: left alone
};
Answer answer;

// A test routine for slot N: records what it sees and answers from ANSWER.
template <std::int32_t N>
void testRoutine() {
  seen.slot = N;
  ++seen.calls;
  seen.record = UKHCOM;
  seen.old = UKHOLD;
  ++UKHCOM.save[1];
  if (answer.inCurrentRecord) {
    UKHCOM.isNew = 1;
    UKHCOM.flag = answer.flag;
    UKHCOM.value1 = answer.value1;
    UKHCOM.value2 = answer.value2;
    UKHCOM.value3 = answer.value3;
    UKHCOM.value4 = answer.value4;
    for (std::size_t i = 0; i < answer.results1.size(); ++i)
      UKHCOM.results1[i] = answer.results1[i];
    for (std::size_t i = 0; i < answer.results2.size(); ++i)
      UKHCOM.results2[i] = answer.results2[i];
    if (answer.kState1 >= 0.0F) UKHCOM.kState1 = answer.kState1;
  } else {
    // Written for the older record; what lands in UKHCOM is not looked at.
    UKHCOM.flag = 55;
    UKHCOM.value1 = -9.0F;
    UKHOLD.flag = answer.flag;
    UKHOLD.value1 = answer.value1;
    UKHOLD.value2 = answer.value2;
    UKHOLD.value3 = answer.value3;
    UKHOLD.value4 = answer.value4;
    for (std::size_t i = 0; i < answer.results1.size(); ++i)
      UKHOLD.results1[i] = answer.results1[i];
    if (answer.kState1 >= 0.0F) UKHOLD.kState1 = answer.kState1;
  }
}

template <std::size_t... K>
void installTestRoutines(std::index_sequence<K...>) {
  (phase::setUserRoutine(static_cast<std::int32_t>(K + 1),
                         &testRoutine<static_cast<std::int32_t>(K + 1)>),
   ...);
}

// Runs CALL, which must stop the run (exit status 15); returns the abort's lines.
std::string stopLines(const std::function<void()>& call) {
  testing_support::StopThrows stop;
  try {
    call();
  } catch (const platform::RunStopped& stopped) {
    EXPECT_EQ(stopped.status, 15);
    std::string text;
    for (std::int32_t k = 1; k <= services::MSGTXT.lineCount; ++k) {
      text += std::string(services::MSGTXT.lines(static_cast<std::size_t>(k)).trimmed()) + "\n";
    }
    return text;
  }
  ADD_FAILURE() << "the run did not stop";
  return {};
}

// A site's liquid-density method as a slot routine would hold it: the compressibility
// factor mixed linearly from per-component values, Z = sum x c.
void linearZ() {
  constexpr std::array<float, 3> kComponentZ{0.02F, 0.03F, 0.05F};
  UKHCOM.isNew = 1;
  if (UKHCOM.request != static_cast<std::int32_t>(UserRequest::Density) || UKHCOM.phase != 2) {
    UKHCOM.flag = phase::kNotSupported;
    return;
  }
  float zmix = 0.0F;
  for (std::size_t i = 0; i < static_cast<std::size_t>(UKHCOM.componentCount); ++i) {
    zmix += UKHCOM.x2[i] * kComponentZ[i];
  }
  UKHCOM.value4 = zmix;
}

class UserMethods : public ::testing::Test {
 protected:
  void SetUp() override {
    correlation_testing::startRun();
    const auto messages = testing_support::dataDir() / "veltra.err";
    ASSERT_EQ(platform::openSequential(kMessageUnit, messages.string(), platform::FileStatus::Old,
                                       platform::FileAccess::Read),
              platform::IoResult::Ok);
    services::ERSETO("FILE", kMessageUnit);
    correlation_testing::installComponents({{}, {}, {}});
    // Ideal-gas enthalpies H = c1 + c2 T + c3 T^2 (kJ/kmol).
    correlation_testing::installSet(pure::kIdealGasEnthalpy, 1,
                                    {idealGas(1, {0.0, 30.0, 0.01}), idealGas(2, {100.0, 40.0}),
                                     idealGas(3, {-50.0, 25.0, 0.02})});
    // The per-component arrays of the flash work space that the driver writes.
    for (std::size_t a : {22U, 23U, 50U}) {
      problem::FWPART.realSize(a) = 3;
      problem::FWPART.realOffset(a) = storage::ICMGTR(3, 1);
    }
    problem::THCTL.idecnt = 0;
    problem::THCTL.xwd = 0.1;
    problem::THCTL.ywd = 0.2;
    phase::resetUserMethods();
    installTestRoutines(std::make_index_sequence<phase::kUserRoutines>());
    seen = Seen{};
    answer = Answer{};
  }
  void TearDown() override {
    for (std::int32_t k = 1; k <= phase::kUserRoutines; ++k) phase::setUserRoutine(k, nullptr);
    problem::FWPART = {};
    problem::THCTL = {};
    methods::PMCTL1 = {};
    platform::closeUnit(kMessageUnit, true);
  }

  // One call with the usual arguments; the results in the members below.
  void call(std::int32_t code, UserRequest request, std::int32_t slot = 7, std::int32_t phase = 1,
            std::int32_t derivative = 0) {
    phase::UKHSDR(code, slot, static_cast<std::int32_t>(request), phase,
                  static_cast<std::int32_t>(x.size()), x, y, z, t, p, derivative, h, dhdt, 0.0, 0.0,
                  status, z2, z1, 0.0);
  }

  static double work(std::size_t array, std::size_t i) {
    return storage::CORSTO.real(problem::FWPART.realOffset(array) + static_cast<std::int32_t>(i));
  }

  std::vector<double> x{2.0, 1.0, 1.0};
  std::vector<double> y{0.0, 0.0, 0.0};  // no positive sum: passed as it is
  std::vector<double> z{0.1, 0.3, 0.6};
  double t = 300.0;
  double p = 500.0;
  double h = -7.0, dhdt = -7.0, z1 = -7.0, z2 = -7.0;
  std::int32_t status = 0;
};

// The K-value engine reaches a user-added method through its slot: the routine of the code
// sees a K-value request with both compositions, and its K-values, their derivatives and its
// answer flag come back.
TEST_F(UserMethods, KValueSlotReachesTheRoutineOfTheCode) {
  answer.flag = 1;
  answer.results1 = {2.0F, 0.5F, 0.125F};
  answer.results2 = {0.02F, 0.01F, 0.004F};
  equilibrium::UserKValueRequest r;
  r.code = 905;
  r.ncomp = 3;
  const std::vector<double> vapour = {0.6, 0.3, 0.1}, liquid = {0.2, 0.3, 0.5};
  r.y = vapour;
  r.x = liquid;
  r.t = 300.0;
  r.p = 1000.0;
  r.derivatives = 1;
  std::vector<double> k(3, -1.0), dkdt(3, -1.0);
  double zl = 0.0, zv = 0.0;
  EXPECT_EQ(equilibrium::callUserKValues(r, k, dkdt, zl, zv), 1);
  EXPECT_EQ(seen.slot, 5);
  EXPECT_EQ(seen.record.request, static_cast<std::int32_t>(UserRequest::KValues));
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(k[i], answer.results1[i]);
    EXPECT_EQ(dkdt[i], answer.results2[i]);
  }
}

TEST_F(UserMethods, EachCodeReachesItsSlot) {
  for (std::int32_t code = phase::kFirstUserMethod; code <= phase::kLastUserMethod; ++code) {
    SCOPED_TRACE(code);
    call(code, UserRequest::KValues, 1);
    EXPECT_EQ(seen.slot, code - 900);
  }
  EXPECT_EQ(seen.calls, phase::kUserRoutines);
}

// The request in unit set 5, single precision, with normalised compositions, in both records.
TEST_F(UserMethods, RoutineSeesTheRequestInUnitSetFive) {
  problem::THCTL.idecnt = 2;
  const double t5 = services::UOMCNV(t, 1, 1, 5);
  const double step5 = services::UOMCNV(1.0, 2, 1, 5);
  const double p5 = services::UOMCNV(p, 4, 1, 5);
  // Unit set 5 is the field set: degrees Fahrenheit and psia.
  EXPECT_NEAR(t5, 300.0 * 1.8 - 459.67, 1e-4);
  EXPECT_NEAR(step5, 1.8, 1e-6);
  EXPECT_NEAR(p5, 500.0 * 0.145038, 1e-3);

  answer.flag = 3;  // no result wanted
  call(903, UserRequest::Enthalpy, 6, 2, 1);
  const phase::UserMethodRecord& u = seen.record;
  EXPECT_EQ(u.request, 2);
  EXPECT_EQ(u.flag, 0);
  EXPECT_EQ(u.componentCount, 3);
  EXPECT_EQ(u.phase, 2);
  EXPECT_EQ(u.water, 2);
  EXPECT_EQ(u.kSlot, 0);
  EXPECT_EQ(u.isNew, 0);
  EXPECT_EQ(u.temperature, static_cast<float>(t5));
  EXPECT_EQ(u.temperatureStep, static_cast<float>(step5));
  EXPECT_EQ(u.pressure, static_cast<float>(p5));
  EXPECT_EQ(u.kState1, 0.1F);
  EXPECT_EQ(u.kState2, 0.2F);
  const std::array<float, 3> x1{0.5F, 0.25F, 0.25F};
  const std::array<float, 3> x3{0.1F, 0.3F, 0.6F};
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(u.x1[i], x1[i]);
    EXPECT_EQ(u.x2[i], 0.0F) << "a composition without a positive sum is divided by 1";
    EXPECT_FLOAT_EQ(u.x3[i], x3[i]);
    EXPECT_EQ(u.results1[i], 0.0F);
    EXPECT_EQ(seen.old.x1[i], x1[i]);
    EXPECT_EQ(seen.old.x3[i], u.x3[i]);
  }
  const phase::OldUserMethodRecord& o = seen.old;
  EXPECT_EQ(o.waterWord, 2);
  EXPECT_EQ(o.temperature, u.temperature);
  EXPECT_EQ(o.pressure, u.pressure);
  EXPECT_EQ(o.kState1, 0.1F);
  EXPECT_EQ(o.kState2, 0.2F);

  // Without derivatives no step; the K-value slots are told apart; no water.
  problem::THCTL.idecnt = 0;
  for (std::int32_t slot : {1, 2}) {
    call(903, UserRequest::KValues, slot, 1, 0);
    EXPECT_EQ(seen.record.temperatureStep, 0.0F);
    EXPECT_EQ(seen.record.kSlot, slot);
    EXPECT_EQ(seen.record.water, 0);
    EXPECT_EQ(seen.old.waterWord, 1);
  }
}

// Flags 1 and 2: H = R T VU1, dH/dT = R ((T + D) VU2 - T VU1) / D; without derivatives the
// difference is left undivided. S = R VU1, dS/dT = R (VU2 - VU1).
TEST_F(UserMethods, WholePropertiesComeBackInInternalUnits) {
  answer.value1 = -4.5F;
  answer.value2 = -4.4F;
  const double v1 = answer.value1, v2 = answer.value2;
  for (UserAnswer flag : {UserAnswer::Whole, UserAnswer::WholeWithComponents}) {
    SCOPED_TRACE(static_cast<int>(flag));
    answer.flag = static_cast<std::int32_t>(flag);
    answer.results2 = {-1.0F, -2.0F, -3.0F};
    status = 0;
    call(907, UserRequest::Enthalpy, 7, 1, 1);
    EXPECT_EQ(status, 1);
    EXPECT_DOUBLE_EQ(h, kGasConstant * t * v1);
    EXPECT_DOUBLE_EQ(dhdt, kGasConstant * ((t + 1.0) * v2 - t * v1));
    call(907, UserRequest::Enthalpy, 7, 1, 0);
    EXPECT_DOUBLE_EQ(dhdt, kGasConstant * t * (v2 - v1));
    if (flag == UserAnswer::WholeWithComponents) {
      for (std::size_t i = 1; i <= 3; ++i) {
        EXPECT_DOUBLE_EQ(work(22, i), kGasConstant * t * answer.results2[i - 1]);
      }
    }
    status = 0;
    call(911, UserRequest::Entropy, 11, 1, 1);
    EXPECT_EQ(status, 1);
    EXPECT_DOUBLE_EQ(h, kGasConstant * v1);
    EXPECT_DOUBLE_EQ(dhdt, kGasConstant * (v2 - v1));
  }
}

// Flag 0: the ideal-gas parts are added. H = sum x Hig + R T VU1 with the ideal-gas
// enthalpies of the correlation set; each component carries the mixture's departure, so
// that the x-weighted sum of the component enthalpies is H; dH/dT likewise.
TEST_F(UserMethods, DeparturesGetTheIdealGasPartsAdded) {
  const std::array<double, 3> xn{0.5, 0.25, 0.25};
  double hig = 0.0, cpig = 0.0;
  std::array<double, 3> hi{}, cpi{};
  for (std::size_t i = 0; i < 3; ++i) {
    pure::XPCALC(110, 1, 1, static_cast<std::int32_t>(i + 1), 1, 0, t, p,
                 std::span<double>(&hi[i], 1), std::span<double>(&cpi[i], 1));
    hig += xn[i] * hi[i];
    cpig += xn[i] * cpi[i];
  }
  answer.flag = 0;
  answer.value1 = -0.8F;
  answer.value2 = -0.75F;
  const double v1 = answer.value1, v2 = answer.value2;
  y = x;
  call(907, UserRequest::Enthalpy, 7, 2, 1);
  EXPECT_EQ(status, 1);
  EXPECT_NEAR(h, hig + kGasConstant * t * v1, 1e-9 * std::abs(h));
  EXPECT_NEAR(dhdt, cpig + kGasConstant * ((t + 1.0) * v2 - t * v1), 1e-9 * std::abs(dhdt));
  double sum = 0.0;
  for (std::size_t i = 0; i < 3; ++i) sum += xn[i] * work(23, i + 1);
  EXPECT_NEAR(sum, h, 1e-9 * std::abs(h)) << "liquid array of phase 2";
  EXPECT_NEAR(work(23, 2) - work(23, 1), hi[1] - hi[0], 1e-9 * std::abs(h));

  call(907, UserRequest::Enthalpy, 7, 2, 0);
  EXPECT_EQ(dhdt, 0.0) << "no derivatives asked for";

  // ENTROPY: S = sum x Sig + R (VU1 - sum x ln x - ln(P / 101.325)).
  std::array<double, 3> si{}, dsi{};
  pure::XPSVAP({}, 1, 1, 3, 0, t, p, 1, si, dsi);
  double sig = 0.0, dsig = 0.0, mixing = 0.0;
  for (std::size_t i = 0; i < 3; ++i) {
    sig += xn[i] * si[i];
    dsig += xn[i] * dsi[i];
    mixing += xn[i] * std::log(xn[i]);
  }
  call(910, UserRequest::Entropy, 10, 1, 1);
  EXPECT_NEAR(h, sig + kGasConstant * (v1 - mixing - std::log(p / 101.325)), 1e-9 * std::abs(h));
  EXPECT_NEAR(dhdt, dsig + kGasConstant * (v2 - v1), 1e-9 * std::abs(dhdt));
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_DOUBLE_EQ(work(22, i + 1), si[i]) << "vapour array of phase 1";
    EXPECT_DOUBLE_EQ(work(50, i + 1), dsi[i]);
  }
}

// Other flags give no enthalpy or entropy; a density always copies VU3 and VU4.
TEST_F(UserMethods, OtherFlagsLeaveTheResultsAlone) {
  answer.flag = 3;
  answer.value1 = 1.0F;
  for (UserRequest r : {UserRequest::Enthalpy, UserRequest::Entropy}) {
    call(904, r);
    EXPECT_EQ(h, -7.0);
    EXPECT_EQ(dhdt, -7.0);
    EXPECT_EQ(status, 0);
  }
  answer.value3 = 12.5F;
  answer.value4 = 0.031F;
  call(904, UserRequest::Density, 8, 2);
  EXPECT_EQ(z1, 12.5);
  EXPECT_EQ(z2, static_cast<double>(0.031F));
  EXPECT_EQ(status, 0);
  EXPECT_EQ(h, -7.0);
}

// A routine that does not set IUNEW answered in UKHOLD: its answers replace UKHCOM's.
TEST_F(UserMethods, AnswersOfTheOlderRecordAreTakenOver) {
  answer.inCurrentRecord = false;
  answer.flag = 1;
  answer.value1 = -2.0F;
  answer.value2 = -1.5F;
  answer.results1 = {1.5F, 0.5F, 0.25F};
  answer.kState1 = 0.375F;
  call(905, UserRequest::KValues, 1);
  EXPECT_EQ(UKHCOM.flag, 1);
  EXPECT_EQ(UKHCOM.value1, -2.0F);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(UKHCOM.results1[i], answer.results1[i]);
  EXPECT_EQ(problem::THCTL.xwd, 0.375);
  EXPECT_EQ(problem::THCTL.ywd, static_cast<double>(0.2F)) << "passed through in single precision";

  call(905, UserRequest::Enthalpy);
  EXPECT_DOUBLE_EQ(h, kGasConstant * t * -2.0);
  EXPECT_EQ(problem::THCTL.xwd, 0.375) << "only K-value requests write the state back";
}

// The older record holds 50 components: with more, a routine that answers there gives the
// first 50 results and the current record keeps the rest of its compositions.
TEST_F(UserMethods, OlderRecordServesOnlyItsFiftyComponents) {
  x.assign(60, 1.0);
  y = z = x;
  answer.inCurrentRecord = false;
  answer.results1.assign(phase::kOldUserComponents, 2.0F);
  call(905, UserRequest::KValues, 1);
  EXPECT_EQ(seen.old.x1[49], 1.0F / 60.0F);
  EXPECT_EQ(UKHCOM.results1[49], 2.0F);
  EXPECT_EQ(UKHCOM.results1[50], 0.0F);
  EXPECT_EQ(UKHCOM.x1[59], 1.0F / 60.0F);
}

// The first call after an open sees a cleared save area; later calls see their own words.
TEST_F(UserMethods, SaveAreaIsClearedOncePerOpen) {
  UKHCOM.save.fill(7);
  phase::resetUserMethods();
  call(901, UserRequest::KValues, 1);
  EXPECT_EQ(seen.record.save[1], 0);
  EXPECT_EQ(seen.old.save[1], 0);
  call(901, UserRequest::KValues, 1);
  EXPECT_EQ(seen.record.save[1], 1);
}

// A routine that does not support the request stops the run naming it and the property.
TEST_F(UserMethods, UnsupportedRequestStopsTheRun) {
  answer.flag = phase::kNotSupported;
  const std::string lines = stopLines([&] { call(912, UserRequest::Entropy, 11); });
  EXPECT_EQ(services::MSGTXT.heldMessageKey.trimmed(), "1990001251");
  EXPECT_NE(lines.find("NUMBER 12"), std::string::npos) << lines;
  EXPECT_NE(lines.find("ENTROPY"), std::string::npos) << lines;
  EXPECT_EQ(h, -7.0);
}

// Codes outside 901-915 and more than 300 components are refused before anything is done.
TEST_F(UserMethods, CodesOutsideTheRangeAreRefused) {
  for (std::int32_t code : {0, 900, 916, 1001, -901}) {
    SCOPED_TRACE(code);
    const std::string lines = stopLines([&] { call(code, UserRequest::KValues, 1); });
    EXPECT_NE(lines.find("NOT A USER-ADDED METHOD CODE"), std::string::npos) << lines;
  }
  x.assign(301, 1.0);
  y = z = x;
  const std::string lines = stopLines([&] { call(901, UserRequest::KValues, 1); });
  EXPECT_NE(lines.find("TOO MANY COMPONENTS"), std::string::npos) << lines;
  EXPECT_EQ(seen.calls, 0);
  EXPECT_EQ(problem::THCTL.xwd, 0.1);
}

// The shipped slots are placeholders: the notice box on the report listing, then message
// 1700010034 and the end of the run.
TEST_F(UserMethods, PlaceholderSlotShowsTheNoticeAndStops) {
  testing_support::TempDir dir;
  const auto report = dir.file("listing.txt");
  ASSERT_EQ(platform::openSequential(kReportUnit, report.string(), platform::FileStatus::Unknown,
                                     platform::FileAccess::Write),
            platform::IoResult::Ok);
  services::OUINIT();
  services::PGTITL(kReportUnit, -1, -1, -1);
  phase::setUserRoutine(6, nullptr);
  const std::string lines = stopLines([&] { call(906, UserRequest::Density, 9); });
  EXPECT_EQ(services::MSGTXT.heldMessageKey.trimmed(), "1700010034");
  EXPECT_NE(lines.find("USER-ADDED ROUTINE UKHS6 IS ONLY A PLACEHOLDER"), std::string::npos)
      << lines;
  EXPECT_NE(services::MSGPAR.composition.str().find("CALLED FROM UKHS6"), std::string::npos);

  // Kind 1 prints the message and returns.
  phase::USRDUM(1, "UTRAN3");
  EXPECT_NE(std::string(services::MSGTXT.lines(1).trimmed()).find("UTRAN3"), std::string::npos);
  platform::closeUnit(kReportUnit, true);
  services::OUINIT();

  const std::string listing = testing_support::readFile(report);
  const std::string stars = " " + std::string(59, '*');
  const std::string empty = " *" + std::string(57, ' ') + "*";
  std::string named = empty;
  named.replace(27, 6, "UKHS6 ");
  for (const std::string& line :
       {stars, std::string(" *  AN INVALID CALL HAS BEEN MADE TO USER-ADDED SUBROUTINE *"), named,
        std::string(" *         GENERATE THE EXPECTED PRINTOUT REPORT.          *"),
        std::string(" *      CORRECTLY PERFORM THE REQUESTED CALCULATIONS.      *"), empty,
        std::string(" *       YOUR NEEDS BEFORE RE-RUNNING THIS PROBLEM.        *")}) {
    SCOPED_TRACE(line);
    EXPECT_EQ(line.size(), 60U);
    EXPECT_NE(listing.find(line), std::string::npos) << listing;
  }
}

// The open's set-up query reaches the slot of the K-value method with request -1; the
// routine's flag is what the open records.
TEST_F(UserMethods, SetUpQueryReturnsTheRoutinesFlag) {
  answer.flag = 3;
  const std::array<double, 1> none{0.0};
  phase::UKHSDR(902, 1, -1, 1, 1, none, none, none, 0.0, 0.0, 0, h, dhdt, 0.0, 0.0, status, z2, z1,
                0.0);
  EXPECT_EQ(seen.slot, 2);
  EXPECT_EQ(seen.record.request, -1);
  EXPECT_EQ(seen.record.x1[0], 0.0F);
  EXPECT_EQ(UKHCOM.flag, 3);
  EXPECT_EQ(h, -7.0);
}

// The open of a problem asks the routine of each set's user-added K-value method to set
// itself up (DBSSTR, through the slot the method-set layer declares) and keeps its flag in
// the set's option word, written back with the set block: 100 flag + 2 without free water.
TEST_F(UserMethods, OpenKeepsTheSetUpFlagOfEachUserSet) {
  testing_support::TempDir dir;
  fixtures::ProblemDescription d;
  d.name = "user";
  for (const char* name : {"METHANE", "ETHANE"}) {
    d.components.push_back(fixtures::publishedComponent(name));
  }
  fixtures::MethodSetSpec user = fixtures::equationOfStateSet("USER", 102);
  user.codes[0] = 903;
  user.slotBlock[0] = 0;
  d.methodSets = {fixtures::equationOfStateSet("PR", 102), user};
  fixtures::buildProblem(dir.path(), d);
  answer.flag = 7;

  std::int32_t iout = 0;
  methods::PAINIT(dir.file("user").string(), dir.path().string(), iout, 0);
  EXPECT_EQ(seen.slot, 3);
  EXPECT_EQ(seen.record.request, static_cast<std::int32_t>(UserRequest::SetUp));
  std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
  for (const auto& [set, option] : {std::pair{1, 0}, std::pair{2, 702}}) {
    SCOPED_TRACE(set);
    methods::FLMSET(d3, d4, d5, ndig, set);
    EXPECT_EQ(storage::CORSTO[methods::MSPTRS.integerSectors(4) + 1], option);
  }
  methods::PAEND();
  storage::FIINIT();
}

// The liquid-density dispatcher reaches a user method through the driver (slot 8, phase 2)
// and turns its compressibility factor into a density, P / (Z R T).
TEST_F(UserMethods, LiquidDensityDispatcherUsesTheInstalledRoutine) {
  phase::setUserRoutine(1, &linearZ);
  methods::PMCTL1.liquidDensity.code = 901;
  double density = 0.0;
  std::int32_t ierr = -1;
  pure::DNLIQ(3, t, p, x, density, ierr);
  EXPECT_EQ(ierr, 0);
  const double zmix = 0.5 * 0.02 + 0.25 * 0.03 + 0.25 * 0.05;
  EXPECT_NEAR(density, p / (zmix * kGasConstant * t), 1e-6 * density);

  // The same routine refuses a vapour density.
  const std::string lines = stopLines([&] { call(901, UserRequest::Density, 9, 1); });
  EXPECT_NE(lines.find("PROPERTY: DENSITY"), std::string::npos) << lines;
}

// The method's user data: 2600 reals of its block, from the block's 52nd 8-byte word on,
// copied once per block into UKHDAT in single precision.
class UserData : public file_tests::FileLayerTest {
 protected:
  void SetUp() override {
    correlation_testing::startRun();
    plan_ = group(21, {125, 250});
    fixtures::createFileGroup(plan_);
    storage::FISTA2(file_tests::attach(21, plan_.baseName).sequence, 2);
    methods::MSPTRS = {};
    phase::resetUserMethods();
    phase::setUserRoutine(3, &testRoutine<3>);
    seen = Seen{};
    answer = Answer{};
    answer.flag = 3;  // no property result
  }
  void TearDown() override {
    phase::setUserRoutine(3, nullptr);
    methods::MSPTRS = {};
  }

  // A block of one real sector whose real k is k/4, named by method slot SLOT.
  void block(std::int32_t slot, std::int32_t reals) {
    std::int32_t len = 0, p = services::NOCORE, ierr = 0;
    storage::SBSGLC(len, p, 0, ierr, 0, 0, 0, 1, reals, 0, 0);
    const std::int32_t rp = storage::SBCUR.pointer(storage::SectorKind::Real, 1);
    for (std::int32_t k = 1; k <= reals; ++k) storage::CORSTO.setReal(rp + k, 0.25 * k);
    storage::DiskPointer pointer = storage::emptyDiskPointer();
    std::int32_t status = 0;
    storage::SBWTC(len, p, pointer, status);
    methods::MethodClass& c = methods::MSPTRS.classes(static_cast<std::size_t>(slot));
    c.code = 903;
    c.blockAddress = storage::dp(pointer, storage::dpword::kAddress);
    c.blockLength = storage::dp(pointer, storage::dpword::kTotalLength);
    address = c.blockAddress;
  }

  void call(std::int32_t slot) {
    const std::array<double, 1> x{1.0};
    double h = 0.0, dhdt = 0.0, z1 = 0.0, z2 = 0.0;
    std::int32_t status = 0;
    phase::UKHSDR(903, slot, 2, 1, 1, x, x, x, 300.0, 100.0, 0, h, dhdt, 0.0, 0.0, status, z2, z1,
                  0.0);
  }

  fixtures::FileGroupPlan plan_;
  std::int32_t address = services::NODISK;
};

TEST_F(UserData, BlockIsCopiedOncePerBlock) {
  block(7, 2700);
  call(7);
  const auto& data = phase::UKHDAT;
  EXPECT_EQ(data.block, address);
  // The block's image is its header words, then the sector: the reals copied are a run of
  // consecutive sector reals that starts where the image's 52nd 8-byte word lies.
  const double first = data.values(1) / 0.25;
  EXPECT_GE(first, 1.0);
  EXPECT_LE(first, 52.0);
  EXPECT_EQ(first, std::floor(first));
  for (std::size_t k = 1; k <= phase::kUserDataValues; ++k) {
    ASSERT_EQ(data.values(k), static_cast<float>(0.25 * (first + static_cast<double>(k) - 1.0)))
        << k;
  }

  // The same block again is not read; a slot without a block leaves the data alone; after
  // an open the block is read again.
  phase::UKHDAT.values(1) = -1.0F;
  call(7);
  call(6);
  EXPECT_EQ(data.values(1), -1.0F);
  phase::resetUserMethods();
  call(7);
  EXPECT_EQ(data.values(1), static_cast<float>(0.25 * first));

  // A block shorter than the user data: the rest is zero.
  block(6, 100);
  call(6);
  EXPECT_EQ(data.block, address);
  EXPECT_EQ(data.values(2600), 0.0F);
  EXPECT_GT(data.values(1), 0.0F);
}

}  // namespace
