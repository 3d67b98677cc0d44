// Stream-property readers on a component table that does not hold every constant in core:
// each gives its "no value" answer and the run goes on. And a problem opened after one with
// pure-component data, itself without any, sees none of the former problem's constants.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "fixtures/column_problem.hpp"
#include "methods/methods.hpp"
#include "problem/component_data.hpp"
#include "problem/streams.hpp"
#include "services/markers.hpp"
#include "streamprops/basis_vectors.hpp"
#include "streamprops/octane_numbers.hpp"
#include "streamprops/property_codes.hpp"
#include "streamprops/reid_flash.hpp"
#include "streamprops/true_vapour_pressure.hpp"

namespace {

using namespace column_problem;
using problem::ComponentReal;
using services::DMISS;

constexpr std::array<double, kComponents> kLiquid{0.2, 0.3, 0.5};

// Code CODE of stream kFeed1 (liquid phase, options D1 and D4) through SPEDSP; -7.0 preset.
double propertyOf(std::int32_t code, std::int32_t d1, std::int32_t d4) {
  std::array<std::int32_t, streamprops::spcrec::kWords> w{};
  w[0] = 1;
  w[3] = kFeed1;
  w[9] = 2;
  w[10] = d4 * 10000 + d1 * 10;
  w[12] = code;
  double value = -7.0;
  streamprops::SPEDSP(3, w, 43, value, 0, 0.0);
  return value;
}

// The column problem with a table that holds only the molecular weights: the gravities,
// boiling points, critical constants, acentric factors and heating values are not in core.
TEST(MissingConstants, ReadersGiveTheirMissingAnswer) {
  testing_support::StopThrows stop;
  testing_support::TempDir dir;
  fixtures::ProblemDescription d = description("columns");
  d.pureRealSectors = static_cast<std::int32_t>(ComponentReal::MolecularWeight);
  fixtures::buildProblem(dir.path(), d);
  open(dir);
  ASSERT_NE(problem::COPTRS.realSector(ComponentReal::MolecularWeight), services::NOCORE);
  ASSERT_EQ(problem::COPTRS.realSector(ComponentReal::StandardLiquidDensity), services::NOCORE);
  problem::SRSETT(kFeed1);

  struct Reader {
    std::string name;
    std::function<double()> read;
    double missing;
  };
  const std::array<Reader, 7> readers{{
      {"true vapour pressure",
       [] {
         std::array<double, kComponents> y{}, k{};
         std::int32_t ierr = -7;
         double tvp = 0.0;
         streamprops::SPETVP(kFeed1, 1, kComponents, 310.928, kLiquid, y, k, ierr, tvp);
         EXPECT_EQ(ierr, -7);  // left as it was, as for a method without a vapour pressure
         return tvp;
       },
       DMISS},
      {"Reid flash at a given TVP",
       [] {
         std::int32_t ier = 0;
         double rvp = -7.0;
         streamprops::SPERV1(kFeed1, 1, kComponents, kLiquid, 100.0, ier, rvp);
         return rvp;
       },
       DMISS},
      {"octane number",
       [] {
         const std::array<double, kComponents> octanes{90.0, 95.0, 100.0};
         double value = -7.0;
         streamprops::RONSIM(1, 0, kLiquid, octanes, value);
         return value;
       },
       0.0},
      {"range sums on gravities",
       [] {
         const auto r = streamprops::SPCUMP(streamprops::SumBasis::SpecificGravity, 1, kComponents,
                                            0, kLiquid, 0, 0);
         return r.swet + r.sdry + r.twet + r.tdry;
       },
       0.0},
      {"range sums on critical temperatures",
       [] {
         const auto r = streamprops::SPCUMP(streamprops::SumBasis::CriticalTemperature, 1,
                                            kComponents, 0, kLiquid, 0, 0);
         return r.swet + r.sdry + r.twet + r.tdry;
       },
       0.0},
      {"code 302, gravity", [] { return propertyOf(302, 0, 1); }, 0.0},
      {"code 306, gross heating value", [] { return propertyOf(306, 0, 1); }, DMISS},
  }};
  for (const Reader& r : readers) {
    SCOPED_TRACE(r.name);
    double value = -9.0;
    EXPECT_NO_THROW(value = r.read());
    EXPECT_EQ(value, r.missing);
  }
  close();
}

// A problem whose component table has no pure-component data, opened after one that has:
// no sector pointer of the first survives into the second, whose readers find nothing (no
// vapour pressure, no weight ratio of liquid to solid).
TEST(MissingConstants, SecondOpenWithoutPureDataSeesNoFormerConstants) {
  testing_support::StopThrows stop;
  testing_support::TempDir full, bare;
  fixtures::buildProblem(full.path(), description("columns"));
  fixtures::ProblemDescription d = description("columns");
  d.pureRealSectors = 0;
  fixtures::buildProblem(bare.path(), d);

  open(full);
  ASSERT_NE(problem::COPTRS.realSector(ComponentReal::CriticalTemperature), services::NOCORE);
  close();

  open(bare);
  for (std::int32_t k = 1; k <= problem::kIntegerSectors; ++k) {
    EXPECT_EQ(problem::COPTRS.integerSector(k), services::NOCORE) << "integer sector " << k;
  }
  for (std::int32_t k = 1; k <= problem::kRealSectors; ++k) {
    EXPECT_EQ(problem::COPTRS.realSector(k), services::NOCORE) << "real sector " << k;
  }
  std::array<double, kComponents> y{}, k{};
  std::int32_t ierr = 0;
  double tvp = 0.0;
  EXPECT_NO_THROW(streamprops::SPETVP(kFeed1, 1, kComponents, 310.928, kLiquid, y, k, ierr, tvp));
  EXPECT_EQ(tvp, DMISS);
  // The weight ratio of liquid to solid needs the component's molecular weight: none.
  methods::PMCTL2.ratioComponent = 1;
  double ratio = -9.0;
  EXPECT_NO_THROW(ratio = propertyOf(702, 2, 0));
  methods::PMCTL2.ratioComponent = 0;
  EXPECT_EQ(ratio, 0.0);
  close();
}

}  // namespace
