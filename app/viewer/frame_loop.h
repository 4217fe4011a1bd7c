// The frame loop: all waiting messages, then one frame, presented, then the
// held keys; F1 re-creates the window, Esc ends the loop.
#pragma once

#include <cstdint>

namespace pw {

class Graphics;
class Platform;
class WindowLayer;
struct ShellState;

// Walking from the camera's eye on: the body's feet a standing height below
// it, falling to the floor under them.
void startWalking(ShellState& shell);
// Puts the camera's eye at the walking body's eye.
void placeCameraAtBody(ShellState& shell);

enum class LoopEnd {
  Quit,            // a Quit message was taken (the window was closed)
  Done,            // Esc, a failed frame, or the frame limit
  RecreateFailed,  // the F1 re-creation failed; its box has been shown
};

// Runs until the window is closed, Esc is held after a frame, or the F1
// re-creation fails. `frameLimit` > 0 also ends the loop after that many
// drawn frames (the last one presented); 0 means no limit.
LoopEnd runFrameLoop(WindowLayer& window, Platform& platform, Graphics& graphics, ShellState& shell,
                     std::uint64_t frameLimit);

}  // namespace pw
