// The program's one window with its OpenGL context: creation and teardown in
// a fixed order with a fixed text for every failure, the view of the client
// area, and the window procedure that turns messages into shell state.
#pragma once

#include <optional>
#include <string>

#include "app/viewer/graphics.h"
#include "app/viewer/platform.h"
#include "app/viewer/shell_state.h"

namespace pw {

// The point the pointer is brought back to after every mouse-look move, in
// client coordinates.
inline constexpr int kPointerHomeX = 320;
inline constexpr int kPointerHomeY = 240;

class WindowLayer {
 public:
  WindowLayer(Platform& platform, Graphics& graphics, ShellState& shell)
      : platform_(platform), graphics_(graphics), shell_(shell) {}
  WindowLayer(const WindowLayer&) = delete;
  WindowLayer& operator=(const WindowLayer&) = delete;

  // True when the window is shown and its context current, with vertical
  // sync asked as `shell.verticalSync` says and the fixed render state. On
  // failure the reason has been shown in a box (caption "ERROR"), whatever
  // was made has been torn down (except after a failed class registration or
  // a refused windowed fallback), and false returns.
  // Sets `shell.fullScreen`; a full-screen request whose display mode is
  // refused may fall back to a window if the user agrees.
  bool createWindow(const std::string& title, int width, int height, int bits, bool fullScreenFlag);
  // Releases whatever exists of context, device context, window and class,
  // restoring the display mode first while `shell.fullScreen` is set. Each
  // failure is shown (caption "SHUTDOWN ERROR") and the teardown goes on.
  void destroyWindow();
  // Viewport and projection for a client area; a height of 0 counts as 1.
  void resizeView(int width, int height);
  bool initRenderState() { return graphics_.initRenderState(); }
  // Every message but Quit, which the frame loop handles itself. Keys are
  // noted as held; F2 (passage outlines), F3 (freeze the culling at the
  // current camera) and F6 (walk or fly) also toggle when pressed.
  void windowProcedure(const Message& message);

 private:
  // Tears down, reports `text` with caption "ERROR", returns false.
  bool fail(const char* text);
  void reportShutdownError(const char* text);

  Platform& platform_;
  Graphics& graphics_;
  ShellState& shell_;
  // Filled by the first creation that gets as far and reused unchanged: its
  // colour bits are those of that first creation.
  std::optional<PixelFormat> pixelFormat_;
  // What currently exists. Cleared when released (whether or not the release
  // succeeded), so nothing is released twice.
  bool classRegistered_ = false;
  bool windowCreated_ = false;
  bool deviceContext_ = false;
  bool renderContext_ = false;
};

}  // namespace pw
