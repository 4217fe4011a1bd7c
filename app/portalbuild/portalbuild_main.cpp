// portalbuild: compiles a level without a window. Reads the OBJ file, builds
// the BSP tree with its portals, flattens it and writes "out.log",
// "contours.log" and "tris.log", then reports what it made.
#include <exception>
#include <iostream>
#include <string_view>
#include <vector>

#include "app/portalbuild/build_run.h"
#include "app/portalbuild/portalbuild_options.h"
#include "support/exit_codes.h"

int main(int argc, char** argv) {
  const std::vector<std::string_view> arguments(argv + 1, argv + argc);
  const pw::ParsedPortalbuildOptions parsed = pw::parsePortalbuildOptions(arguments);
  if (!parsed.options) {
    std::cerr << "portalbuild: " << parsed.error << "\n\n" << pw::portalbuildUsage();
    return pw::kExitUsage;
  }
  if (parsed.options->help) {
    std::cout << pw::portalbuildUsage();
    return pw::kExitSuccess;
  }
  try {
    return pw::runPortalbuild(*parsed.options);
  } catch (const std::exception& error) {
    std::cerr << "portalbuild: " << error.what() << '\n';
    return pw::kExitFailure;
  }
}
