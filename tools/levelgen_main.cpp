// levelgen: writes a generated level as Wavefront OBJ.
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "tools/levelgen.h"

namespace {

constexpr char kUsage[] =
    "usage: levelgen KIND [options] [-o FILE]\n"
    "\n"
    "Writes a generated level as Wavefront OBJ (\"v\", \"vn\", \"f a//n ...\") to FILE,\n"
    "or to standard output without -o. The same arguments always give the same file.\n"
    "\n"
    "kinds:\n"
    "  rooms    a grid of box rooms joined by corridors, faces pointing into the rooms\n"
    "           --size N        about N triangles (1000, 4000, 16000, 64000, 256000 give\n"
    "                           grids of 2, 4, 8, 16, 32 rooms a side)\n"
    "           --rows R --cols C   the grid instead (default 2 x 2)\n"
    "           --subdivide K   cells of 1/K units (K a power of two; default 1)\n"
    "           --seed S        varies the room sizes (default 1), and the holes and\n"
    "                           pillars of the kinds below\n"
    "           --holes P       leaves out a share P (0 to 1) of the ceiling and wall\n"
    "                           triangles, chosen with the seed; floors always stay\n"
    "  outdoor  rooms with no ceilings (corridors keep theirs); the rooms options\n"
    "  pillars  rooms with one or two thin box pillars each, some open tubes, that\n"
    "           reach through floor and ceiling without sharing an edge with them;\n"
    "           the rooms options\n"
    "  seams    rooms whose walls have cells 3/2 as wide as the floors', so walls\n"
    "           meet floors and ceilings in T-junctions; the rooms options\n"
    "  soup     separate random triangles: --count N (default 1000), --seed S\n"
    "  deep     an outward-facing bowl whose BSP tree is about as deep as it has\n"
    "           triangles: --count N (default 1000)\n"
    "  sample   the sample level shipped as levels/folyosos.obj\n"
    "\n"
    "any kind, once generated:\n"
    "  --rotate AX AY AZ DEGREES   turns the level by DEGREES about the axis\n"
    "                              (AX, AY, AZ) through the origin\n"
    "  --shift X Y Z               then moves it by (X, Y, Z)\n"
    "  both worked out in double precision, then written as 32-bit floats\n"
    "\n"
    "exit codes: 0 written, 1 the file could not be written, 2 usage error\n";

std::optional<std::uint64_t> parseNumber(std::string_view text) {
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// A share from 0 to 1.
std::optional<double> parseShare(std::string_view text) {
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !(value >= 0.0 && value <= 1.0)) {
    return std::nullopt;
  }
  return value;
}

// A finite decimal number.
std::optional<double> parseReal(std::string_view text) {
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

// The `count` numbers after argv[i], i left on the last one read.
std::optional<std::array<double, 4>> parseReals(int argc, char** argv, int& i, int count) {
  std::array<double, 4> values{};
  for (int k = 0; k < count; ++k) {
    if (i + 1 >= argc) return std::nullopt;
    const std::optional<double> value = parseReal(argv[++i]);
    if (!value) return std::nullopt;
    values[static_cast<std::size_t>(k)] = *value;
  }
  return values;
}

int usageError(const std::string& message) {
  std::cerr << "levelgen: " << message << "\n\n" << kUsage;
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
    std::cout << kUsage;
    return 0;
  }
  if (argc < 2) return usageError("no kind given");
  const std::string_view kind = argv[1];
  std::optional<std::uint64_t> size, rows, cols, subdivide, seed, count;
  std::optional<double> holes;
  std::string outputPath;
  std::optional<pw::Placement> placement;
  for (int i = 2; i < argc; ++i) {
    const std::string_view option = argv[i];
    if (option == "--rotate" || option == "--shift") {
      const bool rotate = option == "--rotate";
      const std::optional<std::array<double, 4>> v = parseReals(argc, argv, i, rotate ? 4 : 3);
      if (!v || (rotate && (*v)[0] == 0.0 && (*v)[1] == 0.0 && (*v)[2] == 0.0)) {
        return usageError("bad values for " + std::string(option));
      }
      if (!placement) placement.emplace();
      if (rotate) {
        placement->axis = {(*v)[0], (*v)[1], (*v)[2]};
        placement->degrees = (*v)[3];
      } else {
        placement->shift = {(*v)[0], (*v)[1], (*v)[2]};
      }
      continue;
    }
    if (i + 1 >= argc) return usageError("missing value after " + std::string(option));
    const std::string_view value = argv[++i];
    if (option == "-o") {
      outputPath = value;
      continue;
    }
    if (option == "--holes") {
      holes = parseShare(value);
      if (!holes) return usageError("bad value for --holes: " + std::string(value));
      continue;
    }
    std::optional<std::uint64_t>* target = option == "--size"        ? &size
                                           : option == "--rows"      ? &rows
                                           : option == "--cols"      ? &cols
                                           : option == "--subdivide" ? &subdivide
                                           : option == "--seed"      ? &seed
                                           : option == "--count"     ? &count
                                                                     : nullptr;
    if (target == nullptr) return usageError("unknown option " + std::string(option));
    *target = parseNumber(value);
    if (!*target || (option != "--seed" && (**target == 0 || **target > 1'000'000))) {
      return usageError("bad value for " + std::string(option) + ": " + std::string(value));
    }
  }

  pw::Mesh mesh;
  const bool roomsKind = kind == "rooms" || kind == "outdoor" || kind == "pillars" || kind == "seams";
  if (holes && !roomsKind) return usageError("--holes needs a rooms kind");
  if (roomsKind) {
    pw::OpenLevelParams params;
    params.rooms = size ? pw::roomsForSize(*size) : pw::RoomsParams{};
    if (rows) params.rooms.rows = static_cast<int>(*rows);
    if (cols) params.rooms.cols = static_cast<int>(*cols);
    if (subdivide) params.rooms.subdivision = static_cast<int>(*subdivide);
    if (seed) params.rooms.seed = *seed;
    params.holes = holes.value_or(0.0);
    params.ceilings = kind != "outdoor";
    params.pillars = kind == "pillars";
    params.seams = kind == "seams";
    mesh = pw::openLevel(params);
  } else if (kind == "soup") {
    mesh = pw::randomSoup(static_cast<std::uint32_t>(count.value_or(1000)), seed.value_or(1));
  } else if (kind == "deep") {
    mesh = pw::deepLevel(static_cast<std::uint32_t>(count.value_or(1000)));
  } else if (kind == "sample") {
    mesh = pw::layoutMesh(pw::sampleLayout());
  } else {
    return usageError("unknown kind " + std::string(kind));
  }

  if (placement) mesh = pw::placed(mesh, *placement);

  if (outputPath.empty()) {
    pw::writeObj(std::cout, mesh);
    return std::cout.flush() ? 0 : 1;
  }
  std::ofstream out(outputPath);
  pw::writeObj(out, mesh);
  out.close();
  if (!out) {
    std::cerr << "levelgen: cannot write " << outputPath << "\n";
    return 1;
  }
  return 0;
}
