// A generated or hand-made mesh compiled as the programs compile a level
// read from disk (through its OBJ text), without the logs.
#pragma once

#include <memory>
#include <sstream>
#include <string>

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

}  // namespace pw::testing_support
