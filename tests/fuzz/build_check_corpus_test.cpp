// The build fuzz target's check over its seed corpus (the OBJ fixtures), in
// every test run: each seed compiles the same with both builds into a sound
// tree, and the corpus as a whole reaches Spaces joined by portals.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "tests/fuzz/build_check.h"
#include "tests/helpers/scratch_dir.h"

namespace pw {
namespace {

using testing_support::readFile;
using testing_support::ScratchDir;

TEST(BuildCheck, everySeedLevelPassesAndTheCorpusReachesPortals) {
  ScratchDir dir;
  std::uint64_t leafFragments = 0;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(PORTALWALK_TEST_DATA_DIR) / "obj")) {
    SCOPED_TRACE(entry.path().filename().string());
    const fuzzing::BuildCheck check = fuzzing::checkBuild(readFile(entry.path()), dir.path());
    EXPECT_TRUE(check.built) << "a seed over the fuzz target's size limit is never built";
    EXPECT_EQ(check.failure, "");
    leafFragments += check.leafFragments;
  }
  EXPECT_GT(leafFragments, 0u);
}

}  // namespace
}  // namespace pw
