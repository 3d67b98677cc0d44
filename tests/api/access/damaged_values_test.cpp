// Damaged stored values: a word of the problem files that holds a constant, a state or an
// identifier is overwritten with what no such quantity can be (zero, a negative, NaN, an
// infinity, an absurd size, blanks), and the request that reads it must not answer it as a
// success. The words are found by their pristine contents, as the storage corruption tests
// find theirs: the 8-byte real (two 32-bit words, either order) or the packed text.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "access_test_support.hpp"
#include "services/services.hpp"

namespace {

using access_tests::realRequest;
using access_tests::textRequest;
namespace fs = std::filesystem;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

std::vector<char> readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& path, const std::vector<char>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The two 4-byte halves of a stored real, in the order of the words in the store.
std::vector<char> realBytes(double value, bool lowWordFirst) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  const auto low = static_cast<std::uint32_t>(bits), high = static_cast<std::uint32_t>(bits >> 32);
  std::vector<char> bytes(8);
  const std::uint32_t words[2] = {lowWordFirst ? low : high, lowWordFirst ? high : low};
  for (int w = 0; w < 2; ++w) {
    for (int b = 0; b < 4; ++b)
      bytes[static_cast<std::size_t>(4 * w + b)] = static_cast<char>(words[w] >> (8 * b));
  }
  return bytes;
}

// Replaces every occurrence of FROM in BYTES by TO; returns how many.
int replaceAll(std::vector<char>& bytes, const std::vector<char>& from,
               const std::vector<char>& to) {
  int n = 0;
  for (auto at = std::search(bytes.begin(), bytes.end(), from.begin(), from.end());
       at != bytes.end(); at = std::search(at + 1, bytes.end(), from.begin(), from.end())) {
    std::copy(to.begin(), to.end(), at);
    ++n;
  }
  return n;
}

// The units problem, built once; each test works on a fresh copy of its files.
class DamagedStoredValues : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    pristine = std::make_unique<testing_support::TempDir>();
    fixtures::buildProblem(pristine->path(), fixtures::unitsProblem("units"));
  }
  static void TearDownTestSuite() { pristine.reset(); }

  void SetUp() override { fresh(); }
  void TearDown() override { api_access::PACLOS(); }

  // The problem closed and its files pristine again.
  void fresh() {
    api_access::PACLOS();
    for (const auto& entry : fs::directory_iterator(pristine->path())) {
      fs::copy(entry.path(), work.path() / entry.path().filename(),
               fs::copy_options::overwrite_existing);
    }
  }

  // Overwrites every stored real equal to FROM in the problem files with TO; the count.
  int damageReal(double from, double to) {
    int n = 0;
    for (const char* extension : {"units.zn1", "units.zn2", "units.zn3"}) {
      std::vector<char> bytes = readBytes(work.file(extension));
      for (bool lowFirst : {true, false}) {
        n += replaceAll(bytes, realBytes(from, lowFirst), realBytes(to, lowFirst));
      }
      writeBytes(work.file(extension), bytes);
    }
    return n;
  }

  // Overwrites every occurrence of the bytes of TEXT in the problem files with blanks.
  int blankText(const std::string& text) {
    int n = 0;
    for (const char* extension : {"units.zn1", "units.zn2", "units.zn3"}) {
      std::vector<char> bytes = readBytes(work.file(extension));
      n += replaceAll(bytes, {text.begin(), text.end()}, std::vector<char>(text.size(), ' '));
      writeBytes(work.file(extension), bytes);
    }
    return n;
  }

  void open() { ASSERT_NO_FATAL_FAILURE(access_tests::openProblem(work, "units")); }

  static inline std::unique_ptr<testing_support::TempDir> pristine;
  testing_support::TempDir work;
  testing_support::StopThrows stop;
};

