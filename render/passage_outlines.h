// The viewer's passage overlay: the outlines of what one frame's culling
// tested, drawn with GL.
#pragma once

#include "culling/culling_trace.h"

namespace pw {

// With the model-view matrix of the drawn view loaded: one line loop per
// triangle of each traced passage, with lighting and the depth test off so
// that they show through walls (the GL state is restored after). Rejected
// fragments blue, then open links that passed cyan, then fragments that
// passed yellow on top, so that a fragment both rejected and passed (narrow
// culling) shows as passed. Links that failed are left out: on an open level
// they are the many faces of the cells' air, which hide the picture.
void drawPassageOutlines(const CullingTrace& trace);

}  // namespace pw
