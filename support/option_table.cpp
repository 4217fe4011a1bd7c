#include "support/option_table.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <utility>

namespace pw {
namespace {

// A label sits beside its help when this many spaces still separate them.
constexpr std::size_t kLabelGap = 2;
constexpr std::size_t kIndent = 2;

template <typename Real>
std::optional<Real> finite(std::string_view text) {
  Real value = 0;
  const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (status != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

}  // namespace

std::size_t OptionRule::valueCount() const {
  if (values.empty()) return 0;
  return static_cast<std::size_t>(std::count(values.begin(), values.end(), ' ')) + 1;
}

OptionRule flagRule(std::vector<std::string_view> names, bool& target, std::string_view help) {
  return {std::move(names), {},
          [&target](OptionValues) {
            target = true;
            return std::string();
          },
          {}, help};
}

std::string readArguments(std::span<const std::string_view> arguments, std::span<const OptionRule> rules,
                          std::string_view positional, const std::function<void(std::string_view)>& takePositional) {
  bool positionalGiven = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view argument = arguments[i];
    const auto rule = std::find_if(rules.begin(), rules.end(), [argument](const OptionRule& r) {
      return std::find(r.names.begin(), r.names.end(), argument) != r.names.end();
    });
    if (rule != rules.end()) {
      const std::size_t count = rule->valueCount();
      if (arguments.size() - i - 1 < count) {
        return rule->missing.empty() ? "missing value after " + std::string(argument) : rule->missing;
      }
      if (std::string refusal = rule->take(arguments.subspan(i + 1, count)); !refusal.empty()) return refusal;
      i += count;
    } else if (argument.starts_with("-")) {
      return "unknown option " + std::string(argument);
    } else if (positionalGiven) {
      return "more than one " + std::string(positional) + " given";
    } else {
      takePositional(argument);
      positionalGiven = true;
    }
  }
  return {};
}

std::string helpEntry(std::string_view label, std::string_view help, std::size_t helpColumn) {
  std::string text(kIndent, ' ');
  text += label;
  if (text.size() + kLabelGap > helpColumn) {
    text += '\n';
    text.append(helpColumn, ' ');
  } else {
    text.append(helpColumn - text.size(), ' ');
  }
  for (const char c : help) {
    text += c;
    if (c == '\n') text.append(helpColumn, ' ');
  }
  return text + '\n';
}

std::string optionHelp(std::span<const OptionRule> rules, std::size_t helpColumn) {
  std::string text;
  for (const OptionRule& rule : rules) {
    std::string label;
    for (const std::string_view name : rule.names) {
      if (!label.empty()) label += ", ";
      label += name;
      if (!rule.values.empty()) (label += ' ') += rule.values;
    }
    text += helpEntry(label, rule.help, helpColumn);
  }
  return text;
}

std::optional<std::uint64_t> wholeNumber(std::string_view text, std::uint64_t least, std::uint64_t most) {
  std::uint64_t value = 0;
  const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (status != std::errc() || end != text.data() + text.size() || value < least || value > most) return std::nullopt;
  return value;
}

std::optional<float> finiteNumber(std::string_view text) { return finite<float>(text); }

std::optional<double> finiteDouble(std::string_view text) { return finite<double>(text); }

}  // namespace pw
