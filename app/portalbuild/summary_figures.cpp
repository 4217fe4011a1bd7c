#include "app/portalbuild/summary_figures.h"

#include <cstdio>
#include <sstream>

#include "app/portalbuild/build_summary.h"
#include "geometry/plane_side.h"

namespace pw {
namespace {

template <typename Value>
std::string streamed(const Value& value) {
  std::ostringstream text;
  text << value;
  return text.str();
}

std::string fixed(double value, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string flag(bool value) { return value ? "true" : "false"; }

std::string jsonString(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      quoted += escaped;
    } else {
      quoted += c;
    }
  }
  return quoted + '"';
}

std::string jsonList(const std::vector<std::uint64_t>& values) {
  std::string list = "[";
  for (std::size_t i = 0; i < values.size(); ++i) list += (i == 0 ? "" : ", ") + std::to_string(values[i]);
  return list + ']';
}

// " (line 3 7 ...)": the first lines of `total`, the dots when some are left
// out; empty when none is listed.
std::string lineNumbers(const std::vector<std::uint64_t>& lines, std::uint64_t total) {
  if (lines.empty()) return {};
  std::ostringstream out;
  out << " (line";
  for (const std::uint64_t line : lines) out << ' ' << line;
  if (total > lines.size()) out << " ...";
  out << ')';
  return out.str();
}

// The leak line's text.
std::string leakReport(const BuildSummary& s) {
  if (!s.leak.leaks()) return "none";
  if (s.leak.outsideBounds) return "the inside point lies outside the level's bounds";
  const std::uint64_t n = s.leak.passages;
  // No wall at all between the point and the void: most likely it was not
  // meant to be inside (the start eye of a level built elsewhere).
  std::string text = n == 0 ? "no wall encloses the inside point: it lies outside the level or under open sky "
                              "(--inside X Y Z picks another); "
                            : "the inside reaches the outside through " + std::to_string(n) +
                                  (n == 1 ? " portal; " : " portals; ");
  text += s.leakFile.empty() ? std::string("--leak FILE.pts writes the trail") : "trail in " + s.leakFile;
  return s.leak.uncertain ? text + "; uncertain: the trail crosses an area GLU could not carve" : text;
}

// What the sets say of the regions: whether the level leaks, or what
// sealing it took.
std::string setsRegions(const BuildSummary::Sets& sets) {
  const SetsReport& r = sets.report;
  const std::string of = " of the " + std::to_string(r.regions) + " regions";
  if (sets.making.sealed) {
    return "they assume the level sealed:\n              " + std::to_string(r.voids) + of +
           " lie in the void or in solid, taken as opaque; " + std::to_string(r.open) + " see out of the level";
  }
  if (r.open != 0) {
    return "the level leaks:\n              " + std::to_string(r.open + r.voids) + of +
           " see out of it or lie in the void or in solid, an eye there sees everything (--seal)";
  }
  return std::to_string(r.voids) + of + " lie in the void or in solid, an eye there sees everything";
}

// What the sets leave an eye on average, over the Spaces that have one.
std::string setsShares(const BuildSummary& s) {
  if (s.sets.spacesWithSets == 0) return "no Space has a set: an eye anywhere sees everything";
  return "a Space may see " + fixed(100.0 * s.sets.spaceShare, 1) + "% of the " + std::to_string(s.stats.spaces) +
         " Spaces and\n              " + fixed(100.0 * s.sets.triangleShare, 1) +
         "% of the triangles on average (" + std::to_string(s.sets.spacesWithSets) + " Spaces have a set)";
}

// "; N floods gave up" when some did.
std::string gaveUp(const SetsReport& report) {
  if (report.floodsGaveUp == 0) return {};
  return "; " + std::to_string(report.floodsGaveUp) + " floods gave up and see everything";
}

// The peak resident set over the triangles read (the whole process: the
// reader, the Scene, the tree and the build's working memory).
std::uint64_t bytesPerTriangle(const BuildSummary& s) {
  return s.load.trianglesAdded == 0 ? 0 : s.peakMemoryKiB * 1024 / s.load.trianglesAdded;
}

}  // namespace

