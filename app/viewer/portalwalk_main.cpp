// portalwalk: compiles an indoor level into Spaces and portals and walks
// through it, drawing only what the portals let the eye see.
#include <unistd.h>

#include <exception>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/viewer/command_line.h"
#include "app/viewer/gl_graphics.h"
#include "app/viewer/screenshot.h"
#include "app/viewer/sdl_platform.h"
#include "app/viewer/shell_state.h"
#include "app/viewer/viewer.h"
#include "compile/level_compiler.h"
#include "support/exit_codes.h"

int main(int argc, char** argv) {
  const std::vector<std::string_view> arguments(argv + 1, argv + argc);
  const pw::ParsedCommandLine parsed = pw::parseCommandLine(arguments);
  if (!parsed.commandLine) {
    std::cerr << "portalwalk: " << parsed.error << "\n\n" << pw::usageText();
    return pw::kExitUsage;
  }
  const pw::CommandLine& commandLine = *parsed.commandLine;
  if (commandLine.help) {
    std::cout << pw::usageText();
    return pw::kExitSuccess;
  }

  if (const std::string refused = pw::refusedPaths(commandLine); !refused.empty()) {
    std::cerr << "portalwalk: " << refused << '\n';
    return pw::kExitUsage;
  }

  pw::ViewerOptions options = commandLine.viewer;
  options.unattended = options.frameLimit > 0 || isatty(STDIN_FILENO) == 0;
  try {
    pw::SdlPlatform platform(!options.unattended);
    pw::GlGraphics graphics({.captureFrames = !commandLine.screenshot.empty(),
                             .frameLines = commandLine.stats ? &std::cout : nullptr,
                             .immediate = commandLine.immediate});
    pw::ShellState shell;
    int exitCode = pw::runViewer(platform, graphics, shell, options, pw::compileLevel);
    if (commandLine.stats) {
      pw::printFrameStats(std::cout, graphics.stats());
      pw::printCollisionStats(std::cout, shell.collisionSeconds);
    }
    std::string error;
    if (!commandLine.screenshot.empty() && !pw::writePng(commandLine.screenshot, graphics.lastFrame(), error)) {
      std::cerr << "portalwalk: screenshot not saved: " << error << '\n';
      if (exitCode == pw::kExitSuccess) exitCode = pw::kExitFailure;
    }
    return exitCode;
  } catch (const std::exception& error) {
    // SDL could not start (no display), or memory ran out.
    std::cerr << "portalwalk: " << error.what() << '\n';
    return pw::kExitFailure;
  }
}
