#include "app/viewer/frame_loop.h"

#include "app/viewer/camera_motion.h"
#include "app/viewer/graphics.h"
#include "app/viewer/platform.h"
#include "app/viewer/shell_state.h"
#include "app/viewer/window.h"

namespace pw {
namespace {

// Movement is per frame, without time scaling; each key acts on its own, in
// this order, so Up with Left steps forward first and then strafes.
void applyHeldKeys(ShellState& shell) {
  if (shell.keyDown[vk::kUp]) moveForward(shell.camera);
  if (shell.keyDown[vk::kDown]) moveBackward(shell.camera);
  if (shell.keyDown[vk::kLeft]) strafeLeft(shell.camera);
  if (shell.keyDown[vk::kRight]) strafeRight(shell.camera);
}

}  // namespace

LoopEnd runFrameLoop(WindowLayer& window, Platform& platform, Graphics& graphics, ShellState& shell,
                     std::uint64_t frameLimit) {
  std::uint64_t framesDrawn = 0;
  for (;;) {
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
    applyHeldKeys(shell);

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
