#include "scene/obj_fields.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace pw {
namespace {

struct FloatCase {
  const char* text;
  float value;
  const char* rest;  // what the cursor is left on
};

// Good numbers: the value is compared bit for bit, so the sign of zero counts.
TEST(ObjFields, readsEveryDecimalFormToTheNearestFloat) {
  constexpr float kMax = std::numeric_limits<float>::max();
  constexpr float kTiniest = std::numeric_limits<float>::denorm_min();
  const FloatCase cases[] = {
      {"0", 0.0f, ""},          {"-0", -0.0f, ""},     {"+1", 1.0f, ""},       {"-2.25", -2.25f, ""},
      {".5", 0.5f, ""},         {"5.", 5.0f, ""},      {"-.5", -0.5f, ""},     {"1e3", 1000.0f, ""},
      {"1E+3", 1000.0f, ""},    {"25e-1", 2.5f, ""},   {"007.50", 7.5f, ""},   {"0.1", 0.1f, ""},
      {"3.4028235e38", kMax, ""}, {"-3.4028235e38", -kMax, ""},
      {"7.1e-46", kTiniest, ""},  // just above half the smallest subnormal
      {"7e-46", 0.0f, ""},        // just below it: underflows to zero
      {"-1e-60", -0.0f, ""},    {"1e-99999999999999999999", 0.0f, ""}, {"0e99999999999999999999", 0.0f, ""},
      {"100000000000000000000000000000000000000000000000000e-20", 1e30f, ""},
      {"10000000000000000000000000000000000000000000000e-100", 0.0f, ""},
      // The longest number is taken; the caller decides about the rest.
      {"1.0abc", 1.0f, "abc"},  {"1e", 1.0f, "e"},     {"1e+", 1.0f, "e+"},    {"2.5.1", 2.5f, ".1"},
      {"0x1p3", 0.0f, "x1p3"},  {"4 5", 4.0f, " 5"},   {"4/5", 4.0f, "/5"},
  };
  for (const FloatCase& c : cases) {
    ObjCursor cursor{std::string_view(c.text)};
    float value = 123.0f;
    ASSERT_TRUE(readObjFloat(cursor, value)) << c.text;
    EXPECT_EQ(std::bit_cast<std::uint32_t>(value), std::bit_cast<std::uint32_t>(c.value))
        << c.text << " read as " << value;
    EXPECT_EQ(std::string_view(cursor.pos, cursor.end), c.rest) << c.text;
  }
}

// std::from_chars rounds correctly; short numbers take a quicker path that
// must agree with it bit for bit.
TEST(ObjFields, agreesWithFromCharsOnRandomDecimalTexts) {
  std::mt19937 random(11);
  const auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
  for (int i = 0; i < 200000; ++i) {
    std::string text = pick(0, 1) ? "-" : "";
    const int intDigits = pick(0, 9);
    const int fracDigits = pick(intDigits == 0 ? 1 : 0, 10);
    for (int d = 0; d < intDigits; ++d) text += static_cast<char>('0' + pick(0, 9));
    if (fracDigits > 0 || pick(0, 1)) text += '.';
    for (int d = 0; d < fracDigits; ++d) text += static_cast<char>('0' + pick(0, 9));
    if (pick(0, 2) == 0) {
      text += 'e';
      text += std::to_string(pick(-14, 14));
    }
    float expected = 0.0f;
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), expected);
    ASSERT_TRUE(error == std::errc() && stop == text.data() + text.size()) << text;
    ObjCursor cursor{std::string_view(text)};
    float value = 0.0f;
    ASSERT_TRUE(readObjFloat(cursor, value)) << text;
    ASSERT_EQ(std::bit_cast<std::uint32_t>(value), std::bit_cast<std::uint32_t>(expected)) << text;
  }
}

TEST(ObjFields, rejectsTextsThatAreNotFiniteDecimalNumbers) {
  const char* cases[] = {"",     "+",    "-",     ".",      "+.e5", "e5",   "inf",   "nan",          "-inf",
                         "infinity", "NAN", "1e60", "-1e60", "3.4028236e38", " 1", "/1", "1e99999999999999999999",
                         "0.0000000000000000000000000000000000000000000000000001e100"};
  for (const char* text : cases) {
    ObjCursor cursor{std::string_view(text)};
    float value = 123.0f;
    EXPECT_FALSE(readObjFloat(cursor, value)) << text;
    EXPECT_EQ(value, 123.0f) << text;
    EXPECT_EQ(cursor.pos, text) << text;
  }
}

TEST(ObjFields, readsUnsignedOrPlusSignedIndices) {
  const struct {
    const char* text;
    std::int32_t value;
    const char* rest;
  } cases[] = {
      {"1", 1, ""}, {"+7", 7, ""}, {"007", 7, ""}, {"2147483647", 2147483647, ""}, {"12/3", 12, "/3"}, {"4.5", 4, ".5"},
  };
  for (const auto& c : cases) {
    ObjCursor cursor{std::string_view(c.text)};
    std::int32_t value = -5;
    ASSERT_TRUE(readObjIndex(cursor, value)) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
    EXPECT_EQ(std::string_view(cursor.pos, cursor.end), c.rest) << c.text;
  }
}

TEST(ObjFields, rejectsRelativeMissingAndOverflowingIndices) {
  const char* cases[] = {"", "+", "-1", "-0", " 1", "/1", "2147483648", "99999999999999999999", "++1", "x"};
  for (const char* text : cases) {
    ObjCursor cursor{std::string_view(text)};
    std::int32_t value = -5;
    EXPECT_FALSE(readObjIndex(cursor, value)) << text;
    EXPECT_EQ(value, -5) << text;
    EXPECT_EQ(cursor.pos, text) << text;
  }
}

TEST(ObjFields, tokensAreSeparatedByTheFiveWhitespaceCharacters) {
  ObjCursor cursor{std::string_view(" \t\r\v\fvn\t0\v1\f")};
  EXPECT_EQ(cursor.token(), "vn");
  EXPECT_EQ(cursor.token(), "0");
  EXPECT_EQ(cursor.token(), "1");
  EXPECT_EQ(cursor.token(), "");
  EXPECT_TRUE(cursor.atEnd());
  EXPECT_FALSE(isObjSpace('\n'));
  EXPECT_FALSE(isObjSpace('\0'));
}

TEST(ObjFields, neverReadsPastTheCutEndOfTheLine) {
  // The cursor's view stops before "5": the digits beyond it must not count.
  const std::string text = "12345";
  ObjCursor cursor{std::string_view(text).substr(0, 3)};
  float value = 0.0f;
  ASSERT_TRUE(readObjFloat(cursor, value));
  EXPECT_EQ(value, 123.0f);
  ObjCursor indexCursor{std::string_view(text).substr(0, 2)};
  std::int32_t index = 0;
  ASSERT_TRUE(readObjIndex(indexCursor, index));
  EXPECT_EQ(index, 12);
}

}  // namespace
}  // namespace pw
