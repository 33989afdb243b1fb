// The krylovrun program run in a child process: its usage text, help words,
// the messages and exit statuses of faulty arguments and numbers, accepted
// numbers shown in the printed configuration; then runs that reach the data:
// reading failures, library statuses printed as text, and solves of real and
// complex systems with known solutions, checked in the solution files.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "TempFiles.h"
#include "io/MmioReader.h"
#include "io/MmioWriter.h"

namespace {

using Arguments = std::vector<std::string>;

// The usage text as the program must write it, the trailing blank line
// included.
const std::string kUsage = R"(
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

const std::string kParseFailed = "error: command line parse failed, can't continue\n";

// The library's configuration text for the default configuration with the
// given relative tolerance and iteration limit, as the program prints it
// (one more newline after the text).
std::string configText(const std::string& tolerance = "1e-06", const std::string& maxIterations = "10000",
                       const std::string& maxRuntime = "disabled") {
    return "relative tolerance:   " + tolerance +
           "\nabsolute tolerance:   1e-50\ndivergence tolerance: 100000\n" +
           "max iterations:       " + maxIterations + "\nmax runtime:          " + maxRuntime +
           "\nresidual vector:      disabled\n\n";
}

// A 4 x 4 symmetric positive definite tridiagonal matrix (2 on the
// diagonal, -1 beside it), stored as its lower triangle.
const std::string kSpdSymmetric =
    "%%MatrixMarket matrix coordinate real symmetric\n% a small system for the driver\n4 4 7\n"
    "1 1 2\n2 1 -1\n2 2 2\n3 2 -1\n3 3 2\n4 3 -1\n4 4 2\n";

struct RunOutput {
    std::string out, err;  // standard output and error
    int exitStatus;        // -1 when the program did not exit normally
};

// The rest of the first line (past the opening one) that starts with label;
// empty when there is none.
std::string valueAfter(const std::string& text, const std::string& label) {
    const std::size_t at = text.find("\n" + label), from = at + 1 + label.size();
    return at == std::string::npos ? "" : text.substr(from, text.find('\n', from) - from);
}

// Runs the program with the test's own directory for its files.
class KrylovrunTest : public TempFiles {
  protected:
    void SetUp() override {
        TempFiles::SetUp();
        write(kSpdSymmetric, "m.mtx");
    }
    // Each argument one argv entry, through the shell, in the test's
    // directory, so that file names need no path.
    RunOutput run(const Arguments& arguments) const {
        const auto quoted = [](const std::string& text) {
            std::string out = "'";
            for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
            return out + "'";
        };
        std::string command = "cd " + quoted(pathOf("")) + " && " + quoted(KYRA_KRYLOVRUN);
        for (const std::string& argument : arguments) command += " " + quoted(argument);
        const int status = std::system((command + " >stdout.txt 2>stderr.txt").c_str());
        return {read("stdout.txt"), read("stderr.txt"), WIFEXITED(status) ? WEXITSTATUS(status) : -1};
    }
    void expectRun(const Arguments& arguments, const std::string& output, int exitStatus) const {
        const RunOutput result = run(arguments);
        EXPECT_EQ(result.out, output);
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.exitStatus, exitStatus);
    }
    // The solution file's vector.
    template <typename T>
    std::vector<T> readSolution(int n) const {
        std::vector<T> x;
        kyra::io::readVector(pathOf("x.mtx"), n, x);
        return x;
    }
};

// The words of text, one argument each.
Arguments words(const std::string& text) {
    std::istringstream in(text);
    return Arguments(std::istream_iterator<std::string>(in), {});
}

std::string invalidValue(const std::string& key, const std::string& value) {
    return "error: invalid value used for " + key + " (" + value + ")\n";
}

