#include "culling/choose_spaces.h"

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <optional>
#include <utility>

#include "culling/region_traversal.h"
#include "bsp/bsp_node.h"
#include "culling/space_traversal.h"

namespace pw {
namespace {

std::size_t triangleCount(const std::vector<const BspNode*>& spaces) {
  std::size_t triangles = 0;
  for (const BspNode* space : spaces) triangles += space->triangles.size();
  return triangles;
}

// Narrowing pays only when the drawing it saves costs more than its tests:
// it may test a number of passages and walls in proportion to the triangles
// that the portal traversal draws, and past them the frame draws those.
std::vector<const BspNode*> narrowedOrPlain(const Scene& scene, const BspNode& root, const ViewPyramid& view,
                                            const CullingInputs& inputs, CullingTrace* trace) {
  const auto plain = [&](CullingTrace* plainTrace) {
    return inputs.links != nullptr ? soundSpaces(scene, root, view, *inputs.links, inputs.vis, plainTrace)
                                   : designedSpaces(scene, root, view, inputs.vis, plainTrace);
  };
  NarrowBackoff* const backoff = inputs.backoff;
  const auto remember = [backoff](const std::vector<const BspNode*>& portalSpaces) {
    if (backoff == nullptr) return;
    backoff->portalTriangles = triangleCount(portalSpaces);
    backoff->framesUntilCount = kFramesBetweenCounts;
  };
  if (backoff != nullptr && backoff->untried > 0) {
    --backoff->untried;
    std::vector<const BspNode*> portalSpaces = plain(trace);
    remember(portalSpaces);
    return portalSpaces;
  }
  std::optional<std::vector<const BspNode*>> portalSpaces;
  if (backoff == nullptr || backoff->framesUntilCount == 0) {
    portalSpaces = plain(nullptr);
    remember(*portalSpaces);
  } else {
    --backoff->framesUntilCount;
  }
  const std::size_t portalTriangles = backoff != nullptr ? backoff->portalTriangles : triangleCount(*portalSpaces);
  const std::size_t maxTests =
      kNarrowTestsAnyway + static_cast<std::size_t>(kNarrowTestsPerTriangle * static_cast<double>(portalTriangles));
  const bool barren = backoff != nullptr && backoff->barrenView && sameView(*backoff->barrenView, view) &&
                      maxTests <= backoff->barrenTests;
  if (!barren) {
    if (auto narrowed = narrowedSpacesWithin(scene, root, view, *inputs.sight, maxTests, inputs.vis, trace)) {
      if (backoff != nullptr) {
        backoff->nextUntried = 1;
        backoff->barrenView.reset();
      }
      return std::move(*narrowed);
    }
    if (backoff != nullptr) {
      backoff->untried = backoff->nextUntried;
      backoff->nextUntried = std::min(2 * backoff->nextUntried, kMostFramesUntried);
      backoff->barrenView = view;
      backoff->barrenTests = maxTests;
    }
  }
  if (trace != nullptr) *trace = {};
  if (!portalSpaces || trace != nullptr) {
    portalSpaces = plain(trace);
    remember(*portalSpaces);
  }
  return std::move(*portalSpaces);
}

}  // namespace

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
      return narrowedOrPlain(scene, root, view, inputs, trace);
    case Culling::All:
      break;
  }
  return allSpaces(scene, root, view.eye(), inputs.vis);
}

}  // namespace pw
