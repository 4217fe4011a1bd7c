// portalbuild run as a program: exit codes, the files it writes, its JSON.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "app/viewer/viewer.h"
#include "tests/bsp/bsp_test_support.h"
#include "tests/app/fake_shell.h"
#include "tests/helpers/material_level.h"
#include "tools/level_materials.h"
#include "tools/levelgen.h"

namespace pw {
namespace {

using testing_support::ProgramRun;
using testing_support::readFile;
using testing_support::runProgram;
using testing_support::ScratchDir;

const std::filesystem::path kSample = std::filesystem::path(PORTALWALK_LEVELS_DIR) / "folyosos.obj";

// Runs portalbuild with `arguments` (already quoted) in `dir`.
ProgramRun portalbuild(const ScratchDir& dir, const std::string& arguments) {
  return runProgram(dir, std::string("'") + PORTALBUILD_PATH + "' " + arguments);
}

// A closed 2 x 2 x 2 box: one convex Space, no split, no portal.
Mesh boxMesh() {
  Layout room;
  room.rooms = {{{0, 0, 0}, {2, 2, 2}}};
  room.cuts = {{{0, 2}, {0, 2}, {0, 2}}};
  return layoutMesh(room);
}

// The box with 150 thin triangles on its floor, each crossing most others:
// carving the floor takes GLU more intersections than a carving may make,
// so the leak search joins the room to the void below through all of it.
std::string boxWithCrossedFloor() {
  Mesh mesh = boxMesh();
  const auto up = static_cast<std::int32_t>(mesh.normals.size());
  mesh.normals.push_back({0, 1, 0});
  constexpr int kTriangles = 150;
  for (int k = 0; k < kTriangles; ++k) {
    // Along the tangent of a circle round the floor's centre, facing up.
    const double angle = 2.0 * std::numbers::pi * k / kTriangles;
    const Point3 radial{std::cos(angle), 0, std::sin(angle)};
    const Point3 tangent{-radial.z, 0, radial.x};
    const Point3 touch = Point3{1, 0, 1} + 0.5 * radial;
    const auto first = static_cast<std::int32_t>(mesh.positions.size());
    mesh.positions.insert(mesh.positions.end(), {touch - 0.7 * tangent, touch - 0.01 * radial, touch + 0.7 * tangent});
    mesh.faces.push_back({{first, first + 1, first + 2}, {up, up, up}});
  }
  std::ostringstream obj;
  writeObj(obj, mesh);
  return obj.str();
}

void writeLevel(const std::filesystem::path& path, const Mesh& mesh) {
  std::ofstream obj(path);
  writeObj(obj, mesh);
}

TEST(Portalbuild, compilesTheSampleIntoTheOutputFolderWithJson) {
  ScratchDir dir;
  const std::filesystem::path out = dir.file("nested") / "out";
  std::ostringstream arguments;  // paths stream in double quotes
  arguments << kSample << " -o " << out << " --json s.json --leak-exit-code";
  const ProgramRun run = portalbuild(dir, arguments.str());
  EXPECT_EQ(run.exitCode, 0) << run.err;
  for (const char* name : {"out.log", "contours.log", "tris.log"}) EXPECT_FALSE(readFile(out / name).empty()) << name;
  EXPECT_TRUE(run.out.find("tree:         ") != std::string::npos && run.out.find("peak memory:  ") != std::string::npos);
  EXPECT_EQ(run.err, "");  // no progress when stderr is not a terminal

  const std::string json = readFile(dir.file("s.json"));
  EXPECT_EQ(json.rfind("{\n  \"level\": \"", 0), 0u) << json;
  EXPECT_TRUE(json.ends_with("\n}\n"));
  for (const char* field : {",\n  \"inputTriangles\": 560,\n", ",\n  \"firstSkippedLines\": [],\n",
                            ",\n  \"seconds\": {\"load\": ", ", \"logWait\": ", ", \"portalCreation\": ", ",\n  \"strategy\": \"fast\",\n",
                            ",\n  \"openLevel\": {\"closed\": true, ",
                            ",\n  \"leak\": {\"checked\": true, \"found\": false, \"passages\": 0, \"uncertain\": false, \"trailFile\": \"\"},\n", ",\n  \"peakBytesPerTriangle\": "}) {
    EXPECT_NE(json.find(field), std::string::npos) << field;
  }
}

// Both programs build through the same pipeline: a box makes no portal, so
// no portal creation writes "tris.log", and one left from an earlier run is
// gone after either. A build without logs writes none and leaves it.
TEST(Portalbuild, removesAStaleTrisLog) {
  ScratchDir dir;
  writeLevel(dir.file("room.obj"), boxMesh());
  testing_support::writeFile(dir.file("tris.log"), "1 2 3\n");
  EXPECT_EQ(portalbuild(dir, "room.obj -q --no-logs").exitCode, 0);
  EXPECT_FALSE(std::filesystem::exists(dir.file("out.log")) || std::filesystem::exists(dir.file("contours.log")));
  EXPECT_EQ(readFile(dir.file("tris.log")), "1 2 3\n");
  const ProgramRun run = portalbuild(dir, "room.obj -q");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_FALSE(std::filesystem::exists(dir.file("tris.log")));
  EXPECT_NE(readFile(dir.file("out.log")).find("ID: 0000000000000001"), std::string::npos);

  testing_support::writeFile(dir.file("tris.log"), "1 2 3\n");
  testing_support::Journal journal;
  testing_support::FakePlatform platform(journal);
  testing_support::FakeGraphics graphics(journal);
  ShellState shell;
  ViewerOptions options;
  options.levelPath = dir.file("room.obj");
  options.outputDir = dir.path();
  options.fullScreen = false;
  EXPECT_EQ(runViewer(platform, graphics, shell, options, compileLevel), kExitSuccess);
  EXPECT_FALSE(std::filesystem::exists(dir.file("tris.log")));
}

// A closed box reports nothing; the same box missing one triangle reports the
// three edges around the hole, warns, and writes them as OBJ lines.
TEST(Portalbuild, reportsTheOpenEdgesOfABoxWithOneTriangleMissing) {
  ScratchDir dir;
  Mesh box = boxMesh();
  writeLevel(dir.file("closed.obj"), box);
  box.faces.pop_back();
  writeLevel(dir.file("open.obj"), box);
  const ProgramRun closed = portalbuild(dir, "closed.obj -o c --json c.json --inside 1 1 1 --leak-exit-code");
  ASSERT_EQ(closed.exitCode, 0) << closed.err;
  EXPECT_NE(closed.out.find("leak:         none\n"), std::string::npos) << closed.out;
  EXPECT_EQ(closed.out.find("open level"), std::string::npos) << closed.out;
  EXPECT_EQ(closed.out.find("warning"), std::string::npos) << closed.out;
  EXPECT_NE(readFile(dir.file("c.json")).find("\"closed\": true, \"openEdges\": 0"), std::string::npos);
  // The JSON asks for the open links; the summary alone of a closed level
  // does not.
  EXPECT_NE(closed.out.find(" open links (area "), std::string::npos) << closed.out;
  EXPECT_NE(portalbuild(dir, "closed.obj --no-logs").out.find("cells:        faces and open links not looked for"),
            std::string::npos);

  // Sets over a level that leaks restrict no eye, and the summary says so
  // rather than give shares over no Space.
  EXPECT_NE(portalbuild(dir, "closed.obj --no-logs --vis").out.find("; a Space may see "), std::string::npos);
  EXPECT_NE(portalbuild(dir, "open.obj --no-logs --vis").out.find("; no Space has a set: an eye anywhere sees "
                                                                  "everything; the level leaks"),
            std::string::npos);

  const ProgramRun open = portalbuild(dir, "open.obj -o o --json o.json --open-edges holes.obj --inside 1 1 1 --leak t.pts --svg p.svg");
  ASSERT_EQ(open.exitCode, 0) << open.err;
  EXPECT_NE(open.out.find("leak:         the inside reaches the outside through 1 portal; trail in t.pts\n"),
            std::string::npos) << open.out;
  EXPECT_NE(readFile(dir.file("p.svg")).find("<polyline class=\"leak\" points=\""), std::string::npos);
  EXPECT_NE(open.out.find("open level:   3 open edges;"), std::string::npos) << open.out;
  EXPECT_NE(open.out.find("warning:"), std::string::npos) << open.out;
  EXPECT_NE(readFile(dir.file("o.json")).find("\"closed\": false, \"openEdges\": 3"), std::string::npos);
  std::istringstream holes(readFile(dir.file("holes.obj")));
  std::size_t lines = 0, vertices = 0;
  for (std::string line; std::getline(holes, line);) {
    const bool edge = line.rfind("l ", 0) == 0;
    lines += edge ? 1 : 0;
    EXPECT_FALSE(edge && (line + ' ').find(" 0 ") != std::string::npos) << line;  // corners count from 1
    vertices += line.rfind("v ", 0) == 0 ? 1 : 0;
  }
  EXPECT_TRUE(lines == 3u && vertices == 3u);

  // The trail: from the inside point, half a unit a step along its path
  // (shorter across its corners), to beyond the box.
  std::istringstream trail(readFile(dir.file("t.pts")));
  std::vector<Point3> points;
  for (Point3 p; trail >> p.x >> p.y >> p.z;) points.push_back(p);
  ASSERT_GE(points.size(), 3u);
  EXPECT_TRUE(samePoint(points.front(), {1, 1, 1}));
  for (std::size_t i = 1; i + 1 < points.size(); ++i) {
    const Point3 step = points[i] - points[i - 1];
    EXPECT_LE(std::sqrt(dot(step, step)), 0.5 + 1e-6) << i;
  }
  const Point3& end = points.back();
  EXPECT_FALSE(end.x >= 0 && end.x <= 2 && end.y >= 0 && end.y <= 2 && end.z >= 0 && end.z <= 2);
}

// Input that loses data, cannot serve the build or is not understood is never
// passed off as a clean build: each case names what the user is told and the
// exit code.
TEST(Portalbuild, saysWhatWasLostOrCannotServe) {
  const std::string triangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//1\n";
  const std::string quad = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//1 4//1\n";
  // One above the other, both facing up: one division, so "contours.log" is written.
  const std::string stacked = triangle + "v 0 0 1\nv 1 0 1\nv 0 1 1\nf 4//1 5//1 6//1\n";
  const struct {
    std::string level;  // the bytes of level.obj
    std::string arguments;
    int exitCode;
    const char* says;
  } cases[] = {
      {triangle, "level.obj -o full", 1, "cannot write full/out.log: No space left on device"},
      {triangle, "level.obj -o full", 1, "incomplete logs: out.log"},
      {stacked, "level.obj -o fullContours", 1, "cannot write fullContours/contours.log: No space left on device"},
      {triangle, "level.obj -o level.obj/x", 1, "cannot make the output folder"},
      {stacked, "level.obj --logs fullContours", 1, "cannot write fullContours/contours.log"},
      {stacked, "level.obj --no-logs --json s.json", 0, "tree:         "},
      {boxWithCrossedFloor(), "level.obj --no-logs --inside 1 1 1", 0,
       "carving:      areas GLU could not carve, taken whole: 1 (0 for open links, 1 for the leak search)\nleak:         "
       "the inside reaches the outside through 1 portal; --leak FILE.pts writes the trail; uncertain: the trail "
       "crosses an area GLU could not carve\n"},
      {triangle, "level.obj --no-logs -o d", 2, "--logs (-o) and --no-logs exclude each other"},
      {quad, "level.obj", 0, "1 faces had more than 3 corners; only their first triangle was read (line 6)"},
      {quad, "level.obj --triangulate", 0, "2 triangles"},
      {std::string("\xFF\xFE", 2) + "v\0 \0", "level.obj", 2, "UTF-16 text is not supported; save the level as UTF-8"},
      {"v 0 0 0\rv 1 0 0\rv 0 1 0\rvn 0 0 1\rf 1//1 2//1 3//1\r", "level.obj", 0, "line ends:    carriage returns"},
      {triangle, "folder", 2, "Is a directory"},
      {triangle, "no_such_level.obj", 2, "cannot open level \"no_such_level.obj\": No such file or directory"},
      {triangle, "", 2, "cannot open level \"folyosos.obj\""},
      {"# no faces\nv 0 0 0\n", "level.obj", 1, "nothing to build"},
      {"v 0 0 0\nv 1e-6 0 0\nv 0 1e-6 0\nvn 0 0 1\nf 1//1 2//1 3//1\n", "level.obj", 0, "under 1000 times the plane"},
      {"v 1e15 0 0\nv 1000000000000000.1 0 0\nv 0 1 0\nv 0 0 1\nvn 0 0 1\nf 1//1 3//1 4//1\n", "level.obj", 0,
       "1 vertex positions that differ in the file became one"},
      {"v 0 0 0\nv 1 0 0\nv 2 0 0\nvn 0 0 1\nf 1//1 2//1 3//1\n", "level.obj", 0, "every triangle is degenerate"},
      {triangle, "--frobnicate", 2, "portalbuild: unknown option --frobnicate\n\nusage: portalbuild"},
      {triangle, "level.obj --threads 0", 2, "--threads wants a number from 1 to 1024"},
      {triangle, "--help", 0, "usage: portalbuild [LEVEL.obj]"},
      {triangle, "level.obj --leak-exit-code --inside 0.2 0.2 1", 3,
       "leak:         no wall encloses the inside point: it lies outside the level or under open sky"},
      {triangle, "level.obj --inside 1 2", 2, "--inside needs three numbers X Y Z"},
      {triangle, "level.obj --no-logs --at 1", 0, "--at does nothing without --svg"},
      {"v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf -3//-1 -2//-1 -1//-1\n", "level.obj", 1,
       "(1 faces use relative numbers, which this reader does not take)"},
      {triangle + "f 1//1 2//1 -1//1\n", "level.obj", 0, "faces:        1 skipped for relative (negative) numbers"},
  };
  for (const auto& c : cases) {
    ScratchDir dir;
    testing_support::writeFile(dir.file("level.obj"), c.level);
    std::filesystem::create_directories(dir.file("folder"));
    std::filesystem::create_directories(dir.file("full"));
    std::filesystem::create_symlink("/dev/full", dir.file("full") / "out.log");
    std::filesystem::create_directories(dir.file("fullContours"));
    std::filesystem::create_symlink("/dev/full", dir.file("fullContours") / "contours.log");
    const ProgramRun run = portalbuild(dir, c.arguments);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments << "\n" << run.out << run.err;
    EXPECT_NE((run.out + run.err).find(c.says), std::string::npos) << c.arguments << "\n" << run.out << run.err;
  }
}

// No output replaces an input, however it is named, and a trail left by no
// leak check is never removed: each case is refused or reported, and every
// file the user did not name as an output keeps its bytes.
TEST(Portalbuild, neverTouchesWhatItWasNotAskedToWrite) {
  const std::string box = [] {
    std::ostringstream obj;
    writeObj(obj, boxMesh());
    return obj.str();
  }();
  const struct {
    std::string arguments;
    int exitCode;
    const char* says;
  } cases[] = {
      {"level.obj --json level.obj", 2, "--json level.obj is the level level.obj"},
      {"level.obj --svg hard.obj", 2, "--svg hard.obj is the level level.obj"},
      {"level.obj --prt soft.obj", 2, "--prt soft.obj is the level level.obj"},
      {"soft.obj --portals-obj hard.obj", 2, "--portals-obj hard.obj is the level soft.obj"},
      {"level.obj --open-edges ./level.obj", 2, "--open-edges ./level.obj is the level"},
      {"hard.obj --leak level.obj", 2, "--leak level.obj is the level hard.obj"},
      {"logs/out.log --no-logs -q", 1, "nothing to build"},  // no logs: nothing clashes
      {"logs/out.log -o logs", 2, "the log logs/out.log is the level logs/out.log"},
      {"level.obj --no-logs --inside 1 1 1 --leak notes.txt", 0, "notes.txt is left as it is (not a leak trail)"},
      {"level.obj --no-logs --inside 1 1 1 --leak folder", 0, "folder is left as it is (not a leak trail)"},
      {"level.obj --no-logs --inside 1 1 1 --leak old.pts", 0, "removed the earlier leak trail old.pts"},
      {"level.obj --no-logs --json folder", 1, "cannot write folder: it is a folder"},
  };
  for (const auto& c : cases) {
    ScratchDir dir;
    testing_support::writeFile(dir.file("level.obj"), box);
    std::filesystem::create_hard_link(dir.file("level.obj"), dir.file("hard.obj"));
    std::filesystem::create_symlink("level.obj", dir.file("soft.obj"));
    std::filesystem::create_directories(dir.file("logs"));
    testing_support::writeFile(dir.file("logs") / "out.log", "not a level\n");
    std::filesystem::create_directories(dir.file("folder"));
    testing_support::writeFile(dir.file("notes.txt"), "1 2 3\nmy notes\n");
    testing_support::writeFile(dir.file("old.pts"), "1 1 1\n-0.5 2 1e-05\n");
    const ProgramRun run = portalbuild(dir, c.arguments);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments << "\n" << run.out << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << c.arguments << "\n" << run.err;
    EXPECT_EQ(readFile(dir.file("level.obj")), box) << c.arguments;
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("soft.obj"))) << c.arguments;
    EXPECT_EQ(readFile(dir.file("logs") / "out.log"), "not a level\n") << c.arguments;
    EXPECT_EQ(readFile(dir.file("notes.txt")), "1 2 3\nmy notes\n") << c.arguments;
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("folder"))) << c.arguments;
    EXPECT_EQ(std::filesystem::exists(dir.file("old.pts")), c.arguments.find("old.pts") == std::string::npos)
        << c.arguments;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
      EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << "left behind: " << entry.path();
    }
  }
}