TEST_F(KrylovrunTest, FaultyArgumentsPrintTheirMessagesInOrder) {
    write(kSpdSymmetric, "a=b.mtx");
    write("%%MatrixMarket matrix array real general\n2 1\n1\n2\n", "array.mtx");
    write("2 2 1\n1 1 1\n", "nobanner.mtx");
    const struct {
        Arguments arguments;
        std::string output;
        int exitStatus;
    } cases[] = {
        {{}, kUsage, 0},
        {{"solver=cg", "-v", "A=missing.mtx", "HELP", "foo=1"},
         "error: unknown option (-v)\nerror: file not found (missing.mtx)\n" + kUsage,
         0},
        {{"helpme", "", "/x=1", "-solver=cg"},
         "error: option is missing value (helpme)\nerror: option is missing value ()\n"
         "error: unknown option (/x=1)\nerror: unknown option (-solver=cg)\n" +
             kParseFailed,
         1},
        {{"max=5", "-v", "platform=gpu"}, "\nerror: unknown option (max=5)\n" + kUsage, 1},
        {{"-v", "=cg"}, "error: unknown option (-v)\n\nerror: unknown option (=cg)\n" + kUsage, 1},
        {{"platform=gpu", "platform=", "solver=cg ", "preconditioner=ilu1", "MAXITERATIONS=1e3"},
         "error: unknown platform (gpu)\nerror: unknown platform ()\nerror: unknown solver (cg )\n"
         "error: unknown preconditioner (ilu1)\n" +
             invalidValue("MAXITERATIONS", "1e3") + kParseFailed,
         1},
        {words("b= x= xin= PLATFORM=HOST Solver=BiCGStabL SOLVER=Gmres solver=MINRES solver=bicg "
               "solver=BICGSTAB solver=Cg Preconditioner=Empty PRECONDITIONER=NONE preconditioner=Jacobi "
               "preconditioner=BlockJacobi preconditioner=ILU0 preconditioner=AINV preconditioner=fAinv "
               "TOLERANCE=1e-3 MaxIterations=5 MAXRUNTIME=7 B=ones X=out.mtx"),
         "error: no input matrix specified\n", 1},
        {{"A=", "A=array.mtx", "a=nobanner.mtx", "A=x=y.mtx", "A=m.mtx"},
         "error: file not found ()\n"
         "error: this application does not support Market Market type (matrix array real general)\n"
         "error: could not process Matrix Market banner for (nobanner.mtx)\n"
         "error: file not found (x=y.mtx)\n" +
             kParseFailed,
         1},
        {{"A=a=b.mtx", "tolerance=abc"}, invalidValue("tolerance", "abc") + kParseFailed, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.output.substr(0, 40));
        expectRun(c.arguments, c.output, c.exitStatus);
    }
    for (const char* word : {"-h", "--HELP", "help", "hElP", "/?"}) expectRun({word}, kUsage, 0);
}

// Numbers must be whole and in range; each refusal repeats the value as given.
TEST_F(KrylovrunTest, RefusedNumbersAreNamed) {
    const std::pair<std::string, Arguments> refused[] = {
        {"tolerance",
         {"", " 1e-3", "1e-3 ", "1e", "1e+", ".", "0x10", "1e400", "-1e400", "1,5", "--1", "+-1", "nan(x",
          "nanx", "infin", "infinityy", "1e-3x"}},
        {"maxIterations",
         {"", "1.0", "1e3", "2147483648", "-2147483649", " 5", "5 ", "+-5", "-+5", "+", "-", "0x10", "nan"}},
        {"maxRuntime", {"2.5", "inf", "1e2", "99999999999"}}};
    for (const auto& [key, values] : refused) {
        Arguments arguments;
        std::string output;
        for (const std::string& value : values) {
            arguments.push_back(key + "=" + value);
            output += invalidValue(key, value);
        }
        expectRun(arguments, output + kParseFailed, 1);
    }
}

