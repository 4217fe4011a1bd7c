// Every formula that moves the camera: the arrow keys' per-frame steps, mouse
// look and the wheel.
#pragma once

#include "culling/camera.h"

namespace pw {

// Every step computes in double and rounds to float only when it stores a
// field, so the order of each expression is part of the result: keep it as
// written.

// Per-frame steps of the arrow keys. Forward and backward follow the view
// direction projected by cos(pitch); strafing ignores pitch. ty never changes
// here.
void moveForward(Camera& camera);
void moveBackward(Camera& camera);
void strafeLeft(Camera& camera);
void strafeRight(Camera& camera);
// Frame-rate-free flying (without vertical sync): `distance` along the
// view's forward direction times `forward` (+1, 0, -1) and along its right
// times `right`, with the directions of the per-frame steps.
void flyBy(Camera& camera, int forward, int right, double distance);
// The level directions a walk takes at the camera's yaw, in the scene's
// axes: forward (sin w, 0, -cos w) and right (cos w, 0, sin w).
Point3 walkForward(const Camera& camera);
Point3 walkRight(const Camera& camera);
// Mouse look: dx, dy are the pointer's offset from the recentring point;
// eight pixels make one degree, and moving down tilts the view up.
void turn(Camera& camera, int dx, int dy);
// One scene unit along the full view direction; b is +1 (wheel forward) or
// -1.
void wheelStep(Camera& camera, int b);

// a degrees in radians as the movement formulas see it: a x (1/360 in single
// precision) x 6.28 (a double, not 2 pi), in double. The view transform hands
// the angles to GL in degrees, so the two differ slightly; that difference is
// intended.
double toRadians(float a);

}  // namespace pw
