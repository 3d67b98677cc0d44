// The problem-access open, counts and close in one process: the identifier tables, and a
// host's mistakes (calls without an open problem, a second open, counts beyond the tables)
// answered with a status instead of a stop.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "api/access/access.hpp"
#include "fixtures/problem_builder.hpp"
#include "platform/direct_files.hpp"
#include "platform/platform.hpp"
#include "support/test_support.hpp"

namespace {

using api_access::PAIDTB;

fixtures::ProblemDescription problemOf(const std::string& name,
                                       const std::vector<std::string>& components) {
  fixtures::ProblemDescription d;
  d.name = name;
  for (const std::string& c : components) d.components.push_back(fixtures::publishedComponent(c));
  d.methodSets = {fixtures::equationOfStateSet("PR", 102)};
  return d;
}

fixtures::UnitSpec unit(const std::string& id, std::int32_t status) {
  fixtures::UnitSpec u;
  u.identifier = id;
  u.type = 110001;
  u.status = status;
  u.record = fixtures::unitRecord({1, 2, 3});
  return u;
}

// What the calls print on standard output while CALL runs.
std::string printed(testing_support::TempDir& dir, const std::function<void()>& call) {
  const std::string file = dir.file("stdout.txt").string();
  EXPECT_EQ(platform::redirectStandardUnit(6, file), platform::IoResult::Ok);
  call();
  platform::restoreStandardUnit(6);
  return testing_support::readFile(file);
}

class ProblemAccess : public ::testing::Test {
 protected:
  ~ProblemAccess() override { api_access::PACLOS(); }

  std::string build(const fixtures::ProblemDescription& d) {
    fixtures::buildProblem(dir.path(), d);
    return dir.file(d.name).string();
  }

  std::int32_t open(const std::string& name) {
    std::int32_t iout = 0;
    std::int32_t ierr = -1;
    api_access::PAOPEN(name, dir.path().string(), iout, ierr);
    return ierr;
  }

