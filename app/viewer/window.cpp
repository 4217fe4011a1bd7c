#include "app/viewer/window.h"

#include <cassert>

#include "app/viewer/camera_motion.h"
#include "app/viewer/frame_loop.h"

namespace pw {
namespace {

constexpr const char* kErrorCaption = "ERROR";
constexpr const char* kShutdownCaption = "SHUTDOWN ERROR";

// F2 to F6 act when pressed, not on auto-repeat: a held key toggles once.
void togglePressed(ShellState& shell, int key) {
  if (key == vk::kF4) shell.viewMode = nextViewMode(shell.viewMode);
  if (key == vk::kF5) shell.readout = !shell.readout;
  if (key == vk::kF2) shell.outlinePassages = !shell.outlinePassages;
  if (key == vk::kF3) shell.frozenCulling = shell.frozenCulling ? std::nullopt : std::optional(shell.camera);
  if (key == vk::kF6) {
    if (shell.walking) {
      shell.walking = false;
    } else {
      startWalking(shell);
    }
  }
}

}  // namespace

bool WindowLayer::createWindow(const std::string& title, int width, int height, int bits, bool fullScreenFlag) {
  shell_.fullScreen = fullScreenFlag;

  if (!platform_.registerWindowClass()) {
    // Nothing to tear down yet.
    platform_.showNotice("Failed To Register The Window Class.", kErrorCaption, BoxIcon::Exclamation);
    return false;
  }
  classRegistered_ = true;

  if (shell_.fullScreen && !platform_.changeDisplayMode(width, height, bits)) {
    const Answer answer = platform_.askYesNo(
        "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?",
        "Varno GL", BoxIcon::Exclamation);
    if (answer != Answer::Yes) {
      // The class stays registered and no mode was changed: nothing to undo.
      platform_.showNotice("Program Will Now Close.", kErrorCaption, BoxIcon::Stop);
      return false;
    }
    shell_.fullScreen = false;
  }
  if (shell_.fullScreen) platform_.showPointer(false);

  // Some systems (X11) fix a window's visual when they make it, so the window
  // is told the format it will get: the stored one, or the one stored next.
  const PixelFormat format = pixelFormat_.value_or(PixelFormat{.colorBits = bits, .depthBits = 16});
  if (!platform_.createWindow(title, width, height, shell_.fullScreen, format)) {
    return fail("Window Creation Error.");
  }
  windowCreated_ = true;
  if (!pixelFormat_) pixelFormat_ = format;
  if (!platform_.acquireDeviceContext()) return fail("Can't Create A GL Device Context.");
  deviceContext_ = true;
  if (!platform_.choosePixelFormat(*pixelFormat_)) return fail("Can't Find A Suitable PixelFormat.");
  if (!platform_.setPixelFormat(*pixelFormat_)) return fail("Can't Set The PixelFormat.");
  if (!platform_.createRenderContext()) return fail("Can't Create A GL Rendering Context.");
  renderContext_ = true;
  if (!platform_.makeCurrent()) return fail("Can't Activate The GL Rendering Context.");
  // Asked of each context, as a new one starts with the driver's interval.
  platform_.setVerticalSync(shell_.verticalSync);

  platform_.showWindow();
  // Size messages sent while the window was made may have come before the
  // context was current: set the view now.
  resizeView(width, height);
  if (!initRenderState()) return fail("Initialization Failed.");
  return true;
}

bool WindowLayer::fail(const char* text) {
  destroyWindow();
  platform_.showNotice(text, kErrorCaption, BoxIcon::Exclamation);
  return false;
}

void WindowLayer::reportShutdownError(const char* text) {
  platform_.showNotice(text, kShutdownCaption, BoxIcon::Information);
}

void WindowLayer::destroyWindow() {
  if (shell_.fullScreen) {
    platform_.restoreDisplayMode();
    platform_.showPointer(true);
  }
  if (renderContext_) {
    if (!platform_.releaseCurrent()) reportShutdownError("Release Of DC And RC Failed.");
    if (!platform_.deleteRenderContext()) reportShutdownError("Release Rendering Context Failed.");
    renderContext_ = false;
  }
  if (deviceContext_) {
    if (!platform_.releaseDeviceContext()) reportShutdownError("Release Device Context Failed.");
    deviceContext_ = false;
  }
  if (windowCreated_) {
    if (!platform_.destroyWindow()) reportShutdownError("Could Not Release hWnd.");
    windowCreated_ = false;
  }
  if (classRegistered_) {
    if (!platform_.unregisterWindowClass()) reportShutdownError("Could Not Unregister Class.");
    classRegistered_ = false;
  }
}

void WindowLayer::resizeView(int width, int height) {
  if (height == 0) height = 1;
  // Divided as floats, as the projection receives it.
  shell_.camera.aspect = static_cast<float>(width) / static_cast<float>(height);
  graphics_.setView(width, height, shell_.camera.fieldOfView, shell_.camera.aspect);
}

void WindowLayer::windowProcedure(const Message& message) {
  switch (message.kind) {
    case Message::Kind::Activate:
      // Deactivation without minimising keeps drawing.
      shell_.windowActive = !message.minimized;
      break;
    case Message::Kind::Close:
      platform_.postQuit(0);
      break;
    case Message::Kind::KeyDown:
    case Message::Kind::KeyUp: {
      assert(message.key >= 0 && message.key < static_cast<int>(shell_.keyDown.size()));
      bool& down = shell_.keyDown[static_cast<std::size_t>(message.key)];
      const bool pressed = message.kind == Message::Kind::KeyDown;
      if (pressed && !down) togglePressed(shell_, message.key);
      down = pressed;
      break;
    }
    case Message::Kind::Size:
      resizeView(message.x, message.y);
      break;
    case Message::Kind::MouseMove:
      // The recentring itself lands here: no turn and no further warp.
      if (message.x == kPointerHomeX && message.y == kPointerHomeY) break;
      // A signed difference: a pointer left of or above the window turns the
      // view by its real offset.
      turn(shell_.camera, message.x - kPointerHomeX, message.y - kPointerHomeY);
      platform_.warpPointer(kPointerHomeX, kPointerHomeY);
      break;
    case Message::Kind::MouseWheel:
      // Only the sign of the delta counts, not the size of the notch.
      wheelStep(shell_.camera, message.wheelDelta > 0 ? 1 : -1);
      break;
    case Message::Kind::Quit:
      break;
  }
}

}  // namespace pw
