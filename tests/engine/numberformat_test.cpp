#include "engine/NumberFormat.h"
#include "tests/support/Files.h"

#include <gtest/gtest.h>
#include <QLocale>

#include <limits>

namespace vesk {
namespace {

struct FormatCase {
  double value;
  char separator;
  const char *text;
};

void PrintTo(const FormatCase &c, std::ostream *os) { *os << c.text; }

class GeneralFormat : public ::testing::TestWithParam<FormatCase> {};

TEST_P(GeneralFormat, ReadsAsExpected) {
  const test::LocaleGuard locale(GetParam().separator == ',' ? QLocale(QLocale::German, QLocale::Germany)
                                                             : QLocale::c());
  EXPECT_EQ(formatGeneral(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(NumberFormat, GeneralFormat,
                         ::testing::Values(FormatCase{3 * 0.1, '.', "0.3"}, FormatCase{3 * 0.1, ',', "0,3"},
                                           FormatCase{0, '.', "0"}, FormatCase{-0.0, '.', "0"},
                                           FormatCase{-2.5, ',', "-2,5"}, FormatCase{100, '.', "100"},
                                           FormatCase{1234567, ',', "1234567"},
                                           FormatCase{1.0 / 3, '.', "0.333333333333333"},
                                           FormatCase{2.0 / 3, '.', "0.666666666666667"},
                                           // 15 significant digits, then the exponent form
                                           FormatCase{123456789012345, '.', "123456789012345"},
                                           FormatCase{1e15, '.', "1E+15"}, FormatCase{1e20, '.', "1E+20"},
                                           FormatCase{-1.5e20, ',', "-1,5E+20"}, FormatCase{0.0001, '.', "0.0001"},
                                           FormatCase{0.00001, '.', "1E-05"}, FormatCase{1.25e-300, '.', "1.25E-300"},
                                           FormatCase{std::numeric_limits<double>::quiet_NaN(), '.', "NaN"},
                                           FormatCase{-std::numeric_limits<double>::infinity(), '.', "-Inf"}));

TEST(NumberFormat, UsesTheLocalesDecimalSeparator) {
  const QLocale saved;
  QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
  const std::string french = formatGeneral(12345.5);
  QLocale::setDefault(QLocale::c());
  const std::string c = formatGeneral(12345.5);
  QLocale::setDefault(saved);
  EXPECT_EQ(french, "12345,5");  // and no group separator
  EXPECT_EQ(c, "12345.5");
}

}  // namespace
}  // namespace vesk
