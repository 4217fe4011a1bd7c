#include "compile/tree_dump.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>

#include "bsp/bsp_node.h"
#include "diag/scene_log.h"
#include "portal/portal.h"
#include "scene/scene.h"
#include "tests/support/scratch_dir.h"

namespace pw {
namespace {

// "Portálok" in Latin-1, then the nine-hyphen line.
const std::string kPortalsLines = "Port\xE1lok\n---------\n";

class TreeDump : public ::testing::Test {
 protected:
  TreeDump() {
    scene.addNormal({0, 0, 1});
    // Triangle 0, the cutter of every inner node below.
    scene.addTriangle(scene.addVertex({0, 0, 0}), scene.addVertex({1, 0, 0}), scene.addVertex({0, 1, 0}), 0, 0, 0);
  }
  std::string dump(const BspNode& root) {
    {
      SceneLog log(dir_.file("out.log"), &scene);
      dumpTree(log, root);
    }
    return testing_support::readFile(dir_.file("out.log"));
  }

  BspNode* space(std::vector<std::uint32_t> triangles, std::vector<Portal*> portals, std::uint64_t number) {
    return &nodes.emplace_back(std::move(triangles), std::move(portals), number);
  }
  BspNode* inner(BspNode* front, BspNode* behind) { return &nodes.emplace_back(0, front, behind); }
  Portal* fragment(const Point3& a, const Point3& b, const Point3& c) {
    Portal* p = store.adopt(std::make_unique<Portal>());
    p->addTriangle(a, b, c);
    return p;
  }

  Scene scene;
  std::deque<BspNode> nodes;
  PortalStore store;

 private:
  testing_support::ScratchDir dir_;
};

TEST_F(TreeDump, spaceWithoutTrianglesHasAnEmptyTriangleLine) {
  EXPECT_EQ(dump(*space({}, {}, 0xABCDEF)), "\nID: 0000000000ABCDEF\n\n" + kPortalsLines + "\n");
}

// One cutter, a Space on each side, a fragment and its twin leading across.
TEST_F(TreeDump, cutterWithTwoSpacesAndAPortalBetweenThem) {
  Portal* portal = fragment({0, 0, 0}, {1, 0.5, 0}, {0, -2.25, 1000});
  BspNode* front = space({3, 4}, {portal}, 1);
  BspNode* behind = space({}, {portal->twin()}, 2);
  portal->setTarget(behind);
  portal->twin()->setTarget(front);
  const std::string expected =
      "cutter: \n-------\n0 0 0\n1 0 0\n0 1 0\n"
      " front \nID: 0000000000000001\n3 4 \n" + kPortalsLines +
      "to:0000000000000002\n0 0 0\n 1 0.5 0\n 0 -2.25 1000\n \n"
      "\n"
      "\n"
      "behind \nID: 0000000000000002\n\n" + kPortalsLines +
      "to:0000000000000001\n0 -2.25 1000\n 1 0.5 0\n 0 0 0\n \n"
      "\n";
  EXPECT_EQ(dump(*inner(front, behind)), expected);
}

TEST_F(TreeDump, unknownTargetIsSixteenZeros) {
  Portal* portal = fragment({0, 0, 0}, {1, 0, 0}, {0, 0, 1});
  EXPECT_EQ(dump(*space({}, {portal}, 3)), "\nID: 0000000000000003\n\n" + kPortalsLines +
                                               "to:0000000000000000\n0 0 0\n 1 0 0\n 0 0 1\n \n\n");
}

}  // namespace
}  // namespace pw
