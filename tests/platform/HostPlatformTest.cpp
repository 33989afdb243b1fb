// The host platform: option checks in order, work vectors and matrices, the
// preparation of each data format (CSR used in place, COO and CSC converted
// to zero-based CSR), validation of the caller's index arrays, the dispatch
// by storage format, and reordered systems whose solution comes back in the
// caller's numbering. Matrices are checked against dense references built in
// the test.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <typeinfo>
#include <vector>

#include "core/Complex.h"
#include "core/Context.h"
#include "core/Exception.h"
#include "matrix/HostCsrMatrix.h"
#include "matrix/HostVector.h"
#include "platform/HostPlatform.h"

namespace {

using namespace Iterative;

template <typename T>
T valueOf(double re, double im = 0.0) {
    if constexpr (kyra::IsComplex<T>::value) {
        using R = kyra::Real<T>;
        return T(static_cast<R>(re), static_cast<R>(im));
    } else {
        return static_cast<T>(re);
    }
}

template <typename T>
double tolerance() {
    return std::is_same<kyra::Real<T>, float>::value ? 1e-4 : 1e-11;
}

// A system given by its entries (row, col, value), zero-based, in a scrambled
// order, with a known solution and b = A x*.
template <typename T>
struct System {
    int n = 0;
    std::vector<int> row, col;
    std::vector<T> val;
    std::vector<T> solution, rhs;

    int nnz() const { return static_cast<int>(val.size()); }

