#include "app/viewer/camera_motion.h"

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
void moveForward(Camera& camera) {
  const double w = toRadians(camera.yaw);
  const double p = toRadians(camera.pitch);
  camera.tx = stored(camera.tx - std::sin(w) * std::cos(p) * kWalkStep);
  camera.tz = stored(camera.tz + std::cos(w) * std::cos(p) * kWalkStep);
}

void moveBackward(Camera& camera) {
  const double w = toRadians(camera.yaw);
  const double p = toRadians(camera.pitch);
  camera.tx = stored(camera.tx + std::sin(w) * std::cos(p) * kWalkStep);
  camera.tz = stored(camera.tz - std::cos(w) * std::cos(p) * kWalkStep);
}

void strafeLeft(Camera& camera) {
  const double w = toRadians(camera.yaw);
  camera.tx = stored(camera.tx + std::cos(w) * kStrafeStep);
  camera.tz = stored(camera.tz + std::sin(w) * kStrafeStep);
}

void strafeRight(Camera& camera) {
  const double w = toRadians(camera.yaw);
  camera.tx = stored(camera.tx - std::cos(w) * kStrafeStep);
  camera.tz = stored(camera.tz - std::sin(w) * kStrafeStep);
}

void flyBy(Camera& camera, int forward, int right, double distance) {
  const double w = toRadians(camera.yaw);
  const double p = toRadians(camera.pitch);
  camera.tx = stored(camera.tx - std::sin(w) * std::cos(p) * (forward * distance) - std::cos(w) * (right * distance));
  camera.tz = stored(camera.tz + std::cos(w) * std::cos(p) * (forward * distance) - std::sin(w) * (right * distance));
}

Point3 walkForward(const Camera& camera) {
  const double w = toRadians(camera.yaw);
  return {std::sin(w), 0.0, -std::cos(w)};
}

Point3 walkRight(const Camera& camera) {
  const double w = toRadians(camera.yaw);
  return {std::cos(w), 0.0, std::sin(w)};
}

void turn(Camera& camera, int dx, int dy) {
  camera.yaw = stored(camera.yaw + dx * kDegreesPerPixel);
  camera.pitch = stored(camera.pitch - dy * kDegreesPerPixel);
}

// (b x sin w) x cos p, left to right.
void wheelStep(Camera& camera, int b) {
  const double w = toRadians(camera.yaw);
  const double p = toRadians(camera.pitch);
  camera.tx = stored(camera.tx - b * std::sin(w) * std::cos(p));
  camera.ty = stored(camera.ty + b * std::sin(p));
  camera.tz = stored(camera.tz + b * std::cos(w) * std::cos(p));
}

}  // namespace pw
