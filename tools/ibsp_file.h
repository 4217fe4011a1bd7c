// Reading a Quake III level file: IBSP version 46, the format the OpenArena
// maps are built in. The file is a header (magic "IBSP", version, then 17
// lumps as little-endian offset/length pairs) and the lumps, each an array of
// fixed-size little-endian records (the entities lump is text).
//
// Only the lumps the importer uses are kept. Every index read is checked
// against the array it names, so code that holds a Level may index freely:
// - a node's plane, its children (a child < 0 is leaf -(child + 1)),
// - a leaf's leaf-face range and its cluster (-1, or a cluster of the
//   visibility data when the level has any),
// - each leaf face's face number, model 0's face range,
// - a face's shader; for polygons and meshes its vertex range, its meshvert
//   range (a multiple of 3) and every meshvert (an offset into the face's
//   own vertices); for patches its vertex range and its control grid (odd
//   sizes of at least 3 whose product is the vertex count).
// Faces of other types are kept unchecked (the importer skips them), as are
// nodes' descents (a loop of nodes is found where the tree is walked).
// Vertex positions, texture coordinates and normals are finite.
//
// Memory is bounded by the file's size: every array holds at most one
// element per record of its lump.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace pw::ibsp {

// The file is not a level this reader can take; what() says why, naming the
// lump and the record where there is one.
class FormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr std::int32_t kVersion = 46;

struct Shader {
  std::string name;  // up to its first zero byte, at most 64 characters
  std::int32_t surfaceFlags = 0;
  std::int32_t contentFlags = 0;
};

// Points p with normal . p - distance >= 0 are in front (child 0).
struct Plane {
  std::array<float, 3> normal{};
  float distance = 0.0f;
};

struct Node {
  std::int32_t plane = 0;
  std::array<std::int32_t, 2> children{};  // front, back
};

struct Leaf {
  std::int32_t cluster = -1;  // -1: outside the level (solid or void)
  std::int32_t firstLeafFace = 0;
  std::int32_t leafFaceCount = 0;
};

struct Model {
  std::int32_t firstFace = 0;
  std::int32_t faceCount = 0;
};

// Axes are Quake's: z up.
struct Vertex {
  std::array<float, 3> position{};
  std::array<float, 2> texCoord{};  // the surface's texture, not the lightmap's
  std::array<float, 3> normal{};
};

enum FaceType : std::int32_t { kPolygon = 1, kPatch = 2, kMesh = 3, kBillboard = 4 };

// Triangles of polygons and meshes are face.firstVertex + meshVerts[k] for
// k = firstMeshVert, ... in threes, clockwise seen from the side the
// vertex normals point to. A patch's vertices are its control grid, row by
// row, patchSize[0] to a row.
struct Face {
  std::int32_t shader = 0;
  std::int32_t type = 0;
  std::int32_t firstVertex = 0;
  std::int32_t vertexCount = 0;
  std::int32_t firstMeshVert = 0;
  std::int32_t meshVertCount = 0;
  std::array<std::int32_t, 2> patchSize{};
};

// The potentially visible clusters of each cluster: one bit vector of
// bytesPerCluster bytes per cluster, bit b of byte b / 8 (b % 8) set when
// cluster b is visible from the row's cluster.
struct Visibility {
  std::int32_t clusterCount = 0;  // 0: the level has no visibility data
  std::int32_t bytesPerCluster = 0;
  std::vector<std::uint8_t> bits;

  bool visible(std::int32_t from, std::int32_t to) const {
    const std::size_t row = static_cast<std::size_t>(from) * static_cast<std::size_t>(bytesPerCluster);
    return (bits[row + static_cast<std::size_t>(to) / 8] >> (to % 8) & 1) != 0;
  }
};

struct Level {
  std::string entities;  // up to its first zero byte
  std::vector<Shader> shaders;
  std::vector<Plane> planes;
  std::vector<Node> nodes;
  std::vector<Leaf> leaves;
  std::vector<std::int32_t> leafFaces;
  std::vector<Model> models;  // model 0, the world, always exists
  std::vector<Vertex> vertices;
  std::vector<std::int32_t> meshVerts;
  std::vector<Face> faces;
  Visibility visibility;
};

// Reads a whole level file held in memory. Throws FormatError for a file
// that is too short for its header, has another magic or version, a lump
// outside the file or of a length that is not a whole number of records, or
// an index or value that fails the checks above.
Level readLevel(std::span<const std::byte> file);

}  // namespace pw::ibsp
