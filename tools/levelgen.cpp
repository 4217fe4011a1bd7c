#include "tools/levelgen.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <map>

#include "scene/scene.h"

namespace pw {

namespace {

double& at(Point3& p, int axis) { return axis == 0 ? p.x : axis == 1 ? p.y : p.z; }
double at(const Point3& p, int axis) { return axis == 0 ? p.x : axis == 1 ? p.y : p.z; }

// Coordinates are stored as the 32-bit floats an OBJ file would give.
double asFloat(double value) { return static_cast<double>(static_cast<float>(value)); }

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
std::array<Side, 6> sidesOf(const Box& box) {
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
// layout's cuts and lattice lines inside, the face's bounds and `extra`
// (its doorways' bounds) when inside.
std::vector<double> faceCuts(const Layout& layout, int axis, double lo, double hi, const std::vector<double>& extra) {
  std::vector<double> cuts = {lo, hi};
  auto addInside = [&](double c) {
    if (c > lo && c < hi) cuts.push_back(c);
  };
  for (const double c : layout.cuts[static_cast<std::size_t>(axis)]) addInside(c);
  for (const double c : extra) addInside(c);
  if (layout.cellSize > 0.0) {
    for (double c = std::ceil(lo / layout.cellSize) * layout.cellSize; c < hi; c += layout.cellSize) addInside(c);
  }
  return sortedUnique(std::move(cuts));
}

bool insideRectangle(const Point3& p, const Box& box, int u, int v) {
  return at(p, u) > at(box.min, u) && at(p, u) < at(box.max, u) && at(p, v) > at(box.min, v) &&
         at(p, v) < at(box.max, v);
}

// The cells of one side, two triangles each, leaving out the cells inside a
// doorway (a corridor end lying on this side's plane).
void emitSide(MeshBuilder& builder, const Layout& layout, const Box& box, const Side& side, bool withDoorways) {
  std::vector<const Box*> doorways;
  std::vector<double> doorwayU, doorwayV;
  for (const Layout::Corridor& corridor : layout.corridors) {
    if (withDoorways && corridor.axis == side.axis &&
        (at(corridor.box.min, side.axis) == side.coordinate || at(corridor.box.max, side.axis) == side.coordinate)) {
      doorways.push_back(&corridor.box);
      doorwayU.insert(doorwayU.end(), {at(corridor.box.min, side.u), at(corridor.box.max, side.u)});
      doorwayV.insert(doorwayV.end(), {at(corridor.box.min, side.v), at(corridor.box.max, side.v)});
    }
  }
  const std::vector<double> us = faceCuts(layout, side.u, at(box.min, side.u), at(box.max, side.u), doorwayU);
  const std::vector<double> vs = faceCuts(layout, side.v, at(box.min, side.v), at(box.max, side.v), doorwayV);
  const std::int32_t normal = builder.normal(side.inward);
  auto point = [&side](double u, double v) {
    Point3 p;
    at(p, side.axis) = side.coordinate;
    at(p, side.u) = u;
    at(p, side.v) = v;
    return p;
  };
  for (std::size_t i = 0; i + 1 < us.size(); ++i) {
    for (std::size_t j = 0; j + 1 < vs.size(); ++j) {
      const Point3 centre = point((us[i] + us[i + 1]) / 2, (vs[j] + vs[j + 1]) / 2);
      if (std::any_of(doorways.begin(), doorways.end(),
                      [&](const Box* doorway) { return insideRectangle(centre, *doorway, side.u, side.v); })) {
        continue;
      }
      const Point3 p00 = point(us[i], vs[j]);
      const Point3 p10 = point(us[i + 1], vs[j]);
      const Point3 p11 = point(us[i + 1], vs[j + 1]);
      const Point3 p01 = point(us[i], vs[j + 1]);
      // Counter-clockwise seen from the side u x v points to.
      builder.face({p00, p10, p11}, normal);
      builder.face({p00, p11, p01}, normal);
    }
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
  auto add = [&cuts](const Box& box) {
    for (int axis = 0; axis < 3; ++axis) {
      cuts[static_cast<std::size_t>(axis)].push_back(at(box.min, axis));
      cuts[static_cast<std::size_t>(axis)].push_back(at(box.max, axis));
    }
  };
  for (const Box& room : layout.rooms) add(room);
  for (const Layout::Corridor& corridor : layout.corridors) add(corridor.box);
  for (auto& axisCuts : cuts) axisCuts = sortedUnique(std::move(axisCuts));
  return cuts;
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
  auto room = [&](int r, int c) -> const Box& {
    return layout.rooms[static_cast<std::size_t>(r * params.cols + c)];
  };
  for (int r = 0; r < params.rows; ++r) {
    for (int c = 0; c < params.cols; ++c) {
      const Box& here = room(r, c);
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
  for (const Box& room : layout.rooms) {
    for (const Side& side : sidesOf(room)) emitSide(builder, layout, room, side, true);
  }
  // A corridor has no sides on the planes of its open ends.
  for (const Layout::Corridor& corridor : layout.corridors) {
    for (const Side& side : sidesOf(corridor.box)) {
      if (side.axis != corridor.axis) emitSide(builder, layout, corridor.box, side, false);
    }
  }
  return builder.take();
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
    const Point3 n = cross(corners[1] - corners[0], corners[2] - corners[0]).normalized();
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
