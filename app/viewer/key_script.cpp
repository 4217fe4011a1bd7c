#include "app/viewer/key_script.h"

#include <cmath>
#include <cstdint>
#include <sstream>

#include "app/viewer/shell_state.h"
#include "app/viewer/window.h"
#include "support/option_table.h"

namespace pw {
namespace {

struct KeyName {
  const char* name;
  int key;
};

constexpr KeyName kKeyNames[] = {{"Up", vk::kUp}, {"Down", vk::kDown}, {"Left", vk::kLeft}, {"Right", vk::kRight},
                                 {"F1", vk::kF1}, {"F2", vk::kF2},     {"F3", vk::kF3},     {"F4", vk::kF4},     {"F5", vk::kF5},
                                 {"F6", vk::kF6},       {"F12", vk::kF12},
                                 {"Esc", vk::kEscape}};

// The pointer offset that turns the view by `degrees` (eight pixels a degree).
constexpr double kPixelsPerDegree = 8.0;
// No step holds keys longer than this many frames.
constexpr std::uint64_t kLongestStep = 1'000'000;

std::optional<int> keyNamed(std::string_view name) {
  for (const KeyName& entry : kKeyNames) {
    if (name == entry.name) return entry.key;
  }
  return std::nullopt;
}

// The batch before frame `frame`, the script grown to reach it.
std::vector<Message>& before(KeyScript& script, std::size_t frame) {
  if (script.size() <= frame) script.resize(frame + 1);
  return script[frame];
}

}  // namespace

std::optional<KeyScript> parseKeyScript(std::string_view text, std::string& error) {
  KeyScript script;
  std::size_t frame = 0;
  std::string steps(text);
  for (char& c : steps) c = c == ',' ? '\n' : c;
  std::istringstream lines(steps);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string what, count, extra;
    if (!(words >> what)) continue;  // an empty step
    if (!(words >> count) || (words >> extra)) {
      error = "--keys: a step is two words, as in \"Up 30\": " + line;
      return std::nullopt;
    }
    if (what == "turn") {
      const std::optional<double> degrees = finiteDouble(count);
      if (!degrees || std::abs(*degrees) > 3600.0) {
        error = "--keys: turn needs a number of degrees: " + line;
        return std::nullopt;
      }
      const int pixels = static_cast<int>(std::lround(*degrees * kPixelsPerDegree));
      before(script, frame).push_back(Message::mouseMove(kPointerHomeX + pixels, kPointerHomeY));
      continue;
    }
    const std::optional<std::uint64_t> frames = wholeNumber(count, 1, kLongestStep);
    if (!frames) {
      error = "--keys: the frames of a step are a positive whole number: " + line;
      return std::nullopt;
    }
    std::vector<int> keys;
    if (what != "wait") {
      for (std::size_t from = 0; from <= what.size();) {
        const std::size_t plus = std::min(what.find('+', from), what.size());
        const std::optional<int> key = keyNamed(std::string_view(what).substr(from, plus - from));
        if (!key) {
          error = "--keys: no key named so (Up, Down, Left, Right, F1, F2, F3, F4, F5, F6, F12, Esc): " + line;
          return std::nullopt;
        }
        keys.push_back(*key);
        from = plus + 1;
      }
    }
    for (const int key : keys) before(script, frame).push_back(Message::keyDown(key));
    frame += static_cast<std::size_t>(*frames);
    for (const int key : keys) before(script, frame).push_back(Message::keyUp(key));
    before(script, frame);
  }
  return script;
}

}  // namespace pw
