// A generated level with levelgen's materials (--materials), written for a
// program to read or built here with its look beside the Scene.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "compile/build_level.h"
#include "scene/scene_look.h"
#include "tools/level_materials.h"
#include "tools/levelgen.h"

namespace pw::testing_support {

// `obj`, then its library (the same name with .mtl) and the images beside it.
inline void writeLevelWithMaterials(const std::filesystem::path& obj, const Mesh& mesh) {
  std::filesystem::path library = obj;
  library.replace_extension(".mtl");
  std::ofstream(obj) << [&] {
    std::ostringstream text;
    writeObjWithMaterials(text, mesh, library.filename().string());
    return text.str();
  }();
  std::string error;
  ASSERT_TRUE(writeMaterialFiles(library, error)) << error;
}

// The level at `obj` built, without logs, into `scene`, its look into `look`.
inline BuiltLevel buildWithLook(const std::filesystem::path& obj, Scene& scene, SceneLook& look) {
  LevelRequest request;
  request.compile.levelPath = obj;
  request.compile.build.writeLogs = false;
  request.compile.read.look = &look;
  return buildLevel(scene, request);
}

}  // namespace pw::testing_support
