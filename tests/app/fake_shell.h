// A scripted desktop and a recording stand-in for OpenGL, so that the shell's
// order of steps can be checked without a display: everything the fakes are
// asked to do goes, in order, into one journal of short lines ("present").
#pragma once

#include <algorithm>
#include <deque>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/viewer/graphics.h"
#include "app/viewer/platform.h"
#include "app/viewer/shell_state.h"
#include "render/draw_frame.h"

namespace pw::testing_support {

using Journal = std::vector<std::string>;

inline std::string sizeText(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

class FakePlatform final : public Platform {
 public:
  explicit FakePlatform(Journal& journal) : journal_(journal) {}

  // Steps named here report failure ("createWindow", "makeCurrent", ...).
  std::set<std::string> failing;
  // Answers of the yes/no boxes in turn; Answer::None once used up.
  std::deque<Answer> answers;
  // The messages waiting before each frame: one frame follows each batch.
  // After the last batch the window is closed.
  std::deque<std::vector<Message>> frames;
  // The shell state, to note whether the frame log is open when the window goes.
  const ShellState* shell = nullptr;

  Answer askYesNo(const std::string& text, const std::string& caption, BoxIcon icon) override {
    journal_.push_back("ask " + caption + "|" + text + "|" + iconName(icon));
    if (answers.empty()) return Answer::None;
    const Answer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void showNotice(const std::string& text, const std::string& caption, BoxIcon icon) override {
    journal_.push_back("notice " + caption + "|" + text + "|" + iconName(icon));
  }
  bool changeDisplayMode(int width, int height, int bits) override {
    return step("changeDisplayMode " + sizeText(width, height) + "x" + std::to_string(bits), "changeDisplayMode");
  }
  void restoreDisplayMode() override { journal_.push_back("restoreDisplayMode"); }
  bool registerWindowClass() override { return step("registerWindowClass"); }
  bool createWindow(const std::string& title, int width, int height, bool fullScreen,
                    const PixelFormat& format) override {
    return step("createWindow " + title + " " + sizeText(width, height) +
                    (fullScreen ? " fullscreen" : " windowed") + " bits=" + std::to_string(format.colorBits),
                "createWindow");
  }
  bool acquireDeviceContext() override { return step("acquireDeviceContext"); }
  bool choosePixelFormat(const PixelFormat& format) override {
    return step("choosePixelFormat bits=" + std::to_string(format.colorBits) +
                    " depth=" + std::to_string(format.depthBits),
                "choosePixelFormat");
  }
  bool setPixelFormat(const PixelFormat&) override { return step("setPixelFormat"); }
  bool createRenderContext() override { return step("createRenderContext"); }
  bool makeCurrent() override { return step("makeCurrent"); }
  void setVerticalSync(bool on) override { journal_.push_back(on ? "verticalSync on" : "verticalSync off"); }
  void showWindow() override { journal_.push_back("showWindow"); }
  bool releaseCurrent() override {
    if (shell != nullptr) journal_.push_back(shell->frameLog ? "(frame log open)" : "(frame log closed)");
    return step("releaseCurrent");
  }
  bool deleteRenderContext() override { return step("deleteRenderContext"); }
  bool releaseDeviceContext() override { return step("releaseDeviceContext"); }
  bool destroyWindow() override { return step("destroyWindow"); }
  bool unregisterWindowClass() override { return step("unregisterWindowClass"); }
  void showPointer(bool visible) override { journal_.push_back(visible ? "showPointer" : "hidePointer"); }
  void warpPointer(int x, int y) override {
    journal_.push_back("warpPointer " + std::to_string(x) + "," + std::to_string(y));
  }
  void postQuit(int exitCode) override {
    journal_.push_back("postQuit " + std::to_string(exitCode));
    if (frames.empty()) frames.emplace_back();
    frames.front().push_back(Message::quit(exitCode));
  }
  std::optional<Message> pollMessage() override {
    if (frames.empty()) frames.push_back({Message::close()});  // script done: the user closes the window
    std::vector<Message>& batch = frames.front();
    if (batch.empty()) {
      frames.pop_front();
      return std::nullopt;
    }
    const Message message = batch.front();
    batch.erase(batch.begin());
    return message;
  }
  void present() override {
    journal_.push_back("present");
    now += frameSeconds;
  }
  // The clock moves on by `frameSeconds` at each present.
  double frameSeconds = 1.0 / 60.0;
  double now = 0.0;
  double seconds() override { return now; }

 private:
  static std::string iconName(BoxIcon icon) {
    const char* names[] = {"question", "exclamation", "stop", "information"};  // BoxIcon's order
    return names[static_cast<int>(icon)];
  }
  bool step(const std::string& entry, const std::string& name = {}) {
    journal_.push_back(entry);
    const bool fails = failing.contains(name.empty() ? entry : name);
    if (fails) journal_.back() += " -> fails";
    return !fails;
  }

  Journal& journal_;
};

// Records the GL work; a frame writes its log line the way the renderer does,
// with one Space drawn.
class FakeGraphics final : public Graphics {
 public:
  explicit FakeGraphics(Journal& journal) : journal_(journal) {}

  bool initRenderStateResult = true;
  std::vector<Camera> cameras;  // the camera as each frame saw it
  // What each frame was asked to add: outlines (F2), culling from a frozen
  // camera (F3).
  std::vector<bool> outlines;
  std::vector<std::optional<Camera>> frozen;
  // The view mode (F4) and the readout (F5) of each frame.
  std::vector<ViewMode> modes;
  std::vector<bool> readouts;

  void setView(int width, int height, float fieldOfView, float aspect) override {
    journal_.push_back("setView " + sizeText(width, height) + " fov=" + std::to_string(fieldOfView) +
                       " aspect=" + std::to_string(aspect));
  }
  bool initRenderState() override {
    journal_.push_back(initRenderStateResult ? "initRenderState" : "initRenderState -> fails");
    return initRenderStateResult;
  }
  bool drawFrame(const ShellState& shell) override {
    journal_.push_back("drawFrame");
    cameras.push_back(shell.camera);
    outlines.push_back(shell.outlinePassages);
    frozen.push_back(shell.frozenCulling);
    if (shell.frameLog) writeFrameLine(*shell.frameLog, shell.camera, 1);
    modes.push_back(shell.viewMode);
    readouts.push_back(shell.readout);
    return true;
  }
  // A 2 x 1 picture whose first pixel's red is the frame's number.
  Image captureFrame() override {
    journal_.push_back("captureFrame");
    return {.width = 2, .height = 1, .rgb = {static_cast<std::uint8_t>(modes.size()), 0, 0, 0, 0, 0}};
  }

 private:
  Journal& journal_;
};

// What a successful window creation journals (a full screen in 32 bits).
inline Journal creationJournal(const std::string& title, int width, int height, bool fullScreen) {
  const std::string size = sizeText(width, height);
  Journal journal = {"registerWindowClass"};
  if (fullScreen) journal.insert(journal.end(), {"changeDisplayMode " + size + "x32", "hidePointer"});
  const std::string mode = fullScreen ? " fullscreen" : " windowed";
  journal.insert(journal.end(), {"createWindow " + title + " " + size + mode + " bits=32", "acquireDeviceContext",
                                 "choosePixelFormat bits=32 depth=16", "setPixelFormat", "createRenderContext",
                                 "makeCurrent", "verticalSync on", "showWindow",
                                 "setView " + size + " fov=45.000000 aspect=1.333333", "initRenderState"});
  return journal;
}

// What a complete teardown journals.
inline Journal teardownJournal(bool fullScreen) {
  Journal journal;
  if (fullScreen) journal = {"restoreDisplayMode", "showPointer"};
  journal.insert(journal.end(), {"releaseCurrent", "deleteRenderContext", "releaseDeviceContext", "destroyWindow",
                                 "unregisterWindowClass"});
  return journal;
}

inline std::size_t countOf(const Journal& journal, const std::string& entry) {
  return static_cast<std::size_t>(std::count(journal.begin(), journal.end(), entry));
}

inline bool contains(const Journal& journal, const std::string& entry) { return countOf(journal, entry) > 0; }

}  // namespace pw::testing_support
