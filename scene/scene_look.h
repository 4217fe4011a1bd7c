// How the triangles of a level look, as its OBJ file says: texture
// coordinates ("vt"), materials ("usemtl") and material libraries
// ("mtllib"). Kept beside the Scene, never in it: the Scene, its numbering
// and everything built from it are the same whether or not a look is read.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace pw {

class Scene;

// One triangle as read. The corners are its Scene vertex indices at reading
// time (a split later moves the Scene's corners, never the vertices).
struct TriangleLook {
  static constexpr std::int32_t kNone = -1;
  std::array<std::int32_t, 3> corners{};
  // Per corner, the 0-based index of its "vt" line in SceneLook::texCoords;
  // kNone for a corner without one (v//n) or with one that names no
  // readable "vt" line.
  std::array<std::int32_t, 3> texCoords{kNone, kNone, kNone};
  // Index into SceneLook::materialNames; kNone before the first "usemtl".
  std::int32_t material = kNone;
};

struct SceneLook {
  // Every "vt" line's u and v, by OBJ number - 1; an unreadable line keeps
  // its number and holds NaN.
  std::vector<std::array<float, 2>> texCoords;
  // The names "usemtl" gave, in order of first use.
  std::vector<std::string> materialNames;
  // The file names "mtllib" gave, as written, in order (one line may name
  // several).
  std::vector<std::string> libraries;
  // By Scene triangle index; triangles the Scene held before the read have
  // the default look.
  std::vector<TriangleLook> triangles;
  // Face corners whose texture number names no readable "vt" line.
  std::uint64_t texCoordsOutOfRange = 0;

  // The look of Scene triangle `index` (a piece's is its origin's), or null
  // when the read gave none.
  const TriangleLook* of(const Scene& scene, std::int32_t index) const;
  // Texture coordinates of triangle `index`'s corners 0, 1, 2 (u, v each):
  // a piece's are interpolated in its origin's plane from the origin's
  // corners; zero where the origin has none.
  std::array<float, 6> cornerTexCoords(const Scene& scene, std::int32_t index) const;
};

}  // namespace pw