  testing_support::StopThrows stop;
  testing_support::TempDir dir;
};

TEST_F(ProblemAccess, TablesHoldTheProblemsIdentifiers) {
  fixtures::ProblemDescription d = problemOf("gas", {"NITROGEN", "METHANE", "ETHANE"});
  fixtures::StreamSpec feed;
  feed.name = "FEED";
  fixtures::StreamSpec hidden;
  hidden.name = " ";
  hidden.kind = 3;
  d.streams = {feed, hidden};
  d.flowsheet.units = {unit("SEP-1", 2), unit("OLD", 1), unit("SEP-2", 2)};
  ASSERT_EQ(open(build(d)), api_access::kOk);

  std::int32_t ncomp = 0, nstrm = 0, nunit = 0, ierr = -1;
  api_access::PAMISC(ncomp, nstrm, nunit, ierr);
  EXPECT_EQ(ierr, api_access::kOk);
  EXPECT_EQ(ncomp, 3);
  EXPECT_EQ(nstrm, 1);
  EXPECT_EQ(nunit, 2);
  for (std::size_t j = 1; j <= 3; ++j) {
    EXPECT_EQ(PAIDTB.componentPosition(j), static_cast<std::int32_t>(j));
    EXPECT_EQ(PAIDTB.componentId(j).trimmed(), d.components[j - 1].name);
  }
  EXPECT_EQ(PAIDTB.streamId(1).trimmed(), "FEED");
  EXPECT_EQ(PAIDTB.streamSlot(1), 1);
  EXPECT_EQ(PAIDTB.unitId(1).trimmed(), "SEP-1");
  EXPECT_EQ(PAIDTB.unitId(2).trimmed(), "SEP-2");

  // DBMISC returns its counts in its own order.
  std::int32_t solved = 0;
  api_access::DBMISC(solved, nstrm, ncomp, nunit);
  EXPECT_EQ(solved, 1);
  EXPECT_EQ(nstrm, 1);
  EXPECT_EQ(ncomp, 3);
  EXPECT_EQ(nunit, 2);

  // The close forgets every identifier.
  api_access::PACLOS();
  EXPECT_EQ(PAIDTB.ncomp, 0);
  EXPECT_TRUE(PAIDTB.componentId(1).trimmed().empty());
  EXPECT_TRUE(PAIDTB.streamId(1).trimmed().empty());
}

TEST_F(ProblemAccess, CallsWithoutAnOpenProblemReturnTheirStatus) {
  std::int32_t ncomp = -1, nstrm = -1, nunit = -1, ierr = -1;
  const std::string out = printed(dir, [&] { api_access::PAMISC(ncomp, nstrm, nunit, ierr); });
  EXPECT_EQ(ierr, api_access::kNotOpen);
  EXPECT_EQ(out, " NO PROBLEM IS OPEN\n");
  std::int32_t solved = -1;
  api_access::DBMISC(solved, nstrm, ncomp, nunit);
  EXPECT_EQ(std::vector<std::int32_t>({solved, nstrm, ncomp, nunit}),
            std::vector<std::int32_t>({0, 0, 0, 0}));
  api_access::PACLOS();
  EXPECT_FALSE(api_access::problemOpen());
}

// A second open closes the first problem as PACLOS would, and serves only the second.
TEST_F(ProblemAccess, SecondOpenClosesTheFirst) {
  const std::string first = build(problemOf("first", {"METHANE", "ETHANE"}));
  const std::string second = build(problemOf("second", {"PROPANE"}));
  ASSERT_EQ(open(first), api_access::kOk);
  std::int32_t ncomp = 0, nstrm = 0, nunit = 0, ierr = 0;
  api_access::PAMISC(ncomp, nstrm, nunit, ierr);
  ASSERT_EQ(open(second), api_access::kOk);
  EXPECT_EQ(PAIDTB.ncomp, 0) << "the first problem's tables are gone";
  api_access::PAMISC(ncomp, nstrm, nunit, ierr);
  EXPECT_EQ(ncomp, 1);
  EXPECT_EQ(PAIDTB.componentId(1).trimmed(), "PROPANE");
  api_access::PACLOS();
  // The first problem was closed properly: it opens again.
  ASSERT_EQ(open(first), api_access::kOk);
  api_access::PAMISC(ncomp, nstrm, nunit, ierr);
  EXPECT_EQ(ncomp, 2);
}

// Counts beyond the tables are reported and nothing is built; the process goes on.
TEST_F(ProblemAccess, CountsBeyondTheTablesReturnStatus2) {
  fixtures::ProblemDescription d = problemOf("large", {});
  for (int k = 1; k <= api_access::kMaxComponents + 1; ++k) {
    fixtures::ComponentSpec c = fixtures::publishedComponent("METHANE");
    c.name = "C" + std::to_string(k);
    d.components.push_back(c);
  }
  ASSERT_EQ(open(build(d)), api_access::kOk);
  std::int32_t ncomp = 0, nstrm = 0, nunit = 0, ierr = 0;
  const std::string out = printed(dir, [&] { api_access::PAMISC(ncomp, nstrm, nunit, ierr); });
  EXPECT_EQ(ierr, api_access::kOverLimit);
  EXPECT_EQ(out,
            " NUMBER OF COMPONENTS   301 EXCEEDS MAXIMUM   300\n"
            " FATAL ERROR - EXECUTION STOPED !!!\n");
  EXPECT_EQ(PAIDTB.ncomp, 0);
  EXPECT_TRUE(PAIDTB.componentId(1).trimmed().empty());
}

TEST_F(ProblemAccess, MissingFilesAreReportedAndNothingOpens) {
  const std::string name = build(problemOf("gone", {"METHANE"}));
  std::filesystem::remove(name + ".zn1");
  std::filesystem::remove(name + ".zn3");
  std::int32_t ierr = 0;
  const std::string out = printed(dir, [&] { ierr = open(name); });
  EXPECT_EQ(ierr, api_access::kFileMissing);
  const auto line = [](const std::string& file) {
    std::string shown = file.substr(0, 60);
    return " FILE NOT FOUND: " + shown + "\n";
  };
  EXPECT_EQ(out, line(name + ".zn1") + line(name + ".zn3"));
  EXPECT_FALSE(api_access::problemOpen());
}

// Files the run may not write (a read-only copy of a solved problem, here files opened for
// reading only through the file seam): the open reads them, the counts are served, and the
// close writes nothing back and returns. The attack that found this saw the open succeed
// and the close end the process when it wrote to the read-only files.
TEST_F(ProblemAccess, ReadOnlyFilesAreReadAndTheCloseWritesNothing) {
  fixtures::ProblemDescription d = problemOf("kept", {"NITROGEN", "METHANE", "ETHANE"});
  fixtures::StreamSpec feed;
  feed.name = "FEED";
  d.streams = {feed};
  d.flowsheet.units = {unit("SEP-1", 2)};
  const std::string name = build(d);
  std::vector<std::string> before;
  for (const char* extension : {".zn1", ".zn2", ".zn3"}) {
    before.push_back(testing_support::readFile(name + extension));
  }

  platform::DirectFaults faults;
  faults.readOnly = true;
  platform::FaultyFileSystem readOnly(platform::hostFileSystem(), faults);
  {
    const platform::UseDirectFileSystem use(readOnly);
    ASSERT_EQ(open(name), api_access::kOk);
    std::int32_t ncomp = 0, nstrm = 0, nunit = 0, ierr = -1;
    api_access::PAMISC(ncomp, nstrm, nunit, ierr);
    EXPECT_EQ(ierr, api_access::kOk);
    EXPECT_EQ(std::vector<std::int32_t>({ncomp, nstrm, nunit}),
              std::vector<std::int32_t>({3, 1, 1}));
    EXPECT_EQ(PAIDTB.streamId(1).trimmed(), "FEED");
    api_access::PACLOS();
    EXPECT_FALSE(api_access::problemOpen());
  }
  for (std::size_t k = 0; k < before.size(); ++k) {
    const char* extension[] = {".zn1", ".zn2", ".zn3"};
    EXPECT_EQ(testing_support::readFile(name + extension[k]), before[k]) << extension[k];
  }
  // Writable again, the same files open as ever.
  EXPECT_EQ(open(name), api_access::kOk);
}

}  // namespace
