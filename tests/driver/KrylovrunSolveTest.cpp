// krylovrun runs that reach the data: reading failures, library statuses
// printed as text, solves of real and complex systems through the library,
// and the solution file checked against the system by a reader of its own.

#include <cmath>
#include <complex>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "KrylovrunTestSupport.h"
#include "common/SmallSystems.h"

namespace krylovrun_test {
namespace {

using Complex = std::complex<double>;
using Dense = std::vector<std::vector<Complex>>;

// The sample is the 2-D Poisson matrix of a 60 x 60 grid.
const std::string kSample = std::string(KYRA_SOURCE_DIR) + "/samples/poisson2d_60.mtx";

// The matrix kSpdSymmetric stores.
const Dense kSpd = {{2, -1, 0, 0}, {-1, 2, -1, 0}, {0, -1, 2, -1}, {0, 0, -1, 2}};

// A hermitian positive definite matrix, and its lower triangle as a file.
const Dense kHermitian = {{4, {1, -2}, 0}, {{1, 2}, 5, {0, 1}}, {0, {0, -1}, 6}};
const std::string kHermitianFile =
    "%%MatrixMarket matrix coordinate complex hermitian\n"
    "3 3 5\n"
    "1 1 4 0\n2 1 1 2\n2 2 5 0\n3 2 0 -1\n3 3 6 0\n";

std::vector<Complex> multiply(const Dense& a, const std::vector<Complex>& x) {
    std::vector<Complex> y(a.size());
    for (size_t i = 0; i < a.size(); ++i) {
        for (size_t j = 0; j < x.size(); ++j) y[i] += a[i][j] * x[j];
    }
    return y;
}

// ||b - A x|| / ||b||.
double relativeResidual(const Dense& a, const std::vector<Complex>& x, const std::vector<Complex>& b) {
    const std::vector<Complex> ax = multiply(a, x);
    double r = 0, s = 0;
    for (size_t i = 0; i < b.size(); ++i) {
        r += std::norm(b[i] - ax[i]);
        s += std::norm(b[i]);
    }
    return std::sqrt(r / s);
}

// An independent reader of the array files the program writes, real or
// complex; comment and blank lines skipped.
std::vector<Complex> readArray(const std::string& path) {
    std::istringstream lines(readWholeFile(path));
    std::string banner, body, line;
    std::getline(lines, banner);
    EXPECT_NE(banner.find("array"), std::string::npos) << banner;
    while (std::getline(lines, line)) {
        if (!line.empty() && line[0] != '%') body += line + "\n";
    }
    std::istringstream in(body);
    int rows = 0, cols = 0;
    in >> rows >> cols;
    EXPECT_EQ(cols, 1);
    std::vector<Complex> values(rows);
    for (Complex& value : values) {
        double re = 0.0, im = 0.0;
        in >> re;
        if (banner.find("complex") != std::string::npos) in >> im;
        value = Complex(re, im);
    }
    EXPECT_FALSE(in.fail()) << path;
    return values;
}

std::string arrayFile(const std::vector<Complex>& values, bool complex) {
    std::ostringstream out;
    out.precision(17);
    out << "%%MatrixMarket matrix array " << (complex ? "complex" : "real") << " general\n"
        << values.size() << " 1\n";
    for (const Complex& value : values) {
        out << value.real();
        if (complex) out << " " << value.imag();
        out << "\n";
    }
    return out.str();
}

const char* kConverged = "the solver converged to the relative tolerance";
const char* kMaxIterations = "the maximum number of iterations was reached";

// The printed output is the configuration text, then the twelve result
// lines (times in seconds) and one more newline. The solves all read COO on
// the host without a preconditioner.
void expectReport(const std::string& out, const std::string& config, const std::string& flag,
                  const std::string& solver = "cg") {
    ASSERT_EQ(out.compare(0, config.size(), config), 0) << out;
    const std::string result = out.substr(config.size());
    const std::pair<const char*, std::string> lines[] = {{"data format:       ", "coo"},
                                                         {"platform:          ", "host"},
                                                         {"preconditioner:    ", "no preconditioner"},
                                                         {"solver:            ", solver},
                                                         {"result flag:       ", flag},
                                                         {"iterations:        ", ""},
                                                         {"relative residual: ", ""},
                                                         {"absolute residual: ", ""},
                                                         {"overhead time:     ", " s"},
                                                         {"precond. time:     ", " s"},
                                                         {"solver time:       ", " s"},
                                                         {"total time:        ", " s"}};
    std::istringstream text(result);
    std::string line;
    for (const auto& [label, value] : lines) {
        ASSERT_TRUE(std::getline(text, line)) << result;
        EXPECT_EQ(line.compare(0, std::string(label).size(), label), 0) << line;
        if (value == " s") {
            EXPECT_EQ(line.substr(line.size() - 2), " s") << line;
        } else if (!value.empty()) {
            EXPECT_EQ(line.substr(std::string(label).size()), value);
        }
    }
    EXPECT_TRUE(std::getline(text, line));
    EXPECT_EQ(line, "");
    EXPECT_FALSE(std::getline(text, line)) << result;
}

class KrylovrunSolveTest : public KrylovrunTest {};

// Data that cannot be read: the configuration text, then the reader's
// message, exit status 1. The cases check what the program hands the
// readers (which file, the matrix's size and complexity); the readers' own
// refusals are checked in MmioReaderTest.
TEST_F(KrylovrunSolveTest, DataReadingFailuresPrintTheReadersMessage) {
    const std::string matrix = write(kSpdSymmetric, "m.mtx");
    const std::string shortVector = write(arrayFile({1.0, 2.0, 3.0}, false), "short.mtx");
    const std::string complexVector = write(arrayFile({1.0, 2.0, 3.0, 4.0}, true), "complex.mtx");
    const std::string twoColumns =
        write("%%MatrixMarket matrix array real general\n4 2\n1\n2\n3\n4\n5\n6\n7\n8\n", "wide.mtx");
    const std::string notSquare =
        write("%%MatrixMarket matrix coordinate real general\n4 5 1\n1 1 1\n", "wide_matrix.mtx");
    const std::string missing = pathOf("missing.mtx");
    const std::string wrongLength = ") must have a length that matches the input matrix";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"A=" + matrix, "b=" + missing}, "error: file (" + missing + ") could not be read"},
        {{"A=" + matrix, "b=ONES"}, "error: file (ONES) could not be read"},
        {{"A=" + matrix, "xin=" + missing}, "error: file (" + missing + ") could not be read"},
        {{"A=" + matrix, "b=" + shortVector}, "error: the specified array (" + shortVector + wrongLength},
        {{"A=" + matrix, "xin=" + twoColumns}, "error: the specified array (" + twoColumns + wrongLength},
        {{"A=" + matrix, "b=" + complexVector},
         "error: the specified array (" + complexVector +
             ") does not match the complexity of the input matrix"},
        {{"A=" + notSquare}, "error: This application is designed for square matrices (" + notSquare + ")"},
    };
    for (const auto& [arguments, message] : cases) {
        SCOPED_TRACE(message);
        const RunOutput result = run(arguments);
        EXPECT_EQ(result.out, configText() + message + "\n");
        EXPECT_EQ(result.exitStatus, 1);
    }
}

