// The culling modes: which Spaces a frame draws, chosen by name.
#pragma once

#include <cstddef>
#include <optional>
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

// Culling::Narrow's tests of passages and walls per triangle the portal
// traversal would draw, and on top of those. A test costs 0.2-0.5 us on
// the real levels, about what Mesa's software GL takes to draw a triangle:
// half a test per triangle bounds what a narrowing that gives up adds to a
// frame, and lets through the narrowing of most views of most corpus maps
// (it needs a median of 0.2 tests per triangle on oa_dm4 and dm6ish; on
// cbctf1 30, which would cost 30 times the drawing it saves).
inline constexpr double kNarrowTestsPerTriangle = 0.5;
inline constexpr std::size_t kNarrowTestsAnyway = 256;

// What narrowed culling keeps from frame to frame: a view where narrowing
// gave up changes little by the next frame, so the frames after one that
// gave up draw the portal traversal's Spaces without trying, 1, 2, 4 ... up
// to kMostFramesUntried frames for each further frame that gives up in a
// row.
//
// It also keeps the number of triangles the portal traversal drew when last
// run, which bounds the tests: a frame that narrows need not run that
// traversal too, except once in kFramesBetweenCounts frames to keep the
// number current.
//
// And the view of the last frame that gave up, with the tests it had: the
// same view gives up again with no more tests, so a camera standing still
// does not try again until it moves.
struct NarrowBackoff {
  int untried = 0;      // frames left that do not try
  int nextUntried = 1;  // after the next frame that gives up
  std::size_t portalTriangles = 0;
  int framesUntilCount = 0;  // 0: the next frame that tries runs the traversal first
  std::optional<ViewPyramid> barrenView;
  std::size_t barrenTests = 0;
};
inline constexpr int kMostFramesUntried = 16;
inline constexpr int kFramesBetweenCounts = 16;

// What the modes read besides the tree and the view; all non-owning.
struct CullingInputs {
  // Needed by Culling::Sound.
  const OpenLinks* links = nullptr;
  // The empty regions with their sight passages; needed by Culling::Narrow,
  // which draws what Culling::Sound (with `links`) or else Culling::Designed
  // draws when narrowing would cost more than it saves: give the links on a
  // level where the designed portals do not hold.
  const SightGraph* sight = nullptr;
  // Limits every mode to the eye's visible set; null: no limit.
  const VisibleSets* vis = nullptr;
  // Culling::Narrow's memory of the frames before (see NarrowBackoff); null:
  // every frame tries.
  NarrowBackoff* backoff = nullptr;
};

// The Spaces `culling` draws, in drawing order, from the traversal of that
// name. `trace` as for designedSpaces; Culling::All tests no passage.
std::vector<const BspNode*> chooseSpaces(Culling culling, const Scene& scene, const BspNode& root,
                                         const ViewPyramid& view, const CullingInputs& inputs,
                                         CullingTrace* trace = nullptr);

}  // namespace pw
