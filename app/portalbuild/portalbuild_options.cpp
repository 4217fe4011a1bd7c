#include "app/portalbuild/portalbuild_options.h"

#include <vector>

#include "support/option_table.h"

namespace pw {
namespace {

// More threads than any machine has cores would only cost memory.
constexpr unsigned kMaxThreads = 1024;
// Where the usage's option descriptions start.
constexpr std::size_t kHelpColumn = 15;

// The options in the order the usage lists them; each reads into `options`.
std::vector<OptionRule> portalbuildRules(PortalbuildOptions& options) {
  auto path = [](std::filesystem::path& target) {
    return [&target](OptionValues values) {
      target = values[0];
      return std::string();
    };
  };
  return {
      {{"--logs", "-o"}, "DIR", path(options.outputDir), {}, "where the three logs go"},
      {{"--no-logs"}, {},
       [&](OptionValues) {
         options.build.writeLogs = false;
         return std::string();
       },
       {},
       "write none of the three logs (a stale tris.log is left alone\n"
       "too): for a build that only wants the summary or JSON, as\n"
       "writing them takes over half of a large level's build"},
      {{"--json"}, "FILE", path(options.jsonPath), {}, "also write the summary's figures as JSON to FILE"},
      {{"--open-edges"}, "FILE.obj", path(options.openEdgesPath), {},
       "write the edges used by one triangle only as OBJ lines (\"l\"),\n"
       "in the level's own axes, to load over the level in a 3D tool"},
      {{"--prt"}, "FILE.prt", path(options.prtPath), {},
       "write the cells and the passages between them as a PRT1 portal\n"
       "file, as level editors load it: cell N is Space N+1 of out.log;\n"
       "the portals are the designed portal fragments (each pair once)\n"
       "and the open links, one triangle each, wound so that the normal\n"
       "points into the first cell; in the level's own axes"},
      {{"--portals-obj"}, "FILE.obj", path(options.portalsObjPath), {},
       "the same portals as OBJ faces, one group \"portal_N_A_B\" each\n"
       "(portal N from cell A into cell B), in the level's own axes"},
      {{"--svg"}, "FILE.svg", path(options.svgPath), {},
       "draw a plan view: the level sliced at height Y (--at; default 0.2,\n"
       "the viewer's start eye) seen from above, x to the right and z\n"
       "down the page: each Space's cell (its number and triangle count\n"
       "as a tooltip), the walls, designed portals and open links the\n"
       "slice crosses, open edges near it, and the start eye with its view"},
      {{"--at"}, "Y",
       [&](OptionValues values) {
         options.planHeight = finiteNumber(values[0]);
         return options.planHeight ? std::string() : "--at wants a number, not '" + std::string(values[0]) + "'";
       },
       {},
       "the height of the --svg slice"},
      flagRule({"--vis"}, options.visibleSets,
               "work out which Spaces an eye in each Space may see and write\n"
               "them to visible.pvs next to the logs, for the viewer's --vis:\n"
               "the level's empty regions, flooded through the openings between\n"
               "them with quick conservative tests (\"--vis fast\" says the\n"
               "same), or \"--vis full\": each opening further clipped to what a\n"
               "sight line through the ones before can reach (slower, tighter).\n"
               "From a region that sees out of the level through a hole, or in\n"
               "the void or in solid, an eye sees everything: the summary says\n"
               "when the level leaks"),
      {{"--vis-time"}, "SECONDS",
       [&](OptionValues values) {
         const auto seconds = finiteDouble(values[0]);
         if (!seconds || *seconds <= 0.0) return "--vis-time wants a positive number of seconds, not '" + std::string(values[0]) + "'";
         options.sets.fullSeconds = *seconds;
         return std::string();
       },
       {},
       "bound --vis full to about SECONDS: the regions not done by then\n"
       "keep their fast sets (the result then depends on the machine)"},
      flagRule({"--seal"}, options.sets.sealed,
               "with --vis: take the void around the level as opaque, as if its\n"
               "holes were covered (the sky a level was exported without), so\n"
               "that the sets also hold for the regions that see out of it"),
      {{"--inside"}, "X Y Z",
       [&](OptionValues values) {
         const auto x = finiteNumber(values[0]), y = finiteNumber(values[1]), z = finiteNumber(values[2]);
         if (!x || !y || !z) return std::string("--inside needs three numbers X Y Z");
         // Widened as the viewer widens its eye.
         options.inside = Point3{*x, *y, *z};
         return std::string();
       },
       "--inside needs three numbers X Y Z",
       "check for a leak: whether the inside, the empty space around\n"
       "this point (default -1.6 0.2 0.4, the viewer's start eye),\n"
       "reaches the void around the level through a hole; the summary's\n"
       "\"leak:\" line says so and how many passages the shortest way\n"
       "out crosses. Only these options run the check"},
      {{"--leak"}, "FILE.pts", path(options.leakPath), {},
       "check for a leak and write the shortest trail from the inside\n"
       "point to beyond the level as \"x y z\" lines, a point every 0.5\n"
       "units, as level editors load a point file; when the level does\n"
       "not leak, a trail file left from an earlier run is removed"},
      flagRule({"--leak-exit-code"}, options.leakExitCode,
               "check for a leak and exit with 3 when there is one\n"
               "Points are in the level's own coordinates, as in its OBJ file."),
      flagRule({"-q"}, options.quiet, "quiet: no progress and no summary"),
      flagRule({"--triangulate"}, options.read.triangulate,
               "read a face with more than 3 corners as a fan of triangles\n"
               "(by default only its first triangle is read, and the summary\n"
               "says how many faces lost corners)"),
      {{"--threads"}, "N",
       [&](OptionValues values) {
         const auto threads = wholeNumber(values[0], 1, kMaxThreads);
         if (!threads) {
           return "--threads wants a number from 1 to " + std::to_string(kMaxThreads) + ", not '" +
                  std::string(values[0]) + "'";
         }
         options.build.threads = static_cast<unsigned>(*threads);
         return std::string();
       },
       {},
       "count cutter candidates on N threads (default: one per core);\n"
       "the result is the same for every N"},
      {{"--straightforward"}, {},
       [&](OptionValues) {
         options.build.strategy = BuildStrategy::Straightforward;
         return std::string();
       },
       {},
       "the reference build: every candidate against every triangle,\n"
       "no pruning (slow on large levels; same result, for comparison)"},
      flagRule({"--help", "-h"}, options.help, "this text"),
  };
}

// The arguments without the word after "--vis" that says how hard to work,
// which goes into `sets` (the options table takes a fixed number of values,
// and "--vis" alone means "--vis fast").
std::vector<std::string_view> takeVisEffort(std::span<const std::string_view> arguments, SetsRequest& sets) {
  std::vector<std::string_view> rest;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    rest.push_back(arguments[i]);
    if (arguments[i] != "--vis" || i + 1 == arguments.size()) continue;
    const std::string_view effort = arguments[i + 1];
    if (effort == "fast" || effort == "full") {
      sets.full = effort == "full";
      ++i;
    }
  }
  return rest;
}

}  // namespace

