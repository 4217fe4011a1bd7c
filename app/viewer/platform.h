// What the shell needs of the desktop: message boxes, the display mode, one
// top-level window with its OpenGL context, the message queue, the pointer and
// presenting a frame. The SDL2 implementation lives in the window library
// (portalwalk_sdl); tests script a fake.
//
// Every step that can fail on some desktop reports its success, so that the
// shell can report each failure with its own text even where SDL cannot fail
// at that step.
#pragma once

#include <optional>
#include <string>

namespace pw {

// A window message, already in the shell's terms.
struct Message {
  enum class Kind {
    Activate,    // `minimized`: the window was minimised (true) or shown again
    Close,       // the user asked to close the window
    KeyDown,     // `key`: Win32 virtual-key code 0..255; auto-repeat repeats it
    KeyUp,       // `key`
    Size,        // `x`, `y`: the new client width and height
    MouseMove,   // `x`, `y`: pointer position in client coordinates, signed
                 // (left of or above the window is negative)
    MouseWheel,  // `wheelDelta`: signed, only its sign matters
    Quit,        // `exitCode`: posted by `Platform::postQuit`
  };

  Kind kind = Kind::Quit;
  int key = 0;
  bool minimized = false;
  int x = 0;
  int y = 0;
  int wheelDelta = 0;
  int exitCode = 0;

  static Message activate(bool isMinimized) { return {.kind = Kind::Activate, .minimized = isMinimized}; }
  static Message close() { return {.kind = Kind::Close}; }
  static Message keyDown(int code) { return {.kind = Kind::KeyDown, .key = code}; }
  static Message keyUp(int code) { return {.kind = Kind::KeyUp, .key = code}; }
  static Message size(int width, int height) { return {.kind = Kind::Size, .x = width, .y = height}; }
  static Message mouseMove(int px, int py) { return {.kind = Kind::MouseMove, .x = px, .y = py}; }
  static Message mouseWheel(int delta) { return {.kind = Kind::MouseWheel, .wheelDelta = delta}; }
  static Message quit(int code) { return {.kind = Kind::Quit, .exitCode = code}; }
};

// The answer of a yes/no box; None when no box could be shown.
enum class Answer { Yes, No, None };

enum class BoxIcon { Question, Exclamation, Stop, Information };

// The OpenGL framebuffer the window asks for: double-buffered RGBA without
// alpha, accumulation, stencil or auxiliary buffers.
struct PixelFormat {
  int colorBits = 32;
  int depthBits = 16;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // Both block until the user has answered or dismissed the box. A notice
  // also goes to standard error, where scripts and logs see it.
  virtual Answer askYesNo(const std::string& text, const std::string& caption, BoxIcon icon) = 0;
  virtual void showNotice(const std::string& text, const std::string& caption, BoxIcon icon) = 0;

  // Full-screen display mode; restoring returns to the desktop's own mode and
  // does nothing when no mode was changed.
  virtual bool changeDisplayMode(int width, int height, int bits) = 0;
  virtual void restoreDisplayMode() = 0;

  // Window creation in Win32's steps. The framebuffer format is given with
  // the window because some systems (X11) fix a window's visual when they
  // make it; choosing and setting it afterwards only confirms it.
  virtual bool registerWindowClass() = 0;
  // A client area of exactly clientWidth x clientHeight: bordered, or
  // borderless full-screen at the screen origin. Hidden until `showWindow`.
  virtual bool createWindow(const std::string& title, int clientWidth, int clientHeight, bool fullScreen,
                            const PixelFormat& format) = 0;
  virtual bool acquireDeviceContext() = 0;
  virtual bool choosePixelFormat(const PixelFormat& format) = 0;
  virtual bool setPixelFormat(const PixelFormat& format) = 0;
  virtual bool createRenderContext() = 0;
  virtual bool makeCurrent() = 0;
  // Whether presenting waits for the display's vertical retrace, for the
  // current context. A driver may refuse either way; that is no failure.
  virtual void setVerticalSync(bool on) = 0;
  // Shows the window, brings it to the foreground and gives it the focus.
  virtual void showWindow() = 0;

  // Teardown, each the reverse of one creation step above.
  virtual bool releaseCurrent() = 0;
  virtual bool deleteRenderContext() = 0;
  virtual bool releaseDeviceContext() = 0;
  virtual bool destroyWindow() = 0;
  virtual bool unregisterWindowClass() = 0;

  virtual void showPointer(bool visible) = 0;
  // In the window's client coordinates, so that the position read back in the
  // next pointer message is exactly (x, y); with no window, in screen
  // coordinates.
  virtual void warpPointer(int x, int y) = 0;

  // Queues a Quit message behind the ones already waiting.
  virtual void postQuit(int exitCode) = 0;
  // The next message, without waiting.
  virtual std::optional<Message> pollMessage() = 0;

  // The back buffer drawn since the last present becomes visible.
  virtual void present() = 0;
  // Seconds on a steady clock from any fixed start: what the frames' motion
  // is timed by.
  virtual double seconds() = 0;
};

}  // namespace pw
