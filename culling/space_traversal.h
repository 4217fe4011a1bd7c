// The portal traversal: which Spaces one frame draws.
//
// Spaces are found from the eye by descending the tree and then breadth-first
// through the leaf portal fragments of the Spaces already drawn (and, where
// the designed portals do not cover every opening, through open links too),
// each tested against the full view from the eye (never narrowed by the
// portals passed on the way). The choice of Spaces is a pure function of the
// tree and the view pyramid, kept apart from the GL calls so
// that it can be checked without a context.
#pragma once

#include <vector>

#include "bsp/bsp_node.h"  // locateSpace
#include "culling/culling_trace.h"
#include "culling/view_pyramid.h"
#include "geometry/point3.h"

namespace pw {

class Scene;
struct OpenLinks;
class VisibleSets;

// The Spaces one frame draws through the designed portals, in drawing
// order: the eye's Space first, then breadth-first every Space that is the
// target of a fragment in the portal list of a Space drawn before it and that
// passes `isVisible`. Each Space appears once; a fragment with a null target,
// or leading to a Space already queued, is skipped without a test. With
// `trace` (non-owning; null: none), the passages tested are added to it; the
// Spaces are the same with or without.
//
// With `vis` (non-owning; null: no limit), and the eye inside its box, a
// Space outside the eye's Space's visible set is neither drawn nor looked
// through, in every mode.
std::vector<const BspNode*> designedSpaces(const Scene& scene, const BspNode& root, const ViewPyramid& view,
                                           const VisibleSets* vis = nullptr, CullingTrace* trace = nullptr);

// As `designedSpaces`, sound on any level: each Space's open links are
// followed after its fragments, in the same way, and an eye outside the
// cells' bounds sees every Space.
std::vector<const BspNode*> soundSpaces(const Scene& scene, const BspNode& root, const ViewPyramid& view,
                                        const OpenLinks& links, const VisibleSets* vis = nullptr,
                                        CullingTrace* trace = nullptr);

// Culling off, for comparison: the eye's Space first, then every other Space
// of the tree, front subtree before behind.
std::vector<const BspNode*> allSpaces(const Scene& scene, const BspNode& root, const Point3& eye,
                                      const VisibleSets* vis = nullptr);

}  // namespace pw
