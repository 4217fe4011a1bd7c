#include "tools/levelgen.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <map>
#include <numbers>
#include <optional>

#include "geometry/triangle_normal.h"
#include "scene/scene.h"

namespace pw {

namespace {

double& at(Point3& p, int axis) { return axis == 0 ? p.x : axis == 1 ? p.y : p.z; }
double at(const Point3& p, int axis) { return axis == 0 ? p.x : axis == 1 ? p.y : p.z; }

// Coordinates are stored as the 32-bit floats an OBJ file would give. The
// float goes through memory: GCC 12's vectorizer drops a plain
// double -> float -> double round trip when it pairs two of them (at -O2 and
// -O3, e.g. on the x and y of a turned point).
double asFloat(double value) {
  const volatile float narrowed = static_cast<float>(value);
  return narrowed;
}

// Appends faces to a mesh, merging exactly equal positions and normals.
class MeshBuilder {
 public:
  std::int32_t position(const Point3& p) { return intern(mesh_.positions, positions_, p); }
  std::int32_t normal(const Point3& n) { return intern(mesh_.normals, normals_, n); }
  void face(const std::array<Point3, 3>& corners, std::int32_t normalIndex) {
    mesh_.faces.push_back({{position(corners[0]), position(corners[1]), position(corners[2])},
                           {normalIndex, normalIndex, normalIndex}});
  }
  Mesh take() { return std::move(mesh_); }

 private:
  static std::int32_t intern(std::vector<Point3>& table, std::map<Point3, std::int32_t>& index, const Point3& p) {
    const auto [it, added] = index.emplace(p, static_cast<std::int32_t>(table.size()));
    if (added) table.push_back(p);
    return it->second;
  }

