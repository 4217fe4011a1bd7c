#include "tools/level_entities.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "tools/ibsp_file.h"

namespace pw {
namespace {

constexpr std::array<std::string_view, 6> kStartClasses = {
    "info_player_deathmatch", "info_player_start", "team_CTF_redplayer",
    "team_CTF_blueplayer",    "team_CTF_redspawn", "team_CTF_bluespawn"};

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Tokens of the entity text: "{", "}" or a quoted string (without quotes).
class Tokens {
 public:
  explicit Tokens(std::string_view text) : text_(text) {}

  // False at the end of the text.
  bool next(std::string_view& token, bool& quoted) {
    while (pos_ < text_.size() && isSpace(text_[pos_])) ++pos_;
    if (pos_ == text_.size()) return false;
    quoted = text_[pos_] == '"';
    if (!quoted) {
      token = text_.substr(pos_++, 1);
      return true;
    }
    const std::size_t close = text_.find('"', pos_ + 1);
    if (close == std::string_view::npos) throw ibsp::FormatError("entities: unclosed quote");
    token = text_.substr(pos_ + 1, close - pos_ - 1);
    pos_ = close + 1;
    return true;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// Whitespace-separated decimal numbers, all of them finite.
std::vector<double> numbers(std::string_view text) {
  std::vector<double> values;
  std::size_t pos = 0;
  while (true) {
    while (pos < text.size() && isSpace(text[pos])) ++pos;
    if (pos == text.size()) return values;
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data() + pos, text.data() + text.size(), value);
    if (error != std::errc() || !std::isfinite(value) || (end != text.data() + text.size() && !isSpace(*end))) {
      throw ibsp::FormatError("entities: \"" + std::string(text) + "\" is not a list of numbers");
    }
    values.push_back(value);
    pos = static_cast<std::size_t>(end - text.data());
  }
}

}  // namespace

const std::string* Entity::value(std::string_view key) const {
  const auto found = std::find_if(pairs.begin(), pairs.end(), [&](const auto& pair) { return pair.first == key; });
  return found == pairs.end() ? nullptr : &found->second;
}

std::vector<Entity> parseEntities(std::string_view text) {
  std::vector<Entity> entities;
  Tokens tokens(text);
  std::string_view token;
  bool quoted = false;
  while (tokens.next(token, quoted)) {
    if (quoted || token != "{") throw ibsp::FormatError("entities: text outside a { } block");
    Entity& entity = entities.emplace_back();
    while (true) {
      if (!tokens.next(token, quoted)) throw ibsp::FormatError("entities: unclosed { block");
      if (!quoted && token == "}") break;
      std::string_view value;
      if (!quoted || !tokens.next(value, quoted) || !quoted) {
        throw ibsp::FormatError("entities: a key without a quoted value");
      }
      entity.pairs.emplace_back(token, value);
    }
  }
  return entities;
}

std::vector<PlayerStart> playerStarts(const std::vector<Entity>& entities) {
  std::vector<PlayerStart> starts;
  for (const Entity& entity : entities) {
    const std::string* classname = entity.value("classname");
    if (classname == nullptr || std::find(kStartClasses.begin(), kStartClasses.end(), *classname) == kStartClasses.end()) {
      continue;
    }
    const std::string* origin = entity.value("origin");
    const std::vector<double> xyz = numbers(origin != nullptr ? *origin : "");
    if (xyz.size() != 3) throw ibsp::FormatError("entities: a " + *classname + " without an origin of three numbers");
    // "angle" is the yaw; without it "angles" (pitch, yaw, roll) may give it.
    const std::string* angle = entity.value("angle");
    const std::string* angles = entity.value("angles");
    const std::vector<double> facing = numbers(angle != nullptr ? *angle : angles != nullptr ? *angles : "0");
    if (facing.size() != (angle == nullptr && angles != nullptr ? 3u : 1u)) {
      throw ibsp::FormatError("entities: a " + *classname + " whose angle is not one number or angles not three");
    }
    starts.push_back({{xyz[0], xyz[1], xyz[2]}, angle == nullptr && angles != nullptr ? facing[1] : facing[0]});
  }
  return starts;
}

}  // namespace pw
