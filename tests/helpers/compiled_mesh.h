// A generated or hand-made mesh compiled as the programs compile a level
// read from disk (through its OBJ text), without the logs: the tree alone, or
// the whole pipeline with the phases a request asks for.
#pragma once

#include <memory>
#include <sstream>
#include <string>

#include "compile/build_level.h"
#include "scene/scene.h"
#include "tools/levelgen.h"

namespace pw::testing_support {

inline BuiltLevel buildMesh(Scene& scene, const Mesh& mesh, LevelRequest request) {
  std::ostringstream obj;
  writeObj(obj, mesh);
  const std::string text = obj.str();
  request.compile.levelText = text;
  request.compile.build.writeLogs = false;
  return buildLevel(scene, request);
}

inline std::unique_ptr<CompiledTree> compileMesh(Scene& scene, const Mesh& mesh) {
  return buildMesh(scene, mesh, {}).compiled;
}

}  // namespace pw::testing_support
