#include "compile/level_openness.h"

#include <numeric>
#include <vector>

#include "bsp/bsp_node.h"
#include "cells/cell_faces.h"
#include "cells/open_links.h"
#include "compile/level_compiler.h"
#include "portal/portal.h"

namespace pw {
namespace {

// Union-find over Space numbers less one.
class Groups {
 public:
  explicit Groups(std::size_t count) : parent_(count) { std::iota(parent_.begin(), parent_.end(), 0); }
  void join(std::uint64_t a, std::uint64_t b) { parent_[find(a)] = find(b); }
  std::uint64_t count() {
    std::uint64_t roots = 0;
    for (std::size_t i = 0; i < parent_.size(); ++i) roots += find(i) == i ? 1 : 0;
    return roots;
  }

 private:
  std::size_t find(std::size_t i) {
    while (parent_[i] != i) i = parent_[i] = parent_[parent_[i]];
    return i;
  }
  std::vector<std::size_t> parent_;
};

}  // namespace

std::string Openness::describe() const {
  if (designHolds()) return {};
  std::string text = std::to_string(openEdges) + " open edges";
  if (nonManifoldEdges != 0) text += ", " + std::to_string(nonManifoldEdges) + " non-manifold edges";
  if (refusedPlanes != 0) text += ", " + std::to_string(refusedPlanes) + " cutter planes whose rings GLU refused";
  return text;
}

Openness measureOpenness(const CompiledTree& level) {
  Openness openness;
  openness.openEdges = level.edges.open.size();
  openness.nonManifoldEdges = level.edges.nonManifold;
  // A plane GLU could not tessellate at all (it never reached GLU) fails
  // the same way as one GLU refused: the whole plane gets no portal.
  if (level.builder != nullptr) {
    const BuildStats& stats = level.builder->stats();
    openness.refusedPlanes = stats.planesRefused + stats.planesUntessellable;
  }
  return openness;
}

OpenLevelReport reportOpenLevel(const CompiledTree& level, const CellFaces& cells, const OpenLinks& links) {
  OpenLevelReport report;
  report.openness = measureOpenness(level);
  const std::vector<const BspNode*> spaces = collectSpaces(*level.root);
  report.spaces = spaces.size();
  Groups designed(cells.facesOfSpace.size());
  for (const BspNode* space : spaces) {
    if (space->portals.empty()) ++report.spacesWithoutFragments;
    for (const Portal* fragment : space->portals) {
      if (fragment->target() != nullptr) designed.join(spaceIndex(*space), spaceIndex(*fragment->target()));
    }
  }
  report.designedGroups = designed.count();
  Groups sound = designed;
  for (const OpenLink& link : links.links) {
    sound.join(spaceIndex(*link.from), spaceIndex(*link.to));
    report.openLinkArea += link.area;
  }
  report.soundGroups = sound.count();
  report.openLinks = links.links.size();
  for (const CellFace& face : cells.faces) report.cellFaces += face.front != nullptr && face.behind != nullptr ? 1 : 0;
  return report;
}

}  // namespace pw
