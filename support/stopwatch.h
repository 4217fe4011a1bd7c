// Wall-clock timing of a program's phases, for its statistics only (nothing
// a program decides may depend on it).
#pragma once

#include <chrono>

namespace pw {

class Stopwatch {
 public:
  double seconds() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count(); }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// Adds the seconds from its making to the end of its scope to `total`, which
// must outlive it: a phase that runs many times sums into one figure.
class PhaseTimer {
 public:
  explicit PhaseTimer(double& total) : total_(total) {}
  ~PhaseTimer();
  PhaseTimer(const PhaseTimer&) = delete;
  PhaseTimer& operator=(const PhaseTimer&) = delete;

 private:
  double& total_;
  const Stopwatch stopwatch_;
};

}  // namespace pw
