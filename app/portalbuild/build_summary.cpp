#include "app/portalbuild/build_summary.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <thread>

#include "bsp/bsp_node.h"
#include "compile/build_level.h"
#include "scene/scene.h"

namespace pw {

namespace {

std::string fixed(double value, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string seconds(double value) { return fixed(value, 3); }

// The peak resident set over the triangles read (the whole process: the
// reader, the Scene, the tree and the build's working memory).
std::uint64_t bytesPerTriangle(const BuildSummary& s) {
  return s.load.trianglesAdded == 0 ? 0 : s.peakMemoryKiB * 1024 / s.load.trianglesAdded;
}

void writeJsonString(std::ostream& out, std::string_view text) {
  out << '"';
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out << '\\' << c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      out << escaped;
    } else {
      out << c;
    }
  }
  out << '"';
}

}  // namespace

namespace {

LevelHealth measureHealth(const Scene& scene, std::uint64_t inputTriangles) {
  LevelHealth health;
  if (scene.vertexCount() > 0) {
    Point3 lo = scene.vertex(0), hi = lo;
    for (std::int32_t i = 1; i < scene.vertexCount(); ++i) {
      const Point3& p = scene.vertex(i);
      lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
      hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    health.largestExtent = std::max({hi.x - lo.x, hi.y - lo.y, hi.z - lo.z});
  }
  health.tooSmall = inputTriangles > 0 && health.largestExtent < 1000.0 * kPlaneTolerance;
  // The build keeps the input triangles at their indices (pieces keep the
  // plane normal of the triangle they came from).
  for (std::uint64_t i = 0; i < inputTriangles; ++i) {
    const Point3& n = scene.triangle(static_cast<std::int32_t>(i)).planeNormal();
    if (n.x == 0.0 && n.y == 0.0 && n.z == 0.0) ++health.degenerateTriangles;
  }
  health.allDegenerate = inputTriangles > 0 && health.degenerateTriangles == inputTriangles;
  return health;
}

void writeLineNumbers(std::ostream& out, const std::vector<std::uint64_t>& lines, std::uint64_t total) {
  out << " (line";
  for (const std::uint64_t line : lines) out << ' ' << line;
  if (total > lines.size()) out << " ...";
  out << ')';
}

}  // namespace

BuildSummary summarize(const std::string& level, const BuiltLevel& built, const Scene& scene) {
  const CompiledLevel& compiled = *built.compiled;
  BuildSummary summary;
  summary.health = measureHealth(scene, compiled.load.trianglesAdded);
  summary.level = level;
  summary.load = compiled.load;
  summary.trianglesAfterSplitting = static_cast<std::uint64_t>(scene.triangleCount());
  summary.stats = compiled.builder->stats();
  for (const BspNode* space : collectSpaces(*compiled.root)) summary.leafFragments += space->portals.size();
  summary.loadSeconds = compiled.loadSeconds;
  summary.buildSeconds = compiled.buildSeconds;
  summary.dumpSeconds = compiled.dumpSeconds;
  summary.peakMemoryKiB = built.peakMemoryKiB;
  const BuildOptions& options = compiled.builder->options();
  summary.strategy = options.strategy;
  summary.threads = options.strategy == BuildStrategy::Straightforward ? 1
                    : options.threads > 0                              ? options.threads
                                          : std::max(1u, std::thread::hardware_concurrency());
  summary.openLevel = built.openLevel;
  summary.cellSeconds = built.cellSeconds;
  summary.linkSeconds = built.linkSeconds;
  return summary;
}

void writeSummary(std::ostream& out, const BuildSummary& s) {
  const BuildStats& b = s.stats;
  out << "level:        " << s.level << " (" << s.load.bytes << " bytes, " << s.load.lines << " lines)\n";
  out << "read:         " << s.load.verticesAdded << " vertices, " << s.load.normalsAdded << " normals, "
      << s.load.trianglesAdded << " triangles; " << s.load.skippedLines << " lines skipped";
  if (!s.load.firstSkippedLines.empty()) writeLineNumbers(out, s.load.firstSkippedLines, s.load.skippedLines);
  out << '\n';
  if (s.load.carriageReturnLineEnds) out << "line ends:    carriage returns (the file has no line feed)\n";
  if (s.load.polygonFaces != 0 && s.load.triangulatedFaces == 0) {
    out << "polygons:     " << s.load.polygonFaces << " faces had more than 3 corners; only their first triangle was read";
    writeLineNumbers(out, s.load.firstPolygonFaceLines, s.load.polygonFaces);
    out << "; --triangulate reads them whole\n";
  } else if (s.load.triangulatedFaces != 0) {
    out << "polygons:     " << s.load.triangulatedFaces << " faces with more than 3 corners split into fans\n";
  }
  const LevelHealth& h = s.health;
  if (h.tooSmall) {
    out << "warning:      the level is only " << h.largestExtent << " units across, under 1000 times the plane\n"
        << "              tolerance (" << kPlaneTolerance << "): points closer than that count as one plane\n";
  }
  if (s.load.positionsMergedByRounding != 0) {
    out << "warning:      " << s.load.positionsMergedByRounding
        << " vertex positions that differ in the file became one: 32-bit floats cannot tell them apart\n";
  }
  if (h.allDegenerate) out << "warning:      every triangle is degenerate (no area): nothing can be culled\n";
  out << "split:        " << s.trianglesAfterSplitting << " triangles after " << b.trianglesSplit << " splits\n";
  out << "tree:         " << b.innerNodes << " inner nodes, " << b.spaces << " Spaces (" << b.forcedSpaces
      << " forced), depth " << b.maxDepth << '\n';
  out << "portals:      " << b.portalsCreated << " created, " << s.leafFragments << " leaf fragments in Spaces\n";
  if (b.planesRefused + b.planesWithoutArea + b.planesUntessellable != 0) {
    out << "no portal:    " << b.planesRefused << " cutter planes whose rings GLU refused (they cross), "
        << b.planesWithoutArea << " whose triangles all touched the square's corners, " << b.planesUntessellable
        << " degenerate\n";
  }
  const OpenLevelReport& o = s.openLevel;
  out << "cells:        " << o.cellFaces << " faces between Spaces, " << o.openLinks << " open links (area "
      << fixed(o.openLinkArea, 3) << ")\n";
  if (!o.openness.designHolds()) {
    out << "open level:   " << o.openness.describe() << "; " << o.spacesWithoutFragments << " of " << o.spaces
        << " Spaces without a portal fragment;\n"
        << "              the designed portals join the Spaces in " << o.designedGroups
        << " groups, with the open links in " << o.soundGroups << "\n";
    out << "warning:      culling through the designed portals alone will hide geometry of this level; the\n"
        << "              viewer culls through the cells' open links instead (portalwalk --culling auto)\n";
  }
  out << "time:         load " << seconds(s.loadSeconds) << " s, build " << seconds(s.buildSeconds) << " s, dump "
      << seconds(s.dumpSeconds) << " s, cells " << seconds(s.cellSeconds) << " s, links "
      << seconds(s.linkSeconds) << " s\n";
  out << "build phases: plane index " << seconds(b.planeIndexSeconds) << " s, convexity " << seconds(b.convexitySeconds)
      << " s, cutter choice " << seconds(b.cutterChoiceSeconds) << " s, triangle splitting "
      << seconds(b.splittingSeconds) << " s,\n"
      << "              portal splitting " << seconds(b.portalSplittingSeconds) << " s, chaining "
      << seconds(b.chainingSeconds) << " s, contours.log " << seconds(b.logWritingSeconds) << " s, portal creation "
      << seconds(b.portalCreationSeconds) << " s\n";
  out << "build:        "
      << (s.strategy == BuildStrategy::Fast
              ? "fast, " + std::to_string(s.threads) + " thread" + (s.threads == 1 ? "" : "s")
              : std::string("straightforward"))
      << '\n';
  out << "peak memory:  " << fixed(static_cast<double>(s.peakMemoryKiB) / 1024.0, 1) << " MiB (" << bytesPerTriangle(s)
      << " bytes per input triangle)\n";
}

void writeSummaryJson(std::ostream& out, const BuildSummary& s) {
  const BuildStats& b = s.stats;
  const OpenLevelReport& o = s.openLevel;
  out << "{\n  \"level\": ";
  writeJsonString(out, s.level);
  out << ",\n  \"bytes\": " << s.load.bytes << ",\n  \"lines\": " << s.load.lines
      << ",\n  \"vertices\": " << s.load.verticesAdded << ",\n  \"normals\": " << s.load.normalsAdded
      << ",\n  \"inputTriangles\": " << s.load.trianglesAdded << ",\n  \"skippedLines\": " << s.load.skippedLines
      << ",\n  \"polygonFaces\": " << s.load.polygonFaces << ",\n  \"triangulatedFaces\": " << s.load.triangulatedFaces
      << ",\n  \"carriageReturnLineEnds\": " << (s.load.carriageReturnLineEnds ? "true" : "false")
      << ",\n  \"health\": {\"largestExtent\": " << s.health.largestExtent
      << ", \"tooSmall\": " << (s.health.tooSmall ? "true" : "false")
      << ", \"positionsMergedByRounding\": " << s.load.positionsMergedByRounding
      << ", \"degenerateTriangles\": " << s.health.degenerateTriangles
      << ", \"allDegenerate\": " << (s.health.allDegenerate ? "true" : "false") << "}"
      << ",\n  \"firstSkippedLines\": [";
  for (std::size_t i = 0; i < s.load.firstSkippedLines.size(); ++i) {
    out << (i == 0 ? "" : ", ") << s.load.firstSkippedLines[i];
  }
  out << "],\n  \"triangles\": " << s.trianglesAfterSplitting << ",\n  \"trianglesSplit\": " << b.trianglesSplit
      << ",\n  \"innerNodes\": " << b.innerNodes << ",\n  \"spaces\": " << b.spaces
      << ",\n  \"forcedSpaces\": " << b.forcedSpaces << ",\n  \"treeDepth\": " << b.maxDepth
      << ",\n  \"portalsCreated\": " << b.portalsCreated << ",\n  \"leafFragments\": " << s.leafFragments
      << ",\n  \"planesWithoutPortal\": {\"withoutRings\": " << b.planesWithoutRings
      << ", \"refused\": " << b.planesRefused << ", \"withoutArea\": " << b.planesWithoutArea
      << ", \"untessellable\": " << b.planesUntessellable << "}"
      << ",\n  \"seconds\": {\"load\": " << seconds(s.loadSeconds) << ", \"build\": " << seconds(s.buildSeconds)
      << ", \"dump\": " << seconds(s.dumpSeconds) << ", \"cells\": " << seconds(s.cellSeconds)
      << ", \"links\": " << seconds(s.linkSeconds) << ", \"convexity\": " << seconds(b.convexitySeconds)
      << ", \"cutterChoice\": " << seconds(b.cutterChoiceSeconds)
      << ", \"planeIndex\": " << seconds(b.planeIndexSeconds) << ", \"splitting\": " << seconds(b.splittingSeconds)
      << ", \"portalSplitting\": " << seconds(b.portalSplittingSeconds)
      << ", \"chaining\": " << seconds(b.chainingSeconds) << ", \"logWriting\": " << seconds(b.logWritingSeconds)
      << ", \"portalCreation\": " << seconds(b.portalCreationSeconds) << "},\n  \"strategy\": \""
      << (s.strategy == BuildStrategy::Fast ? "fast" : "straightforward") << "\",\n  \"threads\": " << s.threads
      << ",\n  \"openLevel\": {\"closed\": " << (o.openness.designHolds() ? "true" : "false")
      << ", \"openEdges\": " << o.openness.openEdges << ", \"nonManifoldEdges\": " << o.openness.nonManifoldEdges
      << ", \"refusedPlanes\": " << o.openness.refusedPlanes
      << ", \"spacesWithoutFragments\": " << o.spacesWithoutFragments << ", \"designedGroups\": " << o.designedGroups
      << ", \"soundGroups\": " << o.soundGroups << ", \"cellFaces\": " << o.cellFaces
      << ", \"openLinks\": " << o.openLinks << ", \"openLinkArea\": " << fixed(o.openLinkArea, 6) << "}"
      << ",\n  \"peakMemoryKiB\": " << s.peakMemoryKiB << ",\n  \"peakBytesPerTriangle\": " << bytesPerTriangle(s)
      << "\n}\n";
}

}  // namespace pw
