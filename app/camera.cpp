#include "app/camera.h"

#include <cmath>

namespace pw {
namespace {

// 1/360 rounded to single precision (0.0027777778450399637), widened.
constexpr double kInverse360 = static_cast<double>(0.0027777778f);
// Not 2 pi: the movement formulas use this rounded double.
constexpr double kTwoPiApprox = 6.28;
// Forward and backward step per frame (a double) ...
constexpr double kWalkStep = 0.05;
// ... and the strafing step, 0.05 in single precision (0.05000000074505806).
constexpr double kStrafeStep = static_cast<double>(0.05f);
// Degrees of turn per pixel of pointer movement.
constexpr double kDegreesPerPixel = static_cast<double>(0.125f);

float stored(double value) { return static_cast<float>(value); }

}  // namespace

// Left to right: (a x 1/360) x 6.28.
double toRadians(float a) { return static_cast<double>(a) * kInverse360 * kTwoPiApprox; }

// Each product below is evaluated left to right, (sin w x cos p) x step.
void Camera::moveForward() {
  const double w = toRadians(yaw);
  const double p = toRadians(pitch);
  tx = stored(tx - std::sin(w) * std::cos(p) * kWalkStep);
  tz = stored(tz + std::cos(w) * std::cos(p) * kWalkStep);
}

void Camera::moveBackward() {
  const double w = toRadians(yaw);
  const double p = toRadians(pitch);
  tx = stored(tx + std::sin(w) * std::cos(p) * kWalkStep);
  tz = stored(tz - std::cos(w) * std::cos(p) * kWalkStep);
}

void Camera::strafeLeft() {
  const double w = toRadians(yaw);
  tx = stored(tx + std::cos(w) * kStrafeStep);
  tz = stored(tz + std::sin(w) * kStrafeStep);
}

void Camera::strafeRight() {
  const double w = toRadians(yaw);
  tx = stored(tx - std::cos(w) * kStrafeStep);
  tz = stored(tz - std::sin(w) * kStrafeStep);
}

void Camera::turn(int dx, int dy) {
  yaw = stored(yaw + dx * kDegreesPerPixel);
  pitch = stored(pitch - dy * kDegreesPerPixel);
}

// (b x sin w) x cos p, left to right.
void Camera::wheelStep(int b) {
  const double w = toRadians(yaw);
  const double p = toRadians(pitch);
  tx = stored(tx - b * std::sin(w) * std::cos(p));
  ty = stored(ty + b * std::sin(p));
  tz = stored(tz + b * std::cos(w) * std::cos(p));
}

}  // namespace pw
