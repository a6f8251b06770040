#include "orlclass.h"

#include <cstdint>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct Conversion {
    std::string input;
    std::string expected;
};

std::string fourDigitText(std::uint32_t pattern) {
    char text[5];
    std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(pattern));
    return text;
}

std::string eightDigitText(std::uint32_t pattern) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(pattern));
    return text;
}

class FixedPointTest : public ::testing::Test {
protected:
    void expectHexToDecimal(const std::vector<Conversion>& cases, HexFormat format) const {
        for (const Conversion& c : cases) {
            EXPECT_EQ(document.hexToDecimal(c.input, format), c.expected) << "hex " << c.input;
        }
    }
    void expectDecimalToHex4(const std::vector<Conversion>& cases) const {
        for (const Conversion& c : cases) {
            EXPECT_EQ(document.decimalToHex4(c.input), c.expected) << "decimal " << c.input;
        }
    }
    void expectDecimalToHex8(const std::vector<Conversion>& cases) const {
        for (const Conversion& c : cases) {
            EXPECT_EQ(document.decimalToHex8(c.input), c.expected) << "decimal " << c.input;
        }
    }

    BoxDocument document;
};

TEST_F(FixedPointTest, FourDigitFieldsReadSignAndMagnitude) {
    expectHexToDecimal({{"4000", "1"},
                        {"c000", "-1"},
                        {"2000", "0.5"},
                        {"2d41", "0.70709228515625"},
                        {"0666", "9.99755859375e-002"},
                        {"0001", "6.103515625e-005"},
                        {"4001", "1.0000610351563"},
                        {"7fff", "1.9999389648438"},
                        {"ffff", "-1.9999389648438"},
                        {"e000", "-1.5"},
                        {"8000", "0"},
                        {"8001", "-6.103515625e-005"},
                        {"", "0"}},
                       HexFormat::FourDigits);
}

TEST_F(FixedPointTest, EightDigitFieldsReadAboveHalfTheOffsetAsNegative) {
    expectHexToDecimal({{"00050000", "20"},
                        {"0000c000", "3"},
                        {"ffff8000", "-1"},
                        {"ffffad00", "-0.296875"},
                        {"00fa0666", "1000.0999755859"},
                        {"7fffe000", "131071.5"},
                        {"80000000", "-131071"},
                        {"ffffc000", "0"},
                        {"ffffffff", "1"},
                        {"c0000001", "-65535"},
                        {"", "0"}},
                       HexFormat::EightDigits);
}

// Each addition of a bit's weight rounds to single precision; rounding n / 16384 once would
// give 1024.0000610352, 69816.9609375, 56780.23046875 and -62661.265625.
TEST_F(FixedPointTest, ValuesAreSummedBitByBitInSinglePrecision) {
    expectHexToDecimal({{"01000001", "1024"},
                        {"00ffffff", "1023.9999389648"},
                        {"442e3d43", "69816.953125"},
                        {"37730edf", "56780.234375"},
                        {"c2ce6f44", "-62661.25"}},
                       HexFormat::EightDigits);
}

TEST_F(FixedPointTest, HexadecimalDigitsReadInEitherCaseAndKeepTheirPlace) {
    expectHexToDecimal({{"2D41", "0.70709228515625"},
                        {"2d41", "0.70709228515625"},
                        {"C000", "-1"},
                        {"4", "2.44140625e-004"},
                        {"40", "3.90625e-003"},
                        {"400", "6.25e-002"},
                        {"4000", "1"}},
                       HexFormat::FourDigits);
}

TEST_F(FixedPointTest, FourDigitFieldsReadLongerTextsByTheEightDigitRule) {
    expectHexToDecimal({{"12345", "4.5510864257813"},
                        {"0000c000", "-1"},
                        {"ffffffffffff4000", "-2"},
                        {"0123456789abcdef", "-121167.78125"}},
                       HexFormat::FourDigits);
    expectHexToDecimal(
        {{"123456789", "36117.6171875"}, {"ffffffffffff4000", "-2"}, {"0000000000050000", "20"}},
        HexFormat::EightDigits);
}

TEST_F(FixedPointTest, NonHexadecimalCharactersCountAsZeroDigitsInTheirPlace) {
    expectHexToDecimal({{"0x4000", "1"},
                        {"4000 ", "16"},
                        {" 4000", "1"},
                        {"xyz", "0"},
                        {"g001", "6.103515625e-005"},
                        {"4,00", "1"},
                        {"-4000", "1"},
                        {std::string("4\0\0\0", 4), "1"},
                        {"4\u00e90", "1"},
                        {"\377001", "6.103515625e-005"},
                        {"4A0F", "1.1571655273438"}},
                       HexFormat::FourDigits);
}

