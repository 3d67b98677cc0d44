// A host program of the problem-access calls: it builds a small solved natural-gas problem
// into a directory (once; a second run reopens the same files), opens it through
// libvendrakol.so, prints the counts, the components with their molecular weights, the
// units with their types and one result of each, the state and composition of the feed, flashes
// the feed's composition at 233.15 K and 5000 kPa in the feed's method set and prints the split,
// the phase compositions and enthalpies, reads the tray temperatures of the plant's column and
// the temperature of its Gibbs reactor, and closes it.
//
//   access_host [DIRECTORY]     (default: vendrakol-example under the temporary directory)
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fixtures/problem_builder.hpp"
#include "fixtures/reactor_units.hpp"
#include "fixtures/unit_blocks.hpp"
#include "vendrakol.h"

namespace {

// A text argument: its address and its length.
struct Text {
  std::string text;
  const char* data() const { return text.data(); }
  int32_t length() const { return static_cast<int32_t>(text.size()); }
};

// The result printed for a unit of each class.
struct UnitResult {
  const char* cls;
  const char* attr;
};
constexpr UnitResult kUnitResults[] = {
    {"Flash", "TempCalc"},      {"Valve", "TempCalc"},    {"Compressor", "TempCalc"},
    {"Expander", "TempCalc"},   {"Pump", "PresCalc"},     {"Pipe", "OutletTemp"},
    {"Hx", "DutyCalc"},         {"HxRig", "ExchHtDuty"},  {"LngHx", "OverallDuty"},
    {"Short", "MinimumReflux"}, {"Calc", "ResultVector"}, {"User", "HeatVector"},
};

// The natural-gas plant with a three-tray column on the feed (its tray temperatures and
// pressures) and a Gibbs reactor between the feed and the separator's gas.
fixtures::ProblemDescription examplePlant() {
  fixtures::ProblemDescription d = fixtures::naturalGasPlant();
  fixtures::UnitBlockContents column;
  column.feeds = 1;
  column.feedList = {20001};  // tray 2, stream 1
  std::vector<int32_t> control(300, 0);
  control[4 - 1] = 3;   // trays
  control[41 - 1] = 3;  // algorithm code
  column.integerSectors = {{491, control}};
  column.realSectors = {{859, {250.0, 275.0, 300.0}}, {860, {4900.0, 4950.0, 5000.0}}};
  d.flowsheet.units.push_back(
      fixtures::activeUnit("STABILISER", 120001, "CONDENSATE STABILISER", 1, column));
  for (fixtures::UnitSpec& reactor : fixtures::reactorUnits(1, 2, 77)) {
    if (reactor.identifier == "GIBBS-1") d.flowsheet.units.push_back(reactor);
  }
  return d;
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path directory =
      argc > 1 ? std::filesystem::path(argv[1])
               : std::filesystem::temp_directory_path() / "vendrakol-example";
  const fixtures::ProblemDescription description = examplePlant();
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
  const Text classAttr{"CLASS"};
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
    // One result of the unit, by its class, in the field set (5) with its unit label.
    char className[16];
    int32_t classCount = 0;
    int32_t classStatus = 0;
    PADATC(unitClassName.data(), unitClassName.length(), classAttr.data(), classAttr.length(), id,
           12, className, 16, &elen, &classCount, &classStatus);
    const std::string cls = classStatus == 0 ? std::string(className, 16) : std::string();
    const Text readerClass{cls.substr(0, cls.find_last_not_of(' ') + 1)};
    for (const UnitResult& r : kUnitResults) {
      if (readerClass.text != r.cls) continue;
      const Text a{r.attr};
      float value = 0.0f;
      int32_t set = 5;
      int32_t resultClass = 0;
      int32_t n = 0;
      int32_t status = 0;
      PADATR(readerClass.data(), readerClass.length(), a.data(), a.length(), id, 12, &value, &n,
             &set, &resultClass, &status);
      char label[31] = {};
      int32_t labelStatus = 0;
      PAUOM1(&resultClass, &set, &labelStatus, label, 30);
      std::printf("        %-10s %-14s %12.4f %.12s (status %d)\n", r.cls, r.attr,
                  static_cast<double>(value), labelStatus == 0 ? label : "", status);
    }
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

  // The feed's composition flashed at 233.15 K and 5000 kPa (type 1) in the feed's method
  // set. The host's units are set 4 (K, and the pressure in Pa: 1000 times kPa); the molar
  // enthalpies come back at 1000 times their set-1 value (J/kmol).
  {
    std::vector<double> z(fractions.begin(), fractions.end());
    z.resize(static_cast<std::size_t>(ncomp > 0 ? ncomp : 1));
    std::vector<double> y(z.size()), x(z.size()), w(z.size());
    const int32_t debug = 0, flashType = 1, iesti = 0, maxit = 0;
    const double t = 233.15, p = 5000.0 * 1000.0, zero = 0.0;
    double tOut = 0, pOut = 0, hv = 0, hl = 0, hw = 0, sv = 0, sl = 0, sw = 0, fv = 0, fl = 0,
           fw = 0;
    int32_t status = 0;
    VFLASH(&debug, feedId.data(), feedId.length(), &t, &p, &zero, &zero, &zero, z.data(),
           &flashType, &ncomp, &iesti, &zero, &zero, &maxit, &zero, &tOut, &pOut, &hv, &hl, &hw,
           &sv, &sl, &sw, &fv, &fl, &fw, y.data(), x.data(), w.data(), &status);
    char tLabel[31] = {}, hLabel[31] = {};
    int32_t labelStatus = 0, internal = 1, temperatureClass = 1, enthalpyClass = 100028;
    const int32_t hostSet = 4;
    PAUOM1(&temperatureClass, &hostSet, &labelStatus, tLabel, 30);
    PAUOM1(&enthalpyClass, &internal, &labelStatus, hLabel, 30);
    std::printf("VFLASH  FEED at %.2f %.1s and %.0f kPa: status %d\n", t, tLabel, p / 1000.0,
                status);
    std::printf("        vapour %8.5f  liquid %8.5f  free water %8.5f (molar fractions)\n", fv, fl,
                fw);
    std::printf(
        "        enthalpy vapour %12.1f  liquid %12.1f  free water %12.1f "
        "(%.12s x 1000)\n",
        hv, hl, hw, hLabel);
    std::printf("        %-16s %10s %10s\n", "component", "vapour y", "liquid x");
    for (int32_t j = 0; j < ncomp && j < fractionCount; ++j) {
      std::printf("        %.16s %10.5f %10.5f\n", &ids[static_cast<std::size_t>(j) * 16],
                  y[static_cast<std::size_t>(j)], x[static_cast<std::size_t>(j)]);
    }
  }

  // The column's tray temperatures and the reactor's temperature, in the field set.
  const struct {
    const char *cls, *attr, *id;
  } unitValues[] = {{"Colu", "TrayTemperatures", "STABILISER"},
                    {"Gibbs", "ReactorTemperature", "GIBBS-1"}};
  for (const auto& request : unitValues) {
    const Text cls{request.cls};
    const Text attr{request.attr};
    const Text id{request.id};
    std::vector<float> values(8);
    int32_t set = 5;
    int32_t valueClass = 0;
    int32_t n = 0;
    int32_t status = 0;
    PADATR(cls.data(), cls.length(), attr.data(), attr.length(), id.data(), id.length(),
           values.data(), &n, &set, &valueClass, &status);
    char label[31] = {};
    int32_t labelStatus = 0;
    PAUOM1(&valueClass, &set, &labelStatus, label, 30);
    std::printf("%-7s %s %s status %d:", request.cls, request.id, request.attr, status);
    for (int32_t k = 0; k < n && k < static_cast<int32_t>(values.size()); ++k) {
      std::printf(" %.2f", static_cast<double>(values[static_cast<std::size_t>(k)]));
    }
    std::printf(" %.12s\n", labelStatus == 0 ? label : "");
  }

  int32_t solved = 0;
  DBMISC(&solved, &nstrm, &ncomp, &nunit);
  std::printf("DBMISC  solved %d: %d streams, %d components, %d units\n", solved, nstrm, ncomp,
              nunit);

  PACLOS();
  std::printf("PACLOS  done; the report listing is %s.zqw\n", problem.string().c_str());
  return 0;
}
