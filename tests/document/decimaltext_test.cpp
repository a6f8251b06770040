#include "decimaltext.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace {

using fixedpoint::formatDecimal;
using fixedpoint::parseDecimal;

// 14 significant digits of n / 16384 worked out in integers: the fraction's 14 decimal digits
// are (n mod 16384) * 5^14, rounded half away from zero by the fifteenth digit, then laid out.
std::string referenceText(bool negative, std::uint64_t pattern) {
    constexpr std::uint64_t FIVE_TO_FOURTEEN = 6103515625;
    const std::string wholeDigits = std::to_string(pattern >> 14);
    std::string fractionDigits = std::to_string((pattern & 0x3fff) * FIVE_TO_FOURTEEN);
    fractionDigits.insert(0, 14 - fractionDigits.size(), '0');
    const std::string all = wholeDigits + fractionDigits;
    const std::size_t first = all.find_first_not_of('0');
    if (first == std::string::npos) {
        return "0";
    }
    // The power of ten of the first significant digit.
    int exponent = static_cast<int>(wholeDigits.size()) - static_cast<int>(first) - 1;
    std::string digits = all.substr(first) + std::string(15, '0');
    const bool roundUp = digits[14] >= '5';
    digits.resize(14);
    std::uint64_t rounded = std::stoull(digits) + (roundUp ? 1 : 0);
    if (rounded == 100'000'000'000'000) {
        rounded /= 10;
        ++exponent;
    }
    digits = std::to_string(rounded);

    std::string text;
    if (exponent >= -1) {
        const int pointAfter = exponent + 1;
        std::string whole = pointAfter <= 0 ? "0" : digits.substr(0, pointAfter);
        std::string fraction = pointAfter <= 0 ? digits : digits.substr(pointAfter);
        while (!fraction.empty() && fraction.back() == '0') {
            fraction.pop_back();
        }
        text = fraction.empty() ? whole : whole + "." + fraction;
    } else {
        std::string rest = digits.substr(1);
        while (!rest.empty() && rest.back() == '0') {
            rest.pop_back();
        }
        char exponentText[16];
        std::snprintf(exponentText, sizeof exponentText, "e-%03d", -exponent);
        text = digits.substr(0, 1) + (rest.empty() ? "" : "." + rest) + exponentText;
    }
    return negative ? "-" + text : text;
}

double patternValue(bool negative, std::uint64_t pattern) {
    const double magnitude = std::ldexp(static_cast<double>(pattern), -14);
    return negative ? -magnitude : magnitude;
}

TEST(FormatDecimalTest, MatchesTheExactReferenceForEveryFourDigitValue) {
    for (std::uint64_t pattern = 0; pattern < 0x8000; ++pattern) {
        for (const bool negative : {false, true}) {
            ASSERT_EQ(formatDecimal(patternValue(negative, pattern)),
                      referenceText(negative, pattern))
                << (negative ? "-" : "") << pattern << " / 16384";
        }
    }
}

TEST(FormatDecimalTest, MatchesTheExactReferenceAcrossTheEightDigitRange) {
    for (std::uint64_t pattern = 0; pattern < (std::uint64_t{1} << 32); pattern += 32749) {
        for (const bool negative : {false, true}) {
            ASSERT_EQ(formatDecimal(patternValue(negative, pattern)),
                      referenceText(negative, pattern))
                << (negative ? "-" : "") << pattern << " / 16384";
        }
    }
}

struct Formatting {
    double value;
    std::string expected;
};

TEST(FormatDecimalTest, RoundsTiesAwayFromZeroAndCarries) {
    const std::vector<Formatting> cases = {
        {1.00006103515625, "1.0000610351563"},
        {-1.00006103515625, "-1.0000610351563"},
        {0x1p-21, "4.7683715820313e-007"},
        {-0x1p-21, "-4.7683715820313e-007"},
        {1 - 0x1p-50, "1"},
        {9.99999999999995, "10"},
        {99999999999999.5, "100000000000000"},
        {123456789012345678.0, "123456789012350000"},
    };
    for (const Formatting& c : cases) {
        EXPECT_EQ(formatDecimal(c.value), c.expected) << c.value;
    }
}

