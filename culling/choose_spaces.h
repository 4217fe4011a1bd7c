// The culling modes: which Spaces a frame draws, chosen by name.
#pragma once

#include <vector>

#include "culling/culling_trace.h"
#include "culling/view_pyramid.h"

namespace pw {

class Scene;
struct BspNode;
struct OpenLinks;
struct SightGraph;
class VisibleSets;

// Which Spaces a frame draws: those reached through the designed portal
// fragments (designedSpaces); through fragments and open links, sound on any
// level (soundSpaces); through the sight passages with the view narrowed
// (narrowedSpaces); or all (allSpaces).
enum class Culling { Designed, Sound, Narrow, All };

// What the modes read besides the tree and the view; all non-owning.
struct CullingInputs {
  // Needed by Culling::Sound.
  const OpenLinks* links = nullptr;
  // The empty regions with their sight passages; needed by Culling::Narrow.
  const SightGraph* sight = nullptr;
  // Limits every mode to the eye's visible set; null: no limit.
  const VisibleSets* vis = nullptr;
};

// The Spaces `culling` draws, in drawing order, from the traversal of that
// name. `trace` as for designedSpaces; Culling::All tests no passage.
std::vector<const BspNode*> chooseSpaces(Culling culling, const Scene& scene, const BspNode& root,
                                         const ViewPyramid& view, const CullingInputs& inputs,
                                         CullingTrace* trace = nullptr);

}  // namespace pw
