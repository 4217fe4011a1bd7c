// The writer behind the geometric text logs ("out.log", "contours.log",
// "tris.log"): one output file paired with the Scene whose indices it turns
// into positions.
#pragma once

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>

#include "geometry/point3.h"

namespace pw {

class Scene;

// A log that did not receive everything written to it, and why.
struct LogFailure {
  std::filesystem::path file;  // as opened: the output folder joined with the log's name
  std::string reason;          // the system's text for the first failure, e.g. "No space left on device"
};

// Numbers are written with the stream's general notation at precision 20
// (0 as "0", 1000 as "1000", 0.1f widened as "0.10000000149011611938");
// integers in decimal. Every line end is one "\n" followed by a flush, so the
// file is whole up to its last line at any moment.
//
// A file that cannot be opened or written does not stop the program: later
// writes are dropped, and the log remembers the first failure so that its
// owner can report it (`ok`, `failure`, `close`).
class SceneLog {
 public:
  // Creates or truncates `fileName`.
  SceneLog(const std::filesystem::path& fileName, const Scene* scene);
  // A log with no file, for a build that wants none: it starts closed, so
  // every write returns at once and it stays `ok()`; its path is empty.
  explicit SceneLog(const Scene* scene);
  // Closes the file if `close` has not.
  ~SceneLog();
  SceneLog(const SceneLog&) = delete;
  SceneLog& operator=(const SceneLog&) = delete;

  std::ostream& stream() { return stream_; }
  const Scene* scene() const { return scene_; }
  const std::filesystem::path& path() const { return fileName_; }

  // Empties the file and writes on from its start: for a log that holds only
  // its latest record and stays open between records (reopening a file to
  // truncate it makes some file systems write the old content out first).
  void restart();

  // "\n" and a flush; then the stream's state is checked, so a failed write
  // is noticed at the end of the line it belongs to.
  void endLine();
  // x, " ", y, " ", z and a line end, on this log's stream.
  void writePoint(const Point3& point);

  // Flushes and closes the file; anything written afterwards is dropped and
  // not counted as a failure. Returns `ok()`. Closing twice does nothing.
  bool close();
  // True while everything written so far (text written after the last line
  // end is checked at the next line end or at `close`) reached the file.
  bool ok() const { return failure_.empty(); }
  // The reason of the first failure; empty while `ok()`.
  const std::string& failure() const { return failure_; }

 private:
  // Keeps the first failure: the reason for `error` (an errno value), or
  // `fallback` when there is none.
  void noteFailure(int error, const char* fallback);

  const Scene* scene_;
  std::filesystem::path fileName_;
  std::ofstream stream_;
  std::string failure_;
  bool closed_ = false;
};

}  // namespace pw
