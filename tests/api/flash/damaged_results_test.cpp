// The flash calls on a problem with a damaged stored constant: the properties they form are
// checked before they are returned, so that a damaged value never comes back as a success.
//
// The damage: the ideal-gas heat-capacity record of the first component (nitrogen) keeps
// its temperature limits as missing values; zeroed (as a zeroed block of the third problem
// file leaves them), the entropy integral runs from 0 K and the entropies are no numbers.
// The record is found by its pristine contents: the limits lie six and seven reals before
// nitrogen's first heat-capacity coefficient, 31.15 kJ/(kmol K).
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "api/flash/composition_flash.hpp"
#include "api/flash/phase_properties_call.hpp"
#include "fixtures/problem_builder.hpp"
#include "methods/methods.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "support/test_support.hpp"

namespace {

namespace fs = std::filesystem;

const std::vector<double> kGas = {0.010, 0.020, 0.005, 0.800, 0.080,
                                  0.040, 0.020, 0.010, 0.005, 0.010};

std::vector<char> realBytes(double value) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  std::vector<char> bytes(8);
  for (int b = 0; b < 8; ++b)
    bytes[static_cast<std::size_t>(b)] = static_cast<char>(bits >> (8 * b));
  return bytes;
}

// Zeroes the temperature limits of nitrogen's ideal-gas heat capacity in FILE; false when
// the record is not where its coefficient says.
bool zeroHeatCapacityLimits(const fs::path& file) {
  std::vector<char> bytes;
  {
    std::ifstream in(file, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  const std::vector<char> coefficient = realBytes(31.15), missing = realBytes(services::RMISS);
  const auto at = std::search(bytes.begin(), bytes.end(), coefficient.begin(), coefficient.end());
  if (at == bytes.end() || at - bytes.begin() < 7 * 8) return false;
  for (const std::ptrdiff_t back : {7, 6}) {
    const auto limit = at - back * 8;
    if (!std::equal(missing.begin(), missing.end(), limit)) return false;
    std::fill_n(limit, 8, '\0');
  }
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return true;
}

class DamagedProblemFlash : public ::testing::Test {
 protected:
  void SetUp() override {
    const fixtures::ProblemDescription d = fixtures::naturalGasPlant();
    fixtures::buildProblem(dir.path(), d);
    ASSERT_TRUE(zeroHeatCapacityLimits(dir.file(d.name + ".zn3")));
    std::int32_t iout = 0;
    methods::PAINIT(dir.file(d.name).string(), dir.path().string(), iout, 0);
  }
  void TearDown() override {
    methods::PAEND();
    storage::FIINIT();
  }

  testing_support::StopThrows stop;
  testing_support::TempDir dir;
};

// VFLASH forms the phase entropies after the flash: entropies that are no numbers are the
// entropy's failure (-(200 + 3), the driver's status), with every output finite. VPROPS
// likewise fails its entropy step (-33) and returns nothing that is not a number. (Before,
// both reported success with NaN entropies.)
TEST_F(DamagedProblemFlash, EntropiesThatAreNoNumbersAreTheEntropyStatus) {
  std::vector<double> comp = kGas, y(10), x(10), w(10);
  api_flash::FlashRequest in;
  in.tempin = 233.15;
  in.presin = 5000.0 * 1000.0;
  in.iftype = 1;
  in.ncomp = 10;
  api_flash::FlashResults out;
  out.compV = y;
  out.compL = x;
  out.compW = w;
  std::int32_t ierr = 99;
  api_flash::VFLASH(0, "FEED", in, comp, out, ierr);
  EXPECT_EQ(ierr, api_flash::kFlashVapourEntropy - 3);
  for (double v : {out.tempot, out.presot, out.enthv, out.enthl, out.enthw, out.entrv, out.entrl,
                   out.entrw, out.fracv, out.fracl, out.fracw}) {
    EXPECT_TRUE(std::isfinite(v));
  }
  for (const auto* c : {&y, &x, &w}) {
    for (double v : *c) EXPECT_TRUE(std::isfinite(v));
  }

  std::vector<double> props(9, -7.0);
  comp = kGas;
  api_flash::VPROPS(0, "FEED", 300.0, 2000.0 * 1000.0, comp, 1, 10, 9, props, ierr);
  EXPECT_EQ(ierr, api_flash::kPropsEntropy);
  for (double v : props) EXPECT_TRUE(std::isfinite(v));
}

}  // namespace
