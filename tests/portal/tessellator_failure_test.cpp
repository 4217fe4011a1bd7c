// Linked with -Wl,--wrap=gluNewTess so a test can make GLU refuse to create
// the tessellation object.
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "bsp/bsp_builder.h"
#include "portal/portal_creation.h"
#include "portal/tessellator.h"
#include "portal_test_support.h"
#include "tests/bsp/bsp_test_support.h"

namespace {
bool refuseTessellator = false;
}  // namespace

extern "C" GLUtesselator* __real_gluNewTess();
extern "C" GLUtesselator* __wrap_gluNewTess() { return refuseTessellator ? nullptr : __real_gluNewTess(); }

namespace pw {
namespace {

using testing_support::readFile;
using testing_support::ScratchDir;

class RefusedTessellator : public ::testing::Test {
 protected:
  void SetUp() override { refuseTessellator = true; }
  void TearDown() override { refuseTessellator = false; }
};

TEST_F(RefusedTessellator, constructorThrowsTheFixedMessage) {
  try {
    const Tessellator tess;
    FAIL() << "no exception";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(std::string(error.what()), "Creation of tesselation object failed.");
  }
}

// Tessellation comes first, so the failure leaves the lists, the store and
// the previous "tris.log" untouched.
TEST_F(RefusedTessellator, portalCreationMakesNothingAndPassesTheErrorOn) {
  const ScratchDir dir;
  testing_support::writeFile(dir.file("tris.log"), "previous portal\n");
  std::vector<Portal*> frontList;
  std::vector<Portal*> behindList;
  PortalStore store;
  const std::vector<Contour> room{{{2, 0, 0}, {2, 2, 0}, {0, 2, 0}, {0, 0, 0}}};
  EXPECT_THROW(createCutterPortal(room, {0, 0, 1}, nullptr, frontList, behindList, store, dir.file("tris.log")),
               std::runtime_error);
  EXPECT_TRUE(frontList.empty());
  EXPECT_TRUE(behindList.empty());
  EXPECT_EQ(store.size(), 0U);
  EXPECT_EQ(readFile(dir.file("tris.log")), "previous portal\n");
}

// The portal work of a build may run on a thread of its own: its failure
// still ends the build with the error, and the builder's next build runs.
TEST_F(RefusedTessellator, buildPassesTheErrorOnAndTheNextBuildRuns) {
  for (const unsigned threads : {1U, 2U}) {
    SCOPED_TRACE(threads);
    Scene scene;
    // Two floors facing away from each other, one above the other: the first
    // divides them, cutting nothing.
    testing_support::addFacing(scene, {0, 0, 0}, {0, 1, 0}, {1, 0, 0});
    testing_support::addFacing(scene, {0, 0, 1}, {1, 0, 0}, {0, 1, 0});
    TreeOptions options;
    options.writeLogs = false;
    options.threads = threads;
    BspBuilder builder(&scene, {}, options);
    refuseTessellator = true;
    EXPECT_THROW(builder.build(scene.allTriangleIndices(), {}), std::runtime_error);
    refuseTessellator = false;
    const BspNode* root = builder.build(scene.allTriangleIndices(), {});
    ASSERT_FALSE(root->isSpace());
    EXPECT_TRUE(root->front->isSpace() && root->behind->isSpace());
  }
}

}  // namespace
}  // namespace pw
