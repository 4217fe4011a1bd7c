#include "compile/tree_dump.h"

#include <cstdint>
#include <string_view>
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
// Space (a fragment whose target is unknown) gives 16 zeros. (A digit per
// four bits: std::to_chars has neither upper case nor a fixed width.)
void writeSpaceId(SceneLog& log, const BspNode* space) {
  constexpr char kHexDigits[] = "0123456789ABCDEF";
  std::uint64_t number = space != nullptr ? space->number : 0;
  char digits[16];
  for (char* digit = digits + sizeof digits; digit != digits; number >>= 4) *--digit = kHexDigits[number & 0xF];
  log.write(std::string_view(digits, sizeof digits));
}

// The lines that open an inner node; its front child follows on the same
// line as " front ".
void writeCutter(SceneLog& log, const BspNode& node) {
  const Scene& scene = *log.scene();
  log.write("cutter: ");
  log.endLine();
  log.write("-------");
  log.endLine();
  const Triangle& cutter = scene.triangle(node.cutter);
  for (int corner = 0; corner < 3; ++corner) log.writePoint(scene.vertex(cutter.vertexIndex(corner)));
  log.write(" front ");
}

void writeSpace(SceneLog& log, const BspNode& space) {
  log.endLine();
  log.write("ID: ");
  writeSpaceId(log, &space);
  log.endLine();
  for (const std::uint32_t triangle : space.triangles) {
    log.writeInteger(triangle);
    log.write(" ");
  }
  log.endLine();
  log.write(kPortalsHeading);
  log.endLine();
  log.write("---------");
  log.endLine();
  for (const Portal* fragment : space.portals) {
    log.write("to:");
    writeSpaceId(log, fragment->target());
    log.endLine();
    for (const PortalTriangle& triangle : fragment->triangles()) {
      log.writePoint(triangle.vertices[0]);
      log.write(" ");
      log.writePoint(triangle.vertices[1]);
      log.write(" ");
      log.writePoint(triangle.vertices[2]);
      log.write(" ");
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
    log.write("behind ");
    node = pendingBehind.back();
    pendingBehind.pop_back();
  }
}

}  // namespace pw
