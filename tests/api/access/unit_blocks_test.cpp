// The unit data blocks of the fixture builder as the readers load them: sectors at header
// words and by number, the dimensions of the connection table, child blocks behind the
// disk-pointer entries, names as text words and a variable table of several rows. The
// expected values are the ones written into the description, stated again by hand.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "access_test_support.hpp"
#include "api/access/unit_access.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace {

fixtures::ProblemDescription placedDescription() {
  fixtures::ProblemDescription d = fixtures::unitsProblem("placed");
  fixtures::UnitBlockContents c;
  c.feeds = 1;
  c.feedList = {1};
  c.connections = {1, 0, 1};
  c.integerSectors = {{87, {11, 12, 13}}, {88, fixtures::nameWords({"COMPRESSOR-1", "SHORT"})}};
  c.realSectors = {{94, {1.5, 2.5}}, {96, {-4.25}}};
  c.integersByNumber = {{3, {5034002}}};
  c.realsByNumber = {{2, {77.0}}};
  c.systemSectors = {{22, {1001, 52}}};
  c.connectionFirstDimension = 3;
  c.connectionSecondDimension = 4;
  c.pointerEntries = 3;
  c.children = {{2, fixtures::placedBlock({}, {{78, {310.0, 320.0}}})}};
  c.variables = {{1, 2, 3, 4}, {5, 6, 7, 8}};
  d.flowsheet.units.push_back(fixtures::activeUnit("PLACED-1", 10012, "PLACED", 1, c));
  return d;
}

using PlacedUnit = access_tests::OpenedProblem<&placedDescription>;

// Loads the unit whole and returns its number.
std::int32_t loadPlaced() {
  const std::int32_t n = api_access::PAUNID("PLACED-1");
  EXPECT_NE(n, 0);
  std::int32_t itype = 0;
  api_access::PAULOD(n, api_access::kLoadWhole, itype);
  return n;
}

TEST_F(PlacedUnit, SectorsStandAtTheirHeaderWordsAndNumbers) {
  const std::int32_t n = loadPlaced();
  EXPECT_EQ(api_access::headerInteger(87, 1), 11);
  EXPECT_EQ(api_access::headerInteger(87, 3), 13);
  EXPECT_EQ(api_access::headerReal(94, 1), 1.5);
  EXPECT_EQ(api_access::headerReal(94, 2), 2.5);
  EXPECT_EQ(api_access::headerReal(96, 1), -4.25);
  // The numbered sectors, through the descriptors of the loaded block.
  const auto& loaded = problem::PAUWRK.context3;
  EXPECT_EQ(storage::CORSTO[loaded.integers.pointers(3) + 1], 5034002);
  EXPECT_EQ(storage::CORSTO.real(loaded.reals.pointers(2) + 1), 77.0);
  problem::UNFREE(n, 0);
}

TEST_F(PlacedUnit, SystemSectorFourCarriesTheConnectionDimensions) {
  const std::int32_t n = loadPlaced();
  EXPECT_EQ(api_access::systemElement(4, 2), 1);
  EXPECT_EQ(api_access::systemElement(4, 42), 2);  // the length of system sector 22
  EXPECT_EQ(api_access::systemElement(4, 43), 4);
  EXPECT_EQ(api_access::systemElement(4, 63), 3);
  EXPECT_EQ(api_access::systemElement(22, 1), 1001);
  EXPECT_EQ(api_access::systemElement(22, 2), 52);
  EXPECT_EQ(api_access::systemElement(23, 3), 1);
  problem::UNFREE(n, 0);
}

TEST_F(PlacedUnit, NamesAreTwelveCharactersInThreeWords) {
  const std::int32_t n = loadPlaced();
  std::array<std::int32_t, 6> words{};
  for (std::int32_t k = 1; k <= 6; ++k) {
    words[static_cast<std::size_t>(k - 1)] = api_access::headerInteger(88, k);
  }
  // "COMP" with C in the lowest-addressed byte.
  EXPECT_EQ(words[0], 'C' | 'O' << 8 | 'M' << 16 | 'P' << 24);
  std::string text(24, '#');
  std::int32_t ierr = -1;
  storage::IWTOTX(text, words, 6, ierr);
  EXPECT_EQ(ierr, 0);
  EXPECT_EQ(text, "COMPRESSOR-1SHORT       ");
  problem::UNFREE(n, 0);
}

TEST_F(PlacedUnit, ChildBlockStandsBehindItsEntryAndTheOthersAreEmpty) {
  const std::int32_t n = loadPlaced();
  const std::int32_t sector = problem::PAUWRK.context3.pointerSector;
  const auto entryWord = [&](std::int32_t entry, std::int32_t k) {
    return storage::CORSTO[sector + 9 * (entry - 1) + k];
  };
  for (std::int32_t entry : {1, 3}) {
    SCOPED_TRACE(entry);
    EXPECT_EQ(entryWord(entry, storage::dpword::kTotalLength), 0);
    EXPECT_EQ(entryWord(entry, storage::dpword::kAddress), services::NODISK);
  }
  const std::int32_t length = entryWord(2, storage::dpword::kTotalLength);
  const std::int32_t address = entryWord(2, storage::dpword::kAddress);
  ASSERT_GT(length, 0);
  ASSERT_NE(address, services::NODISK);
  problem::UNFREE(n, 0);

  std::vector<std::int32_t> child(static_cast<std::size_t>(length));
  storage::SBURD(length, child, length, address);
  // Header word 78 holds the offset of the real sector; its second real is 320.0.
  const std::int32_t offset = child[77];
  std::array<std::uint32_t, 2> halves{static_cast<std::uint32_t>(child[offset + 2]),
                                      static_cast<std::uint32_t>(child[offset + 3])};
  EXPECT_EQ(std::bit_cast<double>(std::uint64_t{halves[1]} << 32 | halves[0]), 320.0);
}

TEST_F(PlacedUnit, TheRecordCarriesOneVariableTableEntryPerRow) {
  const std::int32_t n = loadPlaced();
  const std::int32_t vat = problem::UNCURR.context3.vatSector;
  for (std::int32_t k = 1; k <= 8; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(storage::CORSTO[vat + k], k);
  }
  problem::UNFREE(n, 0);
}

}  // namespace
