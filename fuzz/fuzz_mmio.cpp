// Fuzz target for the Matrix Market readers, called as krylovrun calls them:
// the banner is classified, the matrix is read in the type the banner names
// and the same bytes are read as the right-hand side and initial guess of
// the matrix's size. A matrix that reads is then handed to the library as
// krylovrun hands it (one-based coordinates) and solved with a small
// iteration limit.
//
// The input's first byte chooses the vector length used when the file is
// read as a vector only; the rest is the file.
//
// Invariants: the readers fail only by std::runtime_error; a matrix that
// reads has n >= 0 and nnz entries in each of its three arrays (indices are
// not checked by the reader: the library's setter refuses bad ones); a
// vector that reads has the requested length; the library returns a defined
// status.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/Complex.h"
#include "io/MmioReader.h"
#include "kyraSparse.h"

namespace {

using kyra::Complex;

[[noreturn]] void violated(const char* what) {
    std::printf("invariant violated: %s\n", what);
    std::abort();
}

void require(bool condition, const char* what) {
    if (!condition) violated(what);
}

// The readers take a path; each process writes its inputs to one file,
// removed at exit.
struct InputFile {
    std::string path = "/tmp/kyra_fuzz_mmio_" + std::to_string(getpid()) + ".mtx";
    ~InputFile() { std::remove(path.c_str()); }
};

const std::string& inputPath() {
    static const InputFile file;
    return file.path;
}

void writeInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(inputPath().c_str(), "wb");
    require(file != nullptr, "temporary file");
    if (size > 0) std::fwrite(data, 1, size, file);
    std::fclose(file);
}

kyraSparseStatus attach(kyraSparseHandle h, kyraSparsePlan p, const kyraSparseCooOptions& options, int n,
                        int nnz, std::vector<double>& a, std::vector<int>& rows, std::vector<int>& cols,
                        std::vector<double>& x, std::vector<double>& b) {
    return kyraSparseSetDcooData(h, p, &options, n, nnz, a.data(), rows.data(), cols.data(), x.data(),
                                 b.data());
}

kyraSparseStatus attach(kyraSparseHandle h, kyraSparsePlan p, const kyraSparseCooOptions& options, int n,
                        int nnz, std::vector<Complex<double>>& a, std::vector<int>& rows,
                        std::vector<int>& cols, std::vector<Complex<double>>& x,
                        std::vector<Complex<double>>& b) {
    const auto pub = [](std::vector<Complex<double>>& v) {
        return reinterpret_cast<kyraSparseComplexDouble*>(v.data());
    };
    return kyraSparseSetZcooData(h, p, &options, n, nnz, pub(a), rows.data(), cols.data(), pub(x), pub(b));
}

// krylovrun's solve: the one-based coordinates with b = ones, CG with the
// handle's other defaults and a small iteration limit.
template <typename T>
void solve(int n, int nnz, std::vector<int>& rows, std::vector<int>& cols, std::vector<T>& values) {
    static kyraSparseHandle handle = [] {
        kyraSparseHandle h = nullptr;
        require(kyraSparseCreate(&h) == kyraSparseNoError, "create handle");
        return h;
    }();
    kyraSparsePlan plan = nullptr;
    require(kyraSparseCreatePlan(handle, &plan) == kyraSparseNoError, "create plan");
    kyraSparseCooOptions options{};
    kyraSparseCooOptionsInit(handle, &options);
    options.indexing = 1;
    std::vector<T> b(n);
    kyra::io::fillOnes(b);
    std::vector<T> x(n, T(0.0));
    const kyraSparseStatus attached = attach(handle, plan, options, n, nnz, values, rows, cols, x, b);
    require(attached >= kyraSparseNoError && attached <= kyraSparseUnspecifiedError, "setter status");
    require(kyraSparseSetCgSolver(handle, plan, nullptr) == kyraSparseNoError, "solver setter");
    kyraSparseConfig config;
    kyraSparseConfigInit(handle, &config);
    config.maxIterations = 20;
    kyraSparseResult result;
    const kyraSparseStatus status = kyraSparseExecutePlan(handle, plan, &config, &result);
    require(status >= kyraSparseNoError && status <= kyraSparseUnspecifiedError, "execution status");
    require(kyraSparseDestroyPlan(plan) == kyraSparseNoError, "destroy plan");
}

template <typename T>
void readMatrixAndVectors(const std::string& path) {
    int n = -1;
    int nnz = -1;
    std::vector<int> rows;
    std::vector<int> cols;
    std::vector<T> values;
    try {
        kyra::io::readMmio<T>(path, n, nnz, rows, cols, values);
    } catch (const std::runtime_error&) {
        return;
    }
    require(n >= 0 && nnz >= 0, "matrix size");
    require(rows.size() == static_cast<std::size_t>(nnz) && cols.size() == rows.size() &&
                values.size() == rows.size(),
            "entry arrays");
    // The same file as b and xin, as krylovrun would read them.
    std::vector<T> vector;
    try {
        kyra::io::readVector<T>(path, n, vector);
        require(vector.size() == static_cast<std::size_t>(n), "vector length");
    } catch (const std::runtime_error&) {
    }
    if (n <= 200 && nnz <= 4000) solve(n, nnz, rows, cols, values);
}

template <typename T>
void readVectorOnly(const std::string& path, int n) {
    std::vector<T> values(3);
    try {
        kyra::io::readVector<T>(path, n, values);
    } catch (const std::runtime_error&) {
        return;
    }
    require(values.size() == static_cast<std::size_t>(n), "vector length");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const int vectorLength = data[0] % 64;
    writeInput(data + 1, size - 1);
    const std::string& path = inputPath();
    kyra::io::DataType::Enum type = kyra::io::DataType::Unknown;
    try {
        kyra::io::peekMmio(path, type);
    } catch (const std::runtime_error&) {
        type = kyra::io::DataType::Unknown;
    }
    if (type == kyra::io::DataType::Complex) {
        readMatrixAndVectors<Complex<double>>(path);
    } else if (type == kyra::io::DataType::Real) {
        readMatrixAndVectors<double>(path);
    }
    readVectorOnly<double>(path, vectorLength);
    readVectorOnly<Complex<double>>(path, vectorLength);
    return 0;
}
