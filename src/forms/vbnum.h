#pragma once
// Number conversions of the legacy design, as pure functions.

#include <QString>

#include <cstdint>
#include <optional>

namespace vbnum {

// Nearest integer, an exact half going to the even neighbour ("banker's rounding").
double roundHalfEven(double value);

// Text to number: surrounding blanks ignored, '.' or ',' as decimal point,
// an optional sign and exponent. Nothing when the text is not a number
// (the empty text included).
std::optional<double> toDouble(const QString &text);

// Number to 16-bit integer with halves to even; nothing on overflow.
std::optional<std::int16_t> toInt16(double value);
// Text to 16-bit integer (toDouble, then toInt16).
std::optional<std::int16_t> toInt16(const QString &text);
// Number to 32-bit integer with halves to even; nothing on overflow.
std::optional<std::int32_t> toInt32(double value);

// The shortest decimal text that reads back as `value` ("10", "-1", "2.5").
QString toText(double value);

// A check-box value: 0 unticked, 1 ticked, 2 greyed. Nothing for any other number.
std::optional<int> toCheckValue(const QString &text);

} // namespace vbnum
