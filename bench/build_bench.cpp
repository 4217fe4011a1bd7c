// build_bench: the fast and the straightforward BSP build side by side on
// generated rooms-and-corridors levels of about 1k, 4k, 16k, 64k and 256k
// triangles. Per size: both build times and their ratio, the peak memory per
// input triangle of each, whether the three logs came out byte-identical;
// then the share of each phase of the build; then the growth exponents
// fitted to the times (all sizes, and from 4k up); then the deep bowl, a
// level whose tree is as deep as it has triangles; then the rooms levels of
// 16k and 64k turned about an oblique axis (as `levelgen rooms --size N
// --rotate 1 2 3 37` writes them) against the same levels axis-aligned;
// then random triangle soups (`levelgen soup --count N`) of 500 to 8000
// triangles built without logs: triangles read and after the splits, time
// and peak memory.
//
//   build_bench [LARGEST] [--straightforward-up-to N] [--deep N] [--threads N]
//               [--repeat-below SECONDS] [--turned N] [--soup N]
//
//   LARGEST                    the largest size to build (default 256000)
//   --straightforward-up-to N  the largest size the straightforward build
//                              runs at (default 64000; at 256k it takes hours)
//   --deep N                   the deep bowl's size for the fast build (default
//                              20000; 0: no deep rows). Both builds run at 2000.
//   --threads N                the fast build's threads (default: one per core)
//   --repeat-below SECONDS     builds shorter than this run three times and
//                              report their best (default 5)
//   --turned N                 the largest turned rooms level (16000 or 64000,
//                              the default; 0: no turned rows)
//   --soup N                   the largest soup (default 8000; 0: no soup rows)
//
// `build_bench 0 --deep 0` gives the turned and soup rows alone.
//
// Each build runs in a fresh process of its own, so its peak memory is its
// own; builds shorter than 5 s (--repeat-below) run three times and report
// their best. The logs go to a scratch folder that is removed after each size.
#include <sys/personality.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bsp/bsp_builder.h"
#include "compile/tree_dump.h"
#include "diag/scene_log.h"
#include "scene/scene.h"
#include "support/peak_memory.h"
#include "support/stopwatch.h"
#include "tools/levelgen.h"

