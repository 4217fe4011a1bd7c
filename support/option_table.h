// A command line read against a table of options: flags, options with a fixed
// number of values, and one positional argument. Every program uses it, so
// their common messages ("unknown option X", "more than one level given")
// are worded once, and each option's help text sits in the same entry as the
// code that reads it, so the usage text lists what is read.
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
  // Every spelling, e.g. {"--help", "-h"}, in the order the usage shows them.
  std::vector<std::string_view> names;
  // The values taken after the name, one placeholder word each, as the usage
  // shows them ("X Y Z"); empty: a flag.
  std::string_view values;
  // Takes the values (exactly valueCount() of them); returns why they are
  // refused, or an empty text.
  std::function<std::string(OptionValues)> take;
  // Said when fewer than valueCount() arguments follow; empty: "missing value
  // after NAME".
  std::string missing;
  // The usage's description, laid out as printed: "\n" starts a new line.
  std::string_view help;

  std::size_t valueCount() const;
};

// A flag that sets `target` to true.
OptionRule flagRule(std::vector<std::string_view> names, bool& target, std::string_view help);

// Reads `arguments` (the program name excluded) in order; `takePositional`
// gets the one argument that does not start with "-", which the messages
// call `positional` ("level"). Returns the first usage error, or an empty
// text.
std::string readArguments(std::span<const std::string_view> arguments, std::span<const OptionRule> rules,
                          std::string_view positional, const std::function<void(std::string_view)>& takePositional);

// The usage's list of options, one entry each in table order: two spaces,
// the names with their values ("--logs DIR, -o DIR"), then the help from
// column `helpColumn` on; a label too wide for that column gets a line of
// its own. Every line ends with "\n".
std::string optionHelp(std::span<const OptionRule> rules, std::size_t helpColumn);

// One such entry for something that is not an option (a positional argument,
// a key).
std::string helpEntry(std::string_view label, std::string_view help, std::size_t helpColumn);

// A whole decimal number from `least` to `most`, all of the text.
std::optional<std::uint64_t> wholeNumber(std::string_view text, std::uint64_t least, std::uint64_t most);

// A finite decimal number, all of the text, in single or double precision.
std::optional<float> finiteNumber(std::string_view text);
std::optional<double> finiteDouble(std::string_view text);

}  // namespace pw
