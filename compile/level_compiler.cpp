#include "compile/level_compiler.h"

#include <memory>

#include "compile/tree_dump.h"
#include "scene/scene.h"
#include "support/stopwatch.h"

namespace pw {

std::vector<LogFailure> CompiledTree::logFailures() {
  const PhaseTimer timer(logCloseSeconds);
  if (dump != nullptr) dump->wait();
  std::vector<LogFailure> failures;
  if (builder != nullptr) failures = builder->closeLogs();
  if (dumpLog != nullptr && !dumpLog->close()) failures.push_back({dumpLog->path(), dumpLog->failure()});
  logWaitSeconds = (builder != nullptr ? builder->logWaitSeconds() : 0.0) +
                   (dumpLog != nullptr ? dumpLog->waitSeconds() : 0.0);
  if (dumpLog != nullptr) logsWholeSeconds = sinceBuilt.seconds();
  return failures;
}

std::unique_ptr<CompiledTree> compileLevel(Scene& scene, const CompileOptions& options) {
  auto level = std::make_unique<CompiledTree>();

  // The whole level is in the Scene before the first cutter is chosen.
  const Stopwatch loadTime;
  level->load = options.levelText ? readObjText(*options.levelText, scene, options.read)
                                   : ObjReader(options.levelPath, options.read).read(scene);
  level->loadSeconds = loadTime.seconds();
  level->edges = countMeshEdges(scene);

  // The builder opens "contours.log" as it is made. Its root list is every
  // triangle read, in ascending order, with no incoming portal. Flattening
  // must follow the whole build: fragments attached to early Spaces are still
  // split through their twins on the behind side later on.
  const Stopwatch buildTime;
  level->builder = std::make_unique<BspBuilder>(&scene, options.outputDir, options.build);
  level->builder->setProgress(options.progress);
  level->root = level->builder->build(scene.allTriangleIndices(), {});
  level->root->collectLeafFragments();
  level->buildSeconds = buildTime.seconds();
  level->sinceBuilt = Stopwatch();

  // The dump reads the finished, flattened tree, which nothing changes any
  // more; its writer stays open as long as the level is kept. A build
  // without logs does not walk the tree for it at all.
  if (!options.build.writeLogs) return level;
  level->dumpLog = std::make_unique<SceneLog>(options.outputDir / "out.log", &scene);
  level->dump = std::make_unique<SerialWorker>(true);
  level->dump->post([tree = level.get()] {
    const Stopwatch dumpTime;
    dumpTree(*tree->dumpLog, *tree->root);
    tree->dumpSeconds = dumpTime.seconds();
  });
  return level;
}

}  // namespace pw