std::vector<SummaryFigure> summaryFigures(const BuildSummary& s) {
  const ObjReadReport& l = s.load;
  const BuildStats& b = s.stats;
  const OpenLevelReport& o = s.openLevel;
  auto same = [](std::string_view name, std::string_view group, const std::string& value) {
    return SummaryFigure{name, group, value, value};
  };
  auto textOnly = [](std::string_view name, std::string text) { return SummaryFigure{name, {}, {}, std::move(text)}; };
  constexpr std::string_view seconds = "seconds";
  // The sets' figures appear in JSON only when the sets were made.
  auto made = [&s](std::string json) { return s.sets.made ? std::move(json) : std::string(); };
  return {
      {"level", {}, jsonString(s.level), s.level},
      same("bytes", {}, streamed(l.bytes)),
      same("lines", {}, streamed(l.lines)),
      same("vertices", {}, streamed(l.verticesAdded)),
      same("normals", {}, streamed(l.normalsAdded)),
      same("inputTriangles", {}, streamed(l.trianglesAdded)),
      same("skippedLines", {}, streamed(l.skippedLines)),
      textOnly("skippedLineNumbers", lineNumbers(l.firstSkippedLines, l.skippedLines)),
      same("relativeFaceLines", {}, streamed(l.relativeFaceLines)),
      same("polygonFaces", {}, streamed(l.polygonFaces)),
      textOnly("polygonFaceLineNumbers", lineNumbers(l.firstPolygonFaceLines, l.polygonFaces)),
      textOnly("polygonsCut", flag(l.polygonFaces != 0 && l.triangulatedFaces == 0)),
      same("triangulatedFaces", {}, streamed(l.triangulatedFaces)),
      same("carriageReturnLineEnds", {}, flag(l.carriageReturnLineEnds)),
      same("largestExtent", "health", streamed(s.health.largestExtent)),
      same("tooSmall", "health", flag(s.health.tooSmall)),
      same("positionsMergedByRounding", "health", streamed(l.positionsMergedByRounding)),
      same("degenerateTriangles", "health", streamed(s.health.degenerateTriangles)),
      same("allDegenerate", "health", flag(s.health.allDegenerate)),
      textOnly("planeTolerance", streamed(kPlaneTolerance)),
      {"firstSkippedLines", {}, jsonList(l.firstSkippedLines), {}},
      same("triangles", {}, streamed(s.trianglesAfterSplitting)),
      same("trianglesSplit", {}, streamed(b.trianglesSplit)),
      same("innerNodes", {}, streamed(b.innerNodes)),
      same("spaces", {}, streamed(b.spaces)),
      same("forcedSpaces", {}, streamed(b.forcedSpaces)),
      same("treeDepth", {}, streamed(b.maxDepth)),
      same("portalsCreated", {}, streamed(b.portalsCreated)),
      same("leafFragments", {}, streamed(s.leafFragments)),
      same("withoutRings", "planesWithoutPortal", streamed(b.planesWithoutRings)),
      same("refused", "planesWithoutPortal", streamed(b.planesRefused)),
      same("withoutArea", "planesWithoutPortal", streamed(b.planesWithoutArea)),
      same("untessellable", "planesWithoutPortal", streamed(b.planesUntessellable)),
      textOnly("noPortal", flag(b.planesRefused + b.planesWithoutArea + b.planesUntessellable != 0)),
      same("load", seconds, fixed(s.loadSeconds, 3)),
      same("build", seconds, fixed(s.buildSeconds, 3)),
      same("dump", seconds, fixed(s.dumpSeconds, 3)),
      {"logWait", seconds, fixed(s.logWaitSeconds, 3), {}},
      {"logClose", seconds, fixed(s.logCloseSeconds, 3), {}},
      same("logsWhole", seconds, fixed(s.logsWholeSeconds, 3)),
      same("cells", seconds, fixed(s.cellSeconds, 3)),
      same("links", seconds, fixed(s.linkSeconds, 3)),
      same("leak", seconds, fixed(s.leakSeconds, 3)),
      textOnly("leakTime", s.leakChecked ? ", leak " + fixed(s.leakSeconds, 3) + " s" : std::string()),
      same("convexity", seconds, fixed(b.convexitySeconds, 3)),
      same("cutterChoice", seconds, fixed(b.cutterChoiceSeconds, 3)),
      same("planeIndex", seconds, fixed(b.planeIndexSeconds, 3)),
      same("splitting", seconds, fixed(b.splittingSeconds, 3)),
      same("portalSplitting", seconds, fixed(b.portalSplittingSeconds, 3)),
      same("chaining", seconds, fixed(b.chainingSeconds, 3)),
      same("logWriting", seconds, fixed(b.logWritingSeconds, 3)),
      same("portalCreation", seconds, fixed(b.portalCreationSeconds, 3)),
      same("portalWait", seconds, fixed(b.portalWaitSeconds, 3)),
      {"strategy", {}, s.strategy == BuildStrategy::Fast ? "\"fast\"" : "\"straightforward\"",
       s.strategy == BuildStrategy::Fast
           ? "fast, " + std::to_string(s.threads) + " thread" + (s.threads == 1 ? "" : "s")
           : std::string("straightforward")},
      same("threads", {}, streamed(s.threads)),
      same("closed", "openLevel", flag(o.openness.designHolds())),
      textOnly("openness", o.openness.describe()),
      textOnly("materials", s.look.any() ? s.look.summary() : std::string()),
      same("openEdges", "openLevel", streamed(o.openness.openEdges)),
      same("nonManifoldEdges", "openLevel", streamed(o.openness.nonManifoldEdges)),
      same("refusedPlanes", "openLevel", streamed(o.openness.refusedPlanes)),
      textOnly("reportedSpaces", streamed(o.spaces)),
      same("spacesWithoutFragments", "openLevel", streamed(o.spacesWithoutFragments)),
      same("designedGroups", "openLevel", streamed(o.designedGroups)),
      same("soundGroups", "openLevel", streamed(o.soundGroups)),
      textOnly("linksFound", flag(s.linksFound)),
      textOnly("linksNotLookedFor", flag(!s.linksFound)),
      same("cellFaces", "openLevel", streamed(o.cellFaces)),
      same("openLinks", "openLevel", streamed(o.openLinks)),
      {"openLinkArea", "openLevel", fixed(o.openLinkArea, 6), fixed(o.openLinkArea, 3)},
      textOnly("carvedWhole", streamed(s.linkCarvingFallbacks + s.leak.carvingFallbacks)),
      same("linkFaces", "carvingFallbacks", streamed(s.linkCarvingFallbacks)),
      same("leakJoins", "carvingFallbacks", streamed(s.leak.carvingFallbacks)),
      same("checked", "leak", flag(s.leakChecked)),
      same("found", "leak", flag(s.leak.leaks())),
      same("passages", "leak", streamed(s.leak.passages)),
      same("uncertain", "leak", flag(s.leak.uncertain)),
      {"trailFile", "leak", jsonString(s.leakFile), s.leakFile},
      textOnly("leakReport", leakReport(s)),
      // The text shows MiB.
      {"peakMemoryKiB", {}, streamed(s.peakMemoryKiB), fixed(static_cast<double>(s.peakMemoryKiB) / 1024.0, 1)},
      same("peakBytesPerTriangle", {}, streamed(bytesPerTriangle(s))),
      {"compile", "peakMemoryKiBAfter", streamed(s.peaks.compile), {}},
      {"links", "peakMemoryKiBAfter", streamed(s.peaks.links), {}},
      {"leak", "peakMemoryKiBAfter", streamed(s.peaks.leak), {}},
      {"visibleSets", "peakMemoryKiBAfter", streamed(s.peaks.visibleSets), {}},
      textOnly("setsMade", flag(s.sets.made)),
      {"setsFile", "visibleSets", made(jsonString(s.sets.file)), s.sets.file.empty() ? std::string() : s.sets.file + ' '},
      same("setsBytes", "visibleSets", made(streamed(s.sets.bytes))),
      same("setsSeconds", "visibleSets", made(fixed(s.sets.seconds, 3))),
      same("sightRegionSeconds", "visibleSets", made(fixed(s.sets.sightSeconds, 3))),
      same("spacesWithSets", "visibleSets", made(streamed(s.sets.spacesWithSets))),
      {"meanSpaceShare", "visibleSets", made(fixed(s.sets.spaceShare, 6)), fixed(100.0 * s.sets.spaceShare, 1)},
      {"meanTriangleShare", "visibleSets", made(fixed(s.sets.triangleShare, 6)), fixed(100.0 * s.sets.triangleShare, 1)},
      {"portalFlow", "visibleSets", made(flag(s.sets.making.full)), {}},
      {"cutShort", "visibleSets", made(streamed(s.sets.report.cutShort)), {}},
      {"floodsGaveUp", "visibleSets", made(streamed(s.sets.report.floodsGaveUp)), {}},
      textOnly("setsMethod", !s.sets.making.full ? "fast flood" + gaveUp(s.sets.report)
                             : s.sets.report.cutShort == 0
                                 ? "portal flow" + gaveUp(s.sets.report)
                                 : "portal flow; " + std::to_string(s.sets.report.cutShort) +
                                       " regions cut short kept their fast sets" + gaveUp(s.sets.report)),
      {"sealedVoid", "visibleSets", made(flag(s.sets.making.sealed)), {}},
      {"emptyRegions", "visibleSets", made(streamed(s.sets.report.regions)), {}},
      {"sourceRegions", "visibleSets", made(streamed(s.sets.report.sources)), {}},
      {"openRegions", "visibleSets", made(streamed(s.sets.report.open)), {}},
      {"voidRegions", "visibleSets", made(streamed(s.sets.report.voids)), {}},
      {"levelLeaks", "visibleSets", made(flag(s.sets.report.open != 0)), {}},
      textOnly("setsShares", s.sets.made ? setsShares(s) : std::string()),
      textOnly("setsRegions", s.sets.made ? setsRegions(s.sets) : std::string()),
  };
}

}  // namespace pw
