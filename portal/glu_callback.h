// Registering a callback with GLU.
#pragma once

#include <GL/glu.h>

namespace pw {

// gluTessCallback takes every callback as a void(void) pointer and calls it
// back with the type that belongs to the registered slot.
template <typename Callback>
_GLUfuncptr asGluCallback(Callback* callback) {
  return reinterpret_cast<_GLUfuncptr>(callback);
}

}  // namespace pw
