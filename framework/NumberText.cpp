#include "framework/NumberText.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace fx {

namespace {

// Enough for "%.*f" of the largest double (309 integer digits) with the
// precision cap below, plus sign and point.
constexpr int kMaxFloatPrecision = 500;
constexpr int kFloatBufSize = 320 + kMaxFloatPrecision + 16;
// Enough for FormatExact's longest text (327 characters) and its terminator.
constexpr int kExactTextSize = 340;

// Collects output into a bounded buffer while counting the full length.
class Output {
 public:
  Output(char* dst, int capacity) : mDst(dst), mCapacity(dst ? std::max(capacity, 0) : 0) {}

  void Put(char c) {
    if (mLength + 1 < mCapacity) mDst[mLength] = c;
    ++mLength;
  }
  void Put(const char* text, int length) {
    for (int i = 0; i < length; ++i) Put(text[i]);
  }
  void Pad(char c, int count) {
    for (int i = 0; i < count; ++i) Put(c);
  }
  // Room left for a C-library call that writes at the current end (zero included).
  char* End() { return mLength < mCapacity ? mDst + mLength : nullptr; }
  int Room() const { return mLength < mCapacity ? mCapacity - mLength : 0; }
  void Advance(int count) { mLength += count; }
  int Finish() {
    if (mCapacity > 0) mDst[std::min(mLength, mCapacity - 1)] = '\0';
    return mLength;
  }

 private:
  char* mDst;
  int mCapacity;
  int mLength = 0;
};

struct Directive {
  bool leftAlign = false;
  bool plusSign = false;
  bool spaceSign = false;
  bool alternate = false;
  bool zeroPad = false;
  int width = 0;
  int precision = -1;
  char length[3] = {};
  char conversion = 0;
};

int ReadNumber(const char*& p) {
  int n = 0;
  while (std::isdigit(static_cast<unsigned char>(*p))) {
    n = std::min(n * 10 + (*p - '0'), 1 << 20);
    ++p;
  }
  return n;
}

// Parses the part of a conversion after '%'; '*' takes its value from args.
const char* ParseDirective(const char* p, Directive& directive, va_list& args) {
  for (;; ++p) {
    if (*p == '-')
      directive.leftAlign = true;
    else if (*p == '+')
      directive.plusSign = true;
    else if (*p == ' ')
      directive.spaceSign = true;
    else if (*p == '#')
      directive.alternate = true;
    else if (*p == '0')
      directive.zeroPad = true;
    else
      break;
  }
  if (*p == '*') {
    directive.width = va_arg(args, int);
    if (directive.width < 0) {
      directive.leftAlign = true;
      directive.width = directive.width == INT32_MIN ? 0 : -directive.width;
    }
    ++p;
  } else {
    directive.width = ReadNumber(p);
  }
  if (*p == '.') {
    ++p;
    if (*p == '*') {
      const int precision = va_arg(args, int);
      directive.precision = precision < 0 ? -1 : precision;
      ++p;
    } else {
      directive.precision = ReadNumber(p);
    }
  }
  int n = 0;
  while (n < 2 && std::strchr("hlLjzt", *p) && *p) directive.length[n++] = *p++;
  directive.conversion = *p;
  return *p ? p + 1 : p;
}

void PutPadded(Output& out, const Directive& directive, const char* prefix, const char* body, int bodyLen,
               bool zeroPadAllowed) {
  const int prefixLen = static_cast<int>(std::strlen(prefix));
  const int fill = std::max(directive.width - prefixLen - bodyLen, 0);
  if (directive.leftAlign) {
    out.Put(prefix, prefixLen);
    out.Put(body, bodyLen);
    out.Pad(' ', fill);
  } else if (directive.zeroPad && zeroPadAllowed) {
    out.Put(prefix, prefixLen);
    out.Pad('0', fill);
    out.Put(body, bodyLen);
  } else {
    out.Pad(' ', fill);
    out.Put(prefix, prefixLen);
    out.Put(body, bodyLen);
  }
}

void PutFloat(Output& out, const Directive& directive, double value) {
  const char conv = static_cast<char>(std::tolower(static_cast<unsigned char>(directive.conversion)));
  const bool upper = directive.conversion != conv;
  const int precision = std::min(directive.precision, kMaxFloatPrecision);

  char digits[kFloatBufSize];
  std::to_chars_result r{};
  char* end = digits + sizeof(digits);
  if (conv == 'a') {
    r = precision < 0 ? std::to_chars(digits, end, value, std::chars_format::hex)
                      : std::to_chars(digits, end, value, std::chars_format::hex, precision);
  } else {
    const std::chars_format format = conv == 'f'   ? std::chars_format::fixed
                                     : conv == 'e' ? std::chars_format::scientific
                                                   : std::chars_format::general;
    r = std::to_chars(digits, end, value, format, precision < 0 ? 6 : precision);
  }
  if (r.ec != std::errc()) return;

  const bool negative = digits[0] == '-';
  char* body = negative ? digits + 1 : digits;
  int bodyLen = static_cast<int>(r.ptr - body);
  const bool finite = std::isdigit(static_cast<unsigned char>(body[0]));

  // "#" keeps the point even without decimals ("%#.0f" of 3 is "3.").
  if (directive.alternate && finite && !std::memchr(body, '.', static_cast<size_t>(bodyLen)) && conv != 'a') {
    char* exponent = static_cast<char*>(std::memchr(body, 'e', static_cast<size_t>(bodyLen)));
    char* pointAt = exponent ? exponent : body + bodyLen;
    std::memmove(pointAt + 1, pointAt, static_cast<size_t>(body + bodyLen - pointAt));
    *pointAt = '.';
    ++bodyLen;
  }
  if (upper)
    for (int i = 0; i < bodyLen; ++i) body[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(body[i])));

