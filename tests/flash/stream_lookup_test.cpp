// The stream lookup of the flash and property calls, and the single-precision water values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fixtures/problem_builder.hpp"
#include "flash/flash.hpp"
#include "methods/methods.hpp"
#include "platform/platform.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "support/test_support.hpp"
#include "thermo/phase/slots.hpp"
#include "thermo/pure/water.hpp"

namespace {

constexpr std::int32_t kFound = 0;
constexpr std::int32_t kNotFound = 1;

class StreamLookup : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::ProblemDescription d;
    for (const char* name : {"METHANE", "PROPANE", "WATER"}) {
      d.components.push_back(fixtures::publishedComponent(name));
    }
    d.methodSets = {fixtures::equationOfStateSet("SRK", 101),
                    fixtures::equationOfStateSet("PR", 102)};
    d.defaultMethodSet = 1;
    const std::vector<std::pair<const char*, std::int32_t>> streams{{"FEED", 2}, {"PRODUCT", 1}};
    for (const auto& [name, set] : streams) {
      fixtures::StreamSpec s;
      s.name = name;
      s.temperature = 300.0;
      s.pressure = 1000.0;
      s.rate = 1.0;
      s.composition = {0.5, 0.4, 0.1};
      s.integerWords = {{20, set}};
      d.streams.push_back(s);
    }
    fixtures::buildProblem(dir.path(), d);
    open();
  }
  void TearDown() override {
    if (opened) close();
  }
  void open() {
    std::int32_t iout = 0;
    methods::PAINIT(dir.path().string() + "/problem", dir.path().string(), iout, 0);
    opened = true;
  }
  void close() {
    methods::PAEND();
    storage::FIINIT();
    opened = false;
  }

  testing_support::StopThrows stop;
  testing_support::TempDir dir;
  bool opened = false;
};

// A named stream becomes current in pointer set 2 and gives its method set; SRLOOK makes
// that set current too. Names are blank-padded to 12 characters.
TEST_F(StreamLookup, FindsTheStreamAndItsMethodSet) {
  struct Case {
    std::string_view id;
    std::int32_t set;
  };
  for (const Case& c : {Case{"FEED", 2}, Case{"PRODUCT     ", 1}, Case{"FEED        ", 2}}) {
    SCOPED_TRACE(std::string(c.id));
    std::int32_t iset = -1;
    ASSERT_EQ(flash::SRBYNM(c.id, iset), kFound);
    EXPECT_EQ(iset, c.set);
    EXPECT_EQ(problem::SRPSET.set2.stream, problem::ISRNO(c.id));
    iset = -1;
    ASSERT_EQ(flash::SRLOOK(c.id, iset), kFound);
    EXPECT_EQ(iset, c.set);
    EXPECT_EQ(problem::THCTL.currentSet, c.set);
  }
}

// A blank or empty identifier, a name that no stream has, and any identifier without an open
// problem give status 1 and set 0, and leave the current stream and set alone: none of
// them ends the process.
TEST_F(StreamLookup, UnknownIdentifiersAreReportedNotFatal) {
  std::int32_t iset = -1;
  ASSERT_EQ(flash::SRLOOK("PRODUCT", iset), kFound);
  const std::int32_t current = problem::SRPSET.set2.stream;
  for (const std::string_view id : {std::string_view("            "), std::string_view(""),
                                    std::string_view("NO-SUCH"), std::string_view("FEEDX")}) {
    SCOPED_TRACE(std::string(id));
    for (const auto lookup : {&flash::SRBYNM, &flash::SRLOOK}) {
      iset = -1;
      EXPECT_EQ(lookup(id, iset), kNotFound);
      EXPECT_EQ(iset, 0);
      EXPECT_EQ(problem::SRPSET.set2.stream, current);
      EXPECT_EQ(problem::THCTL.currentSet, 1);
    }
  }
  close();
  for (const std::string_view id : {"FEED", "NO-SUCH", " "}) {
    SCOPED_TRACE(std::string(id));
    for (const auto lookup : {&flash::SRBYNM, &flash::SRLOOK}) {
      iset = -1;
      EXPECT_EQ(lookup(id, iset), kNotFound);
      EXPECT_EQ(iset, 0);
    }
  }
}

// The water values in unit set 5 are the water routine's values at the same state converted
// by the unit tables: back in the engine's units they equal the routine's own; option 6 is
// option 1 in class 16. The phase layer's slot answers through them.
TEST_F(StreamLookup, WaterValuesAreTheWaterRoutinesInUnitSet5) {
  const double tk = 350.0, pk = 200.0;
  const auto t5 = static_cast<float>(services::UOMCNV(tk, 1, 1, 5));
  const auto p5 = static_cast<float>(services::UOMCNV(pk, 4, 1, 5));
  const double tIn = services::UOMCNV(t5, 1, 5, 1);
  const double pIn = services::UOMCNV(p5, 4, 5, 1);
  struct Case {
    std::int32_t option, cls, method, phase;
  };
  for (const Case& c : {Case{2, 28, 1, 2}, Case{3, 29, 1, 2}, Case{4, 4, 0, 1}, Case{5, 1, 0, 1}}) {
    SCOPED_TRACE(c.option);
    float value = 0.0F, derivative = 0.0F;
    problem::THCTL.partialPressure = 55.0;
    flash::VFWATR(c.option, c.phase, t5, p5, value, derivative);
    double v = 0.0, d = 0.0;
    pure::WPROP(c.option, c.method, tIn, pIn, v, d, c.phase, problem::THCTL.waterPropertyMethod, 0, 0,
                0.0);
    EXPECT_NEAR(services::UOMCNV(value, c.cls, 5, 1), v, 1e-5 * std::abs(v) + 1e-6);
    EXPECT_EQ(problem::THCTL.partialPressure, 0.0) << "the pressure word is cleared";
    float slotValue = 0.0F, slotDerivative = 0.0F;
    EXPECT_EQ(phase::waterProperty(c.option, c.phase, t5, p5, slotValue, slotDerivative), 0);
    EXPECT_EQ(slotValue, value);
    EXPECT_EQ(slotDerivative, derivative);
  }
  float v1 = 0.0F, d1 = 0.0F, v6 = 0.0F, d6 = 0.0F;
  flash::VFWATR(1, 2, t5, p5, v1, d1);
  flash::VFWATR(6, 2, t5, p5, v6, d6);
  const double ratio = services::UOMCNV(1.0, 16, 1, 5) / services::UOMCNV(1.0, 17, 1, 5);
  EXPECT_NEAR(v6, v1 * ratio, 1e-6 * std::abs(v6));
  EXPECT_NEAR(d6, d1 * ratio, 1e-6 * std::abs(d6) + 1e-12);
}

}  // namespace
