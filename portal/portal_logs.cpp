#include <string_view>

#include "diag/scene_log.h"
#include "portal/portal_creation.h"

namespace pw {
namespace {

void writeLine(SceneLog& log, std::string_view text) {
  log.write(text);
  log.endLine();
}

}  // namespace

void writeEdgeSet(SceneLog& log, const EdgeSet& edges) {
  for (const auto& [start, end] : edges) {
    log.writePoint(start);
    log.endLine();
    log.writePoint(end);
    writeLine(log, "-------------");
  }
  writeLine(log, "===============");
}

void writeContours(SceneLog& log, const std::vector<Contour>& contours) {
  for (const Contour& contour : contours) {
    for (const Point3& point : contour) log.writePoint(point);
    writeLine(log, "----------");
  }
  writeLine(log, "===============");
}

void writePortalTriangle(SceneLog& log, const Point3& a, const Point3& b, const Point3& c) {
  log.writePoint(a);
  log.writePoint(b);
  log.writePoint(c);
  writeLine(log, "------------");
}

}  // namespace pw