  Mesh mesh_;
  std::map<Point3, std::int32_t> positions_;
  std::map<Point3, std::int32_t> normals_;
};

// One side of a box: the plane `axis` = `coordinate`, spanned by the axes u
// and v with u x v pointing into the room.
struct Side {
  int axis;
  double coordinate;
  int u;
  int v;
  Point3 inward;
};

// The six sides of a box with their inward normals. u and v are chosen so
// that u x v is the inward normal: y x z = +x, z x y = -x, z x x = +y,
// x x z = -y, x x y = +z, y x x = -z.
std::array<Side, 6> sidesOf(const Bounds& box) {
  return {{
      {0, box.min.x, 1, 2, {1, 0, 0}},
      {0, box.max.x, 2, 1, {-1, 0, 0}},
      {1, box.min.y, 2, 0, {0, 1, 0}},
      {1, box.max.y, 0, 2, {0, -1, 0}},
      {2, box.min.z, 0, 1, {0, 0, 1}},
      {2, box.max.z, 1, 0, {0, 0, -1}},
  }};
}

std::vector<double> sortedUnique(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  values.erase(std::unique(values.begin(), values.end()), values.end());
  return values;
}

// The cut coordinates of one face along one axis, from lo to hi: the
// layout's cuts and the `cellSize` lattice lines inside, the face's bounds
// and `extra` (its doorways' bounds) when inside.
std::vector<double> faceCuts(const Layout& layout, double cellSize, int axis, double lo, double hi,
                             const std::vector<double>& extra) {
  std::vector<double> cuts = {lo, hi};
  auto addInside = [&](double c) {
    if (c > lo && c < hi) cuts.push_back(c);
  };
  for (const double c : layout.cuts[static_cast<std::size_t>(axis)]) addInside(c);
  for (const double c : extra) addInside(c);
  if (cellSize > 0.0) {
    for (double c = std::ceil(lo / cellSize) * cellSize; c < hi; c += cellSize) addInside(c);
  }
  return sortedUnique(std::move(cuts));
}

bool insideRectangle(const Point3& p, const Bounds& box, int u, int v) {
  return at(p, u) > at(box.min, u) && at(p, u) < at(box.max, u) && at(p, v) > at(box.min, v) &&
         at(p, v) < at(box.max, v);
}

// The point of a side's plane at (u, v).
Point3 onSide(const Side& side, double u, double v) {
  Point3 p;
  at(p, side.axis) = side.coordinate;
  at(p, side.u) = u;
  at(p, side.v) = v;
  return p;
}

// The cells of one side between the cuts `us` and `vs`, two triangles each,
// leaving out the cells inside a doorway.
void emitCells(MeshBuilder& builder, const Side& side, const std::vector<double>& us, const std::vector<double>& vs,
               const std::vector<const Bounds*>& doorways) {
  const std::int32_t normal = builder.normal(side.inward);
  for (std::size_t i = 0; i + 1 < us.size(); ++i) {
    for (std::size_t j = 0; j + 1 < vs.size(); ++j) {
      const Point3 centre = onSide(side, (us[i] + us[i + 1]) / 2, (vs[j] + vs[j + 1]) / 2);
      if (std::any_of(doorways.begin(), doorways.end(),
                      [&](const Bounds* doorway) { return insideRectangle(centre, *doorway, side.u, side.v); })) {
        continue;
      }
      const Point3 p00 = onSide(side, us[i], vs[j]);
      const Point3 p10 = onSide(side, us[i + 1], vs[j]);
      const Point3 p11 = onSide(side, us[i + 1], vs[j + 1]);
      const Point3 p01 = onSide(side, us[i], vs[j + 1]);
      // Counter-clockwise seen from the side u x v points to.
      builder.face({p00, p10, p11}, normal);
      builder.face({p00, p11, p01}, normal);
    }
  }
}

// One side of a room or corridor, cut into cells; with `withDoorways`, the
// corridor ends lying on its plane are left open.
void emitSide(MeshBuilder& builder, const Layout& layout, const Bounds& box, const Side& side, bool withDoorways) {
  std::vector<const Bounds*> doorways;
  std::vector<double> doorwayU, doorwayV;
  for (const Layout::Corridor& corridor : layout.corridors) {
    if (withDoorways && corridor.axis == side.axis &&
        (at(corridor.box.min, side.axis) == side.coordinate || at(corridor.box.max, side.axis) == side.coordinate)) {
      doorways.push_back(&corridor.box);
      doorwayU.insert(doorwayU.end(), {at(corridor.box.min, side.u), at(corridor.box.max, side.u)});
      doorwayV.insert(doorwayV.end(), {at(corridor.box.min, side.v), at(corridor.box.max, side.v)});
    }
  }
  const bool wall = side.axis != 1;
  const double cellSize = wall && layout.wallCellSize > 0.0 ? layout.wallCellSize : layout.cellSize;
  const std::vector<double> us = faceCuts(layout, cellSize, side.u, at(box.min, side.u), at(box.max, side.u), doorwayU);
  const std::vector<double> vs = faceCuts(layout, cellSize, side.v, at(box.min, side.v), at(box.max, side.v), doorwayV);
  emitCells(builder, side, us, vs, doorways);
}

// The outside of a pillar: each side one cell, facing out (v x u, the
// inward normal negated).
void emitPillar(MeshBuilder& builder, const Layout::Pillar& pillar) {
  for (const Side& in : sidesOf(pillar.box)) {
    if (in.axis == 1 && !pillar.closed) continue;
    const Side out{in.axis, in.coordinate, in.v, in.u, Point3{} - in.inward};  // 0 - 0: no -0 in the OBJ
    emitCells(builder, out, {at(pillar.box.min, out.u), at(pillar.box.max, out.u)},
              {at(pillar.box.min, out.v), at(pillar.box.max, out.v)}, {});
  }
}

// splitmix64: a small, fully specified generator, so levels are the same on
// every platform (the standard distributions are not).
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [lo, hi).
  double uniform(double lo, double hi) {
    return lo + (hi - lo) * (static_cast<double>(next() >> 11) * 0x1.0p-53);
  }

