// The viewer's command line. Without arguments the program behaves exactly as
// designed: "folyosos.obj", the full-screen question, no frame limit.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "app/viewer/viewer.h"
#include "culling/choose_spaces.h"

namespace pw {

struct CommandLine {
  ViewerOptions viewer;
  bool help = false;
  // Print frames per second and the share of Spaces and triangles drawn.
  bool stats = false;
  // Draw in immediate mode, the reference, instead of from buffers.
  bool immediate = false;
  // Where the last drawn frame goes as PNG; empty: nowhere.
  std::filesystem::path screenshot;
};

struct ParsedCommandLine {
  std::optional<CommandLine> commandLine;  // unset: usage error
  std::string error;                       // why, when unset
};

// `arguments` excludes the program name.
ParsedCommandLine parseCommandLine(std::span<const std::string_view> arguments);

// Why the paths of a well-formed command line cannot be used: --logs names
// no folder, or an output (a log, the screenshot) is an input (the level,
// the visible sets). Empty when they can.
std::string refusedPaths(const CommandLine& commandLine);

// The --help text, Controls included.
std::string usageText();

}  // namespace pw
