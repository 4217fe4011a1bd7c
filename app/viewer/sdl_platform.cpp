#include "app/viewer/sdl_platform.h"

#include <iostream>
#include <stdexcept>
#include <string>

namespace pw {
namespace {

// One notch of a Win32 wheel; only the sign reaches the camera.
constexpr int kWheelNotch = 120;

Uint32 messageBoxFlags(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::Exclamation:
      return SDL_MESSAGEBOX_WARNING;
    case BoxIcon::Stop:
      return SDL_MESSAGEBOX_ERROR;
    case BoxIcon::Question:
    case BoxIcon::Information:
      break;
  }
  return SDL_MESSAGEBOX_INFORMATION;
}

struct KeyCode {
  SDL_Keycode sdl;
  int virtualKey;
};

// Keys other than letters, digits and function keys.
constexpr KeyCode kKeyTable[] = {
    {SDLK_BACKSPACE, 8},   {SDLK_TAB, 9},        {SDLK_RETURN, 13},     {SDLK_KP_ENTER, 13},
    {SDLK_LSHIFT, 16},     {SDLK_RSHIFT, 16},    {SDLK_LCTRL, 17},      {SDLK_RCTRL, 17},
    {SDLK_LALT, 18},       {SDLK_RALT, 18},      {SDLK_PAUSE, 19},      {SDLK_CAPSLOCK, 20},
    {SDLK_ESCAPE, 27},     {SDLK_SPACE, 32},     {SDLK_PAGEUP, 33},     {SDLK_PAGEDOWN, 34},
    {SDLK_END, 35},        {SDLK_HOME, 36},      {SDLK_LEFT, 37},       {SDLK_UP, 38},
    {SDLK_RIGHT, 39},      {SDLK_DOWN, 40},      {SDLK_PRINTSCREEN, 44}, {SDLK_INSERT, 45},
    {SDLK_DELETE, 46},     {SDLK_KP_0, 96},      {SDLK_KP_1, 97},       {SDLK_KP_2, 98},
    {SDLK_KP_3, 99},       {SDLK_KP_4, 100},     {SDLK_KP_5, 101},      {SDLK_KP_6, 102},
    {SDLK_KP_7, 103},      {SDLK_KP_8, 104},     {SDLK_KP_9, 105},      {SDLK_KP_MULTIPLY, 106},
    {SDLK_KP_PLUS, 107},   {SDLK_KP_MINUS, 109}, {SDLK_KP_PERIOD, 110}, {SDLK_KP_DIVIDE, 111},
    {SDLK_NUMLOCKCLEAR, 144}, {SDLK_SCROLLLOCK, 145},
};

}  // namespace

std::optional<int> virtualKeyOf(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
  // F1 is 112 ... F12 is 123; the SDL codes of F1-F12 are consecutive.
  if (key >= SDLK_F1 && key <= SDLK_F12) return 112 + (key - SDLK_F1);
  for (const KeyCode& entry : kKeyTable) {
    if (entry.sdl == key) return entry.virtualKey;
  }
  return std::nullopt;
}

SdlPlatform::SdlPlatform(bool askPerson) : askPerson_(askPerson) {
  if (SDL_Init(SDL_INIT_VIDEO) != 0) throw std::runtime_error(std::string("cannot start SDL: ") + SDL_GetError());
  quitEvent_ = SDL_RegisterEvents(1);
  if (quitEvent_ == static_cast<Uint32>(-1)) {
    SDL_Quit();
    throw std::runtime_error("cannot register an SDL event type");
  }
  // The screen saver and monitor power-down stay off while the program runs.
  SDL_DisableScreenSaver();
}

SdlPlatform::~SdlPlatform() {
  if (context_ != nullptr) SDL_GL_DeleteContext(context_);
  if (window_ != nullptr) SDL_DestroyWindow(window_);
  SDL_Quit();
}