 private:
  std::uint64_t state_;
};

// Every coordinate of every box, per axis: the coarsest cuts that keep the
// faces free of T-junctions.
std::array<std::vector<double>, 3> boxCoordinates(const Layout& layout) {
  std::array<std::vector<double>, 3> cuts;
  auto add = [&cuts](const Bounds& box) {
    for (int axis = 0; axis < 3; ++axis) {
      cuts[static_cast<std::size_t>(axis)].push_back(at(box.min, axis));
      cuts[static_cast<std::size_t>(axis)].push_back(at(box.max, axis));
    }
  };
  for (const Bounds& room : layout.rooms) add(room);
  for (const Layout::Corridor& corridor : layout.corridors) add(corridor.box);
  for (auto& axisCuts : cuts) axisCuts = sortedUnique(std::move(axisCuts));
  return cuts;
}

// The pillars of `OpenLevelParams::pillars`, room by room. Coordinates are
// multiples of 1/64: exact as 32-bit floats below 2^18, far beyond any grid.
std::vector<Layout::Pillar> pillarsIn(const std::vector<Bounds>& rooms, std::uint64_t seed) {
  constexpr double kWallGap = 1.0;
  constexpr double kStep = 1.0 / 32.0;
  Random random(seed ^ 0x50494C4C4152ull);  // a stream apart from the room sizes'
  // Thickness 1/4 to 1/2 in sixteenths, and an offset of an odd number of
  // 1/64ths that leaves the pillar inside [lo, lo + length]. With lo a
  // multiple of 1/4, both faces land on odd multiples of 1/64.
  auto place = [&random](double lo, double length, double& from, double& to) {
    const double thickness = 0.25 + static_cast<double>(random.next() % 5) / 16.0;
    const auto steps = static_cast<std::uint64_t>((length - thickness - kStep) / kStep) + 1;
    from = lo + kStep / 2 + kStep * static_cast<double>(random.next() % steps);
    to = from + thickness;
  };
  std::vector<Layout::Pillar> pillars;
  for (const Bounds& room : rooms) {
    const int count = 1 + static_cast<int>(random.next() % 2);
    // Each pillar gets its own slice of the room along x, so they never
    // touch; rooms are at least 4 units wide, so a slice is at least 1.
    const double slice = (room.max.x - room.min.x - 2 * kWallGap) / count;
    for (int i = 0; i < count; ++i) {
      Layout::Pillar pillar{{{0, room.min.y - 0.5, 0}, {0, room.max.y + 0.5, 0}}, false};
      place(room.min.x + kWallGap + i * slice, slice, pillar.box.min.x, pillar.box.max.x);
      place(room.min.z + kWallGap, room.max.z - room.min.z - 2 * kWallGap, pillar.box.min.z, pillar.box.max.z);
      pillar.closed = random.next() % 2 == 0;
      pillars.push_back(pillar);
    }
  }
  return pillars;
}

// The mesh without a random `share` of its faces that do not point up;
// positions and normals no face uses any more are dropped.
Mesh withHoles(const Mesh& mesh, double share, std::uint64_t seed) {
  const Point3 up{0, 1, 0};
  std::vector<std::size_t> candidates;
  for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
    if (!samePoint(mesh.normals[static_cast<std::size_t>(mesh.faces[f].normals[0])], up)) candidates.push_back(f);
  }
  // The first `holes` of a partial Fisher-Yates shuffle.
  Random random(seed ^ 0x484F4C4553ull);  // a stream apart from the room sizes'
  const auto holes = static_cast<std::size_t>(std::llround(share * static_cast<double>(candidates.size())));
  std::vector<bool> removed(mesh.faces.size(), false);
  for (std::size_t k = 0; k < holes && k < candidates.size(); ++k) {
    const std::size_t pick = k + static_cast<std::size_t>(random.next() % (candidates.size() - k));
    std::swap(candidates[k], candidates[pick]);
    removed[candidates[k]] = true;
  }
  MeshBuilder builder;
  for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
    if (removed[f]) continue;
    const Mesh::Face& face = mesh.faces[f];
    auto corner = [&](std::size_t k) { return mesh.positions[static_cast<std::size_t>(face.positions[k])]; };
    const Point3& normal = mesh.normals[static_cast<std::size_t>(face.normals[0])];
    builder.face({corner(0), corner(1), corner(2)}, builder.normal(normal));
  }
  return builder.take();
}

bool isEmpty(const Bounds& box) { return !(box.min.x < box.max.x && box.min.y < box.max.y && box.min.z < box.max.z); }

// Appends to `out` the parts of `box` outside `cut` across x and z (its
// height is kept): up to four boxes, the strips beside `cut` along x whole,
// those before and after it along z between them.
void subtractAcross(const Bounds& box, const Bounds& cut, std::vector<Bounds>& out) {
  if (cut.max.x <= box.min.x || cut.min.x >= box.max.x || cut.max.z <= box.min.z || cut.min.z >= box.max.z) {
    out.push_back(box);
    return;
  }
  const double x0 = std::max(box.min.x, cut.min.x);
  const double x1 = std::min(box.max.x, cut.max.x);
  const Bounds pieces[] = {
      {box.min, {x0, box.max.y, box.max.z}},
      {{x1, box.min.y, box.min.z}, box.max},
      {{x0, box.min.y, box.min.z}, {x1, box.max.y, cut.min.z}},
      {{x0, box.min.y, cut.max.z}, {x1, box.max.y, box.max.z}},
  };
  for (const Bounds& piece : pieces) {
    if (!isEmpty(piece)) out.push_back(piece);
  }
}

}  // namespace

