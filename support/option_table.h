// A command line read against a table of options: flags, options with a fixed
// number of values, and one positional level path. Both programs use it, so
// their common messages ("unknown option X", "more than one level given")
// are worded once.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pw {

using OptionValues = std::span<const std::string_view>;

struct OptionRule {
  // Every spelling, e.g. {"--help", "-h"}.
  std::vector<std::string_view> names;
  // Arguments taken after the name; 0: a flag.
  std::size_t valueCount = 0;
  // Takes the values (exactly `valueCount` of them); returns why they are
  // refused, or an empty text.
  std::function<std::string(OptionValues)> take;
  // Said when fewer than `valueCount` arguments follow; empty: "missing value
  // after NAME".
  std::string missing;
};

// A flag that sets `target` to true.
OptionRule flagRule(std::vector<std::string_view> names, bool& target);

// Reads `arguments` (the program name excluded) in order; `takeLevel` gets
// the one argument that does not start with "-". Returns the first usage
// error, or an empty text.
std::string readArguments(std::span<const std::string_view> arguments, std::span<const OptionRule> rules,
                          const std::function<void(std::string_view)>& takeLevel);

// A whole decimal number from `least` to `most`, all of the text.
std::optional<std::uint64_t> wholeNumber(std::string_view text, std::uint64_t least, std::uint64_t most);

// A finite decimal number, all of the text.
std::optional<float> finiteNumber(std::string_view text);

}  // namespace pw