TEST_F(KrylovrunSolveTest, UnreadableMatrixFileIsRefused) {
    if (geteuid() == 0) GTEST_SKIP() << "file permissions do not stop the superuser";
    const std::string matrix = write(kSpdSymmetric, "locked.mtx");
    std::filesystem::permissions(matrix, std::filesystem::perms::none);
    const RunOutput result = run({"A=" + matrix});
    EXPECT_EQ(result.out, "error: file not found (" + matrix + ")\n" + kParseFailed);
    EXPECT_EQ(result.exitStatus, 1);
}

// Statuses from the library: its last status text, exit status 0, and no
// solution written when the solve did not run.
TEST_F(KrylovrunSolveTest, ConfigurationRefusedAtExecutionPrintsTheLibraryText) {
    const std::string matrix = write(kSpdSymmetric, "m.mtx");
    const std::string solution = pathOf("x.mtx");
    const std::string cases[][3] = {
        {"tolerance=nan", configText("nan"), "argument error: config.relativeTolerance > 0.0"},
        {"tolerance=0", configText("0"), "argument error: config.relativeTolerance > 0.0"},
        {"tolerance=2", configText("2"), "argument error: config.relativeTolerance <= 1.0"},
        {"maxIterations=-1", configText("1e-06", "-1"), "argument error: config.maxIterations >= 0"},
        {"maxRuntime=-1", configText("1e-06", "10000", "-1"), "argument error: config.maxRuntime >= 0"},
    };
    for (const auto& [option, config, text] : cases) {
        SCOPED_TRACE(option);
        const RunOutput result = run({"A=" + matrix, "solver=cg", option, "x=" + solution});
        EXPECT_EQ(result.out, config + text + "\n");
        EXPECT_EQ(result.exitStatus, 0);
        EXPECT_FALSE(std::filesystem::exists(solution));
    }
}

