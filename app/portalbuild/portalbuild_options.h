// portalbuild's command line. Without arguments it compiles "folyosos.obj"
// into the working directory and prints its summary.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "bsp/bsp_builder.h"
#include "geometry/point3.h"
#include "regions/region_sets.h"
#include "scene/obj_reader.h"

namespace pw {

struct PortalbuildOptions {
  std::filesystem::path level = "folyosos.obj";
  std::filesystem::path outputDir;  // the logs' folder; empty: the working directory
  std::filesystem::path jsonPath;   // empty: no JSON summary
  std::filesystem::path openEdgesPath;  // empty: no open edges file
  std::filesystem::path prtPath;        // empty: no portal file
  std::filesystem::path portalsObjPath;  // empty: no portals OBJ file
  std::filesystem::path svgPath;         // empty: no plan view
  std::optional<float> planHeight;       // unset: the start eye's height
  bool visibleSets = false;              // write "visible.pvs" next to the logs
  SetsRequest sets;                      // how (its threads are the build's)
  // The leak check: where the inside is (unset: the viewer's start eye), the
  // trail file (empty: none) and whether a leak makes the exit code 3.
  std::optional<Point3> inside;
  std::filesystem::path leakPath;
  bool leakExitCode = false;
  bool quiet = false;
  bool help = false;
  ObjReadOptions read;
  TreeOptions build;

  // Any of --inside, --leak, --leak-exit-code asks for the leak check.
  bool wantsLeakCheck() const { return inside || !leakPath.empty() || leakExitCode; }
};

struct ParsedPortalbuildOptions {
  std::optional<PortalbuildOptions> options;  // unset: usage error
  std::string error;                          // why, when unset
};

// `arguments` excludes the program name.
ParsedPortalbuildOptions parsePortalbuildOptions(std::span<const std::string_view> arguments);

// The --help text, exit codes included.
std::string portalbuildUsage();

}  // namespace pw
