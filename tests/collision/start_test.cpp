// Where a generated level puts the viewer's designed eye: in an enclosed
// room, standing height over its floor; and the probe's three answers.
#include <gtest/gtest.h>

#include "collision/enclosure.h"
#include "scene/scene.h"
#include "tools/levelgen.h"

namespace pw {
namespace {

const Point3 kDesignedEye{-1.6, 0.2, 0.4};

TEST(Start, generatedRoomsKindsStandTheDesignedEyeInTheFirstRoom) {
  const struct {
    const char* kind;
    OpenLevelParams params;
    Surroundings expected;
  } kinds[] = {{"rooms", {.rooms = {.seed = 3}}, Surroundings::Enclosed},
               {"pillars", {.rooms = {.seed = 4}, .pillars = true}, Surroundings::Enclosed},
               {"seams", {.rooms = {.seed = 5}, .seams = true}, Surroundings::Enclosed},
               // Open to the sky: a sight line upwards meets nothing.
               {"outdoor", {.rooms = {.seed = 6}, .ceilings = false}, Surroundings::Void}};
  for (const auto& k : kinds) {
    Scene scene;
    appendToScene(placed(openLevel(k.params), {.shift = startShift(openLayout(k.params))}), scene);
    const EnclosureProbe probe = probeEnclosure(scene, kDesignedEye);
    EXPECT_EQ(probe.where, k.expected) << k.kind;
    ASSERT_TRUE(probe.floorBelow) << k.kind;
    EXPECT_NEAR(*probe.floorBelow, 1.2, 1e-6) << k.kind;
  }
}

TEST(Start, probeTellsVoidAndSolidApart) {
  Scene scene;
  appendToScene(layoutMesh(sampleLayout()), scene);
  EXPECT_EQ(probeEnclosure(scene, kDesignedEye).where, Surroundings::Enclosed);
  EXPECT_EQ(probeEnclosure(scene, {-1.6, 50, 0.4}).where, Surroundings::Void);
  const std::optional<Point3> stand = roomiestStand(scene, 1.2);
  ASSERT_TRUE(stand);
  EXPECT_EQ(probeEnclosure(scene, *stand).where, Surroundings::Enclosed);
  Layout room;  // a closed block in a closed room: its inside is solid
  room.rooms = {{{-5, 0, -5}, {5, 3, 5}}};
  room.cellSize = 1.0;
  room.pillars = {{{{1, 0, -1}, {2, 2, 1}}, true}};
  Scene blocked;
  appendToScene(layoutMesh(room), blocked);
  EXPECT_EQ(probeEnclosure(blocked, {1.5, 1, 0}).where, Surroundings::Solid);
  EXPECT_EQ(probeEnclosure(blocked, {-1.5, 1, 0}).where, Surroundings::Enclosed);
}

}  // namespace
}  // namespace pw
