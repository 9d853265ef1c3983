// Number formatting and parsing that never consult the process locale.
// A host may switch the process to a decimal-comma locale; every number the
// system shows, stores or reads goes through these functions instead of the C
// library's locale-aware printf/strtod families.
#pragma once

#include <cstdarg>

namespace fx {

// Writes `value` in fixed notation with `decimals` digits after the point (as
// "%.*f" does in the "C" locale; a negative count means 6) into dst, always
// terminated. Answers the length the full text has, which may exceed
// capacity - 1 when dst was too small (the text is then cut).
// Any thread; never allocates or blocks.
int FormatFixed(char* dst, int capacity, double value, int decimals);

// Writes the shortest fixed-notation text that ParseDouble reads back to
// exactly `value` ("0.45", "-96.125", "20000"; a negative zero keeps its
// sign), so a stored value survives a save and reload bit for bit. Non-finite
// values print as "inf", "-inf" or "nan". Same capacity and answer as
// FormatFixed. Any thread; never allocates or blocks.
int FormatExact(char* dst, int capacity, double value);

// printf-compatible formatting into dst (at most capacity - 1 characters, always
// terminated when capacity > 0). Answers the length the full result has, like
// snprintf. Floating-point conversions (f F e E g G a A) never use the locale's
// decimal separator; "%n" is accepted but writes nothing; a null "%s" argument
// prints "(null)"; "#" with g/G keeps the point but not the trailing zeros;
// precisions above 500 count as 500. Any thread; never allocates or blocks.
int FormatText(char* dst, int capacity, const char* format, ...) __attribute__((format(printf, 3, 4)));
int FormatTextV(char* dst, int capacity, const char* format, va_list args);

// Reads a decimal number at the start of text: leading blanks, an optional sign,
// digits with '.' as the decimal point, an optional exponent, and also "inf"
// and "nan" (callers that store values must reject NaN themselves). Trailing
// text is ignored ("12.5 dB" reads 12.5). Answers false and leaves value
// unchanged when no number starts there or text is null.
// Any thread; never allocates or blocks.
bool ParseDouble(const char* text, double& value);

}  // namespace fx