// Accepted numbers reach the configuration the program prints before it
// reads the data; the rest of the output is not looked at here.
TEST_F(KrylovrunTest, AcceptedNumbersReachTheConfiguration) {
    const std::pair<const char*, const char*> tolerances[] = {
        {"1e-8", "1e-08"}, {".5", "0.5"},     {"5.", "5"},    {"+1.5", "1.5"},  {"-2", "-2"},
        {"1E-3", "0.001"}, {"1e+2", "100"},   {"0", "0"},     {"1e-400", "0"},  {"nan", "nan"},
        {"-nan", "-nan"},  {"nan(1)", "nan"}, {"inf", "inf"}, {"-Inf", "-inf"}, {"+INFINITY", "inf"}};
    // printed as %d prints what atoi reads
    const char* iterations[] = {"50", "+51", "-0", "007", "2147483647", "-2147483648"};
    const std::pair<const char*, const char*> runtimes[] = {{"0", "disabled"}, {"-3", "-3"}, {"+12", "12"}};
    for (size_t k = 0; k < std::size(tolerances); ++k) {
        const auto& [tolerance, tolerancePrinted] = tolerances[k];
        const std::string maxIterations = iterations[k % std::size(iterations)];
        const auto& [maxRuntime, runtimePrinted] = runtimes[k % std::size(runtimes)];
        const RunOutput result =
            run({"maxRuntime=" + std::string(maxRuntime), "A=m.mtx", "tolerance=" + std::string(tolerance),
                 "maxIterations=" + maxIterations});
        const std::string config =
            configText(tolerancePrinted, std::to_string(std::atoi(maxIterations.c_str())), runtimePrinted);
        EXPECT_EQ(result.out.substr(0, config.size()), config) << tolerance << " " << maxIterations;
    }
}

using Z = kyra::Complex<double>;

const char* kConverged = "the solver converged to the relative tolerance";
const char* kMaxIterations = "the maximum number of iterations was reached";
const char* kFlag = "result flag:       ";

// Runs that end after the configuration text. Data that cannot be read:
// the reader's message, exit status 1 (the cases check which file, size and
// complexity the program hands the readers). Refusals by the library, of the
// configuration or of the data (a matrix without entries): its last status
// text, exit status 0 and no solution written.
TEST_F(KrylovrunTest, RunsThatStopBeforeTheSolveSayWhy) {
    kyra::io::writeVector(pathOf("short.mtx"), std::vector<double>{1, 2, 3});
    kyra::io::writeVector(pathOf("complex.mtx"), std::vector<Z>(4, Z(1, 1)));
    write("%%MatrixMarket matrix coordinate real general\n3 3 0\n", "empty.mtx");
    const std::string array = "error: the specified array ";
    const std::tuple<int, Arguments, std::string> cases[] = {
        {1, {"A=m.mtx", "b=ONES"}, configText() + "error: file (ONES) could not be read"},
        {1,
         {"A=m.mtx", "xin=short.mtx"},
         configText() + array + "(short.mtx) must have a length that matches the input matrix"},
        {1,
         {"A=m.mtx", "b=complex.mtx"},
         configText() + array + "(complex.mtx) does not match the complexity of the input matrix"},
        {0,
         {"A=m.mtx", "solver=cg", "tolerance=nan", "x=x.mtx"},
         configText("nan") + "argument error: config.relativeTolerance > 0.0"},
        {0, {"A=empty.mtx", "solver=cg", "x=x.mtx"}, configText() + "argument error: a != 0"},
    };
    for (const auto& [exitStatus, arguments, output] : cases) expectRun(arguments, output + "\n", exitStatus);
    EXPECT_FALSE(std::filesystem::exists(pathOf("x.mtx")));
    // The platform setter is the one whose status ends the run at once; a
    // build without cuda refuses it, before the missing matrix is looked at.
    const RunOutput cuda = run({"platform=cuda", "A=missing.mtx"});
    if (cuda.out.find(kParseFailed) == std::string::npos) {
        EXPECT_EQ(cuda.out.compare(0, 25, "feature not implemented: "), 0) << cuda.out;
        EXPECT_EQ(cuda.out.find('\n'), cuda.out.size() - 1) << cuda.out;
        EXPECT_EQ(cuda.exitStatus, 0);
    }
}

