// krylovrun runs that reach the data: reading failures, library statuses
// printed as text, and solves of real and complex systems with known
// solutions, whose solution files are checked against the system.

#include <filesystem>
#include <string>
#include <vector>

#include "KrylovrunTestSupport.h"
#include "io/MmioReader.h"
#include "io/MmioWriter.h"

namespace krylovrun_test {
namespace {

using Z = kyra::Complex<double>;

const char* kConverged = "the solver converged to the relative tolerance";
const char* kMaxIterations = "the maximum number of iterations was reached";
const char* kFlag = "result flag:       ";

// The matrix kSpdSymmetric stores, times x.
std::vector<double> spdTimes(const std::vector<double>& x) {
    std::vector<double> y(4);
    for (int i = 0; i < 4; ++i) y[i] = 2 * x[i] - (i > 0 ? x[i - 1] : 0) - (i < 3 ? x[i + 1] : 0);
    return y;
}

template <typename T>
std::vector<T> readSolution(const std::string& path, int n) {
    std::vector<T> x;
    kyra::io::readVector(path, n, x);
    return x;
}

class KrylovrunSolveTest : public KrylovrunTest {
  protected:
    void SetUp() override {
        KrylovrunTest::SetUp();
        matrix = write(kSpdSymmetric, "m.mtx");
        solution = pathOf("x.mtx");
    }
    std::string matrix, solution;
};

// Data that cannot be read: the configuration text, then the reader's
// message, exit status 1; the cases check which file, size and complexity
// the program hands the readers.
TEST_F(KrylovrunSolveTest, DataReadingFailuresPrintTheReadersMessage) {
    const std::string shortVector = pathOf("short.mtx"), complexVector = pathOf("complex.mtx");
    kyra::io::writeVector(shortVector, std::vector<double>{1, 2, 3});
    kyra::io::writeVector(complexVector, std::vector<Z>(4, Z(1, 1)));
    const std::string notSquare =
        write("%%MatrixMarket matrix coordinate real general\n4 5 1\n1 1 1\n", "wide.mtx");
    const std::string missing = pathOf("missing.mtx");
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"A=" + matrix, "b=" + missing}, "error: file (" + missing + ") could not be read"},
        {{"A=" + matrix, "b=ONES"}, "error: file (ONES) could not be read"},
        {{"A=" + matrix, "xin=" + shortVector},
         "error: the specified array (" + shortVector + ") must have a length that matches the input matrix"},
        {{"A=" + matrix, "b=" + complexVector},
         "error: the specified array (" + complexVector +
             ") does not match the complexity of the input matrix"},
        {{"A=" + notSquare}, "error: This application is designed for square matrices (" + notSquare + ")"},
    };
    for (const auto& [arguments, message] : cases) {
        const RunOutput result = run(arguments);
        EXPECT_EQ(result.out, configText() + message + "\n");
        EXPECT_EQ(result.exitStatus, 1);
    }
}

// Statuses from the library: its last status text, exit status 0, and no
// solution written when the solve did not run.
TEST_F(KrylovrunSolveTest, ConfigurationRefusedAtExecutionPrintsTheLibraryText) {
    const std::string cases[][3] = {
        {"tolerance=nan", configText("nan"), "argument error: config.relativeTolerance > 0.0"},
        {"maxRuntime=-1", configText("1e-06", "10000", "-1"), "argument error: config.maxRuntime >= 0"},
    };
    for (const auto& [option, config, text] : cases) {
        const RunOutput result = run({"A=" + matrix, "solver=cg", option, "x=" + solution});
        EXPECT_EQ(result.out, config + text + "\n");
        EXPECT_EQ(result.exitStatus, 0);
        EXPECT_FALSE(std::filesystem::exists(solution));
    }
    // The platform setter is the one whose status ends the run at once; a
    // build without cuda refuses it, before the missing matrix is looked at.
    const RunOutput result = run({"platform=cuda", "A=" + pathOf("missing.mtx")});
    if (result.out.find(kParseFailed) == std::string::npos) {
        EXPECT_EQ(result.out.compare(0, 25, "feature not implemented: "), 0) << result.out;
        EXPECT_EQ(result.out.find('\n'), result.out.size() - 1) << result.out;
        EXPECT_EQ(result.exitStatus, 0);
    }
}

