#include "compile/plan_view.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <numbers>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "bsp/bsp_node.h"
#include "compile/build_level.h"
#include "portal/portal.h"
#include "geometry/convex_hull.h"
#include "scene/scene.h"
#include "support/whole_file.h"

namespace pw {
namespace {

struct Segment {
  Point3 a;
  Point3 b;
};

// Where a polygon (corners in order) crosses the plane y = h: the two
// crossings farthest apart. None when it misses the plane or lies in it.
std::optional<Segment> sliceAt(std::span<const Point3> corners, double h) {
  std::vector<Point3> hits;
  for (std::size_t k = 0; k < corners.size(); ++k) {
    const Point3& a = corners[k];
    const Point3& b = corners[(k + 1) % corners.size()];
    const double da = a.y - h, db = b.y - h;
    if (da == 0.0) hits.push_back(a);
    if ((da < 0.0 && db > 0.0) || (da > 0.0 && db < 0.0)) hits.push_back(a + (da / (da - db)) * (b - a));
  }
  std::optional<Segment> widest;
  double widestLength = 0.0;
  for (std::size_t i = 0; i < hits.size(); ++i) {
    for (std::size_t j = i + 1; j < hits.size(); ++j) {
      const double length = dot(hits[j] - hits[i], hits[j] - hits[i]);
      if (length > widestLength) {
        widestLength = length;
        widest = Segment{hits[i], hits[j]};
      }
    }
  }
  return widest;
}

constexpr double kPictureSize = 1000.0;  // pixels across the larger extent
constexpr double kMargin = 20.0;
constexpr double kLegendHeight = 40.0;

// The page: level x to the right, level z downwards, so that seen from above
// a right turn is clockwise and the eye at yaw 0 looks up the page.
class Page {
 public:
  explicit Page(const Bounds& bounds)
      : minX_(bounds.min.x),
        minZ_(bounds.min.z),
        scale_(kPictureSize / std::max({bounds.max.x - bounds.min.x, bounds.max.z - bounds.min.z, 1e-9})),
        width_(2.0 * kMargin + (bounds.max.x - bounds.min.x) * scale_),
        height_(2.0 * kMargin + kLegendHeight + (bounds.max.z - bounds.min.z) * scale_) {}

  std::string at(const Point3& p) const { return number(x(p)) + ',' + number(y(p)); }
  std::string line(const Segment& s, const char* kind) const {
    return "<line class=\"" + std::string(kind) + "\" x1=\"" + number(x(s.a)) + "\" y1=\"" + number(y(s.a)) +
           "\" x2=\"" + number(x(s.b)) + "\" y2=\"" + number(y(s.b)) + "\"/>\n";
  }
  double x(const Point3& p) const { return kMargin + (p.x - minX_) * scale_; }
  double y(const Point3& p) const { return kMargin + kLegendHeight + (p.z - minZ_) * scale_; }
  double scale() const { return scale_; }
  double width() const { return width_; }
  double height() const { return height_; }

  static std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
  }

