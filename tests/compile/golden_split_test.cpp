#include <gtest/gtest.h>

#include <filesystem>

#include "compile/level_compiler.h"
#include "scene/scene.h"
#include "tests/helpers/scratch_dir.h"

namespace pw {
namespace {

// A closed box with two fins, compiled through the whole pipeline with one
// and with several threads: every triangle cut, segment, ring, portal and
// fragment split written to the logs is pinned by files checked by hand (see
// tests/data/golden/README.md).
TEST(GoldenSplit, boxAndFinsLogsMatchByteForByte) {
  const std::filesystem::path golden = std::filesystem::path(PORTALWALK_TEST_DATA_DIR) / "golden" / "box_and_fins";
  for (const unsigned threads : {1u, 3u}) {
    const testing_support::ScratchDir dir;
    Scene scene;
    CompileOptions options;
    options.levelPath = golden / "level.obj";
    options.outputDir = dir.path();
    options.build.threads = threads;
    ASSERT_TRUE(compileLevel(scene, options)->logFailures().empty());
    for (const char* name : {"out.log", "contours.log", "tris.log"}) {
      EXPECT_EQ(testing_support::readFile(dir.file(name)), testing_support::readFile(golden / name))
          << name << ", " << threads << " threads";
    }
  }
}

}  // namespace
}  // namespace pw
