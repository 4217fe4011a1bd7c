// The state the start-up, the frame loop, the window procedure and the
// renderer share: one object, owned by the program's entry function and
// passed by reference.
#pragma once

#include <array>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <vector>

#include "app/viewer/platform.h"
#include "collision/body.h"
#include "collision/walker.h"
#include "culling/camera.h"
#include "culling/choose_spaces.h"
#include "render/view_mode.h"
#include "scene/level_look.h"
#include "scene/scene.h"

namespace pw {

struct BspNode;
struct OpenLinks;
struct SightGraph;
class VisibleSets;

// Win32 virtual-key codes: the index of `ShellState::keyDown`.
namespace vk {
inline constexpr int kEscape = 27;
inline constexpr int kLeft = 37;
inline constexpr int kUp = 38;
inline constexpr int kRight = 39;
inline constexpr int kDown = 40;
inline constexpr int kF1 = 112;
inline constexpr int kF2 = 113;
inline constexpr int kF3 = 114;
inline constexpr int kF4 = 115;
inline constexpr int kF5 = 116;
inline constexpr int kF6 = 117;
inline constexpr int kF12 = 123;
}  // namespace vk

struct ShellState {
  // True from a key's key-down message until its key-up.
  std::array<bool, 256> keyDown{};
  // False while the window is minimised; no frame is drawn then.
  bool windowActive = true;
  // Whether the next window creation asks for full-screen; creation may
  // clear it (windowed fallback).
  bool fullScreen = true;
  // Whether every context made asks for vertical sync. A walk step is a fixed
  // distance per frame, so the walking speed is the display's rate with it
  // and the frame rate without it.
  bool verticalSync = true;
  Camera camera;
  // "log.txt", one line per drawn frame; null until the start-up opens it.
  std::unique_ptr<std::ostream> frameLog;
  // Root of the finished tree; null until the build is done. Non-owning.
  const BspNode* treeRoot = nullptr;
  // How frames choose their Spaces, settled once the level is built; the
  // open links (non-owning) are set for Culling::Sound and, on an open
  // level, for Culling::Narrow, the regions with their sight passages for
  // Culling::Narrow.
  Culling culling = Culling::Designed;
  const OpenLinks* links = nullptr;
  const SightGraph* sightRegions = nullptr;
  // The visible sets read with --vis (non-owning); null: none.
  const VisibleSets* visibleSets = nullptr;
  // F2: outline the passages each frame's culling tested.
  bool outlinePassages = false;
  // F3: the camera as it was when the culling was frozen; while set, frames
  // choose their Spaces from it and are drawn from `camera`.
  std::optional<Camera> frozenCulling;
  // F4: how frames colour the Spaces (--look).
  ViewMode viewMode = ViewMode::Spaces;
  // F5: the readout line in the window's corner (--hud).
  bool readout = false;
  // F12 saves the frame in this folder; empty: the working directory.
  std::filesystem::path screenshotFolder;
  // F6: walk on the floors against the walls (true) or fly (the designed
  // motion). The body's figures follow the level's scale; `walk` holds the
  // body between frames.
  bool walking = false;
  Body body = bodyOfStandingHeight(kDesignedStandingHeight);
  WalkState walk;
  // The time each walking frame's collision took, in seconds (--stats).
  std::vector<double> collisionSeconds;
  // --keys: the messages handed to the window procedure before each frame,
  // ahead of the desktop's own.
  std::deque<std::vector<Message>> scriptedKeys;
  // When a key script drives the run, motion by time counts each frame as
  // this long (a 60 Hz frame), so that a script walks the same way on any
  // machine; 0: the frame's own time.
  double scriptedFrameSeconds = 0.0;
  // Filled by the reader and the build, read-only while frames run.
  Scene scene;
  // The level's texture coordinates and materials, read beside the Scene,
  // and the materials' images; read-only while frames run.
  SceneLook look;
  LevelLook levelLook;
};

}  // namespace pw
