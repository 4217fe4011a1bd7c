// Whether a level meets what the designed portals assume, what to cull with
// when it does not, and the report that tells a level's author why.
#pragma once

#include <cstdint>
#include <string>

namespace pw {

struct CompiledTree;
struct CellFaces;
struct OpenLinks;

// The designed portals cover every opening of a closed mesh carved cleanly:
// every edge shared by exactly two triangles, and no cutter plane whose
// rings GLU refused (crossing rings need a combine callback the design does
// not give, and then the whole plane gets no portal) or that could not be
// handed to GLU at all (a degenerate cutter).
struct Openness {
  std::uint64_t openEdges = 0;
  std::uint64_t nonManifoldEdges = 0;
  std::uint64_t refusedPlanes = 0;

  bool designHolds() const { return openEdges == 0 && nonManifoldEdges == 0 && refusedPlanes == 0; }
  // "1234 open edges" with the other counts that are not zero; empty when
  // the design holds.
  std::string describe() const;
};

Openness measureOpenness(const CompiledTree& level);

// What the build made of an open level, for `portalbuild`.
struct OpenLevelReport {
  Openness openness;
  std::uint64_t spaces = 0;
  // Spaces with no designed fragment leading out of them.
  std::uint64_t spacesWithoutFragments = 0;
  // Connected groups of Spaces, joined by designed fragments alone, and by
  // fragments and open links together (either direction joins).
  std::uint64_t designedGroups = 0;
  std::uint64_t soundGroups = 0;
  std::uint64_t cellFaces = 0;  // between two Spaces
  std::uint64_t openLinks = 0;
  double openLinkArea = 0.0;
};

OpenLevelReport reportOpenLevel(const CompiledTree& level, const CellFaces& cells, const OpenLinks& links);

}  // namespace pw
