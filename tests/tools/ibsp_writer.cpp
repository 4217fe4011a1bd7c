#include "tests/tools/ibsp_writer.h"

#include <cstring>
#include <string>

namespace pw::testing_support {
namespace {

constexpr int kLumpCount = 17;

class LumpWriter {
 public:
  void int32(std::int32_t v) { append(&v, 4); }
  void float32(float v) { append(&v, 4); }
  template <std::size_t N>
  void floats(const std::array<float, N>& values) {
    for (const float v : values) float32(v);
  }
  void zeros(std::size_t n) { bytes.resize(bytes.size() + n, std::byte{0}); }
  void text(const std::string& s, std::size_t width) {
    append(s.data(), std::min(s.size(), width));
    zeros(width - std::min(s.size(), width));
  }
  void append(const void* data, std::size_t n) {
    const auto* p = static_cast<const std::byte*>(data);
    bytes.insert(bytes.end(), p, p + n);
  }
  std::vector<std::byte> bytes;
};

}  // namespace

std::vector<std::byte> writeIbsp(const ibsp::Level& level) {
  std::array<LumpWriter, kLumpCount> lumps;
  lumps[0].text(level.entities, level.entities.size() + 1);
  for (const ibsp::Shader& s : level.shaders) {
    lumps[1].text(s.name, 64);
    lumps[1].int32(s.surfaceFlags);
    lumps[1].int32(s.contentFlags);
  }
  for (const ibsp::Plane& p : level.planes) {
    lumps[2].floats(p.normal);
    lumps[2].float32(p.distance);
  }
  for (const ibsp::Node& n : level.nodes) {
    for (const std::int32_t v : {n.plane, n.children[0], n.children[1]}) lumps[3].int32(v);
    lumps[3].zeros(24);  // bounds
  }
  for (const ibsp::Leaf& l : level.leaves) {
    lumps[4].int32(l.cluster);
    lumps[4].zeros(28);  // area, bounds
    lumps[4].int32(l.firstLeafFace);
    lumps[4].int32(l.leafFaceCount);
    lumps[4].zeros(8);  // brushes
  }
  for (const std::int32_t f : level.leafFaces) lumps[5].int32(f);
  for (const ibsp::Model& m : level.models) {
    lumps[7].zeros(24);  // bounds
    lumps[7].int32(m.firstFace);
    lumps[7].int32(m.faceCount);
    lumps[7].zeros(8);  // brushes
  }
  for (const ibsp::Vertex& v : level.vertices) {
    lumps[10].floats(v.position);
    lumps[10].floats(v.texCoord);
    lumps[10].zeros(8);  // lightmap coordinates
    lumps[10].floats(v.normal);
    lumps[10].zeros(4);  // colour
  }
  for (const std::int32_t m : level.meshVerts) lumps[11].int32(m);
  for (const ibsp::Face& f : level.faces) {
    lumps[13].int32(f.shader);
    lumps[13].int32(-1);  // effect
    for (const std::int32_t v : {f.type, f.firstVertex, f.vertexCount, f.firstMeshVert, f.meshVertCount}) {
      lumps[13].int32(v);
    }
    lumps[13].zeros(68);  // lightmap, its origin and axes, the face normal
    lumps[13].int32(f.patchSize[0]);
    lumps[13].int32(f.patchSize[1]);
  }
  if (level.visibility.clusterCount > 0) {
    lumps[16].int32(level.visibility.clusterCount);
    lumps[16].int32(level.visibility.bytesPerCluster);
    lumps[16].append(level.visibility.bits.data(), level.visibility.bits.size());
  }

  LumpWriter file;
  file.append("IBSP", 4);
  file.int32(ibsp::kVersion);
  std::int32_t offset = static_cast<std::int32_t>(ibspLumpEntry(kLumpCount));
  for (const LumpWriter& lump : lumps) {
    file.int32(offset);
    file.int32(static_cast<std::int32_t>(lump.bytes.size()));
    offset += static_cast<std::int32_t>(lump.bytes.size());
  }
  for (const LumpWriter& lump : lumps) file.append(lump.bytes.data(), lump.bytes.size());
  return file.bytes;
}

ibsp::Level smallIbspLevel() {
  ibsp::Level level;
  level.entities =
      "{\n\"classname\" \"worldspawn\"\n}\n"
      "{\n\"classname\" \"info_player_start\"\n\"origin\" \"160 64 24\"\n\"angle\" \"90\"\n}\n"
      "{\n\"classname\" \"info_player_deathmatch\"\n\"origin\" \"64 64 24\"\n\"angles\" \"0 360 0\"\n}\n";
  level.shaders = {{"textures/base/floor", 0, 1},
                   {"textures/base/ceiling", 0, 1},
                   {"textures/sky/blue", 0x4, 0},
                   {"textures/common/caulk", 0, 1}};
  level.planes = {{{1, 0, 0}, 128}};
  level.nodes = {{0, {-1, -2}}};
  level.leaves = {{0, 0, 1}, {1, 1, 2}};
  level.leafFaces = {0, 1, 2};
  level.models = {{0, 6}};
  const auto vertex = [](float x, float y, float z, float nx, float ny, float nz) {
    return ibsp::Vertex{{x, y, z}, {x / 256, y / 256}, {nx, ny, nz}};
  };
  level.vertices = {vertex(0, 0, 0, 0, 0, 1), vertex(256, 0, 0, 0, 0, 1), vertex(256, 256, 0, 0, 0, 1),
                    vertex(0, 256, 0, 0, 0, 1), vertex(0, 256, 0, 0, -1, 0), vertex(256, 256, 0, 0, -1, 0),
                    vertex(0, 256, 128, 0, -1, 0)};
  // The patch's rows run towards -y, so its quads turn counter-clockwise
  // seen from below.
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) {
      level.vertices.push_back(vertex(128.0f * column, 256.0f - 128.0f * row, column == 1 ? 160.0f : 128.0f, 0, 0, -1));
    }
  }
  // Clockwise seen from the front, as the format stores them.
  level.meshVerts = {0, 2, 1, 0, 3, 2, 0, 2, 1};
  level.faces = {{0, ibsp::kPolygon, 0, 4, 0, 6, {}}, {0, ibsp::kMesh, 4, 3, 6, 3, {}},
                 {1, ibsp::kPatch, 7, 9, 0, 0, {3, 3}}, {2, ibsp::kPolygon, 0, 4, 0, 6, {}},
                 {3, ibsp::kPolygon, 0, 4, 0, 6, {}}, {0, ibsp::kBillboard, 0, 1, 0, 0, {}}};
  level.visibility = {2, 1, {0b01, 0b11}};
  return level;
}

}  // namespace pw::testing_support
