// The viewer's frames drawn from buffers against the immediate-mode
// reference, and the view modes' colours against a CPU ray caster, on
// generated levels under a virtual X server.
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "culling/view_matrix.h"
#include "scene/scene.h"
#include "scene/scene_look.h"
#include "tests/app/viewer_run.h"
#include "tests/helpers/first_hits.h"
#include "tests/helpers/material_level.h"
#include "tools/level_materials.h"
#include "tools/levelgen.h"

namespace pw {
namespace {

using testing_support::expectBuffersDrawAsImmediate;
using testing_support::pixelRay;
using testing_support::rayCrossing;
using testing_support::ScratchDir;

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

// Rooms and corridors placed as levelgen places them: the designed eye in
// the first room.
Mesh roomsAroundTheEye(const RoomsParams& rooms) {
  const OpenLevelParams params{.rooms = rooms};
  return placed(openLevel(params), {.shift = startShift(openLayout(params))});
}

TEST(DrawPaths, buffersDrawTheImmediateFramesOfAGeneratedLevel) {
  const ScratchDir dir;
  std::ofstream(dir.file("rooms.obj")) << [] {
    std::ostringstream obj;
    writeObj(obj, roomsAroundTheEye({.rows = 2, .cols = 3, .subdivision = 2, .seed = 7}));
    return obj.str();
  }();
  // Down the row of doorways, turned, walked into the next room, turned.
  expectBuffersDrawAsImmediate(
      dir, "rooms.obj --windowed --frames 44 --yaw 90 --keys 'F12 1, turn -60, F12 1, Up 40, turn 100, F12 1, turn 170, F12 1'",
      4, 0);
}

// A grid of pixel centres: one in kStep along and down.
constexpr int kStep = 8;
// How far inside a triangle's edges (barycentric) a ray must meet it to
// count: near an edge or a seam either face, or a blend, may show.
constexpr double kEdgeMargin = 0.02;
// Rounding of the GL's colour arithmetic, per channel.
constexpr int kColourSlack = 2;

// The front-facing triangle the ray meets first, with `slack`; -1: none.
std::int32_t nearestFront(const Scene& scene, const Point3& eye, const Point3& dir, double slack) {
  std::int32_t nearest = -1;
  double best = 0.0;
  for (std::int32_t i = 0; i < scene.triangleCount(); ++i) {
    const auto crossing = rayCrossing(scene, i, eye, dir, slack);
    if (!crossing || !crossing->front || crossing->t < kNearPlane || (nearest >= 0 && crossing->t >= best)) continue;
    nearest = i;
    best = crossing->t;
  }
  return nearest;
}

struct SampledPixel {
  std::array<int, 3> rgb;
  std::int32_t triangle;
};

// The pixels of `frame` on the grid whose ray meets one triangle well inside
// its edges, with that triangle.
std::vector<SampledPixel> samplePixels(const Scene& scene, const Camera& camera, const Image& frame) {
  const Matrix4 view = viewMatrix(camera);
  std::vector<SampledPixel> pixels;
  for (int py = kStep / 2; py < kHeight; py += kStep) {
    for (int px = kStep / 2; px < kWidth; px += kStep) {
      const Point3 dir = pixelRay(camera, view, px, py, kWidth, kHeight);
      const std::int32_t inside = nearestFront(scene, camera.eye(), dir, -kEdgeMargin);
      if (inside < 0 || nearestFront(scene, camera.eye(), dir, kEdgeMargin) != inside) continue;
      const std::size_t at = 3 * (static_cast<std::size_t>(py) * kWidth + static_cast<std::size_t>(px));
      pixels.push_back({{frame.rgb[at], frame.rgb[at + 1], frame.rgb[at + 2]}, inside});
    }
  }
  return pixels;
}

// Colours of levelgen's images, lit: the wall's red bricks, the floor's
// blue and light tiles; the ceiling has no image, only a bluish colour.
bool brick(const std::array<int, 3>& c) { return c[0] > c[1] + 40 && c[0] > c[2] + 40; }
bool blueTile(const std::array<int, 3>& c) { return c[2] > c[0] + 30; }
bool lightTile(const std::array<int, 3>& c) { return c[0] > 150 && c[0] >= c[2] + 10 && c[0] - c[1] < 40; }
bool ceilingColour(const std::array<int, 3>& c) { return c[2] > c[1] && c[1] > c[0]; }

// F4 from textured through flat to normals, each frame saved: the same
// frames drawn from buffers and immediately; where the ray caster meets a
// face, each mode shows its colour.
TEST(DrawPaths, viewModesShowTheirColoursWhereTheRayCasterMeetsAFace) {
  const ScratchDir dir;
  const Mesh mesh = roomsAroundTheEye({.rows = 2, .cols = 2, .subdivision = 1, .seed = 4});
  testing_support::writeLevelWithMaterials(dir.file("looks.obj"), mesh);
  const std::vector<Image> frames = expectBuffersDrawAsImmediate(
      dir, "looks.obj --windowed --frames 5 --yaw 30 --look textured --keys 'F12 1, F4 1, F12 1, F4 1, F12 1'", 3, 0);
  ASSERT_EQ(frames.size(), 3u);

  Scene scene;
  SceneLook look;
  testing_support::buildWithLook(dir.file("looks.obj"), scene, look);
  Camera camera;
  camera.yaw = 30.0f;
  camera.aspect = static_cast<float>(kWidth) / static_cast<float>(kHeight);

  // Per material, the pixels sampled and how many show each kind of colour.
  std::map<std::string, std::map<std::string, int>> shown;
  for (const SampledPixel& pixel : samplePixels(scene, camera, frames[0])) {
    const TriangleLook& face = *look.of(scene, pixel.triangle);
    auto& kinds = shown[look.materialNames.at(static_cast<std::size_t>(face.material))];
    ++kinds["all"];
    kinds["brick"] += brick(pixel.rgb);
    kinds["blue tile"] += blueTile(pixel.rgb);
    kinds["light tile"] += lightTile(pixel.rgb);
    kinds["ceiling"] += ceilingColour(pixel.rgb);
  }
  // Mostly bricks (the rest their joints), never a tile's blue.
  EXPECT_GT(shown[kWallMaterial]["brick"], shown[kWallMaterial]["all"] * 6 / 10);
  EXPECT_EQ(shown[kWallMaterial]["blue tile"], 0);
  // Both kinds of tile, never a brick.
  EXPECT_GT(shown[kFloorMaterial]["blue tile"], shown[kFloorMaterial]["all"] / 4);
  EXPECT_GT(shown[kFloorMaterial]["light tile"], shown[kFloorMaterial]["all"] / 4);
  EXPECT_EQ(shown[kFloorMaterial]["brick"], 0);
  EXPECT_GE(shown[kCeilingMaterial]["all"], 10);
  EXPECT_EQ(shown[kCeilingMaterial]["ceiling"], shown[kCeilingMaterial]["all"]);

  // Flat: one lit grey on every face. Normals: unlit, the face's direction.
  const std::vector<SampledPixel> flat = samplePixels(scene, camera, frames[1]);
  EXPECT_GT(flat.size(), 1000u);
  for (const SampledPixel& pixel : flat) {
    const auto& c = pixel.rgb;
    ASSERT_TRUE(c[0] > 0 && c[0] == c[1] && c[1] == c[2]) << c[0] << ' ' << c[1] << ' ' << c[2];
  }
  for (const SampledPixel& pixel : samplePixels(scene, camera, frames[2])) {
    const Point3& n = scene.triangle(pixel.triangle).planeNormal();
    const std::array<double, 3> want = {n.x, n.y, n.z};
    for (std::size_t k = 0; k < 3; ++k) {
      ASSERT_NEAR(pixel.rgb[k], 255.0 * (0.5 + 0.5 * want[k]), kColourSlack) << "channel " << k;
    }
  }
}

}  // namespace
}  // namespace pw
