#include "diag/scene_log.h"

#include <locale>
#include <system_error>

namespace pw {

SceneLog::SceneLog(const std::filesystem::path& fileName, const Scene* scene)
    : scene_(scene), fileName_(fileName), stream_(fileName, std::ios::out | std::ios::trunc) {
  // The decimal point is "." whatever the user's locale.
  stream_.imbue(std::locale::classic());
  stream_.precision(20);
}

SceneLog::~SceneLog() { stream_.flush(); }

void SceneLog::restart() {
  // Every line is flushed as it ends, so nothing is pending in the buffer.
  stream_.flush();
  std::error_code ignored;  // a log that could not be opened stays failed and silent
  std::filesystem::resize_file(fileName_, 0, ignored);
  stream_.seekp(0);
}

void SceneLog::endLine() {
  stream_ << '\n';
  stream_.flush();
}

void SceneLog::writePoint(const Point3& point) {
  stream_ << point.x << ' ' << point.y << ' ' << point.z;
  endLine();
}

}  // namespace pw
