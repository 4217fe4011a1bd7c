// What one frame's culling tested, for the viewer's passage overlay: each
// designed portal fragment and open link put to the test, with its outcome.
#pragma once

#include <vector>

namespace pw {

class Portal;
struct OpenLink;

// Filled only by a traversal given a non-null trace, so that frames without
// the overlay do no extra work. Passages appear in the order tested, once per
// test: narrow culling may test a passage again on each way into its Space.
// A passage skipped without a test (a fragment without a target, one leading
// to a Space already queued or already explored whole) is not listed.
// Pointers are non-owning and live as long as the tree and the links.
struct CullingTrace {
  template <typename Passage>
  struct Tested {
    const Passage* passage;
    // The traversal went through it: it is in view and, for narrow culling,
    // inside the view left by the passages before it.
    bool passed;
  };
  std::vector<Tested<Portal>> fragments;
  std::vector<Tested<OpenLink>> links;
};

}  // namespace pw
