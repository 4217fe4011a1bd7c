#include "scene/material_library.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "scene/obj_fields.h"

namespace pw {
namespace {

// The image file of a map statement: its last field, as options such as
// "-s 1 1 1" come before it.
std::string_view lastField(ObjCursor& cursor) {
  std::string_view last;
  for (std::string_view field = cursor.token(); !field.empty(); field = cursor.token()) last = field;
  return last;
}

// Reads one statement into the current material; false when it is unreadable.
bool readStatement(std::string_view keyword, ObjCursor& cursor, const std::filesystem::path& folder,
                   Material& material, MtlReport& report) {
  if (keyword == "Kd") return readObjFloats(cursor, material.diffuse);
  if (keyword == "d") {
    std::array<float, 1> opacity{};
    if (!readObjFloats(cursor, opacity)) return false;
    material.opacity = opacity[0];
    return true;
  }
  if (keyword == "map_Kd") {
    const std::string_view file = lastField(cursor);
    if (file.empty()) return false;
    material.diffuseMap = folder / std::filesystem::path(file);
    return true;
  }
  ++report.otherStatements;
  return true;
}

}  // namespace

void readMtlText(std::string_view text, const std::filesystem::path& folder, std::vector<Material>& materials,
                 MtlReport& report) {
  const std::size_t first = materials.size();
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    ObjCursor cursor(text.substr(0, end));
    text.remove_prefix(std::min(end + 1, text.size()));
    const std::string_view keyword = cursor.token();
    if (keyword.empty() || keyword.starts_with('#')) continue;
    if (keyword == "newmtl") {
      ++report.materials;
      materials.emplace_back().name = cursor.token();
    } else if (materials.size() == first || !readStatement(keyword, cursor, folder, materials.back(), report)) {
      ++report.skippedLines;
    }
  }
}

bool readMtlFile(const std::filesystem::path& fileName, std::vector<Material>& materials, MtlReport& report) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(fileName, error)) return false;
  std::ifstream file(fileName, std::ios::binary);
  if (!file) return false;
  std::ostringstream text;
  text << file.rdbuf();  // an empty file sets failbit here, and is read as empty
  readMtlText(text.str(), fileName.parent_path(), materials, report);
  return true;
}

}  // namespace pw
