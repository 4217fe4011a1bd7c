#include "portal/portal.h"

#include <gtest/gtest.h>

#include <memory>

#include "bsp/bsp_node.h"
#include "portal_test_support.h"

namespace pw {
namespace {

using testing_support::samePoints;

// Either side may be filled: the other gets the corners reversed.
TEST(Portal, addTriangleFillsTheTwinReversedAndCountsFromZero) {
  Portal portal;
  const Point3 a{0, 0, 0}, b{1, 0, 0}, c{0, 1, 0}, d{1, 1, 0};
  EXPECT_EQ(portal.addTriangle(a, b, c), 0);
  EXPECT_EQ(portal.twin()->addTriangle(b, d, c), 1);
  ASSERT_EQ(portal.twin()->triangleCount(), 2);
  EXPECT_TRUE(samePoints(portal.twin()->triangle(0).vertices, {c, b, a}));
  EXPECT_TRUE(samePoints(portal.triangle(1).vertices, {c, d, b}));
}

TEST(Portal, setChildrenSplitsBothSidesAndInheritsTargets) {
  BspNode spaceA({}, {}, 1);
  BspNode spaceB({}, {}, 2);
  PortalStore store;
  Portal* parent = store.adopt(std::make_unique<Portal>());
  parent->addTriangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
  parent->setTarget(&spaceA);
  parent->twin()->setTarget(&spaceB);
  Portal* front = store.adopt(std::make_unique<Portal>());
  Portal* behind = store.adopt(std::make_unique<Portal>());
  parent->setChildren(front, behind);

  Portal* twin = parent->twin();
  EXPECT_EQ(parent->front(), front);
  EXPECT_EQ(parent->behind(), behind);
  EXPECT_EQ(twin->front(), front->twin());
  EXPECT_EQ(twin->behind(), behind->twin());
  for (const Portal* p : {parent, twin}) {
    EXPECT_EQ(p->triangleCount(), 0);
    EXPECT_EQ(p->triangles().capacity(), 0U) << "a split fragment keeps no memory";
  }
  EXPECT_EQ(front->target(), &spaceA);
  EXPECT_EQ(behind->target(), &spaceA);
  EXPECT_EQ(front->twin()->target(), &spaceB);
  EXPECT_EQ(behind->twin()->target(), &spaceB);
}

}  // namespace
}  // namespace pw