// The platform setter is the one option setter whose status ends the run.
// With the cuda platform refused (a build without it), nothing after it is
// looked at: not even the missing matrix file that follows.
TEST_F(KrylovrunSolveTest, PlatformTheLibraryRefusesEndsTheRunWithItsText) {
    const RunOutput result = run({"solver=cg", "platform=cuda", "A=" + pathOf("missing.mtx")});
    if (result.out.find(kParseFailed) != std::string::npos)
        GTEST_SKIP() << "this build has the cuda platform";
    EXPECT_EQ(result.out.compare(0, 25, "feature not implemented: "), 0) << result.out;
    EXPECT_EQ(result.out.find('\n'), result.out.size() - 1) << "one line only: " << result.out;
    EXPECT_EQ(result.exitStatus, 0);
}

// The solution written after a solve, converged or not, is checked against
// the sample's matrix built without the program.
TEST_F(KrylovrunSolveTest, SampleWithCgWritesASolutionWithinTheToleranceAlsoWhenItStopsEarly) {
    const CsrSystem poisson = poisson2d(60);
    const std::string solution = pathOf("sol.mtx");
    RunOutput result = run({"A=" + kSample, "solver=cg", "x=" + solution});
    EXPECT_EQ(result.exitStatus, 0);
    expectReport(result.out, configText(), kConverged);
    EXPECT_GT(std::stoi(valueAfter(result.out, "iterations:        ")), 0);
    EXPECT_LE(std::stod(valueAfter(result.out, "relative residual: ")), 1e-6);
    std::vector<double> x;
    for (const Complex& value : readArray(solution)) x.push_back(value.real());
    ASSERT_EQ(x.size(), 3600u);
    EXPECT_LE(trueRelativeResidual(poisson, x, std::vector<double>(3600, 1.0)), 1e-6);

    result = run({"A=" + kSample, "solver=cg", "maxIterations=3", "x=" + solution});
    EXPECT_EQ(result.exitStatus, 0);
    expectReport(result.out, configText("1e-06", "3"), kMaxIterations);
    EXPECT_EQ(valueAfter(result.out, "iterations:        "), "3");
    EXPECT_EQ(readArray(solution).size(), 3600u);

    result = run({"A=" + kSample});
    EXPECT_EQ(result.exitStatus, 0);
    expectReport(result.out, configText(), "no solver was selected", "no solver");
    EXPECT_EQ(valueAfter(result.out, "iterations:        "), "0");
}

TEST_F(KrylovrunSolveTest, EmptyPreconditionerIsNoPreconditionerAndLastSolverWins) {
    const std::string matrix = write(kSpdSymmetric, "m.mtx");
    for (const char* word : {"preconditioner=empty", "preconditioner=none"}) {
        SCOPED_TRACE(word);
        const RunOutput result =
            run({"solver=gmres", "preconditioner=jacobi", "A=" + matrix, word, "SOLVER=CG"});
        EXPECT_EQ(result.exitStatus, 0);
        expectReport(result.out, configText(), kConverged);
    }
}

