// The rims of a mesh's holes as a Wavefront OBJ file of lines, to load over
// the level in a 3D tool.
#pragma once

#include <filesystem>
#include <string>

namespace pw {

class Scene;
struct MeshEdges;

// "v" lines for the corners the open edges use (1-based in the order they
// are first used) and one "l a b" line per open edge, in the level's own
// axes. False, with the reason in `error`, when the file cannot be written
// whole.
bool writeOpenEdgesObj(const std::filesystem::path& path, const Scene& scene, const MeshEdges& edges,
                       std::string& error);

}  // namespace pw
