#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tools/levelgen.h"

namespace pw {
namespace {

using Edge = std::pair<std::int32_t, std::int32_t>;

// How many triangles use each edge, by position index, either direction.
std::map<Edge, int> edgeUses(const Mesh& mesh) {
  std::map<Edge, int> uses;
  for (const Mesh::Face& face : mesh.faces) {
    for (std::size_t k = 0; k < 3; ++k) {
      const std::int32_t a = face.positions[k];
      const std::int32_t b = face.positions[(k + 1) % 3];
      ++uses[{std::min(a, b), std::max(a, b)}];
    }
  }
  return uses;
}

// Corners lying strictly inside an edge they are not an end of. The levels'
// coordinates are short binary fractions, so the products are exact.
int tJunctions(const Mesh& mesh, const std::map<Edge, int>& uses) {
  int found = 0;
  for (const auto& [edge, count] : uses) {
    const Point3& a = mesh.positions[static_cast<std::size_t>(edge.first)];
    const Point3 along = mesh.positions[static_cast<std::size_t>(edge.second)] - a;
    for (const Point3& p : mesh.positions) {
      const Point3 c = cross(along, p - a);
      const double t = dot(p - a, along);
      if (c.x == 0 && c.y == 0 && c.z == 0 && t > 0 && t < dot(along, along)) ++found;
    }
  }
  return found;
}

std::string objText(const Mesh& mesh) {
  std::ostringstream out;
  writeObj(out, mesh);
  return out.str();
}

OpenLevelParams smallLevel() {
  OpenLevelParams params;
  params.rooms.rows = 2;
  params.rooms.cols = 3;
  params.rooms.seed = 5;
  return params;
}

struct OpenCase {
  const char* name;
  OpenLevelParams params;
  bool openEdges;   // some edge borders one triangle only
  bool tJunction;   // some corner lies inside another edge
  bool throughFloor;  // some triangle reaches both below and above y = 0
};

std::vector<OpenCase> openCases() {
  OpenCase closed{"closed", smallLevel(), false, false, false};
  OpenCase holes{"holes", smallLevel(), true, false, false};
  holes.params.holes = 0.3;
  OpenCase outdoor{"outdoor", smallLevel(), true, false, false};
  outdoor.params.ceilings = false;
  OpenCase pillars{"pillars", smallLevel(), true, false, true};  // the open tubes' ends
  pillars.params.pillars = true;
  OpenCase seams{"seams", smallLevel(), true, true, false};  // edges along a seam border one face
  seams.params.seams = true;
  return {closed, holes, outdoor, pillars, seams};
}

TEST(OpenLevel, eachKindIsOpenOrSeamedWhereItShouldBeAndRepeatable) {
  for (const OpenCase& c : openCases()) {
    SCOPED_TRACE(c.name);
    const Mesh mesh = openLevel(c.params);
    ASSERT_FALSE(mesh.faces.empty());
    EXPECT_EQ(objText(mesh), objText(openLevel(c.params)));

    const std::map<Edge, int> uses = edgeUses(mesh);
    const auto single = std::count_if(uses.begin(), uses.end(), [](const auto& e) { return e.second == 1; });
    EXPECT_EQ(single > 0, c.openEdges) << single << " edges border one triangle";
    const int junctions = tJunctions(mesh, uses);
    EXPECT_EQ(junctions > 0, c.tJunction) << junctions << " T-junctions";

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

}  // namespace
}  // namespace pw
