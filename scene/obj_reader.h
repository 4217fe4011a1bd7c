// The Wavefront OBJ subset reader that fills the Scene: "v", "vn", "vt",
// triangular "f" faces whose corners carry a normal number (v/t/n or v//n),
// and "#" comments.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "scene/geometry.h"

namespace pw {

class Scene;

// What one read did, for callers that report it (the viewer ignores it).
struct ObjReadReport {
  // False when the file could not be opened; the Scene is then unchanged and
  // one line naming the file and the reason has gone to stderr.
  bool opened = false;
  std::uint64_t bytes = 0;
  std::uint64_t lines = 0;
  std::uint64_t verticesAdded = 0;   // distinct positions appended to the Scene
  std::uint64_t normalsAdded = 0;    // distinct normals appended to the Scene
  std::uint64_t trianglesAdded = 0;
  // Data lines that could not be read whole (unreadable or non-finite
  // numbers, other face forms, face numbers outside the tables) and were
  // skipped; the first few of their 1-based line numbers.
  std::uint64_t skippedLines = 0;
  std::vector<std::uint64_t> firstSkippedLines;
  static constexpr std::size_t kSkippedLinesKept = 10;
};

// Working state of one read: the 1-based OBJ numbers of "v" and "vn" lines
// mapped to Scene indices (entry 0 is a placeholder holding 0), and the merge
// maps that turn exactly equal positions (0 and -0 alike) into one Scene
// element, the first one read being stored.
class ObjIndexMaps;

class ObjReader {
 public:
  explicit ObjReader(std::filesystem::path fileName) : fileName_(std::move(fileName)) {}

  // Reads the whole file into `scene`. Never stops the program.
  ObjReadReport read(Scene& scene) const;

  const std::filesystem::path& fileName() const { return fileName_; }

 private:
  std::filesystem::path fileName_;
};

// The same reading from text already in memory (tests, fuzzing).
ObjReadReport readObjText(std::string_view text, Scene& scene);

}  // namespace pw
