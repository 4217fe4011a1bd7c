// Drawing the chosen Spaces as the level looks (textured, flat or by
// normals) rather than in the designed Space colours.
#pragma once

#include <cstdint>
#include <vector>

#include "geometry/point3.h"
#include "render/view_mode.h"
#include "scene/level_look.h"
#include "scene/scene_look.h"

namespace pw {

class Scene;
struct BspNode;

// The normals mode's colour of a face with unit plane normal `n`: each axis
// from -1 .. 1 to 0 .. 1.
std::array<double, 3> normalsColour(const Point3& n);

class LookDrawer {
 public:
  // Every face in the flat mode.
  static constexpr float kFlatGrey = 0.7f;

  // Made once the build is done: every Scene triangle's texture coordinates
  // and material are worked out here, none per frame. `scene`, `look` and
  // `materials` must outlive the drawer and not change.
  LookDrawer(const Scene& scene, const SceneLook& look, const LevelLook& materials);
  LookDrawer(const LookDrawer&) = delete;
  LookDrawer& operator=(const LookDrawer&) = delete;

  // A new context holds none of the textures made in the last one: they are
  // made again at the next textured frame.
  void forgetTextures() { textures_.clear(); }
  // The triangles of `spaces` in `mode` (not ViewMode::Spaces), with the
  // render state of a frame and the view transform loaded; the state is as
  // it was afterwards.
  void draw(const std::vector<const BspNode*>& spaces, ViewMode mode);

  // What a Scene triangle looks like: its corners' u, v (0, 1, 2), and its
  // material slot: the LevelLook material index, or the last slot for a
  // triangle without a material.
  const std::array<float, 6>& texCoords(std::uint32_t triangle) const { return texCoords_[triangle]; }
  std::size_t materialSlot(std::uint32_t triangle) const;
  std::size_t materialSlots() const { return buckets_.size(); }

  // A textured drawing, inside beginTextured .. endTextured: each slot's
  // triangles between beginMaterial(slot), which sets its colour and binds
  // its image, if any (the return value: whether it did), and endMaterial.
  void beginTextured();
  bool beginMaterial(std::size_t slot);
  void endMaterial(bool textured);
  void endTextured();

 private:
  void makeTextures();
  void drawTextured(const std::vector<const BspNode*>& spaces);
  // The corners of triangle `index`, with normals (and texture coordinates
  // when `textured`), inside a glBegin(GL_TRIANGLES).
  void emitTriangle(std::int32_t index, bool textured) const;

  const Scene& scene_;
  const LevelLook& materials_;
  std::vector<std::array<float, 6>> texCoords_;  // by Scene triangle: u, v of corners 0, 1, 2
  std::vector<std::int32_t> materialOf_;          // by Scene triangle; TriangleLook::kNone: none
  std::vector<unsigned> textures_;                // GL names, by LevelLook image; empty: not made
  // By material slot: whether it lets what lies behind show through (an
  // opacity below 1 or an image with see-through texels). Only those are
  // blended: an opaque face blends to its own colour, and blending costs a
  // software rasteriser a read of every pixel it writes.
  std::vector<bool> blended_;
  // A frame's triangles by material (the last bucket: none), kept to spare
  // allocations.
  std::vector<std::vector<std::int32_t>> buckets_;
};

}  // namespace pw