ParsedPortalbuildOptions parsePortalbuildOptions(std::span<const std::string_view> arguments) {
  PortalbuildOptions options;
  const std::vector<OptionRule> rules = portalbuildRules(options);
  const std::vector<std::string_view> rest = takeVisEffort(arguments, options.sets);
  std::string error =
      readArguments(rest, rules, "level", [&options](std::string_view level) { options.level = level; });
  if (error.empty() && (options.sets.sealed || options.sets.fullSeconds > 0.0) && !options.visibleSets) {
    error = std::string(options.sets.sealed ? "--seal" : "--vis-time") + " needs --vis";
  }
  if (error.empty() && !options.build.writeLogs && !options.outputDir.empty()) {
    error = "--logs (-o) and --no-logs exclude each other";
  }
  if (!error.empty()) return {std::nullopt, std::move(error)};
  return {options, {}};
}

std::string portalbuildUsage() {
  // The rules read into nothing here: only their names and help are used.
  PortalbuildOptions unused;
  return "usage: portalbuild [LEVEL.obj] [--logs DIR | --no-logs] [--json FILE] [--open-edges FILE.obj]\n"
         "                   [-q] [--triangulate] [--threads N] [--straightforward] [--prt FILE.prt]\n"
         "                   [--portals-obj FILE.obj] [--svg FILE.svg [--at Y]]\n"
         "                   [--vis [fast|full]] [--vis-time SECONDS] [--seal]\n"
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
         "options:\n" +
         optionHelp(portalbuildRules(unused), kHelpColumn) +
         "\n"
         "exit codes: 0 built; 1 the build failed, a log or output file could not be\n"
         "            written, or the level holds no triangle (\"nothing to build\");\n"
         "            2 usage error, an output that is the level (by any name or\n"
         "            link), or the level cannot be read (missing, a folder, UTF-16\n"
         "            text); 3 with --leak-exit-code, the inside reaches the outside\n"
         "            (otherwise as without it)\n";
}

}  // namespace pw
