// A trail as a point file: "x y z" lines, one point every so many units
// along a path, as level editors load a leak trail to draw it over the map.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "geometry/point3.h"

namespace pw {

// Points every `spacing` units along the polyline `path` (spacing > 0), from
// its first corner to its last, both written, in the level's own axes. False,
// with the reason in `error`, when the file cannot be written whole.
bool writePointFile(const std::filesystem::path& file, const std::vector<Point3>& path, double spacing,
                    std::string& error);

// Whether `file` is a regular file (not a link) of exactly this format, with at
// least one point: a file this program may have written, and so may remove.
bool isPointFile(const std::filesystem::path& file);

}  // namespace pw
