// Shared pieces of the BSP tests: triangles written by hand into a Scene,
// moved meshes, whole builds dumped as the start-up does, and running code on
// a thread with a small stack (the scratch folder comes from tests/helpers).
#pragma once

#include <gtest/gtest.h>
#include <pthread.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

#include "bsp/bsp_builder.h"
#include "compile/tree_dump.h"
#include "diag/scene_log.h"
#include "scene/scene.h"
#include "tests/helpers/same_bits.h"
#include "tests/helpers/scratch_dir.h"
#include "tools/levelgen.h"

namespace pw::testing_support {

// Appends the triangle (corner, corner + e1, corner + e2) with its own three
// vertices; its plane normal is normalized(e1 x e2), its front the side e1 x e2
// points to. Every corner gets the normal index 0 (added if missing).
inline std::int32_t addFacing(Scene& scene, const Point3& corner, const Point3& e1, const Point3& e2) {
  if (scene.normalCount() == 0) scene.addNormal({0, 0, 1});
  const std::int32_t a = scene.addVertex(corner);
  const std::int32_t b = scene.addVertex(corner + e1);
  const std::int32_t c = scene.addVertex(corner + e2);
  return scene.addTriangle(a, b, c, 0, 0, 0);
}

// Appends the triangle (a, b, c) with its own three vertices.
inline std::int32_t addCorners(Scene& scene, const Point3& a, const Point3& b, const Point3& c) {
  return addFacing(scene, a, b - a, c - a);
}

// The mesh turned by `yaw` about y and `pitch` about x, then moved by
// `offset`, with coordinates rounded to 32-bit floats as an OBJ file holds them.
inline Mesh moved(const Mesh& mesh, double yaw, double pitch, const Point3& offset) {
  Mesh out = mesh;
  for (Point3& p : out.positions) {
    const Point3 a{std::cos(yaw) * p.x + std::sin(yaw) * p.z, p.y, -std::sin(yaw) * p.x + std::cos(yaw) * p.z};
    const Point3 b{a.x, std::cos(pitch) * a.y - std::sin(pitch) * a.z, std::sin(pitch) * a.y + std::cos(pitch) * a.z};
    p = {static_cast<float>(b.x + offset.x), static_cast<float>(b.y + offset.y), static_cast<float>(b.z + offset.z)};
  }
  return out;
}

// Builds, flattens and dumps the whole Scene into `dir` ("out.log",
// "contours.log", "tris.log"), as the start-up does; returns the figures.
inline BuildStats buildAndDump(Scene& scene, const std::filesystem::path& dir, TreeOptions options = {}) {
  BspBuilder builder(&scene, dir, options);
  BspNode* root = builder.build(scene.allTriangleIndices(), {});
  root->collectLeafFragments();
  SceneLog log(dir / "out.log", &scene);
  dumpTree(log, *root);
  return builder.stats();
}

// Runs `work` on a thread whose stack is only `stackBytes` big: code that
// recursed once per tree level would overflow it on a deep tree.
inline void runOnSmallStack(std::size_t stackBytes, const std::function<void()>& work) {
  pthread_attr_t attributes;
  ASSERT_EQ(pthread_attr_init(&attributes), 0);
  ASSERT_EQ(pthread_attr_setstacksize(&attributes, stackBytes), 0);
  pthread_t thread;
  auto run = [](void* argument) -> void* {
    (*static_cast<const std::function<void()>*>(argument))();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attributes, run, const_cast<std::function<void()>*>(&work)), 0);
  ASSERT_EQ(pthread_join(thread, nullptr), 0);
  pthread_attr_destroy(&attributes);
}

}  // namespace pw::testing_support