Layout roomsAndCorridors(const RoomsParams& params) {
  assert(params.rows >= 1 && params.cols >= 1 && params.subdivision >= 1);
  // Rooms sit in cells of kPitch x kPitch units; a room is 4 to 6 units wide
  // and deep (in half units) and 3 or 4 high, so 1 to 3 units are left for
  // each corridor.
  constexpr double kPitch = 7.0;
  constexpr double kDoorFrom = 1.0;  // doorways span 1..3 units into the cell
  constexpr double kDoorTo = 3.0;
  constexpr double kCorridorHeight = 2.0;
  Layout layout;
  Random random(params.seed);
  for (int r = 0; r < params.rows; ++r) {
    for (int c = 0; c < params.cols; ++c) {
      const double x0 = c * kPitch;
      const double z0 = r * kPitch;
      const double width = 4.0 + 0.5 * static_cast<double>(random.next() % 5);
      const double depth = 4.0 + 0.5 * static_cast<double>(random.next() % 5);
      const double height = 3.0 + static_cast<double>(random.next() % 2);
      layout.rooms.push_back({{x0, 0, z0}, {x0 + width, height, z0 + depth}});
    }
  }
  auto room = [&](int r, int c) -> const Bounds& {
    return layout.rooms[static_cast<std::size_t>(r * params.cols + c)];
  };
  for (int r = 0; r < params.rows; ++r) {
    for (int c = 0; c < params.cols; ++c) {
      const Bounds& here = room(r, c);
      if (c + 1 < params.cols) {
        layout.corridors.push_back({{{here.max.x, 0, here.min.z + kDoorFrom},
                                     {room(r, c + 1).min.x, kCorridorHeight, here.min.z + kDoorTo}},
                                    0});
      }
      if (r + 1 < params.rows) {
        layout.corridors.push_back({{{here.min.x + kDoorFrom, 0, here.max.z},
                                     {here.min.x + kDoorTo, kCorridorHeight, room(r + 1, c).min.z}},
                                    2});
      }
    }
  }
  // Every coordinate two faces share is a lattice line or a bound of both.
  layout.cellSize = 1.0 / params.subdivision;
  return layout;
}

RoomsParams roomsForSize(std::uint64_t triangles) {
  // About 250 triangles per room and its share of corridors.
  const double side = std::round(std::sqrt(static_cast<double>(triangles) / 250.0));
  RoomsParams params;
  params.rows = params.cols = std::max(1, static_cast<int>(side));
  return params;
}

Layout sampleLayout() {
  Layout layout;
  // A: the start room around the eye; B straight ahead through the corridor
  // in A's far wall; C to the right of A; D beyond C, joined to B as well.
  layout.rooms = {
      {{-4, -1, -3}, {1, 2, 3}},    // A
      {{-6, -1, -12}, {1, 2, -7}},  // B
      {{5, -1, -2}, {10, 2, 4}},    // C
      {{5, -1, -12}, {10, 2, -6}},  // D
  };
  // Corridors have a half-unit sill and stand lower than the rooms. Where a
  // doorway's ring overlaps, on one line, an edge cut from an earlier
  // portal, GLU (which has no combine callback) yields no portal for that
  // plane at all; with corridor floors flush with the room floors this
  // happens to the doorway ahead of the start eye.
  layout.corridors = {
      {{{-3, -0.5, -7}, {-1, 1.5, -3}}, 2},  // A - B, seen from the start eye
      {{{1, -0.5, 0}, {5, 1.5, 2}}, 0},      // A - C
      {{{7, -0.5, -6}, {9, 1.5, -2}}, 2},    // C - D
      {{{1, -0.5, -10}, {5, 1.5, -8}}, 0},   // B - D
  };
  layout.cuts = boxCoordinates(layout);
  return layout;
}

