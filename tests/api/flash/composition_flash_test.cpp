// VFLASH inside the library: the statuses of a host's mistakes, the normalised composition
// and the debug listings of VFLASH and VPROPS.
#include "api/flash/composition_flash.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "api/flash/phase_properties_call.hpp"
#include "api/flash/root_search.hpp"
#include "flash_support.hpp"
#include "problem/problem.hpp"
#include "support/allocation_counter.hpp"

namespace {

using api_flash::FlashRequest;
using api_flash::FlashResults;
using api_flash::VFLASH;

const std::vector<double> kGas = {0.010, 0.020, 0.005, 0.800, 0.080,
                                  0.040, 0.020, 0.010, 0.005, 0.010};

// The outputs of one call, with phase compositions of their own, preset to a marker.
struct Outputs {
  std::array<std::vector<double>, 3> phases;
  FlashResults r;
  explicit Outputs(std::size_t n) {
    for (auto& p : phases) p.assign(n, -9.0);
    r.tempot = r.presot = r.enthv = r.entrw = r.fracw = -9.0;
    r.compV = phases[0];
    r.compL = phases[1];
    r.compW = phases[2];
  }
  // Every scalar and every composition word is 0.0.
  bool allZero() const {
    for (double v : {r.tempot, r.presot, r.enthv, r.enthl, r.enthw, r.entrv, r.entrl, r.entrw,
                     r.fracv, r.fracl, r.fracw}) {
      if (v != 0.0) return false;
    }
    for (const auto& p : phases) {
      for (double v : p) {
        if (v != 0.0) return false;
      }
    }
    return true;
  }
};

FlashRequest request(std::int32_t type, std::int32_t ncomp = 10) {
  FlashRequest in;
  in.tempin = 233.15;
  in.presin = 5000.0 * 1000.0;
  in.iftype = type;
  in.ncomp = ncomp;
  return in;
}

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs in a temporary working directory, so that the listings land there.
class InDirectory {
 public:
  explicit InDirectory(const std::filesystem::path& dir)
      : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~InDirectory() { std::filesystem::current_path(previous_); }

 private:
  std::filesystem::path previous_;
};

class CompositionFlash : public ::testing::Test {
 protected:
  void SetUp() override {
    problem_ = std::make_unique<flash_test::OpenProblem>(dir_, fixtures::naturalGasPlant());
  }
  void TearDown() override { problem_.reset(); }

