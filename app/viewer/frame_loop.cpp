#include "app/viewer/frame_loop.h"

#include "app/viewer/camera_motion.h"
#include "app/viewer/graphics.h"
#include "app/viewer/platform.h"
#include "app/viewer/shell_state.h"
#include "app/viewer/window.h"
#include "support/stopwatch.h"

#include <cmath>
#include <iostream>
#include <string>

namespace pw {
namespace {

// Flying without vertical sync goes this many units a second: the designed
// step, 0.05 a frame, at 60 frames a second.
constexpr double kFlySpeed = 3.0;

// +1 when only `plus` is held, -1 when only `minus` is.
int axis(const ShellState& shell, int plus, int minus) {
  return (shell.keyDown[static_cast<std::size_t>(plus)] ? 1 : 0) - (shell.keyDown[static_cast<std::size_t>(minus)] ? 1 : 0);
}

// The body moved by the held keys at the walking speed for `seconds`, and
// the camera put at its eye.
void walk(ShellState& shell, double seconds) {
  const Camera& camera = shell.camera;
  const Point3 wish = axis(shell, vk::kUp, vk::kDown) * walkForward(camera) +
                      axis(shell, vk::kRight, vk::kLeft) * walkRight(camera);
  const double length = std::sqrt(dot(wish, wish));
  const Point3 velocity = length > 0.0 ? (shell.body.walkSpeed / length) * wish : Point3{};
  const Stopwatch collision;
  walkFor(shell.scene, *shell.treeRoot, shell.body, shell.walk, velocity, seconds);
  shell.collisionSeconds.push_back(collision.seconds());
  placeCameraAtBody(shell);
}

// Walking, and flying without vertical sync, move by the frame's time; the
// designed flight moves per frame, each key on its own, in this order, so Up
// with Left steps forward first and then strafes.
void applyHeldKeys(ShellState& shell, double seconds) {
  if (shell.walking && shell.treeRoot != nullptr) {
    walk(shell, seconds);
  } else if (!shell.verticalSync) {
    flyBy(shell.camera, axis(shell, vk::kUp, vk::kDown), axis(shell, vk::kRight, vk::kLeft), kFlySpeed * seconds);
  } else {
    if (shell.keyDown[vk::kUp]) moveForward(shell.camera);
    if (shell.keyDown[vk::kDown]) moveBackward(shell.camera);
    if (shell.keyDown[vk::kLeft]) strafeLeft(shell.camera);
    if (shell.keyDown[vk::kRight]) strafeRight(shell.camera);
  }
}

// F12: the frame under the next free name, said on stdout.
void saveScreenshot(Graphics& graphics, const std::filesystem::path& folder) {
  const std::filesystem::path name = nextScreenshotName(folder);
  std::string error;
  if (writePng(name, graphics.captureFrame(), error)) {
    std::cout << "saved " << name.string() << std::endl;
  } else {
    std::cerr << "portalwalk: screenshot not saved: " << error << '\n';
  }
}

}  // namespace

void startWalking(ShellState& shell) {
  shell.walking = true;
  shell.walk = {.feet = shell.camera.eye() - Point3{0.0, shell.body.standingHeight, 0.0}};
}

void placeCameraAtBody(ShellState& shell) {
  const Point3 eye = shell.walk.feet + Point3{0.0, shell.body.standingHeight, 0.0};
  shell.camera.tx = static_cast<float>(-eye.x);
  shell.camera.ty = static_cast<float>(-eye.y);
  shell.camera.tz = static_cast<float>(-eye.z);
}

LoopEnd runFrameLoop(WindowLayer& window, Platform& platform, Graphics& graphics, ShellState& shell,
                     std::uint64_t frameLimit) {
  std::uint64_t framesDrawn = 0;
  double lastMotion = platform.seconds();
  bool scripted = false;  // this frame's scripted keys are handed over
  for (;;) {
    if (!scripted) {
      scripted = true;
      if (!shell.scriptedKeys.empty()) {
        for (const Message& message : shell.scriptedKeys.front()) window.windowProcedure(message);
        shell.scriptedKeys.pop_front();
      }
    }
    // Every waiting message is handled before the next frame.
    if (const auto message = platform.pollMessage()) {
      if (message->kind == Message::Kind::Quit) return LoopEnd::Quit;
      window.windowProcedure(*message);
      continue;
    }

    bool done = false;
    bool drawFailed = false;
    if (shell.windowActive) {
      drawFailed = !graphics.drawFrame(shell);
      ++framesDrawn;
      scripted = false;
      // Once per key-down message, from the back buffer before it is shown.
      if (shell.keyDown[vk::kF12]) {
        shell.keyDown[vk::kF12] = false;
        saveScreenshot(graphics, shell.screenshotFolder);
      }
    }
    // A frame that ends the loop by Esc is drawn and logged but never shown.
    // A minimised window still presents.
    if (drawFailed || shell.keyDown[vk::kEscape]) {
      done = true;
    } else {
      platform.present();
    }
    if (frameLimit != 0 && framesDrawn >= frameLimit) done = true;

    // Movement and F1 still apply in the frame that ends the loop.
    const double now = platform.seconds();
    applyHeldKeys(shell, shell.scriptedFrameSeconds > 0.0 ? shell.scriptedFrameSeconds : now - lastMotion);
    lastMotion = now;

    if (shell.keyDown[vk::kF1]) {
      // Once per key-down message: auto-repeat of a held F1 toggles again.
      shell.keyDown[vk::kF1] = false;
      // Destroyed before the flag flips, so a full-screen mode is restored.
      window.destroyWindow();
      shell.fullScreen = !shell.fullScreen;
      // The Scene, the tree and the camera survive; the new context gets the
      // same fixed state.
      if (!window.createWindow("Varno's Solid Object Tutorial", 640, 480, 16, shell.fullScreen)) {
        return LoopEnd::RecreateFailed;
      }
    }
    if (done) return LoopEnd::Done;
  }
}

}  // namespace pw
