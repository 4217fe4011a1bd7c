#include "diag/scene_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <locale>
#include <string>

#include "diag/line_writer.h"
#include "tests/helpers/scratch_dir.h"

namespace pw {
namespace {

using testing_support::readFile;

class SceneLogFile : public ::testing::Test {
 protected:
  testing_support::ScratchDir dir;
  const std::filesystem::path path = dir.file("scene.log");
};

// `ok` waits for the writer thread: what it vouches for is on disk while the
// log is still open, in the order the lines were ended.
TEST_F(SceneLogFile, linesReachTheFileInOrderWhileItIsOpen) {
  {
    SceneLog log(path, nullptr);
    log.writePoint({1, 2.5, -3});
    ASSERT_TRUE(log.ok());
    EXPECT_EQ(readFile(path), "1 2.5 -3\n");
    log.writePoint({0, -0.0, 0.1});
    log.write("to:");
    log.writeInteger(18446744073709551615u);
    log.endLine();
  }
  EXPECT_EQ(readFile(path), "1 2.5 -3\n0 -0 0.10000000000000000555\nto:18446744073709551615\n");
}

// More lines than the queue may hold at once: the writer thread catches up
// while the producer waits, and `close` waits for the last of them.
TEST_F(SceneLogFile, closeWritesEveryLineHandedOverAndTheUnendedRest) {
  constexpr std::size_t kMostQueued = std::size_t{1} << 20;
  std::string expected;
  {
    SceneLog log(path, nullptr, kMostQueued);
    for (std::uint64_t i = 0; expected.size() < 3 * kMostQueued; ++i) {
      log.writeInteger(i);
      log.write(" line");
      log.endLine();
      expected += std::to_string(i) + " line\n";
    }
    log.write("behind ");
    EXPECT_TRUE(log.close());
    log.write("dropped");
    log.endLine();
    EXPECT_TRUE(log.close());
  }
  expected += "behind ";
  const std::string written = readFile(path);
  EXPECT_EQ(written.size(), expected.size());
  EXPECT_TRUE(written == expected);  // (a diff of megabytes would take minutes)
}

// A log kept open for its latest record: a shorter record leaves no tail of
// the longer one before it, and text not yet ended goes with the old record.
TEST_F(SceneLogFile, restartEmptiesTheFileAndWritesFromItsStart) {
  {
    SceneLog log(path, nullptr);
    log.writePoint({1, 2, 3});
    log.writePoint({4, 5, 6});
    log.write("unended");
    log.restart();
    ASSERT_TRUE(log.ok());
    EXPECT_EQ(readFile(path), "");
    log.writePoint({7, 8, 9});
    ASSERT_TRUE(log.ok());
    EXPECT_EQ(readFile(path), "7 8 9\n");
    log.restart();
    log.restart();
    log.writePoint({0, 0, 1});
  }
  EXPECT_EQ(readFile(path), "0 0 1\n");
}

// The first failure is kept with the system's reason, and known as soon as
// the failing line is ended; later lines are dropped.
TEST_F(SceneLogFile, keepsTheFirstFailureWithItsReason) {
  SceneLog full("/dev/full", nullptr);
  EXPECT_TRUE(full.ok());
  full.writePoint({1, 2, 3});
  EXPECT_FALSE(full.ok());
  EXPECT_EQ(full.failure(), "No space left on device");
  full.writePoint({4, 5, 6});
  EXPECT_FALSE(full.close());
  EXPECT_EQ(full.failure(), "No space left on device");

  SceneLog unopened(dir.file("no_such_folder") / "scene.log", nullptr);
  EXPECT_EQ(unopened.failure(), "No such file or directory");
  unopened.writePoint({1, 2, 3});
  EXPECT_FALSE(unopened.close());
}

TEST(SceneLog, aLogWithNoFileDropsEverythingAndStaysOk) {
  SceneLog log(nullptr);
  log.writePoint({1, 2, 3});
  log.restart();
  EXPECT_TRUE(log.ok());
  EXPECT_TRUE(log.close());
  EXPECT_TRUE(log.path().empty());
}

// A decimal comma and digit grouping, as some user locales have.
struct CommaDecimals : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

TEST_F(SceneLogFile, numbersIgnoreTheUsersLocale) {
  const std::locale before = std::locale::global(std::locale(std::locale::classic(), new CommaDecimals));
  {
    SceneLog log(path, nullptr);
    log.writeInteger(1234567);
    log.endLine();
    log.writePoint({1234.5, -0.25, 1e6});
  }
  std::locale::global(before);
  EXPECT_EQ(readFile(path), "1234567\n1234.5 -0.25 1000000\n");
}

}  // namespace
}  // namespace pw
