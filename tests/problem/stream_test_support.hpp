// A loaded case for the stream tests: the case tables of a problem of NCSTRM components read
// as the case load reads them (the stream index, the main slot control of 30 slots and the 31
// record-type slot controls), with a component header whose range 1 holds every component.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "case_test_support.hpp"
#include "problem/problem.hpp"
#include "storage/storage.hpp"

namespace stream_tests {

namespace m = problem::srmain;

class StreamCase : public case_tests::CaseDatabase {
 protected:
  void SetUp() override {
    CaseDatabase::SetUp();
    header(3);
    problem::SRLAYT = {};
    problem::SRRECL = {};
    problem::DRVSW = {};
    problem::SRPSET = {};
    problem::ENTCUR = {};
    problem::THCTL.idecnt = 0;
    load("BASECASE");
  }

  // A component header of N components: range 1 all of them, ranges 2 to 6 empty, no
  // solids, no special components.
  static void header(std::int32_t n) {
    using namespace problem::cohdr;
    problem::COHDR = {};
    problem::COHDR(kComponents) = n;
    problem::COHDR(kAuxiliaryCount) = n;
    problem::COHDR(kStreamComponents) = n;
    for (std::size_t r = 1; r <= 6; ++r) {
      ranges(r, r == 1 ? 1 : n + 1, n);
    }
  }

  // Component range R (1-6) from FIRST to LAST.
  static void ranges(std::size_t r, std::int32_t first, std::int32_t last) {
    problem::COHDR(problem::cohdr::kFirstOfRange + r) = first;
    problem::COHDR(problem::cohdr::kLastOfRange + r) = last;
  }

  // Creates stream NAME of KIND and returns its number; it is then the working stream.
  static std::int32_t create(const std::string& name, std::int32_t kind = 2) {
    std::int32_t n = 0;
    std::int32_t istat = -1;
    problem::SRCREA(kind, name, n, istat);
    EXPECT_EQ(istat, 0) << name;
    return n;
  }

  static problem::MainRecord working() { return problem::MainRecord(problem::SRPSET.set2); }
  static problem::MainRecord reading() { return problem::MainRecord(problem::SRPSET.set1); }

  static void setVector(std::int32_t v, const std::vector<double>& values) {
    problem::MainRecord record = working();
    for (std::size_t i = 0; i < values.size(); ++i) {
      record.setVector(v, static_cast<std::int32_t>(i) + 1, values[i]);
    }
  }

  static std::vector<double> vectorOf(const problem::MainRecord& record, std::int32_t v,
                                      std::int32_t count) {
    std::vector<double> values;
    for (std::int32_t i = 1; i <= count; ++i) values.push_back(record.vector(v, i));
    return values;
  }

  // The lock level and write flag of the main slot that holds stream N (-1, -1 when none).
  static std::pair<std::int32_t, std::int32_t> slotState(std::int32_t n) {
    std::int32_t slot = 0;
    std::int32_t p = 0;
    storage::SCLOC(n, problem::SLOTC2.sr.mainSlots, slot, p);
    if (slot == 0) return {-1, -1};
    std::int32_t ent = 0, len = 0, core = 0, lock = 0, write = 0, hier = 0;
    storage::SCGET(problem::SLOTC2.sr.mainSlots, slot, ent, len, core, lock, write, hier);
    return {lock, write};
  }

  // The disk pointer of stream N's index entry.
  static storage::DiskPointer entryPointer(std::int32_t n) {
    std::array<char, 12> name{};
    storage::DiskPointer pointer{};
    std::array<std::int32_t, 1> data{};
    std::int32_t status = 0;
    storage::FBINUM(1, problem::SLOTC2.sr.index, n, name, pointer, data, status);
    return pointer;
  }
};

}  // namespace stream_tests
