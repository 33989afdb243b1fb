// The device COO-to-CSR and CSC-to-CSR conversions and the device index
// check. Argument rejection runs before any device work and is tested in
// every build; so is the runtime-error answer of a valid call where no device
// can be used. With a device, the conversions must give the host
// conversions' arrays (rows compared as multisets, since duplicates may come
// out in another order) and the index check the host check's texts.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "common/RandomScalars.h"
#include "kyraSparse.h"
#include "matrix/DataFormat.h"

#if defined(KYRA_WITH_CUDA)
#include <cuda_runtime_api.h>

#include "core/Exception.h"
#include "cudalib/CudaTestDevice.h"
#include "cudalib/Device.h"
#include "matrix/CudaIndexCheck.h"
#include "matrix/IndexCheck.h"
#endif

namespace {

using namespace Iterative;

bool deviceAvailable() {
#if defined(KYRA_WITH_CUDA)
    return cudalib::MissingDeviceReason().empty();
#else
    return false;
#endif
}

// The public conversions of T, on the device and on the host.
template <typename T>
struct Public;

#define KYRA_TEST_PUBLIC_CONVERSIONS(L, T)                                  \
    template <>                                                             \
    struct Public<T> {                                                      \
        static constexpr auto deviceCoo = kyraSparseCudaDevice##L##coo2csr; \
        static constexpr auto deviceCsc = kyraSparseCudaDevice##L##csc2csr; \
        static constexpr auto hostCoo = kyraSparseHost##L##coo2csr;         \
        static constexpr auto hostCsc = kyraSparseHost##L##csc2csr;         \
    };
KYRA_TEST_PUBLIC_CONVERSIONS(S, float)
KYRA_TEST_PUBLIC_CONVERSIONS(D, double)
KYRA_TEST_PUBLIC_CONVERSIONS(C, kyra::Complex<float>)
KYRA_TEST_PUBLIC_CONVERSIONS(Z, kyra::Complex<double>)
#undef KYRA_TEST_PUBLIC_CONVERSIONS

// The arguments of one call, in the public order; the input pair is
// (colInd, rowInd) for COO and (colPtr, rowInd) for CSC.
template <typename T>
struct Call {
    int n, nnz;
    const int* in1;
    const int* rowInd;
    const T* a;
    int* csrColInd;
    int* csrRowPtr;
    T* csrVal;
    int inBase, outBase;
};

template <typename T, typename Function>
kyraSparseStatus invoke(Function function, const Call<T>& c) {
    return function(c.n, c.nnz, c.in1, c.rowInd, reinterpret_cast<const PublicScalar<T>*>(c.a), c.csrColInd,
                    c.csrRowPtr, reinterpret_cast<PublicScalar<T>*>(c.csrVal), c.inBase, c.outBase);
}

template <typename T>
class DeviceConvert : public ::testing::Test {};
using ScalarTypes = ::testing::Types<float, double, kyra::Complex<float>, kyra::Complex<double>>;
TYPED_TEST_SUITE(DeviceConvert, ScalarTypes);

// Each row breaks one argument of an otherwise valid call.
TYPED_TEST(DeviceConvert, RejectedArgumentsWriteNothing) {
    using T = TypeParam;
    const int in[4] = {0, 1, 1, 1};
    const T a[1] = {T(1)};
    int outCol[1] = {-7}, outPtr[4] = {-7, -7, -7, -7};
    T outVal[1] = {T(-7)};
    const Call<T> valid{3, 1, in, in, a, outCol, outPtr, outVal, 0, 1};
    void (*const breakers[])(Call<T>&) = {
        [](Call<T>& c) { c.n = -1; },
        [](Call<T>& c) { c.nnz = -1; },
        [](Call<T>& c) { c.in1 = nullptr; },
        [](Call<T>& c) { c.rowInd = nullptr; },
        [](Call<T>& c) { c.a = nullptr; },
        [](Call<T>& c) { c.csrColInd = nullptr; },
        [](Call<T>& c) { c.csrRowPtr = nullptr; },
        [](Call<T>& c) { c.csrVal = nullptr; },
        [](Call<T>& c) { c.inBase = -1; },
        [](Call<T>& c) { c.inBase = 2; },
        [](Call<T>& c) { c.outBase = -1; },
        [](Call<T>& c) { c.outBase = 2; },
    };
    for (const auto breakArgument : breakers) {
        Call<T> call = valid;
        breakArgument(call);
        EXPECT_EQ(invoke(Public<T>::deviceCoo, call), kyraSparseArgumentError);
        EXPECT_EQ(invoke(Public<T>::deviceCsc, call), kyraSparseArgumentError);
    }
    EXPECT_EQ(outCol[0], -7);
    EXPECT_TRUE(std::all_of(outPtr, outPtr + 4, [](int v) { return v == -7; }));
    EXPECT_TRUE(outVal[0] == T(-7));
}

// Valid calls on host arrays: without a device nothing can run, and the
// answer must be the runtime error, not a crash.
TYPED_TEST(DeviceConvert, WithoutADeviceAValidCallIsARuntimeError) {
    if (deviceAvailable()) GTEST_SKIP() << "a device is present";
    using T = TypeParam;
    const int in[4] = {0, 1, 1, 1};
    const T a[1] = {T(1)};
    int outCol[1], outPtr[4];
    T outVal[1];
    for (int nnz : {0, 1}) {
        const Call<T> call{3, nnz, in, in, a, outCol, outPtr, outVal, 1, 0};
        EXPECT_EQ(invoke(Public<T>::deviceCoo, call), kyraSparseRuntimeError) << "nnz " << nnz;
        EXPECT_EQ(invoke(Public<T>::deviceCsc, call), kyraSparseRuntimeError) << "nnz " << nnz;
    }
}

#if defined(KYRA_WITH_CUDA)

// A device copy of a host array, freed with the object.
template <typename T>
class DeviceArray {
  public:
    explicit DeviceArray(const std::vector<T>& host) : size_(host.size()) {
        EXPECT_EQ(cudaMalloc(reinterpret_cast<void**>(&data_), std::max<std::size_t>(1, size_) * sizeof(T)),
                  cudaSuccess);
        EXPECT_EQ(cudaMemcpy(data_, host.data(), size_ * sizeof(T), cudaMemcpyHostToDevice), cudaSuccess);
    }
    ~DeviceArray() { cudaFree(data_); }
    DeviceArray(const DeviceArray&) = delete;
    DeviceArray& operator=(const DeviceArray&) = delete;

