// The walking body's shape and motion figures, all proportional to its
// standing height (the eye's height over the floor). The proportions are
// those of a first-person game's player (radius 0.3, top 1.12 standing
// heights), with a step of 0.45 so that the bundled level's half-unit sills
// are climbed; a walkable slope of at most 45 degrees.
#pragma once

namespace pw {

// The bundled level's eye stands 1.2 units over its floor (eye 0.2, the start
// room's floor -1); imported levels (with a start-points file) are scaled so that it
// stands 1.7 units over theirs.
inline constexpr double kDesignedStandingHeight = 1.2;
inline constexpr double kImportedStandingHeight = 1.7;

struct Body {
  double standingHeight;  // eye over the feet
  double radius;          // of the column of spheres
  double height;          // top of the body over the feet
  double stepHeight;      // the highest step climbed without stopping
  double maxSlopeDegrees;  // the steepest floor stood and walked on
  double walkSpeed;       // units per second
  double gravity;         // units per second squared
};

inline Body bodyOfStandingHeight(double standing) {
  return {.standingHeight = standing,
          .radius = 0.3 * standing,
          .height = 1.12 * standing,
          .stepHeight = 0.45 * standing,
          .maxSlopeDegrees = 45.0,
          .walkSpeed = 2.5 * standing,  // 3 units a second on the bundled level
          .gravity = 16.0 * standing};
}

}  // namespace pw
