#include <gtest/gtest.h>

#include <string>

#include "diag/scene_log.h"
#include "portal/portal_creation.h"
#include "portal_test_support.h"

namespace pw {
namespace {

using testing_support::readFile;
using testing_support::ScratchDir;

const std::string kSegmentEnd = std::string(13, '-') + "\n";
const std::string kSectionEnd = std::string(15, '=') + "\n";
const std::string kContourEnd = std::string(10, '-') + "\n";
const std::string kTriangleEnd = std::string(12, '-') + "\n";

TEST(PortalLogs, separatorsHaveTheirLengths) {
  EXPECT_EQ(kSegmentEnd, "-------------\n");
  EXPECT_EQ(kSectionEnd, "===============\n");
  EXPECT_EQ(kContourEnd, "----------\n");
  EXPECT_EQ(kTriangleEnd, "------------\n");
}

TEST(PortalLogs, edgeSetIsWrittenInMapOrderWithEqualStartsInInsertionOrder) {
  const ScratchDir dir;
  EdgeSet edges;
  edges.insert({{1, 0.5, -2.25}, {1000, 0, 0.1}});
  edges.insert({{0, 0, 0}, {1, 2, 3}});
  edges.insert({{1, 0.5, -2.25}, {-0.5, 0, 0}});
  {
    SceneLog log(dir.file("contours.log"), nullptr);
    writeEdgeSet(log, edges);
  }
  EXPECT_EQ(readFile(dir.file("contours.log")),
            "0 0 0\n\n1 2 3\n" + kSegmentEnd +                           //
                "1 0.5 -2.25\n\n1000 0 0.10000000000000000555\n" + kSegmentEnd +  //
                "1 0.5 -2.25\n\n-0.5 0 0\n" + kSegmentEnd + kSectionEnd);
  EXPECT_EQ(edges.size(), 3U) << "writing must not consume the segments";
}

TEST(PortalLogs, contoursAreWrittenPointByPointThenSeparated) {
  const ScratchDir dir;
  {
    SceneLog log(dir.file("contours.log"), nullptr);
    writeContours(log, {{{1, 2, 3}, {4, 5, 6}}, {{0, 0, 0}}});
  }
  EXPECT_EQ(readFile(dir.file("contours.log")), "1 2 3\n4 5 6\n" + kContourEnd + "0 0 0\n" + kContourEnd + kSectionEnd);
}

TEST(PortalLogs, portalTriangleIsThreePointsThenTwelveHyphens) {
  const ScratchDir dir;
  {
    SceneLog log(dir.file("tris.log"), nullptr);
    writePortalTriangle(log, {0, 0, 0}, {1, 0, 0}, {0, 1, 0});
  }
  EXPECT_EQ(readFile(dir.file("tris.log")), "0 0 0\n1 0 0\n0 1 0\n" + kTriangleEnd);
}

// The tail of a split with no segments: two section ends, no portal, and an
// empty "tris.log" (whatever it held before).
TEST(PortalLogs, emptyEdgeSetWritesTwoSectionEndsAndCreatesNoPortal) {
  const ScratchDir dir;
  std::ofstream(dir.file("tris.log")) << "left over from an earlier portal\n";
  EdgeSet edges;
  std::vector<Portal*> frontList;
  std::vector<Portal*> behindList;
  PortalStore store;
  {
    SceneLog contoursLog(dir.file("contours.log"), nullptr);
    writeEdgeSet(contoursLog, edges);
    const auto rings = chainContours(edges);
    writeContours(contoursLog, rings);
    createCutterPortal(rings, {0, 0, 1}, nullptr, frontList, behindList, store, dir.file("tris.log"));
  }
  EXPECT_EQ(readFile(dir.file("contours.log")), kSectionEnd + kSectionEnd);
  EXPECT_TRUE(std::filesystem::exists(dir.file("tris.log")));
  EXPECT_EQ(readFile(dir.file("tris.log")), "");
  EXPECT_TRUE(frontList.empty());
  EXPECT_TRUE(behindList.empty());
  EXPECT_EQ(store.size(), 0U);
}

}  // namespace
}  // namespace pw
