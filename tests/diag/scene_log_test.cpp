#include "diag/scene_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <limits>
#include <locale>
#include <sstream>
#include <string>
#include <vector>

#include "scene/scene.h"

namespace pw {
namespace {

std::filesystem::path tempLog(const std::string& name) { return std::filesystem::path(::testing::TempDir()) / name; }

std::string contents(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// What one coordinate looks like in a log, written on its own line.
std::string written(double value) {
  const std::filesystem::path path = tempLog("number.log");
  {
    SceneLog log(path, nullptr);
    log.stream() << value;
    log.endLine();
  }
  std::string text = contents(path);
  std::filesystem::remove(path);
  return text;
}

TEST(SceneLog, writesCoordinatesInGeneralNotationWithPrecision20) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {0.0, "0\n"},
      {1000.0, "1000\n"},
      {-0.5, "-0.5\n"},
      {0.5, "0.5\n"},
      {-2.25, "-2.25\n"},
      {1.0, "1\n"},
      {0.0001, "0.00010000000000000000479\n"},  // exponent -4: still plain notation
      {1e-5, "1.0000000000000000818e-05\n"},    // below -4: mantissa and exponent
      {1e19, "10000000000000000000\n"},         // exponent 19: plain
      {1e20, "1e+20\n"},                        // exponent 20: mantissa and exponent
      {static_cast<double>(0.1f), "0.10000000149011611938\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(written(c.value), c.text) << c.value;
}

TEST(SceneLog, writePointWritesOneLine) {
  const std::filesystem::path path = tempLog("point.log");
  {
    SceneLog log(path, nullptr);
    log.writePoint({1, 2.5, -3});
    // Every line is flushed when it ends: the file is whole while still open.
    EXPECT_EQ(contents(path), "1 2.5 -3\n");
    log.writePoint({0, -0.0, 0.1});
  }
  EXPECT_EQ(contents(path), "1 2.5 -3\n0 -0 0.10000000000000000555\n");
  std::filesystem::remove(path);
}

// writePoint formats numbers itself: it must give the stream's own
// characters for every kind of double.
TEST(SceneLog, writePointMatchesTheStreamsNumberOutput) {
  std::vector<double> values = {0.0,
                                -0.0,
                                1.0,
                                -2.25,
                                0.1,
                                static_cast<double>(0.1f),
                                1e-5,
                                1e19,
                                1e20,
                                -1.7976931348623157e308,
                                4.9406564584124654e-324,
                                2.2250738585072014e-308,
                                123456789012345678901234567890.0,
                                std::numeric_limits<double>::infinity(),
                                -std::numeric_limits<double>::infinity(),
                                std::numeric_limits<double>::quiet_NaN(),
                                -std::numeric_limits<double>::quiet_NaN()};
  std::uint64_t state = 12345;
  for (int i = 0; i < 2000; ++i) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    double value = 0;
    std::memcpy(&value, &state, sizeof value);  // any bit pattern
    values.push_back(value);
    values.push_back(static_cast<double>(static_cast<float>((state >> 11) * 0x1p-40 - 4096.0)));
  }
  const std::filesystem::path path = tempLog("points.log");
  std::string expected;
  {
    SceneLog log(path, nullptr);
    std::ostringstream reference;
    reference.imbue(std::locale::classic());
    reference.precision(20);
    for (std::size_t i = 0; i + 2 < values.size(); i += 3) {
      log.writePoint({values[i], values[i + 1], values[i + 2]});
      reference << values[i] << ' ' << values[i + 1] << ' ' << values[i + 2] << '\n';
    }
    expected = reference.str();
  }
  EXPECT_EQ(contents(path), expected);
  std::filesystem::remove(path);
}

TEST(SceneLog, keepsItsScenePointer) {
  Scene scene;
  const std::filesystem::path path = tempLog("scene.log");
  {
    const SceneLog log(path, &scene);
    EXPECT_EQ(log.scene(), &scene);
  }
  std::filesystem::remove(path);
}

TEST(SceneLog, truncatesAnExistingFile) {
  const std::filesystem::path path = tempLog("existing.log");
  std::ofstream(path) << "old contents that must go\n";
  {
    SceneLog log(path, nullptr);
    log.writePoint({1, 1, 1});
  }
  EXPECT_EQ(contents(path), "1 1 1\n");
  { const SceneLog log(path, nullptr); }
  EXPECT_EQ(contents(path), "");
  std::filesystem::remove(path);
}

// A log kept open for its latest record: a shorter record leaves no tail of
// the longer one before it, and the file is whole at every line.
TEST(SceneLog, restartEmptiesTheFileAndWritesFromItsStart) {
  const std::filesystem::path path = tempLog("restarted.log");
  {
    SceneLog log(path, nullptr);
    log.writePoint({1, 2, 3});
    log.writePoint({4, 5, 6});
    log.restart();
    EXPECT_EQ(contents(path), "");
    log.writePoint({7, 8, 9});
    EXPECT_EQ(contents(path), "7 8 9\n");
    log.restart();
    log.restart();
    log.writePoint({0, 0, 1});
  }
  EXPECT_EQ(contents(path), "0 0 1\n");
  std::filesystem::remove(path);
}

TEST(SceneLog, restartOfAnUnwritableLogStaysSilent) {
  const std::filesystem::path path = tempLog("no_such_folder") / "y.log";
  SceneLog log(path, nullptr);
  log.restart();
  log.writePoint({1, 2, 3});
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(SceneLog, unwritableFileIsSilentlyDropped) {
  const std::filesystem::path path = tempLog("no_such_folder") / "x.log";
  SceneLog log(path, nullptr);
  log.writePoint({1, 2, 3});
  EXPECT_FALSE(std::filesystem::exists(path));
}

// A decimal comma and digit grouping, as some user locales have.
struct CommaDecimals : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

TEST(SceneLog, ignoresTheGlobalLocale) {
  const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaDecimals));
  const std::filesystem::path path = tempLog("locale.log");
  {
    SceneLog log(path, nullptr);
    log.writePoint({1234.5, -0.25, 1e6});
    log.stream() << 1234567u;
    log.endLine();
  }
  std::locale::global(previous);
  EXPECT_EQ(contents(path), "1234.5 -0.25 1000000\n1234567\n");
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace pw
