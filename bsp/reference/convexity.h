// The straightforward convexity test: every entry's plane against every
// other entry's corners. The reference the fast build is tested against.
#pragma once

#include <cstdint>
#include <vector>

namespace pw {

class Scene;

// True when no corner of any entry lies behind the plane of any other entry
// (an entry is a position in the list, so a repeated index is two entries).
// On-plane corners do not count as behind.
bool isConvexStraightforward(const Scene& scene, const std::vector<std::uint32_t>& list);

}  // namespace pw
