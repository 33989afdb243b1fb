// krylovrun runs that reach the data: reading failures, library statuses
// printed as text, solves of real and complex systems through the library,
// and the solution file checked against the system by a reader of its own.

#include <cmath>
#include <complex>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "KrylovrunTestSupport.h"

namespace krylovrun_test {
namespace {

using Complex = std::complex<double>;

const std::string kSample = std::string(KYRA_SOURCE_DIR) + "/samples/poisson2d_60.mtx";

// ---------------------------------------------------------------------------
// An independent reader of the files involved: coordinate matrices (general,
// symmetric or hermitian storage) and array vectors, real or complex.

struct Entry {
    int row;
    int col;
    Complex value;
};

struct SparseMatrix {
    int n = 0;
    std::vector<Entry> entries;  // one-based, mirrors included
};

std::istringstream bodyOf(const std::string& path, std::string& banner) {
    std::istringstream lines(readWholeFile(path));
    std::getline(lines, banner);
    std::string body, line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line[0] != '%') body += line + "\n";
    }
    return std::istringstream(body);
}

bool isComplex(const std::string& banner) { return banner.find("complex") != std::string::npos; }

SparseMatrix readMatrix(const std::string& path) {
    std::string banner;
    std::istringstream in = bodyOf(path, banner);
    const bool symmetric = banner.find("symmetric") != std::string::npos;
    const bool hermitian = banner.find("hermitian") != std::string::npos;
    SparseMatrix matrix;
    int cols = 0, stored = 0;
    in >> matrix.n >> cols >> stored;
    for (int k = 0; k < stored; ++k) {
        Entry entry{};
        double re = 0.0, im = 0.0;
        in >> entry.row >> entry.col >> re;
        if (isComplex(banner)) in >> im;
        entry.value = Complex(re, im);
        matrix.entries.push_back(entry);
        if (entry.row != entry.col && (symmetric || hermitian)) {
            matrix.entries.push_back(
                {entry.col, entry.row, hermitian ? std::conj(entry.value) : entry.value});
        }
    }
    return matrix;
}

std::vector<Complex> readArray(const std::string& path) {
    std::string banner;
    std::istringstream in = bodyOf(path, banner);
    EXPECT_NE(banner.find("array"), std::string::npos) << banner;
    int rows = 0, cols = 0;
    in >> rows >> cols;
    EXPECT_EQ(cols, 1);
    std::vector<Complex> values(rows);
    for (Complex& value : values) {
        double re = 0.0, im = 0.0;
        in >> re;
        if (isComplex(banner)) in >> im;
        value = Complex(re, im);
    }
    EXPECT_FALSE(in.fail()) << path;
    return values;
}

std::vector<Complex> multiply(const SparseMatrix& a, const std::vector<Complex>& x) {
    std::vector<Complex> y(a.n);
    for (const Entry& e : a.entries) y[e.row - 1] += e.value * x[e.col - 1];
    return y;
}

double norm(const std::vector<Complex>& v) {
    double sum = 0.0;
    for (const Complex& value : v) sum += std::norm(value);
    return std::sqrt(sum);
}

