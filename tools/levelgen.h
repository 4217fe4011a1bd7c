// Level generators for tests, benchmarks and the sample levels: box rooms
// joined by corridors, seeded random triangle soups, and a level whose BSP
// tree is as deep as it has triangles. All output is deterministic and every
// coordinate is a 32-bit float value, so a level written as OBJ and read back
// gives the same Scene as `appendToScene`.
#pragma once

#include <array>
#include <cstdint>
#include <ostream>
#include <vector>

#include "geometry/bounds.h"
#include "geometry/point3.h"

namespace pw {

class Scene;

// An indexed triangle mesh: 0-based position and normal indices per corner.
struct Mesh {
  struct Face {
    std::array<std::int32_t, 3> positions;
    std::array<std::int32_t, 3> normals;
  };
  std::vector<Point3> positions;
  std::vector<Point3> normals;
  std::vector<Face> faces;
};

// Rooms are closed boxes; a corridor is a box open at its two ends along
// `axis` (0 = x, 2 = z), and each open end cuts a doorway into the room wall
// it lies on. Each face is made of rectangular cells, two triangles each,
// between its cut coordinates: its own bounds, its doorways' bounds, the
// coordinates of `cuts[axis]` and the multiples of `cellSize` (if not 0)
// that fall inside it. Faces that meet along a line must get the same cuts
// there (no T-junctions): either list every box coordinate in `cuts`, or
// keep every shared coordinate on the `cellSize` lattice. Faces point into
// the rooms: each triangle runs counter-clockwise seen from inside.
//
// The rest opens the level up, as meshes exported from editors are; the
// defaults give the closed level above:
// - `roomCeilings` false leaves the rooms open to the sky (corridors keep
//   their roofs);
// - `wallCellSize`, if not 0, replaces `cellSize` on the walls (faces across
//   x or z); off the floor's lattice, the walls' cells end where the floor's
//   and ceiling's do not, so their edges meet in T-junctions;
// - `pillars` are solid boxes with their faces pointing out, each side one
//   cell (two triangles) whatever the cuts, so a pillar reaching through a
//   floor or ceiling crosses its triangles without sharing an edge or a
//   corner with them. `closed` gives a pillar its two end caps; without them
//   it is an open tube.
struct Layout {
  struct Corridor {
    Bounds box;
    int axis;
  };
  struct Pillar {
    Bounds box;
    bool closed;
  };
  std::vector<Bounds> rooms;
  std::vector<Corridor> corridors;
  std::array<std::vector<double>, 3> cuts;
  double cellSize = 0.0;
  bool roomCeilings = true;
  double wallCellSize = 0.0;
  std::vector<Pillar> pillars;
};

// A grid of `rows` x `cols` rooms (floor at y = 0), each joined to its
// neighbours by 2 x 2 corridors; room sizes vary with `seed` in half units,
// so the walls of one room cut across the floors of others. Cells are
// 1 / `subdivision` units wide (a power of two keeps coordinates exact).
struct RoomsParams {
  int rows = 2;
  int cols = 2;
  int subdivision = 1;
  std::uint64_t seed = 1;
};
Layout roomsAndCorridors(const RoomsParams& params);
// A grid whose level has about `triangles` triangles (1k, 4k, 16k, 64k, 256k
// give grids of 2, 4, 8, 16, 32 rooms a side).
RoomsParams roomsForSize(std::uint64_t triangles);

// The hand-sized sample level (levels/folyosos.obj): four rooms in a ring of
// corridors; the viewer's start eye (-1.6, 0.2, 0.4), looking along -z,
// stands in the first room facing a doorway into a corridor.
Layout sampleLayout();

// The triangles of a layout, with one "vn" normal per face direction.
Mesh layoutMesh(const Layout& layout);

// A rooms-and-corridors level opened up in the ways meshes from editors and
// games are. The features combine; all off gives `roomsAndCorridors` as is.
// Every random choice follows `rooms.seed`.
struct OpenLevelParams {
  RoomsParams rooms;
  // The share (0..1) of the triangles not facing up (ceilings, walls,
  // pillar sides) left out, chosen at random; the floors always stay, to
  // stand on.
  double holes = 0.0;
  // False: no room ceilings.
  bool ceilings = true;
  // One or two pillars per room, 1/4 to 1/2 unit thick, from 1/2 unit below
  // the floor to 1/2 unit above the ceiling, at least a unit from the walls;
  // about half of them open tubes. Their sides lie on odd multiples of 1/64,
  // off the cell lattice for subdivisions up to 32.
  bool pillars = false;
  // Wall cells 3/2 as wide as the floor's: T-junctions wherever walls meet
  // floors and ceilings.
  bool seams = false;
};
// The layout of an open level: everything but the holes.
Layout openLayout(const OpenLevelParams& params);
// Its triangles, holes punched.
Mesh openLevel(const OpenLevelParams& params);

// Where an eye can stand: the inside of every room shrunk by `margin` from
// each face, less every pillar grown by `margin` across; a room split by
// pillars gives several boxes. Corridors are left out. Boxes with no room
// left in them are dropped.
std::vector<Bounds> roomInteriors(const Layout& layout, double margin);

// The move (a whole number of 1/64 units on each axis) that brings the
// viewer's designed start eye (-1.6, 0.2, 0.4) into the first room, standing
// on its floor at the viewer's standing height 1.2, over the middle of the
// widest of the room's interiors (roomInteriors with a margin of 0.25, so
// clear of pillars).
Point3 startShift(const Layout& layout);

// `count` separate triangles of random size and orientation, corners within
// about `extent` of the origin.
Mesh randomSoup(std::uint32_t count, std::uint64_t seed, double extent = 10.0);

// About `count` triangles of a convex bowl facing outwards (a lattice patch
// lifted onto a paraboloid). Every triangle has all others behind its plane,
// so each cutter settles just itself and the tree is about `count` deep.
Mesh deepLevel(std::uint32_t count);

// A rigid motion applied to a finished level: a turn by `degrees` about the
// line through the origin along `axis` (any length but zero), then a shift.
struct Placement {
  Point3 axis{0, 1, 0};
  double degrees = 0.0;
  Point3 shift;
};
// Where `point` goes under `placement`, in 64-bit floating point.
Point3 placedPoint(const Point3& point, const Placement& placement);
// The mesh moved by `placement`: positions placed, normals turned, each
// coordinate then rounded to the 32-bit float an OBJ file would give; the
// faces' indices are kept.
Mesh placed(const Mesh& mesh, const Placement& placement);

// Wavefront OBJ: "v", "vn" and "f a//na b//nb c//nc" lines, 1-based.
void writeObj(std::ostream& out, const Mesh& mesh);
// The same content appended straight to a Scene, indices offset by what the
// Scene already holds.
void appendToScene(const Mesh& mesh, Scene& scene);

}  // namespace pw
