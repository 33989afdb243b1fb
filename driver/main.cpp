// krylovrun: reads one sparse system from Matrix Market files, solves it
// once through the kyraSparse interface and prints the library's
// configuration and result texts. Options are key=value arguments.

#include <cstdio>
#include <string>
#include <vector>

#include "ArgumentHandler.h"
#include "BenchmarkRun.h"
#include "LibrarySession.h"
#include "SolveData.h"
#include "Usage.h"

using namespace kyra::driver;

namespace {

int runFromArguments(const std::vector<std::string>& arguments) {
    LibrarySession session;
    SolveData data;
    session.check(kyraSparseConfigInit(session.handle(), &data.config));
    switch (applyArguments(arguments, session, data)) {
        case ArgumentsOutcome::HelpWanted:
            printUsage();
            return 0;
        case ArgumentsOutcome::UnknownKey:
            printUsage();
            return 1;
        case ArgumentsOutcome::Failed:
            std::printf("error: command line parse failed, can't continue\n");
            return 1;
        case ArgumentsOutcome::Accepted:
            break;
    }
    if (data.A.empty()) {
        std::printf("error: no input matrix specified\n");
        return 1;
    }
    return runBenchmark(session, data);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc <= 1) {
        printUsage();
        return 0;
    }
    try {
        return runFromArguments(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const EndRun& end) {
        return end.exitStatus;
    }
}
