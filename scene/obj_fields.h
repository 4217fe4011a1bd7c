// The field grammar of OBJ data lines, shared by the reader and its tests.
//
// A line reaches these functions already cut: without its line feed and
// without anything from its first zero byte on. They never read outside
// [pos, end) and never allocate.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace pw {

// Space, tab, carriage return, vertical tab and form feed separate fields (a
// carriage return is whitespace, so CR LF line ends read like LF alone).
constexpr bool isObjSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A read position inside one line.
struct ObjCursor {
  const char* pos;
  const char* end;

  explicit ObjCursor(std::string_view line) : pos(line.data()), end(line.data() + line.size()) {}

  bool atEnd() const { return pos == end; }
  // Whether `c` is the next character (false at the end of the line).
  bool nextIs(char c) const { return pos != end && *pos == c; }
  void skipSpace() {
    while (pos != end && isObjSpace(*pos)) ++pos;
  }
  // A field may end only at whitespace or at the end of the line.
  bool atFieldEnd() const { return pos == end || isObjSpace(*pos); }
  // The next whitespace-delimited token; empty when only whitespace is left.
  std::string_view token();
};

// Reads a decimal number at the cursor (no whitespace is skipped):
//   [+|-] (digits [. [digits]] | . digits) [(e|E) [+|-] digits]
// "inf", "nan" and hexadecimal forms are not numbers. The value is the 32-bit
// float nearest to the decimal text, rounded once (never through a 64-bit
// double, which could round twice). A text whose nearest float is zero gives
// a zero with the text's sign; a text whose magnitude rounds to infinity fails,
// as does one without a digit. On success the cursor is left just after the
// longest text of that form ("1.0abc" reads 1.0 and leaves "abc"; "1e" reads
// 1 and leaves "e"); the caller decides whether the field ends there. On
// failure the cursor is unchanged and `value` is not written.
bool readObjFloat(ObjCursor& cursor, float& value);

// Reads an OBJ index at the cursor (no whitespace is skipped): [+] digits, as
// a 32-bit int. A "-" (a relative index), a missing digit or a value above
// 2147483647 fails. Cursor and `value` behave as for readObjFloat.
bool readObjIndex(ObjCursor& cursor, std::int32_t& value);

// Reads `values.size()` numbers, each after optional whitespace and each a
// whole field (readObjFloat, then a field end). Fails on the first
// unreadable one.
template <std::size_t N>
bool readObjFloats(ObjCursor& cursor, std::array<float, N>& values) {
  for (float& value : values) {
    cursor.skipSpace();
    if (!readObjFloat(cursor, value) || !cursor.atFieldEnd()) return false;
  }
  return true;
}

}  // namespace pw
