// The compile pipeline shared by the viewer's start-up and `portalbuild`:
// read the level into the Scene, build the tree, flatten the Spaces' portal
// lists and dump the tree.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "bsp/bsp_builder.h"
#include "diag/scene_log.h"
#include "scene/mesh_edges.h"
#include "scene/obj_reader.h"
#include "support/serial_worker.h"
#include "support/stopwatch.h"

namespace pw {

class Scene;

// Everything the finished tree needs, destroyed in the order dump, dump
// writer, builder (which owns the nodes and fragments): keep it alive while
// the tree is used.
struct CompiledTree {
  ObjReadReport load;
  // The mesh as read, before the build cut it: its holes and seams.
  MeshEdges edges;
  std::unique_ptr<BspBuilder> builder;
  BspNode* root = nullptr;
  // "out.log", open until `logFailures` or destruction; null without logs.
  std::unique_ptr<SceneLog> dumpLog;
  // Walks the finished tree into "out.log" on a thread of its own, so that
  // whatever reads the tree next runs beside the writing; null without logs.
  std::unique_ptr<SerialWorker> dump;
  double loadSeconds = 0.0;
  double buildSeconds = 0.0;
  double dumpSeconds = 0.0;  // 0 without logs; known once the logs are closed
  // Waited for the three logs' writer threads, up to the last `logFailures`.
  double logWaitSeconds = 0.0;
  // Spent in `logFailures`: waiting for the dump and the writers until the
  // three logs were whole on disk.
  double logCloseSeconds = 0.0;
  // From the end of the build until the three logs were whole on disk, at
  // the last `logFailures`: the dump beside what the caller did meanwhile,
  // then the closing. 0 without logs.
  double logsWholeSeconds = 0.0;
  // Since the end of the build (and the flattening).
  Stopwatch sinceBuilt;

  // Waits for the dump, closes the three logs ("contours.log", "tris.log",
  // then "out.log") and lists those that did not receive everything written
  // to them, each with the first failure's reason: empty when all three are
  // whole on disk (a "tris.log" that no portal creation opened is not a
  // failure). The tree stays usable; calling it again gives the same list.
  // Rethrows what the dump threw.
  std::vector<LogFailure> logFailures();

  ~CompiledTree() {
    dump.reset();
    dumpLog.reset();
    builder.reset();
  }
};

struct CompileOptions {
  std::filesystem::path levelPath = "folyosos.obj";
  // When set, the level is read from this text instead of `levelPath` (tests
  // and fuzzing); it is only read during `compileLevel`.
  std::optional<std::string_view> levelText;
  // Where "contours.log", "tris.log" and "out.log" go; empty: working directory.
  std::filesystem::path outputDir;
  // How faces with more than three corners are read.
  ObjReadOptions read;
  std::function<void(std::uint64_t settled)> progress;
  // Which build, on how many threads, and whether the three logs are written
  // (`writeLogs`, which also covers "out.log"); every choice gives the same
  // tree.
  TreeOptions build;
};

// Reads, builds, flattens and starts the dump (unless the logs are off), in
// that order; the dump goes on while the caller reads the tree, until
// `logFailures`. Throws what the build throws (the tessellator error).
std::unique_ptr<CompiledTree> compileLevel(Scene& scene, const CompileOptions& options);

}  // namespace pw
