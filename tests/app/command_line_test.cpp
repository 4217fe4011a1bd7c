#include <gtest/gtest.h>

#include <vector>

#include "app/viewer/command_line.h"

namespace pw {
namespace {

ParsedCommandLine parse(std::vector<std::string_view> arguments) { return parseCommandLine(arguments); }

TEST(CommandLine, noArgumentsKeepTheDesignedBehaviour) {
  const auto parsed = parse({});
  ASSERT_TRUE(parsed.commandLine.has_value());
  const CommandLine& line = *parsed.commandLine;
  EXPECT_EQ(line.viewer.levelPath, "folyosos.obj");
  EXPECT_FALSE(line.viewer.fullScreen.has_value());  // the question is asked
  EXPECT_EQ(line.viewer.frameLimit, 0u);
  EXPECT_TRUE(line.viewer.outputDir.empty());
  EXPECT_TRUE(line.screenshot.empty());
  EXPECT_FALSE(line.stats);
  EXPECT_FALSE(line.help);
  EXPECT_FALSE(line.viewer.culling.has_value());  // auto
  const Camera designed;
  EXPECT_EQ(line.viewer.startCamera.tx, designed.tx);
  EXPECT_EQ(line.viewer.startCamera.tz, designed.tz);
  EXPECT_EQ(line.viewer.startCamera.yaw, designed.yaw);
}

TEST(CommandLine, eyeAndYawSetTheStartPose) {
  const auto parsed = parse({"--eye", "3.5", "1", "-2.25", "--yaw", "90"});
  ASSERT_TRUE(parsed.commandLine.has_value()) << parsed.error;
  const Camera& start = parsed.commandLine->viewer.startCamera;
  EXPECT_EQ(start.eye().x, 3.5);
  EXPECT_EQ(start.eye().y, 1.0);
  EXPECT_EQ(start.eye().z, -2.25);
  EXPECT_EQ(start.yaw, 90.0f);
  EXPECT_EQ(start.pitch, 0.0f);
  // The same text as the designed start gives the same floats.
  const auto designed = parse({"--eye", "-1.6", "0.2", "0.4"});
  EXPECT_EQ(designed.commandLine->viewer.startCamera.tx, Camera().tx);
  EXPECT_EQ(designed.commandLine->viewer.startCamera.tz, Camera().tz);
}

TEST(CommandLine, readsEveryOption) {
  const auto parsed = parse({"--frames", "30", "levels/a.obj", "--windowed", "--screenshot", "shot.png", "--stats",
                             "--draw-all"});
  ASSERT_TRUE(parsed.commandLine.has_value()) << parsed.error;
  const CommandLine& line = *parsed.commandLine;
  EXPECT_EQ(line.viewer.levelPath, "levels/a.obj");
  EXPECT_EQ(line.viewer.fullScreen, std::optional<bool>(false));
  EXPECT_EQ(line.viewer.frameLimit, 30u);
  EXPECT_EQ(line.screenshot, "shot.png");
  EXPECT_TRUE(line.stats);
  EXPECT_EQ(line.viewer.culling, std::optional<Culling>(Culling::All));
  EXPECT_EQ(parse({"--culling", "sound"}).commandLine->viewer.culling, std::optional<Culling>(Culling::Sound));
  EXPECT_EQ(parse({"--culling", "designed"}).commandLine->viewer.culling, std::optional<Culling>(Culling::Designed));
  EXPECT_FALSE(parse({"--draw-all", "--culling", "auto"}).commandLine->viewer.culling.has_value());
  EXPECT_FALSE(parse({"--culling", "narrow"}).commandLine.has_value());

  EXPECT_EQ(parse({"--fullscreen"}).commandLine->viewer.fullScreen, std::optional<bool>(true));
  EXPECT_TRUE(parse({"--help"}).commandLine->help);
  EXPECT_TRUE(parse({"-h"}).commandLine->help);
  EXPECT_TRUE(parse({"--windowed", "--windowed"}).commandLine.has_value());
}

TEST(CommandLine, rejectsWhatItDoesNotKnow) {
  const std::vector<std::vector<std::string_view>> bad = {
      {"--frame", "3"},          {"--frames"},       {"--frames", "0"},          {"--frames", "-2"},
      {"--frames", "3x"},        {"--frames", ""},   {"--frames", "99999999999999999999999"},
      {"--screenshot"},          {"--screenshot", ""}, {"a.obj", "b.obj"},     {"--windowed", "--fullscreen"},
      {"-x"},                    {"--"},             {"--eye", "1", "2"},        {"--eye", "1", "2", "z"},
      {"--eye", "1", "nan", "3"}, {"--eye", "1e99", "0", "0"}, {"--yaw"},     {"--yaw", "left"},
  };
  for (const auto& arguments : bad) {
    const auto parsed = parse(arguments);
    EXPECT_FALSE(parsed.commandLine.has_value()) << arguments.front();
    EXPECT_FALSE(parsed.error.empty());
  }
  EXPECT_EQ(parse({"--bogus"}).error, "unknown option --bogus");
}

}  // namespace
}  // namespace pw
