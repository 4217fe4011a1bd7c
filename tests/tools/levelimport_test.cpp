// levelimport end to end on a small hand-made level: what the viewer's OBJ
// reader gets from it, the starts file, the faces left out, and hostile
// files refused with exit code 2.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "geometry/bounds.h"
#include "scene/obj_reader.h"
#include "scene/scene.h"
#include "tests/helpers/scratch_dir.h"
#include "tests/tools/ibsp_writer.h"
#include "tools/bezier_patch.h"
#include "tools/levelimport_run.h"

namespace pw {
namespace {

using testing_support::readFile;
using testing_support::ScratchDir;

struct ImportRun {
  int exitCode;
  std::string out, err;
};

ImportRun import(const std::vector<std::string>& arguments) {
  const std::vector<std::string_view> views(arguments.begin(), arguments.end());
  std::ostringstream out, err;
  const int code = runLevelImport(views, out, err);
  return {code, out.str(), err.str()};
}

void writeBytes(const std::filesystem::path& path, const std::vector<std::byte>& bytes) {
  testing_support::writeFile(path, std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

ImportRun importLevel(const ScratchDir& dir, const std::vector<std::byte>& bytes) {
  writeBytes(dir.file("in.bsp"), bytes);
  return import({dir.file("in.bsp").string(), "-o", dir.file("level.obj").string()});
}

TEST(LevelImport, writesTheDrawnFacesAsTrianglesTheReaderKeeps) {
  ScratchDir dir;
  const ImportRun run = importLevel(dir, testing_support::writeIbsp(testing_support::smallIbspLevel()));
  ASSERT_EQ(run.exitCode, kImportWritten) << run.err;
  EXPECT_NE(run.out.find("7 written (4 of them from 1 patches), 0 degenerate"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("billboard 1, other type 0, sky 1, fog 0, trigger 0, clip 0, hint 0, nodraw 1"),
            std::string::npos) << run.out;

  Scene scene;
  const ObjReadReport report = readObjText(readFile(dir.file("level.obj")), scene);
  EXPECT_EQ(report.trianglesAdded, 7u);
  EXPECT_EQ(report.skippedLines, 0u);
  EXPECT_EQ(report.polygonFaces, 0u);
  const std::string obj = readFile(dir.file("level.obj"));
  EXPECT_NE(obj.find("mtllib level.mtl\n"), std::string::npos);
  // The floor's first corners, texture (0, 0) and (1, 0): OBJ images run upwards.
  EXPECT_NE(obj.find("\nv 0 0 0\nvt 0 1\nvn 0 1 0\nv 8.704 0 0\nvt 1 1\n"), std::string::npos) << obj;
  const std::string mtl = readFile(dir.file("level.mtl"));  // the two shaders drawn
  EXPECT_NE(mtl.find("\nnewmtl textures/base/floor\nKd "), std::string::npos);
  EXPECT_EQ(mtl.rfind("newmtl"), mtl.find("\nnewmtl textures/base/ceiling\nKd ") + 1) << mtl;

  // Every triangle faces the side its vertex normals give (the playable
  // side), and Quake's z-up box lies along y: the floor at y = 0, the patch
  // top at 144 units.
  Bounds box = Bounds::empty();
  for (std::int32_t t = 0; t < scene.triangleCount(); ++t) {
    EXPECT_GT(dot(scene.triangle(t).planeNormal(), scene.normal(scene.triangle(t).normalIndex(0))), 0.99) << t;
    for (const Point3& p : scene.corners(t)) box.grow(p);
  }
  EXPECT_EQ(scene.triangle(0).planeNormal().y, 1.0);  // the floor faces up
  EXPECT_NEAR(box.max.y, 144 * 0.034, 1e-6);
  EXPECT_NEAR(box.min.z, -256 * 0.034, 1e-6);
  EXPECT_EQ(box.min.y, 0.0);

  // Eyes 26 units above the origins; cluster 0 sees the floor's 2 of 7
  // triangles, cluster 1 all of them.
  EXPECT_EQ(readFile(dir.file("level.starts")), "5.44 1.7 -2.176 0 0.2857\n2.176 1.7 -2.176 90 1.0000\n");
}

TEST(LevelImport, patchSegmentsKeepTheCurveWithinTheTolerance) {
  // 4 tolerance x n^2 is where n segments stop being enough.
  const std::vector<std::pair<double, int>> cases = {{0.0, 1},  {16.0, 1}, {16.01, 2}, {64.0, 2},
                                                     {64.01, 3}, {1024.0, 8}, {1e30, 8}};
  for (const auto& [difference, segments] : cases) EXPECT_EQ(patchSegments(difference), segments) << difference;
}

TEST(LevelImport, refusesToWriteOverTheInput) {
  ScratchDir dir;
  const std::string level(reinterpret_cast<const char*>(testing_support::writeIbsp(testing_support::smallIbspLevel()).data()), 40);
  for (const char* input : {"level.obj", "level.mtl", "level.starts"}) {
    testing_support::writeFile(dir.file(input), level);
    const ImportRun run = import({dir.file(input).string(), "-o", dir.file("level.obj").string()});
    EXPECT_EQ(run.exitCode, kImportRefused) << input;
    EXPECT_NE(run.err.find("is the input"), std::string::npos) << run.err;
    EXPECT_EQ(readFile(dir.file(input)), level);
    std::filesystem::remove(dir.file(input));
  }
}

struct HostileCase {
  const char* name;
  std::function<void(ibsp::Level&)> changeLevel;
  std::function<void(std::vector<std::byte>&)> changeBytes;
  const char* message;
};

void setInt32(std::vector<std::byte>& bytes, std::size_t at, std::int32_t value) {
  std::memcpy(bytes.data() + at, &value, 4);
}

std::vector<HostileCase> hostileCases() {
  using Level = ibsp::Level;
  using Bytes = std::vector<std::byte>;
  const auto level = [](const char* name, std::function<void(Level&)> change, const char* message) {
    return HostileCase{name, std::move(change), [](Bytes&) {}, message};
  };
  const auto bytes = [](const char* name, std::function<void(Bytes&)> change, const char* message) {
    return HostileCase{name, [](Level&) {}, std::move(change), message};
  };
  return {
      bytes("empty", [](Bytes& b) { b.clear(); }, "too short for an IBSP header"),
      bytes("truncated", [](Bytes& b) { b.pop_back(); }, "lies outside the file"),
      bytes("magic", [](Bytes& b) { b[0] = std::byte{'X'}; }, "wrong magic"),
      bytes("version", [](Bytes& b) { setInt32(b, 4, 47); }, "version 47"),
      bytes("lump beyond the file", [](Bytes& b) { setInt32(b, testing_support::ibspLumpEntry(13), 0x7ffffff0); },
            "lump faces (offset 2147483632"),
      bytes("lump of part records", [](Bytes& b) { setInt32(b, testing_support::ibspLumpEntry(13) + 4, 103); },
            "not a whole number of 104-byte records"),
      level("leaf face", [](Level& l) { l.leafFaces[0] = 6; }, "leaffaces record 0: face out of range"),
      level("face shader", [](Level& l) { l.faces[1].shader = 4; }, "faces record 1: shader 4 out of range"),
      level("meshvert", [](Level& l) { l.meshVerts[7] = 3; }, "faces record 1: meshvert 3 outside"),
      level("vertex range", [](Level& l) { l.faces[1].vertexCount = 99; }, "vertex range out of range"),
      level("patch size", [](Level& l) { l.faces[2].patchSize = {9, 1}; }, "patch of 9 x 1 control points"),
      level("node child", [](Level& l) { l.nodes[0].children[1] = -3; }, "child -3 out of range"),
      level("node loop", [](Level& l) { l.nodes[0].children[0] = 0; }, "form a loop"),
      level("cluster", [](Level& l) { l.leaves[1].cluster = 2; }, "cluster 2 out of range"),
      level("visdata", [](Level& l) { l.visibility.bits.pop_back(); }, "do not fit"),
      level("no world", [](Level& l) { l.models.clear(); }, "no world model"),
      level("world faces", [](Level& l) { l.models[0].faceCount = 7; }, "model 0's faces"),
      level("not finite", [](Level& l) { l.vertices[3].normal[2] = std::numeric_limits<float>::infinity(); },
            "vertexes record 3: a coordinate is not finite"),
      level("entities", [](Level& l) { l.entities.pop_back(); l.entities.pop_back(); }, "unclosed { block"),
      level("origin", [](Level& l) { l.entities += "{ \"classname\" \"info_player_start\" \"origin\" \"1 2\" }"; },
            "without an origin of three numbers"),
  };
}

TEST(LevelImport, refusesHostileFilesWithoutWritingAnything) {
  for (const HostileCase& c : hostileCases()) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    ibsp::Level level = testing_support::smallIbspLevel();
    c.changeLevel(level);
    std::vector<std::byte> bytes = testing_support::writeIbsp(level);
    c.changeBytes(bytes);
    const ImportRun run = importLevel(dir, bytes);
    EXPECT_EQ(run.exitCode, kImportRefused);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("level.obj")));
  }
}

// The fuzz target's seed is this fixture, as committed.
}  // namespace
}  // namespace pw
