#include "support/option_table.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <utility>

namespace pw {

OptionRule flagRule(std::vector<std::string_view> names, bool& target) {
  return {std::move(names), 0, [&target](OptionValues) {
            target = true;
            return std::string();
          },
          {}};
}

std::string readArguments(std::span<const std::string_view> arguments, std::span<const OptionRule> rules,
                          const std::function<void(std::string_view)>& takeLevel) {
  bool levelGiven = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view argument = arguments[i];
    const auto rule = std::find_if(rules.begin(), rules.end(), [argument](const OptionRule& r) {
      return std::find(r.names.begin(), r.names.end(), argument) != r.names.end();
    });
    if (rule != rules.end()) {
      if (arguments.size() - i - 1 < rule->valueCount) {
        return rule->missing.empty() ? "missing value after " + std::string(argument) : rule->missing;
      }
      if (std::string refusal = rule->take(arguments.subspan(i + 1, rule->valueCount)); !refusal.empty()) {
        return refusal;
      }
      i += rule->valueCount;
    } else if (argument.starts_with("-")) {
      return "unknown option " + std::string(argument);
    } else if (levelGiven) {
      return "more than one level given";
    } else {
      takeLevel(argument);
      levelGiven = true;
    }
  }
  return {};
}

std::optional<std::uint64_t> wholeNumber(std::string_view text, std::uint64_t least, std::uint64_t most) {
  std::uint64_t value = 0;
  const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (status != std::errc() || end != text.data() + text.size() || value < least || value > most) return std::nullopt;
  return value;
}

std::optional<float> finiteNumber(std::string_view text) {
  float value = 0.0f;
  const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (status != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

}  // namespace pw
