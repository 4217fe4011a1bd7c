// The writer behind the geometric text logs ("out.log", "contours.log",
// "tris.log"): one output file paired with the Scene whose indices it turns
// into positions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "geometry/point3.h"

namespace pw {

class Scene;
class LineWriter;

// What a log's lines not yet written may hold before the one who writes them
// waits for the writer thread, unless the log is made with other room.
inline constexpr std::size_t kLogQueuedBytes = std::size_t{2} << 20;

// A log that did not receive everything written to it, and why.
struct LogFailure {
  std::filesystem::path file;  // as opened: the output folder joined with the log's name
  std::string reason;          // the system's text for the first failure, e.g. "No space left on device"
};

// Numbers are written as a C++ stream in the classic locale writes them at
// precision 20: coordinates in general notation (0 as "0", 1000 as "1000",
// 0.1f widened as "0.10000000149011611938"), integers in decimal without
// grouping. A line is made in memory and handed at its end to the log's
// writer thread (LineWriter), which writes it with one write call, so the
// file is whole up to its last written line at any moment; the lines reach
// the file in the order they were ended.
//
// A file that cannot be opened or written does not stop the program: later
// writes are dropped, and the log remembers the first failure so that its
// owner can report it (`ok`, `failure`, `close`).
class SceneLog {
 public:
  // Creates or truncates `fileName`; its writer thread lets at most
  // `maxQueuedBytes` of lines wait for it.
  SceneLog(const std::filesystem::path& fileName, const Scene* scene, std::size_t maxQueuedBytes = kLogQueuedBytes);
  // A log with no file, for a build that wants none: it starts closed, so
  // every write returns at once and it stays `ok()`; its path is empty.
  explicit SceneLog(const Scene* scene);
  // Closes the file if `close` has not.
  ~SceneLog();
  SceneLog(const SceneLog&) = delete;
  SceneLog& operator=(const SceneLog&) = delete;

  const Scene* scene() const { return scene_; }
  const std::filesystem::path& path() const { return fileName_; }

  // Empties the file and writes on from its start: for a log that holds only
  // its latest record and stays open between records (reopening a file to
  // truncate it makes some file systems write the old content out first).
  // Text not yet ended by a line end is dropped with the rest. The writer
  // thread empties the file in turn, after the lines ended before.
  void restart();

  // Appends to the current line.
  void write(std::string_view text);
  void writeInteger(std::uint64_t value);
  // Ends the current line and hands it to the writer thread.
  void endLine();
  // x, " ", y, " ", z and a line end.
  void writePoint(const Point3& point);

  // Hands over text not yet ended by a line end, waits until everything is
  // written and closes the file; anything written afterwards is dropped and
  // not counted as a failure. Returns `ok()`. Closing twice does nothing.
  bool close();
  // True while everything written so far (text not yet ended by a line end
  // is written at `close`) reached the file. Waits for the lines already
  // ended to be written, so that it is exact.
  bool ok() { return failure().empty(); }
  // The reason of the first failure; empty while `ok()`. Waits as `ok` does.
  std::string failure();
  // Seconds the thread writing this log waited for its writer thread.
  double waitSeconds() const;

 private:
  const Scene* scene_;
  std::filesystem::path fileName_;
  std::unique_ptr<LineWriter> file_;  // null for a log with no file
  std::string line_;                  // the current line, not yet handed over
  bool closed_ = false;
};

}  // namespace pw
