// The human-readable dump of a finished, flattened tree ("out.log").
#pragma once

namespace pw {

struct BspNode;
class SceneLog;

// Depth first, front subtree before behind. A Space is identified by its
// creation number in upper-case hexadecimal, zero-padded to 16 digits (a null
// target gives 16 zeros), so two builds of one level dump identically.
void dumpTree(SceneLog& log, const BspNode& root);

}  // namespace pw
