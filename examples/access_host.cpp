// A host program of the problem-access calls: it builds a small solved natural-gas problem
// into a directory (once; a second run reopens the same files), opens it through
// libvendrakol.so, prints the counts, the components with their molecular weights, the
// units with their types and the state and composition of the feed, and closes it.
//
//   access_host [DIRECTORY]     (default: vendrakol-example under the temporary directory)
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fixtures/problem_builder.hpp"
#include "fixtures/unit_blocks.hpp"
#include "vendrakol.h"

namespace {

fixtures::ProblemDescription naturalGasPlant() {
  fixtures::ProblemDescription d;
  d.name = "gasplant";
  d.title = "NATURAL GAS PLANT";
  for (const char* name : {"NITROGEN", "CARBON DIOXIDE", "HYDROGEN SULFIDE", "METHANE", "ETHANE",
                           "PROPANE", "N-BUTANE", "N-PENTANE", "N-HEXANE", "WATER"}) {
    d.components.push_back(fixtures::publishedComponent(name));
  }
  d.methodSets = {fixtures::equationOfStateSet("PENG-ROB", 102)};
  // The inlet separator's feed and products, K and kPa. The feed is two-phase with a
  // little free water: 94.2 % vapour, 5 % hydrocarbon liquid and 0.8 % water, the vapour
  // composition following from the overall and liquid ones by the mole balance.
  const std::vector<double> feed{0.010, 0.020, 0.005, 0.800, 0.080,
                                 0.040, 0.020, 0.010, 0.005, 0.010};
  const std::vector<double> liquid{0.001, 0.010, 0.010, 0.200, 0.120,
                                   0.230, 0.200, 0.150, 0.079, 0.0};
  constexpr double kVapour = 0.942, kLiquid = 0.050, kWater = 0.008;
  constexpr std::size_t kWaterIndex = 9;
  std::vector<double> vapour(feed.size());
  for (std::size_t i = 0; i < feed.size(); ++i) {
    vapour[i] = (feed[i] - kLiquid * liquid[i] - (i == kWaterIndex ? kWater : 0.0)) / kVapour;
  }
  d.waterComponent = 10;
  for (const char* name : {"FEED", "SEP-GAS", "SEP-LIQ", "COMP-OUT"}) {
    fixtures::StreamSpec s;
    s.name = name;
    s.temperature = 300.0;
    s.pressure = 5000.0;
    s.rate = 100.0;
    s.composition = feed;
    s.vapourFraction = kVapour;
    s.liquidFraction = kLiquid;
    s.waterFraction = kWater;
    s.vapour = vapour;
    s.liquid = liquid;
    s.integerWords = {{20, 1}};
    d.streams.push_back(s);
  }
  // The inlet separator, a flash drum (streams 1 FEED, 2 SEP-GAS, 3 SEP-LIQ), and the
  // compressor of its gas.
  fixtures::UnitBlockContents separator;
  separator.sides = 1;
  separator.feeds = 1;
  separator.products = 2;
  separator.feedList = {1};
  separator.productList = {2, 3};
  separator.connections = {1, 0, 1, 1, 0, 1};
  separator.resultWord = 109;
  separator.results = {0, 0, 0, 300.0, 0, 0, 0, 5000.0, 0, 0, 0, 0.0};
  fixtures::UnitBlockContents compressor;
  compressor.feeds = 1;
  compressor.products = 1;
  compressor.feedList = {2};
  compressor.productList = {4};
  d.flowsheet.units = {
      fixtures::activeUnit("INLET-SEP", 10001, "INLET SEPARATOR OF THE PLANT", 1, separator),
      fixtures::activeUnit("COMPRESSOR", 10005, "GAS COMPRESSOR OF THE PLANT", 1, compressor)};
  return d;
}

// A text argument: its address and its length.
struct Text {
  std::string text;
  const char* data() const { return text.data(); }
  int32_t length() const { return static_cast<int32_t>(text.size()); }
};

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path directory =
      argc > 1 ? std::filesystem::path(argv[1])
               : std::filesystem::temp_directory_path() / "vendrakol-example";
  const fixtures::ProblemDescription description = naturalGasPlant();
  const std::filesystem::path problem = directory / description.name;
  if (!std::filesystem::exists(problem.string() + ".zn1")) {
    std::printf("building the problem %s in %s\n", description.title.c_str(),
                directory.string().c_str());
    fixtures::buildProblem(directory, description);
  } else {
    std::printf("reopening the problem in %s\n", directory.string().c_str());
  }

  const Text name{problem.string()};
  const Text dir2{directory.string() + "/"};
  int32_t iout = 0;
  int32_t ierr = 0;
  PAOPEN(name.data(), name.length(), dir2.data(), dir2.length(), &iout, &ierr);
  std::printf("PAOPEN  status %d, report listing on unit %d\n", ierr, iout);
  if (ierr != 0) return 1;

