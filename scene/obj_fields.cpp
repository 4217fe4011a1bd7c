#include "scene/obj_fields.h"

#include <cassert>
#include <charconv>
#include <limits>
#include <system_error>

namespace pw {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

const char* skipDigits(const char* p, const char* end) {
  while (p != end && isDigit(*p)) ++p;
  return p;
}

// Whether a validated decimal text of nonzero value is at least 1 in
// magnitude. Only asked when the nearest float is out of range, which happens
// for magnitudes of at least 3.4e38 (overflow) or at most 7.1e-46 (underflow
// to zero), so the sign of the leading digit's decimal exponent decides.
bool magnitudeAtLeastOne(const char* p, const char* end) {
  if (*p == '+' || *p == '-') ++p;
  while (p != end && *p == '0') ++p;
  const char* const intEnd = skipDigits(p, end);
  // Decimal exponent of the leading nonzero digit, before the "e" part.
  std::int64_t lead = intEnd - p - 1;
  p = intEnd;
  if (p != end && *p == '.') {
    const char* const fracStart = ++p;
    while (p != end && *p == '0') ++p;
    if (lead < 0) lead = -(p - fracStart) - 1;
    p = skipDigits(p, end);
  }
  std::int64_t exponent = 0;
  if (p != end && (*p == 'e' || *p == 'E')) {
    ++p;
    const bool negative = p != end && *p == '-';
    if (p != end && (*p == '+' || *p == '-')) ++p;
    // Saturate: an exponent beyond this bound decides on its own.
    constexpr std::int64_t kSaturated = std::int64_t{1} << 40;
    for (; p != end && isDigit(*p); ++p) {
      if (exponent < kSaturated) exponent = exponent * 10 + (*p - '0');
    }
    if (negative) exponent = -exponent;
  }
  return lead + exponent >= 0;
}

}  // namespace

std::string_view ObjCursor::token() {
  skipSpace();
  const char* start = pos;
  while (pos != end && !isObjSpace(*pos)) ++pos;
  return {start, static_cast<std::size_t>(pos - start)};
}

bool readObjFloat(ObjCursor& cursor, float& value) {
  const char* const start = cursor.pos;
  const char* const end = cursor.end;
  const char* p = start;
  if (p != end && (*p == '+' || *p == '-')) ++p;
  const char* const intEnd = skipDigits(p, end);
  bool anyDigit = intEnd != p;
  p = intEnd;
  if (p != end && *p == '.') {
    const char* fracEnd = skipDigits(p + 1, end);
    anyDigit = anyDigit || fracEnd != p + 1;
    p = fracEnd;
  }
  if (!anyDigit) return false;
  // The exponent belongs to the number only when it has a digit.
  if (p != end && (*p == 'e' || *p == 'E')) {
    const char* q = p + 1;
    if (q != end && (*q == '+' || *q == '-')) ++q;
    const char* expEnd = skipDigits(q, end);
    if (expEnd != q) p = expEnd;
  }

  // std::from_chars takes a "-" but not a "+"; it rounds the whole text once,
  // to the nearest float, independent of the locale.
  const char* const convertFrom = *start == '+' ? start + 1 : start;
  float converted = 0.0f;
  const auto [stop, error] = std::from_chars(convertFrom, p, converted, std::chars_format::general);
  if (error == std::errc::result_out_of_range) {
    if (magnitudeAtLeastOne(start, p)) return false;  // rounds to infinity
    converted = *start == '-' ? -0.0f : 0.0f;
  } else {
    assert(error == std::errc() && stop == p);
  }
  value = converted;
  cursor.pos = p;
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
