// A scripted desktop and a recording stand-in for OpenGL, so that the shell's
// order of steps can be checked without a display or a context.
//
// Everything the fakes are asked to do goes, in order, into one journal of
// short lines ("createWindow BSP 1024x768 windowed bits=32", "present",
// "notice ERROR|Window Creation Error."), which the tests compare whole or
// search.
#pragma once

#include <algorithm>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/viewer/graphics.h"
#include "app/viewer/platform.h"
#include "app/viewer/shell_state.h"
#include "render/portal_renderer.h"

namespace pw::testing_support {

using Journal = std::vector<std::string>;

inline std::string iconName(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::Question:
      return "question";
    case BoxIcon::Exclamation:
      return "exclamation";
    case BoxIcon::Stop:
      return "stop";
    case BoxIcon::Information:
      return "information";
  }
  return "?";
}

class FakePlatform final : public Platform {
 public:
  explicit FakePlatform(Journal& journal) : journal_(journal) {}

  // Steps named here report failure: "registerWindowClass",
  // "changeDisplayMode", "createWindow", "acquireDeviceContext",
  // "choosePixelFormat", "setPixelFormat", "createRenderContext",
  // "makeCurrent", "releaseCurrent", "deleteRenderContext",
  // "releaseDeviceContext", "destroyWindow", "unregisterWindowClass".
  // A name followed by "#2" fails only on its second call.
  std::set<std::string> failing;
  // Answers of the yes/no boxes in turn; Answer::None once used up.
  std::deque<Answer> answers;
  // The messages waiting before each frame: the queue runs dry once per
  // batch, and so one frame follows each batch. After the last batch the
  // window is closed.
  std::deque<std::vector<Message>> frames;

  // The shell state, to note what is still open when the window goes.
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
    return step("changeDisplayMode " + size(width, height) + "x" + std::to_string(bits), "changeDisplayMode");
  }
  void restoreDisplayMode() override { journal_.push_back("restoreDisplayMode"); }
  bool registerWindowClass() override { return step("registerWindowClass"); }
  bool createWindow(const std::string& title, int clientWidth, int clientHeight, bool fullScreen,
                    const PixelFormat& format) override {
    return step("createWindow " + title + " " + size(clientWidth, clientHeight) +
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
    if (frames.empty()) {
      // Script done: the user closes the window.
      frames.push_back({Message::close()});
    }
    std::vector<Message>& batch = frames.front();
    if (batch.empty()) {
      frames.pop_front();
      return std::nullopt;
    }
    const Message message = batch.front();
    batch.erase(batch.begin());
    return message;
  }
  void present() override { journal_.push_back("present"); }

 private:
  static std::string size(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

  bool step(const std::string& entry, const std::string& name = {}) {
    journal_.push_back(entry);
    const std::string key = name.empty() ? entry : name;
    const int call = ++calls_[key];
    const bool fails = failing.contains(key) || failing.contains(key + "#" + std::to_string(call));
    if (fails) journal_.back() += " -> fails";
    return !fails;
  }

  Journal& journal_;
  std::map<std::string, int> calls_;
};

// Records the GL work; a frame writes its log line the way the renderer does,
// with one Space drawn.
class FakeGraphics final : public Graphics {
 public:
  explicit FakeGraphics(Journal& journal) : journal_(journal) {}

  bool initRenderStateResult = true;

  void setView(int width, int height, float fieldOfView, float aspect) override {
    journal_.push_back("setView " + std::to_string(width) + "x" + std::to_string(height) +
                       " fov=" + std::to_string(fieldOfView) + " aspect=" + std::to_string(aspect));
  }
  bool initRenderState() override {
    journal_.push_back(initRenderStateResult ? "initRenderState" : "initRenderState -> fails");
    return initRenderStateResult;
  }
  bool drawFrame(const ShellState& shell) override {
    journal_.push_back("drawFrame");
    cameras.push_back(shell.camera);
    if (shell.frameLog) writeFrameLine(*shell.frameLog, shell.camera, 1);
    return true;
  }

  // The camera as each frame saw it.
  std::vector<Camera> cameras;

 private:
  Journal& journal_;
};

// What a successful window creation journals. `modeBits` reach only the
// display mode of a full-screen window; the pixel format keeps 32 bits.
inline Journal creationJournal(const std::string& title, int width, int height, bool fullScreen,
                               int modeBits = 32) {
  const std::string size = std::to_string(width) + "x" + std::to_string(height);
  Journal journal = {"registerWindowClass"};
  if (fullScreen) {
    journal.push_back("changeDisplayMode " + size + "x" + std::to_string(modeBits));
    journal.push_back("hidePointer");
  }
  const Journal rest = {
      "createWindow " + title + " " + size + (fullScreen ? " fullscreen" : " windowed") + " bits=32",
      "acquireDeviceContext",
      "choosePixelFormat bits=32 depth=16",
      "setPixelFormat",
      "createRenderContext",
      "makeCurrent",
      "showWindow",
      "setView " + size + " fov=45.000000 aspect=1.333333",
      "initRenderState",
  };
  journal.insert(journal.end(), rest.begin(), rest.end());
  return journal;
}

// What a complete teardown journals.
inline Journal teardownJournal(bool fullScreen) {
  Journal journal;
  if (fullScreen) journal = {"restoreDisplayMode", "showPointer"};
  const Journal rest = {"releaseCurrent", "deleteRenderContext", "releaseDeviceContext", "destroyWindow",
                        "unregisterWindowClass"};
  journal.insert(journal.end(), rest.begin(), rest.end());
  return journal;
}

inline std::size_t countOf(const Journal& journal, const std::string& entry) {
  return static_cast<std::size_t>(std::count(journal.begin(), journal.end(), entry));
}

inline bool contains(const Journal& journal, const std::string& entry) { return countOf(journal, entry) > 0; }

// Position of the first entry equal to `entry` at or after `from`, or npos.
inline std::size_t indexOf(const Journal& journal, const std::string& entry, std::size_t from = 0) {
  for (std::size_t i = from; i < journal.size(); ++i) {
    if (journal[i] == entry) return i;
  }
  return std::string::npos;
}

}  // namespace pw::testing_support
