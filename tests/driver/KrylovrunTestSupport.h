#ifndef KYRA_TESTS_DRIVER_KRYLOVRUNTESTSUPPORT_H
#define KYRA_TESTS_DRIVER_KRYLOVRUNTESTSUPPORT_H

// Runs the built krylovrun program in a child process and captures what it
// writes and its exit status, with the texts it must print.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "TempFiles.h"

namespace krylovrun_test {

// The usage text as the program must write it, the trailing blank line
// included.
inline const std::string kUsage = R"(
usage: krylovrun [options]

e.g. platform=cuda solver=cg preconditioner=jacobi A=myfile.mtx b=ones tolerance=1e-5

runtime options

    platform            [cuda,host]
    solver              [bicg,bicgstab,bicgstabl,cg,gmres,minres]
    preconditioner      [none,jacobi,blockjacobi,ilu0,ainv,fainv]

data options

    A                   Input file for the matrix to be solved.
    b                   vector file for right-hand-side.
                        Alternatively, set b=ones for a vector of all 1.0

    x                   vector file that the solution is written to (optional)
    xin                 vector file for initial guess (optional)

        note: all input files must be in the appropriate Matrix Market format

convergence options

    tolerance         specifies when a solver determines it has converged
    maxiterations     the maximum number of iterations the solver will attempt
    maxruntime        the maximum number of seconds the solver will run for

)";

inline const std::string kParseFailed = "error: command line parse failed, can't continue\n";

// The library's configuration text for the default configuration with the
// given relative tolerance and iteration limit, as the program prints it
// (one more newline after the text).
inline std::string configText(const std::string& tolerance = "1e-06",
                              const std::string& maxIterations = "10000",
                              const std::string& maxRuntime = "disabled") {
    return "relative tolerance:   " + tolerance +
           "\nabsolute tolerance:   1e-50\ndivergence tolerance: 100000\n" +
           "max iterations:       " + maxIterations + "\nmax runtime:          " + maxRuntime +
           "\nresidual vector:      disabled\n\n";
}

struct RunOutput {
    std::string out;  // standard output
    std::string err;  // standard error
    int exitStatus;   // -1 when the program did not exit normally
};

// Runs krylovrun with the arguments, each one argv entry, through the shell;
// standard error goes to errPath.
inline RunOutput runKrylovrun(const std::vector<std::string>& arguments, const std::string& errPath) {
    const auto quoted = [](const std::string& text) {
        std::string out = "'";
        for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return out + "'";
    };
    std::string command = quoted(KYRA_KRYLOVRUN);
    for (const std::string& argument : arguments) command += " " + quoted(argument);
    FILE* pipe = popen((command + " 2>" + quoted(errPath)).c_str(), "r");
    if (pipe == nullptr) return {"", "could not start " + command, -1};
    RunOutput result{"", "", -1};
    char buffer[4096];
    for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.out.append(buffer, got);
    const int status = pclose(pipe);
    if (WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
    result.err = readWholeFile(errPath);
    return result;
}

// The rest of the first line of text that starts with label; empty when
// there is none.
inline std::string valueAfter(const std::string& text, const std::string& label) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.compare(0, label.size(), label) == 0) return line.substr(label.size());
    }
    return "";
}

// Runs the program with the test's own directory for its files.
class KrylovrunTest : public TempFiles {
  protected:
    RunOutput run(const std::vector<std::string>& arguments) const {
        return runKrylovrun(arguments, pathOf("stderr.txt"));
    }
};

// A 4 x 4 symmetric positive definite tridiagonal matrix (2 on the
// diagonal, -1 beside it), stored as its lower triangle.
inline const std::string kSpdSymmetric =
    "%%MatrixMarket matrix coordinate real symmetric\n"
    "% a small system for the driver\n"
    "4 4 7\n"
    "1 1 2\n2 1 -1\n2 2 2\n3 2 -1\n3 3 2\n4 3 -1\n4 4 2\n";

}  // namespace krylovrun_test

#endif
