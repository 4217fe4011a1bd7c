#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/helpers/scratch_dir.h"
#include "scene/level_look.h"
#include "scene/obj_reader.h"
#include "scene/scene.h"
#include "scene/scene_look.h"

namespace pw {
namespace {

using testing_support::ScratchDir;
using testing_support::writeFile;

// A unit square in z = 0 as two faces, each corner with a texture number:
//   4 +--+ 3
//     | /|
//   1 +--+ 2
constexpr const char* kSquare =
    "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvn 0 0 1\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n";

// A 2 x 2 RGB PNG, every sample 200.
constexpr char kGreyPng[] =
    "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x02\0\0\0\x02\x08\x02\0\0\0\xfd\xd4\x9a\x73\0\0\0\x0eIDAT"
    "\x78\x9c\x63\x38\x01\x06\x0c\x10\x0a\0\x41\xae\x09\x61\x03\xa7\x9d\xc3\0\0\0\0IEND\xae\x42\x60\x82";

struct LookCase {
  const char* name;
  std::string obj;                          // after kSquare
  std::vector<std::pair<const char*, const char*>> files;  // name, text ("PNG": a real 2 x 2 image)
  std::vector<std::int32_t> materials;      // per triangle
  std::int32_t cornerTexCoord;              // triangle 0, corner 1
  std::string summary;
};

const LookCase kCases[] = {
    {"usemtl after the first face", "f 1/1/1 2/2/1 3/3/1\nusemtl red\nf 1/1/1 3/3/1 4/4/1\nmtllib a.mtl\n",
     {{"a.mtl", "newmtl red\nKd 1 0 0\nNs 10\n"}}, {-1, 0}, 1,
     "materials: 1 used, 1 defined in 1 of 1 libraries; images: 0 of 0 loaded"},
    {"unknown material and missing library", "mtllib gone.mtl\nusemtl blue\nf 1/1/1 2/2/1 3/3/1\n", {}, {0}, 1,
     "materials: 1 used, 0 defined in 0 of 1 libraries; images: 0 of 0 loaded; libraries missing: gone.mtl; "
     "materials unknown: blue"},
    {"several libraries on one line, the first definition counts",
     "mtllib a.mtl b.mtl\nusemtl b\nf 1/1/1 2/2/1 3/3/1\nusemtl a\nf 1/1/1 3/3/1 4/4/1\nusemtl b\nf 2/2/1 3/3/1 4/4/1\n",
     {{"a.mtl", "newmtl a\nmap_Kd -s 1 1 1 img/a.png\n"}, {"b.mtl", "newmtl b\nnewmtl a\n"}, {"img/a.png", "PNG"}},
     {0, 1, 0}, 1, "materials: 2 used, 3 defined in 2 of 2 libraries; images: 1 of 1 loaded"},
    {"vt out of range, unreadable, or absent", "f 1/9/1 2/5/1 3//1\nvt x y\nf 1/1/1 3/5/1 4/4/1\n", {}, {-1, -1},
     TriangleLook::kNone, "materials: 0 used, 0 defined in 0 of 0 libraries; images: 0 of 0 loaded; 3 texture "
                          "numbers out of range"},
    {"images missing or corrupt", "mtllib a.mtl\nusemtl m\nf 1/1/1 2/2/1 3/3/1\nusemtl n\nf 1/1/1 3/3/1 4/4/1\n",
     {{"a.mtl", "newmtl m\nmap_Kd gone.png\nnewmtl n\nmap_Kd bad.jpg\n"}, {"bad.jpg", "not an image"}}, {0, 1}, 1,
     "materials: 2 used, 2 defined in 1 of 1 libraries; images: 0 of 2 loaded; images missing or unreadable "
     "(checker pattern): gone.png bad.jpg"},
};

class LookTable : public ::testing::TestWithParam<LookCase> {};

TEST_P(LookTable, readsMaterialsBesideAnUnchangedScene) {
  const LookCase& c = GetParam();
  ScratchDir dir;
  for (const auto& [name, text] : c.files) {
    std::filesystem::create_directories(dir.file(name).parent_path());
    writeFile(dir.file(name), std::string(text) == "PNG" ? std::string(kGreyPng, sizeof kGreyPng - 1) : text);
  }
  const std::string obj = kSquare + c.obj;
  Scene plain, looked;
  SceneLook look;
  const ObjReadReport plainReport = readObjText(obj, plain);
  const ObjReadReport lookedReport = readObjText(obj, looked, {.look = &look});
  ASSERT_EQ(plain.triangleCount(), looked.triangleCount());
  EXPECT_EQ(plainReport.otherKeywordLines, lookedReport.otherKeywordLines);
  ASSERT_EQ(look.triangles.size(), c.materials.size());
  for (std::size_t i = 0; i < c.materials.size(); ++i) EXPECT_EQ(look.triangles[i].material, c.materials[i]) << i;
  EXPECT_EQ(look.triangles[0].texCoords[1], c.cornerTexCoord);

  const LevelLook level = loadLevelLook(look, dir.path(), true);
  EXPECT_EQ(level.report.summary(), c.summary);
  ASSERT_EQ(level.images.size(), level.report.imagesNamed);
  for (std::size_t i = 0; i < level.images.size(); ++i) {
    const bool loaded = i < level.report.imagesLoaded;
    EXPECT_EQ(level.images[i].width, loaded ? 2 : checkerImage().width);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, LookTable, ::testing::ValuesIn(kCases),
                         [](const auto& param) { return "case" + std::to_string(param.index); });

TEST(SceneLook, aPieceTakesTexCoordsInterpolatedInItsOrigin) {
  Scene scene;
  SceneLook look;
  readObjText(std::string(kSquare) + "f 1/1/1 2/2/1 3/3/1\n", scene, {.look = &look});
  const std::int32_t middle = scene.addVertex({0.5, 0.0, 0.0});
  const std::int32_t piece = scene.addTriangleOnPlaneOf(0, middle, 1, 2, 0, 0, 0);
  const std::int32_t pieceOfPiece = scene.addTriangleOnPlaneOf(piece, middle, 1, 2, 0, 0, 0);
  EXPECT_EQ(scene.origin(pieceOfPiece), 0);
  const std::array<float, 6> uv = look.cornerTexCoords(scene, pieceOfPiece);
  EXPECT_EQ(uv, (std::array<float, 6>{0.5f, 0.0f, 1.0f, 0.0f, 1.0f, 1.0f}));
}

}  // namespace
}  // namespace pw
