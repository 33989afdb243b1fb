// The device COO-to-CSR and CSC-to-CSR conversions and the device index
// check. Argument rejection runs before any device work and is tested in
// every build; so is the runtime-error answer of a valid call where no device
// can be used. With a device, the conversions must give the CSR arrays of
// the entries, columns sorted within each row and duplicates kept (in any
// order), and the index check the host check's texts.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "common/DenseChecks.h"
#include "common/TestMatrices.h"
#include "kyraSparse.h"
#include "matrix/DataFormat.h"

#if defined(KYRA_WITH_CUDA)
#include "cudalib/CudaTestDevice.h"
#include "matrix/CudaIndexCheck.h"
#include "matrix/IndexCheck.h"
#endif

namespace {

using namespace Iterative;

// The public device conversions of T.
template <typename T>
struct Public;

#define KYRA_TEST_PUBLIC_CONVERSIONS(L, T)                                  \
    template <>                                                             \
    struct Public<T> {                                                      \
        static constexpr auto deviceCoo = kyraSparseCudaDevice##L##coo2csr; \
        static constexpr auto deviceCsc = kyraSparseCudaDevice##L##csc2csr; \
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
#if defined(KYRA_WITH_CUDA)
    if (cudalib::MissingDeviceReason().empty()) return;
#endif
    for (int nnz : {0, 1}) {
        Call<T> call = valid;
        call.nnz = nnz;
        EXPECT_EQ(invoke(Public<T>::deviceCoo, call), kyraSparseRuntimeError) << "nnz " << nnz;
        EXPECT_EQ(invoke(Public<T>::deviceCsc, call), kyraSparseRuntimeError) << "nnz " << nnz;
    }
}

#if defined(KYRA_WITH_CUDA)

// Entries in random places, every tenth repeating an earlier place with a
// new value; row 1 stays empty.
template <typename T>
std::vector<Entry<T>> randomEntries(int n, int nnz, std::mt19937& rng) {
    std::uniform_int_distribution<int> index(0, std::max(n - 1, 0));
    std::vector<Entry<T>> entries;
    for (int k = 0; k < nnz; ++k) {
        Entry<T> e{index(rng), index(rng), randomScalar<T>(rng)};
        if (k % 10 == 9) {
            const Entry<T> earlier = entries[std::uniform_int_distribution<int>(0, k - 1)(rng)];
            e.row = earlier.row;
            e.col = earlier.col;
        }
        if (n > 2 && e.row == 1) e.row = 0;
        entries.push_back(e);
    }
    return entries;
}

// Converts the caller's COO or CSC arrays on the device; the result must be
// the CSR arrays of the same entries with columns sorted within each row.
template <typename T>
void expectDeviceConversion(const CallerArrays<T>& in, const std::vector<Entry<T>>& entries, int outBase) {
    const bool coo = in.storage == kCooStorage;
    const auto first = upload(in.first), second = upload(in.second),
               colInd = upload(std::vector<int>(in.nnz())), rowPtr = upload(std::vector<int>(in.n + 1));
    const auto a = upload(in.values), val = upload(std::vector<T>(in.nnz()));
    const int* in1 = coo ? second.get() : first.get();  // colInd or colPtr
    const int* rowInd = coo ? first.get() : second.get();
    const Call<T> call{in.n,         in.nnz(),     in1,       rowInd,  a.get(),
                       colInd.get(), rowPtr.get(), val.get(), in.base, outBase};
    ASSERT_EQ(invoke(coo ? Public<T>::deviceCoo : Public<T>::deviceCsc, call), kyraSparseNoError);
    const Csr<T> expected(in.n, sortedByRowAndColumn(entries), outBase);
    const std::vector<int> outRowPtr = download(rowPtr.get(), in.n + 1),
                           outColInd = download(colInd.get(), in.nnz());
    ASSERT_EQ(outRowPtr, expected.rowPtr());
    ASSERT_EQ(outColInd, expected.colInd());
    const std::vector<T> outVal = download(val.get(), in.nnz());
    const Dense<T> dense = toDense(in.n, outBase, outVal.data(), outRowPtr.data(), outColInd.data());
    EXPECT_LE(dense.maxDifference(expected.dense()), 1e-12);
}

TYPED_TEST(DeviceConvert, GivesTheHostArrays) {
    KYRA_REQUIRE_CUDA_DEVICE();
    std::mt19937 rng(13);
    const std::pair<int, int> shapes[] = {{57, 400}, {3, 0}, {0, 0}, {1, 1}};
    for (const auto& [n, nnz] : shapes) {
        const auto entries = randomEntries<TypeParam>(n, nnz, rng);
        for (int storage : {kCooStorage, kCscStorage}) {
            for (int inBase : {0, 1}) {
                for (int outBase : {0, 1}) {
                    SCOPED_TRACE(::testing::Message() << "n " << n << " nnz " << nnz << " storage " << storage
                                                      << " bases " << inBase << outBase);
                    expectDeviceConversion(CallerArrays<TypeParam>(storage, entries, n, inBase), entries,
                                           outBase);
                }
            }
        }
    }
}

// Bad index arrays of a 3 x 3 matrix with 4 entries, each reported by the
// device check in the host check's words: (rowPtr, colInd) and (colPtr,
// rowInd), or COO (rowInd, colInd).
struct IndexCase {
    bool coo;
    std::vector<int> first, second;
    int base;
};

const IndexCase kIndexCases[] = {
    {false, {0, 2, 3, 4}, {0, 2, 1, 0}, 0},   // valid
    {false, {1, 3, 4, 5}, {1, 3, 2, 1}, 1},   // valid, one-based
    {false, {1, 2, 3, 4}, {0, 2, 1, 0}, 0},   // does not start at the base
    {false, {0, 3, 2, 4}, {0, 2, 1, 9}, 0},   // decreases (reported before the bad index)
    {false, {1, 3, 4, 4}, {1, 3, 2, 1}, 1},   // does not end at nnz + base
    {false, {0, 2, 3, 4}, {0, 3, 1, -1}, 0},  // index n, then a negative one
    {false, {1, 3, 4, 5}, {1, 0, 2, 1}, 1},   // index 0 in one-based data
    {true, {0, 1, 2, 2}, {2, 1, 0, 0}, 0},    // valid
    {true, {0, 1, 5, 2}, {2, 1, 0, 0}, 0},    // bad row
    {true, {1, 2, 3, 3}, {3, 2, 0, 4}, 1},    // bad columns only
    {true, {0, 1, 2, 3}, {-1, 1, 0, 0}, 0},   // a bad column before a bad row: rows come first
};

TEST(DeviceIndexCheck, DescribesFaultsAsTheHostDoes) {
    KYRA_REQUIRE_CUDA_DEVICE();
    const int n = 3;
    for (const IndexCase& c : kIndexCases) {
        const auto first = upload(c.first), second = upload(c.second);
        const int nnz = static_cast<int>(c.second.size());
        const auto expectSame = [&](auto onDevice, auto onHost) {
            EXPECT_EQ(onDevice(n, nnz, first.get(), second.get(), c.base),
                      onHost(n, nnz, c.first.data(), c.second.data(), c.base));
        };
        if (c.coo) {
            expectSame(findCudaCooIndexError, findCooIndexError);
        } else {
            expectSame(findCudaCsrIndexError, findCsrIndexError);
            expectSame(findCudaCscIndexError, findCscIndexError);
        }
    }
    const auto badStart = upload(std::vector<int>{2, 2, 2, 2}), anyIndex = upload(std::vector<int>{0});
    EXPECT_EQ(failureOf([&] { checkCudaCsrIndices(n, 0, badStart.get(), anyIndex.get(), 0); }),
              "4: rowPtr[0] = 2 must equal the index base 0");
}

#endif

}  // namespace
