#include "scene/obj_fields.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <random>
#include <string>

namespace pw {
namespace {

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

// The sign survives every path: the quick one, the general conversion,
// and a magnitude too small for any float, which rounds to a signed zero; a
// magnitude too large for one is refused.
TEST(ObjFields, keepsTheSignThroughRounding) {
  const struct {
    const char* text;
    std::optional<float> value;
  } cases[] = {
      {"-0", -0.0f},         {"+0.0", 0.0f},           {"-.5", -0.5f},           {"-1e-50", -0.0f},
      {"+1e-50", 0.0f},      {"-7e-46", -0.0f},      {"-16777217", -16777216.0f}, {"+16777219", 16777220.0f},
      {"-1.5e-40", -1.5e-40f}, {"-3.4028235e38", -3.4028235e38f}, {"-0e99999999999", -0.0f}, {"-2.5e+2", -250.0f},
      {"3.5e38", std::nullopt}, {"-3.5e38", std::nullopt}, {"-1e99999999999", std::nullopt},
  };
  for (const auto& c : cases) {
    ObjCursor cursor{std::string_view(c.text)};
    float value = 1.0f;
    ASSERT_EQ(readObjFloat(cursor, value), c.value.has_value()) << c.text;
    if (c.value) {
      EXPECT_EQ(std::bit_cast<std::uint32_t>(value), std::bit_cast<std::uint32_t>(*c.value)) << c.text;
    }
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

}  // namespace
}  // namespace pw
