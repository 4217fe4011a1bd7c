// One portalbuild run once its command line is read: build the level, report
// what went wrong, then write the summary and the files asked for.
#pragma once

#include "app/portalbuild/portalbuild_options.h"

namespace pw {

// Returns the exit code (see exit_codes.h). Throws what the build throws.
int runPortalbuild(const PortalbuildOptions& options);

}  // namespace pw