  char prefix[4] = {};
  int n = 0;
  if (negative)
    prefix[n++] = '-';
  else if (directive.plusSign)
    prefix[n++] = '+';
  else if (directive.spaceSign)
    prefix[n++] = ' ';
  if (conv == 'a' && finite) {
    prefix[n++] = '0';
    prefix[n++] = upper ? 'X' : 'x';
  }
  PutPadded(out, directive, prefix, body, bodyLen, finite);
}

void PutString(Output& out, const Directive& directive, const char* text) {
  if (!text) text = "(null)";
  int length = 0;
  while (text[length] && (directive.precision < 0 || length < directive.precision)) ++length;
  PutPadded(out, directive, "", text, length, false);
}

// Integer, character and pointer conversions do not depend on the locale, so
// they are handed to the C library one at a time with the flags rebuilt.
// Precision is passed only where C defines it (integers), not for %c and %p.
template <class T>
void PutWithCLibrary(Output& out, const Directive& directive, T value) {
  const bool withPrecision = directive.conversion != 'c' && directive.conversion != 'p';
  char format[32];
  int n = 0;
  format[n++] = '%';
  if (directive.leftAlign) format[n++] = '-';
  if (directive.plusSign) format[n++] = '+';
  if (directive.spaceSign) format[n++] = ' ';
  if (directive.alternate) format[n++] = '#';
  if (directive.zeroPad) format[n++] = '0';
  format[n++] = '*';
  if (withPrecision) {
    format[n++] = '.';
    format[n++] = '*';
  }
  for (const char c : directive.length)
    if (c) format[n++] = c;
  format[n++] = directive.conversion;
  format[n] = '\0';

  char scratch[1];
  char* dst = out.End() ? out.End() : scratch;
  const int room = out.End() ? out.Room() : 1;
  const int written =
      withPrecision ? std::snprintf(dst, static_cast<size_t>(room), format, directive.width, directive.precision, value)
                    : std::snprintf(dst, static_cast<size_t>(room), format, directive.width, value);
  if (written > 0) out.Advance(written);
}

void PutInteger(Output& out, const Directive& directive, va_list& args) {
  const bool isSigned = directive.conversion == 'd' || directive.conversion == 'i';
  const char* length = directive.length;
  if (!std::strcmp(length, "ll") || !std::strcmp(length, "l") || !std::strcmp(length, "j") ||
      !std::strcmp(length, "z") || !std::strcmp(length, "t")) {
    Directive wide = directive;
    std::strcpy(wide.length, "ll");
    if (isSigned)
      PutWithCLibrary(out, wide, static_cast<long long>(va_arg(args, long long)));
    else
      PutWithCLibrary(out, wide, static_cast<unsigned long long>(va_arg(args, unsigned long long)));
    return;
  }
  if (isSigned)
    PutWithCLibrary(out, directive, va_arg(args, int));
  else
    PutWithCLibrary(out, directive, va_arg(args, unsigned int));
}

}  // namespace

