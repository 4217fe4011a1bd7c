// Wall-clock timing of the build's phases, for its statistics only (nothing
// the build decides depends on it).
#pragma once

#include <chrono>

namespace pw {

class Stopwatch {
 public:
  double seconds() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count(); }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace pw