TEST_F(FixedPointTest, DecimalToHex4WorkedValues) {
    expectDecimalToHex4({{"1", "4000"},
                         {"-1", "c000"},
                         {"0.5", "2000"},
                         {"1.5", "6000"},
                         {"0.7071", "2d41"},
                         {"0.1", "0666"},
                         {"0.99999", "3fff"},
                         {"1e-4", "0001"},
                         {"2", "0"},
                         {"", "0"},
                         {"0,5", "0000"}});
}

TEST_F(FixedPointTest, DecimalToHex4WritesNegativesAsSignAndMagnitude) {
    expectDecimalToHex4({{"-0.5", "a000"},
                         {"-1.5", "e000"},
                         {"-1", "c000"},
                         {"-1.0", "c000"},
                         {"-0.00001", "8000"},
                         {"-0.7071", "ad41"},
                         {"-1.99999", "ffff"},
                         {"-0", "0000"},
                         {"-0.0e5", "0000"},
                         {"-2", "0"},
                         {"-7", "0"}});
}

TEST_F(FixedPointTest, DecimalToHex4TruncatesAndRejectsMagnitudesFromTwo) {
    expectDecimalToHex4({{"0.99999999999", "3fff"},
                         {"1.99999", "7fff"},
                         {"1.9999999999999", "7fff"},
                         {"0.00006", "0000"},
                         {"0.0000610352", "0001"},
                         {"2.0", "0"},
                         {"1e300", "0"},
                         {"12345678901234567890", "0"}});
}

TEST_F(FixedPointTest, DecimalToHex8WorkedValues) {
    expectDecimalToHex8({{"1", "00004000"},
                         {"2", "00008000"},
                         {"4", "00010000"},
                         {"20", "00050000"},
                         {"100.25", "00191000"},
                         {"1000.1", "00fa0666"},
                         {"-1", "ffff8000"},
                         {"-0.5", "ffffa000"},
                         {"-0.3", "ffffad00"},
                         {"262143", "ffffc000"},
                         {"262144", "0"},
                         {"-262143", "00000000"},
                         {"", "0"}});
}

TEST_F(FixedPointTest, DecimalToHex8OffsetsNegativesAndLimitsTheRange) {
    expectDecimalToHex8({{"3", "0000c000"},
                         {"131071.5", "7fffe000"},
                         {"131072", "80000000"},
                         {"-0", "00000000"},
                         {"-262142.5", "00002000"},
                         {"-262144", "00000000"},
                         {"-1e30", "00000000"},
                         {"262143.99", "ffffff00"},
                         {"262143.999", "0"},
                         {"1e30", "0"},
                         {"4294967296", "0"}});
}

TEST_F(FixedPointTest, DecimalTextIsReadByItsLongestNumericPrefix) {
    expectDecimalToHex4({{"0.25abc", "1000"},
                         {"   0.25", "1000"},
                         {"\t\n\v\f\r 0.25", "1000"},
                         {"+0.25", "1000"},
                         {".25", "1000"},
                         {"1.", "4000"},
                         {"25e-2", "1000"},
                         {"2.5E-1", "1000"},
                         {"1e", "4000"},
                         {"1e-", "4000"},
                         {"1e+0", "4000"},
                         {"0.5.5", "2000"},
                         {"abc", "0000"},
                         {" ", "0000"},
                         {"-", "0000"},
                         {".", "0000"},
                         {"- 1", "0000"},
                         {"+-1", "0000"},
                         {"0,7071", "0000"}});
    expectDecimalToHex8({{"20 apples", "00050000"}, {"x20", "00000000"}, {"1,5", "00004000"}});
}

TEST_F(FixedPointTest, InfinityNotANumberAndHexadecimalNotationAreNotNumbers) {
    for (const std::string text : {"inf", "INF", "infinity", "nan", "NAN(1)", "0x10", "0x1p3"}) {
        EXPECT_EQ(document.decimalToHex4(text), "0000") << text;
        EXPECT_EQ(document.decimalToHex8(text), "00000000") << text;
    }
    expectDecimalToHex4({{"-inf", "0000"}, {"1x10", "4000"}});
}

