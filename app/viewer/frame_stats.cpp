#include "app/viewer/frame_stats.h"

#include <algorithm>
#include <iomanip>

namespace pw {
namespace {

double percentOf(double part, std::uint64_t whole) {
  return whole == 0 ? 0.0 : 100.0 * part / static_cast<double>(whole);
}

// Per frame average of `sum`, as a share of `whole`.
void printShare(std::ostream& out, const char* label, std::uint64_t sum, std::uint64_t frames, std::uint64_t whole,
                int decimals) {
  const double perFrame = frames == 0 ? 0.0 : static_cast<double>(sum) / static_cast<double>(frames);
  const double percent = percentOf(perFrame, whole);
  out << label << ": " << std::setprecision(decimals) << perFrame << " of " << whole << " (" << std::setprecision(1)
      << percent << "%)\n";
}

}  // namespace

void printFrameStats(std::ostream& out, const FrameStats& stats) {
  const auto flags = out.flags();
  const auto precision = out.precision();
  out << std::fixed;
  out << "frames: " << stats.frames << '\n';
  const double fps = stats.seconds > 0.0 ? static_cast<double>(stats.frames) / stats.seconds : 0.0;
  out << "frames per second: " << std::setprecision(1) << fps << '\n';
  printShare(out, "spaces per frame", stats.spacesDrawn, stats.frames, stats.levelSpaces, 2);
  printShare(out, "triangles per frame", stats.trianglesDrawn, stats.frames, stats.levelTriangles, 1);
  out.flags(flags);
  out.precision(precision);
}

void printFrameLine(std::ostream& out, std::uint64_t frame, std::uint64_t spaces, std::uint64_t triangles,
                    const FrameStats& stats) {
  const auto flags = out.flags();
  const auto precision = out.precision();
  out << std::fixed << std::setprecision(1) << "frame " << frame << ": spaces " << spaces << " of "
      << stats.levelSpaces << " (" << percentOf(static_cast<double>(spaces), stats.levelSpaces) << "%), triangles "
      << triangles << " of " << stats.levelTriangles << " ("
      << percentOf(static_cast<double>(triangles), stats.levelTriangles) << "%)\n";
  out.flags(flags);
  out.precision(precision);
}

void printCollisionStats(std::ostream& out, std::vector<double> seconds) {
  if (seconds.empty()) return;
  std::sort(seconds.begin(), seconds.end());
  const auto flags = out.flags();
  const auto precision = out.precision();
  out << std::fixed << std::setprecision(3) << "collision per walking frame: median "
      << 1000.0 * seconds[seconds.size() / 2] << " ms, worst " << 1000.0 * seconds.back() << " ms ("
      << seconds.size() << " frames)\n";
  out.flags(flags);
  out.precision(precision);
}

}  // namespace pw
