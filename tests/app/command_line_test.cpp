// Both programs' command lines, read by the one option table reader.
#include <gtest/gtest.h>

#include <vector>

#include "app/portalbuild/portalbuild_options.h"
#include "app/viewer/command_line.h"

namespace pw {
namespace {

ParsedCommandLine viewer(std::vector<std::string_view> arguments) { return parseCommandLine(arguments); }
ParsedPortalbuildOptions portalbuild(std::vector<std::string_view> arguments) {
  return parsePortalbuildOptions(arguments);
}

TEST(CommandLine, eyeAndYawSetTheStartPose) {
  const auto parsed = viewer({"--eye", "3.5", "1", "-2.25", "--yaw", "90"});
  ASSERT_TRUE(parsed.commandLine.has_value()) << parsed.error;
  const Camera& start = parsed.commandLine->viewer.startCamera;
  EXPECT_TRUE(start.eye().x == 3.5 && start.eye().y == 1.0 && start.eye().z == -2.25 && start.yaw == 90.0f);
  // The same text as the designed start gives the same floats.
  const Camera designed = viewer({"--eye", "-1.6", "0.2", "0.4"}).commandLine->viewer.startCamera;
  EXPECT_TRUE(designed.tx == Camera().tx && designed.tz == Camera().tz);
}

TEST(CommandLine, readsEveryOptionOfBothPrograms) {
  const auto parsed = viewer({"--frames", "30", "levels/a.obj", "--windowed", "--screenshot", "shot.png", "--stats",
                              "--draw-all", "--triangulate", "-h"});
  ASSERT_TRUE(parsed.commandLine.has_value()) << parsed.error;
  const CommandLine& line = *parsed.commandLine;
  EXPECT_TRUE(line.viewer.levelPath == "levels/a.obj" && line.viewer.fullScreen == std::optional<bool>(false));
  EXPECT_TRUE(line.viewer.frameLimit == 30u && line.screenshot == "shot.png");
  EXPECT_TRUE(line.stats && line.help && line.viewer.read.triangulate);
  EXPECT_EQ(line.viewer.culling, std::optional<Culling>(Culling::All));
  EXPECT_EQ(viewer({"--culling", "sound"}).commandLine->viewer.culling, std::optional<Culling>(Culling::Sound));
  EXPECT_FALSE(viewer({"--draw-all", "--culling", "auto"}).commandLine->viewer.culling.has_value());
  // Without arguments: the designed start (the question asked, no limit).
  const CommandLine none = *viewer({}).commandLine;
  EXPECT_EQ(none.viewer.levelPath, "folyosos.obj");
  EXPECT_FALSE(none.viewer.fullScreen.has_value() || none.viewer.culling.has_value() || none.help);

  const auto built = portalbuild({"l.obj", "-o", "out", "--json", "s.json", "--open-edges", "e.obj", "-q",
                                  "--triangulate", "--threads", "1024", "--straightforward"});
  ASSERT_TRUE(built.options.has_value()) << built.error;
  const PortalbuildOptions& o = *built.options;
  EXPECT_TRUE(o.level == "l.obj" && o.outputDir == "out" && o.jsonPath == "s.json" && o.openEdgesPath == "e.obj");
  EXPECT_TRUE(o.quiet && o.read.triangulate && o.build.threads == 1024u);
  EXPECT_EQ(o.build.strategy, BuildStrategy::Straightforward);
  EXPECT_EQ(portalbuild({}).options->level, "folyosos.obj");
}

TEST(CommandLine, rejectsWhatItDoesNotKnow) {
  const struct {
    bool viewer;  // else portalbuild
    std::vector<std::string_view> arguments;
    const char* error;
  } cases[] = {
      {true, {"--frame", "3"}, "unknown option --frame"}, {true, {"--"}, "unknown option --"},
      {true, {"a.obj", "b.obj"}, "more than one level given"},
      {true, {"--windowed", "--fullscreen"}, "--windowed and --fullscreen exclude each other"},
      {true, {"--frames"}, "--frames needs a positive whole number"},
      {true, {"--frames", "0"}, "--frames needs a positive whole number"},
      {true, {"--frames", "99999999999999999999999"}, "--frames needs a positive whole number"},
      {true, {"--screenshot", ""}, "--screenshot needs a file name"},
      {true, {"--eye", "1", "2"}, "--eye needs three numbers X Y Z"},
      {true, {"--eye", "1", "nan", "3"}, "--eye needs three numbers X Y Z"},
      {true, {"--eye", "1e99", "0", "0"}, "--eye needs three numbers X Y Z"},
      {true, {"--yaw", "left"}, "--yaw needs a number of degrees"},
      {true, {"--culling", "narrow"}, "--culling needs auto, sound, designed or all"},
      {false, {"--frobnicate"}, "unknown option --frobnicate"},
      {false, {"a.obj", "b.obj"}, "more than one level given"}, {false, {"-o"}, "missing value after -o"},
      {false, {"--threads"}, "missing value after --threads"},
      {false, {"--threads", "0"}, "--threads wants a number from 1 to 1024, not '0'"},
      {false, {"--threads", "-1"}, "--threads wants a number from 1 to 1024, not '-1'"},
      {false, {"--threads", "1025"}, "--threads wants a number from 1 to 1024, not '1025'"},
      {false, {"--threads", "99999999999"}, "--threads wants a number from 1 to 1024, not '99999999999'"},
  };
  for (const auto& c : cases) {
    const std::string error = c.viewer ? viewer(c.arguments).error : portalbuild(c.arguments).error;
    EXPECT_EQ(error, c.error) << c.arguments.front();
  }
  EXPECT_NE(usageText().find("Controls:"), std::string::npos);
  EXPECT_NE(portalbuildUsage().find("--threads N  count cutter candidates"), std::string::npos);
}

}  // namespace
}  // namespace pw
