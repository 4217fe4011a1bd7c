#include "app/viewer/start_place.h"

#include <fstream>
#include <locale>
#include <optional>
#include <sstream>

#include "collision/enclosure.h"

namespace pw {
namespace {

struct StartPoint {
  Point3 eye;
  float yaw;
};

// The first line of a start-points file: "x y z yaw share".
std::optional<StartPoint> firstStartPoint(const std::filesystem::path& path) {
  std::ifstream in(path);
  in.imbue(std::locale::classic());
  StartPoint start{};
  if (!(in >> start.eye.x >> start.eye.y >> start.eye.z >> start.yaw)) return std::nullopt;
  return start;
}

std::string pointText(const Point3& p) {
  std::ostringstream out;
  out.imbue(std::locale::classic());
  out << '(' << static_cast<float>(p.x) << ", " << static_cast<float>(p.y) << ", " << static_cast<float>(p.z) << ')';
  return out.str();
}

void placeEye(Camera& camera, const Point3& eye) {
  camera.tx = static_cast<float>(-eye.x);
  camera.ty = static_cast<float>(-eye.y);
  camera.tz = static_cast<float>(-eye.z);
}

}  // namespace

StartPlace chooseStartPlace(const Scene& scene, const std::filesystem::path& levelPath, const Camera& asked,
                            bool eyeGiven) {
  std::filesystem::path startsPath = levelPath;
  startsPath.replace_extension(".starts");
  const std::optional<StartPoint> start = firstStartPoint(startsPath);
  StartPlace place{asked, bodyOfStandingHeight(start ? kImportedStandingHeight : kDesignedStandingHeight), {}, {}};

  const EnclosureProbe probe = probeEnclosure(scene, asked.eye());
  if (probe.where == Surroundings::Enclosed) return place;
  const std::string why = "lies in no enclosed empty region (" + describe(probe.where) + ")";
  if (eyeGiven) {
    place.warning = "portalwalk: warning: the eye " + pointText(asked.eye()) + " given with --eye " + why +
                    "; starting there as asked";
    return place;
  }
  const std::string opening = "start: the designed eye " + pointText(asked.eye()) + " " + why + "; ";
  if (start) {
    placeEye(place.camera, start->eye);
    place.camera.yaw = start->yaw;
    std::ostringstream yaw;
    yaw.imbue(std::locale::classic());
    yaw << start->yaw;
    place.note = opening + "starting at the first start point of " + startsPath.string() + ", " +
                 pointText(start->eye) + " yaw " + yaw.str();
  } else if (const std::optional<Point3> stand = roomiestStand(scene, place.body.standingHeight)) {
    placeEye(place.camera, *stand);
    std::ostringstream height;
    height.imbue(std::locale::classic());
    height << place.body.standingHeight;
    place.note = opening + "starting " + height.str() + " units over the floor of the roomiest enclosed place found, " +
                 pointText(*stand);
  } else {
    place.note = opening + "no enclosed place was found, so it stays there";
  }
  return place;
}

}  // namespace pw
