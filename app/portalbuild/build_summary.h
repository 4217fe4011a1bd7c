// What `portalbuild` reports about one compiled level: the figures, as text
// for people and as JSON for scripts.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "bsp/bsp_builder.h"
#include "compile/build_level.h"
#include "compile/level_openness.h"
#include "regions/leak_search.h"
#include "scene/level_look.h"
#include "scene/obj_reader.h"

namespace pw {

class Scene;

// Signs that the fixed plane tolerance or 32-bit positions cannot serve the
// level: the build goes on, but its result says little.
struct LevelHealth {
  double largestExtent = 0.0;  // of the box around the vertices
  bool tooSmall = false;       // extent under 1000 plane tolerances
  std::uint64_t degenerateTriangles = 0;  // zero plane normal, as read
  bool allDegenerate = false;
};

struct BuildSummary {
  std::string level;
  ObjReadReport load;
  std::uint64_t trianglesAfterSplitting = 0;  // the Scene's triangles once built
  BuildStats stats;
  std::uint64_t leafFragments = 0;  // in the Spaces' portal lists, after flattening
  double loadSeconds = 0.0;
  double buildSeconds = 0.0;  // the build and the flattening
  double dumpSeconds = 0.0;
  double logWaitSeconds = 0.0;  // waited for the logs' writer threads
  double logCloseSeconds = 0.0;  // waited at the end for the dump and the writers
  double logsWholeSeconds = 0.0;  // from the end of the build until the logs were on disk
  // The process's peak resident set at the end of the run, and its
  // high-water mark after each phase.
  std::uint64_t peakMemoryKiB = 0;
  PhasePeaks peaks;
  BuildStrategy strategy = BuildStrategy::Fast;
  unsigned threads = 1;  // the threads the build counted on
  LevelHealth health;
  // The cells, their faces and open links, and what they say of the level.
  bool linksFound = false;  // else the level is closed and no output asked for them
  OpenLevelReport openLevel;
  double cellSeconds = 0.0;  // cell faces
  double linkSeconds = 0.0;  // open links
  // Faces between cells GLU could not carve, linked whole.
  std::uint64_t linkCarvingFallbacks = 0;
  // The leak check, when it ran: the trail found (none: the inside is
  // closed) and the file it went to (empty: not written).
  bool leakChecked = false;
  LeakTrail leak;
  std::string leakFile;
  double leakSeconds = 0.0;
  // The materials and images the level names, found and missing.
  LookReport look;
  // The visible sets, when made.
  struct Sets {
    bool made = false;
    std::string file;  // empty: not written (yet)
    std::uint64_t bytes = 0;
    double seconds = 0.0;       // the sets alone
    double sightSeconds = 0.0;  // the sight regions they start from
    // The Spaces with a source region, and the mean over them of the share
    // of the level's Spaces and triangles in their sets.
    std::uint64_t spacesWithSets = 0;
    double spaceShare = 0.0;
    double triangleShare = 0.0;
    SetsMaking making;
    SetsReport report;
  } sets;
};

BuildSummary summarize(const std::string& level, const BuiltLevel& built, const Scene& scene);

// A few lines of plain text.
void writeSummary(std::ostream& out, const BuildSummary& summary);
// One JSON object with the same figures (see summary_figures.h).
void writeSummaryJson(std::ostream& out, const BuildSummary& summary);

}  // namespace pw
