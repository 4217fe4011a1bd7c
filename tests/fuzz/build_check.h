// The whole compile of one OBJ text, checked: the fast build and the
// straightforward one must write the same logs byte for byte, every Scene
// triangle must end in exactly one Space, and every leaf fragment must lead
// into a Space that holds its twin, which leads back. Shared by the build's
// libFuzzer target and the test that runs it over the seed corpus.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace pw {
class Scene;
struct BspNode;
}  // namespace pw

namespace pw::fuzzing {

// Longer texts are not built: a fuzzer finds the same faults in small
// levels, and builds many more of them in its time.
inline constexpr std::size_t kBuildCheckMaxBytes = 2048;

struct BuildCheck {
  bool built = false;   // false: the text was longer than kBuildCheckMaxBytes
  std::string failure;  // what went wrong first; empty when every check held
  // Of the fast build, so that a corpus can be seen to exercise something.
  std::uint64_t triangles = 0;  // in the Scene after the build, pieces included
  std::uint64_t spaces = 0;
  std::uint64_t leafFragments = 0;
};

// Every Scene triangle, pieces included, in exactly one Space; every leaf
// fragment holding triangles, with a twin among the fragments of its target,
// whose own target is the Space holding the fragment. Empty when all hold,
// else what failed first; adds the tree's figures to `figures`.
std::string checkTree(const Scene& scene, const BspNode& root, BuildCheck& figures);

// Compiles `objText` twice, as portalbuild does (one thread), with the logs
// going to the "fast" and "straightforward" subfolders of `scratchDir` (a
// folder of the caller's own).
BuildCheck checkBuild(std::string_view objText, const std::filesystem::path& scratchDir);

}  // namespace pw::fuzzing
