#ifndef KYRA_DRIVER_BENCHMARKRUN_H
#define KYRA_DRIVER_BENCHMARKRUN_H

// The solve of one krylovrun run, once the command line has been applied:
// the configuration text, the system read from its files, one execution of
// the plan, the result text and the solution file.

#include "LibrarySession.h"
#include "SolveData.h"

namespace kyra::driver {

// Returns the exit status of the run: 0 after a solve the library reported
// on (converged or not), 1 when the data could not be read or the solution
// not written. A library failure at execution ends the run through EndRun.
int runBenchmark(const LibrarySession& session, SolveData& data);

}  // namespace kyra::driver

#endif