namespace {

// What one build reports back to the parent (a plain record, sent whole
// through a pipe).
struct Figures {
  double triangles = 0;  // input triangles
  double seconds = 0;    // build and flattening
  double peakKiB = 0;
  double phase[8] = {};  // see kPhaseNames
  double spaces = 0;
  double splits = 0;
  double depth = 0;
  double trianglesAfter = 0;  // after the splits
};

constexpr const char* kPhaseNames[8] = {"cutter", "convex", "index", "split", "portalsp", "chain", "logs", "portal"};

void recordPhases(const pw::BuildStats& stats, Figures& figures) {
  const double phases[8] = {stats.cutterChoiceSeconds, stats.convexitySeconds,       stats.planeIndexSeconds,
                            stats.splittingSeconds,    stats.portalSplittingSeconds, stats.chainingSeconds,
                            stats.logWritingSeconds,   stats.portalCreationSeconds};
  std::copy(std::begin(phases), std::end(phases), figures.phase);
}

// The generated levels: rooms and corridors of about `size` triangles,
// axis-aligned or turned by kTurn; the outward-facing bowl whose tree is as
// deep as it has triangles; `size` separate random triangles.
enum class Level { Rooms, TurnedRooms, Deep, Soup };
constexpr const char* kLevelNames[] = {"rooms", "turned", "deep", "soup"};

// An oblique axis, so that no face stays parallel to a coordinate plane.
const pw::Placement kTurn{{1, 2, 3}, 37.0, {}};

pw::Mesh levelMesh(Level level, std::uint64_t size) {
  const auto count = static_cast<std::uint32_t>(size);
  switch (level) {
    case Level::Rooms:
      return pw::layoutMesh(pw::roomsAndCorridors(pw::roomsForSize(size)));
    case Level::TurnedRooms:
      return pw::placed(pw::layoutMesh(pw::roomsAndCorridors(pw::roomsForSize(size))), kTurn);
    case Level::Deep:
      return pw::deepLevel(count);
    case Level::Soup:
      return pw::randomSoup(count, 1);
  }
  return {};
}

Figures buildOnce(Level level, std::uint64_t size, const pw::TreeOptions& options, const std::filesystem::path& dir) {
  pw::Scene scene;
  pw::appendToScene(levelMesh(level, size), scene);
  Figures figures;
  figures.triangles = scene.triangleCount();
  {
    pw::BspBuilder builder(&scene, dir, options);
    const pw::Stopwatch time;
    pw::BspNode* root = builder.build(scene.allTriangleIndices(), {});
    root->collectLeafFragments();
    figures.seconds = time.seconds();
    recordPhases(builder.stats(), figures);
    figures.spaces = static_cast<double>(builder.stats().spaces);
    figures.splits = static_cast<double>(builder.stats().trianglesSplit);
    figures.depth = static_cast<double>(builder.stats().maxDepth);
    figures.trianglesAfter = scene.triangleCount();
    if (options.writeLogs) {
      pw::SceneLog log(dir / "out.log", &scene);
      pw::dumpTree(log, *root);
    }
    // Taken while the tree is alive, as portalbuild reports it (the exit of
    // the pool's threads afterwards makes glibc set up arenas for them).
    figures.peakKiB = static_cast<double>(pw::peakResidentKiB());
  }
  return figures;
}

// Runs one build in a fresh process (this program again, started with
// kChildMode) and reads its figures back through a pipe. A forked copy of
// this process would start with whatever memory the parent has touched by
// then, and so would not measure two builds alike.
constexpr char kChildMode[] = "--one-build";

bool buildInChild(const char* self, Level level, std::uint64_t size, const pw::TreeOptions& options,
                  const std::filesystem::path& dir, Figures& figures) {
  std::filesystem::create_directories(dir);
  int channel[2];
  if (pipe(channel) != 0) return false;
  const std::string sizeText = std::string(kLevelNames[static_cast<int>(level)]) + ":" + std::to_string(size);
  const std::string strategyText = std::string(options.strategy == pw::BuildStrategy::Fast ? "fast" : "straightforward") +
                                   (options.writeLogs ? "" : ",no-logs");
  const std::string threadsText = std::to_string(options.threads);
  const std::string channelText = std::to_string(channel[1]);
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    close(channel[0]);
    // The same address layout for every build (as `setarch -R` gives), so
    // that peaks differ by what the builds do, not by where things land.
    personality(ADDR_NO_RANDOMIZE);
    execl(self, self, kChildMode, sizeText.c_str(), strategyText.c_str(), threadsText.c_str(), dir.c_str(),
          channelText.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(channel[1]);
  const bool read_ = read(channel[0], &figures, sizeof figures) == static_cast<ssize_t>(sizeof figures);
  close(channel[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return read_ && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The child's side: one build, its figures written to the inherited pipe.
int runOneBuild(char** argv) {
  const std::string levelText = argv[2];
  const std::string levelName = levelText.substr(0, levelText.find(':'));
  const auto named = std::find(std::begin(kLevelNames), std::end(kLevelNames), levelName);
  if (named == std::end(kLevelNames)) return 1;
  const auto level = static_cast<Level>(named - std::begin(kLevelNames));
  const std::uint64_t size = std::strtoull(levelText.c_str() + levelText.find(':') + 1, nullptr, 10);
  const std::string strategyText = argv[3];
  pw::TreeOptions options;
  options.strategy = strategyText.starts_with("fast") ? pw::BuildStrategy::Fast : pw::BuildStrategy::Straightforward;
  options.writeLogs = !strategyText.ends_with(",no-logs");
  options.threads = static_cast<unsigned>(std::strtoul(argv[4], nullptr, 10));
  const int channel = std::atoi(argv[6]);
  const Figures measured = buildOnce(level, size, options, argv[5]);
  return write(channel, &measured, sizeof measured) == static_cast<ssize_t>(sizeof measured) ? 0 : 1;
}

// Builds that take less than repeatBelowSeconds run kRuns times: the
// fastest run's figures are kept, with the smallest peak of all. Other
// processes and where the loader happens to map things only ever add to
// a time or a peak, so the least is the best estimate of the build's own.
constexpr int kRuns = 3;
double repeatBelowSeconds = 5.0;  // --repeat-below

// The deep bowl's size at which both builds run.
constexpr std::uint64_t kDeepComparedAt = 2000;

bool measure(const char* self, Level level, std::uint64_t size, const pw::TreeOptions& options,
             const std::filesystem::path& dir, Figures& best) {
  if (!buildInChild(self, level, size, options, dir, best)) return false;
  for (int run = 1; run < kRuns && best.seconds < repeatBelowSeconds; ++run) {
    Figures again;
    if (!buildInChild(self, level, size, options, dir, again)) return false;
    const double peak = std::min(best.peakKiB, again.peakKiB);
    if (again.seconds < best.seconds) best = again;
    best.peakKiB = peak;
  }
  return true;
}

std::string fileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool sameLogs(const std::filesystem::path& a, const std::filesystem::path& b) {
  for (const char* name : {"out.log", "contours.log", "tris.log"}) {
    if (fileText(a / name) != fileText(b / name)) return false;
  }
  return true;
}

// Least squares on log time against log size: time ~ size^exponent.
double growthExponent(const std::vector<const Figures*>& rows) {
  double sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (const Figures* f : rows) {
    const double x = std::log(f->triangles);
    const double y = std::log(f->seconds);
    sx += x;
    sy += y;
    sxx += x * x;
    sxy += x * y;
  }
  const double n = static_cast<double>(rows.size());
  return (n * sxy - sx * sy) / (n * sxx - sx * sx);
}

void printExponent(const char* build, const std::vector<const Figures*>& rows, double from) {
  std::vector<const Figures*> fitted;
  for (const Figures* f : rows) {
    if (f->triangles >= from) fitted.push_back(f);
  }
  if (fitted.size() < 2) return;
  std::printf("growth exponent, %s build, %.0f to %.0f triangles: %.2f\n", build, fitted.front()->triangles,
              fitted.back()->triangles, growthExponent(fitted));
}

struct Row {
  Figures fast;
  bool straightforwardRan = false;
  Figures straightforward;
  bool same = false;
};

void printPhases(const char* build, const Figures& f) {
  std::printf("%10.0f %-16s", f.triangles, build);
  double accounted = 0;
  for (const double seconds : f.phase) {
    std::printf(" %8.1f", 100.0 * seconds / f.seconds);
    accounted += seconds;
  }
  std::printf(" %8.1f\n", 100.0 * (f.seconds - accounted) / f.seconds);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 7 && std::string(argv[1]) == kChildMode) return runOneBuild(argv);
  std::uint64_t largest = 256000;
  std::uint64_t straightforwardUpTo = 64000;
  std::uint64_t deep = 20000;
  std::uint64_t largestSoup = 8000;
  std::uint64_t largestTurned = 64000;
  pw::TreeOptions fastOptions;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--straightforward-up-to" && i + 1 < argc) {
      straightforwardUpTo = std::strtoull(argv[++i], nullptr, 10);
    } else if (arg == "--deep" && i + 1 < argc) {
      deep = std::strtoull(argv[++i], nullptr, 10);
    } else if (arg == "--turned" && i + 1 < argc) {
      largestTurned = std::strtoull(argv[++i], nullptr, 10);
    } else if (arg == "--soup" && i + 1 < argc) {
      largestSoup = std::strtoull(argv[++i], nullptr, 10);
    } else if (arg == "--repeat-below" && i + 1 < argc) {
      repeatBelowSeconds = std::strtod(argv[++i], nullptr);
    } else if (arg == "--threads" && i + 1 < argc) {
      fastOptions.threads = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
    } else if (!arg.empty() && arg[0] != '-') {
      largest = std::strtoull(arg.c_str(), nullptr, 10);
    } else {
      std::fprintf(stderr,
                   "usage: build_bench [LARGEST] [--straightforward-up-to N] [--deep N] [--threads N] "
                   "[--repeat-below SECONDS] [--turned N] [--soup N]\n");
      return 2;
    }
  }
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("portalwalk_build_bench_" + std::to_string(getpid()));
  const pw::TreeOptions straightforwardOptions{pw::BuildStrategy::Straightforward, 1};
  const std::string selfPath = std::filesystem::read_symlink("/proc/self/exe").string();
  const char* self = selfPath.c_str();

  std::printf("%10s %10s %10s %8s %10s %10s %6s %8s %8s\n", "triangles", "fast s", "straight s", "ratio", "fast B/tri",
              "strt B/tri", "same", "Spaces", "splits");
  std::vector<Row> rows;
  for (std::uint64_t size = 1000; size <= largest; size *= 4) {
    Row row;
    if (!measure(self, Level::Rooms, size, fastOptions, dir / "fast", row.fast)) {
      std::fprintf(stderr, "build_bench: the fast build of size %llu failed\n", static_cast<unsigned long long>(size));
      return 1;
    }
    const double fastBytes = row.fast.peakKiB * 1024.0 / row.fast.triangles;
    if (size <= straightforwardUpTo) {
      if (!measure(self, Level::Rooms, size, straightforwardOptions, dir / "straightforward", row.straightforward)) {
        std::fprintf(stderr, "build_bench: the straightforward build of size %llu failed\n",
                     static_cast<unsigned long long>(size));
        return 1;
      }
      row.straightforwardRan = true;
      row.same = sameLogs(dir / "fast", dir / "straightforward");
      const Figures& s = row.straightforward;
      std::printf("%10.0f %10.3f %10.3f %8.1f %10.1f %10.1f %6s %8.0f %8.0f\n", row.fast.triangles, row.fast.seconds,
                  s.seconds, s.seconds / row.fast.seconds, fastBytes, s.peakKiB * 1024.0 / s.triangles,
                  row.same ? "yes" : "NO", row.fast.spaces, row.fast.splits);
    } else {
      std::printf("%10.0f %10.3f %10s %8s %10.1f %10s %6s %8.0f %8.0f\n", row.fast.triangles, row.fast.seconds, "-",
                  "-", fastBytes, "-", "-", row.fast.spaces, row.fast.splits);
    }
    std::fflush(stdout);
    rows.push_back(row);
    std::filesystem::remove_all(dir);
  }

  std::printf(
      "\nshare of the build time per phase, %%: cutter choice, convexity test, plane index (groups and\n"
      "corner hierarchies), triangle splitting, portal splitting, chaining, contours.log, portal\n"
      "creation (tessellation, tris.log), other (the build loop, flattening)\n");
  std::printf("%10s %-16s", "triangles", "build");
  for (const char* name : kPhaseNames) std::printf(" %8s", name);
  std::printf(" %8s\n", "other");
  for (const Row& row : rows) {
    printPhases("fast", row.fast);
    if (row.straightforwardRan) printPhases("straightforward", row.straightforward);
  }

  std::printf("\n");
  std::vector<const Figures*> fast;
  std::vector<const Figures*> straightforward;
  for (const Row& row : rows) {
    fast.push_back(&row.fast);
    if (row.straightforwardRan) straightforward.push_back(&row.straightforward);
  }
  printExponent("fast", fast, 0);
  printExponent("fast", fast, 4000);
  printExponent("straightforward", straightforward, 0);
  printExponent("straightforward", straightforward, 4000);
  // The deep bowl: every split peels one triangle off, so the tree is as
  // deep as the level has triangles. The straightforward build is cubic
  // here; it runs only at the smallest size, for comparison.
  if (deep > 0) {
    std::printf("\n%10s %10s %10s %10s %8s %6s\n", "deep bowl", "depth", "fast s", "straight s", "ratio", "same");
    for (const std::uint64_t size : {std::uint64_t{kDeepComparedAt}, deep}) {
      Figures bowlFast;
      if (!measure(self, Level::Deep, size, fastOptions, dir / "fast", bowlFast)) return 1;
      if (size == kDeepComparedAt) {
        Figures bowlStraightforward;
        if (!measure(self, Level::Deep, size, straightforwardOptions, dir / "straightforward", bowlStraightforward))
          return 1;
        const bool same = sameLogs(dir / "fast", dir / "straightforward");
        std::printf("%10.0f %10.0f %10.3f %10.3f %8.1f %6s\n", bowlFast.triangles, bowlFast.depth, bowlFast.seconds,
                    bowlStraightforward.seconds, bowlStraightforward.seconds / bowlFast.seconds, same ? "yes" : "NO");
        if (!same) return 1;
      } else {
        std::printf("%10.0f %10.0f %10.3f %10s %8s %6s\n", bowlFast.triangles, bowlFast.depth, bowlFast.seconds, "-",
                    "-", "-");
      }
      std::fflush(stdout);
      std::filesystem::remove_all(dir);
    }
  }

  // A turned level has a plane per face where the axis-aligned one has a
  // plane per wall; the fast build should take about as long.
  if (largestTurned >= 16000) {
    std::printf("\n%10s %10s %10s %10s %8s %6s\n", "rooms", "triangles", "aligned s", "turned s", "ratio", "Spaces");
  }
  for (const std::uint64_t size : {std::uint64_t{16000}, std::uint64_t{64000}}) {
    if (size > largestTurned) break;
    Figures aligned;
    Figures turned;
    if (!measure(self, Level::Rooms, size, fastOptions, dir / "fast", aligned)) return 1;
    if (!measure(self, Level::TurnedRooms, size, fastOptions, dir / "fast", turned)) return 1;
    std::printf("%10llu %10.0f %10.3f %10.3f %8.2f %6s\n", static_cast<unsigned long long>(size), turned.triangles,
                aligned.seconds, turned.seconds, turned.seconds / aligned.seconds,
                aligned.spaces == turned.spaces ? "same" : "differ");
    std::fflush(stdout);
    std::filesystem::remove_all(dir);
  }

  // Separate random triangles: nearly every one cut by many cutters.
  pw::TreeOptions soupOptions = fastOptions;
  soupOptions.writeLogs = false;
  if (largestSoup >= 500) {
    std::printf("\n%10s %10s %12s %10s %10s\n", "soup", "read", "after splits", "build s", "peak MiB");
  }
  for (std::uint64_t count = 500; largestSoup >= 500 && count <= largestSoup; count *= 2) {
    Figures soup;
    if (!measure(self, Level::Soup, count, soupOptions, dir / "fast", soup)) return 1;
    std::printf("%10llu %10.0f %12.0f %10.3f %10.1f\n", static_cast<unsigned long long>(count), soup.triangles,
                soup.trianglesAfter, soup.seconds, soup.peakKiB / 1024.0);
    std::fflush(stdout);
    std::filesystem::remove_all(dir);
  }

  for (const Row& row : rows) {
    if (row.straightforwardRan && !row.same) {
      std::printf("the logs of the two builds differ at %.0f triangles\n", row.fast.triangles);
      return 1;
    }
  }
  return 0;
}
