// krylovrun's command line: usage text, help words, the messages and exit
// statuses of faulty arguments, key letter case and number conversion.
// None of these runs reaches a solve.

#include <string>
#include <vector>

#include "KrylovrunTestSupport.h"

namespace krylovrun_test {
namespace {

using Arguments = std::vector<std::string>;

class KrylovrunCommandLineTest : public KrylovrunTest {};

TEST_F(KrylovrunCommandLineTest, NoArgumentsPrintsUsageAndSucceeds) {
    const RunOutput result = run({});
    EXPECT_EQ(result.out, kUsage);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.exitStatus, 0);
}

TEST_F(KrylovrunCommandLineTest, EveryHelpWordInAnyLetterCasePrintsUsage) {
    for (const char* word : {"-h", "--help", "help", "/?", "-H", "--HELP", "HELP", "Help", "hElP"}) {
        SCOPED_TRACE(word);
        const RunOutput result = run({word});
        EXPECT_EQ(result.out, kUsage);
        EXPECT_EQ(result.exitStatus, 0);
    }
}

TEST_F(KrylovrunCommandLineTest, HelpWordAfterOtherArgumentsPrintsUsageAfterTheirMessages) {
    const std::string missing = pathOf("missing.mtx");
    const RunOutput result = run({"solver=cg", "-v", "A=" + missing, "HELP", "foo=1"});
    EXPECT_EQ(result.out, "error: unknown option (-v)\nerror: file not found (" + missing + ")\n" + kUsage);
    EXPECT_EQ(result.exitStatus, 0);
}

TEST_F(KrylovrunCommandLineTest, HelpWordOnlyCountsAsAWholeArgument) {
    const RunOutput result = run({"helpme"});
    EXPECT_EQ(result.out, "error: option is missing value (helpme)\n" + kParseFailed);
    EXPECT_EQ(result.exitStatus, 1);
}

struct FailureCase {
    const char* name;
    Arguments arguments;
    std::string output;
    int exitStatus;
};

std::string unknownKey(const std::string& argument) {
    return "\nerror: unknown option (" + argument + ")\n" + kUsage;
}

// Faults that are reported and then end the run after the loop, and the
// unknown key that ends it at once.
std::vector<FailureCase> failureCases() {
    return {
        {"dash", {"-v"}, "error: unknown option (-v)\n" + kParseFailed, 1},
        {"slash", {"/x=1"}, "error: unknown option (/x=1)\n" + kParseFailed, 1},
        {"dashWithKey", {"-solver=cg"}, "error: unknown option (-solver=cg)\n" + kParseFailed, 1},
        {"noEquals", {"solver"}, "error: option is missing value (solver)\n" + kParseFailed, 1},
        {"emptyArgument", {""}, "error: option is missing value ()\n" + kParseFailed, 1},
        {"unknownKey", {"foo=1"}, unknownKey("foo=1"), 1},
        {"emptyKey", {"=cg"}, unknownKey("=cg"), 1},
        {"keyPrefix", {"max=5"}, unknownKey("max=5"), 1},
        {"unknownKeyStopsAtOnce", {"foo=1", "-v", "platform=gpu"}, unknownKey("foo=1"), 1},
        {"unknownKeyAfterFaults",
         {"-v", "foo=bar=1"},
         "error: unknown option (-v)\n" + unknownKey("foo=bar=1"),
         1},
        {"unknownPlatform", {"platform=gpu"}, "error: unknown platform (gpu)\n" + kParseFailed, 1},
        {"emptyPlatform", {"platform="}, "error: unknown platform ()\n" + kParseFailed, 1},
        {"unknownSolver", {"solver=cgs"}, "error: unknown solver (cgs)\n" + kParseFailed, 1},
        {"unknownPreconditioner",
         {"preconditioner=ilu1"},
         "error: unknown preconditioner (ilu1)\n" + kParseFailed,
         1},
        {"wordWithBlank", {"solver=cg "}, "error: unknown solver (cg )\n" + kParseFailed, 1},
        {"toleranceText",
         {"tolerance=abc"},
         "error: invalid value used for tolerance (abc)\n" + kParseFailed,
         1},
        {"runtimeFraction",
         {"maxRuntime=2.5"},
         "error: invalid value used for maxRuntime (2.5)\n" + kParseFailed,
         1},
        {"keyAsTyped",
         {"MAXITERATIONS=1e3"},
         "error: invalid value used for MAXITERATIONS (1e3)\n" + kParseFailed,
         1},
        {"manyFaultsInOrder",
         {"-v", "solver", "platform=gpu", "tolerance=x", "solver=cg"},
         "error: unknown option (-v)\n"
         "error: option is missing value (solver)\n"
         "error: unknown platform (gpu)\n"
         "error: invalid value used for tolerance (x)\n" +
             kParseFailed,
         1},
        {"noMatrix", {"solver=cg", "tolerance=1e-3"}, "error: no input matrix specified\n", 1},
        {"emptyValuesNoMatrix", {"b=", "x=", "xin="}, "error: no input matrix specified\n", 1},
    };
}

class KrylovrunFailureTest : public KrylovrunTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(KrylovrunFailureTest, PrintsItsMessagesAndExitStatus) {
    const RunOutput result = run(GetParam().arguments);
    EXPECT_EQ(result.out, GetParam().output);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.exitStatus, GetParam().exitStatus);
}

