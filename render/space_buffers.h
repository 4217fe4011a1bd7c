// Drawing the chosen Spaces from buffers made once: each Space's triangles
// (see SpaceMeshes) in GL buffer objects, the Spaces of one colour (one
// material in the textured mode) with one multiple draw call, Spaces that
// follow one another in the buffer as one range of it. The immediate-mode drawing in
// drawFrame and LookDrawer stays the reference these frames must match.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "render/space_meshes.h"
#include "render/view_mode.h"

namespace pw {

class LookDrawer;

class SpaceBuffers {
 public:
  // The meshes are made here, with no GL call; the buffers at the first
  // frame of each context. `look` must outlive this and is the one the
  // frames use (the textured mode's materials and images come from it).
  SpaceBuffers(const Scene& scene, const BspNode& root, LookDrawer& look);
  SpaceBuffers(const SpaceBuffers&) = delete;
  SpaceBuffers& operator=(const SpaceBuffers&) = delete;

  // A new context holds none of the last one's buffers: they are made again
  // at the next frame. (They go with their context, never deleted here.)
  void forgetBuffers() { uploaded_ = false; }

  // The triangles of `spaces` in `mode`, with the render state of a frame and
  // the view transform loaded; in ViewMode::Spaces the first Space in the
  // eye's colour, the others in the other Spaces' (see drawFrame). The GL
  // state is as it was afterwards, no buffer bound.
  void draw(const std::vector<const BspNode*>& spaces, ViewMode mode);

  const SpaceMeshes& meshes() const { return meshes_; }

 private:
  void upload();
  // The vertex arrays on, and the index list by slot or by Space: positions
  // and normals always, texture coordinates or face colours as asked.
  void bindArrays(bool bySlot, bool texCoords, bool faceColours);
  void unbindArrays();
  // Holds the triangles at [firstIndex, firstIndex + indexCount) of the
  // bound index list, on `mesh`'s vertices, joined to the run before when
  // they follow it; flushRuns draws the runs held with one call.
  void addRun(const SpaceMesh& mesh, std::uint32_t firstIndex, std::uint32_t indexCount);
  void flushRuns();
  void drawTextured(const std::vector<const BspNode*>& spaces);

  LookDrawer& look_;
  const SpaceMeshes meshes_;
  bool uploaded_ = false;
  // Whether the GL has buffer objects (1.5 on); without them the same
  // arrays are drawn from this process's memory.
  bool hasBufferObjects_ = false;
  unsigned vertexBuffer_ = 0;
  unsigned indexBuffer_ = 0;         // SpaceMeshes::indices
  unsigned indexBySlotBuffer_ = 0;   // SpaceMeshes::indicesBySlot
  // The index list bound for this draw: one of the two.
  const std::vector<std::uint32_t>* boundIndices_ = nullptr;
  // The runs not drawn yet (first index, index count) and the vertices
  // they use, [firstVertex_, endVertex_); kept to spare allocations.
  std::vector<std::uint32_t> runFirsts_;
  std::vector<int> runCounts_;  // GLsizei
  std::vector<const void*> runIndices_;
  std::uint32_t firstVertex_ = 0;
  std::uint32_t endVertex_ = 0;
  // A textured frame's parts, with their Spaces' meshes, by material slot;
  // kept to spare allocations.
  std::vector<std::vector<std::pair<const SpaceMesh*, const MeshPart*>>> partsBySlot_;
};

}  // namespace pw
