#include "app/portalbuild/build_summary.h"

#include <algorithm>
#include <cassert>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/portalbuild/summary_figures.h"
#include "bsp/bsp_node.h"
#include "geometry/bounds.h"
#include "compile/build_level.h"
#include "scene/scene.h"

namespace pw {

namespace {

// The text summary, line by line: "{name}" stands for a figure's text, and a
// line with a `when` shows only when that figure is neither 0, false nor
// empty.
struct SummaryLine {
  std::string_view when;
  std::string_view text;
};

constexpr SummaryLine kSummaryLines[] = {
    {{}, "level:        {level} ({bytes} bytes, {lines} lines)\n"},
    {{}, "read:         {vertices} vertices, {normals} normals, {inputTriangles} triangles; {skippedLines} lines "
         "skipped{skippedLineNumbers}\n"},
    {"relativeFaceLines", "faces:        {relativeFaceLines} skipped for relative (negative) numbers: this reader "
                          "takes absolute ones only\n"},
    {"carriageReturnLineEnds", "line ends:    carriage returns (the file has no line feed)\n"},
    {"polygonsCut", "polygons:     {polygonFaces} faces had more than 3 corners; only their first triangle was "
                    "read{polygonFaceLineNumbers}; --triangulate reads them whole\n"},
    {"triangulatedFaces", "polygons:     {triangulatedFaces} faces with more than 3 corners split into fans\n"},
    {"materials", "look:         {materials}\n"},
    {"tooSmall", "warning:      the level is only {largestExtent} units across, under 1000 times the plane\n"
                 "              tolerance ({planeTolerance}): points closer than that count as one plane\n"},
    {"positionsMergedByRounding", "warning:      {positionsMergedByRounding} vertex positions that differ in the "
                                  "file became one: 32-bit floats cannot tell them apart\n"},
    {"allDegenerate", "warning:      every triangle is degenerate (no area): nothing can be culled\n"},
    {{}, "split:        {triangles} triangles after {trianglesSplit} splits\n"},
    {{}, "tree:         {innerNodes} inner nodes, {spaces} Spaces ({forcedSpaces} forced), depth {treeDepth}\n"},
    {{}, "portals:      {portalsCreated} created, {leafFragments} leaf fragments in Spaces\n"},
    {"noPortal", "no portal:    {refused} cutter planes whose rings GLU refused (they cross), {withoutArea} whose "
                 "triangles all touched the square's corners, {untessellable} degenerate\n"},
    {"linksFound", "cells:        {cellFaces} faces between Spaces, {openLinks} open links (area {openLinkArea})\n"},
    {"linksNotLookedFor", "cells:        faces and open links not looked for: the designed portals hold (--json, "
                          "--prt,\n              --portals-obj, --svg and --vis find them)\n"},
    {"openness", "open level:   {openness}; {spacesWithoutFragments} of {reportedSpaces} Spaces without a portal "
                 "fragment;\n"
                 "              the designed portals join the Spaces in {designedGroups} groups, with the open links "
                 "in {soundGroups}\n"
                 "warning:      culling through the designed portals alone will hide geometry of this level; the\n"
                 "              viewer culls through the cells' open links instead (portalwalk --culling auto)\n"},
    {"carvedWhole", "carving:      areas GLU could not carve, taken whole: {carvedWhole} ({linkFaces} for open "
                    "links, {leakJoins} for the leak search)\n"},
    {"checked", "leak:         {leakReport}\n"},
    {"setsMade", "visible sets: {setsFile}({setsBytes} bytes, {setsMethod}), after the sight regions ({sightRegionSeconds} s) in {setsSeconds} s; "
                 "{setsShares}; {setsRegions}\n"},
    {{}, "time:         load {load} s, build {build} s, dump {dump} s, logs whole {logsWhole} s after the build,\n"
         "              cells {cells} s, links {links} s{leakTime}\n"},
    {{}, "build phases: plane index {planeIndex} s, convexity {convexity} s, cutter choice {cutterChoice} s, "
         "triangle splitting {splitting} s,\n"
         "              portal splitting {portalSplitting} s, chaining {chaining} s, contours.log {logWriting} s, "
         "portal creation {portalCreation} s,\n"
         "              (these four beside the rest on a thread of their own, with 2 threads or more: the build\n"
         "              waited {portalWait} s for them)\n"},
    {{}, "build:        {strategy}\n"},
    {{}, "peak memory:  {peakMemoryKiB} MiB ({peakBytesPerTriangle} bytes per input triangle)\n"},
};

// The mean shares of Spaces and triangles in the sets of the Spaces that
// have one (a source region).
void measureSets(const VisibleSets& sets, const BspNode& root, BuildSummary::Sets& summary) {
  const std::vector<const BspNode*> spaces = collectSpaces(root);
  double levelTriangles = 0.0;
  for (const BspNode* space : spaces) levelTriangles += static_cast<double>(space->triangles.size());
  double spaceShare = 0.0;
  double triangleShare = 0.0;
  for (const BspNode* from : spaces) {
    if (sets.eyes(from->number).sources == SpaceSources::None) continue;
    ++summary.spacesWithSets;
    double triangles = 0.0;
    for (const BspNode* to : spaces) {
      if (sets.sees(from->number, to->number)) triangles += static_cast<double>(to->triangles.size());
    }
    spaceShare += static_cast<double>(sets.count(from->number)) / static_cast<double>(spaces.size());
    triangleShare += levelTriangles == 0.0 ? 0.0 : triangles / levelTriangles;
  }
  if (summary.spacesWithSets == 0) return;
  summary.spaceShare = spaceShare / static_cast<double>(summary.spacesWithSets);
  summary.triangleShare = triangleShare / static_cast<double>(summary.spacesWithSets);
}

LevelHealth measureHealth(const Scene& scene, std::uint64_t inputTriangles) {
  LevelHealth health;
  if (scene.vertexCount() > 0) {
    Bounds box{scene.vertex(0), scene.vertex(0)};
    for (std::int32_t i = 1; i < scene.vertexCount(); ++i) box.grow(scene.vertex(i));
    health.largestExtent = std::max({box.max.x - box.min.x, box.max.y - box.min.y, box.max.z - box.min.z});
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

}  // namespace

BuildSummary summarize(const std::string& level, const BuiltLevel& built, const Scene& scene) {
  const CompiledTree& compiled = *built.compiled;
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
  summary.logWaitSeconds = compiled.logWaitSeconds;
  summary.logCloseSeconds = compiled.logCloseSeconds;
  summary.logsWholeSeconds = compiled.logsWholeSeconds;
  summary.peaks = built.peaks;
  const TreeOptions& options = compiled.builder->options();
  summary.strategy = options.strategy;
  summary.threads = options.strategy == BuildStrategy::Straightforward ? 1
                    : options.threads > 0                              ? options.threads
                                          : std::max(1u, std::thread::hardware_concurrency());
  summary.linksFound = built.linksFound;
  summary.openLevel = built.openLevel;
  summary.cellSeconds = built.cellSeconds;
  summary.linkSeconds = built.linkSeconds;
  summary.linkCarvingFallbacks = built.links.carvingFallbacks;
  summary.leakChecked = built.leak.has_value();
  summary.leak = built.leak.value_or(LeakTrail{});
  summary.leakSeconds = built.leakSeconds;
  if (built.visibleSets) {
    summary.sets.made = true;
    summary.sets.seconds = built.visibleSetSeconds;
    summary.sets.sightSeconds = built.sightSeconds;
    summary.sets.making = built.visibleSets->making;
    summary.sets.report = built.setsReport;
    measureSets(*built.visibleSets, *compiled.root, summary.sets);
  }
  return summary;
}

void writeSummary(std::ostream& out, const BuildSummary& summary) {
  const std::vector<SummaryFigure> figures = summaryFigures(summary);
  auto text = [&figures](std::string_view name) -> const std::string& {
    const auto figure =
        std::find_if(figures.begin(), figures.end(), [name](const SummaryFigure& f) { return f.name == name; });
    assert(figure != figures.end());
    return figure->text;
  };
  for (const SummaryLine& line : kSummaryLines) {
    // A line under a condition shows only when that figure is set.
    if (!line.when.empty()) {
      const std::string& condition = text(line.when);
      if (condition.empty() || condition == "0" || condition == "false") continue;
    }
    // "{name}" stands for that figure's text.
    for (std::size_t at = 0; at < line.text.size();) {
      const std::size_t open = line.text.find('{', at);
      out << line.text.substr(at, open - at);
      if (open == std::string_view::npos) break;
      const std::size_t close = line.text.find('}', open);
      out << text(line.text.substr(open + 1, close - open - 1));
      at = close + 1;
    }
  }
}

void writeSummaryJson(std::ostream& out, const BuildSummary& summary) {
  std::string_view group;  // the object open at the moment
  const char* separator = "\n  ";
  out << '{';
  for (const SummaryFigure& figure : summaryFigures(summary)) {
    if (figure.json.empty()) continue;
    if (figure.group != group && !group.empty()) out << '}';
    if (figure.group.empty()) {
      out << separator << '"' << figure.name << "\": ";
    } else if (figure.group != group) {
      out << separator << '"' << figure.group << "\": {\"" << figure.name << "\": ";
    } else {
      out << ", \"" << figure.name << "\": ";
    }
    out << figure.json;
    group = figure.group;
    separator = ",\n  ";
  }
  out << (group.empty() ? "" : "}") << "\n}\n";
}

}  // namespace pw
