// build_bench: builds generated rooms-and-corridors levels of about 1k, 4k,
// 16k and 64k triangles and prints, per size, the build time, the peak
// memory, the share of the build spent in cutter choice, splitting and
// portal creation, and the growth exponent fitted over all sizes.
//
//   build_bench [LARGEST]   LARGEST: the largest size to build (default 64000)
//
// Each size is built in a child process of its own, so its peak memory is
// its own. The logs go to a scratch folder that is removed at the end.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bsp/bsp_builder.h"
#include "bsp/stopwatch.h"
#include "scene/scene.h"
#include "tools/levelgen.h"

namespace {

struct Figures {
  double triangles = 0;  // input triangles
  double seconds = 0;    // build and flattening
  double peakMiB = 0;
  double cutterChoice = 0;
  double splitting = 0;
  double portalCreation = 0;
  double spaces = 0;
  double splits = 0;
};

Figures buildOnce(std::uint64_t size, const std::filesystem::path& dir) {
  pw::Scene scene;
  pw::appendToScene(pw::layoutMesh(pw::roomsAndCorridors(pw::roomsForSize(size))), scene);
  Figures figures;
  figures.triangles = scene.triangleCount();
  pw::BspBuilder builder(&scene, dir);
  const pw::Stopwatch time;
  pw::BspNode* root = builder.build(scene.allTriangleIndices(), {});
  root->collectLeafFragments();
  figures.seconds = time.seconds();
  const pw::BuildStats& stats = builder.stats();
  figures.cutterChoice = stats.cutterChoiceSeconds;
  figures.splitting = stats.splittingSeconds;
  figures.portalCreation = stats.portalCreationSeconds;
  figures.spaces = static_cast<double>(stats.spaces);
  figures.splits = static_cast<double>(stats.trianglesSplit);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  figures.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB on Linux
  return figures;
}

// Runs one size in a child process and reads its figures back through a pipe.
bool buildInChild(std::uint64_t size, const std::filesystem::path& dir, Figures& figures) {
  int channel[2];
  if (pipe(channel) != 0) return false;
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    close(channel[0]);
    const Figures measured = buildOnce(size, dir);
    const bool written = write(channel[1], &measured, sizeof measured) == static_cast<ssize_t>(sizeof measured);
    _exit(written ? 0 : 1);
  }
  close(channel[1]);
  const bool read_ = read(channel[0], &figures, sizeof figures) == static_cast<ssize_t>(sizeof figures);
  close(channel[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return read_ && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::uint64_t largest = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 64000;
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("portalwalk_build_bench_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);

  std::printf("%10s %10s %8s %10s %9s %8s %10s %8s %8s\n", "triangles", "build s", "peak MiB", "cutter %",
              "split %", "portal %", "other %", "Spaces", "splits");
  std::vector<Figures> rows;
  for (std::uint64_t size = 1000; size <= largest; size *= 4) {
    Figures f;
    if (!buildInChild(size, dir, f)) {
      std::fprintf(stderr, "build_bench: the build of size %llu failed\n", static_cast<unsigned long long>(size));
      return 1;
    }
    const double share = 100.0 / f.seconds;
    const double other = 100.0 - share * (f.cutterChoice + f.splitting + f.portalCreation);
    std::printf("%10.0f %10.3f %8.1f %10.1f %9.1f %8.1f %10.1f %8.0f %8.0f\n", f.triangles, f.seconds, f.peakMiB,
                share * f.cutterChoice, share * f.splitting, share * f.portalCreation, other, f.spaces, f.splits);
    std::fflush(stdout);
    rows.push_back(f);
  }
  std::filesystem::remove_all(dir);

  // Least squares on log time against log size: time ~ size^exponent.
  if (rows.size() >= 2) {
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const Figures& f : rows) {
      const double x = std::log(f.triangles);
      const double y = std::log(f.seconds);
      sx += x;
      sy += y;
      sxx += x * x;
      sxy += x * y;
    }
    const double n = static_cast<double>(rows.size());
    std::printf("growth exponent (least squares, log time on log triangles): %.2f\n",
                (n * sxy - sx * sy) / (n * sxx - sx * sx));
  }
  return 0;
}
