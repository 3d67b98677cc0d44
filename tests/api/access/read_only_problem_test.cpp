// A problem whose files the process may only read: every request and the flash calls answer
// as on a writable copy of the same files, the process goes on, and the close leaves the
// files as they were. Files are made read-only through the file seam (a faulty file system
// that opens the chosen files for reading only, as the host's does for files the run may
// not write), one file at a time: each of the three problem files, and the support
// database.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "access_test_support.hpp"
#include "api/flash/composition_flash.hpp"
#include "fixtures/problem_builder.hpp"
#include "fixtures/stream_attribute_names.hpp"
#include "platform/direct_files.hpp"
#include "support/test_support.hpp"

namespace {

using access_tests::integerRequest;
using access_tests::realRequest;
using access_tests::textRequest;

constexpr const char* kProblemFiles[] = {"gasplant.zn1", "gasplant.zn2", "gasplant.zn3"};
constexpr const char* kSupportFiles[] = {"veltra.sp1"};

// Everything a host reads of the natural-gas plant, as one list of printable answers.
std::vector<std::string> readEverything() {
  std::vector<std::string> answers;
  const auto add = [&](const std::string& what, std::int32_t ierr, const std::string& values) {
    answers.push_back(what + " -> " + std::to_string(ierr) + ": " + values);
  };
  const auto reals = [&](const std::string& cls, const std::string& attr, const std::string& id) {
    const access_tests::Reals r = realRequest(cls, attr, id, 5);
    std::string v;
    for (float x : r.values) v += std::to_string(x) + " ";
    add(cls + " " + attr + " " + id, r.ierr, v);
  };
  const auto texts = [&](const std::string& cls, const std::string& attr, const std::string& id) {
    const access_tests::Texts r = textRequest(cls, attr, id);
    std::string v;
    for (const std::string& x : r.values) v += x + "|";
    add(cls + " " + attr + " " + id, r.ierr, v);
  };
  texts("COMPS", "IDS", "");
  reals("COMPS", "MolWeight", "");
  texts("STREAM", "IDS", "");
  texts("UNIT", "IDS", "");
  const access_tests::Integers type = integerRequest("UNIT", "TYPE", "INLET-SEP");
  add("UNIT TYPE", type.ierr, type.values.empty() ? "" : std::to_string(type.values[0]));
  reals("Flash", "TempCalc", "INLET-SEP");
  for (const char* stream : {"FEED", "SEP-GAS", "SRK-FEED"}) {
    for (std::string_view attr : fixtures::kStreamRealAttributes) {
      reals("STREAM", std::string(attr), stream);
    }
  }
  // A flash of the feed's composition in the feed's method set.
  std::vector<double> z{0.010, 0.020, 0.005, 0.800, 0.080, 0.040, 0.020, 0.010, 0.005, 0.010};
  std::vector<double> y(z.size()), x(z.size()), w(z.size());
  api_flash::FlashRequest in;
  in.tempin = 233.15;
  in.presin = 5e6;
  in.iftype = 1;
  in.ncomp = static_cast<std::int32_t>(z.size());
  api_flash::FlashResults out;
  out.compV = y;
  out.compL = x;
  out.compW = w;
  std::int32_t ierr = -9;
  api_flash::VFLASH(0, "FEED", in, z, out, ierr);
  add("VFLASH", ierr,
      std::to_string(out.tempot) + " " + std::to_string(out.fracv) + " " +
          std::to_string(out.enthv) + " " + std::to_string(out.entrv));
  return answers;
}

class ReadOnlyProblem : public ::testing::Test {
 protected:
  void SetUp() override { fixtures::buildProblem(pristine.path(), fixtures::naturalGasPlant()); }

  // A fresh copy of the pristine files in a directory of their own.
  std::filesystem::path freshCopy(const std::string& name) {
    const std::filesystem::path to = work.path() / name;
    std::filesystem::create_directories(to);
    for (const auto& entry : std::filesystem::directory_iterator(pristine.path())) {
      std::filesystem::copy_file(entry.path(), to / entry.path().filename());
    }
    return to;
  }

  // Opens, counts, reads everything and closes the problem in DIR.
  static std::vector<std::string> session(const std::filesystem::path& dir) {
    std::int32_t iout = 0, ierr = -1;
    api_access::PAOPEN((dir / "gasplant").string(), dir.string() + "/", iout, ierr);
    EXPECT_EQ(ierr, 0);
    std::int32_t ncomp = 0, nstrm = 0, nunit = 0;
    access_tests::printed([&] { api_access::PAMISC(ncomp, nstrm, nunit, ierr); });
    EXPECT_EQ(ierr, 0);
    std::vector<std::string> answers = readEverything();
    api_access::PACLOS();
    return answers;
  }

  testing_support::StopThrows stop;
  testing_support::TempDir pristine, work;
};

// The attack that found this saw the open of read-only files succeed and the first stream
// request end the process: the stream reader wrote the properties it evaluated back into the
// stream's page on the read-only file.
TEST_F(ReadOnlyProblem, AnswersAsAWritableCopyAndLeavesTheFilesUnchanged) {
  const std::vector<std::string> writable = session(freshCopy("writable"));
  std::vector<std::string> files(std::begin(kProblemFiles), std::end(kProblemFiles));
  files.insert(files.end(), std::begin(kSupportFiles), std::end(kSupportFiles));
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    const std::filesystem::path dir = freshCopy("read-only-" + file);
    std::vector<std::string> before;
    for (const std::string& f : files) {
      before.push_back(testing_support::readFile((dir / f).string()));
    }
    platform::DirectFaults faults;
    faults.readOnly = true;
    faults.nameEnding = file;
    platform::FaultyFileSystem readOnly(platform::hostFileSystem(), faults);
    std::vector<std::string> answers;
    {
      const platform::UseDirectFileSystem use(readOnly);
      ASSERT_NO_THROW(answers = session(dir));
    }
    ASSERT_EQ(answers.size(), writable.size());
    for (std::size_t k = 0; k < answers.size(); ++k) EXPECT_EQ(answers[k], writable[k]);
    // A read-only problem file makes the whole problem read-only; the support database is
    // read-only in every run, and the problem's own files are then written as usual.
    const bool problemFile = file != kSupportFiles[0];
    for (std::size_t k = 0; k < files.size(); ++k) {
      if (!problemFile && files[k] != file) continue;
      EXPECT_TRUE(testing_support::readFile((dir / files[k]).string()) == before[k]) << files[k];
    }
  }
}

}  // namespace