  int32_t ncomp = 0;
  int32_t nstrm = 0;
  int32_t nunit = 0;
  PAMISC(&ncomp, &nstrm, &nunit, &ierr);
  std::printf("PAMISC  status %d: %d components, %d streams, %d units\n", ierr, ncomp, nstrm,
              nunit);

  // The components: identifiers of 16 characters and molecular weights.
  std::vector<char> ids(static_cast<std::size_t>(ncomp > 0 ? ncomp : 1) * 16);
  std::vector<float> weights(static_cast<std::size_t>(ncomp > 0 ? ncomp : 1));
  const Text comps{"COMPS"};
  const Text idsAttr{"IDS"};
  const Text weight{"MolWeight"};
  const Text none{""};
  int32_t elen = 0;
  int32_t count = 0;
  PADATC(comps.data(), comps.length(), idsAttr.data(), idsAttr.length(), none.data(), none.length(),
         ids.data(), 16, &elen, &count, &ierr);
  int32_t unitSet = 1;
  int32_t unitClass = 0;
  int32_t weightCount = 0;
  int32_t weightStatus = 0;
  PADATR(comps.data(), comps.length(), weight.data(), weight.length(), none.data(), none.length(),
         weights.data(), &weightCount, &unitSet, &unitClass, &weightStatus);
  std::printf("COMPS   status %d and %d: %d components\n", ierr, weightStatus, count);
  for (int32_t j = 0; j < count && j < weightCount; ++j) {
    std::printf("        %.16s  molecular weight %8.3f\n", &ids[static_cast<std::size_t>(j) * 16],
                weights[static_cast<std::size_t>(j)]);
  }

  // The units: identifiers of 12 characters, each unit's type.
  std::vector<char> units(static_cast<std::size_t>(nunit > 0 ? nunit : 1) * 12);
  const Text unitClassName{"UNIT"};
  const Text type{"TYPE"};
  PADATC(unitClassName.data(), unitClassName.length(), idsAttr.data(), idsAttr.length(),
         none.data(), none.length(), units.data(), 12, &elen, &count, &ierr);
  std::printf("UNIT    status %d: %d units\n", ierr, count);
  for (int32_t m = 0; m < count; ++m) {
    const char* id = &units[static_cast<std::size_t>(m) * 12];
    char typeName[16];
    int32_t typeCount = 0;
    int32_t typeStatus = 0;
    PADATC(unitClassName.data(), unitClassName.length(), type.data(), type.length(), id, 12,
           typeName, 16, &elen, &typeCount, &typeStatus);
    std::printf("        %.12s  type %.16s\n", id, typeStatus == 0 ? typeName : "?");
  }

  // One stream in the field set (5): temperature, pressure, rate and vapour fraction with
  // their unit labels, then its composition by component.
  const Text stream{"STREAM"};
  const Text feedId{"FEED"};
  for (const char* attr : {"Temperature", "Pressure", "TotalMolarRate", "VaporFraction"}) {
    const Text a{attr};
    float value = 0.0f;
    int32_t set = 5;
    int32_t cls = 0;
    int32_t n = 0;
    int32_t status = 0;
    PADATR(stream.data(), stream.length(), a.data(), a.length(), feedId.data(), feedId.length(),
           &value, &n, &set, &cls, &status);
    char label[31] = {};
    int32_t labelStatus = 0;
    PAUOM1(&cls, &set, &labelStatus, label, 30);
    std::printf("STREAM  FEED %-16s %12.4f %s\n", attr, static_cast<double>(value),
                labelStatus == 0 ? label : "");
  }
  std::vector<float> fractions(static_cast<std::size_t>(ncomp > 0 ? ncomp : 1));
  const Text total{"TotalComposition"};
  int32_t fractionSet = 5;
  int32_t fractionClass = 0;
  int32_t fractionCount = 0;
  int32_t fractionStatus = 0;
  PADATR(stream.data(), stream.length(), total.data(), total.length(), feedId.data(),
         feedId.length(), fractions.data(), &fractionCount, &fractionSet, &fractionClass,
         &fractionStatus);
  for (int32_t j = 0; j < fractionCount && j < ncomp; ++j) {
    std::printf("        %.16s  mole fraction %8.5f\n", &ids[static_cast<std::size_t>(j) * 16],
                static_cast<double>(fractions[static_cast<std::size_t>(j)]));
  }

  int32_t solved = 0;
  DBMISC(&solved, &nstrm, &ncomp, &nunit);
  std::printf("DBMISC  solved %d: %d streams, %d components, %d units\n", solved, nstrm, ncomp,
              nunit);

  PACLOS();
  std::printf("PACLOS  done; the report listing is %s.zqw\n", problem.string().c_str());
  return 0;
}
