#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "bsp/bsp_builder.h"
#include "bsp/bsp_node.h"
#include "bsp/reference/convexity.h"
#include "bsp_test_support.h"
#include "tests/fuzz/build_check.h"
#include "portal/portal.h"
#include "scene/scene.h"
#include "tools/levelgen.h"

namespace pw {
namespace {

using testing_support::moved;
using testing_support::sameBits;
using testing_support::ScratchDir;

double area(const Point3& a, const Point3& b, const Point3& c) {
  const Point3 n = cross(b - a, c - a);
  return 0.5 * std::sqrt(dot(n, n));
}

double area(const Scene& scene, std::int32_t t) {
  const Triangle& tri = scene.triangle(t);
  return area(scene.vertex(tri.vertexIndex(0)), scene.vertex(tri.vertexIndex(1)), scene.vertex(tri.vertexIndex(2)));
}

// Appends the mesh with every face tagged by its own vertex normal
// (face number + 1, 0, 0) on all three corners. Splitting interpolates
// between equal normals exactly, so every piece still carries its source's
// tag: the piece-to-source map the checks below need.
void appendTagged(const Mesh& mesh, Scene& scene) {
  const std::int32_t base = scene.vertexCount();
  for (const Point3& p : mesh.positions) scene.addVertex(p);
  for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
    const std::int32_t n = scene.addNormal({static_cast<double>(f + 1), 0, 0});
    const auto& v = mesh.faces[f].positions;
    scene.addTriangle(base + v[0], base + v[1], base + v[2], n, n, n);
  }
}

// (p + offset) * scale for every coordinate, rounded to 32-bit floats.
Mesh shifted(Mesh mesh, double offset, double scale) {
  for (Point3& p : mesh.positions) {
    p = {static_cast<float>((p.x + offset) * scale), static_cast<float>((p.y + offset) * scale),
         static_cast<float>((p.z + offset) * scale)};
  }
  return mesh;
}

// Builds the whole Scene, flattens, and checks what every build must give.
struct BuiltMesh {
  explicit BuiltMesh(const Mesh& mesh, TreeOptions options = {}) {
    appendTagged(mesh, scene);
    for (std::int32_t t = 0; t < scene.triangleCount(); ++t) {
      sourceArea.push_back(area(scene, t));
      sourcePlane.push_back(scene.triangle(t).planeNormal());
    }
    builder = std::make_unique<BspBuilder>(&scene, dir.path(), options);
    root = builder->build(scene.allTriangleIndices(), {});
    root->collectLeafFragments();
  }

  // Every source triangle's pieces lie in exactly one Space each (the
  // fuzzing's tree check, with the fragments' twins), on its plane, and add
  // up to its area; every division made a portal or counted one reason for
  // none.
  void checkProperties() const {
    fuzzing::BuildCheck figures;
    EXPECT_EQ(fuzzing::checkTree(scene, *root, figures), "");
    std::vector<double> pieceArea(sourceArea.size(), 0.0);
    for (const BspNode* space : collectSpaces(*root)) {
      for (const std::uint32_t t : space->triangles) {
        const Triangle& piece = scene.triangle(static_cast<std::int32_t>(t));
        const auto source = static_cast<std::size_t>(scene.normal(piece.normalIndex(0)).x) - 1;
        ASSERT_LT(source, sourceArea.size());
        pieceArea[source] += area(scene, static_cast<std::int32_t>(t));
        EXPECT_TRUE(sameBits(piece.planeNormal(), sourcePlane[source])) << "piece " << t << " of " << source;
      }
    }
    for (std::size_t s = 0; s < sourceArea.size(); ++s) {
      EXPECT_NEAR(pieceArea[s], sourceArea[s], 1e-9 * std::max(sourceArea[s], 1e-6)) << "source " << s;
    }
    const BuildStats& stats = builder->stats();
    const std::uint64_t lost = stats.planesRefused + stats.planesWithoutArea + stats.planesUntessellable;
    EXPECT_EQ(stats.innerNodes, stats.portalsCreated + stats.planesWithoutRings + lost);
    EXPECT_EQ(stats.planesWithoutPortal.size(), std::min<std::uint64_t>(lost, BuildStats::kPlanesWithoutPortalKept));
    for (const PlaneWithoutPortal& plane : stats.planesWithoutPortal) {
      ASSERT_TRUE(plane.cutter >= 0 && plane.cutter < scene.triangleCount());
      EXPECT_TRUE(sameBits(plane.normal, scene.triangle(plane.cutter).planeNormal())) << plane.cutter;
    }
  }

