// Compiled against one layer's include root by the Layers tests: it builds
// where the portal layer is visible and fails where it is not.
#include "portal/portal.h"

int main() { return 0; }
