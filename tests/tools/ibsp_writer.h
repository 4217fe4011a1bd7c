// Writing Quake III level files (IBSP 46) for the importer's tests and fuzz
// seeds: the inverse of ibsp::readLevel, every field it does not read
// written as zero.
#pragma once

#include <cstddef>
#include <vector>

#include "tools/ibsp_file.h"

namespace pw::testing_support {

// Lumps follow the header in lump order; lumps the Level does not hold are
// empty.
std::vector<std::byte> writeIbsp(const ibsp::Level& level);

// Byte offset of lump `lump`'s (offset, length) pair in the header.
inline constexpr std::size_t ibspLumpEntry(int lump) { return 8 + 8 * static_cast<std::size_t>(lump); }

// A small level, the importer's fixture and the fuzz target's seed. In Quake
// units, z up:
//   face 0  floor polygon, 256 x 256 at z = 0, 2 triangles, facing up
//   face 1  mesh, one upright triangle on y = 256 facing -y
//   face 2  patch, 3 x 3 controls over the floor at z = 128 facing down,
//           its middle column raised by 32: 2 x 1 quads, 4 triangles
//   face 3  sky polygon (SURF_SKY), face 4 caulk polygon (by name only),
//   face 5  billboard
// One node splits x = 128: leaf 0 in front (cluster 0, the floor), leaf 1
// behind (cluster 1, the mesh and the patch). Cluster 0 sees only itself,
// cluster 1 sees both. Player starts: info_player_start at (160, 64, 24)
// facing +y (angle 90), info_player_deathmatch at (64, 64, 24) facing +x
// (angles 0 360 0).
ibsp::Level smallIbspLevel();

}  // namespace pw::testing_support
