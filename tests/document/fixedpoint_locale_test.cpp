#include "orlclass.h"

#include <clocale>
#include <cstdint>
#include <cstdio>
#include <gtest/gtest.h>
#include <locale>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// The editor runs with the user's locale; a French one writes and reads "0,5" in the C library.
#ifdef _WIN32
constexpr const char* COMMA_LOCALE = "French_France.1252";
#else
constexpr const char* COMMA_LOCALE = "fr_FR.UTF-8";
#endif

struct Results {
    std::vector<std::string> fourDigitDecimals;
    std::vector<std::string> eightDigitDecimals;
    std::vector<std::string> fourDigitHex;
    std::vector<std::string> eightDigitHex;

    bool operator==(const Results&) const = default;
};

const std::vector<std::string> DECIMAL_TEXTS = {
    "0.5", "1.5", "-0.5", "0.7071",   "1000.1", "-0.3", " 0.25x",  "1e-4",  "2.5E1",
    "0,5", "1,5", "-1",   "131071.5", "262143", ".75",  "-262143", "1e400", "inf"};

Results convertEverything(const BoxDocument& document) {
    Results results;
    char hex[9];
    for (std::uint32_t pattern = 0; pattern <= 0xffff; ++pattern) {
        std::snprintf(hex, sizeof hex, "%04x", static_cast<unsigned>(pattern));
        results.fourDigitDecimals.push_back(document.hexToDecimal(hex, HexFormat::FourDigits));
        std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(pattern * 65521u));
        results.eightDigitDecimals.push_back(document.hexToDecimal(hex, HexFormat::EightDigits));
    }
    for (const std::string& text : DECIMAL_TEXTS) {
        results.fourDigitHex.push_back(document.decimalToHex4(text));
        results.eightDigitHex.push_back(document.decimalToHex8(text));
    }
    for (const std::string& text : results.fourDigitDecimals) {
        results.fourDigitHex.push_back(document.decimalToHex4(text));
    }
    for (const std::string& text : results.eightDigitDecimals) {
        results.eightDigitHex.push_back(document.decimalToHex8(text));
    }
    return results;
}

class CommaLocaleTest : public ::testing::Test {
protected:
    void TearDown() override {
        std::locale::global(std::locale::classic());
        std::setlocale(LC_ALL, "C");
    }

    // Fails rather than skips: a machine without the locale would hide exactly this fault.
    static void switchToCommaLocale() {
#ifdef _WIN32
        // MinGW's C++ library names no locale but "C"; the C library takes Windows' names.
        if (std::setlocale(LC_ALL, COMMA_LOCALE) == nullptr) {
            FAIL() << COMMA_LOCALE << " is not installed";
        }
#else
        try {
            std::locale::global(std::locale(COMMA_LOCALE));
        } catch (const std::runtime_error&) {
            FAIL() << COMMA_LOCALE << " is not installed";
        }
#endif
        ASSERT_STREQ(std::localeconv()->decimal_point, ",");
        char written[8];
        std::snprintf(written, sizeof written, "%.1f", 0.5);
        ASSERT_STREQ(written, "0,5") << "the C library does not follow the comma locale";
    }

    BoxDocument document;
};

TEST_F(CommaLocaleTest, ConversionsGiveTheSameTextsAsInTheClassicLocale) {
    const Results classic = convertEverything(document);
    switchToCommaLocale();
    if (HasFatalFailure()) {
        return;
    }
    EXPECT_TRUE(convertEverything(document) == classic);
}

TEST_F(CommaLocaleTest, ThePointStaysTheDecimalSeparator) {
    switchToCommaLocale();
    if (HasFatalFailure()) {
        return;
    }
    EXPECT_EQ(document.decimalToHex4("0.5"), "2000");
    EXPECT_EQ(document.decimalToHex4("0,5"), "0000");
    EXPECT_EQ(document.decimalToHex8("1000.1"), "00fa0666");
    EXPECT_EQ(document.decimalToHex8("-0.3"), "ffffad00");
    EXPECT_EQ(document.hexToDecimal("2000", HexFormat::FourDigits), "0.5");
    EXPECT_EQ(document.hexToDecimal("0001", HexFormat::FourDigits), "6.103515625e-005");
    EXPECT_EQ(document.hexToDecimal("4001", HexFormat::FourDigits), "1.0000610351563");
    EXPECT_EQ(document.hexToDecimal("00fa0666", HexFormat::EightDigits), "1000.0999755859");
}

} // namespace
