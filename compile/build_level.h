// Everything both programs do to turn a level file into what they use: check
// that the level opens (when asked), clear the stale "tris.log" (when logs
// are written), compile (read, build, flatten, dump), close the logs and
// measure how open the level is; then each later phase the program asks for:
// the cells' open links, the empty regions for narrowed culling, the leak
// check, the visible sets. Every phase's time and memory high-water mark is
// kept here, so that no program keeps its own stopwatches.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cells/cell_faces.h"
#include "cells/open_links.h"
#include "cells/visible_sets.h"
#include "compile/level_compiler.h"
#include "compile/level_openness.h"
#include "geometry/point3.h"
#include "regions/leak_search.h"
#include "regions/region_sets.h"
#include "regions/sight_graph.h"

namespace pw {

// Reads, builds, flattens and dumps the level (compileLevel, or a stand-in in
// tests).
using LevelCompiler = std::function<std::unique_ptr<CompiledTree>(Scene&, const CompileOptions&)>;

// The three build logs, as named in their folder.
inline constexpr const char* kBuildLogNames[] = {"out.log", "contours.log", "tris.log"};

// When a phase runs.
enum class PhaseWanted {
  Never,
  IfOpen,  // only when the designed portals do not cover the level's openings
  Always,
};

struct LevelRequest {
  CompileOptions compile;
  // portalbuild refuses a level that does not open and makes its output
  // folder (when logs are written); the viewer does neither (the reader
  // reports the level and the viewer runs with an empty one; its folder
  // already holds "log.txt").
  bool requireLevel = false;
  bool makeOutputDir = false;
  // The phases after the compile, run in this order on a level with at least
  // one triangle.
  PhaseWanted links = PhaseWanted::Never;  // the cells' open links and the open-level report
  bool sightRegions = false;               // the empty regions joined for sight
  std::optional<Point3> leakFrom;          // the leak check, from this point inside
  // The visible sets over the empty regions (the sight regions are found
  // first), made as `sets` says (its thread count is the build's).
  bool visibleSets = false;
  SetsRequest sets;
};

// The process's resident high-water mark after each phase (0: it did not
// run).
struct PhasePeaks {
  std::uint64_t compile = 0;
  std::uint64_t links = 0;
  std::uint64_t leak = 0;
  std::uint64_t visibleSets = 0;
};

struct BuiltLevel {
  // Set when `requireLevel` found that the level does not open: why not, as
  // strerror says it (nothing else was done, and `compiled` is null).
  std::string unopened;
  // Set when `makeOutputDir` could not make it: why not (nothing was compiled).
  std::string outputFolderFailure;
  // Set unless one of the two refusals above is.
  std::unique_ptr<CompiledTree> compiled;
  // The three logs that did not reach the disk whole; they are closed.
  std::vector<LogFailure> logFailures;
  Openness openness;
  // Each phase's result, empty (and its time 0) when it did not run.
  CellFaces cells;
  OpenLinks links;
  bool linksFound = false;  // `links` and `openLevel` were looked for
  OpenLevelReport openLevel;
  SightGraph sight;
  std::optional<LeakTrail> leak;
  std::optional<VisibleSets> visibleSets;
  SetsReport setsReport;
  double cellSeconds = 0.0;
  double linkSeconds = 0.0;
  double sightSeconds = 0.0;
  double leakSeconds = 0.0;
  double visibleSetSeconds = 0.0;
  PhasePeaks peaks;
};

// Throws what the compile throws (the tessellator error).
BuiltLevel buildLevel(Scene& scene, const LevelRequest& request, const LevelCompiler& compile = compileLevel);

}  // namespace pw
