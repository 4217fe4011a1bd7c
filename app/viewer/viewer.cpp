#include "app/viewer/viewer.h"

#include <exception>
#include <fstream>
#include <iostream>
#include <locale>
#include <optional>
#include <string>

#include "app/viewer/frame_loop.h"
#include "app/viewer/platform.h"
#include "app/viewer/shell_state.h"
#include "app/viewer/start_place.h"
#include "app/viewer/window.h"
#include "compile/vis_file.h"

namespace pw {

namespace {

// The visible sets frames are limited by: those of --vis, or for `auto` those
// beside a level named on the command line (see ViewerOptions).
std::optional<VisibleSets> loadVisibleSets(const ViewerOptions& options, const Scene& scene, const BspNode& root) {
  std::filesystem::path path = options.visPath;
  const bool beside = path.empty() && options.visBesideLevel && !options.culling;
  if (beside) {
    path = options.levelPath.parent_path() / kVisFileName;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  }
  if (path.empty()) return std::nullopt;
  std::string error;
  std::optional<VisibleSets> sets = readVisFile(path, visFingerprint(scene, root), error);
  if (!sets) {
    std::cerr << "portalwalk: cannot use " << path.string() << ": " << error << "; drawing without visible sets\n";
    return std::nullopt;
  }
  if (sets->making.sealed) {
    if (beside) {
      std::cerr << "portalwalk: not using the visible sets in " << path.string()
                << ": they take the void around the level as opaque (portalbuild --seal), so what its holes show "
                   "may be left out; give --vis to use them\n";
      return std::nullopt;
    }
    std::cerr << "portalwalk: the visible sets in " << path.string()
              << " take the void around the level as opaque (portalbuild --seal): what its holes show may be "
                 "left out\n";
  } else if (beside) {
    std::cerr << "portalwalk: culling with the visible sets in " << path.string() << ", made for this build\n";
  }
  return sets;
}

}  // namespace

int runViewer(Platform& platform, Graphics& graphics, ShellState& shell, const ViewerOptions& options,
              const LevelCompiler& compile) {
  // Before any window exists, so this is a screen position; the window
  // procedure recentres to the same point in client coordinates.
  platform.warpPointer(kPointerHomeX, kPointerHomeY);
  shell.camera = options.startCamera;
  shell.verticalSync = options.verticalSync;
  shell.outlinePassages = options.outlinePassages;
  shell.viewMode = options.look;
  shell.readout = options.readout;

  if (options.fullScreen) {
    shell.fullScreen = *options.fullScreen;
  } else {
    // Only an explicit No means windowed; a box that could not be shown
    // leaves full screen.
    shell.fullScreen = platform.askYesNo("Would You Like To Run In Fullscreen Mode?", "Start FullScreen?",
                                         BoxIcon::Question) != Answer::No;
  }

  WindowLayer window(platform, graphics, shell);
  // The failing step has shown its box; nothing else exists yet, not even
  // "log.txt".
  if (!window.createWindow("BSP", 1024, 768, 32, shell.fullScreen)) {
    return options.unattended ? kExitFailure : kExitSuccess;
  }

  auto frameLog = std::make_unique<std::ofstream>(options.outputDir / "log.txt", std::ios::out | std::ios::trunc);
  frameLog->imbue(std::locale::classic());
  shell.frameLog = std::move(frameLog);

  BuiltLevel level;
  std::optional<VisibleSets> visibleSets;
  try {
    // Reader, builder, build, flattening and dump, then what the culling
    // needs: the tree is complete and on disk before the first frame. With no
    // culling asked for, an open level is culled through the cells' open
    // links.
    LevelRequest request;
    request.compile.levelPath = options.levelPath;
    request.compile.outputDir = options.logDir.value_or(options.outputDir);
    request.compile.read = options.read;
    request.compile.read.look = &shell.look;
    // Narrowed culling falls back on the portal traversal, sound through
    // the open links on an open level.
    request.links = !options.culling || *options.culling == Culling::Narrow ? PhaseWanted::IfOpen
                    : *options.culling == Culling::Sound                    ? PhaseWanted::Always
                                                                            : PhaseWanted::Never;
    request.sightRegions = options.culling == Culling::Narrow;
    level = buildLevel(shell.scene, request, compile);
    shell.treeRoot = level.compiled->root;
    // Images are decoded now, so that F4 switches to textured at once.
    shell.levelLook = loadLevelLook(shell.look, options.levelPath.parent_path(), true);
    if (shell.levelLook.report.any()) std::cout << shell.levelLook.report.summary() << std::endl;
    if (level.compiled->load.ok() && level.compiled->load.trianglesAdded == 0) {
      std::cerr << "portalwalk: " << options.levelPath.string()
                << " holds no triangle that could be read: there is nothing to draw\n";
    }
    for (const LogFailure& failure : level.logFailures) {
      std::cerr << "portalwalk: cannot write " << failure.file.string() << ": " << failure.reason << '\n';
    }
    shell.culling = options.culling.value_or(Culling::Designed);
    if (!options.culling && !level.openness.designHolds()) {
      shell.culling = Culling::Sound;
      std::cerr << "open level: " << level.openness.describe()
                << "; culling through cell faces so that nothing in view is hidden\n";
    }
    if (level.linksFound && shell.treeRoot != nullptr) shell.links = &level.links;
    if (shell.culling == Culling::Narrow && shell.treeRoot != nullptr) shell.sightRegions = &level.sight;
    if (shell.treeRoot != nullptr) visibleSets = loadVisibleSets(options, shell.scene, *shell.treeRoot);
    if (visibleSets) shell.visibleSets = &*visibleSets;
    const StartPlace start = chooseStartPlace(shell.scene, options.levelPath, options.startCamera, options.eyeGiven);
    // The pose only: the window has set the aspect already.
    shell.camera.tx = start.camera.tx;
    shell.camera.ty = start.camera.ty;
    shell.camera.tz = start.camera.tz;
    shell.camera.yaw = start.camera.yaw;
    shell.body = start.body;
    if (!start.note.empty()) std::cout << start.note << std::endl;
    if (!start.warning.empty()) std::cerr << start.warning << '\n';
  } catch (const std::exception& error) {
    // A dependency failed (GLU gave no tessellator). Close what is open, take
    // the window down so that the box is seen on the desktop, then report
    // (the platform also writes it to stderr).
    shell.frameLog.reset();
    window.destroyWindow();
    platform.showNotice(error.what(), "ERROR", BoxIcon::Stop);
    return kExitFailure;
  }

  shell.scriptedKeys = options.keys;
  if (!options.keys.empty()) shell.scriptedFrameSeconds = 1.0 / 60.0;
  if (options.walk) startWalking(shell);
  const LoopEnd end = runFrameLoop(window, platform, graphics, shell, options.frameLimit);

  // Exit order: the frame log, the window (unless its re-creation failed and
  // took it down already), then the dump writer and the builder.
  shell.frameLog.reset();
  if (end != LoopEnd::RecreateFailed) window.destroyWindow();
  level.compiled.reset();
  shell.treeRoot = nullptr;
  shell.links = nullptr;
  shell.sightRegions = nullptr;
  shell.visibleSets = nullptr;
  return kExitSuccess;
}

}  // namespace pw
