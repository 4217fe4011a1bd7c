// The sound cell graph for other tools: cells are the Spaces, portals are the
// designed leaf fragments and the open links, written as a "PRT1" portal file
// that level editors overlay on the map, or as OBJ groups for any 3D tool.
// Coordinates are the level's own, as read from its OBJ file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "geometry/point3.h"

namespace pw {

struct BspNode;
struct OpenLinks;

// One passage between two cells (Space number less one), wound so that its
// normal points into `front`: the cell a viewer stands in to look through it
// into `back`.
struct CellPortal {
  std::uint32_t front = 0;
  std::uint32_t back = 0;
  std::vector<Point3> points;
};

struct CellGraph {
  std::uint64_t cells = 0;
  std::vector<CellPortal> portals;
};

// Every triangle of a designed fragment pair once (taken from the Space with
// the smaller number, facing into it), then every triangle of every open
// link (facing into the Space it leads out of). Links run one way, so a
// face open both ways gives a portal each way.
CellGraph soundCellGraph(const BspNode& root, const OpenLinks& links);

// "PRT1", the number of cells, the number of portals, each on its own line,
// then one line per portal: its point count, its two cells and its points as
// "(x y z)" groups. False, with the reason in `error`, when the file cannot be
// written whole.
bool writePrt(const std::filesystem::path& path, const CellGraph& graph, std::string& error);

// "v" lines and, per portal, a group "g portal_N_A_B" (N from 0, A and B its
// cells) with one "f" line over its points.
bool writePortalsObj(const std::filesystem::path& path, const CellGraph& graph, std::string& error);

}  // namespace pw
