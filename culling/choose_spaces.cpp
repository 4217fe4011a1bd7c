#include "culling/choose_spaces.h"

#include <cassert>

#include "culling/region_traversal.h"
#include "culling/space_traversal.h"

namespace pw {

std::vector<const BspNode*> chooseSpaces(Culling culling, const Scene& scene, const BspNode& root,
                                         const ViewPyramid& view, const CullingInputs& inputs, CullingTrace* trace) {
  switch (culling) {
    case Culling::Designed:
      return designedSpaces(scene, root, view, inputs.vis, trace);
    case Culling::Sound:
      assert(inputs.links != nullptr);
      return soundSpaces(scene, root, view, *inputs.links, inputs.vis, trace);
    case Culling::Narrow:
      assert(inputs.sight != nullptr);
      return narrowedSpaces(scene, root, view, *inputs.sight, inputs.vis, trace);
    case Culling::All:
      break;
  }
  return allSpaces(scene, root, view.eye(), inputs.vis);
}

}  // namespace pw