    std::vector<T> dense() const {
        std::vector<T> d(static_cast<std::size_t>(n) * n);
        for (int k = 0; k < nnz(); ++k) d[static_cast<std::size_t>(row[k]) * n + col[k]] += val[k];
        return d;
    }
};

// A grid Laplacian pattern with unsymmetric complex-valued entries,
// diagonally dominant, entries listed in a scrambled order.
template <typename T>
System<T> gridSystem(int side) {
    System<T> s;
    s.n = side * side;
    auto add = [&s](int r, int c, T v) {
        s.row.push_back(r);
        s.col.push_back(c);
        s.val.push_back(v);
    };
    for (int i = side - 1; i >= 0; --i) {
        for (int j = 0; j < side; ++j) {
            const int r = i * side + j;
            if (j + 1 < side) add(r, r + 1, valueOf<T>(-1.0 - 0.01 * r, 0.1));
            if (i > 0) add(r, r - side, valueOf<T>(-1.0 + 0.02 * j, -0.2));
            add(r, r, valueOf<T>(6.0 + 0.1 * r, 0.5));
            if (i + 1 < side) add(r, r + side, valueOf<T>(-0.5, 0.3));
            if (j > 0) add(r, r - 1, valueOf<T>(-1.5, 0.0));
        }
    }
    for (int i = 0; i < s.n; ++i)
        s.solution.push_back(valueOf<T>(1.0 + 0.25 * (i % 7), -0.5 + 0.1 * (i % 3)));
    const std::vector<T> a = s.dense();
    s.rhs.assign(s.n, T(0));
    for (int i = 0; i < s.n; ++i)
        for (int j = 0; j < s.n; ++j) s.rhs[i] += a[static_cast<std::size_t>(i) * s.n + j] * s.solution[j];
    return s;
}

// The caller's arrays of one format, in the given index base.
struct CompressedArrays {
    std::vector<int> pointers, indices;
    std::vector<int> order;  // entry k of the compressed form is entry order[k] of the system
};

template <typename T>
CompressedArrays compress(const System<T>& s, bool byRow, int base) {
    CompressedArrays c;
    c.order.resize(s.nnz());
    for (int k = 0; k < s.nnz(); ++k) c.order[k] = k;
    const std::vector<int>& major = byRow ? s.row : s.col;
    const std::vector<int>& minor = byRow ? s.col : s.row;
    std::stable_sort(c.order.begin(), c.order.end(), [&major](int l, int r) { return major[l] < major[r]; });
    c.pointers.assign(s.n + 1, 0);
    for (int k : c.order) {
        ++c.pointers[major[k] + 1];
        c.indices.push_back(minor[k] + base);
    }
    for (int i = 0; i < s.n; ++i) c.pointers[i + 1] += c.pointers[i];
    for (int& p : c.pointers) p += base;
    return c;
}

template <typename T>
std::vector<T> denseOf(const HostCsrMatrix<T>& A) {
    const int n = A.n();
    const int base = A.index().toInt();
    std::vector<T> d(static_cast<std::size_t>(n) * n);
    for (int i = 0; i < n; ++i)
        for (int k = A.rowPtr()[i] - base; k < A.rowPtr()[i + 1] - base; ++k)
            d[static_cast<std::size_t>(i) * n + A.colInd()[k] - base] += A.val()[k];
    return d;
}

template <typename T>
std::vector<T> multiply(const std::vector<T>& a, const T* x, int n) {
    std::vector<T> y(n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) y[i] += a[static_cast<std::size_t>(i) * n + j] * x[j];
    return y;
}

// Gaussian elimination with partial pivoting.
template <typename T>
std::vector<T> solveDense(std::vector<T> a, std::vector<T> b) {
    const int n = static_cast<int>(b.size());
    for (int k = 0; k < n; ++k) {
        int pivot = k;
        for (int i = k + 1; i < n; ++i)
            if (kyra::abs(a[i * n + k]) > kyra::abs(a[pivot * n + k])) pivot = i;
        for (int j = 0; j < n; ++j) std::swap(a[k * n + j], a[pivot * n + j]);
        std::swap(b[k], b[pivot]);
        for (int i = k + 1; i < n; ++i) {
            const T factor = a[i * n + k] / a[k * n + k];
            for (int j = k; j < n; ++j) a[i * n + j] -= factor * a[k * n + j];
            b[i] -= factor * b[k];
        }
    }
    std::vector<T> x(n);
    for (int i = n - 1; i >= 0; --i) {
        T sum = b[i];
        for (int j = i + 1; j < n; ++j) sum -= a[i * n + j] * x[j];
        x[i] = sum / a[i * n + i];
    }
    return x;
}

template <typename T>
double maxDifference(const std::vector<T>& expected, const T* actual) {
    double worst = 0.0;
    for (std::size_t i = 0; i < expected.size(); ++i)
        worst = std::max<double>(worst, kyra::abs(expected[i] - actual[i]));
    return worst;
}

std::pair<int, std::string> outcome(const std::function<void()>& work) {
    try {
        work();
    } catch (const KyraSparseException& e) {
        return {e.code(), e.what()};
    }
    return {0, ""};
}

// ---------------------------------------------------------------- options

TEST(HostPlatformOptions, DefaultsAndName) {
    Context ctx;
    const HostPlatform platform(ctx, nullptr);
    EXPECT_EQ("host", platform.name());
    EXPECT_EQ(kyraSparseNoReordering, platform.options().reordering);
    EXPECT_EQ(0, platform.options().debug);
    EXPECT_FALSE(platform.prepared());
    EXPECT_EQ(&ctx, &platform.ctx());
}

TEST(HostPlatformOptions, ChecksInOrder) {
    Context ctx;
    const std::string debugText = "platformOpts.debug != {0, 1}";
    const std::string reorderingText =
        "platformOpts.reordering != {kyraSparseNoReordering, kyraSparseAmdReordering, "
        "kyraSparseSymamdReordering}";
    struct Case {
        int reordering, debug;
        std::string expected;
    };
    const Case cases[] = {{3, 2, debugText},       {0, -1, debugText}, {3, 0, reorderingText},
                          {-1, 1, reorderingText}, {2, 1, ""},         {1, 0, ""}};
    for (const Case& c : cases) {
        kyraSparseHostOptions opts{static_cast<kyraSparseReordering>(c.reordering), c.debug};
        const auto result = outcome([&] { HostPlatform platform(ctx, &opts); });
        EXPECT_EQ(c.expected.empty() ? 0 : kyraSparseArgumentError, result.first)
            << c.reordering << " " << c.debug;
        EXPECT_EQ(c.expected, result.second);
    }
}

TEST(HostPlatformOptions, RecordIsCopied) {
    Context ctx;
    kyraSparseHostOptions opts{kyraSparseSymamdReordering, 1};
    const HostPlatform platform(ctx, &opts);
    opts.reordering = kyraSparseNoReordering;
    EXPECT_EQ(kyraSparseSymamdReordering, platform.options().reordering);
    EXPECT_EQ(1, platform.options().debug);
}

// --------------------------------------------------- vectors and matrices

template <typename T>
class HostPlatformTyped : public ::testing::Test {
  protected:
    Context ctx;
};
using ScalarTypes = ::testing::Types<float, double, kyra::Complex<float>, kyra::Complex<double>>;
TYPED_TEST_SUITE(HostPlatformTyped, ScalarTypes);

TYPED_TEST(HostPlatformTyped, MakeVectorGivesSeparateZeroVectors) {
    using T = TypeParam;
    const HostPlatform platform(this->ctx, nullptr);
    const auto u = platform.makeVector(static_cast<T*>(nullptr), 17);
    const auto v = platform.makeVector(static_cast<T*>(nullptr), 17);
    ASSERT_EQ(17, u->n());
    EXPECT_EQ(1, u->inc());
    EXPECT_EQ(PlatformType(PlatformType::Host), u->platform());
    EXPECT_NE(u->val(), v->val());
    for (int i = 0; i < 17; ++i) EXPECT_TRUE(u->val()[i] == T(0));
    u->fill_(valueOf<T>(3.0));
    for (int i = 0; i < 17; ++i) EXPECT_TRUE(v->val()[i] == T(0));
}

TYPED_TEST(HostPlatformTyped, MakeCsrMatrixGivesZeroHostMatrix) {
    using T = TypeParam;
    const HostPlatform platform(this->ctx, nullptr);
    const auto A = platform.makeCsrMatrix(static_cast<T*>(nullptr), 5, 9, IndexType(IndexType::OneBased));
    EXPECT_EQ(5, A->m());
    EXPECT_EQ(5, A->n());
    EXPECT_EQ(9, A->nnz());
    EXPECT_EQ(IndexType(IndexType::OneBased), A->index());
    EXPECT_EQ("host csr matrix", A->name());
    EXPECT_TRUE(std::all_of(A->val(), A->val() + 9, [](const T& v) { return v == T(0); }));
    EXPECT_TRUE(std::all_of(A->rowPtr(), A->rowPtr() + 6, [](int p) { return p == 0; }));
}

// ------------------------------------------------------------ preparation

// The platform's matrix as a host CSR matrix; fails the test if it is not one.
template <typename T>
const HostCsrMatrix<T>& hostCsr(const Platform& platform) {
    return dynamic_cast<const HostCsrMatrix<T>&>(platform.matrix<T>());
}

TYPED_TEST(HostPlatformTyped, OneBasedCsrIsUsedInPlace) {
    using T = TypeParam;
    System<T> s = gridSystem<T>(5);
    const CompressedArrays csr = compress(s, true, 1);
    std::vector<T> a;
    for (int k : csr.order) a.push_back(s.val[k]);
    std::vector<T> x(s.n);
    CsrDataFormat<T> format(nullptr, s.n, s.nnz(), a.data(), csr.pointers.data(), csr.indices.data(),
                            x.data(), s.rhs.data());
    const kyraSparseCsrOptions oneBased{1};
    CsrDataFormat<T> oneBasedFormat(&oneBased, s.n, s.nnz(), a.data(), csr.pointers.data(),
                                    csr.indices.data(), x.data(), s.rhs.data());
    HostPlatform platform(this->ctx, nullptr);
    platform.prepareData<T>(oneBasedFormat);
    EXPECT_TRUE(platform.prepared());

    const HostCsrMatrix<T>& A = hostCsr<T>(platform);
    EXPECT_EQ(a.data(), A.val());
    EXPECT_EQ(csr.pointers.data(), A.rowPtr());
    EXPECT_EQ(csr.indices.data(), A.colInd());
    EXPECT_EQ(IndexType(IndexType::OneBased), A.index());
    EXPECT_EQ(x.data(), platform.x<T>().val());
    EXPECT_EQ(s.rhs.data(), platform.b<T>().val());

    // The product through the platform's matrix reproduces b = A x*.
    HostVectorRef<T> solution(s.n, s.solution.data());
    auto y = platform.makeVector(static_cast<T*>(nullptr), s.n);
    platform.matrix<T>().mvm_(TransOp::NoTrans, T(1), solution, T(0), *y);
    EXPECT_LT(maxDifference(s.rhs, y->val()), tolerance<T>() * 10);
}

template <typename T>
void expectConvertedCopy(const Platform& platform, const System<T>& s, const T* callerValues) {
    const HostCsrMatrix<T>& A = hostCsr<T>(platform);
    EXPECT_EQ(IndexType(IndexType::ZeroBased), A.index());
    EXPECT_NE(callerValues, A.val());
    EXPECT_TRUE(denseOf(A) == s.dense());
    for (int i = 0; i < s.n; ++i) {
        EXPECT_TRUE(std::is_sorted(A.colInd() + A.rowPtr()[i], A.colInd() + A.rowPtr()[i + 1]));
    }
}

TYPED_TEST(HostPlatformTyped, CooAndCscBecomeZeroBasedCsr) {
    using T = TypeParam;
    System<T> s = gridSystem<T>(6);
    std::vector<T> x(s.n);
    for (int base : {0, 1}) {
        std::vector<int> rows(s.row), cols(s.col);
        for (int k = 0; k < s.nnz(); ++k) {
            rows[k] += base;
            cols[k] += base;
        }
        const kyraSparseCooOptions cooOpts{base};
        CooDataFormat<T> coo(&cooOpts, s.n, s.nnz(), s.val.data(), rows.data(), cols.data(), x.data(),
                             s.rhs.data());
        HostPlatform platform(this->ctx, nullptr);
        platform.prepareData<T>(coo);
        expectConvertedCopy(platform, s, s.val.data());
        EXPECT_EQ(x.data(), platform.x<T>().val());

        const CompressedArrays csc = compress(s, false, base);
        std::vector<T> a;
        for (int k : csc.order) a.push_back(s.val[k]);
        const kyraSparseCscOptions cscOpts{base};
        CscDataFormat<T> cscFormat(&cscOpts, s.n, s.nnz(), a.data(), csc.indices.data(), csc.pointers.data(),
                                   x.data(), s.rhs.data());
        platform.setPrepared(false);
        platform.prepareData<T>(cscFormat);
        EXPECT_TRUE(platform.prepared());
        expectConvertedCopy(platform, s, a.data());
        EXPECT_EQ(s.rhs.data(), platform.b<T>().val());
    }
}

template <typename T>
void product(char op, const PublicScalar<T>* x, PublicScalar<T>* y, void* user) {
    const int n = *static_cast<int*>(user);
    const T* in = reinterpret_cast<const T*>(x);
    T* out = reinterpret_cast<T*>(y);
    for (int i = 0; i < n; ++i) out[i] = in[i] * valueOf<T>(op == 'N' ? 2.0 : 3.0);
}

TYPED_TEST(HostPlatformTyped, MatrixFreeCallsTheCallbackOnHostVectors) {
    using T = TypeParam;
    int n = 4;
    std::vector<T> x(n), b(n, valueOf<T>(1.0));
    MatrixFreeDataFormat<T> format(nullptr, n, &product<T>, &n, x.data(), b.data());
    kyraSparseHostOptions reordering{kyraSparseSymamdReordering, 0};
    HostPlatform platform(this->ctx, &reordering);
    platform.prepareData<T>(format);
    EXPECT_EQ("matrix free", platform.matrix<T>().name());
    EXPECT_EQ(PlatformType(PlatformType::Host), platform.matrix<T>().platform());
    EXPECT_EQ(x.data(), platform.x<T>().val());
    platform.matrix<T>().mvm_(TransOp::NoTrans, T(1), platform.b<T>(), T(0), platform.x<T>());
    EXPECT_TRUE(std::all_of(x.begin(), x.end(), [](const T& v) { return v == valueOf<T>(2.0); }));
    platform.cleanupData<T>(format);
    EXPECT_TRUE(x[0] == valueOf<T>(2.0));
}

// ------------------------------------------------------------- dispatch

template <typename T>
class OddFormat : public DataFormat<T> {
  public:
    explicit OddFormat(int code) : code_(code) {}
    std::string name() const override { return "odd"; }
    int storageFormat() const override { return code_; }

