// The buffer entry points are GL 1.5's, declared only with the prototypes
// of glext.h.
#define GL_GLEXT_PROTOTYPES 1
#include "render/space_buffers.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "bsp/bsp_node.h"
#include "render/draw_frame.h"
#include "render/look_drawer.h"

namespace pw {
namespace {

// Whether the current context's GL is 1.5 or later. (The multiple draw
// call, used either way, is 1.4's.)
bool glHasBufferObjects() {
  const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  int major = 0;
  int minor = 0;
  if (version == nullptr || std::sscanf(version, "%d.%d", &major, &minor) != 2) return false;
  return major > 1 || (major == 1 && minor >= 5);
}

}  // namespace

SpaceBuffers::SpaceBuffers(const Scene& scene, const BspNode& root, LookDrawer& look)
    : look_(look), meshes_(buildSpaceMeshes(scene, root, look)), partsBySlot_(look.materialSlots()) {}

void SpaceBuffers::upload() {
  hasBufferObjects_ = glHasBufferObjects();
  uploaded_ = true;
  if (!hasBufferObjects_) return;
  glGenBuffers(1, &vertexBuffer_);
  glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(meshes_.vertices.size() * sizeof(MeshVertex)),
               meshes_.vertices.data(), GL_STATIC_DRAW);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  for (const auto& [name, indices] : {std::pair{&indexBuffer_, &meshes_.indices},
                                      std::pair{&indexBySlotBuffer_, &meshes_.indicesBySlot}}) {
    glGenBuffers(1, name);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, *name);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices->size() * sizeof(std::uint32_t)),
                 indices->data(), GL_STATIC_DRAW);
  }
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

void SpaceBuffers::bindArrays(bool bySlot, bool texCoords, bool faceColours) {
  if (!uploaded_) upload();
  boundIndices_ = bySlot ? &meshes_.indicesBySlot : &meshes_.indices;
  // Offsets into the bound buffer, or addresses of the arrays themselves.
  // Kept as integers: an offset is no address, and adding one to a null
  // pointer is undefined.
  std::uintptr_t base = 0;
  if (hasBufferObjects_) {
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, bySlot ? indexBySlotBuffer_ : indexBuffer_);
  } else {
    base = reinterpret_cast<std::uintptr_t>(meshes_.vertices.data());
  }
  const auto at = [base](std::size_t offset) { return reinterpret_cast<const void*>(base + offset); };
  constexpr GLsizei kStride = sizeof(MeshVertex);
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(3, GL_FLOAT, kStride, at(offsetof(MeshVertex, position)));
  glEnableClientState(GL_NORMAL_ARRAY);
  glNormalPointer(GL_FLOAT, kStride, at(offsetof(MeshVertex, normal)));
  if (texCoords) {
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, kStride, at(offsetof(MeshVertex, texCoord)));
  }
  if (faceColours) {
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(3, GL_FLOAT, kStride, at(offsetof(MeshVertex, faceColour)));
  }
}

void SpaceBuffers::unbindArrays() {
  glDisableClientState(GL_COLOR_ARRAY);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisableClientState(GL_NORMAL_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
  if (hasBufferObjects_) {
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
  }
}

void SpaceBuffers::addRun(const SpaceMesh& mesh, std::uint32_t firstIndex, std::uint32_t indexCount) {
  if (indexCount == 0) return;
  const std::uint32_t endVertex = mesh.firstVertex + mesh.vertexCount;
  if (runFirsts_.empty()) {
    firstVertex_ = mesh.firstVertex;
    endVertex_ = endVertex;
  } else {
    firstVertex_ = std::min(firstVertex_, mesh.firstVertex);
    endVertex_ = std::max(endVertex_, endVertex);
  }
  if (!runFirsts_.empty() && runFirsts_.back() + static_cast<std::uint32_t>(runCounts_.back()) == firstIndex) {
    runCounts_.back() += static_cast<GLsizei>(indexCount);
    return;
  }
  runFirsts_.push_back(firstIndex);
  runCounts_.push_back(static_cast<GLsizei>(indexCount));
}

void SpaceBuffers::flushRuns() {
  if (runFirsts_.empty()) return;
  runIndices_.clear();
  for (const std::uint32_t first : runFirsts_) {
    runIndices_.push_back(hasBufferObjects_ ? reinterpret_cast<const void*>(first * sizeof(std::uint32_t))
                                            : static_cast<const void*>(&(*boundIndices_)[first]));
  }
  if (runFirsts_.size() == 1) {
    // The vertex range spares the GL a pass over the indices to find it.
    glDrawRangeElements(GL_TRIANGLES, firstVertex_, endVertex_ - 1, runCounts_[0], GL_UNSIGNED_INT, runIndices_[0]);
  } else {
    glMultiDrawElements(GL_TRIANGLES, runCounts_.data(), GL_UNSIGNED_INT, runIndices_.data(),
                        static_cast<GLsizei>(runCounts_.size()));
  }
  runFirsts_.clear();
  runCounts_.clear();
}

// As LookDrawer's textured mode: material by material, each over the chosen
// Spaces in their order.
void SpaceBuffers::drawTextured(const std::vector<const BspNode*>& spaces) {
  for (auto& parts : partsBySlot_) parts.clear();
  for (const BspNode* space : spaces) {
    const SpaceMesh& mesh = meshes_.spaces[spaceIndex(*space)];
    for (const MeshPart& part : mesh.parts) partsBySlot_[part.slot].push_back({&mesh, &part});
  }
  look_.beginTextured();
  bindArrays(true, true, false);
  for (std::size_t slot = 0; slot < partsBySlot_.size(); ++slot) {
    if (partsBySlot_[slot].empty()) continue;
    const bool textured = look_.beginMaterial(slot);
    for (const auto& [mesh, part] : partsBySlot_[slot]) addRun(*mesh, part->firstBySlot, part->indexCount);
    flushRuns();
    look_.endMaterial(textured);
  }
  unbindArrays();
  look_.endTextured();
}

void SpaceBuffers::draw(const std::vector<const BspNode*>& spaces, ViewMode mode) {
  if (mode == ViewMode::Textured) return drawTextured(spaces);
  const bool normals = mode == ViewMode::Normals;
  if (normals) glDisable(GL_LIGHTING);
  if (mode == ViewMode::Flat) glColor3f(LookDrawer::kFlatGrey, LookDrawer::kFlatGrey, LookDrawer::kFlatGrey);
  bindArrays(false, false, normals);
  for (std::size_t i = 0; i < spaces.size(); ++i) {
    // The colour changes only after the first Space.
    if (mode == ViewMode::Spaces && i < 2) {
      flushRuns();
      glColor3dv(i == 0 ? kEyeSpaceColour.data() : kOtherSpaceColour.data());
    }
    const SpaceMesh& mesh = meshes_.spaces[spaceIndex(*spaces[i])];
    addRun(mesh, mesh.firstIndex, mesh.indexCount);
  }
  flushRuns();
  unbindArrays();
  if (normals) glEnable(GL_LIGHTING);
}

}  // namespace pw
