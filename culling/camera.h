// The viewer's position and orientation: what the culling and the renderer
// read. The formulas that move it belong to the viewer's shell
// (camera_motion.h).
#pragma once

#include "geometry/point3.h"

namespace pw {

// All fields are 32-bit floats.
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

  // (-tx, -ty, -tz) widened exactly.
  Point3 eye() const { return {-static_cast<double>(tx), -static_cast<double>(ty), -static_cast<double>(tz)}; }
};

// The projection's near distance, 0.01 in single precision widened: nothing
// nearer than that in front of the eye is drawn.
inline constexpr double kNearPlane = static_cast<double>(0.01f);

}  // namespace pw
