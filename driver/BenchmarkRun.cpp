#include "BenchmarkRun.h"

#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "core/Complex.h"
#include "io/MmioReader.h"
#include "io/MmioWriter.h"

namespace kyra::driver {

namespace {

// The system in the arrays the library borrows: A as one-based coordinate
// triples, the right-hand side, and x, which holds the initial guess on the
// way in and the solution on the way out.
template <typename T>
struct SystemArrays {
    int n = 0;
    int nnz = 0;
    std::vector<int> rowIndices;
    std::vector<int> colIndices;
    std::vector<T> values;
    std::vector<T> rightHandSide;
    std::vector<T> solution;
};

bool wantsOnes(const std::string& rightHandSideFile) {
    return rightHandSideFile.empty() || rightHandSideFile == "ones";
}

template <typename T>
SystemArrays<T> readSystem(const SolveData& data) {
    SystemArrays<T> system;
    io::readMmio<T>(data.A, system.n, system.nnz, system.rowIndices, system.colIndices, system.values);
    if (wantsOnes(data.b)) {
        system.rightHandSide.resize(system.n);
        io::fillOnes(system.rightHandSide);
    } else {
        io::readVector<T>(data.b, system.n, system.rightHandSide);
    }
    if (data.xin.empty()) {
        system.solution.assign(system.n, T(0.0));
    } else {
        io::readVector<T>(data.xin, system.n, system.solution);
    }
    return system;
}

kyraSparseStatus attach(const LibrarySession& session, const kyraSparseCooOptions& options,
                        SystemArrays<double>& system) {
    return kyraSparseSetDcooData(session.handle(), session.plan(), &options, system.n, system.nnz,
                                 system.values.data(), system.rowIndices.data(), system.colIndices.data(),
                                 system.solution.data(), system.rightHandSide.data());
}

// kyra::Complex<double> has the layout of kyraSparseComplexDouble.
kyraSparseComplexDouble* asPublic(std::vector<Complex<double>>& values) {
    return reinterpret_cast<kyraSparseComplexDouble*>(values.data());
}

kyraSparseStatus attach(const LibrarySession& session, const kyraSparseCooOptions& options,
                        SystemArrays<Complex<double>>& system) {
    return kyraSparseSetZcooData(session.handle(), session.plan(), &options, system.n, system.nnz,
                                 asPublic(system.values), system.rowIndices.data(), system.colIndices.data(),
                                 asPublic(system.solution), asPublic(system.rightHandSide));
}

// Reads the system, attaches it and executes the plan. A refused
// attachment ends the run with the library's text, like a failed execution:
// the execution would only report that no data was set. Returns the
// solution when the solve ran to its end.
template <typename T>
bool readAndSolve(const LibrarySession& session, SolveData& data, const kyraSparseCooOptions& options,
                  std::vector<T>& solution) {
    SystemArrays<T> system = readSystem<T>(data);
    session.check(attach(session, options, system));
    session.check(kyraSparseExecutePlan(session.handle(), session.plan(), &data.config, &data.result));
    // A run that failed before its end leaves no description on the handle.
    if (data.result.extendedInfoId == 0) return false;
    solution = std::move(system.solution);
    return true;
}

template <typename T>
int solveAndWrite(const LibrarySession& session, SolveData& data, const kyraSparseCooOptions& options) {
    std::vector<T> solution;
    bool solved = false;
    try {
        solved = readAndSolve(session, data, options, solution);
    } catch (const std::bad_alloc&) {
        std::printf("error: out of memory\n");
        return 1;
    } catch (const std::exception& failure) {
        std::printf("%s\n", failure.what());
        return 1;
    }
    checkSparseResult(session.handle(), &data.result);
    if (!solved || data.x.empty()) return 0;
    try {
        io::writeVector(data.x, solution);
    } catch (const std::exception& failure) {
        std::printf("%s\n", failure.what());
        return 1;
    }
    return 0;
}

}  // namespace

int runBenchmark(const LibrarySession& session, SolveData& data) {
    checkSparseConfig(session.handle(), &data.config);
    kyraSparseCooOptions options{};
    kyraSparseCooOptionsInit(session.handle(), &options);
    options.indexing = 1;
    if (data.dataType == io::DataType::Complex) return solveAndWrite<Complex<double>>(session, data, options);
    return solveAndWrite<double>(session, data, options);
}

}  // namespace kyra::driver
