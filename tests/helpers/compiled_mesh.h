// A generated or hand-made mesh compiled as the programs compile a level
// read from disk (through its OBJ text), without the logs: the tree alone, or
// the whole pipeline with the phases a request asks for.
#pragma once

#include <memory>
#include <sstream>
#include <string>

#include "compile/build_level.h"
#include "compile/level_compiler.h"
#include "scene/scene.h"
#include "tools/levelgen.h"

namespace pw::testing_support {

inline std::unique_ptr<CompiledTree> compileMesh(Scene& scene, const Mesh& mesh) {
  std::ostringstream obj;
  writeObj(obj, mesh);
  const std::string text = obj.str();
  CompileOptions options;
  options.levelText = text;
  options.build.writeLogs = false;
  return compileLevel(scene, options);
}

inline BuiltLevel buildMesh(Scene& scene, const Mesh& mesh, LevelRequest request) {
  std::ostringstream obj;
  writeObj(obj, mesh);
  const std::string text = obj.str();
  request.compile.levelText = text;
  request.compile.build.writeLogs = false;
  return buildLevel(scene, request);
}

}  // namespace pw::testing_support
