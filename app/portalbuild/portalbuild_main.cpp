// portalbuild: compiles a level without a window. Reads the OBJ file, builds
// the BSP tree with its portals, flattens it and writes "out.log",
// "contours.log" and "tris.log", then reports what it made.
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <system_error>

#include "app/portalbuild/build_summary.h"
#include "bsp/stopwatch.h"
#include "cells/cell_faces.h"
#include "cells/open_links.h"
#include "compile/level_compiler.h"
#include "diag/open_edges.h"
#include "scene/scene.h"

namespace {

constexpr char kUsage[] =
    "usage: portalbuild [LEVEL.obj] [-o DIR] [--json FILE] [--open-edges FILE.obj] [-q]\n"
    "                   [--triangulate] [--threads N] [--straightforward]\n"
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
    "  -o DIR       where the three logs go\n"
    "  --json FILE  also write the summary's figures as JSON to FILE\n"
    "  --open-edges FILE.obj\n"
    "               write the edges used by one triangle only as OBJ lines (\"l\"),\n"
    "               in the level's own axes, to load over the level in a 3D tool\n"
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
    "            2 usage error, or the level cannot be read (missing, a folder,\n"
    "            UTF-16 text)\n";

// More threads than any machine has cores would only cost memory.
constexpr unsigned kMaxThreads = 1024;

struct Options {
  std::filesystem::path level = "folyosos.obj";
  std::filesystem::path outputDir;
  std::filesystem::path jsonPath;
  std::filesystem::path openEdgesPath;
  bool quiet = false;
  pw::ObjReadOptions read;
  pw::BuildOptions build;
};

int usageError(const std::string& message) {
  std::cerr << "portalbuild: " << message << "\n\n" << kUsage;
  return 2;
}

// 0: go on; otherwise the exit code.
int parseArguments(int argc, char** argv, Options& options, bool& help) {
  bool levelGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      help = true;
    } else if (arg == "-q") {
      options.quiet = true;
    } else if (arg == "-o" || arg == "--json" || arg == "--open-edges") {
      if (i + 1 >= argc) return usageError("missing value after " + std::string(arg));
      (arg == "-o" ? options.outputDir : arg == "--json" ? options.jsonPath : options.openEdgesPath) = argv[++i];
    } else if (arg == "--threads") {
      if (i + 1 >= argc) return usageError("missing value after --threads");
      const std::string_view value = argv[++i];
      unsigned threads = 0;
      const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), threads);
      if (error != std::errc() || end != value.data() + value.size() || threads == 0 || threads > kMaxThreads) {
        return usageError("--threads wants a number from 1 to " + std::to_string(kMaxThreads) + ", not '" +
                          std::string(value) + "'");
      }
      options.build.threads = threads;
    } else if (arg == "--triangulate") {
      options.read.triangulate = true;
    } else if (arg == "--straightforward") {
      options.build.strategy = pw::BuildStrategy::Straightforward;
    } else if (!arg.empty() && arg[0] == '-') {
      return usageError("unknown option " + std::string(arg));
    } else if (levelGiven) {
      return usageError("more than one level given");
    } else {
      options.level = arg;
      levelGiven = true;
    }
  }
  return 0;
}

int compile(const Options& options) {
  {
    std::ifstream probe(options.level);
    if (!probe) {
      std::cerr << "portalbuild: cannot open level " << options.level << ": " << std::strerror(errno) << '\n';
      return 2;
    }
  }
  if (!options.outputDir.empty()) {
    std::error_code error;
    std::filesystem::create_directories(options.outputDir, error);
    if (error) {
      std::cerr << "portalbuild: cannot make the output folder " << options.outputDir.string() << ": "
                << error.message() << '\n';
      return 1;
    }
  }
  // "tris.log" is only written when a portal is created: one left over from
  // an earlier run would pass for this level's.
  std::filesystem::remove(options.outputDir / "tris.log");

  pw::Scene scene;
  pw::CompileOptions compileOptions;
  compileOptions.levelPath = options.level;
  compileOptions.outputDir = options.outputDir;
  compileOptions.build = options.build;
  compileOptions.read = options.read;
  const bool showProgress = !options.quiet && isatty(STDERR_FILENO) != 0;
  if (showProgress) {
    // Splitting adds triangles, so the share is of the Scene as it is now.
    compileOptions.progress = [&scene](std::uint64_t settled) {
      const auto total = static_cast<std::uint64_t>(scene.triangleCount());
      std::cerr << "\rbuilding: " << (total == 0 ? 100 : settled * 100 / total) << "% of triangles settled"
                << std::flush;
    };
  }
  const auto compiled = pw::compileLevel(scene, compileOptions);
  if (showProgress) std::cerr << '\n';
  if (!compiled->load.ok()) return 2;  // the reader has said why
  if (compiled->load.trianglesAdded == 0) {
    std::cerr << "portalbuild: nothing to build: " << options.level.string() << " holds no triangle that could be read\n";
    return 1;
  }
  // Closed now, so that a full disk or a missing folder shows up before the
  // summary claims anything.
  const std::vector<pw::LogFailure> logFailures = compiled->logFailures();
  for (const pw::LogFailure& failure : logFailures) {
    std::cerr << "portalbuild: cannot write " << failure.file.string() << ": " << failure.reason << '\n';
  }

  pw::BuildSummary summary = pw::summarize(options.level.string(), *compiled, scene);
  const pw::Stopwatch cellTime;
  const pw::CellFaces cells = pw::computeCellFaces(scene, *compiled->root);
  summary.cellSeconds = cellTime.seconds();
  const pw::Stopwatch linkTime;
  const pw::OpenLinks links = pw::findOpenLinks(scene, cells);
  summary.linkSeconds = linkTime.seconds();
  summary.openLevel = pw::reportOpenLevel(*compiled, cells, links);
  if (!options.openEdgesPath.empty()) {
    std::string error;
    if (!pw::writeOpenEdgesObj(options.openEdgesPath, scene, compiled->edges, error)) {
      std::cerr << "portalbuild: cannot write " << options.openEdgesPath.string() << ": " << error << '\n';
      return 1;
    }
  }
  if (!options.quiet) pw::writeSummary(std::cout, summary);
  if (!logFailures.empty()) {
    std::cerr << "portalbuild: incomplete logs:";
    for (const pw::LogFailure& failure : logFailures) std::cerr << ' ' << failure.file.filename().string();
    std::cerr << '\n';
  }
  if (!options.jsonPath.empty()) {
    std::ofstream json(options.jsonPath);
    pw::writeSummaryJson(json, summary);
    json.close();
    if (!json) {
      std::cerr << "portalbuild: cannot write " << options.jsonPath << '\n';
      return 1;
    }
  }
  return logFailures.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  bool help = false;
  if (const int code = parseArguments(argc, argv, options, help); code != 0) return code;
  if (help) {
    std::cout << kUsage;
    return 0;
  }
  try {
    return compile(options);
  } catch (const std::exception& error) {
    std::cerr << "portalbuild: " << error.what() << '\n';
    return 1;
  }
}