  testing_support::StopThrows stop_;
  testing_support::TempDir dir_;
  std::unique_ptr<flash_test::OpenProblem> problem_;
};

TEST_F(CompositionFlash, RefusesTheHostsMistakesWithZeroOutputs) {
  struct Case {
    const char* name;
    std::string stream;
    std::vector<double> comp;
    FlashRequest in;
    std::int32_t status;
  };
  const std::vector<Case> cases = {
      {"blank identifier", "            ", kGas, request(1), api_flash::kFlashUnknownStream},
      {"empty identifier", "", kGas, request(1), api_flash::kFlashUnknownStream},
      // An unknown name is refused before the data model could end the process.
      {"unknown identifier", "NOSUCH", kGas, request(1), api_flash::kFlashUnknownStream},
      {"one component short", "FEED", kGas, request(1, 9), api_flash::kFlashComponentCount},
      {"one component more", "FEED", kGas, request(1, 11), api_flash::kFlashComponentCount},
      {"composition shorter than NCOMP",
       "FEED",
       {0.5, 0.5},
       request(1),
       api_flash::kFlashComponentCount},
      {"no amount", "FEED", std::vector<double>(10, 0.0), request(1), api_flash::kFlashNoAmount},
      {"negative sum",
       "FEED",
       {-1, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       request(1),
       api_flash::kFlashNoAmount},
      {"a NaN amount",
       "FEED",
       {NAN, 0, 0, 0, 1, 0, 0, 0, 0, 0},
       request(1),
       api_flash::kFlashNoAmount},
      // A type outside 1-12 runs no flash: it used to return the last call's vectors with
      // status 0.
      {"type 0", "FEED", kGas, request(0), api_flash::kFlashBadType},
      {"type 13", "FEED", kGas, request(13), api_flash::kFlashBadType},
      {"type -7", "FEED", kGas, request(-7), api_flash::kFlashBadType},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<double> comp = c.comp;
    Outputs out(10);
    std::int32_t ierr = 99;
    VFLASH(0, c.stream, c.in, comp, out.r, ierr);
    EXPECT_EQ(ierr, c.status);
    EXPECT_TRUE(out.allZero());
  }
}

TEST_F(CompositionFlash, NormalisesTheAmountsInTheCallersArray) {
  std::vector<double> comp(10, 0.0);
  comp[3] = 3.0;
  comp[4] = 1.0;
  Outputs out(10);
  std::int32_t ierr = 99;
  VFLASH(0, "FEED", request(13), comp, out.r, ierr);
  EXPECT_EQ(ierr, api_flash::kFlashBadType);
  EXPECT_DOUBLE_EQ(comp[3], 0.75);
  EXPECT_DOUBLE_EQ(comp[4], 0.25);
}

TEST_F(CompositionFlash, WritesItsListingOnlyWhenTheDebugArgumentAsks) {
  testing_support::TempDir work;
  const InDirectory here(work.path());
  std::vector<double> comp = kGas;
  Outputs out(10);
  std::int32_t ierr = 99;
  VFLASH(0, "FEED", request(13), comp, out.r, ierr);
  EXPECT_TRUE(std::filesystem::is_empty(work.path()));

  VFLASH(1, "FEED", request(13), comp, out.r, ierr);
  EXPECT_EQ(ierr, api_flash::kFlashBadType);
  const std::string text = readFile(work.file("VFlash.txt"));
  EXPECT_NE(text.find("Debug from VFlash for file"), std::string::npos) << text;
  EXPECT_NE(text.find("IFTYPE                    : 13"), std::string::npos) << text;
  EXPECT_NE(text.find(" Thermo set number 1"), std::string::npos) << text;
  EXPECT_NE(text.find(" ***Error exit with code: -102"), std::string::npos) << text;

  // VPROPS likewise, its error line included.
  std::vector<double> props(9, 5.0);
  api_flash::VPROPS(0, "NOSUCH", 300.0, 5e6, comp, 1, 10, 9, props, ierr);
  EXPECT_FALSE(std::filesystem::exists(work.file("VProps.txt")));
  api_flash::VPROPS(2, "NOSUCH", 300.0, 5e6, comp, 1, 10, 9, props, ierr);
  EXPECT_EQ(ierr, api_flash::kPropsUnknownStream);
  const std::string props_text = readFile(work.file("VProps.txt"));
  EXPECT_NE(props_text.find("Debug from VProps for file"), std::string::npos) << props_text;
  EXPECT_NE(props_text.find("Stream ID                 : NOSUCH"), std::string::npos);
  EXPECT_NE(props_text.find(" ***Error exit with code: -3"), std::string::npos);

  // An identifier of no characters and no address, as a host passes a length of -1, is
  // listed as blank (its copy into the listing's line once got the null address: the
  // sanitizer build reports that).
  api_flash::VPROPS(2, std::string_view{}, 300.0, 5e6, comp, 1, 10, 9, props, ierr);
  EXPECT_EQ(ierr, api_flash::kPropsUnknownStream);
  EXPECT_NE(readFile(work.file("VProps.txt")).find(" ***Error exit with code: -3"),
            std::string::npos);
}

TEST_F(CompositionFlash, ReportsAListingThatCannotBeOpenedAndFlashesNothing) {
  // A directory where the listing goes: the open's error number, nothing else done.
  testing_support::TempDir work;
  const InDirectory here(work.path());
  std::filesystem::create_directory(work.file("VFlash.txt"));
  std::vector<double> comp(10, 2.0);
  Outputs out(10);
  std::int32_t ierr = 0;
  VFLASH(1, "FEED", request(1), comp, out.r, ierr);
  EXPECT_GT(ierr, 0);
  EXPECT_EQ(comp[0], 2.0);
}

TEST_F(CompositionFlash, WarmRepeatsAllocateNothing) {
  // Once the private vectors have their size and the flash its work arrays, a call of the
  // same kind takes no memory from the heap.
  std::vector<double> comp = kGas;
  Outputs out(10);
  std::int32_t ierr = 99;
  FlashRequest tp = request(1);
  VFLASH(0, "FEED", tp, comp, out.r, ierr);
  ASSERT_EQ(ierr, 0);
  FlashRequest ph = request(3);
  ph.enthin = out.r.fracv * out.r.enthv + out.r.fracl * out.r.enthl;
  FlashRequest frac = request(12);
  frac.vfrac = 0.5;
  frac.maxit = 60;
  frac.tol = 1e-6;
  std::vector<double> props(9);
  for (const FlashRequest* in : {&tp, &ph, &frac}) {
    SCOPED_TRACE(in->iftype);
    VFLASH(0, "FEED", *in, comp, out.r, ierr);
    ASSERT_EQ(ierr, 0);
    const std::size_t before = testing_support::allocationCount();
    for (int k = 0; k < 20; ++k) VFLASH(0, "FEED", *in, comp, out.r, ierr);
    EXPECT_EQ(ierr, 0);
    EXPECT_EQ(testing_support::allocationCount(), before);
  }
  api_flash::VPROPS(0, "FEED", 300.0, 5e6, comp, 1, 10, 9, props, ierr);
  ASSERT_EQ(ierr, 0);
  const std::size_t before = testing_support::allocationCount();
  for (int k = 0; k < 20; ++k)
    api_flash::VPROPS(0, "FEED", 300.0, 5e6, comp, 1, 10, 9, props, ierr);
  EXPECT_EQ(ierr, 0);
  EXPECT_EQ(testing_support::allocationCount(), before);
}

TEST_F(CompositionFlash, VapourFractionSearchStopsAtItsLimitsAndTolerance) {
  // The enthalpy of the type-1 state (vapour fraction about 0.8) as both limits.
  std::vector<double> comp = kGas;
  Outputs out(10);
  std::int32_t ierr = 99;
  VFLASH(0, "FEED", request(1), comp, out.r, ierr);
  ASSERT_EQ(ierr, 0);
  const double h = out.r.fracv * out.r.enthv + out.r.fracl * out.r.enthl;
  struct Case {
    const char* name;
    std::int32_t iesti, maxit;
    double tol;
    std::int32_t status;
    double fracv;  // checked on success
  };
  const std::vector<Case> cases = {
      // Bubble- and dew-point limits straddle the target; two flashes are all MAXIT allows.
      {"limit in the bracket", 0, 2, 1e-6, api_flash::kFractionBracketLimit, 0.0},
      {"negative limit as its absolute value", 0, -2, 1e-6, api_flash::kFractionBracketLimit,
       0.0},
      // Equal limits: no sign change to find.
      {"limit in the scan", 1, 5, 1e-6, api_flash::kFractionScanLimit, 0.0},
      // A tolerance the bubble point (vapour fraction 0) already meets: one flash.
      {"met at the lower limit", 0, 60, 0.5, 0, 0.0},
      {"found", 0, 60, 1e-6, 0, 0.5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FlashRequest in = request(12);
    in.vfrac = 0.5;
    in.iesti = c.iesti;
    in.hmin = in.hmax = h;
    in.maxit = c.maxit;
    in.tol = c.tol;
    VFLASH(0, "FEED", in, comp, out.r, ierr);
    EXPECT_EQ(ierr, c.status);
    if (c.status == 0) {
      EXPECT_NEAR(out.r.fracv, c.fracv, 1e-5);
    }
  }
}

// Every flash takes an automatic name for each temporary stream it makes (three for a
// VFLASH: its flash and the entropy re-flashes of the vapour and the liquid) from a counter
// the problem file keeps, so that a long-lived problem raises it from session to session.
// At the counter's largest value the names start again from 1 (each temporary stream gave
// its name back when it was deleted) instead of ending the run with "NO AUTOMATIC STREAM NAME
// LEFT". The counter is set near its limit here as a file that served some 700 million
// flashes holds it.
TEST_F(CompositionFlash, TemporaryStreamNamesStartAgainAtTheCountersLimit) {
  std::int32_t& counter = problem::SLOTC2.sr.srtabi(problem::srtabi::kNameCounter);
  counter = std::numeric_limits<std::int32_t>::max() - 1;
  std::vector<double> comp = kGas;
  Outputs first(10);
  std::int32_t ierr = 99;
  ASSERT_NO_THROW(VFLASH(0, "FEED", request(1), comp, first.r, ierr));
  EXPECT_EQ(ierr, 0);
  EXPECT_GE(counter, 1);
  EXPECT_LT(counter, 10);
  for (int k = 0; k < 3; ++k) {
    Outputs again(10);
    ASSERT_NO_THROW(VFLASH(0, "FEED", request(1), comp, again.r, ierr));
    EXPECT_EQ(ierr, 0);
    EXPECT_EQ(again.r.tempot, first.r.tempot);
    EXPECT_EQ(again.r.fracv, first.r.fracv);
  }
  // The problem's own streams are those it had.
  EXPECT_EQ(problem::ISRNO("FEED") > 0, true);
}

TEST(CompositionFlashWithoutProblem, ReportsAnUnknownStream) {
  testing_support::StopThrows stop;
  std::vector<double> comp = kGas;
  Outputs out(10);
  std::int32_t ierr = 99;
  VFLASH(0, "FEED", request(1), comp, out.r, ierr);
  EXPECT_EQ(ierr, api_flash::kFlashUnknownStream);
  EXPECT_TRUE(out.allZero());
}

}  // namespace
