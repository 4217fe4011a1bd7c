#include "app/portalbuild/portalbuild_options.h"

#include "support/option_table.h"

namespace pw {
namespace {

// More threads than any machine has cores would only cost memory.
constexpr unsigned kMaxThreads = 1024;

}  // namespace

ParsedPortalbuildOptions parsePortalbuildOptions(std::span<const std::string_view> arguments) {
  PortalbuildOptions options;
  auto path = [](std::filesystem::path& target) {
    return [&target](OptionValues values) {
      target = values[0];
      return std::string();
    };
  };
  const OptionRule rules[] = {
      flagRule({"--help", "-h"}, options.help),
      flagRule({"-q"}, options.quiet),
      {{"--logs", "-o"}, 1, path(options.outputDir), {}},
      {{"--no-logs"}, 0,
       [&](OptionValues) {
         options.build.writeLogs = false;
         return std::string();
       },
       {}},
      {{"--json"}, 1, path(options.jsonPath), {}},
      {{"--open-edges"}, 1, path(options.openEdgesPath), {}},
      {{"--prt"}, 1, path(options.prtPath), {}},
      {{"--portals-obj"}, 1, path(options.portalsObjPath), {}},
      {{"--svg"}, 1, path(options.svgPath), {}},
      {{"--at"}, 1,
       [&](OptionValues values) {
         options.planHeight = finiteNumber(values[0]);
         return options.planHeight ? std::string() : "--at wants a number, not '" + std::string(values[0]) + "'";
       },
       {}},
      {{"--threads"}, 1,
       [&](OptionValues values) {
         const auto threads = wholeNumber(values[0], 1, kMaxThreads);
         if (!threads) {
           return "--threads wants a number from 1 to " + std::to_string(kMaxThreads) + ", not '" +
                  std::string(values[0]) + "'";
         }
         options.build.threads = static_cast<unsigned>(*threads);
         return std::string();
       },
       {}},
      flagRule({"--vis"}, options.visibleSets),
      {{"--inside"}, 3,
       [&](OptionValues values) {
         const auto x = finiteNumber(values[0]), y = finiteNumber(values[1]), z = finiteNumber(values[2]);
         if (!x || !y || !z) return std::string("--inside needs three numbers X Y Z");
         // Widened as the viewer widens its eye.
         options.inside = Point3{*x, *y, *z};
         return std::string();
       },
       "--inside needs three numbers X Y Z"},
      {{"--leak"}, 1, path(options.leakPath), {}},
      flagRule({"--leak-exit-code"}, options.leakExitCode),
      flagRule({"--triangulate"}, options.read.triangulate),
      {{"--straightforward"}, 0,
       [&](OptionValues) {
         options.build.strategy = BuildStrategy::Straightforward;
         return std::string();
       },
       {}},
  };
  std::string error = readArguments(arguments, rules, [&options](std::string_view level) { options.level = level; });
  if (error.empty() && !options.build.writeLogs && !options.outputDir.empty()) {
    error = "--logs (-o) and --no-logs exclude each other";
  }
  if (!error.empty()) return {std::nullopt, std::move(error)};
  return {options, {}};
}

std::string portalbuildUsage() {
  return "usage: portalbuild [LEVEL.obj] [--logs DIR | --no-logs] [--json FILE] [--open-edges FILE.obj]\n"
         "                   [-q] [--triangulate] [--threads N] [--straightforward] [--prt FILE.prt]\n"
         "                   [--portals-obj FILE.obj] [--svg FILE.svg [--at Y]] [--vis]\n"
         "                   [--inside X Y Z] [--leak FILE.pts] [--leak-exit-code]\n"
         "\n"
         "Compiles LEVEL.obj (default \"folyosos.obj\") the way the viewer does at start-up:\n"
         "reads it, builds the BSP tree of convex Spaces joined by portals, flattens the\n"
         "Spaces' portal lists and writes into DIR (default: the working directory, created\n"
         "if missing):\n"
         "  out.log       the tree: cutters, Spaces, their triangles and portal fragments\n"
         "  contours.log  the segments and rings of every split\n"
         "  tris.log      the triangles of the last portal made (a stale one is removed first)\n"
         "Then it prints a summary: what was read (and the first skipped lines), the\n"
         "triangles after splitting, the tree (inner nodes, Spaces, forced Spaces, depth),\n"
         "portals created and leaf fragments, the faces between the Spaces' cells and the\n"
         "open links through them, the time of each phase and the peak memory. On a level\n"
         "whose mesh is not closed it reports the open and non-manifold edges, the Spaces\n"
         "without a portal fragment and how the Spaces hang together, and warns that the\n"
         "designed portals alone would hide geometry.\n"
         "On a terminal it shows the build's progress on standard error.\n"
         "\n"
         "options:\n"
         "  --logs DIR, -o DIR\n"
         "               where the three logs go\n"
         "  --no-logs    write none of the three logs (a stale tris.log is left alone\n"
         "               too): for a build that only wants the summary or JSON, as\n"
         "               writing them takes over half of a large level's build\n"
         "  --json FILE  also write the summary's figures as JSON to FILE\n"
         "  --open-edges FILE.obj\n"
         "               write the edges used by one triangle only as OBJ lines (\"l\"),\n"
         "               in the level's own axes, to load over the level in a 3D tool\n"
         "  --prt FILE.prt\n"
         "               write the cells and the passages between them as a PRT1 portal\n"
         "               file, as level editors load it: cell N is Space N+1 of out.log;\n"
         "               the portals are the designed portal fragments (each pair once)\n"
         "               and the open links, one triangle each, wound so that the normal\n"
         "               points into the first cell; in the level's own axes\n"
         "  --portals-obj FILE.obj\n"
         "               the same portals as OBJ faces, one group \"portal_N_A_B\" each\n"
         "               (portal N from cell A into cell B), in the level's own axes\n"
         "  --svg FILE.svg\n"
         "               draw a plan view: the level sliced at height Y (--at; default 0.2,\n"
         "               the viewer's start eye) seen from above, x to the right and z\n"
         "               down the page: each Space's cell (its number and triangle count\n"
         "               as a tooltip), the walls, designed portals and open links the\n"
         "               slice crosses, open edges near it, and the start eye with its view\n"
         "  --at Y       the height of the --svg slice\n"
         "  --vis        work out which Spaces each Space may see (through the designed\n"
         "               portals and the open links) and write them to visible.pvs next\n"
         "               to the logs, for the viewer's --vis\n"
         "  --inside X Y Z\n"
         "               check for a leak: whether the inside, the empty space around\n"
         "               this point (default -1.6 0.2 0.4, the viewer's start eye),\n"
         "               reaches the void around the level through a hole; the summary's\n"
         "               \"leak:\" line says so and how many passages the shortest way\n"
         "               out crosses. Only these options run the check\n"
         "  --leak FILE.pts\n"
         "               check for a leak and write the shortest trail from the inside\n"
         "               point to beyond the level as \"x y z\" lines, a point every 0.5\n"
         "               units, as level editors load a point file; when the level does\n"
         "               not leak, a trail file left from an earlier run is removed\n"
         "  --leak-exit-code\n"
         "               check for a leak and exit with 3 when there is one\n"
         "               Points are in the level's own coordinates, as in its OBJ file.\n"
         "  -q           quiet: no progress and no summary\n"
         "  --triangulate\n"
         "               read a face with more than 3 corners as a fan of triangles\n"
         "               (by default only its first triangle is read, and the summary\n"
         "               says how many faces lost corners)\n"
         "  --threads N  count cutter candidates on N threads (default: one per core);\n"
         "               the result is the same for every N\n"
         "  --straightforward\n"
         "               the reference build: every candidate against every triangle,\n"
         "               no pruning (slow on large levels; same result, for comparison)\n"
         "  --help       this text\n"
         "\n"
         "exit codes: 0 built; 1 the build failed, a log or output file could not be\n"
         "            written, or the level holds no triangle (\"nothing to build\");\n"
         "            2 usage error, an output that is the level (by any name or\n"
         "            link), or the level cannot be read (missing, a folder, UTF-16\n"
         "            text); 3 with --leak-exit-code, the inside reaches the outside\n"
         "            (otherwise as without it)\n";
}

}  // namespace pw
