// The data requests: the class dispatcher, the value-type checks of the three requests,
// the unit set, the delivery of what a reader found, and the unit labels.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "access_test_support.hpp"

namespace {

using access_tests::integerRequest;
using access_tests::printed;
using access_tests::realRequest;
using access_tests::textRequest;
using access_tests::UnitsProblem;
using Strings = std::vector<std::string>;

TEST_F(UnitsProblem, ClassNamesAreComparedBlankPaddedAndCaseSensitive) {
  EXPECT_EQ(textRequest("COMPS   ", "IDS", "").ierr, 0);
  for (const std::string cls : {"comps", " COMPS", "COMPONENTS", ""}) {
    SCOPED_TRACE("[" + cls + "]");
    const auto r = textRequest(cls, "IDS", "");
    EXPECT_EQ(r.ierr, 1);
    // One line, the class's first ten characters; no type warning.
    EXPECT_EQ(r.out, cls.empty() ? " CLASS NOT SUPPORTED:\n"
                                 : " CLASS NOT SUPPORTED: " + cls.substr(0, 10) + "\n");
    EXPECT_EQ(r.values, Strings{}) << "nothing delivered";
  }
}

// One row per request: the export, class, attribute and identifier, and what comes back.
struct RequestRow {
  char request;  // 'C', 'I' or 'R'
  std::string cls, attr, id;
  std::int32_t ierr;
  std::string out;
};

TEST_F(UnitsProblem, EachRequestGivesItsStatusAndItsLines) {
  const std::vector<RequestRow> rows{
      {'C', "COMPS", "IDS", "", 0, ""},
      {'R', "COMPS", "MolWeight", "ANY", 0, ""},
      {'I', "COMPS", "LibraryNumber", "", 0, ""},
      {'C', "UNIT", "TYPE", "FLASH-1", 0, ""},
      {'R', "Flash", "TempCalc", "FLASH-1", 0, ""},
      {'R', "Valve", "PresCalc", "VALVE-1", 0, ""},
      // Wrong value types: the warning names the class and attribute in 12 and 20 columns.
      {'C', "Flash", "TempCalc", "FLASH-1", 1,
       " WARNING: Flash        TempCalc             NOT CHARACTER TYPE\n"},
      {'I', "COMPS", "IDS", "", 1,
       " WARNING: COMPS        IDS                  NOT INTEGER TYPE\n"},
      {'R', "UNIT", "TYPE", "FLASH-1", 1,
       " WARNING: UNIT         TYPE                 NOT FLOATING POINT TYPE\n"},
      {'R', "COMPS", "LibraryNumber", "", 1,
       " WARNING: COMPS        LibraryNumber        NOT FLOATING POINT TYPE\n"},
      // An unknown attribute through the text request: the reader's line, then the warning
      // of the real type the reader had preset.
      {'C', "COMPS", "Colour", "", 1,
       " ATTRIBUTE NOT SUPPORTED: Colour FOR COMPS\n"
       " WARNING: COMPS        Colour               NOT CHARACTER TYPE\n"},
      {'R', "COMPS", "MolecularWeight", "", 1, " ATTRIBUTE NOT SUPPORTED: MolecularW FOR COMPS\n"},
      {'R', "Flash", "tempcalc", "FLASH-1", 1,
       " ATTRIBUTE NOT SUPPORTED: tempcalc             FOR FLASH\n"},
      // Units of the wrong kind, unknown units, and classes not read yet.
      {'R', "Valve", "TempCalc", "FLASH-1", 1, " UNIT ID: FLASH-1      IS NOT VALVE UNIT OP\n"},
      {'R', "Flash", "TempCalc", "OLD-FLASH", 1, " INVALID UNIT ID: OLD-FLASH\n"},
      {'R', "STREAM", "Temperature", "FEED", 0, ""},
      {'R', "Colu", "TrayNetVapRates", "COLUMN-1", 1,
       " ATTRIBUTE NOT SUPPORTED: TrayNetVapRates      FOR LLEX UNIT\n"},
      {'C', "HCurve", "Points", "HCURVE-1", 1,
       " ATTRIBUTE NOT SUPPORTED: Points               FOR HCURVE\n"},
  };
  for (const RequestRow& row : rows) {
    SCOPED_TRACE(std::string(1, row.request) + " " + row.cls + " " + row.attr + " " + row.id);
    std::int32_t ierr = -99;
    std::string out;
    if (row.request == 'C') {
      const auto r = textRequest(row.cls, row.attr, row.id);
      ierr = r.ierr;
      out = r.out;
    } else if (row.request == 'I') {
      const auto r = integerRequest(row.cls, row.attr, row.id);
      ierr = r.ierr;
      out = r.out;
      if (ierr != 0) {
        EXPECT_EQ(r.values, std::vector<std::int32_t>(r.values.size(), -7)) << "nothing delivered";
      }
    } else {
      const auto r = realRequest(row.cls, row.attr, row.id);
      ierr = r.ierr;
      out = r.out;
      if (ierr != 0) {
        EXPECT_EQ(r.values, std::vector<float>(r.values.size(), -7.0f)) << "nothing delivered";
      }
    }
    EXPECT_EQ(ierr, row.ierr);
    EXPECT_EQ(out, row.out);
  }
}

TEST_F(UnitsProblem, TextsAreCutOrPaddedToTheCallersElementLength) {
  // ELEN stays the attribute's own length whatever the caller's.
  const auto cut = textRequest("COMPS", "IDS", "", 4);
  EXPECT_EQ(cut.values, Strings({"METH", "ETHA", "PROP", "WATE"}));
  EXPECT_EQ(cut.elen, 16);
  std::string cval(3 * 20 + 5, '#');
  std::int32_t elen = 0, count = 0, ierr = -1;
  printed([&] { api_access::PADATC("UNIT", "ProdData", "FLASH-1", cval, 20, elen, count, ierr); });
  EXPECT_EQ(cval,
            "VAP" + std::string(17, ' ') + "LIQ" + std::string(17, ' ') + std::string(25, '#'));
  EXPECT_EQ(elen, 12);
  // An array shorter than the values receives as many as it holds.
  std::string two(2 * 16, '#');
  printed([&] { api_access::PADATC("COMPS", "IDS", "", two, 16, elen, count, ierr); });
  EXPECT_EQ(count, 4);
  EXPECT_EQ(two, "METHANE         ETHANE          ");
}

TEST_F(UnitsProblem, UnitSetsOutsideOneToSevenBecomeSetFive) {
  for (const std::int32_t set : {0, 9, -3}) {
    const auto r = realRequest("Flash", "TempCalc", "FLASH-1", set);
    EXPECT_EQ(r.iunset, 5) << set;
    EXPECT_EQ(r.ierr, 0);
  }
  EXPECT_EQ(realRequest("Flash", "TempCalc", "FLASH-1", 2).iunset, 2);
}

TEST_F(UnitsProblem, RequestsDoNotDisturbTheRequestTheyAreNestedIn) {
  // The class of a column asks the column reader for its algorithm type inside the outer
  // request; the outer request's value is still the one delivered.
  // Its algorithm code 6 makes it a liquid-liquid extractor.
  const auto cls = textRequest("UNIT", "CLASS", "COLUMN-1");
  EXPECT_EQ(cls.values, Strings{"Llex"});
  EXPECT_EQ(cls.ierr, 0);
  EXPECT_EQ(cls.out, "");
  // The exchanger's utility flag, the same way.
  EXPECT_EQ(integerRequest("UNIT", "NumberSides", "EXCH-1").values, std::vector<std::int32_t>{1});
}

TEST_F(UnitsProblem, WithoutAnOpenProblemEveryRequestIsRefused) {
  api_access::PACLOS();
  const auto c = textRequest("COMPS", "IDS", "");
  const auto i = integerRequest("COMPS", "LibraryNumber", "");
  const auto r = realRequest("COMPS", "MolWeight", "");
  for (const auto& [ierr, out] : {std::pair{c.ierr, c.out}, {i.ierr, i.out}, {r.ierr, r.out}}) {
    EXPECT_EQ(ierr, 1);
    EXPECT_EQ(out, " NO PROBLEM IS OPEN\n");
  }
  std::int32_t istat = -1;
  std::string label(10, '#');
  EXPECT_EQ(printed([&] { api_access::PAUOM1(1, 5, istat, label); }), " NO PROBLEM IS OPEN\n");
  EXPECT_EQ(istat, 1);
  EXPECT_EQ(label, std::string(10, ' '));
}

// The delivery of reals: a reader that found more than 20000 values gives the first 20000
// and the line; values it did not write, up to its count, are zeros and not the values of
// the request before.
TEST(RealDelivery, GivesTheFirst20000ValuesAndNeverStaleOnes) {
  static api_access::ValueBuffers buffers;
  api_access::Request request;
  request.values = &buffers;
  for (std::int32_t k = 1; k <= 20001; ++k) request.setReal(k, k);
  request.count = 25000;
  std::vector<float> rval(20000 + 5, -1.0f);
  const std::string out = printed([&] { api_access::deliverReals(request, true, rval); });
  EXPECT_EQ(out,
            " AMOUNT OF DATA FOUND IS TOO LARGE FOR STORAGE. DATA WILL BE LOST AS A RESULT.\n");
  EXPECT_EQ(rval[0], 1.0f);
  EXPECT_EQ(rval[19999], 20000.0f);
  EXPECT_EQ(rval[20000], -1.0f) << "nothing beyond 20000";

  // The next request writes only its second value of three.
  buffers.clear();
  request.count = 3;
  request.setReal(2, 7.0);
  std::fill(rval.begin(), rval.end(), -1.0f);
  EXPECT_EQ(printed([&] { api_access::deliverReals(request, true, rval); }), "");
  EXPECT_EQ(rval[0], 0.0f);
  EXPECT_EQ(rval[1], 7.0f);
  EXPECT_EQ(rval[2], 0.0f);
  EXPECT_EQ(rval[3], -1.0f);

  // A refused request, or one of another type, delivers nothing.
  std::fill(rval.begin(), rval.end(), -1.0f);
  request.ierr = 1;
  api_access::deliverReals(request, true, rval);
  request.ierr = 0;
  api_access::deliverReals(request, false, rval);
  EXPECT_EQ(rval[1], -1.0f);
}

// The labels of the shipped unit table (data/units.txt): class 1 in set 5 is code 13 "F",
// in set 3 code 11 "C"; class 22 in set 5 code 61 "FT3/LB-MOL", in set 3 code 60
// "M3/KG-MOL". The compound labels are built from the labels of their classes: "1/" and
// the label of class 8, or the label of class 24, " / " and the label of class 17.
TEST_F(UnitsProblem, UnitLabelsOfTheReturnedClasses) {
  struct LabelRow {
    std::int32_t code, set;
    std::string label;  // the full 30 characters, trailing blanks removed
  };
  std::vector<LabelRow> rows{
      {0, 5, ""}, {1, 5, "F"}, {1, 3, "C"}, {100022, 5, "FT3/LB-MOL"}, {100022, 3, "M3/KG-MOL"}};
  const auto plain = [](std::int32_t code, std::int32_t set) {
    std::string label(30, ' ');
    std::int32_t istat = 0;
    api_access::PAUOM1(code, set, istat, label);
    return label.substr(0, label.find_last_not_of(' ') + 1);
  };
  rows.push_back({-1, 5, plain(24, 5) + " / " + plain(17, 5)});
  rows.push_back({-2, 5, "1/" + plain(8, 5)});
  for (const LabelRow& row : rows) {
    SCOPED_TRACE(std::to_string(row.code) + " in set " + std::to_string(row.set));
    for (const std::size_t length : {10u, 40u}) {
      std::string label(length, '#');
      std::int32_t istat = -1;
      api_access::PAUOM1(row.code, row.set, istat, label);
      EXPECT_EQ(istat, row.code == 0 ? 1 : 0);
      // min(30, length) characters of the label, blank-padded; nothing beyond them.
      std::string expected =
          (row.label + std::string(30, ' ')).substr(0, std::min<std::size_t>(30, length));
      expected += std::string(length - expected.size(), '#');
      EXPECT_EQ(label, expected);
    }
  }
}

// A code or set that no request returns gets no label: ISTAT 1 and blanks. The attack that
// found this saw code 99999 labelled "MMMMKMGT" (the prefix counts of modifier 99), and
// classes 51 and 0, code -3 and sets -1, 8 and INT_MAX answered with status 0.
TEST_F(UnitsProblem, UnknownUnitCodesAndSetsGiveNoLabel) {
  constexpr std::int32_t kMost = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kLeast = std::numeric_limits<std::int32_t>::min();
  const std::pair<std::int32_t, std::int32_t> unknown[] = {
      {99999, 5}, {51, 5}, {100000, 5}, {100051, 5}, {-3, 5},    {kMost, 5}, {kLeast, 5},
      {1, -1},    {1, 8},  {1, 9},      {1, 475},    {1, kMost}, {1, kLeast}};
  for (const auto& [code, set] : unknown) {
    SCOPED_TRACE(std::to_string(code) + " in set " + std::to_string(set));
    std::string label(40, '#');
    std::int32_t istat = -1;
    api_access::PAUOM1(code, set, istat, label);
    EXPECT_EQ(istat, 1);
    EXPECT_EQ(label, std::string(30, ' ') + std::string(10, '#'));
  }
  // The codes a request returns keep their labels: a class, one per mole, the two compounds.
  for (const std::int32_t code : {1, 50, 100022, -1, -2}) {
    SCOPED_TRACE(code);
    std::string label(30, ' ');
    std::int32_t istat = -1;
    api_access::PAUOM1(code, 5, istat, label);
    EXPECT_EQ(istat, 0);
  }
}

// Without PAMISC the identifier tables are empty: a request would find no component, stream
// or unit and report success with nothing (the attack saw COMPS IDS, COMPS MolWeight, UNIT
// IDS and STREAM IDS return status 0 with count 0). Each says why it is refused instead.
TEST(RequestsBeforeTheTables, AreRefusedWithOneLineSayingSo) {
  testing_support::StopThrows stop;
  testing_support::TempDir dir;
  fixtures::buildProblem(dir.path(), fixtures::unitsProblem("units"));
  std::int32_t iout = 0, ierr = -1;
  api_access::PAOPEN(dir.file("units").string(), dir.path().string() + "/", iout, ierr);
  ASSERT_EQ(ierr, 0);
  const std::string line = " IDENTIFIER TABLES NOT BUILT: CALL PAMISC FIRST\n";
  const auto c = access_tests::textRequest("COMPS", "IDS", "");
  EXPECT_EQ(c.ierr, 1);
  EXPECT_EQ(c.out, line);
  const auto r = access_tests::realRequest("COMPS", "MolWeight", "");
  EXPECT_EQ(r.ierr, 1);
  EXPECT_EQ(r.out, line);
  for (const char* cls : {"UNIT", "STREAM"}) {
    SCOPED_TRACE(cls);
    const auto ids = access_tests::textRequest(cls, "IDS", "");
    EXPECT_EQ(ids.ierr, 1);
    EXPECT_EQ(ids.out, line);
  }
  // Once PAMISC has built them, the same requests are served.
  std::int32_t ncomp = 0, nstrm = 0, nunit = 0;
  access_tests::printed([&] { api_access::PAMISC(ncomp, nstrm, nunit, ierr); });
  EXPECT_EQ(access_tests::textRequest("COMPS", "IDS", "").ierr, 0);
  api_access::PACLOS();
}

}  // namespace