// The straightforward build and the fast one on any number of threads
// write the same three logs; the summary says which build ran.
// Materials change nothing the build writes; the summary says what was found,
// and a missing image is named, drawn as a checker, and fails nothing.
TEST(Portalbuild, materialsLeaveTheLogsAsTheyAreAndAreReported) {
  ScratchDir dir;
  const Mesh mesh = layoutMesh(roomsAndCorridors({2, 2, 1, 4}));
  writeLevel(dir.file("plain.obj"), mesh);
  testing_support::writeLevelWithMaterials(dir.file("looks.obj"), mesh);
  std::filesystem::remove(dir.file(kWallImage));
  ASSERT_EQ(portalbuild(dir, "plain.obj -o plain").exitCode, 0);
  const ProgramRun run = portalbuild(dir, "looks.obj -o looks");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("look:         materials: 3 used, 3 defined in 1 of 1 libraries; images: 1 of 2 loaded; "
                         "images missing or unreadable (checker pattern): wall_bricks.png\n"),
            std::string::npos)
      << run.out;
  for (const char* name : {"out.log", "contours.log", "tris.log"}) {
    EXPECT_TRUE(readFile(dir.file("plain") / name) == readFile(dir.file("looks") / name)) << name;
  }
}

TEST(Portalbuild, everyBuildAndThreadCountWritesTheSameLogs) {
  ScratchDir dir;
  writeLevel(dir.file("level.obj"), layoutMesh(roomsAndCorridors({2, 2, 1, 4})));
  const struct {
    const char* arguments;
    const char* folder;
    const char* says;
  } runs[] = {
      {"--straightforward", "reference", "build:        straightforward"},
      {"--threads 1", "one", "build:        fast, 1 thread\n"},
      {"--threads 3", "three", "build:        fast, 3 threads"},
      {"", "default", "build:        fast, "},
  };
  for (const auto& r : runs) {
    const ProgramRun run = portalbuild(dir, std::string("level.obj -o ") + r.folder + " " + r.arguments);
    ASSERT_EQ(run.exitCode, 0) << r.arguments << run.err;
    EXPECT_NE(run.out.find(r.says), std::string::npos) << run.out;
  }
  for (const char* name : {"out.log", "contours.log", "tris.log"}) {
    const std::string reference = readFile(dir.file("reference") / name);
    EXPECT_FALSE(reference.empty()) << name;
    for (const char* folder : {"one", "three", "default"}) {
      EXPECT_TRUE(readFile(dir.file(folder) / name) == reference) << folder << "/" << name;
    }
  }
}

}  // namespace
}  // namespace pw
