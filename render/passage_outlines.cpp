#include "render/passage_outlines.h"

#include <GL/gl.h>

#include <array>

#include "cells/open_links.h"
#include "portal/portal.h"

namespace pw {
namespace {

// Bright, and apart from the Spaces' dark green and red.
constexpr GLdouble kPassedFragment[3] = {1.0, 1.0, 0.0};   // yellow
constexpr GLdouble kRejectedFragment[3] = {0.3, 0.3, 1.0};  // blue
constexpr GLdouble kPassedLink[3] = {0.0, 1.0, 1.0};        // cyan
// Wide enough to see on a 1024 x 768 picture.
constexpr float kLineWidth = 2.0f;

void outline(const std::array<Point3, 3>& corners) {
  glBegin(GL_LINE_LOOP);
  for (const Point3& corner : corners) glVertex3d(corner.x, corner.y, corner.z);
  glEnd();
}

void outlineFragments(const CullingTrace& trace, bool passed, const GLdouble* colour) {
  glColor3dv(colour);
  for (const auto& tested : trace.fragments) {
    if (tested.passed != passed) continue;
    for (const PortalTriangle& triangle : tested.passage->triangles()) outline(triangle.vertices);
  }
}

}  // namespace

void drawPassageOutlines(const CullingTrace& trace) {
  glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LINE_BIT);
  glDisable(GL_LIGHTING);
  glDisable(GL_DEPTH_TEST);
  glLineWidth(kLineWidth);
  outlineFragments(trace, false, kRejectedFragment);
  glColor3dv(kPassedLink);
  for (const auto& tested : trace.links) {
    if (!tested.passed) continue;
    for (const FlatTriangle& triangle : tested.passage->triangles) outline(triangle);
  }
  outlineFragments(trace, true, kPassedFragment);
  glPopAttrib();
}

}  // namespace pw
