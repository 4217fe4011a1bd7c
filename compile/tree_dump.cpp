#include "compile/tree_dump.h"

#include <cinttypes>
#include <cstdio>
#include <ostream>
#include <vector>

#include "bsp/bsp_node.h"
#include "diag/scene_log.h"
#include "portal/portal.h"
#include "scene/scene.h"

namespace pw {

namespace {

// "Portálok" in Windows-1252 / Latin-1: the "á" is the single byte E1.
constexpr char kPortalsHeading[] = "\x50\x6F\x72\x74\xE1\x6C\x6F\x6B";

// A Space's creation number as 16 upper-case hexadecimal digits; a null
// Space (a fragment whose target is unknown) gives 16 zeros.
void writeSpaceId(std::ostream& out, const BspNode* space) {
  char digits[17];
  std::snprintf(digits, sizeof digits, "%016" PRIX64, space != nullptr ? space->number : std::uint64_t{0});
  out << digits;
}

// The lines that open an inner node; its front child follows on the same
// line as " front ".
void writeCutter(SceneLog& log, const BspNode& node) {
  std::ostream& out = log.stream();
  const Scene& scene = *log.scene();
  out << "cutter: ";
  log.endLine();
  out << "-------";
  log.endLine();
  const Triangle& cutter = scene.triangle(node.cutter);
  for (int corner = 0; corner < 3; ++corner) log.writePoint(scene.vertex(cutter.vertexIndex(corner)));
  out << " front ";
}

void writeSpace(SceneLog& log, const BspNode& space) {
  std::ostream& out = log.stream();
  log.endLine();
  out << "ID: ";
  writeSpaceId(out, &space);
  log.endLine();
  for (const std::uint32_t triangle : space.triangles) out << triangle << ' ';
  log.endLine();
  out << kPortalsHeading;
  log.endLine();
  out << "---------";
  log.endLine();
  for (const Portal* fragment : space.portals) {
    out << "to:";
    writeSpaceId(out, fragment->target());
    log.endLine();
    for (const PortalTriangle& triangle : fragment->triangles()) {
      log.writePoint(triangle.vertices[0]);
      out << ' ';
      log.writePoint(triangle.vertices[1]);
      out << ' ';
      log.writePoint(triangle.vertices[2]);
      out << ' ';
      log.endLine();
    }
  }
  log.endLine();
}

}  // namespace

// Depth first, front before behind. The behind side of a node continues the
// same walk; each front descent leaves the node's behind child on a stack,
// taken back once the front subtree's last Space is written. (An explicit
// stack, so a tree of any depth is dumped without deep recursion.)
void dumpTree(SceneLog& log, const BspNode& root) {
  std::vector<const BspNode*> pendingBehind;
  const BspNode* node = &root;
  for (;;) {
    while (!node->isSpace()) {
      writeCutter(log, *node);
      pendingBehind.push_back(node->behind);
      node = node->front;
    }
    writeSpace(log, *node);
    if (pendingBehind.empty()) return;
    log.endLine();
    log.stream() << "behind ";
    node = pendingBehind.back();
    pendingBehind.pop_back();
  }
}

}  // namespace pw
