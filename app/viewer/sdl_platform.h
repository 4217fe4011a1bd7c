// The desktop on Linux: SDL2 windows, OpenGL contexts through GLX, message
// boxes and events. The only code that uses SDL.
#pragma once

#include <SDL.h>

#include <optional>

#include "app/viewer/platform.h"

namespace pw {

// Owns SDL's video subsystem for its lifetime and keeps the screen saver off
// while it exists. At most one window and one context at a time.
class SdlPlatform final : public Platform {
 public:
  // Throws std::runtime_error when SDL's video subsystem cannot start (no
  // display). Without `askPerson` (a scripted run) no box is shown: its text
  // goes to standard error and a question takes its default answer, Yes.
  explicit SdlPlatform(bool askPerson);
  ~SdlPlatform() override;
  SdlPlatform(const SdlPlatform&) = delete;
  SdlPlatform& operator=(const SdlPlatform&) = delete;

  Answer askYesNo(const std::string& text, const std::string& caption, BoxIcon icon) override;
  void showNotice(const std::string& text, const std::string& caption, BoxIcon icon) override;

  bool changeDisplayMode(int width, int height, int bits) override;
  void restoreDisplayMode() override;

  bool registerWindowClass() override;
  bool createWindow(const std::string& title, int clientWidth, int clientHeight, bool fullScreen,
                    const PixelFormat& format) override;
  bool acquireDeviceContext() override;
  bool choosePixelFormat(const PixelFormat& format) override;
  bool setPixelFormat(const PixelFormat& format) override;
  bool createRenderContext() override;
  bool makeCurrent() override;
  void setVerticalSync(bool on) override;
  void showWindow() override;

  bool releaseCurrent() override;
  bool deleteRenderContext() override;
  bool releaseDeviceContext() override;
  bool destroyWindow() override;
  bool unregisterWindowClass() override;

  void showPointer(bool visible) override;
  void warpPointer(int x, int y) override;
  void postQuit(int exitCode) override;
  std::optional<Message> pollMessage() override;
  void present() override;
  double seconds() override;

 private:
  std::optional<Message> translate(const SDL_Event& event) const;

  bool askPerson_;
  SDL_Window* window_ = nullptr;
  SDL_GLContext context_ = nullptr;
  bool fullScreen_ = false;
  // The mode chosen by changeDisplayMode, used while the window is full
  // screen.
  std::optional<SDL_DisplayMode> displayMode_;
  // The event type that carries postQuit's exit code through SDL's queue.
  Uint32 quitEvent_ = 0;
};

// The Win32 virtual-key code of an SDL key, or nullopt for keys the shell
// never sees. Letters and digits give their upper-case ASCII codes.
std::optional<int> virtualKeyOf(SDL_Keycode key);

}  // namespace pw
