// The device COO-to-CSR and CSC-to-CSR conversions and the device index
// check. Argument rejection runs before any device work and is tested in
// every build; so is the runtime-error answer of a valid call where no device
// can be used. With a device, the conversions must give the host
// conversions' row pointers and matrix (duplicates may come out in another
// order), and the index check the host check's texts.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "common/DenseChecks.h"
#include "common/DenseReference.h"
#include "kyraSparse.h"
#include "matrix/DataFormat.h"

#if defined(KYRA_WITH_CUDA)
#include "cudalib/CudaTestDevice.h"
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
TYPED_TEST_SUITE(DeviceConvert, AllScalarTypes);

// Each row breaks one argument of an otherwise valid call.
TYPED_TEST(DeviceConvert, RejectedArgumentsWriteNothingAndNoDeviceIsARuntimeError) {
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

    // Without a device a valid call on host arrays cannot run: the runtime
    // error, not a crash.
    if (deviceAvailable()) return;
    for (int nnz : {0, 1}) {
        Call<T> call = valid;
        call.nnz = nnz;
        EXPECT_EQ(invoke(Public<T>::deviceCoo, call), kyraSparseRuntimeError) << "nnz " << nnz;
        EXPECT_EQ(invoke(Public<T>::deviceCsc, call), kyraSparseRuntimeError) << "nnz " << nnz;
    }
}

#if defined(KYRA_WITH_CUDA)

// The CSR arrays of one conversion.
template <typename T>
struct Converted {
    std::vector<int> rowPtr, colInd;
    std::vector<T> val;
};

// function on host arrays, or on device copies of them.
template <typename T, typename Function>
Converted<T> convert(Function function, bool onDevice, int n, const std::vector<int>& in1,
                     const std::vector<int>& rowInd, const std::vector<T>& a, int inBase, int outBase) {
    const int nnz = static_cast<int>(a.size());
    Converted<T> out{std::vector<int>(n + 1), std::vector<int>(nnz), std::vector<T>(nnz)};
    if (!onDevice) {
        EXPECT_EQ(invoke(function, Call<T>{n, nnz, in1.data(), rowInd.data(), a.data(), out.colInd.data(),
                                           out.rowPtr.data(), out.val.data(), inBase, outBase}),
                  kyraSparseNoError);
        return out;
    }
    const auto dIn1 = upload(in1), dRowInd = upload(rowInd), dCol = upload(out.colInd),
               dPtr = upload(out.rowPtr);
    const auto dA = upload(a), dVal = upload(out.val);
    EXPECT_EQ(invoke(function, Call<T>{n, nnz, dIn1.get(), dRowInd.get(), dA.get(), dCol.get(), dPtr.get(),
                                       dVal.get(), inBase, outBase}),
              kyraSparseNoError);
    return {download(dPtr.get(), n + 1), download(dCol.get(), nnz), download(dVal.get(), nnz)};
}

// The same row pointers and the same matrix; duplicates add up in any order.
template <typename T>
void expectSameCsr(const Converted<T>& device, const Converted<T>& host, int n, int base) {
    ASSERT_EQ(device.rowPtr, host.rowPtr);
    for (int c : device.colInd) ASSERT_TRUE(c >= base && c < n + base) << c;
    const auto dense = [&](const Converted<T>& m) {
        return toDense(n, base, m.val.data(), m.rowPtr.data(), m.colInd.data());
    };
    EXPECT_LE(dense(device).maxDifference(dense(host)), 1e-12);
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
    using P = Public<TypeParam>;
    std::mt19937 rng(13);
    const std::pair<int, int> shapes[] = {{57, 400}, {3, 0}, {0, 0}, {1, 1}};
    for (const auto& [n, nnz] : shapes) {
        for (int inBase : {0, 1}) {
            std::vector<int> rowInd, colInd;
            std::vector<TypeParam> a;
            randomCoo(n, nnz, inBase, rng, rowInd, colInd, a);
            // A's CSC arrays are the CSR arrays of its transpose.
            const auto csc = convert(P::hostCoo, false, n, rowInd, colInd, a, inBase, inBase);
            for (int outBase : {0, 1}) {
                SCOPED_TRACE(::testing::Message()
                             << "n " << n << " nnz " << nnz << " bases " << inBase << outBase);
                expectSameCsr(convert(P::deviceCoo, true, n, colInd, rowInd, a, inBase, outBase),
                              convert(P::hostCoo, false, n, colInd, rowInd, a, inBase, outBase), n, outBase);
                expectSameCsr(
                    convert(P::deviceCsc, true, n, csc.rowPtr, csc.colInd, csc.val, inBase, outBase),
                    convert(P::hostCsc, false, n, csc.rowPtr, csc.colInd, csc.val, inBase, outBase), n,
                    outBase);
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
        const auto pointers = upload(c.pointers), indices = upload(c.indices);
        const int nnz = static_cast<int>(c.indices.size());
        EXPECT_EQ(findCudaCsrIndexError(n, nnz, pointers.get(), indices.get(), c.base),
                  findCsrIndexError(n, nnz, c.pointers.data(), c.indices.data(), c.base));
        EXPECT_EQ(findCudaCscIndexError(n, nnz, pointers.get(), indices.get(), c.base),
                  findCscIndexError(n, nnz, c.pointers.data(), c.indices.data(), c.base));
    }
    for (const IndexCase& c : kCooCases) {
        const auto rows = upload(c.pointers), cols = upload(c.indices);
        const int nnz = static_cast<int>(c.indices.size());
        EXPECT_EQ(findCudaCooIndexError(n, nnz, rows.get(), cols.get(), c.base),
                  findCooIndexError(n, nnz, c.pointers.data(), c.indices.data(), c.base));
    }
    const auto badStart = upload(std::vector<int>{2, 2, 2, 2}), anyIndex = upload(std::vector<int>{0});
    EXPECT_EQ(failureOf([&] { checkCudaCsrIndices(n, 0, badStart.get(), anyIndex.get(), 0); }),
              "4: rowPtr[0] = 2 must equal the index base 0");
}

#endif

}  // namespace
