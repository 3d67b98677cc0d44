#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "services/services.hpp"

namespace {

using services::FixedText;

template <std::size_t N>
std::string applied(void (*routine)(std::span<char>), std::string_view text) {
  FixedText<N> buffer(text);
  routine(buffer);
  return buffer.str();
}

TEST(TextUtilities, TrimSqueezeAndRemoveBlanks) {
  EXPECT_EQ(services::LENTRM("  AB C   "), 6);
  EXPECT_EQ(services::LENTRM("     "), 0);
  EXPECT_EQ(services::LENTRM(""), 0);

  EXPECT_EQ(applied<10>(services::SQZBLK, "  A   B"), "A B       ");
  EXPECT_EQ(applied<10>(services::SQZBLK, " X  Y  Z "), "X Y Z     ");
  EXPECT_EQ(applied<4>(services::SQZBLK, "    "), "    ");
  EXPECT_EQ(applied<10>(services::NOBLNK, " A B  C D"), "ABCD      ");
}

TEST(CASECV, ConvertsByMode) {
  struct Case {
    std::int32_t mode;
    const char* in;
    const char* out;
  };
  const std::vector<Case> cases = {
      {1, "mixed Case-9x", "MIXED CASE-9X"},
      {2, "MIXED Case-9X", "mixed case-9x"},
      {3, "  two WORDS here", "  Two words here"},
      {4, "two WORDS here", "Two Words Here"},
      {4, "  lead blank", "  Lead Blank"},
      {0, "Left aLone", "Left aLone"},
      {5, "Left aLone", "Left aLone"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.in) + " mode " + std::to_string(c.mode));
    std::string text = c.in;
    services::CASECV(std::span<char>(text), c.mode);
    EXPECT_EQ(text, c.out);
  }
}

// A table that accepts a name of letters and digits beginning with a letter, with "." and
// "_" (LIST1) allowed after the first character. States: 1 start, 2 inside.
//   class:          end  letter digit other  "."  "_"
constexpr std::array<std::int32_t, 12> kNameTable = {
    -1, 2, -1, -1, -1, -1,  // state 1
    0,  2, 2,  -1, 2,  2};  // state 2

TEST(LEXCHK, WalksTheStateTable) {
  struct Case {
    const char* text;
    bool flag;
    const char* list2;
    std::int32_t err;
  };
  const std::vector<Case> cases = {
      {"name_1.x", false, "", 0},   {"1name", false, "", 1},  {"", false, "", 1},
      {"na me", false, "", 1},      {"a\tb", false, "", 1},   {"a\tb", true, "\t", 1},
      {"ok   ", false, "", 0},      {"a-b", false, "-", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::int32_t err = 0;
    services::LEXCHK(c.text, "._", c.list2, c.flag, 6, kNameTable, err);
    EXPECT_EQ(err, c.err);
  }
}

TEST(LEXCHK, OtherCharactersFollowTheAllowList) {
  // Class 4 ("other") leads to state 2 here, so acceptance depends only on whether the
  // character is allowed: in LIST2 with FLAG true, or outside LIST2 with FLAG false.
  constexpr std::array<std::int32_t, 8> table = {-1, 2, 2, 2,  // state 1
                                                 0,  2, 2, 2};  // state 2
  struct Case {
    const char* text;
    bool flag;
    std::int32_t err;
  };
  for (const Case& c : {Case{"a-b", true, 0}, Case{"a-b", false, 1}, Case{"a+b", false, 0},
                        Case{"a+b", true, 1}}) {
    SCOPED_TRACE(std::string(c.text) + (c.flag ? " allow" : " deny"));
    std::int32_t err = 0;
    services::LEXCHK(c.text, "", "-", c.flag, 4, table, err);
    EXPECT_EQ(err, c.err);
  }
}

TEST(RELCMP, ComparesWithARelativeTolerance) {
  struct Case {
    double a;
    double b;
    std::int32_t result;
  };
  const double tiny = std::numeric_limits<double>::denorm_min();
  const std::vector<Case> cases = {
      {1.0, 1.0 + 1e-16, 0},       {1.0, 1.0 + 1e-15, -1},   {1.0 + 1e-15, 1.0, 1},
      {0.0, -0.0, 0},              {1e-300, -1e-300, 1},     {-1e-300, 1e-300, -1},
      {0.0, 0.0, 0},               {0.0, tiny, -1},          {3.5e-5, 3.5e-5, 0},
      {0.5, 0.5 * (1 + 1e-16), 0}, {0.5, 0.5 * (1 + 4e-16), -1},
      {-2.0, -1.0, -1},            {1e300, 1e300 * (1 + 1e-16), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.a << " vs " << c.b);
    EXPECT_EQ(services::RELCMP(c.a, c.b), c.result);
    EXPECT_EQ(services::RELCM2(c.a, c.b), c.result);
  }
}

TEST(IANDBT, AndsTheLow31Bits) {
  EXPECT_EQ(services::IANDBT(12, 10), 8);
  EXPECT_EQ(services::IANDBT(-1, 7), 0);
  EXPECT_EQ(services::IANDBT(7, -8), 0);
  EXPECT_EQ(services::IANDBT(0x7FFFFFFF, 0x55555555), 0x55555555);
  EXPECT_EQ(services::IANDBT(0, 0x7FFFFFFF), 0);
}

TEST(VIDEAL, IsTheIdealGasVolume) {
  double v = 0.0;
  services::VIDEAL(273.15, 101.325, v);
  EXPECT_NEAR(v, 22.414, 0.001);  // m3/kmol at standard conditions
}

}  // namespace
