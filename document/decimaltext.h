#pragma once

#include <string>
#include <string_view>

// Decimal text as the fixed-point fields show it, read and written without the C library, whose
// results follow the process locale and whose printf rounds ties to even.
namespace fixedpoint {

// Reads decimal text as atof does in the classic locale: leading white space, an optional sign,
// digits with an optional point, an optional exponent; the longest such prefix counts and a text
// without one reads as 0. Infinity, not-a-number and hexadecimal notation are not numbers here.
// A magnitude too large for a double gives an infinity, one too small gives 0.
double parseDecimal(std::string_view text);

// Writes a finite value with 14 significant digits, rounded from its exact decimal expansion
// with a tie going away from zero: fixed notation from 0.1 upward ("0.70709228515625"),
// exponential notation below ("6.103515625e-005"), without trailing zeros or a bare point.
std::string formatDecimal(double value);

} // namespace fixedpoint