// A stored constant, state or unit result that its quantity does not allow comes back as the
// missing value 0.0 with the warning status and the warning line, in every unit set; the
// other components' values are untouched. (Before, they came back as stored: zero or
// negative molecular weights, infinite critical temperatures, a flash temperature of 5.5e21 K
// with status 0.)
TEST_F(DamagedStoredValues, ImplausibleValuesAreMissingWithTheWarning) {
  struct Case {
    const char* label;
    std::string cls, attr, id;
    double stored, damaged;
    std::size_t element;  // 0-based element of the answer that holds the damaged value
  };
  // The components answer as METHANE, ETHANE, PROPANE, WATER: PROPANE is element 2.
  const std::vector<Case> cases = {
      {"zero molecular weight", "COMPS", "MolWeight", "", 44.097, 0.0, 2},
      {"negative molecular weight", "COMPS", "MolWeight", "", 44.097, -44.097, 2},
      {"NaN critical temperature", "COMPS", "CritTemp", "", 369.83, kNaN, 2},
      {"infinite critical temperature", "COMPS", "CritTemp", "", 369.83, kInf, 2},
      {"flash temperature of 5.5e21 K", "Flash", "TempCalc", "FLASH-1", 310.0, 5.5e21, 0},
      {"negative flash pressure", "Flash", "PresCalc", "FLASH-1", 4000.0, -4000.0, 0},
      {"NaN flash duty", "Flash", "DutyCalc", "FLASH-1", -1500.0, kNaN, 0},
  };
  for (const Case& c : cases) {
    for (const std::int32_t set : {1, 5}) {
      SCOPED_TRACE(std::string(c.label) + " in set " + std::to_string(set));
      fresh();
      ASSERT_GE(damageReal(c.stored, c.damaged), 1) << "the stored value was not found";
      ASSERT_NO_FATAL_FAILURE(open());
      const auto r = realRequest(c.cls, c.attr, c.id, set);
      EXPECT_EQ(r.ierr, api_access::kZeroRateWarning);
      ASSERT_GT(r.values.size(), c.element);
      EXPECT_EQ(r.values[c.element], 0.0F);
      for (float v : r.values) EXPECT_TRUE(std::isfinite(v));
      EXPECT_NE(r.out.find(" WARNING: IMPLAUSIBLE VALUE OF " + c.attr), std::string::npos) << r.out;
      if (c.cls == "COMPS") {
        // The other components keep their constants.
        EXPECT_NE(r.values[0], 0.0F);
      }
    }
  }
}

// A blank identifier in the component list is answered with the warning status; the list
// keeps its count and its other names.
TEST_F(DamagedStoredValues, BlankIdentifierGivesTheWarning) {
  ASSERT_GE(blankText("ETHANE"), 1);
  ASSERT_NO_FATAL_FAILURE(open());
  const auto r = textRequest("COMPS", "IDS", "");
  EXPECT_EQ(r.ierr, api_access::kZeroRateWarning) << r.out;
  EXPECT_EQ(r.count, 4);
  EXPECT_NE(r.out.find(" WARNING: BLANK IDENTIFIER NUMBER"), std::string::npos) << r.out;
}

// A unit factor of the support database that no unit can have (every value converted
// through it would come back a plausible-looking number of another size: an enthalpy of
// 1e-13 for 4e6) stops the open with the abort report, before anything is read through it.
TEST_F(DamagedStoredValues, ImplausibleUnitFactorStopsTheOpen) {
  // The factor of the kilowatt-hour, 3600000 kJ, stored in single precision.
  const auto bits = std::bit_cast<std::uint32_t>(3600000.0F);
  const auto damaged = std::bit_cast<std::uint32_t>(1.0e-20F);
  std::vector<char> from(4), to(4);
  for (int b = 0; b < 4; ++b) {
    from[static_cast<std::size_t>(b)] = static_cast<char>(bits >> (8 * b));
    to[static_cast<std::size_t>(b)] = static_cast<char>(damaged >> (8 * b));
  }
  std::vector<char> support = readBytes(work.file("veltra.sp1"));
  ASSERT_GE(replaceAll(support, from, to), 1);
  writeBytes(work.file("veltra.sp1"), support);
  std::int32_t iout = 0, ierr = -1;
  try {
    api_access::PAOPEN(work.file("units").string(), work.path().string() + "/", iout, ierr);
    ADD_FAILURE() << "the open went on with a damaged unit factor";
  } catch (const platform::RunStopped&) {
    EXPECT_NE(services::MSGTXT.lines(1).str().find("UNIT FACTOR OUT OF RANGE"), std::string::npos)
        << services::MSGTXT.lines(1).str();
  }
  api_access::forgetProblem();
}

// The delivery of reals: a value beyond the single range, not a number or infinite is never
// delivered as such; it is 0.0 and the request's success becomes the warning.
TEST(RealDelivery, NonFiniteValuesAreZeroWithTheWarning) {
  static api_access::ValueBuffers buffers;
  for (const double bad : {1.0e300, -1.0e300, kNaN, kInf, -kInf}) {
    SCOPED_TRACE(bad);
    buffers.clear();
    api_access::Request request;
    request.attr = "Temperature";
    request.id = "FEED";
    request.values = &buffers;
    request.count = 3;
    request.setReal(1, 1.5);
    request.setReal(2, bad);
    request.setReal(3, 2.5);
    std::vector<float> rval(3, -1.0F);
    const std::string out =
        access_tests::printed([&] { api_access::deliverReals(request, true, rval); });
    EXPECT_EQ(rval, (std::vector<float>{1.5F, 0.0F, 2.5F}));
    EXPECT_EQ(request.ierr, api_access::kZeroRateWarning);
    EXPECT_EQ(out,
              " WARNING: IMPLAUSIBLE VALUE OF Temperature          FOR FEED         RETURNED AS "
              "ZERO\n");
  }
}

}  // namespace
