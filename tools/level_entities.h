// The entities of a Quake III level (its first lump: blocks of quoted key
// and value pairs, `{ "classname" "info_player_deathmatch" "origin" "0 0 24" }`)
// and the player start points among them.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "geometry/point3.h"

namespace pw {

struct Entity {
  std::vector<std::pair<std::string, std::string>> pairs;  // in file order

  // The value of the first pair with this key, or nullptr.
  const std::string* value(std::string_view key) const;
};

// Throws ibsp::FormatError for text that is not a sequence of such blocks
// (an unclosed block or quote, a key without a value, text outside a block).
std::vector<Entity> parseEntities(std::string_view text);

// A point where a player enters the level: the origin of the player's box
// (24 units above the floor) in the level's axes and units, and the facing
// as Quake gives it, degrees counter-clockwise from +x seen from above.
struct PlayerStart {
  Point3 origin;
  double angle = 0.0;
};

// Deathmatch, single-player and team starts, in entity order. Throws
// ibsp::FormatError when a start's "origin" is not three numbers, its
// "angle" not one number or, without an "angle", its "angles" not three.
std::vector<PlayerStart> playerStarts(const std::vector<Entity>& entities);

}  // namespace pw
