// krylovrun's command line: usage text, help words, the messages and exit
// statuses of faulty arguments, key letter case and number conversion.
// None of these runs reaches a solve.

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "KrylovrunTestSupport.h"

namespace krylovrun_test {
namespace {

using Arguments = std::vector<std::string>;

const std::string kNoMatrix = "error: no input matrix specified\n";

std::string unknownKey(const std::string& argument) {
    return "\nerror: unknown option (" + argument + ")\n" + kUsage;
}

std::string invalidValue(const std::string& key, const std::string& value) {
    return "error: invalid value used for " + key + " (" + value + ")\n" + kParseFailed;
}

Arguments wordsOf(const std::string& text) {
    std::istringstream in(text);
    Arguments words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

// "{dir}" in the arguments and the output stands for the test's directory,
// which holds good.mtx, a=b.mtx (both valid), array.mtx and nobanner.mtx.
struct Case {
    std::string name;
    Arguments arguments;
    std::string output;
    int exitStatus;
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

std::vector<Case> cases() {
    std::vector<Case> all = {
        {"noArguments", {}, kUsage, 0},
        {"helpAfterFaults",
         {"solver=cg", "-v", "A={dir}/missing.mtx", "HELP", "foo=1"},
         "error: unknown option (-v)\nerror: file not found ({dir}/missing.mtx)\n" + kUsage,
         0},
        {"helpOnlyAsAWholeArgument",
         {"helpme"},
         "error: option is missing value (helpme)\n" + kParseFailed,
         1},
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
        {"keyAsTyped", {"MAXITERATIONS=1e3"}, invalidValue("MAXITERATIONS", "1e3"), 1},
        {"manyFaultsInOrder",
         {"-v", "solver", "platform=gpu", "tolerance=x", "solver=cg"},
         "error: unknown option (-v)\n"
         "error: option is missing value (solver)\n"
         "error: unknown platform (gpu)\n" +
             invalidValue("tolerance", "x"),
         1},
        {"noMatrix", {"solver=cg", "tolerance=1e-3"}, kNoMatrix, 1},
        {"emptyValuesNoMatrix", {"b=", "x=", "xin="}, kNoMatrix, 1},
        {"keysAndWordsInAnyLetterCase",
         wordsOf("PLATFORM=HOST Solver=BiCGStabL SOLVER=Gmres solver=MINRES solver=bicg solver=BICGSTAB "
                 "solver=Cg Preconditioner=Empty PRECONDITIONER=NONE preconditioner=Jacobi "
                 "preconditioner=BlockJacobi preconditioner=ILU0 preconditioner=AINV preconditioner=fAinv "
                 "TOLERANCE=1e-3 MaxIterations=5 MAXRUNTIME=7 B=ones X=out.mtx XIN= Platform=host"),
         kNoMatrix, 1},
        {"emptyMatrixName", {"A="}, "error: file not found ()\n" + kParseFailed, 1},
        {"matrixBannerCheckedWhenRead",
         {"A={dir}/array.mtx", "a={dir}/nobanner.mtx", "A={dir}/missing.mtx"},
         "error: this application does not support Market Market type (matrix array real general)\n"
         "error: could not process Matrix Market banner for ({dir}/nobanner.mtx)\n"
         "error: file not found ({dir}/missing.mtx)\n" +
             kParseFailed,
         1},
        {"valueKeepsEverythingAfterTheFirstEquals",
         {"A={dir}/a=b.mtx", "tolerance=abc"},
         invalidValue("tolerance", "abc"),
         1},
        {"missingFileNameWithEquals",
         {"A={dir}/x=y=z.mtx"},
         "error: file not found ({dir}/x=y=z.mtx)\n" + kParseFailed,
         1},
        {"laterMatrixOptionStillFails",
         {"A={dir}/missing.mtx", "A={dir}/good.mtx"},
         "error: file not found ({dir}/missing.mtx)\n" + kParseFailed,
         1},
    };
    const char* helpWords[] = {"-h", "--help", "help", "/?", "-H", "--HELP", "HELP", "Help", "hElP"};
    for (int k = 0; k < 9; ++k) all.push_back({"helpWord" + std::to_string(k), {helpWords[k]}, kUsage, 0});

    // Numbers must be whole and in range; the value is printed as given.
    const std::vector<std::pair<std::string, std::vector<std::string>>> refused = {
        {"tolerance",
         {"", " 1e-3", "1e-3 ", "1e", "1e+", ".", "0x10", "1e400", "-1e400", "1,5", "--1", "+-1", "nan(x",
          "nanx", "infin", "infinityy", "1e-3x"}},
        {"maxIterations",
         {"", "1.0", "1e3", "2147483648", "-2147483649", " 5", "5 ", "+-5", "-+5", "+", "-", "0x10", "nan"}},
        {"maxRuntime", {"2.5", "inf", "1e2", "99999999999"}}};
    for (const auto& [key, values] : refused) {
        for (const std::string& value : values) {
            all.push_back({"refused" + key + std::to_string(all.size()),
                           {key + "=" + value},
                           invalidValue(key, value),
                           1});
        }
    }
    // Without a matrix the run stops right after the arguments were taken,
    // so an accepted number shows as the missing-matrix message alone.
    const std::vector<std::pair<std::string, std::vector<std::string>>> accepted = {
        {"tolerance",
         {"1e-8", ".5", "5.", "+1.5", "-2", "1E-3", "1e+2", "0", "1e-400", "nan", "NaN", "-nan", "nan(1)",
          "inf", "-Inf", "+INFINITY", "infinity"}},
        {"maxIterations", {"50", "+50", "-0", "007", "2147483647", "-2147483648"}},
        {"maxRuntime", {"0", "-3", "+12"}}};
    for (const auto& [key, values] : accepted) {
        for (const std::string& value : values)
            all.push_back({"accepted" + key + std::to_string(all.size()), {key + "=" + value}, kNoMatrix, 1});
    }
    return all;
}

class KrylovrunCommandLineTest : public KrylovrunTest, public ::testing::WithParamInterface<Case> {
  protected:
    void SetUp() override {
        KrylovrunTest::SetUp();
        write(kSpdSymmetric, "good.mtx");
        write(kSpdSymmetric, "a=b.mtx");
        write("%%MatrixMarket matrix array real general\n2 1\n1\n2\n", "array.mtx");
        write("2 2 1\n1 1 1\n", "nobanner.mtx");
    }
    std::string withDirectory(std::string text) const {
        const std::string dir = pathOf("");
        for (size_t at = text.find("{dir}/"); at != std::string::npos; at = text.find("{dir}/", at))
            text.replace(at, 6, dir);
        return text;
    }
};

TEST_P(KrylovrunCommandLineTest, PrintsItsMessagesAndExitStatus) {
    Arguments arguments;
    for (const std::string& argument : GetParam().arguments) arguments.push_back(withDirectory(argument));
    const RunOutput result = run(arguments);
    EXPECT_EQ(result.out, withDirectory(GetParam().output));
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.exitStatus, GetParam().exitStatus);
}

INSTANTIATE_TEST_SUITE_P(KrylovrunArguments, KrylovrunCommandLineTest, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace krylovrun_test
