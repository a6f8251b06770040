#include "decimaltext.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>

namespace fixedpoint {
namespace {

constexpr std::size_t SIGNIFICANT_DIGITS = 14;
constexpr int EXPONENT_WIDTH = 3;

bool isClassicSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// A non-negative integer held as base 10^9 limbs, least significant first: just enough
// arithmetic to expand a double exactly. Its capacity fits the largest expansion, a 53-bit
// mantissa times 5^1074 (about 10^767), and 2^1024 (about 10^309) on the other side.
class ExactInteger {
public:
    explicit ExactInteger(std::uint64_t value) {
        do {
            limbs_[size_++] = static_cast<std::uint32_t>(value % LIMB_BASE);
            value /= LIMB_BASE;
        } while (value != 0);
    }

    void multiplyByPowerOf(std::uint32_t base, int exponent) {
        // Chunks of at most 2^31 keep each limb product and its carry below 2^63.
        const std::uint32_t chunkLimit = std::uint32_t{1} << 31;
        while (exponent > 0) {
            std::uint32_t factor = 1;
            while (exponent > 0 && factor <= chunkLimit / base) {
                factor *= base;
                --exponent;
            }
            multiply(factor);
        }
    }

    std::string digits() const {
        std::string text = std::to_string(limbs_[size_ - 1]);
        for (std::size_t i = size_ - 1; i-- > 0;) {
            const std::string limb = std::to_string(limbs_[i]);
            text.append(LIMB_DIGITS - limb.size(), '0');
            text += limb;
        }
        return text;
    }

private:
    static constexpr std::uint64_t LIMB_BASE = 1'000'000'000;
    static constexpr std::size_t LIMB_DIGITS = 9;
    static constexpr std::size_t LIMB_CAPACITY = 90;

    void multiply(std::uint32_t factor) {
        std::uint64_t carry = 0;
        for (std::size_t i = 0; i < size_; ++i) {
            const std::uint64_t product = std::uint64_t{limbs_[i]} * factor + carry;
            limbs_[i] = static_cast<std::uint32_t>(product % LIMB_BASE);
            carry = product / LIMB_BASE;
        }
        while (carry != 0) {
            limbs_[size_++] = static_cast<std::uint32_t>(carry % LIMB_BASE);
            carry /= LIMB_BASE;
        }
    }

    std::array<std::uint32_t, LIMB_CAPACITY> limbs_{};
    std::size_t size_ = 0;
};

// The exact decimal expansion of a finite non-zero magnitude: its digits without leading
// zeros, and the power of ten of the first one.
struct DecimalExpansion {
    std::string digits;
    long long leadingExponent;
};

DecimalExpansion expandExactly(double magnitude) {
    constexpr int MANTISSA_BITS = std::numeric_limits<double>::digits;
    int binaryExponent = 0;
    const double fraction = std::frexp(magnitude, &binaryExponent);
    auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, MANTISSA_BITS));
    binaryExponent -= MANTISSA_BITS;
    // Fewer factors to multiply by once the mantissa is odd.
    while ((mantissa & 1) == 0) {
        mantissa >>= 1;
        ++binaryExponent;
    }
    ExactInteger scaled(mantissa);
    long long fractionDigits = 0;
    if (binaryExponent >= 0) {
        scaled.multiplyByPowerOf(2, binaryExponent);
    } else {
        // m / 2^k = m * 5^k / 10^k
        scaled.multiplyByPowerOf(5, -binaryExponent);
        fractionDigits = -binaryExponent;
    }
    std::string digits = scaled.digits();
    const auto leadingExponent = static_cast<long long>(digits.size()) - 1 - fractionDigits;
    return {std::move(digits), leadingExponent};
}

// Rounds to the first SIGNIFICANT_DIGITS digits, padded with zeros; a tie goes away from zero,
// so the first dropped digit alone decides. A carry out of the first digit raises the exponent.
void roundToSignificantDigits(DecimalExpansion& expansion) {
    std::string& digits = expansion.digits;
    const bool roundUp = digits.size() > SIGNIFICANT_DIGITS && digits[SIGNIFICANT_DIGITS] >= '5';
    digits.resize(SIGNIFICANT_DIGITS, '0');
    if (!roundUp) {
        return;
    }
    for (std::size_t i = SIGNIFICANT_DIGITS; i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return;
        }
        digits[i] = '0';
    }
    digits.front() = '1';
    ++expansion.leadingExponent;
}

void dropTrailingZeros(std::string& digits) {
    const std::size_t last = digits.find_last_not_of('0');
    digits.erase(last == std::string::npos ? 0 : last + 1);
}

