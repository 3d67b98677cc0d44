// A long session of one host: a hundred thousand flashes of changing compositions and ten
// thousand data requests on one open problem leave the core store's free space, the stream
// index, the open file descriptors and the database files as they found them.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "api/access/access.hpp"
#include "api/access/data_requests.hpp"
#include "api/flash/composition_flash.hpp"
#include "fixtures/problem_builder.hpp"
#include "storage/storage.hpp"
#include "support/test_support.hpp"

namespace {

constexpr std::int32_t kComponents = 10;
constexpr int kFlashes = 100000;
constexpr int kRequests = 10000;

// The words of the core store's free blocks: the lengths over the free tree.
std::int64_t freeWords(std::int32_t b) {
  using namespace storage::block;
  if (b <= 0 || b == storage::kTreeHead) return 0;
  return storage::CORSTO[b + kH2] + freeWords(storage::CORSTO[b + kSmaller]) +
         freeWords(storage::CORSTO[b + kLarger]);
}

// What a session must leave unchanged.
struct Footprint {
  std::int64_t coreFree = 0;
  std::int32_t areas = 0;
  std::int32_t streams = 0;
  std::int64_t descriptors = 0;
  std::array<std::uintmax_t, 3> fileBytes{};
  bool operator==(const Footprint&) const = default;
};

Footprint footprint(const std::filesystem::path& base) {
  Footprint f;
  f.coreFree = freeWords(storage::CORSTO[storage::kTreeHead + storage::block::kLarger]);
  f.areas = storage::CMCTL.areaCount;
  std::int32_t ncomp = 0, nunit = 0, ierr = 0;
  api_access::PAMISC(ncomp, f.streams, nunit, ierr);
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    static_cast<void>(entry);
    ++f.descriptors;
  }
  for (int k = 0; k < 3; ++k) {
    f.fileBytes[static_cast<std::size_t>(k)] =
        std::filesystem::file_size(base.string() + ".zn" + std::to_string(k + 1));
  }
  return f;
}

std::ostream& operator<<(std::ostream& o, const Footprint& f) {
  return o << "core free " << f.coreFree << ", areas " << f.areas << ", streams " << f.streams
           << ", descriptors " << f.descriptors << ", files " << f.fileBytes[0] << " "
           << f.fileBytes[1] << " " << f.fileBytes[2];
}

TEST(LongSession, FlashesAndRequestsLeaveTheStoreTheIndexTheFilesAsTheyWere) {
  testing_support::StopThrows stop;
  testing_support::TempDir dir;
  const fixtures::ProblemDescription d = fixtures::naturalGasPlant();
  fixtures::buildProblem(dir.path(), d);
  const std::filesystem::path base = dir.path() / d.name;
  std::int32_t iout = 0, ierr = -1;
  api_access::PAOPEN(base.string(), dir.path().string() + "/", iout, ierr);
  ASSERT_EQ(ierr, 0);
  std::int32_t ncomp = 0, nstrm = 0, nunit = 0;
  api_access::PAMISC(ncomp, nstrm, nunit, ierr);
  ASSERT_EQ(ierr, 0);

  const std::vector<double> gas = {0.010, 0.020, 0.005, 0.800, 0.080,
                                   0.040, 0.020, 0.010, 0.005, 0.010};
  std::vector<double> z(kComponents), y(kComponents), x(kComponents), w(kComponents);
  api_flash::FlashResults out;
  out.compV = y;
  out.compL = x;
  out.compW = w;
  std::array<float, 64> values{};
  const auto flash = [&](int k) {
    // A composition that changes with every call, and a flash type of 1 or 3.
    z = gas;
    z[static_cast<std::size_t>(4 + k % 6)] *= 1.0 + 0.001 * (k % 97);
    api_flash::FlashRequest in;
    in.tempin = 220.0 + (k % 40);
    in.presin = 5000.0 * 1000.0;
    in.iftype = 1;
    in.ncomp = kComponents;
    std::int32_t status = -1;
    api_flash::VFLASH(0, "FEED", in, z, out, status);
    return status;
  };
  const auto request = [&](int k) {
    std::int32_t count = 0, iunset = 1, iucls = 0, status = -1;
    if (k % 2 == 0) {
      api_access::PADATR("COMPS", "MolWeight", "", values, count, iunset, iucls, status);
    } else {
      api_access::PADATR("Flash", "TempCalc", "INLET-SEP", values, count, iunset, iucls, status);
    }
    return status;
  };
  // Warm: the flash work arrays and the caches take their room.
  for (int k = 0; k < 200; ++k) {
    ASSERT_EQ(flash(k), 0);
    ASSERT_EQ(request(k), 0);
  }
  const Footprint before = footprint(base);

  int failed = 0, refused = 0;
  for (int k = 0; k < kFlashes; ++k) {
    if (flash(k) != 0) ++failed;
    if (k % (kFlashes / kRequests) == 0 && request(k) != 0) ++refused;
  }
  EXPECT_EQ(failed, 0);
  EXPECT_EQ(refused, 0);
  const Footprint after = footprint(base);
  EXPECT_EQ(after, before) << "before: " << before << "\nafter:  " << after;
  // The figures, for the XML report (--gtest_output=xml).
  std::ostringstream figures;
  figures << after;
  RecordProperty("footprint", figures.str());
  api_access::PACLOS();
}

}  // namespace