// ||b - A x|| / ||b||.
double trueRelativeResidual(const SparseMatrix& a, const std::vector<Complex>& x,
                            const std::vector<Complex>& b) {
    std::vector<Complex> r = multiply(a, x);
    for (std::size_t i = 0; i < r.size(); ++i) r[i] = b[i] - r[i];
    return norm(r) / norm(b);
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

// The result text's lines that do not depend on timing or iteration count.
struct ResultNames {
    std::string dataFormat, platform, preconditioner, solver, flag;
};

void expectResult(const std::string& out, const ResultNames& names) {
    EXPECT_EQ(valueAfter(out, "data format:       "), names.dataFormat) << out;
    EXPECT_EQ(valueAfter(out, "platform:          "), names.platform) << out;
    EXPECT_EQ(valueAfter(out, "preconditioner:    "), names.preconditioner) << out;
    EXPECT_EQ(valueAfter(out, "solver:            "), names.solver) << out;
    EXPECT_EQ(valueAfter(out, "result flag:       "), names.flag) << out;
}

const char* kConverged = "the solver converged to the relative tolerance";

// The printed output is the configuration text, then the twelve result
// lines and one more newline.
void expectTwelveResultLines(const std::string& out, const std::string& config) {
    ASSERT_EQ(out.compare(0, config.size(), config), 0) << out;
    const std::string result = out.substr(config.size());
    const char* labels[] = {
        "data format:       ", "platform:          ", "preconditioner:    ", "solver:            ",
        "result flag:       ", "iterations:        ", "relative residual: ", "absolute residual: ",
        "overhead time:     ", "precond. time:     ", "solver time:       ", "total time:        "};
    std::istringstream lines(result);
    std::string line;
    for (const char* label : labels) {
        ASSERT_TRUE(std::getline(lines, line)) << result;
        EXPECT_EQ(line.compare(0, std::string(label).size(), label), 0) << line;
    }
    EXPECT_TRUE(std::getline(lines, line));
    EXPECT_EQ(line, "");
    EXPECT_FALSE(std::getline(lines, line)) << result;
    for (const char* timeLabel : {"overhead time:     ", "solver time:       ", "total time:        "}) {
        const std::string time = valueAfter(result, timeLabel);
        ASSERT_GE(time.size(), 2u);
        EXPECT_EQ(time.substr(time.size() - 2), " s");
    }
}

class KrylovrunSolveTest : public KrylovrunTest {};

// ---------------------------------------------------------------------------
// Data that cannot be read: the configuration text, then the reader's
// message, exit status 1.

TEST_F(KrylovrunSolveTest, DataReadingFailuresPrintTheReadersMessage) {
    const std::string matrix = write("m.mtx", kSpdSymmetric);
    const std::string shortVector = write("short.mtx", arrayFile({1.0, 2.0, 3.0}, false));
    const std::string complexVector = write("complex.mtx", arrayFile({1.0, 2.0, 3.0, 4.0}, true));
    const std::string twoColumns =
        write("wide.mtx", "%%MatrixMarket matrix array real general\n4 2\n1\n2\n3\n4\n5\n6\n7\n8\n");
    const std::string truncated = write("cut.mtx", "%%MatrixMarket matrix array real general\n4 1\n1\n2\n");
    const std::string notSquare =
        write("wide_matrix.mtx", "%%MatrixMarket matrix coordinate real general\n4 5 1\n1 1 1\n");
    const std::string missing = pathOf("missing.mtx");
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const Case cases[] = {
        {{"A=" + matrix, "b=" + missing}, "error: file (" + missing + ") could not be read"},
        {{"A=" + matrix, "b=ONES"}, "error: file (ONES) could not be read"},
        {{"A=" + matrix, "xin=" + missing}, "error: file (" + missing + ") could not be read"},
        {{"A=" + matrix, "b=" + shortVector},
         "error: the specified array (" + shortVector + ") must have a length that matches the input matrix"},
        {{"A=" + matrix, "xin=" + twoColumns},
         "error: the specified array (" + twoColumns + ") must have a length that matches the input matrix"},
        {{"A=" + matrix, "b=" + complexVector},
         "error: the specified array (" + complexVector +
             ") does not match the complexity of the input matrix"},
        {{"A=" + matrix, "b=" + truncated}, "error: failed to read the specified array (" + truncated + ")"},
        {{"A=" + matrix, "b=" + matrix},
         "error: expecting a array/vector, got type type (matrix coordinate real "
         "symmetric)"},
        {{"A=" + notSquare}, "error: This application is designed for square matrices (" + notSquare + ")"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const RunOutput result = run(c.arguments);
        EXPECT_EQ(result.out, configText() + c.message + "\n");
        EXPECT_EQ(result.exitStatus, 1);
    }
}

TEST_F(KrylovrunSolveTest, UnreadableMatrixFileIsRefused) {
    if (geteuid() == 0) GTEST_SKIP() << "file permissions do not stop the superuser";
    const std::string matrix = write("locked.mtx", kSpdSymmetric);
    std::filesystem::permissions(matrix, std::filesystem::perms::none);
    const RunOutput result = run({"A=" + matrix});
    EXPECT_EQ(result.out, "error: file not found (" + matrix + ")\n" + kParseFailed);
    EXPECT_EQ(result.exitStatus, 1);
}

// ---------------------------------------------------------------------------
// Statuses from the library: its last status text, exit status 0.

TEST_F(KrylovrunSolveTest, ConfigurationRefusedAtExecutionPrintsTheLibraryText) {
    const std::string matrix = write("m.mtx", kSpdSymmetric);
    const std::string solution = pathOf("x.mtx");
    struct Case {
        const char* option;
        std::string config;
        const char* text;
    };
    const Case cases[] = {
        {"tolerance=nan", configText("nan"), "argument error: config.relativeTolerance > 0.0"},
        {"tolerance=0", configText("0"), "argument error: config.relativeTolerance > 0.0"},
        {"tolerance=2", configText("2"), "argument error: config.relativeTolerance <= 1.0"},
        {"maxIterations=-1", configText("1e-06", "-1"), "argument error: config.maxIterations >= 0"},
        {"maxRuntime=-1", configText("1e-06", "10000", "-1"), "argument error: config.maxRuntime >= 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        const RunOutput result = run({"A=" + matrix, "solver=cg", c.option, "x=" + solution});
        EXPECT_EQ(result.out, c.config + c.text + "\n");
        EXPECT_EQ(result.exitStatus, 0);
        EXPECT_FALSE(std::filesystem::exists(solution))
            << "no solution is written when the solve did not run";
    }
}

// The platform setter is the one option setter whose status ends the run.
// With the cuda platform refused (a build without it), nothing after it is
// looked at: not even the missing matrix file that follows.
TEST_F(KrylovrunSolveTest, PlatformTheLibraryRefusesEndsTheRunWithItsText) {
    const std::string missing = pathOf("missing.mtx");
    const RunOutput result = run({"solver=cg", "platform=cuda", "A=" + missing});
    if (result.out.find(kParseFailed) != std::string::npos)
        GTEST_SKIP() << "this build has the cuda platform";
    EXPECT_EQ(result.out.compare(0, 25, "feature not implemented: "), 0) << result.out;
    EXPECT_EQ(result.out.find('\n'), result.out.size() - 1) << "one line only: " << result.out;
    EXPECT_EQ(result.exitStatus, 0);
}

// ---------------------------------------------------------------------------
// Solves.

TEST_F(KrylovrunSolveTest, SampleWithCgConvergesAndWritesASolutionWithinTheTolerance) {
    const std::string solution = pathOf("sol.mtx");
    const RunOutput result = run({"A=" + kSample, "solver=cg", "x=" + solution});
    EXPECT_EQ(result.exitStatus, 0);
    expectTwelveResultLines(result.out, configText());
    expectResult(result.out, {"coo", "host", "no preconditioner", "cg", kConverged});
    EXPECT_GT(std::stoi(valueAfter(result.out, "iterations:        ")), 0);
    EXPECT_LE(std::stod(valueAfter(result.out, "relative residual: ")), 1e-6);

    const SparseMatrix a = readMatrix(kSample);
    ASSERT_EQ(a.n, 3600);
    const std::vector<Complex> x = readArray(solution);
    ASSERT_EQ(x.size(), 3600u);
    EXPECT_LE(trueRelativeResidual(a, x, std::vector<Complex>(3600, 1.0)), 1e-6);
}

TEST_F(KrylovrunSolveTest, SampleWithoutSolverReportsNoSolverAndWritesNoFile) {
    const RunOutput result = run({"A=" + kSample});
    EXPECT_EQ(result.exitStatus, 0);
    expectTwelveResultLines(result.out, configText());
    EXPECT_EQ(valueAfter(result.out, "result flag:       "), "no solver was selected");
    EXPECT_EQ(valueAfter(result.out, "iterations:        "), "0");
}

TEST_F(KrylovrunSolveTest, EmptyPreconditionerIsNoPreconditionerAndLastSolverWins) {
    const std::string matrix = write("m.mtx", kSpdSymmetric);
    for (const char* word : {"preconditioner=empty", "preconditioner=none"}) {
        SCOPED_TRACE(word);
        const RunOutput result =
            run({"solver=gmres", "preconditioner=jacobi", "A=" + matrix, word, "SOLVER=CG"});
        EXPECT_EQ(result.exitStatus, 0);
        expectTwelveResultLines(result.out, configText());
        expectResult(result.out, {"coo", "host", "no preconditioner", "cg", kConverged});
    }
}

TEST_F(KrylovrunSolveTest, KnownSolutionIsFoundFromRightHandSideFile) {
    const std::string matrix = write("m.mtx", kSpdSymmetric);
    const std::vector<Complex> expected = {1.0, -2.0, 0.5, 3.0};
    const std::vector<Complex> b = multiply(readMatrix(matrix), expected);
    const std::string rhs = write("b.mtx", arrayFile(b, false));
    const std::string solution = pathOf("x.mtx");
    const RunOutput result =
        run({"A=" + matrix, "b=" + rhs, "solver=cg", "tolerance=1e-12", "maxIterations=50", "x=" + solution});
    EXPECT_EQ(result.exitStatus, 0);
    expectTwelveResultLines(result.out, configText("1e-12", "50"));
    expectResult(result.out, {"coo", "host", "no preconditioner", "cg", kConverged});
    const std::vector<Complex> x = readArray(solution);
    ASSERT_EQ(x.size(), expected.size());
    for (std::size_t i = 0; i < x.size(); ++i) EXPECT_NEAR(x[i].real(), expected[i].real(), 1e-10) << i;
}

TEST_F(KrylovrunSolveTest, OnesAndEmptyRightHandSideAreAllOnes) {
    const std::string matrix = write("m.mtx", kSpdSymmetric);
    const std::string solution = pathOf("x.mtx");
    for (const char* rhs : {"b=ones", "b="}) {
        SCOPED_TRACE(rhs);
        std::filesystem::remove(solution);
        const RunOutput result = run({"A=" + matrix, rhs, "solver=cg", "tolerance=1e-12", "x=" + solution});
        EXPECT_EQ(result.exitStatus, 0);
        EXPECT_EQ(valueAfter(result.out, "result flag:       "), kConverged);
        const std::vector<Complex> x = readArray(solution);
        EXPECT_LE(trueRelativeResidual(readMatrix(matrix), x, std::vector<Complex>(4, 1.0)), 1e-12);
    }
}

// With no iteration allowed the solution is the starting vector: the initial
// guess when xin was given (before or after A), zeros otherwise.
TEST_F(KrylovrunSolveTest, InitialGuessIsUsedWhateverTheArgumentOrder) {
    const std::string matrix = write("m.mtx", kSpdSymmetric);
    const std::vector<Complex> guess = {0.25, -1.5, 2.0, 4.0};
    const std::string guessFile = write("guess.mtx", arrayFile(guess, false));
    const std::string solution = pathOf("x.mtx");
    const std::vector<std::vector<std::string>> orders = {
        {"xin=" + guessFile, "A=" + matrix, "solver=cg", "maxIterations=0", "x=" + solution},
        {"A=" + matrix, "solver=cg", "maxIterations=0", "x=" + solution, "xin=" + guessFile},
    };
    for (const auto& arguments : orders) {
        std::filesystem::remove(solution);
        const RunOutput result = run(arguments);
        EXPECT_EQ(result.exitStatus, 0) << result.out;
        EXPECT_EQ(valueAfter(result.out, "result flag:       "),
                  "the maximum number of iterations was reached");
        const std::vector<Complex> x = readArray(solution);
        ASSERT_EQ(x.size(), guess.size());
        for (std::size_t i = 0; i < x.size(); ++i) EXPECT_EQ(x[i], guess[i]) << i;
    }
}

TEST_F(KrylovrunSolveTest, UnconvergedSolveStillPrintsTheResultAndWritesTheSolution) {
    const std::string solution = pathOf("sol.mtx");
    const RunOutput result = run({"A=" + kSample, "solver=cg", "maxIterations=3", "x=" + solution});
    EXPECT_EQ(result.exitStatus, 0);
    expectTwelveResultLines(result.out, configText("1e-06", "3"));
    EXPECT_EQ(valueAfter(result.out, "result flag:       "), "the maximum number of iterations was reached");
    EXPECT_EQ(valueAfter(result.out, "iterations:        "), "3");
    EXPECT_EQ(readArray(solution).size(), 3600u);
}

// A 3 x 3 hermitian positive definite matrix stored as its lower triangle.
const std::string kHermitian =
    "%%MatrixMarket matrix coordinate complex hermitian\n"
    "3 3 5\n"
    "1 1 4 0\n"
    "2 1 1 2\n"
    "2 2 5 0\n"
    "3 2 0 -1\n"
    "3 3 6 0\n";

TEST_F(KrylovrunSolveTest, ComplexHermitianSystemIsSolvedInComplexArithmetic) {
    const std::string matrix = write("h.mtx", kHermitian);
    const std::vector<Complex> expected = {{1.0, 1.0}, {-2.0, 0.5}, {0.0, 3.0}};
    const std::vector<Complex> b = multiply(readMatrix(matrix), expected);
    const std::string rhs = write("b.mtx", arrayFile(b, true));
    const std::string solution = pathOf("x.mtx");
    const RunOutput result =
        run({"A=" + matrix, "b=" + rhs, "solver=cg", "tolerance=1e-12", "x=" + solution});
    EXPECT_EQ(result.exitStatus, 0);
    expectResult(result.out, {"coo", "host", "no preconditioner", "cg", kConverged});
    const std::vector<Complex> x = readArray(solution);
    ASSERT_EQ(x.size(), expected.size());
    for (std::size_t i = 0; i < x.size(); ++i) EXPECT_LT(std::abs(x[i] - expected[i]), 1e-10) << i;
    EXPECT_LE(trueRelativeResidual(readMatrix(matrix), x, b), 1e-12);
}

TEST_F(KrylovrunSolveTest, SolutionFileThatCannotBeWrittenFailsTheRun) {
    const std::string matrix = write("m.mtx", kSpdSymmetric);
    const std::string solution = pathOf("no_such_folder/x.mtx");
    const RunOutput result = run({"A=" + matrix, "solver=cg", "x=" + solution});
    expectResult(result.out, {"coo", "host", "no preconditioner", "cg", kConverged});
    EXPECT_NE(result.out.find("error: file (" + solution + ") could not be written\n"), std::string::npos)
        << result.out;
    EXPECT_EQ(result.exitStatus, 1);
}

}  // namespace
}  // namespace krylovrun_test
