#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "file_layer_support.hpp"

namespace {

using file_tests::expectAbort;
using services::FixedText;

TEST(FISPLT, SplitsDirectoryNameAndExtension) {
  struct Case {
    std::string path, directory, name, extension;
  };
  const std::vector<Case> cases = {
      {"C:\\work\\case1.dat", "C:\\work\\", "case1", ".dat"},
      {"case1", "", "case1", ""},
      {"a.b.", "", "a.b", ""},
      {".cfg", "", "", ".cfg"},
      {"D:case1.dat  ", "D:", "case1", ".dat"},
      {"/home/run/db.zn", "/home/run/", "db", ".zn"},
      {"runs.v2/problem", "runs.v2/", "problem", ""},
      {"C:\\runs.v2\\", "C:\\runs.v2\\", "", ""},
      {"   ", "", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    FixedText<260> directory, name, extension;
    std::int32_t flag = -1;
    storage::FISPLT(c.path, directory, name, extension, flag);
    EXPECT_EQ(directory.trimmed(), c.directory);
    EXPECT_EQ(name.trimmed(), c.name);
    EXPECT_EQ(extension.trimmed(), c.extension);
    EXPECT_EQ(flag, 0);
  }
}

class FINAME : public file_tests::FileLayerTest {
 protected:
  std::string compose(std::string_view path, std::string_view directory, std::string_view name,
                      std::string_view extension, std::int32_t option) {
    FixedText<260> result;
    storage::FINAME(path, directory, name, "ignored", extension, option, result);
    return std::string(result.trimmed());
  }
};

TEST_F(FINAME, FillsBlankPartsFromArgumentsThenDefaults) {
  struct Case {
    std::string path, directory, name, extension;
    std::int32_t option;
    std::string result;
  };
  const std::vector<Case> cases = {
      {"C:\\work\\case1", "", "", "zqw", 1, "C:\\work\\case1.zqw"},
      {"C:\\work\\case1", "", "", "", 1, "C:\\work\\case1.inp"},
      {"C:\\work\\case1", "", "", "", 2, "C:\\work\\case1"},
      {"C:\\work\\case1.dat", "D:\\", "other", ".zqw", 1, "C:\\work\\case1.dat"},
      {"", "C:\\data\\", "veltra", "err", 0, "C:\\data\\veltra.err"},
      {"", "C:\\data", "veltra", "err", 0, "C:\\dataveltra.err"},
      {"", "", "", "", 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path + " / " + c.result);
    EXPECT_EQ(compose(c.path, c.directory, c.name, c.extension, c.option), c.result);
  }
  EXPECT_EQ(storage::CURRTN.fi.trimmed(), "FINAME");
}

TEST_F(FINAME, TheDefaultsComeFromFIDFLTAndTheResultFitsTheCallersLength) {
  storage::FIDFLT("/runs/", "problem", "");
  EXPECT_EQ(compose("", "", "", "zqw", 1), "/runs/problem.zqw");
  EXPECT_EQ(compose("", "", "", "", 3), "/runs/problem.inp") << "a blank argument keeps a default";
  EXPECT_EQ(compose("", "", "", "", 0), "");

  FixedText<10> shortResult;
  storage::FINAME("/runs/problem", "", "", "", "zqw", 1, shortResult);
  EXPECT_EQ(shortResult.view(), "/runs/prob");
}

class FIOPEN : public file_tests::FileLayerTest {};

TEST_F(FIOPEN, ANewFileGetsTheFirstFreeNumberAfterStartUp) {
  const std::string report = dir_.file("problem.zqw").string();
  std::int32_t unit = -1;
  storage::FIOPEN(unit, 5, report, "OUTPUT");
  EXPECT_EQ(unit, 7);
  EXPECT_TRUE(std::filesystem::exists(report));
  EXPECT_EQ(storage::fileLayer.unitMap.at(7), '1');
  ASSERT_EQ(platform::writeLine(unit, "A LINE"), platform::IoResult::Ok);

  storage::FIOPEN(unit, 5, dir_.file("other.zqw").string(), "OUTPUT");
  EXPECT_EQ(unit, 7) << "a number the layer holds is open already";
  EXPECT_FALSE(std::filesystem::exists(dir_.file("other.zqw")));

  storage::FICLOS(unit, storage::kCloseKeep);
  EXPECT_EQ(unit, -1);
  EXPECT_EQ(storage::fileLayer.unitMap.at(7), '0');
  EXPECT_EQ(testing_support::readFile(report), "A LINE\n");
  EXPECT_EQ(storage::CURRTN.fi.trimmed(), "FICLOS");

  unit = -1;
  storage::FIOPEN(unit, 11, report, "ERROR");
  EXPECT_EQ(unit, 7);
  storage::FICLOS(unit, 0);
  EXPECT_FALSE(std::filesystem::exists(report)) << "closed with delete";
}

TEST_F(FIOPEN, AMissingFileIsErrorNineteenAndAnUnknownOptionOpensNothing) {
  const std::string missing = dir_.file("veltra.err").string();
  std::int32_t unit = -1;
  expectAbort([&] { storage::FIOPEN(unit, 11, missing + "  ", "ERROR"); },
              "FILE NOT FOUND - \"" + missing + "\"", {});

  unit = 50;
  storage::FIOPEN(unit, 6, missing, "ERROR");
  EXPECT_EQ(unit, 50);
  EXPECT_FALSE(platform::isConnected(50));

  unit = 6;
  expectAbort([&] { storage::FIOPEN(unit, 5, dir_.file("x.txt").string(), "OUTPUT"); },
              "FORTRAN ERROR OPENING FILE - \"" + dir_.file("x.txt").string() + "\"",
              {"ERR NUM 22", "UNT NUM 6", "GRP/UNT MISSING"});
}

}  // namespace
