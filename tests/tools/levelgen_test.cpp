#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "scene/mesh_edges.h"
#include "scene/scene.h"
#include "tools/levelgen.h"

namespace pw {
namespace {

std::string objText(const Mesh& mesh) {
  std::ostringstream out;
  writeObj(out, mesh);
  return out.str();
}

OpenLevelParams smallLevel() { return {.rooms = {.rows = 2, .cols = 3, .seed = 5}}; }

struct OpenCase {
  const char* name;
  OpenLevelParams params;
  bool openEdges;     // some edge borders one triangle only
  bool throughFloor;  // some triangle reaches both below and above y = 0
};

std::vector<OpenCase> openCases() {
  OpenCase closed{"closed", smallLevel(), false, false};
  OpenCase holes{"holes", smallLevel(), true, false};
  holes.params.holes = 0.3;
  OpenCase outdoor{"outdoor", smallLevel(), true, false};
  outdoor.params.ceilings = false;
  OpenCase pillars{"pillars", smallLevel(), true, true};  // the open tubes' ends
  pillars.params.pillars = true;
  OpenCase seams{"seams", smallLevel(), true, false};  // edges along a seam border one face
  seams.params.seams = true;
  return {closed, holes, outdoor, pillars, seams};
}

TEST(OpenLevel, eachKindIsOpenOrSeamedWhereItShouldBeAndRepeatable) {
  for (const OpenCase& c : openCases()) {
    SCOPED_TRACE(c.name);
    const Mesh mesh = openLevel(c.params);
    ASSERT_FALSE(mesh.faces.empty());
    EXPECT_EQ(objText(mesh), objText(openLevel(c.params)));

    Scene scene;
    appendToScene(mesh, scene);
    const MeshEdges edges = countMeshEdges(scene);
    EXPECT_EQ(!edges.open.empty(), c.openEdges) << edges.open.size() << " edges border one triangle";

    bool throughFloor = false;
    for (const Mesh::Face& face : mesh.faces) {
      const Point3& p0 = mesh.positions[static_cast<std::size_t>(face.positions[0])];
      const Point3& p1 = mesh.positions[static_cast<std::size_t>(face.positions[1])];
      const Point3& p2 = mesh.positions[static_cast<std::size_t>(face.positions[2])];
      // Not degenerate, and counter-clockwise about its "vn" normal.
      const Point3 n = cross(p1 - p0, p2 - p0);
      ASSERT_GT(dot(n, mesh.normals[static_cast<std::size_t>(face.normals[0])]), 1e-9);
      const double low = std::min({p0.y, p1.y, p2.y});
      const double high = std::max({p0.y, p1.y, p2.y});
      throughFloor = throughFloor || (low < 0 && high > 0);
    }
    EXPECT_EQ(throughFloor, c.throughFloor);
  }
}

TEST(Placement, turnsAboutTheAxisThenShiftsKeepingWindingAndFloatCoordinates) {
  const Mesh mesh = openLevel(smallLevel());
  const Point3 shift{100.5, -3, 10000};
  // A quarter turn about +y sends (x, y, z) to (z, y, -x).
  const Mesh quarter = placed(mesh, {{0, 2, 0}, 90, shift});
  ASSERT_EQ(quarter.positions.size(), mesh.positions.size());
  for (std::size_t i = 0; i < mesh.positions.size(); ++i) {
    const Point3& p = mesh.positions[i];
    const Point3 expected = Point3{p.z, p.y, -p.x} + shift;
    EXPECT_NEAR(quarter.positions[i].x, expected.x, 1e-9) << i;
    EXPECT_NEAR(quarter.positions[i].y, expected.y, 1e-9) << i;
    EXPECT_NEAR(quarter.positions[i].z, expected.z, 1e-9) << i;
  }
  const Mesh oblique = placed(mesh, {{1, 2, 3}, 37, shift});
  for (const Point3& p : oblique.positions) {
    EXPECT_EQ(static_cast<float>(p.x), p.x);
    EXPECT_EQ(static_cast<float>(p.y), p.y);
    EXPECT_EQ(static_cast<float>(p.z), p.z);
  }
  for (const Mesh::Face& face : oblique.faces) {
    auto corner = [&](std::size_t k) { return oblique.positions[static_cast<std::size_t>(face.positions[k])]; };
    const Point3 n = cross(corner(1) - corner(0), corner(2) - corner(0)).normalized();
    EXPECT_GT(dot(n, oblique.normals[static_cast<std::size_t>(face.normals[0])]), 0.999);
  }
}

}  // namespace
}  // namespace pw
