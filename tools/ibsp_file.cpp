#include "tools/ibsp_file.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <string_view>

namespace pw::ibsp {
namespace {

static_assert(std::endian::native == std::endian::little, "the lumps are read as little-endian in place");

enum Lump : int {
  kEntities = 0,
  kShaders = 1,
  kPlanes = 2,
  kNodes = 3,
  kLeaves = 4,
  kLeafFaces = 5,
  kModels = 7,
  kVertices = 10,
  kMeshVerts = 11,
  kFaces = 13,
  kVisibility = 16,
  kLumpCount = 17,
};

constexpr const char* kLumpNames[kLumpCount] = {
    "entities", "shaders",  "planes",    "nodes",   "leafs",   "leaffaces",  "leafbrushes", "models",   "brushes",
    "brushsides", "vertexes", "meshverts", "effects", "faces", "lightmaps", "lightvols",   "visdata"};

constexpr std::size_t kHeaderBytes = 8 + 8 * kLumpCount;
constexpr std::size_t kShaderNameBytes = 64;

// Record sizes of the lumps read as arrays.
constexpr std::size_t kShaderBytes = kShaderNameBytes + 8;
constexpr std::size_t kPlaneBytes = 16;
constexpr std::size_t kNodeBytes = 36;
constexpr std::size_t kLeafBytes = 48;
constexpr std::size_t kModelBytes = 40;
constexpr std::size_t kVertexBytes = 44;
constexpr std::size_t kFaceBytes = 104;
constexpr std::size_t kIndexBytes = 4;

std::int32_t int32At(const std::byte* p) {
  std::int32_t value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

float floatAt(const std::byte* p) {
  float value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

[[noreturn]] void fail(const std::string& message) { throw FormatError(message); }

std::string recordName(Lump lump, std::size_t index) {
  return std::string(kLumpNames[lump]) + " record " + std::to_string(index);
}

// Whether [first, first + count) lies inside [0, size), in 64 bits.
bool rangeInside(std::int64_t first, std::int64_t count, std::size_t size) {
  return first >= 0 && count >= 0 && first + count <= static_cast<std::int64_t>(size);
}

bool indexInside(std::int64_t index, std::size_t size) { return rangeInside(index, 1, size); }

// The header's lumps, each checked to lie inside the file.
class Lumps {
 public:
  explicit Lumps(std::span<const std::byte> file) {
    if (file.size() < kHeaderBytes) fail("file too short for an IBSP header (" + std::to_string(file.size()) + " bytes)");
    if (std::memcmp(file.data(), "IBSP", 4) != 0) fail("not an IBSP level (wrong magic)");
    const std::int32_t version = int32At(file.data() + 4);
    if (version != kVersion) fail("IBSP version " + std::to_string(version) + ", expected 46");
    for (int lump = 0; lump < kLumpCount; ++lump) {
      const std::int32_t offset = int32At(file.data() + 8 + 8 * lump);
      const std::int32_t length = int32At(file.data() + 12 + 8 * lump);
      if (!rangeInside(offset, length, file.size())) {
        fail(std::string("lump ") + kLumpNames[lump] + " (offset " + std::to_string(offset) + ", length " +
             std::to_string(length) + ") lies outside the file of " + std::to_string(file.size()) + " bytes");
      }
      lumps_[lump] = file.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
    }
  }

  std::span<const std::byte> bytes(Lump lump) const { return lumps_[lump]; }

  // The lump's records of `recordBytes` each; its length must be a whole
  // number of them.
  std::size_t recordCount(Lump lump, std::size_t recordBytes) const {
    if (lumps_[lump].size() % recordBytes != 0) {
      fail(std::string("lump ") + kLumpNames[lump] + " is " + std::to_string(lumps_[lump].size()) +
           " bytes, not a whole number of " + std::to_string(recordBytes) + "-byte records");
    }
    return lumps_[lump].size() / recordBytes;
  }

  // Calls read(record, index) for each record and collects the results.
  template <typename Read>
  auto records(Lump lump, std::size_t recordBytes, Read read) const {
    const std::size_t count = recordCount(lump, recordBytes);
    std::vector<decltype(read(lumps_[lump].data(), std::size_t{0}))> out;
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) out.push_back(read(lumps_[lump].data() + i * recordBytes, i));
    return out;
  }

 private:
  std::array<std::span<const std::byte>, kLumpCount> lumps_;
};

template <std::size_t N>
std::array<float, N> floatsAt(const std::byte* p) {
  std::array<float, N> values;
  for (std::size_t i = 0; i < N; ++i) values[i] = floatAt(p + 4 * i);
  return values;
}

template <std::size_t N>
bool allFinite(const std::array<float, N>& values) {
  return std::all_of(values.begin(), values.end(), [](float v) { return std::isfinite(v); });
}

std::string textUpToZero(std::span<const std::byte> bytes) {
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return std::string(text.substr(0, text.find('\0')));
}

Visibility readVisibility(std::span<const std::byte> lump) {
  Visibility vis;
  if (lump.empty()) return vis;
  if (lump.size() < 8) fail("lump visdata is shorter than its 8-byte header");
  const std::int32_t clusters = int32At(lump.data());
  const std::int32_t rowBytes = int32At(lump.data() + 4);
  if (clusters < 0 || rowBytes < 0 || static_cast<std::int64_t>(rowBytes) * 8 < clusters ||
      !rangeInside(8, static_cast<std::int64_t>(clusters) * rowBytes, lump.size())) {
    fail("lump visdata: " + std::to_string(clusters) + " clusters of " + std::to_string(rowBytes) +
         " bytes do not fit its " + std::to_string(lump.size()) + " bytes");
  }
  vis.clusterCount = clusters;
  vis.bytesPerCluster = rowBytes;
  const auto* bits = reinterpret_cast<const std::uint8_t*>(lump.data() + 8);
  vis.bits.assign(bits, bits + static_cast<std::size_t>(clusters) * static_cast<std::size_t>(rowBytes));
  return vis;
}

void checkFace(const Level& level, const Face& face, std::size_t index) {
  const auto bad = [&](const std::string& what) { fail(recordName(kFaces, index) + ": " + what); };
  if (!indexInside(face.shader, level.shaders.size())) bad("shader " + std::to_string(face.shader) + " out of range");
  if (face.type != kPolygon && face.type != kMesh && face.type != kPatch) return;
  if (!rangeInside(face.firstVertex, face.vertexCount, level.vertices.size())) bad("vertex range out of range");
  if (face.type == kPatch) {
    const auto [width, height] = face.patchSize;
    if (width < 3 || height < 3 || width % 2 == 0 || height % 2 == 0 ||
        static_cast<std::int64_t>(width) * height != face.vertexCount) {
      bad("patch of " + std::to_string(width) + " x " + std::to_string(height) + " control points and " +
          std::to_string(face.vertexCount) + " vertices");
    }
    return;
  }
  if (!rangeInside(face.firstMeshVert, face.meshVertCount, level.meshVerts.size()) || face.meshVertCount % 3 != 0) {
    bad("meshvert range out of range or not whole triangles");
  }
  for (std::int32_t k = 0; k < face.meshVertCount; ++k) {
    const std::int32_t offset = level.meshVerts[static_cast<std::size_t>(face.firstMeshVert + k)];
    if (!indexInside(offset, static_cast<std::size_t>(face.vertexCount))) {
      bad("meshvert " + std::to_string(offset) + " outside the face's " + std::to_string(face.vertexCount) +
          " vertices");
    }
  }
}

void checkTree(const Level& level) {
  for (std::size_t i = 0; i < level.nodes.size(); ++i) {
    const Node& node = level.nodes[i];
    if (!indexInside(node.plane, level.planes.size())) fail(recordName(kNodes, i) + ": plane out of range");
    for (const std::int32_t child : node.children) {
      const bool inside = child >= 0 ? indexInside(child, level.nodes.size())
                                     : indexInside(-(static_cast<std::int64_t>(child) + 1), level.leaves.size());
      if (!inside) fail(recordName(kNodes, i) + ": child " + std::to_string(child) + " out of range");
    }
  }
  const std::int32_t clusters = level.visibility.clusterCount;
  for (std::size_t i = 0; i < level.leaves.size(); ++i) {
    const Leaf& leaf = level.leaves[i];
    if (leaf.cluster < -1 || (clusters > 0 && leaf.cluster >= clusters)) {
      fail(recordName(kLeaves, i) + ": cluster " + std::to_string(leaf.cluster) + " out of range");
    }
    if (!rangeInside(leaf.firstLeafFace, leaf.leafFaceCount, level.leafFaces.size())) {
      fail(recordName(kLeaves, i) + ": leaf face range out of range");
    }
  }
  for (std::size_t i = 0; i < level.leafFaces.size(); ++i) {
    if (!indexInside(level.leafFaces[i], level.faces.size())) fail(recordName(kLeafFaces, i) + ": face out of range");
  }
}

}  // namespace

Level readLevel(std::span<const std::byte> file) {
  const Lumps lumps(file);
  Level level;
  level.entities = textUpToZero(lumps.bytes(kEntities));
  level.shaders = lumps.records(kShaders, kShaderBytes, [](const std::byte* p, std::size_t) {
    return Shader{textUpToZero({p, kShaderNameBytes}), int32At(p + kShaderNameBytes),
                  int32At(p + kShaderNameBytes + 4)};
  });
  level.planes = lumps.records(kPlanes, kPlaneBytes,
                               [](const std::byte* p, std::size_t) { return Plane{floatsAt<3>(p), floatAt(p + 12)}; });
  level.nodes = lumps.records(kNodes, kNodeBytes, [](const std::byte* p, std::size_t) {
    return Node{int32At(p), {int32At(p + 4), int32At(p + 8)}};
  });
  level.leaves = lumps.records(kLeaves, kLeafBytes, [](const std::byte* p, std::size_t) {
    return Leaf{int32At(p), int32At(p + 32), int32At(p + 36)};
  });
  level.leafFaces = lumps.records(kLeafFaces, kIndexBytes, [](const std::byte* p, std::size_t) { return int32At(p); });
  level.models = lumps.records(kModels, kModelBytes,
                               [](const std::byte* p, std::size_t) { return Model{int32At(p + 24), int32At(p + 28)}; });
  level.vertices = lumps.records(kVertices, kVertexBytes, [](const std::byte* p, std::size_t i) {
    const Vertex v{floatsAt<3>(p), floatsAt<2>(p + 12), floatsAt<3>(p + 28)};
    if (!allFinite(v.position) || !allFinite(v.texCoord) || !allFinite(v.normal)) {
      fail(recordName(kVertices, i) + ": a coordinate is not finite");
    }
    return v;
  });
  level.meshVerts = lumps.records(kMeshVerts, kIndexBytes, [](const std::byte* p, std::size_t) { return int32At(p); });
  level.faces = lumps.records(kFaces, kFaceBytes, [](const std::byte* p, std::size_t) {
    return Face{int32At(p),      int32At(p + 8),  int32At(p + 12), int32At(p + 16),
                int32At(p + 20), int32At(p + 24), {int32At(p + 96), int32At(p + 100)}};
  });
  level.visibility = readVisibility(lumps.bytes(kVisibility));

  if (level.models.empty()) fail("lump models is empty: the level has no world model");
  if (!rangeInside(level.models[0].firstFace, level.models[0].faceCount, level.faces.size())) {
    fail("model 0's faces lie outside the faces lump");
  }
  for (std::size_t i = 0; i < level.faces.size(); ++i) checkFace(level, level.faces[i], i);
  checkTree(level);
  return level;
}

}  // namespace pw::ibsp
