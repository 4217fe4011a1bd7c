#include "support/stopwatch.h"

namespace pw {

PhaseTimer::~PhaseTimer() { total_ += stopwatch_.seconds(); }

}  // namespace pw
