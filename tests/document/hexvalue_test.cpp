#include "decimaltext.h"
#include "fixedpoint.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// Whether a text is written as its format writes it, by the definition of the format.
bool wellFormed(const std::string& text, HexFormat format) {
    return text.size() == (format == HexFormat::FourDigits ? 4u : 8u) &&
           text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
}

// Reads the texts at once, and holds each value and mark against the reading of one text alone.
void expectReadAsOneByOne(const std::vector<std::string>& texts,
                          const std::vector<HexFormat>& formats) {
    const std::vector<std::string_view> views(texts.begin(), texts.end());
    std::vector<double> values(texts.size(), -7.5);
    const std::uint32_t malformed = fixedpoint::readHexValues(views, formats, values);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const double alone = hexValue(texts[i], formats[i]);
        ASSERT_EQ(values[i], alone) << texts[i];
        ASSERT_EQ(std::signbit(values[i]), std::signbit(alone)) << texts[i];
        ASSERT_EQ((malformed >> i & 1u) != 0, !wellFormed(texts[i], formats[i])) << texts[i];
    }
    ASSERT_EQ(malformed >> texts.size(), 0u);
}

// Texts written as the file writes them are told and read in one pass: exactly the format's
// number of digits, each a hexadecimal digit in either case; any other text is read as ever.
TEST(HexValue, ManyTextsAtOnceReadAsEachAloneAndTheMalformedAreMarked) {
    const std::vector<std::string> texts = {"0000",
                                            "FfAa",
                                            "c000",
                                            "8000",
                                            "9",
                                            "04000",
                                            "000g",
                                            "g000",
                                            "00004000",
                                            "00004000",
                                            "DEADbeef",
                                            "7ffdc000",
                                            "7fffe000",
                                            "fffbc000",
                                            "4000",
                                            "",
                                            "0000400 ",
                                            std::string("0000\0"
                                                        "000",
                                                        8),
                                            "0000400\xc3",
                                            "-0004000",
                                            "0000:000",
                                            "0000@000",
                                            "0000`000",
                                            "0000/000",
                                            "0000G000",
                                            "0000g000",
                                            "09afAF09",
                                            "ffffffff"};
    std::vector<HexFormat> formats;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        formats.push_back(i < 8 || i == 14 ? HexFormat::FourDigits : HexFormat::EightDigits);
    }
    expectReadAsOneByOne(texts, formats);
    std::vector<double> values(2);
    const std::vector<std::string_view> pair = {"DEADbeef", "c000"};
    EXPECT_EQ(
        fixedpoint::readHexValues(
            pair, std::vector<HexFormat>{HexFormat::EightDigits, HexFormat::FourDigits}, values),
        0u);
    EXPECT_EQ(values, (std::vector<double>{3735928559.0 / 16384 - 262143, -1}));
}

TEST(HexValue, ManyTextsAtOnceAgreeWithOneByOneOnAnyText) {
    // Texts of 0 to 9 characters drawn mostly from digits, with the bytes next to them.
    const std::string alphabet = "0123456789abcdefABCDEF/:@G`g \x7f\x80\xff";
    std::uint32_t state = 2024;
    const auto next = [&] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    for (int batch = 0; batch < 20000; ++batch) {
        std::vector<std::string> texts(27);
        std::vector<HexFormat> formats;
        for (std::string& text : texts) {
            const bool eight = next() % 2 == 0;
            formats.push_back(eight ? HexFormat::EightDigits : HexFormat::FourDigits);
            // Mostly of the format's length, where the one-pass reading applies.
            const std::size_t size = next() % 3 != 0 ? (eight ? 8 : 4) : next() % 10;
            text.assign(size, '0');
            for (char& c : text) {
                c = alphabet[next() % (next() % 4 == 0 ? alphabet.size() : 22)];
            }
        }
        expectReadAsOneByOne(texts, formats);
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