TEST_F(FixedPointTest, ExponentsBeyondADoubleGiveInfinityOrZero) {
    expectDecimalToHex4({{"1e400", "0"}, {"-1e400", "0"}, {"1e-400", "0000"}, {"-1e-400", "0000"}});
    expectDecimalToHex8({{"1e400", "0"},
                         {"-1e400", "00000000"},
                         {"1e99999999999999999999", "0"},
                         {"-1e99999999999999999999", "00000000"},
                         {"1e-99999999999999999999", "00000000"},
                         {"-1e-400", "00000000"}});
}

TEST_F(FixedPointTest, LongTextsAreConvertedWhole) {
    const std::string manyDigits = "0." + std::string(100000, '0') + "1e100001";
    EXPECT_EQ(document.decimalToHex8(manyDigits), "00004000");
    const std::string hugeNumber(100000, '9');
    EXPECT_EQ(document.decimalToHex4(hugeNumber), "0");
    EXPECT_EQ(document.decimalToHex8("-" + hugeNumber), "00000000");
    const std::string longHex = std::string(100000, 'f') + "00050000";
    EXPECT_EQ(document.hexToDecimal(longHex, HexFormat::EightDigits), "20");
}

// The partner field shows the conversion of each text the user passes through while typing.
TEST_F(FixedPointTest, TypingShowsTheConversionOfEachPrefix) {
    expectHexToDecimal({{"2", "1.220703125e-004"},
                        {"2d", "2.74658203125e-003"},
                        {"2d4", "4.4189453125e-002"},
                        {"2d41", "0.70709228515625"}},
                       HexFormat::FourDigits);
    expectHexToDecimal({{"f", "9.1552734375e-004"},
                        {"ff", "1.556396484375e-002"},
                        {"fff", "0.24993896484375"},
                        {"ffff", "3.9999389648438"},
                        {"ffff8", "63.99951171875"},
                        {"ffff80", "1023.9921875"},
                        {"ffff800", "16383.875"},
                        {"ffff8000", "-1"}},
                       HexFormat::EightDigits);
    expectDecimalToHex4({{"0", "0000"}, {"0.", "0000"}, {"0.5", "2000"}});
    expectDecimalToHex4({{"-", "0000"}, {"-1", "c000"}});
    expectDecimalToHex8({{"-", "00000000"}, {"-1", "ffff8000"}});
    expectDecimalToHex8({{"3", "0000c000"}});
}

TEST_F(FixedPointTest, EveryFourDigitTextSurvivesARoundTrip) {
    for (std::uint32_t pattern = 0; pattern <= 0xffff; ++pattern) {
        const std::string hex = fourDigitText(pattern);
        const std::string decimal = document.hexToDecimal(hex, HexFormat::FourDigits);
        const std::string expected = pattern == 0x8000 ? "0000" : hex;
        ASSERT_EQ(document.decimalToHex4(decimal), expected) << hex << " read as " << decimal;
    }
}

// Below 2^24 the pattern is exactly n / 16384, which 14 digits identify among floats.
TEST_F(FixedPointTest, EightDigitTextsBelowOneThousandAndTwentyFourSurviveARoundTrip) {
    for (std::uint32_t pattern = 0; pattern < (1u << 24); pattern += 61) {
        const std::string hex = eightDigitText(pattern);
        const std::string decimal = document.hexToDecimal(hex, HexFormat::EightDigits);
        ASSERT_EQ(document.decimalToHex8(decimal), hex) << hex << " read as " << decimal;
    }
}

TEST_F(FixedPointTest, DecimalValuesSurviveARoundTripUpToTheStoredPrecision) {
    EXPECT_EQ(document.hexToDecimal(document.decimalToHex4("1.5"), HexFormat::FourDigits), "1.5");
    EXPECT_EQ(document.hexToDecimal(document.decimalToHex4("0.7071"), HexFormat::FourDigits),
              "0.70709228515625");
    EXPECT_EQ(document.hexToDecimal(document.decimalToHex8("3"), HexFormat::EightDigits), "3");
    EXPECT_EQ(document.hexToDecimal(document.decimalToHex8("3"), HexFormat::FourDigits), "-1");
    EXPECT_EQ(document.hexToDecimal(document.decimalToHex8("-0.3"), HexFormat::EightDigits),
              "-0.296875");
    EXPECT_EQ(document.hexToDecimal(document.decimalToHex8("131071.5"), HexFormat::EightDigits),
              "131071.5");
    EXPECT_EQ(document.hexToDecimal(document.decimalToHex8("131072"), HexFormat::EightDigits),
              "-131071");
    EXPECT_EQ(document.hexToDecimal(document.decimalToHex8("-100.25"), HexFormat::EightDigits),
              "-100.25");
}

} // namespace
