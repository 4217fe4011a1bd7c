// Scripted keys (--keys): a walk through a level driven without a person,
// by the same window messages the desktop sends.
//
// A script is a list of steps separated by commas or new lines:
//   KEY[+KEY...] N   hold the keys for N frames, then let them go
//   wait N           N frames with no key held
//   turn DEGREES     one pointer move turning the view right (left if
//                    negative), handed over with the next frame's keys
// Keys: Up, Down, Left, Right, F1, F2, F3, F6, Esc.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/viewer/platform.h"

namespace pw {

// The messages to hand over before each frame, from the first on.
using KeyScript = std::deque<std::vector<Message>>;

// The script of `text`, or none with the reason in `error`.
std::optional<KeyScript> parseKeyScript(std::string_view text, std::string& error);

}  // namespace pw