Mesh layoutMesh(const Layout& layout) {
  MeshBuilder builder;
  for (const Bounds& room : layout.rooms) {
    for (const Side& side : sidesOf(room)) {
      const bool ceiling = side.axis == 1 && side.coordinate == room.max.y;
      if (!ceiling || layout.roomCeilings) emitSide(builder, layout, room, side, true);
    }
  }
  // A corridor has no sides on the planes of its open ends.
  for (const Layout::Corridor& corridor : layout.corridors) {
    for (const Side& side : sidesOf(corridor.box)) {
      if (side.axis != corridor.axis) emitSide(builder, layout, corridor.box, side, false);
    }
  }
  for (const Layout::Pillar& pillar : layout.pillars) emitPillar(builder, pillar);
  return builder.take();
}

Layout openLayout(const OpenLevelParams& params) {
  Layout layout = roomsAndCorridors(params.rooms);
  layout.roomCeilings = params.ceilings;
  // 3/2 of a power-of-two fraction: exact, and a lattice that meets the
  // floor's only at every other wall line (every third floor line); coarser
  // rather than finer, so the level keeps about the closed one's size.
  if (params.seams) layout.wallCellSize = 1.5 * layout.cellSize;
  if (params.pillars) layout.pillars = pillarsIn(layout.rooms, params.rooms.seed);
  return layout;
}

Mesh openLevel(const OpenLevelParams& params) {
  Mesh mesh = layoutMesh(openLayout(params));
  if (params.holes > 0.0) mesh = withHoles(mesh, params.holes, params.rooms.seed);
  return mesh;
}

std::vector<Bounds> roomInteriors(const Layout& layout, double margin) {
  const Point3 inset{margin, margin, margin};
  std::vector<Bounds> interiors;
  for (const Bounds& room : layout.rooms) {
    std::vector<Bounds> pieces;
    const Bounds shrunk{room.min + inset, room.max - inset};
    if (!isEmpty(shrunk)) pieces.push_back(shrunk);
    for (const Layout::Pillar& pillar : layout.pillars) {
      const Bounds grown{{pillar.box.min.x - margin, pillar.box.min.y, pillar.box.min.z - margin},
                      {pillar.box.max.x + margin, pillar.box.max.y, pillar.box.max.z + margin}};
      std::vector<Bounds> rest;
      for (const Bounds& piece : pieces) subtractAcross(piece, grown, rest);
      pieces = std::move(rest);
    }
    interiors.insert(interiors.end(), pieces.begin(), pieces.end());
  }
  return interiors;
}

Point3 startShift(const Layout& layout) {
  constexpr double kStandMargin = 0.25;
  // The viewer's designed eye, and its height over the floor it stands on.
  const Point3 eye{-1.6, 0.2, 0.4};
  constexpr double kStandingHeight = 1.2;
  const Bounds& first = layout.rooms.front();
  std::optional<Bounds> widest;
  for (const Bounds& piece : roomInteriors(layout, kStandMargin)) {
    const bool inFirst = piece.min.x >= first.min.x && piece.max.x <= first.max.x && piece.min.z >= first.min.z &&
                         piece.max.z <= first.max.z && piece.min.y >= first.min.y && piece.max.y <= first.max.y;
    const auto width = [](const Bounds& b) { return std::min(b.max.x - b.min.x, b.max.z - b.min.z); };
    if (inFirst && (!widest || width(piece) > width(*widest))) widest = piece;
  }
  assert(widest);
  const auto sixtyFourths = [](double v) { return std::round(v * 64.0) / 64.0; };
  return {sixtyFourths(eye.x - 0.5 * (widest->min.x + widest->max.x)), eye.y - kStandingHeight - first.min.y,
          sixtyFourths(eye.z - 0.5 * (widest->min.z + widest->max.z))};
}

Mesh randomSoup(std::uint32_t count, std::uint64_t seed, double extent) {
  MeshBuilder builder;
  Random random(seed);
  const double reach = extent / 4.0;
  for (std::uint32_t t = 0; t < count; ++t) {
    const Point3 centre{random.uniform(-extent, extent), random.uniform(-extent, extent),
                        random.uniform(-extent, extent)};
    std::array<Point3, 3> corners;
    for (Point3& corner : corners) {
      corner = {asFloat(centre.x + random.uniform(-reach, reach)), asFloat(centre.y + random.uniform(-reach, reach)),
                asFloat(centre.z + random.uniform(-reach, reach))};
    }
    const Point3 n = triangleNormal(corners[0], corners[1], corners[2]);
    builder.face(corners, builder.normal({asFloat(n.x), asFloat(n.y), asFloat(n.z)}));
  }
  return builder.take();
}

