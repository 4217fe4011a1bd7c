// Narrowed culling: the Spaces a frame draws when each passage is followed
// only within the view the passages before it leave.
#pragma once

#include <cstddef>
#include <limits>
#include <optional>
#include <vector>

#include "culling/culling_trace.h"
#include "culling/view_pyramid.h"

namespace pw {

class Scene;
struct BspNode;
struct SightGraph;
class VisibleSets;

// The Spaces a frame draws with the view narrowed: from the eye's region of
// the level's sight graph (sight_graph.h), breadth-first
// through their sight passages, each followed only where it lies in the view
// that the passages before it leave (see view_window.h), drawing the Spaces
// whose walls a reached region shows in that view. Walls stop sight lines
// here, where a cell face lets them through, so it draws every Space a sight
// line reaches and far fewer than `soundSpaces`.
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
// `soundSpaces`' does with the Spaces.
//
// An eye outside the regions' bounds, or in no region, sees every Space.
// `vis` and `trace` as for `designedSpaces`; the passages traced are the
// sight passages' views.
std::vector<const BspNode*> narrowedSpaces(const Scene& scene, const BspNode& root, const ViewPyramid& view,
                                           const SightGraph& regions, const VisibleSets* vis = nullptr,
                                           CullingTrace* trace = nullptr);

// As `narrowedSpaces`, giving up (none) once more than `maxTests` passages and
// walls have been tested.
std::optional<std::vector<const BspNode*>> narrowedSpacesWithin(const Scene& scene, const BspNode& root,
                                                                const ViewPyramid& view, const SightGraph& regions,
                                                                std::size_t maxTests, const VisibleSets* vis = nullptr,
                                                                CullingTrace* trace = nullptr);
inline constexpr std::size_t kUnboundedTests = std::numeric_limits<std::size_t>::max();
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

}  // namespace pw
