#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "services/services.hpp"

namespace {

std::string format(double value, std::int32_t mode = 10, std::int32_t ndig = 5,
                   std::int32_t* nout = nullptr) {
  services::FixedText<12> text;
  std::int32_t n = 0;
  services::RFMT12(mode, ndig, n, value, text);
  if (nout != nullptr) *nout = n;
  return std::string(text.trimmed());
}

TEST(RFMT12, ChoosesTheNarrowerOfFixedAndExponentForm) {
  struct Case {
    double value;
    const char* text;
  };
  const std::vector<Case> cases = {
      {300.15, "300.15"},       {100, "100"},          {1000, "1E3"},
      {1500, "1500"},           {101325, "101330"},    {-2.5, "-2.5"},
      {0.001, ".001"},          {0.0001, "1E-4"},      {1.23456E20, "1.2346E20"},
      {0.0, "0"},               {-0.0, "0"},           {9.99996, "10"},
      {-1.5e-30, "-1.5E-30"},   {0.12345678, ".12346"}, {12345678, "12346000"},
      {-99999.5, "-1E5"},       {4.9406564584124654e-324, "4.9407E-324"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.value);
    std::int32_t nout = 0;
    EXPECT_EQ(format(c.value, 10, 5, &nout), c.text);
    EXPECT_EQ(nout, static_cast<std::int32_t>(std::string(c.text).size()));
  }
}

TEST(RFMT12, OtherModesAddAPointOrRetryWithFewerDigits) {
  EXPECT_EQ(format(1500, 12), "1500.");
  EXPECT_EQ(format(1000, 12), "1E3") << "the exponent form takes no point";
  EXPECT_EQ(format(2.5, 12), "2.5");
  std::int32_t nout = 0;
  EXPECT_EQ(format(-1.2345678901234e-100, 10, 12, &nout), "************");
  EXPECT_EQ(format(-1.2345678901234e-100, 20, 12, &nout), "-1.2346E-100");
  EXPECT_EQ(nout, 5) << "digits used after the retries";
}

TEST(RFMTEX, MantissaAndExponentRoundHalfUp) {
  struct Case {
    double value;
    std::int32_t ndig;
    double mant;
    std::int32_t exp;
  };
  for (const Case& c : {Case{9.99996, 5, 1.0, 1}, Case{-0.0123456, 3, -1.23, -2},
                        Case{101325, 5, 1.0133, 5}, Case{1.0, 1, 1.0, 0}}) {
    SCOPED_TRACE(c.value);
    double mant = 0.0;
    std::int32_t exp = 0;
    services::RFMTEX(c.value, c.ndig, mant, exp);
    EXPECT_DOUBLE_EQ(mant, c.mant);
    EXPECT_EQ(exp, c.exp);
  }
}

}  // namespace
