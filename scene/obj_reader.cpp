#include "scene/obj_reader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "scene/obj_text_parser.h"

namespace pw {
namespace {

// Bytes asked of each read. A line longer than what is left of the buffer
// doubles it, so lines of any length are read whole.
constexpr std::size_t kReadBlockBytes = std::size_t{1} << 20;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// One line to stderr naming the file; the report keeps the reason.
void reportFailure(ObjReadReport& report, const char* what, const std::filesystem::path& fileName, std::string reason) {
  std::fprintf(stderr, "%s OBJ file \"%s\": %s\n", what, fileName.c_str(), reason.c_str());
  report.failure = std::move(reason);
}

// The line counts of a regular file, read once ahead of parsing (from the
// page cache, a small part of the parse); the file is left at its start.
// Anything else (a pipe) is read once only and is not counted.
ObjLineCounts countLines(std::FILE* file, const std::filesystem::path& fileName, std::vector<char>& buffer) {
  ObjLineCounter counter;
  if (std::error_code ignored; !std::filesystem::is_regular_file(fileName, ignored)) return counter.counts();
  for (;;) {
    const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file);
    counter.feed({buffer.data(), got});
    if (got < buffer.size()) break;
  }
  std::rewind(file);  // also clears an error, which the parse then meets again
  return counter.counts();
}

}  // namespace

ObjReadReport ObjReader::read(Scene& scene) const {
  ObjReadReport report;
  const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fileName_.c_str(), "rb"));
  if (!file) {
    reportFailure(report, "cannot open", fileName_, std::strerror(errno));
    return report;
  }
  // A directory opens like a file here, and only the first read would fail
  // (as a read error, which reads like a file cut short): say what it is.
  if (std::error_code ignored; std::filesystem::is_directory(fileName_, ignored)) {
    reportFailure(report, "cannot open", fileName_, std::strerror(EISDIR));
    return report;
  }
  report.opened = true;

  ObjTextParser parser(scene, report, options_);
  std::vector<char> buffer(kReadBlockBytes);
  parser.reserve(countLines(file.get(), fileName_, buffer));
  std::size_t held = 0;  // bytes of an unfinished line kept at the buffer's start
  for (;;) {
    if (held == buffer.size()) buffer.resize(2 * buffer.size());
    const std::size_t wanted = buffer.size() - held;
    const std::size_t got = std::fread(buffer.data() + held, 1, wanted, file.get());
    report.bytes += got;
    held += got;
    // fread comes back short only at the end of the file or on an error.
    const bool shortRead = got < wanted;
    if (shortRead && std::ferror(file.get()) != 0) {
      const int error = errno;
      // The complete lines before the error count; the unfinished one does not.
      parser.parse({buffer.data(), held}, false);
      report.readError = true;
      reportFailure(report, "error reading", fileName_, std::strerror(error));
      break;
    }
    const std::size_t consumed = parser.parse({buffer.data(), held}, shortRead);
    if (report.unsupportedEncoding) {
      reportFailure(report, "cannot read", fileName_, ObjReadReport::kUtf16Failure);
      break;
    }
    if (shortRead) break;
    held -= consumed;
    std::memmove(buffer.data(), buffer.data() + consumed, held);
  }
  return report;
}

ObjReadReport readObjText(std::string_view text, Scene& scene, ObjReadOptions options) {
  ObjReadReport report;
  report.opened = true;
  report.bytes = text.size();
  ObjTextParser parser(scene, report, options);
  ObjLineCounter counter;
  counter.feed(text);
  parser.reserve(counter.counts());
  parser.parse(text, true);
  return report;
}

}  // namespace pw