TEST(FormatDecimalTest, ChoosesFixedNotationFromATenthUpward) {
    const std::vector<Formatting> cases = {
        {0.0, "0"},
        {-0.0, "0"},
        {0.1, "0.1"},
        {0.25, "0.25"},
        {123.456, "123.456"},
        {1234.5678, "1234.5678"},
        {1e14, "100000000000000"},
        {0x1p70, "1180591620717400000000"},
        {0.0625, "6.25e-002"},
        {-0.0625, "-6.25e-002"},
        {0.001, "1e-003"},
        {1e-5, "1e-005"},
        {1e-100, "1e-100"},
        // Below a tenth, even when the fourteenth digit rounds up to one.
        {0.09999999999999999, "1e-001"},
    };
    for (const Formatting& c : cases) {
        EXPECT_EQ(formatDecimal(c.value), c.expected) << c.value;
    }
}

TEST(FormatDecimalTest, WritesTheExtremesOfADouble) {
    EXPECT_EQ(formatDecimal(std::numeric_limits<double>::denorm_min()), "4.9406564584125e-324");
    EXPECT_EQ(formatDecimal(3 * std::numeric_limits<double>::denorm_min()), "1.4821969375237e-323");
    EXPECT_EQ(formatDecimal(DBL_MAX), "17976931348623" + std::string(295, '0'));
    EXPECT_EQ(formatDecimal(-DBL_MAX), "-17976931348623" + std::string(295, '0'));
}

struct Parsing {
    std::string text;
    double expected;
};

TEST(ParseDecimalTest, ReadsTheLongestPlainNumberPrefix) {
    const std::vector<Parsing> cases = {
        {"0.5", 0.5},
        {"  -2.5e1xyz", -25.0},
        {"\t+.5", 0.5},
        {"7.", 7.0},
        {"1e", 1.0},
        {"1e+", 1.0},
        {"1E-2", 0.01},
        {"0.1", 0.1},
        {"123456789012345678901234567890", 1.2345678901234568e29},
        {"4.9e-324", std::numeric_limits<double>::denorm_min()},
        {"3,25", 3.0},
        {"", 0.0},
        {".", 0.0},
        {"e5", 0.0},
        {"- 5", 0.0},
        {"0x10", 0.0},
        {"inf", 0.0},
        {"nan", 0.0},
        {"1" + std::string(400, '0') + "e-100", 1e300},
        {"0.000001e313", 1e307},
        {"0." + std::string(400, '0') + "1e401", 1.0},
    };
    for (const Parsing& c : cases) {
        EXPECT_EQ(parseDecimal(c.text), c.expected) << c.text;
    }
}

TEST(ParseDecimalTest, GivesInfinityForAnOverflowAndZeroForAnUnderflow) {
    const double infinity = std::numeric_limits<double>::infinity();
    EXPECT_EQ(parseDecimal("1e400"), infinity);
    EXPECT_EQ(parseDecimal("-1e400"), -infinity);
    EXPECT_EQ(parseDecimal("10e308"), infinity);
    EXPECT_EQ(parseDecimal("0.001e312"), infinity);
    EXPECT_EQ(parseDecimal("1e99999999999999999999999"), infinity);
    EXPECT_EQ(parseDecimal("1e-400"), 0.0);
    EXPECT_EQ(parseDecimal("1" + std::string(400, '0') + "e-800"), 0.0);
    EXPECT_EQ(parseDecimal("0." + std::string(400, '0') + "1e5"), 0.0);
    EXPECT_EQ(parseDecimal("1e-99999999999999999999999"), 0.0);
    EXPECT_TRUE(std::signbit(parseDecimal("-1e-400")));
}

} // namespace
