// A generated level's look, so that the viewer's textured mode and the
// material tests need no download: each face gets a material by the way it
// faces (floor, ceiling, wall), texture coordinates projected on its plane,
// and the floor and the walls a small generated image.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>

#include "tools/levelgen.h"

namespace pw {

// The OBJ of `mesh` with "mtllib `library`", "vt" lines and "usemtl" lines;
// the positions, normals and faces (so the Scene read) are writeObj's.
void writeObjWithMaterials(std::ostream& out, const Mesh& mesh, const std::string& library);

// Writes `library` (a .mtl file) and the images it names beside it; false,
// with the reason in `error`, when a file cannot be written.
bool writeMaterialFiles(const std::filesystem::path& library, std::string& error);

// The materials' names and the images' files, as the library names them.
inline constexpr const char* kFloorMaterial = "floor";
inline constexpr const char* kWallMaterial = "wall";
inline constexpr const char* kCeilingMaterial = "ceiling";
inline constexpr const char* kFloorImage = "floor_tiles.png";
inline constexpr const char* kWallImage = "wall_bricks.png";

}  // namespace pw
