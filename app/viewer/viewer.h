// The viewer's control flow above the window procedure: start-up in a fixed
// order, the frame loop, and teardown in a fixed order.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include "app/viewer/key_script.h"
#include "compile/build_level.h"
#include "culling/camera.h"
#include "culling/choose_spaces.h"
#include "render/view_mode.h"
#include "support/exit_codes.h"

namespace pw {

class Graphics;
class Platform;
struct ShellState;

struct ViewerOptions {
  std::filesystem::path levelPath = "folyosos.obj";
  // Where "log.txt", "out.log", "contours.log" and "tris.log" go; empty: the
  // working directory.
  std::filesystem::path outputDir;
  // Where the three build logs go instead (--logs), an existing folder; a log
  // that cannot be opened there is reported and the viewer runs.
  std::optional<std::filesystem::path> logDir;
  // The answer to the full-screen question; unset: ask it.
  std::optional<bool> fullScreen;
  // Ask every context for vertical sync; false (benchmarks) asks for none,
  // so that the frame rate is not capped.
  bool verticalSync = true;
  // End after this many drawn frames; 0: run until closed or Esc.
  std::uint64_t frameLimit = 0;
  // The camera's start values (the designed start pose unless changed).
  Camera startCamera;
  // --eye set the start eye: it is kept even where it is not enclosed.
  bool eyeGiven = false;
  // Start walking (--walk) instead of flying; F6 toggles.
  bool walk = false;
  // --keys: the messages handed over before each frame.
  KeyScript keys;
  // How frames choose their Spaces; unset (auto): as designed where the
  // level is closed, through the cells' open links where it is not.
  std::optional<Culling> culling;
  // The visible sets portalbuild --vis wrote for this level; empty: none.
  // A file that cannot be used is reported and frames are drawn without it.
  std::filesystem::path visPath;
  // A level was named: without --vis and --culling, the sets in the level's
  // folder ("visible.pvs") are used when made for this build and not sealed
  // (sealed sets may leave out what a hole shows). Never with no arguments,
  // which run the viewer exactly as it always ran.
  bool visBesideLevel = false;
  // Start with the passage outlines on (F2 toggles them).
  bool outlinePassages = false;
  // The first frame's view mode (F4 cycles them) and readout (F5).
  ViewMode look = ViewMode::Spaces;
  bool readout = false;
  // How faces with more than three corners are read.
  ObjReadOptions read;
  // Nobody is there to read a box (a frame limit, or standard input is no
  // terminal): a failure that ends the program is an exit code, not 0.
  bool unattended = false;
};

// Runs the viewer on a fresh `shell` and returns the exit code: 0 after the
// window was closed, after Esc, after the frame limit and after a failed
// window creation (its box has been shown; 1 when unattended); 1 when
// building the level threw (the tessellator error, or memory ran out), after
// the window has been torn down and the message shown in a box captioned
// "ERROR".
int runViewer(Platform& platform, Graphics& graphics, ShellState& shell, const ViewerOptions& options,
              const LevelCompiler& compile);

}  // namespace pw
