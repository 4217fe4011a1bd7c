#include "tools/levelimport_run.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <utility>
#include <vector>

#include "tools/ibsp_file.h"
#include "tools/level_export.h"

namespace pw {
namespace {

namespace fs = std::filesystem;

constexpr char kUsage[] =
    "usage: levelimport MAP.bsp -o LEVEL.obj\n"
    "\n"
    "Converts a Quake III level (IBSP version 46, as the OpenArena maps are built)\n"
    "into LEVEL.obj, LEVEL.mtl and LEVEL.starts beside it.\n"
    "\n"
    "- Only model 0, the world, is read. Polygons and meshes become their triangles;\n"
    "  each 3x3 piece of a Bezier patch is cut into the fewest equal segments (1 to\n"
    "  8) along each direction that keep it within 4 level units of the true curve;\n"
    "  billboards are left out.\n"
    "- Faces never drawn are left out and counted by kind: sky, fog volumes,\n"
    "  triggers, clips, hints and skips, nodraw and caulk (shader flags first,\n"
    "  then the names of the editor's tool shaders), as are triangles whose\n"
    "  corners, as 32-bit floats, lie on a line.\n"
    "- Axes and scale: Quake's z-up units become y-up ones, x' = s x, y' = s z,\n"
    "  z' = -s y, s = 0.034 (= 1.7 / 50: a standing eye, 50 units above the floor,\n"
    "  stands 1.7 units above it). Triangles turn counter-clockwise seen from the\n"
    "  playable side.\n"
    "- LEVEL.mtl: one material per shader, named after it, with a plain colour\n"
    "  (Kd) of its own; no map_Kd, as which image a shader uses (.tga or .jpg,\n"
    "  or one named by a shader script) is only known with the game's textures.\n"
    "- LEVEL.starts: one line per player start (deathmatch, single-player and\n"
    "  team starts), \"x y z yaw share\": the eye (the start's origin 26 units\n"
    "  up) in the OBJ's axes, the viewer's yaw in degrees (0 looks along -z,\n"
    "  growing turns right), and the share (0 to 1) of the written triangles in\n"
    "  the clusters that the level's visibility data marks visible from the\n"
    "  eye's cluster (1 when the eye is outside every cluster or the level has\n"
    "  no visibility data).\n"
    "\n"
    "exit codes: 0 written, 1 an output could not be written, 2 usage error, an\n"
    "unreadable level (its reason is printed) or an output path that is the input\n";

int refuse(std::ostream& err, const std::string& message) {
  err << "levelimport: " << message << '\n';
  return kImportRefused;
}

// The whole file, or nothing with `error` set.
std::optional<std::vector<std::byte>> readFile(const fs::path& path, std::string& error) {
  std::error_code code;
  if (fs::is_directory(path, code)) {
    error = "is a folder";
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = std::strerror(errno);
    return std::nullopt;
  }
  std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) {
    error = "read error";
    return std::nullopt;
  }
  std::vector<std::byte> file(bytes.size());
  std::transform(bytes.begin(), bytes.end(), file.begin(), [](char c) { return static_cast<std::byte>(c); });
  return file;
}

bool sameFile(const fs::path& a, const fs::path& b) {
  std::error_code code;
  return fs::exists(a, code) && fs::exists(b, code) && fs::equivalent(a, b, code);
}

std::string shareText(double share) {
  char text[32];
  const auto [end, error] = std::to_chars(text, text + sizeof text, share, std::chars_format::fixed, 3);
  return std::string(text, end);
}

void printSummary(std::ostream& out, const ImportSummary& s) {
  out << "triangles:    " << s.trianglesWritten << " written (" << s.patchTriangles << " of them from " << s.patches
      << " patches), " << s.degenerateTriangles << " degenerate left out\n";
  out << "faces left out:";
  for (std::size_t kind = 0; kind < kSkipKindCount; ++kind) {
    out << (kind == 0 ? " " : ", ") << skipKindName(static_cast<SkipKind>(kind)) << ' ' << s.skippedFaces[kind];
  }
  out << "\nmaterials:    " << s.materials << "\nstarts:       " << s.starts.size();
  if (!s.starts.empty()) {
    const auto [least, most] = std::minmax_element(s.starts.begin(), s.starts.end(), [](const auto& a, const auto& b) {
      return a.visibleShare < b.visibleShare;
    });
    out << " (visible share " << shareText(least->visibleShare) << " to " << shareText(most->visibleShare) << ")";
  }
  out << '\n';
}

}  // namespace

std::string_view levelImportUsage() { return kUsage; }

int runLevelImport(std::span<const std::string_view> arguments, std::ostream& out, std::ostream& err) {
  if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
    out << kUsage;
    return kImportWritten;
  }
  if (arguments.size() != 3 || arguments[1] != "-o") {
    err << "levelimport: expected MAP.bsp -o LEVEL.obj\n\n" << kUsage;
    return kImportRefused;
  }
  const fs::path input(arguments[0]), obj(arguments[2]);
  if (obj.extension() != ".obj") return refuse(err, "the output " + obj.string() + " must end in .obj");
  const fs::path mtl = fs::path(obj).replace_extension(".mtl"), starts = fs::path(obj).replace_extension(".starts");
  for (const fs::path& output : {obj, mtl, starts}) {
    if (sameFile(input, output)) return refuse(err, "the output " + output.string() + " is the input");
  }

  std::string error;
  const std::optional<std::vector<std::byte>> file = readFile(input, error);
  if (!file) return refuse(err, input.string() + ": " + error);
  try {
    const ibsp::Level level = ibsp::readLevel(*file);
    // Written in memory first: a level that fails part way writes nothing.
    std::ostringstream objText, mtlText, startsText;
    const ImportSummary summary =
        exportLevel(level, {objText, mtlText, startsText, mtl.filename().string()});
    for (const auto& [path, text] : {std::pair{obj, &objText}, {mtl, &mtlText}, {starts, &startsText}}) {
      std::ofstream stream(path, std::ios::binary);
      stream << text->view();
      stream.close();
      if (!stream) {
        err << "levelimport: cannot write " << path.string() << ": " << std::strerror(errno) << '\n';
        return kImportWriteFailed;
      }
    }
    out << "levelimport:  " << input.string() << " -> " << obj.string() << '\n';
    printSummary(out, summary);
    return kImportWritten;
  } catch (const ibsp::FormatError& failure) {
    return refuse(err, input.string() + ": " + failure.what());
  }
}

}  // namespace pw
