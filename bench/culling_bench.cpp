// What the viewer's culling modes draw, and what the cells and open links
// cost, on the sample and on generated closed and open levels.
//
// usage: culling_bench [POSES] [SIZE... | deepCOUNT...]
//   POSES  random eye poses per level, standing in the rooms (default 200)
//   SIZE   approximate triangle counts of generated levels (default 4000 16000)
//   deepCOUNT  the deep level of COUNT triangles (levelgen deep), the eye
//          inside its bowl, where every face looks away from it
//
// For each level: the build's time, the time and memory of the cell faces
// and of the open links, the time of the sight regions, and the mean share
// of Spaces and triangles a frame draws with `designed`, `sound`, `narrow`, `narrow + vis`, `auto + vis`
// (what the default mode draws with the visible sets) and `all` culling (all
// is 100 % by definition), the milliseconds `narrow` and `auto` take to
// choose them,
// the visible sets' time and the mean share of Spaces in the eye's set.
// Frames per second need a GL context: bench/viewer_bench.sh.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "cells/cell_faces.h"
#include "cells/open_links.h"
#include "cells/visible_sets.h"
#include "compile/level_compiler.h"
#include "compile/level_openness.h"
#include "culling/camera.h"
#include "culling/choose_spaces.h"
#include "culling/region_traversal.h"
#include "culling/space_traversal.h"
#include "culling/view_matrix.h"
#include "regions/region_sets.h"
#include "regions/sight_graph.h"
#include "scene/scene.h"
#include "support/stopwatch.h"
#include "tools/levelgen.h"
#include "tools/random_pose.h"