Answer SdlPlatform::askYesNo(const std::string& text, const std::string& caption, BoxIcon icon) {
  const SDL_MessageBoxButtonData buttons[] = {
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"},
      {0, 0, "No"},
  };
  if (!askPerson_) {
    std::cerr << caption << ": " << text << " -> Yes (nobody to ask)\n";
    return Answer::Yes;
  }
  const SDL_MessageBoxData box = {messageBoxFlags(icon), nullptr, caption.c_str(), text.c_str(), 2, buttons,
                                  nullptr};
  int pressed = -1;
  if (SDL_ShowMessageBox(&box, &pressed) != 0) {
    std::cerr << "portalwalk: cannot show a message box: " << SDL_GetError() << '\n';
    return Answer::None;
  }
  if (pressed == 1) return Answer::Yes;
  return pressed == 0 ? Answer::No : Answer::None;
}

void SdlPlatform::showNotice(const std::string& text, const std::string& caption, BoxIcon icon) {
  // Also on stderr, where scripts and logs see it.
  std::cerr << caption << ": " << text << '\n';
  if (askPerson_ && SDL_ShowSimpleMessageBox(messageBoxFlags(icon), caption.c_str(), text.c_str(), nullptr) != 0) {
    std::cerr << "portalwalk: cannot show a message box: " << SDL_GetError() << '\n';
  }
}

bool SdlPlatform::changeDisplayMode(int width, int height, int bits) {
  SDL_DisplayMode wanted{};
  wanted.format = bits <= 16 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_RGB888;
  wanted.w = width;
  wanted.h = height;
  SDL_DisplayMode closest{};
  if (SDL_GetClosestDisplayMode(0, &wanted, &closest) == nullptr) return false;
  // Only the size asked for will do: a larger mode would leave the client
  // area of the requested size in one corner of the screen. The depth is
  // whatever the display offers at that size.
  if (closest.w != width || closest.h != height) return false;
  // The switch itself happens when the full-screen window is shown.
  displayMode_ = closest;
  return true;
}

void SdlPlatform::restoreDisplayMode() {
  // Leaving full screen puts the desktop's own mode back.
  if (window_ != nullptr && fullScreen_) SDL_SetWindowFullscreen(window_, 0);
  fullScreen_ = false;
  displayMode_.reset();
}

// Creating and quitting the video subsystem is reference counted, and the
// platform holds one reference for its whole life: this only pairs up.
bool SdlPlatform::registerWindowClass() { return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0; }

bool SdlPlatform::unregisterWindowClass() {
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  return true;
}

bool SdlPlatform::createWindow(const std::string& title, int clientWidth, int clientHeight, bool fullScreen,
                               const PixelFormat& format) {
  // GLX fixes the window's visual now, so the framebuffer format is set
  // before the window is made.
  SDL_GL_ResetAttributes();
  const bool deep = format.colorBits > 16;
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, deep ? 8 : 5);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, deep ? 8 : 6);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, deep ? 8 : 5);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, format.depthBits);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  // Immediate mode and fixed-function lighting.
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);

  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
  if (fullScreen) flags |= SDL_WINDOW_BORDERLESS | SDL_WINDOW_FULLSCREEN;
  window_ = SDL_CreateWindow(title.c_str(), 0, 0, clientWidth, clientHeight, flags);
  if (window_ == nullptr) return false;
  fullScreen_ = fullScreen;
  if (fullScreen_ && displayMode_) SDL_SetWindowDisplayMode(window_, &*displayMode_);
  return true;
}

// SDL draws on the window itself: there is no separate device context, and
// the pixel format was fixed when the window was made.
bool SdlPlatform::acquireDeviceContext() { return window_ != nullptr; }
bool SdlPlatform::choosePixelFormat(const PixelFormat&) { return window_ != nullptr; }
bool SdlPlatform::setPixelFormat(const PixelFormat&) { return window_ != nullptr; }
bool SdlPlatform::releaseDeviceContext() { return true; }

bool SdlPlatform::createRenderContext() {
  context_ = SDL_GL_CreateContext(window_);
  return context_ != nullptr;
}

bool SdlPlatform::makeCurrent() { return SDL_GL_MakeCurrent(window_, context_) == 0; }

