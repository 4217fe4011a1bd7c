#include "app/viewer/command_line.h"

#include <cstdint>
#include <limits>
#include <system_error>
#include <vector>

#include "app/cli/output_paths.h"
#include "support/option_table.h"

namespace pw {

namespace {

// Where the usage's descriptions start.
constexpr std::size_t kHelpColumn = 22;

// The options in the order the usage lists them; each reads into `result`.
std::vector<OptionRule> viewerRules(CommandLine& result) {
  ViewerOptions& viewer = result.viewer;
  auto screen = [&viewer](bool fullScreen) {
    if (viewer.fullScreen && *viewer.fullScreen != fullScreen) {
      return std::string("--windowed and --fullscreen exclude each other");
    }
    viewer.fullScreen = fullScreen;
    return std::string();
  };
  auto culling = [&viewer](std::optional<Culling> mode) {
    viewer.culling = mode;
    return std::string();
  };
  return {
      {{"--windowed"}, {}, [=](OptionValues) { return screen(false); }, {},
       "run in a 1024 x 768 window without asking"},
      {{"--fullscreen"}, {}, [=](OptionValues) { return screen(true); }, {}, "run full screen without asking"},
      {{"--frames"}, "N",
       [&viewer](OptionValues values) {
         const auto count = wholeNumber(values[0], 1, std::numeric_limits<std::uint64_t>::max());
         if (!count) return std::string("--frames needs a positive whole number");
         viewer.frameLimit = *count;
         return std::string();
       },
       "--frames needs a positive whole number", "end after N drawn frames (exit code 0)"},
      {{"--screenshot"}, "FILE",
       [&result](OptionValues values) {
         if (values[0].empty()) return std::string("--screenshot needs a file name");
         result.screenshot = values[0];
         return std::string();
       },
       "--screenshot needs a file name", "save the last drawn frame as a PNG file"},
      {{"--eye"}, "X Y Z",
       [&viewer](OptionValues values) {
         const auto x = finiteNumber(values[0]), y = finiteNumber(values[1]), z = finiteNumber(values[2]);
         if (!x || !y || !z) return std::string("--eye needs three numbers X Y Z");
         // The camera holds the translation that brings the eye to the origin.
         viewer.startCamera.tx = -*x;
         viewer.startCamera.ty = -*y;
         viewer.startCamera.tz = -*z;
         viewer.eyeGiven = true;
         return std::string();
       },
       "--eye needs three numbers X Y Z",
       "start at this eye position (default -1.6 0.2 0.4), kept\n"
       "even where it lies in no enclosed room (with a warning)"},
      {{"--yaw"}, "DEGREES",
       [&viewer](OptionValues values) {
         const auto degrees = finiteNumber(values[0]);
         if (!degrees) return std::string("--yaw needs a number of degrees");
         viewer.startCamera.yaw = *degrees;
         return std::string();
       },
       "--yaw needs a number of degrees",
       "start turned this far to the right (default 0,\n"
       "looking along -z)"},
      {{"--logs"}, "DIR",
       [&viewer](OptionValues values) {
         viewer.logDir = values[0];
         return std::string();
       },
       {},
       "write out.log, contours.log and tris.log into DIR, a\n"
       "folder that exists"},
      flagRule({"--stats"}, result.stats,
               "print each frame's Spaces and triangles drawn, then\n"
               "frames per second and the mean share of them"),
      {{"--vis"}, "FILE.pvs",
       [&viewer](OptionValues values) {
         viewer.visPath = values[0];
         return std::string();
       },
       {},
       "never draw a Space outside the eye's Space's visible\n"
       "set, read from the file portalbuild --vis wrote for\n"
       "this level (one made for another build is refused)"},
      {{"--culling"}, "MODE",
       [=](OptionValues values) {
         if (values[0] == "auto") return culling(std::nullopt);
         if (values[0] == "sound") return culling(Culling::Sound);
         if (values[0] == "designed") return culling(Culling::Designed);
         if (values[0] == "narrow") return culling(Culling::Narrow);
         if (values[0] == "all") return culling(Culling::All);
         return std::string("--culling needs auto, sound, narrow, designed or all");
       },
       "--culling needs auto, sound, narrow, designed or all",
       "which Spaces a frame draws: designed (through the\n"
       "portals the build carved), sound (through those and\n"
       "through the open links of the tree's cells, so that\n"
       "nothing in view is hidden on an open mesh), narrow\n"
       "(through the openings between the empty regions the\n"
       "walls cut the cells into, each seen only through the\n"
       "part of the view the ones before it leave), all, or\n"
       "auto (the default: designed on a closed level,\n"
       "sound otherwise, saying why on stderr)"},
      {{"--draw-all"}, {}, [=](OptionValues) { return culling(Culling::All); }, {}, "the same as --culling all"},
      flagRule({"--triangulate"}, viewer.read.triangulate,
               "read a face with more than 3 corners as a fan of\n"
               "triangles (by default only its first triangle)"),
      {{"--no-vsync"}, {},
       [&viewer](OptionValues) {
         viewer.verticalSync = false;
         return std::string();
       },
       {},
       "do not wait for the display's refresh: frames run as\n"
       "fast as they can; flying then goes 3 units a second\n"
       "instead of 0.05 units a frame"},
      flagRule({"--walk"}, viewer.walk,
               "start walking on the floors instead of flying (F6\n"
               "toggles)"),
      {{"--keys"}, "SCRIPT",
       [&viewer](OptionValues values) {
         std::string error;
         std::optional<KeyScript> script = parseKeyScript(values[0], error);
         if (!script) return error;
         viewer.keys = std::move(*script);
         return std::string();
       },
       {},
       "press keys without a person: steps separated by\n"
       "commas, \"KEY[+KEY] N\" holds keys for N frames, \"wait N\"\n"
       "holds none, \"turn DEGREES\" turns the view right; keys\n"
       "Up Down Left Right F1 F2 F3 F4 F5 F6 F12 Esc (e.g.\n"
       "\"F6 1, Up 90, turn 90, Up+Left 30\"); motion by time then\n"
       "counts 1/60 s a frame, the same on any machine"},
      flagRule({"--overlay"}, viewer.outlinePassages, "start with the passage outlines on (as F2 does)"),
      {{"--look"}, "MODE",
       [&viewer](OptionValues values) {
         const std::optional<ViewMode> mode = viewModeNamed(values[0]);
         if (!mode) return std::string("--look needs spaces, textured, flat or normals");
         viewer.look = *mode;
         return std::string();
       },
       "--look needs spaces, textured, flat or normals",
       "how the Spaces are coloured (F4 cycles): spaces (the\n"
       "default: the eye's Space green, the others red),\n"
       "textured (the level's materials and images), flat (a\n"
       "lit grey) or normals (each face by its direction)"},
      flagRule({"--hud"}, viewer.readout,
               "start with the readout on (as F5 does): frames per\n"
               "second, culling and drawing time, Spaces and\n"
               "triangles drawn, the modes, the eye and its yaw"),
      flagRule({"--immediate"}, result.immediate,
               "send every triangle each frame (immediate mode, the\n"
               "reference picture) instead of drawing from buffers\n"
               "made once at start"),
      flagRule({"-h", "--help"}, result.help, "show this text"),
  };
}

}  // namespace

ParsedCommandLine parseCommandLine(std::span<const std::string_view> arguments) {
  CommandLine result;
  const std::vector<OptionRule> rules = viewerRules(result);
  std::string error = readArguments(arguments, rules, "level",
                                    [&result](std::string_view level) {
                                      result.viewer.levelPath = level;
                                      result.viewer.visBesideLevel = true;
                                    });
  if (!error.empty()) return ParsedCommandLine{std::nullopt, std::move(error)};
  return ParsedCommandLine{result, {}};
}

std::string refusedPaths(const CommandLine& commandLine) {
  const ViewerOptions& viewer = commandLine.viewer;
  std::error_code error;
  if (viewer.logDir && !std::filesystem::is_directory(*viewer.logDir, error)) {
    return "--logs " + viewer.logDir->string() + " is not a folder";
  }
  std::vector<NamedPath> outputs = {{"the frame log", viewer.outputDir / "log.txt"},
                                    {"--screenshot", commandLine.screenshot}};
  for (const char* log : kBuildLogNames) outputs.push_back({"the log", viewer.logDir.value_or(viewer.outputDir) / log});
  const NamedPath inputs[] = {{"the level", viewer.levelPath}, {"--vis", viewer.visPath}};
  return outputNamingInput(outputs, inputs);
}

std::string usageText() {
  // The rules read into nothing here: only their names and help are used.
  CommandLine unused;
  return "Usage: portalwalk [LEVEL.obj] [--windowed | --fullscreen] [--frames N]\n"
         "                 [--screenshot FILE.png] [--eye X Y Z] [--yaw DEGREES]\n"
         "                 [--stats] [--culling auto|sound|narrow|designed|all]\n"
         "                 [--draw-all] [--triangulate] [--no-vsync] [--logs DIR]\n"
         "                 [--vis FILE.pvs] [--overlay] [--walk] [--keys SCRIPT]\n"
         "                 [--look spaces|textured|flat|normals] [--hud] [--immediate]\n"
         "\n"
         "Builds the BSP tree of an indoor level (a Wavefront OBJ triangle mesh)\n"
         "and walks through it in first person, drawing only the Spaces seen\n"
         "through portals: the one around the eye in green, the others in red.\n"
         "Writes log.txt (one line per frame), out.log (the tree), contours.log\n"
         "and tris.log into the working directory (the last three into DIR with\n"
         "--logs DIR).\n"
         "\n" +
         helpEntry("LEVEL.obj", "the level to load (default: folyosos.obj)", kHelpColumn) +
         optionHelp(viewerRules(unused), kHelpColumn) +
         "\n"
         "Controls:\n"
         "  Up / Down           walk forward / backward (fly: 0.05 units a frame,\n"
         "                      3 a second with --no-vsync; walk: 2.5 standing\n"
         "                      heights a second)\n"
         "  Left / Right        step sideways\n"
         "  mouse               look around\n"
         "  mouse wheel         move one unit along the view direction\n"
         "  F1                  toggle full screen (the new window is 640 x 480)\n"
         "  F2                  toggle outlines of the passages the culling tested,\n"
         "                      seen through walls: designed portals that passed\n"
         "                      yellow, that failed blue, open links that passed cyan\n"
         "  F3                  freeze the culling at the current view, then walk away\n"
         "                      to see from outside what it draws; again to unfreeze\n"
         "  F4                  next view mode: spaces, textured, flat, normals\n"
         "  F5                  readout on or off\n"
         "  F6                  walk (gravity, floors, walls, steps) or fly (the default)\n"
         "  F12                 save the frame as portalwalk-NNNN.png in the working\n"
         "                      folder (the next free number)\n"
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
