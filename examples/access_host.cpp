// A host program of the problem-access calls: it builds a small solved natural-gas problem
// into a directory (once; a second run reopens the same files), opens it through
// libvendrakol.so, prints what the library reports and closes it.
//
//   access_host [DIRECTORY]     (default: vendrakol-example under the temporary directory)
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fixtures/problem_builder.hpp"
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
  // The inlet separator's feed and products, K and kPa.
  const std::vector<double> feed{0.010, 0.020, 0.005, 0.800, 0.080, 0.040, 0.020, 0.010, 0.005, 0.010};
  for (const char* name : {"FEED", "SEP-GAS", "SEP-LIQ", "COMP-OUT"}) {
    fixtures::StreamSpec s;
    s.name = name;
    s.temperature = 300.0;
    s.pressure = 5000.0;
    s.rate = 100.0;
    s.composition = feed;
    d.streams.push_back(s);
  }
  for (const char* name : {"INLET-SEP", "COMPRESSOR"}) {
    fixtures::UnitSpec u;
    u.identifier = name;
    u.type = 110001;
    u.text = std::string(name) + " OF THE PLANT";
    u.status = 2;
    d.flowsheet.units.push_back(u);
  }
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

  int32_t solved = 0;
  DBMISC(&solved, &nstrm, &ncomp, &nunit);
  std::printf("DBMISC  solved %d: %d streams, %d components, %d units\n", solved, nstrm, ncomp,
              nunit);

  PACLOS();
  std::printf("PACLOS  done; the report listing is %s.zqw\n", problem.string().c_str());
  return 0;
}
