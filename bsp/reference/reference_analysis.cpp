#include "bsp/reference/reference_analysis.h"

#include "bsp/bsp_builder.h"
#include "bsp/reference/convexity.h"
#include "bsp/reference/cutter_choice.h"
#include "support/stopwatch.h"

namespace pw {

bool ReferenceAnalysis::analyse(const std::vector<std::uint32_t>& list, Carried& /*carried*/, CutterChoice& choice) {
  const Stopwatch convexityTime;
  const bool convex = isConvexStraightforward(scene_, list);
  stats_.convexitySeconds += convexityTime.seconds();
  if (convex) return true;
  const Stopwatch choiceTime;
  choice = chooseCutterStraightforward(scene_, list);
  stats_.cutterChoiceSeconds += choiceTime.seconds();
  return false;
}

}  // namespace pw
