// Everything both programs do to turn a level file into a tree they can use:
// check that the level opens (when asked), clear the stale "tris.log" (when
// logs are written), compile (read, build, flatten, dump), close the logs and
// measure how open the level is; then, where wanted, find the cells' open
// links. The phase times are kept here so that no driver keeps its own
// stopwatches.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cells/cell_faces.h"
#include "cells/open_links.h"
#include "compile/level_compiler.h"
#include "compile/level_openness.h"
#include "regions/sight_graph.h"

namespace pw {

// Reads, builds, flattens and dumps the level (compileLevel, or a stand-in in
// tests).
using LevelCompiler = std::function<std::unique_ptr<CompiledLevel>(Scene&, const CompileOptions&)>;

// The three build logs, as named in their folder.
inline constexpr const char* kBuildLogNames[] = {"out.log", "contours.log", "tris.log"};

struct BuildLevelOptions {
  CompileOptions compile;
  // portalbuild refuses a level that does not open and makes its output
  // folder (when logs are written); the viewer does neither (the reader
  // reports the level and the viewer runs with an empty one; its folder
  // already holds "log.txt").
  bool requireLevel = false;
  bool makeOutputDir = false;
};

struct BuiltLevel {
  // Set when `requireLevel` found that the level does not open: why not, as
  // strerror says it (nothing else was done, and `compiled` is null).
  std::string unopened;
  // Set when `makeOutputDir` could not make it: why not (nothing was compiled).
  std::string outputFolderFailure;
  // Set unless one of the two refusals above is.
  std::unique_ptr<CompiledLevel> compiled;
  // The three logs that did not reach the disk whole; they are closed.
  std::vector<LogFailure> logFailures;
  std::uint64_t peakMemoryKiB = 0;  // right after the compile
  Openness openness;
  // Empty until findCellLinks, as are their times and the report.
  CellFaces cells;
  OpenLinks links;
  OpenLevelReport openLevel;
  double cellSeconds = 0.0;
  double linkSeconds = 0.0;
  // Empty until findSightRegions.
  SightGraph sight;
  double sightSeconds = 0.0;
};

// Throws what the compile throws (the tessellator error).
BuiltLevel buildLevel(Scene& scene, const BuildLevelOptions& options, const LevelCompiler& compile = compileLevel);

// Finds the faces between the Spaces' cells (unless found already) and the
// open links through them, and what they say of the level. The level has a
// tree.
void findCellLinks(const Scene& scene, BuiltLevel& level);

// Cuts the cells into empty regions joined by sight passages, for narrowed
// culling. The cells are found first unless findCellLinks found them.
void findSightRegions(const Scene& scene, BuiltLevel& level);

}  // namespace pw
