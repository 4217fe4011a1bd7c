// The compile pipeline's account of its logs: which of "contours.log",
// "tris.log" and "out.log" did not reach the disk whole, and why.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include "tests/support/scratch_dir.h"
#include "compile/level_compiler.h"
#include "scene/scene.h"
#include "tools/levelgen.h"

namespace pw {
namespace {

using testing_support::ScratchDir;

std::string reasonFor(int error) { return std::generic_category().message(error); }

struct LogFailureCase {
  const char* name;
  // Prepares the output folder (given) and returns the folder to compile into.
  std::function<std::filesystem::path(const std::filesystem::path&)> prepare;
  // Expected failures: log name and reason, in the order they are listed.
  std::vector<std::pair<std::string, std::string>> failures;
};

void PrintTo(const LogFailureCase& c, std::ostream* out) { *out << c.name; }

std::filesystem::path toDevFull(const std::filesystem::path& dir, const char* log) {
  std::filesystem::create_symlink("/dev/full", dir / log);
  return dir;
}

class LogFailures : public ::testing::TestWithParam<LogFailureCase> {};

// The tests run as root in CI, and root may write anywhere: unwritable
// places are made from what even root cannot write through (a device that
// is always full, a folder or a plain file where the path needs the other).
TEST_P(LogFailures, compiledLevelListsEachLogThatFailedWithItsReason) {
  ScratchDir dir;
  {
    std::ofstream obj(dir.file("level.obj"));
    writeObj(obj, layoutMesh(roomsAndCorridors({1, 2, 1, 3})));
  }
  std::filesystem::create_directory(dir.file("out"));
  CompileOptions options;
  options.levelPath = dir.file("level.obj");
  options.outputDir = GetParam().prepare(dir.file("out"));
  Scene scene;
  const auto level = compileLevel(scene, options);
  ASSERT_TRUE(level->load.opened);
  ASSERT_GT(level->builder->stats().portalsCreated, 0u);  // "tris.log" was opened

  const std::vector<LogFailure> failures = level->logFailures();
  ASSERT_EQ(failures.size(), GetParam().failures.size());
  for (std::size_t i = 0; i < failures.size(); ++i) {
    EXPECT_EQ(failures[i].file, options.outputDir / GetParam().failures[i].first);
    EXPECT_EQ(failures[i].reason, GetParam().failures[i].second);
  }
  // Closed once: asking again gives the same account.
  EXPECT_EQ(level->logFailures().size(), failures.size());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LogFailures,
    ::testing::Values(
        LogFailureCase{"allWritten", [](const auto& dir) { return dir; }, {}},
        LogFailureCase{"outLogOnAFullDevice",
                       [](const auto& dir) { return toDevFull(dir, "out.log"); },
                       {{"out.log", reasonFor(ENOSPC)}}},
        LogFailureCase{"contoursLogOnAFullDevice",
                       [](const auto& dir) { return toDevFull(dir, "contours.log"); },
                       {{"contours.log", reasonFor(ENOSPC)}}},
        LogFailureCase{"folderInPlaceOfTrisLog",
                       [](const auto& dir) {
                         std::filesystem::create_directory(dir / "tris.log");
                         return dir;
                       },
                       {{"tris.log", reasonFor(EISDIR)}}},
        LogFailureCase{"outputFolderIsAFile",
                       [](const auto& dir) {
                         std::ofstream(dir / "plain") << "a file, not a folder\n";
                         return dir / "plain";
                       },
                       {{"contours.log", reasonFor(ENOTDIR)},
                        {"tris.log", reasonFor(ENOTDIR)},
                        {"out.log", reasonFor(ENOTDIR)}}}),
    [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace pw