INSTANTIATE_TEST_SUITE_P(KrylovrunArguments, KrylovrunFailureTest, ::testing::ValuesIn(failureCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// A number that must be refused, and the key it is given to.
struct BadNumber {
    const char* key;
    const char* value;
};

TEST_F(KrylovrunCommandLineTest, NumbersMustBeWholeAndInRange) {
    const BadNumber cases[] = {
        {"tolerance", ""},
        {"tolerance", " 1e-3"},
        {"tolerance", "1e-3 "},
        {"tolerance", "1e"},
        {"tolerance", "1e+"},
        {"tolerance", "."},
        {"tolerance", "0x10"},
        {"tolerance", "1e400"},
        {"tolerance", "-1e400"},
        {"tolerance", "1,5"},
        {"tolerance", "--1"},
        {"tolerance", "+-1"},
        {"tolerance", "nan(x"},
        {"tolerance", "nanx"},
        {"tolerance", "infin"},
        {"tolerance", "infinityy"},
        {"tolerance", "1e-3x"},
        {"maxIterations", ""},
        {"maxIterations", "1.0"},
        {"maxIterations", "1e3"},
        {"maxIterations", "2147483648"},
        {"maxIterations", "-2147483649"},
        {"maxIterations", " 5"},
        {"maxIterations", "5 "},
        {"maxIterations", "+-5"},
        {"maxIterations", "-+5"},
        {"maxIterations", "+"},
        {"maxIterations", "-"},
        {"maxIterations", "0x10"},
        {"maxIterations", "nan"},
        {"maxRuntime", "2.5"},
        {"maxRuntime", "inf"},
        {"maxRuntime", "1e2"},
        {"maxRuntime", "99999999999"},
    };
    for (const BadNumber& bad : cases) {
        const std::string argument = std::string(bad.key) + "=" + bad.value;
        SCOPED_TRACE(argument);
        const RunOutput result = run({argument});
        EXPECT_EQ(result.out, "error: invalid value used for " + std::string(bad.key) + " (" + bad.value +
                                  ")\n" + kParseFailed);
        EXPECT_EQ(result.exitStatus, 1);
    }
}

// Without a matrix the run stops right after the arguments were taken, so an
// accepted number shows as the missing-matrix message alone.
TEST_F(KrylovrunCommandLineTest, NumbersThatConvertAreAccepted) {
    const char* accepted[] = {
        "tolerance=1e-8",
        "tolerance=.5",
        "tolerance=5.",
        "tolerance=+1.5",
        "tolerance=-2",
        "tolerance=1E-3",
        "tolerance=1e+2",
        "tolerance=0",
        "tolerance=1e-400",
        "tolerance=nan",
        "tolerance=NaN",
        "tolerance=-nan",
        "tolerance=nan(1)",
        "tolerance=inf",
        "tolerance=-Inf",
        "tolerance=+INFINITY",
        "tolerance=infinity",
        "maxIterations=50",
        "maxIterations=+50",
        "maxIterations=-0",
        "maxIterations=007",
        "maxIterations=2147483647",
        "maxIterations=-2147483648",
        "maxRuntime=0",
        "maxRuntime=-3",
        "maxRuntime=+12",
    };
    for (const char* argument : accepted) {
        SCOPED_TRACE(argument);
        const RunOutput result = run({argument});
        EXPECT_EQ(result.out, "error: no input matrix specified\n");
        EXPECT_EQ(result.exitStatus, 1);
    }
}

TEST_F(KrylovrunCommandLineTest, KeysAndWordsIgnoreLetterCase) {
    const Arguments arguments = {"PLATFORM=HOST",
                                 "Solver=BiCGStabL",
                                 "SOLVER=Gmres",
                                 "solver=MINRES",
                                 "solver=bicg",
                                 "solver=BICGSTAB",
                                 "solver=Cg",
                                 "Preconditioner=Empty",
                                 "PRECONDITIONER=NONE",
                                 "preconditioner=Jacobi",
                                 "preconditioner=BlockJacobi",
                                 "preconditioner=ILU0",
                                 "preconditioner=AINV",
                                 "preconditioner=fAinv",
                                 "TOLERANCE=1e-3",
                                 "MaxIterations=5",
                                 "MAXRUNTIME=7",
                                 "B=ones",
                                 "X=out.mtx",
                                 "XIN=",
                                 "Platform=host"};
    const RunOutput result = run(arguments);
    EXPECT_EQ(result.out, "error: no input matrix specified\n");
    EXPECT_EQ(result.exitStatus, 1);
}

TEST_F(KrylovrunCommandLineTest, MatrixBannerIsCheckedWhenTheOptionIsRead) {
    const std::string array = write("array.mtx", "%%MatrixMarket matrix array real general\n2 1\n1\n2\n");
    const std::string noBanner = write("nobanner.mtx", "2 2 1\n1 1 1\n");
    const std::string missing = pathOf("missing.mtx");
    const RunOutput result = run({"A=" + array, "a=" + noBanner, "A=" + missing});
    EXPECT_EQ(result.out,
              "error: this application does not support Market Market type (matrix array real general)\n"
              "error: could not process Matrix Market banner for (" +
                  noBanner +
                  ")\n"
                  "error: file not found (" +
                  missing + ")\n" + kParseFailed);
    EXPECT_EQ(result.exitStatus, 1);
}

TEST_F(KrylovrunCommandLineTest, EmptyMatrixNameIsAMissingFile) {
    const RunOutput result = run({"A="});
    EXPECT_EQ(result.out, "error: file not found ()\n" + kParseFailed);
    EXPECT_EQ(result.exitStatus, 1);
}

TEST_F(KrylovrunCommandLineTest, ValueKeepsEverythingAfterTheFirstEquals) {
    const std::string withEquals = write("a=b.mtx", kSpdSymmetric);
    const RunOutput found = run({"A=" + withEquals, "tolerance=abc"});
    EXPECT_EQ(found.out, "error: invalid value used for tolerance (abc)\n" + kParseFailed);

    const std::string missing = pathOf("x=y=z.mtx");
    const RunOutput notFound = run({"A=" + missing});
    EXPECT_EQ(notFound.out, "error: file not found (" + missing + ")\n" + kParseFailed);
    EXPECT_EQ(notFound.exitStatus, 1);
}

TEST_F(KrylovrunCommandLineTest, LaterMatrixOptionStillFailsTheCommandLine) {
    const std::string good = write("good.mtx", kSpdSymmetric);
    const std::string missing = pathOf("missing.mtx");
    const RunOutput result = run({"A=" + missing, "A=" + good});
    EXPECT_EQ(result.out, "error: file not found (" + missing + ")\n" + kParseFailed);
    EXPECT_EQ(result.exitStatus, 1);
}

}  // namespace
}  // namespace krylovrun_test
