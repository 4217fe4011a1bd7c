// levelimport's whole run, shared by its main and the tests: reads a Quake
// III level, writes LEVEL.obj, LEVEL.mtl and LEVEL.starts and prints a
// summary.
#pragma once

#include <ostream>
#include <span>
#include <string_view>

namespace pw {

inline constexpr int kImportWritten = 0;
inline constexpr int kImportWriteFailed = 1;  // an output could not be written
inline constexpr int kImportRefused = 2;      // usage error, or the level could not be read

std::string_view levelImportUsage();

// `arguments` without the program's name. The summary goes to `out`,
// usage and error messages (one line naming the file and the reason) to
// `err`. Returns one of the exit codes above; an output path that is the
// input is refused before anything is written.
int runLevelImport(std::span<const std::string_view> arguments, std::ostream& out, std::ostream& err);

}  // namespace pw
