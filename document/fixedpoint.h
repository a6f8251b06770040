#pragma once

#include "orlclass.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// Conversions between decimal text and the fixed-point hexadecimal text of BOX files, a value
// being a bit pattern n read as n / 16384. Every intermediate value is single precision, rounded
// at each step, so that a file shows and stores exactly the values it always has. None of them
// depends on the process locale, and any text, however malformed, gives a defined result.
namespace fixedpoint {

// How a hexadecimal text reads, decided here once for the decimal fields and for the geometry:
// a pattern of bits worth pattern / 16384, and how that value is signed.
struct HexReading {
    enum class Sign {
        Positive,
        // A 4-digit field's sign bit, over the magnitude.
        Negative,
        // The 8-digit rule for negatives: the value less 262143.
        Offset,
    };
    std::uint32_t pattern = 0;
    Sign sign = Sign::Positive;
};

// Non-hexadecimal characters count as the digit 0 and keep their place; only the last 8 places
// count. In a 4-digit field, 8000 to ffff are sign and magnitude; other patterns above
// 131071.5 once scaled read as negative, shifted by 262143. Whether a pattern is above 131071.5
// is decided on its single-precision value, as hexToDecimal shows it.
HexReading readHex(std::string_view hexText, HexFormat format);
// The exact value of the text's reading, in double precision.
double hexValue(std::string_view hexText, HexFormat format);
// hexValue of each text in its format, into values, for up to 32 texts at once: bit i of the
// result is set when text i is not written as its format writes it, exactly 8 hexadecimal digits
// or 4. A text so written, nearly every one of a file, is told and read in one pass.
std::uint32_t readHexValues(std::span<const std::string_view> hexTexts,
                            std::span<const HexFormat> formats, std::span<double> values);

// The reading of readHex, summed bit by bit in single precision and written as decimal text.
std::string hexToDecimal(std::string_view hexText, HexFormat format);
// Four lower-case hexadecimal digits, or "0" for an empty text or a magnitude of 2 or more.
// A negative value is written sign and magnitude, -1 as c000.
std::string decimalToHex4(std::string_view decimalText);
// Eight lower-case hexadecimal digits, or "0" for an empty text or a value of 262144 or more;
// a negative value is offset by 262143, and 00000000 when that leaves nothing above 0.
std::string decimalToHex8(std::string_view decimalText);

// The texts that read back as exactly steps / 16384, for values computed rather than typed: the
// decimal route above rounds through single precision, which loses steps beyond 1024 units.
// Nothing when the value lies outside what the format holds (a magnitude of 2 or more for four
// digits; for eight digits, from -131071 up to, not including, 131071).
std::optional<std::string> fourDigitsOfSteps(std::int64_t steps);
std::optional<std::string> eightDigitsOfSteps(std::int64_t steps);

} // namespace fixedpoint