// A real symmetric and a complex hermitian system with known solutions, the
// right-hand side read from a file; the report lines around the solve.
TEST_F(KrylovrunTest, KnownSolutionIsFoundFromRightHandSideFile) {
    const std::vector<double> expected = {1.0, -2.0, 0.5, 3.0};
    kyra::io::writeVector(pathOf("b.mtx"), std::vector<double>{4.0, -5.5, 0.0, 5.5});  // A expected
    RunOutput result = run({"A=m.mtx", "b=b.mtx", "SOLVER=gmres", "preconditioner=jacobi", "solver=cg",
                            "preconditioner=empty", "tolerance=1e-12", "maxIterations=50", "x=x.mtx"});
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.out.substr(0, configText("1e-12", "50").size()), configText("1e-12", "50"));
    for (const auto& [label, value] : {std::pair{"data format:       ", "coo"},
                                       {"platform:          ", "host"},
                                       {"preconditioner:    ", "no preconditioner"},
                                       {"solver:            ", "cg"},
                                       {kFlag, kConverged}})
        EXPECT_EQ(valueAfter(result.out, label), value) << result.out;
    const std::vector<double> x = readSolution<double>(4);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(x[i], expected[i], 1e-10) << i;

    // A = [[4, 1 - 2i, 0], [1 + 2i, 5, i], [0, -i, 6]], stored as its lower triangle.
    const std::vector<Z> z = {{1, 1}, {-2, 0.5}, {0, 3}};
    const std::vector<Z> b = {Z(4) * z[0] + Z(1, -2) * z[1], Z(1, 2) * z[0] + Z(5) * z[1] + Z(0, 1) * z[2],
                              Z(0, -1) * z[1] + Z(6) * z[2]};
    kyra::io::writeVector(pathOf("b.mtx"), b);
    write(
        "%%MatrixMarket matrix coordinate complex hermitian\n3 3 5\n1 1 4 0\n2 1 1 2\n2 2 5 0\n3 2 0 -1\n"
        "3 3 6 0\n",
        "h.mtx");
    result = run({"A=h.mtx", "b=b.mtx", "solver=cg", "tolerance=1e-12", "x=x.mtx"});
    EXPECT_EQ(valueAfter(result.out, kFlag), kConverged) << result.out;
    const std::vector<Z> zx = readSolution<Z>(3);
    for (int i = 0; i < 3; ++i) EXPECT_LT(kyra::abs(zx[i] - z[i]), 1e-10) << i;
}

// A right-hand side of ones, named or empty (A (2, 3, 3, 2) is ones); with
// no iteration allowed the solution is the initial guess, whether xin comes
// before or after A; without a solver the run still reports, with no
// iteration.
TEST_F(KrylovrunTest, OnesRightHandSideInitialGuessNoSolverAndUnwritableSolution) {
    const std::string A = "A=m.mtx", x = "x=x.mtx", xin = "xin=guess.mtx";
    for (const char* rhs : {"b=ones", "b="}) {
        std::filesystem::remove(pathOf("x.mtx"));
        EXPECT_EQ(run({A, rhs, "solver=cg", "tolerance=1e-12", x}).exitStatus, 0);
        const std::vector<double> solved = readSolution<double>(4), expected = {2, 3, 3, 2};
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(solved[i], expected[i], 1e-10) << rhs;
    }
    const std::vector<double> guess = {0.25, -1.5, 2.0, 4.0};
    kyra::io::writeVector(pathOf("guess.mtx"), guess);
    for (const auto& arguments : {Arguments{xin, A, "solver=cg", "maxIterations=0", x},
                                  Arguments{A, "solver=cg", "maxIterations=0", xin, x}}) {
        std::filesystem::remove(pathOf("x.mtx"));
        EXPECT_EQ(valueAfter(run(arguments).out, kFlag), kMaxIterations);
        EXPECT_EQ(readSolution<double>(4), guess);
    }
    const RunOutput result = run({A});
    EXPECT_EQ(valueAfter(result.out, kFlag), "no solver was selected");
    EXPECT_EQ(valueAfter(result.out, "iterations:        "), "0");
    // A solution file that cannot be written fails the run after the solve.
    const RunOutput unwritten = run({A, "solver=cg", "x=no_such_folder/x.mtx"});
    EXPECT_EQ(valueAfter(unwritten.out, kFlag), kConverged);
    EXPECT_NE(unwritten.out.find("error: file (no_such_folder/x.mtx) could not be written\n"),
              std::string::npos);
    EXPECT_EQ(unwritten.exitStatus, 1);
}

}  // namespace
