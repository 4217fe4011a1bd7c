#include "diag/scene_log.h"

#include <charconv>
#include <locale>
#include <system_error>

namespace pw {

namespace {

// Significant digits of every number in the logs.
constexpr int kPrecision = 20;
// The most characters "%.20g" gives for a double: sign, 20 digits, point,
// "e-308".
constexpr std::size_t kLongestNumber = 1 + 20 + 1 + 5;

}  // namespace

SceneLog::SceneLog(const std::filesystem::path& fileName, const Scene* scene)
    : scene_(scene), fileName_(fileName), stream_(fileName, std::ios::out | std::ios::trunc) {
  // The decimal point is "." whatever the user's locale.
  stream_.imbue(std::locale::classic());
  stream_.precision(kPrecision);
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

// std::to_chars in general notation with a precision is printf's "%.*g" in
// the C locale, which is what the stream's own number output produces with
// the classic locale: the same characters, without the locale machinery
// (writing points is most of the time a build spends on its logs).
void SceneLog::writePoint(const Point3& point) {
  char text[3 * kLongestNumber + 2];
  char* const last = text + sizeof text;
  char* at = std::to_chars(text, last, point.x, std::chars_format::general, kPrecision).ptr;
  *at++ = ' ';
  at = std::to_chars(at, last, point.y, std::chars_format::general, kPrecision).ptr;
  *at++ = ' ';
  at = std::to_chars(at, last, point.z, std::chars_format::general, kPrecision).ptr;
  stream_.write(text, at - text);
  endLine();
}

}  // namespace pw
