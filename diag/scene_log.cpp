#include "diag/scene_log.h"

#include <locale>

namespace pw {

SceneLog::SceneLog(const std::filesystem::path& fileName, const Scene* scene)
    : scene_(scene), stream_(fileName, std::ios::out | std::ios::trunc) {
  // The decimal point is "." whatever the user's locale.
  stream_.imbue(std::locale::classic());
  stream_.precision(20);
}

SceneLog::~SceneLog() { stream_.flush(); }

void SceneLog::endLine() {
  stream_ << '\n';
  stream_.flush();
}

void SceneLog::writePoint(const Point3& point) {
  stream_ << point.x << ' ' << point.y << ' ' << point.z;
  endLine();
}

}  // namespace pw
