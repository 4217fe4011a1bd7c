#include <gtest/gtest.h>

#include <string>

#include "diag/scene_log.h"
#include "portal/portal_creation.h"
#include "portal_test_support.h"

namespace pw {
namespace {

using testing_support::readFile;
using testing_support::ScratchDir;

// Writes through a fresh log and gives back what the file holds.
template <typename Write>
std::string logged(Write write) {
  const ScratchDir dir;
  {
    SceneLog log(dir.file("x.log"), nullptr);
    write(log);
  }
  return readFile(dir.file("x.log"));
}

TEST(PortalLogs, edgeSetIsWrittenInMapOrderWithEqualStartsInInsertionOrder) {
  EdgeSet edges;
  edges.insert({{1, 0.5, -2.25}, {1000, 0, 0.1}});
  edges.insert({{0, 0, 0}, {1, 2, 3}});
  edges.insert({{1, 0.5, -2.25}, {-0.5, 0, 0}});
  EXPECT_EQ(logged([&](SceneLog& log) { writeEdgeSet(log, edges); }),
            "0 0 0\n\n1 2 3\n-------------\n"
            "1 0.5 -2.25\n\n1000 0 0.10000000000000000555\n-------------\n"
            "1 0.5 -2.25\n\n-0.5 0 0\n-------------\n"
            "===============\n");
  EXPECT_EQ(edges.size(), 3U) << "writing must not consume the segments";
}

}  // namespace
}  // namespace pw
