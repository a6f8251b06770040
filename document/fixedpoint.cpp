#include "fixedpoint.h"

#include "decimaltext.h"

#include <array>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

// Every float step must round to single precision as it goes; a target that evaluates float
// expressions in a wider format would shift the values the files have always shown.
static_assert(FLT_EVAL_METHOD == 0, "float arithmetic must not carry excess precision");

namespace fixedpoint {
namespace {

constexpr int FRACTION_BITS = 14;
constexpr int PATTERN_BITS = 32;
constexpr std::uint32_t FOUR_DIGIT_SIGN = 0x8000;
constexpr std::uint32_t FOUR_DIGIT_MAGNITUDE = 0x7fff;
constexpr std::uint32_t FOUR_DIGIT_LIMIT = 0xffff;
constexpr std::uint32_t FOUR_DIGIT_MINUS_ONE = 0xc000;
// The 8-digit format stores a negative value x as x + 262143 and reads back any value above
// half of that offset as negative.
constexpr float NEGATIVE_OFFSET = 262143.0f;
constexpr float NEGATIVE_THRESHOLD = 131071.5f;
// Patterns from 131072 up are surely above the threshold, those up to 131071 surely not.
constexpr std::uint32_t OFFSET_CERTAIN = std::uint32_t{131072} << FRACTION_BITS;
constexpr std::uint32_t OFFSET_IMPOSSIBLE = std::uint32_t{131071} << FRACTION_BITS;
constexpr float EIGHT_DIGIT_INTEGER_LIMIT = 262144.0f;
constexpr std::size_t EIGHT_DIGITS = 8;
constexpr std::size_t FOUR_DIGITS = 4;

// 2^(i - 14) for each bit i of a pattern: powers of two, exact in single precision.
constexpr std::array<float, PATTERN_BITS> BIT_WEIGHTS = [] {
    std::array<float, PATTERN_BITS> weights{};
    float weight = 1.0f;
    for (int i = 0; i < FRACTION_BITS; ++i) {
        weight /= 2.0f;
    }
    for (float& entry : weights) {
        entry = weight;
        weight *= 2.0f;
    }
    return weights;
}();

// The value of each character as a digit; a table, as every text of a file is read through it.
constexpr std::array<std::uint8_t, 256> HEX_DIGIT_VALUES = [] {
    // The form lets anything be typed; such a character stands for a zero digit in its place.
    std::array<std::uint8_t, 256> values{};
    for (int c = '0'; c <= '9'; ++c) {
        values[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - '0');
    }
    for (int c = 'a'; c <= 'f'; ++c) {
        values[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - 'a' + 10);
        values[static_cast<std::size_t>(c - 'a' + 'A')] = static_cast<std::uint8_t>(c - 'a' + 10);
    }
    return values;
}();

std::uint32_t hexDigitValue(char c) {
    return HEX_DIGIT_VALUES[static_cast<unsigned char>(c)];
}

std::uint32_t readPattern(std::string_view hexText) {
    // Places from the ninth digit up are worth multiples of 2^32, which the pattern drops.
    const std::size_t firstKept = hexText.size() > EIGHT_DIGITS ? hexText.size() - EIGHT_DIGITS : 0;
    std::uint32_t pattern = 0;
    for (const char c : hexText.substr(firstKept)) {
        pattern = pattern << 4 | hexDigitValue(c);
    }
    return pattern;
}

// The value is summed bit by bit from bit 0 upward, rounding each sum to single precision: the
// file's values have always been read this way, and above 2^24 the roundings show.
float sumOfBits(std::uint32_t pattern) {
    float value = 0.0f;
    for (int i = 0; i < PATTERN_BITS; ++i) {
        if ((pattern >> i & 1) != 0) {
            value = value + BIT_WEIGHTS[static_cast<std::size_t>(i)];
        }
    }
    return value;
}

// Rounds to single precision. Beyond the largest float, where IEEE rounding gives an infinity,
// a plain conversion is not defined by the language, so that case is taken apart.
float toSingle(double value) {
    // The largest float plus half of its last step: from there on, rounding reaches infinity.
    constexpr double INFINITY_THRESHOLD = 0x1p128 - 0x1p103;
    if (std::fabs(value) >= INFINITY_THRESHOLD) {
        const float infinity = std::numeric_limits<float>::infinity();
        return value > 0.0 ? infinity : -infinity;
    }
    return static_cast<float>(value);
}

// The 14 bits after the binary point of a fraction 0 <= f <= 1, truncated: each bit is kept
// when subtracting its weight, in single precision, leaves no negative rest.
std::uint32_t fractionBits(float fraction) {
    std::uint32_t bits = 0;
    float weight = 0.5f;
    for (int k = 1; k <= FRACTION_BITS; ++k) {
        const float rest = fraction - weight;
        bits <<= 1;
        if (rest >= 0.0f) {
            bits |= 1;
            fraction = rest;
        }
        weight /= 2.0f;
    }
    return bits;
}

// What wellFormedPattern gives for a text not written as its format writes it: no pattern, which
// fits in 32 bits, has this bit.
constexpr std::uint64_t NOT_WELL_FORMED = std::uint64_t{1} << 32;

// Count bytes of text as one number, the first in the lowest byte, whatever the machine's order.
template <std::size_t Count> std::uint64_t littleEndianWord(const char* bytes) {
    static_assert(Count <= sizeof(std::uint64_t));
    if constexpr (std::endian::native == std::endian::little) {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes, Count);
        return word;
    } else {
        std::uint64_t word = 0;
        for (std::size_t i = 0; i < Count; ++i) {
            word |= std::uint64_t{static_cast<unsigned char>(bytes[i])} << (8 * i);
        }
        return word;
    }
}

constexpr std::uint64_t EACH_BYTE = 0x0101010101010101u;
constexpr std::uint64_t HIGH_BITS = 0x80 * EACH_BYTE;

// The high bit of each byte of a word of ASCII bytes (none above 0x7f) set when the byte lies
// between low and high: no byte carries into the next.
std::uint64_t bytesBetween(std::uint64_t word, std::uint64_t low, std::uint64_t high) {
    return (word + (0x80 - low) * EACH_BYTE) & ~(word + (0x7f - high) * EACH_BYTE) & HIGH_BITS;
}

// The pattern of eight characters when every one is a hexadecimal digit, the first the highest,
// or NOT_WELL_FORMED: the eight are told and read together, without a branch.
inline std::uint64_t patternOfEightDigits(std::uint64_t word) {
    const std::uint64_t ascii = word & ~HIGH_BITS;
    const std::uint64_t digits = bytesBetween(ascii, '0', '9');
    const std::uint64_t letters = bytesBetween(ascii | 0x20 * EACH_BYTE, 'a', 'f');
    // A letter's low bits are its value less 9: 'a' is 0x61, worth 10.
    const std::uint64_t values = (word & 0x0f * EACH_BYTE) + (letters >> 7) * 9;
    // Two digits to a byte, then four bytes to the pattern.
    const std::uint64_t pairs =
        ((values & 0x000f000f000f000fu) << 4 | (values & 0x0f000f000f000f00u) >> 8) &
        0x00ff00ff00ff00ffu;
    const std::uint64_t pattern =
        (pairs & 0xff) << 24 | (pairs >> 16 & 0xff) << 16 | (pairs >> 32 & 0xff) << 8 | pairs >> 48;
    const bool wellFormed = (word & HIGH_BITS) == 0 && (digits | letters) == HIGH_BITS;
    return wellFormed ? pattern : NOT_WELL_FORMED;
}

// The pattern of a text written as the format writes it, exactly 8 hexadecimal digits or 4, or
// NOT_WELL_FORMED for any other text.
inline std::uint64_t wellFormedPattern(std::string_view hexText, HexFormat format) {
    if (format == HexFormat::EightDigits) {
        return hexText.size() == EIGHT_DIGITS
                   ? patternOfEightDigits(littleEndianWord<EIGHT_DIGITS>(hexText.data()))
                   : NOT_WELL_FORMED;
    }
    if (hexText.size() != FOUR_DIGITS) {
        return NOT_WELL_FORMED;
    }
    // Four digits read as eight ending in 0000.
    constexpr std::uint64_t FOUR_ZEROS = std::uint64_t{0x30303030} << 32;
    const std::uint64_t pattern =
        patternOfEightDigits(littleEndianWord<FOUR_DIGITS>(hexText.data()) | FOUR_ZEROS);
    return pattern == NOT_WELL_FORMED ? pattern : pattern >> 16;
}

inline HexReading readingOfPattern(std::uint32_t pattern, HexFormat format) {
    if (format == HexFormat::FourDigits && pattern >= FOUR_DIGIT_SIGN &&
        pattern <= FOUR_DIGIT_LIMIT) {
        return {pattern & FOUR_DIGIT_MAGNITUDE, HexReading::Sign::Negative};
    }
    // The single-precision sum strays from the exact value by less than 0.25, so only patterns
    // within 0.5 of the threshold need it to be decided.
    bool offset = false;
    if (pattern >= OFFSET_CERTAIN) {
        offset = true;
    } else if (pattern > OFFSET_IMPOSSIBLE) {
        offset = sumOfBits(pattern) > NEGATIVE_THRESHOLD;
    }
    return {pattern, offset ? HexReading::Sign::Offset : HexReading::Sign::Positive};
}

inline double valueOf(const HexReading& reading) {
    // A power of two: the product is exact.
    constexpr double STEP = 1.0 / (1 << FRACTION_BITS);
    const double magnitude = static_cast<double>(reading.pattern) * STEP;
    switch (reading.sign) {
    case HexReading::Sign::Negative:
        // 8000 is zero, not minus zero.
        return reading.pattern == 0 ? 0.0 : -magnitude;
    case HexReading::Sign::Offset:
        return magnitude - static_cast<double>(NEGATIVE_OFFSET);
    case HexReading::Sign::Positive:
        break;
    }
    return magnitude;
}

std::string writeHex(std::uint32_t pattern, std::size_t digitCount) {
    static constexpr char DIGITS[] = "0123456789abcdef";
    std::string text(digitCount, '0');
    for (std::size_t i = digitCount; i-- > 0;) {
        text[i] = DIGITS[pattern & 0xf];
        pattern >>= 4;
    }
    return text;
}

} // namespace

