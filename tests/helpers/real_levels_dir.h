// Where the imported real levels are: PORTALWALK_REAL_LEVELS at run time,
// else the folder tools/real-levels.sh fills (PORTALWALK_REAL_LEVELS_DIR,
// given by CMake to the suites labelled `real`).
#pragma once

#include <cstdlib>
#include <filesystem>

namespace pw::testing_support {

inline std::filesystem::path realLevelsDir() {
  if (const char* dir = std::getenv("PORTALWALK_REAL_LEVELS")) return dir;
  return PORTALWALK_REAL_LEVELS_DIR;
}

}  // namespace pw::testing_support
