#include "diag/scene_log.h"

#include <charconv>

#include "diag/line_writer.h"

namespace pw {

namespace {

// Significant digits of every number in the logs.
constexpr int kPrecision = 20;
// The most characters "%.20g" gives for a double: sign, 20 digits, point,
// "e-308".
constexpr std::size_t kLongestNumber = 1 + 20 + 1 + 5;

}  // namespace

SceneLog::SceneLog(const std::filesystem::path& fileName, const Scene* scene, std::size_t maxQueuedBytes)
    : scene_(scene),
      fileName_(fileName),
      file_(std::make_unique<LineWriter>(fileName, maxQueuedBytes)) {}

SceneLog::SceneLog(const Scene* scene) : scene_(scene), closed_(true) {}

SceneLog::~SceneLog() { close(); }

void SceneLog::restart() {
  if (closed_) return;
  line_.clear();
  file_->restart();
}

void SceneLog::write(std::string_view text) {
  if (closed_) return;
  line_.append(text);
}

// std::to_chars is the stream's integer output in the classic locale: plain
// decimal digits, no grouping.
void SceneLog::writeInteger(std::uint64_t value) {
  if (closed_) return;
  char text[20];
  line_.append(text, std::to_chars(text, text + sizeof text, value).ptr);
}

void SceneLog::endLine() {
  if (closed_) return;
  line_ += '\n';
  file_->write(line_);
  line_.clear();
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
  line_.append(text, at);
  endLine();
}

bool SceneLog::close() {
  if (closed_) return ok();
  file_->write(line_);  // an unended last line, as the file would get it
  line_.clear();
  closed_ = true;
  return file_->close();
}

std::string SceneLog::failure() { return file_ != nullptr ? file_->failure() : std::string(); }

double SceneLog::waitSeconds() const { return file_ != nullptr ? file_->waitSeconds() : 0.0; }

}  // namespace pw
