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
      {true, {"--culling", "wide"}, "--culling needs auto, sound, narrow, designed or all"},
      {false, {"--frobnicate"}, "unknown option --frobnicate"},
      {false, {"a.obj", "b.obj"}, "more than one level given"}, {false, {"-o"}, "missing value after -o"},
      {false, {"--threads"}, "missing value after --threads"},
      {false, {"--threads", "0"}, "--threads wants a number from 1 to 1024, not '0'"},
      {false, {"--threads", "-1"}, "--threads wants a number from 1 to 1024, not '-1'"},
      {false, {"--threads", "1025"}, "--threads wants a number from 1 to 1024, not '1025'"},
      {false, {"--threads", "99999999999"}, "--threads wants a number from 1 to 1024, not '99999999999'"},
      {false, {"--seal"}, "--seal needs --vis"},
  };
  for (const auto& c : cases) {
    const std::string error = c.viewer ? viewer(c.arguments).error : portalbuild(c.arguments).error;
    EXPECT_EQ(error, c.error) << c.arguments.front();
  }
  EXPECT_NE(usageText().find("Controls:"), std::string::npos);
  EXPECT_TRUE(!viewer({"--no-vsync"}).commandLine->viewer.verticalSync && viewer({}).commandLine->viewer.verticalSync);
  EXPECT_EQ(viewer({"--logs", "d"}).commandLine->viewer.logDir, "d");
  EXPECT_NE(portalbuildUsage().find("--threads N  count cutter candidates"), std::string::npos);
  // "--vis" takes "fast" after it, or nothing: the word is not the level.
  for (const auto& arguments : {std::vector<std::string_view>{"--vis", "fast", "a.obj"}, {"a.obj", "--vis"}}) {
    const auto parsed = portalbuild(arguments);
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_TRUE(parsed.options->visibleSets);
    EXPECT_EQ(parsed.options->level, "a.obj");
  }
}

}  // namespace
}  // namespace pw
