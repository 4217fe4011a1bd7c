#include "app/cli/output_paths.h"

#include <system_error>

namespace pw {

std::string outputNamingInput(std::span<const NamedPath> outputs, std::span<const NamedPath> inputs) {
  for (const NamedPath& output : outputs) {
    if (output.path.empty()) continue;
    for (const NamedPath& input : inputs) {
      std::error_code missing;
      if (input.path.empty() || !std::filesystem::equivalent(output.path, input.path, missing)) continue;
      return output.role + " " + output.path.string() + " is " + input.role + " " + input.path.string() +
             ": an output never replaces an input";
    }
  }
  return {};
}

}  // namespace pw