// A real symmetric and a complex hermitian system with known solutions, the
// right-hand side read from a file; the report lines around the solve.
TEST_F(KrylovrunSolveTest, KnownSolutionIsFoundFromRightHandSideFile) {
    const std::vector<double> expected = {1.0, -2.0, 0.5, 3.0};
    kyra::io::writeVector(pathOf("b.mtx"), spdTimes(expected));
    RunOutput result =
        run({"A=" + matrix, "b=" + pathOf("b.mtx"), "SOLVER=gmres", "preconditioner=jacobi", "solver=cg",
             "preconditioner=empty", "tolerance=1e-12", "maxIterations=50", "x=" + solution});
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.out.substr(0, configText("1e-12", "50").size()), configText("1e-12", "50"));
    for (const auto& [label, value] : {std::pair{"data format:       ", "coo"},
                                       {"platform:          ", "host"},
                                       {"preconditioner:    ", "no preconditioner"},
                                       {"solver:            ", "cg"},
                                       {kFlag, kConverged}})
        EXPECT_EQ(valueAfter(result.out, label), value) << result.out;
    const std::vector<double> x = readSolution<double>(solution, 4);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(x[i], expected[i], 1e-10) << i;

    // A = [[4, 1 - 2i, 0], [1 + 2i, 5, i], [0, -i, 6]], stored as its lower triangle.
    const std::vector<Z> z = {{1, 1}, {-2, 0.5}, {0, 3}};
    const std::vector<Z> b = {Z(4) * z[0] + Z(1, -2) * z[1], Z(1, 2) * z[0] + Z(5) * z[1] + Z(0, 1) * z[2],
                              Z(0, -1) * z[1] + Z(6) * z[2]};
    kyra::io::writeVector(pathOf("b.mtx"), b);
    const std::string hermitian = write(
        "%%MatrixMarket matrix coordinate complex hermitian\n3 3 5\n"
        "1 1 4 0\n2 1 1 2\n2 2 5 0\n3 2 0 -1\n3 3 6 0\n",
        "h.mtx");
    result = run({"A=" + hermitian, "b=" + pathOf("b.mtx"), "solver=cg", "tolerance=1e-12", "x=" + solution});
    EXPECT_EQ(valueAfter(result.out, kFlag), kConverged) << result.out;
    const std::vector<Z> zx = readSolution<Z>(solution, 3);
    for (int i = 0; i < 3; ++i) EXPECT_LT(kyra::abs(zx[i] - z[i]), 1e-10) << i;
}

// A right-hand side of ones, named or empty; with no iteration allowed the
// solution is the initial guess, whether xin comes before or after A; without
// a solver the run still reports, with no iteration.
TEST_F(KrylovrunSolveTest, OnesRightHandSideInitialGuessAndNoSolver) {
    const std::string A = "A=" + matrix, x = "x=" + solution, xin = "xin=" + pathOf("guess.mtx");
    for (const char* rhs : {"b=ones", "b="}) {
        std::filesystem::remove(solution);
        EXPECT_EQ(run({A, rhs, "solver=cg", "tolerance=1e-12", x}).exitStatus, 0);
        for (double bi : spdTimes(readSolution<double>(solution, 4))) EXPECT_NEAR(bi, 1.0, 1e-10) << rhs;
    }
    const std::vector<double> guess = {0.25, -1.5, 2.0, 4.0};
    kyra::io::writeVector(pathOf("guess.mtx"), guess);
    for (const auto& arguments : {std::vector<std::string>{xin, A, "solver=cg", "maxIterations=0", x},
                                  std::vector<std::string>{A, "solver=cg", "maxIterations=0", xin, x}}) {
        std::filesystem::remove(solution);
        EXPECT_EQ(valueAfter(run(arguments).out, kFlag), kMaxIterations);
        EXPECT_EQ(readSolution<double>(solution, 4), guess);
    }
    const RunOutput result = run({A});
    EXPECT_EQ(valueAfter(result.out, kFlag), "no solver was selected");
    EXPECT_EQ(valueAfter(result.out, "iterations:        "), "0");
}

TEST_F(KrylovrunSolveTest, SolutionFileThatCannotBeWrittenFailsTheRun) {
    const std::string unwritable = pathOf("no_such_folder/x.mtx");
    const RunOutput result = run({"A=" + matrix, "solver=cg", "x=" + unwritable});
    EXPECT_EQ(valueAfter(result.out, kFlag), kConverged);
    EXPECT_NE(result.out.find("error: file (" + unwritable + ") could not be written\n"), std::string::npos);
    EXPECT_EQ(result.exitStatus, 1);
}

}  // namespace
}  // namespace krylovrun_test