HexReading readHex(std::string_view hexText, HexFormat format) {
    return readingOfPattern(readPattern(hexText), format);
}

double hexValue(std::string_view hexText, HexFormat format) {
    return valueOf(readHex(hexText, format));
}

std::uint32_t readHexValues(std::span<const std::string_view> hexTexts,
                            std::span<const HexFormat> formats, std::span<double> values) {
    std::uint32_t malformed = 0;
    for (std::size_t i = 0; i < hexTexts.size(); ++i) {
        const std::uint64_t pattern = wellFormedPattern(hexTexts[i], formats[i]);
        if (pattern != NOT_WELL_FORMED) {
            values[i] = valueOf(readingOfPattern(static_cast<std::uint32_t>(pattern), formats[i]));
        } else {
            malformed |= std::uint32_t{1} << i;
            values[i] = hexValue(hexTexts[i], formats[i]);
        }
    }
    return malformed;
}

std::string hexToDecimal(std::string_view hexText, HexFormat format) {
    const HexReading reading = readHex(hexText, format);
    float value = sumOfBits(reading.pattern);
    if (reading.sign == HexReading::Sign::Negative) {
        // 8000 is a zero magnitude with the sign bit, which is written as plain 0.
        value = value == 0.0f ? 0.0f : -value;
    } else if (reading.sign == HexReading::Sign::Offset) {
        value = value - NEGATIVE_OFFSET;
    }
    return formatDecimal(value);
}