int FormatTextV(char* dst, int capacity, const char* format, va_list args) {
  Output out(dst, capacity);
  va_list ap;
  va_copy(ap, args);
  const char* p = format ? format : "";
  while (*p) {
    if (*p != '%') {
      out.Put(*p++);
      continue;
    }
    Directive directive;
    p = ParseDirective(p + 1, directive, ap);
    switch (directive.conversion) {
      case '%':
        out.Put('%');
        break;
      case 'd':
      case 'i':
      case 'u':
      case 'o':
      case 'x':
      case 'X':
        PutInteger(out, directive, ap);
        break;
      case 'c':
        PutWithCLibrary(out, directive, va_arg(ap, int));
        break;
      case 'p':
        PutWithCLibrary(out, directive, va_arg(ap, void*));
        break;
      case 's':
        PutString(out, directive, va_arg(ap, const char*));
        break;
      case 'n':
        va_arg(ap, void*);  // never writes through a caller's pointer
        break;
      case 'f':
      case 'F':
      case 'e':
      case 'E':
      case 'g':
      case 'G':
      case 'a':
      case 'A':
        if (directive.length[0] == 'L')
          PutFloat(out, directive, static_cast<double>(va_arg(ap, long double)));
        else
          PutFloat(out, directive, va_arg(ap, double));
        break;
      default:
        break;  // an unknown or cut-off conversion prints nothing
    }
  }
  va_end(ap);
  return out.Finish();
}

int FormatText(char* dst, int capacity, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int length = FormatTextV(dst, capacity, format, args);
  va_end(args);
  return length;
}

int FormatFixed(char* dst, int capacity, double value, int decimals) {
  return FormatText(dst, capacity, "%.*f", decimals, value);
}

int FormatExact(char* dst, int capacity, double value) {
  // The longest shortest-form text is that of the smallest subnormal:
  // "-0." and 323 zeros before its one significant digit.
  char text[kExactTextSize];
  const std::to_chars_result r = std::to_chars(text, text + sizeof(text) - 1, value, std::chars_format::fixed);
  const int length = r.ec == std::errc() ? static_cast<int>(r.ptr - text) : 0;
  text[length] = '\0';
  return FormatText(dst, capacity, "%s", text);
}

namespace {

// The power of ten of a decimal number's first significant digit: "1234.5" gives 3, "0.00012" -4,
// "0.5e3" 2. Only its sign matters to the caller, so the exponent saturates.
long DecimalMagnitude(const char* p, const char* end) {
  long magnitude = 0;
  bool significant = false;
  bool fraction = false;
  for (; p < end && *p != 'e' && *p != 'E'; ++p) {
    if (*p == '.') {
      fraction = true;
    } else if (!significant && *p == '0') {
      if (fraction) --magnitude;
    } else if (!significant) {
      significant = true;
      if (fraction) --magnitude;
    } else if (!fraction) {
      ++magnitude;
    }
  }
  if (p < end) {
    ++p;
    const bool negative = p < end && *p == '-';
    if (p < end && (*p == '-' || *p == '+')) ++p;
    long exponent = 0;
    for (; p < end && *p >= '0' && *p <= '9'; ++p) exponent = std::min(exponent * 10 + (*p - '0'), 1000000L);
    magnitude += negative ? -exponent : exponent;
  }
  return magnitude;
}

}  // namespace

bool ParseDouble(const char* text, double& value) {
  if (!text) return false;
  const char* p = text;
  while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\f' || *p == '\v') ++p;
  if (*p == '+' && p[1] != '-') ++p;
  double parsed = 0.0;
  const char* end = p + std::strlen(p);
  const std::from_chars_result r = std::from_chars(p, end, parsed, std::chars_format::general);
  if (r.ec == std::errc::invalid_argument) return false;
  if (r.ec == std::errc::result_out_of_range) {
    // from_chars leaves the value alone on overflow and underflow; strtod's
    // answers (infinity, or zero) are what a user typing such a number means.
    parsed = DecimalMagnitude(*p == '-' ? p + 1 : p, r.ptr) < 0 ? 0.0 : HUGE_VAL;
    if (*p == '-') parsed = -parsed;
  }
  value = parsed;
  return true;
}

}  // namespace fx
