// krylovrun's command line: usage text, help words, the messages and exit
// statuses of faulty arguments, key letter case, and numbers: refused ones
// named, accepted ones shown in the printed configuration.

#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "KrylovrunTestSupport.h"

namespace krylovrun_test {
namespace {

using Arguments = std::vector<std::string>;

const std::string kNoMatrix = "error: no input matrix specified\n";

// The words of text, one argument each.
Arguments words(const std::string& text) {
    std::istringstream in(text);
    return Arguments(std::istream_iterator<std::string>(in), {});
}

std::string unknownKey(const std::string& argument) {
    return "\nerror: unknown option (" + argument + ")\n" + kUsage;
}

std::string invalidValue(const std::string& key, const std::string& value) {
    return "error: invalid value used for " + key + " (" + value + ")\n";
}

class KrylovrunCommandLineTest : public KrylovrunTest {
  protected:
    void SetUp() override {
        KrylovrunTest::SetUp();
        write(kSpdSymmetric, "good.mtx");
        write(kSpdSymmetric, "a=b.mtx");
        write("%%MatrixMarket matrix array real general\n2 1\n1\n2\n", "array.mtx");
        write("2 2 1\n1 1 1\n", "nobanner.mtx");
    }
    // "{dir}" stands for the test's directory.
    std::string withDirectory(std::string text) const {
        for (size_t at = text.find("{dir}"); at != std::string::npos; at = text.find("{dir}", at))
            text.replace(at, 5, pathOf(""));
        return text;
    }
    void expectRun(const Arguments& arguments, const std::string& output, int exitStatus) const {
        Arguments withDir;
        for (const std::string& argument : arguments) withDir.push_back(withDirectory(argument));
        const RunOutput result = run(withDir);
        EXPECT_EQ(result.out, withDirectory(output));
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.exitStatus, exitStatus);
    }
};

TEST_F(KrylovrunCommandLineTest, FaultyArgumentsPrintTheirMessagesInOrder) {
    const struct {
        Arguments arguments;
        std::string output;
        int exitStatus;
    } cases[] = {
        {{}, kUsage, 0},
        {{"solver=cg", "-v", "A={dir}missing.mtx", "HELP", "foo=1"},
         "error: unknown option (-v)\nerror: file not found ({dir}missing.mtx)\n" + kUsage,
         0},
        {{"helpme", "", "/x=1", "-solver=cg"},
         "error: option is missing value (helpme)\nerror: option is missing value ()\n"
         "error: unknown option (/x=1)\nerror: unknown option (-solver=cg)\n" +
             kParseFailed,
         1},
        {{"max=5", "-v", "platform=gpu"}, unknownKey("max=5"), 1},
        {{"-v", "=cg"}, "error: unknown option (-v)\n" + unknownKey("=cg"), 1},
        {{"platform=gpu", "platform=", "solver=cg ", "preconditioner=ilu1", "MAXITERATIONS=1e3"},
         "error: unknown platform (gpu)\nerror: unknown platform ()\nerror: unknown solver (cg )\n"
         "error: unknown preconditioner (ilu1)\n" +
             invalidValue("MAXITERATIONS", "1e3") + kParseFailed,
         1},
        {words("b= x= xin= PLATFORM=HOST Solver=BiCGStabL SOLVER=Gmres solver=MINRES solver=bicg "
               "solver=BICGSTAB solver=Cg Preconditioner=Empty PRECONDITIONER=NONE preconditioner=Jacobi "
               "preconditioner=BlockJacobi preconditioner=ILU0 preconditioner=AINV preconditioner=fAinv "
               "TOLERANCE=1e-3 MaxIterations=5 MAXRUNTIME=7 B=ones X=out.mtx"),
         kNoMatrix, 1},
        {{"A=", "A={dir}array.mtx", "a={dir}nobanner.mtx", "A={dir}x=y.mtx", "A={dir}good.mtx"},
         "error: file not found ()\n"
         "error: this application does not support Market Market type (matrix array real general)\n"
         "error: could not process Matrix Market banner for ({dir}nobanner.mtx)\n"
         "error: file not found ({dir}x=y.mtx)\n" +
             kParseFailed,
         1},
        {{"A={dir}a=b.mtx", "tolerance=abc"}, invalidValue("tolerance", "abc") + kParseFailed, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.output.substr(0, 40));
        expectRun(c.arguments, c.output, c.exitStatus);
    }
    for (const char* word : {"-h", "--HELP", "help", "hElP", "/?"}) expectRun({word}, kUsage, 0);
}

// Numbers must be whole and in range; each refusal repeats the value as given.
TEST_F(KrylovrunCommandLineTest, RefusedNumbersAreNamed) {
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
TEST_F(KrylovrunCommandLineTest, AcceptedNumbersReachTheConfiguration) {
    const std::pair<const char*, const char*> tolerances[] = {
        {"1e-8", "1e-08"},    {".5", "0.5"},      {"5.", "5"},       {"+1.5", "1.5"}, {"-2", "-2"},
        {"1E-3", "0.001"},    {"1e+2", "100"},    {"0", "0"},        {"1e-400", "0"}, {"nan", "nan"},
        {"NaN", "nan"},       {"-nan", "-nan"},   {"nan(1)", "nan"}, {"inf", "inf"},  {"-Inf", "-inf"},
        {"+INFINITY", "inf"}, {"infinity", "inf"}};
    const std::pair<const char*, const char*> iterations[] = {{"50", "50"},
                                                              {"+51", "51"},
                                                              {"-0", "0"},
                                                              {"007", "7"},
                                                              {"2147483647", "2147483647"},
                                                              {"-2147483648", "-2147483648"}};
    const std::pair<const char*, const char*> runtimes[] = {{"0", "disabled"}, {"-3", "-3"}, {"+12", "12"}};
    const std::string matrix = pathOf("good.mtx");
    for (size_t k = 0; k < std::size(tolerances); ++k) {
        const auto& [tolerance, tolerancePrinted] = tolerances[k];
        const auto& [maxIterations, iterationsPrinted] = iterations[k % std::size(iterations)];
        const auto& [maxRuntime, runtimePrinted] = runtimes[k % std::size(runtimes)];
        const RunOutput result =
            run({"maxRuntime=" + std::string(maxRuntime), "A=" + matrix,
                 "tolerance=" + std::string(tolerance), "maxIterations=" + std::string(maxIterations)});
        const std::string config = configText(tolerancePrinted, iterationsPrinted, runtimePrinted);
        EXPECT_EQ(result.out.substr(0, config.size()), config) << tolerance << " " << maxIterations;
    }
}

}  // namespace
}  // namespace krylovrun_test
