#include "scene/obj_fields.h"

#include <cassert>
#include <cfloat>
#include <charconv>
#include <limits>
#include <system_error>

namespace pw {
namespace {

// What a scan of a decimal number found, enough to convert it quickly when
// that is exact and to tell overflow from underflow when it is not.
struct DecimalScan {
  const char* end = nullptr;  // just after the number
  bool negative = false;
  std::uint64_t mantissa = 0;          // the digits as an integer, if exact
  bool mantissaExact = true;           // false after 19 significant digits
  std::int64_t significantDigits = 0;  // digits from the first nonzero one on
  std::int64_t fractionDigits = 0;
  std::int64_t exponent = 0;  // the "e" part, saturated
};

// Adds one digit to the mantissa; leading zeros are not significant.
void addDigit(DecimalScan& scan, char digit) {
  if (scan.significantDigits == 0 && digit == '0') return;
  ++scan.significantDigits;
  if (scan.significantDigits > 19) {
    scan.mantissaExact = false;
  } else {
    scan.mantissa = scan.mantissa * 10 + static_cast<std::uint64_t>(digit - '0');
  }
}

// Scans [+|-] (digits [. [digits]] | . digits) [(e|E) [+|-] digits], the
// exponent only when it has a digit. False when there is no digit at all.
bool scanDecimal(const char* p, const char* end, DecimalScan& scan) {
  if (p != end && (*p == '+' || *p == '-')) scan.negative = *p++ == '-';
  bool anyDigit = false;
  for (; p != end && isDigit(*p); ++p, anyDigit = true) addDigit(scan, *p);
  if (p != end && *p == '.') {
    for (++p; p != end && isDigit(*p); ++p, anyDigit = true) {
      addDigit(scan, *p);
      ++scan.fractionDigits;
    }
  }
  if (!anyDigit) return false;
  if (p != end && (*p == 'e' || *p == 'E')) {
    const char* q = p + 1;
    const bool negative = q != end && *q == '-';
    if (q != end && (*q == '+' || *q == '-')) ++q;
    if (q != end && isDigit(*q)) {
      // Any exponent beyond this bound decides the value's range on its own.
      constexpr std::int64_t kSaturated = std::int64_t{1} << 40;
      for (; q != end && isDigit(*q); ++q) {
        if (scan.exponent < kSaturated) scan.exponent = scan.exponent * 10 + (*q - '0');
      }
      if (negative) scan.exponent = -scan.exponent;
      p = q;
    }
  }
  scan.end = p;
  return true;
}

// Powers of ten that are exact in a 32-bit float (5^10 < 2^24).
constexpr float kExactPowersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
constexpr std::uint64_t kExactFloatIntegers = std::uint64_t{1} << 24;

// Clinger's fast path, in float arithmetic: when the mantissa and the power
// of ten are both exact floats, the one IEEE multiplication or division
// rounds the true value once, to the nearest float. This relies on float
// expressions being evaluated in float (FLT_EVAL_METHOD 0, as on x86-64 and
// AArch64). False when the text needs the general conversion.
static_assert(FLT_EVAL_METHOD == 0, "float arithmetic must round to float");
bool convertExactly(const DecimalScan& scan, float& value) {
  const std::int64_t power = scan.exponent - scan.fractionDigits;
  if (!scan.mantissaExact || scan.mantissa > kExactFloatIntegers || power < -10 || power > 10) return false;
  const float mantissa = static_cast<float>(scan.mantissa);  // exact
  const float magnitude = power < 0 ? mantissa / kExactPowersOfTen[-power] : mantissa * kExactPowersOfTen[power];
  value = scan.negative ? -magnitude : magnitude;
  return true;
}

}  // namespace

std::string_view ObjCursor::token() {
  skipSpace();
  const char* start = pos;
  while (pos != end && !isObjSpace(*pos)) ++pos;
  return {start, static_cast<std::size_t>(pos - start)};
}

bool readObjFloat(ObjCursor& cursor, float& value) {
  DecimalScan scan;
  if (!scanDecimal(cursor.pos, cursor.end, scan)) return false;
  float converted = 0.0f;
  if (!convertExactly(scan, converted)) {
    // std::from_chars rounds the whole text once, to the nearest float,
    // independent of the locale; it takes a "-" but not a "+".
    const char* const from = *cursor.pos == '+' ? cursor.pos + 1 : cursor.pos;
    const auto [stop, error] = std::from_chars(from, scan.end, converted, std::chars_format::general);
    if (error == std::errc::result_out_of_range) {
      // The nearest float is infinite (a magnitude of at least 3.4e38) or
      // zero (at most 7.1e-46): the decimal exponent of the leading digit
      // tells which.
      const std::int64_t leading = scan.significantDigits - 1 - scan.fractionDigits + scan.exponent;
      if (leading >= 0) return false;
      converted = scan.negative ? -0.0f : 0.0f;
    } else {
      assert(error == std::errc() && stop == scan.end);
    }
  }
  value = converted;
  cursor.pos = scan.end;
  return true;
}

bool readObjIndex(ObjCursor& cursor, std::int32_t& value) {
  const char* p = cursor.pos;
  const char* const end = cursor.end;
  if (p != end && *p == '+') ++p;
  if (p == end || !isDigit(*p)) return false;
  std::int64_t accumulated = 0;
  for (; p != end && isDigit(*p); ++p) {
    accumulated = accumulated * 10 + (*p - '0');
    if (accumulated > std::numeric_limits<std::int32_t>::max()) return false;
  }
  value = static_cast<std::int32_t>(accumulated);
  cursor.pos = p;
  return true;
}

}  // namespace pw
