#include "diag/scene_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <locale>
#include <string>

#include "tests/helpers/scratch_dir.h"

namespace pw {
namespace {

using testing_support::readFile;

class SceneLogFile : public ::testing::Test {
 protected:
  testing_support::ScratchDir dir;
  const std::filesystem::path path = dir.file("scene.log");
};

TEST_F(SceneLogFile, writesCoordinatesInGeneralNotationWithPrecision20) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {0.0, "0"},
      {1000.0, "1000"},
      {-0.5, "-0.5"},
      {1.0, "1"},
      {0.0001, "0.00010000000000000000479"},  // exponent -4: still plain notation
      {1e-5, "1.0000000000000000818e-05"},    // below -4: mantissa and exponent
      {1e19, "10000000000000000000"},         // exponent 19: plain
      {1e20, "1e+20"},                        // exponent 20: mantissa and exponent
      {static_cast<double>(0.1f), "0.10000000149011611938"},
  };
  for (const auto& c : cases) {
    {
      SceneLog log(path, nullptr);
      log.stream() << c.value;
      log.endLine();
    }
    EXPECT_EQ(readFile(path), std::string(c.text) + "\n") << c.value;
  }
}

TEST_F(SceneLogFile, writePointWritesOneFlushedLine) {
  {
    SceneLog log(path, nullptr);
    log.writePoint({1, 2.5, -3});
    EXPECT_EQ(readFile(path), "1 2.5 -3\n");  // whole while still open
    log.writePoint({0, -0.0, 0.1});
  }
  EXPECT_EQ(readFile(path), "1 2.5 -3\n0 -0 0.10000000000000000555\n");
}

// A log kept open for its latest record: a shorter record leaves no tail of
// the longer one before it.
TEST_F(SceneLogFile, restartEmptiesTheFileAndWritesFromItsStart) {
  {
    SceneLog log(path, nullptr);
    log.writePoint({1, 2, 3});
    log.writePoint({4, 5, 6});
    log.restart();
    EXPECT_EQ(readFile(path), "");
    log.writePoint({7, 8, 9});
    EXPECT_EQ(readFile(path), "7 8 9\n");
    log.restart();
    log.restart();
    log.writePoint({0, 0, 1});
  }
  EXPECT_EQ(readFile(path), "0 0 1\n");
}

// A decimal comma and digit grouping, as some user locales have.
struct CommaDecimals : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

}  // namespace
}  // namespace pw
