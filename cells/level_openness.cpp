#include "cells/level_openness.h"

#include "bsp/level_compiler.h"

namespace pw {

std::string Openness::describe() const {
  if (designHolds()) return {};
  std::string text = "open level: " + std::to_string(openEdges) + " open edges";
  if (nonManifoldEdges != 0) text += ", " + std::to_string(nonManifoldEdges) + " non-manifold edges";
  if (refusedPlanes != 0) text += ", " + std::to_string(refusedPlanes) + " cutter planes whose rings GLU refused";
  return text;
}

Openness measureOpenness(const CompiledLevel& level) {
  Openness openness;
  openness.openEdges = level.edges.open.size();
  openness.nonManifoldEdges = level.edges.nonManifold;
  return openness;
}

}  // namespace pw
