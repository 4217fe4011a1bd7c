// The writer behind the geometric text logs ("out.log", "contours.log",
// "tris.log"): one output file paired with the Scene whose indices it turns
// into positions.
#pragma once

#include <filesystem>
#include <fstream>
#include <ostream>

#include "scene/geometry.h"

namespace pw {

class Scene;

// Numbers are written with the stream's general notation at precision 20
// (0 as "0", 1000 as "1000", 0.1f widened as "0.10000000149011611938");
// integers in decimal. Every line end is one "\n" followed by a flush, so the
// file is whole up to its last line at any moment. If the file cannot be
// opened or written, the stream fails and writes are silently dropped.
class SceneLog {
 public:
  // Creates or truncates `fileName`.
  SceneLog(const std::filesystem::path& fileName, const Scene* scene);
  ~SceneLog();
  SceneLog(const SceneLog&) = delete;
  SceneLog& operator=(const SceneLog&) = delete;

  std::ostream& stream() { return stream_; }
  const Scene* scene() const { return scene_; }

  // Empties the file and writes on from its start: for a log that holds only
  // its latest record and stays open between records (reopening a file to
  // truncate it makes some file systems write the old content out first).
  void restart();

  // "\n" and a flush.
  void endLine();
  // x, " ", y, " ", z and a line end, on this log's stream.
  void writePoint(const Point3& point);

 private:
  const Scene* scene_;
  std::filesystem::path fileName_;
  std::ofstream stream_;
};

}  // namespace pw
