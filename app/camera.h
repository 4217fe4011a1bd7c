// The viewer's position and orientation, with every formula that changes it.
#pragma once

#include "scene/geometry.h"

namespace pw {

// All fields are 32-bit floats. Every operation computes in double and rounds
// to float only when it stores a field, so the order of each expression is
// part of the result: keep it as written.
//
// The translation (tx, ty, tz) is what the view transform adds to a scene
// point, so the eye sits at (-tx, -ty, -tz). Looking along -z at yaw = pitch
// = 0; increasing yaw turns right, positive pitch tilts the view down. No
// field is clamped or wrapped.
struct Camera {
  float tx = 1.6f;
  float ty = -0.2f;
  float tz = -0.4f;
  float yaw = 0.0f;    // degrees
  float pitch = 0.0f;  // degrees
  float fieldOfView = 45.0f;  // vertical, degrees; never changes
  float aspect = 0.0f;        // client width / height, set by every resize

  // Per-frame steps of the arrow keys. Forward and backward follow the view
  // direction projected by cos(pitch); strafing ignores pitch. ty never
  // changes here.
  void moveForward();
  void moveBackward();
  void strafeLeft();
  void strafeRight();
  // Mouse look: dx, dy are the pointer's offset from the recentring point;
  // eight pixels make one degree, and moving down tilts the view up.
  void turn(int dx, int dy);
  // One scene unit along the full view direction; b is +1 (wheel forward) or
  // -1.
  void wheelStep(int b);

  // (-tx, -ty, -tz) widened exactly.
  Point3 eye() const { return {-static_cast<double>(tx), -static_cast<double>(ty), -static_cast<double>(tz)}; }
};

// a degrees in radians as the movement formulas see it: a x (1/360 in single
// precision) x 6.28 (a double, not 2 pi), in double. The view transform hands
// the angles to GL in degrees, so the two differ slightly; that difference is
// intended.
double toRadians(float a);

}  // namespace pw