std::string fixedNotation(const DecimalExpansion& rounded) {
    std::string integerPart;
    std::string fractionPart;
    if (rounded.leadingExponent < 0) {
        // Only 0.1 <= |v| < 1 gets here: every significant digit follows the point.
        integerPart = "0";
        fractionPart = rounded.digits;
    } else if (rounded.leadingExponent < static_cast<long long>(SIGNIFICANT_DIGITS)) {
        const auto integerDigits = static_cast<std::size_t>(rounded.leadingExponent) + 1;
        integerPart = rounded.digits.substr(0, integerDigits);
        fractionPart = rounded.digits.substr(integerDigits);
    } else {
        integerPart = rounded.digits;
        integerPart.append(
            static_cast<std::size_t>(rounded.leadingExponent) + 1 - SIGNIFICANT_DIGITS, '0');
    }
    dropTrailingZeros(fractionPart);
    return fractionPart.empty() ? integerPart : integerPart + '.' + fractionPart;
}

std::string exponentialNotation(const DecimalExpansion& rounded) {
    std::string text(1, rounded.digits.front());
    std::string rest = rounded.digits.substr(1);
    dropTrailingZeros(rest);
    if (!rest.empty()) {
        text += '.';
        text += rest;
    }
    // Only magnitudes below 0.1 get here, so the exponent is negative.
    text += "e-";
    const std::string exponentDigits = std::to_string(-rounded.leadingExponent);
    if (exponentDigits.size() < EXPONENT_WIDTH) {
        text.append(EXPONENT_WIDTH - exponentDigits.size(), '0');
    }
    return text + exponentDigits;
}

// from_chars leaves the value unset when it is out of range; atof gives an infinity for an
// overflow and 0 for an underflow. The power of ten of the leading digit tells which happened.
bool overflowsUpward(std::string_view mantissa, long long exponent) {
    const std::size_t point = mantissa.find('.');
    const std::string_view integerDigits = mantissa.substr(0, point);
    const std::size_t firstInteger = integerDigits.find_first_not_of('0');
    if (firstInteger != std::string_view::npos) {
        return static_cast<long long>(integerDigits.size() - firstInteger) - 1 + exponent >= 0;
    }
    // Out of range means some digit is significant, so it follows the point.
    const std::string_view fractionDigits = mantissa.substr(point + 1);
    const auto leadingZeros = static_cast<long long>(fractionDigits.find_first_not_of('0'));
    return -1 - leadingZeros + exponent >= 0;
}

} // namespace

double parseDecimal(std::string_view text) {
    std::size_t position = 0;
    while (position < text.size() && isClassicSpace(text[position])) {
        ++position;
    }
    bool negative = false;
    if (position < text.size() && (text[position] == '+' || text[position] == '-')) {
        negative = text[position] == '-';
        ++position;
    }
    const std::size_t mantissaStart = position;
    std::size_t digitCount = 0;
    while (position < text.size() && isDigit(text[position])) {
        ++position;
        ++digitCount;
    }
    if (position < text.size() && text[position] == '.') {
        ++position;
        while (position < text.size() && isDigit(text[position])) {
            ++position;
            ++digitCount;
        }
    }
    if (digitCount == 0) {
        return 0.0;
    }
    const std::size_t mantissaEnd = position;
    std::size_t numberEnd = position;
    // Far beyond any double's range, so clamping changes no result and cannot overflow.
    constexpr long long EXPONENT_CLAMP = 1'000'000;
    long long exponent = 0;
    if (position < text.size() && (text[position] == 'e' || text[position] == 'E')) {
        std::size_t exponentPosition = position + 1;
        bool negativeExponent = false;
        if (exponentPosition < text.size() &&
            (text[exponentPosition] == '+' || text[exponentPosition] == '-')) {
            negativeExponent = text[exponentPosition] == '-';
            ++exponentPosition;
        }
        if (exponentPosition < text.size() && isDigit(text[exponentPosition])) {
            while (exponentPosition < text.size() && isDigit(text[exponentPosition])) {
                exponent = std::min(exponent * 10 + (text[exponentPosition] - '0'), EXPONENT_CLAMP);
                ++exponentPosition;
            }
            numberEnd = exponentPosition;
        }
        if (negativeExponent) {
            exponent = -exponent;
        }
    }

    double magnitude = 0.0;
    const char* first = text.data() + mantissaStart;
    const std::from_chars_result result =
        std::from_chars(first, text.data() + numberEnd, magnitude, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        const std::string_view mantissa = text.substr(mantissaStart, mantissaEnd - mantissaStart);
        magnitude =
            overflowsUpward(mantissa, exponent) ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -magnitude : magnitude;
}

std::string formatDecimal(double value) {
    if (value == 0.0) {
        return "0";
    }
    const double magnitude = std::fabs(value);
    DecimalExpansion expansion = expandExactly(magnitude);
    roundToSignificantDigits(expansion);
    const std::string sign = value < 0.0 ? "-" : "";
    // The exact double nearest 0.1 lies above it, so this compares with 0.1 itself.
    return sign + (magnitude >= 0.1 ? fixedNotation(expansion) : exponentialNotation(expansion));
}

} // namespace fixedpoint
