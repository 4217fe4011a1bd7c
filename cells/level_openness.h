// Whether a level meets what the designed portals assume, and what to cull
// with when it does not.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace pw {

struct CompiledLevel;

// The designed portals cover every opening of a closed mesh carved cleanly:
// every edge shared by exactly two triangles, and no cutter plane whose
// rings GLU refused (crossing rings need a combine callback the design does
// not give, and then the whole plane gets no portal).
struct Openness {
  std::uint64_t openEdges = 0;
  std::uint64_t nonManifoldEdges = 0;
  std::uint64_t refusedPlanes = 0;

  bool designHolds() const { return openEdges == 0 && nonManifoldEdges == 0 && refusedPlanes == 0; }
  // "open level: 1234 open edges" with the other counts that are not zero;
  // empty when the design holds.
  std::string describe() const;
};

Openness measureOpenness(const CompiledLevel& level);

}  // namespace pw
