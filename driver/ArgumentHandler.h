#ifndef KYRA_DRIVER_ARGUMENTHANDLER_H
#define KYRA_DRIVER_ARGUMENTHANDLER_H

// Applies krylovrun's key=value arguments, left to right, to the run's
// record and to the plan: platform, solver and preconditioner options call
// the plan's setters as they are met.

#include <string>
#include <vector>

#include "LibrarySession.h"
#include "SolveData.h"

namespace kyra::driver {

enum class ArgumentsOutcome {
    Accepted,    // every argument applied
    Failed,      // errors were written; the run cannot go on
    HelpWanted,  // a help word was met; the usage text is wanted
    UnknownKey   // an unknown key was met; its message was written
};

// Writes a message for every faulty argument. Stops at a help word or an
// unknown key; other faults are reported and the next argument is taken.
ArgumentsOutcome applyArguments(const std::vector<std::string>& arguments, const LibrarySession& session,
                                SolveData& data);

}  // namespace kyra::driver

#endif