Mesh deepLevel(std::uint32_t count) {
  // The lattice Z^2 under the form x^2 + xz + z^2 is the hexagonal lattice:
  // cutting each cell along its short diagonal, (i + 1, j) - (i, j + 1),
  // gives its Delaunay triangles, and lifted onto y = s (x^2 + xz + z^2)
  // every other lattice point lies strictly above each triangle's plane (by
  // s or more at the nearest apex: far beyond the plane tolerance).
  constexpr double kLift = 0.05;
  const int cells = std::max(1, static_cast<int>(std::ceil(std::sqrt(count / 2.0))));
  MeshBuilder builder;
  const std::int32_t down = builder.normal({0, -1, 0});
  auto point = [cells](int i, int j) {
    const double x = i - cells / 2.0;
    const double z = j - cells / 2.0;
    return Point3{x, asFloat(kLift * (x * x + x * z + z * z)), z};
  };
  for (int i = 0; i < cells; ++i) {
    for (int j = 0; j < cells; ++j) {
      // Counter-clockwise seen from below: the faces look out of the bowl.
      builder.face({point(i, j), point(i + 1, j), point(i, j + 1)}, down);
      builder.face({point(i + 1, j), point(i + 1, j + 1), point(i, j + 1)}, down);
    }
  }
  return builder.take();
}

Point3 placedPoint(const Point3& point, const Placement& placement) {
  const Point3 k = placement.axis.normalized();
  const double angle = placement.degrees * std::numbers::pi / 180.0;
  const double c = std::cos(angle);
  const double s = std::sin(angle);
  // The rows of the rotation matrix cos I + sin [k]x + (1 - cos) k k^T.
  const double t = 1.0 - c;
  const Point3 rows[3] = {{c + t * k.x * k.x, t * k.x * k.y - s * k.z, t * k.x * k.z + s * k.y},
                          {t * k.y * k.x + s * k.z, c + t * k.y * k.y, t * k.y * k.z - s * k.x},
                          {t * k.z * k.x - s * k.y, t * k.z * k.y + s * k.x, c + t * k.z * k.z}};
  return Point3{dot(rows[0], point), dot(rows[1], point), dot(rows[2], point)} + placement.shift;
}

Mesh placed(const Mesh& mesh, const Placement& placement) {
  const Placement turn{placement.axis, placement.degrees, {}};
  auto rounded = [](const Point3& p) { return Point3{asFloat(p.x), asFloat(p.y), asFloat(p.z)}; };
  Mesh out = mesh;
  for (Point3& p : out.positions) p = rounded(placedPoint(p, placement));
  for (Point3& n : out.normals) n = rounded(placedPoint(n, turn));
  return out;
}

void writeObj(std::ostream& out, const Mesh& mesh) {
  char line[128];
  out << "# portalwalk levelgen: " << mesh.positions.size() << " positions, " << mesh.faces.size()
      << " triangles\n";
  // Nine significant digits give every 32-bit float back exactly.
  for (const Point3& p : mesh.positions) {
    std::snprintf(line, sizeof line, "v %.9g %.9g %.9g\n", p.x, p.y, p.z);
    out << line;
  }
  for (const Point3& n : mesh.normals) {
    std::snprintf(line, sizeof line, "vn %.9g %.9g %.9g\n", n.x, n.y, n.z);
    out << line;
  }
  for (const Mesh::Face& face : mesh.faces) {
    out << 'f';
    for (int k = 0; k < 3; ++k) {
      out << ' ' << face.positions[static_cast<std::size_t>(k)] + 1 << "//"
          << face.normals[static_cast<std::size_t>(k)] + 1;
    }
    out << '\n';
  }
}

void appendToScene(const Mesh& mesh, Scene& scene) {
  const std::int32_t vertexBase = scene.vertexCount();
  const std::int32_t normalBase = scene.normalCount();
  for (const Point3& p : mesh.positions) scene.addVertex(p);
  for (const Point3& n : mesh.normals) scene.addNormal(n);
  for (const Mesh::Face& f : mesh.faces) {
    scene.addTriangle(vertexBase + f.positions[0], vertexBase + f.positions[1], vertexBase + f.positions[2],
                      normalBase + f.normals[0], normalBase + f.normals[1], normalBase + f.normals[2]);
  }
}

}  // namespace pw
