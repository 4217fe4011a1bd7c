// Viewer poses for property tests and benchmarks of the culling: random ones
// standing in a room's free interior, and a real level's player starts.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "culling/camera.h"
#include "tools/levelgen.h"

namespace pw {

// Position uniform in a box picked at random, yaw 0..360, pitch within
// +-`maxPitch` degrees, aspect 4/3.
inline Camera randomPose(std::mt19937& random, const std::vector<Bounds>& boxes, double maxPitch) {
  const Bounds& box = boxes[std::uniform_int_distribution<std::size_t>(0, boxes.size() - 1)(random)];
  const auto within = [&random](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random); };
  Camera camera;
  camera.tx = static_cast<float>(-within(box.min.x, box.max.x));
  camera.ty = static_cast<float>(-within(box.min.y, box.max.y));
  camera.tz = static_cast<float>(-within(box.min.z, box.max.z));
  camera.yaw = static_cast<float>(within(0.0, 360.0));
  camera.pitch = static_cast<float>(within(-maxPitch, maxPitch));
  camera.aspect = 4.0f / 3.0f;
  return camera;
}

// The player starts of a levelimport ".starts" file ("x y z yaw share"
// lines: the eye in the level's axes, the viewer's yaw) as poses, aspect 4/3.
inline std::vector<Camera> readStartPoses(const std::filesystem::path& file) {
  std::ifstream starts(file);
  std::vector<Camera> poses;
  for (double x, y, z, yaw, share; starts >> x >> y >> z >> yaw >> share;) {
    Camera camera;
    camera.tx = static_cast<float>(-x);
    camera.ty = static_cast<float>(-y);
    camera.tz = static_cast<float>(-z);
    camera.yaw = static_cast<float>(yaw);
    camera.aspect = 4.0f / 3.0f;
    poses.push_back(camera);
  }
  return poses;
}

}  // namespace pw