 private:
  double minX_, minZ_, scale_, width_, height_;
};

const char kStyle[] =
    "<style>\n"
    "  .cell { stroke: #999; stroke-width: 0.5; fill-opacity: 0.35 }\n"
    "  .wall { stroke: #000; stroke-width: 1.5 }\n"
    "  .portal line, line.portal { stroke: #1a9e3a; stroke-width: 3 }\n"
    "  .link line, line.link { stroke: #e8871e; stroke-width: 2.5; stroke-dasharray: 6 3 }\n"
    "  .open-edge { stroke: #d0021b; fill: none; stroke-width: 1.5 }\n"
    "  .eye { fill: #2463c7 } .wedge { fill: #2463c7; fill-opacity: 0.2; stroke: #2463c7 }\n"
    "  .leak { stroke: #b0139e; stroke-width: 2.5; fill: none }\n"
    "  text { font: 13px sans-serif }\n"
    "</style>\n";

void writeLegend(std::ostream& out, double height) {
  const struct {
    const char* kind;
    const char* label;
  } entries[] = {{"wall", "wall"},           {"portal", "designed portal"}, {"link", "open link"},
                 {"open-edge", "open edge"}, {"wedge", "eye and view"},     {"cell", "cell of a Space"},
                 {"leak", "leak trail"}};
  out << "<g id=\"legend\">\n<text x=\"" << kMargin << "\" y=\"" << kMargin << "\">plan at y = " << height
      << "</text>\n";
  double x = kMargin + 130.0;
  for (const auto& e : entries) {
    const std::string y = Page::number(kMargin - 4.0);
    if (std::string_view(e.kind) == "cell" || std::string_view(e.kind) == "wedge") {
      out << "<rect class=\"" << e.kind << "\" x=\"" << x << "\" y=\"" << kMargin - 10.0
          << "\" width=\"20\" height=\"10\" fill=\"#9cc\"/>\n";
    } else {
      out << "<line class=\"" << e.kind << "\" x1=\"" << x << "\" y1=\"" << y << "\" x2=\"" << x + 20.0 << "\" y2=\""
          << y << "\"/>\n";
    }
    out << "<text x=\"" << x + 26.0 << "\" y=\"" << kMargin << "\">" << e.label << "</text>\n";
    x += 40.0 + 7.5 * static_cast<double>(std::strlen(e.label));
  }
  out << "</g>\n";
}

// The picture, element by element: legend, cells, walls, portals, links,
// open edges, eye.
void drawPlan(std::ostream& out, const Scene& scene, const BuiltLevel& level, const PlanSlice& slice) {
  const BspNode& root = *level.compiled->root;
  const Page page(level.cells.bounds);
  const double h = slice.height;
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << Page::number(page.width()) << "\" height=\""
      << Page::number(page.height()) << "\" viewBox=\"0 0 " << Page::number(page.width()) << ' '
      << Page::number(page.height()) << "\">\n"
      << "<title>plan view at y = " << h << "</title>\n"
      << kStyle << "<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n";
  writeLegend(out, h);

  const std::vector<const BspNode*> spaces = collectSpaces(root);
  out << "<g id=\"cells\">\n";
  for (const BspNode* space : spaces) {
    std::vector<Point3> crossings;
    for (const std::uint32_t f : level.cells.facesOfSpace[spaceIndex(*space)]) {
      if (const auto s = sliceAt(level.cells.faces[f].polygon, h)) crossings.insert(crossings.end(), {s->a, s->b});
    }
    // Seen from above, x and z.
    std::vector<Point2> flat;
    for (const Point3& p : crossings) flat.push_back({p.x, p.z});
    const std::vector<Point2> hull = convexHull(std::move(flat));
    if (hull.size() < 3) continue;
    out << "<polygon class=\"cell\" fill=\"hsl(" << (space->number * 137) % 360 << ", 60%, 70%)\" points=\"";
    for (std::size_t k = 0; k < hull.size(); ++k) out << (k == 0 ? "" : " ") << page.at({hull[k][0], h, hull[k][1]});
    out << "\"><title>Space " << space->number << ": " << space->triangles.size() << " triangles</title></polygon>\n";
  }
  out << "</g>\n<g id=\"walls\">\n";
  for (const BspNode* space : spaces) {
    for (const std::uint32_t t : space->triangles) {
      const Triangle& triangle = scene.triangle(static_cast<std::int32_t>(t));
      const Point3 corners[] = {scene.vertex(triangle.vertexIndex(0)), scene.vertex(triangle.vertexIndex(1)),
                                scene.vertex(triangle.vertexIndex(2))};
      if (const auto s = sliceAt(corners, h)) out << page.line(*s, "wall");
    }
  }
  // A designed fragment and its twin are one passage: drawn once.
  out << "</g>\n<g id=\"portals\">\n";
  for (const BspNode* space : spaces) {
    for (const Portal* fragment : space->portals) {
      if (fragment->target() == nullptr || fragment->target()->number < space->number) continue;
      std::string lines;
      for (const PortalTriangle& t : fragment->triangles()) {
        if (const auto s = sliceAt(t.vertices, h)) lines += page.line(*s, "portal");
      }
      if (lines.empty()) continue;
      out << "<g class=\"portal\"><title>designed portal between Space " << space->number << " and Space "
          << fragment->target()->number << "</title>\n"
          << lines << "</g>\n";
    }
  }
  out << "</g>\n<g id=\"links\">\n";
  for (const OpenLink& link : level.links.links) {
    std::string lines;
    for (const FlatTriangle& t : link.triangles) {
      if (const auto s = sliceAt(t, h)) lines += page.line(*s, "link");
    }
    if (lines.empty()) continue;
    out << "<g class=\"link\"><title>open link from Space " << link.from->number << " into Space " << link.to->number
        << "</title>\n"
        << lines << "</g>\n";
  }
  // Open edges crossing the slice are ringed; those lying within half a unit
  // of it are drawn.
  out << "</g>\n<g id=\"open-edges\">\n";
  for (const auto& edge : level.compiled->edges.open) {
    const Point3 ends[] = {scene.vertex(edge[0]), scene.vertex(edge[1])};
    if (std::abs(ends[0].y - h) <= 0.5 && std::abs(ends[1].y - h) <= 0.5) {
      out << page.line({ends[0], ends[1]}, "open-edge");
    } else if ((ends[0].y - h) * (ends[1].y - h) < 0.0) {
      const Point3 at = ends[0] + ((ends[0].y - h) / (ends[0].y - ends[1].y)) * (ends[1] - ends[0]);
      out << "<circle class=\"open-edge\" cx=\"" << Page::number(page.x(at)) << "\" cy=\"" << Page::number(page.y(at))
          << "\" r=\"4\"/>\n";
    }
  }
  // The wedge reaches two units into the level, or 40 pixels if that is more.
  const double reach = std::max(2.0, 40.0 / page.scale());
  const auto along = [&](double degrees) {
    const double w = degrees * std::numbers::pi / 180.0;
    return slice.eye + reach * Point3{std::sin(w), 0.0, -std::cos(w)};
  };
  out << "</g>\n<g id=\"eye\">\n<polygon class=\"wedge\" points=\"" << page.at(slice.eye) << ' '
      << page.at(along(slice.yawDegrees - slice.halfAngleDegrees)) << ' '
      << page.at(along(slice.yawDegrees + slice.halfAngleDegrees)) << "\"/>\n"
      << "<circle class=\"eye\" cx=\"" << Page::number(page.x(slice.eye)) << "\" cy=\""
      << Page::number(page.y(slice.eye)) << "\" r=\"4\"><title>eye (" << slice.eye.x << ' ' << slice.eye.y << ' '
      << slice.eye.z << ")</title></circle>\n</g>\n";
  if (!slice.leakTrail.empty()) {
    out << "<polyline class=\"leak\" points=\"";
    for (std::size_t k = 0; k < slice.leakTrail.size(); ++k) out << (k == 0 ? "" : " ") << page.at(slice.leakTrail[k]);
    out << "\"><title>leak trail</title></polyline>\n";
  }
  out << "</svg>\n";
}

}  // namespace

bool writePlanSvg(const std::filesystem::path& path, const Scene& scene, const BuiltLevel& level,
                  const PlanSlice& slice, std::string& error) {
  return writeWholeFile(path, error, [&](std::ofstream& out) { drawPlan(out, scene, level, slice); });
}

}  // namespace pw
