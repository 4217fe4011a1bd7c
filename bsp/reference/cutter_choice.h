// The straightforward cutter choice: every candidate's plane against every
// entry of the list. The reference the fast build is tested against.
#pragma once

#include <cstdint>
#include <vector>

#include "bsp/cutter_rules.h"

namespace pw {

class Scene;

// The cutter of a list (not empty) by the passes of chooseByPasses.
CutterChoice chooseCutterStraightforward(const Scene& scene, const std::vector<std::uint32_t>& list);

}  // namespace pw