  private:
    int code_;
};

TYPED_TEST(HostPlatformTyped, UnknownStorageFormatIsATypeInferenceError) {
    using T = TypeParam;
    HostPlatform platform(this->ctx, nullptr);
    for (int code : {0, 5, -1}) {
        OddFormat<T> odd(code);
        EXPECT_EQ((std::pair<int, std::string>{kyraSparseInternalError, "type inference error"}),
                  outcome([&] { platform.prepareData<T>(odd); }));
        EXPECT_EQ((std::pair<int, std::string>{kyraSparseInternalError, "type inference error"}),
                  outcome([&] { platform.cleanupData<T>(odd); }));
    }
    EXPECT_FALSE(platform.prepared());
    OddFormat<T> claimsCoo(kCooStorage);
    EXPECT_THROW(platform.prepareData<T>(claimsCoo), std::bad_cast);
    EXPECT_EQ(kyraSparseInternalError, outcome([&] { platform.matrix<T>(); }).first);
    EXPECT_EQ("platform holds no prepared data", outcome([&] { platform.x<T>(); }).second);
}

// ------------------------------------------------------ bad index arrays

TEST(HostPlatformValidation, BadIndexArraysAreRefusedWithoutWrites) {
    Context ctx;
    System<double> s = gridSystem<double>(4);
    const CompressedArrays csr = compress(s, true, 0);
    std::vector<double> a(s.nnz(), 1.0), x(s.n, 5.0), b(s.rhs);
    struct Case {
        const char* expected;
        std::function<void(std::vector<int>&, std::vector<int>&)> spoil;
        int format;  // storage format code
    };
    const Case cases[] = {
        {"colInd[17] = 1000 is out of range for n = 16", [](auto&, auto& ind) { ind[17] = 1000; },
         kCsrStorage},
        {"rowPtr[3] = 5 is less than rowPtr[2] = 7",
         [](auto& ptr, auto&) {
             ptr[2] = 7;
             ptr[3] = 5;
         },
         kCsrStorage},
        {"rowPtr[0] = 1 must equal the index base 0", [](auto& ptr, auto&) { ptr[0] = 1; }, kCsrStorage},
        {"rowPtr[16] = 63 must equal nnz + base = 64", [](auto& ptr, auto&) { ptr[16] = 63; }, kCsrStorage},
        {"colPtr[16] = 65 must equal nnz + base = 64", [](auto& ptr, auto&) { ptr[16] = 65; }, kCscStorage},
        {"rowInd[3] = -1 is out of range for n = 16", [](auto&, auto& ind) { ind[3] = -1; }, kCscStorage},
        {"rowInd[5] = 16 is out of range for n = 16", [](auto& rows, auto&) { rows[5] = 16; }, kCooStorage},
        {"colInd[63] = 99 is out of range for n = 16", [](auto&, auto& cols) { cols[63] = 99; }, kCooStorage},
    };
    for (int reordering : {0, 2}) {
        for (const Case& c : cases) {
            // For COO the two arrays are the row and column indices.
            std::vector<int> first = c.format == kCooStorage ? s.row : csr.pointers;
            std::vector<int> second = c.format == kCooStorage ? s.col : csr.indices;
            c.spoil(first, second);
            const std::vector<int> firstBefore = first, secondBefore = second;
            std::shared_ptr<DataFormat<double>> format;
            if (c.format == kCsrStorage) {
                format = std::make_shared<CsrDataFormat<double>>(
                    nullptr, s.n, s.nnz(), a.data(), first.data(), second.data(), x.data(), b.data());
            } else if (c.format == kCscStorage) {
                format = std::make_shared<CscDataFormat<double>>(
                    nullptr, s.n, s.nnz(), a.data(), second.data(), first.data(), x.data(), b.data());
            } else {
                format = std::make_shared<CooDataFormat<double>>(
                    nullptr, s.n, s.nnz(), a.data(), first.data(), second.data(), x.data(), b.data());
            }
            kyraSparseHostOptions opts{static_cast<kyraSparseReordering>(reordering), 0};
            HostPlatform platform(ctx, &opts);
            EXPECT_EQ((std::pair<int, std::string>{kyraSparseDataFormatError, c.expected}),
                      outcome([&] { platform.prepareData(*format); }));
            EXPECT_FALSE(platform.prepared());
            EXPECT_EQ(firstBefore, first);
            EXPECT_EQ(secondBefore, second);
            EXPECT_TRUE(std::all_of(x.begin(), x.end(), [](double v) { return v == 5.0; }));
            EXPECT_TRUE(b == s.rhs);
        }
    }
}

// ------------------------------------------------------------ reordering

// Prepares the system with reordering, checks that the reordered system is
// consistent with the caller's (B x' = b' where x = x* and b = A x*), solves
// it densely in the new numbering and lets cleanup bring the solution back.
template <typename T>
void expectReorderedRoundTrip(const Context& ctx, kyraSparseReordering kind, DataFormat<T>& format,
                              const System<T>& s, std::vector<T>& x, const std::vector<T>& b) {
    kyraSparseHostOptions opts{kind, 0};
    HostPlatform platform(ctx, &opts);
    x = s.solution;
    platform.prepareData<T>(format);

    const HostCsrMatrix<T>& B = hostCsr<T>(platform);
    EXPECT_EQ(IndexType(IndexType::ZeroBased), B.index());
    const std::vector<T> denseB = denseOf(B);
    EXPECT_FALSE(denseB == s.dense()) << "the ordering left the matrix unchanged";
    EXPECT_NE(x.data(), platform.x<T>().val());
    EXPECT_NE(b.data(), platform.b<T>().val());

    const std::vector<T> reorderedB(platform.b<T>().val(), platform.b<T>().val() + s.n);
    EXPECT_LT(maxDifference(reorderedB, multiply(denseB, platform.x<T>().val(), s.n).data()),
              tolerance<T>() * 100);
    auto y = platform.makeVector(static_cast<T*>(nullptr), s.n);
    platform.matrix<T>().mvm_(TransOp::NoTrans, T(1), platform.x<T>(), T(0), *y);
    EXPECT_LT(maxDifference(reorderedB, y->val()), tolerance<T>() * 100);

    const std::vector<T> solved = solveDense(denseB, reorderedB);
    std::copy(solved.begin(), solved.end(), platform.x<T>().val());
    std::fill(x.begin(), x.end(), T(0));
    platform.cleanupData<T>(format);
    EXPECT_LT(maxDifference(s.solution, x.data()), tolerance<T>() * 100);
    EXPECT_TRUE(b == s.rhs);
}

TYPED_TEST(HostPlatformTyped, ReorderedSystemsSolveInTheCallersNumbering) {
    using T = TypeParam;
    const System<T> s = gridSystem<T>(6);
    std::vector<T> x(s.n);
    const std::vector<T> b = s.rhs;
    for (kyraSparseReordering kind : {kyraSparseAmdReordering, kyraSparseSymamdReordering}) {
        SCOPED_TRACE(::testing::Message() << "reordering " << kind);
        const CompressedArrays csr = compress(s, true, 0);
        std::vector<T> csrValues;
        for (int k : csr.order) csrValues.push_back(s.val[k]);
        CsrDataFormat<T> csrFormat(nullptr, s.n, s.nnz(), csrValues.data(), csr.pointers.data(),
                                   csr.indices.data(), x.data(), b.data());
        expectReorderedRoundTrip(this->ctx, kind, csrFormat, s, x, b);

        std::vector<int> rows(s.row), cols(s.col);
        for (int& r : rows) ++r;
        for (int& c : cols) ++c;
        const kyraSparseCooOptions oneBased{1};
        CooDataFormat<T> cooFormat(&oneBased, s.n, s.nnz(), s.val.data(), rows.data(), cols.data(), x.data(),
                                   b.data());
        expectReorderedRoundTrip(this->ctx, kind, cooFormat, s, x, b);

        const CompressedArrays csc = compress(s, false, 0);
        std::vector<T> cscValues;
        for (int k : csc.order) cscValues.push_back(s.val[k]);
        CscDataFormat<T> cscFormat(nullptr, s.n, s.nnz(), cscValues.data(), csc.indices.data(),
                                   csc.pointers.data(), x.data(), b.data());
        expectReorderedRoundTrip(this->ctx, kind, cscFormat, s, x, b);
    }
}

TEST(HostPlatformReordering, OneBasedCsrCannotBeReordered) {
    Context ctx;
    const System<double> s = gridSystem<double>(3);
    const CompressedArrays csr = compress(s, true, 1);
    std::vector<double> x(s.n);
    const kyraSparseCsrOptions oneBased{1};
    CsrDataFormat<double> format(&oneBased, s.n, s.nnz(), s.val.data(), csr.pointers.data(),
                                 csr.indices.data(), x.data(), s.rhs.data());
    kyraSparseHostOptions amd{kyraSparseAmdReordering, 0};
    HostPlatform platform(ctx, &amd);
    EXPECT_EQ((std::pair<int, std::string>{kyraSparseFeatureNotImplemented, "colamd reordering"}),
              outcome([&] { platform.prepareData<double>(format); }));
    EXPECT_FALSE(platform.prepared());
}

TEST(HostPlatformReordering, WithoutReorderingCleanupLeavesTheSolutionInPlace) {
    Context ctx;
    const System<double> s = gridSystem<double>(3);
    std::vector<double> x(s.n, 7.0);
    CooDataFormat<double> format(nullptr, s.n, s.nnz(), s.val.data(), s.row.data(), s.col.data(), x.data(),
                                 s.rhs.data());
    HostPlatform platform(ctx, nullptr);
    platform.prepareData<double>(format);
    platform.x<double>().fill_(2.0);
    platform.cleanupData<double>(format);
    EXPECT_TRUE(std::all_of(x.begin(), x.end(), [](double v) { return v == 2.0; }));
    platform.setPrepared(false);
    EXPECT_FALSE(platform.prepared());
}

}  // namespace
