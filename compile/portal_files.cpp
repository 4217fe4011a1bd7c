#include "compile/portal_files.h"

#include <charconv>
#include <fstream>

#include "bsp/bsp_node.h"
#include "cells/open_links.h"
#include "portal/portal.h"
#include "support/whole_file.h"

namespace pw {
namespace {

// Shortest text that reads back as the same double.
std::string number(double value) {
  char text[32];
  const auto [end, failure] = std::to_chars(text, text + sizeof text, value);
  return std::string(text, end);
}

std::uint32_t cellOf(const BspNode& space) { return static_cast<std::uint32_t>(spaceIndex(space)); }

}  // namespace

CellGraph soundCellGraph(const BspNode& root, const OpenLinks& links) {
  CellGraph graph;
  const std::vector<const BspNode*> spaces = collectSpaces(root);
  graph.cells = spaces.size();
  for (const BspNode* space : spaces) {
    for (const Portal* fragment : space->portals) {
      const BspNode* target = fragment->target();
      // A fragment faces into the Space that holds it; its twin, held by the
      // target, is the same passage the other way.
      if (target == nullptr || target->number < space->number) continue;
      for (const PortalTriangle& t : fragment->triangles()) {
        graph.portals.push_back({cellOf(*space), cellOf(*target), {t.vertices.begin(), t.vertices.end()}});
      }
    }
  }
  for (const OpenLink& link : links.links) {
    for (const FlatTriangle& t : link.triangles) {
      CellPortal portal{cellOf(*link.from), cellOf(*link.to), {t.begin(), t.end()}};
      if (dot(cross(t[1] - t[0], t[2] - t[0]), link.plane.normal) < 0.0) std::swap(portal.points[1], portal.points[2]);
      graph.portals.push_back(std::move(portal));
    }
  }
  return graph;
}

bool writePrt(const std::filesystem::path& path, const CellGraph& graph, std::string& error) {
  return writeWholeFile(path, error, [&graph](std::ofstream& out) {
    out << "PRT1\n" << graph.cells << '\n' << graph.portals.size() << '\n';
    for (const CellPortal& portal : graph.portals) {
      out << portal.points.size() << ' ' << portal.front << ' ' << portal.back;
      for (const Point3& p : portal.points)
        out << " (" << number(p.x) << ' ' << number(p.y) << ' ' << number(p.z) << ')';
      out << '\n';
    }
  });
}

bool writePortalsObj(const std::filesystem::path& path, const CellGraph& graph, std::string& error) {
  return writeWholeFile(path, error, [&graph](std::ofstream& out) {
    out << "# " << graph.portals.size() << " portals between " << graph.cells << " cells\n";
    std::uint64_t corners = 0;
    for (std::size_t n = 0; n < graph.portals.size(); ++n) {
      const CellPortal& portal = graph.portals[n];
      out << "g portal_" << n << '_' << portal.front << '_' << portal.back << '\n';
      for (const Point3& p : portal.points)
        out << "v " << number(p.x) << ' ' << number(p.y) << ' ' << number(p.z) << '\n';
      out << 'f';
      for (std::size_t k = 0; k < portal.points.size(); ++k) out << ' ' << ++corners;
      out << '\n';
    }
  });
}

}  // namespace pw
