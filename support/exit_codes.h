// The exit codes of the programs (portalwalk, portalbuild, levelgen), in one
// place so that they cannot drift.
#pragma once

namespace pw {

// portalwalk: the window was closed, Esc, the frame limit, or no window could
// be made (a box said why). portalbuild: the level was built. levelgen: the
// level was written.
inline constexpr int kExitSuccess = 0;
// portalwalk: no display, no tessellator, or the screenshot not written.
// portalbuild: the build failed, an output could not be written, or the level
// holds no triangle. levelgen: the level could not be written.
inline constexpr int kExitFailure = 1;
// All: a usage error. portalbuild also: the level cannot be read.
inline constexpr int kExitUsage = 2;
// portalbuild with --leak-exit-code: built, but the inside reaches the
// outside. A failure above comes first.
inline constexpr int kExitLeak = 3;

}  // namespace pw
