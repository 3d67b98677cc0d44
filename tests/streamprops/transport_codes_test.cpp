// The transport codes of the stream properties against the phase-property route of the
// same stream (PHPEVL): viscosity, thermal conductivity and surface tension of the vapour
// and the liquid, the whole phase and its hydrocarbon part; and the method set current
// before the evaluation current again after it.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "fixtures/problem_builder.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "problem/streams.hpp"
#include "services/markers.hpp"
#include "storage/storage.hpp"
#include "streamprops/property_codes.hpp"
#include "support/test_support.hpp"
#include "thermo/phase/phase.hpp"

namespace {

constexpr std::int32_t kWater = 3;

// Built-in transport methods (code 2) for every transport slot, free water.
fixtures::MethodSetSpec transportSet(const std::string& name) {
  fixtures::MethodSetSpec set = fixtures::equationOfStateSet(name, 102);
  set.options[0] = 100000;  // water treatment
  set.header[0] = kWater;
  set.header[4] = 0;
  for (std::size_t slot : {12U, 13U, 14U, 15U, 16U}) set.codes[slot - 1] = 2;
  return set;
}

class TransportCodes : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::ProblemDescription d;
    d.name = "transport";
    for (const char* name : {"METHANE", "N-HEXANE", "WATER"}) {
      d.components.push_back(fixtures::publishedComponent(name));
    }
    d.methodSets = {transportSet("FIRST"), transportSet("SECOND")};
    fixtures::StreamSpec feed;
    feed.name = "FEED";
    feed.temperature = 320.0;
    feed.pressure = 500.0;
    feed.rate = 10.0;
    feed.vapourFraction = 0.3;
    feed.liquidFraction = 0.6;
    feed.waterFraction = 0.1;
    feed.vapour = {0.9, 0.05, 0.05};
    feed.liquid = {0.05, 0.9, 0.05};
    feed.composition = {0.3 * 0.9 + 0.6 * 0.05, 0.3 * 0.05 + 0.6 * 0.9,
                        0.3 * 0.05 + 0.6 * 0.05 + 0.1};
    feed.integerWords = {{20, 1}};
    d.streams = {feed};
    fixtures::buildProblem(dir_.path(), d);
    std::int32_t iout = 0;
    methods::PAINIT(dir_.file("transport").string(), dir_.path().string(), iout, 0);
    useSet(2);
  }
  void TearDown() override {
    methods::PAEND();
    storage::FIINIT();
  }
  static void useSet(std::int32_t set) {
    std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
    methods::FLMSET(d3, d4, d5, ndig, set);
  }
  static double value(std::int32_t code, std::int32_t phase, std::int32_t d4) {
    std::array<std::int32_t, streamprops::spcrec::kWords> w{};
    w[0] = 1;
    w[3] = problem::ISRNO("FEED");
    w[9] = phase;
    w[10] = d4 * 10000;
    w[12] = code;
    double v = -7.0;
    streamprops::SPEDSP(0, w, 0, v, 0, 0.0);
    return v;
  }

  testing_support::TempDir dir_;
};

TEST_F(TransportCodes, AgreeWithThePhasePropertyRouteOfTheStream) {
  const std::int32_t feed = problem::ISRNO("FEED");
  struct Case {
    std::int32_t code;
    phase::TransportProperty vapour, liquid;
  };
  const Case cases[] = {
      {500, phase::TransportProperty::VapourViscosity, phase::TransportProperty::LiquidViscosity},
      {501, phase::TransportProperty::VapourConductivity,
       phase::TransportProperty::LiquidConductivity},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    phase::PhaseTransport r;
    std::int32_t ierr = -1;
    phase::PHPEVL(feed, 1, 0, static_cast<std::int32_t>(c.vapour),
                  static_cast<std::int32_t>(c.liquid), r, ierr);
    ASSERT_EQ(ierr, 0);
    // Vapour: whole phase R2, hydrocarbon part R1; liquid with free water: R5 and R4.
    EXPECT_GT(r.values[1], 0.0);
    EXPECT_DOUBLE_EQ(value(c.code, 1, 0), r.values[1]);
    EXPECT_DOUBLE_EQ(value(c.code, 1, 2), r.values[0]);
    EXPECT_DOUBLE_EQ(value(c.code, 2, 0), r.values[4]);
    EXPECT_DOUBLE_EQ(value(c.code, 2, 2), r.values[3]);
    // The hydrocarbon liquid alone is the liquid without its free water (R7).
    EXPECT_DOUBLE_EQ(value(c.code, 12, 0), r.values[6]);
    EXPECT_EQ(methods::THCTL.currentSet, 2);
  }
  // Surface tension is a property of the liquid only.
  phase::PhaseTransport r;
  std::int32_t ierr = -1;
  phase::PHPEVL(feed, 1, 0, 0, static_cast<std::int32_t>(phase::TransportProperty::SurfaceTension),
                r, ierr);
  EXPECT_DOUBLE_EQ(value(502, 2, 0), r.values[4]);
  EXPECT_EQ(value(502, 1, 0), services::DMISS);
  EXPECT_EQ(methods::THCTL.currentSet, 2);
}

}  // namespace
