#include "tests/fuzz/build_check.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "bsp/bsp_builder.h"
#include "bsp/bsp_node.h"
#include "compile/build_level.h"
#include "compile/level_compiler.h"
#include "portal/portal.h"
#include "scene/scene.h"

namespace pw::fuzzing {
namespace {

// The three logs of one compile; a log that was never created (a build
// without portals writes no "tris.log") is not the same as an empty one.
struct Logs {
  std::array<std::string, 3> text;
  std::array<bool, 3> present{};
};

Logs readLogs(const std::filesystem::path& dir) {
  Logs logs;
  for (std::size_t i = 0; i < std::size(kBuildLogNames); ++i) {
    std::ifstream in(dir / kBuildLogNames[i], std::ios::binary);
    logs.present[i] = in.is_open();
    logs.text[i].assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return logs;
}

std::string spaceName(const BspNode& space) { return "Space " + std::to_string(space.number); }

// Compiles the level into `dir` as portalbuild does; empty when all its logs
// were written and (when `figures` is given) its tree holds.
std::string compileInto(std::string_view objText, const std::filesystem::path& dir, BuildStrategy strategy,
                        BuildCheck* figures) {
  std::filesystem::create_directories(dir);
  // A "tris.log" left by an earlier input would pass for this one's.
  for (const char* name : kBuildLogNames) std::filesystem::remove(dir / name);
  Scene scene;
  CompileOptions options;
  options.levelText = objText;
  options.outputDir = dir;
  options.build = {strategy, 1};
  const std::unique_ptr<CompiledTree> compiled = compileLevel(scene, options);
  const std::vector<LogFailure> failures = compiled->logFailures();
  if (!failures.empty()) return "cannot write " + failures[0].file.string() + ": " + failures[0].reason;
  return figures != nullptr ? checkTree(scene, *compiled->root, *figures) : std::string();
}

}  // namespace

std::string checkTree(const Scene& scene, const BspNode& root, BuildCheck& figures) {
  const std::vector<const BspNode*> spaces = collectSpaces(root);
  const auto triangleCount = static_cast<std::size_t>(scene.triangleCount());
  std::vector<std::uint32_t> holders(triangleCount, 0);
  std::unordered_map<const BspNode*, std::unordered_set<const Portal*>> held;
  for (const BspNode* space : spaces) {
    for (const std::uint32_t t : space->triangles) {
      if (t >= triangleCount) return spaceName(*space) + " holds triangle " + std::to_string(t) + ", beyond the Scene";
      if (++holders[t] > 1) return "triangle " + std::to_string(t) + " is held twice";
    }
    held[space].insert(space->portals.begin(), space->portals.end());
    figures.leafFragments += space->portals.size();
  }
  for (std::size_t t = 0; t < triangleCount; ++t) {
    if (holders[t] == 0) return "triangle " + std::to_string(t) + " is in no Space";
  }
  for (const BspNode* space : spaces) {
    for (const Portal* fragment : space->portals) {
      const std::string where = "a leaf fragment of " + spaceName(*space);
      if (fragment->triangleCount() == 0) return where + " is empty";
      const Portal* twin = fragment->twin();
      if (twin == nullptr) return where + " has no twin";
      const auto target = held.find(fragment->target());
      if (target == held.end()) return where + " leads into no Space of the tree";
      if (target->second.count(twin) == 0) return where + ": its twin is not in its target's list";
      if (twin->target() != space) return where + ": its twin leads elsewhere";
    }
  }
  figures.triangles = triangleCount;
  figures.spaces = spaces.size();
  return {};
}

BuildCheck checkBuild(std::string_view objText, const std::filesystem::path& scratchDir) {
  BuildCheck check;
  if (objText.size() > kBuildCheckMaxBytes) return check;
  check.built = true;
  const std::filesystem::path fastDir = scratchDir / "fast";
  const std::filesystem::path referenceDir = scratchDir / "straightforward";
  check.failure = compileInto(objText, fastDir, BuildStrategy::Fast, &check);
  if (!check.failure.empty()) {
    check.failure = "fast build: " + check.failure;
    return check;
  }
  check.failure = compileInto(objText, referenceDir, BuildStrategy::Straightforward, nullptr);
  if (!check.failure.empty()) {
    check.failure = "straightforward build: " + check.failure;
    return check;
  }

  const Logs fast = readLogs(fastDir);
  const Logs reference = readLogs(referenceDir);
  for (std::size_t i = 0; i < std::size(kBuildLogNames); ++i) {
    if (fast.present[i] != reference.present[i]) {
      check.failure = std::string(kBuildLogNames[i]) + " written by one build only";
    } else if (fast.text[i] != reference.text[i]) {
      const auto [at, ignored] = std::mismatch(fast.text[i].begin(), fast.text[i].end(), reference.text[i].begin(),
                                               reference.text[i].end());
      check.failure = std::string(kBuildLogNames[i]) + " differs between the builds from byte " +
                      std::to_string(at - fast.text[i].begin());
    }
    if (!check.failure.empty()) return check;
  }
  return check;
}

}  // namespace pw::fuzzing
