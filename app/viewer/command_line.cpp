#include "app/viewer/command_line.h"

#include <charconv>
#include <cmath>

namespace pw {
namespace {

// A finite decimal number, all of the text.
std::optional<float> parseNumber(std::string_view text) {
  float value = 0.0f;
  const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (status != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

// A positive decimal count, all of the text.
std::optional<std::uint64_t> parseCount(std::string_view text) {
  std::uint64_t value = 0;
  const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (status != std::errc() || end != text.data() + text.size() || value == 0) return std::nullopt;
  return value;
}

}  // namespace

ParsedCommandLine parseCommandLine(std::span<const std::string_view> arguments) {
  CommandLine result;
  bool levelGiven = false;
  auto fail = [](std::string message) { return ParsedCommandLine{std::nullopt, std::move(message)}; };
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view argument = arguments[i];
    const bool hasValue = i + 1 < arguments.size();
    if (argument == "--help" || argument == "-h") {
      result.help = true;
    } else if (argument == "--windowed" || argument == "--fullscreen") {
      const bool fullScreen = argument == "--fullscreen";
      if (result.viewer.fullScreen && *result.viewer.fullScreen != fullScreen) {
        return fail("--windowed and --fullscreen exclude each other");
      }
      result.viewer.fullScreen = fullScreen;
    } else if (argument == "--frames") {
      const auto count = hasValue ? parseCount(arguments[i + 1]) : std::nullopt;
      if (!count) return fail("--frames needs a positive whole number");
      result.viewer.frameLimit = *count;
      ++i;
    } else if (argument == "--screenshot") {
      if (!hasValue || arguments[i + 1].empty()) return fail("--screenshot needs a file name");
      result.screenshot = arguments[++i];
    } else if (argument == "--eye") {
      std::optional<float> coordinates[3];
      for (std::size_t k = 0; k < 3; ++k) {
        if (i + 1 + k < arguments.size()) coordinates[k] = parseNumber(arguments[i + 1 + k]);
      }
      if (!coordinates[0] || !coordinates[1] || !coordinates[2]) return fail("--eye needs three numbers X Y Z");
      // The camera holds the translation that brings the eye to the origin.
      result.viewer.startCamera.tx = -*coordinates[0];
      result.viewer.startCamera.ty = -*coordinates[1];
      result.viewer.startCamera.tz = -*coordinates[2];
      i += 3;
    } else if (argument == "--yaw") {
      const auto degrees = hasValue ? parseNumber(arguments[i + 1]) : std::nullopt;
      if (!degrees) return fail("--yaw needs a number of degrees");
      result.viewer.startCamera.yaw = *degrees;
      ++i;
    } else if (argument == "--stats") {
      result.stats = true;
    } else if (argument == "--triangulate") {
      result.viewer.read.triangulate = true;
    } else if (argument == "--draw-all") {
      result.viewer.culling = Culling::All;
    } else if (argument == "--culling") {
      const std::string_view mode = hasValue ? arguments[i + 1] : std::string_view();
      if (mode == "auto") {
        result.viewer.culling.reset();
      } else if (mode == "sound") {
        result.viewer.culling = Culling::Sound;
      } else if (mode == "designed") {
        result.viewer.culling = Culling::Designed;
      } else if (mode == "all") {
        result.viewer.culling = Culling::All;
      } else {
        return fail("--culling needs auto, sound, designed or all");
      }
      ++i;
    } else if (argument.starts_with("-")) {
      return fail("unknown option " + std::string(argument));
    } else if (levelGiven) {
      return fail("more than one level given");
    } else {
      result.viewer.levelPath = argument;
      levelGiven = true;
    }
  }
  return ParsedCommandLine{result, {}};
}

std::string usageText() {
  return "Usage: portalwalk [LEVEL.obj] [--windowed | --fullscreen] [--frames N]\n"
         "                 [--screenshot FILE.png] [--eye X Y Z] [--yaw DEGREES]\n"
         "                 [--stats] [--culling auto|sound|designed|all] [--draw-all]\n"
         "                 [--triangulate]\n"
         "\n"
         "Builds the BSP tree of an indoor level (a Wavefront OBJ triangle mesh)\n"
         "and walks through it in first person, drawing only the Spaces seen\n"
         "through portals: the one around the eye in green, the others in red.\n"
         "Writes log.txt (one line per frame), out.log (the tree), contours.log\n"
         "and tris.log into the working directory.\n"
         "\n"
         "  LEVEL.obj           the level to load (default: folyosos.obj)\n"
         "  --windowed          run in a 1024 x 768 window without asking\n"
         "  --fullscreen        run full screen without asking\n"
         "  --frames N          end after N drawn frames (exit code 0)\n"
         "  --screenshot FILE   save the last drawn frame as a PNG file\n"
         "  --eye X Y Z         start at this eye position (default -1.6 0.2 0.4)\n"
         "  --yaw DEGREES       start turned this far to the right (default 0,\n"
         "                      looking along -z)\n"
         "  --stats             print frames per second and the share of Spaces\n"
         "                      and triangles drawn per frame\n"
         "  --culling MODE      which Spaces a frame draws: designed (through the\n"
         "                      portals the build carved), sound (through those and\n"
         "                      through the open links of the tree's cells, so that\n"
         "                      nothing in view is hidden on an open mesh), all, or\n"
         "                      auto (the default: designed on a closed level,\n"
         "                      sound otherwise, saying why on stderr)\n"
         "  --draw-all          the same as --culling all\n"
         "  --triangulate       read a face with more than 3 corners as a fan of\n"
         "                      triangles (by default only its first triangle)\n"
         "  -h, --help          show this text\n"
         "\n"
         "Controls:\n"
         "  Up / Down           walk forward / backward\n"
         "  Left / Right        step sideways\n"
         "  mouse               look around\n"
         "  mouse wheel         move one unit along the view direction\n"
         "  F1                  toggle full screen (the new window is 640 x 480)\n"
         "  Esc                 quit\n"
         "\n"
         "A level that cannot be read (missing, a folder, UTF-16 text) is reported\n"
         "on stderr and the viewer runs with an empty level, as does one whose\n"
         "logs cannot be written.\n"
         "\n"
         "Exit codes: 0 after closing the window, Esc or --frames, or when no\n"
         "window could be made (a box says why); 1 when the display cannot be\n"
         "opened, the tessellator cannot be made, or the screenshot cannot be\n"
         "written; 2 for a usage error.\n";
}

}  // namespace pw
