// Whether a point lies in an enclosed empty space of the level, told by
// sight lines cast from it in 14 directions (the axes and the diagonals):
// enclosed when each meets the front of a triangle first (the level's faces
// point into its rooms), in the void when one meets nothing, inside solid
// when one meets the back of a triangle first. A hole that no sight line
// goes through is not seen: this is a check of where a point stands, not of
// whether the level leaks (the leak search does that).
#pragma once

#include <optional>
#include <string>

#include "geometry/point3.h"

namespace pw {

class Scene;

enum class Surroundings { Enclosed, Void, Solid };

struct EnclosureProbe {
  Surroundings where = Surroundings::Void;
  // How far below the point the first triangle met straight down lies, when
  // it is a floor (its front faces up, no steeper than 45 degrees).
  std::optional<double> floorBelow;
  // The product of the distances met along the three axes both ways: how
  // much room the point has.
  double room = 0.0;
};

EnclosureProbe probeEnclosure(const Scene& scene, const Point3& point);

// A few words saying why a point is not enclosed ("a sight line from it
// meets nothing", ...).
std::string describe(Surroundings where);

// An eye `standingHeight` over a floor triangle's centre, among up to 64 of
// the level's floor triangles taken evenly through its list, that is
// enclosed and has the most room; none when no such eye is found.
std::optional<Point3> roomiestStand(const Scene& scene, double standingHeight);

}  // namespace pw
