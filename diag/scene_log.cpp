#include "diag/scene_log.h"

#include <cerrno>
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

SceneLog::SceneLog(const std::filesystem::path& fileName, const Scene* scene) : scene_(scene), fileName_(fileName) {
  errno = 0;
  stream_.open(fileName, std::ios::out | std::ios::trunc);
  if (!stream_.is_open()) noteFailure(errno, "cannot be opened");
  // The decimal point is "." whatever the user's locale.
  stream_.imbue(std::locale::classic());
  stream_.precision(kPrecision);
}

// A bad stream makes every formatted write return before formatting.
SceneLog::SceneLog(const Scene* scene) : scene_(scene), closed_(true) { stream_.setstate(std::ios::badbit); }

SceneLog::~SceneLog() { close(); }

void SceneLog::restart() {
  if (closed_) return;
  // Every line is flushed as it ends, so nothing is pending in the buffer.
  stream_.flush();
  std::error_code error;
  std::filesystem::resize_file(fileName_, 0, error);
  if (error) noteFailure(error.value(), "cannot be emptied");
  stream_.seekp(0);
  if (stream_.fail()) noteFailure(errno, "cannot be rewound");
}

// The check costs one test of the stream's state per line. A write that
// fails leaves the stream bad, and a bad stream makes no further system call
// until here, so errno still holds the failed write's reason.
void SceneLog::endLine() {
  if (closed_) return;
  stream_ << '\n';
  stream_.flush();
  if (stream_.fail()) noteFailure(errno, "write failed");
}

bool SceneLog::close() {
  if (closed_) return ok();
  // Text written since the last line end may have failed already: errno is
  // left as that write left it.
  stream_.flush();
  if (stream_.fail()) noteFailure(errno, "write failed");
  if (stream_.is_open()) {
    errno = 0;
    stream_.close();
    if (stream_.fail()) noteFailure(errno, "close failed");
  }
  closed_ = true;
  return ok();
}

void SceneLog::noteFailure(int error, const char* fallback) {
  if (!failure_.empty()) return;
  failure_ = error != 0 ? std::generic_category().message(error) : fallback;
}

// std::to_chars in general notation with a precision is printf's "%.*g" in
// the C locale, which is what the stream's own number output produces with
// the classic locale: the same characters, without the locale machinery
// (writing points is most of the time a build spends on its logs).
void SceneLog::writePoint(const Point3& point) {
  if (closed_) return;  // dropped, unformatted
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
