#ifndef KYRA_API_SOLVERINTERFACE_H
#define KYRA_API_SOLVERINTERFACE_H

// Plan execution: checks the configuration, prepares the data on the
// platform, sets the preconditioner up, runs the solver and times each
// phase. It always ends by raising status 0 or 1 with the run's summary.

#include "kyraSparse.h"

namespace Iterative {

class Context;

void executePlan(const Context& context, kyraSparsePlan plan, const kyraSparseConfig* config,
                 kyraSparseResult* result);

}  // namespace Iterative

#endif