namespace {

using namespace pw;

// Keeps the timed culling from being optimised away.
std::size_t benchSink = 0;

struct BenchLevel {
  std::string name;
  Mesh mesh;
  std::vector<Bounds> rooms;
};

std::vector<BenchLevel> benchLevels(const std::vector<std::uint64_t>& sizes, const std::vector<std::uint32_t>& deep) {
  std::vector<BenchLevel> levels;
  const Layout sample = sampleLayout();
  levels.push_back({"folyosos.obj", layoutMesh(sample), roomInteriors(sample, 0.2)});
  // Above the bowl's floor (y = 0.05 (x^2 + xz + z^2) <= 1.35 here).
  for (const std::uint32_t count : deep) {
    levels.push_back({"deep " + std::to_string(count), deepLevel(count), {Bounds{{-3, 2, -3}, {3, 3, 3}}}});
  }
  for (const std::uint64_t size : sizes) {
    const Layout rooms = roomsAndCorridors(roomsForSize(size));
    levels.push_back({"rooms " + std::to_string(size), layoutMesh(rooms), roomInteriors(rooms, 0.2)});
    const auto open = [&](const char* kind, double holes, bool ceilings, bool pillars, bool seams) {
      OpenLevelParams params;
      params.rooms = roomsForSize(size);
      params.holes = holes;
      params.ceilings = ceilings;
      params.pillars = pillars;
      params.seams = seams;
      levels.push_back({std::string(kind) + " " + std::to_string(size), openLevel(params),
                        roomInteriors(openLayout(params), 0.2)});
    };
    open("holes", 0.1, true, false, false);
    open("outdoor", 0.0, false, false, false);
    open("pillars", 0.0, true, true, false);
    open("seams", 0.0, true, false, true);
  }
  return levels;
}

std::uint64_t bytesOf(const CellFaces& cells) {
  std::uint64_t bytes = sizeof cells + cells.faces.capacity() * sizeof(CellFace);
  for (const CellFace& face : cells.faces) bytes += face.polygon.capacity() * sizeof(Point3);
  for (const auto& list : cells.facesOfSpace) bytes += sizeof list + list.capacity() * sizeof(std::uint32_t);
  return bytes;
}

std::uint64_t bytesOf(const OpenLinks& links) {
  std::uint64_t bytes = sizeof links + links.links.capacity() * sizeof(OpenLink);
  for (const OpenLink& link : links.links) {
    bytes += link.triangles.capacity() * sizeof(FlatTriangle) + link.corners.capacity() * sizeof(Point3);
  }
  for (const auto& list : links.linksFrom) bytes += sizeof list + list.capacity() * sizeof(std::uint32_t);
  return bytes;
}

void run(const BenchLevel& level, int poses, const std::filesystem::path& work) {
  {
    std::ofstream obj(work / "level.obj");
    writeObj(obj, level.mesh);
  }
  Scene scene;
  CompileOptions options;
  options.levelPath = work / "level.obj";
  options.outputDir = work;
  const auto compiled = compileLevel(scene, options);
  const Stopwatch cellTime;
  const CellFaces cells = computeCellFaces(scene, *compiled->root);
  const double cellSeconds = cellTime.seconds();
  const Stopwatch linkTime;
  const OpenLinks links = findOpenLinks(scene, cells);
  const double linkSeconds = linkTime.seconds();
  const OpenLevelReport report = reportOpenLevel(*compiled, cells, links);
  const Stopwatch sightTime;
  const SightGraph sight = findSightGraph(scene, *compiled->root, cells);
  const double sightSeconds = sightTime.seconds();
  // What auto would traverse: the links only on an open level.
  const OpenLinks* followed = report.openness.designHolds() ? nullptr : &links;
  const Culling automatic = followed == nullptr ? Culling::Designed : Culling::Sound;
  const Stopwatch visTime;
  SetsReport setsReport;
  const VisibleSets vis = findVisibleSets(sight, levelBounds(scene), {}, setsReport);
  const double visSeconds = visTime.seconds();

  std::uint64_t levelTriangles = 0;
  for (const BspNode* space : collectSpaces(*compiled->root)) levelTriangles += space->triangles.size();
  std::mt19937 random(7);
  double narrowSeconds = 0.0;
  double autoSeconds = 0.0;
  double designedSpaces = 0, soundSpaces = 0, narrowSpaces = 0, visSpaces = 0, autoVisSpaces = 0,
         designedTriangles = 0, soundTriangles = 0, narrowTriangles = 0, visTriangles = 0, autoVisTriangles = 0,
         eyeSetSpaces = 0;
  for (int pose = 0; pose < poses; ++pose) {
    const Camera camera = randomPose(random, level.rooms, 0.0);
    const ViewPyramid view(camera, viewMatrix(camera));
    const auto count = [](const std::vector<const BspNode*>& spaces, double& spaceSum, double& triangleSum) {
      spaceSum += static_cast<double>(spaces.size());
      for (const BspNode* space : spaces) triangleSum += static_cast<double>(space->triangles.size());
    };
    count(chooseSpaces(Culling::Designed, scene, *compiled->root, view, {}), designedSpaces, designedTriangles);
    count(chooseSpaces(Culling::Sound, scene, *compiled->root, view, {.links = &links}), soundSpaces, soundTriangles);
    const Stopwatch narrowTime;
    const auto narrow = narrowedSpaces(scene, *compiled->root, view, sight);
    narrowSeconds += narrowTime.seconds();
    count(narrow, narrowSpaces, narrowTriangles);
    count(narrowedSpaces(scene, *compiled->root, view, sight, &vis), visSpaces, visTriangles);
    count(chooseSpaces(automatic, scene, *compiled->root, view, {.links = followed, .vis = &vis}), autoVisSpaces,
          autoVisTriangles);
    const Stopwatch autoTime;
    benchSink += chooseSpaces(automatic, scene, *compiled->root, view, {.links = followed}).size();
    autoSeconds += autoTime.seconds();
    eyeSetSpaces += static_cast<double>(vis.count(locateSpace(scene, *compiled->root, camera.eye()).number));
  }
  const double n = poses;
  const double spaces = static_cast<double>(report.spaces);
  std::printf("| %-16s | %9llu | %6llu | %-6s | %8.3f | %7.3f %5.1f%% | %6.2f | %6llu | %8.3f | %6.1f%% %6.1f%% | %6.1f%% %6.1f%% | %6.1f%% %6.1f%% %7.3f | %7.3f | %6.1f%% %6.1f%% | %6.1f%% %6.1f%% | %7.3f %5.1f%% |\n",
              level.name.c_str(), static_cast<unsigned long long>(levelTriangles),
              static_cast<unsigned long long>(report.spaces), report.openness.designHolds() ? "closed" : "open",
              compiled->buildSeconds, cellSeconds + linkSeconds,
              100.0 * (cellSeconds + linkSeconds) / compiled->buildSeconds,
              static_cast<double>(bytesOf(cells) + bytesOf(links)) / 1048576.0,
              static_cast<unsigned long long>(report.openLinks), sightSeconds,
              100.0 * designedSpaces / n / spaces, 100.0 * designedTriangles / n / static_cast<double>(levelTriangles),
              100.0 * soundSpaces / n / spaces, 100.0 * soundTriangles / n / static_cast<double>(levelTriangles),
              100.0 * narrowSpaces / n / spaces, 100.0 * narrowTriangles / n / static_cast<double>(levelTriangles),
              1000.0 * narrowSeconds / n, 1000.0 * autoSeconds / n,
              100.0 * visSpaces / n / spaces, 100.0 * visTriangles / n / static_cast<double>(levelTriangles),
              100.0 * autoVisSpaces / n / spaces, 100.0 * autoVisTriangles / n / static_cast<double>(levelTriangles),
              visSeconds, 100.0 * eyeSetSpaces / n / spaces);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const int poses = argc > 1 ? std::atoi(argv[1]) : 200;
  std::vector<std::uint64_t> sizes;
  std::vector<std::uint32_t> deep;
  for (int i = 2; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument.starts_with("deep")) {
      deep.push_back(static_cast<std::uint32_t>(std::strtoul(argument.c_str() + 4, nullptr, 10)));
    } else {
      sizes.push_back(std::strtoull(argument.c_str(), nullptr, 10));
    }
  }
  if (sizes.empty() && deep.empty()) sizes = {4000, 16000};
  const auto work = std::filesystem::temp_directory_path() / ("culling_bench_" + std::to_string(::getpid()));
  std::filesystem::create_directories(work);
  std::printf("%d random poses per level, standing in the rooms; shares are of the level's Spaces / triangles\n",
              poses);
  std::printf("| level            | triangles | Spaces | mesh   | build s  | cells+links s  | MiB    | links  | sight s  | designed Spaces/tris | sound Spaces/tris | narrow Spaces/tris/ms | auto ms | narrow+vis Spaces/tris | auto+vis Spaces/tris | vis s, eye set |\n");
  std::printf("|------------------|-----------|--------|--------|----------|----------------|--------|--------|----------|-----------------|-----------------|-----------------|---------|-----------------|-----------------|---------------|\n");
  for (const BenchLevel& level : benchLevels(sizes, deep)) run(level, poses, work);
  std::filesystem::remove_all(work);
}
