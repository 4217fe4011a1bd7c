#include "portal/glu_sweep.h"

#include <GL/glu.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PORTALWALK_LEAK_CHECK 1
#endif
#elif defined(__SANITIZE_ADDRESS__)
#define PORTALWALK_LEAK_CHECK 1
#endif
#ifdef PORTALWALK_LEAK_CHECK
#include <sanitizer/lsan_interface.h>
#endif

namespace pw {

bool endPolygonUnlessCutShort(GLUtesselator* tess, std::jmp_buf& cutShort) {
  if (setjmp(cutShort) != 0) return false;
  gluTessEndPolygon(tess);
  return true;
}

#ifdef PORTALWALK_LEAK_CHECK
GluAllocations::GluAllocations() { __lsan_disable(); }
GluAllocations::~GluAllocations() { __lsan_enable(); }
#else
GluAllocations::GluAllocations() = default;
GluAllocations::~GluAllocations() = default;
#endif

}  // namespace pw
