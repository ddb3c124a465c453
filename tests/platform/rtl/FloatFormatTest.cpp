#include "platform/rtl/FloatFormat.h"

#include <gtest/gtest.h>

#include "platform/rtl/SysUtils.h"

namespace {

TEST(FloatFormat, DisplayFormatsOfTheWindows) {
    EXPECT_EQ(FormatFloat(",0;(,0)", 0), "0");
    EXPECT_EQ(FormatFloat(",0;(,0)", 39000000), "39,000,000");
    EXPECT_EQ(FormatFloat(",0;(,0)", -1234.5), "(1,235)");
    EXPECT_EQ(FormatFloat(",0;(,0)", 116.4), "116");
    EXPECT_EQ(FormatFloat(",0.00000;(,0.00000)", 4418623.49), "4,418,623.49000");
    EXPECT_EQ(FormatFloat(",0.00000;(,0.00000)", -0.5), "(0.50000)");
    EXPECT_EQ(FormatFloat(",0.000;(,0.000)", 52.5), "52.500");
    EXPECT_EQ(FormatFloat(",0.00000;(,0.0000)", -20457240.04), "(20,457,240.0400)");
    // Rounds half away from zero on the decimal digits.
    EXPECT_EQ(FormatFloat("0.00", 0.125), "0.13");
    EXPECT_EQ(FormatFloat("0.00", 2.675), "2.68");
    EXPECT_EQ(FormatFloat("0", 0.5), "1");
    EXPECT_EQ(FormatFloat("0", 9.5), "10");
}

TEST(FloatFormat, PlaceholdersLiteralsAndSections) {
    EXPECT_EQ(FormatFloat("#.##", 1.5), "1.5");
    EXPECT_EQ(FormatFloat("#.##", 0.004), "");
    EXPECT_EQ(FormatFloat("000.0", 5), "005.0");
    EXPECT_EQ(FormatFloat("0.0", -5), "-5.0");
    EXPECT_EQ(FormatFloat("0.0 'km'", 2.25), "2.3 km");
    EXPECT_EQ(FormatFloat("0;(0);'zero'", 0), "zero");
    EXPECT_EQ(FormatFloat("0.0;(0.0)", -0.01), "0.0");
    EXPECT_EQ(FormatFloat("0.00E+00", 12345), "1.23E+04");
    EXPECT_EQ(FormatFloat("0.00E-00", 0.00012345), "1.23E-04");
    SetDecimalSeparator(',');
    EXPECT_EQ(FormatFloat("0.00", 1.5), "1,50");
    EXPECT_EQ(FormatFloat(",0.00;(,0.00)", -1234567.5), "(1.234.567,50)");  // groups that cannot read as decimals
    SetDecimalSeparator('.');
}

}  // namespace
