// The process's peak memory, for the build's reports and benchmarks (nothing
// the build decides depends on it).
#pragma once

#include <cstdint>
#include <fstream>
#include <string>

namespace pw {

// The high-water mark of this program's resident set in KiB ("VmHWM" in
// /proc/self/status), 0 where that is not available. Unlike getrusage's
// ru_maxrss, which Linux carries over an exec, it does not start at the
// size of the process that started this one.
inline std::uint64_t peakResidentKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stoull(line.substr(6));
  }
  return 0;
}

}  // namespace pw
