// The portal traversal renderer: which Spaces one frame draws, and the frame
// itself.
//
// Spaces are found from the eye by descending the tree and then breadth-first
// through the leaf portal fragments of the Spaces already drawn (and, where
// the designed portals do not cover every opening, through open links too),
// each tested against the full view from the eye (never narrowed by the
// portals passed on the way). The choice of Spaces is a pure function of the
// tree, the camera and the model-view matrix, kept apart from the GL calls so
// that it can be checked without a context.
#pragma once

#include <cstdint>
#include <ostream>
#include <vector>

#include "render/passage_trace.h"
#include "bsp/bsp_node.h"  // locateSpace
#include "render/visibility.h"
#include "geometry/point3.h"

namespace pw {

class Scene;
struct BspNode;
struct Camera;
struct OpenLinks;
struct EmptyRegions;
class VisibleSets;

// The Spaces one frame draws, in drawing order: the eye's Space first, then
// breadth-first every Space that is the target of a fragment in the portal
// list of a Space drawn before it and that passes `isVisible`. Each Space
// appears once; a fragment with a null target, or leading to a Space already
// queued, is skipped without a test. With `links`, each Space's open links
// are followed after its fragments, in the same way, and an eye outside the
// cells' bounds sees every Space. With `trace`, the passages tested are added
// to it; the Spaces are the same with or without.
//
// With `vis`, and the eye inside its box, a Space outside the eye's Space's
// visible set is neither drawn nor looked through, in every mode.
std::vector<const BspNode*> visibleSpaces(const Scene& scene, const BspNode& root, const Camera& camera,
                                          const Matrix4& modelView, const OpenLinks* links = nullptr,
                                          const VisibleSets* vis = nullptr, PassageTrace* trace = nullptr);

// The Spaces a frame draws with the view narrowed: from the eye's region of
// the level's empty regions (found with RegionJoins::Sight), breadth-first
// through their sight passages, each followed only where it lies in the view
// that the passages before it leave (see view_window.h), drawing the Spaces
// whose walls a reached region shows in that view. Walls stop sight lines
// here, where a cell face lets them through, so it draws every Space a sight
// line reaches and far fewer than `visibleSpaces`.
//
// The views reaching a region in one breadth-first round are gathered before
// it is explored. A view that one it was explored with, or one waiting,
// covers adds nothing; at most kSeparateWindows wait, a further one joining
// the waiting view it grows least (their hull). After kRegionExplorations
// views the region is explored once more with the whole view and then never
// again, so a frame's work is bounded. Once kBarrenTests tests of passages
// and walls in a row have drawn no Space, the view is no longer narrowed:
// every region is explored at most once more, with the whole view, and a
// passage or wall passes when it passes the view test. Where the regions are
// many thin slivers each reached by many ways and sight finds nothing (the
// eye behind every face of the deep level, where sight passes every back
// face), the frame's work then grows with the regions reached, as
// `visibleSpaces`' does with the Spaces.
//
// An eye outside the regions' bounds, or in no region, sees every Space.
// `vis` and `trace` as for `visibleSpaces`; the passages traced are the
// sight passages' views.
std::vector<const BspNode*> narrowedSpaces(const Scene& scene, const BspNode& root, const Camera& camera,
                                           const Matrix4& modelView, const EmptyRegions& regions,
                                           const VisibleSets* vis = nullptr, PassageTrace* trace = nullptr);
// Measured at 30 poses on the generated open 64k levels with holes and
// without ceilings, where sight lines reach the most regions by the most
// ways: 16 and 64 draw 3.0 % and 1.4 % of the Spaces at 13 ms a frame; 8 and
// 32 draw 4.4 % and 2.8 % in the same time, 32 and 128 draw 2.4 % and 1.0 %
// at 18-21 ms. Closed levels take under 0.5 ms either way.
inline constexpr std::size_t kSeparateWindows = 16;
inline constexpr int kRegionExplorations = 64;
// Measured with culling_bench at 30 poses: on the generated open 16k levels
// 40000 leaves `holes` at 5.1 % of the Spaces and takes `outdoor` from 2.8 %
// to 4.9 % (10000: 6.8 % and 7.3 %); a frame of the 20000-deep level then
// costs about what `auto`'s does.
inline constexpr std::size_t kBarrenTests = 40000;

// Culling off, for comparison: the eye's Space first, then every other Space
// of the tree, front subtree before behind.
std::vector<const BspNode*> allSpaces(const Scene& scene, const BspNode& root, const Camera& camera,
                                      const VisibleSets* vis = nullptr);

struct FrameCounts {
  std::int32_t spaces = 0;
  std::uint64_t triangles = 0;
};

// Which Spaces a frame draws: those reached through the designed portal
// fragments; through fragments and open links (sound on any level); or all.
enum class Culling { Designed, Sound, Narrow, All };

// What the viewer may add to a frame for level builders; the default adds
// nothing and the frame is drawn as designed.
struct FrameExtras {
  // Outline the passages the culling tested (see drawPassageOutlines) over
  // the Spaces.
  bool outlinePassages = false;
  // Choose the Spaces, and the passages outlined, from this camera (non-owning)
  // while the picture is drawn from the frame's own; null: the frame's own.
  const Camera* cullingCamera = nullptr;
  // Limits every mode to the eye's visible set (non-owning); null: no limit.
  const VisibleSets* vis = nullptr;
};

// One frame, with the GL context current and the model-view matrix mode
// selected: clear, view transform from the camera (pitch about x, then yaw
// about y, then the translation, in degrees), the Spaces drawn in one
// glBegin/glEnd pair (the eye's Space green, the others red, per-corner
// normals from the Scene), and the frame's line written to `frameLog`.
// `links` is needed for Culling::Sound, `sight` for Culling::Narrow.
// The line always gives the frame's own eye and the number of Spaces drawn.
FrameCounts drawFrame(const Scene& scene, const BspNode& root, const Camera& camera, std::ostream& frameLog,
                      Culling culling = Culling::Designed, const OpenLinks* links = nullptr,
                      const EmptyRegions* sight = nullptr, const FrameExtras& extras = {});

// The "log.txt" line: the eye's single-precision x, y, z in the stream's
// default float format, "  spaces: " and the count, then a line end and a
// flush. At the start position with three Spaces: "-1.6 0.2 0.4  spaces: 3".
void writeFrameLine(std::ostream& frameLog, const Camera& camera, std::int32_t spacesDrawn);

}  // namespace pw
