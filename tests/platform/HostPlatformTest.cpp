// The host platform: option checks in order, work vectors and matrices, the
// preparation of each data format (CSR used in place, COO and CSC converted
// to zero-based CSR), validation of the caller's index arrays, the dispatch
// by storage format, and reordered systems whose solution comes back in the
// caller's numbering. Matrices are checked against dense references built in
// the test.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <typeinfo>
#include <vector>

#include "common/DenseChecks.h"
#include "common/DenseReference.h"
#include "common/TestMatrices.h"
#include "core/Context.h"
#include "matrix/HostVector.h"
#include "platform/HostPlatform.h"

namespace {

using namespace Iterative;

// A system of the scrambled grid with a known solution and b = A x*.
template <typename T>
struct System {
    explicit System(int side)
        : n(side * side),
          entries(scrambledGrid<T>(side)),
          A(n, entries),
          solution(smoothSolution<T>(n)),
          rhs(rightHandSide(A, solution)) {}
    int n;
    std::vector<Entry<T>> entries;
    Csr<T> A;
    std::vector<T> solution, rhs;
};

// A data format borrowing the caller's arrays as they are now.
template <typename T>
std::shared_ptr<DataFormat<T>> formatOn(const CallerArrays<T>& c, T* x, const T* b) {
    if (c.storage == kCooStorage) {
        const kyraSparseCooOptions opts{c.base};
        return std::make_shared<CooDataFormat<T>>(&opts, c.n, c.nnz(), c.values.data(), c.first.data(),
                                                  c.second.data(), x, b);
    }
    if (c.storage == kCsrStorage) {
        const kyraSparseCsrOptions opts{c.base};
        return std::make_shared<CsrDataFormat<T>>(&opts, c.n, c.nnz(), c.values.data(), c.first.data(),
                                                  c.second.data(), x, b);
    }
    const kyraSparseCscOptions opts{c.base};
    return std::make_shared<CscDataFormat<T>>(&opts, c.n, c.nnz(), c.values.data(), c.second.data(),
                                              c.first.data(), x, b);
}

template <typename T, typename U>
double maxDifference(const std::vector<T>& expected, const U* actual) {
    double worst = 0.0;
    for (std::size_t i = 0; i < expected.size(); ++i)
        worst = std::max(worst, kyra::abs(widen(expected[i]) - widen(actual[i])));
    return worst;
}

// The platform's matrix as a host CSR matrix; fails the test if it is not one.
template <typename T>
const HostCsrMatrix<T>& hostCsr(const Platform& platform) {
    return dynamic_cast<const HostCsrMatrix<T>&>(platform.matrix<T>());
}

// The platform's matrix times v, by the matrix's own product.
template <typename T>
std::vector<T> platformProduct(const Platform& platform, const Vector<T>& v) {
    auto y = platform.makeVector(static_cast<T*>(nullptr), v.n());
    platform.matrix<T>().mvm_(TransOp::NoTrans, T(1), v, T(0), *y);
    return std::vector<T>(y->val(), y->val() + v.n());
}

// ---------------------------------------------------------------- options

TEST(HostPlatformOptions, DefaultsNameAndACopiedRecord) {
    Context ctx;
    const HostPlatform defaults(ctx, nullptr);
    EXPECT_EQ("host", defaults.name());
    EXPECT_EQ(kyraSparseNoReordering, defaults.options().reordering);
    EXPECT_EQ(0, defaults.options().debug);
    EXPECT_FALSE(defaults.prepared());
    EXPECT_EQ(&ctx, &defaults.ctx());

    kyraSparseHostOptions opts{kyraSparseSymamdReordering, 1};
    const HostPlatform platform(ctx, &opts);
    opts.reordering = kyraSparseNoReordering;
    EXPECT_EQ(kyraSparseSymamdReordering, platform.options().reordering);
    EXPECT_EQ(1, platform.options().debug);
}

TEST(HostPlatformOptions, ChecksInOrder) {
    Context ctx;
    const std::string debug = "3: platformOpts.debug != {0, 1}";
    const std::string reordering =
        "3: platformOpts.reordering != {kyraSparseNoReordering, kyraSparseAmdReordering, "
        "kyraSparseSymamdReordering}";
    const struct {
        int reordering, debug;
        std::string expected;
    } cases[] = {{3, 2, debug},       {0, -1, debug},         {3, 0, reordering},
                 {-1, 1, reordering}, {2, 1, "no exception"}, {1, 0, "no exception"}};
    for (const auto& c : cases) {
        kyraSparseHostOptions opts{static_cast<kyraSparseReordering>(c.reordering), c.debug};
        EXPECT_EQ(c.expected, failureOf([&] { HostPlatform platform(ctx, &opts); }))
            << c.reordering << " " << c.debug;
    }
}

// --------------------------------------------------- vectors and matrices

template <typename T>
class HostPlatformTyped : public ::testing::Test {
  protected:
    Context ctx;
};
TYPED_TEST_SUITE(HostPlatformTyped, ScalarTypes);

TYPED_TEST(HostPlatformTyped, MakesSeparateZeroVectorsAndZeroMatrices) {
    using T = TypeParam;
    const HostPlatform platform(this->ctx, nullptr);
    const auto u = platform.makeVector(static_cast<T*>(nullptr), 17);
    const auto v = platform.makeVector(static_cast<T*>(nullptr), 17);
    ASSERT_EQ(17, u->n());
    EXPECT_EQ(1, u->inc());
    EXPECT_EQ(PlatformType(PlatformType::Host), u->platform());
    EXPECT_NE(u->val(), v->val());
    EXPECT_TRUE(std::all_of(u->val(), u->val() + 17, [](const T& e) { return e == T(0); }));
    u->fill_(scalar<T>(3.0));
    EXPECT_TRUE(std::all_of(v->val(), v->val() + 17, [](const T& e) { return e == T(0); }));

    const auto A = platform.makeCsrMatrix(static_cast<T*>(nullptr), 5, 9, IndexType(IndexType::OneBased));
    EXPECT_EQ(5, A->m());
    EXPECT_EQ(5, A->n());
    EXPECT_EQ(9, A->nnz());
    EXPECT_EQ(IndexType(IndexType::OneBased), A->index());
    EXPECT_EQ("host csr matrix", A->name());
    EXPECT_TRUE(std::all_of(A->val(), A->val() + 9, [](const T& e) { return e == T(0); }));
    EXPECT_TRUE(std::all_of(A->rowPtr(), A->rowPtr() + 6, [](int p) { return p == 0; }));
}

// ------------------------------------------------------------ preparation

// CSR is used in place in its own base; both bases of COO and CSC become a
// zero-based copy with sorted rows. x and b stay the caller's arrays, so
// cleanup leaves the solution in place, and a platform marked stale
// prepares the next data afresh.
TYPED_TEST(HostPlatformTyped, PreparesEveryFormat) {
    using T = TypeParam;
    System<T> s(6);
    std::vector<T> x(s.n);
    const HostVectorRef<T> solution(s.n, s.solution.data());
    for (int base : {0, 1}) {
        HostPlatform platform(this->ctx, nullptr);
        for (int storage : {kCsrStorage, kCooStorage, kCscStorage}) {
            SCOPED_TRACE(::testing::Message() << "storage " << storage << " base " << base);
            const CallerArrays<T> arrays(storage, s.entries, s.n, base);
            const auto format = formatOn(arrays, x.data(), s.rhs.data());
            platform.prepareData<T>(*format);
            EXPECT_TRUE(platform.prepared());
            const HostCsrMatrix<T>& A = hostCsr<T>(platform);
            if (storage == kCsrStorage) {
                EXPECT_EQ(arrays.values.data(), A.val());
                EXPECT_EQ(arrays.first.data(), A.rowPtr());
                EXPECT_EQ(arrays.second.data(), A.colInd());
                EXPECT_EQ(base, A.index().toInt());
            } else {
                EXPECT_EQ(IndexType(IndexType::ZeroBased), A.index());
                EXPECT_NE(arrays.values.data(), A.val());
                EXPECT_TRUE(toDense(A) == s.A.dense());
                for (int i = 0; i < s.n; ++i)
                    EXPECT_TRUE(std::is_sorted(A.colInd() + A.rowPtr()[i], A.colInd() + A.rowPtr()[i + 1]));
            }
            EXPECT_LT(maxDifference(s.rhs, platformProduct(platform, solution).data()), 10 * tolerance<T>());
            EXPECT_EQ(x.data(), platform.x<T>().val());
            EXPECT_EQ(s.rhs.data(), platform.b<T>().val());

            platform.x<T>().fill_(scalar<T>(2.0));
            platform.cleanupData<T>(*format);
            EXPECT_TRUE(std::all_of(x.begin(), x.end(), [](const T& v) { return v == scalar<T>(2.0); }));
            platform.setPrepared(false);
            EXPECT_FALSE(platform.prepared());
        }
    }
}

template <typename T>
void product(char op, const PublicScalar<T>* x, PublicScalar<T>* y, void* user) {
    const int n = *static_cast<int*>(user);
    const T* in = reinterpret_cast<const T*>(x);
    T* out = reinterpret_cast<T*>(y);
    for (int i = 0; i < n; ++i) out[i] = in[i] * scalar<T>(op == 'N' ? 2.0 : 3.0);
}

// Matrix-free data are never reordered: the callback works on the caller's x.
TYPED_TEST(HostPlatformTyped, MatrixFreeCallsTheCallbackOnHostVectors) {
    using T = TypeParam;
    int n = 4;
    std::vector<T> x(n), b(n, scalar<T>(1.0));
    MatrixFreeDataFormat<T> format(nullptr, n, &product<T>, &n, x.data(), b.data());
    kyraSparseHostOptions reordering{kyraSparseSymamdReordering, 0};
    HostPlatform platform(this->ctx, &reordering);
    platform.prepareData<T>(format);
    EXPECT_EQ("matrix free", platform.matrix<T>().name());
    EXPECT_EQ(PlatformType(PlatformType::Host), platform.matrix<T>().platform());
    EXPECT_EQ(x.data(), platform.x<T>().val());
    platform.matrix<T>().mvm_(TransOp::NoTrans, T(1), platform.b<T>(), T(0), platform.x<T>());
    EXPECT_TRUE(std::all_of(x.begin(), x.end(), [](const T& v) { return v == scalar<T>(2.0); }));
    platform.cleanupData<T>(format);
    EXPECT_TRUE(x[0] == scalar<T>(2.0));
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
    const std::string typeInference = "9: type inference error";
    for (int code : {0, 5, -1}) {
        OddFormat<T> odd(code);
        EXPECT_EQ(typeInference, failureOf([&] { platform.prepareData<T>(odd); }));
        EXPECT_EQ(typeInference, failureOf([&] { platform.cleanupData<T>(odd); }));
    }
    EXPECT_FALSE(platform.prepared());
    OddFormat<T> claimsCoo(kCooStorage);
    EXPECT_THROW(platform.prepareData<T>(claimsCoo), std::bad_cast);
    EXPECT_EQ(0u, failureOf([&] { platform.matrix<T>(); }).find("9: "));
    EXPECT_EQ("9: platform holds no prepared data", failureOf([&] { platform.x<T>(); }));
}

// ------------------------------------------------------ bad index arrays

TEST(HostPlatformValidation, BadIndexArraysAreRefusedWithoutWrites) {
    Context ctx;
    System<double> s(4);
    std::vector<double> x(s.n, 5.0);
    const std::vector<double> b(s.rhs);
    const struct {
        const char* expected;
        int storage;
        bool pointers;  // spoils the first array (CSR and CSC pointers, COO rows), else the second
        int position, value;
    } cases[] = {
        {"colInd[17] = 1000 is out of range for n = 16", kCsrStorage, false, 17, 1000},
        {"rowPtr[3] = 5 is less than rowPtr[2] = 7", kCsrStorage, true, 3, 5},
        {"rowPtr[0] = 1 must equal the index base 0", kCsrStorage, true, 0, 1},
        {"rowPtr[16] = 63 must equal nnz + base = 64", kCsrStorage, true, 16, 63},
        {"colPtr[16] = 65 must equal nnz + base = 64", kCscStorage, true, 16, 65},
        {"rowInd[3] = -1 is out of range for n = 16", kCscStorage, false, 3, -1},
        {"rowInd[5] = 16 is out of range for n = 16", kCooStorage, true, 5, 16},
        {"colInd[63] = 99 is out of range for n = 16", kCooStorage, false, 63, 99},
    };
    for (kyraSparseReordering reordering : {kyraSparseNoReordering, kyraSparseSymamdReordering}) {
        for (const auto& c : cases) {
            CallerArrays<double> arrays(c.storage, s.entries, s.n, 0);
            (c.pointers ? arrays.first : arrays.second)[c.position] = c.value;
            const CallerArrays<double> before = arrays;
            kyraSparseHostOptions opts{reordering, 0};
            HostPlatform platform(ctx, &opts);
            EXPECT_EQ(std::string("4: ") + c.expected,
                      failureOf([&] { platform.prepareData(*formatOn(arrays, x.data(), b.data())); }));
            EXPECT_FALSE(platform.prepared());
            EXPECT_EQ(before.first, arrays.first);
            EXPECT_EQ(before.second, arrays.second);
            EXPECT_EQ(before.values, arrays.values);
            EXPECT_TRUE(std::all_of(x.begin(), x.end(), [](double v) { return v == 5.0; }));
            EXPECT_EQ(s.rhs, b);
        }
    }
}

// ------------------------------------------------------------ reordering

// Every format prepared with each ordering gives a reordered system B x' = b'
// consistent with the caller's (x = x*, b = A x*); a dense solve in the new
// numbering, handed back by cleanup, is x* in the caller's x. One-based CSR
// cannot be reordered.
TYPED_TEST(HostPlatformTyped, ReorderedSystemsSolveInTheCallersNumbering) {
    using T = TypeParam;
    const System<T> s(6);
    std::vector<T> x(s.n);
    const std::vector<T> b = s.rhs;
    const struct { int storage, base; } formats[] = {{kCsrStorage, 0}, {kCooStorage, 1}, {kCscStorage, 0}};
    for (kyraSparseReordering kind : {kyraSparseAmdReordering, kyraSparseSymamdReordering}) {
        for (const auto& f : formats) {
            SCOPED_TRACE(::testing::Message() << "reordering " << kind << " storage " << f.storage);
            const CallerArrays<T> arrays(f.storage, s.entries, s.n, f.base);
            const auto format = formatOn(arrays, x.data(), b.data());
            kyraSparseHostOptions opts{kind, 0};
            HostPlatform platform(this->ctx, &opts);
            x = s.solution;
            platform.prepareData<T>(*format);

            const HostCsrMatrix<T>& B = hostCsr<T>(platform);
            EXPECT_EQ(IndexType(IndexType::ZeroBased), B.index());
            const Dense<T> denseB = toDense(B);
            EXPECT_FALSE(denseB == s.A.dense()) << "the ordering left the matrix unchanged";
            EXPECT_NE(x.data(), platform.x<T>().val());
            EXPECT_NE(b.data(), platform.b<T>().val());

            const std::vector<T> reorderedB(platform.b<T>().val(), platform.b<T>().val() + s.n);
            const std::vector<T> reorderedX(platform.x<T>().val(), platform.x<T>().val() + s.n);
            EXPECT_LT(maxDifference(reorderedB, (denseB * reorderedX).data()), 100 * tolerance<T>());
            EXPECT_LT(maxDifference(reorderedB, platformProduct(platform, platform.x<T>()).data()),
                      100 * tolerance<T>());

            const std::vector<Wide<T>> solved = denseSolve(denseB, reorderedB);
            std::transform(solved.begin(), solved.end(), platform.x<T>().val(), narrow<T>);
            std::fill(x.begin(), x.end(), T(0));
            platform.cleanupData<T>(*format);
            EXPECT_LT(maxDifference(s.solution, x.data()), 100 * tolerance<T>());
            EXPECT_EQ(s.rhs, b);
        }
        // A one-based CSR matrix is used in place, which the orderings refuse.
        const CallerArrays<T> oneBased(kCsrStorage, s.entries, s.n, 1);
        kyraSparseHostOptions opts{kind, 0};
        HostPlatform platform(this->ctx, &opts);
        EXPECT_EQ(kind == kyraSparseAmdReordering ? "6: colamd reordering" : "6: symmand reordering",
                  failureOf([&] { platform.prepareData<T>(*formatOn(oneBased, x.data(), b.data())); }));
        EXPECT_FALSE(platform.prepared());
    }
}

}  // namespace