    T* get() const { return data_; }
    std::vector<T> download() const {
        std::vector<T> host(size_);
        EXPECT_EQ(cudaMemcpy(host.data(), data_, size_ * sizeof(T), cudaMemcpyDeviceToHost), cudaSuccess);
        return host;
    }

  private:
    T* data_ = nullptr;
    std::size_t size_;
};

template <typename T>
struct Csr {
    std::vector<int> rowPtr, colInd;
    std::vector<T> val;
};

// Each row as a sorted list of (column, value bytes): duplicates may leave
// the device in either order.
template <typename T>
std::vector<std::vector<std::pair<int, std::string>>> rowsOf(const Csr<T>& m, int base) {
    std::vector<std::vector<std::pair<int, std::string>>> rows(m.rowPtr.size() - 1);
    for (std::size_t i = 0; i + 1 < m.rowPtr.size(); ++i) {
        for (int k = m.rowPtr[i] - base; k < m.rowPtr[i + 1] - base; ++k) {
            const char* bytes = reinterpret_cast<const char*>(&m.val[k]);
            rows[i].emplace_back(m.colInd[k], std::string(bytes, sizeof(T)));
        }
        std::sort(rows[i].begin(), rows[i].end());
    }
    return rows;
}

// The device conversion of host arrays, brought back.
template <typename T, typename Function>
Csr<T> onDevice(Function function, int n, const std::vector<int>& in1, const std::vector<int>& rowInd,
                const std::vector<T>& a, int inBase, int outBase) {
    const int nnz = static_cast<int>(a.size());
    DeviceArray<int> dIn1(in1), dRowInd(rowInd), dColOut{std::vector<int>(nnz)},
        dPtrOut{std::vector<int>(n + 1)};
    DeviceArray<T> dA(a), dValOut{std::vector<T>(nnz)};
    const Call<T> call{n,        nnz,           dIn1.get(),    dRowInd.get(),
                       dA.get(), dColOut.get(), dPtrOut.get(), dValOut.get(),
                       inBase,   outBase};
    EXPECT_EQ(invoke(function, call), kyraSparseNoError);
    return {dPtrOut.download(), dColOut.download(), dValOut.download()};
}

template <typename T, typename Function>
Csr<T> onHost(Function function, int n, const std::vector<int>& in1, const std::vector<int>& rowInd,
              const std::vector<T>& a, int inBase, int outBase) {
    const int nnz = static_cast<int>(a.size());
    Csr<T> m{std::vector<int>(n + 1), std::vector<int>(nnz), std::vector<T>(nnz)};
    const Call<T> call{
        n,      nnz,    in1.data(), rowInd.data(), a.data(), m.colInd.data(), m.rowPtr.data(), m.val.data(),
        inBase, outBase};
    EXPECT_EQ(invoke(function, call), kyraSparseNoError);
    return m;
}

template <typename T>
void expectSameCsr(const Csr<T>& device, const Csr<T>& host, int outBase) {
    EXPECT_EQ(device.rowPtr, host.rowPtr);
    EXPECT_TRUE(rowsOf(device, outBase) == rowsOf(host, outBase));
}

// Random entries, a tenth of them repeating an earlier (row, column) pair
// with a new value; row 1 stays empty.
template <typename T>
void randomCoo(int n, int nnz, int base, std::mt19937& rng, std::vector<int>& rowInd,
               std::vector<int>& colInd, std::vector<T>& a) {
    std::uniform_int_distribution<int> index(0, std::max(n - 1, 0));
    for (int k = 0; k < nnz; ++k) {
        if (k > 0 && k % 10 == 0) {
            const int earlier = std::uniform_int_distribution<int>(0, k - 1)(rng);
            rowInd.push_back(rowInd[earlier]);
            colInd.push_back(colInd[earlier]);
        } else {
            int row = index(rng);
            if (n > 2 && row == 1) row = 0;
            rowInd.push_back(row + base);
            colInd.push_back(index(rng) + base);
        }
        a.push_back(randomScalar<T>(rng));
    }
}

TYPED_TEST(DeviceConvert, GivesTheHostArrays) {
    KYRA_REQUIRE_CUDA_DEVICE();
    using T = TypeParam;
    std::mt19937 rng(13);
    const std::pair<int, int> shapes[] = {{57, 400}, {3, 0}, {0, 0}, {1, 1}};
    for (const auto& [n, nnz] : shapes) {
        for (int inBase : {0, 1}) {
            std::vector<int> rowInd, colInd;
            std::vector<T> a;
            randomCoo(n, nnz, inBase, rng, rowInd, colInd, a);
            // A's CSC arrays are the CSR arrays of its transpose.
            const Csr<T> csc = onHost(Public<T>::hostCoo, n, rowInd, colInd, a, inBase, inBase);
            for (int outBase : {0, 1}) {
                SCOPED_TRACE(::testing::Message()
                             << "n " << n << " nnz " << nnz << " bases " << inBase << outBase);
                expectSameCsr(onDevice(Public<T>::deviceCoo, n, colInd, rowInd, a, inBase, outBase),
                              onHost(Public<T>::hostCoo, n, colInd, rowInd, a, inBase, outBase), outBase);
                expectSameCsr(
                    onDevice(Public<T>::deviceCsc, n, csc.rowPtr, csc.colInd, csc.val, inBase, outBase),
                    onHost(Public<T>::hostCsc, n, csc.rowPtr, csc.colInd, csc.val, inBase, outBase), outBase);
            }
        }
    }
}

// Bad index arrays of a 3 x 3 matrix with 4 entries, each reported by the
// device check in the host check's words.
struct IndexCase {
    std::vector<int> pointers, indices;
    int base;
};

const IndexCase kCompressedCases[] = {
    {{0, 2, 3, 4}, {0, 2, 1, 0}, 0},   // valid
    {{1, 3, 4, 5}, {1, 3, 2, 1}, 1},   // valid, one-based
    {{1, 2, 3, 4}, {0, 2, 1, 0}, 0},   // does not start at the base
    {{0, 3, 2, 4}, {0, 2, 1, 9}, 0},   // decreases (reported before the bad index)
    {{1, 3, 4, 4}, {1, 3, 2, 1}, 1},   // does not end at nnz + base
    {{0, 2, 3, 4}, {0, 3, 1, -1}, 0},  // index n, then a negative one
    {{1, 3, 4, 5}, {1, 0, 2, 1}, 1},   // index 0 in one-based data
};

const IndexCase kCooCases[] = {
    {{0, 1, 2, 2}, {2, 1, 0, 0}, 0},   // valid
    {{0, 1, 5, 2}, {2, 1, 0, 0}, 0},   // bad row
    {{1, 2, 3, 3}, {3, 2, 0, 4}, 1},   // bad columns only
    {{0, 1, 2, 3}, {-1, 1, 0, 0}, 0},  // a bad column before a bad row: rows come first
};

TEST(DeviceIndexCheck, DescribesFaultsAsTheHostDoes) {
    KYRA_REQUIRE_CUDA_DEVICE();
    const int n = 3;
    for (const IndexCase& c : kCompressedCases) {
        const DeviceArray<int> pointers(c.pointers), indices(c.indices);
        const int nnz = static_cast<int>(c.indices.size());
        EXPECT_EQ(findCudaCsrIndexError(n, nnz, pointers.get(), indices.get(), c.base),
                  findCsrIndexError(n, nnz, c.pointers.data(), c.indices.data(), c.base));
        EXPECT_EQ(findCudaCscIndexError(n, nnz, pointers.get(), indices.get(), c.base),
                  findCscIndexError(n, nnz, c.pointers.data(), c.indices.data(), c.base));
    }
    for (const IndexCase& c : kCooCases) {
        const DeviceArray<int> rows(c.pointers), cols(c.indices);
        const int nnz = static_cast<int>(c.indices.size());
        EXPECT_EQ(findCudaCooIndexError(n, nnz, rows.get(), cols.get(), c.base),
                  findCooIndexError(n, nnz, c.pointers.data(), c.indices.data(), c.base));
    }
    const DeviceArray<int> badStart(std::vector<int>{2, 2, 2, 2}), anyIndex(std::vector<int>{0});
    try {
        checkCudaCsrIndices(n, 0, badStart.get(), anyIndex.get(), 0);
        ADD_FAILURE() << "no exception";
    } catch (const KyraSparseException& e) {
        EXPECT_EQ(e.code(), kyraSparseDataFormatError);
        EXPECT_EQ(e.what(), "rowPtr[0] = 2 must equal the index base 0");
    }
}

#endif

}  // namespace