  ScratchDir dir;
  Scene scene;
  std::vector<double> sourceArea;
  std::vector<Point3> sourcePlane;
  std::unique_ptr<BspBuilder> builder;
  BspNode* root = nullptr;
};

// Whole builds on generated levels, as generated and turned and moved so
// that the cutters cross the lattice and cut triangles.
struct LevelCase {
  const char* name;
  bool sample;  // the sample layout, or two by two rooms
  double yaw;
  double pitch;
  Point3 offset;
};

class GeneratedLevelBuild : public ::testing::TestWithParam<LevelCase> {};

TEST_P(GeneratedLevelBuild, keepsTrianglesAreaPlanesAndPortalLinks) {
  const LevelCase& c = GetParam();
  const BuiltMesh level(
      moved(layoutMesh(c.sample ? sampleLayout() : roomsAndCorridors({})), c.yaw, c.pitch, c.offset));
  level.checkProperties();
  EXPECT_GT(level.builder->stats().spaces, 1u);
}

INSTANTIATE_TEST_SUITE_P(Levels, GeneratedLevelBuild,
                         ::testing::Values(LevelCase{"rooms", false, 0, 0, {}},
                                           LevelCase{"roomsTurned", false, 0.3, 0.1, {5.5, -2, 7}},
                                           LevelCase{"sample", true, 0, 0, {}},
                                           LevelCase{"sampleTurned", true, 1.1, -0.2, {-100, 20, 3}},
                                           LevelCase{"sampleFarAway", true, 0.7, 0, {1000, 500, -2000}}),
                         [](const auto& param) { return std::string(param.param.name); });

class RandomSoupBuild : public ::testing::TestWithParam<std::uint64_t> {};

TEST_P(RandomSoupBuild, keepsTrianglesAreaPlanesAndPortalLinks) {
  const BuiltMesh level(randomSoup(120, GetParam()));
  level.checkProperties();
  EXPECT_GT(level.builder->stats().trianglesSplit, 0u);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomSoupBuild, ::testing::Range<std::uint64_t>(1, 9));

// The total area of the leaf fragments of every Space (each portal counted
// once per side).
double leafPortalArea(const BspNode& root) {
  double sum = 0.0;
  for (const BspNode* space : collectSpaces(root)) {
    for (const Portal* fragment : space->portals) {
      for (const PortalTriangle& t : fragment->triangles()) sum += area(t.vertices[0], t.vertices[1], t.vertices[2]);
    }
  }
  return sum;
}

// A level beyond +-1000 gets a larger square that holds every ring: moved or
// scaled (exactly, so the trees are the same), the rooms keep all their
// portal area. Held to the square of 1000, doorways straddling its edge lose
// their planes to GLU's refusal, and the build's figures say so.
TEST(TreeBuild, levelsBeyondAThousandUnitsKeepTheirPortalArea) {
  const Mesh rooms = layoutMesh(roomsAndCorridors(roomsForSize(1000)));
  const BuiltMesh original(rooms);
  const double reference = leafPortalArea(*original.root);
  ASSERT_GT(reference, 0.0);
  ASSERT_EQ(original.builder->stats().planesRefused, 0u);
  const struct {
    double offset;
    double scale;
  } cases[] = {{1010, 1}, {998.5, 1}, {0, 1000}, {1010, 1000}};
  for (const auto& c : cases) {
    const BuiltMesh level(shifted(rooms, c.offset, c.scale));
    const double expected = reference * c.scale * c.scale;
    EXPECT_NEAR(leafPortalArea(*level.root), expected, 1e-9 * expected)
        << "offset " << c.offset << ", scale " << c.scale;
    EXPECT_EQ(level.builder->stats().planesRefused, 0u);
  }

  TreeOptions smallSquare;
  smallSquare.squareHalfSide = kSquareHalfSide;
  const BuiltMesh clipped(shifted(rooms, 998.5, 1), smallSquare);
  EXPECT_LT(leafPortalArea(*clipped.root), reference);
  EXPECT_GT(clipped.builder->stats().planesRefused, 0u);
  clipped.checkProperties();
}

}  // namespace
}  // namespace pw