// A refusal (no swap control, e.g. some software drivers) leaves the driver's
// own interval, and the frames run at whatever rate that gives.
void SdlPlatform::setVerticalSync(bool on) { SDL_GL_SetSwapInterval(on ? 1 : 0); }

void SdlPlatform::showWindow() {
  SDL_ShowWindow(window_);
  if (!fullScreen_) {
    // The outer window, title bar included, at the screen origin.
    int top = 0;
    int left = 0;
    if (SDL_GetWindowBordersSize(window_, &top, &left, nullptr, nullptr) == 0) {
      SDL_SetWindowPosition(window_, left, top);
    }
  }
  SDL_RaiseWindow(window_);
}

bool SdlPlatform::releaseCurrent() { return SDL_GL_MakeCurrent(window_, nullptr) == 0; }

bool SdlPlatform::deleteRenderContext() {
  SDL_GL_DeleteContext(context_);
  context_ = nullptr;
  return true;
}

bool SdlPlatform::destroyWindow() {
  SDL_DestroyWindow(window_);
  window_ = nullptr;
  fullScreen_ = false;
  return true;
}

void SdlPlatform::showPointer(bool visible) { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }

void SdlPlatform::warpPointer(int x, int y) {
  if (window_ != nullptr) {
    SDL_WarpMouseInWindow(window_, x, y);
  } else {
    SDL_WarpMouseGlobal(x, y);
  }
}

void SdlPlatform::postQuit(int exitCode) {
  SDL_Event event{};
  event.type = quitEvent_;
  event.user.code = exitCode;
  SDL_PushEvent(&event);
}

std::optional<Message> SdlPlatform::pollMessage() {
  SDL_Event event;
  while (SDL_PollEvent(&event) != 0) {
    if (auto message = translate(event)) return message;
  }
  return std::nullopt;
}

void SdlPlatform::present() { SDL_GL_SwapWindow(window_); }

double SdlPlatform::seconds() {
  return static_cast<double>(SDL_GetPerformanceCounter()) / static_cast<double>(SDL_GetPerformanceFrequency());
}

std::optional<Message> SdlPlatform::translate(const SDL_Event& event) const {
  if (event.type == quitEvent_) return Message::quit(event.user.code);
  // Interrupted from the terminal, or the last window closed.
  if (event.type == SDL_QUIT) return Message::close();
  // Events still queued for a window that has been destroyed (F1) are
  // dropped, so the new window's view is not resized to the old one's.
  const Uint32 current = window_ != nullptr ? SDL_GetWindowID(window_) : 0;
  const bool minimized = window_ != nullptr && (SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED) != 0;
  switch (event.type) {
    case SDL_WINDOWEVENT:
      if (event.window.windowID != current) return std::nullopt;
      switch (event.window.event) {
        case SDL_WINDOWEVENT_SIZE_CHANGED:
          return Message::size(event.window.data1, event.window.data2);
        case SDL_WINDOWEVENT_MINIMIZED:
          return Message::activate(true);
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
        case SDL_WINDOWEVENT_FOCUS_GAINED:
        case SDL_WINDOWEVENT_FOCUS_LOST:
          return Message::activate(minimized);
        case SDL_WINDOWEVENT_CLOSE:
          return Message::close();
        default:
          return std::nullopt;
      }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      if (event.key.windowID != current) return std::nullopt;
      const auto code = virtualKeyOf(event.key.keysym.sym);
      if (!code) return std::nullopt;
      return event.type == SDL_KEYDOWN ? Message::keyDown(*code) : Message::keyUp(*code);
    }
    case SDL_MOUSEMOTION:
      if (event.motion.windowID != current) return std::nullopt;
      return Message::mouseMove(event.motion.x, event.motion.y);
    case SDL_MOUSEWHEEL: {
      if (event.wheel.windowID != current || event.wheel.y == 0) return std::nullopt;
      const int notches = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y;
      return Message::mouseWheel(notches * kWheelNotch);
    }
    default:
      return std::nullopt;
  }
}

}  // namespace pw
