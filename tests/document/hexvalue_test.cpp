#include "decimaltext.h"
#include "fixedpoint.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace {

using fixedpoint::hexValue;

std::string eightDigits(std::uint32_t pattern) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(pattern));
    return text;
}

TEST(HexValue, ReadsTheExactValueOfThePattern) {
    struct Case {
        const char* text;
        HexFormat format;
        double value;
    };
    const Case cases[] = {
        {"4000", HexFormat::FourDigits, 1},
        {"c000", HexFormat::FourDigits, -1},
        {"2d41", HexFormat::FourDigits, 11585.0 / 16384},
        {"ffff", HexFormat::FourDigits, -32767.0 / 16384},
        {"0001", HexFormat::FourDigits, 1.0 / 16384},
        {"00004000", HexFormat::EightDigits, 1},
        {"00008000", HexFormat::EightDigits, 2},
        {"7ffdc000", HexFormat::EightDigits, 131063},
        // Negative 8-digit values are stored offset by 262143.
        {"fffbc000", HexFormat::EightDigits, 262127 - 262143.0},
        {"ffffffff", HexFormat::EightDigits, 4294967295.0 / 16384 - 262143},
        // The sign bit only means a sign in a 4-digit field.
        {"c000", HexFormat::EightDigits, 3},
        {"0000c000", HexFormat::FourDigits, -1},
        // A longer text keeps its last 8 places; other characters are zero digits in place.
        {"123400004000", HexFormat::EightDigits, 1},
        {"zz40", HexFormat::FourDigits, 64.0 / 16384},
        {"4G00", HexFormat::FourDigits, 1},
        {"", HexFormat::EightDigits, 0},
        {"0001ffff", HexFormat::FourDigits, 131071.0 / 16384},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(hexValue(c.text, c.format), c.value) << c.text;
    }
}

TEST(HexValue, ASignBitOverNothingIsPlainZero) {
    EXPECT_FALSE(std::signbit(hexValue("8000", HexFormat::FourDigits)));
}

// The geometry and the decimal fields must never disagree on a sign or stray apart by more than
// the single-precision rounding the fields show.
TEST(HexValue, AgreesWithTheDecimalTextOfEveryPattern) {
    const auto expectAgreement = [](const std::string& text, HexFormat format) {
        const double exact = hexValue(text, format);
        const double shown = fixedpoint::parseDecimal(fixedpoint::hexToDecimal(text, format));
        EXPECT_EQ(exact < 0, shown < 0) << text;
        EXPECT_NEAR(exact, shown, 0.02 + std::fabs(exact) * 1e-6) << text;
    };
    for (std::uint32_t pattern = 0; pattern <= 0xffff; ++pattern) {
        char text[5];
        std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(pattern));
        expectAgreement(text, HexFormat::FourDigits);
    }
    // Around 131071.5, where the 8-digit rule turns a value negative.
    const std::uint32_t threshold = 0x7fffe000;
    for (std::uint32_t pattern = threshold - 40000; pattern <= threshold + 40000; ++pattern) {
        expectAgreement(eightDigits(pattern), HexFormat::EightDigits);
    }
    std::uint32_t pattern = 12345;
    for (int i = 0; i < 100000; ++i) {
        pattern = pattern * 1664525u + 1013904223u;
        expectAgreement(eightDigits(pattern), HexFormat::EightDigits);
    }
}

} // namespace

namespace {

// Computed values must land on their exact step, far beyond where single precision rounds.
TEST(StepTexts, ReadBackAsExactlyTheirSteps) {
    using fixedpoint::eightDigitsOfSteps;
    using fixedpoint::fourDigitsOfSteps;
    constexpr std::int64_t unit = 16384;
    for (const std::int64_t steps : {std::int64_t{0}, std::int64_t{1}, std::int64_t{-1}, unit,
                                     -unit, 2 * unit - 1, -(2 * unit - 1), std::int64_t{11585}}) {
        const std::optional<std::string> text = fourDigitsOfSteps(steps);
        ASSERT_TRUE(text) << steps;
        EXPECT_EQ(text->size(), 4u);
        EXPECT_EQ(hexValue(*text, HexFormat::FourDigits), static_cast<double>(steps) / unit);
    }
    EXPECT_EQ(fourDigitsOfSteps(-unit), "c000");
    EXPECT_FALSE(fourDigitsOfSteps(2 * unit));
    EXPECT_FALSE(fourDigitsOfSteps(-2 * unit));

    for (const std::int64_t steps :
         {std::int64_t{0}, std::int64_t{1}, std::int64_t{-1}, unit, -unit, 10000 * unit + 1,
          -10000 * unit - 1, 131071 * unit - 1, -131071 * unit, 5000 * unit + 8191}) {
        const std::optional<std::string> text = eightDigitsOfSteps(steps);
        ASSERT_TRUE(text) << steps;
        EXPECT_EQ(text->size(), 8u);
        EXPECT_EQ(hexValue(*text, HexFormat::EightDigits), static_cast<double>(steps) / unit)
            << *text;
    }
    EXPECT_EQ(eightDigitsOfSteps(-unit), "ffff8000");
    EXPECT_EQ(eightDigitsOfSteps(unit), "00004000");
    EXPECT_FALSE(eightDigitsOfSteps(131071 * unit));
    EXPECT_FALSE(eightDigitsOfSteps(-131071 * unit - 1));
}

} // namespace
