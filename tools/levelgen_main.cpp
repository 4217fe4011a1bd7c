// levelgen: writes a generated level as Wavefront OBJ.
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/exit_codes.h"
#include "support/option_table.h"
#include "tools/level_materials.h"
#include "tools/levelgen.h"

namespace {

// Where the usage's descriptions start.
constexpr std::size_t kHelpColumn = 18;
// The largest --size, --rows, --cols, --subdivide and --count.
constexpr std::uint64_t kMaxCount = 1'000'000;

struct LevelgenOptions {
  std::string_view kind;
  std::optional<std::uint64_t> size, rows, cols, subdivide, seed, count;
  std::optional<double> holes;
  std::string outputPath;  // empty: standard output
  std::optional<pw::Placement> placement;
  bool materials = false;
  bool help = false;
};

// Reads a whole number from `least` to `most` into `target`.
pw::OptionRule countRule(std::string_view name, std::string_view value, std::optional<std::uint64_t>& target,
                         std::uint64_t least, std::uint64_t most, std::string_view help) {
  return {{name}, value,
          [name, &target, least, most](pw::OptionValues values) {
            target = pw::wholeNumber(values[0], least, most);
            return target ? std::string() : "bad value for " + std::string(name) + ": " + std::string(values[0]);
          },
          {}, help};
}

// The finite numbers of `values`, or none when one is not.
std::optional<std::array<double, 4>> finiteDoubles(pw::OptionValues values) {
  std::array<double, 4> numbers{};
  for (std::size_t k = 0; k < values.size(); ++k) {
    const std::optional<double> number = pw::finiteDouble(values[k]);
    if (!number) return std::nullopt;
    numbers[k] = *number;
  }
  return numbers;
}

// The options in the order the usage lists them; each reads into `options`.
std::vector<pw::OptionRule> levelgenRules(LevelgenOptions& options) {
  constexpr std::uint64_t kAnySeed = std::numeric_limits<std::uint64_t>::max();
  return {
      {{"-o"}, "FILE",
       [&options](pw::OptionValues values) {
         options.outputPath = values[0];
         return std::string();
       },
       {},
       "write to FILE instead of standard output"},
      countRule("--size", "N", options.size, 1, kMaxCount,
                "rooms kinds: about N triangles (1000, 4000, 16000, 64000,\n"
                "256000 give grids of 2, 4, 8, 16, 32 rooms a side)"),
      countRule("--rows", "R", options.rows, 1, kMaxCount, "rooms kinds: R rows of rooms instead (default 2)"),
      countRule("--cols", "C", options.cols, 1, kMaxCount, "rooms kinds: C columns of rooms instead (default 2)"),
      countRule("--subdivide", "K", options.subdivide, 1, kMaxCount,
                "rooms kinds: cells of 1/K units (K a power of two; default 1)"),
      countRule("--seed", "S", options.seed, 0, kAnySeed,
                "rooms kinds and soup: varies the room sizes, the holes and\n"
                "pillars, and the soup's triangles (default 1)"),
      {{"--holes"}, "P",
       [&options](pw::OptionValues values) {
         options.holes = pw::finiteDouble(values[0]);
         if (!options.holes || !(*options.holes >= 0.0 && *options.holes <= 1.0)) {
           options.holes.reset();
           return "bad value for --holes: " + std::string(values[0]);
         }
         return std::string();
       },
       {},
       "rooms kinds: leaves out a share P (0 to 1) of the ceiling and\n"
       "wall triangles, chosen with the seed; floors always stay"},
      countRule("--count", "N", options.count, 1, kMaxCount, "soup and deep: about N triangles (default 1000)"),
      {{"--rotate"}, "AX AY AZ DEGREES",
       [&options](pw::OptionValues values) {
         const std::optional<std::array<double, 4>> v = finiteDoubles(values);
         if (!v || ((*v)[0] == 0.0 && (*v)[1] == 0.0 && (*v)[2] == 0.0)) return std::string("bad values for --rotate");
         if (!options.placement) options.placement.emplace();
         options.placement->axis = {(*v)[0], (*v)[1], (*v)[2]};
         options.placement->degrees = (*v)[3];
         return std::string();
       },
       "bad values for --rotate",
       "any kind, once generated: turns the level by DEGREES about\n"
       "the axis (AX, AY, AZ) through the origin"},
      {{"--shift"}, "X Y Z",
       [&options](pw::OptionValues values) {
         const std::optional<std::array<double, 4>> v = finiteDoubles(values);
         if (!v) return std::string("bad values for --shift");
         if (!options.placement) options.placement.emplace();
         options.placement->shift = {(*v)[0], (*v)[1], (*v)[2]};
         return std::string();
       },
       "bad values for --shift",
       "then moves it by (X, Y, Z); both worked out in double\n"
       "precision, then written as 32-bit floats"},
      pw::flagRule({"--materials"}, options.materials,
                   "also write FILE's materials (FILE with .mtl) and two\n"
                   "small images beside it; the OBJ gets vt and usemtl"),
      pw::flagRule({"-h", "--help"}, options.help, "this text"),
  };
}

std::string usage() {
  LevelgenOptions unused;
  return "usage: levelgen KIND [options] [-o FILE]\n"
         "\n"
         "Writes a generated level as Wavefront OBJ (\"v\", \"vn\", \"f a//n ...\") to FILE,\n"
         "or to standard output without -o. The same arguments always give the same file.\n"
         "\n"
         "kinds:\n"
         "  rooms    a grid of box rooms joined by corridors, faces pointing into the rooms\n"
         "  outdoor  rooms with no ceilings (corridors keep theirs)\n"
         "  pillars  rooms with one or two thin box pillars each, some open tubes, that\n"
         "           reach through floor and ceiling without sharing an edge with them\n"
         "  seams    rooms whose walls have cells 3/2 as wide as the floors', so walls\n"
         "           meet floors and ceilings in T-junctions\n"
         "  soup     separate random triangles\n"
         "  deep     an outward-facing bowl whose BSP tree is about as deep as it has\n"
         "           triangles\n"
         "  sample   the sample level shipped as levels/folyosos.obj\n"
         "The rooms kinds are rooms, outdoor, pillars and seams.\n"
         "\n"
         "options:\n" +
         pw::optionHelp(levelgenRules(unused), kHelpColumn) +
         "\n"
         "exit codes: 0 written, 1 the file could not be written, 2 usage error\n";
}

int usageError(const std::string& message) {
  std::cerr << "levelgen: " << message << "\n\n" << usage();
  return pw::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> arguments(argv + 1, argv + argc);
  LevelgenOptions options;
  const std::vector<pw::OptionRule> rules = levelgenRules(options);
  const std::string error =
      pw::readArguments(arguments, rules, "kind", [&options](std::string_view kind) { options.kind = kind; });
  if (!error.empty()) return usageError(error);
  if (options.help) {
    std::cout << usage();
    return pw::kExitSuccess;
  }
  if (options.kind.empty()) return usageError("no kind given");

  const std::string_view kind = options.kind;
  pw::Mesh mesh;
  const bool roomsKind = kind == "rooms" || kind == "outdoor" || kind == "pillars" || kind == "seams";
  if (options.holes && !roomsKind) return usageError("--holes needs a rooms kind");
  if (roomsKind) {
    pw::OpenLevelParams params;
    params.rooms = options.size ? pw::roomsForSize(*options.size) : pw::RoomsParams{};
    if (options.rows) params.rooms.rows = static_cast<int>(*options.rows);
    if (options.cols) params.rooms.cols = static_cast<int>(*options.cols);
    if (options.subdivide) params.rooms.subdivision = static_cast<int>(*options.subdivide);
    if (options.seed) params.rooms.seed = *options.seed;
    params.holes = options.holes.value_or(0.0);
    params.ceilings = kind != "outdoor";
    params.pillars = kind == "pillars";
    params.seams = kind == "seams";
    // Placed so that the viewer's designed eye stands in the first room.
    mesh = pw::placed(pw::openLevel(params), {.shift = pw::startShift(pw::openLayout(params))});
  } else if (kind == "soup") {
    mesh = pw::randomSoup(static_cast<std::uint32_t>(options.count.value_or(1000)), options.seed.value_or(1));
  } else if (kind == "deep") {
    mesh = pw::deepLevel(static_cast<std::uint32_t>(options.count.value_or(1000)));
  } else if (kind == "sample") {
    mesh = pw::layoutMesh(pw::sampleLayout());
  } else {
    return usageError("unknown kind " + std::string(kind));
  }

  if (options.placement) mesh = pw::placed(mesh, *options.placement);

  if (options.materials && options.outputPath.empty()) return usageError("--materials needs an output file");
  if (options.outputPath.empty()) {
    pw::writeObj(std::cout, mesh);
    return std::cout.flush() ? pw::kExitSuccess : pw::kExitFailure;
  }
  std::ofstream out(options.outputPath);
  const std::filesystem::path library = std::filesystem::path(options.outputPath).replace_extension(".mtl");
  if (options.materials) {
    pw::writeObjWithMaterials(out, mesh, library.filename().string());
    if (std::string failure; !pw::writeMaterialFiles(library, failure)) {
      std::cerr << "levelgen: " << failure << "\n";
      return pw::kExitFailure;
    }
  } else {
    pw::writeObj(out, mesh);
  }
  out.close();
  if (!out) {
    std::cerr << "levelgen: cannot write " << options.outputPath << "\n";
    return pw::kExitFailure;
  }
  return pw::kExitSuccess;
}