// A real symmetric and a complex hermitian system with known solutions, the
// right-hand side read from a file.
TEST_F(KrylovrunSolveTest, KnownSolutionIsFoundFromRightHandSideFile) {
    const std::string solution = pathOf("x.mtx");
    const struct {
        std::string file;
        Dense a;
        std::vector<Complex> expected;
        bool complex;
    } systems[] = {{kSpdSymmetric, kSpd, {1.0, -2.0, 0.5, 3.0}, false},
                   {kHermitianFile, kHermitian, {{1.0, 1.0}, {-2.0, 0.5}, {0.0, 3.0}}, true}};
    for (const auto& system : systems) {
        const std::vector<Complex> b = multiply(system.a, system.expected);
        const RunOutput result =
            run({"A=" + write(system.file, "a.mtx"), "b=" + write(arrayFile(b, system.complex), "b.mtx"),
                 "solver=cg", "tolerance=1e-12", "maxIterations=50", "x=" + solution});
        EXPECT_EQ(result.exitStatus, 0);
        expectReport(result.out, configText("1e-12", "50"), kConverged);
        const std::vector<Complex> x = readArray(solution);
        ASSERT_EQ(x.size(), system.expected.size());
        for (size_t i = 0; i < x.size(); ++i) EXPECT_LT(std::abs(x[i] - system.expected[i]), 1e-10) << i;
        EXPECT_LE(relativeResidual(system.a, x, b), 1e-12);
    }
}

TEST_F(KrylovrunSolveTest, OnesAndEmptyRightHandSideAreAllOnes) {
    const std::string matrix = write(kSpdSymmetric, "m.mtx");
    const std::string solution = pathOf("x.mtx");
    for (const char* rhs : {"b=ones", "b="}) {
        SCOPED_TRACE(rhs);
        std::filesystem::remove(solution);
        const RunOutput result = run({"A=" + matrix, rhs, "solver=cg", "tolerance=1e-12", "x=" + solution});
        EXPECT_EQ(result.exitStatus, 0);
        EXPECT_EQ(valueAfter(result.out, "result flag:       "), kConverged);
        EXPECT_LE(relativeResidual(kSpd, readArray(solution), std::vector<Complex>(4, 1.0)), 1e-12);
    }
}

// With no iteration allowed the solution is the starting vector: the initial
// guess when xin was given (before or after A).
TEST_F(KrylovrunSolveTest, InitialGuessIsUsedWhateverTheArgumentOrder) {
    const std::string matrix = write(kSpdSymmetric, "m.mtx");
    const std::vector<Complex> guess = {0.25, -1.5, 2.0, 4.0};
    const std::string guessFile = write(arrayFile(guess, false), "guess.mtx");
    const std::string solution = pathOf("x.mtx");
    const std::vector<std::vector<std::string>> orders = {
        {"xin=" + guessFile, "A=" + matrix, "solver=cg", "maxIterations=0", "x=" + solution},
        {"A=" + matrix, "solver=cg", "maxIterations=0", "x=" + solution, "xin=" + guessFile},
    };
    for (const auto& arguments : orders) {
        std::filesystem::remove(solution);
        const RunOutput result = run(arguments);
        EXPECT_EQ(result.exitStatus, 0) << result.out;
        EXPECT_EQ(valueAfter(result.out, "result flag:       "), kMaxIterations);
        EXPECT_EQ(readArray(solution), guess);
    }
}

TEST_F(KrylovrunSolveTest, SolutionFileThatCannotBeWrittenFailsTheRun) {
    const std::string matrix = write(kSpdSymmetric, "m.mtx");
    const std::string solution = pathOf("no_such_folder/x.mtx");
    const RunOutput result = run({"A=" + matrix, "solver=cg", "x=" + solution});
    EXPECT_EQ(valueAfter(result.out, "result flag:       "), kConverged);
    EXPECT_NE(result.out.find("error: file (" + solution + ") could not be written\n"), std::string::npos)
        << result.out;
    EXPECT_EQ(result.exitStatus, 1);
}

}  // namespace
}  // namespace krylovrun_test