std::string decimalToHex4(std::string_view decimalText) {
    if (decimalText.empty()) {
        return "0";
    }
    const double value = parseDecimal(decimalText);
    if (value == -1.0) {
        return writeHex(FOUR_DIGIT_MINUS_ONE, FOUR_DIGITS);
    }
    // Also takes the infinities of exponents too large for a double.
    if (!(std::fabs(value) < 2.0)) {
        return "0";
    }
    // A negative value is written as the sign bit over the bits of its magnitude, the way
    // hexToDecimal reads it; -0 compares equal to 0 and is written as 0000.
    const bool negative = value < 0.0;
    const double magnitude = std::fabs(value);
    float fraction = static_cast<float>(magnitude);
    std::uint32_t integerBit = 0;
    if (magnitude >= 1.0) {
        integerBit = 1;
        fraction = fraction - 1.0f;
    }
    std::uint32_t pattern = integerBit << FRACTION_BITS | fractionBits(fraction);
    if (negative) {
        pattern |= FOUR_DIGIT_SIGN;
    }
    return writeHex(pattern, FOUR_DIGITS);
}

std::string decimalToHex8(std::string_view decimalText) {
    if (decimalText.empty()) {
        return "0";
    }
    float value = toSingle(parseDecimal(decimalText));
    if (value < 0.0f) {
        value = value + NEGATIVE_OFFSET;
        if (value <= 0.0f) {
            return writeHex(0, EIGHT_DIGITS);
        }
    }
    // Checked before the integer conversion, which is undefined for an infinity or 2^32 up.
    if (!(value < EIGHT_DIGIT_INTEGER_LIMIT)) {
        return "0";
    }
    const auto integerPart = static_cast<std::uint32_t>(value);
    const float fraction = value - static_cast<float>(integerPart);
    return writeHex(integerPart << FRACTION_BITS | fractionBits(fraction), EIGHT_DIGITS);
}

std::optional<std::string> fourDigitsOfSteps(std::int64_t steps) {
    const std::int64_t magnitude = steps < 0 ? -steps : steps;
    if (magnitude > FOUR_DIGIT_MAGNITUDE) {
        return std::nullopt;
    }
    const auto pattern = static_cast<std::uint32_t>(magnitude) | (steps < 0 ? FOUR_DIGIT_SIGN : 0);
    return writeHex(pattern, FOUR_DIGITS);
}

std::optional<std::string> eightDigitsOfSteps(std::int64_t steps) {
    // Patterns between these two limits read as positive or negative depending on rounding.
    constexpr std::int64_t lowest = -static_cast<std::int64_t>(131071) << FRACTION_BITS;
    if (steps < lowest || steps >= static_cast<std::int64_t>(OFFSET_IMPOSSIBLE)) {
        return std::nullopt;
    }
    const std::int64_t offset = static_cast<std::int64_t>(NEGATIVE_OFFSET) << FRACTION_BITS;
    const std::int64_t pattern = steps < 0 ? steps + offset : steps;
    return writeHex(static_cast<std::uint32_t>(pattern), EIGHT_DIGITS);
}

} // namespace fixedpoint

std::string BoxDocument::hexToDecimal(std::string hexText, HexFormat format) const {
    return fixedpoint::hexToDecimal(hexText, format);
}

std::string BoxDocument::decimalToHex4(std::string decimalText) const {
    return fixedpoint::decimalToHex4(decimalText);
}

std::string BoxDocument::decimalToHex8(std::string decimalText) const {
    return fixedpoint::decimalToHex8(decimalText);
}
