// The data-request tests: a problem built once for its suite and opened and counted for
// each test (the units problem of fixtures::unitsProblem among them), and the requests with
// what they print.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "api/access/access.hpp"
#include "api/access/data_requests.hpp"
#include "fixtures/problem_builder.hpp"
#include "fixtures/unit_blocks.hpp"
#include "platform/platform.hpp"
#include "support/test_support.hpp"

namespace access_tests {

// What CALL prints on standard output.
inline std::string printed(const std::function<void()>& call) {
  static testing_support::TempDir scratch;
  const std::string file = scratch.file("stdout.txt").string();
  EXPECT_EQ(platform::redirectStandardUnit(6, file), platform::IoResult::Ok);
  call();
  platform::restoreStandardUnit(6);
  return testing_support::readFile(file);
}

struct Texts {
  std::vector<std::string> values;  // trailing blanks removed
  std::int32_t elen = 0, count = 0, ierr = 0;
  std::string out;
};
struct Integers {
  std::vector<std::int32_t> values;
  std::int32_t count = 0, ierr = 0;
  std::string out;
};
struct Reals {
  std::vector<float> values;
  std::int32_t count = 0, iunset = 0, iucls = 0, ierr = 0;
  std::string out;
};

// The requests, with arrays of ELEMENTS elements of WIDTH characters (texts); the values
// delivered are the first COUNT (at most the array).
inline Texts textRequest(const std::string& cls, const std::string& attr, const std::string& id,
                         std::int32_t width = 16, std::size_t elements = 600) {
  Texts r;
  std::string cval(elements * static_cast<std::size_t>(width), '#');
  r.out = printed([&] { api_access::PADATC(cls, attr, id, cval, width, r.elen, r.count, r.ierr); });
  const auto n = std::min<std::size_t>(static_cast<std::size_t>(std::max(r.count, 0)), elements);
  for (std::size_t k = 0; k < n; ++k) {
    std::string e =
        cval.substr(k * static_cast<std::size_t>(width), static_cast<std::size_t>(width));
    r.values.push_back(e.substr(0, e.find_last_not_of(' ') + 1));
  }
  return r;
}

inline Integers integerRequest(const std::string& cls, const std::string& attr,
                               const std::string& id) {
  Integers r;
  std::vector<std::int32_t> ival(600, -7);
  r.out = printed([&] { api_access::PADATI(cls, attr, id, ival, r.count, r.ierr); });
  ival.resize(std::min<std::size_t>(static_cast<std::size_t>(std::max(r.count, 0)), ival.size()));
  r.values = ival;
  return r;
}

inline Reals realRequest(const std::string& cls, const std::string& attr, const std::string& id,
                         std::int32_t iunset = 1) {
  Reals r;
  r.iunset = iunset;
  std::vector<float> rval(600, -7.0f);
  r.out =
      printed([&] { api_access::PADATR(cls, attr, id, rval, r.count, r.iunset, r.iucls, r.ierr); });
  rval.resize(std::min<std::size_t>(static_cast<std::size_t>(std::max(r.count, 0)), rval.size()));
  r.values = rval;
  return r;
}

// The counts PAMISC gives of an open problem.
struct ProblemCounts {
  std::int32_t ncomp = 0, nstrm = 0, nunit = 0;
};

// Opens problem NAME of DIR and counts it, as a host does before its requests; a failure
// of either call fails the test (wrap the call in ASSERT_NO_FATAL_FAILURE to stop there).
inline ProblemCounts openProblem(const testing_support::TempDir& dir, const std::string& name) {
  ProblemCounts counts;
  std::int32_t iout = 0;
  std::int32_t ierr = -1;
  api_access::PAOPEN(dir.file(name).string(), dir.path().string() + "/", iout, ierr);
  EXPECT_EQ(ierr, 0);
  if (ierr != 0) return counts;
  printed([&] { api_access::PAMISC(counts.ncomp, counts.nstrm, counts.nunit, ierr); });
  EXPECT_EQ(ierr, 0);
  return counts;
}

// A problem built by DESCRIBE once for the suite, in a directory of its own, and opened and
// counted for each test.
template <fixtures::ProblemDescription (*Describe)()>
class OpenedProblem : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir = std::make_unique<testing_support::TempDir>();
    const fixtures::ProblemDescription description = Describe();
    problemName = description.name;
    fixtures::buildProblem(dir->path(), description);
  }
  static void TearDownTestSuite() { dir.reset(); }

  void SetUp() override { ASSERT_NO_FATAL_FAILURE(counts = openProblem(*dir, problemName)); }
  void TearDown() override { api_access::PACLOS(); }

  static inline std::unique_ptr<testing_support::TempDir> dir;
  static inline std::string problemName;
  testing_support::StopThrows stop;
  ProblemCounts counts;
};

inline fixtures::ProblemDescription unitsDescription() { return fixtures::unitsProblem("units"); }

// The units problem of fixtures::unitsProblem.
using UnitsProblem = OpenedProblem<&unitsDescription>;

}  // namespace access_tests
